// Printing documents through page formats, read back from the PDF with poppler's pdftotext:
// sheets per copy, positions in millimetres, the notes block, repetition, failures, and the
// ready invoice layout.
#include "db/Database.h"
#include "db/FormatosSet.h"
#include "invoice/MoneyFormat.h"
#include "platform/ApplicationState.h"
#include "printing/DefaultFormats.h"
#include "printing/FormatStore.h"
#include "printing/PageLayout.h"
#include "printing/PrintJob.h"
#include "printing/PrintPage.h"
#include "printing/WindowsFormat.h"
#include "printing/ui/PagePainter.h"
#include "printing/ui/PrintDocument.h"
#include "printing/ui/PrintFont.h"
#include "printing/ui/QtTextMeasure.h"
#include "support/ModalAnswer.h"
#include "support/TestDatabase.h"
#include "toolkit/ui/TolMessageDlg.h"

#include <QDir>
#include <QFile>
#include <QFontInfo>
#include <QImage>
#include <QPainter>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinterInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextDocumentFragment>
#include <QtTest>

#include <memory>

namespace {

// 0.1 mm per PDF point.
constexpr double kUnitsPerPoint = 254.0 / 72.0;

struct Word {
    QString text;
    double xMin, yMin, xMax, yMax; // 0.1 mm from the sheet's top-left corner, y downwards
};
using Sheet = QList<Word>;

// The words of every page of a PDF with their boxes.
QList<Sheet> readPdf(const QString& pdf) {
    QProcess run;
    run.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
    if (!run.waitForFinished(60000) || run.exitCode() != 0)
        return {};
    const QString html = QString::fromUtf8(run.readAllStandardOutput());
    QList<Sheet> sheets;
    static const QRegularExpression tag(
        QString::fromLatin1(R"re(<page |<word xMin="([-\d.]+)" yMin="([-\d.]+)" xMax="([-\d.]+)" yMax="([-\d.]+)">([^<]*)</word>)re"));
    auto it = tag.globalMatch(html);
    while (it.hasNext()) {
        const auto m = it.next();
        if (m.captured(0) == QStringLiteral("<page ")) {
            sheets.append(Sheet{});
            continue;
        }
        if (sheets.isEmpty())
            continue;
        sheets.last().append({QTextDocumentFragment::fromHtml(m.captured(5)).toPlainText(),
                              m.captured(1).toDouble() * kUnitsPerPoint, m.captured(2).toDouble() * kUnitsPerPoint,
                              m.captured(3).toDouble() * kUnitsPerPoint, m.captured(4).toDouble() * kUnitsPerPoint});
    }
    return sheets;
}

QList<Word> find(const Sheet& sheet, const QString& text) {
    QList<Word> found;
    for (const Word& w : sheet)
        if (w.text == text)
            found.append(w);
    return found;
}

QStringList texts(const Sheet& sheet) {
    QStringList all;
    for (const Word& w : sheet)
        all.append(w.text);
    return all;
}

CRenglonFormato textElement(FormatRect box, std::vector<CRenglonField> fields, std::int32_t alignment = ALIGN_LEFT,
                            std::int32_t height = -30, const char* face = "Arial") {
    CRenglonFormato e;
    e.Fields = std::move(fields);
    e.Position = box;
    e.Alignment = alignment;
    e.Font.Height = height;
    e.Font.FaceName = face;
    return e;
}

CPartida line(int n, const std::string& description = {}) {
    CPartida p;
    p.Clave = QStringLiteral("K%1").arg(n, 2, 10, QLatin1Char('0')).toStdString();
    p.Descripcion = description.empty() ? "Articulo" : description;
    p.Cantidad = n;
    p.Precio = 10.5;
    p.pI1 = 0.16;
    p.Recalculate();
    return p;
}

} // namespace

