#include "catalogs/ui/CatImpuestos.h"

#include "catalogs/ui/AddEditImpuestos.h"
#include "db/DbError.h"
#include "db/ImpuestosSet.h"
#include "toolkit/ui/TolButton.h"
#include "toolkit/ui/TolGrid.h"
#include "toolkit/ui/TolMessageDlg.h"

#include <QPushButton>

CCatImpuestos::CCatImpuestos(Database& db, QWidget* parent)
    : CTolDialog(parent), m_db(db), m_set(std::make_unique<CImpuestosSet>(db)) {
    setWindowTitle(QStringLiteral("Catálogo de Impuestos"));
    setWindowFlags(Qt::Dialog | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setModal(true);
    createControls();
    m_set->m_strSort = "Nombre COLLATE ES, Id_Impuesto";
    m_set->Open(OpenType::Dynaset);
    m_grid->setRowCount(taxCount());
    m_grid->setFocus();
}

CCatImpuestos::~CCatImpuestos() = default;

void CCatImpuestos::Manage(Database& db, QWidget* parent) {
    try {
        CCatImpuestos dialog(db, parent);
        dialog.exec();
    } catch (const std::exception& e) {
        TolMessage(QString::fromStdString(e.what()));
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

    struct ButtonDef {
        int id;
        const char* text;
    };
    const ButtonDef buttons[] = {{kNuevoId, "Nuevo"}, {kEditarId, "Editar"}, {kEliminarId, "Eliminar"}, {kSalirId, "Salir"}};
    int x = 47;
    for (const ButtonDef& def : buttons) {
        auto* b = new CTolButton(QString::fromUtf8(def.text), this);
        setId(b, def.id);
        b->setGeometry(dialogRect(x, 175, 52, 14));
        x += 56;
        const int id = def.id;
        connect(b, &QPushButton::clicked, this, [this, id] {
            const int row = m_grid->currentRow();
            switch (id) {
            case kNuevoId: nuevo(); break;
            case kEditarId: editar(row); break;
            case kEliminarId: eliminar(row); break;
            default: reject(); break;
            }
        });
    }
}

int CCatImpuestos::taxCount() const { return m_set->IsOpen() ? static_cast<int>(m_set->GetRecordCount()) : 0; }

bool CCatImpuestos::validRow(int row) const { return row >= 1 && row < m_grid->rowCount() && row <= taxCount(); }

bool CCatImpuestos::moveTo(int row) {
    if (!validRow(row))
        return false;
    m_set->SetAbsolutePosition(row - 1);
    return !m_set->IsEOF();
}

void CCatImpuestos::requery(int keepRow) {
    try {
        if (m_set->IsOpen())
            m_set->Requery();
        else
            m_set->Open(OpenType::Dynaset);
    } catch (const std::exception& e) {
        TolMessage(QString::fromStdString(e.what()));
    }
    const int count = taxCount();
    m_grid->setRowCount(count);
    if (keepRow > 1 && count > 0)
        m_grid->setCurrentCell(1, std::min(keepRow, count));
    m_grid->viewport()->update();
}

void CCatImpuestos::showEvent(QShowEvent* event) {
    // Shown again after it closed its list: the list comes back.
    if (!m_set->IsOpen())
        requery();
    CTolDialog::showEvent(event);
}

void CCatImpuestos::nuevo() {
    CAddEditImpuestos editor(m_db, 0, this);
    editor.exec();
    requery();
}

void CCatImpuestos::editar(int row) {
    std::int32_t id = 0;
    try {
        if (!moveTo(row))
            return;
        id = m_set->m_Id_Impuesto;
    } catch (const std::exception& e) {
        TolMessage(QString::fromStdString(e.what()));
        return;
    }
    CAddEditImpuestos editor(m_db, id, this);
    editor.exec();
    requery(row);
}

bool CCatImpuestos::eliminar(int row) {
    if (!validRow(row))
        return false;
    if (TolMessage(QStringLiteral("¿Está seguro de eliminar el registro seleccionado?"), true) != 1)
        return false;
    try {
        if (!moveTo(row))
            return false;
        // Articles that use the tax keep its id; it then finds no tax and counts as rate 0.
        m_set->Delete();
    } catch (const std::exception& e) {
        TolMessage(QString::fromStdString(e.what()));
        requery(row);
        return false;
    }
    requery(row);
    return true;
}

void CCatImpuestos::reject() {
    m_set->Close();
    m_grid->setRowCount(0);
    CTolDialog::reject();
}

void CCatImpuestos::tgmGetCellText(int, TolGridCell& cell) {
    cell.text.clear();
    try {
        if (!moveTo(cell.row))
            return;
    } catch (const std::exception&) {
        // A paint never throws; the row simply shows empty.
        return;
    }
    switch (cell.column) {
    case 1: cell.text = QString::fromStdString(m_set->m_Nombre); break;
    case 2: cell.text = QString::asprintf("%.2f", m_set->m_Porcentaje); break;
    case 3: cell.text = m_set->m_Retencion ? QStringLiteral("T") : QString(); break;
    default: break;
    }
}

bool CCatImpuestos::tgmDeleteRows(int, int first, int) {
    // One tax at a time, with the question; eliminar() sets the list up again.
    eliminar(first);
    return false;
}

void CCatImpuestos::tgmRowActivate(int, int row) { editar(row); }
