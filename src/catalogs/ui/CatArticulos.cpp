#include "catalogs/ui/CatArticulos.h"

#include "catalogs/ui/AddEditArticulo.h"
#include "db/ArticulosSet.h"
#include "db/DbError.h"
#include "db/KeysetPager.h"
#include "invoice/MoneyText.h"
#include "platform/ApplicationState.h"
#include "toolkit/ui/TolButton.h"
#include "toolkit/ui/TolGrid.h"
#include "toolkit/ui/TolMessageDlg.h"


namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

} // namespace

CCatArticulos::CCatArticulos(Database& db, const ApplicationState& state, bool pick, QWidget* parent)
    : CCatalogDlg(QStringLiteral("Catálogo de Artículos"), parent), m_db(db), m_defaultTax(state.impuesto),
      m_set(std::make_unique<CArticulosSet>(db)), m_pick(pick) {
    createControls();
    openList("Articulos", {{"Descripcion", true}}, "Id_Articulo");
    control(kBuscarId)->setFocus();
}

CCatArticulos::~CCatArticulos() = default;

std::optional<ArticuloElegido> CCatArticulos::Choose(Database& db, const ApplicationState& state, QWidget* parent) {
    try {
        CCatArticulos dialog(db, state, true, parent);
        if (dialog.exec() == QDialog::Accepted)
            return dialog.picked();
    } catch (const std::exception& e) {
        showError(e);
    }
    return std::nullopt;
}

void CCatArticulos::Manage(Database& db, const ApplicationState& state, QWidget* parent) {
    try {
        CCatArticulos dialog(db, state, false, parent);
        dialog.exec();
    } catch (const std::exception& e) {
        showError(e);
    }
}

void CCatArticulos::createControls() {
    setClientSize(dialogSize(440, 232));
    createSearchBox("Descripcion", 80, QStringLiteral("Parte de la descripción del artículo"));

    // Created right after the search box, so Tab and Enter go from one to the other.
    m_grid = new CTolGrid(this, kGridId, this, true);
    m_grid->setGeometry(dialogRect(7, 24, 426, 182));
    m_grid->setColumnCount(5);
    m_grid->setColumn(1, QStringLiteral("Clave"), 100, true);
    m_grid->setColumn(2, QStringLiteral("Artículo"), 240, true);
    m_grid->setColumn(3, QStringLiteral("Precio"), 90, true, CTolGrid::AlignRight);
    m_grid->setColumn(4, QStringLiteral("Precio Neto"), 90, true, CTolGrid::AlignRight);
    m_grid->setColumn(5, QStringLiteral("Observaciones"), 240, true);
    m_grid->setRowSelect(true);
    m_grid->setNewRows(false);

    // Right-aligned; without "Seleccionar" the others close up.
    const int shown = m_pick ? 5 : 4;
    int x = 440 - 7 - (shown * 56 - 4);
    for (int id : {kNuevoId, kEditarId, kEliminarId, kSeleccionarId, kSalirId}) {
        CTolButton* b = addListButton(id, x, 212);
        if (id != kSeleccionarId || m_pick)
            x += 56;
        if (id == kSeleccionarId)
            b->setVisible(m_pick);
    }
}

CDaoRecordset& CCatArticulos::records() const { return *m_set; }

void CCatArticulos::nuevo() {
    CAddEditArticulo editor(m_db, 0, m_defaultTax, this);
    editor.exec();
    if (editor.savedCount() > 0)
        requery();
}

void CCatArticulos::editar(int row) {
    if (!tryMoveTo(row))
        return;
    CAddEditArticulo editor(m_db, m_set->m_Id_Articulo, m_defaultTax, this);
    editor.exec();
    requery(row);
}

bool CCatArticulos::seleccionar(int row) {
    if (!m_pick || !tryMoveTo(row))
        return false;
    m_picked.idArticulo = m_set->m_Id_Articulo;
    m_picked.clave = q(m_set->m_Clave);
    m_picked.descripcion = q(m_set->m_Descripcion);
    closeList();
    accept();
    return true;
}

void CCatArticulos::tgmGetCellText(int, TolGridCell& cell) {
    if (!moveToCell(cell))
        return;
    switch (cell.column) {
    case 1: cell.text = q(m_set->m_Clave); break;
    case 2: cell.text = q(m_set->m_Descripcion); break;
    case 3: cell.text = q(FormatMoney(m_set->m_Precio)); break;
    case 4: cell.text = q(FormatMoney(m_set->m_PrecioNeto)); break;
    case 5: cell.text = q(m_set->m_Observaciones); break;
    default: break;
    }
}

void CCatArticulos::tgmRowActivate(int, int row) {
    if (m_pick)
        seleccionar(row);
    else
        editar(row);
}
