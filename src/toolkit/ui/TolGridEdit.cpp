#include "toolkit/ui/TolGrid.h"

#include "toolkit/ui/DropCell.h"
#include "toolkit/ui/EditCell.h"

#include <QApplication>
#include <QFocusEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>

namespace {

bool isTypedText(const QString& text) {
    if (text.isEmpty())
        return false;
    const QChar c = text.at(0);
    return c.unicode() >= 32 && c.unicode() != 127 && (c.isPrint() || c.isHighSurrogate());
}

} // namespace

// ---- in-place editors ----------------------------------------------------------------------------

CEditCell* CTolGrid::editCell() {
    if (!m_edit) {
        m_edit = new CEditCell(viewport());
        adoptEditor(m_edit);
        connect(m_edit, &CEditCell::editKey, this, [this](int key) { endEdit(key); });
        connect(m_edit, &CEditCell::editLost, this, &CTolGrid::editorLost);
    }
    return m_edit;
}

CDropCell* CTolGrid::dropCell() {
    if (!m_drop) {
        m_drop = new CDropCell(viewport());
        adoptEditor(m_drop);
        connect(m_drop, &CDropCell::editKey, this, [this](int key) { endEdit(key); });
        connect(m_drop, &CDropCell::editLost, this, &CTolGrid::editorLost);
    }
    return m_drop;
}

void CTolGrid::adoptEditor(QWidget* editor) {
    editor->setFont(m_cellFont);
    editor->hide();
    // A widget created late joins the end of the window's tab chain; the editor's place is just
    // after its grid, where Tab leaves it for the grid's next control.
    QWidget* before = this;
    if (editor == m_drop && m_edit)
        before = m_edit;
    QWidget::setTabOrder(before, editor);
}

void CTolGrid::editorLost() {
    if (isEditing())
        endEdit(Qt::Key_Return);
    viewport()->update();
}

void CTolGrid::goToCellAndEnter(int column, int row, const QString& text, int key) {
    cancelEdit();
    m_curCol = std::clamp(column, 1, lastColumn());
    m_curRow = std::clamp(row, 1, std::max(1, m_rowCount));
    syncHighlight();
    postRowChanged(m_curRow);
    if (!validColumn(m_curCol))
        return;
    m_savedText = cellText(m_curCol, m_curRow);
    editCell()->setText(text);
    m_editCol = m_curCol;
    m_editRow = m_curRow;
    m_editing = Editing::Text;
    endEdit(key);
}

void CTolGrid::processKey(int key) {
    if (const int k = keyFilter(key))
        keyHandler(k, true);
}

void CTolGrid::commitEdit() {
    if (isEditing())
        endEdit(Qt::Key_Return);
}

void CTolGrid::cancelEdit() {
    if (!isEditing())
        return;
    m_editing = Editing::None;
    hideEditors();
    viewport()->update();
}

// ---- keys ---------------------------------------------------------------------------------------

void CTolGrid::commitHook(TolGridCell&, int&) {}

int CTolGrid::keyFilter(int key) { return key; }

bool CTolGrid::keyHandler(int key, bool filtered) {
    if (!filtered) {
        key = keyFilter(key);
        if (key == 0)
            return true;
    }
    return m_rowSelect ? rowSelectKey(key) : editingKey(key);
}

bool CTolGrid::editingKey(int key) {
    const int page = std::max(1, visibleRows());
    switch (key) {
    case Qt::Key_Delete:
        deleteKey();
        return true;
    case Qt::Key_Return:
        if (m_curCol >= lastColumn())
            moveTo(1, m_curRow + 1);
        else
            moveTo(m_curCol + 1, m_curRow);
        return true;
    case Qt::Key_PageUp: moveTo(m_curCol, m_curRow - page); return true;
    case Qt::Key_PageDown: moveTo(m_curCol, m_curRow + page); return true;
    case Qt::Key_End: moveTo(1, m_rowCount); return true;
    case Qt::Key_Home: moveTo(1, 1); return true;
    case Qt::Key_Left: moveTo(m_curCol - 1, m_curRow); return true;
    case Qt::Key_Right: moveTo(m_curCol + 1, m_curRow); return true;
    case Qt::Key_Up: moveTo(m_curCol, m_curRow - 1); return true;
    case Qt::Key_Down: moveTo(m_curCol, m_curRow + 1); return true;
    case Qt::Key_F2: startEdit(QString()); return true;
    case KeyNextRow: moveTo(1, m_curRow + 1); return true;
    default:
        return false;
    }
}

