#pragma once

#include "designer/DesignSheet.h"
#include "designer/ElementBox.h"

#include <QGraphicsItem>

#include <optional>

// One element on the designer's sheet, in scene units of 0.1 mm with y downwards from the
// sheet's top-left corner. It paints the operations the printed page carries for the element
// (through the same page painter as paper and PDF), its detail rows faintly, and, for a text box,
// a light outline so that an empty box can be found. Moving it shifts its position only; the
// layout changes when the move is committed.
class CElementItem final : public QGraphicsItem {
public:
    enum { Type = UserType + 1 };
    enum class Handle { None, TopLeft, Top, TopRight, Right, BottomRight, Bottom, BottomLeft, Left };
    static constexpr qreal kHandlePixels = 7;

    CElementItem(std::size_t index, const ElementBox& box, bool isText, CDesignSheet::Drawing drawing);

    int type() const override { return Type; }
    // What the item shows: the element as printed and its following detail rows.
    const CDesignSheet::Drawing& Drawing() const { return m_drawing; }
    std::size_t Index() const { return m_index; }
    const ElementBox& Box() const { return m_box; }
    // The box in scene coordinates.
    static QRectF SceneRect(const ElementBox& box);

    // While a handle is dragged: the outline it would get (nothing else is redrawn yet).
    void SetPreview(const ElementBox& box);
    // The handle under `scenePos` when this item is the only one selected; `pixel` is the size
    // of one screen pixel in scene units.
    Handle HandleAt(const QPointF& scenePos, qreal pixel) const;

    QRectF boundingRect() const override;
    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;

private:
    QRectF handleRect(Handle h, qreal pixel) const;

    std::size_t m_index;
    ElementBox m_box;
    bool m_isText;
    CDesignSheet::Drawing m_drawing;
    QRectF m_bounds;
    std::optional<ElementBox> m_preview;
};
