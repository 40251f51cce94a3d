// The ticket designer driven as the operator would: composing rows in "Insertar datos" with their
// column widths and alignment, selecting, moving, editing and deleting rows, saving the one ticket
// format, and printing a test ticket on a file standing for the printer.
#include "config/ui/ConfigDlg.h"
#include "db/Database.h"
#include "db/Statement.h"
#include "invoice/DocumentStore.h"
#include "invoice/Lineas.h"
#include "invoice/MoneyFormat.h"
#include "invoice/ui/PrincipalDlg.h"
#include "platform/ApplicationState.h"
#include "platform/ui/Resources.h"
#include "printing/DefaultFormats.h"
#include "printing/FormatStore.h"
#include "printing/TicketFormat.h"
#include "printing/ui/InsertRenglon.h"
#include "printing/ui/SelectFormat.h"
#include "printing/ui/TicketDlg.h"
#include "printing/ui/TicketPreview.h"
#include "printing/ui/TicketSendDlg.h"
#include "receivables/ui/RegDoc.h"
#include "support/DialogShot.h"
#include "support/PseudoTerminal.h"
#include "support/ScratchSettings.h"
#include "support/LayoutCheck.h"
#include "support/MessageLog.h"
#include "support/ModalAnswer.h"
#include "support/TestDatabase.h"
#include "toolkit/ui/TolEdit.h"
#include "toolkit/ui/TolMessageDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QFile>
#include <QFontInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <functional>
#include <memory>

namespace {

QString sample(const char* text, int width) { return QString::fromUtf8(text).leftJustified(width, QLatin1Char(' '), true); }

void chooseDetail(CInsertRenglon& dlg, int index) {
    auto* combo = dlg.control<QComboBox>(CInsertRenglon::kDetalleId);
    combo->setCurrentIndex(index);
    Q_EMIT combo->activated(index);
}

QString vista(CInsertRenglon& dlg) { return dlg.control<CTolEdit>(CInsertRenglon::kVistaId)->text(); }

// Opens "Insertar datos" from `trigger` and lets `compose` fill it before "Insertar".
void composeWith(QWidget* designer, const std::function<void(CInsertRenglon&)>& compose,
                 const std::function<void()>& trigger) {
    bool opened = false;
    QPointer<QTimer> watcher = answerNextModal([&](QWidget* w) {
        auto* dlg = qobject_cast<CInsertRenglon*>(w);
        if (!dlg) {
            w->close();
            return;
        }
        opened = true;
        compose(*dlg);
        dlg->control<QPushButton>(CInsertRenglon::kInsertarId)->click();
    }, designer);
    trigger();
    delete watcher;
    QVERIFY(opened);
}

} // namespace

