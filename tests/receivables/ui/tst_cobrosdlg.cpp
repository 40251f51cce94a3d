#include "app/ApplicationState.h"
#include "app/ui/Resources.h"
#include "db/Database.h"
#include "db/Statement.h"
#include "invoice/MoneyFormat.h"
#include "invoice/ui/PrincipalDlg.h"
#include "receivables/ui/AskPago.h"
#include "receivables/ui/CobrosDlg.h"
#include "support/LayoutCheck.h"
#include "support/ModalAnswer.h"
#include "toolkit/ui/TolDatePicker.h"
#include "toolkit/ui/TolEdit.h"
#include "toolkit/ui/TolGrid.h"
#include "toolkit/ui/TolMessageDlg.h"
#include "toolkit/ui/TolTextEdit.h"

#include <QGroupBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

struct Doc {
    std::string serie;
    std::int32_t folio = 1;
    double total = 1000;
    double yaPagado = 0;
    OleDate vence = OleDate::fromDate(2004, 12, 1);
    std::int32_t idCliente = 0;
    std::string nombre = "Cliente";
};

QString cell(CCobrosDlg& dlg, int row, int column) {
    TolGridCell c;
    c.row = row;
    c.column = column;
    dlg.tgmGetCellText(CCobrosDlg::kGridId, c);
    return c.text;
}

QStringList listed(CCobrosDlg& dlg) {
    QStringList list;
    for (int row = 1; row <= dlg.documentCount(); ++row)
        list << cell(dlg, row, 1);
    return list;
}

void press(CTolDialog* dlg, int id) { dlg->control<QPushButton>(id)->click(); }

// Watches for message boxes while it lives, answering each with OK and keeping its text.
class MessageLog final {
public:
    explicit MessageLog(QWidget* owner) {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [this, owner] {
            auto* box = qobject_cast<CTolMessageDlg*>(QApplication::activeModalWidget());
            if (!box || box == owner)
                return;
            m_texts << box->text();
            box->done(1);
        });
        m_timer.start();
    }
    const QStringList& texts() const { return m_texts; }

private:
    QTimer m_timer;
    QStringList m_texts;
};

} // namespace

class TestCobrosDlg final : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    int m_n = 0;
    std::unique_ptr<Database> m_db;

    std::int32_t add(const Doc& d) {
        m_db->execute("INSERT INTO Documentos (Id_Cliente, Nombre, Serie, Folio, Fecha, Vence, Total, YaPagado) "
                      "VALUES (?, ?, ?, ?, ?, ?, ?, ?)",
                      {std::int64_t{d.idCliente}, d.nombre, d.serie, std::int64_t{d.folio},
                       OleDate::fromDate(2004, 4, 15, 10, 30).value, d.vence.value, d.total, d.yaPagado});
        return static_cast<std::int32_t>(m_db->lastInsertId());
    }
    std::int64_t scalar(const std::string& sql, std::int32_t id) {
        Statement st = m_db->prepare(sql);
        st.bind(1, std::int64_t{id});
        st.step();
        return st.integer(0);
    }
    double yaPagado(std::int32_t id) {
        Statement st = m_db->prepare("SELECT YaPagado FROM Documentos WHERE Id_Documento = ?");
        st.bind(1, std::int64_t{id});
        st.step();
        return st.real(0);
    }

    // Receives a payment on `row`, doing `act` in the payment box once it is up (a box that `act`
    // left open is closed with "Salir").
    bool receive(CCobrosDlg& dlg, int row, std::function<void(CAskPago*)> act) {
        answerNextModal(
            [act](QWidget* w) {
                auto* box = qobject_cast<CAskPago*>(w);
                if (!box) {
                    w->close();
                    QFAIL("the payment box did not open");
                }
                act(box);
                if (box->isVisible())
                    press(box, CAskPago::kSalirId);
            },
            &dlg);
        return dlg.recibirPago(row);
    }

