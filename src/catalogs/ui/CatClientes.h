#pragma once

#include "catalogs/ui/CatalogDlg.h"
#include "catalogs/ui/ClienteElegido.h"

#include <memory>
#include <optional>

class CClientesSet;
class Database;

// The customers catalogue ("Catálogo de Clientes"): the customers by name in a row-select list,
// narrowed by a search text (case and accents ignored: "perez" finds "Pérez"), with new, edit,
// delete and pick. As a picker it ends with OK and the chosen customer in picked(). Deleting a
// customer leaves the documents alone: they keep the customer's name and address of their own.
//
// The list keeps one record set whose keys are loaded once per search; the grid asks only for the
// rows it shows, so ten thousand customers open and scroll at once.
class CCatClientes final : public CCatalogDlg {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CCatClientes)
public:
    static constexpr int kDialogId = 150;

    // `pick` shows "Seleccionar" (every caller wants it). Throws DbError when the customers cannot
    // be read.
    CCatClientes(Database& db, bool pick = true, QWidget* parent = nullptr);
    ~CCatClientes() override;

    // Runs the catalogue as a picker: the chosen customer, or nothing when it was left with Salir or
    // Escape (or could not be opened, after saying why).
    static std::optional<ClienteElegido> Choose(Database& db, QWidget* parent = nullptr);

    // The customer picked, valid after the dialog ended with OK.
    const ClienteElegido& picked() const { return m_picked; }

    // Customers listed (data rows of the grid).
    int customerCount() const { return recordCount(); }

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
    std::unique_ptr<CClientesSet> m_set;
    bool m_pick;
    ClienteElegido m_picked;
};
