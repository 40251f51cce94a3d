#include "designer/ui/DesignScene.h"

#include "designer/SheetValues.h"

#include <QGraphicsRectItem>
#include <QGraphicsSceneDragDropEvent>
#include <QGraphicsSceneMouseEvent>
#include <QMimeData>
#include <QGraphicsView>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

// A click without a drag makes an element of this size (0.1 mm).
constexpr std::int32_t kDefaultWidth = 500;
constexpr std::int32_t kDefaultTextHeight = 50;
constexpr std::int32_t kDefaultRectangleHeight = 200;
// Scene units around the sheet, so that its edges can be reached and seen.
constexpr qreal kDesk = 150;

ElementBox sorted(ElementBox b) {
    if (b.left > b.right)
        std::swap(b.left, b.right);
    if (b.lower > b.upper)
        std::swap(b.lower, b.upper);
    return b;
}

} // namespace

CDesignScene::CDesignScene(const CTextMeasure& measure, QObject* parent) : QGraphicsScene(parent), m_measure(measure) {
    SetSheet(m_sheet);
    connect(this, &QGraphicsScene::selectionChanged, this, &CDesignScene::selectionIndicesChanged);
}

void CDesignScene::Show(const CWindowsFormat* format, const CSheetValues* values) {
    m_format = format;
    m_values = values;
    Rebuild();
}

void CDesignScene::Rebuild() {
    const ElementOps::Selection selected = SelectedIndices();
    const QSignalBlocker quiet(this);
    for (CElementItem* item : m_items)
        delete item;
    m_items.clear();
    m_drag = Drag::None;
    m_resizing = nullptr;
    if (m_format && m_values) {
        const CDesignSheet sheet(m_measure);
        const std::vector<std::int32_t> rows = sheet.RowOffsets(*m_format, *m_values);
        // The names of the data say nothing of what will print: whether a text fits is told by
        // the samples then.
        const bool captions = m_values->GetKind() == CSheetValues::Kind::Captions;
        const CSheetValues samples = CSheetValues::Samples();
        const std::vector<std::int32_t> sampleRows = captions ? sheet.RowOffsets(*m_format, samples) : rows;
        m_items.reserve(m_format->Elements.size());
        for (std::size_t i = 0; i < m_format->Elements.size(); ++i) {
            const CRenglonFormato& e = m_format->Elements[i];
            CDesignSheet::Drawing drawing = sheet.Draw(*m_format, i, *m_values, rows);
            if (captions && !e.IsShape())
                drawing.overflows = sheet.Draw(*m_format, i, samples, sampleRows).overflows;
            auto* item = new CElementItem(i, ElementBox::Of(e.Position), !e.IsShape(), std::move(drawing));
            addItem(item);
            m_items.push_back(item);
        }
    }
    for (std::size_t i : selected)
        if (i < m_items.size())
            m_items[i]->setSelected(true);
    update();
}

void CDesignScene::SetSheet(const SheetSize& sheet) {
    m_sheet = sheet;
    setSceneRect(-kDesk, -kDesk, sheet.width + 2 * kDesk, sheet.height + 2 * kDesk);
    update();
}

void CDesignScene::SetGrid(std::int32_t spacing, bool visible, bool snap) {
    m_grid = std::max<std::int32_t>(spacing, 1);
    m_gridVisible = visible;
    m_snap = snap;
    update();
}

void CDesignScene::SetBackground(const QImage& picture, const QTransform& placement, qreal opacity) {
    m_background = picture;
    m_backgroundPlacement = placement;
    m_backgroundOpacity = opacity;
    update();
}

QByteArray CDesignScene::DatumMime(std::int32_t kind, std::int32_t index) {
    return QByteArray::number(kind) + ' ' + QByteArray::number(index);
}

namespace {

bool datumOf(const QMimeData* mime, std::int32_t& kind, std::int32_t& index) {
    if (!mime || !mime->hasFormat(QLatin1String(CDesignScene::kDatumMimeType)))
        return false;
    const QList<QByteArray> parts = mime->data(QLatin1String(CDesignScene::kDatumMimeType)).split(' ');
    bool okKind = false;
    bool okIndex = false;
    if (parts.size() != 2)
        return false;
    kind = parts[0].toInt(&okKind);
    index = parts[1].toInt(&okIndex);
    return okKind && okIndex;
}

} // namespace

