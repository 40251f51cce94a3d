#include "catalogs/ui/AddEditCliente.h"
#include "db/Database.h"
#include "db/DbError.h"
#include "db/Statement.h"
#include "db/ui/DbErrorMessage.h"
#include "support/LayoutCheck.h"
#include "support/ModalAnswer.h"
#include "toolkit/ui/TolEdit.h"
#include "toolkit/ui/TolMessageDlg.h"

#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <sqlite3.h>

namespace {

int customerRows(Database& db) {
    Statement st = db.prepare("SELECT count(*) FROM Clientes");
    st.step();
    return static_cast<int>(st.integer(0));
}

} // namespace

class TestDbErrorMessage final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { CTolMessageDlg::registerToolkit(); }

    // The operator reads what happened and what to do before the engine's words; a plain error
    // offers nothing to retry.
    void errorsSpeakSpanishFirst() {
        QString text, noButton;
        answerNextModal([&](QWidget* w) {
            auto* box = qobject_cast<CTolMessageDlg*>(w);
            QVERIFY(box);
            text = box->text();
            noButton = box->control(CTolMessageDlg::kNoId) ? QStringLiteral("yes") : QString();
            box->done(1);
        });
        QVERIFY(!ShowDbError(DbError("database disk image is malformed", SQLITE_CORRUPT), true));
        QVERIFY2(text.startsWith(QStringLiteral("La base de datos está dañada: restaure un respaldo")), qPrintable(text));
        QVERIFY(text.contains(QStringLiteral("database disk image is malformed")));
        QVERIFY(noButton.isEmpty());
    }

    // A save that meets a database locked by another program offers "Reintentar"; once the other
    // program lets go, retrying saves the customer once.
    void aBusyDatabaseOffersToRetryTheSave() {
        QTemporaryDir dir;
        const std::string path = dir.filePath(QStringLiteral("ocupada.mdb")).toStdString();
        auto db = Database::create(path);
        sqlite3* other = nullptr;
        QCOMPARE(sqlite3_open(path.c_str(), &other), SQLITE_OK);
        QCOMPARE(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);

        CAddEditCliente editor(*db, 0);
        editor.show();
        QVERIFY(QTest::qWaitForWindowExposed(&editor));
        auto* nombre = editor.control<CTolEdit>(CAddEditCliente::kNombreId);
        nombre->setFocus();
        QTest::keyClicks(nombre, QStringLiteral("Ferreteria La Esperanza"));

        QString text, retry, cancel;
        answerNextModal(
            [&](QWidget* w) {
                auto* box = qobject_cast<CTolMessageDlg*>(w);
                QVERIFY(box);
                text = box->text();
                retry = box->control<QPushButton>(CTolMessageDlg::kOkId)->text();
                cancel = box->control<QPushButton>(CTolMessageDlg::kNoId)->text();
                saveShot(*box, QStringLiteral("reintentar"));
                sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);  // the other program lets go
                QTest::keyClick(box->control<QPushButton>(CTolMessageDlg::kOkId), Qt::Key_Space);
            },
            &editor);
        editor.control<QPushButton>(CAddEditCliente::kGuardarId)->click();
        QTRY_VERIFY_WITH_TIMEOUT(!text.isEmpty(), 15000);
        QTRY_COMPARE(customerRows(*db), 1);
        sqlite3_close(other);
        QVERIFY2(text.startsWith(QStringLiteral(
                     "La base de datos está ocupada por otro programa; intente de nuevo en unos segundos")),
                 qPrintable(text));
        QVERIFY(text.contains(QStringLiteral("database is locked")));
        QCOMPARE(retry, QStringLiteral("Reintentar"));
        QCOMPARE(cancel, QStringLiteral("Cancelar"));
        QCOMPARE(customerRows(*db), 1);
        QCOMPARE(editor.savedCount(), 1);
    }
};

QTEST_MAIN(TestDbErrorMessage)
#include "tst_dberrormessage.moc"
