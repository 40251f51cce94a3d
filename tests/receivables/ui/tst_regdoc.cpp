#include "catalogs/ui/ComboTabla.h"
#include "db/Database.h"
#include "invoice/MoneyFormat.h"
#include "receivables/ui/RegDoc.h"
#include "support/LayoutCheck.h"
#include "support/ModalAnswer.h"
#include "support/Refusal.h"
#include "support/TestDatabase.h"
#include "toolkit/ui/TolEdit.h"
#include "toolkit/ui/TolMessageDlg.h"

#include <QGroupBox>
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

CTolEdit* edit(CTolDialog* dlg, int id) { return dlg->control<CTolEdit>(id); }
QGroupBox* group(CTolDialog* dlg, int id) { return dlg->control<QGroupBox>(id); }
void press(CTolDialog* dlg, int id) { dlg->control<QPushButton>(id)->click(); }

} // namespace

class TestRegDoc final : public QObject {
    Q_OBJECT

private:
    TestDatabase m_testDb;
    std::unique_ptr<Database> m_db;
    std::int32_t m_carta = 0;
    std::int32_t m_media = 0;

    // Runs the dialog with `act` once it is up; a dialog that `act` left open (a failed check) is
    // cancelled so that the test ends rather than waits.
    std::optional<RegDocResult> run(double total, std::function<void(CRegDoc*)> act) {
        answerNextModal([act](QWidget* w) {
            auto* dlg = qobject_cast<CRegDoc*>(w);
            if (!dlg) {
                w->close();
                QFAIL("the registration dialog did not open");
            }
            act(dlg);
            if (dlg->isVisible())
                dlg->reject();
        });
        return CRegDoc::Run(*m_db, total);
    }

private Q_SLOTS:
    void initTestCase() {
        CTolMessageDlg::registerToolkit();
        MoneyFormat::setCurrent(MoneyFormat::mexican());
        m_db = m_testDb.create();
        m_media = addFormat(*m_db, "Media carta", false);
        addFormat(*m_db, "TICKET", true);
        m_carta = addFormat(*m_db, "Carta O'Higgins", false);
    }

