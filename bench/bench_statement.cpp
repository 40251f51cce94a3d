// The customer statement on a generated database of 100,000 documents and 10,000 customers, each
// figure beside the floor of the same work in plain SQL measured in the same run:
//  - summary of every customer over the last year: the statement against its two grouped sums
//    (documents, payments) and the customer list;
//  - one customer's detailed statement over all time against the rows it lists.
//
// The database is generated once and kept under the build folder (see BenchSetup); another size
// with $QUINTALEVA_BENCH_DOCUMENTOS (1000000 for the one-customer figure at a million documents),
// another file with $QUINTALEVA_BENCH_DB.

#include "BenchSetup.h"
#include "db/Database.h"
#include "db/OleDate.h"
#include "db/Statement.h"
#include "db/ValueFunctions.h"
#include "invoice/MoneyFormat.h"
#include "reports/CustomerStatement.h"
#include "reports/RepData.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

Database* g_db = nullptr;
long g_customer = 0;  // the customer with the most documents

StatementFilter lastYear() {
    StatementFilter f;
    const double today = OleDate::today().value;
    f.desde = OleDate{today - 365};
    f.hasta = OleDate{today};
    return f;
}

void BM_StatementSummaryAll(benchmark::State& state) {
    const StatementFilter f = lastYear();
    int rows = 0;
    for (auto _ : state) {
        CRepData data;
        std::string message;
        BuildCustomerStatement(*g_db, f, OleDate::today(), data, message);
        rows = data.GetRowCount();
    }
    state.counters["rows"] = rows;
}

// The least the summary can cost: the customers in name order and the two grouped sums.
void BM_StatementSummaryAllFloor(benchmark::State& state) {
    const StatementFilter f = lastYear();
    const SqlCondition period = BetweenDates(f.desde, f.hasta);
    const double start = f.desde.dateOnly().value;
    for (auto _ : state) {
        double check = 0;
        Statement customers = g_db->prepare("SELECT Id_Cliente, Nombre FROM Clientes ORDER BY Nombre COLLATE ES, Id_Cliente");
        while (customers.step())
            check += static_cast<double>(customers.integer(0));
        for (const char* table : {"Documentos", "Cobros"}) {
            const std::string amount = table == std::string("Documentos") ? "Total" : "Importe";
            Statement st = g_db->prepare("SELECT Id_Cliente, Sum(CASE WHEN Fecha<? THEN " + amount +
                                         " END), Sum(CASE WHEN Fecha " + period.sql + " THEN " + amount + " END) FROM " +
                                         table + " NOT INDEXED" + (amount == "Total" ? " WHERE Cancelada=0" : "") + " GROUP BY Id_Cliente");
            st.bindAll({start, period.params[0], period.params[1]});
            while (st.step())
                check += st.real(1) + st.real(2);
        }
        benchmark::DoNotOptimize(check);
    }
}

StatementFilter oneCustomerAllTime() {
    StatementFilter f;
    f.clienteId = g_customer;
    f.desde = OleDate::fromDate(1990, 1, 1);
    f.hasta = OleDate::today();
    f.detallado = true;
    return f;
}

void BM_StatementOneCustomerDetailed(benchmark::State& state) {
    const StatementFilter f = oneCustomerAllTime();
    int rows = 0;
    for (auto _ : state) {
        CRepData data;
        std::string message;
        BuildCustomerStatement(*g_db, f, OleDate::today(), data, message);
        rows = data.GetRowCount();
    }
    state.counters["rows"] = rows;
}

// Reading the customer's documents and payments, without staging or formatting them.
void BM_StatementOneCustomerDetailedFloor(benchmark::State& state) {
    const StatementFilter f = oneCustomerAllTime();
    const SqlCondition period = BetweenDates(f.desde, f.hasta);
    for (auto _ : state) {
        double check = 0;
        Statement docs = g_db->prepare("SELECT Fecha, Serie, Folio, Total FROM Documentos WHERE Id_Cliente=? AND "
                                       "Cancelada=0 AND Fecha " + period.sql);
        docs.bindAll({std::int64_t{g_customer}, period.params[0], period.params[1]});
        while (docs.step())
            check += docs.real(3);
        Statement pays = g_db->prepare(
            "SELECT Cobros.Fecha, Documentos.Serie, Documentos.Folio, Cobros.Referencia, Cobros.Importe FROM "
            "Documentos INNER JOIN Cobros ON Documentos.Id_Documento = Cobros.Id_Documento WHERE "
            "Documentos.Cancelada=0 AND Documentos.Id_Cliente=? AND Cobros.Fecha " + period.sql);
        pays.bindAll({std::int64_t{g_customer}, period.params[0], period.params[1]});
        while (pays.step())
            check += pays.real(4);
        benchmark::DoNotOptimize(check);
    }
}

} // namespace

BENCHMARK(BM_StatementSummaryAll)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_StatementSummaryAllFloor)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_StatementOneCustomerDetailed)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_StatementOneCustomerDetailedFloor)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

int main(int argc, char** argv) {
    MoneyFormat::setCurrent(MoneyFormat::mexican());
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    const std::string file = BenchSetup::CachedDatabase(BenchSetup::DocumentsWanted(100000));
    if (file.empty()) {
        std::fprintf(stderr, "No database to measure.\n");
        return 1;
    }
    std::unique_ptr<Database> db = BenchSetup::Open(file);
    g_db = db.get();
    Statement busiest = db->prepare("SELECT Id_Cliente FROM Documentos GROUP BY Id_Cliente ORDER BY count(*) DESC LIMIT 1");
    if (busiest.step())
        g_customer = static_cast<long>(busiest.integer(0));
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_db = nullptr;
    return 0;
}
