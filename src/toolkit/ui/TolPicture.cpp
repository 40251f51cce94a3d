#include "toolkit/ui/TolPicture.h"

#include "toolkit/TolBitmap.h"
#include "toolkit/ui/TolBitmapPainter.h"

#include <QPainter>

namespace {

QImage withTransparency(const QImage& source, const QColor& transparent) {
    QImage image = source.convertToFormat(QImage::Format_ARGB32);
    if (!transparent.isValid())
        return image;
    // Compare colours only: a picture decoded with alpha still matches its transparent colour.
    const QRgb key = transparent.rgb() & RGB_MASK;
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if ((row[x] & RGB_MASK) == key)
                row[x] = 0;
    }
    return image;
}

} // namespace

CTolPicture::CTolPicture(const QImage& image, const QColor& transparent) : m_transparent(transparent) {
    if (!image.isNull())
        m_pixmap = QPixmap::fromImage(withTransparency(image, transparent));
}

CTolPicture::CTolPicture(const QPixmap& pixmap, const QColor& transparent)
    : CTolPicture(pixmap.toImage(), transparent) {}

CTolPicture CTolPicture::fromBitmap(CTolBitmap& bitmap, const QColor& transparent) {
    return CTolPicture(CTolBitmapPainter::frameImage(bitmap), transparent);
}

CTolPicture CTolPicture::fromResource(int id, const QColor& transparent) {
    CTolBitmap bitmap;
    if (!CTolBitmapPainter::loadResource(bitmap, id))
        return {};
    return fromBitmap(bitmap, transparent);
}

void CTolPicture::drawAtLeft(QPainter& painter, const QRect& area, int leftInset) const {
    if (isNull() || area.isEmpty())
        return;
    QSize size = m_pixmap.size();
    if (size.height() > area.height())
        size = size.scaled(size.width(), area.height(), Qt::KeepAspectRatio);
    const QRect target(area.left() + leftInset, area.top() + (area.height() - size.height()) / 2, size.width(),
                       size.height());
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, size != m_pixmap.size());
    painter.drawPixmap(target, m_pixmap);
    painter.restore();
}