class TestPagePrint final : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    TestDatabase m_testDb;
    std::unique_ptr<Database> m_db;
    ApplicationState m_state;

    QString path(const QString& name) const { return m_dir.filePath(name); }

    std::int32_t addFormat(const CWindowsFormat& format) {
        return CFormatStore(*m_db).AddWindowsFormat("prueba", format);
    }

    static CPrintJob job(int lines, std::int32_t formatId) {
        CPrintJob j;
        j.Folio = 77;
        j.Serie = "A";
        j.Nombre = "Ferretería El Martillo";
        j.Fecha = OleDate::fromDate(2024, 3, 15);
        for (int n = 1; n <= lines; ++n) {
            j.Lines.push_back(line(n));
            j.Totals.Add(j.Lines.back());
        }
        j.FormatId = formatId;
        return j;
    }

    QList<Sheet> print(const CPrintJob& j, const QString& name) {
        QString error;
        const QString pdf = path(name);
        if (!PrintToPdf(j, *m_db, pdf, &error)) {
            qWarning() << "PrintToPdf:" << error;
            return {};
        }
        return readPdf(pdf);
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        MoneyFormat::setCurrent(MoneyFormat::mexican());
        m_db = m_testDb.create([](Database& db) { AddDefaultFormats(db); });
        m_state.database = m_db.get();
        CTolMessageDlg::registerToolkit();
    }

    // The layouts name Windows faces; fontconfig must give the metric-compatible ones, or every
    // width on the sheet changes.
    void facesResolveToMetricCompatibleFonts() {
        LogFont arial;
        LogFont courier;
        courier.FaceName = "Courier New";
        QCOMPARE(QFontInfo(PrintFont::ToQFont(arial)).family(), QStringLiteral("Liberation Sans"));
        QCOMPARE(QFontInfo(PrintFont::ToQFont(courier)).family(), QStringLiteral("Liberation Mono"));
        // Courier New is 0.6 em wide per character.
        courier.Height = -50;
        QVERIFY(qAbs(CQtTextMeasure().TextWidth("0123456789", courier) - 300) < 0.5);
    }

    // 25 lines, 10 to a sheet, two copies: sheets of 10, 10 and 5 lines twice, each with the
    // header and the totals, the lines restarting at the top of every sheet.
    void linesRunOverSheetsForEveryCopy() {
        CWindowsFormat f;
        f.Pitch = 50;
        f.Caben = 10;
        f.Elements.push_back(textElement({200, -100, 1000, -140}, {CRenglonField("ENCABEZADO")}));
        f.Elements.push_back(textElement({1500, -2500, 1900, -2540}, {CRenglonField(FIELD_DOC, 36)}, ALIGN_RIGHT));
        f.Elements.push_back(textElement({200, -500, 600, -540}, {CRenglonField(FIELD_DETAIL, 1)}));
        CPrintJob j = job(25, addFormat(f));
        j.Copies = 2;
        const QList<Sheet> sheets = print(j, QStringLiteral("copias.pdf"));
        QCOMPARE(sheets.size(), 6);
        const QString total = QString::fromStdString(j.DocumentValue(36)).trimmed();
        const int perSheet[] = {10, 10, 5, 10, 10, 5};
        for (int s = 0; s < 6; ++s) {
            const Sheet& sheet = sheets[s];
            QCOMPARE(find(sheet, QStringLiteral("ENCABEZADO")).size(), 1);
            QCOMPARE(find(sheet, total).size(), 1);
            QStringList keys;
            for (const Word& w : sheet)
                if (w.text.startsWith(QLatin1Char('K')))
                    keys.append(w.text);
            QCOMPARE(keys.size(), perSheet[s]);
            const int first = (s % 3) * 10 + 1;
            QCOMPARE(keys.first(), QStringLiteral("K%1").arg(first, 2, 10, QLatin1Char('0')));
            // The first line of every sheet on the first detail position, the next one pitch lower.
            const Word k1 = find(sheet, keys[0]).first();
            const Word k2 = find(sheet, keys[1]).first();
            QVERIFY2(qAbs(k2.yMax - k1.yMax - 50) < 0.5, qPrintable(QString::number(k2.yMax - k1.yMax)));
            if (s > 0)
                QVERIFY(qAbs(k1.yMax - find(sheets[0], QStringLiteral("K01")).first().yMax) < 0.1);
        }
    }

    // Repetir 1485 puts a second copy of every element 148.5 mm lower on the same sheet.
    void repeatedElementsSit1485Lower() {
        CWindowsFormat f;
        f.Pitch = 50;
        f.Caben = 10;
        f.Repetir = 1485;
        f.Elements.push_back(textElement({200, -100, 1000, -140}, {CRenglonField("ORIGINAL")}));
        f.Elements.push_back(textElement({200, -500, 600, -540}, {CRenglonField(FIELD_DETAIL, 1)}));
        const QList<Sheet> sheets = print(job(2, addFormat(f)), QStringLiteral("repetir.pdf"));
        QCOMPARE(sheets.size(), 1);
        for (const QString& text : {QStringLiteral("ORIGINAL"), QStringLiteral("K01"), QStringLiteral("K02")}) {
            const QList<Word> both = find(sheets[0], text);
            QCOMPARE(both.size(), 2);
            QVERIFY(qAbs(both[1].yMax - both[0].yMax - 1485) < 0.2);
            QVERIFY(qAbs(both[1].xMin - both[0].xMin) < 0.05);
        }
    }

    // Reference points 0.2 mm inside the box for left and right alignment, the middle for centre;
    // the bottom of the character cell on the box's lower edge.
    void textSitsWhereItsAlignmentSays() {
        CWindowsFormat f;
        f.Pitch = 50;
        f.Caben = 10;
        f.Elements.push_back(textElement({300, -200, 1000, -250}, {CRenglonField("IZQUIERDA")}, ALIGN_LEFT, -40));
        // Corners in the other order.
        f.Elements.push_back(textElement({1000, -300, 300, -350}, {CRenglonField("DERECHA")}, ALIGN_RIGHT, -40));
        f.Elements.push_back(textElement({300, -400, 1001, -450}, {CRenglonField("CENTRO")}, ALIGN_CENTER, 40));
        const QList<Sheet> sheets = print(job(1, addFormat(f)), QStringLiteral("alineacion.pdf"));
        QCOMPARE(sheets.size(), 1);
        const Word left = find(sheets[0], QStringLiteral("IZQUIERDA")).value(0);
        const Word right = find(sheets[0], QStringLiteral("DERECHA")).value(0);
        const Word centre = find(sheets[0], QStringLiteral("CENTRO")).value(0);
        QVERIFY2(qAbs(left.xMin - 302) < 0.1, qPrintable(QString::number(left.xMin)));
        QVERIFY2(qAbs(right.xMax - 998) < 0.1, qPrintable(QString::number(right.xMax)));
        QVERIFY2(qAbs((centre.xMin + centre.xMax) / 2 - 650) < 0.1, qPrintable(QString::number(centre.xMin)));
        // A positive stored height draws the same character height as the negative one.
        QVERIFY(qAbs((centre.yMax - centre.yMin) - (left.yMax - left.yMin)) < 0.05);

        // Vertically: the bottom of the character cell (ascent plus descent, which is the box
        // pdftotext reports) on the box's lower edge, 25 mm from the top.
        LogFont font;
        const auto metrics = CQtTextMeasure().FontMetrics(font);
        QVERIFY2(qAbs(left.yMax - 250) < 0.1, qPrintable(QString::number(left.yMax)));
        QVERIFY2(qAbs(left.yMin - (250 - metrics.height())) < 0.1, qPrintable(QString::number(left.yMin)));

        // Narrowed to 94 %: the drawn width against the font's natural width.
        const double natural = CQtTextMeasure().TextWidth("IZQUIERDA", font);
        const double ratio = (left.xMax - left.xMin) / natural;
        QVERIFY2(ratio > 0.85 && ratio < 0.95, qPrintable(QString::number(ratio)));
    }

    // A note that needs three lines at the element's width moves the next line down by three
    // text lines besides the pitch; a line break in the note starts a new line.
    void notesPushTheFollowingLinesDown() {
        CWindowsFormat f;
        f.Pitch = 50;
        f.Caben = 10;
        f.Elements.push_back(textElement({200, -500, 600, -540}, {CRenglonField(FIELD_DETAIL, 1)}));
        CRenglonFormato notes = textElement({700, -540, 1100, -580}, {CRenglonField(FIELD_DETAIL, 15)});
        f.Elements.push_back(notes);
        CPrintJob j = job(3, addFormat(f));
        // About 75 mm of text in a 40 mm box: three lines.
        j.Lines[0].Observaciones = "primera segunda tercera cuarta quinta sexta septima octava novena";
        j.Lines[1].Observaciones = "uno\r\ndos";
        const QList<Sheet> sheets = print(j, QStringLiteral("notas.pdf"));
        QCOMPARE(sheets.size(), 1);
        const Sheet& s = sheets[0];

        LogFont font;
        font.Height = -30;
        const auto m = CQtTextMeasure().FontMetrics(font);
        const double lineHeight = std::lround(m.height() + m.externalLeading);
        const double k1 = find(s, QStringLiteral("K01")).value(0).yMax;
        const double k2 = find(s, QStringLiteral("K02")).value(0).yMax;
        const double k3 = find(s, QStringLiteral("K03")).value(0).yMax;
        QVERIFY2(qAbs(k2 - k1 - (50 + 3 * lineHeight)) < 0.5, qPrintable(QString::number(k2 - k1)));
        QVERIFY2(qAbs(k3 - k2 - (50 + 2 * lineHeight)) < 0.5, qPrintable(QString::number(k3 - k2)));

        // Three distinct rows of notes, the first on the element's lower edge, inside its width.
        QList<double> rows;
        for (const Word& w : s) {
            if (w.xMin >= 699 && w.yMax < k2 && !rows.contains(std::round(w.yMax)))
                rows.append(std::round(w.yMax));
            if (w.xMin >= 699)
                QVERIFY2(w.xMax <= 1100.1, qPrintable(w.text));
        }
        QCOMPARE(rows.size(), 3);
        QVERIFY(qAbs(find(s, QStringLiteral("primera")).value(0).yMax - (580 - lineHeight + m.height())) < 0.6);
        const Word uno = find(s, QStringLiteral("uno")).value(0);
        const Word dos = find(s, QStringLiteral("dos")).value(0);
        QVERIFY(qAbs(dos.yMax - uno.yMax - lineHeight) < 0.5);
        QVERIFY(qAbs(dos.xMin - uno.xMin) < 0.05);
    }

    // Lines and rectangles with a 0.4 mm pen where they are stored, drawn on a 0.1 mm raster.
    void shapesAreDrawnWithTheirPen() {
        CWindowsFormat f;
        f.Pitch = 50;
        f.Caben = 10;
        CRenglonFormato rule;
        rule.IsLine = 1;
        rule.Position = {100, -300, 900, -300};
        rule.Colour = 0x000000FF; // red
        CRenglonFormato frame;
        frame.IsRectangle = 1;
        frame.Position = {100, -400, 500, -600};
        f.Elements = {rule, frame};
        std::vector<PrintPage> pages;
        QString error;
        QVERIFY(LayoutDocument(job(1, addFormat(f)), *m_db, pages, &error));
        QCOMPARE(pages.size(), std::size_t{1});
        QImage sheet(1000, 1000, QImage::Format_RGB32);
        sheet.fill(Qt::white);
        {
            QPainter painter(&sheet);
            PaintPage(painter, pages[0], 254); // one pixel per 0.1 mm
        }
        QCOMPARE(sheet.pixelColor(500, 300), QColor(Qt::red));
        QCOMPARE(sheet.pixelColor(500, 301), QColor(Qt::red));
        QCOMPARE(sheet.pixelColor(500, 303), QColor(Qt::white)); // 0.4 mm: two pixels each side
        QCOMPARE(sheet.pixelColor(500, 296), QColor(Qt::white));
        QCOMPARE(sheet.pixelColor(950, 300), QColor(Qt::white));
        for (const QPoint p : {QPoint(300, 400), QPoint(300, 600), QPoint(100, 500), QPoint(500, 500)})
            QCOMPARE(sheet.pixelColor(p), QColor(Qt::black));
        QCOMPARE(sheet.pixelColor(300, 500), QColor(Qt::white));
    }

    // A damaged or missing format prints nothing and tells the operator; no format chosen has
    // its own message.
    void unreadableFormatsPrintNothing() {
        CFormatosSet set(*m_db);
        set.Open();
        set.AddNew();
        set.m_Nombre = "dañado";
        set.m_Detalle = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00};
        set.Update();
        const std::int32_t damaged = set.m_Id_Formato;

        for (const std::int32_t id : {damaged, damaged + 1000}) {
            const QString pdf = path(QStringLiteral("dañado.pdf"));
            QString error;
            QVERIFY(!PrintToPdf(job(3, id), *m_db, pdf, &error));
            QCOMPARE(error, QStringLiteral("No se pudo leer la definición del formato de impresión"));
            QVERIFY(!QFile::exists(pdf));

            QString shown;
            answerNextModal([&shown](QWidget* w) {
                if (auto* box = qobject_cast<CTolMessageDlg*>(w))
                    shown = box->text();
                w->close();
            });
            QVERIFY(!PrintDocument(job(3, id), *m_db, m_state, nullptr));
            QCOMPARE(shown, QStringLiteral("No se pudo leer la definición del formato de impresión"));
        }
        QString error;
        QVERIFY(!PrintToPdf(job(3, -1), *m_db, path(QStringLiteral("ninguno.pdf")), &error));
        QCOMPARE(error, QStringLiteral("No esta definido el formato de impresión"));
    }

    // Without lines there is no sheet: nothing is written and no printer is asked for.
    void documentWithoutLinesPrintsNoSheet() {
        CWindowsFormat f;
        f.Caben = 10;
        f.Elements.push_back(textElement({200, -100, 1000, -140}, {CRenglonField("ENCABEZADO")}));
        const std::int32_t id = addFormat(f);
        QString error;
        QVERIFY(!PrintToPdf(job(0, id), *m_db, path(QStringLiteral("vacio.pdf")), &error));
        QVERIFY(!QFile::exists(path(QStringLiteral("vacio.pdf"))));
        QVERIFY(!PrintDocument(job(0, id), *m_db, m_state, nullptr));
        QVERIFY(!QApplication::activeModalWidget());
    }

    // With no system printer the print dialog asks; cancelling it prints nothing, silently.
    void cancelledPrintDialogPrintsNothing() {
        if (!QPrinterInfo::defaultPrinter().isNull())
            QSKIP("this machine has a default printer; the test would print on it");
        const std::int32_t id = addFormat(CWindowsFormat{});
        QStringList seen;
        answerNextModal([&seen](QWidget* w) {
            seen.append(QString::fromUtf8(w->metaObject()->className()));
            QVERIFY(qobject_cast<QPrintDialog*>(w));
            static_cast<QDialog*>(w)->reject();
        });
        QVERIFY(!PrintDocument(job(2, id), *m_db, m_state, nullptr));
        QCOMPARE(seen.size(), 1);
        QTest::qWait(50);
        QVERIFY(!QApplication::activeModalWidget());
    }

    // With no system printer the dialog offers a PDF file; AskPrinter shows it a second time,
    // and cancelling that one prints nothing.
    void printDialogChoosesAFile() {
        if (!QPrinterInfo::defaultPrinter().isNull())
            QSKIP("this machine has a default printer; the test would print on it");
        CWindowsFormat f;
        f.Caben = 2;
        f.Pitch = 50;
        f.Elements.push_back(textElement({200, -500, 600, -540}, {CRenglonField(FIELD_DETAIL, 1)}));
        const std::int32_t id = addFormat(f);
        const QString pdf = path(QStringLiteral("dialogo.pdf"));
        auto toFile = [pdf](QWidget* w) {
            auto* dialog = qobject_cast<QPrintDialog*>(w);
            QVERIFY(dialog);
            auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("filename"));
            QVERIFY(name);
            name->setText(pdf);
            dialog->accept();
        };

        ApplicationState ask = m_state;
        ask.askPrinter = 1;
        int shown = 0;
        answerNextModal([&](QWidget* w) {
            ++shown;
            toFile(w);
            answerNextModal([&shown](QWidget* again) {
                ++shown;
                static_cast<QDialog*>(again)->reject();
            });
        });
        QVERIFY(!PrintDocument(job(3, id), *m_db, ask, nullptr));
        QCOMPARE(shown, 2);
        QVERIFY(!QFile::exists(pdf));

        answerNextModal(toFile);
        QVERIFY(PrintDocument(job(3, id), *m_db, m_state, nullptr));
        const QList<Sheet> sheets = readPdf(pdf);
        QCOMPARE(sheets.size(), 2);
        QCOMPARE(texts(sheets[1]), QStringList{QStringLiteral("K03")});
    }

    // The preview shows every sheet of every copy.
    void previewShowsTheSheets() {
        CWindowsFormat f;
        f.Caben = 2;
        f.Pitch = 50;
        f.Elements.push_back(textElement({200, -500, 600, -540}, {CRenglonField(FIELD_DETAIL, 1)}));
        CPrintJob j = job(5, addFormat(f));
        j.Copies = 2;
        int pages = -1;
        answerNextModal([&pages](QWidget* w) {
            QVERIFY(qobject_cast<QPrintPreviewDialog*>(w));
            auto* view = w->findChild<QPrintPreviewWidget*>();
            QVERIFY(view);
            view->updatePreview();
            pages = view->pageCount();
            static_cast<QDialog*>(w)->reject();
        });
        PreviewDocument(j, *m_db, nullptr);
        QCOMPARE(pages, 6);
    }

    // pWin 0 takes the receipt side, which says it is not available and prints nothing.
    void ticketSideIsASeparateOutput() {
        ApplicationState ticket = m_state;
        ticket.pWin = 0;
        QString shown;
        answerNextModal([&shown](QWidget* w) {
            if (auto* box = qobject_cast<CTolMessageDlg*>(w))
                shown = box->text();
            w->close();
        });
        QVERIFY(!PrintDocument(job(2, -1), *m_db, ticket, nullptr));
        QVERIFY(shown.contains(QStringLiteral("tickets")));
    }

    // The invoice every new database carries, for a document of 12 lines: one sheet with every
    // line, the customer, the totals and the amount in words; amounts end inside their columns.
    void readyInvoiceLayoutPrintsADocument() {
        CFormatosSet set(*m_db);
        set.m_strFilter = "[Nombre]=?";
        set.m_filterParams = {DbValue{std::string(kDefaultInvoiceFormat)}};
        set.Open();
        QVERIFY(!set.IsEOF());
        CPrintJob j = job(0, set.m_Id_Formato);
        j.Nombre = "Papelería y Regalos La Estrella, S.A. de C.V.";
        j.Dom1 = "Av. Madero Poniente 1240, Int. 3";
        j.Dom2 = "Col. Centro, C.P. 58000";
        j.Dom3 = "Morelia, Michoacán";
        j.RFC = "PRE930215KT7";
        j.Telefono = "443 312 0099";
        j.Vencimiento = OleDate::fromDate(2024, 4, 14);
        j.Observaciones = "Entrega a domicilio sin costo";
        const char* names[] = {"Cuaderno profesional raya 100 hojas", "Lápiz del número 2", "Goma blanca",
                               "Caja de colores 24 piezas", "Tijeras escolares", "Pegamento en barra 40 g",
                               "Regla de 30 cm", "Calculadora científica", "Mochila escolar", "Carpeta de argollas",
                               "Marcatextos amarillo", "Paquete de hojas blancas 500"};
        for (int n = 1; n <= 12; ++n) {
            CPartida p = line(n, names[n - 1]);
            p.Precio = 12.5 * n * n;
            p.Recalculate();
            if (n == 3)
                p.Observaciones = "Color blanco, sin funda; el cliente pidió que se entregue junto con el resto del pedido";
            j.Lines.push_back(p);
            j.Totals.Add(p);
        }
        const QString pdf = path(QStringLiteral("factura.pdf"));
        QString error;
        QVERIFY2(PrintToPdf(j, *m_db, pdf, &error), qPrintable(error));
        // A picture of the sheet, to be looked at when the layout changes.
        const QString keep = qEnvironmentVariable("QUINTALEVA_KEEP_PRINTS");
        if (!keep.isEmpty()) {
            QDir().mkpath(keep);
            QFile::remove(keep + QStringLiteral("/factura.pdf"));
            QFile::copy(pdf, keep + QStringLiteral("/factura.pdf"));
            QProcess::execute(QStringLiteral("pdftoppm"), {QStringLiteral("-png"), QStringLiteral("-r"), QStringLiteral("60"),
                                                           pdf, keep + QStringLiteral("/factura")});
        }
        const QList<Sheet> sheets = readPdf(pdf);
        QCOMPARE(sheets.size(), 1);
        const Sheet& s = sheets[0];
        const QStringList words = texts(s);
        for (int n = 1; n <= 12; ++n)
            QVERIFY(words.contains(QStringLiteral("K%1").arg(n, 2, 10, QLatin1Char('0'))));
        for (const char* expected : {"FACTURA", "000077", "15/Mar/2024", "14/Abr/2024", "PRE930215KT7", "Estrella,",
                                     "Michoacán", "TOTAL", "M.N.", "domicilio", "pidió"})
            QVERIFY2(words.contains(QString::fromUtf8(expected)), expected);
        // The total and every line's amount end 0.2 mm inside the right edges of their boxes.
        CWindowsFormat invoice;
        QVERIFY(CFormatStore(*m_db).LoadWindowsFormat(j.FormatId, invoice));
        auto rightEdgeOf = [&invoice](std::int32_t kind, std::int32_t index) {
            for (const CRenglonFormato& e : invoice.Elements)
                if (e.Fields.size() == 1 && e.Fields[0].Kind == kind && e.Fields[0].Index == index)
                    return std::max(e.Position.left, e.Position.right);
            return 0;
        };
        auto endsAt = [&s](const QString& text, double x) {
            const QList<Word> at = find(s, text);
            return std::any_of(at.begin(), at.end(), [x](const Word& w) { return qAbs(w.xMax - x) < 0.2; });
        };
        QVERIFY(endsAt(QString::fromStdString(j.DocumentValue(36)).trimmed(), rightEdgeOf(FIELD_DOC, 36) - 2));
        for (const CPartida& p : j.Lines) {
            const QString amount = QString::fromStdString(p.PrintValue(10, 1)).trimmed();
            QVERIFY2(endsAt(amount, rightEdgeOf(FIELD_DETAIL, 10) - 2), qPrintable(amount));
        }
        // Everything on the sheet inside 1.5 cm margins on letter paper.
        for (const Word& w : s)
            QVERIFY2(w.xMin >= 150 && w.xMax <= 2001 && w.yMin >= 100 && w.yMax <= 2650, qPrintable(w.text));

    }
};

QTEST_MAIN(TestPagePrint)
#include "tst_pageprint.moc"
