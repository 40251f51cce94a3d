#include "toolkit/ui/TolDialog.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QWindow>

CTolDialog::CTolDialog(QWidget* parent) : QDialog(parent) {}

QWidget* CTolDialog::control(int id) const { return findChild<QWidget*>(QString::number(id)); }

void CTolDialog::setId(QWidget* widget, int id) { widget->setObjectName(QString::number(id)); }

void CTolDialog::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        focusNextChild();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CTolDialog::mousePressEvent(QMouseEvent* event) {
    if (!m_dragAnywhere || event->button() != Qt::LeftButton) {
        QDialog::mousePressEvent(event);
        return;
    }
    // The window manager moves the window when it can; without one we move it ourselves.
    m_manualDrag = !(windowHandle() && windowHandle()->startSystemMove());
    m_dragOffset = event->globalPosition().toPoint() - frameGeometry().topLeft();
}

void CTolDialog::mouseMoveEvent(QMouseEvent* event) {
    if (m_dragAnywhere && m_manualDrag && (event->buttons() & Qt::LeftButton)) {
        move(event->globalPosition().toPoint() - m_dragOffset);
        return;
    }
    QDialog::mouseMoveEvent(event);
}
