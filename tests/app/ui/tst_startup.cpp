#include "app/ui/PasswordDlg.h"
#include "app/ui/PrincipalApp.h"
#include "config/DatabaseBackup.h"
#include "config/DatabaseRestore.h"
#include "db/Database.h"
#include "db/GeneralSet.h"
#include "invoice/AmountInWords.h"
#include "platform/SharedValues.h"
#include "platform/ui/SettingsStore.h"
#include "support/ModalAnswer.h"
#include "support/QueryCount.h"
#include "support/ScratchSettings.h"
#include "toolkit/ui/TolMessageDlg.h"

#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <optional>

namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

// What one run of start-up did, observed through its seams.
struct Run {
    int prompts = 0;
    QStringList fatal;
    QStringList messages;
    int passwords = 0;
    bool mainWindow = false;
    ApplicationState state;
    int exitCode = -1;
};

// A local disk, so that where the test's folder happens to live does not matter.
std::optional<NetworkFilesystem::Info> localDisk(const std::string&) { return NetworkFilesystem::Info{0xEF53, "ext4"}; }

Run startUp(const QString& chosen, bool passwordOk = true, NetworkFilesystem::Probe probe = localDisk) {
    Run r;
    CPrincipalApp app;
    app.chooseDatabase = [&](const DatabaseChoice&, const QString&) {
        ++r.prompts;
        return DatabaseChoice{chosen, {}};
    };
    app.showFatal = [&](const QString& text) { r.fatal << text; };
    app.showMessage = [&](const QString& text) { r.messages << text; };
    app.probeFilesystem = std::move(probe);
    app.askPassword = [&](Database&) { ++r.passwords; return passwordOk; };
    app.runMainWindow = [&](ApplicationState& s) { r.mainWindow = true; r.state = s; };
    r.exitCode = app.run();
    return r;
}

} // namespace

