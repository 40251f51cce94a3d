#include "db/Database.h"
#include "db/OleDate.h"
#include "db/Statement.h"
#include "invoice/MoneyFormat.h"
#include "reports/CustomerStatement.h"
#include "reports/ReceivablesReport.h"
#include "reports/RepData.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

class AccountReports : public ::testing::Test {
protected:
    void SetUp() override {
        saved = MoneyFormat::current();
        MoneyFormat::setCurrent(MoneyFormat::mexican());
        db = testDb.create();
        db->execute("INSERT INTO Clientes (Id_Cliente, Nombre) VALUES (1, 'Zapata'), (2, 'álvarez'), (3, 'Beto')");
    }
    void TearDown() override { MoneyFormat::setCurrent(saved); }

    // The statement's scratch table as this connection sees it, made if it is not there yet.
    static std::string stagingOf(Database& on) {
        const Dialect::Staging staging = on.dialect().staging("AuxEdo");
        if (!staging.createSql.empty())
            on.execute(staging.createSql);
        return staging.table;
    }

    std::int64_t doc(long cliente, long folio, OleDate fecha, OleDate vence, double total, double pagado = 0,
                     bool cancelada = false) {
        db->execute("INSERT INTO Documentos (Id_Cliente, Nombre, Fecha, Vence, Serie, Folio, Total, YaPagado, Pagado, "
                    "Cancelada) VALUES (?, 'N', ?, ?, 'A', ?, ?, ?, ?, ?)",
                    {std::int64_t{cliente}, fecha.value, vence.value, std::int64_t{folio}, total, pagado,
                     std::int64_t{pagado >= total ? 1 : 0}, std::int64_t{cancelada ? 1 : 0}});
        return db->lastInsertId();
    }
    void pay(std::int64_t docId, long cliente, OleDate fecha, double importe, const char* ref = "R") {
        db->execute("INSERT INTO Cobros (Id_Documento, NumPago, Fecha, Importe, Referencia, Id_Cliente) "
                    "VALUES (?, 1, ?, ?, ?, ?)",
                    {docId, fecha.value, importe, std::string(ref), std::int64_t{cliente}});
    }

    TestDatabase testDb;
    std::unique_ptr<Database> db;
    MoneyFormat saved;
};

OleDate at(int d, int h = 0, int m = 0) { return OleDate::fromDate(2024, 3, d, h, m); }

TEST_F(AccountReports, ReceivablesOwedDaysAndOverdueCut) {
    const OleDate now = at(20, 10, 0);
    doc(1, 1, at(1), at(10, 12), 100, 40);        // partly paid, 9 whole days late
    doc(1, 2, at(1), at(19, 18), 50);              // due 16 hours ago: listed as overdue, "Por vencer"
    doc(2, 3, at(1), at(20, 9), 70);               // due today at 9: not before today's start
    doc(2, 4, at(1), at(1), 30, 30);               // paid
    doc(2, 5, at(1), at(1), 99, 0, true);          // cancelled

    CRepData d;
    std::string message;
    CxcFilter f;
    ASSERT_TRUE(BuildReceivablesReport(*db, f, now, d, message));
    ASSERT_EQ(d.GetRowCount(), 3 + 2);
    EXPECT_EQ(d.GetCell(0, 0), "A000001");
    EXPECT_EQ(d.GetCell(0, 4), "9");
    EXPECT_EQ(d.GetCell(0, 5), "$100.00");
    EXPECT_EQ(d.GetCell(0, 6), "$60.00");
    EXPECT_EQ(d.GetCell(1, 4), "Por vencer");
    EXPECT_EQ(d.GetCell(2, 4), "Por vencer");
    EXPECT_EQ(d.GetCell(4, 5), "$220.00");
    EXPECT_EQ(d.GetCell(4, 6), "$180.00");

    f.vencidas = true;
    ASSERT_TRUE(BuildReceivablesReport(*db, f, now, d, message));
    ASSERT_EQ(d.GetRowCount(), 2 + 2);
    EXPECT_EQ(d.GetCell(1, 0), "A000002");

    f.vencidas = false;
    f.clienteId = 2;
    f.clienteNombre = "álvarez";
    ASSERT_TRUE(BuildReceivablesReport(*db, f, now, d, message));
    EXPECT_EQ(d.GetCell(0, 0), "A000003");
    EXPECT_EQ(d.TitleLines().back(), "Cliente: álvarez");
    // A folio with no series wants a null series: these are all "A".
    f.folio = 1;
    EXPECT_FALSE(BuildReceivablesReport(*db, f, now, d, message));
    EXPECT_EQ(message, "- No hay elementos que mostrar -");
    f.serie = "A"; // the folio drops the customer filter
    ASSERT_TRUE(BuildReceivablesReport(*db, f, now, d, message));
    EXPECT_EQ(d.GetCell(0, 0), "A000001");
}