bool CTolGrid::rowSelectKey(int key) {
    const int page = std::max(1, visibleRows());
    const int row = m_curRow;
    switch (key) {
    case Qt::Key_Delete:
        deleteKey();
        return true;
    case Qt::Key_Return:
        if (isDataRow(m_selFirst))
            postRowActivate(m_selFirst);
        return true;
    case Qt::Key_PageUp: moveTo(m_curCol, row - page); return true;
    case Qt::Key_PageDown: moveTo(m_curCol, row + page); return true;
    case Qt::Key_End: moveTo(m_curCol, m_rowCount - 1); return true;
    case Qt::Key_Home: moveTo(m_curCol, 1); return true;
    case Qt::Key_Up: moveTo(m_curCol, row - 1); return true;
    case Qt::Key_Down: moveTo(m_curCol, row + 1); return true;
    default:
        return false;
    }
}

void CTolGrid::deleteKey() {
    if (m_readOnly)
        return;
    if (hasSelection()) {
        if (m_noDelete)
            return;
        const int first = std::max(1, selectionFirst());
        const int last = std::min(selectionLast(), m_rowCount - 1);
        if (first > last)
            return;
        if (m_owner && m_owner->tgmDeleteRows(m_id, first, last))
            m_rowCount = std::max(1, m_rowCount - (last - first + 1));
        m_selFirst = m_selLast = 0;
        clearAppendTexts();
        // The current row may now be past the end.
        if (m_curRow > lastNavigableRow()) {
            m_curRow = lastNavigableRow();
            postRowChanged(m_curRow);
        }
        m_firstRow = std::clamp(m_firstRow, 1, std::max(1, m_rowCount));
        syncHighlight();
        ensureVisible(m_curCol, m_curRow);
        updateScrollBars();
        viewport()->update();
        return;
    }
    if (!validColumn(m_curCol) || m_columns[m_curCol].readOnly)
        return;
    if (m_curRow == m_rowCount) {
        m_columns[m_curCol].appendText.clear();
    } else if (isDataRow(m_curRow) && m_owner) {
        m_owner->tgmSetCellText(m_id, TolGridCell{m_curRow, m_curCol, QString()});
    }
    viewport()->update();
}

void CTolGrid::keyPressEvent(QKeyEvent* event) {
    // Control or Alt combinations belong to the dialog; both together are AltGr on Windows, which
    // types characters ("@", "#") like any other key.
    const Qt::KeyboardModifiers mods = event->modifiers();
    const bool altGr = (mods & Qt::ControlModifier) && (mods & Qt::AltModifier);
    if ((mods & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) && !altGr) {
        event->ignore();
        return;
    }
    const int key = event->key() == Qt::Key_Enter ? int(Qt::Key_Return) : event->key();
    const int filtered = keyFilter(key);
    if (filtered == 0) {
        event->accept();
        return;
    }
    if (keyHandler(filtered, true)) {
        event->accept();
        return;
    }
    // A typed character starts editing with it as the new text.
    if (filtered == key && isTypedText(event->text()) && startEdit(event->text())) {
        event->accept();
        return;
    }
    event->ignore(); // Escape and the rest belong to the dialog
}

bool CTolGrid::event(QEvent* event) {
    switch (event->type()) {
    case QEvent::ShortcutOverride: {
        // The grid wants its keys before any shortcut of the dialog.
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
            break;
        switch (key->key()) {
        case Qt::Key_Delete: case Qt::Key_Return: case Qt::Key_Enter:
        case Qt::Key_PageUp: case Qt::Key_PageDown: case Qt::Key_Home: case Qt::Key_End:
        case Qt::Key_Up: case Qt::Key_Down:
            event->accept();
            return true;
        case Qt::Key_Left: case Qt::Key_Right: case Qt::Key_F2:
            if (!m_rowSelect) {
                event->accept();
                return true;
            }
            break;
        default:
            if (!m_rowSelect && !m_readOnly && isTypedText(key->text())) {
                event->accept();
                return true;
            }
        }
        break;
    }
    case QEvent::InputMethod: {
        // Composed characters (dead keys: ´ then a) start editing like a typed character.
        auto* im = static_cast<QInputMethodEvent*>(event);
        if (!im->commitString().isEmpty() && startEdit(im->commitString()))
            event->accept();
        return true;
    }
    default:
        break;
    }
    return QAbstractScrollArea::event(event);
}

// ---- editing -------------------------------------------------------------------------------------

