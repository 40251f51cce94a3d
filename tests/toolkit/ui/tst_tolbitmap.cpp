#include "platform/ui/Resources.h"
#include "toolkit/TolBitmap.h"
#include "toolkit/ui/TolBitmapPainter.h"

#include "support/ScratchDir.h"
#include "support/TestPictures.h"

#include <QPainter>
#include <QtTest>

namespace {

constexpr QRgb kBackground = 0xFF204060;

// A picture of `width` x `height` from a colour function, frames stacked.
CTolBitmap picture(int width, int height, const std::function<QRgb(int x, int y)>& colour, int frames = 1)
{
    ImageBuffer image;
    image.width = width;
    image.height = height;
    image.frameCount = frames;
    image.delays.assign(std::size_t(frames), 0);
    for (int y = 0; y < height * frames; ++y)
        for (int x = 0; x < width; ++x)
            image.pixels.push_back(colour(x, y));
    CTolBitmap bitmap;
    bitmap.assign(std::move(image));
    return bitmap;
}

QImage canvas(int width = 120, int height = 100)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(kBackground);
    return image;
}

// The bounding box of the pixels that are not the background.
QRect drawnArea(const QImage& image)
{
    QRect area;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != kBackground)
                area |= QRect(x, y, 1, 1);
    return area;
}

} // namespace

