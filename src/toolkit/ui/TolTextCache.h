#pragma once

#include <QFont>
#include <QHash>
#include <QStaticText>
#include <QString>

class QPainter;
class QRect;

// Shaped single-line texts kept between paints. A grid repaints every visible cell on each open,
// scroll and move of the highlight, mostly with the texts it drew the last time, and shaping a
// short text costs more than drawing its glyphs. Drawn texts look exactly as QPainter::drawText
// draws them.
class CTolTextCache {
public:
    // As p.drawText(rect, flags, text) with the painter's font, for flags made of a horizontal
    // alignment, Qt::AlignTop and Qt::TextSingleLine; other flags, and texts with line breaks or
    // control characters, are drawn by QPainter itself.
    static void drawText(QPainter& p, const QRect& rect, int flags, const QString& text);

    // Shaped texts kept for `font` (for tests).
    static int cachedFor(const QFont& font);

    // Texts kept per font; past this the font's texts are dropped and shaped again as drawn.
    static constexpr int kLimit = 4096;

private:
    static const QStaticText& shaped(const QFont& font, const QString& text);
    static QHash<QFont, QHash<QString, QStaticText>>& store();
};
