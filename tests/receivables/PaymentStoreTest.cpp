#include "db/Database.h"
#include "db/DbError.h"
#include "db/DbErrorText.h"
#include "db/Statement.h"
#include "invoice/DocumentStore.h"
#include "receivables/PaymentStore.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>

#include <limits>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using Outcome = CPaymentStore::Outcome;
using Ids = std::vector<std::int32_t>;

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
    TestDatabase testDb;
    std::unique_ptr<Database> db = testDb.create();
    CPaymentStore store{*db};

    std::int32_t add(const Doc& d) {
        db->execute("INSERT INTO Documentos (Id_Cliente, Serie, Folio, Vence, Total, YaPagado, Pagado, Cancelada) "
                    "VALUES (?, ?, ?, ?, ?, ?, ?, ?)",
                    {std::int64_t{d.idCliente}, d.serie, std::int64_t{d.folio}, d.vence.value, d.total, d.yaPagado,
                     std::int64_t{d.pagado}, std::int64_t{d.cancelada}});
        return static_cast<std::int32_t>(db->lastInsertId());
    }
    Ids listed(const ReceivablesFilter& f) {
        const SqlCondition c = CPaymentStore::ReceivablesCondition(f);
        Statement st = db->prepare("SELECT Id_Documento FROM Documentos WHERE " + c.sql + " ORDER BY " +
                                   CPaymentStore::kSort);
        st.bindAll(c.params);
        Ids ids;
        while (st.step())
            ids.push_back(static_cast<std::int32_t>(st.integer(0)));
        return ids;
    }
    double number(const std::string& sql, std::int32_t id) {
        Statement st = db->prepare(sql);
        st.bind(1, std::int64_t{id});
        st.step();
        return st.real(0);
    }
    double yaPagado(std::int32_t id) { return number("SELECT YaPagado FROM Documentos WHERE Id_Documento = ?", id); }
    double payments(std::int32_t id) { return number("SELECT count(*) FROM Cobros WHERE Id_Documento = ?", id); }
    static Payment payment(double amount, const std::string& referencia = {}) {
        return {OleDate::fromDate(2005, 1, 10, 12, 0), amount, referencia, "Efectivo"};
    }
};

TEST_F(PaymentStoreTest, ListShowsOpenDocumentsNarrowedByEachFilter) {
    const auto a1 = add({.serie = "A", .folio = 1, .vence = OleDate::fromDate(2004, 12, 31, 18, 0), .idCliente = 7});
    const auto a2 = add({.serie = "A", .folio = 2, .vence = OleDate::fromDate(2005, 1, 1), .idCliente = 8});
    const auto none5 = add({.serie = "", .folio = 5, .idCliente = 7});
    const auto b5 = add({.serie = "B", .folio = 5, .vence = OleDate::fromDate(2005, 6, 1), .idCliente = 7});
    add({.serie = "A", .folio = 3, .yaPagado = 1000, .pagado = true});
    add({.serie = "A", .folio = 4, .cancelada = true});
    const auto quote = add({.serie = "O'", .folio = 9});

    EXPECT_EQ(listed({}), (Ids{none5, a1, a2, b5, quote}));
    EXPECT_EQ(listed({.idCliente = 7}), (Ids{none5, a1, b5}));
    EXPECT_EQ(listed({.serie = "O'"}), Ids{quote});  // bound, not pasted into the SQL
    // Due on that day, at any hour, or before.
    EXPECT_EQ(listed({.porVencimiento = true, .vencidasAl = OleDate::fromDate(2004, 12, 31, 9, 15)}),
              (Ids{none5, a1, quote}));
    // A folio picks one document of the series given, or of no series.
    EXPECT_EQ(listed({.serie = "B", .folio = 5}), Ids{b5});
    EXPECT_EQ(listed({.folio = 5}), Ids{none5});
}

TEST_F(PaymentStoreTest, AmountRulesNeverExceedTheBalance) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(CPaymentStore::AmountToRegister(699.995, 700), 700.0);
    EXPECT_EQ(CPaymentStore::AmountToRegister(699.98, 700), 699.98);
    EXPECT_EQ(CPaymentStore::AmountToRegister(5000, 700), 700.0);
    for (double bad : {0.0, -1.0, nan})
        EXPECT_FALSE(CPaymentStore::AmountToRegister(bad, 700)) << bad;
    EXPECT_FALSE(CPaymentStore::AmountToRegister(10, 0));
}

