// Lantorela driven as the operator drives it: a text box drawn with the tool, two data added in
// the panel, dragged, resized by its handle, nudged with the arrow keys, all undone and redone;
// the saved stream holds exactly that element and the program prints it there. Also the
// question about unsaved changes, alignment on the sheet, the detail guides and the test print;
// a crooked scan straightened by two points, the wheel, a new format stored only when saved, a
// datum dragged from the list of data, and texts cut off by their box.
#include "db/Database.h"
#include "db/Statement.h"
#include "designer/FormatCatalog.h"
#include "designer/ui/DataList.h"
#include "designer/ui/DesignScene.h"
#include "designer/ui/ElementItem.h"
#include "designer/ui/DesignView.h"
#include "designer/ui/DesignerLauncher.h"
#include "designer/ui/DesignerWnd.h"
#include "designer/ui/ElementPanel.h"
#include "invoice/MoneyFormat.h"
#include "printing/FormatStore.h"
#include "printing/WindowsFormat.h"
#include "support/MessageLog.h"
#include "support/ModalAnswer.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QInputDialog>
#include <QMimeData>
#include <QScrollBar>
#include <QUndoStack>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QDoubleSpinBox>
#include <QPainter>
#include <QListWidget>
#include <QMessageBox>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QToolBar>
#include <QToolButton>
#include <QtTest>

namespace {

struct Word {
    QString text;
    double xMin, yMin, xMax, yMax; // mm from the sheet's top-left corner
};

QList<Word> pdfWords(const QString& pdf) {
    QProcess run;
    run.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
    if (!run.waitForFinished(60000) || run.exitCode() != 0)
        return {};
    static const QRegularExpression tag(QString::fromLatin1(
        R"re(<word xMin="([-\d.]+)" yMin="([-\d.]+)" xMax="([-\d.]+)" yMax="([-\d.]+)">([^<]*)</word>)re"));
    QList<Word> words;
    constexpr double mmPerPoint = 25.4 / 72;
    auto it = tag.globalMatch(QString::fromUtf8(run.readAllStandardOutput()));
    while (it.hasNext()) {
        const auto m = it.next();
        words.append({m.captured(5), m.captured(1).toDouble() * mmPerPoint, m.captured(2).toDouble() * mmPerPoint,
                      m.captured(3).toDouble() * mmPerPoint, m.captured(4).toDouble() * mmPerPoint});
    }
    return words;
}

QString buildDir() { return QCoreApplication::applicationDirPath() + QStringLiteral("/.."); }

// The texts an element shows on the sheet: on its first row, then on the following ones.
QStringList shownTexts(CDesignerWnd& w, std::size_t index) {
    QStringList texts;
    const CDesignSheet::Drawing& d = w.Scene()->ItemAt(index)->Drawing();
    for (const PrintPage* page : {&d.ops, &d.ghosts})
        for (const PageOp& op : page->ops)
            texts << QString::fromStdString(op.text);
    return texts;
}

void clickOk(QWidget* dialog) {
    auto* box = dialog->findChild<QDialogButtonBox*>();
    QTest::mouseClick(box->button(QDialogButtonBox::Ok), Qt::LeftButton);
}

} // namespace

class TestDesigner : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_path;
    std::unique_ptr<Database> m_db;
    std::int32_t m_formatId = 0;

    // The viewport point of a sheet point in 0.1 mm (x right, y down from the top-left corner).
    static QPoint at(CDesignerWnd& w, double x, double y) { return w.View()->mapFromScene(QPointF(x, y)); }

    static void drag(QWidget* viewport, QPoint from, QPoint to, Qt::KeyboardModifiers keys = {}) {
        QTest::mousePress(viewport, Qt::LeftButton, keys, from);
        // In steps, as a hand moves the mouse.
        for (int k = 1; k <= 4; ++k)
            QTest::mouseMove(viewport, from + (to - from) * k / 4);
        QTest::mouseRelease(viewport, Qt::LeftButton, keys, to);
    }

    static void click(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton); }

    static QToolButton* toolButton(CDesignerWnd& w, const char* action) {
        auto* bar = w.findChild<QToolBar*>(QStringLiteral("herramientas"));
        return qobject_cast<QToolButton*>(bar->widgetForAction(w.Action(QLatin1String(action))));
    }

    // Opens the format through the list, as the operator does: select it and press Enter.
    static void openListed(CDesignerWnd& w, std::int32_t id) {
        QListWidget* list = w.FormatList();
        for (int i = 0; i < list->count(); ++i)
            if (list->item(i)->data(Qt::UserRole).toInt() == id)
                list->setCurrentRow(i);
        list->setFocus();
        QTest::keyClick(list, Qt::Key_Return);
    }

