#include "printing/ui/PagePainter.h"

#include "printing/FormatData.h"
#include "printing/PrintPage.h"
#include "printing/ui/PrintFont.h"
#include "toolkit/TolBitmap.h"
#include "toolkit/ui/TolBitmapPainter.h"

#include <QFile>

#include <algorithm>

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
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

// Crisp black modules on white, the quiet zone inside the square: one path of the dark runs,
// filled without smoothing, so neighbouring modules leave no seams between them.
void drawQr(QPainter& painter, const PageOp& op) {
    const QrCode& qr = op.qr;
    if (qr.size <= 0)
        return;
    const qreal side = op.clip.right - op.clip.left;
    const qreal module = side / (qr.size + 2 * QrCode::kQuietZone);
    const qreal left = op.clip.left + QrCode::kQuietZone * module;
    const qreal upper = op.clip.bottom - QrCode::kQuietZone * module; // y upwards
    QPainterPath dark;
    dark.setFillRule(Qt::WindingFill);
    for (std::int32_t row = 0; row < qr.size; ++row) {
        for (std::int32_t column = 0; column < qr.size;) {
            if (!qr.Dark(row, column)) {
                ++column;
                continue;
            }
            std::int32_t run = column;
            while (run < qr.size && qr.Dark(row, run))
                ++run;
            dark.addRect(QRectF(left + column * module, upper - (row + 1) * module, (run - column) * module, module));
            column = run;
        }
    }
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(Qt::NoPen);
    painter.fillRect(QRectF(op.clip.left, op.clip.top, side, op.clip.bottom - op.clip.top), Qt::white);
    painter.fillPath(dark, Qt::black);
    painter.restore();
}

// The picture fitted into the rectangle, centred; a file that cannot be read leaves it blank (the
// logo's own dialog says so when it is chosen).
void drawPicture(QPainter& painter, const PageOp& op) {
    CTolBitmap bitmap;
    if (op.text.empty() || !bitmap.loadFile(QFile::encodeName(QString::fromStdString(op.text)).toStdString()))
        return;
    const QImage image = CTolBitmapPainter::frameImage(bitmap);
    const qreal width = op.clip.right - op.clip.left;
    const qreal height = op.clip.bottom - op.clip.top;
    if (image.isNull() || width <= 0 || height <= 0)
        return;
    const qreal scale = std::min(width / image.width(), height / image.height());
    const qreal w = image.width() * scale;
    const qreal h = image.height() * scale;
    painter.save();
    // y upwards: the upper edge is the larger y; the image is drawn unflipped from there down.
    painter.translate(op.clip.left + (width - w) / 2, op.clip.bottom - (height - h) / 2);
    painter.scale(1, -1);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.drawImage(QRectF(0, 0, w, h), image);
    painter.restore();
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
        else if (op.kind == PageOp::Kind::QrCode)
            drawQr(painter, op);
        else if (op.kind == PageOp::Kind::Picture)
            drawPicture(painter, op);
        else
            drawShape(painter, op);
    }
    painter.restore();
}