bool CTolGrid::startEdit(const QString& typed) {
    if (m_readOnly || m_rowSelect || isEditing())
        return false;
    if (!validColumn(m_curCol) || m_curRow < 1 || m_curRow > m_rowCount)
        return false;
    const Column& column = m_columns[m_curCol];
    if (column.readOnly)
        return false;
    const bool appendRow = m_curRow == m_rowCount;
    if (appendRow && m_noNewRows) // nothing typed there could be kept
        return false;
    ensureVisible(m_curCol, m_curRow);
    const QRect r = cellRect(m_curCol, m_curRow);
    if (r.isEmpty() || !viewport()->rect().intersects(r))
        return false;

    if (column.dropDown) {
        m_savedText = cellText(m_curCol, m_curRow);
        CDropCell* drop = dropCell();
        drop->clear();
        QStringList items;
        if (m_owner)
            m_owner->tgmFillList(m_id, TolGridCell{m_curRow, m_curCol, m_savedText}, items);
        drop->addItems(items);
        drop->setCurrentIndex(drop->findText(m_savedText));
        drop->selectStartingWith(typed.trimmed());
        m_editCol = m_curCol;
        m_editRow = m_curRow;
        m_editing = Editing::List;
        drop->setGeometry(r);
        drop->show();
        drop->setFocus(Qt::OtherFocusReason);
        return true;
    }
    if (column.checkBox) {
        if (typed != QLatin1String(" "))
            return false;
        toggleCheck(m_curCol, m_curRow);
        return true;
    }

    m_savedText = cellText(m_curCol, m_curRow);
    CEditCell* edit = editCell();
    edit->setUpperCase(false);
    edit->setText(typed.isEmpty() ? m_savedText : typed);
    edit->setUpperCase(column.upperCase);
    edit->setQuickMode(!typed.isEmpty());
    edit->setAlignment(Qt::Alignment(textFlags(column.alignment) & Qt::AlignHorizontal_Mask) | Qt::AlignVCenter);
    edit->deselect();
    edit->end(false);
    m_editCol = m_curCol;
    m_editRow = m_curRow;
    m_editing = Editing::Text;
    edit->setGeometry(r);
    edit->show();
    edit->setFocus(Qt::OtherFocusReason);
    viewport()->update();
    return true;
}

void CTolGrid::toggleCheck(int column, int row) {
    TolGridCell cell{row, column, cellText(column, row).isEmpty() ? QStringLiteral("T") : QString()};
    if (row == m_rowCount) {
        if (m_noNewRows)
            return;
        m_columns[column].appendText = cell.text;
        // The owner keeps the new row's values too, as for a typed append-row text.
        if (m_owner)
            m_owner->tgmNewRowText(m_id, cell);
    } else if (isDataRow(row) && m_owner) {
        m_owner->tgmSetCellText(m_id, cell);
    }
    viewport()->update();
}

void CTolGrid::hideEditors() {
    // Give the focus back before hiding, or Qt hands it to the next control of the dialog.
    const QWidget* focus = QApplication::focusWidget();
    if (focus && ((m_edit && focus == m_edit) || (m_drop && (focus == m_drop || m_drop->isAncestorOf(focus)))))
        setFocus(Qt::OtherFocusReason);
    if (m_drop) {
        m_drop->hidePopup();
        m_drop->hide();
    }
    if (m_edit)
        m_edit->hide();
}

void CTolGrid::endEdit(int key) {
    if (!isEditing())
        return;
    const Editing kind = m_editing;
    m_editing = Editing::None; // first: hiding the editor moves the focus, which ends edits
    const int column = m_editCol;
    const int row = m_editRow;
    if (key == Qt::Key_Escape) {
        if (kind == Editing::Text)
            editCell()->setText(m_savedText);
        hideEditors();
        viewport()->update();
        return;
    }

    TolGridCell cell{row, column, kind == Editing::Text ? editCell()->text() : dropCell()->currentText()};
    hideEditors();
    const bool appendRow = row == m_rowCount;
    commitHook(cell, key);
    if (validColumn(column)) {
        if (!appendRow) {
            if (isDataRow(row) && m_owner)
                m_owner->tgmSetCellText(m_id, cell);
        } else if (!m_noNewRows) {
            m_columns[column].appendText = cell.text;
            if (m_owner)
                m_owner->tgmNewRowText(m_id, cell);
        }
    }
    viewport()->update();
    if (key == 0)
        return;

    // Navigation. Leaving the append row asks the owner to accept it; Down and the like cannot
    // move past the append row, so a key that pushes past it counts as leaving it.
    const int navColumn = m_curCol;
    const bool pushesPast = key == Qt::Key_Down || key == Qt::Key_PageDown || key == KeyNextRow ||
                            (key == Qt::Key_Return && navColumn >= lastColumn());
    keyHandler(key, false);
    const bool movedAway = m_curRow != row || pushesPast;
    if (appendRow && !m_noNewRows && movedAway && row == m_rowCount && m_owner && m_owner->tgmAppendRow(m_id)) {
        ++m_rowCount;
        clearAppendTexts();
        // Apply the key again from the edited cell, now a data row.
        m_curCol = navColumn;
        m_curRow = row;
        keyHandler(key, false);
        updateScrollBars();
    }
}

// ---- focus ---------------------------------------------------------------------------------------

void CTolGrid::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    if (m_curRow == 0 || m_curCol == 0) {
        m_curCol = 1;
        m_curRow = 1;
        syncHighlight();
        postRowChanged(1);
    }
    if (isEditing())
        endEdit(Qt::Key_Return);
    if (m_edit)
        m_edit->hide();
    if (m_drop)
        m_drop->hide();
    updateScrollBars();
    viewport()->update();
}

void CTolGrid::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}
