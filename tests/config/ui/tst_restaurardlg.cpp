// "Restaurar un respaldo": the backups listed with their documents, a damaged one not chosen, the
// restore confirmed, the data in use backed up first and the file replaced.
#include "support/DialogShot.h"
#include "support/MessageLog.h"
#include "support/QueryCount.h"
#include "support/TestDatabase.h"
#include "config/DatabaseBackup.h"
#include "config/ui/RestaurarDlg.h"
#include "db/Database.h"
#include "db/DbError.h"
#include "toolkit/ui/TolMessageDlg.h"

#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QTemporaryDir>
#include <QtTest>

class TestRestaurarDlg final : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        CTolMessageDlg::registerToolkit();
    }

    void restoresTheChosenBackupAfterTheOperatorsYes() {
        if (TestDatabase::onServer())
            QSKIP("a server's database is restored with quintaleva-cli");
        TestDatabase used("tienda");
        auto db = used.create();
        db->execute("INSERT INTO Documentos (Folio) VALUES (1)");
        db->execute("INSERT INTO Documentos (Folio) VALUES (2)");
        const QString folder = m_dir.filePath(QStringLiteral("respaldos"));
        // An hour ago, so the backup taken before the restore has a name of its own.
        const CDatabaseBackup::Result backup = CDatabaseBackup::Run(*db, folder.toStdString(), 30, std::time(nullptr) - 3600);
        QCOMPARE(QString::fromStdString(backup.error), QString());
        db->execute("DELETE FROM Documentos WHERE Folio = 2");
        // A newer file with a backup's name that is no database.
        QFile damaged(QDir(folder).filePath(QStringLiteral("tienda-29991231-235959.mdb")));
        QVERIFY(damaged.open(QIODevice::WriteOnly));
        damaged.write("roto");
        damaged.close();

        CRestaurarDlg dlg(*db, folder);
        QCOMPARE(dlg.list()->count(), 2);
        QVERIFY(dlg.list()->item(0)->text().contains(QStringLiteral("dañado")));
        QVERIFY(!(dlg.list()->item(0)->flags() & Qt::ItemIsEnabled));
        QVERIFY2(dlg.list()->item(1)->text().endsWith(QStringLiteral(" - 2 documentos")), qPrintable(dlg.list()->item(1)->text()));
        // The sound one is proposed.
        QCOMPARE(dlg.list()->currentRow(), 1);
        shot(dlg, "RestaurarRespaldo");

        {
            // "No" changes nothing.
            MessageLog log;
            log.answer = 2;
            QVERIFY(!dlg.restore());
            QCOMPARE(log.texts.size(), 1);
            QVERIFY(log.texts[0].startsWith(QStringLiteral("¿Desea restaurar el respaldo del")));
            QCOMPARE(RowCount(*db, "Documentos"), 1);
        }
        MessageLog log;
        QVERIFY(dlg.restore());
        QCOMPARE(log.texts.size(), 2);
        QVERIFY2(log.texts[1].startsWith(QStringLiteral("- Respaldo restaurado: 2 documentos -")), qPrintable(log.texts[1]));
        QVERIFY_THROWS_EXCEPTION(DbError, db->checkStillThere());
        db.reset();
        auto reopened = used.open();
        QCOMPARE(QueryCount(*reopened, "SELECT count(*) FROM Documentos WHERE Folio = 2"), std::int64_t{1});
        // The data replaced went into the folder first: one more backup, with the one document.
        QCOMPARE(QDir(folder).entryList({QStringLiteral("tienda-2*.mdb")}, QDir::Files).size(), 3);
    }

    void aDamagedFileFromElsewhereIsRefused() {
        if (TestDatabase::onServer())
            QSKIP("a server's database is restored with quintaleva-cli");
        TestDatabase used("tienda");
        auto db = used.create();
        db->execute("INSERT INTO Documentos (Folio) VALUES (1)");
        const QString other = m_dir.filePath(QStringLiteral("otro.mdb"));
        QFile f(other);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(8192, 'x'));
        f.close();

        CRestaurarDlg dlg(*db, m_dir.filePath(QStringLiteral("vacia")));
        QCOMPARE(dlg.list()->count(), 0);
        MessageLog log;
        QVERIFY(!dlg.restore(other));
        QCOMPARE(log.texts.size(), 1);
        QVERIFY2(log.texts[0].contains(QStringLiteral("no se puede restaurar")), qPrintable(log.texts[0]));
        QCOMPARE(RowCount(*db, "Documentos"), 1);
        QVERIFY(!QDir(m_dir.filePath(QStringLiteral("vacia"))).exists());
    }
};

QTEST_MAIN(TestRestaurarDlg)
#include "tst_restaurardlg.moc"