class TestStartup final : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

    QString file(const char* name) const { return m_dir.filePath(QLatin1String(name)); }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        UseScratchSettings(m_dir.filePath(QStringLiteral("config")));
        CTolMessageDlg::registerToolkit();
    }

    void init() {
        ProgramSettings().clear();
        SetCurrencyWords("PESOS", "M.N.");
    }

    void settingsDefaultsAndUnreadableValues() {
        Settings s = SettingsStore::read();
        QCOMPARE(s.pWin, 1);
        QCOMPARE(s.prcAiva + s.pPos + s.rapido + s.askPrinter + s.impuesto, 0);
        QVERIFY(s.path.empty() && s.comando.empty() && s.logo.empty());
        SettingsStore::write("pWin", QStringLiteral("no es número"));
        SettingsStore::write("Rapido", 1);
        SettingsStore::write("Comando", QStringLiteral("27,112,0"));
        s = SettingsStore::read();
        QCOMPARE(s.pWin, 1);
        QCOMPARE(s.rapido, 1);
        QCOMPARE(s.comando, std::string("27,112,0"));

        // Typed by hand without quotes, a value with commas reads as the settings file shows it.
        const QString file = ProgramSettings().fileName();
        ProgramSettings().clear();
        QFile conf(file);
        QVERIFY(conf.open(QIODevice::WriteOnly | QIODevice::Truncate));
        conf.write("[Config]\nComando=27,112,0,25,250\nComandoCorte=29,86,65\nDispositivoLPT1=/dev/usb/lp0\n");
        conf.close();
        s = SettingsStore::read();
        QCOMPARE(s.comando, std::string("27,112,0,25,250"));
        QCOMPARE(s.comandoCorte, std::string("29,86,65"));
        QCOMPARE(s.dispositivoLpt1, std::string("/dev/usb/lp0"));
        QCOMPARE(SettingsStore::readText("Comando", QStringLiteral("x")), QStringLiteral("27,112,0,25,250"));
        ProgramSettings().clear();
    }

    void firstRunCreatesTheDatabaseAndRemembersIt() {
        const QString path = file("nueva.mdb");
        Run first = startUp(path);
        QCOMPARE(first.prompts, 1);
        QVERIFY(first.fatal.isEmpty());
        QCOMPARE(first.passwords, 1);
        QVERIFY(first.mainWindow);
        QCOMPARE(first.exitCode, 0);
        QVERIFY(QFile::exists(path));
        QCOMPARE(SettingsStore::readText("Path"), path);
        // A new database gives new articles the usual tax, and lines its rate.
        QVERIFY(SettingsStore::readInt("Impuesto", 0) > 0);
        QCOMPARE(first.state.defaultTaxRate, 0.16);

        Run second = startUp(QString());
        QCOMPARE(second.prompts, 0);
        QVERIFY(second.mainWindow);

        QVERIFY(second.messages.isEmpty());

        // The file moved away: the operator is told why before the prompt comes back, and the new
        // choice replaces Path.
        QVERIFY(QFile::rename(path, file("movida.mdb")));
        Run third = startUp(file("movida.mdb"));
        QCOMPARE(third.messages, QStringList{QStringLiteral("No se encontró la base de datos %1: ¿la movió o le "
                                                            "cambió el nombre?").arg(path)});
        QCOMPARE(third.prompts, 1);
        QVERIFY(third.mainWindow);
        QCOMPARE(SettingsStore::readText("Path"), file("movida.mdb"));
    }

    void aWindowClosedForARestoredBackupOpensTheFileAgain() {
        const QString path = file("restaurada.mdb");
        std::string backup;
        {
            auto db = Database::create(path.toStdString());
            db->execute("INSERT INTO Documentos (Folio) VALUES (1)");
            backup = CDatabaseBackup::Run(*db, file("respaldos").toStdString(), 30, std::time(nullptr) - 60).file;
            db->execute("DELETE FROM Documentos");
        }
        CPrincipalApp app;
        app.chooseDatabase = [&](const DatabaseChoice&, const QString&) { return DatabaseChoice{path, {}}; };
        app.showFatal = [](const QString& text) { QFAIL(qPrintable(text)); };
        int passwords = 0;
        app.askPassword = [&](Database&) { return ++passwords > 0; };
        QList<std::int64_t> documents;
        app.runMainWindow = [&](ApplicationState& s) {
            documents << RowCount(*s.database, "Documentos");
            if (documents.size() > 1)
                return;
            const auto r = CDatabaseRestore::Run(*s.database, backup, file("respaldos").toStdString());
            QCOMPARE(QString::fromStdString(r.error), QString());
            s.reopenDatabase = true;
        };
        QCOMPARE(app.run(), 0);
        // The second window works on the restored file, after the password was asked again.
        QCOMPARE(documents, (QList<std::int64_t>{0, 1}));
        QCOMPARE(passwords, 2);
    }

    void cancelledPromptAndEscapeEndQuietly() {
        Run cancelled = startUp(QString());
        QCOMPARE(cancelled.prompts, 1);
        QVERIFY(cancelled.fatal.isEmpty());
        QCOMPARE(cancelled.passwords, 0);
        QCOMPARE(cancelled.exitCode, 0);
        QVERIFY(!SettingsStore::contains("Path"));

        Run refused = startUp(file("otra.mdb"), false);
        QCOMPARE(refused.passwords, 1);
        QVERIFY(!refused.mainWindow);
        QCOMPARE(refused.exitCode, 0);
    }

    void badFilesEndWithTheEngineTextAndChangeNothing() {
        struct Case {
            const char* name;
            QByteArray bytes;
            const char* expected;
        };
        QByteArray foreign;
        {
            // Another program's SQLite database: readable, but not ours.
            const QString path = file("ajena.tmp");
            QFile::remove(path);
            auto db = Database::create(path.toStdString());
            db->execute("PRAGMA application_id = 7");
            db.reset();
            foreign = readAll(path);
        }
        const Case cases[] = {
            {"texto.mdb", QByteArray("esto no es una base de datos, sólo texto\n").repeated(200), "file is not a database"},
            {"ajena.mdb", foreign, "no es una base de datos de Quintaleva 2"},
        };
        for (const Case& c : cases) {
            init();
            const QString path = file(c.name);
            writeFile(path, c.bytes);
            Run chosen = startUp(path);
            QCOMPARE(chosen.fatal.size(), 1);
            QVERIFY2(chosen.fatal.first().contains(QLatin1String(c.expected)), qPrintable(chosen.fatal.first()));
            QCOMPARE(chosen.passwords, 0);
            QCOMPARE(chosen.exitCode, 1);
            QCOMPARE(readAll(path), c.bytes);
            // Not remembered: the next start asks again instead of failing for ever.
            QVERIFY(!SettingsStore::contains("Path"));

            SettingsStore::write("Path", path);
            Run stored = startUp(QString());
            QCOMPARE(stored.prompts, 0);
            QCOMPARE(stored.fatal.size(), 1);
            QCOMPARE(readAll(path), c.bytes);
        }
    }

    void aFileOnANetworkMountIsWarnedAboutOncePerStart() {
        const QString path = file("red.mdb");
        int asked = 0;
        std::string seen;
        Run nfs = startUp(path, true, [&](const std::string& p) {
            ++asked;
            seen = p;
            return std::optional<NetworkFilesystem::Info>(NetworkFilesystem::Info{0x6969, "nfs4"});
        });
        QCOMPARE(nfs.messages.size(), 1);
        QVERIFY(nfs.messages.first().contains(QStringLiteral("(NFS)")));
        QVERIFY(nfs.messages.first().contains(QStringLiteral("\"Servidor compartido\"")));
        QCOMPARE(asked, 1);
        QCOMPARE(QString::fromStdString(seen), path);
        // The warning does not stand in the way.
        QVERIFY(nfs.mainWindow);
        Run sshfs = startUp(QString(), true, [](const std::string&) {
            return std::optional<NetworkFilesystem::Info>(NetworkFilesystem::Info{0x65735546, "fuse.sshfs"});
        });
        QCOMPARE(sshfs.messages.size(), 1);
        QVERIFY(sshfs.messages.first().contains(QStringLiteral("SSHFS")));
        // A USB drive read through FUSE and a local disk are not warned about.
        Run usb = startUp(QString(), true, [](const std::string&) {
            return std::optional<NetworkFilesystem::Info>(NetworkFilesystem::Info{0x65735546, "fuseblk"});
        });
        QVERIFY(usb.messages.isEmpty());
        QVERIFY(startUp(QString()).messages.isEmpty());
    }

    void currencyWordsAndBusinessNameComeFromTheDatabase() {
        const QString path = file("moneda.mdb");
        {
            auto db = Database::create(path.toStdString());
            db->execute("UPDATE General SET Moneda = 'DÓLARES', Postfijo = 'USD', Nombre = 'Papelería Peña'");
        }
        SettingsStore::write("Path", path);
        Run r = startUp(QString());
        QCOMPARE(r.state.nombre, std::string("Papelería Peña"));
        QCOMPARE(QString::fromStdString(AmountInWords(21)), QStringLiteral("VEINTIUN DÓLARES 00/100 USD"));
        QCOMPARE(r.state.defaultTaxRate, 0.0); // the setting names no tax on an existing file

        {
            auto db = Database::open(path.toStdString());
            db->execute("DELETE FROM General");
        }
        Run empty = startUp(QString());
        QVERIFY(empty.mainWindow);
        QVERIFY(empty.state.nombre.empty());
        QCOMPARE(QString::fromStdString(AmountInWords(21)), QStringLiteral("VEINTIUN  00/100 "));
    }

    void passwordDialogRetriesUntilRight() {
        const QString path = file("clave.mdb");
        auto db = Database::create(path.toStdString());
        {
            CGeneralSet general(*db);
            general.Open();
            general.Edit();
            general.m_In = ScramblePassword("Secreto");
            general.Update();
        }
        CPasswordDlg dlg(*db);
        auto* edit = dlg.control<QLineEdit>(CPasswordDlg::kPasswordId);
        auto* ok = dlg.control<QPushButton>(CPasswordDlg::kOkId);
        QVERIFY(edit && ok);
        QCOMPARE(edit->maxLength(), 40);
        QCOMPARE(edit->echoMode(), QLineEdit::Password);
        dlg.show();

        QStringList messages;
        for (const char* wrong : {"secreto", "", "Secreto "}) {
            edit->setText(QString::fromUtf8(wrong));
            answerNextModal([&](QWidget* w) {
                messages << static_cast<CTolMessageDlg*>(w)->text();
                QTest::keyClick(w, Qt::Key_Escape);
            });
            ok->click();
            QVERIFY(dlg.isVisible());
            QCOMPARE(dlg.result(), 0);
        }
        QCOMPARE(messages, QStringList(3, QStringLiteral("- Clave incorrecta -")));
        edit->setText(QStringLiteral("Secreto"));
        ok->click();
        QCOMPARE(dlg.result(), int(QDialog::Accepted));

        CPasswordDlg again(*db);
        again.show();
        QTest::keyClick(&again, Qt::Key_Escape);
        QCOMPARE(again.result(), int(QDialog::Rejected));
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
