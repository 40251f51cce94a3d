#include "toolkit/ui/DropCell.h"

#include <QFocusEvent>
#include <QKeyEvent>

namespace {

int endingKey(const QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return Qt::Key_Return;
    case Qt::Key_Escape:
    case Qt::Key_Left:
    case Qt::Key_Right:
        return event->key();
    default:
        return 0;
    }
}

} // namespace

CDropCell::CDropCell(QWidget* parent) : QComboBox(parent) {
    setObjectName(QString::number(kId));
    setEditable(false);
    // About 100 pixels of list below the cell.
    setMaxVisibleItems(6);
}

bool CDropCell::selectStartingWith(const QString& prefix) {
    if (prefix.isEmpty())
        return false;
    for (int i = 0; i < count(); ++i) {
        if (itemText(i).startsWith(prefix, Qt::CaseInsensitive)) {
            setCurrentIndex(i);
            return true;
        }
    }
    return false;
}

bool CDropCell::event(QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride && endingKey(static_cast<QKeyEvent*>(event))) {
        event->accept();
        return true;
    }
    return QComboBox::event(event);
}

void CDropCell::keyPressEvent(QKeyEvent* event) {
    if (const int key = endingKey(event)) {
        event->accept();
        Q_EMIT editKey(key);
        return;
    }
    QComboBox::keyPressEvent(event);
}

void CDropCell::focusOutEvent(QFocusEvent* event) {
    QComboBox::focusOutEvent(event);
    // Opening its own list moves the focus to the popup: that is still editing.
    if (event->reason() != Qt::PopupFocusReason && event->reason() != Qt::ActiveWindowFocusReason)
        Q_EMIT editLost();
}
