#include "config/DatabaseFiles.h"
#include "config/Import13.h"
#include "config/OldDatabase.h"
#include "config/ui/Maintenance.h"
#include "db/Database.h"
#include "toolkit/ui/TolMessageDlg.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <filesystem>

namespace {

const QString kFixture = QString::fromStdString(
    (std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "fixtures" / "v13" / "ejemplo.mdb")
        .string());

// Answers every message box while it lives (1 "Si"/OK, 2 "No"), keeping the texts.
struct MessageLog {
    QTimer timer;
    QStringList texts;
    int answer = 1;
    MessageLog() {
        QObject::connect(&timer, &QTimer::timeout, [this] {
            if (auto* box = qobject_cast<CTolMessageDlg*>(QApplication::activeModalWidget())) {
                texts << box->text();
                box->done(answer);
            }
        });
        timer.start(10);
    }
};

std::int64_t Count(Database& db, const char* table) {
    Statement s = db.prepare(std::string("SELECT COUNT(*) FROM ") + table);
    s.step();
    return s.integer(0);
}

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
    }

    void overwriteNeedsTheOperatorsYes() {
        auto db = Database::create(m_dir.filePath(QStringLiteral("uso1.mdb")).toStdString());
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
        QCOMPARE(log.texts, (QStringList{CMaintenance::OverwriteQuestion(target), QStringLiteral("- Base de datos respaldada -")}));
        QCOMPARE(Count(*Database::open(target.toStdString()), "Clientes"), 1);

        // A new database under a new name asks nothing.
        log.texts.clear();
        const QString fresh = m_dir.filePath(QStringLiteral("nueva.mdb"));
        QVERIFY(CMaintenance::RunNewDatabase(*db, fresh, nullptr));
        QCOMPARE(log.texts, QStringList{QStringLiteral("- La nueva base de datos se creó exitosamente -")});
        QCOMPARE(Count(*Database::open(fresh.toStdString()), "Clientes"), 0);
    }

    void importReportsSuccessAndRefusals() {
        auto db = Database::create(m_dir.filePath(QStringLiteral("uso2.mdb")).toStdString());
        MessageLog log;
        const QString text = m_dir.filePath(QStringLiteral("texto.mdb"));
        Write(text, "no soy una base de datos");
        QVERIFY(!CMaintenance::RunImport(*db, text, nullptr));
        QCOMPARE(log.texts, QStringList{QString::fromUtf8(COldDatabase::kMsgNotDatabase)});
        QCOMPARE(Count(*db, "Articulos"), 0);

        log.texts.clear();
        QVERIFY(CMaintenance::RunImport(*db, kFixture, nullptr));
        QCOMPARE(log.texts, QStringList{QStringLiteral("- Importación existosa -")});
        QCOMPARE(Count(*db, "Articulos"), 12);
        QCOMPARE(Count(*db, "Clientes"), 8);
    }
};

QTEST_MAIN(TestMaintenance)
#include "tst_maintenance.moc"
