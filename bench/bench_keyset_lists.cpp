// The document search (F5) and the receivables list (F7) on generated files of 100,000 and
// 1,000,000 documents (10,000 customers): open + first paint of the dialog, beside the floor
// measured in the same run, the raw first-screen query (the rows the grid shows, in the list's order,
// read with a prepared statement), and beside the same dialog on an empty file. Also the list's own
// data share (pager open and first screen), the
// row count that follows the first paint (with the sampling of sort keys for far jumps), End (last
// screen) on the opened list, and a far jump beside a seek.
//
// The files are generated once (BenchSetup) and kept in bench-data/ of the build folder; the 1M one
// takes a few minutes. $QUINTALEVA_BENCH_SIZES limits the sizes ("100000" for the small one only, "0,100000").
// With $QUINTALEVA_BENCH_PG the lists are measured on copies of the files on that server, and the
// floor of each open is also the first-screen query run by `psql -X` (its own \timing) in the same
// run: counters `psql_ms` and `ratio` (open + first paint / psql).
// Run with QT_QPA_PLATFORM=offscreen.

#include "BenchSetup.h"

#include "db/Database.h"
#include "db/DatabaseLocation.h"
#include "db/KeysetPager.h"
#include "db/Statement.h"
#include "invoice/MoneyFormat.h"
#include "invoice/ui/BuscarDlg.h"
#include "receivables/PaymentStore.h"
#include "receivables/ui/CobrosDlg.h"
#include "toolkit/ui/TolGrid.h"

#include <QApplication>
#include <QImage>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

