#pragma once

#include "designer/DesignSheet.h"
#include "designer/ElementBox.h"
#include "designer/ElementOps.h"
#include "designer/SheetSize.h"
#include "designer/ui/ElementItem.h"
#include "printing/WindowsFormat.h"

#include <QGraphicsScene>
#include <QImage>
#include <QTransform>

class CSheetValues;
class CTextMeasure;
class QGraphicsRectItem;

// The designer's sheet: paper at its real size in 0.1 mm (y downwards in the scene), the grid,
// the detail area's guides and the elements. Mouse work on it (select, rubber band, Shift-click,
// drag, resize by the handles, draw a new element with a tool) is turned into requests that the
// window makes undoable edits of; the scene itself never changes the layout.
class CDesignScene final : public QGraphicsScene {
    Q_OBJECT
public:
    // Pick: a click reports its point (aligning the background picture) and changes nothing.
    enum class Tool { Select, Text, Line, Rectangle, Pick };

    CDesignScene(const CTextMeasure& measure, QObject* parent = nullptr);

    // Shows `format` with the data of `values` (both kept by the caller, not copied); the
    // selection is kept by index.
    void Show(const CWindowsFormat* format, const CSheetValues* values);
    void Rebuild();
    void SetSheet(const SheetSize& sheet);
    const SheetSize& Sheet() const { return m_sheet; }

    void SetTool(Tool tool) { m_tool = tool; }
    Tool CurrentTool() const { return m_tool; }
    // Grid spacing in 0.1 mm; shown and snapped to separately.
    void SetGrid(std::int32_t spacing, bool visible, bool snap);
    std::int32_t GridSpacing() const { return m_grid; }
    bool Snaps() const { return m_snap; }

    // The picture of the pre-printed form under the sheet (never printed), `placement` taking its
    // pixels to scene units (scaled, turned and moved), and its opacity.
    void SetBackground(const QImage& picture, const QTransform& placement, qreal opacity);
    const QTransform& BackgroundPlacement() const { return m_backgroundPlacement; }

    ElementOps::Selection SelectedIndices() const;
    void SelectIndices(const ElementOps::Selection& indices);
    CElementItem* ItemAt(std::size_t index) const;

    // A datum dragged from the list of data: its kind and index as text under this type.
    static constexpr const char* kDatumMimeType = "application/x-lantorela-dato";
    static QByteArray DatumMime(std::int32_t kind, std::int32_t index);

    // Scene point ↔ sheet point (0.1 mm, y upwards).
    static QPointF ToScene(std::int32_t x, std::int32_t y) { return QPointF(x, -y); }

Q_SIGNALS:
    void moveRequested(std::int32_t dx, std::int32_t dy);
    void resizeRequested(std::size_t index, const ElementBox& box);
    void createRequested(CDesignScene::Tool tool, const ElementBox& box);
    void selectionIndicesChanged();
    void pointPicked(const QPointF& scenePos);
    // A datum dropped on the sheet at `at` (0.1 mm from the top-left corner, y downwards,
    // snapped to the grid when it snaps, on the sheet).
    void datumDropped(std::int32_t kind, std::int32_t index, const QPoint& at);

protected:
    void drawBackground(QPainter* painter, const QRectF& rect) override;
    void drawForeground(QPainter* painter, const QRectF& rect) override;
    void mousePressEvent(QGraphicsSceneMouseEvent* event) override;
    void mouseMoveEvent(QGraphicsSceneMouseEvent* event) override;
    void mouseReleaseEvent(QGraphicsSceneMouseEvent* event) override;
    void dragEnterEvent(QGraphicsSceneDragDropEvent* event) override;
    void dragMoveEvent(QGraphicsSceneDragDropEvent* event) override;
    void dropEvent(QGraphicsSceneDragDropEvent* event) override;

private:
    enum class Drag { None, Move, Resize, Rubber, Create };

    qreal pixel() const;
    std::int32_t snapped(qreal v) const;
    CElementItem* elementAt(const QPointF& scenePos) const;
    ElementBox resizedBox(const QPointF& scenePos) const;
    ElementBox createdBox(const QPointF& scenePos) const;
    // The offset of a drag from `m_pressAt`, snapped and held on the sheet.
    QPoint dragOffset(const QPointF& scenePos) const;

    const CTextMeasure& m_measure;
    const CWindowsFormat* m_format = nullptr;
    const CSheetValues* m_values = nullptr;
    SheetSize m_sheet = SheetSize::Standard().front();
    std::vector<CElementItem*> m_items;
    Tool m_tool = Tool::Select;
    std::int32_t m_grid = 10;
    bool m_gridVisible = true;
    bool m_snap = true;
    QImage m_background;
    QTransform m_backgroundPlacement;
    qreal m_backgroundOpacity = 0.5;

    Drag m_drag = Drag::None;
    QPointF m_pressAt;
    CElementItem* m_resizing = nullptr;
    CElementItem::Handle m_handle = CElementItem::Handle::None;
    QGraphicsRectItem* m_band = nullptr;
    ElementOps::Selection m_bandBase;
};
