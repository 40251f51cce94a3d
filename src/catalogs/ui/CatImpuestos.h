#pragma once

#include "catalogs/ui/CatalogDlg.h"

#include <memory>

class CImpuestosSet;
class Database;

// The taxes catalogue ("Catálogo de Impuestos"): taxes and withholdings by name in a row-select
// list, with new, edit (also Enter on a row) and delete (also the Delete key), each after which
// the list is read again. Articles that use a deleted tax keep its id; they then find no tax and
// count as rate 0.
class CCatImpuestos final : public CCatalogDlg {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CCatImpuestos)
public:
    static constexpr int kDialogId = 144;

    // Throws DbError when the taxes cannot be read.
    explicit CCatImpuestos(Database& db, QWidget* parent = nullptr);
    ~CCatImpuestos() override;

    // Runs the catalogue (after saying why, when it cannot be opened).
    static void Manage(Database& db, QWidget* parent = nullptr);

    // Taxes listed (data rows of the grid).
    int taxCount() const { return recordCount(); }

    // The list commands (CCatalogDlg).
    void nuevo() override;
    void editar(int row) override;

    // The grid's owner.
    void tgmGetCellText(int gridId, TolGridCell& cell) override;
    void tgmRowActivate(int gridId, int row) override;

protected:
    CDaoRecordset& records() const override;

private:
    void createControls();

    Database& m_db;
    std::unique_ptr<CImpuestosSet> m_set;
};
