#include "cfdi/FiscalStore.h"
#include "db/Database.h"
#include "db/PgConnection.h"
#include "db/SqliteFile.h"
#include "db/Statement.h"
#include "db/ui/DatabaseWatch.h"
#include "invoice/DocumentStore.h"
#include "invoice/Lineas.h"
#include "invoice/MoneyFormat.h"
#include "invoice/MoneyText.h"
#include "invoice/ui/Detalle.h"
#include "invoice/ui/PrincipalDlg.h"
#include "invoice/ui/TotalWnd.h"
#include "platform/ApplicationState.h"
#include "platform/ProgramVersion.h"
#include "platform/ui/Resources.h"
#include "receivables/ui/RegDoc.h"
#include "support/MessageLog.h"
#include "support/ModalAnswer.h"
#include "support/PrivateServer.h"
#include "support/QueryCount.h"
#include "support/TestPictures.h"
#include "support/TestDatabase.h"
#include "toolkit/ui/TolButton.h"
#include "toolkit/ui/TolEdit.h"
#include "toolkit/ui/TolMessageDlg.h"

#include <QDesktopServices>
#include <QPlainTextEdit>
#include <QUrl>
#include <QtTest>

#include <array>
#include <filesystem>
#include <functional>
#include <thread>

// Registers every registration dialog that opens while it lives, counting them.
struct Registrations final {
    QTimer timer;
    int shown = 0;
    Registrations() {
        QObject::connect(&timer, &QTimer::timeout, [this] {
            if (auto* reg = qobject_cast<CRegDoc*>(QApplication::activeModalWidget())) {
                ++shown;
                reg->findChild<QPushButton*>(QString::number(CRegDoc::kRegistrarId))->click();
            }
        });
        timer.start(10);
    }
};

// Takes the pages the program asks the desktop to open.
class UrlCatcher final : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public Q_SLOTS:
    void open(const QUrl& url) { opened << url; }
};

class TestPrincipalDlg final : public QObject {
    Q_OBJECT
    std::unique_ptr<TestDatabase> m_testDb;
    std::unique_ptr<Database> m_db;
    ApplicationState m_state;
    std::unique_ptr<CPrincipalDlg> m_form;

    CTolEdit* edit(int id) const { return m_form->control<CTolEdit>(id); }

    void saveDocument(const std::string& serie, std::int32_t folio) {
        DocumentHeader h;
        h.nombre = "Cliente";
        h.serie = serie;
        h.folio = folio;
        std::vector<CPartida> lines(1);
        lines[0].Descripcion = "Algo";
        CDocumentStore(*m_db).Save(h, lines, {}, {}, std::nullopt);
    }

    void openForm() {
        m_form = std::make_unique<CPrincipalDlg>(*m_db, m_state);
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
        QApplication::setActiveWindow(m_form.get());
    }

private Q_SLOTS:
    void initTestCase() {
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
    }

    void cleanup() {
        m_form.reset();
        m_db.reset();
    }

    void clearingKeepsTheSeriesAndProposesItsNextFolio() {
        openForm();
        QCOMPARE(edit(CPrincipalDlg::kFolio)->text(), QStringLiteral("000001"));
        saveDocument("B", 41);
        saveDocument("B", 7);
        edit(CPrincipalDlg::kSerie)->setText(QStringLiteral("B"));
        Q_EMIT edit(CPrincipalDlg::kSerie)->editingFinished();
        QCOMPARE(edit(CPrincipalDlg::kFolio)->text(), QStringLiteral("000042"));
        // Leaving the series unchanged keeps a folio typed by hand.
        edit(CPrincipalDlg::kFolio)->setText(QStringLiteral("000100"));
        Q_EMIT edit(CPrincipalDlg::kSerie)->editingFinished();
        QCOMPARE(edit(CPrincipalDlg::kFolio)->text(), QStringLiteral("000100"));

        edit(CPrincipalDlg::kCliente)->setText(QStringLiteral("O'Higgins y Cía."));
        m_form->findChild<QPlainTextEdit*>(QString::number(CPrincipalDlg::kNotas))->setPlainText(QStringLiteral("nota"));
        m_form->Clear();
        QCOMPARE(edit(CPrincipalDlg::kSerie)->text(), QStringLiteral("B"));
        QCOMPARE(edit(CPrincipalDlg::kFolio)->text(), QStringLiteral("000042"));
        QVERIFY(edit(CPrincipalDlg::kCliente)->text().isEmpty());
        QVERIFY(m_form->findChild<QPlainTextEdit*>(QString::number(CPrincipalDlg::kNotas))->toPlainText().isEmpty());
        QCOMPARE(m_form->lines().LineCount(), 0);
        // A cancelled folio that was never saved counts as used.
        CDocumentStore(*m_db).Cancel("C", 5);
        edit(CPrincipalDlg::kSerie)->setText(QStringLiteral("C"));
        Q_EMIT edit(CPrincipalDlg::kSerie)->editingFinished();
        QCOMPARE(edit(CPrincipalDlg::kFolio)->text(), QStringLiteral("000006"));
    }

