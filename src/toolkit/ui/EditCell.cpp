#include "toolkit/ui/EditCell.h"

#include <QFocusEvent>
#include <QKeyEvent>

#include <algorithm>

CEditCell::CEditCell(QWidget* parent) : QLineEdit(parent) {
    setObjectName(QString::number(kId));
    setFrame(false);
    connect(this, &QLineEdit::textEdited, this, [this] {
        if (m_upper)
            forceUpper();
    });
}

void CEditCell::setUpperCase(bool upper) {
    m_upper = upper;
    if (m_upper)
        forceUpper();
}

void CEditCell::forceUpper() {
    const QString upper = text().toUpper();
    if (upper == text())
        return;
    // toUpper can change the length ("ß" -> "SS"); keep the caret at the same distance from the end.
    const int fromEnd = text().size() - cursorPosition();
    setText(upper);
    setCursorPosition(std::max(0, int(upper.size()) - fromEnd));
}

static int normalisedKey(const QKeyEvent* event) {
    // The keypad's Enter is the same key to the grid and its owner.
    return event->key() == Qt::Key_Enter ? int(Qt::Key_Return) : event->key();
}

bool CEditCell::endsEdit(int key) const {
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Escape:
    case Qt::Key_Up:
    case Qt::Key_Down:
        return true;
    case Qt::Key_Left:
    case Qt::Key_Right:
        return m_quick;
    default:
        return key >= Qt::Key_F2 && key <= Qt::Key_F24;
    }
}

bool CEditCell::event(QEvent* event) {
    // The keys that end the edit are ours before any shortcut of the dialog sees them.
    if (event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (endsEdit(normalisedKey(key))) {
            event->accept();
            return true;
        }
    }
    return QLineEdit::event(event);
}

void CEditCell::keyPressEvent(QKeyEvent* event) {
    const int key = normalisedKey(event);
    if (endsEdit(key)) {
        event->accept();
        Q_EMIT editKey(key);
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void CEditCell::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    // A context menu or the window going to the background is not the operator leaving the cell.
    if (event->reason() != Qt::PopupFocusReason && event->reason() != Qt::ActiveWindowFocusReason)
        Q_EMIT editLost();
}
