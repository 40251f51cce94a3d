#include "toolkit/ui/TolBitmapPainter.h"

#include "toolkit/TolBitmap.h"
#include "toolkit/ui/TolMessageDlg.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPainter>

#include <algorithm>
#include <cstring>

namespace {

// Shows the wait cursor for its lifetime (when there is an application to show it).
class WaitCursor final {
public:
    WaitCursor()
        : m_shown(qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr)
    {
        if (m_shown)
            QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    }
    ~WaitCursor()
    {
        if (m_shown)
            QGuiApplication::restoreOverrideCursor();
    }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    bool m_shown;
};

// The frame's pixels as an image sharing the holder's buffer: valid while the holder is unchanged.
QImage sharedFrame(CTolBitmap& bitmap, int frame, bool transparent)
{
    if (!bitmap.isLoaded())
        return {};
    if (frame < 0 || frame >= bitmap.frameCount())
        frame = bitmap.frameIndex();
    const std::vector<std::uint32_t>& pixels = transparent ? bitmap.transparentPixels() : bitmap.pixels();
    const std::size_t frameSize = std::size_t(bitmap.width()) * std::size_t(bitmap.height());
    const auto* bits = reinterpret_cast<const uchar*>(pixels.data() + frameSize * std::size_t(frame));
    return QImage(bits, bitmap.width(), bitmap.height(), qsizetype(bitmap.width()) * 4,
                  QImage::Format_ARGB32_Premultiplied);
}

} // namespace

int CTolBitmapPainter::loadFile(CTolBitmap& bitmap, const QString& path)
{
    int loaded = 0;
    {
        WaitCursor wait;
        loaded = bitmap.loadFile(QFile::encodeName(path).toStdString());
    }
    if (!loaded && !bitmap.errorText().empty())
        TolMessage(QFile::decodeName(QByteArray::fromStdString(bitmap.errorText())));
    return loaded;
}

QString CTolBitmapPainter::unreadableMessage(const QString& path, const CTolBitmap& failed)
{
    QString text = QStringLiteral("No se pudo leer la imagen %1: el archivo está dañado, incompleto o no es una "
                                  "imagen BMP, JPG, GIF o PNG.")
                       .arg(QFileInfo(path).fileName());
    const QString detail = QFile::decodeName(QByteArray::fromStdString(failed.errorText())).simplified();
    if (!detail.isEmpty())
        text += QStringLiteral("\n\n(%1)").arg(detail);
    return text;
}

QString CTolBitmapPainter::resourcePath(int id)
{
    // The program's pictures carry names in the resources; the screens ask for them by number.
    static const struct {
        int id;
        const char* name;
    } named[] = {
        {129, "imprimir"}, {131, "reportes"}, {132, "ayuda"},     {133, "eliminar"},   {134, "utilerias"},
        {135, "formatos"}, {137, "limpiar"},  {139, "buscar"},    {140, "guardar"},    {143, "logo"},
        {158, "salir"},    {159, "configurar"}, {160, "cobranza"}, {189, "caption"},
    };
    for (const auto& entry : named)
        if (entry.id == id)
            return QStringLiteral(":/images/%1.bmp").arg(QLatin1String(entry.name));
    return QStringLiteral(":/bitmaps/%1.bmp").arg(id);
}

int CTolBitmapPainter::loadResource(CTolBitmap& bitmap, int id)
{
    if (loadResource(bitmap, resourcePath(id)))
        return 1;
    return loadResource(bitmap, QStringLiteral(":/bitmaps/%1.png").arg(id));
}

int CTolBitmapPainter::loadResource(CTolBitmap& bitmap, const QString& path)
{
    bitmap.clear();
    QImage image(path);
    if (image.isNull())
        return 0;
    image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    ImageBuffer buffer;
    buffer.width = image.width();
    buffer.height = image.height();
    buffer.frameCount = 1;
    buffer.delays.assign(1, 0);
    buffer.pixels.resize(std::size_t(image.width()) * std::size_t(image.height()));
    for (int y = 0; y < image.height(); ++y)
        std::memcpy(buffer.pixels.data() + std::size_t(y) * std::size_t(image.width()), image.constScanLine(y),
                    std::size_t(image.width()) * 4);
    bitmap.assign(std::move(buffer));
    return bitmap.isLoaded() ? 1 : 0;
}

QRect CTolBitmapPainter::placement(const CTolBitmap& bitmap, const QRect& rect, int flags)
{
    if (!bitmap.isLoaded())
        return {};
    int width = bitmap.width();
    int height = bitmap.height();
    const int rectWidth = rect.width();
    const int rectHeight = rect.height();

    if ((flags & CTolBitmap::ScaleToFit) && bitmap.frameCount() == 1) {
        // An empty rectangle has nothing to fit into (and would divide by zero).
        if (rectWidth <= 0 || rectHeight <= 0)
            return {};
        const float fx = float(width) / float(rectWidth);
        const float fy = float(height) / float(rectHeight);
        if (fx > fy) {
            height = int(float(height) / fx);
            width = rectWidth;
        } else {
            width = int(float(width) / fy);
            height = rectHeight;
        }
        // A sliver of a picture still shows as one pixel rather than vanishing.
        width = std::max(width, 1);
        height = std::max(height, 1);
    }

    int x = rect.left();
    int y = rect.top();
    const int centredY = rect.top() + std::max(0, (rectHeight - height) / 2);
    if (flags & CTolBitmap::Center) {
        x = rect.left() + std::max(0, (rectWidth - width) / 2);
        y = centredY;
    } else if (flags & CTolBitmap::LeftEdge) {
        x = rect.left() + 2;
        y = centredY;
    } else if (flags & CTolBitmap::RightEdge) {
        x = std::max(rect.left(), rect.left() + rectWidth - 2 - width);
        y = centredY;
    }
    return QRect(x, y, width, height);
}

void CTolBitmapPainter::draw(QPainter& painter, CTolBitmap& bitmap, int left, int top, int right, int bottom,
                             int flags)
{
    draw(painter, bitmap, QRect(left, top, right - left, bottom - top), flags);
}

void CTolBitmapPainter::draw(QPainter& painter, CTolBitmap& bitmap, int x, int y, int flags)
{
    draw(painter, bitmap, QRect(x, y, bitmap.width(), bitmap.height()), flags);
}

void CTolBitmapPainter::draw(QPainter& painter, CTolBitmap& bitmap, const QRect& rect, int flags)
{
    const QRect target = placement(bitmap, rect, flags);
    if (target.isEmpty())
        return;
    const QImage image = sharedFrame(bitmap, -1, (flags & CTolBitmap::Transparent) != 0);
    painter.save();
    if (target.size() != image.size())
        painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.drawImage(target, image);
    painter.restore();
}

QImage CTolBitmapPainter::frameImage(CTolBitmap& bitmap, int frame, bool transparent)
{
    return sharedFrame(bitmap, frame, transparent).copy();
}
