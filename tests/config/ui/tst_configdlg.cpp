#include "catalogs/ui/ComboTabla.h"
#include "config/ui/ConfigDlg.h"
#include "config/ui/DailyBackup.h"
#include "db/BusinessData.h"
#include "db/Database.h"
#include "db/DatabaseLocation.h"
#include "db/Statement.h"
#include "db/ui/DatabasePromptDlg.h"
#include "invoice/AmountInWords.h"
#include "invoice/ui/PrincipalDlg.h"
#include "platform/ApplicationState.h"
#include "platform/SharedValues.h"
#include "platform/ui/Resources.h"
#include "platform/ui/SettingsStore.h"
#include "support/LayoutCheck.h"
#include "support/MessageLog.h"
#include "support/ModalAnswer.h"
#include "support/ScratchSettings.h"
#include "support/TestDatabase.h"
#include "toolkit/ui/TolEdit.h"
#include "toolkit/ui/TolMessageDlg.h"
#include "toolkit/ui/TolTextEdit.h"

#include <QCheckBox>
#include <QFile>
#include <QFileDialog>
#include <QGroupBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

CTolEdit* edit(CTolDialog& dlg, int id) { return dlg.control<CTolEdit>(id); }
QCheckBox* check(CTolDialog& dlg, int id) { return dlg.control<QCheckBox>(id); }

} // namespace

