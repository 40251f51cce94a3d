#include "toolkit/ui/TolPopupDlg.h"

#include "toolkit/ui/TolMenuWnd.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>

#include <algorithm>

CTolPopupDlg::CTolPopupDlg(const QStringList& items, QWidget* parent)
    : CTolDialog(parent), m_menu(new CTolMenuWnd(items, this)) {
    setWindowFlags(Qt::Popup | Qt::FramelessWindowHint);
    setDrawnFrame(false);
    setMouseTracking(true);
    setFixedSize(m_menu->size());
    m_menu->move(0, 0);
    m_menu->setFocus();
    connect(m_menu, &CTolMenuWnd::chosen, this, [this](int index) {
        m_chosen = index;
        accept();
    });
    connect(m_menu, &CTolMenuWnd::dismissed, this, [this] {
        m_chosen = -1;
        reject();
    });
}

QPoint CTolPopupDlg::placement(const QRect& anchor, const QSize& size, const QRect& screen) {
    int x = anchor.left();
    int y = anchor.bottom() + 1;
    if (y + size.height() > screen.bottom() + 1 - kBottomMargin)
        y = anchor.top() - size.height();
    if (x + size.width() > screen.right() + 1)
        x = anchor.left() - size.width();
    // A list larger than the room on either side still starts on the screen.
    return QPoint(std::max(x, screen.left()), std::max(y, screen.top()));
}

void CTolPopupDlg::placeAgainst(const QRect& anchor) {
    const QScreen* screen = QGuiApplication::screenAt(anchor.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect(anchor.topLeft(), size());
    move(placement(anchor, size(), area));
}

void CTolPopupDlg::mouseMoveEvent(QMouseEvent* event) {
    // The popup sees the pointer outside its item window while it holds the mouse.
    m_menu->trackPointer(m_menu->mapFrom(this, event->position().toPoint()));
}

int CTolPopupDlg::choose(const QStringList& items, const QRect& anchor, QWidget* parent) {
    if (items.isEmpty())
        return -1;
    CTolPopupDlg popup(items, parent);
    popup.placeAgainst(anchor);
    popup.exec();
    return popup.chosen();
}
