#include "db/ArticulosSet.h"
#include "db/Database.h"
#include "db/ImpuestosSet.h"
#include "invoice/Lineas.h"
#include "invoice/MoneyFormat.h"
#include "invoice/ui/TotalWnd.h"
#include "support/TestDatabase.h"

#include <QFontInfo>
#include <QImage>
#include <QtTest>

#include <memory>

class TestTotalWnd final : public QObject {
    Q_OBJECT

    TestDatabase m_testDb;
    std::unique_ptr<Database> m_db;
    std::unique_ptr<CArticulosSet> m_articles;
    std::unique_ptr<CImpuestosSet> m_taxes;

    // Lines typed before taxes with a 15 % default tax.
    std::unique_ptr<CLineas> newLines() {
        return std::make_unique<CLineas>(*m_articles, *m_taxes, CLineas::Options{1, 0, 0, 0.15});
    }
    static void type(CLineas& lines, int row, int column, const char* text) {
        const CLineas::CommitResult r = lines.CommitCell(row, column, text, lines.CellText(row, column), false);
        lines.SetCellText(row, column, r.text);
    }
    static int countGreen(const QImage& image) {
        int n = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                n += image.pixelColor(x, y) == QColor(0, 255, 0);
        return n;
    }

private Q_SLOTS:
    void initTestCase() {
        MoneyFormat::setCurrent(MoneyFormat::mexican());
        m_db = m_testDb.create();
        m_articles = std::make_unique<CArticulosSet>(*m_db);
        m_articles->Open(OpenType::Table);
        m_taxes = std::make_unique<CImpuestosSet>(*m_db);
        m_taxes->Open(OpenType::Table);
    }

    void fontsResolveToMetricCompatibleFaces() {
        CTotalWnd wnd;
        QCOMPARE(QFontInfo(wnd.smallFont()).family(), QStringLiteral("Liberation Mono"));
        QCOMPARE(QFontInfo(wnd.bigFont()).family(), QStringLiteral("Liberation Sans"));
        QCOMPARE(QFontInfo(wnd.bigFont()).pixelSize(), 48);
        QVERIFY(QFontInfo(wnd.bigFont()).bold());
    }

    void emptyDocumentShowsZeroesRightJustified() {
        CTotalWnd wnd;
        const QStringList lines = wnd.BreakdownLines();
        QCOMPARE(lines.size(), 8);
        QCOMPARE(lines[0], QStringLiteral("Importe:         $0.00"));
        QCOMPARE(lines[5], QStringLiteral("Retención 1:         $0.00"));
        QCOMPARE(lines[7], QStringLiteral("Total:         $0.00"));
        QVERIFY(wnd.IsDetailed());
    }

    void breakdownOfTypedLinesAndTheAppendRow() {
        auto lines = newLines();
        type(*lines, 1, 1, "A");
        type(*lines, 1, 3, "2");
        type(*lines, 1, 5, "10");
        type(*lines, 1, 4, "100");
        QVERIFY(lines->CommitNewLine().accepted);
        CTotalWnd wnd;
        wnd.Recompute(*lines);
        QCOMPARE(wnd.BreakdownLines(), QStringList({
            QStringLiteral("Importe:       $200.00"),
            QStringLiteral("Descuento:        $20.00"),
            QStringLiteral("Subtotal:       $180.00"),
            QStringLiteral("Impuesto:        $27.00"),
            QStringLiteral("Imp. Extra:         $0.00"),
            QStringLiteral("Retención 1:         $0.00"),
            QStringLiteral("Retención 2:         $0.00"),
            QStringLiteral("Total:       $207.00"),
        }));
        QCOMPARE(wnd.DescuentoNeto(), 23.0);
        QCOMPARE(wnd.ImporteNeto(), 230.0);

        // A price typed on the append row counts before the line is committed.
        type(*lines, 2, 1, "B");
        type(*lines, 2, 3, "1");
        type(*lines, 2, 4, "50");
        QCOMPARE(lines->LineCount(), 1);
        wnd.Recompute(*lines);
        QCOMPARE(wnd.Importe(), 250.0);
        QCOMPARE(wnd.BreakdownLines()[7], QStringLiteral("Total:       $264.50"));
        QVERIFY(qAbs(wnd.Total() - (wnd.Subtotal() + wnd.Impuesto1() + wnd.Impuesto2() - wnd.Retencion1() -
                                    wnd.Retencion2())) < 1e-9);

        wnd.Clear();
        QCOMPARE(wnd.Total(), 0.0);
        QCOMPARE(wnd.ImporteNeto(), 0.0);
        QCOMPARE(wnd.BreakdownLines()[0], QStringLiteral("Importe:         $0.00"));
    }

    void longMoneyIsCutToFourteen() {
        auto lines = newLines();
        type(*lines, 1, 1, "A");
        type(*lines, 1, 3, "1");
        type(*lines, 1, 4, "1234567890.5");
        CTotalWnd wnd;
        wnd.Recompute(*lines);
        QCOMPARE(wnd.BreakdownLines()[0], QStringLiteral("Importe:$1,234,567,890"));
        QCOMPARE(wnd.LargeTotalText(), QStringLiteral("$1,419,753,074.08"));
    }

    void clickTogglesTheViewAndTwiceReturns() {
        auto lines = newLines();
        type(*lines, 1, 1, "A");
        type(*lines, 1, 3, "3");
        type(*lines, 1, 4, "0.333");
        CTotalWnd wnd;
        wnd.resize(230, 114);
        wnd.Recompute(*lines);
        QCOMPARE(wnd.LargeTotalText(), QStringLiteral("$1.15"));
        const QImage detailed = wnd.grab().toImage();
        QCOMPARE(detailed.pixelColor(1, 113), QColor(Qt::black));
        QVERIFY(countGreen(detailed) > 100);

        QTest::mouseClick(&wnd, Qt::RightButton);
        QVERIFY(wnd.IsDetailed());
        QTest::mouseClick(&wnd, Qt::LeftButton);
        QVERIFY(!wnd.IsDetailed());
        const QImage large = wnd.grab().toImage();
        QVERIFY(large != detailed);
        // The large total reaches far lower than the breakdown's small type would at that height.
        int lowestGreen = -1;
        for (int y = 0; y < large.height(); ++y)
            for (int x = 0; x < large.width(); ++x)
                if (large.pixelColor(x, y) == QColor(0, 255, 0))
                    lowestGreen = y;
        QVERIFY(lowestGreen > 60);

        QTest::mouseClick(&wnd, Qt::LeftButton);
        QVERIFY(wnd.IsDetailed());
        QCOMPARE(wnd.grab().toImage(), detailed);
    }
};

QTEST_MAIN(TestTotalWnd)
#include "tst_totalwnd.moc"
