#include "db/Database.h"
#include "db/DbError.h"
#include "db/Statement.h"
#include "invoice/DocumentStore.h"
#include "receivables/PaymentStore.h"
#include "support/ScratchDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

using Outcome = CPaymentStore::Outcome;

struct Doc {
    std::string serie;
    std::int32_t folio = 1;
    double total = 1000;
    double yaPagado = 0;
    bool pagado = false;
    bool cancelada = false;
    OleDate vence = OleDate::fromDate(2004, 12, 1);
    std::int32_t idCliente = 0;
};

class PaymentStoreTest : public ::testing::Test {
protected:
    ScratchDir dir;
    std::unique_ptr<Database> db = Database::create(dir.file("cobros.mdb"));
    CPaymentStore store{*db};

    std::int32_t add(const Doc& d) {
        db->execute("INSERT INTO Documentos (Id_Cliente, Nombre, Serie, Folio, Fecha, Vence, Total, YaPagado, Pagado, "
                    "Cancelada) VALUES (?, 'Cliente', ?, ?, ?, ?, ?, ?, ?, ?)",
                    {std::int64_t{d.idCliente}, d.serie, std::int64_t{d.folio}, OleDate::fromDate(2004, 11, 1).value,
                     d.vence.value, d.total, d.yaPagado, std::int64_t{d.pagado}, std::int64_t{d.cancelada}});
        return static_cast<std::int32_t>(db->lastInsertId());
    }

    // The ids the receivables list shows, in its order.
    std::vector<std::int32_t> listed(const ReceivablesFilter& f) {
        const SqlCondition c = CPaymentStore::ReceivablesCondition(f);
        Statement st = db->prepare(std::string("SELECT Id_Documento FROM Documentos WHERE ") + c.sql + " ORDER BY " +
                                   CPaymentStore::kSort);
        st.bindAll(c.params);
        std::vector<std::int32_t> ids;
        while (st.step())
            ids.push_back(static_cast<std::int32_t>(st.integer(0)));
        return ids;
    }

    std::int64_t count(const std::string& sql, std::int32_t id) {
        Statement st = db->prepare(sql);
        st.bind(1, std::int64_t{id});
        st.step();
        return st.integer(0);
    }
    double real(const std::string& sql, std::int32_t id) {
        Statement st = db->prepare(sql);
        st.bind(1, std::int64_t{id});
        st.step();
        return st.real(0);
    }
    double sumOfPayments(std::int32_t id) { return real("SELECT total(Importe) FROM Cobros WHERE Id_Documento = ?", id); }
    double yaPagado(std::int32_t id) { return real("SELECT YaPagado FROM Documentos WHERE Id_Documento = ?", id); }
    bool pagado(std::int32_t id) { return count("SELECT Pagado FROM Documentos WHERE Id_Documento = ?", id) != 0; }

    static Payment payment(double amount, const std::string& referencia = {}) {
        return {OleDate::fromDate(2005, 1, 10, 12, 0), amount, referencia, "Pago en efectivo"};
    }
};

TEST_F(PaymentStoreTest, ListShowsOpenDocumentsNarrowedByEachFilter) {
    const auto a1 = add({.serie = "A", .folio = 1, .vence = OleDate::fromDate(2004, 12, 31, 18, 0), .idCliente = 7});
    const auto a2 = add({.serie = "A", .folio = 2, .vence = OleDate::fromDate(2005, 1, 1), .idCliente = 8});
    const auto none5 = add({.serie = "", .folio = 5, .vence = OleDate::fromDate(2004, 6, 1), .idCliente = 7});
    const auto b5 = add({.serie = "B", .folio = 5, .idCliente = 7});
    add({.serie = "A", .folio = 3, .yaPagado = 1000, .pagado = true});
    add({.serie = "A", .folio = 4, .cancelada = true});
    const auto quote = add({.serie = "O'", .folio = 9});

    EXPECT_EQ(listed({}), (std::vector<std::int32_t>{none5, a1, a2, b5, quote}));
    EXPECT_EQ(listed({.idCliente = 7}), (std::vector<std::int32_t>{none5, a1, b5}));
    EXPECT_EQ(listed({.serie = "A"}), (std::vector<std::int32_t>{a1, a2}));
    EXPECT_EQ(listed({.serie = "O'"}), (std::vector<std::int32_t>{quote}));
    // Due on the day (at any hour) or before.
    EXPECT_EQ(listed({.porVencimiento = true, .vencidasAl = OleDate::fromDate(2004, 12, 31, 9, 15)}),
              (std::vector<std::int32_t>{none5, a1, b5, quote}));
    EXPECT_EQ(listed({.serie = "A", .porVencimiento = true, .vencidasAl = OleDate::fromDate(2005, 1, 1)}),
              (std::vector<std::int32_t>{a1, a2}));
    // A folio picks one document of the series given, or of no series.
    EXPECT_EQ(listed({.serie = "B", .folio = 5}), (std::vector<std::int32_t>{b5}));
    EXPECT_EQ(listed({.folio = 5}), (std::vector<std::int32_t>{none5}));
    EXPECT_EQ(listed({.idCliente = 8, .serie = "B", .folio = 5}), std::vector<std::int32_t>{});
}

