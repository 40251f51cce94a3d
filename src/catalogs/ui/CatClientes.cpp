#include "catalogs/ui/CatClientes.h"

#include "catalogs/ui/AddEditCliente.h"
#include "db/ClientesSet.h"
#include "db/Database.h"
#include "db/DbError.h"
#include "db/KeysetPager.h"
#include "db/ui/DbErrorMessage.h"
#include "toolkit/ui/TolGrid.h"
#include "toolkit/ui/TolMessageDlg.h"


namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

} // namespace

CCatClientes::CCatClientes(Database& db, bool pick, QWidget* parent)
    : CCatalogDlg(QStringLiteral("Catálogo de Clientes"), parent), m_db(db), m_set(std::make_unique<CClientesSet>(db)),
      m_pick(pick) {
    createControls();
    // Spanish order: "Núñez" between "Nuno" and "Nuza", accents and case aside.
    openList("Clientes", {{"Nombre", true}}, "Id_Cliente");
    control(kBuscarId)->setFocus();
}

CCatClientes::~CCatClientes() = default;

void CCatClientes::createControls() {
    setClientSize(dialogSize(346, 232));
    createSearchBox("Nombre", 100, QStringLiteral("Parte del nombre del cliente"));

    // Created right after the search box, so Tab and Enter go from one to the other.
    m_grid = new CTolGrid(this, kGridId, this, false);
    m_grid->setGeometry(dialogRect(7, 24, 332, 182));
    m_grid->setColumnCount(3);
    m_grid->setColumn(1, QStringLiteral("Cliente"), 300, true);
    m_grid->setColumn(2, QStringLiteral("Teléfono"), 120, true);
    m_grid->setColumn(3, QStringLiteral("RFC"), 120, true);
    m_grid->setRowSelect(true);
    m_grid->setNewRows(false);

    int x = 59;
    for (int id : {kNuevoId, kEditarId, kEliminarId, kSeleccionarId, kSalirId}) {
        addListButton(id, x, 212);
        x += 56;
    }
    control(kSeleccionarId)->setVisible(m_pick);
}

std::optional<ClienteElegido> CCatClientes::Choose(Database& db, QWidget* parent) {
    try {
        CCatClientes dialog(db, true, parent);
        if (dialog.exec() == QDialog::Accepted)
            return dialog.picked();
    } catch (const std::exception& e) {
        ShowDbError(e);
    }
    return std::nullopt;
}

CDaoRecordset& CCatClientes::records() const { return *m_set; }

void CCatClientes::nuevo() {
    CAddEditCliente editor(m_db, 0, this);
    editor.exec();
    if (editor.savedCount() > 0)
        requery();
}

void CCatClientes::editar(int row) {
    if (!tryMoveTo(row))
        return;
    CAddEditCliente editor(m_db, m_set->m_Id_Cliente, this);
    editor.exec();
    requery(row);
}

bool CCatClientes::seleccionar(int row) {
    if (!m_pick || !tryMoveTo(row))
        return false;
    m_picked.idCliente = m_set->m_Id_Cliente;
    m_picked.nombre = q(m_set->m_Nombre);
    m_picked.dom1 = q(m_set->m_Dom1);
    m_picked.dom2 = q(m_set->m_Dom2);
    m_picked.dom3 = q(m_set->m_Dom3);
    m_picked.rfc = q(m_set->m_RFC);
    m_picked.telefono = q(m_set->m_Telefono);
    closeList();
    accept();
    return true;
}

void CCatClientes::tgmGetCellText(int, TolGridCell& cell) {
    if (!moveToCell(cell))
        return;
    switch (cell.column) {
    case 1: cell.text = q(m_set->m_Nombre); break;
    case 2: cell.text = q(m_set->m_Telefono); break;
    case 3: cell.text = q(m_set->m_RFC); break;
    default: break;
    }
}

void CCatClientes::tgmRowActivate(int, int row) { seleccionar(row); }