void CDesignScene::dragEnterEvent(QGraphicsSceneDragDropEvent* event) { dragMoveEvent(event); }

void CDesignScene::dragMoveEvent(QGraphicsSceneDragDropEvent* event) {
    std::int32_t kind = 0;
    std::int32_t index = 0;
    if (m_format && datumOf(event->mimeData(), kind, index)) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void CDesignScene::dropEvent(QGraphicsSceneDragDropEvent* event) {
    std::int32_t kind = 0;
    std::int32_t index = 0;
    if (!m_format || !datumOf(event->mimeData(), kind, index)) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    const QPointF at = event->scenePos();
    Q_EMIT datumDropped(kind, index, QPoint(std::clamp(snapped(at.x()), 0, m_sheet.width),
                                            std::clamp(snapped(at.y()), 0, m_sheet.height)));
}

ElementOps::Selection CDesignScene::SelectedIndices() const {
    ElementOps::Selection indices;
    for (CElementItem* item : m_items)
        if (item->isSelected())
            indices.push_back(item->Index());
    return indices;
}

void CDesignScene::SelectIndices(const ElementOps::Selection& indices) {
    {
        const QSignalBlocker quiet(this);
        clearSelection();
        for (std::size_t i : indices)
            if (i < m_items.size())
                m_items[i]->setSelected(true);
    }
    Q_EMIT selectionIndicesChanged();
}

CElementItem* CDesignScene::ItemAt(std::size_t index) const { return index < m_items.size() ? m_items[index] : nullptr; }

qreal CDesignScene::pixel() const {
    const QList<QGraphicsView*> v = views();
    const qreal scale = v.isEmpty() ? 1 : v.first()->transform().m11();
    return scale > 0 ? 1 / scale : 1;
}

std::int32_t CDesignScene::snapped(qreal v) const {
    const auto units = static_cast<std::int32_t>(std::lround(v));
    return m_snap ? ElementOps::Snap(units, m_grid) : units;
}

CElementItem* CDesignScene::elementAt(const QPointF& scenePos) const {
    const qreal tolerance = 3 * pixel();
    // Topmost first: later elements are drawn over earlier ones.
    for (auto it = m_items.rbegin(); it != m_items.rend(); ++it) {
        const QRectF r = CElementItem::SceneRect((*it)->Box()).adjusted(-tolerance, -tolerance, tolerance, tolerance);
        if (r.contains(scenePos))
            return *it;
    }
    return nullptr;
}

QPoint CDesignScene::dragOffset(const QPointF& scenePos) const {
    const QPointF raw = scenePos - m_pressAt;
    std::int32_t dx = snapped(raw.x());
    std::int32_t dy = snapped(raw.y());
    if (m_format) {
        const ElementBox b = ElementOps::Bounds(*m_format, SelectedIndices());
        dx = std::clamp(dx, -b.left, std::max(-b.left, m_sheet.width - b.right));
        dy = std::clamp(dy, b.upper, std::max(b.upper, m_sheet.height + b.lower));
    }
    return QPoint(dx, dy);
}

ElementBox CDesignScene::resizedBox(const QPointF& scenePos) const {
    ElementBox b = m_resizing->Box();
    const std::int32_t x = std::clamp(snapped(scenePos.x()), 0, m_sheet.width);
    const std::int32_t y = -std::clamp(snapped(scenePos.y()), 0, m_sheet.height);
    using H = CElementItem::Handle;
    if (m_handle == H::TopLeft || m_handle == H::Left || m_handle == H::BottomLeft)
        b.left = x;
    if (m_handle == H::TopRight || m_handle == H::Right || m_handle == H::BottomRight)
        b.right = x;
    if (m_handle == H::TopLeft || m_handle == H::Top || m_handle == H::TopRight)
        b.upper = y;
    if (m_handle == H::BottomLeft || m_handle == H::Bottom || m_handle == H::BottomRight)
        b.lower = y;
    return sorted(b);
}

ElementBox CDesignScene::createdBox(const QPointF& scenePos) const {
    const std::int32_t x0 = std::clamp(snapped(m_pressAt.x()), 0, m_sheet.width);
    const std::int32_t y0 = std::clamp(snapped(m_pressAt.y()), 0, m_sheet.height);
    std::int32_t x1 = std::clamp(snapped(scenePos.x()), 0, m_sheet.width);
    std::int32_t y1 = std::clamp(snapped(scenePos.y()), 0, m_sheet.height);
    const bool clicked = std::abs(x1 - x0) < 5 && std::abs(y1 - y0) < 5;
    if (clicked) {
        x1 = std::min(x0 + kDefaultWidth, m_sheet.width);
        y1 = std::min(y0 + (m_tool == Tool::Rectangle ? kDefaultRectangleHeight : kDefaultTextHeight), m_sheet.height);
    }
    // A line runs across or down the sheet, whichever the drag mostly went.
    if (m_tool == Tool::Line) {
        if (clicked || std::abs(x1 - x0) >= std::abs(y1 - y0))
            y1 = y0;
        else
            x1 = x0;
    }
    return sorted({x0, -y0, x1, -y1});
}

void CDesignScene::mousePressEvent(QGraphicsSceneMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !m_format) {
        QGraphicsScene::mousePressEvent(event);
        return;
    }
    event->accept();
    m_pressAt = event->scenePos();
    const QPen bandPen = [] {
        QPen p(QColor(0, 102, 204));
        p.setCosmetic(true);
        p.setStyle(Qt::DashLine);
        return p;
    }();
    if (m_tool == Tool::Pick) {
        Q_EMIT pointPicked(m_pressAt);
        return;
    }
    if (m_tool != Tool::Select) {
        m_drag = Drag::Create;
        m_band = addRect(QRectF(m_pressAt, m_pressAt), bandPen);
        m_band->setZValue(1e6);
        return;
    }
    const ElementOps::Selection selected = SelectedIndices();
    if (selected.size() == 1) {
        CElementItem* only = ItemAt(selected.front());
        const CElementItem::Handle h = only ? only->HandleAt(m_pressAt, pixel()) : CElementItem::Handle::None;
        if (h != CElementItem::Handle::None) {
            m_drag = Drag::Resize;
            m_resizing = only;
            m_handle = h;
            return;
        }
    }
    const bool shift = event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier);
    if (CElementItem* hit = elementAt(m_pressAt)) {
        if (shift) {
            hit->setSelected(!hit->isSelected());
            m_drag = hit->isSelected() ? Drag::Move : Drag::None;
        } else {
            if (!hit->isSelected()) {
                clearSelection();
                hit->setSelected(true);
            }
            m_drag = Drag::Move;
        }
        return;
    }
    if (!shift)
        clearSelection();
    m_bandBase = SelectedIndices();
    m_drag = Drag::Rubber;
    m_band = addRect(QRectF(m_pressAt, m_pressAt), bandPen);
    m_band->setZValue(1e6);
}

