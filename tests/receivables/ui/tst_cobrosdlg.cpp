#include "support/GridCell.h"
#include "support/MessageLog.h"
#include "db/Database.h"
#include "db/PgConnection.h"
#include "db/Statement.h"
#include "invoice/MoneyFormat.h"
#include "receivables/ui/AskPago.h"
#include "receivables/ui/CobrosDlg.h"
#include "support/LayoutCheck.h"
#include "support/ModalAnswer.h"
#include "support/TestDatabase.h"
#include "toolkit/ui/TolDatePicker.h"
#include "toolkit/ui/TolEdit.h"
#include "toolkit/ui/TolGrid.h"
#include "toolkit/ui/TolMessageDlg.h"

#include <QPushButton>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

void press(CTolDialog* dlg, int id) { dlg->control<QPushButton>(id)->click(); }

} // namespace

class TestCobrosDlg final : public QObject {
    Q_OBJECT

    std::unique_ptr<TestDatabase> m_testDb;
    std::unique_ptr<Database> m_db;

    std::int32_t add(const char* serie, int folio, double total, const char* nombre = "Cliente") {
        m_db->execute("INSERT INTO Documentos (Nombre, Serie, Folio, Fecha, Vence, Total) VALUES (?, ?, ?, ?, ?, ?)",
                      {std::string(nombre), std::string(serie), std::int64_t{folio},
                       OleDate::fromDate(2004, 4, 15, 10, 30).value, OleDate::fromDate(2004, 5, 15).value, total});
        return static_cast<std::int32_t>(m_db->lastInsertId());
    }
    double yaPagado(std::int32_t id) {
        Statement st = m_db->prepare("SELECT YaPagado FROM Documentos WHERE Id_Documento = ?");
        st.bind(1, std::int64_t{id});
        st.step();
        return st.real(0);
    }

    // "Recibir pago" on `row`, doing `act` in the payment box (a box left open is closed with Salir).
    bool receive(CCobrosDlg& dlg, int row, std::function<void(CAskPago*)> act) {
        answerNextModal(
            [act](QWidget* w) {
                auto* box = qobject_cast<CAskPago*>(w);
                if (box)
                    act(box);
                if (w->isVisible())
                    w->close();
                QVERIFY(box);
            },
            &dlg);
        return dlg.recibirPago(row);
    }

private Q_SLOTS:
    void initTestCase() {
        CTolMessageDlg::registerToolkit();
        MoneyFormat::setCurrent(MoneyFormat::mexican());
    }
    void init() {
        m_db.reset();
        m_testDb = std::make_unique<TestDatabase>();
        m_db = m_testDb->create();
    }
    void cleanup() { m_db.reset(); }