class TestTicketDlg final : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    int m_n = 0;
    std::unique_ptr<TestDatabase> m_testDb;
    std::unique_ptr<Database> m_db;
    ApplicationState m_state;

    void click(CTicketDlg& dlg, int row) {
        CTicketPreview& p = dlg.preview();
        QTest::mouseClick(&p, Qt::LeftButton, {}, QPoint(30, CTicketPreview::kMargin + row * p.rowHeight() + 2));
    }
    std::vector<CRenglonTicket> stored() {
        CTicketFormat format;
        if (!CFormatStore(*m_db).LoadTicketFormat(format))
            return {};
        return format.Rows;
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        InitQuintalevaResources();
        CTolMessageDlg::registerToolkit();
        MoneyFormat::setCurrent(MoneyFormat::mexican());
    }
    void init() {
        m_db.reset();
        m_testDb = std::make_unique<TestDatabase>();
        m_db = m_testDb->create();
        m_state = ApplicationState{};
        m_state.database = m_db.get();
        m_state.dispositivoLpt1 = m_dir.filePath(QStringLiteral("lpt1-%1.prn").arg(m_n)).toStdString();
    }
    void cleanup() { m_db.reset(); }

    void insertRenglonComposesARowWithWidthsAndAlignment() {
        CInsertRenglon dlg;
        // The document's own data, then the business's (name, address, RFC, telephone).
        {
            CInsertRenglon business;
            auto* documento = business.control<QComboBox>(CInsertRenglon::kDocumentoId);
            QCOMPARE(documento->count(), 44);
            QCOMPARE(documento->itemText(38), QStringLiteral("Nombre del negocio"));
            documento->setCurrentIndex(43);
            business.control<QPushButton>(CInsertRenglon::kAddDocumentoId)->click();
            QCOMPARE(int(business.row().Fields.size()), 1);
            QCOMPARE(business.row().Fields[0].Index, 73);
        }
        QCOMPARE(dlg.control<QComboBox>(CInsertRenglon::kDetalleId)->count(), 20);
        auto* columnas = dlg.control<CTolEdit>(CInsertRenglon::kColumnasId);
        QCOMPARE(columnas->text(), QStringLiteral("0"));
        QVERIFY(dlg.control<QRadioButton>(CInsertRenglon::kIzquierdaId)->isChecked());

        // "Partida" (3), a blank, "Nombre del artículo" (25).
        chooseDetail(dlg, 0);
        QCOMPARE(columnas->text(), QStringLiteral("3"));
        QVERIFY(!columnas->isReadOnly());
        QVERIFY(dlg.addDetalle());
        dlg.control<CTolEdit>(CInsertRenglon::kTextoId)->setText(QStringLiteral(" "));
        dlg.control<QPushButton>(CInsertRenglon::kAddTextoId)->click();
        chooseDetail(dlg, 2);
        QCOMPARE(columnas->text(), QStringLiteral("25"));
        dlg.control<QPushButton>(CInsertRenglon::kAddDetalleId)->click();
        const QString composed = sample("1", 3) + QLatin1Char(' ') + sample("Quintaleva versión 2", 25);
        QCOMPARE(vista(dlg), composed);
        QCOMPARE(int(dlg.row().Fields.size()), 3);
        QCOMPARE(dlg.row().Fields[2].Width, 25);

        // Amounts take the 10 columns they print in, not to be changed; other data their own
        // defaults.
        chooseDetail(dlg, 10);
        QCOMPARE(columnas->text(), QStringLiteral("10"));
        QVERIFY(columnas->isReadOnly());
        const std::pair<int, int> defaults[] = {{1, 16}, {7, 5}, {14, 6}, {15, 40}, {19, 25}, {4, 10}};
        for (const auto& [index, width] : defaults) {
            chooseDetail(dlg, index);
            QCOMPARE(columnas->text().toInt(), width);
        }

        // A width outside 0 … 40 is refused with the framework's message and adds nothing.
        chooseDetail(dlg, 2);
        columnas->setText(QStringLiteral("41"));
        {
            MessageLog log;
            QVERIFY(!dlg.addDetalle());
            QCOMPARE(log.texts, QStringList{QStringLiteral("Please enter an integer between 0 and 40.")});
        }
        QCOMPARE(int(dlg.row().Fields.size()), 3);

        // Alignment by click; the last field comes off again.
        dlg.control<QRadioButton>(CInsertRenglon::kDerechaId)->click();
        QCOMPARE(dlg.row().Alignment, ALIGN_RIGHT);
        QCOMPARE(vista(dlg), QString(40 - composed.size(), QLatin1Char(' ')) + composed);
        dlg.control<QPushButton>(CInsertRenglon::kQuitarId)->click();
        QCOMPARE(vista(dlg), QString(36, QLatin1Char(' ')) + sample("1", 3) + QLatin1Char(' '));
        dlg.control<QRadioButton>(CInsertRenglon::kCentroId)->click();
        QCOMPARE(vista(dlg), QString(18, QLatin1Char(' ')) + sample("1", 3) + QLatin1Char(' '));

        // A document datum: its sample, no width; a row longer than 40 previews whole, as it prints.
        auto* documento = dlg.control<QComboBox>(CInsertRenglon::kDocumentoId);
        documento->setCurrentIndex(2);
        dlg.control<QPushButton>(CInsertRenglon::kAddDocumentoId)->click();
        QCOMPARE(vista(dlg), sample("1", 3) + QStringLiteral(" Abarrotes y Papelería San Telmo, S.A. de C.V."));
        QVERIFY(vista(dlg).startsWith(sample("1", 3) + QStringLiteral(" Abarrotes")));

        // Editing a centred row shows "Izquierda" but keeps the centre until a click.
        CRenglonTicket centred;
        centred.Alignment = ALIGN_CENTER;
        centred.Fields.emplace_back(std::string("ABC"));
        CInsertRenglon edit(nullptr, &centred);
        QVERIFY(edit.control<QRadioButton>(CInsertRenglon::kIzquierdaId)->isChecked());
        QCOMPARE(edit.row().Alignment, ALIGN_CENTER);
        QCOMPARE(vista(edit), QString(18, QLatin1Char(' ')) + QStringLiteral("ABC"));

        edit.show();
        QVERIFY(QTest::qWaitForWindowExposed(&edit));
        const QStringList faults = layoutFaults(edit);
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QStringLiteral("; "))));
    }

    void designerAddsMovesEditsDeletesAndSaves() {
        CTicketDlg dlg(*m_db, m_state);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        CTicketPreview& preview = dlg.preview();
        QVERIFY(preview.rows().empty());
        QCOMPARE(QFontInfo(preview.font()).family(), QStringLiteral("Liberation Mono"));
        {
            MessageLog log;
            QVERIFY(!dlg.guardar());
            QCOMPARE(log.texts, QStringList{QStringLiteral("- Inserte al menos 1 renglón -")});
        }

        composeWith(&dlg, [](CInsertRenglon& r) {
            r.control<CTolEdit>(CInsertRenglon::kTextoId)->setText(QStringLiteral("HOLA"));
            r.control<QPushButton>(CInsertRenglon::kAddTextoId)->click();
            r.control<QRadioButton>(CInsertRenglon::kDerechaId)->click();
        }, [&] { dlg.control<QPushButton>(CTicketDlg::kNuevoId)->click(); });
        composeWith(&dlg, [](CInsertRenglon& r) {
            chooseDetail(r, 1);
            r.addDetalle();
        }, [&] { dlg.nuevo(); });
        composeWith(&dlg, [](CInsertRenglon& r) {
            r.control<CTolEdit>(CInsertRenglon::kTextoId)->setText(QStringLiteral("FIN"));
            r.addTexto();
        }, [&] { dlg.nuevo(); });
        QCOMPARE(int(preview.rows().size()), 3);
        QCOMPARE(QString::fromStdString(preview.rows()[0].Text), QString(36, QLatin1Char(' ')) + QStringLiteral("HOLA"));
        QCOMPARE(QString::fromStdString(preview.rows()[1].Text), sample("S001", 16));

        // Selection by click; moving at the ends does nothing, elsewhere the selection follows.
        click(dlg, 0);
        QCOMPARE(preview.selection(), 0);
        dlg.control<QPushButton>(CTicketDlg::kSubirId)->click();
        QCOMPARE(QString::fromStdString(preview.rows()[0].Text).trimmed(), QStringLiteral("HOLA"));
        dlg.control<QPushButton>(CTicketDlg::kBajarId)->click();
        QCOMPARE(preview.selection(), 1);
        QCOMPARE(QString::fromStdString(preview.rows()[1].Text).trimmed(), QStringLiteral("HOLA"));
        click(dlg, 2);
        dlg.bajar();
        QCOMPARE(preview.selection(), 2);
        dlg.subir();
        QCOMPARE(preview.selection(), 1);
        QCOMPARE(QString::fromStdString(preview.rows()[1].Text), QStringLiteral("FIN"));

        // Editing takes the fields and the alignment; the row stays where it is.
        composeWith(&dlg, [](CInsertRenglon& r) {
            QCOMPARE(vista(r), QStringLiteral("FIN"));
            r.quitar();
            r.control<CTolEdit>(CInsertRenglon::kTextoId)->setText(QStringLiteral("GRACIAS"));
            r.addTexto();
            r.control<QRadioButton>(CInsertRenglon::kCentroId)->click();
        }, [&] { dlg.control<QPushButton>(CTicketDlg::kEditarId)->click(); });
        QCOMPARE(QString::fromStdString(preview.rows()[1].Text), QString(16, QLatin1Char(' ')) + QStringLiteral("GRACIAS"));
        QCOMPARE(preview.rows()[1].Alignment, ALIGN_CENTER);

        // Deleting the last row leaves the selection past the end: edit and delete do nothing.
        click(dlg, 2);
        dlg.control<QPushButton>(CTicketDlg::kEliminarId)->click();
        QCOMPARE(int(preview.rows().size()), 2);
        QCOMPARE(preview.selection(), 2);
        dlg.eliminar();
        QCOMPARE(int(preview.rows().size()), 2);
        QPointer<QTimer> unexpected = answerNextModal([](QWidget* w) {
            w->close();
            QFAIL("editing without a row opened a dialog");
        }, &dlg);
        dlg.editar();
        QTest::qWait(50);
        delete unexpected;

        {
            MessageLog log;
            QVERIFY(dlg.guardar());
            QCOMPARE(log.texts, QStringList{QStringLiteral("- Formato guardado -")});
        }
        std::vector<CRenglonTicket> rows = stored();
        QCOMPARE(int(rows.size()), 2);
        QVERIFY(rows[0].Fields == preview.rows()[0].Fields);
        QCOMPARE(rows[1].Alignment, ALIGN_CENTER);

        // Saving again replaces the one ticket row, named "TICKET".
        dlg.control<QPushButton>(CTicketDlg::kEliminarId)->click(); // nothing selected: no change
        click(dlg, 0);
        dlg.eliminar();
        {
            MessageLog log;
            QVERIFY(dlg.guardar());
        }
        Statement st = m_db->prepare("SELECT count(*), min(Nombre) FROM Formatos WHERE Ticket <> 0");
        QVERIFY(st.step());
        QCOMPARE(st.integer(0), 1);
        QCOMPARE(QString::fromStdString(st.text(1)), QStringLiteral("TICKET"));
        QCOMPARE(int(stored().size()), 1);

        // The designer opens on what was stored.
        CTicketDlg again(*m_db, m_state);
        QCOMPARE(int(again.preview().rows().size()), 1);
        QCOMPARE(QString::fromStdString(again.preview().rows()[0].Text), QString(16, QLatin1Char(' ')) + QStringLiteral("GRACIAS"));
    }

    void mainFormPrintsTicketsAndOpensTheDesigner() {
        AddDefaultFormats(*m_db);
        DocumentHeader h;
        h.nombre = "Peña y Cía.";
        h.serie = "T";
        h.folio = 7;
        std::vector<CPartida> lines(2);
        lines[0].Clave = "A1";
        lines[0].Descripcion = "Café";
        lines[1].Clave = "B2";
        lines[1].Descripcion = "Azúcar";
        CDocumentStore(*m_db).Save(h, lines, {}, {}, std::nullopt);
        m_state.pWin = 0;
        m_state.comando = "27,112,0,25,250";

        CPrincipalDlg form(*m_db, m_state);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.LoadDocument(*CDocumentStore(*m_db).Find("T", 7));
        // "Imprimir": the format choice is still asked, then the ticket goes to the port.
        answerNextModal([](QWidget* w) { w->findChild<QPushButton*>(QString::number(CSelectFormat::kOkId))->click(); },
                        &form);
        form.sendCommand(CPrincipalDlg::kPrint);
        QFile printed(QString::fromStdString(m_state.dispositivoLpt1));
        QVERIFY(printed.open(QIODevice::ReadOnly));
        const QByteArray bytes = printed.readAll();
        printed.close();
        QVERIFY(bytes.contains("Folio: T 000007\r\n"));
        QVERIFY(bytes.contains("Cliente: Pe\xF1" "a y C\xED" "a.\r\n"));
        QVERIFY(bytes.contains("Caf\xE9\r\n"));
        QVERIFY(bytes.indexOf("Caf\xE9") < bytes.indexOf("Az\xFA" "car"));
        QVERIFY(bytes.endsWith(QByteArray("\x1B\x70\x00\x19\xFA", 5)));

        // A printer that is not there: the operator reads why; the form stays as it was.
        m_state.dispositivoLpt1 = "/dev/quintaleva-no-existe";
        {
            MessageLog log;
            answerNextModal([](QWidget* w) { w->findChild<QPushButton*>(QString::number(CSelectFormat::kOkId))->click(); },
                            &form);
            form.sendCommand(CPrincipalDlg::kPrint);
            QTRY_COMPARE(log.texts.size(), 1);
            QVERIFY2(log.texts[0].contains(QStringLiteral("/dev/quintaleva-no-existe")), qPrintable(log.texts[0]));
        }
        QCOMPARE(form.lines().LineCount(), 2);

        // "Formatos → Para impresora de tickets" opens the designer on the stored format.
        int rows = -1;
        answerNextModal([&rows](QWidget* w) {
            if (auto* designer = qobject_cast<CTicketDlg*>(w))
                rows = int(designer->preview().rows().size());
            w->close();
        }, &form);
        form.sendCommand(CPrincipalDlg::kTicketFormat);
        QCOMPARE(rows, 14);
    }

    void probarPrintsTheSampleTicketOnTheConfiguredPort() {
        AddDefaultFormats(*m_db);
        m_state.comando = "27,112,0,25,250";
        CTicketDlg dlg(*m_db, m_state);
        QVERIFY(dlg.preview().rows().size() > 10);
        {
            MessageLog log;
            QVERIFY(dlg.probar());
            QCOMPARE(log.texts, QStringList{QStringLiteral("- Ticket de prueba enviado -")});
        }
        QFile printed(QString::fromStdString(m_state.dispositivoLpt1));
        QVERIFY(printed.open(QIODevice::ReadOnly));
        const QByteArray bytes = printed.readAll();
        QVERIFY(bytes.startsWith(QByteArray(13, ' ') + "NOTA DE VENTA\r\n"));
        QVERIFY(bytes.contains("Folio: A 000523\r\n"));
        // The sample line: its description once, Windows-1252 on the wire.
        QCOMPARE(bytes.count("Quintaleva versi\xF3n 2\r\n"), 1);
        QVERIFY(bytes.endsWith(QByteArray("\x1B\x70\x00\x19\xFA", 5)));

        // A port that cannot be opened: the reason, and the designer stays usable.
        m_state.dispositivoLpt1 = "/dev/quintaleva-no-existe";
        {
            MessageLog log;
            QVERIFY(!dlg.probar());
            QCOMPARE(log.texts.size(), 1);
            QVERIFY2(log.texts[0].startsWith(QStringLiteral("No se pudo abrir la impresora de tickets LPT1")),
                     qPrintable(log.texts[0]));
        }

        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        const QStringList faults = layoutFaults(dlg);
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QStringLiteral("; "))));
        click(dlg, 3);
        saveShot(dlg, QStringLiteral("ticketdlg"));
        CInsertRenglon insert(&dlg, dlg.preview().selectedRow());
        insert.show();
        QVERIFY(QTest::qWaitForWindowExposed(&insert));
        saveShot(insert, QStringLiteral("insertrenglon"));
    }

    // A printer out of paper (XOFF) no longer freezes the window: its timers and repaints go on,
    // after a second "Imprimiendo ticket…" offers "Cancelar", and cancelling ends the transfer at
    // once with how much the printer got; the port is free for the next ticket.
    void aStalledPrinterLeavesTheWindowAnsweringAndCanBeCancelled() {
        AddDefaultFormats(*m_db);
        PseudoTerminal pty;
        m_state.pPos = 2;
        m_state.dispositivoCom1 = pty.slave();
        pty.holdLine();
        CTicketDlg dlg(*m_db, m_state);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));

        int ticks = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, [&ticks] { ++ticks; });
        ticker.start(20);
        int ticksWhenShown = -1;
        qint64 shownAfter = -1;
        QString title, progress;
        QElapsedTimer clock;
        answerNextModal([&](QWidget* w) {
            shownAfter = clock.elapsed();
            ticksWhenShown = ticks;
            title = w->windowTitle();
            if (auto* text = w->findChild<QLabel*>(QString::number(CTicketSendDlg::kTextId)))
                progress = text->text();
            shot(*w, "imprimiendo-ticket");
            // Still answering while the dialog waits: the timers keep running.
            QTest::qWait(200);
            if (auto* cancel = w->findChild<QPushButton*>(QString::number(CTicketSendDlg::kCancelarId)))
                cancel->click();
        }, &dlg);
        MessageLog log;
        clock.start();
        QVERIFY(!dlg.probar());
        const qint64 took = clock.elapsed();
        QCOMPARE(title, QStringLiteral("Imprimiendo ticket…"));
        QVERIFY2(progress.contains(QStringLiteral("COM1 (") + QString::fromStdString(pty.slave())), qPrintable(progress));
        QVERIFY2(progress.contains(QStringLiteral("Enviados 0 de ")), qPrintable(progress));
        QVERIFY2(shownAfter >= CTicketSendDlg::kShowAfterMs - 50 && shownAfter < 3000, qPrintable(QString::number(shownAfter)));
        QVERIFY2(ticksWhenShown >= 25, qPrintable(QString::number(ticksWhenShown)));
        QVERIFY2(took < 4000, qPrintable(QString::number(took)));
        QCOMPARE(log.texts, QStringList{QStringLiteral("- Impresión cancelada: la impresora no recibió nada del ticket -")});

        // The cancelled text of a ticket the printer got part of.
        TicketOutput::Result part;
        part.cancelled = true;
        part.sent = 1200;
        part.total = 4096;
        QCOMPARE(CancelledMessage(part),
                 QStringLiteral("- Impresión cancelada: la impresora recibió 1,200 de 4,096 bytes; el ticket quedó incompleto -"));

        // Paper back in: the next test ticket goes out on the same port.
        pty.write("\x11");
        pty.read();
        log.texts.clear();
        QVERIFY(dlg.probar());
        QCOMPARE(log.texts, QStringList{QStringLiteral("- Ticket de prueba enviado -")});
        QVERIFY(QByteArray::fromStdString(pty.read()).contains("NOTA DE VENTA\n"));
    }

    // A network printer that takes the bytes into the kernel and never reads them: the window
    // waits for its confirmation (saying so), and the operator is told it did not confirm, not
    // that the ticket went out.
    void aNetworkPrinterThatNeverConfirmsIsSaidSo() {
        AddDefaultFormats(*m_db);
        const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof addr;
        QCOMPARE(::bind(listener, reinterpret_cast<sockaddr*>(&addr), length), 0);
        QCOMPARE(::listen(listener, 1), 0);
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &length);
        const QString device = QStringLiteral("tcp://127.0.0.1:%1").arg(ntohs(addr.sin_port));
        m_state.dispositivoLpt1 = device.toStdString();
        CTicketDlg dlg(*m_db, m_state);
        QString waiting;
        answerNextModal([&](QWidget* w) {
            if (auto* text = w->findChild<QLabel*>(QString::number(CTicketSendDlg::kTextId)))
                waiting = text->text();
        }, &dlg);
        MessageLog log;
        QVERIFY(dlg.probar());
        ::close(listener);
        QVERIFY2(waiting.startsWith(QStringLiteral("Esperando a que la impresora de tickets LPT1 (") + device),
                 qPrintable(waiting));
        QCOMPARE(log.texts, QStringList{QStringLiteral("La impresora de tickets LPT1 (%1) no confirmó que recibió el "
                                                       "ticket: revise que haya salido completo.")
                                            .arg(device)});
    }

    // Printing on registration with the printer stalled: the same waiting window; cancelled, the
    // document stays registered and the operator reads both.
    void printOnRegistrationToAStalledPrinterKeepsTheDocument() {
        AddDefaultFormats(*m_db);
        PseudoTerminal pty;
        m_state.pWin = 0;
        m_state.pPos = 3;
        m_state.dispositivoCom2 = pty.slave();
        pty.holdLine();
        CPrincipalDlg form(*m_db, m_state);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.control<CTolEdit>(CPrincipalDlg::kCliente)->setText(QStringLiteral("Público en General"));
        CPartida& typed = form.lines().NewLine();
        typed.Descripcion = "Tornillo";
        typed.Precio = 50;
        typed.Cantidad = 2;
        typed.Recalculate();

        QStringList seen;
        QTimer answer;
        connect(&answer, &QTimer::timeout, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            if (auto* reg = qobject_cast<CRegDoc*>(modal)) {
                reg->findChild<QGroupBox*>(QString::number(CRegDoc::kImprimirGroupId))->setChecked(true);
                reg->findChild<QPushButton*>(QString::number(CRegDoc::kRegistrarId))->click();
            } else if (auto* waiting = qobject_cast<CTicketSendDlg*>(modal)) {
                if (auto* cancel = waiting->findChild<QPushButton*>(QString::number(CTicketSendDlg::kCancelarId));
                    cancel && cancel->isEnabled()) {
                    seen << waiting->windowTitle();
                    cancel->click();
                }
            } else if (auto* box = qobject_cast<CTolMessageDlg*>(modal)) {
                seen << box->text();
                box->done(1);
            }
        });
        answer.start(10);
        form.sendCommand(CPrincipalDlg::kSave);
        answer.stop();
        QCOMPARE(seen, (QStringList{QStringLiteral("Imprimiendo ticket…"),
                                    QStringLiteral("- Impresión cancelada: la impresora no recibió nada del ticket -"),
                                    QStringLiteral("- Documento Registrado -")}));
        Statement st = m_db->prepare("SELECT count(*) FROM Documentos");
        QVERIFY(st.step());
        QCOMPARE(st.integer(0), 1);
    }

    // "Configurar" keeps the paper's width (refusing one no printer has), the start command and
    // the ESC/POS switch; the running program and the next start read them.
    void configurarKeepsTheTicketSettings() {
        UseScratchSettings(m_dir.filePath(QStringLiteral("ajustes")));
        CConfigDlg config(*m_db, m_state);
        QCOMPARE(config.control<CTolEdit>(CConfigDlg::kColumnasTicketId)->text(), QStringLiteral("40"));
        QVERIFY(!config.control<QCheckBox>(CConfigDlg::kEscPosId)->isChecked());
        config.control<CTolEdit>(CConfigDlg::kColumnasTicketId)->setText(QStringLiteral("99"));
        {
            MessageLog log;
            QVERIFY(!config.guardar());
            QCOMPARE(log.texts, QStringList{QStringLiteral("- Las columnas del ticket van de 16 a 80 -")});
        }
        config.control<CTolEdit>(CConfigDlg::kColumnasTicketId)->setText(QStringLiteral("32"));
        config.control<CTolEdit>(CConfigDlg::kComandoInicialId)->setText(QStringLiteral("27,64,27,116,16"));
        config.control<QCheckBox>(CConfigDlg::kEscPosId)->setChecked(true);
        QVERIFY(config.guardar());
        QCOMPARE(m_state.columnasTicket, 32);
        QCOMPARE(m_state.comandoInicial, std::string("27,64,27,116,16"));
        QCOMPARE(m_state.impresoraEscPos, 1);
        const Settings read = SettingsStore::read();
        QCOMPARE(read.columnasTicket, 32);
        QCOMPARE(read.comandoInicial, std::string("27,64,27,116,16"));
        QCOMPARE(read.impresoraEscPos, 1);
        ProgramSettings().clear();
        QCOMPARE(SettingsStore::read().columnasTicket, 40);
    }

    // The preview is the ticket: on 32-column paper a long row shows wrapped as the printer wraps
    // it, its further lines marked; a character the printer lacks shows as its "?" and is warned
    // about when typed; sample amounts have the printed width.
    void thePreviewShowsTheTicketAsPrinted() {
        m_state.columnasTicket = 32;
        CTicketDlg dlg(*m_db, m_state);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        CTicketPreview& preview = dlg.preview();
        QCOMPARE(preview.columns(), 32);
        {
            MessageLog log;
            composeWith(&dlg, [](CInsertRenglon& r) {
                auto* texto = r.control<CTolEdit>(CInsertRenglon::kTextoId);
                texto->setText(QStringLiteral("Gracias por su compra, vuelva"));
                r.addTexto();
                texto->setText(QStringLiteral(" pronto ✓"));
                QVERIFY(texto->toolTip().contains(QStringLiteral("✓")));
                r.addTexto();
            }, [&] { dlg.nuevo(); });
            QCOMPARE(log.texts, QStringList{QStringLiteral("- La impresora de tickets no puede imprimir ✓: saldrá \"?\" en su lugar -")});
            composeWith(&dlg, [](CInsertRenglon& r) {
                chooseDetail(r, 10);
                r.addDetalle();
                r.control<QRadioButton>(CInsertRenglon::kDerechaId)->click();
            }, [&] { dlg.nuevo(); });
        }
        QCOMPARE(int(preview.rows().size()), 2);
        QCOMPARE(preview.lineCount(0), 2);
        QCOMPARE(preview.lineCount(1), 1);
        QCOMPARE(CTicketPreview::PrintedLines(QString::fromStdString(preview.rows()[0].Text), 32),
                 (QStringList{QStringLiteral("Gracias por su compra, vuelva pr"), QStringLiteral("onto ") + QChar(0xFFFD)}));
        // The amount right-aligned in 32 columns, 10 characters wide as it prints.
        QCOMPARE(QString::fromStdString(preview.rows()[1].Text), QString(22, QLatin1Char(' ')) + QStringLiteral(" $1,200.00"));
        // A click on the wrapped line selects its row; the line below is the next row.
        click(dlg, 1);
        QCOMPARE(preview.selection(), 0);
        click(dlg, 2);
        QCOMPARE(preview.selection(), 1);
        QCOMPARE(preview.sizeHint().height(), 2 * CTicketPreview::kMargin + 3 * preview.rowHeight());
        shot(dlg, "ticketdlg-32-columnas");
    }
};

QTEST_MAIN(TestTicketDlg)
#include "tst_ticketdlg.moc"