void CDesignScene::mouseMoveEvent(QGraphicsSceneMouseEvent* event) {
    const QPointF at = event->scenePos();
    switch (m_drag) {
    case Drag::Move: {
        const QPoint off = dragOffset(at);
        for (CElementItem* item : m_items)
            if (item->isSelected())
                item->setPos(off);
        break;
    }
    case Drag::Resize: m_resizing->SetPreview(resizedBox(at)); break;
    case Drag::Create: m_band->setRect(QRectF(m_pressAt, at).normalized()); break;
    case Drag::Rubber: {
        const QRectF band = QRectF(m_pressAt, at).normalized();
        m_band->setRect(band);
        const QSignalBlocker quiet(this);
        for (CElementItem* item : m_items) {
            const bool base = std::find(m_bandBase.begin(), m_bandBase.end(), item->Index()) != m_bandBase.end();
            item->setSelected(base || band.intersects(CElementItem::SceneRect(item->Box())));
        }
        break;
    }
    case Drag::None: QGraphicsScene::mouseMoveEvent(event); return;
    }
    event->accept();
}

void CDesignScene::mouseReleaseEvent(QGraphicsSceneMouseEvent* event) {
    const Drag drag = m_drag;
    m_drag = Drag::None;
    const QPointF at = event->scenePos();
    switch (drag) {
    case Drag::Move: {
        const QPoint off = dragOffset(at);
        if (off.isNull()) {
            for (CElementItem* item : m_items)
                item->setPos(0, 0);
        } else {
            Q_EMIT moveRequested(off.x(), -off.y());
        }
        break;
    }
    case Drag::Resize: {
        const ElementBox box = resizedBox(at);
        const std::size_t index = m_resizing->Index();
        m_resizing = nullptr;
        if (box == ItemAt(index)->Box())
            Rebuild();
        else
            Q_EMIT resizeRequested(index, box);
        break;
    }
    case Drag::Create: {
        delete m_band;
        m_band = nullptr;
        Q_EMIT createRequested(m_tool, createdBox(at));
        break;
    }
    case Drag::Rubber:
        delete m_band;
        m_band = nullptr;
        Q_EMIT selectionIndicesChanged();
        break;
    case Drag::None: QGraphicsScene::mouseReleaseEvent(event); return;
    }
    event->accept();
}