class TestConfigDlg final : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    int m_n = 0;
    std::unique_ptr<TestDatabase> m_where;
    std::unique_ptr<Database> m_db;
    ApplicationState m_state;

    std::string text(const std::string& sql) {
        Statement st = m_db->prepare(sql);
        st.step();
        return st.text(0);
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        UseScratchSettings(m_dir.filePath(QStringLiteral("config")));
        InitQuintalevaResources();
        CTolMessageDlg::registerToolkit();
    }
    void init() {
        ProgramSettings().clear();
        m_where = std::make_unique<TestDatabase>("q" + std::to_string(++m_n));
        m_db = m_where->create();
        m_state = ApplicationState{};
        m_state.database = m_db.get();
    }
    void cleanup() {
        m_db.reset();
        m_where.reset();
    }

    // The scrambled password as the program keeps it: text in a file, bytes on a server.
    DbValue storedPassword(const std::string& scrambled) const {
        return m_db->dialect().bytesAsText() ? DbValue(scrambled) : DbValue(Blob(scrambled.begin(), scrambled.end()));
    }

    void settingsRoundTrip() {
        m_db->execute("UPDATE CamposExtras SET Nombre = 'Pedido' WHERE Consec IN (2, 7)");
        const std::string scrambled = ScramblePassword("Clave:1");
        m_db->execute("UPDATE General SET \"In\" = ?", {storedPassword(scrambled)});
        m_state.pWin = 0;
        m_state.pPos = 2;
        m_state.impuesto = 2;
        m_state.comando = "27,112,0,25,250";

        CConfigDlg dlg(*m_db, m_state);
        QCOMPARE(edit(dlg, CConfigDlg::kBaseDatosId)->text(), QString::fromStdString(m_db->path()));
        QCOMPARE(edit(dlg, CConfigDlg::kCampoExtra1Id + 1)->text(), QStringLiteral("Pedido"));
        QCOMPARE(edit(dlg, CConfigDlg::kColumnaExtra1Id)->text(), QStringLiteral("Pedido"));
        QCOMPARE(edit(dlg, CConfigDlg::kClaveId)->text(), QStringLiteral("Clave:1"));
        QCOMPARE(edit(dlg, CConfigDlg::kMonedaId)->text(), QStringLiteral("PESOS"));
        QCOMPARE(dlg.control<CTolTextEdit>(CConfigDlg::kComandoId)->toPlainText(), QStringLiteral("27,112,0,25,250"));
        QVERIFY(!check(dlg, CConfigDlg::kWindowsPrinterId)->isChecked());
        auto* ticket = dlg.control<QGroupBox>(CConfigDlg::kTicketPrinterId);
        QVERIFY(ticket->isChecked());
        QVERIFY(dlg.control<QRadioButton>(CConfigDlg::kLpt1Id + 2)->isChecked());
        // Taxes without the withholdings; the default one chosen.
        auto* taxes = dlg.control<CComboTabla>(CConfigDlg::kImpuestoId);
        QCOMPARE(taxes->count(), 3);
        QCOMPARE(taxes->currentText(), QStringLiteral("IVA 8 %"));
        QCOMPARE(edit(dlg, CConfigDlg::kRespaldosId)->text(), QDir::toNativeSeparators(CDailyBackup::defaultFolder()));

        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        const QStringList faults = layoutFaults(dlg);
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QStringLiteral("; "))));
        saveShot(dlg, QStringLiteral("config"));

        // The two ways of printing exclude each other, both ways.
        check(dlg, CConfigDlg::kWindowsPrinterId)->click();
        QVERIFY(!ticket->isChecked());
        QVERIFY(!dlg.control<QRadioButton>(CConfigDlg::kLpt1Id)->isEnabled());
        ticket->setChecked(true);
        QVERIFY(!check(dlg, CConfigDlg::kWindowsPrinterId)->isChecked());

        edit(dlg, CConfigDlg::kColumnaExtra1Id)->clear();
        edit(dlg, CConfigDlg::kColumnaExtra1Id + 3)->setText(QStringLiteral("Número de serie"));
        edit(dlg, CConfigDlg::kMonedaId)->setText(QStringLiteral("DÓLARES"));
        edit(dlg, CConfigDlg::kClaveId)->setText(QStringLiteral("Peña:2024"));
        dlg.control<QRadioButton>(CConfigDlg::kLpt1Id + 3)->setChecked(true);
        check(dlg, CConfigDlg::kRapidoId)->setChecked(true);
        taxes->SelectByKey(1);
        const QString backups = m_dir.filePath(QStringLiteral("respaldos"));
        edit(dlg, CConfigDlg::kRespaldosId)->setText(backups);
        {
            MessageLog messages;
            messages.answer = 2;  // an error is not tried again
            const bool saved = dlg.guardar();
            QVERIFY2(saved, qPrintable(messages.texts.join(QStringLiteral(" | "))));
        }
        QCOMPARE(dlg.result(), int(QDialog::Accepted));

        // The settings store, as integers, and the running program.
        QSettings raw = ProgramSettings();
        const std::pair<const char*, int> ints[] = {{"PrcAiva", 0}, {"pWin", 0}, {"pPos", 3},
                                                    {"Rapido", 1}, {"AskPrinter", 0}, {"Impuesto", 1}};
        for (const auto& [name, value] : ints) {
            const QVariant stored = raw.value(QStringLiteral("Config/") + QLatin1String(name));
            QCOMPARE(stored.typeId(), QMetaType::Int);
            QCOMPARE(stored.toInt(), value);
        }
        QCOMPARE(raw.value(QStringLiteral("Config/Comando")).toString(), QStringLiteral("27,112,0,25,250"));
        QCOMPARE(CDailyBackup::folder(), backups);
        QCOMPARE(m_state.pPos, 3);
        QCOMPARE(m_state.rapido, 1);
        QCOMPARE(m_state.defaultTaxRate, 0.16);
        QCOMPARE(CurrencyName(), std::string("DÓLARES"));

        // The tables: names by position, the password scrambled (':' becomes a zero byte).
        QCOMPARE(text("SELECT Nombre FROM CamposExtras WHERE Consec = 7"), std::string());
        QCOMPARE(text("SELECT Nombre FROM CamposExtras WHERE Consec = 10"), std::string("Número de serie"));
        {
            const std::string scrambled = ScramblePassword("Peña:2024");
            Statement st = m_db->prepare("SELECT \"In\" FROM General");
            QVERIFY(st.step());
            QVERIFY(st.column(0) == storedPassword(scrambled));
        }
        QVERIFY(IsAccessPassword(*m_db, "Peña:2024"));

        CConfigDlg again(*m_db, m_state);
        QCOMPARE(edit(again, CConfigDlg::kClaveId)->text(), QStringLiteral("Peña:2024"));
        QVERIFY(again.control<QRadioButton>(CConfigDlg::kLpt1Id + 3)->isChecked());
        QCOMPARE(edit(again, CConfigDlg::kRespaldosId)->text(), backups);
        // Emptied, the folder goes back to the default and follows the documents folder.
        edit(again, CConfigDlg::kRespaldosId)->clear();
        QVERIFY(again.guardar());
        QCOMPARE(CDailyBackup::folder(), CDailyBackup::defaultFolder());
    }

    void ticketDevicesFollowThePortChoiceAndAreSaved() {
        m_state.pWin = 0;
        m_state.dispositivoCom1 = "/dev/ttyUSB0";
        CConfigDlg dlg(*m_db, m_state);
        auto* device = edit(dlg, CConfigDlg::kDispositivoId);
        QCOMPARE(device->text(), QStringLiteral("/dev/lp0"));
        dlg.control<QRadioButton>(CConfigDlg::kLpt1Id + 2)->click();
        QCOMPARE(device->text(), QStringLiteral("/dev/ttyUSB0"));
        device->setText(QStringLiteral(" /dev/ttyACM0 "));
        dlg.control<QRadioButton>(CConfigDlg::kLpt1Id + 1)->click();
        QCOMPARE(device->text(), QStringLiteral("/dev/lp1"));
        device->setText(QStringLiteral("tcp://127.0.0.1:9100"));
        edit(dlg, CConfigDlg::kComandoCorteId)->setText(QStringLiteral("29,86,0"));
        QVERIFY(dlg.guardar());

        QSettings raw = ProgramSettings();
        QCOMPARE(raw.value(QStringLiteral("Config/pPos")).toInt(), 1);
        QCOMPARE(raw.value(QStringLiteral("Config/DispositivoLPT1")).toString(), QStringLiteral("/dev/lp0"));
        QCOMPARE(raw.value(QStringLiteral("Config/DispositivoLPT2")).toString(), QStringLiteral("tcp://127.0.0.1:9100"));
        QCOMPARE(raw.value(QStringLiteral("Config/DispositivoCOM1")).toString(), QStringLiteral("/dev/ttyACM0"));
        QCOMPARE(raw.value(QStringLiteral("Config/DispositivoCOM2")).toString(), QStringLiteral("/dev/ttyS1"));
        QCOMPARE(raw.value(QStringLiteral("Config/ComandoCorte")).toString(), QStringLiteral("29,86,0"));
        QCOMPARE(m_state.dispositivoLpt2, std::string("tcp://127.0.0.1:9100"));
        QCOMPARE(m_state.dispositivoCom1, std::string("/dev/ttyACM0"));
        QCOMPARE(m_state.comandoCorte, std::string("29,86,0"));

        // What start-up reads back; a device cleared on purpose stays cleared.
        raw.setValue(QStringLiteral("Config/DispositivoCOM2"), QString());
        raw.sync();
        const Settings read = SettingsStore::read();
        QCOMPARE(read.dispositivoLpt2, std::string("tcp://127.0.0.1:9100"));
        QCOMPARE(read.dispositivoCom2, std::string());
        QCOMPARE(read.comandoCorte, std::string("29,86,0"));
        ProgramSettings().clear();
        QCOMPARE(SettingsStore::read().dispositivoCom2, std::string("/dev/ttyS1"));
    }

    void longTextsAreRefusedAndSalirWritesNothing() {
        CConfigDlg dlg(*m_db, m_state);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        auto* clave = edit(dlg, CConfigDlg::kClaveId);
        clave->setFocus();
        QTest::keyClicks(clave, QString(41, QLatin1Char('x')));
        QCOMPARE(clave->text().size(), 40);

        // A longer name put in from elsewhere stops "Guardar" before anything is written.
        edit(dlg, CConfigDlg::kColumnaExtra1Id)->setText(QString(26, QLatin1Char('c')));
        {
            MessageLog messages;
            QVERIFY(!dlg.guardar());
            QCOMPARE(messages.texts, QStringList{QStringLiteral("Please enter no more than 25 characters.")});
        }
        QCOMPARE(dlg.focusWidget(), edit(dlg, CConfigDlg::kColumnaExtra1Id));
        dlg.control<QPushButton>(CConfigDlg::kSalirId)->click();
        QCOMPARE(dlg.result(), int(QDialog::Rejected));
        QCOMPARE(text("SELECT Nombre FROM CamposExtras WHERE Consec = 7"), std::string());
        QCOMPARE(text("SELECT \"In\" FROM General"), std::string());
        QVERIFY(ProgramSettings().allKeys().isEmpty());
    }

    void anotherDatabaseIsCheckedWrittenAndEndsTheDialog() {
        const QString other = m_dir.filePath(QStringLiteral("otra%1.mdb").arg(m_n));
        Database::create(other.toStdString());
        CConfigDlg dlg(*m_db, m_state);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        MessageLog messages;
        // A file that is no database of ours is refused: it would stop every later start.
        const QString junk = m_dir.filePath(QStringLiteral("basura.mdb"));
        QFile file(junk);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(4096, 'x'));
        file.close();
        QVERIFY(!dlg.useDatabase(junk));
        QCOMPARE(messages.texts.size(), 1);
        QVERIFY(!ProgramSettings().contains(QStringLiteral("Config/Path")));

        edit(dlg, CConfigDlg::kMonedaId)->setText(QStringLiteral("EUROS"));
        // The prompt first: a file on this computer (its default, unless a server is in use), then
        // the file dialog.
        answerNextModal(
            [other](QWidget* prompt) {
                QVERIFY(qobject_cast<CDatabasePromptDlg*>(prompt));
                static_cast<CTolDialog*>(prompt)->control<QRadioButton>(CDatabasePromptDlg::kFileId)->click();
                qobject_cast<QPushButton*>(static_cast<CTolDialog*>(prompt)->control(CDatabasePromptDlg::kOkId))->click();
                answerNextModal([other](QWidget* w) {
                    auto* files = qobject_cast<QFileDialog*>(w);
                    auto* name = files ? files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")) : nullptr;
                    if (name)
                        name->setText(other);  // typed whole: no wait for the folder listing
                    QMetaObject::invokeMethod(w, name ? "accept" : "reject");
                    QVERIFY(name);
                });
            },
            &dlg);
        dlg.sendCommand(CConfigDlg::kBrowseDatabaseCommand);
        QCOMPARE(messages.texts.last(), QStringLiteral("- Debe reiniciar la aplicación para reflejar los cambios -"));
        QVERIFY(dlg.databaseChanged());
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        // Only the path is written.
        QCOMPARE(ProgramSettings().allKeys(), QStringList{QStringLiteral("Config/Path")});
        QCOMPARE(ProgramSettings().value(QStringLiteral("Config/Path")).toString(), other);
        QCOMPARE(text("SELECT Moneda FROM General"), std::string("PESOS"));
    }

    void aServerThatDoesNotAnswerIsReportedAndAskedAgain() {
        CConfigDlg dlg(*m_db, m_state);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        MessageLog messages;
        int prompts = 0;
        std::function<void(QWidget*)> answer = [&](QWidget* w) {
            auto* prompt = qobject_cast<CDatabasePromptDlg*>(w);
            if (!prompt) {  // the message box, which the log answers
                answerNextModal(answer);
                return;
            }
            if (++prompts == 1) {
                prompt->control<QRadioButton>(CDatabasePromptDlg::kServerId)->click();
                prompt->control<CTolEdit>(CDatabasePromptDlg::kHostId)->setText(QStringLiteral("127.0.0.1"));
                prompt->control<CTolEdit>(CDatabasePromptDlg::kPortId)->setText(QStringLiteral("1"));
                prompt->control<CTolEdit>(CDatabasePromptDlg::kDatabaseId)->setText(QStringLiteral("tienda"));
                prompt->control<QPushButton>(CDatabasePromptDlg::kOkId)->click();
                answerNextModal(answer);
            } else {
                // Asked again, with the server as typed (and the user of the server in use).
                const QString location = prompt->location();
                prompt->reject();
                const auto inUse = DatabaseLocation::parseServer(m_db->path());
                const QString user = inUse ? QString::fromStdString(inUse->user) + QLatin1Char('@') : QString();
                QCOMPARE(location, QStringLiteral("postgresql://") + user + QStringLiteral("127.0.0.1:1/tienda"));
            }
        };
        answerNextModal(answer, &dlg);
        dlg.sendCommand(CConfigDlg::kBrowseDatabaseCommand);
        QTRY_COMPARE(prompts, 2);
        QCOMPARE(messages.texts.size(), 1);
        QVERIFY(messages.texts.first().contains(QStringLiteral("127.0.0.1")));
        QVERIFY(!dlg.databaseChanged());
        QVERIFY(!ProgramSettings().contains(QStringLiteral("Config/Path")));
    }

    // Another database on the server in use: one that is not ours (empty, as a technician makes
    // it) is refused with the server's word and asked again; one of ours is remembered.
    void anotherServerDatabaseIsCheckedAndRemembered() {
        if (!TestDatabase::onServer())
            QSKIP("needs the test server");
        TestDatabase empty("vacia"), other("otra");
        other.create();
        const auto nameOf = [](const TestDatabase& t) {
            return QString::fromStdString(DatabaseLocation::parseServer(t.location())->database);
        };
        CConfigDlg dlg(*m_db, m_state);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        MessageLog messages;
        int prompts = 0;
        bool serverShown = true;
        QString chosen;
        // Each prompt answered once (a new one may take the place of the last in memory); the
        // messages are the log's.
        QPointer<QWidget> answered;
        QTimer answerer;
        QObject::connect(&answerer, &QTimer::timeout, [&] {
            auto* prompt = qobject_cast<CDatabasePromptDlg*>(QApplication::activeModalWidget());
            if (!prompt || prompt == answered)
                return;
            answered = prompt;
            ++prompts;
            // The server in use is shown; only the database is typed.
            serverShown = serverShown && prompt->control<QRadioButton>(CDatabasePromptDlg::kServerId)->isChecked();
            prompt->control<CTolEdit>(CDatabasePromptDlg::kDatabaseId)->setText(nameOf(prompts == 1 ? empty : other));
            chosen = prompt->location();
            prompt->control<QPushButton>(prompts <= 2 ? CDatabasePromptDlg::kOkId : CDatabasePromptDlg::kCancelId)->click();
        });
        answerer.start(10);
        dlg.sendCommand(CConfigDlg::kBrowseDatabaseCommand);
        QCOMPARE(prompts, 2);
        QVERIFY(serverShown);
        QVERIFY(dlg.databaseChanged());
        QCOMPARE(messages.texts.size(), 2);
        QVERIFY2(messages.texts[0].contains(QStringLiteral("no es una base de datos de Quintaleva 2")),
                 qPrintable(messages.texts[0]));
        QCOMPARE(messages.texts[1], QStringLiteral("- Debe reiniciar la aplicación para reflejar los cambios -"));
        QCOMPARE(ProgramSettings().value(QStringLiteral("Config/Path")).toString(), chosen);
        QVERIFY(Database::open(chosen.toStdString()));
    }

    void mainFormAppliesTheConfiguration() {
        CPrincipalDlg form(*m_db, m_state);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        auto* extra3 = edit(form, CPrincipalDlg::kExtra1 + 2);
        QVERIFY(!extra3->isVisible());
        edit(form, CPrincipalDlg::kCliente)->setText(QStringLiteral("A medio capturar"));

        QPointer<QTimer> watcher = answerNextModal(
            [](QWidget* w) {
                auto& dlg = *static_cast<CConfigDlg*>(w);
                edit(dlg, CConfigDlg::kCampoExtra1Id + 2)->setText(QStringLiteral("Vendedor"));
                dlg.control<QPushButton>(CConfigDlg::kGuardarId)->click();
            },
            &form);
        form.sendCommand(CPrincipalDlg::kConfigure);
        QTRY_VERIFY(!watcher);
        QVERIFY(extra3->isVisible());
        QCOMPARE(extra3->caption(), QStringLiteral("Vendedor"));
        QCOMPARE(edit(form, CPrincipalDlg::kCliente)->text(), QString());  // cleared

        // A new database file closes the form, which ends the program.
        const QString other = m_dir.filePath(QStringLiteral("nueva%1.mdb").arg(m_n));
        Database::create(other.toStdString());
        MessageLog messages;
        watcher = answerNextModal([other](QWidget* w) { static_cast<CConfigDlg*>(w)->useDatabase(other); }, &form);
        form.sendCommand(CPrincipalDlg::kConfigure);
        QTRY_VERIFY(!watcher);
        QVERIFY(!form.isVisible());
    }

    // The shop's own name, address, RFC and telephone: typed in Configurar, stored in the data,
    // in force at once as the reports' heading, and there again for the next start.
    void businessDataIsSavedAndHeadsTheReports() {
        CConfigDlg dlg(*m_db, m_state);
        QCOMPARE(edit(dlg, CConfigDlg::kNegocioNombreId)->text(), QString());
        edit(dlg, CConfigDlg::kNegocioNombreId)->setText(QStringLiteral("Papelería La Güera"));
        edit(dlg, CConfigDlg::kNegocioDomicilio1Id)->setText(QStringLiteral("Av. Morelos 45"));
        edit(dlg, CConfigDlg::kNegocioDomicilio1Id + 2)->setText(QStringLiteral("Cuernavaca, Mor."));
        edit(dlg, CConfigDlg::kNegocioRfcId)->setText(QStringLiteral(" gue850101ab1 "));
        edit(dlg, CConfigDlg::kNegocioTelefonoId)->setText(QStringLiteral("777 312 0000"));
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        const QStringList faults = layoutFaults(dlg);
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QStringLiteral("; "))));
        saveShot(dlg, QStringLiteral("config-negocio"));
        // Enter goes from the name through the address to the RFC and the telephone.
        edit(dlg, CConfigDlg::kNegocioNombreId)->setFocus();
        const int order[] = {CConfigDlg::kNegocioDomicilio1Id, CConfigDlg::kNegocioDomicilio1Id + 1,
                             CConfigDlg::kNegocioDomicilio1Id + 2, CConfigDlg::kNegocioRfcId, CConfigDlg::kNegocioTelefonoId};
        for (const int id : order) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            QCOMPARE(QApplication::focusWidget(), edit(dlg, id));
        }
        {
            MessageLog messages;
            messages.answer = 2;
            QVERIFY2(dlg.guardar(), qPrintable(messages.texts.join(QStringLiteral(" | "))));
        }
        QCOMPARE(m_state.nombre, std::string("Papelería La Güera"));
        QCOMPARE(text("SELECT Nombre FROM General"), std::string("Papelería La Güera"));
        const BusinessData stored = BusinessData::Load(*m_db);
        QCOMPARE(stored.domicilio[0], std::string("Av. Morelos 45"));
        QCOMPARE(stored.domicilio[1], std::string());
        QCOMPARE(stored.domicilio[2], std::string("Cuernavaca, Mor."));
        QCOMPARE(stored.rfc, std::string("GUE850101AB1"));
        QCOMPARE(stored.telefono, std::string("777 312 0000"));

        ApplicationState nextStart;
        LoadSharedValues(*m_db, nextStart);
        QCOMPARE(nextStart.nombre, std::string("Papelería La Güera"));
        CConfigDlg again(*m_db, m_state);
        QCOMPARE(edit(again, CConfigDlg::kNegocioDomicilio1Id + 2)->text(), QStringLiteral("Cuernavaca, Mor."));
        QCOMPARE(edit(again, CConfigDlg::kNegocioTelefonoId)->text(), QStringLiteral("777 312 0000"));
    }
};

QTEST_MAIN(TestConfigDlg)
#include "tst_configdlg.moc"
