#include "catalogs/ui/CatalogDlg.h"

#include "catalogs/ContainsPattern.h"
#include "db/CatalogOrder.h"
#include "db/DaoRecordset.h"
#include "db/Database.h"
#include "db/ui/DbErrorMessage.h"
#include "db/ui/KeysetList.h"
#include "toolkit/ui/TolButton.h"
#include "toolkit/ui/TolEdit.h"
#include "toolkit/ui/TolGrid.h"
#include "toolkit/ui/TolMessageDlg.h"

#include <QEvent>
#include <QLabel>

#include <algorithm>

CCatalogDlg::CCatalogDlg(const QString& title, QWidget* parent) : CTolDialog(parent) {
    setWindowTitle(title);
    setWindowFlags(Qt::Dialog | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setModal(true);
}

CCatalogDlg::~CCatalogDlg() = default;

bool CCatalogDlg::isListOpen() const { return m_list && m_list->isOpen(); }

int CCatalogDlg::recordCount() const { return isListOpen() ? m_list->listed() : 0; }

void CCatalogDlg::settleCount() {
    if (!isListOpen())
        return;
    try {
        m_list->settleCount();
    } catch (const std::exception& e) {
        showError(e);
    }
}

void CCatalogDlg::openList(const std::string& table, std::vector<KeysetOrder> order, const std::string& keyColumn) {
    m_list = std::make_unique<CKeysetList>(records().database(), m_grid);
    KeysetSource source;
    source.table = table;
    source.columns = records().FieldNames();
    m_order = std::move(order);
    source.keyColumn = keyColumn;
    m_list->open(currentSource(source));
}

KeysetSource CCatalogDlg::currentSource(KeysetSource source) const {
    // A name ordered the Spanish way reads from its sort key's index where the database has one.
    source.order = m_order;
    if (m_order.size() == 1 && m_order.front().spanish)
        source.order = CatalogOrder::listOrder(records().database(), source.table, m_order.front().column);
    return source;
}

bool CCatalogDlg::validRow(int row) const { return row >= 1 && row < m_grid->rowCount() && row <= recordCount(); }

bool CCatalogDlg::moveTo(int row) {
    if (!validRow(row) || !m_list)
        return false;
    const KeysetRow* found = m_list->rowOrThrow(row);
    if (!found)
        return false;
    records().LoadFields(m_list->columns(), *found);
    return true;
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
    if (!m_list)
        return;
    // After an edit or a deletion the highlight stays where the operator was.
    try {
        m_list->open(currentSource(m_list->source()), keepRow);
    } catch (const std::exception& e) {
        m_grid->setRowCount(0);
        showError(e);
    }
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
    if (!m_list)
        return true;
    KeysetSource source = currentSource(m_list->source());
    if (text.isEmpty()) {
        source.filter.clear();
        source.params.clear();
    } else {
        source.filter = "fold(" + m_searchColumn + ") LIKE ? ESCAPE '\\'";
        source.params = {ContainsPattern(text.toStdString())};
    }
    try {
        m_list->open(std::move(source));
    } catch (const std::exception& e) {
        m_grid->setRowCount(0);
        showError(e);
    }
    return true;
}

bool CCatalogDlg::eventFilter(QObject* watched, QEvent* event) {
    // Not once the list is closed: hiding the dialog takes the focus away too.
    if (watched == m_buscar && event->type() == QEvent::FocusOut && isListOpen())
        applySearch(m_buscar->text());
    return CTolDialog::eventFilter(watched, event);
}

void CCatalogDlg::showEvent(QShowEvent* event) {
    // Shown again after it closed its list (a dialog run twice): the list comes back.
    if (m_list && !m_list->isOpen())
        requery();
    CTolDialog::showEvent(event);
}

bool CCatalogDlg::eliminar(int row) {
    if (!validRow(row))
        return false;
    if (TolMessage(QStringLiteral("¿Está seguro de eliminar el registro seleccionado?"), true) != 1)
        return false;
    try {
        const KeysetRow* found = validRow(row) ? m_list->rowOrThrow(row) : nullptr;
        if (!found)
            return false;
        // By its identifier: a row another station deleted meanwhile is simply gone.
        const KeysetSource& source = m_list->source();
        records().database().execute(
            "DELETE FROM \"" + source.table + "\" WHERE \"" + source.keyColumn + "\" = ?", {m_list->key(*found)});
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
    if (m_list)
        m_list->close();
    m_grid->setRowCount(0);
}

void CCatalogDlg::reject() {
    closeList();
    CTolDialog::reject();
}
