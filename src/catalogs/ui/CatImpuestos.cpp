#include "catalogs/ui/CatImpuestos.h"

#include "catalogs/ui/AddEditImpuestos.h"
#include "db/DbError.h"
#include "db/ImpuestosSet.h"
#include "db/KeysetPager.h"
#include "toolkit/ui/TolGrid.h"


CCatImpuestos::CCatImpuestos(Database& db, QWidget* parent)
    : CCatalogDlg(QStringLiteral("Catálogo de Impuestos"), parent), m_db(db),
      m_set(std::make_unique<CImpuestosSet>(db)) {
    createControls();
    openList("Impuestos", {{"Nombre", true}}, "Id_Impuesto");
    m_grid->setFocus();
}

CCatImpuestos::~CCatImpuestos() = default;

void CCatImpuestos::Manage(Database& db, QWidget* parent) {
    try {
        CCatImpuestos dialog(db, parent);
        dialog.exec();
    } catch (const std::exception& e) {
        showError(e);
    }
}

void CCatImpuestos::createControls() {
    setClientSize(dialogSize(274, 196));
    m_grid = new CTolGrid(this, kGridId, this, false);
    // Wide enough for the three columns and the scroll bar.
    m_grid->setGeometry(dialogRect(7, 7, 260, 162));
    m_grid->setColumnCount(3);
    m_grid->setColumn(1, QStringLiteral("Impuesto"), 240, true);
    m_grid->setColumn(2, QStringLiteral("Porcentaje"), 100, true, CTolGrid::AlignRight);
    m_grid->setColumn(3, QStringLiteral("Retención"), 80, true, CTolGrid::AlignCenter);
    m_grid->setColumnCheckBox(3, true);
    m_grid->setRowSelect(true);
    m_grid->setNewRows(false);

    int x = 47;
    for (int id : {kNuevoId, kEditarId, kEliminarId, kSalirId}) {
        addListButton(id, x, 175);
        x += 56;
    }
}

CDaoRecordset& CCatImpuestos::records() const { return *m_set; }

void CCatImpuestos::nuevo() {
    CAddEditImpuestos editor(m_db, 0, this);
    editor.exec();
    requery();
}

void CCatImpuestos::editar(int row) {
    if (!tryMoveTo(row))
        return;
    CAddEditImpuestos editor(m_db, m_set->m_Id_Impuesto, this);
    editor.exec();
    requery(row);
}

void CCatImpuestos::tgmGetCellText(int, TolGridCell& cell) {
    if (!moveToCell(cell))
        return;
    switch (cell.column) {
    case 1: cell.text = QString::fromStdString(m_set->m_Nombre); break;
    case 2: cell.text = QString::asprintf("%.2f", m_set->m_Porcentaje); break;
    case 3: cell.text = m_set->m_Retencion ? QStringLiteral("T") : QString(); break;
    default: break;
    }
}

void CCatImpuestos::tgmRowActivate(int, int row) { editar(row); }
