#pragma once

#include "toolkit/ui/TolDialog.h"
#include "toolkit/ui/TolGridOwner.h"

#include <memory>

class CImpuestosSet;
class CTolGrid;
class Database;

// The taxes catalogue ("Catálogo de Impuestos"): taxes and withholdings by name in a row-select
// list, with new, edit (also Enter on a row) and delete (also the Delete key), each after which
// the list is read again.
class CCatImpuestos final : public CTolDialog, public ITolGridOwner {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CCatImpuestos)
public:
    static constexpr int kDialogId = 144;
    static constexpr int kGridId = 1063;
    static constexpr int kNuevoId = 1064;
    static constexpr int kEditarId = 1065;
    static constexpr int kEliminarId = 1066;
    static constexpr int kSalirId = 1067;

    // Throws DbError when the taxes cannot be read.
    explicit CCatImpuestos(Database& db, QWidget* parent = nullptr);
    ~CCatImpuestos() override;

    // Runs the catalogue (after saying why, when it cannot be opened).
    static void Manage(Database& db, QWidget* parent = nullptr);

    CTolGrid* grid() const { return m_grid; }
    // Taxes listed (data rows of the grid).
    int taxCount() const;

    // The list commands on data row `row` (1-based); each does nothing without a valid row.
    void nuevo();
    void editar(int row);
    bool eliminar(int row);

    // The grid's owner.
    void tgmGetCellText(int gridId, TolGridCell& cell) override;
    bool tgmDeleteRows(int gridId, int first, int last) override;
    void tgmRowActivate(int gridId, int row) override;

    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void createControls();
    void requery(int keepRow = 0);
    bool validRow(int row) const;
    bool moveTo(int row);

    Database& m_db;
    std::unique_ptr<CImpuestosSet> m_set;
    CTolGrid* m_grid = nullptr;
};
