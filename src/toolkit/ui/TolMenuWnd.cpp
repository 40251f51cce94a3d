#include "toolkit/ui/TolMenuWnd.h"

#include "toolkit/ui/TolColors.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

CTolMenuWnd::CTolMenuWnd(const QStringList& items, QWidget* parent)
    : QWidget(parent), m_items(items), m_rowHeight(QFontMetrics(itemFont()).height() + kRowPadding) {
    setFont(itemFont());
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    resize(listSize(items));
}

QFont CTolMenuWnd::itemFont() {
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(kTextPixelSize);
    return f;
}

QSize CTolMenuWnd::listSize(const QStringList& items) {
    const QFontMetrics fm(itemFont());
    int widest = 0;
    for (const QString& text : items)
        widest = std::max(widest, fm.horizontalAdvance(text));
    return QSize(widest + kExtraWidth, int(items.size()) * (fm.height() + kRowPadding) + kExtraHeight);
}

QRect CTolMenuWnd::itemRect(int index) const {
    if (index < 0 || index >= m_items.size())
        return {};
    return QRect(0, kExtraHeight / 2 + index * m_rowHeight, width(), m_rowHeight);
}

int CTolMenuWnd::itemAt(const QPoint& pos) const {
    if (pos.x() < 0 || pos.x() >= width() || pos.y() < kExtraHeight / 2)
        return -1;
    const int index = (pos.y() - kExtraHeight / 2) / m_rowHeight;
    return index < m_items.size() ? index : -1;
}

void CTolMenuWnd::setHot(int index) {
    if (index == m_hot)
        return;
    update(itemRect(m_hot));
    m_hot = index;
    update(itemRect(m_hot));
}

void CTolMenuWnd::trackPointer(const QPoint& pos) {
    if (rect().contains(pos)) {
        m_entered = true;
        setHot(itemAt(pos));
        return;
    }
    setHot(-1);
    // The pointer starts on the button, outside the list: only leaving after a visit dismisses.
    if (m_entered) {
        m_entered = false;
        Q_EMIT dismissed();
    }
}

void CTolMenuWnd::mouseMoveEvent(QMouseEvent* event) { trackPointer(event->position().toPoint()); }

void CTolMenuWnd::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    const int index = itemAt(event->position().toPoint());
    if (index >= 0)
        Q_EMIT chosen(index);
}

void CTolMenuWnd::leaveEvent(QEvent*) {
    // Leave also arrives when the mouse is grabbed elsewhere; only a pointer really outside counts.
    trackPointer(mapFromGlobal(QCursor::pos()));
}

void CTolMenuWnd::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Down:
        if (!m_items.isEmpty())
            setHot(m_hot < 0 ? 0 : (m_hot + 1) % int(m_items.size()));
        return;
    case Qt::Key_Up:
        if (!m_items.isEmpty())
            setHot(m_hot <= 0 ? int(m_items.size()) - 1 : m_hot - 1);
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        if (m_hot >= 0)
            Q_EMIT chosen(m_hot);
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void CTolMenuWnd::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), TolColors::listBack());
    p.setFont(itemFont());
    for (int i = 0; i < m_items.size(); ++i) {
        const QRect row = itemRect(i);
        const bool hot = i == m_hot;
        if (hot)
            p.fillRect(row.adjusted(2, 0, -2, 0), TolColors::listHot());
        p.setPen(hot ? TolColors::listHotText() : TolColors::listText());
        p.drawText(row.adjusted(kExtraWidth / 2, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                   m_items.at(i));
    }
    p.setPen(TolColors::frameDark());
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}