TEST_F(AccountReports, StatementSummaryBalances) {
    const std::int64_t before = doc(1, 1, at(1), at(1), 500);
    pay(before, 1, at(2), 200);
    doc(1, 2, at(10, 23, 30), at(10), 100);                 // on the last day, late at night
    const std::int64_t cancelled = doc(1, 3, at(5), at(5), 999, 0, true);
    pay(cancelled, 1, at(6), 50);                           // still a credit in the summary
    doc(1, 4, at(11, 0, 30), at(11), 1000);                 // after the period

    StatementFilter f;
    f.desde = at(5, 15, 0);
    f.hasta = at(10, 8, 0);
    CRepData d;
    std::string message;
    ASSERT_TRUE(BuildCustomerStatement(*db, f, at(20), d, message));
    ASSERT_EQ(d.GetRowCount(), 3 + 2);
    // Every customer in name order, with or without movements.
    EXPECT_EQ(d.GetCell(0, 0), "álvarez");
    EXPECT_EQ(d.GetCell(1, 0), "Beto");
    EXPECT_EQ(d.GetCell(2, 0), "Zapata");
    EXPECT_EQ(d.GetCell(0, 4), "$0.00");
    EXPECT_EQ(d.GetCell(2, 1), "$300.00");
    EXPECT_EQ(d.GetCell(2, 2), "$100.00");
    EXPECT_EQ(d.GetCell(2, 3), "$50.00");
    EXPECT_EQ(d.GetCell(2, 4), "$350.00");
    EXPECT_EQ(d.GetCell(4, 4), "$350.00");
    EXPECT_EQ(d.TitleLines()[1], "Periodo: del 05/Mar/2024 al 10/Mar/2024");
    EXPECT_EQ(d.TitleLines().back(), "(Resumido)");
}

TEST_F(AccountReports, StatementDetailRunsTheBalancePerCustomer) {
    const std::int64_t before = doc(1, 1, at(1), at(1), 500);
    pay(before, 1, at(2), 200);
    const std::int64_t inPeriod = doc(1, 2, at(5, 9), at(6), 100);
    pay(inPeriod, 1, at(7), 30, "TRANSF 1");
    const std::int64_t cancelled = doc(1, 3, at(5), at(5), 999, 0, true);
    pay(cancelled, 1, at(4), 50);           // before the period: in the initial balance
    db->execute("INSERT INTO " + stagingOf(*db) + " (Cliente, Concepto) VALUES ('viejo', 'de otra corrida')");

    StatementFilter f;
    f.desde = at(5, 15, 0);
    f.hasta = at(10);
    f.detallado = true;
    CRepData d;
    std::string message;
    ASSERT_TRUE(BuildCustomerStatement(*db, f, at(20), d, message));
    // 3 customers: 3 "Saldo Inicial" rows plus 2 movements, and 3 rows each for name, balance, blank.
    ASSERT_EQ(d.GetRowCount(), 5 + 9);
    EXPECT_EQ(d.GetCell(0, 0), "álvarez");
    EXPECT_EQ(d.GetCell(1, 2), "Saldo Inicial");
    EXPECT_EQ(d.GetCell(1, 4), "");          // a zero balance is not printed
    EXPECT_EQ(d.GetCell(2, 6), "$0.00");
    EXPECT_EQ(d.GetCell(4, 0), "Beto");
    EXPECT_EQ(d.GetCell(8, 0), "Zapata");
    // Zapata: the movement on the first day at 9 comes before the 15:00 "Saldo Inicial" row.
    EXPECT_EQ(d.GetCell(9, 2), "Doc. A000002");
    EXPECT_EQ(d.GetCell(9, 4), "$100.00");
    EXPECT_EQ(d.GetCell(10, 2), "Saldo Inicial");
    EXPECT_EQ(d.GetCell(10, 4), "$250.00");  // 500 − 200 − 50 paid on the cancelled document
    EXPECT_EQ(d.GetCell(11, 2), "Pago doc. A000002");
    EXPECT_EQ(d.GetCell(11, 3), "TRANSF 1");
    EXPECT_EQ(d.GetCell(11, 5), "$30.00");
    EXPECT_EQ(d.GetCell(12, 6), "$320.00");
    EXPECT_EQ(d.TitleLines().back(), "(Detallado)");

    // The scratch rows are this run's only.
    Statement st = db->prepare("SELECT Count(*) FROM " + stagingOf(*db) + " WHERE Cliente='viejo'");
    ASSERT_TRUE(st.step());
    EXPECT_EQ(st.integer(0), 0);

    f.clienteId = 99;
    EXPECT_FALSE(BuildCustomerStatement(*db, f, at(20), d, message));
    EXPECT_EQ(message, "- No hay elementos que mostrar -");
}

