#include "support/MessageLog.h"
#include "support/QueryCount.h"
#include "support/TestDatabase.h"
#include "config/DatabaseFiles.h"
#include "config/Import13.h"
#include "config/OldDatabase.h"
#include "config/OldDatabaseProcess.h"
#include "config/ui/Maintenance.h"
#include "db/Database.h"
#include "db/DatabaseLocation.h"
#include "db/ui/DatabasePromptDlg.h"
#include "toolkit/ui/TolEdit.h"
#include "toolkit/ui/TolMessageDlg.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QElapsedTimer>
#include <QTimer>

#include <filesystem>

namespace {

const QString kFixture = QString::fromStdString(
    (std::filesystem::path(QUINTALEVA_FIXTURES) / "v13" / "ejemplo.mdb")
        .string());

void Write(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

QByteArray Read(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestMaintenance final : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        CTolMessageDlg::registerToolkit();
        qputenv(COldDatabaseProcess::kProgramEnv, QUINTALEVA_LECTOR13_PATH);
    }

    void overwriteNeedsTheOperatorsYes() {
        TestDatabase used("uso1");
        auto db = used.create();
        db->execute("INSERT INTO Clientes (Nombre) VALUES ('Uno')");
        const QString target = m_dir.filePath(QStringLiteral("respaldo.mdb"));
        Write(target, "anterior");

        MessageLog log;
        log.answer = 2;
        QVERIFY(!CMaintenance::RunBackup(*db, target, nullptr));
        QCOMPARE(log.texts, QStringList{CMaintenance::OverwriteQuestion(target)});
        QCOMPARE(Read(target), QByteArray("anterior"));

        log.texts.clear();
        log.answer = 1;
        QVERIFY(CMaintenance::RunBackup(*db, target, nullptr));
        // A server then reclaims its own space.
        const QString backedUp = TestDatabase::onServer()
                                     ? QStringLiteral("- Base de datos respaldada -\n- Base de datos del servidor compactada -")
                                     : QStringLiteral("- Base de datos respaldada -");
        QCOMPARE(log.texts, (QStringList{CMaintenance::OverwriteQuestion(target), backedUp}));
        QCOMPARE(RowCount(*Database::open(target.toStdString()), "Clientes"), 1);

        // A new database under a new name asks nothing.
        log.texts.clear();
        const QString fresh = m_dir.filePath(QStringLiteral("nueva.mdb"));
        QVERIFY(CMaintenance::RunNewDatabase(*db, fresh, nullptr));
        QCOMPARE(log.texts, QStringList{QStringLiteral("- La nueva base de datos se creó exitosamente -")});
        QCOMPARE(RowCount(*Database::open(fresh.toStdString()), "Clientes"), 0);
    }

    void importReportsSuccessAndRefusals() {
        TestDatabase used("uso2");
        auto db = used.create();
        MessageLog log;
        const QString text = m_dir.filePath(QStringLiteral("texto.mdb"));
        Write(text, "no soy una base de datos");
        QVERIFY(!CMaintenance::RunImport(*db, text, nullptr));
        QCOMPARE(log.texts, QStringList{QString::fromUtf8(COldDatabase::kMsgNotDatabase)});
        QCOMPARE(RowCount(*db, "Articulos"), 0);

        log.texts.clear();
        QVERIFY(CMaintenance::RunImport(*db, kFixture, nullptr));
        QCOMPARE(log.texts.size(), 1);
        QVERIFY2(log.texts[0].startsWith(QStringLiteral("- Importación existosa -\nArtículos importados: 12; omitidos: 0; renombrados: 1\n")),
                 qPrintable(log.texts[0]));
        QCOMPARE(RowCount(*db, "Articulos"), 12);
        QCOMPARE(RowCount(*db, "Clientes"), 8);
    }

    // The open database is refused before the overwrite question, which it could not honour. (A
    // file's own matter: a server database is never a file target.)
    void theDatabaseInUseIsRefusedBeforeAnything() {
        auto db = Database::create(m_dir.filePath(QStringLiteral("uso3.mdb")).toStdString());
        MessageLog log;
        const QString self = m_dir.filePath(QStringLiteral("uso3.mdb"));
        QVERIFY(!CMaintenance::RunBackup(*db, self, nullptr));
        QCOMPARE(log.texts, QStringList{QString::fromUtf8(CDatabaseFiles::kMsgSameFile)});
        log.texts.clear();
        QVERIFY(!CMaintenance::RunNewDatabase(*db, self, nullptr));
        QCOMPARE(log.texts, QStringList{QString::fromUtf8(CDatabaseFiles::kMsgSameFile)});
    }

    // Each utility's file dialog opens on "*.mdb" in the database's folder. (On a server the new
    // database asks first where it goes: newDatabaseWhileOnAServer.)
    void fileDialogsStartWithTheMdbPattern() {
        auto db = Database::create(m_dir.filePath(QStringLiteral("uso4.mdb")).toStdString());
        for (auto utility : {&CMaintenance::NewDatabase, &CMaintenance::Backup, &CMaintenance::Import}) {
            QString typed;
            QTimer::singleShot(0, [&typed] {
                auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
                QVERIFY(dialog);
                auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
                QVERIFY(name);
                typed = name->text();
                dialog->reject();
            });
            QVERIFY(!utility(*db, nullptr));
            QCOMPARE(typed, QStringLiteral("*.mdb"));
        }
    }

    // The start-up prompt asks where: an empty database on the server, then (the same one again is
    // refused and asked again) a file here.
    void newDatabaseWhileOnAServer() {
        if (!TestDatabase::onServer())
            QSKIP("the database in use must be on a server");
        TestDatabase used("uso6");
        auto db = used.create();
        db->execute("INSERT INTO Clientes (Nombre) VALUES ('Ana')");
        db->execute("INSERT INTO Impuestos (Nombre, Porcentaje) VALUES ('IVA 15.00 %', 15)");
        TestDatabase target("nueva6");
        const QString targetName = QString::fromStdString(DatabaseLocation::parseServer(target.location())->database);
        const QString file = m_dir.filePath(QStringLiteral("nueva6.mdb"));

        MessageLog log;
        int prompts = 0;
        QString shownDatabase;
        // Answers each prompt and file dialog once, for as long as the test runs; the progress
        // windows and the messages (which the log answers) are let be.
        QPointer<QWidget> answered;
        QTimer answerer;
        QObject::connect(&answerer, &QTimer::timeout, [&] {
            QWidget* w = QApplication::activeModalWidget();
            if (!w || w == answered)
                return;
            if (auto* prompt = qobject_cast<CDatabasePromptDlg*>(w)) {
                answered = w;
                if (++prompts == 1)
                    shownDatabase = prompt->control<CTolEdit>(CDatabasePromptDlg::kDatabaseId)->text();
                if (prompts <= 2) {
                    prompt->control<QRadioButton>(CDatabasePromptDlg::kServerId)->click();
                    prompt->control<CTolEdit>(CDatabasePromptDlg::kDatabaseId)->setText(targetName);
                } else {
                    prompt->control<QRadioButton>(CDatabasePromptDlg::kFileId)->click();
                }
                prompt->control<QPushButton>(CDatabasePromptDlg::kOkId)->click();
            } else if (auto* dialog = qobject_cast<QFileDialog*>(w)) {
                answered = w;
                // Typed whole: no wait for the folder listing.
                if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
                    name->setText(file);
                QMetaObject::invokeMethod(dialog, "accept");
            }
        });
        answerer.start(10);
        // The first run creates it; the second is refused and the prompt comes again.
        QVERIFY(CMaintenance::NewDatabase(*db, nullptr));
        QCOMPARE(prompts, 1);
        QCOMPARE(shownDatabase, QString());
        QCOMPARE(log.texts, QStringList{QString::fromUtf8(CDatabaseFiles::kMsgCreated)});
        {
            auto fresh = target.open();
            QCOMPARE(RowCount(*fresh, "Clientes"), 0);
            QCOMPARE(RowCount(*fresh, "Impuestos"), RowCount(*db, "Impuestos"));
        }
        log.texts.clear();
        QVERIFY(CMaintenance::NewDatabase(*db, nullptr));
        QCOMPARE(prompts, 3);
        QCOMPARE(log.texts.size(), 2);
        QVERIFY2(log.texts[0].startsWith(QStringLiteral("No se pudo crear la base de datos en el servidor\n")), qPrintable(log.texts[0]));
        QVERIFY2(log.texts[0].contains(QStringLiteral("ya tiene tablas de Quintaleva 2")), qPrintable(log.texts[0]));
        QCOMPARE(log.texts[1], QString::fromUtf8(CDatabaseFiles::kMsgCreated));
        QCOMPARE(RowCount(*Database::open(file.toStdString()), "Impuestos"), RowCount(*db, "Impuestos"));
        QCOMPARE(RowCount(*Database::open(file.toStdString()), "Clientes"), 0);
        QCOMPARE(RowCount(*db, "Clientes"), 1);
    }

    // "Cancelar" on the progress dialog stops the reader and imports nothing.
    void importCanBeCancelledWhileTheFileIsRead() {
        auto db = Database::create(m_dir.filePath(QStringLiteral("uso5.mdb")).toStdString());
        // A reader that never answers stands for a file that makes libmdb loop.
        const QString sleeper = m_dir.filePath(QStringLiteral("lector-lento.sh"));
        Write(sleeper, "#!/bin/sh\nexec sleep 30\n");
        QFile::setPermissions(sleeper, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv(COldDatabaseProcess::kProgramEnv, sleeper.toLocal8Bit());
        MessageLog log;
        bool sawCancel = false;
        QTimer::singleShot(300, [&sawCancel] {
            auto* progress = qobject_cast<QProgressDialog*>(QApplication::activeModalWidget());
            QVERIFY(progress);
            auto* button = progress->findChild<QPushButton*>();
            QVERIFY(button);
            sawCancel = button->text() == QStringLiteral("Cancelar");
            QTest::mouseClick(button, Qt::LeftButton);
        });
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!CMaintenance::RunImport(*db, kFixture, nullptr));
        qputenv(COldDatabaseProcess::kProgramEnv, QUINTALEVA_LECTOR13_PATH);
        QVERIFY(sawCancel);
        QVERIFY2(clock.elapsed() < 2500, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(log.texts, QStringList{QString::fromUtf8(CImport13::kMsgCancelled)});
        QCOMPARE(RowCount(*db, "Articulos"), 0);
    }
};

QTEST_MAIN(TestMaintenance)
#include "tst_maintenance.moc"