    void listsOpenDocumentsWithTheirBalance() {
        const auto id = add("A", 123, 1000, "O'Higgins y Cía.");
        m_db->execute("UPDATE Documentos SET YaPagado = 300 WHERE Id_Documento = ?", {std::int64_t{id}});
        m_db->execute("UPDATE Documentos SET Cancelada = 1 WHERE Id_Documento = ?", {std::int64_t{add("A", 8, 5)}});
        add("", 4, 10.5);

        CCobrosDlg dlg(*m_db);
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Cuentas por cobrar"));
        QCOMPARE(dlg.documentCount(), 2);
        QCOMPARE(GridCell(dlg, 1, 1), QStringLiteral("000004"));
        const QStringList row2 = {"A000123", "15/Abr/2004", "15/May/2004", "O'Higgins y Cía.", "$1,000.00", "$700.00"};
        const QStringList titles = {"Serie/Folio", "Fecha", "Vence", "Cliente", "Importe", "Por pagar"};
        for (int c = 1; c <= CCobrosDlg::kColumns; ++c) {
            QCOMPARE(GridCell(dlg, 2, c), row2[c - 1]);
            QCOMPARE(dlg.grid()->columnTitle(c), titles[c - 1]);
        }

        // Series and folio from the controls: that one document, the folio shown padded.
        dlg.control<CTolEdit>(CCobrosDlg::kSerieId)->setText(QStringLiteral("a"));
        dlg.control<CTolEdit>(CCobrosDlg::kFolioId)->setText(QStringLiteral("123"));
        press(&dlg, CCobrosDlg::kBuscarId);
        QCOMPARE(dlg.documentCount(), 1);
        QCOMPARE(dlg.control<CTolEdit>(CCobrosDlg::kFolioId)->text(), QStringLiteral("000123"));

        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        const QStringList faults = layoutFaults(dlg);
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QStringLiteral("; "))));
        saveShot(dlg, QStringLiteral("cobros"));
    }

    // Leaving the amount box keeps what was typed: one that cannot be registered as it stands is
    // marked, never replaced by the balance out of the operator's sight.
    void amountBoxKeepsWhatWasTypedAndMarksWhatCannotBeRegistered() {
        CAskPago box(700);
        QCOMPARE(box.windowTitle(), QStringLiteral("Recepción de pagos"));
        auto* amount = box.control<CTolEdit>(CAskPago::kCantidadId);
        QCOMPARE(amount->text(), QStringLiteral("$700.00"));
        QCOMPARE(box.control<CTolDatePicker>(CAskPago::kFechaId)->date(), QDate::currentDate());
        for (const QString& typed : {QStringLiteral("800"), QStringLiteral("0"), QStringLiteral("-5"),
                                     QStringLiteral("cien pesos")}) {
            amount->setText(typed);
            box.amountLeft();
            QCOMPARE(amount->text(), typed);
            QVERIFY2(box.amountMarked(), qPrintable(typed));
        }
        amount->setText(QStringLiteral("$250.50"));
        box.amountLeft();
        QCOMPARE(amount->text(), QStringLiteral("$250.50"));
        QVERIFY(!box.amountMarked());

        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        const QStringList faults = layoutFaults(box);
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QStringLiteral("; "))));
        saveShot(box, QStringLiteral("askpago"));
    }

    // Destroyed while shown with an amount typed: the amount box loses the focus inside ~QDialog
    // and emits editingFinished, but nothing of the half-destroyed dialog may run then.
    void destroyedWhileShownRunsNoSlotOfTheDialog() {
        auto* box = new CAskPago(700);
        box->show();
        QVERIFY(QTest::qWaitForWindowActive(box));
        auto* amount = box->control<CTolEdit>(CAskPago::kCantidadId);
        QTRY_VERIFY(amount->hasFocus());
        QTest::keyClick(amount, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(amount, QStringLiteral("900"));
        int finished = 0;
        QStringList texts;
        connect(amount, &QLineEdit::editingFinished, amount, [&finished] { ++finished; });
        connect(amount, &QLineEdit::textChanged, amount, [&texts](const QString& t) { texts << t; });
        delete box;
        QVERIFY2(finished > 0, "the scenario needs editingFinished from the destructor");
        QVERIFY2(texts.isEmpty(), qPrintable(texts.join(QStringLiteral(", "))));
    }

    void paymentsAreRegisteredAndAPaidDocumentLeavesTheList() {
        const auto id = add("A", 123, 700);
        add("B", 1, 50);
        CCobrosDlg dlg(*m_db);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        MessageLog messages;

        QVERIFY(!receive(dlg, 1, [](CAskPago* box) { press(box, CAskPago::kSalirId); }));
        QVERIFY(receive(dlg, 1, [](CAskPago* box) {
            box->control<CTolEdit>(CAskPago::kCantidadId)->setText(QStringLiteral("200"));
            press(box, CAskPago::kRegistrarId);
        }));
        QCOMPARE(messages.texts, QStringList{QStringLiteral("- Pago registrado -")});
        QCOMPARE(GridCell(dlg, 1, 6), QStringLiteral("$500.00"));

        // Within a cent of the balance pays it exactly, through Enter on the row.
        dlg.grid()->setFocus();
        answerNextModal(
            [](QWidget* w) {
                static_cast<CAskPago*>(w)->control<CTolEdit>(CAskPago::kCantidadId)->setText(QStringLiteral("499.995"));
                press(static_cast<CAskPago*>(w), CAskPago::kRegistrarId);
            },
            &dlg);
        QTest::keyClick(dlg.grid(), Qt::Key_Return);
        QTRY_COMPARE(dlg.documentCount(), 1);
        QCOMPARE(yaPagado(id), 700.0);
        QCOMPARE(GridCell(dlg, 1, 1), QStringLiteral("B000001"));
        QVERIFY(!dlg.recibirPago(2));  // the append row is no document
    }

    void registrarDoesNothingWithoutAnAmountAndShowsAnAmountItCuts() {
        const auto id = add("A", 9, 700);
        CCobrosDlg dlg(*m_db);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        MessageLog messages;
        // Typed with keys, then "Registrar" clicked with the mouse straight from the amount box.
        auto typeAndClick = [](CAskPago* box, const QString& keys) {
            QApplication::setActiveWindow(box);
            auto* amount = box->control<CTolEdit>(CAskPago::kCantidadId);
            amount->setFocus();
            QTest::keyClick(amount, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClick(amount, Qt::Key_Backspace);
            QTest::keyClicks(amount, keys);
            QTest::mouseClick(box->control<QPushButton>(CAskPago::kRegistrarId), Qt::LeftButton);
        };

        QStringList shown;
        bool stayedOpen = false;
        const QStringList typed = {QStringLiteral("0"), QString(), QStringLiteral("-5"), QStringLiteral("cien pesos")};
        for (const QString& keys : typed) {
            QVERIFY(!receive(dlg, 1, [&](CAskPago* box) {
                typeAndClick(box, keys);
                stayedOpen = box->isVisible();
                shown << box->control<CTolEdit>(CAskPago::kCantidadId)->text();
            }));
            QVERIFY2(stayedOpen, qPrintable(keys));
        }
        QCOMPARE(shown, typed);
        QCOMPARE(yaPagado(id), 0.0);
        QCOMPARE(messages.texts, QStringList(4, QStringLiteral("- Escriba la cantidad a pagar -")));
        messages.texts.clear();

        // Typed, then Enter (the focus moves on), then Registrar: still what was typed, refused.
        QVERIFY(!receive(dlg, 1, [&](CAskPago* box) {
            QApplication::setActiveWindow(box);
            auto* amount = box->control<CTolEdit>(CAskPago::kCantidadId);
            amount->setFocus();
            QTest::keyClick(amount, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(amount, QStringLiteral("cien"));
            QTest::keyClick(amount, Qt::Key_Return);
            QCOMPARE(amount->text(), QStringLiteral("cien"));
            QVERIFY(box->amountMarked());
            QTest::mouseClick(box->control<QPushButton>(CAskPago::kRegistrarId), Qt::LeftButton);
            stayedOpen = box->isVisible();
        }));
        QVERIFY(stayedOpen);
        QCOMPARE(yaPagado(id), 0.0);
        QCOMPARE(messages.texts, QStringList{QStringLiteral("- Escriba la cantidad a pagar -")});
        messages.texts.clear();

        // Above the balance: the first click shows the cut amount, the second registers it.
        QString afterFirst;
        QVERIFY(receive(dlg, 1, [&](CAskPago* box) {
            typeAndClick(box, QStringLiteral("800"));
            stayedOpen = box->isVisible();
            afterFirst = box->control<CTolEdit>(CAskPago::kCantidadId)->text();
            QTest::mouseClick(box->control<QPushButton>(CAskPago::kRegistrarId), Qt::LeftButton);
        }));
        QVERIFY(stayedOpen);
        QCOMPARE(afterFirst, QStringLiteral("$700.00"));
        QCOMPARE(messages.texts, (QStringList{QStringLiteral("- La cantidad excede el saldo: se registrará $700.00 -"),
                                              QStringLiteral("- Pago registrado -")}));
        QCOMPARE(yaPagado(id), 700.0);
    }

    void aBalanceChangedMeanwhileIsToldAndNothingRegistered() {
        const auto id = add("A", 11, 700);
        CCobrosDlg dlg(*m_db);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        MessageLog messages;
        QVERIFY(!receive(dlg, 1, [&](CAskPago* box) {
            // Another station takes 300 while this box shows the balance of 700.
            m_db->execute("INSERT INTO Cobros (Id_Documento, NumPago, Importe) VALUES (?, 1, 300)", {std::int64_t{id}});
            m_db->execute("UPDATE Documentos SET YaPagado = 300 WHERE Id_Documento = ?", {std::int64_t{id}});
            QTest::mouseClick(box->control<QPushButton>(CAskPago::kRegistrarId), Qt::LeftButton);
        }));
        QCOMPARE(messages.texts,
                 QStringList{QStringLiteral("- El saldo del documento cambió en otra estación: ahora es $400.00. "
                                            "El pago no se registró -")});
        QCOMPARE(yaPagado(id), 300.0);
        QCOMPARE(GridCell(dlg, 1, 6), QStringLiteral("$400.00"));
    }

    // The server stores the payment but its reply is lost: the operator is told of the lost
    // connection and the list shows the balance the server holds, not the one before.
    void aPaymentWhoseReplyIsLostShowsWhatTheServerStored() {
        if (!TestDatabase::onServer())
            QSKIP("a file has no connection to lose");
        const auto id = add("A", 12, 700);
        CCobrosDlg dlg(*m_db);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        MessageLog messages;
        PgConnection::loseNextCommitReply();
        QVERIFY(!receive(dlg, 1, [](CAskPago* box) {
            box->control<CTolEdit>(CAskPago::kCantidadId)->setText(QStringLiteral("200"));
            press(box, CAskPago::kRegistrarId);
        }));
        QCOMPARE(messages.texts.size(), 1);
        QVERIFY2(messages.texts[0].startsWith(QStringLiteral("No se pudo comunicar con el servidor de la base de datos")),
                 qPrintable(messages.texts[0]));
        QCOMPARE(yaPagado(id), 200.0);
        QCOMPARE(GridCell(dlg, 1, 6), QStringLiteral("$500.00"));
    }
};

QTEST_MAIN(TestCobrosDlg)
#include "tst_cobrosdlg.moc"