TEST_F(AccountReports, StatementDetailKeepsNamesakesApart) {
    // Three customers of one name: each has its own block, ordered by id after the name, with its
    // own "Saldo Inicial" and final balance.
    db->execute("INSERT INTO Clientes (Id_Cliente, Nombre) VALUES (7, 'Beto'), (5, 'Beto')");
    pay(doc(7, 10, at(1), at(1), 400), 7, at(6), 100);
    doc(5, 11, at(6), at(6), 60);
    doc(3, 12, at(7), at(7), 5);

    StatementFilter f;
    f.desde = at(5);
    f.hasta = at(10);
    f.detallado = true;
    CRepData d;
    std::string message;
    ASSERT_TRUE(BuildCustomerStatement(*db, f, at(20), d, message));
    // 5 customers: 5 "Saldo Inicial" rows, 3 movements, 3 rows each for name, balance, blank.
    ASSERT_EQ(d.GetRowCount(), 8 + 15);
    EXPECT_EQ(d.GetCell(4, 0), "Beto");       // id 3
    EXPECT_EQ(d.GetCell(6, 2), "Doc. A000012");
    EXPECT_EQ(d.GetCell(7, 6), "$5.00");
    EXPECT_EQ(d.GetCell(9, 0), "Beto");       // id 5
    EXPECT_EQ(d.GetCell(10, 2), "Saldo Inicial");
    EXPECT_EQ(d.GetCell(11, 2), "Doc. A000011");
    EXPECT_EQ(d.GetCell(12, 6), "$60.00");
    EXPECT_EQ(d.GetCell(14, 0), "Beto");      // id 7
    EXPECT_EQ(d.GetCell(15, 2), "Saldo Inicial");
    EXPECT_EQ(d.GetCell(15, 4), "$400.00");
    EXPECT_EQ(d.GetCell(16, 2), "Pago doc. A000010");
    EXPECT_EQ(d.GetCell(17, 6), "$300.00");
    EXPECT_EQ(d.GetCell(19, 0), "Zapata");

    // The summary already kept them apart: the same balances, row by row.
    f.detallado = false;
    ASSERT_TRUE(BuildCustomerStatement(*db, f, at(20), d, message));
    EXPECT_EQ(d.GetCell(2, 4), "$60.00");
    EXPECT_EQ(d.GetCell(3, 4), "$300.00");
}

