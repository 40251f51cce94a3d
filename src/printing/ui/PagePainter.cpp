#include "printing/ui/PagePainter.h"

#include "printing/FormatData.h"
#include "printing/PrintPage.h"
#include "printing/ui/PrintFont.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPen>
#include <QPolygonF>
#include <QTransform>

namespace {

QPointF point(const PagePoint& p) { return QPointF(p.x, p.y); }

void drawText(QPainter& painter, const PageOp& op) {
    const QFont font = PrintFont::ToQFont(op.font);
    const QFontMetricsF fm(font);
    const QString text = QString::fromStdString(op.text);
    const qreal width = fm.horizontalAdvance(text) / PrintFont::kFontScale * op.xScale;
    qreal x = op.anchor.x;
    if (op.alignment == ALIGN_RIGHT)
        x -= width;
    else if (op.alignment == ALIGN_CENTER)
        x -= width / 2;
    // The anchor is the bottom of the character cell; the baseline is the descent above it.
    const qreal baseline = op.anchor.y + fm.descent() / PrintFont::kFontScale;

    painter.save();
    painter.setClipRect(QRectF(op.clip.left, op.clip.top, op.clip.right - op.clip.left, op.clip.bottom - op.clip.top),
                        Qt::IntersectClip);
    // Text is drawn y-down at its own size, so it is un-flipped and scaled down locally.
    painter.translate(x, baseline);
    painter.scale(op.xScale / PrintFont::kFontScale, -1 / PrintFont::kFontScale);
    painter.setFont(font);
    painter.setPen(PrintFont::ToQColor(op.colour));
    painter.drawText(QPointF(0, 0), text);
    painter.restore();
}

void drawShape(QPainter& painter, const PageOp& op) {
    QPen pen(PrintFont::ToQColor(op.colour));
    pen.setWidthF(op.penWidth);
    pen.setStyle(Qt::SolidLine);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    if (op.kind == PageOp::Kind::Line) {
        painter.drawLine(point(op.from), point(op.to));
        return;
    }
    const QPolygonF outline{QPointF(op.from.x, op.from.y), QPointF(op.to.x, op.from.y), QPointF(op.to.x, op.to.y),
                            QPointF(op.from.x, op.to.y), QPointF(op.from.x, op.from.y)};
    painter.drawPolyline(outline);
}

} // namespace

void PaintPage(QPainter& painter, const PrintPage& page, qreal dotsPerInch) {
    painter.save();
    // 0.1 mm per unit, y upwards, origin unchanged at the sheet's top-left corner.
    const qreal s = dotsPerInch / 254.0;
    painter.setWorldTransform(QTransform(s, 0, 0, -s, 0, 0), true);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    for (const PageOp& op : page.ops) {
        if (op.kind == PageOp::Kind::Text)
            drawText(painter, op);
        else
            drawShape(painter, op);
    }
    painter.restore();
}