TEST_F(PaymentStoreTest, SecondPaymentAfterTheFirstOnSavingSettlesTheDocument) {
    DocumentHeader h;
    h.serie = "A";
    h.folio = 123;
    h.idCliente = 42;
    std::vector<CPartida> lines(1);
    lines[0].Precio = 1000;
    lines[0].Cantidad = 1;
    lines[0].Recalculate();
    DocumentTotals totals;
    totals.Add(lines[0]);
    const auto id = CDocumentStore(*db).Save(h, lines, totals, {true, 300, "Anticipo"}, std::nullopt).id;

    const auto r = store.Receive(id, payment(699.995, "Transferencia 8812"));
    ASSERT_EQ(r.outcome, Outcome::Registered);
    EXPECT_EQ(r.numPago, 2);
    EXPECT_EQ(r.importe, 700.0);
    EXPECT_EQ(yaPagado(id), 1000.0);
    EXPECT_EQ(number("SELECT Pagado FROM Documentos WHERE Id_Documento = ?", id), 1);
    EXPECT_TRUE(listed({}).empty());
    Statement st = db->prepare("SELECT Importe, Referencia, Id_Cliente FROM Cobros WHERE NumPago = 2");
    ASSERT_TRUE(st.step());
    EXPECT_EQ(st.real(0), 700.0);
    EXPECT_EQ(st.text(1), "Transferencia 8812");
    EXPECT_EQ(st.integer(2), 42);

    // Paid now: a further payment is refused and writes nothing.
    EXPECT_EQ(store.Receive(id, payment(1)).outcome, Outcome::NotOpen);
    EXPECT_EQ(payments(id), 2);
}

TEST_F(PaymentStoreTest, PaymentsNumberOnAndTheRestSettlesExactly) {
    const auto id = add({.total = 161.71});
    const auto other = add({.folio = 2});
    db->execute("INSERT INTO Cobros (Id_Documento, NumPago, Importe) VALUES (?, 7, 0)", {std::int64_t{other}});

    EXPECT_EQ(store.Receive(id, payment(33.33)).numPago, 1);
    // The rest, cut from 200: paid, although 33.33 + (161.71 - 33.33) < 161.71 in binary.
    const auto r = store.Receive(id, payment(200));
    EXPECT_EQ(r.numPago, 2);
    EXPECT_EQ(r.importe, 161.71 - 33.33);
    EXPECT_TRUE(r.pagado);
    EXPECT_EQ(yaPagado(id), 161.71);

    // After the highest number, whatever gaps; the reference cut to 35 characters, not bytes.
    EXPECT_EQ(store.Receive(other, payment(1, std::string(30, 'x') + "ñáéíóú")).numPago, 8);
    Statement st = db->prepare("SELECT Referencia FROM Cobros WHERE NumPago = 8");
    ASSERT_TRUE(st.step());
    EXPECT_EQ(st.text(0), std::string(30, 'x') + "ñáéíó");
}

TEST_F(PaymentStoreTest, RefusalsAndFailuresWriteNothing) {
    const auto id = add({});
    EXPECT_EQ(store.Receive(9999, payment(10)).outcome, Outcome::NotFound);
    EXPECT_EQ(store.Receive(add({.folio = 2, .cancelada = true}), payment(10)).outcome, Outcome::NotOpen);
    EXPECT_EQ(store.Receive(id, payment(-50)).outcome, Outcome::NothingToPay);
    // Open but owing nothing (an imported row that breaks the rule of the paid flag).
    EXPECT_EQ(store.Receive(add({.folio = 3, .yaPagado = 1000}), payment(10)).outcome, Outcome::NothingToPay);

    // The document's update fails after the payment row went in: both are rolled back.
    TestDatabase::injectFailure(*db, "Documentos", "UPDATE OF YaPagado");
    EXPECT_THROW(store.Receive(id, payment(250)), DbError);
    EXPECT_EQ(number("SELECT count(*) FROM Cobros WHERE Id_Documento >= ?", 0), 0);
    EXPECT_EQ(yaPagado(id), 0.0);
    TestDatabase::clearFailure(*db, "Documentos");
    EXPECT_EQ(store.Receive(id, payment(250)).numPago, 1);  // no transaction was left open
}

