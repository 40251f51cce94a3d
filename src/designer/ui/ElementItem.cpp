#include "designer/ui/ElementItem.h"

#include "printing/PageLayout.h"
#include "printing/ui/PagePainter.h"

#include <QPainter>
#include <QPolygonF>
#include <QStyleOptionGraphicsItem>

#include <algorithm>

namespace {

// Scene units are 0.1 mm: the page painter's "dots per inch" that make one dot one unit.
constexpr qreal kUnitsPerInch = 254;

QRectF opsBounds(const PrintPage& page) {
    QRectF r;
    for (const PageOp& op : page.ops) {
        QRectF b;
        if (op.kind == PageOp::Kind::Text || op.kind == PageOp::Kind::QrCode)
            b = QRectF(QPointF(op.clip.left, -op.clip.bottom), QPointF(op.clip.right, -op.clip.top));
        else
            b = QRectF(QPointF(op.from.x, -op.from.y), QPointF(op.to.x, -op.to.y)).normalized();
        r |= b.adjusted(-op.penWidth, -op.penWidth, op.penWidth, op.penWidth);
    }
    return r;
}

} // namespace

CElementItem::CElementItem(std::size_t index, const ElementBox& box, bool isText, CDesignSheet::Drawing drawing)
    : m_index(index), m_box(box), m_isText(isText), m_drawing(std::move(drawing)) {
    setFlag(ItemIsSelectable, true);
    // Moves are translations only: the cached picture is reused while a selection is dragged.
    setCacheMode(DeviceCoordinateCache);
    if (m_drawing.overflows)
        setToolTip(QStringLiteral("El texto no cabe en el cuadro: al imprimir se corta. Agrande el cuadro o "
                                  "use una letra más chica."));
    m_bounds = SceneRect(box) | opsBounds(m_drawing.ops) | opsBounds(m_drawing.ghosts);
    m_bounds.adjust(-CPageLayout::kPenWidth, -CPageLayout::kPenWidth, CPageLayout::kPenWidth, CPageLayout::kPenWidth);
}

QRectF CElementItem::SceneRect(const ElementBox& box) {
    return QRectF(box.left, -box.upper, box.width(), box.height());
}

void CElementItem::SetPreview(const ElementBox& box) {
    prepareGeometryChange();
    m_preview = box;
    update();
}

QRectF CElementItem::boundingRect() const {
    // Room for the selection handles, which keep their size on screen down to 25 % zoom.
    const qreal margin = kHandlePixels * 12;
    QRectF r = m_bounds.adjusted(-margin, -margin, margin, margin);
    if (m_preview)
        r |= SceneRect(*m_preview).adjusted(-margin, -margin, margin, margin);
    return r;
}

QRectF CElementItem::handleRect(Handle h, qreal pixel) const {
    const QRectF r = SceneRect(m_box);
    QPointF c;
    switch (h) {
    case Handle::TopLeft: c = r.topLeft(); break;
    case Handle::Top: c = QPointF(r.center().x(), r.top()); break;
    case Handle::TopRight: c = r.topRight(); break;
    case Handle::Right: c = QPointF(r.right(), r.center().y()); break;
    case Handle::BottomRight: c = r.bottomRight(); break;
    case Handle::Bottom: c = QPointF(r.center().x(), r.bottom()); break;
    case Handle::BottomLeft: c = r.bottomLeft(); break;
    case Handle::Left: c = QPointF(r.left(), r.center().y()); break;
    case Handle::None: return {};
    }
    const qreal s = kHandlePixels * pixel;
    return QRectF(c.x() - s / 2, c.y() - s / 2, s, s);
}

CElementItem::Handle CElementItem::HandleAt(const QPointF& scenePos, qreal pixel) const {
    const QPointF p = scenePos - pos();
    for (int h = static_cast<int>(Handle::TopLeft); h <= static_cast<int>(Handle::Left); ++h) {
        const QRectF r = handleRect(static_cast<Handle>(h), pixel).adjusted(-pixel * 2, -pixel * 2, pixel * 2, pixel * 2);
        if (r.contains(p))
            return static_cast<Handle>(h);
    }
    return Handle::None;
}

void CElementItem::paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget*) {
    const qreal pixel = 1 / std::max<qreal>(option->levelOfDetailFromTransform(painter->worldTransform()), 1e-3);
    if (m_isText) {
        QPen outline(QColor(170, 190, 215));
        outline.setCosmetic(true);
        outline.setStyle(Qt::DotLine);
        painter->setPen(outline);
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(SceneRect(m_box));
    }
    if (m_drawing.overflows) {
        // Cut off on paper: a red frame and a corner mark, at screen size.
        QPen cut(QColor(210, 30, 30));
        cut.setCosmetic(true);
        cut.setWidthF(1.5);
        cut.setStyle(Qt::DashLine);
        painter->setPen(cut);
        painter->setBrush(Qt::NoBrush);
        const QRectF r = SceneRect(m_box);
        painter->drawRect(r);
        const qreal s = std::min<qreal>(8 * pixel, std::min(r.width(), r.height()));
        painter->setPen(Qt::NoPen);
        painter->setBrush(QColor(210, 30, 30));
        painter->drawPolygon(QPolygonF({r.topRight(), r.topRight() - QPointF(s, 0), r.topRight() + QPointF(0, s)}));
    }
    PaintPage(*painter, m_drawing.ops, kUnitsPerInch);
    if (!m_drawing.ghosts.ops.empty()) {
        painter->save();
        painter->setOpacity(0.28);
        PaintPage(*painter, m_drawing.ghosts, kUnitsPerInch);
        painter->restore();
    }
    if (!isSelected())
        return;
    QPen pen(QColor(0, 102, 204));
    pen.setCosmetic(true);
    pen.setWidthF(1.5);
    painter->setPen(pen);
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(SceneRect(m_preview ? *m_preview : m_box));
    if (m_preview)
        return;
    painter->setBrush(Qt::white);
    for (int h = static_cast<int>(Handle::TopLeft); h <= static_cast<int>(Handle::Left); ++h)
        painter->drawRect(handleRect(static_cast<Handle>(h), pixel));
}