TEST_F(PaymentStoreTest, AmountRulesNeverExceedTheBalance) {
    EXPECT_EQ(CPaymentStore::AmountOnLeave(300, 700), 300);
    EXPECT_EQ(CPaymentStore::AmountOnLeave(700, 700), 700);
    for (double bad : {800.0, 0.0, -5.0, std::numeric_limits<double>::quiet_NaN()})
        EXPECT_EQ(CPaymentStore::AmountOnLeave(bad, 700), 700) << bad;

    EXPECT_EQ(CPaymentStore::AmountToRegister(699.995, 700), 700.0);
    EXPECT_EQ(CPaymentStore::AmountToRegister(700.004, 700), 700.0);
    EXPECT_EQ(CPaymentStore::AmountToRegister(699.98, 700), 699.98);
    EXPECT_EQ(CPaymentStore::AmountToRegister(5000, 700), 700.0);
    EXPECT_FALSE(CPaymentStore::AmountToRegister(0, 700));
    EXPECT_FALSE(CPaymentStore::AmountToRegister(-1, 700));
    EXPECT_FALSE(CPaymentStore::AmountToRegister(std::numeric_limits<double>::quiet_NaN(), 700));
    EXPECT_FALSE(CPaymentStore::AmountToRegister(10, 0));
    EXPECT_FALSE(CPaymentStore::AmountToRegister(10, -3));
}

TEST_F(PaymentStoreTest, SecondPaymentAfterTheFirstOnSavingSettlesTheDocument) {
    // Saved with 300.00 of 1,000.00 paid at once, through the save itself.
    DocumentHeader h;
    h.nombre = "O'Higgins y Cía.";
    h.serie = "A";
    h.folio = 123;
    h.idCliente = 42;
    h.fecha = h.vence = OleDate::fromDate(2004, 4, 15);
    std::vector<CPartida> lines(1);
    lines[0].Descripcion = "Servicio";
    lines[0].Precio = 1000;
    lines[0].Cantidad = 1;
    lines[0].Recalculate();
    DocumentTotals totals;
    totals.Add(lines[0]);
    const auto id = CDocumentStore(*db).Save(h, lines, totals, {true, 300, "Anticipo"}, std::nullopt);
    ASSERT_EQ(listed({}), std::vector<std::int32_t>{id});
    EXPECT_EQ(store.NextPaymentNumber(id), 2);

    const auto r = store.Receive(id, payment(699.995, "Transferencia 8812"));
    ASSERT_EQ(r.outcome, Outcome::Registered);
    EXPECT_EQ(r.numPago, 2);
    EXPECT_EQ(r.importe, 700.0);
    EXPECT_TRUE(r.pagado);
    EXPECT_EQ(yaPagado(id), 1000.0);
    EXPECT_TRUE(pagado(id));
    EXPECT_EQ(sumOfPayments(id), 1000.0);
    EXPECT_TRUE(listed({}).empty());

    Statement st = db->prepare("SELECT Fecha, Importe, Observaciones, Referencia, Id_Cliente FROM Cobros "
                               "WHERE Id_Documento = ? AND NumPago = 2");
    st.bind(1, std::int64_t{id});
    ASSERT_TRUE(st.step());
    EXPECT_EQ(st.real(0), OleDate::fromDate(2005, 1, 10, 12, 0).value);
    EXPECT_EQ(st.real(1), 700.0);
    EXPECT_EQ(st.text(2), "Pago en efectivo");
    EXPECT_EQ(st.text(3), "Transferencia 8812");
    EXPECT_EQ(st.integer(4), 42);
    EXPECT_FALSE(st.step());

    // Paid now: a further payment is refused and writes nothing.
    EXPECT_EQ(store.Receive(id, payment(1)).outcome, Outcome::NotOpen);
    EXPECT_EQ(count("SELECT count(*) FROM Cobros WHERE Id_Documento = ?", id), 2);
}

