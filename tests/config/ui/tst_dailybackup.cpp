// The first start of the day backs the file up on a thread of its own while the window works.
#include "support/QueryCount.h"
#include "support/ScratchSettings.h"
#include "support/TestDatabase.h"
#include "config/DatabaseBackup.h"
#include "config/ui/DailyBackup.h"
#include "db/Database.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QStringList BackupsIn(const QString& folder, const QString& name) {
    QStringList found;
    for (const QString& file : QDir(folder).entryList(QDir::Files))
        if (CDatabaseBackup::IsBackupOf(file.toStdString(), name.toStdString()))
            found << file;
    return found;
}

} // namespace

class TestDailyBackup final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(m_scratch.isValid());
        UseScratchSettings(m_scratch.filePath(QStringLiteral("settings")));
    }

    void init() { ProgramSettings().clear(); }

    void onceADayWhileTheProgramWrites() {
        QCOMPARE(CDailyBackup::folder(), CDailyBackup::defaultFolder());
        QVERIFY(CDailyBackup::defaultFolder().endsWith(QLatin1String("/Quintaleva/Respaldos")));
        if (TestDatabase::onServer())
            QSKIP("a server's database is backed up by quintaleva-cli");
        TestDatabase used("tienda");
        auto db = used.create();
        const QString folder = m_scratch.filePath(QStringLiteral("respaldos"));
        ProgramSettings().setValue(QStringLiteral("Config/CarpetaRespaldos"), folder);
        const QString location = QString::fromStdString(used.location());
        const QDate today(2026, 12, 8);

        CDailyBackup daily;
        QSignalSpy finished(&daily, &CDailyBackup::finished);
        QVERIFY(daily.startIfDue(location, today));
        QVERIFY(!daily.startIfDue(location, today)); // one at a time
        // The window's connection keeps saving meanwhile.
        db->execute("INSERT INTO Clientes (Nombre) VALUES ('Mientras')");
        QVERIFY(finished.wait(20000));
        QCOMPARE(finished.takeFirst().at(0).toString(), QString());
        QCOMPARE(BackupsIn(folder, QStringLiteral("tienda")).size(), 1);
        QCOMPARE(ProgramSettings().value(QStringLiteral("Config/UltimoRespaldo")).toString(), QStringLiteral("2026-12-08"));
        auto copy = Database::open(QDir(folder).filePath(BackupsIn(folder, QStringLiteral("tienda")).constFirst()).toStdString());
        QCOMPARE(RowCount(*copy, "Impuestos"), RowCount(*db, "Impuestos"));

        // The same day again: nothing; a server: nothing.
        QVERIFY(!daily.startIfDue(location, today));
        QVERIFY(!daily.startIfDue(QStringLiteral("postgresql://tienda@127.0.0.1/tienda"), today.addDays(1)));
        QCOMPARE(BackupsIn(folder, QStringLiteral("tienda")).size(), 1);
    }

    void leftOpenPastMidnightTheNewDayIsBackedUpOnce() {
        if (TestDatabase::onServer())
            QSKIP("a server's database is backed up by quintaleva-cli");
        TestDatabase used("tienda");
        auto db = used.create();
        const QString folder = m_scratch.filePath(QStringLiteral("medianoche"));
        ProgramSettings().setValue(QStringLiteral("Config/CarpetaRespaldos"), folder);
        const QString location = QString::fromStdString(used.location());
        const QDate started = QDate::currentDate().addDays(-1);
        ProgramSettings().setValue(QStringLiteral("Config/UltimoRespaldo"), started.toString(Qt::ISODate));

        // The timer notices the new day.
        CDailyBackup daily;
        QSignalSpy finished(&daily, &CDailyBackup::finished);
        daily.watchWhileOpen(location, started, 10);
        QVERIFY(finished.wait(20000));
        QCOMPARE(finished.takeFirst().at(0).toString(), QString());
        QCOMPARE(BackupsIn(folder, QStringLiteral("tienda")).size(), 1);
        QCOMPARE(ProgramSettings().value(QStringLiteral("Config/UltimoRespaldo")).toDate(), QDate::currentDate());
        // Once a day: neither the timer nor the close take another.
        QTest::qWait(100);
        daily.finishAtClose(nullptr);
        QCOMPARE(finished.size(), 0);

        // Closed the day after the timer's backup, before the timer looked again: the close takes
        // it and returns only once it is written.
        CDailyBackup closing;
        QSignalSpy closed(&closing, &CDailyBackup::finished);
        closing.watchWhileOpen(location, QDate::currentDate(), CDailyBackup::kCheckMs);
        QVERIFY(!closing.startIfDayChanged(location, QDate::currentDate()));
        // A second later, so the new backup has a name of its own.
        QTest::qWait(1100);
        closing.finishAtClose(nullptr, QDate::currentDate().addDays(1));
        QCOMPARE(closed.size(), 1);
        QCOMPARE(closed.takeFirst().at(0).toString(), QString());
        QCOMPARE(BackupsIn(folder, QStringLiteral("tienda")).size(), 2);
        QCOMPARE(ProgramSettings().value(QStringLiteral("Config/UltimoRespaldo")).toDate(), QDate::currentDate().addDays(1));
    }

    void aFailureSaysWhereAndWhyAndIsTriedAgain() {
        if (TestDatabase::onServer())
            QSKIP("a server's database is backed up by quintaleva-cli");
        TestDatabase used("tienda");
        auto db = used.create();
        // A folder that cannot be made: a file stands where it would go.
        const QString blocker = m_scratch.filePath(QStringLiteral("ocupado"));
        QFile(blocker).open(QIODevice::WriteOnly);
        const QString folder = blocker + QStringLiteral("/respaldos");
        ProgramSettings().setValue(QStringLiteral("Config/CarpetaRespaldos"), folder);

        CDailyBackup daily;
        QSignalSpy finished(&daily, &CDailyBackup::finished);
        const QDate today(2026, 12, 9);
        QVERIFY(daily.startIfDue(QString::fromStdString(used.location()), today));
        QVERIFY(finished.wait(20000));
        const QString message = finished.takeFirst().at(0).toString();
        QVERIFY2(message.contains(folder), qPrintable(message));
        QVERIFY2(message.startsWith(QLatin1String("No se pudo hacer el respaldo diario")), qPrintable(message));
        QVERIFY(!ProgramSettings().contains(QStringLiteral("Config/UltimoRespaldo")));
        // Not remembered as done: the next start tries again.
        QVERIFY(daily.startIfDue(QString::fromStdString(used.location()), today));
        QVERIFY(finished.wait(20000));
    }

private:
    QTemporaryDir m_scratch;
};

QTEST_MAIN(TestDailyBackup)
#include "tst_dailybackup.moc"