    void extraFieldsFollowTheirNames() {
        m_db->execute("UPDATE CamposExtras SET Nombre = 'Pedido' WHERE Consec = 2");
        m_db->execute("UPDATE CamposExtras SET Nombre = 'Lote' WHERE Consec = 8");
        openForm();
        for (int i = 0; i < 6; ++i)
            QCOMPARE(edit(CPrincipalDlg::kExtra1 + i)->isVisible(), i == 1);
        QCOMPARE(edit(CPrincipalDlg::kExtra1 + 1)->caption(), QStringLiteral("Pedido"));
        QCOMPARE(m_form->grid()->columnCount(), 8); // headings, six fixed columns, "Lote"
        QCOMPARE(m_form->grid()->columnTitle(7), QStringLiteral("Lote"));
    }

    void functionKeysReachTheirCommandsFromEveryField() {
        openForm();
        QList<int> received;
        connect(m_form.get(), &CTolDialog::command, this, [&](int id) { received << id; });
        const std::pair<Qt::Key, int> keys[] = {
            {Qt::Key_F3, CPrincipalDlg::kSave},         {Qt::Key_F4, CPrincipalDlg::kPrint},
            {Qt::Key_F5, CPrincipalDlg::kSearch},       {Qt::Key_F6, CPrincipalDlg::kDelete},
            {Qt::Key_F7, CPrincipalDlg::kReceivables},  {Qt::Key_F8, CPrincipalDlg::kClear},
            {Qt::Key_F9, CPrincipalDlg::kChooseCustomer}};
        QWidget* fields[] = {edit(CPrincipalDlg::kCliente), edit(CPrincipalDlg::kFolio), m_form->grid(),
                             m_form->control(CPrincipalDlg::kNotas)};
        for (QWidget* field : fields) {
            for (const auto& [key, command] : keys) {
                received.clear();
                QApplication::setActiveWindow(m_form.get());
                field->setFocus();
                // Whatever the command opens is closed again.
                QPointer<QTimer> watcher =
                    answerNextModal([](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); }, m_form.get());
                QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : field, key);
                QVERIFY2(received.contains(command), qPrintable(QStringLiteral("%1 in %2").arg(command).arg(field->objectName())));
                QCOMPARE(received.count(command), 1);
                // The command opened nothing (Clear): stop waiting for it.
                delete watcher;
            }
        }
        // The grid's cell editor too: an open edit is committed before the command runs.
        QApplication::setActiveWindow(m_form.get());
        m_form->grid()->setFocus();
        QTest::keyClick(m_form->grid(), 'X');
        received.clear();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F8);
        QCOMPARE(received, QList<int>{CPrincipalDlg::kClear});
        QVERIFY(!m_form->grid()->isEditing());
    }

    // F1 opens the help, as the "Ayuda" button does, from any field of the form.
    void f1OpensTheHelpFromEveryField() {
        openForm();
        UrlCatcher catcher;
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "open");
        QTest::keyClick(edit(CPrincipalDlg::kCliente), Qt::Key_F1);
        QTest::keyClick(edit(CPrincipalDlg::kFolio), Qt::Key_F1);
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        QCOMPARE(catcher.opened.size(), 2);
        QVERIFY2(catcher.opened[0].toLocalFile().endsWith(QStringLiteral("help/html/Introduccion.htm")),
                 qPrintable(catcher.opened[0].toString()));
    }

    // The about box names the version the programs and the package carry.
    void aboutShowsTheVersion() {
        openForm();
        MessageLog log;
        m_form->sendCommand(CPrincipalDlg::kAbout);
        QCOMPARE(log.texts.size(), 1);
        QVERIFY2(log.texts[0].contains(QStringLiteral("\nVersión %1\n").arg(QLatin1String(ProgramVersion::Number()))),
                 qPrintable(log.texts[0]));
    }

    void menuButtonsAndFieldRules() {
        openForm();
        auto items = [&](int id) {
            QList<int> ids;
            for (const TolMenuItem& item : m_form->control<CTolButton>(id)->menuItems())
                ids << item.id;
            return ids;
        };
        QCOMPARE(items(CPrincipalDlg::kReportsMenu), (QList<int>{32771, 32772, 32773, 32774, 32776}));
        QCOMPARE(items(CPrincipalDlg::kUtilitiesMenu), (QList<int>{32777, 32778, 32779, 32782, 32783, 32784, 32785}));
        QCOMPARE(items(CPrincipalDlg::kFormatsMenu), (QList<int>{32780, 32781}));
        QCOMPARE(m_form->control<CTolButton>(CPrincipalDlg::kReportsMenu)->menuItems().first().text,
                 QStringLiteral("Catálogo de clientes"));

        CTolEdit* folio = edit(CPrincipalDlg::kFolio);
        folio->clear();
        folio->setFocus();
        QTest::keyClicks(folio, QStringLiteral("1a2b3"));
        QCOMPARE(folio->text(), QStringLiteral("123"));
        QCOMPARE(edit(CPrincipalDlg::kCliente)->maxLength(), 100);
        QCOMPARE(edit(CPrincipalDlg::kRfc)->maxLength(), 25);
        QCOMPARE(edit(CPrincipalDlg::kSerie)->maxLength(), 2);
        QCOMPARE(edit(CPrincipalDlg::kCliente)->lookupCommand(), int(CPrincipalDlg::kChooseCustomer));

        // Print without lines: "- Faltan datos -".
        QString shown;
        answerNextModal([&](QWidget* w) {
            shown = static_cast<CTolMessageDlg*>(w)->text();
            QTest::keyClick(w, Qt::Key_Escape);
        }, m_form.get());
        m_form->control<CTolButton>(CPrincipalDlg::kPrint)->click();
        QCOMPARE(shown, QStringLiteral("- Faltan datos -"));
    }

    void saveTakesTheRowStillBeingTypedAsALine() {
        openForm();
        edit(CPrincipalDlg::kCliente)->setText(QStringLiteral("Público en General"));
        // A row typed but not yet left: its amounts already show in the totals.
        CPartida& typed = m_form->lines().NewLine();
        typed.Clave = "X1";
        typed.Descripcion = "Tornillo";
        typed.Precio = 50;
        typed.Cantidad = 2;
        typed.Recalculate();
        QStringList messages;
        answerNextModal([&](QWidget* w) {
            // The registration dialog proposes the whole total; register it.
            w->findChild<QPushButton*>(QString::number(CRegDoc::kRegistrarId))->click();
            answerNextModal([&](QWidget* box) {
                messages << static_cast<CTolMessageDlg*>(box)->text();
                QTest::keyClick(box, Qt::Key_Escape);
            }, m_form.get());
        }, m_form.get());
        m_form->control<CTolButton>(CPrincipalDlg::kSave)->click();
        QCOMPARE(messages, QStringList{QStringLiteral("- Documento Registrado -")});
        DocumentHeader header;
        std::vector<CPartida> lines;
        const auto id = CDocumentStore(*m_db).Find("", 1);
        QVERIFY(id);
        QCOMPARE(CDocumentStore(*m_db).Load(*id, header, lines), CDocumentStore::LoadResult::Loaded);
        QCOMPARE(lines.size(), std::size_t(1));
        Statement doc = m_db->prepare("SELECT Total, YaPagado FROM Documentos");
        QVERIFY(doc.step());
        QCOMPARE(doc.real(0), lines[0].Total);
        QCOMPARE(doc.real(1), lines[0].Total);
    }

    void leavingAsksOnlyWhenSomethingWouldBeLost() {
        openForm();
        QTest::keyClick(m_form.get(), Qt::Key_Escape); // empty form: no question
        QVERIFY(!m_form->isVisible());

        openForm();
        edit(CPrincipalDlg::kCliente)->setText(QStringLiteral("Ángela Güemes"));
        QString asked;
        answerNextModal([&](QWidget* w) {
            asked = static_cast<CTolMessageDlg*>(w)->text();
            static_cast<CTolMessageDlg*>(w)->control<QPushButton>(CTolMessageDlg::kNoId)->click();
        }, m_form.get());
        QTest::keyClick(m_form.get(), Qt::Key_Escape);
        QVERIFY(asked.startsWith(QStringLiteral("¿Desea salir")));
        QVERIFY(m_form->isVisible());
        QCOMPARE(edit(CPrincipalDlg::kCliente)->text(), QStringLiteral("Ángela Güemes"));

        // Escape then a reflex Enter: "No" has the focus, and the document stays.
        answerNextModal([](QWidget* w) {
            QCOMPARE(QApplication::focusWidget(), static_cast<CTolMessageDlg*>(w)->control(CTolMessageDlg::kNoId));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        }, m_form.get());
        QTest::keyClick(m_form.get(), Qt::Key_Escape);
        QVERIFY(m_form->isVisible());
        QCOMPARE(edit(CPrincipalDlg::kCliente)->text(), QStringLiteral("Ángela Güemes"));

        answerNextModal([](QWidget* w) {
            static_cast<CTolMessageDlg*>(w)->control<QPushButton>(CTolMessageDlg::kOkId)->click();
        }, m_form.get());
        m_form->reject(); // the close box
        QVERIFY(!m_form->isVisible());
    }

    // The form as an operator fills it: the customer typed, one line typed in the grid's last row.
    void typeDocument(const QString& cliente) {
        edit(CPrincipalDlg::kCliente)->setFocus();
        QTest::keyClicks(edit(CPrincipalDlg::kCliente), cliente);
        CPartida& typed = m_form->lines().NewLine();
        typed.Descripcion = "Tornillo";
        typed.Precio = 50;
        typed.Cantidad = 2;
        typed.Recalculate();
    }
    // Answers the message boxes that open while `run` runs, in order, keeping their texts: true
    // presses Sí / OK, false No.
    QStringList answering(const QList<bool>& answers, const std::function<void()>& run) {
        QStringList texts;
        QTimer timer;
        int next = 0;
        connect(&timer, &QTimer::timeout, [&] {
            auto* box = qobject_cast<CTolMessageDlg*>(QApplication::activeModalWidget());
            if (!box)
                return;
            texts << box->text();
            const bool yes = next < answers.size() ? answers[next] : true;
            ++next;
            // A box with OK only is answered OK whatever the answer.
            auto* button = box->control<QPushButton>(yes ? CTolMessageDlg::kOkId : CTolMessageDlg::kNoId);
            (button ? button : box->control<QPushButton>(CTolMessageDlg::kOkId))->click();
        });
        timer.start(10);
        run();
        return texts;
    }
    // Runs `act` on the registration dialog once it opens (whatever asks before it).
    static QPointer<QTimer> onRegistration(const std::function<void(QWidget*)>& act) {
        auto* timer = new QTimer;
        timer->setInterval(10);
        QObject::connect(timer, &QTimer::timeout, [timer, act] {
            auto* reg = qobject_cast<CRegDoc*>(QApplication::activeModalWidget());
            if (!reg)
                return;
            timer->stop();
            timer->deleteLater();
            act(reg);
        });
        timer->start();
        return timer;
    }
    static void registrar(QWidget* reg) { reg->findChild<QPushButton*>(QString::number(CRegDoc::kRegistrarId))->click(); }
    std::int64_t count(const std::string& sql) { return QueryCount(*m_db, sql); }
    std::int64_t documents(const char* where) { return count(std::string("SELECT count(*) FROM Documentos WHERE ") + where); }

    void aFolioTakenByAnotherStationMeanwhileIsNotSavedTwice() {
        openForm();
        auto other = m_testDb->open();
        typeDocument(QStringLiteral("Caja uno"));
        QCOMPARE(edit(CPrincipalDlg::kFolio)->text(), QStringLiteral("000001"));
        // While this operator is on the registration dialog, the other station stores folio 1.
        onRegistration([&](QWidget* w) {
            DocumentHeader h;
            h.nombre = "Caja dos";
            h.folio = 1;
            std::vector<CPartida> lines(1);
            lines[0].Descripcion = "Otra venta";
            QCOMPARE(CDocumentStore(*other).Save(h, lines, {}, {}, std::nullopt).outcome, SaveResult::Outcome::Saved);
            registrar(w);
        });
        QStringList told = answering({}, [&] { QTest::keyClick(edit(CPrincipalDlg::kCliente), Qt::Key_F3); });
        QCOMPARE(told, QStringList{QStringLiteral("- El folio ya fue usado en otra estación: se propone el 000002 -")});
        QCOMPARE(edit(CPrincipalDlg::kFolio)->text(), QStringLiteral("000002"));
        QCOMPARE(documents("Folio = 1"), 1);
        QCOMPARE(documents("Nombre = 'Caja dos'"), 1);
        QCOMPARE(documents("Nombre = 'Caja uno'"), 0);
        // The document is still on the form: saved again, it takes the folio proposed.
        QCOMPARE(edit(CPrincipalDlg::kCliente)->text(), QStringLiteral("Caja uno"));
        onRegistration(registrar);
        told = answering({}, [&] { QTest::keyClick(edit(CPrincipalDlg::kCliente), Qt::Key_F3); });
        QCOMPARE(told, QStringList{QStringLiteral("- Documento Registrado -")});
        QCOMPARE(documents("Folio = 2 AND Nombre = 'Caja uno'"), 1);
    }

    void aProposedFolioStoredByAnotherStationBeforeTheSaveIsNeverOfferedForReplacement() {
        openForm();
        auto other = m_testDb->open();
        typeDocument(QStringLiteral("Caja uno"));
        QCOMPARE(edit(CPrincipalDlg::kFolio)->text(), QStringLiteral("000001"));
        // The other station stores folio 1, paid, while this operator is still typing.
        DocumentHeader h;
        h.nombre = "Caja dos";
        h.folio = 1;
        std::vector<CPartida> lines(1);
        lines[0].Descripcion = "Otra venta";
        lines[0].Precio = 300;
        lines[0].Cantidad = 1;
        lines[0].Recalculate();
        DocumentTotals totals;
        totals.Add(lines[0]);
        QCOMPARE(CDocumentStore(*other).Save(h, lines, totals, {true, 300, "Efectivo"}, std::nullopt).outcome,
                 SaveResult::Outcome::Saved);
        // Saving does not ask to delete the other station's document and its payment (were it
        // asked, No keeps it).
        QStringList told = answering({false}, [&] { QTest::keyClick(edit(CPrincipalDlg::kCliente), Qt::Key_F3); });
        QCOMPARE(told, QStringList{QStringLiteral("- El folio ya fue usado en otra estación: se propone el 000002 -")});
        QCOMPARE(edit(CPrincipalDlg::kFolio)->text(), QStringLiteral("000002"));
        QCOMPARE(documents("Folio = 1 AND Nombre = 'Caja dos'"), 1);
        QCOMPARE(count("SELECT count(*) FROM Cobros"), 1);
        onRegistration(registrar);
        told = answering({}, [&] { QTest::keyClick(edit(CPrincipalDlg::kCliente), Qt::Key_F3); });
        QCOMPARE(told, QStringList{QStringLiteral("- Documento Registrado -")});
        QCOMPARE(documents("Folio = 2 AND Nombre = 'Caja uno'"), 1);

        // A folio the operator types is still a replacement to ask about.
        typeDocument(QStringLiteral("Sustituto"));
        edit(CPrincipalDlg::kFolio)->setFocus();
        QTest::keyClick(edit(CPrincipalDlg::kFolio), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(edit(CPrincipalDlg::kFolio), QStringLiteral("1"));
        told = answering({false}, [&] { QTest::keyClick(edit(CPrincipalDlg::kFolio), Qt::Key_F3); });
        QCOMPARE(told, QStringList{QStringLiteral("El folio 000001 ya existe.\n¿Desea eliminar los pagos y sustituirla por la actual?")});
        QCOMPARE(documents("Folio = 1 AND Nombre = 'Caja dos'"), 1);
    }

    void aReplacementAsksAgainWhenTheDocumentChangedMeanwhile() {
        saveDocument("", 3);
        openForm();
        auto other = m_testDb->open();
        typeDocument(QStringLiteral("Sustituto"));
        edit(CPrincipalDlg::kFolio)->setFocus();
        QTest::keyClick(edit(CPrincipalDlg::kFolio), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(edit(CPrincipalDlg::kFolio), QStringLiteral("3"));
        // After the question, another station takes a payment on the stored document.
        onRegistration([&](QWidget* w) {
            other->execute("INSERT INTO Cobros (Id_Documento, NumPago, Importe) SELECT Id_Documento, 1, 5 FROM Documentos");
            registrar(w);
        });
        // Asked, then asked again about the changed document: No keeps it.
        QStringList asked = answering({true, false}, [&] { QTest::keyClick(edit(CPrincipalDlg::kFolio), Qt::Key_F3); });
        QCOMPARE(asked.size(), 2);
        QCOMPARE(asked[0], QStringLiteral("El folio 000003 ya existe.\n¿Desea eliminar los pagos y sustituirla por la actual?"));
        QCOMPARE(asked[1], QStringLiteral("- El documento cambió en otra estación -\n") + asked[0]);
        QCOMPARE(documents("Folio = 3 AND Nombre = 'Cliente'"), 1);
        QCOMPARE(count("SELECT count(*) FROM Cobros"), 1);

        // Asked twice again (it changed once more), Sí both times: replaced.
        onRegistration([&](QWidget* w) {
            other->execute("UPDATE Cobros SET Importe = 6");
            registrar(w);
        });
        asked = answering({true, true}, [&] { QTest::keyClick(edit(CPrincipalDlg::kFolio), Qt::Key_F3); });
        QVERIFY2(asked.size() == 3, qPrintable(asked.join(QStringLiteral(" | "))));
        QCOMPARE(asked[2], QStringLiteral("- Documento Registrado -"));
        QCOMPARE(documents("Folio = 3"), 1);
        QCOMPARE(documents("Folio = 3 AND Nombre = 'Sustituto'"), 1);
    }

    // The server drops the connection in the middle of the save: the operator is told, nothing is
    // stored, the document stays on the form, and F3 saves it once the server answers again.
    void aConnectionLostDuringTheSaveKeepsTheDocumentToSaveAgain() {
        if (!TestDatabase::onServer())
            QSKIP("a file has no connection to lose");
        openForm();
        auto other = m_testDb->open();
        TestDatabase::injectLostConnection(*other, "Detalles", "INSERT");
        typeDocument(QStringLiteral("Caja uno"));
        onRegistration(registrar);
        // "Cancelar" on the offer to retry.
        QStringList told = answering({false}, [&] { QTest::keyClick(edit(CPrincipalDlg::kCliente), Qt::Key_F3); });
        QCOMPARE(told.size(), 1);
        QVERIFY2(told[0].startsWith(QStringLiteral("No se pudo comunicar con el servidor de la base de datos")),
                 qPrintable(told[0]));
        Statement stored = other->prepare("SELECT count(*) FROM Documentos");
        QVERIFY(stored.step());
        QCOMPARE(stored.integer(0), 0);
        QCOMPARE(edit(CPrincipalDlg::kCliente)->text(), QStringLiteral("Caja uno"));
        QCOMPARE(edit(CPrincipalDlg::kFolio)->text(), QStringLiteral("000001"));
        QCOMPARE(m_form->lines().LineCount(), 1);

        TestDatabase::clearLostConnection(*other, "Detalles");
        onRegistration(registrar);
        told = answering({}, [&] { QTest::keyClick(edit(CPrincipalDlg::kCliente), Qt::Key_F3); });
        QCOMPARE(told, QStringList{QStringLiteral("- Documento Registrado -")});
        QCOMPARE(documents("Folio = 1 AND Nombre = 'Caja uno'"), 1);
        QCOMPARE(count("SELECT count(*) FROM Detalles"), 1);
    }

    // The server is stopped for maintenance in the middle of a save (a server of the test's own):
    // the operator reads what happened and what to do in Spanish, in a box that reads in a few
    // lines, and the first save once the server is back reconnects and stores the document.
    void aServerStoppedDuringTheSaveIsToldAndTheNextSaveReconnects() {
        if (!TestDatabase::onServer() || !PrivateServer::available())
            QSKIP("needs the test server and PostgreSQL's server programs");
        PrivateServer server;
        auto run = [&server](const std::string& sql, const std::string& database) {
            PGconn* conn = PQconnectdb(server.uri(database).c_str());
            PGresult* r = PQexec(conn, sql.c_str());
            const ExecStatusType status = PQresultStatus(r);
            PQclear(r);
            PQfinish(conn);
            return status == PGRES_COMMAND_OK;
        };
        QVERIFY(run("CREATE DATABASE qv TEMPLATE template0 ENCODING 'UTF8' LC_COLLATE 'C' LC_CTYPE 'C'", "postgres"));
        m_form.reset();
        m_db = Database::create(server.uri("qv"));
        m_state.database = m_db.get();
        QVERIFY(run("CREATE FUNCTION espera() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN PERFORM pg_sleep(30); "
                    "RETURN NEW; END $$", "qv"));
        QVERIFY(run("CREATE TRIGGER espera BEFORE INSERT ON Detalles FOR EACH ROW EXECUTE FUNCTION espera()", "qv"));
        openForm();
        typeDocument(QStringLiteral("Caja uno"));

        onRegistration(registrar);
        std::thread stopper([&server] {
            std::this_thread::sleep_for(std::chrono::milliseconds(800));
            server.stop();
        });
        QSize boxSize;
        QTimer look;
        connect(&look, &QTimer::timeout, [&] {
            if (auto* box = qobject_cast<CTolMessageDlg*>(QApplication::activeModalWidget()); box && boxSize.isEmpty()) {
                boxSize = box->size();
                if (const QByteArray prefix = qgetenv("CFDI_DIALOG_PNG"); !prefix.isEmpty())
                    box->grab().save(QString::fromLocal8Bit(prefix) + QStringLiteral("servidor-detenido.png"));
            }
        });
        look.start(5);
        // "Cancelar" on the offer to retry while the server is down.
        QStringList told = answering({false}, [&] { QTest::keyClick(edit(CPrincipalDlg::kCliente), Qt::Key_F3); });
        stopper.join();
        look.stop();
        QCOMPARE(told.size(), 1);
        QVERIFY2(told[0].startsWith(QStringLiteral("No se pudo comunicar con el servidor de la base de datos")),
                 qPrintable(told[0]));
        QVERIFY2(told[0].contains(QStringLiteral("guárdelo de nuevo")), qPrintable(told[0]));
        QVERIFY2(!told[0].contains(QStringLiteral("no pudo completar la operación")), qPrintable(told[0]));
        // Wide enough to read in a few lines, and on a 1024 × 768 screen.
        QVERIFY2(boxSize.width() >= 300 && boxSize.width() <= 1000 && boxSize.height() <= 700,
                 qPrintable(QStringLiteral("%1 x %2").arg(boxSize.width()).arg(boxSize.height())));
        QCOMPARE(edit(CPrincipalDlg::kCliente)->text(), QStringLiteral("Caja uno"));
        QCOMPARE(m_form->lines().LineCount(), 1);

        server.start();
        QVERIFY(run("DROP TRIGGER espera ON Detalles", "qv"));
        onRegistration(registrar);
        told = answering({}, [&] { QTest::keyClick(edit(CPrincipalDlg::kCliente), Qt::Key_F3); });
        QCOMPARE(told, QStringList{QStringLiteral("- Documento Registrado -")});
        QCOMPARE(documents("Folio = 1 AND Nombre = 'Caja uno'"), 1);
        m_form.reset();
        m_db.reset();
    }

    // A PNG logo shows; one that cannot be read is told, with its name, and the program's own
    // logo stands in.
    void aLogoThatCannotBeReadIsTold() {
        const std::string good = m_testDb->dir().file("logo.png");
        const std::string bytes = testpictures::pngBytes(testpictures::Png{});
        ScratchDir::writeAll(good, bytes);
        const std::string cut = m_testDb->dir().file("cortado.png");
        ScratchDir::writeAll(cut, bytes.substr(0, bytes.size() / 2));
        for (const std::string& logo : {good, cut}) {
            m_state.logo = logo;
            MessageLog messages;
            openForm();
            QTest::qWait(30);
            if (logo == good) {
                QCOMPARE(messages.texts, QStringList());
            } else {
                QCOMPARE(messages.texts.size(), 1);
                QVERIFY2(messages.texts[0].startsWith(QStringLiteral("No se pudo leer la imagen cortado.png")),
                         qPrintable(messages.texts[0]));
                QVERIFY(messages.texts[0].contains(QStringLiteral("PNG :")));
            }
            m_form.reset();
        }
    }

    // A document shown from the search and deleted by another station meanwhile is stored again
    // only when the operator says so.
    void aLoadedDocumentDeletedElsewhereIsAskedBeforeItIsStoredAgain() {
        saveDocument("B", 7);
        openForm();
        auto other = m_testDb->open();
        const auto id = CDocumentStore(*m_db).Find("B", 7);
        QVERIFY(id);
        m_form->LoadDocument(*id);
        QVERIFY(CDocumentStore(*other).Delete("B", 7) == CDocumentStore::DeleteResult::Deleted);
        const QString question =
            QStringLiteral("- El documento fue eliminado en otra estación. ¿Desea registrarlo de nuevo? -");
        Registrations regs;
        QStringList told = answering({false}, [&] { QTest::keyClick(edit(CPrincipalDlg::kCliente), Qt::Key_F3); });
        QCOMPARE(told, QStringList{question});
        QCOMPARE(regs.shown, 0);
        QCOMPARE(documents("Serie = 'B'"), 0);
        QCOMPARE(edit(CPrincipalDlg::kFolio)->text(), QStringLiteral("000007"));

        told = answering({true}, [&] { QTest::keyClick(edit(CPrincipalDlg::kCliente), Qt::Key_F3); });
        QCOMPARE(told, (QStringList{question, QStringLiteral("- Documento Registrado -")}));
        QCOMPARE(regs.shown, 1);
        QCOMPARE(documents("Serie = 'B' AND Folio = 7"), 1);

        // A new document of a folio nobody stored is not asked about.
        typeDocument(QStringLiteral("Caja uno"));
        told = answering({}, [&] { QTest::keyClick(edit(CPrincipalDlg::kCliente), Qt::Key_F3); });
        QCOMPARE(told, QStringList{QStringLiteral("- Documento Registrado -")});
    }

    // The file moved or replaced under the open form: the save is refused with the message, nothing
    // is written to either file, the document stays on the form, and the idle watch tells it once
    // even before a save.
    void aFileMovedOrReplacedUnderTheFormIsNeverWrittenAndTheDocumentStays() {
        if (TestDatabase::onServer())
            QSKIP("a server database has no file to move");
        const std::string path = m_testDb->location(), moved = m_testDb->dir().file("movida.mdb");
        const QString refusal = QString::fromUtf8(SqliteFile::kMovedMessage);
        for (const bool replace : {false, true}) {
            m_form.reset();
            m_db.reset();
            std::filesystem::remove(path);
            std::filesystem::remove(moved);
            const std::string restored = m_testDb->dir().file("respaldo.mdb");
            std::filesystem::remove(restored);
            Database::create(restored);
            m_db = Database::create(path);
            m_state.database = m_db.get();
            saveDocument({}, 1);
            openForm();
            typeDocument(QStringLiteral("Caja uno"));
            std::filesystem::rename(path, moved);
            if (replace) // the technician restores a copy at the path
                std::filesystem::rename(restored, path);
            // Nothing is asked before the refusal: the registration dialog never opens.
            Registrations regs;
            const QStringList told =
                answering({}, [&] { QTest::keyClick(edit(CPrincipalDlg::kCliente), Qt::Key_F3); });
            QCOMPARE(told, QStringList{refusal});
            QCOMPARE(regs.shown, 0);
            QCOMPARE(edit(CPrincipalDlg::kCliente)->text(), QStringLiteral("Caja uno"));
            QCOMPARE(m_form->lines().LineCount(), 1);
            QVERIFY(!std::filesystem::exists(path + "-wal") && !std::filesystem::exists(path + "-shm"));
            auto documentsIn = [](const std::string& file) {
                auto db = Database::open(file);
                return QueryCount(*db, "SELECT count(*) FROM Documentos");
            };
            QCOMPARE(documentsIn(moved), 1);  // the earlier save went with the moved file
            if (replace)
                QCOMPARE(documentsIn(path), 0);
            else
                QVERIFY(!std::filesystem::exists(path));
        }

        // Idle: the watch tells it within its interval, once, and the form stays usable.
        m_form.reset();
        m_db = Database::open(moved);
        m_state.database = m_db.get();
        openForm();
        QStringList watched;
        CDatabaseWatch watch(*m_db, nullptr, 20);
        watch.tell = [&](const QString& text) { watched << text; };
        QTest::qWait(100);
        QVERIFY(watched.isEmpty());
        std::filesystem::rename(moved, path);
        QTRY_COMPARE(watched, QStringList{refusal});
        QTest::qWait(100);
        QCOMPARE(watched.size(), 1);
        QVERIFY(!watch.checkNow());
    }

    // The connection goes at COMMIT: "Reintentar" writes again only what is not stored, with the
    // registration answers already given, and never asks to replace the operator's own document.
    void aRetryAfterALostCommitLooksFirstAtWhatIsStored() {
        if (!TestDatabase::onServer())
            QSKIP("a file has no connection to lose");
        openForm();
        auto other = m_testDb->open();
        // Stored, but the reply never reaches the station.
        typeDocument(QStringLiteral("Caja uno"));
        PgConnection::loseNextCommitReply();
        {
            Registrations registrations;
            const QStringList told =
                answering({true, true}, [&] { QTest::keyClick(edit(CPrincipalDlg::kCliente), Qt::Key_F3); });
            QVERIFY2(told.size() == 2, qPrintable(told.join(QStringLiteral(" | "))));
            QVERIFY2(told[0].startsWith(QStringLiteral("No se pudo comunicar con el servidor de la base de datos")),
                     qPrintable(told[0]));
            QCOMPARE(told[1], QStringLiteral("- El documento sí quedó registrado -"));
            QCOMPARE(registrations.shown, 1);
        }
        QCOMPARE(documents("Folio = 1 AND Nombre = 'Caja uno'"), 1);
        QCOMPARE(count("SELECT count(*) FROM Cobros"), 1);
        QCOMPARE(count("SELECT count(*) FROM Detalles"), 1);
        // Cleared, as after any save.
        QCOMPARE(edit(CPrincipalDlg::kCliente)->text(), QString());
        QCOMPARE(edit(CPrincipalDlg::kFolio)->text(), QStringLiteral("000002"));

        // Ended at COMMIT before the server stored it (once): the retry saves it.
        other->execute("CREATE SEQUENCE cortes");
        other->execute("CREATE FUNCTION corta_una_vez() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN "
                       "IF nextval('cortes') = 1 THEN PERFORM pg_terminate_backend(pg_backend_pid()); END IF; "
                       "RETURN NULL; END $$");
        other->execute("CREATE CONSTRAINT TRIGGER corta AFTER INSERT ON Documentos DEFERRABLE INITIALLY DEFERRED "
                       "FOR EACH ROW EXECUTE FUNCTION corta_una_vez()");
        typeDocument(QStringLiteral("Caja dos"));
        {
            Registrations registrations;
            const QStringList told =
                answering({true, true}, [&] { QTest::keyClick(edit(CPrincipalDlg::kCliente), Qt::Key_F3); });
            QVERIFY2(told.size() == 2, qPrintable(told.join(QStringLiteral(" | "))));
            QVERIFY(told[0].startsWith(QStringLiteral("No se pudo comunicar con el servidor de la base de datos")));
            QCOMPARE(told[1], QStringLiteral("- Documento Registrado -"));
            QCOMPARE(registrations.shown, 1);
        }
        QCOMPARE(documents("Folio = 2 AND Nombre = 'Caja dos'"), 1);
        QCOMPARE(count("SELECT count(*) FROM Cobros"), 2);
        QCOMPARE(documents("1 = 1"), 2);
    }

    // Once the business has its RFC, the totals window, the registration and the stored document
    // add the lines up as its CFDI will; before, the unrounded sums of always.
    void theBusinessRfcMakesTheTotalsThoseOfTheCfdi() {
        openForm();
        CPartida third;
        third.Descripcion = "Tercio";
        third.Precio = 0.333;
        third.Cantidad = 1;
        third.pI1 = 0.16;
        third.Recalculate();
        const auto fill = [&] {
            typeDocument(QStringLiteral("Cliente"));
            for (int slot = 1; slot <= 3; ++slot)
                m_form->lines().Line(slot) = third;
            m_form->lines().SetLineCount(3);
            m_form->totals()->Recompute(m_form->lines());
        };
        const auto save = [&] {
            onRegistration(registrar);
            const QStringList told = answering({}, [&] { m_form->control<CTolButton>(CPrincipalDlg::kSave)->click(); });
            QCOMPARE(told, QStringList{QStringLiteral("- Documento Registrado -")});
        };
        const auto stored = [&](int folio) {
            Statement s = m_db->prepare("SELECT Total, YaPagado, Impuesto1 FROM Documentos WHERE Folio = ?");
            s.bind(1, std::int64_t{folio});
            return s.step() ? std::array<double, 3>{s.real(0), s.real(1), s.real(2)} : std::array<double, 3>{};
        };
        fill();
        const double unrounded = ((third.Total + third.Total) + third.Total) + 100;
        QCOMPARE(m_form->totals()->LargeTotalText(), QString::fromStdString(FormatMoney(unrounded)));
        save();
        QCOMPARE(stored(1)[0], unrounded);
        QCOMPARE(stored(1)[1], unrounded);

        // The RFC stored while a document is on the form: its save already adds up in cents.
        EmisorFiscal business;
        business.rfc = "EKU9003173C9";
        CFiscalStore(*m_db).saveEmisor(business);
        fill();
        save();
        QCOMPARE(stored(2), (std::array<double, 3>{101.14, 101.14, 0.15}));
        fill();
        QCOMPARE(m_form->totals()->LargeTotalText(), QStringLiteral("$101.14"));
        QCOMPARE(m_form->totals()->Total(), 101.14);
    }

    void aFolioALongCannotHoldIsRefusedAndTheLastOneDoesNotWrap() {
        openForm();
        typeDocument(QStringLiteral("Cliente"));
        CTolEdit* folio = edit(CPrincipalDlg::kFolio);
        folio->setFocus();
        QTest::keyClick(folio, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(folio, QStringLiteral("9999999999"));
        for (Qt::Key key : {Qt::Key_F3, Qt::Key_F4, Qt::Key_F6}) {
            const QStringList told = answering({}, [&] { QTest::keyClick(folio, key); });
            QCOMPARE(told, QStringList{QStringLiteral("- El folio no puede ser mayor que 2147483647 -")});
            QCOMPARE(folio->text(), QStringLiteral("9999999999"));
        }
        QCOMPARE(documents("1 = 1"), 0);

        // The last folio a Long holds is a folio; after it the lowest free one is proposed.
        QTest::keyClick(folio, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(folio, QStringLiteral("2147483647"));
        onRegistration(registrar);
        const QStringList told = answering({}, [&] { QTest::keyClick(folio, Qt::Key_F3); });
        QCOMPARE(told, QStringList{QStringLiteral("- Documento Registrado -")});
        QCOMPARE(documents("Folio = 2147483647"), 1);
        QCOMPARE(folio->text(), QStringLiteral("000001"));
    }
};

QTEST_MAIN(TestPrincipalDlg)
#include "tst_principaldlg.moc"
