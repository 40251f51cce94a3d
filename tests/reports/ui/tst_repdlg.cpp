#include "app/ui/Resources.h"
#include "reports/RepData.h"
#include "reports/ui/FontsizeDlg.h"
#include "reports/ui/RepDlg.h"
#include "reports/ui/RepPage.h"
#include "support/ModalAnswer.h"

#include <QCheckBox>
#include <QFile>
#include <QFontDatabase>
#include <QFontInfo>
#include <QImage>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QtGlobal>

class TestRepDlg : public QObject {
    Q_OBJECT
private:
    static CRepData report(int rows) {
        CRepData d;
        d.SetSize(rows, 3);
        d.SetHeader(0, "Serie/Folio");
        d.SetHeader(1, "Cliente");
        d.SetHeader(2, "Importe");
        d.SetAlign(2, CRepData::kRight);
        for (int r = 0; r < rows; ++r) {
            d.SetCell(r, 0, "A" + std::to_string(100000 + r));
            d.SetCell(r, 1, "Cliente número " + std::to_string(r));
            d.SetCell(r, 2, "$1,240.00");
        }
        d.AddTitleLine("Fecha de generación: 05/Mar/2004");
        d.AddTitleLine("(Resumido)");
        return d;
    }

private Q_SLOTS:
    void initTestCase() {
        InitQuintalevaResources();
        QFont narrow(QStringLiteral("Arial Narrow"));
        QVERIFY2(!QFontInfo(narrow).family().isEmpty(), "no font resolved for Arial Narrow");
    }

    void pagesThroughTheReport() {
        const CRepData data = report(150);
        CRepDlg dlg(data, QStringLiteral("MI NEGOCIO"), QStringLiteral("- DIARIO DE DOCUMENTOS -"), true, false);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        CRepPage* page = dlg.page();
        const int count = page->model().PageCount();
        QVERIFY(count >= 2);
        QCOMPARE(count, (150 + page->model().RowsPerPage() - 1) / page->model().RowsPerPage());
        QCOMPARE(dlg.pageText(), QStringLiteral("1/%1").arg(count));

        auto click = [&dlg](int id) { QTest::mouseClick(dlg.control(id), Qt::LeftButton); };
        click(CRepDlg::kPrevId);
        QCOMPARE(page->model().CurrentPage(), 1);
        click(CRepDlg::kNextId);
        QCOMPARE(dlg.pageText(), QStringLiteral("2/%1").arg(count));
        click(CRepDlg::kLastId);
        QCOMPARE(page->model().CurrentPage(), count);
        click(CRepDlg::kNextId);
        QCOMPARE(page->model().CurrentPage(), count);
        click(CRepDlg::kFirstId);
        QCOMPARE(dlg.pageText(), QStringLiteral("1/%1").arg(count));

        // A larger type size: fewer rows a page, more pages; the size dialog refuses 151.
        answerNextModal([](QWidget* w) {
            auto* edit = w->findChild<QLineEdit*>(QString::number(CFontsizeDlg::kSizeId));
            edit->setText(QStringLiteral("151"));
            answerNextModal([](QWidget* box) { qobject_cast<QMessageBox*>(box)->accept(); }, w);
            QMetaObject::invokeMethod(w, "accept", Qt::QueuedConnection);
            QTimer::singleShot(200, w, [w, edit] {
                QVERIFY(w->isVisible());
                edit->setText(QStringLiteral("150"));
                QMetaObject::invokeMethod(w, "accept");
            });
        });
        click(CRepDlg::kFuenteId);
        QCOMPARE(page->model().Zoom(), 150.0);
        QVERIFY(page->model().PageCount() > count);

        // Adjust mode shows grips; the check box drives it.
        qobject_cast<QCheckBox*>(dlg.control(CRepDlg::kAjustarId))->setChecked(true);
        QVERIFY(page->model().AdjustMode());
    }

    void exportsTextAndReportFile() {
        const CRepData data = report(3);
        CRepDlg dlg(data, QStringLiteral("MI NEGOCIO"), QStringLiteral("- CATALOGO -"), false, false);
        QTemporaryDir dir;
        const QString txt = dir.filePath(QStringLiteral("r.TXT"));
        QVERIFY(dlg.saveTo(txt));
        QFile f(txt);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        QVERIFY(bytes.startsWith("- CATALOGO -\r\nFecha de generaci\xF3n: 05/Mar/2004\r\n(Resumido)\r\n"
                                 "Serie/Folio\tCliente\tImporte\t\r\nA100000\tCliente n\xFAmero 0\t$1,240.00\t\r\n"));
        QCOMPARE(bytes.count("\r\n"), 3 + 1 + 3);

        const QString rep = dir.filePath(QStringLiteral("r.rep"));
        QVERIFY(dlg.saveTo(rep));
        QFile r(rep);
        QVERIFY(r.open(QIODevice::ReadOnly));
        QVERIFY(r.readAll().startsWith(QByteArray("\x0C- CATALOGO -\x03\0\0\0\x03\0\0\0", 21)));
        QString error;
        QVERIFY(!dlg.saveTo(dir.filePath(QStringLiteral("no/such/r.txt")), &error));
        QVERIFY(!error.isEmpty());
    }

    void rendersAPage() {
        const CRepData data = report(60);
        CRepDlg dlg(data, QStringLiteral("MI NEGOCIO"), QStringLiteral("- DIARIO DE DOCUMENTOS -"), true, false);
        const QImage image = dlg.page()->renderPage(850);
        QCOMPARE(image.width(), 850);
        // Ink on the sheet: the headings and rows darken some pixels of the white page.
        int dark = 0;
        for (int y = 0; y < image.height(); y += 2)
            for (int x = 0; x < image.width(); x += 2)
                dark += qGray(image.pixel(x, y)) < 128;
        QVERIFY(dark > 500);
        const QByteArray out = qgetenv("REPORT_PNG");
        if (!out.isEmpty())
            image.save(QString::fromLocal8Bit(out));
    }
};

QTEST_MAIN(TestRepDlg)
#include "tst_repdlg.moc"
