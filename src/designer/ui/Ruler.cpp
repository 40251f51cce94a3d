#include "designer/ui/Ruler.h"

#include <QGraphicsView>
#include <QPainter>

#include <cmath>

CRuler::CRuler(Qt::Orientation orientation, QGraphicsView* view)
    : QWidget(view), m_orientation(orientation), m_view(view) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CRuler::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), QColor(240, 240, 236));
    p.setPen(QColor(110, 110, 110));
    const bool across = m_orientation == Qt::Horizontal;
    const QPoint viewportAt = mapFromGlobal(m_view->viewport()->mapToGlobal(QPoint(0, 0)));
    // Scene units are 0.1 mm; one millimetre on screen:
    const double mm = m_view->transform().m11() * 10;
    const int length = across ? width() : height();
    const double origin = across ? m_view->mapFromScene(QPointF(0, 0)).x() + viewportAt.x()
                                 : m_view->mapFromScene(QPointF(0, 0)).y() + viewportAt.y();
    // Marks at 1, 5 or 10 mm, whichever stands at least 4 pixels apart.
    const int step = mm >= 4 ? 1 : (mm * 5 >= 4 ? 5 : 10);
    QFont f = font();
    f.setPixelSize(9);
    p.setFont(f);
    const int first = static_cast<int>(std::floor(-origin / mm / step)) * step;
    for (int v = first;; v += step) {
        const double at = origin + v * mm;
        if (at > length)
            break;
        if (at < 0)
            continue;
        const int tick = v % 10 == 0 ? kThickness - 4 : (v % 5 == 0 ? 8 : 4);
        const int x = static_cast<int>(std::lround(at));
        if (across)
            p.drawLine(x, kThickness - tick, x, kThickness);
        else
            p.drawLine(kThickness - tick, x, kThickness, x);
        if (v % 10 == 0 && (mm * 10 >= 25 || v % 50 == 0)) {
            const QString label = QString::number(v);
            if (across)
                p.drawText(x + 2, 9, label);
            else
                p.drawText(1, x + 10, label);
        }
    }
    p.setPen(QColor(170, 170, 170));
    if (across)
        p.drawLine(0, height() - 1, width(), height() - 1);
    else
        p.drawLine(width() - 1, 0, width() - 1, height());
}