void CDesignScene::drawBackground(QPainter* painter, const QRectF& rect) {
    painter->fillRect(rect, QColor(128, 128, 128));
    const QRectF paper(0, 0, m_sheet.width, m_sheet.height);
    painter->fillRect(paper.translated(12, 12), QColor(90, 90, 90));
    painter->fillRect(paper, Qt::white);
    if (!m_background.isNull()) {
        painter->save();
        painter->setOpacity(m_backgroundOpacity);
        painter->setRenderHint(QPainter::SmoothPixmapTransform);
        painter->setTransform(m_backgroundPlacement, true);
        painter->drawImage(QPointF(0, 0), m_background);
        painter->restore();
    }
    if (!m_gridVisible)
        return;
    // Grid lines only where they stand at least 5 pixels apart; every tenth one darker.
    const qreal step = m_grid / pixel() >= 5 ? m_grid : m_grid * 10;
    if (step / pixel() < 5)
        return;
    const QRectF area = rect & paper;
    QPen minor(QColor(225, 232, 240));
    minor.setCosmetic(true);
    QPen major(QColor(200, 210, 225));
    major.setCosmetic(true);
    auto lines = [&](bool vertical) {
        const qreal from = vertical ? area.left() : area.top();
        const qreal to = vertical ? area.right() : area.bottom();
        for (qreal v = std::ceil(from / step) * step; v <= to; v += step) {
            const bool isMajor = std::fmod(std::round(v), m_grid * 10.0) == 0;
            painter->setPen(isMajor ? major : minor);
            if (vertical)
                painter->drawLine(QPointF(v, area.top()), QPointF(v, area.bottom()));
            else
                painter->drawLine(QPointF(area.left(), v), QPointF(area.right(), v));
        }
    };
    lines(true);
    lines(false);
}

void CDesignScene::drawForeground(QPainter* painter, const QRectF&) {
    if (!m_format)
        return;
    // The detail area: its first line and bottom as guides, and the line pitch between them.
    const qreal top = -m_format->DetailTop;
    const qreal bottom = -m_format->DetailBottom;
    QPen pitchPen(QColor(60, 160, 90, 90));
    pitchPen.setCosmetic(true);
    pitchPen.setStyle(Qt::DotLine);
    painter->setPen(pitchPen);
    if (m_format->Pitch > 0 && bottom > top) {
        const qreal pitchPixels = m_format->Pitch / pixel();
        if (pitchPixels >= 4)
            for (qreal y = top + m_format->Pitch; y < bottom; y += m_format->Pitch)
                painter->drawLine(QPointF(0, y), QPointF(m_sheet.width, y));
    }
    QPen guide(QColor(30, 140, 70));
    guide.setCosmetic(true);
    guide.setWidthF(1.2);
    guide.setStyle(Qt::DashLine);
    painter->setPen(guide);
    painter->drawLine(QPointF(0, top), QPointF(m_sheet.width, top));
    painter->drawLine(QPointF(0, bottom), QPointF(m_sheet.width, bottom));
    // Labels at screen size beside the guides.
    painter->save();
    const QTransform toDevice = painter->worldTransform();
    painter->resetTransform();
    QFont f = painter->font();
    f.setPixelSize(11);
    painter->setFont(f);
    painter->setPen(QColor(30, 140, 70));
    painter->drawText(toDevice.map(QPointF(0, top)) + QPointF(4, -3), QStringLiteral("Inicio del detalle"));
    painter->drawText(toDevice.map(QPointF(0, bottom)) + QPointF(4, -3), QStringLiteral("Fin del detalle"));
    painter->restore();
}
