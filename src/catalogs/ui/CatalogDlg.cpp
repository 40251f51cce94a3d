#include "catalogs/ui/CatalogDlg.h"

#include "catalogs/ContainsPattern.h"
#include "db/DaoRecordset.h"
#include "db/ui/DbErrorMessage.h"
#include "toolkit/ui/TolButton.h"
#include "toolkit/ui/TolEdit.h"
#include "toolkit/ui/TolGrid.h"
#include "toolkit/ui/TolMessageDlg.h"

#include <QEvent>
#include <QLabel>

#include <algorithm>

CCatalogDlg::CCatalogDlg(QWidget* parent) : CTolDialog(parent) {}

int CCatalogDlg::recordCount() const {
    return records().IsOpen() ? static_cast<int>(records().GetRecordCount()) : 0;
}

bool CCatalogDlg::validRow(int row) const { return row >= 1 && row < m_grid->rowCount() && row <= recordCount(); }

bool CCatalogDlg::moveTo(int row) {
    if (!validRow(row))
        return false;
    records().SetAbsolutePosition(row - 1);
    return !records().IsEOF();
}

bool CCatalogDlg::tryMoveTo(int row) {
    try {
        return moveTo(row);
    } catch (const std::exception& e) {
        showError(e);
        return false;
    }
}

bool CCatalogDlg::moveToCell(TolGridCell& cell) {
    cell.text.clear();
    try {
        return moveTo(cell.row);
    } catch (const std::exception&) {
        // The row simply shows empty.
        return false;
    }
}

void CCatalogDlg::showError(const std::exception& e) { ShowDbError(e); }

void CCatalogDlg::requery(int keepRow) {
    try {
        if (records().IsOpen())
            records().Requery();
        else
            records().Open(OpenType::Dynaset);
    } catch (const std::exception& e) {
        showError(e);
    }
    const int count = recordCount();
    m_grid->setRowCount(count);
    // After an edit or a deletion the highlight stays where the operator was.
    if (keepRow > 1 && count > 0)
        m_grid->setCurrentCell(1, std::min(keepRow, count));
    m_grid->viewport()->update();
}

void CCatalogDlg::createSearchBox(const std::string& column, int maxLength, const QString& toolTip) {
    m_searchColumn = column;
    auto* label = new QLabel(QStringLiteral("Buscar:"), this);
    label->setGeometry(dialogRect(7, 9, 30, 9));
    m_buscar = new CTolEdit(this);
    setId(m_buscar, kBuscarId);
    m_buscar->setGeometry(dialogRect(38, 7, 200, 12));
    m_buscar->setMaxLength(maxLength);
    m_buscar->setToolTip(toolTip);
    // Leaving the box applies the text, whether or not Qt counts the change as an edit (a text
    // put there by a paste or by code); applySearch() ignores a text already in force.
    connect(m_buscar, &QLineEdit::editingFinished, this, [this] { applySearch(m_buscar->text()); });
    m_buscar->installEventFilter(this);
}

bool CCatalogDlg::applySearch(const QString& text) {
    if (!m_buscar || text == m_search)
        return false;
    m_search = text;
    if (m_buscar->text() != text)
        m_buscar->setText(text);
    CDaoRecordset& set = records();
    if (text.isEmpty()) {
        set.m_strFilter.clear();
        set.m_filterParams.clear();
    } else {
        set.m_strFilter = "fold(" + m_searchColumn + ") LIKE ? ESCAPE '\\'";
        set.m_filterParams = {ContainsPattern(text.toStdString())};
    }
    requery();
    return true;
}

bool CCatalogDlg::eventFilter(QObject* watched, QEvent* event) {
    // Not once the list is closed: hiding the dialog takes the focus away too.
    if (watched == m_buscar && event->type() == QEvent::FocusOut && records().IsOpen())
        applySearch(m_buscar->text());
    return CTolDialog::eventFilter(watched, event);
}

void CCatalogDlg::showEvent(QShowEvent* event) {
    // Shown again after it closed its list (a dialog run twice): the list comes back.
    if (!records().IsOpen())
        requery();
    CTolDialog::showEvent(event);
}

bool CCatalogDlg::eliminar(int row) {
    if (!validRow(row))
        return false;
    if (TolMessage(QStringLiteral("¿Está seguro de eliminar el registro seleccionado?"), true) != 1)
        return false;
    try {
        if (!moveTo(row))
            return false;
        records().Delete();
    } catch (const std::exception& e) {
        showError(e);
        requery(row);
        return false;
    }
    requery(row);
    return true;
}

bool CCatalogDlg::seleccionar(int) { return false; }

CTolButton* CCatalogDlg::addListButton(int id, int x, int y) {
    QString text;
    switch (id) {
    case kNuevoId: text = QStringLiteral("Nuevo"); break;
    case kEditarId: text = QStringLiteral("Editar"); break;
    case kEliminarId: text = QStringLiteral("Eliminar"); break;
    case kSeleccionarId: text = QStringLiteral("Seleccionar"); break;
    default: text = QStringLiteral("Salir"); break;
    }
    auto* button = new CTolButton(text, this);
    setId(button, id);
    button->setGeometry(dialogRect(x, y, 52, 14));
    connect(button, &QPushButton::clicked, this, [this, id] {
        const int row = m_grid->currentRow();
        switch (id) {
        case kNuevoId: nuevo(); break;
        case kEditarId: editar(row); break;
        case kEliminarId: eliminar(row); break;
        case kSeleccionarId: seleccionar(row); break;
        default: reject(); break;
        }
    });
    return button;
}

bool CCatalogDlg::tgmDeleteRows(int, int first, int) {
    // One record at a time, with the question; eliminar() sets the list up again.
    eliminar(first);
    return false;
}

void CCatalogDlg::closeList() {
    records().Close();
    m_grid->setRowCount(0);
}

void CCatalogDlg::reject() {
    closeList();
    CTolDialog::reject();
}