private Q_SLOTS:
    void initTestCase() {
        // Messages are shown, so that the tests see them (and answer them).
        CTolMessageDlg::registerToolkit();
        QVERIFY(m_dir.isValid());
        m_path = m_dir.filePath(QStringLiteral("tienda.mdb"));
        QProcess cli;
        cli.start(buildDir() + QStringLiteral("/quintaleva-cli"),
                  {QStringLiteral("generar"), m_path, QStringLiteral("--documentos"), QStringLiteral("3"),
                   QStringLiteral("--clientes"), QStringLiteral("2"), QStringLiteral("--articulos"), QStringLiteral("3")});
        QVERIFY(cli.waitForFinished(60000));
        QCOMPARE(cli.exitCode(), 0);
        m_db = Database::open(m_path.toStdString());
        CDesignFormat blank;
        blank.Name = "Forma de la imprenta";
        blank.Format.DetailTop = -800;
        blank.Format.DetailBottom = -1800;
        blank.Format.Pitch = 50;
        QVERIFY(CFormatCatalog(*m_db).Save(blank));
        m_formatId = blank.Id;
    }

    void drawDragResizeNudgeUndoRedoSaveAndPrint() {
        CDesignerWnd w(*m_db);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        openListed(w, m_formatId);
        QCOMPARE(w.Current().Id, m_formatId);
        w.View()->SetZoom(1);
        w.View()->centerOn(600, 400);
        QWidget* viewport = w.View()->viewport();

        // Draw a text box from (20, 30) mm to (80, 36) mm.
        click(toolButton(w, "herramienta_texto"));
        drag(viewport, at(w, 200, 300), at(w, 800, 360));
        QCOMPARE(w.Current().Format.Elements.size(), std::size_t{1});
        QCOMPARE(w.Scene()->SelectedIndices(), ElementOps::Selection{0});
        QCOMPARE(w.Current().Format.Elements[0].Position, (FormatRect{200, -300, 800, -360}));

        // Two data from the list: the series and the folio.
        auto* datum = w.Panel()->findChild<QComboBox*>(QStringLiteral("dato"));
        auto* add = w.Panel()->findChild<QPushButton*>(QStringLiteral("agregarDato"));
        datum->setCurrentIndex(0);
        click(add);
        datum->setCurrentIndex(1);
        click(add);
        QCOMPARE(w.Current().Format.Elements[0].Fields.size(), std::size_t{2});

        // Drag it 10 mm right and 5 mm down, then pull its right handle 10 mm further.
        drag(viewport, at(w, 500, 330), at(w, 600, 380));
        QCOMPARE(w.Current().Format.Elements[0].Position, (FormatRect{300, -350, 900, -410}));
        drag(viewport, at(w, 900, 380), at(w, 1000, 380));
        QCOMPARE(w.Current().Format.Elements[0].Position, (FormatRect{300, -350, 1000, -410}));

        // Nudge 0.1 mm right, and 1 mm up with Shift.
        w.View()->setFocus();
        QTest::keyClick(w.View(), Qt::Key_Right);
        QTest::keyClick(w.View(), Qt::Key_Up, Qt::ShiftModifier);
        const CRenglonFormato expected = w.Current().Format.Elements[0];
        QCOMPARE(expected.Position, (FormatRect{301, -340, 1001, -400}));

        // Undo everything, then redo everything, with the keys.
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        int undone = 0;
        while (w.UndoStack()->canUndo() && undone < 20) {
            QTest::keyClick(&w, Qt::Key_Z, Qt::ControlModifier);
            ++undone;
        }
        QCOMPARE(undone, 6); // draw, two data, move, resize, nudges (merged)
        QVERIFY(w.Current().Format.Elements.empty());
        QVERIFY(!w.IsModified());
        for (int k = 0; k < undone; ++k)
            QTest::keyClick(&w, Qt::Key_Y, Qt::ControlModifier);
        QVERIFY(!w.UndoStack()->canRedo());
        QCOMPARE(w.Current().Format.Elements.size(), std::size_t{1});
        QCOMPARE(w.Current().Format.Elements[0], expected);
        QVERIFY(w.IsModified());
        QTest::keyClick(&w, Qt::Key_S, Qt::ControlModifier);
        QVERIFY(!w.IsModified());

        // The stored stream holds exactly that element.
        CWindowsFormat stored;
        QVERIFY(CFormatStore(*m_db).LoadWindowsFormat(m_formatId, stored));
        QCOMPARE(stored.Elements.size(), std::size_t{1});
        const CRenglonFormato& e = stored.Elements[0];
        QCOMPARE(e.Position, (FormatRect{301, -340, 1001, -400}));
        QCOMPARE(e.Fields.size(), std::size_t{2});
        QCOMPARE(e.Fields[0].Kind, FIELD_DOC);
        QCOMPARE(e.Fields[0].Index, 0);
        QCOMPARE(e.Fields[1].Kind, FIELD_DOC);
        QCOMPARE(e.Fields[1].Index, 1);
        QCOMPARE(e.Font, LogFont{});
        QCOMPARE(e.Alignment, ALIGN_LEFT);
        QCOMPARE(e.IsLine, 0);
        QCOMPARE(e.IsRectangle, 0);
        QCOMPARE(stored.Caben, 20); // (180 − 80) / 5

        // The program prints a stored document with it: the series and folio stand in that box.
        Statement first = m_db->prepare("SELECT Serie, Folio FROM Documentos ORDER BY Id_Documento LIMIT 1");
        QVERIFY(first.step());
        const QString serie = QString::fromStdString(first.text(0));
        const auto folio = first.integer(1);
        const QString pdf = m_dir.filePath(QStringLiteral("prueba.pdf"));
        QProcess cli;
        cli.start(buildDir() + QStringLiteral("/quintaleva-cli"),
                  {QStringLiteral("imprimir"), m_path, serie, QString::number(folio), QStringLiteral("--formato"),
                   QString::number(m_formatId), QStringLiteral("--pdf"), pdf});
        QVERIFY(cli.waitForFinished(60000));
        QCOMPARE(cli.exitCode(), 0);
        const QString expectedText = serie + QStringLiteral("%1").arg(folio, 6, 10, QLatin1Char('0'));
        const QList<Word> words = pdfWords(pdf);
        // One header element: the same word in the same place on every sheet of the document.
        QVERIFY(!words.isEmpty());
        for (const Word& word : words) {
            QCOMPARE(word.text, expectedText);
            // Left edge 30.1 mm plus the 0.2 mm inset; the text stands on the box's lower edge (40 mm).
            QVERIFY2(qAbs(word.xMin - 30.3) < 0.6, qPrintable(QString::number(word.xMin)));
            QVERIFY2(word.yMax <= 40.2 && word.yMax > 38.5, qPrintable(QString::number(word.yMax)));
        }
    }

    void rubberBandShiftClickAlignAndDelete() {
        CDesignerWnd w(*m_db);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QVERIFY(w.OpenFormat(m_formatId));
        w.View()->SetZoom(1);
        w.View()->centerOn(600, 600);
        QWidget* viewport = w.View()->viewport();
        const std::size_t before = w.Current().Format.Elements.size();
        // Two rectangles, drawn one under the other.
        click(toolButton(w, "herramienta_rectangulo"));
        drag(viewport, at(w, 400, 600), at(w, 600, 700));
        click(toolButton(w, "herramienta_rectangulo"));
        drag(viewport, at(w, 450, 800), at(w, 700, 850));
        QCOMPARE(w.Current().Format.Elements.size(), before + 2);
        QCOMPARE(w.Current().Format.Elements[before].IsRectangle, 1);

        // Rubber band around both, then Shift-click one off and on again.
        drag(viewport, at(w, 350, 550), at(w, 750, 900));
        QCOMPARE(w.Scene()->SelectedIndices(), (ElementOps::Selection{before, before + 1}));
        QTest::mouseClick(viewport, Qt::LeftButton, Qt::ShiftModifier, at(w, 500, 650));
        QCOMPARE(w.Scene()->SelectedIndices(), (ElementOps::Selection{before + 1}));
        QTest::mouseClick(viewport, Qt::LeftButton, Qt::ShiftModifier, at(w, 500, 650));
        QCOMPARE(w.Scene()->SelectedIndices().size(), std::size_t{2});

        w.Action(QStringLiteral("alinearIzquierda"))->trigger();
        QCOMPARE(ElementBox::Of(w.Current().Format.Elements[before].Position).left,
                 ElementBox::Of(w.Current().Format.Elements[before + 1].Position).left);

        // Dragged far off the sheet, the pair stops at its edge.
        drag(viewport, at(w, 500, 650), at(w, -4000, 650));
        QCOMPARE(ElementBox::Of(w.Current().Format.Elements[before].Position).left, 0);

        w.View()->setFocus();
        QTest::keyClick(w.View(), Qt::Key_Delete);
        QCOMPARE(w.Current().Format.Elements.size(), before);

        // Closing with unsaved work asks; "Cancelar" keeps the window and the work.
        bool asked = false;
        answerNextModal([&](QWidget* box) {
            asked = box->objectName() == QStringLiteral("guardarCambios");
            QTest::keyClick(box, Qt::Key_Escape);
        });
        QVERIFY(!w.close());
        QVERIFY(asked);
        QVERIFY(w.IsModified());
        answerNextModal([&](QWidget* box) {
            auto* message = qobject_cast<QMessageBox*>(box);
            QTest::mouseClick(message->button(QMessageBox::No), Qt::LeftButton);
        });
        QVERIFY(w.close());
    }

    void screenshotsAndTestPrint() {
        CDesignerWnd w(*m_db);
        w.resize(1300, 900);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const auto entries = CFormatCatalog(*m_db).List();
        std::int32_t invoice = 0;
        for (const auto& e : entries)
            if (e.name == "Factura carta")
                invoice = e.id;
        QVERIFY(invoice != 0);
        QVERIFY(w.OpenFormat(invoice));
        QVERIFY(w.Current().Format.Elements.size() > 20);
        const QString shots = qEnvironmentVariable("LANTORELA_SHOTS");
        if (!shots.isEmpty())
            w.grab().save(shots + QStringLiteral("/factura-carta.png"));

        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        const QString pdf = m_dir.filePath(QStringLiteral("muestra.pdf"));
        printer.setOutputFileName(pdf);
        QVERIFY(w.PrintTest(printer));
        const QList<Word> words = pdfWords(pdf);
        QStringList texts;
        for (const Word& word : words)
            texts << word.text;
        QVERIFY2(texts.contains(QStringLiteral("$1,242.00")), qPrintable(texts.join(u' ')));
        QVERIFY(texts.contains(QStringLiteral("DOCIENTOS")));
        // The sample line is printed on every detail line of the sheet.
        QCOMPARE(texts.count(QStringLiteral("S001")), qsizetype(20));
        if (!shots.isEmpty())
            QFile::copy(pdf, shots + QStringLiteral("/muestra.pdf"));
    }

    void backgroundPictureAlignedByTwoPoints() {
        CDesignerWnd w(*m_db);
        w.resize(1300, 900);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QVERIFY(w.OpenFormat(m_formatId));
        const QByteArray streamBefore = [&] {
            const auto bytes = CFormatCatalog(*m_db).RawStream(m_formatId).value();
            return QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
        }();

        // Not a picture: refused, nothing stored.
        const QString junk = m_dir.filePath(QStringLiteral("forma.png"));
        QFile bad(junk);
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write("esto no es una imagen");
        bad.close();
        {
            MessageLog log;
            QVERIFY(!w.SetBackgroundPicture(junk));
            QCOMPARE(log.texts.size(), 1);
            QVERIFY(log.texts[0].startsWith(QStringLiteral("No se pudo leer la imagen")));
        }
        QVERIFY(!w.Background());
        QVERIFY(!w.UndoStack()->canUndo());

        // A scan of the printer's form at 100 dpi, a little off: its frame's corners, truly at
        // (15, 20) mm and (200, 250) mm on the paper, sit elsewhere in the scan.
        QImage scan(1000, 1200, QImage::Format_RGB32);
        scan.fill(QColor(250, 248, 240));
        {
            QPainter p(&scan);
            p.setPen(QPen(QColor(40, 60, 160), 3));
            p.drawRect(QRect(QPoint(80, 90), QPoint(870, 1070)));
            p.drawLine(80, 300, 870, 300);
            QFont f = p.font();
            f.setPixelSize(40);
            p.setFont(f);
            p.drawText(110, 160, QStringLiteral("IMPRENTA LA ESPERANZA"));
        }
        const QString scanPath = m_dir.filePath(QStringLiteral("escaneo.png"));
        QVERIFY(scan.save(scanPath));
        QVERIFY(w.SetBackgroundPicture(scanPath));
        QVERIFY(w.Background());
        const FormatBackground first = *w.Background();
        QCOMPARE(first.width, 2159.0);

        // The operator clicks the two corners on the sheet and types their true places.
        auto onSheet = [&](double px, double py) {
            return QPointF(first.left + px * first.width / 1000, first.top + py * first.height / 1200);
        };
        w.View()->SetZoom(0.5);
        w.View()->centerOn(1000, 1300);
        w.Action(QStringLiteral("alinearFondo"))->trigger();
        answerNextModal([](QWidget* dialog) {
            const auto spins = dialog->findChildren<QDoubleSpinBox*>();
            const double truth[4] = {15, 20, 200, 250};
            for (int k = 0; k < 4 && k < spins.size(); ++k)
                spins[k]->setValue(truth[k]);
            QTest::keyClick(dialog, Qt::Key_Return);
        });
        QWidget* viewport = w.View()->viewport();
        QTest::mouseClick(viewport, Qt::LeftButton, {}, w.View()->mapFromScene(onSheet(80, 90)));
        QTest::mouseClick(viewport, Qt::LeftButton, {}, w.View()->mapFromScene(onSheet(870, 1070)));
        QVERIFY(w.Background());
        const FormatBackground placed = *w.Background();
        // Pixel (80, 90) now lies at (15, 20) mm, within the error of clicking a pixel at 50 %.
        const double scale = placed.width / 1000;
        QVERIFY2(qAbs(placed.left + 80 * scale - 150) < 8, qPrintable(QString::number(placed.left + 80 * scale)));
        QVERIFY2(qAbs(placed.top + 90 * scale - 200) < 8, qPrintable(QString::number(placed.top + 90 * scale)));
        QVERIFY(qAbs(placed.width - first.width) > 20);

        // Every change to the picture is a step that undo takes back, like the element edits.
        w.SetBackgroundOpacity(40);
        QCOMPARE(w.Background()->opacity, 40);
        w.UndoStack()->undo();
        QCOMPARE(w.Background()->left, placed.left);
        QCOMPARE(w.Background()->opacity, first.opacity);
        w.UndoStack()->undo();
        QCOMPARE(w.Background()->left, first.left);
        w.UndoStack()->undo();
        QVERIFY(!w.Background());
        QVERIFY(!w.IsModified());
        for (int k = 0; k < 3; ++k)
            w.UndoStack()->redo();
        QCOMPARE(w.Background()->opacity, 40);
        QCOMPARE(w.Background()->left, placed.left);
        // Nothing is stored before the format is saved; then in its own table for the next
        // opening, and the format's stream is untouched.
        QVERIFY(!CFormatBackgroundStore(*m_db).Load(m_formatId));
        QVERIFY(w.IsModified());
        QVERIFY(w.Save());
        CDesignerWnd again(*m_db);
        QVERIFY(again.OpenFormat(m_formatId));
        QVERIFY(again.Background());
        QCOMPARE(again.Background()->opacity, 40);
        QCOMPARE(again.Background()->left, w.Background()->left);
        const auto bytes = CFormatCatalog(*m_db).RawStream(m_formatId).value();
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size())),
                 streamBefore);

        const QString shots = qEnvironmentVariable("LANTORELA_SHOTS");
        if (!shots.isEmpty()) {
            w.View()->FitToWindow();
            w.grab().save(shots + QStringLiteral("/fondo.png"));
        }
        w.RemoveBackground();
        QVERIFY(!w.Background());
        QVERIFY(CFormatBackgroundStore(*m_db).Load(m_formatId));
        QVERIFY(w.Save());
        QVERIFY(!CFormatBackgroundStore(*m_db).Load(m_formatId));
    }

    void dataShownAsCaptionsSamplesOrAStoredDocument() {
        // A format with the customer's name in the header and the article key on each line.
        CDesignFormat format;
        format.Name = "Nota de remisión";
        format.Format.DetailTop = -800;
        format.Format.DetailBottom = -950;
        format.Format.Pitch = 50;
        format.Format.Caben = 3;
        CRenglonFormato name;
        name.Position = {100, -300, 1500, -340};
        name.Fields = {CRenglonField(FIELD_DOC, 2)};
        CRenglonFormato key;
        key.Position = {100, -800, 600, -840};
        key.Fields = {CRenglonField(FIELD_DETAIL, 1)};
        format.Format.Elements = {name, key};
        QVERIFY(CFormatCatalog(*m_db).Save(format));

        CDesignerWnd w(*m_db);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QVERIFY(w.OpenFormat(format.Id));
        auto* shown = w.findChild<QLabel*>(QStringLiteral("datosMostrados"));
        QVERIFY(w.Action(QStringLiteral("muestra"))->isChecked());
        QCOMPARE(shownTexts(w, 1), QStringList(3, QStringLiteral("S001")));

        w.Action(QStringLiteral("nombresDatos"))->trigger();
        QCOMPARE(w.SheetValues().GetKind(), CSheetValues::Kind::Captions);
        QCOMPARE(shownTexts(w, 0), QStringList{QStringLiteral("Nombre Cliente")});
        QCOMPARE(shownTexts(w, 1).first(), QStringLiteral("Clave del artículo"));
        QCOMPARE(shown->text(), QStringLiteral("Nombres de los datos"));
        w.Action(QStringLiteral("muestra"))->trigger();
        QCOMPARE(w.SheetValues().GetKind(), CSheetValues::Kind::Samples);

        // A stored document chosen by series and folio: its customer, and its lines row by row.
        Statement doc = m_db->prepare("SELECT Serie, Folio FROM Documentos ORDER BY Id_Documento LIMIT 1");
        QVERIFY(doc.step());
        const QString serie = QString::fromStdString(doc.text(0));
        const auto folio = static_cast<std::int32_t>(doc.integer(1));
        CPrintJob job;
        QCOMPARE(job.LoadStored(*m_db, serie.toStdString(), folio, TotalsRounding::Unrounded), CDocumentStore::LoadResult::Loaded);
        QVERIFY(!job.Lines.empty());
        const QString customer = QString::fromStdString(job.Nombre);
        QVERIFY(!customer.isEmpty());
        answerNextModal([&](QWidget* dialog) {
            auto* s = dialog->findChild<QLineEdit*>(QStringLiteral("serie"));
            auto* f = dialog->findChild<QLineEdit*>(QStringLiteral("folio"));
            s->setText(serie);
            f->setText(QString::number(folio));
            f->setFocus();
            QTest::keyClick(f, Qt::Key_Return);
        });
        w.Action(QStringLiteral("documento"))->trigger();
        QCOMPARE(w.SheetValues().GetKind(), CSheetValues::Kind::Document);
        QVERIFY(w.Action(QStringLiteral("documento"))->isChecked());
        QCOMPARE(shownTexts(w, 0), QStringList{customer});
        const QStringList keys = shownTexts(w, 1);
        QCOMPARE(keys.size(), std::min<qsizetype>(3, qsizetype(job.Lines.size())));
        for (qsizetype k = 0; k < keys.size(); ++k)
            QCOMPARE(keys[k], QString::fromStdString(job.Lines[static_cast<std::size_t>(k)].Clave));
        QVERIFY(shown->text().contains(QString::fromStdString(job.Serie)));

        // A folio that is not stored is said, and the sheet keeps the document it shows.
        {
            MessageLog log;
            QVERIFY(!w.ShowDocument(serie, 999999));
            QCOMPARE(log.texts, QStringList{QStringLiteral("- No existe el documento -")});
        }
        QCOMPARE(w.SheetValues().GetKind(), CSheetValues::Kind::Document);
        QVERIFY(w.Action(QStringLiteral("documento"))->isChecked());

        // The test print carries the document: its customer's name, every one of its lines.
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        const QString pdf = m_dir.filePath(QStringLiteral("documento.pdf"));
        printer.setOutputFileName(pdf);
        QVERIFY(w.PrintTest(printer));
        QStringList words;
        for (const Word& word : pdfWords(pdf))
            words << word.text;
        QVERIFY2(words.contains(customer.split(u' ').first()), qPrintable(words.join(u' ')));
        for (const CPartida& line : job.Lines)
            QVERIFY(words.contains(QString::fromStdString(line.Clave)));
        QVERIFY(!words.contains(QStringLiteral("S001")));
        const QString shots = qEnvironmentVariable("LANTORELA_SHOTS");
        if (!shots.isEmpty())
            QFile::copy(pdf, shots + QStringLiteral("/documento.pdf"));
        QVERIFY(CFormatCatalog(*m_db).Delete(format.Id));
    }

    void propertiesDialogEditsAreUndoneAndSaved() {
        CDesignerWnd w(*m_db);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QVERIFY(w.OpenFormat(m_formatId));
        const CDesignFormat before = w.Current();
        QCOMPARE(w.Scene()->Sheet(), SheetSize::Standard().front());

        // Remarks, the paper, a longer detail area and Caben fixed by hand, in one step.
        answerNextModal([](QWidget* dialog) {
            QCOMPARE(dialog->objectName(), QStringLiteral("propiedadesFormato"));
            dialog->findChild<QPlainTextEdit*>(QStringLiteral("observaciones"))->setPlainText(QStringLiteral("Forma azul"));
            auto* paper = dialog->findChild<QComboBox*>(QStringLiteral("papel"));
            paper->setCurrentIndex(paper->findText(QStringLiteral("Media carta")));
            // Not fixed: the lines per sheet follow the detail area as it is typed.
            dialog->findChild<QDoubleSpinBox*>(QStringLiteral("finDetalle"))->setValue(200);
            QCOMPARE(dialog->findChild<QSpinBox*>(QStringLiteral("caben"))->value(), 24); // (200 − 80) / 5
            dialog->findChild<QCheckBox*>(QStringLiteral("fijarCaben"))->setChecked(true);
            dialog->findChild<QSpinBox*>(QStringLiteral("caben"))->setValue(7);
            dialog->findChild<QDoubleSpinBox*>(QStringLiteral("repetir"))->setValue(148.5);
            clickOk(dialog);
        });
        w.Action(QStringLiteral("propiedades"))->trigger();
        QCOMPARE(w.Current().Observaciones, std::string("Forma azul"));
        QCOMPARE(w.Current().Sheet, SheetSize::Named("Media carta"));
        QCOMPARE(w.Scene()->Sheet(), SheetSize::Named("Media carta"));
        QCOMPARE(w.Current().Format.DetailBottom, -2000);
        QVERIFY(w.Current().CabenByHand);
        QCOMPARE(w.Current().Format.Caben, 7);
        QCOMPARE(w.Current().Format.Repetir, 1485);
        QVERIFY(w.IsModified());

        // One step back restores all of it, as an element edit would be.
        QCOMPARE(w.UndoStack()->count(), 1);
        w.UndoStack()->undo();
        QVERIFY(w.Current().SameDesign(before));
        QCOMPARE(w.Scene()->Sheet(), SheetSize::Standard().front());
        QVERIFY(!w.IsModified());
        w.UndoStack()->redo();

        // Cancelling changes nothing.
        answerNextModal([](QWidget* dialog) {
            dialog->findChild<QPlainTextEdit*>(QStringLiteral("observaciones"))->setPlainText(QStringLiteral("otra"));
            QTest::keyClick(dialog, Qt::Key_Escape);
        });
        w.Action(QStringLiteral("propiedades"))->trigger();
        QCOMPARE(w.UndoStack()->count(), 1);
        QCOMPARE(w.Current().Observaciones, std::string("Forma azul"));

        // Saved: the row, Caben and the paper come back on the next opening.
        QVERIFY(w.Save());
        CDesignerWnd again(*m_db);
        QVERIFY(again.OpenFormat(m_formatId));
        QCOMPARE(again.Current().Observaciones, std::string("Forma azul"));
        QCOMPARE(again.Current().Format.Caben, 7);
        QVERIFY(again.Current().CabenByHand);
        QCOMPARE(again.Scene()->Sheet(), SheetSize::Named("Media carta"));

        // Put back as it was for the other tests.
        CDesignFormat restore = again.Current();
        restore.TakeDesign(before);
        QVERIFY(CFormatCatalog(*m_db).Save(restore));
    }

    void fontEditsInThePanelAreStoredAsTheLogFont() {
        CDesignerWnd w(*m_db);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QVERIFY(w.OpenFormat(m_formatId));
        const std::size_t count = w.Current().Format.Elements.size();
        QVERIFY(count > 0);
        w.Scene()->SelectIndices({0});
        const LogFont original = w.Current().Format.Elements[0].Font;

        CElementPanel* panel = w.Panel();
        click(panel->findChild<QCheckBox*>(QStringLiteral("negrita")));
        click(panel->findChild<QCheckBox*>(QStringLiteral("cursiva")));
        click(panel->findChild<QCheckBox*>(QStringLiteral("subrayado")));
        auto* height = panel->findChild<QDoubleSpinBox*>(QStringLiteral("alturaLetra"));
        height->setValue(6.5);
        auto* face = panel->findChild<QComboBox*>(QStringLiteral("tipoLetra"));
        face->lineEdit()->setText(QStringLiteral("Courier New"));
        face->setFocus();
        QTest::keyClick(face, Qt::Key_Return);
        // Outside Windows-1252: refused, the face stays.
        face->lineEdit()->setText(QStringLiteral("Letra ☃"));
        QTest::keyClick(face, Qt::Key_Return);

        const LogFont& font = w.Current().Format.Elements[0].Font;
        QCOMPARE(font.Weight, 700);
        QCOMPARE(font.Italic, std::uint8_t{1});
        QCOMPARE(font.Underline, std::uint8_t{1});
        QCOMPARE(font.StrikeOut, std::uint8_t{0});
        QCOMPARE(font.Height, -65);
        QCOMPARE(font.FaceName, std::string("Courier New"));
        QCOMPARE(font.Width, original.Width);
        QCOMPARE(font.CharSet, original.CharSet);
        // Each change its own step; undoing them all gives the font back.
        QCOMPARE(w.UndoStack()->count(), 5);
        while (w.UndoStack()->canUndo())
            w.UndoStack()->undo();
        QCOMPARE(w.Current().Format.Elements[0].Font, original);
        while (w.UndoStack()->canRedo())
            w.UndoStack()->redo();
        QVERIFY(w.Save());
        CWindowsFormat stored;
        QVERIFY(CFormatStore(*m_db).LoadWindowsFormat(m_formatId, stored));
        QCOMPARE(stored.Elements[0].Font.Weight, 700);
        QCOMPARE(stored.Elements[0].Font.Height, -65);
        QCOMPARE(stored.Elements[0].Font.FaceName, std::string("Courier New"));
        // The panel shows what is stored.
        w.Scene()->SelectIndices({});
        w.Scene()->SelectIndices({0});
        QVERIFY(panel->findChild<QCheckBox*>(QStringLiteral("negrita"))->isChecked());
        QCOMPARE(height->value(), 6.5);
        QCOMPARE(face->currentText(), QStringLiteral("Courier New"));
    }

    void crookedScanIsStraightenedByTwoPoints() {
        CDesignerWnd w(*m_db);
        w.resize(1300, 900);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QVERIFY(w.OpenFormat(m_formatId));
        // Where the scan truly lies: 100 dpi, turned 1° (a crooked scan), a little off the corner.
        constexpr int W = 850, H = 1100;
        FormatBackground truth;
        truth.left = 20;
        truth.top = -15;
        truth.width = W * 2.54;
        truth.height = H * 2.54;
        truth.rotation = 1.0;
        // The printer's frame, square on the paper from (15, 20) mm to (200, 250) mm, is crooked in
        // the scan.
        auto pixelOf = [&](double x, double y) {
            const auto p = truth.ToPicture({x, y}, W, H);
            return QPointF(p.x, p.y);
        };
        const QPointF frame[4] = {pixelOf(150, 200), pixelOf(2000, 200), pixelOf(2000, 2500), pixelOf(150, 2500)};
        QImage scan(W, H, QImage::Format_RGB32);
        scan.fill(QColor(250, 248, 240));
        {
            QPainter p(&scan);
            p.setRenderHint(QPainter::Antialiasing);
            p.setPen(QPen(QColor(40, 60, 160), 2));
            p.drawPolygon(frame, 4);
            p.drawLine(pixelOf(150, 700), pixelOf(2000, 700));
        }
        const QString scanPath = m_dir.filePath(QStringLiteral("torcido.png"));
        QVERIFY(scan.save(scanPath));
        QVERIFY(w.SetBackgroundPicture(scanPath));
        const FormatBackground first = *w.Background();
        w.Scene()->SelectIndices({});

        // Clicked at 400 %, as precisely as an operator can: the top-left and bottom-right marks.
        w.View()->SetZoom(4);
        w.Action(QStringLiteral("alinearFondo"))->trigger();
        answerNextModal([](QWidget* dialog) {
            const auto spins = dialog->findChildren<QDoubleSpinBox*>();
            const double typed[4] = {15, 20, 200, 250};
            for (int k = 0; k < 4 && k < spins.size(); ++k)
                spins[k]->setValue(typed[k]);
            QTest::keyClick(dialog, Qt::Key_Return);
        });
        for (const QPointF& mark : {frame[0], frame[2]}) {
            const auto onSheet = first.ToSheet({mark.x(), mark.y()}, W, H);
            w.View()->centerOn(onSheet.x, onSheet.y);
            QTest::mouseClick(w.View()->viewport(), Qt::LeftButton, {}, w.View()->mapFromScene(onSheet.x, onSheet.y));
        }
        QTRY_VERIFY(w.Background() && w.Background()->rotation != 0);
        const FormatBackground placed = *w.Background();
        QVERIFY2(qAbs(placed.rotation - 1.0) < 0.05, qPrintable(QString::number(placed.rotation)));
        // The picture is drawn where the turn puts it: its far corners within 0.2 mm of the truth.
        const QTransform drawn = w.Scene()->BackgroundPlacement();
        for (const QPointF corner : {QPointF(0, 0), QPointF(W, 0), QPointF(0, H), QPointF(W, H)}) {
            const auto want = truth.ToSheet({corner.x(), corner.y()}, W, H);
            const QPointF got = drawn.map(corner);
            QVERIFY2(std::hypot(got.x() - want.x, got.y() - want.y) < 2,
                     qPrintable(QStringLiteral("%1,%2: %3,%4 / %5,%6").arg(corner.x()).arg(corner.y()).arg(got.x())
                                    .arg(got.y()).arg(want.x).arg(want.y)));
        }
        // Saved and opened again, the picture keeps its turn.
        QVERIFY(w.Save());
        {
            CDesignerWnd again(*m_db);
            QVERIFY(again.OpenFormat(m_formatId));
            QCOMPARE(again.Background()->rotation, placed.rotation);
        }
        const QString shots = qEnvironmentVariable("LANTORELA_SHOTS");
        if (!shots.isEmpty()) {
            // The scan's frame on the millimetre lines at 200 and 250 mm, and the whole sheet.
            w.SetBackgroundOpacity(100);
            w.View()->SetZoom(1.5);
            w.View()->centerOn(1900, 2400);
            w.grab().save(shots + QStringLiteral("/fondo-girado.png"));
            w.View()->FitToWindow();
            w.grab().save(shots + QStringLiteral("/fondo-girado-hoja.png"));
        }
        // Put back as it was for the other tests.
        CDesignFormat restore = w.Current();
        restore.Background.reset();
        QVERIFY(CFormatCatalog(*m_db).Save(restore));
    }

    void wheelZoomsAboutTheMouseAndShiftScrollsAcross() {
        CDesignerWnd w(*m_db);
        w.resize(1300, 900);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QVERIFY(w.OpenFormat(m_formatId));
        CDesignView* view = w.View();
        QWidget* viewport = view->viewport();
        view->SetZoom(1);
        view->centerOn(1000, 1400);
        auto wheel = [&](QPoint at, int delta, Qt::KeyboardModifiers keys) {
            QWheelEvent event(QPointF(at), QPointF(viewport->mapToGlobal(at)), QPoint(), QPoint(0, delta), Qt::NoButton,
                              keys, Qt::NoScrollPhase, false);
            QApplication::sendEvent(viewport, &event);
        };
        // Near a corner of the window, away from its middle, in and out again.
        for (const QPoint mouse : {QPoint(120, 90), QPoint(viewport->width() - 100, viewport->height() - 80)}) {
            for (const int delta : {120, 240, -120}) {
                const QPointF under = view->mapToScene(mouse);
                const double zoom = view->Zoom();
                wheel(mouse, delta, Qt::ControlModifier);
                QVERIFY(qAbs(view->Zoom() - zoom * std::pow(1.25, delta / 120)) < 1e-9);
                const QPoint now = view->mapFromScene(under);
                QVERIFY2((now - mouse).manhattanLength() <= 2,
                         qPrintable(QStringLiteral("%1,%2 for %3,%4").arg(now.x()).arg(now.y()).arg(mouse.x()).arg(mouse.y())));
            }
        }
        // Shift+wheel goes sideways, not down.
        view->SetZoom(2);
        view->centerOn(1000, 1400);
        const int across = view->horizontalScrollBar()->value();
        const int down = view->verticalScrollBar()->value();
        wheel(QPoint(200, 200), -120, Qt::ShiftModifier);
        QVERIFY(view->horizontalScrollBar()->value() > across);
        QCOMPARE(view->verticalScrollBar()->value(), down);
        wheel(QPoint(200, 200), 120, Qt::ShiftModifier);
        QCOMPARE(view->horizontalScrollBar()->value(), across);
    }

    void aNewFormatIsStoredOnlyWhenSaved() {
        auto names = [&] {
            QStringList n;
            for (const auto& e : CFormatCatalog(*m_db).List())
                n << QString::fromStdString(e.name);
            return n;
        };
        const QStringList before = names();
        auto answerNew = [](const QString& name) {
            answerNextModal([name](QWidget* nameDialog) {
                auto* edit = nameDialog->findChild<QLineEdit*>();
                edit->setText(name);
                // Then the choice of how to start: blank.
                answerNextModal([](QWidget* start) { QTest::keyClick(start, Qt::Key_Return); }, nameDialog);
                QTest::keyClick(edit, Qt::Key_Return);
            });
        };
        {
            CDesignerWnd w(*m_db);
            w.show();
            QVERIFY(QTest::qWaitForWindowExposed(&w));
            answerNew(QStringLiteral("Nota de prueba"));
            w.Action(QStringLiteral("nuevo"))->trigger();
            QTRY_COMPARE(QString::fromStdString(w.Current().Name), QStringLiteral("Nota de prueba"));
            QCOMPARE(w.Current().Id, 0);
            QVERIFY(w.IsModified());
            QVERIFY(w.windowTitle().startsWith(QStringLiteral("Nota de prueba")));
            QCOMPARE(names(), before);
            // Closed without saving ("No" by its letter): nothing is left in the print list.
            bool asked = false;
            answerNextModal([&](QWidget* box) {
                asked = box->objectName() == QStringLiteral("guardarCambios");
                QTest::keyClick(box, Qt::Key_N);
            });
            QVERIFY(w.close());
            QVERIFY(asked);
            QCOMPARE(names(), before);
        }
        CDesignerWnd w(*m_db);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        answerNew(QStringLiteral("Nota de prueba"));
        w.Action(QStringLiteral("nuevo"))->trigger();
        QTRY_COMPARE(QString::fromStdString(w.Current().Name), QStringLiteral("Nota de prueba"));
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QTest::keyClick(&w, Qt::Key_S, Qt::ControlModifier);
        QVERIFY(w.Current().Id != 0);
        QVERIFY(!w.IsModified());
        QCOMPARE(names().size(), before.size() + 1);
        QVERIFY(names().contains(QStringLiteral("Nota de prueba")));
        QCOMPARE(w.FormatList()->currentItem()->data(Qt::UserRole).toInt(), w.Current().Id);
        QVERIFY(CFormatCatalog(*m_db).Delete(w.Current().Id));
    }

    void aDatumDraggedFromTheListLandsWhereDropped() {
        CDesignerWnd w(*m_db);
        w.resize(1300, 900);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QVERIFY(w.OpenFormat(m_formatId));
        w.View()->SetZoom(1);
        w.View()->centerOn(600, 600);
        const std::size_t before = w.Current().Format.Elements.size();

        // Found by typing, then dragged onto the sheet at (50, 70) mm.
        CDataList* data = w.DataList();
        QTest::keyClicks(data->Search(), QStringLiteral("nombre clie"));
        QListWidget* list = data->List();
        QList<QListWidgetItem*> shown;
        for (int i = 0; i < list->count(); ++i)
            if (!list->item(i)->isHidden())
                shown << list->item(i);
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.front()->text(), QStringLiteral("Documento: Nombre Cliente"));
        std::unique_ptr<QMimeData> mime(list->model()->mimeData({list->indexFromItem(shown.front())}));
        QVERIFY(mime);
        QWidget* viewport = w.View()->viewport();
        const QPoint drop = at(w, 501, 699);
        QDragEnterEvent enter(drop, Qt::CopyAction, mime.get(), Qt::LeftButton, {});
        QApplication::sendEvent(viewport, &enter);
        QVERIFY(enter.isAccepted());
        QDragMoveEvent move(drop, Qt::CopyAction, mime.get(), Qt::LeftButton, {});
        QApplication::sendEvent(viewport, &move);
        QVERIFY(move.isAccepted());
        QDropEvent dropped(QPointF(drop), Qt::CopyAction, mime.get(), Qt::LeftButton, {});
        QApplication::sendEvent(viewport, &dropped);

        QCOMPARE(w.Current().Format.Elements.size(), before + 1);
        const CRenglonFormato& e = w.Current().Format.Elements[before];
        const ElementBox box = ElementBox::Of(e.Position);
        QCOMPARE(box.left, 500); // snapped to the millimetre
        QCOMPARE(box.upper, -700);
        QCOMPARE(box.height(), 50);
        // As wide as "Juan Pérez López"-like sample text needs, no wider than a column of text.
        QVERIFY2(box.width() >= 150 && box.width() <= 1000, qPrintable(QString::number(box.width())));
        QCOMPARE(e.Fields.size(), std::size_t{1});
        QCOMPARE(e.Fields[0].Kind, FIELD_DOC);
        QCOMPARE(e.Fields[0].Index, 2);
        QCOMPARE(w.Scene()->SelectedIndices(), ElementOps::Selection{before});
        QVERIFY(!w.Scene()->ItemAt(before)->Drawing().overflows);
        QCOMPARE(w.UndoStack()->undoText(), QStringLiteral("Agregar dato"));

        // Enter on another datum adds it to the selected text: today's way, without the combo.
        data->Search()->clear();
        QTest::keyClicks(data->Search(), QStringLiteral("rfc"));
        QTest::keyClick(data->Search(), Qt::Key_Return);
        QCOMPARE(list->currentItem()->text(), QStringLiteral("Documento: RFC"));
        QTest::keyClick(list, Qt::Key_Return);
        QCOMPARE(w.Current().Format.Elements[before].Fields.size(), std::size_t{2});
        QCOMPARE(w.Current().Format.Elements[before].Fields[1].Index, 6);

        // Made too narrow in the panel, it is marked as cut off.
        auto* width = w.Panel()->findChild<QDoubleSpinBox*>(QStringLiteral("ancho"));
        width->setValue(8);
        QVERIFY(w.Scene()->ItemAt(before)->Drawing().overflows);
        QVERIFY(!w.Scene()->ItemAt(before)->toolTip().isEmpty());
        // So it is with the names of the data shown: what counts is what prints.
        w.Action(QStringLiteral("nombresDatos"))->trigger();
        QVERIFY(w.Scene()->ItemAt(before)->Drawing().overflows);
        w.Action(QStringLiteral("muestra"))->trigger();
        const QString shots = qEnvironmentVariable("LANTORELA_SHOTS");
        if (!shots.isEmpty()) {
            w.Scene()->SelectIndices({});
            w.grab().save(shots + QStringLiteral("/datos-y-corte.png"));
        }

        // Undo takes each step back and selects what it was made on; redo selects it again.
        w.Scene()->SelectIndices({});
        w.UndoStack()->undo(); // the width
        QCOMPARE(w.Scene()->SelectedIndices(), ElementOps::Selection{before});
        w.UndoStack()->undo(); // the RFC
        w.UndoStack()->undo(); // the drop
        QCOMPARE(w.Current().Format.Elements.size(), before);
        QVERIFY(w.Scene()->SelectedIndices().empty());
        w.UndoStack()->redo();
        QCOMPARE(w.Scene()->SelectedIndices(), ElementOps::Selection{before});
        w.UndoStack()->redo();
        w.UndoStack()->redo();
        QVERIFY(w.Scene()->ItemAt(before)->Drawing().overflows);

        // Ctrl+D says what it did; undoing a deletion brings the elements back selected.
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        w.Scene()->SelectIndices({before});
        QTest::keyClick(&w, Qt::Key_D, Qt::ControlModifier);
        QCOMPARE(w.UndoStack()->undoText(), QStringLiteral("Duplicar"));
        QCOMPARE(w.Scene()->SelectedIndices(), ElementOps::Selection{before + 1});
        w.Scene()->SelectIndices({before, before + 1});
        w.View()->setFocus();
        QTest::keyClick(w.View(), Qt::Key_Delete);
        QCOMPARE(w.Current().Format.Elements.size(), before);
        w.UndoStack()->undo();
        QCOMPARE(w.Scene()->SelectedIndices(), (ElementOps::Selection{before, before + 1}));
        answerNextModal([](QWidget* box) { QTest::keyClick(box, Qt::Key_N); });
        QVERIFY(w.close());
    }

    void commandsWithoutAFormatAndDeletingTheOpenOneSaySo() {
        CDesignerWnd w(*m_db);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        {
            MessageLog log;
            w.Action(QStringLiteral("imprimirPrueba"))->trigger();
            QCOMPARE(log.texts, QStringList{QStringLiteral("- Abra o cree un formato primero -")});
        }
        // The open format, changed and not saved: deleting it says the changes go too; N keeps it.
        const auto copy = CFormatCatalog(*m_db).Duplicate(m_formatId, "Para borrar");
        QVERIFY(copy);
        w.ReloadList();
        QVERIFY(w.OpenFormat(*copy));
        click(toolButton(w, "herramienta_rectangulo"));
        w.View()->SetZoom(1);
        w.View()->centerOn(600, 600);
        drag(w.View()->viewport(), at(w, 400, 600), at(w, 600, 700));
        QVERIFY(w.IsModified());
        QPushButton* remove = nullptr;
        for (QPushButton* b : w.findChildren<QPushButton*>())
            if (b->text() == QStringLiteral("Eliminar"))
                remove = b;
        QVERIFY(remove);
        QString question;
        answerNextModal([&](QWidget* box) {
            question = qobject_cast<QMessageBox*>(box)->text();
            QTest::keyClick(box, Qt::Key_N);
        });
        click(remove);
        QVERIFY2(question.contains(QStringLiteral("cambios sin guardar")), qPrintable(question));
        QVERIFY(w.IsModified());
        QVERIFY(CFormatCatalog(*m_db).RawStream(*copy));
        // S deletes it, changes and all.
        answerNextModal([](QWidget* box) { QTest::keyClick(box, Qt::Key_S); });
        click(remove);
        QVERIFY(!CFormatCatalog(*m_db).RawStream(*copy));
        QVERIFY(!w.IsModified());
    }

    void helpPrintsTheUsageWithoutADesktop() {
        QProcess run;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(QLatin1String(name));
        run.setProcessEnvironment(env);
        run.start(buildDir() + QStringLiteral("/lantorela"), {QStringLiteral("--help")});
        QVERIFY(run.waitForFinished(30000));
        QCOMPARE(run.exitCode(), 0);
        const QString out = QString::fromUtf8(run.readAllStandardOutput());
        QVERIFY2(out.startsWith(QStringLiteral("uso: lantorela")), qPrintable(out));
        QVERIFY(out.contains(QStringLiteral("--exportar")));
    }

    void launcherReportsAProgramThatCannotStart() {
        {
            MessageLog log;
            QVERIFY(!StartDesigner(m_dir.filePath(QStringLiteral("no-existe")), m_path));
            QCOMPARE(log.texts.size(), 1);
        }
        QVERIFY(StartDesigner(QStringLiteral("/bin/true"), m_path));
    }
};

QTEST_MAIN(TestDesigner)
#include "tst_designer.moc"