private Q_SLOTS:
    void initTestCase() {
        InitQuintalevaResources();
        CTolMessageDlg::registerToolkit();
        MoneyFormat::setCurrent(MoneyFormat::mexican());
        QVERIFY(m_dir.isValid());
    }

    void init() {
        m_db = Database::create(m_dir.filePath(QStringLiteral("c%1.mdb").arg(++m_n)).toStdString());
    }

    void cleanup() { m_db.reset(); }

    void listsOpenDocumentsWithTheirBalance() {
        add({.serie = "A", .folio = 123, .total = 1000, .yaPagado = 300, .vence = OleDate::fromDate(2004, 5, 15),
             .nombre = "O'Higgins y Cía."});
        add({.serie = "A", .folio = 7, .total = 50, .yaPagado = 50});  // paid, but its flag never set
        m_db->execute("UPDATE Documentos SET Pagado = 1 WHERE Folio = 7");
        add({.serie = "A", .folio = 8});
        m_db->execute("UPDATE Documentos SET Cancelada = 1 WHERE Folio = 8");
        add({.serie = "", .folio = 4, .total = 10.5});

        CCobrosDlg dlg(*m_db);
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Cuentas por cobrar"));
        QCOMPARE(listed(dlg), (QStringList{QStringLiteral("000004"), QStringLiteral("A000123")}));
        QCOMPARE(dlg.grid()->rowCount(), 3);
        const QStringList titles = {"Serie/Folio", "Fecha", "Vence", "Cliente", "Importe", "Por pagar"};
        const int widths[] = {60, 80, 80, 200, 120, 120};
        for (int c = 1; c <= CCobrosDlg::kColumns; ++c) {
            QCOMPARE(dlg.grid()->columnTitle(c), titles[c - 1]);
            QCOMPARE(dlg.grid()->columnWidth(c), widths[c - 1]);
        }
        QCOMPARE(cell(dlg, 2, 2), QStringLiteral("15/Abr/2004"));
        QCOMPARE(cell(dlg, 2, 3), QStringLiteral("15/May/2004"));
        QCOMPARE(cell(dlg, 2, 4), QStringLiteral("O'Higgins y Cía."));
        QCOMPARE(cell(dlg, 2, 5), QStringLiteral("$1,000.00"));
        QCOMPARE(cell(dlg, 2, 6), QStringLiteral("$700.00"));
        QCOMPARE(cell(dlg, 3, 1), QString());  // the append row is no document

        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        const QStringList faults = layoutFaults(dlg);
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QStringLiteral("; "))));
        saveShot(dlg, QStringLiteral("cobros"));
    }

    void searchNarrowsBySerieFolioCustomerAndDueDate() {
        add({.serie = "A", .folio = 1, .vence = OleDate::fromDate(2004, 12, 31, 17, 0), .idCliente = 3});
        add({.serie = "A", .folio = 2, .vence = OleDate::fromDate(2005, 1, 1), .idCliente = 4});
        add({.serie = "B", .folio = 1, .vence = OleDate::fromDate(2004, 11, 30), .idCliente = 3});
        add({.serie = "", .folio = 1, .vence = OleDate::fromDate(2005, 3, 1), .idCliente = 4});

        CCobrosDlg dlg(*m_db);
        auto* serie = dlg.control<CTolEdit>(CCobrosDlg::kSerieId);
        auto* folio = dlg.control<CTolEdit>(CCobrosDlg::kFolioId);
        QCOMPARE(dlg.documentCount(), 4);

        serie->setText(QStringLiteral("A"));
        folio->setText(QStringLiteral("2"));
        press(&dlg, CCobrosDlg::kBuscarId);
        QCOMPARE(listed(dlg), QStringList{QStringLiteral("A000002")});
        QCOMPARE(folio->text(), QStringLiteral("000002"));

        // A folio without a series means a document without one.
        serie->clear();
        folio->setText(QStringLiteral("1"));
        dlg.buscar();
        QCOMPARE(listed(dlg), QStringList{QStringLiteral("000001")});

        folio->clear();
        dlg.control<QGroupBox>(CCobrosDlg::kVencimientoId)->setChecked(true);
        dlg.control<CTolDatePicker>(CCobrosDlg::kVencidasAlId)->setDate(QDate(2004, 12, 31));
        dlg.buscar();
        QCOMPARE(listed(dlg), (QStringList{QStringLiteral("A000001"), QStringLiteral("B000001")}));
        QCOMPARE(folio->text(), QString());

        dlg.setCliente(4, QStringLiteral("Cuarto"));
        dlg.control<QGroupBox>(CCobrosDlg::kVencimientoId)->setChecked(false);
        dlg.buscar();
        QCOMPARE(listed(dlg), (QStringList{QStringLiteral("000001"), QStringLiteral("A000002")}));
    }

    void amountBoxKeepsToTheBalance() {
        CAskPago box(700);
        QCOMPARE(box.windowTitle(), QStringLiteral("Recepción de pagos"));
        auto* amount = box.control<CTolEdit>(CAskPago::kCantidadId);
        QCOMPARE(amount->text(), QStringLiteral("$700.00"));
        QCOMPARE(box.control<CTolEdit>(CAskPago::kReferenciaId)->maxLength(), 35);
        QCOMPARE(box.control<CTolDatePicker>(CAskPago::kFechaId)->date(), QDate::currentDate());
        QCOMPARE(box.control<CTolTextEdit>(CAskPago::kObservacionesId)->caption(), QStringLiteral("Observaciones"));
        for (const char* typed : {"800", "0", "-5", "doce", ""}) {
            amount->setText(QString::fromLatin1(typed));
            box.amountLeft();
            QCOMPARE(amount->text(), QStringLiteral("$700.00"));
        }
        amount->setText(QStringLiteral("$250.50"));
        box.amountLeft();
        QCOMPARE(amount->text(), QStringLiteral("$250.50"));

        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        const QStringList faults = layoutFaults(box);
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QStringLiteral("; "))));
        saveShot(box, QStringLiteral("askpago"));
    }

    void paymentsAreNumberedAndAPaidDocumentLeavesTheList() {
        const auto id = add({.serie = "A", .folio = 123, .total = 1000});
        m_db->execute("INSERT INTO Cobros (Id_Documento, NumPago, Importe) VALUES (?, 1, 300)", {std::int64_t{id}});
        m_db->execute("UPDATE Documentos SET YaPagado = 300 WHERE Id_Documento = ?", {std::int64_t{id}});
        add({.serie = "B", .folio = 1});

        CCobrosDlg dlg(*m_db);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        MessageLog messages(&dlg);

        // "Salir" in the payment box writes nothing.
        QVERIFY(!receive(dlg, 1, [](CAskPago* box) { QCOMPARE(box->balance(), 700.0); }));
        QCOMPARE(scalar("SELECT count(*) FROM Cobros WHERE Id_Documento = ?", id), 1);

        // A part payment: the rest stays to pay.
        QVERIFY(receive(dlg, 1, [](CAskPago* box) {
            box->control<CTolEdit>(CAskPago::kCantidadId)->setText(QStringLiteral("200"));
            box->control<CTolEdit>(CAskPago::kReferenciaId)->setText(QStringLiteral("Cheque 4411"));
            box->control<CTolTextEdit>(CAskPago::kObservacionesId)->setPlainText(QStringLiteral("Banco del Norte"));
            box->control<CTolDatePicker>(CAskPago::kFechaId)->setDate(QDate(2005, 2, 3));
            press(box, CAskPago::kRegistrarId);
        }));
        QCOMPARE(messages.texts(), QStringList{QStringLiteral("- Pago registrado -")});
        QCOMPARE(yaPagado(id), 500.0);
        QCOMPARE(cell(dlg, 1, 6), QStringLiteral("$500.00"));
        Statement st = m_db->prepare("SELECT Referencia, Observaciones, Fecha FROM Cobros WHERE NumPago = 2");
        QVERIFY(st.step());
        QCOMPARE(st.text(0), std::string("Cheque 4411"));
        QCOMPARE(st.text(1), std::string("Banco del Norte"));
        QCOMPARE(int(st.real(2)), int(OleDate::fromDate(2005, 2, 3).value));

        // Within a cent of the balance pays it exactly; the document leaves the list.
        QVERIFY(receive(dlg, 1, [](CAskPago* box) {
            box->control<CTolEdit>(CAskPago::kCantidadId)->setText(QStringLiteral("499.995"));
            press(box, CAskPago::kRegistrarId);
        }));
        QCOMPARE(scalar("SELECT max(NumPago) FROM Cobros WHERE Id_Documento = ?", id), 3);
        QCOMPARE(yaPagado(id), 1000.0);
        QCOMPARE(scalar("SELECT Pagado FROM Documentos WHERE Id_Documento = ?", id), 1);
        QCOMPARE(listed(dlg), QStringList{QStringLiteral("B000001")});

        // Enter on a row opens the payment box for that row; no row, no box.
        dlg.grid()->setFocus();
        QPointer<QTimer> watcher = answerNextModal(
            [](QWidget* w) {
                auto* box = qobject_cast<CAskPago*>(w);
                QVERIFY(box);
                QCOMPARE(box->balance(), 1000.0);
                box->reject();
            },
            &dlg);
        QTest::keyClick(dlg.grid(), Qt::Key_Return);
        QTRY_VERIFY(!watcher);
        QCOMPARE(dlg.documentCount(), 1);
        QVERIFY(!dlg.recibirPago(2));
        QVERIFY(!dlg.recibirPago(0));
    }

    void aFailedPaymentIsReportedAndWritesNothing() {
        const auto id = add({.serie = "A", .folio = 9, .total = 80});
        m_db->execute("CREATE TRIGGER falla BEFORE UPDATE OF YaPagado ON Documentos "
                      "BEGIN SELECT RAISE(ABORT, 'disco lleno'); END");
        CCobrosDlg dlg(*m_db);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        MessageLog messages(&dlg);
        QVERIFY(!receive(dlg, 1, [](CAskPago* box) { press(box, CAskPago::kRegistrarId); }));
        QCOMPARE(messages.texts(), QStringList{QStringLiteral("disco lleno")});
        QCOMPARE(scalar("SELECT count(*) FROM Cobros WHERE Id_Documento = ?", id), 0);
        QCOMPARE(yaPagado(id), 0.0);
        QCOMPARE(cell(dlg, 1, 6), QStringLiteral("$80.00"));
    }

    void mainFormOpensItWithF7() {
        add({.serie = "A", .folio = 1});
        ApplicationState state;
        state.database = m_db.get();
        CPrincipalDlg form(*m_db, state);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        int listedThere = -1;
        QPointer<QTimer> watcher = answerNextModal(
            [&listedThere](QWidget* w) {
                if (auto* dlg = qobject_cast<CCobrosDlg*>(w))
                    listedThere = dlg->documentCount();
                QTest::keyClick(w, Qt::Key_Escape);
            },
            &form);
        form.sendCommand(CPrincipalDlg::kReceivables);
        QTRY_VERIFY(!watcher);
        QCOMPARE(listedThere, 1);
    }
};

QTEST_MAIN(TestCobrosDlg)
#include "tst_cobrosdlg.moc"