TEST_F(PaymentStoreTest, PartPaymentsNumberOnAndKeepTheSumInvariant) {
    const auto id = add({.serie = "C", .total = 161.71});
    const auto other = add({.serie = "C", .folio = 2});
    // Payments of another document do not count.
    ASSERT_EQ(store.Receive(other, payment(10)).numPago, 1);
    ASSERT_EQ(store.Receive(other, payment(10)).numPago, 2);

    auto r = store.Receive(id, payment(33.33));
    EXPECT_EQ(r.numPago, 1);
    EXPECT_FALSE(r.pagado);
    // More than the rest is cut to the rest, and the document is paid although 33.33 plus the
    // rest (161.71 - 33.33) falls short of 161.71 in binary arithmetic.
    r = store.Receive(id, payment(200));
    EXPECT_EQ(r.numPago, 2);
    EXPECT_EQ(r.importe, 161.71 - 33.33);
    EXPECT_TRUE(r.pagado);
    EXPECT_TRUE(pagado(id));
    EXPECT_EQ(yaPagado(id), 161.71);
    EXPECT_NEAR(sumOfPayments(id), 161.71, 1e-9);

    // Numbers continue after the highest, whatever gaps earlier deletions left.
    db->execute("INSERT INTO Cobros (Id_Documento, NumPago, Importe) VALUES (?, 7, 0)", {std::int64_t{other}});
    EXPECT_EQ(store.NextPaymentNumber(other), 8);
    EXPECT_EQ(store.Receive(other, payment(1, std::string(30, 'x') + "ñáéíóú")).numPago, 8);
    // The reference is cut to 35 characters, not bytes.
    Statement st = db->prepare("SELECT Referencia FROM Cobros WHERE Id_Documento = ? AND NumPago = 8");
    st.bind(1, std::int64_t{other});
    ASSERT_TRUE(st.step());
    EXPECT_EQ(st.text(0), std::string(30, 'x') + "ñáéíó");
    EXPECT_EQ(yaPagado(other), 21.0);
    EXPECT_FALSE(pagado(other));
}

TEST_F(PaymentStoreTest, RefusalsAndFailuresWriteNothing) {
    const auto id = add({.serie = "D"});
    const auto cancelled = add({.serie = "D", .folio = 2, .cancelada = true});

    EXPECT_EQ(store.Receive(9999, payment(10)).outcome, Outcome::NotFound);
    EXPECT_EQ(store.Receive(cancelled, payment(10)).outcome, Outcome::NotOpen);
    EXPECT_EQ(store.Receive(id, payment(0)).outcome, Outcome::NothingToPay);
    EXPECT_EQ(store.Receive(id, payment(-50)).outcome, Outcome::NothingToPay);
    // Open but with nothing owed (an imported row breaking the invariant): nothing to register.
    const auto owedNothing = add({.serie = "D", .folio = 3, .total = 100, .yaPagado = 100});
    EXPECT_EQ(store.Receive(owedNothing, payment(10)).outcome, Outcome::NothingToPay);

    // The document's update fails after the payment row went in: both are rolled back.
    db->execute("CREATE TRIGGER falla BEFORE UPDATE OF YaPagado ON Documentos "
                "BEGIN SELECT RAISE(ABORT, 'disco lleno'); END");
    EXPECT_THROW(store.Receive(id, payment(250)), DbError);
    db->execute("DROP TRIGGER falla");

    EXPECT_EQ(count("SELECT count(*) FROM Cobros WHERE Id_Documento >= ?", 0), 0);
    EXPECT_EQ(yaPagado(id), 0.0);
    EXPECT_FALSE(pagado(id));

    // The store works on afterwards: the failed attempt left no transaction open.
    const auto r = store.Receive(id, payment(250));
    EXPECT_EQ(r.outcome, Outcome::Registered);
    EXPECT_EQ(r.numPago, 1);
    EXPECT_EQ(yaPagado(id), 250.0);
}

} // namespace
