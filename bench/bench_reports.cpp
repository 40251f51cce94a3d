// The two largest reports on a generated database of 1,000,000 documents (10,000 customers), each
// beside the floor of the same reading in plain SQL measured in the same run:
//  - the detailed documents journal without a period: build time, peak memory above the
//    program's base, memory kept after the report is freed, and the size of its text export;
//  - the receivables report of every customer: build time and peak memory.
//  - the same journal written to a text file as it is built (the command line's export): time,
//    peak memory above the base, file size;
// Each report is built in a child process, so its peak is its own (BenchSetup::InChild).
//
// Another size with $QUINTALEVA_BENCH_DOCUMENTOS, another file with $QUINTALEVA_BENCH_DB; the
// file is generated once and kept under the build folder.

#include "BenchSetup.h"
#include "db/Database.h"
#include "db/OleDate.h"
#include "db/Statement.h"
#include "invoice/MoneyFormat.h"
#include "reports/DocumentsJournal.h"
#include "reports/ReceivablesReport.h"
#include "reports/RepData.h"
#include "toolkit/FreeMemory.h"

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

namespace {

Database* g_db = nullptr;
std::string g_file;
std::string g_scratch;  // where the text export is written and measured

using Build = std::function<bool(Database&, CRepData&, std::string&)>;

double secondsOf(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Builds a report in a child: {seconds, rows, base, peak above base, kept after freeing it, text
// export bytes, export seconds}.
std::vector<double> measureReport(const Build& build, const char* title) {
    return BenchSetup::InChild([&] {
        // A connection of its own: an SQLite connection must not cross a fork.
        std::unique_ptr<Database> db = Database::open(g_file);
        ReturnFreeMemory();
        BenchSetup::ResetPeak();
        const double base = static_cast<double>(BenchSetup::ResidentBytes());
        double rows = 0, peak = 0, textBytes = 0, exportSeconds = 0;
        double seconds = 0;
        {
            CRepData data;
            std::string message;
            seconds = secondsOf([&] { build(*db, data, message); });
            peak = static_cast<double>(BenchSetup::PeakResidentBytes()) - base;
            rows = data.GetRowCount();
            const std::string file = g_scratch + "/export-" + std::to_string(::getpid()) + ".txt";
            exportSeconds = secondsOf([&] { data.SaveToFile(file, title); });
            std::error_code ec;
            textBytes = static_cast<double>(std::filesystem::file_size(file, ec));
            std::filesystem::remove(file, ec);
        }
        ReturnFreeMemory();
        const double kept = static_cast<double>(BenchSetup::ResidentBytes()) - base;
        return std::vector<double>{seconds, rows, base, peak, kept, textBytes, exportSeconds};
    });
}

void report(benchmark::State& state, const Build& build, const char* title) {
    std::vector<double> f;
    for (auto _ : state) {
        f = measureReport(build, title);
        if (f.size() != 7) {
            state.SkipWithError("the child process failed");
            return;
        }
        state.SetIterationTime(f[0]);
    }
    using BenchSetup::Megabytes;
    state.counters["rows"] = f[1];
    state.counters["base_MB"] = Megabytes(f[2]);
    state.counters["peak_MB"] = Megabytes(f[3]);
    state.counters["kept_MB"] = Megabytes(f[4]);
    state.counters["text_MB"] = Megabytes(f[5]);
    state.counters["peak/text"] = f[5] > 0 ? f[3] / f[5] : 0;
    state.counters["export_s"] = f[6];
}

void BM_JournalDetailedAll(benchmark::State& state) {
    JournalFilter f;
    f.detallado = true;
    report(state, [&f](Database& db, CRepData& data, std::string& message) {
        return BuildDocumentsJournal(db, f, OleDate::now(), data, message);
    }, kJournalTitle);
}

// The detailed journal streamed to a text file: {seconds, rows, peak above base, file bytes}.
void BM_JournalDetailedStreamed(benchmark::State& state) {
    std::vector<double> f;
    for (auto _ : state) {
        f = BenchSetup::InChild([] {
            std::unique_ptr<Database> db = Database::open(g_file);
            ReturnFreeMemory();
            BenchSetup::ResetPeak();
            const double base = static_cast<double>(BenchSetup::ResidentBytes());
            const std::string file = g_scratch + "/flujo-" + std::to_string(::getpid()) + ".txt";
            JournalFilter filter;
            filter.detallado = true;
            double rows = 0;
            bool ok = false;
            const double seconds = secondsOf([&] {
                CRepData data;
                std::string message;
                ok = data.StreamTo(file, kJournalTitle, true) &&
                     BuildDocumentsJournal(*db, filter, OleDate::now(), data, message);
                rows = data.GetRowCount();
                ok = ok && data.FinishStream();
            });
            const double peak = static_cast<double>(BenchSetup::PeakResidentBytes()) - base;
            std::error_code ec;
            const double bytes = static_cast<double>(std::filesystem::file_size(file, ec));
            std::filesystem::remove(file, ec);
            return ok ? std::vector<double>{seconds, rows, peak, bytes} : std::vector<double>{};
        });
        if (f.size() != 4) {
            state.SkipWithError("the child process failed");
            return;
        }
        state.SetIterationTime(f[0]);
    }
    using BenchSetup::Megabytes;
    state.counters["rows"] = f[1];
    state.counters["peak_MB"] = Megabytes(f[2]);
    state.counters["text_MB"] = Megabytes(f[3]);
}

// The journal's rows as the engine gives them, every column read, nothing formatted or kept.
void BM_JournalDetailedAllFloor(benchmark::State& state) {
    for (auto _ : state) {
        Statement st = g_db->prepare(
            "SELECT Documentos.Serie, Documentos.Folio, Documentos.Fecha, Documentos.Nombre, Detalles.Clave, "
            "Detalles.Descripcion, Detalles.Cantidad, Detalles.Precio, Detalles.pDescuento, "
            "Detalles.Importe-Detalles.Descuento AS Expr1, Documentos.Id_Documento, Documentos.Subtotal, "
            "Documentos.Impuesto1+Documentos.Impuesto2 AS tImp, Documentos.Retencion1+Documentos.Retencion2 AS tRet, "
            "Documentos.Total FROM Documentos INNER JOIN Detalles ON Documentos.Id_Documento = Detalles.Id_Documento "
            "WHERE Documentos.Cancelada=0 "
            "ORDER BY Documentos.Serie,Documentos.Folio,Documentos.Id_Documento,Detalles.Renglon,Detalles.Id_Detalle");
        std::size_t bytes = 0;
        double sum = 0;
        while (st.step()) {
            bytes += st.text(0).size() + st.text(3).size() + st.text(4).size() + st.text(5).size();
            for (int c : {1, 2, 6, 7, 8, 9, 10, 11, 12, 13, 14})
                sum += st.real(c);
        }
        benchmark::DoNotOptimize(bytes);
        benchmark::DoNotOptimize(sum);
    }
}

void BM_ReceivablesAll(benchmark::State& state) {
    report(state, [](Database& db, CRepData& data, std::string& message) {
        return BuildReceivablesReport(db, CxcFilter{}, OleDate::now(), data, message);
    }, kReceivablesTitle);
}

void BM_ReceivablesAllFloor(benchmark::State& state) {
    for (auto _ : state) {
        Statement st = g_db->prepare("SELECT Documentos.Serie, Documentos.Folio, Documentos.Nombre, Documentos.Fecha, "
                                     "Documentos.Vence, Documentos.Total, Total-YaPagado AS Expr1 FROM Documentos "
                                     "WHERE Documentos.Cancelada=0 AND Documentos.Pagado=0 "
                                     "ORDER BY Documentos.Serie, Documentos.Folio");
        std::size_t bytes = 0;
        double sum = 0;
        while (st.step()) {
            bytes += st.text(0).size() + st.text(2).size();
            for (int c : {1, 3, 4, 5, 6})
                sum += st.real(c);
        }
        benchmark::DoNotOptimize(bytes);
        benchmark::DoNotOptimize(sum);
    }
}

} // namespace

BENCHMARK(BM_JournalDetailedAll)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1)->Repetitions(3)->ReportAggregatesOnly(true);
BENCHMARK(BM_JournalDetailedStreamed)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1)->Repetitions(3)->ReportAggregatesOnly(true);
BENCHMARK(BM_JournalDetailedAllFloor)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3)->ReportAggregatesOnly(true);
BENCHMARK(BM_ReceivablesAll)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_ReceivablesAllFloor)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5)->ReportAggregatesOnly(true);

int main(int argc, char** argv) {
    MoneyFormat::setCurrent(MoneyFormat::mexican());
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    const std::string file = BenchSetup::CachedDatabase(BenchSetup::DocumentsWanted(1000000));
    if (file.empty()) {
        std::fprintf(stderr, "No database to measure.\n");
        return 1;
    }
    std::unique_ptr<Database> db = BenchSetup::Open(file);
    g_db = db.get();
    g_file = file;
    g_scratch = std::filesystem::path(file).parent_path().string();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_db = nullptr;
    return 0;
}