class TestTolBitmap final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void placement_data()
    {
        QTest::addColumn<QRect>("rect");
        QTest::addColumn<int>("flags");
        QTest::addColumn<QRect>("expected");
        // A 10 x 6 picture.
        QTest::newRow("corner") << QRect(5, 7, 40, 20) << 0 << QRect(5, 7, 10, 6);
        QTest::newRow("centred") << QRect(5, 7, 40, 20) << 0x01 << QRect(20, 14, 10, 6);
        QTest::newRow("left edge") << QRect(5, 7, 40, 20) << 0x02 << QRect(7, 14, 10, 6);
        QTest::newRow("right edge") << QRect(5, 7, 40, 20) << 0x04 << QRect(33, 14, 10, 6);
        QTest::newRow("centred, never left of or above the corner") << QRect(5, 7, 4, 3) << 0x01 << QRect(5, 7, 10, 6);
        QTest::newRow("transparent keeps the place") << QRect(5, 7, 40, 20) << 0x21 << QRect(20, 14, 10, 6);
        // Scaled: fx = 10/40 = 0.25, fy = 6/20 = 0.3, so the height fills: 6/0.3 = 20 tall, 10/0.3 = 33 wide.
        QTest::newRow("scaled up") << QRect(5, 7, 40, 20) << 0x10 << QRect(5, 7, 33, 20);
        QTest::newRow("scaled and centred") << QRect(5, 7, 40, 20) << 0x11 << QRect(8, 7, 33, 20);
        // fx = 10/5 = 2 > fy = 6/30: the width fills, 6/2 = 3 tall.
        QTest::newRow("scaled down, width fills") << QRect(0, 0, 5, 30) << 0x11 << QRect(0, 13, 5, 3);
        QTest::newRow("scale into nothing") << QRect(5, 7, 0, 20) << 0x11 << QRect();
        QTest::newRow("a sliver stays a pixel") << QRect(0, 0, 1, 1000) << 0x10 << QRect(0, 0, 1, 1);
    }
    void placement()
    {
        QFETCH(QRect, rect);
        QFETCH(int, flags);
        QFETCH(QRect, expected);
        const CTolBitmap bitmap = picture(10, 6, [](int, int) { return 0xFFFF0000u; });
        QCOMPARE(CTolBitmapPainter::placement(bitmap, rect, flags), expected);
    }

    void drawsPixelsWhereItIsPlaced()
    {
        // Left half red, right half blue: a mirrored or misplaced copy shows.
        CTolBitmap bitmap = picture(8, 4, [](int x, int) { return x < 4 ? 0xFFFF0000u : 0xFF0000FFu; });
        QImage image = canvas();
        {
            QPainter painter(&image);
            CTolBitmapPainter::draw(painter, bitmap, 10, 20, 50, 40, 0x01);
        }
        QCOMPARE(drawnArea(image), QRect(26, 28, 8, 4));
        QCOMPARE(image.pixel(26, 28), 0xFFFF0000u);
        QCOMPARE(image.pixel(33, 31), 0xFF0000FFu);

        image = canvas();
        {
            QPainter painter(&image);
            CTolBitmapPainter::draw(painter, bitmap, 3, 4, 0);
        }
        QCOMPARE(drawnArea(image), QRect(3, 4, 8, 4));
    }

    void scalesToFitTheLogoFrame()
    {
        CTolBitmap bitmap = picture(40, 20, [](int x, int) { return x < 20 ? 0xFFFF0000u : 0xFF0000FFu; });
        QImage image = canvas();
        {
            QPainter painter(&image);
            CTolBitmapPainter::draw(painter, bitmap, 10, 0, 110, 100, 0x11);
        }
        QCOMPARE(drawnArea(image), QRect(10, 25, 100, 50));
        QCOMPARE(image.pixel(20, 50), 0xFFFF0000u);
        QCOMPARE(image.pixel(100, 50), 0xFF0000FFu);
        // The held picture is not changed by drawing it scaled.
        QCOMPARE(bitmap.width(), 40);
        QCOMPARE(bitmap.height(), 20);
    }

    void multiFrameIsNotScaledAndShowsItsFrame()
    {
        const QRgb colours[] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF};
        CTolBitmap bitmap = picture(6, 4, [&](int, int y) { return colours[y / 4]; }, 3);
        QImage image = canvas();
        {
            QPainter painter(&image);
            CTolBitmapPainter::draw(painter, bitmap, 0, 0, 100, 100, 0x11);
        }
        QCOMPARE(drawnArea(image), QRect(47, 48, 6, 4));
        QCOMPARE(image.pixel(50, 50), colours[0]);

        bitmap.setFrameIndex(2);
        {
            QPainter painter(&image);
            CTolBitmapPainter::draw(painter, bitmap, 0, 0, 100, 100, 0x11);
        }
        QCOMPARE(drawnArea(image), QRect(47, 48, 6, 4));
        QCOMPARE(image.pixel(47, 48), colours[2]);
        QCOMPARE(image.pixel(52, 51), colours[2]);
        QCOMPARE(CTolBitmapPainter::frameImage(bitmap, 1).pixel(0, 0), colours[1]);
    }

    void transparentColourLeavesTheBackground()
    {
        // A white arrow-like cross on magenta.
        CTolBitmap bitmap = picture(5, 5, [](int x, int y) { return x == 2 || y == 2 ? 0xFFFFFFFFu : 0xFFFF00FFu; });
        bitmap.setTransparentColor(0xFF00FF);
        QImage image = canvas(20, 20);
        {
            QPainter painter(&image);
            CTolBitmapPainter::draw(painter, bitmap, 0, 0, 0x20);
        }
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 5; ++x)
                QCOMPARE(image.pixel(x, y), (x == 2 || y == 2) ? 0xFFFFFFFFu : kBackground);

        // The same picture drawn opaque covers its whole square.
        {
            QPainter painter(&image);
            CTolBitmapPainter::draw(painter, bitmap, 0, 0, 0);
        }
        QCOMPARE(image.pixel(0, 0), 0xFFFF00FFu);

        // White as the transparent colour (the arrow buttons) keeps the magenta instead.
        bitmap.setTransparentColor(0xFFFFFF);
        image = canvas(20, 20);
        {
            QPainter painter(&image);
            CTolBitmapPainter::draw(painter, bitmap, 0, 0, 0x20);
        }
        QCOMPARE(image.pixel(2, 2), kBackground);
        QCOMPARE(image.pixel(0, 0), 0xFFFF00FFu);
        QCOMPARE(CTolBitmapPainter::frameImage(bitmap, 0, true).pixel(2, 0), 0u);
    }

    void drawsNothingWithoutAPicture()
    {
        CTolBitmap bitmap;
        QImage image = canvas();
        QPainter painter(&image);
        CTolBitmapPainter::draw(painter, bitmap, 0, 0, 100, 100, 0x31);
        CTolBitmapPainter::draw(painter, bitmap, 0, 0, 0);
        painter.end();
        QVERIFY(drawnArea(image).isNull());
        QVERIFY(CTolBitmapPainter::frameImage(bitmap).isNull());
    }

    void loadsFilesAndResources()
    {
        ScratchDir dir;
        testpictures::Gif g;
        g.screenWidth = 3;
        g.screenHeight = 2;
        g.palette = {0x000000, 0x00FF00};
        testpictures::GifFrame f;
        f.width = 3;
        f.height = 2;
        f.index = [](int x, int) { return x % 2; };
        g.frames = {f};
        const QString path = QString::fromStdString(dir.file("logotipo ñ.GIF"));
        ScratchDir::writeAll(QFile::encodeName(path).toStdString(), testpictures::gifBytes(g));
        CTolBitmap bitmap;
        QCOMPARE(CTolBitmapPainter::loadFile(bitmap, path), 1);
        QCOMPARE(CTolBitmapPainter::frameImage(bitmap).pixel(1, 1), 0xFF00FF00u);

        // A refused file: the message goes to TolMessage, silent here since no toolkit is registered.
        ScratchDir::writeAll(dir.file("roto.bmp"), "XX");
        QCOMPARE(CTolBitmapPainter::loadFile(bitmap, QString::fromStdString(dir.file("roto.bmp"))), 0);
        QVERIFY(!bitmap.isLoaded());
        QCOMPARE(QString::fromStdString(bitmap.errorText()), QStringLiteral("Not a valid BMP File"));

        const QString qtLogo = QStringLiteral(":/qt-project.org/qmessagebox/images/qtlogo-64.png");
        const QImage expected = QImage(qtLogo).convertToFormat(QImage::Format_ARGB32_Premultiplied);
        QVERIFY(!expected.isNull());
        QCOMPARE(CTolBitmapPainter::loadResource(bitmap, qtLogo), 1);
        QCOMPARE(bitmap.width(), expected.width());
        QCOMPARE(bitmap.frameCount(), 1);
        QCOMPARE(CTolBitmapPainter::frameImage(bitmap), expected);

        // The program's own: the default logo and a button face drawn on its transparent magenta.
        InitQuintalevaResources();
        QCOMPARE(CTolBitmapPainter::loadResource(bitmap, 143), 1);
        QCOMPARE(bitmap.width(), 116);
        QCOMPARE(bitmap.height(), 74);
        QCOMPARE(CTolBitmapPainter::loadResource(bitmap, 140), 1);
        QCOMPARE(bitmap.width(), 24);
        bitmap.setTransparentColor(0xFF00FF);
        QCOMPARE(CTolBitmapPainter::frameImage(bitmap, 0, true).pixel(0, 0), 0u);
        QCOMPARE(CTolBitmapPainter::loadResource(bitmap, 99999), 0);
        QVERIFY(!bitmap.isLoaded());
    }
};

QTEST_MAIN(TestTolBitmap)
#include "tst_tolbitmap.moc"
