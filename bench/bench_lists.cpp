// The two big lists on a generated database of 100,000 documents and 10,000 customers: opening
// the document search and the customers catalogue (dialog, key set and first page), one paint of
// each list, and the searches that query them again.
//
// The database is generated once and kept under the build folder (see BenchSetup).
// Run with QT_QPA_PLATFORM=offscreen.

#include "BenchSetup.h"
#include "catalogs/ui/CatClientes.h"
#include "db/Database.h"
#include "invoice/MoneyFormat.h"
#include "invoice/ui/BuscarDlg.h"
#include "toolkit/ui/TolEdit.h"
#include "toolkit/ui/TolGrid.h"

#include <QApplication>
#include <QImage>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>

namespace {

Database* g_db = nullptr;

// One paint of the grid's rows into an image of its size.
void paintOnce(CTolGrid* grid, QImage& image) {
    grid->viewport()->render(&image);
    benchmark::DoNotOptimize(image.constBits());
}

// Paint with the list scrolled to a different place each time, so every paint reads rows the
// record set has not cached yet (its cache holds 32 pages of 100 rows).
void paintScattered(benchmark::State& state, CTolGrid* grid, int rows) {
    QImage image(grid->viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    paintOnce(grid, image);
    int row = 1;
    for (auto _ : state) {
        state.PauseTiming();
        row = (row + 3307) % rows + 1;  // a step larger than the cache spans
        grid->setCurrentCell(1, row);
        QCoreApplication::processEvents();
        state.ResumeTiming();
        paintOnce(grid, image);
    }
    state.counters["rows"] = rows;
}

void paintSame(benchmark::State& state, CTolGrid* grid, int rows) {
    QImage image(grid->viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    grid->setCurrentCell(1, rows / 2);
    paintOnce(grid, image);
    for (auto _ : state)
        paintOnce(grid, image);
    state.counters["rows"] = rows;
}

// ---- document search --------------------------------------------------------------------------

void BM_BuscarOpen(benchmark::State& state) {
    int rows = 0;
    for (auto _ : state) {
        CBuscarDlg dlg(*g_db);
        rows = dlg.resultCount();
        benchmark::DoNotOptimize(rows);
    }
    state.counters["rows"] = rows;
}

void BM_BuscarRequeryAll(benchmark::State& state) {
    CBuscarDlg dlg(*g_db);
    for (auto _ : state)
        dlg.buscar();
    state.counters["rows"] = dlg.resultCount();
}

void BM_BuscarPaintScattered(benchmark::State& state) {
    CBuscarDlg dlg(*g_db);
    dlg.show();
    QCoreApplication::processEvents();
    paintScattered(state, dlg.grid(), dlg.resultCount());
}

void BM_BuscarPaintSame(benchmark::State& state) {
    CBuscarDlg dlg(*g_db);
    dlg.show();
    QCoreApplication::processEvents();
    paintSame(state, dlg.grid(), dlg.resultCount());
}

// ---- customers catalogue ----------------------------------------------------------------------

void BM_ClientesOpen(benchmark::State& state) {
    int rows = 0;
    for (auto _ : state) {
        CCatClientes dlg(*g_db);
        rows = dlg.customerCount();
        benchmark::DoNotOptimize(rows);
    }
    state.counters["rows"] = rows;
}

void BM_ClientesSearchPerez(benchmark::State& state) {
    CCatClientes dlg(*g_db);
    bool flip = false;
    for (auto _ : state) {
        // Alternate two spellings so every round queries again.
        dlg.applySearch((flip = !flip) ? QStringLiteral("perez") : QStringLiteral("PÉREZ"));
    }
    state.counters["rows"] = dlg.customerCount();
}

void BM_ClientesPaintScattered(benchmark::State& state) {
    CCatClientes dlg(*g_db);
    dlg.show();
    QCoreApplication::processEvents();
    paintScattered(state, dlg.grid(), dlg.customerCount());
}

void BM_ClientesPaintSame(benchmark::State& state) {
    CCatClientes dlg(*g_db);
    dlg.show();
    QCoreApplication::processEvents();
    paintSame(state, dlg.grid(), dlg.customerCount());
}

} // namespace

BENCHMARK(BM_BuscarOpen)->Unit(benchmark::kMillisecond)->Repetitions(7)->ReportAggregatesOnly(true);
BENCHMARK(BM_BuscarRequeryAll)->Unit(benchmark::kMillisecond)->Repetitions(7)->ReportAggregatesOnly(true);
BENCHMARK(BM_BuscarPaintScattered)->Unit(benchmark::kMicrosecond)->Repetitions(7)->ReportAggregatesOnly(true);
BENCHMARK(BM_BuscarPaintSame)->Unit(benchmark::kMicrosecond)->Repetitions(7)->ReportAggregatesOnly(true);
BENCHMARK(BM_ClientesOpen)->Unit(benchmark::kMillisecond)->Repetitions(7)->ReportAggregatesOnly(true);
BENCHMARK(BM_ClientesSearchPerez)->Unit(benchmark::kMillisecond)->Repetitions(7)->ReportAggregatesOnly(true);
BENCHMARK(BM_ClientesPaintScattered)->Unit(benchmark::kMicrosecond)->Repetitions(7)->ReportAggregatesOnly(true);
BENCHMARK(BM_ClientesPaintSame)->Unit(benchmark::kMicrosecond)->Repetitions(7)->ReportAggregatesOnly(true);

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
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

    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_db = nullptr;
    return 0;
}
