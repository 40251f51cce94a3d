#pragma once

#include <QColor>
#include <QImage>
#include <QPixmap>

class CTolBitmap;
class QPainter;

// A picture as the toolkit's controls draw it: a pixmap whose pixels of one colour (the
// transparent colour, if any) have been made see-through. Caption bitmaps and button pictures are
// given in this form.
class CTolPicture final {
public:
    CTolPicture() = default;
    // An invalid `transparent` colour keeps every pixel opaque.
    explicit CTolPicture(const QImage& image, const QColor& transparent = QColor());
    explicit CTolPicture(const QPixmap& pixmap, const QColor& transparent = QColor());

    // Pictures loaded by CTolBitmap (BMP, JPEG, GIF) enter the toolkit here: its current frame.
    // Null when nothing is loaded.
    static CTolPicture fromBitmap(CTolBitmap& bitmap, const QColor& transparent = QColor());
    // The program's bitmap number `id` from the resources (button faces, caption bitmap); null
    // when there is no such resource.
    static CTolPicture fromResource(int id, const QColor& transparent = QColor());

    bool isNull() const { return m_pixmap.isNull(); }
    QSize size() const { return m_pixmap.size(); }
    const QPixmap& pixmap() const { return m_pixmap; }
    const QColor& transparentColor() const { return m_transparent; }

    // Draws the picture centred vertically in `area`, `leftInset` pixels in from its left edge,
    // scaled down (never up) to the area's height.
    void drawAtLeft(QPainter& painter, const QRect& area, int leftInset) const;

private:
    QPixmap m_pixmap;
    QColor m_transparent;
};