TEST_F(PaymentStoreTest, ABalanceChangedElsewhereSinceItWasShownRegistersNothing) {
    const auto id = add({.total = 700});
    // Shown 700; another station takes 300 meanwhile; the 700 typed is not cut silently to 400.
    EXPECT_EQ(store.Receive(id, payment(300), 700.0).outcome, Outcome::Registered);
    const auto r = store.Receive(id, payment(700), 700.0);
    EXPECT_EQ(r.outcome, Outcome::BalanceChanged);
    EXPECT_EQ(r.balance, 400.0);
    EXPECT_EQ(yaPagado(id), 300.0);
    EXPECT_EQ(number("SELECT count(*) FROM Cobros WHERE Id_Documento = ?", id), 1);
    // Shown the balance as it stands (to the cent): registered.
    EXPECT_EQ(store.Receive(id, payment(400), 399.999).outcome, Outcome::Registered);
    EXPECT_EQ(yaPagado(id), 700.0);
}

TEST(PaymentNumbers, TwoProcessesPayingOneDocumentNeverRepeatANumber) {
    TestDatabase testDb;
    const std::string path = testDb.location();
    std::int64_t id = 0;
    {
        auto db = Database::create(path);
        db->execute("INSERT INTO Documentos (Serie, Folio, Total) VALUES ('A', 1, 1000)");
        id = db->lastInsertId();
    }
    auto payMany = [&](const char* referencia) {
        auto db = Database::open(path);
        CPaymentStore store(*db);
        Payment p;
        p.importe = 1;
        p.referencia = referencia;
        for (int i = 0; i < 25; ++i)
            if (store.Receive(static_cast<std::int32_t>(id), p).outcome != CPaymentStore::Outcome::Registered)
                return false;
        return true;
    };
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        bool ok = false;
        try {
            ok = payMany("caja 2");
        } catch (...) {
        }
        ::_exit(ok ? 0 : 1);
    }
    const bool mine = payMany("caja 1");
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(mine);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);

    auto db = Database::open(path);
    Statement st = db->prepare("SELECT count(*), count(DISTINCT NumPago), min(NumPago), max(NumPago), "
                               "(SELECT YaPagado FROM Documentos) FROM Cobros");
    ASSERT_TRUE(st.step());
    EXPECT_EQ(st.integer(0), 50);
    EXPECT_EQ(st.integer(1), 50);
    EXPECT_EQ(st.integer(2), 1);
    EXPECT_EQ(st.integer(3), 50);
    EXPECT_DOUBLE_EQ(st.real(4), 50);
}

// The connection lost between the payment's row and the document's balance: neither is stored,
// the operator hears of the server, and the payment registers once the server answers.
TEST_F(PaymentStoreTest, APaymentCutOffByALostConnectionStoresNothing) {
    if (!TestDatabase::onServer())
        GTEST_SKIP() << "a file has no connection to lose";
    const auto id = add({.serie = "A", .folio = 1});
    auto watcher = testDb.open();
    TestDatabase::injectLostConnection(*watcher, "Documentos", "UPDATE");
    try {
        store.Receive(id, payment(400));
        FAIL() << "the payment reported success";
    } catch (const DbError& e) {
        EXPECT_EQ(e.code(), DbError::kServer);
        EXPECT_EQ(DbErrorText(e).rfind("No se pudo comunicar con el servidor de la base de datos", 0), 0u) << DbErrorText(e);
    }
    TestDatabase::clearLostConnection(*watcher, "Documentos");
    Statement stored = watcher->prepare("SELECT (SELECT count(*) FROM Cobros), YaPagado FROM Documentos");
    ASSERT_TRUE(stored.step());
    EXPECT_EQ(stored.integer(0), 0);
    EXPECT_EQ(stored.real(1), 0.0);

    const auto result = store.Receive(id, payment(400));
    EXPECT_EQ(result.outcome, Outcome::Registered);
    EXPECT_EQ(result.numPago, 1);
    EXPECT_EQ(payments(id), 1);
    EXPECT_EQ(yaPagado(id), 400);
}

} // namespace
