#include "toolkit/ui/TolTextCache.h"

#include <QImage>
#include <QPainter>
#include <QtTest>

#include <functional>

namespace {

QFont cellFont(bool bold) {
    QFont f(QStringLiteral("Arial"));
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(12);
    f.setWeight(bold ? QFont::ExtraBold : QFont::Normal);
    return f;
}

QImage drawn(const QFont& font, const std::function<void(QPainter&)>& draw) {
    QImage image(240, 24, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setFont(font);
    p.setPen(Qt::black);
    draw(p);
    return image;
}

} // namespace

class TestTolTextCache final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Whatever the cache holds, a text is drawn exactly as QPainter draws it: each alignment, a
    // text wider than its cell (cut, spilling the way QPainter spills it), the same text in two
    // fonts one after the other, and texts the cache leaves to QPainter.
    void drawsExactlyAsThePainter() {
        const QStringList texts = {QStringLiteral("Serie/Folio"), QStringLiteral("Tomás Váez LTV"),
                                   QStringLiteral("$1,234,567.89"), QStringLiteral("7"),
                                   QStringLiteral("UNA RAZÓN SOCIAL DEMASIADO LARGA PARA SU CELDA"),
                                   QStringLiteral("dos\trenglones\ncon tabulador"), QString()};
        const QRect cell(4, 3, 112, 15);
        for (int round = 0; round < 2; ++round) {  // the second round comes from the cache
            for (bool bold : {false, true}) {
                for (int align : {int(Qt::AlignLeft), int(Qt::AlignRight), int(Qt::AlignHCenter)}) {
                    const int flags = align | Qt::AlignTop | Qt::TextSingleLine;
                    for (const QString& text : texts) {
                        const QFont font = cellFont(bold);
                        const QImage expected = drawn(font, [&](QPainter& p) { p.drawText(cell, flags, text); });
                        const QImage actual =
                            drawn(font, [&](QPainter& p) { CTolTextCache::drawText(p, cell, flags, text); });
                        QVERIFY2(actual == expected, qPrintable(QStringLiteral("%1 bold=%2 align=%3 round=%4")
                                                                    .arg(text).arg(bold).arg(align).arg(round)));
                    }
                }
            }
        }
        // An empty cell draws nothing, as QPainter does.
        const QImage blank = drawn(cellFont(false), [](QPainter&) {});
        QCOMPARE(drawn(cellFont(false),
                       [](QPainter& p) {
                           CTolTextCache::drawText(p, QRect(4, 3, 0, 15), Qt::AlignLeft | Qt::AlignTop, QStringLiteral("x"));
                       }),
                 blank);
    }

    void keepsABoundedNumberOfTextsPerFont() {
        QFont font = cellFont(false);
        font.setPixelSize(13);  // a font of this test's own
        QImage image(200, 20, QImage::Format_ARGB32_Premultiplied);
        QPainter p(&image);
        p.setFont(font);
        const QRect cell(0, 0, 100, 15);
        const int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine;
        CTolTextCache::drawText(p, cell, flags, QStringLiteral("Fecha"));
        CTolTextCache::drawText(p, cell, flags, QStringLiteral("Fecha"));
        QCOMPARE(CTolTextCache::cachedFor(font), 1);
        CTolTextCache::drawText(p, cell, flags, QStringLiteral("uno\tdos"));  // left to QPainter
        QCOMPARE(CTolTextCache::cachedFor(font), 1);
        for (int i = 0; i < CTolTextCache::kLimit + 10; ++i)
            CTolTextCache::drawText(p, cell, flags, QString::number(i));
        QVERIFY(CTolTextCache::cachedFor(font) <= CTolTextCache::kLimit);
        QVERIFY(CTolTextCache::cachedFor(font) > 0);
    }
};

QTEST_MAIN(TestTolTextCache)
#include "tst_toltextcache.moc"
