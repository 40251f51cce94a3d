#include "platform/ui/Resources.h"
#include "reports/RepData.h"
#include "reports/ui/FontsizeDlg.h"
#include "reports/ui/RepDlg.h"
#include "reports/ui/RepPage.h"
#include "support/ModalAnswer.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QPrintDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QFile>
#include <QFontDatabase>
#include <QFontInfo>
#include <QImage>
#include <QLineEdit>
#include <QMessageBox>
#include <QWheelEvent>
#include <QApplication>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
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

    // A grip dragged with the mouse widens its column and moves the later ones; the wheel scrolls.
    void dragsAColumnGripAndScrolls() {
        const CRepData data = report(10);
        CRepDlg dlg(data, QStringLiteral("MI NEGOCIO"), QStringLiteral("- R -"), true, false);
        dlg.showNormal();
        dlg.resize(900, 600);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        CRepPage* page = dlg.page();
        qobject_cast<QCheckBox*>(dlg.control(CRepDlg::kAjustarId))->setChecked(true);
        QTest::qWait(20);
        const double k = double(page->width()) / page->model().PageWidth();
        const int edge = page->model().ColumnX()[0] + page->model().ColumnWidth()[0];
        const int width0 = page->model().ColumnWidth()[0];
        const int x1 = page->model().ColumnX()[1];
        const QPoint grip(int((edge - 2) * k), 2);
        QTest::mousePress(page, Qt::LeftButton, {}, grip);
        QVERIFY(page->model().Dragging());
        QTest::mouseMove(page, grip + QPoint(int(100 * k), 0));
        QTest::mouseRelease(page, Qt::LeftButton, {}, grip + QPoint(int(100 * k), 0));
        QVERIFY(!page->model().Dragging());
        const int moved = page->model().ColumnWidth()[0] - width0;
        QVERIFY2(moved > 80 && moved < 120, qPrintable(QString::number(moved)));
        QCOMPARE(page->model().ColumnX()[1], x1 + moved);

        QCOMPARE(page->scroll(), 0);
        QWheelEvent wheel(QPointF(50, 50), page->mapToGlobal(QPointF(50, 50)), {}, QPoint(0, -120), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(page, &wheel);
        QCOMPARE(page->scroll(), 60);
        QVERIFY(page->scrollMaximum() > 0);
        page->setScroll(1 << 20);
        QCOMPARE(page->scroll(), page->scrollMaximum());
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

    // A report longer than the viewer holds shows its first rows and a notice; "Guardar" builds
    // it again into the file, whole, with the bytes of the report never cut.
    void aCutReportIsSavedWhole() {
        const auto build = [](CRepData& d, std::string&, const ReportProgress&) {
            d.SetSize(0, 2);
            d.SetHeader(0, "Folio");
            d.SetHeader(1, "Cliente");
            d.AddTitleLine("(Detallado)");
            for (int r = 0; r < 50; ++r) {
                d.SetRowCount(r + 1);
                d.SetCell(r, 0, std::to_string(r));
                d.SetCell(r, 1, "Núñez " + std::to_string(r));
            }
            return true;
        };
        CRepData shown, whole;
        std::string message;
        shown.SetHeldRowLimit(20);
        QVERIFY(build(shown, message, {}));
        QVERIFY(shown.Truncated());
        QCOMPARE(shown.GetRowCount(), 50);
        QCOMPARE(std::string(shown.GetCell(19, 1)), std::string("Núñez 19"));
        QCOMPARE(std::string(shown.GetCell(30, 1)), std::string());
        shown.CutAtLimit("- aviso -");
        QCOMPARE(shown.GetRowCount(), 22);
        QCOMPARE(std::string(shown.GetCell(21, 0)), std::string("- aviso -"));
        QVERIFY(build(whole, message, {}));

        CRepDlg dlg(shown, QStringLiteral("MI NEGOCIO"), QStringLiteral("- DIARIO -"), false, false, nullptr, build);
        QTemporaryDir dir;
        for (const char* name : {"r.txt", "r.rep"}) {
            const QString cut = dir.filePath(QString::fromLatin1(name));
            QVERIFY(dlg.saveTo(cut));
            const std::string expected = dir.filePath(QStringLiteral("entero-") + QString::fromLatin1(name)).toStdString();
            QVERIFY(whole.SaveToFile(expected, "- DIARIO -"));
            QFile a(cut), b(QString::fromStdString(expected));
            QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
            QCOMPARE(a.readAll(), b.readAll());
        }
    }

    // Every page goes to the printer, landscape when asked, and the page shown stays shown.
    void printsAllPagesToPdf() {
        const CRepData data = report(150);
        CRepDlg dlg(data, QStringLiteral("MI NEGOCIO"), QStringLiteral("- DIARIO DE DOCUMENTOS -"), false, false);
        CRepPage* page = dlg.page();
        page->model().SetCurrentPage(2);
        page->model().SetAdjustMode(true);
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("r.pdf"));
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        QVERIFY(page->printAll(printer));
        QCOMPARE(page->model().CurrentPage(), 2);
        QVERIFY(!page->model().AdjustMode());
        const int count = page->model().PageCount();
        QVERIFY(count >= 3);

        QProcess info;
        info.start(QStringLiteral("pdfinfo"), {pdf});
        if (!info.waitForFinished(20000) || info.exitCode() != 0)
            QSKIP("pdfinfo is not available");
        const QString text = QString::fromLocal8Bit(info.readAllStandardOutput());
        QVERIFY2(text.contains(QRegularExpression(QStringLiteral("Pages:\\s+%1\\b").arg(count))), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("792 x 612")), qPrintable(text)); // letter, landscape
        QProcess toText;
        toText.start(QStringLiteral("pdftotext"), {QStringLiteral("-f"), QString::number(count), pdf, QStringLiteral("-")});
        QVERIFY(toText.waitForFinished(20000));
        const QString last = QString::fromUtf8(toText.readAllStandardOutput());
        QVERIFY2(last.contains(QStringLiteral("A100149")) && last.contains(QStringLiteral("MI NEGOCIO")),
                 qPrintable(last + QString::fromLocal8Bit(toText.readAllStandardError())));
    }

    // The print dialog's page range and "current page" print those pages only, to a PDF file
    // chosen in the dialog.
    void printsTheChosenPages() {
        const CRepData data = report(150);
        CRepDlg dlg(data, QStringLiteral("MI NEGOCIO"), QStringLiteral("- DIARIO DE DOCUMENTOS -"), true, false);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        const int rows = dlg.page()->model().RowsPerPage();
        QVERIFY(dlg.page()->model().PageCount() >= 3);
        QTemporaryDir dir;
        auto printWith = [&](const QString& file, const std::function<void(QPrintDialog*)>& choose) {
            answerNextModal([file, choose](QWidget* w) {
                auto* print = qobject_cast<QPrintDialog*>(w);
                if (!print) {
                    w->close();
                    return;
                }
                auto* printers = print->findChild<QComboBox*>(QStringLiteral("printers"));
                if (printers)
                    printers->setCurrentIndex(printers->count() - 1); // the PDF file
                auto* name = print->findChild<QLineEdit*>(QStringLiteral("filename"));
                QVERIFY(name);
                name->setFocus();
                QTest::keyClick(name, Qt::Key_A, Qt::ControlModifier);
                QTest::keyClicks(name, file);
                choose(print);
                print->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
            });
            QTest::mouseClick(dlg.control<QPushButton>(CRepDlg::kImprimirId), Qt::LeftButton);
        };
        auto pdfText = [](const QString& file, int page) {
            QProcess p;
            p.start(QStringLiteral("pdftotext"), {QStringLiteral("-f"), QString::number(page), QStringLiteral("-l"),
                                                 QString::number(page), file, QStringLiteral("-")});
            p.waitForFinished(20000);
            return QString::fromUtf8(p.readAllStandardOutput());
        };
        auto pageCount = [](const QString& file) {
            QProcess p;
            p.start(QStringLiteral("pdfinfo"), {file});
            p.waitForFinished(20000);
            const auto m = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(QString::fromLatin1(p.readAllStandardOutput()));
            return m.hasMatch() ? m.captured(1).toInt() : -1;
        };

        // Pages 2 to 3, typed in the range boxes.
        const QString range = dir.filePath(QStringLiteral("rango.pdf"));
        printWith(range, [](QPrintDialog* print) {
            auto* pages = print->findChild<QRadioButton*>(QStringLiteral("printRange"));
            QVERIFY(pages && pages->isEnabled());
            pages->click();
            for (auto [box, value] : {std::pair{"from", "2"}, std::pair{"to", "3"}}) {
                auto* spin = print->findChild<QSpinBox*>(QString::fromLatin1(box));
                QVERIFY(spin);
                spin->setFocus();
                QTest::keyClick(spin, Qt::Key_A, Qt::ControlModifier);
                QTest::keyClicks(spin, QString::fromLatin1(value));
            }
        });
        QTRY_VERIFY(QFile::exists(range));
        if (pageCount(range) < 0)
            QSKIP("pdfinfo is not available");
        QCOMPARE(pageCount(range), 2);
        QVERIFY(pdfText(range, 1).contains(QStringLiteral("A%1").arg(100000 + rows)));
        QVERIFY(!pdfText(range, 1).contains(QStringLiteral("A100000")));
        QVERIFY(pdfText(range, 2).contains(QStringLiteral("A%1").arg(100000 + 2 * rows)));

        // The page on screen: the third, reached with the "next" button.
        dlg.control<QPushButton>(CRepDlg::kNextId)->click();
        dlg.control<QPushButton>(CRepDlg::kNextId)->click();
        QCOMPARE(dlg.page()->model().CurrentPage(), 3);
        const QString current = dir.filePath(QStringLiteral("actual.pdf"));
        printWith(current, [](QPrintDialog* print) {
            auto* page = print->findChild<QRadioButton*>(QStringLiteral("printCurrentPage"));
            QVERIFY(page && page->isEnabled());
            page->click();
        });
        QTRY_VERIFY(QFile::exists(current));
        QCOMPARE(pageCount(current), 1);
        QVERIFY(pdfText(current, 1).contains(QStringLiteral("A%1").arg(100000 + 2 * rows)));
        QCOMPARE(dlg.page()->model().CurrentPage(), 3);
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
        if (!out.isEmpty()) {
            image.save(QString::fromLocal8Bit(out));
            dlg.showNormal();
            dlg.resize(1000, 700);
            dlg.show();
            QVERIFY(QTest::qWaitForWindowExposed(&dlg));
            dlg.grab().save(QString::fromLocal8Bit(out) + QStringLiteral(".dialog.png"));
        }
    }
};

QTEST_MAIN(TestRepDlg)
#include "tst_repdlg.moc"
