#include "designer/ui/DesignView.h"

#include "designer/ui/DesignScene.h"
#include "designer/ui/Ruler.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPixmapCache>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

CDesignView::CDesignView(CDesignScene* scene, QWidget* parent)
    : QGraphicsView(scene, parent), m_scene(scene), m_top(new CRuler(Qt::Horizontal, this)),
      m_left(new CRuler(Qt::Vertical, this)) {
    setViewportMargins(CRuler::kThickness, CRuler::kThickness, 0, 0);
    // Every element keeps its drawn picture while a selection is dragged; a letter sheet of a few
    // hundred elements, detail rows included, needs more than the default 10 MB for them.
    QPixmapCache::setCacheLimit(std::max(QPixmapCache::cacheLimit(), 96 * 1024));
    setRenderHint(QPainter::Antialiasing);
    setRenderHint(QPainter::TextAntialiasing);
    setDragMode(NoDrag);
    // The menu's zoom keeps the middle of the window; the wheel keeps the point under the mouse.
    setTransformationAnchor(AnchorViewCenter);
    setViewportUpdateMode(SmartViewportUpdate);
    setFocusPolicy(Qt::StrongFocus);
    setToolTip(QString());
    SetZoom(1);
}

void CDesignView::SetZoom(double zoom) {
    m_zoom = std::clamp(zoom, kMinZoom, kMaxZoom);
    // 100 % is the sheet at its real size on this screen; scene units are 0.1 mm.
    const double s = m_zoom * logicalDpiX() / 254.0;
    setTransform(QTransform::fromScale(s, s));
    m_top->update();
    m_left->update();
    Q_EMIT zoomChanged(m_zoom);
}

void CDesignView::FitToWindow() {
    const QSize area = viewport()->size();
    const SheetSize& sheet = m_scene->Sheet();
    const double perUnit = logicalDpiX() / 254.0;
    const double fit = std::min((area.width() - 24) / (sheet.width * perUnit), (area.height() - 24) / (sheet.height * perUnit));
    SetZoom(fit);
    centerOn(sheet.width / 2.0, sheet.height / 2.0);
}

void CDesignView::ZoomAt(double zoom, const QPoint& viewportPos) {
    const QPointF fixed = mapToScene(viewportPos);
    const ViewportAnchor anchor = transformationAnchor();
    setTransformationAnchor(NoAnchor);
    SetZoom(zoom);
    setTransformationAnchor(anchor);
    // Scroll so that the same sheet point is back under the mouse, as far as the sheet allows.
    const QPoint by = mapFromScene(fixed) - viewportPos;
    horizontalScrollBar()->setValue(horizontalScrollBar()->value() + by.x());
    verticalScrollBar()->setValue(verticalScrollBar()->value() + by.y());
}

void CDesignView::wheelEvent(QWheelEvent* event) {
    if (event->modifiers() & Qt::ControlModifier) {
        // Touchpads send small steps: add them up to whole notches.
        m_wheelRest += event->angleDelta().y();
        const int steps = m_wheelRest / 120;
        m_wheelRest -= steps * 120;
        if (steps != 0)
            ZoomAt(m_zoom * std::pow(1.25, steps), event->position().toPoint());
        event->accept();
        return;
    }
    if ((event->modifiers() & Qt::ShiftModifier) && event->angleDelta().x() == 0) {
        // Sideways, as many lines as the desktop scrolls down for one notch.
        QScrollBar* bar = horizontalScrollBar();
        const int lines = QApplication::wheelScrollLines();
        bar->setValue(bar->value() - event->angleDelta().y() * lines * bar->singleStep() / 120);
        event->accept();
        return;
    }
    QGraphicsView::wheelEvent(event);
}

void CDesignView::keyPressEvent(QKeyEvent* event) {
    const std::int32_t step = (event->modifiers() & Qt::ShiftModifier) ? 10 : 1;
    switch (event->key()) {
    case Qt::Key_Left: Q_EMIT nudgeRequested(-step, 0); break;
    case Qt::Key_Right: Q_EMIT nudgeRequested(step, 0); break;
    case Qt::Key_Up: Q_EMIT nudgeRequested(0, step); break;
    case Qt::Key_Down: Q_EMIT nudgeRequested(0, -step); break;
    default: QGraphicsView::keyPressEvent(event); return;
    }
    event->accept();
}

void CDesignView::resizeEvent(QResizeEvent* event) {
    QGraphicsView::resizeEvent(event);
    const QRect r = contentsRect();
    m_top->setGeometry(r.left() + CRuler::kThickness, r.top(), r.width() - CRuler::kThickness, CRuler::kThickness);
    m_left->setGeometry(r.left(), r.top() + CRuler::kThickness, CRuler::kThickness, r.height() - CRuler::kThickness);
}

void CDesignView::scrollContentsBy(int dx, int dy) {
    QGraphicsView::scrollContentsBy(dx, dy);
    m_top->update();
    m_left->update();
}