    void opensWithTheTotalAsPaymentAndPrintingOff() {
        CRegDoc dlg(*m_db, 1240.5);
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Registro de Documentos"));
        QCOMPARE(edit(&dlg, CRegDoc::kPagoId)->text(), QStringLiteral("$1,240.50"));
        QCOMPARE(edit(&dlg, CRegDoc::kReferenciaId)->maxLength(), 35);
        QCOMPARE(edit(&dlg, CRegDoc::kCopiasId)->text(), QStringLiteral("1"));
        QVERIFY(group(&dlg, CRegDoc::kPagoGroupId)->isChecked());
        QCOMPARE(group(&dlg, CRegDoc::kPagoGroupId)->title(), QStringLiteral("Registrar pago"));
        QVERIFY(!group(&dlg, CRegDoc::kImprimirGroupId)->isChecked());
        QCOMPARE(group(&dlg, CRegDoc::kImprimirGroupId)->title(), QStringLiteral("Imprimir al registrar"));
        QCOMPARE(dlg.control<QPushButton>(CRegDoc::kRegistrarId)->text(), QStringLiteral("Registrar"));
        QCOMPARE(dlg.control<QPushButton>(CRegDoc::kCancelarId)->text(), QStringLiteral("Cancelar"));

        // Page-printer formats only, the first one chosen.
        auto* formats = dlg.control<CComboTabla>(CRegDoc::kFormatoId);
        QCOMPARE(formats->count(), 2);
        QCOMPARE(formats->currentText(), QStringLiteral("Carta O'Higgins"));
        QCOMPARE(formats->GetSelectedKey(), m_carta);

        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        const QStringList faults = layoutFaults(dlg);
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QStringLiteral("; "))));
        saveShot(dlg, QStringLiteral("regdoc"));

        // A group's fields follow its check box.
        QVERIFY(!formats->isEnabled());
        QVERIFY(!edit(&dlg, CRegDoc::kCopiasId)->isEnabled());
        group(&dlg, CRegDoc::kImprimirGroupId)->setChecked(true);
        QVERIFY(formats->isEnabled());
        QVERIFY(edit(&dlg, CRegDoc::kCopiasId)->isEnabled());
        group(&dlg, CRegDoc::kPagoGroupId)->setChecked(false);
        QVERIFY(!edit(&dlg, CRegDoc::kPagoId)->isEnabled());
    }

    void registrarReturnsTheChoices() {
        // Defaults: the whole total paid, nothing printed.
        auto result = run(1000, [](CRegDoc* dlg) { press(dlg, CRegDoc::kRegistrarId); });
        QVERIFY(result);
        QVERIFY(result->registrarPago);
        QCOMPARE(result->importe, 1000.0);
        QCOMPARE(result->referencia, QString());
        QVERIFY(!result->imprimir);
        QCOMPARE(result->formatoId, -1);
        QCOMPARE(result->copias, 1);

        // A part payment with a reference, printed in three copies on the second format.
        result = run(1000, [this](CRegDoc* dlg) {
            edit(dlg, CRegDoc::kPagoId)->setText(QStringLiteral("$300.00"));
            auto* reference = edit(dlg, CRegDoc::kReferenciaId);
            reference->setFocus();
            QTest::keyClicks(reference, QStringLiteral("Cheque 4411 de O'Higgins, sucursal centro"));
            group(dlg, CRegDoc::kImprimirGroupId)->setChecked(true);
            dlg->control<CComboTabla>(CRegDoc::kFormatoId)->SelectByKey(m_media);
            auto* copies = edit(dlg, CRegDoc::kCopiasId);
            copies->setFocus();
            copies->selectAll();
            QTest::keyClicks(copies, "x3"); // the letter is dropped
            press(dlg, CRegDoc::kRegistrarId);
        });
        QVERIFY(result);
        QVERIFY(result->registrarPago);
        QCOMPARE(result->importe, 300.0);
        QCOMPARE(result->referencia, QStringLiteral("Cheque 4411 de O'Higgins, sucursal "));
        QVERIFY(result->imprimir);
        QCOMPARE(result->formatoId, m_media);
        QCOMPARE(result->copias, 3);

        // Without a payment the amount is not read, however it was left.
        result = run(1000, [](CRegDoc* dlg) {
            edit(dlg, CRegDoc::kPagoId)->setText(QStringLiteral("mil"));
            group(dlg, CRegDoc::kPagoGroupId)->setChecked(false);
            press(dlg, CRegDoc::kRegistrarId);
        });
        QVERIFY(result);
        QVERIFY(!result->registrarPago);
        QCOMPARE(result->importe, 0.0);

        // An emptied amount with the box checked is a payment of 0; a payment above the total is
        // cut to it on screen first, and the second press returns the total.
        result = run(1000, [](CRegDoc* dlg) {
            edit(dlg, CRegDoc::kPagoId)->clear();
            press(dlg, CRegDoc::kRegistrarId);
        });
        QVERIFY(result && result->registrarPago);
        QCOMPARE(result->importe, 0.0);
        QString told;
        result = run(1000, [&told](CRegDoc* dlg) {
            edit(dlg, CRegDoc::kPagoId)->setText(QStringLiteral("1,500"));
            told = refusal(dlg, CRegDoc::kRegistrarId);
            press(dlg, CRegDoc::kRegistrarId);
        });
        QCOMPARE(told, QStringLiteral("- La cantidad excede el saldo: se registrará $1,000.00 -"));
        QVERIFY(result);
        QCOMPARE(result->importe, 1000.0);
    }

    void badCopiesAndAmountsKeepTheDialogOpen() {
        auto result = run(1000, [](CRegDoc* dlg) {
            group(dlg, CRegDoc::kImprimirGroupId)->setChecked(true);
            auto* copies = edit(dlg, CRegDoc::kCopiasId);
            for (const char* typed : {"0", "6", "", "12"}) {
                copies->setText(QString::fromLatin1(typed));
                QCOMPARE(refusal(dlg, CRegDoc::kRegistrarId), QStringLiteral("Please enter an integer between 1 and 5."));
                QCOMPARE(dlg->focusWidget(), copies);
            }
            copies->setText(QStringLiteral("5"));

            auto* amount = edit(dlg, CRegDoc::kPagoId);
            amount->setText(QStringLiteral("doce pesos"));
            QCOMPARE(refusal(dlg, CRegDoc::kRegistrarId), QStringLiteral("Please enter a currency."));
            amount->setText(QStringLiteral("-50"));
            QCOMPARE(refusal(dlg, CRegDoc::kRegistrarId), QStringLiteral("- El pago no puede ser negativo -"));
            // Above the total: cut where the operator sees it, as Cobranza does.
            amount->setText(QStringLiteral("1500"));
            QCOMPARE(refusal(dlg, CRegDoc::kRegistrarId),
                     QStringLiteral("- La cantidad excede el saldo: se registrará $1,000.00 -"));
            QCOMPARE(amount->text(), QStringLiteral("$1,000.00"));
            amount->setText(QStringLiteral("50"));
            press(dlg, CRegDoc::kRegistrarId);
        });
        QVERIFY(result);
        QCOMPARE(result->copias, 5);
        QCOMPARE(result->importe, 50.0);

        // Copies are not asked for when nothing is printed.
        result = run(1000, [](CRegDoc* dlg) {
            group(dlg, CRegDoc::kImprimirGroupId)->setChecked(true);
            edit(dlg, CRegDoc::kCopiasId)->setText(QStringLiteral("9"));
            group(dlg, CRegDoc::kImprimirGroupId)->setChecked(false);
            press(dlg, CRegDoc::kRegistrarId);
        });
        QVERIFY(result);
        QVERIFY(!result->imprimir);
        QCOMPARE(result->copias, 1);

        // A credit document's negative total is proposed and accepted as it stands.
        result = run(-200, [](CRegDoc* dlg) { press(dlg, CRegDoc::kRegistrarId); });
        QVERIFY(result);
        QCOMPARE(result->importe, -200.0);
    }

    void enterMovesOnAndCancelStoresNothing() {
        auto result = run(1000, [](CRegDoc* dlg) {
            auto* amount = edit(dlg, CRegDoc::kPagoId);
            amount->setFocus();
            QTest::keyClick(amount, Qt::Key_Return);
            QVERIFY(dlg->isVisible());
            QCOMPARE(dlg->focusWidget(), edit(dlg, CRegDoc::kReferenciaId));
            press(dlg, CRegDoc::kCancelarId);
        });
        QVERIFY(!result);

        result = run(1000, [](CRegDoc* dlg) { QTest::keyClick(dlg, Qt::Key_Escape); });
        QVERIFY(!result);
    }

    void noFormatsGivesMinusOne() {
        TestDatabase other("vacia");
        auto empty = other.create();
        answerNextModal([](QWidget* w) {
            auto* dlg = static_cast<CRegDoc*>(w);
            group(dlg, CRegDoc::kImprimirGroupId)->setChecked(true);
            press(dlg, CRegDoc::kRegistrarId);
            if (dlg->isVisible())
                dlg->reject();
        });
        const auto result = CRegDoc::Run(*empty, 10);
        QVERIFY(result && result->imprimir);
        QCOMPARE(result->formatoId, -1);
    }
};

QTEST_MAIN(TestRegDoc)
#include "tst_regdoc.moc"
