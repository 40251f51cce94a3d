#include "catalogs/ui/ComboTabla.h"
#include "db/Database.h"
#include "printing/ui/SelectFormat.h"
#include "support/LayoutCheck.h"
#include "support/ModalAnswer.h"
#include "support/Refusal.h"
#include "support/TestDatabase.h"
#include "toolkit/ui/TolEdit.h"
#include "toolkit/ui/TolMessageDlg.h"

#include <QPushButton>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

std::int32_t addFormat(Database& db, const char* name, bool ticket) {
    db.execute("INSERT INTO Formatos (Nombre, Ticket, Caben, Repetir) VALUES (?, ?, 0, 0)",
               {std::string(name), std::int64_t{ticket ? 1 : 0}});
    return std::int32_t(db.lastInsertId());
}

CTolEdit* copiesEdit(CSelectFormat* dlg) { return dlg->control<CTolEdit>(CSelectFormat::kCopiasId); }
void press(CSelectFormat* dlg, int id) { dlg->control<QPushButton>(id)->click(); }

// Runs the dialog with `act` once it is up; a dialog left open by a failed check is cancelled.
std::optional<SelectFormatResult> run(Database& db, std::function<void(CSelectFormat*)> act) {
    answerNextModal([act](QWidget* w) {
        auto* dlg = qobject_cast<CSelectFormat*>(w);
        if (!dlg) {
            w->close();
            QFAIL("the format selection did not open");
        }
        act(dlg);
        if (dlg->isVisible())
            dlg->reject();
    });
    return CSelectFormat::Run(db);
}

} // namespace

class TestSelectFormat final : public QObject {
    Q_OBJECT

private:
    TestDatabase m_testDb;
    std::unique_ptr<Database> m_db;
    std::int32_t m_carta = 0;
    std::int32_t m_oficio = 0;

private Q_SLOTS:
    void initTestCase() {
        CTolMessageDlg::registerToolkit();
        m_db = m_testDb.create();
        addFormat(*m_db, "A ticket", true);
        m_oficio = addFormat(*m_db, "Oficio \"grande\"", false);
        m_carta = addFormat(*m_db, "Carta", false);
    }

    void opensOnTheFirstFormatWithOneCopy() {
        CSelectFormat dlg(*m_db);
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Formato de impresión"));
        auto* formats = dlg.control<CComboTabla>(CSelectFormat::kFormatoId);
        QCOMPARE(formats->count(), 2); // the ticket format is never offered
        QCOMPARE(formats->currentText(), QStringLiteral("Carta"));
        QCOMPARE(copiesEdit(&dlg)->text(), QStringLiteral("1"));
        QCOMPARE(dlg.control<QPushButton>(CSelectFormat::kOkId)->text(), QStringLiteral("OK"));
        QCOMPARE(dlg.control<QPushButton>(CSelectFormat::kVistaPreviaId)->text(), QStringLiteral("Vista previa"));
        QCOMPARE(dlg.control<QPushButton>(CSelectFormat::kCancelId)->text(), QStringLiteral("Cancelar"));

        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        const QStringList faults = layoutFaults(dlg);
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QStringLiteral("; "))));
        saveShot(dlg, QStringLiteral("selectformat"));
    }

    void okAndPreviewReturnTheChoice() {
        auto result = run(*m_db, [](CSelectFormat* dlg) { press(dlg, CSelectFormat::kOkId); });
        QVERIFY(result);
        QCOMPARE(result->formatoId, m_carta);
        QCOMPARE(result->copias, 1);
        QVERIFY(!result->vistaPrevia);

        result = run(*m_db, [this](CSelectFormat* dlg) {
            dlg->control<CComboTabla>(CSelectFormat::kFormatoId)->SelectByKey(m_oficio);
            copiesEdit(dlg)->setText(QStringLiteral("4"));
            press(dlg, CSelectFormat::kVistaPreviaId);
        });
        QVERIFY(result);
        QCOMPARE(result->formatoId, m_oficio);
        QCOMPARE(result->copias, 4);
        QVERIFY(result->vistaPrevia);
    }

    void copiesOutOfRangeKeepTheDialogOpen() {
        const auto result = run(*m_db, [](CSelectFormat* dlg) {
            for (const char* typed : {"0", "6", ""}) {
                copiesEdit(dlg)->setText(QString::fromLatin1(typed));
                QCOMPARE(refusal(dlg, CSelectFormat::kOkId), QStringLiteral("Please enter an integer between 1 and 5."));
            }
            copiesEdit(dlg)->setText(QStringLiteral("7"));
            QCOMPARE(refusal(dlg, CSelectFormat::kVistaPreviaId),
                     QStringLiteral("Please enter an integer between 1 and 5."));
            QCOMPARE(dlg->focusWidget(), copiesEdit(dlg));
            copiesEdit(dlg)->setText(QStringLiteral("2"));
            press(dlg, CSelectFormat::kOkId);
        });
        QVERIFY(result);
        QCOMPARE(result->copias, 2);
    }

    void cancelAndNoFormats() {
        QVERIFY(!run(*m_db, [](CSelectFormat* dlg) { press(dlg, CSelectFormat::kCancelId); }));
        QVERIFY(!run(*m_db, [](CSelectFormat* dlg) { QTest::keyClick(dlg, Qt::Key_Escape); }));

        // Only a ticket format stored: nothing to choose, and OK says so with -1.
        TestDatabase other("tickets");
        auto tickets = other.create();
        addFormat(*tickets, "TICKET", true);
        const auto result = run(*tickets, [](CSelectFormat* dlg) { press(dlg, CSelectFormat::kOkId); });
        QVERIFY(result);
        QCOMPARE(result->formatoId, -1);
        QCOMPARE(result->copias, 1);
    }
};

QTEST_MAIN(TestSelectFormat)
#include "tst_selectformat.moc"
