#pragma once

#include "catalogs/ui/ArticuloElegido.h"
#include "catalogs/ui/CatalogDlg.h"

#include <cstdint>
#include <memory>
#include <optional>

class CArticulosSet;
class Database;
struct ApplicationState;

// The articles catalogue ("Catálogo de Artículos"): the articles by description in a row-select
// list, narrowed by a search text (case and accents ignored), with new, edit and delete. As a
// picker ("Seleccionar", or Enter on a row) it ends with OK and the chosen article in picked();
// otherwise Enter on a row edits it. Saved documents keep their own copies of an article's key,
// description and price, so deleting it leaves them alone.
//
// The record set loads its keys once per search and the grid asks only for the rows it shows.
class CCatArticulos final : public CCatalogDlg {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CCatArticulos)
public:
    static constexpr int kDialogId = 147;

    // `pick` shows "Seleccionar" and makes Enter pick. New articles start with the state's default
    // tax. Throws DbError when the articles cannot be read.
    CCatArticulos(Database& db, const ApplicationState& state, bool pick = false, QWidget* parent = nullptr);
    ~CCatArticulos() override;

    // Runs the catalogue as a picker: the chosen article, or nothing when it was left with Salir or
    // Escape (or could not be opened, after saying why).
    static std::optional<ArticuloElegido> Choose(Database& db, const ApplicationState& state, QWidget* parent = nullptr);
    // Runs it to look after the articles only.
    static void Manage(Database& db, const ApplicationState& state, QWidget* parent = nullptr);

    const ArticuloElegido& picked() const { return m_picked; }
    bool isPicking() const { return m_pick; }

    // Articles listed (data rows of the grid).
    int articleCount() const { return recordCount(); }

    // The list commands (CCatalogDlg).
    void nuevo() override;
    void editar(int row) override;
    bool seleccionar(int row) override;

    // The grid's owner.
    void tgmGetCellText(int gridId, TolGridCell& cell) override;
    void tgmRowActivate(int gridId, int row) override;

protected:
    CDaoRecordset& records() const override;

private:
    void createControls();

    Database& m_db;
    std::int32_t m_defaultTax;
    std::unique_ptr<CArticulosSet> m_set;
    bool m_pick;
    ArticuloElegido m_picked;
};
