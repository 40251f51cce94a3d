#include "printing/ui/TicketPictures.h"

#include <QImage>
#include <QPainter>
#include <QPolygon>

namespace {

constexpr int kSize = 16;

QImage face(const QColor& background) {
    QImage image(kSize, kSize, QImage::Format_RGB32);
    image.fill(background);
    return image;
}

CTolPicture arrow(bool up) {
    QImage image = face(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QColor(0x10, 0x30, 0x80));
    p.setBrush(QColor(0x30, 0x60, 0xC0));
    const QPolygon head = up ? QPolygon({QPoint(8, 2), QPoint(14, 9), QPoint(2, 9)})
                             : QPolygon({QPoint(8, 13), QPoint(14, 6), QPoint(2, 6)});
    p.drawPolygon(head);
    p.drawRect(up ? QRect(5, 9, 6, 5) : QRect(5, 1, 6, 5));
    p.end();
    return CTolPicture(image, Qt::white);
}

} // namespace

namespace TicketPictures {

CTolPicture Up() { return arrow(true); }
CTolPicture Down() { return arrow(false); }

CTolPicture Append() {
    QImage image = face(Qt::magenta);
    QPainter p(&image);
    p.setPen(QColor(0x10, 0x60, 0x20));
    p.setBrush(QColor(0x30, 0xA0, 0x40));
    p.drawRect(6, 2, 3, 11);
    p.drawRect(2, 6, 11, 3);
    p.end();
    return CTolPicture(image, Qt::magenta);
}

CTolPicture Remove() {
    QImage image = face(Qt::magenta);
    QPainter p(&image);
    p.setPen(QColor(0x80, 0x10, 0x10));
    p.setBrush(QColor(0xD0, 0x30, 0x30));
    p.drawRect(2, 6, 11, 3);
    p.end();
    return CTolPicture(image, Qt::magenta);
}

} // namespace TicketPictures