namespace {

namespace fs = std::filesystem;

std::map<long, std::unique_ptr<Database>> g_files;
std::map<int, int> g_screen;  // rows each list's grid shows

Database& file(const benchmark::State& state) { return *g_files.at(static_cast<long>(state.range(0))); }

enum class List { Search, Receivables };

std::unique_ptr<CDocumentListDlg> makeDialog(List list, Database& db) {
    if (list == List::Search)
        return std::make_unique<CBuscarDlg>(db);
    return std::make_unique<CCobrosDlg>(db);
}

std::string condition(List list) { return list == List::Search ? "" : CPaymentStore::kOpenDocuments; }

void paint(CTolGrid* grid, QImage& image) {
    grid->viewport()->render(&image);
    benchmark::DoNotOptimize(image.constBits());
}

KeysetSource source(List list);

// What the list sends the server at open, as psql sends it: the first page of rows, in the list's
// order (KeysetPager's read from the start).
std::string firstScreenSql(List list) {
    const KeysetSource s = source(list);
    std::string sql = "SELECT ";
    for (std::size_t i = 0; i < s.columns.size(); ++i)
        sql += (i ? ", \"" : "\"") + s.columns[i] + "\"";
    sql += " FROM \"" + s.table + "\"";
    if (!s.filter.empty())
        sql += " WHERE (" + s.filter + ")";
    sql += " ORDER BY ";
    for (const KeysetOrder& o : s.order)
        sql += "\"" + o.column + "\" ASC NULLS FIRST, ";
    sql += "\"" + s.keyColumn + "\" ASC NULLS FIRST LIMIT ? OFFSET ?";
    return BenchSetup::ServerSql(sql, {std::int64_t{KeysetPager::kPage}, std::int64_t{0}});
}

// On a server, the floor beside the program's `programMs` over the same iterations: the same
// number of runs of the first-screen query by psql, in one session of its own.
void psqlFloor(benchmark::State& state, List list, double programMs) {
    if (!BenchSetup::OnServer() || state.iterations() == 0)
        return;
    std::string script;
    for (benchmark::IterationCount i = 0; i < state.iterations(); ++i)
        script += firstScreenSql(list) + ";\n";
    const double floor = BenchSetup::PsqlMilliseconds(file(state).path(), script);
    if (floor <= 0) {
        state.SkipWithError("psql failed");
        return;
    }
    state.counters["psql_ms"] = floor / static_cast<double>(state.iterations());
    state.counters["ratio"] = programMs / floor;
}

void openAndPaint(benchmark::State& state, List list) {
    Database& db = file(state);
    int rows = 0;
    int visible = 0;
    double program = 0;
    for (auto _ : state) {
        const auto started = std::chrono::steady_clock::now();
        std::unique_ptr<CDocumentListDlg> dlg = makeDialog(list, db);
        QImage image(dlg->grid()->viewport()->size(), QImage::Format_ARGB32_Premultiplied);
        paint(dlg->grid(), image);
        program += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
        state.PauseTiming();
        visible = dlg->grid()->visibleRows();
        dlg->settleCount();
        rows = dlg->grid()->rowCount() - 1;
        dlg.reset();
        state.ResumeTiming();
    }
    state.counters["rows"] = rows;
    state.counters["screen"] = visible;
    psqlFloor(state, list, program);
}

// The least the first screen costs: the rows the grid shows, in the list's order, one prepared
// statement stepped through.
void floorFirstScreen(benchmark::State& state, List list) {
    Database& db = file(state);
    const std::string where = condition(list).empty() ? "" : " WHERE " + condition(list);
    for (auto _ : state) {
        Statement st = db.prepare("SELECT Id_Documento, Serie, Folio, Fecha, Vence, Nombre, Total, YaPagado, "
                                  "Cancelada FROM Documentos" + where +
                                  " ORDER BY Serie, Folio, Fecha, Id_Documento LIMIT " +
                                  std::to_string(g_screen[static_cast<int>(list)]));
        double check = 0;
        while (st.step())
            check += st.real(6);
        benchmark::DoNotOptimize(check);
    }
}

KeysetSource source(List list) {
    return {"Documentos", {"Id_Documento", "Serie", "Folio", "Fecha", "Vence", "Nombre", "Total", "YaPagado", "Cancelada"},
            condition(list), {}, {{"Serie"}, {"Folio"}, {"Fecha"}}, "Id_Documento"};
}

void pagerFirstScreen(benchmark::State& state, List list) {
    Database& db = file(state);
    double program = 0;
    for (auto _ : state) {
        const auto started = std::chrono::steady_clock::now();
        KeysetPager pager(db, source(list));
        for (long p = 0; p < g_screen[static_cast<int>(list)]; ++p)
            benchmark::DoNotOptimize(pager.row(p));
        program += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
    }
    psqlFloor(state, list, program);
}

void count(benchmark::State& state, List list) {
    Database& db = file(state);
    long n = 0;
    for (auto _ : state) {
        KeysetPager pager(db, source(list));
        n = pager.count();
    }
    state.counters["rows"] = static_cast<double>(n);
}

// End on an opened, counted list: the last screen read from the end and painted.
void end(benchmark::State& state, List list) {
    Database& db = file(state);
    std::unique_ptr<CDocumentListDlg> dlg = makeDialog(list, db);
    dlg->settleCount();
    QImage image(dlg->grid()->viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        state.PauseTiming();
        dlg->grid()->setCurrentCell(1, 1);
        paint(dlg->grid(), image);
        dlg->settleCount();  // a fresh list each round: Home, then End
        state.ResumeTiming();
        dlg->grid()->processKey(Qt::Key_End);
        paint(dlg->grid(), image);
    }
}

// A far jump on a counted list (the scroll bar dragged): rows at positions spread over the whole
// list, each away from the window of the one before; the floor is a seek, the page after a row.
void farJump(benchmark::State& state, List list) {
    Database& db = file(state);
    KeysetPager pager(db, source(list));
    const long n = pager.count();
    long step = 0;
    for (auto _ : state) {
        const long position = (n / 13) * (1 + step++ % 12) + step % 97;
        benchmark::DoNotOptimize(pager.row(position));
    }
    state.counters["rows"] = static_cast<double>(n);
}

void floorFarJump(benchmark::State& state, List list) {
    Database& db = file(state);
    KeysetPager pager(db, source(list));
    const KeysetRow from = *pager.row(pager.count() / 2);
    for (auto _ : state)
        benchmark::DoNotOptimize(pager.after(&from, KeysetPager::kPage));
}

void BM_SearchOpenFirstPaint(benchmark::State& s) { openAndPaint(s, List::Search); }
void BM_SearchFloorFirstScreen(benchmark::State& s) { floorFirstScreen(s, List::Search); }
void BM_SearchPagerFirstScreen(benchmark::State& s) { pagerFirstScreen(s, List::Search); }
void BM_SearchCountAfterPaint(benchmark::State& s) { count(s, List::Search); }
void BM_SearchEnd(benchmark::State& s) { end(s, List::Search); }
void BM_SearchFarJump(benchmark::State& s) { farJump(s, List::Search); }
void BM_SearchFloorFarJump(benchmark::State& s) { floorFarJump(s, List::Search); }
void BM_ReceivablesOpenFirstPaint(benchmark::State& s) { openAndPaint(s, List::Receivables); }
void BM_ReceivablesFloorFirstScreen(benchmark::State& s) { floorFirstScreen(s, List::Receivables); }
void BM_ReceivablesPagerFirstScreen(benchmark::State& s) { pagerFirstScreen(s, List::Receivables); }
void BM_ReceivablesCountAfterPaint(benchmark::State& s) { count(s, List::Receivables); }
void BM_ReceivablesEnd(benchmark::State& s) { end(s, List::Receivables); }

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    MoneyFormat::setCurrent(MoneyFormat::mexican());
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    std::vector<long> sizes = {0, 100000, 1000000};
    if (const char* only = std::getenv("QUINTALEVA_BENCH_SIZES")) {  // "100000", or "0,100000"
        sizes.clear();
        for (const char* p = only; *p;) {
            char* end = nullptr;
            sizes.push_back(std::strtol(p, &end, 10));
            p = *end == ',' ? end + 1 : end;
            if (end == p && *p)
                break;
        }
    }
    for (long size : sizes) {
        const std::string path = BenchSetup::CachedDatabase(static_cast<int>(size));
        if (path.empty()) {
            std::fprintf(stderr, "No database of %ld documents to measure.\n", size);
            return 1;
        }
        g_files[size] = Database::open(BenchSetup::Location(path));  // an older file gains the indexes here
        benchmark::AddCustomContext("database " + std::to_string(size),
                                    DatabaseLocation::withoutPassword(BenchSetup::Location(path)));
    }
    for (List list : {List::Search, List::Receivables}) {
        std::unique_ptr<CDocumentListDlg> probe = makeDialog(list, *g_files.begin()->second);
        QImage image(probe->grid()->viewport()->size(), QImage::Format_ARGB32_Premultiplied);
        paint(probe->grid(), image);  // the grid knows its visible rows once laid out
        g_screen[static_cast<int>(list)] = probe->grid()->visibleRows();
    }
    for (auto [name, fn] : std::initializer_list<std::pair<const char*, void (*)(benchmark::State&)>>{
             {"SearchOpenFirstPaint", BM_SearchOpenFirstPaint},
             {"SearchFloorFirstScreen", BM_SearchFloorFirstScreen},
             {"SearchPagerFirstScreen", BM_SearchPagerFirstScreen},
             {"SearchCountAfterPaint", BM_SearchCountAfterPaint},
             {"SearchEnd", BM_SearchEnd},
             {"SearchFarJump", BM_SearchFarJump},
             {"SearchFloorFarJump", BM_SearchFloorFarJump},
             {"ReceivablesOpenFirstPaint", BM_ReceivablesOpenFirstPaint},
             {"ReceivablesFloorFirstScreen", BM_ReceivablesFloorFirstScreen},
             {"ReceivablesPagerFirstScreen", BM_ReceivablesPagerFirstScreen},
             {"ReceivablesCountAfterPaint", BM_ReceivablesCountAfterPaint},
             {"ReceivablesEnd", BM_ReceivablesEnd}}) {
        auto* b = benchmark::RegisterBenchmark(name, fn);
        for (long size : sizes)
            b->Arg(size);
        b->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_files.clear();
    return 0;
}