// "Cancelar" part-way through a report leaves no half report and, for the statement, the scratch
// table as the last finished run left it.
TEST_F(AccountReports, CancelledReportsLeaveNothingBehind) {
    for (long folio = 1; folio <= 3; ++folio)
        doc(1 + folio % 3, folio, at(1), at(2), 10);
    StatementFilter f;
    f.desde = at(1);
    f.hasta = at(10);
    f.detallado = true;
    CRepData d;
    std::string message;
    ASSERT_TRUE(BuildCustomerStatement(*db, f, at(20), d, message));
    auto staged = [this] {
        Statement st = db->prepare("SELECT count(*), Sum(Cargos) FROM " + stagingOf(*db));
        st.step();
        return std::to_string(st.integer(0)) + "/" + std::to_string(st.real(1));
    };
    const std::string before = staged();
    EXPECT_EQ(before.substr(0, 2), "6/");  // three "Saldo Inicial" rows and three documents

    db->execute("UPDATE Documentos SET Total = 20");
    int calls = 0;
    const ReportProgress cancelSecond = [&calls](std::int64_t, std::int64_t) { return ++calls < 2; };
    message = "x";
    EXPECT_FALSE(BuildCustomerStatement(*db, f, at(20), d, message, cancelSecond));
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(message, "");
    EXPECT_EQ(d.GetRowCount(), 0);
    EXPECT_EQ(staged(), before);

    calls = 0;
    message = "x";
    const ReportProgress cancelFirst = [&calls](std::int64_t, std::int64_t) { return ++calls > 1; };
    EXPECT_FALSE(BuildReceivablesReport(*db, CxcFilter{}, at(20), d, message, cancelFirst));
    EXPECT_EQ(message, "");
    EXPECT_EQ(d.GetRowCount(), 0);
}

// Two stations print the statement at the same moment on one server: each stages in its own rows,
// neither waits for nor conflicts with the other, and each keeps exactly what it staged.
TEST_F(AccountReports, TwoStationsStageTheStatementAtOnce) {
    if (!TestDatabase::onServer())
        GTEST_SKIP() << "a file has one writer at a time";
    doc(1, 1, at(2), at(2), 100);
    doc(2, 2, at(3), at(3), 50);

    std::mutex mutex;
    std::condition_variable both;
    int staging = 0;
    // Called before each customer: from the second one on, the station has rows staged and
    // uncommitted; it waits there until the other station has too.
    auto meet = [&](std::int64_t i, std::int64_t) {
        if (i == 1) {
            std::unique_lock lock(mutex);
            ++staging;
            both.notify_all();
            both.wait_for(lock, std::chrono::seconds(10), [&] { return staging == 2; });
        }
        return true;
    };
    struct Station {
        std::unique_ptr<Database> db;
        StatementFilter filter;
        std::string error;
        bool built = false;
    };
    Station early{testDb.open(), {}, {}, false}, late{testDb.open(), {}, {}, false};
    early.filter.desde = at(1);
    early.filter.hasta = at(10);
    late.filter.desde = at(15);  // nothing in its period: only the three "Saldo Inicial" rows
    late.filter.hasta = at(19);
    for (Station* s : {&early, &late})
        s->filter.detallado = true;
    auto run = [&](Station& s) {
        try {
            CRepData d;
            std::string message;
            s.built = BuildCustomerStatement(*s.db, s.filter, at(20), d, message, meet);
        } catch (const std::exception& e) {
            s.error = e.what();
        }
    };
    std::thread first(run, std::ref(early)), second(run, std::ref(late));
    first.join();
    second.join();
    EXPECT_EQ(staging, 2);
    for (Station* s : {&early, &late}) {
        EXPECT_EQ(s->error, "");
        EXPECT_TRUE(s->built);
    }
    auto staged = [](Database& on) {
        Statement st = on.prepare("SELECT count(*), coalesce(Sum(Cargos), 0) FROM " + stagingOf(on));
        st.step();
        return std::to_string(st.integer(0)) + "/" + std::to_string(st.real(1));
    };
    EXPECT_EQ(staged(*early.db), "5/" + std::to_string(150.0));
    EXPECT_EQ(staged(*late.db), "3/" + std::to_string(150.0));  // the documents are in its initial balance
    // The shared table is left alone.
    Statement shared = db->prepare("SELECT count(*) FROM AuxEdo");
    ASSERT_TRUE(shared.step());
    EXPECT_EQ(shared.integer(0), 0);
}

} // namespace
