#pragma once

#include "catalogs/ui/ClienteElegido.h"
#include "toolkit/ui/TolDialog.h"
#include "toolkit/ui/TolGridOwner.h"

#include <memory>
#include <optional>

class CClientesSet;
class CTolButton;
class CTolEdit;
class CTolGrid;
class Database;

// The customers catalogue ("Catálogo de Clientes"): the customers by name in a row-select list,
// narrowed by a search text (case and accents ignored: "perez" finds "Pérez"), with new, edit,
// delete and pick. As a picker it ends with OK and the chosen customer in picked().
//
// The list keeps one record set whose keys are loaded once per search; the grid asks only for the
// rows it shows, so ten thousand customers open and scroll at once.
class CCatClientes final : public CTolDialog, public ITolGridOwner {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CCatClientes)
public:
    static constexpr int kDialogId = 150;
    static constexpr int kBuscarId = 1076;
    static constexpr int kGridId = 1063;
    static constexpr int kNuevoId = 1064;
    static constexpr int kEditarId = 1065;
    static constexpr int kEliminarId = 1066;
    static constexpr int kSeleccionarId = 1075;
    static constexpr int kSalirId = 1067;

    // `pick` shows "Seleccionar" (every caller wants it). Throws DbError when the customers cannot
    // be read.
    CCatClientes(Database& db, bool pick = true, QWidget* parent = nullptr);
    ~CCatClientes() override;

    // Runs the catalogue as a picker: the chosen customer, or nothing when it was left with Salir or
    // Escape (or could not be opened, after saying why).
    static std::optional<ClienteElegido> Choose(Database& db, QWidget* parent = nullptr);

    // The customer picked, valid after the dialog ended with OK.
    const ClienteElegido& picked() const { return m_picked; }

    CTolGrid* grid() const { return m_grid; }
    // Customers listed (data rows of the grid).
    int customerCount() const;
    // The search text in force.
    const QString& searchText() const { return m_search; }
    // Applies a search text, as leaving the "Buscar:" box does; an unchanged text does nothing.
    // Returns whether the list was queried again.
    bool applySearch(const QString& text);

    // The list commands on data row `row` (1-based); each does nothing without a valid row.
    void nuevo();
    void editar(int row);
    bool eliminar(int row);
    bool seleccionar(int row);

    // The grid's owner.
    void tgmGetCellText(int gridId, TolGridCell& cell) override;
    bool tgmDeleteRows(int gridId, int first, int last) override;
    void tgmRowActivate(int gridId, int row) override;

    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void createControls();
    void requery(int keepRow = 0);
    bool validRow(int row) const;
    // Moves the record set to data row `row`; false when the row is gone.
    bool moveTo(int row);
    void showError(const std::exception& e);

    Database& m_db;
    std::unique_ptr<CClientesSet> m_set;
    bool m_pick;
    QString m_search;
    ClienteElegido m_picked;
    CTolEdit* m_buscar = nullptr;
    CTolGrid* m_grid = nullptr;
    CTolButton* m_seleccionar = nullptr;
};
