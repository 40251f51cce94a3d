// Saving a document of 99 lines (new customer, free keys, a payment) into a database that already
// holds a year of business.
#include "db/Database.h"
#include "invoice/DocumentStore.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <unistd.h>

namespace {

std::vector<CPartida> ninetyNineLines(int round) {
    std::vector<CPartida> lines(99);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        CPartida& l = lines[i];
        l.Clave = "B" + std::to_string(round) + "-" + std::to_string(i % 40); // free keys, some repeated
        l.Descripcion = "Artículo de prueba número " + std::to_string(i);
        l.Precio = 10.5 + static_cast<double>(i);
        l.Cantidad = 1 + static_cast<double>(i % 7);
        l.pI1 = 0.16;
        l.Id_Imp1 = 1;
        l.Recalculate();
    }
    return lines;
}

void BM_Save99Lines(benchmark::State& state) {
    const std::string path = (std::filesystem::temp_directory_path() /
                              ("bench-save-" + std::to_string(::getpid()) + ".mdb")).string();
    std::filesystem::remove(path);
    auto db = Database::create(path);
    CDocumentStore store(*db);
    // Some history first, so the indexes are not empty.
    for (int i = 0; i < 200; ++i) {
        DocumentHeader h;
        h.nombre = "Histórico";
        h.serie = "H";
        h.folio = i + 1;
        auto lines = ninetyNineLines(-1);
        DocumentTotals t;
        for (auto& l : lines)
            t.Add(l);
        store.Save(h, lines, t, {}, std::nullopt);
    }
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        DocumentHeader h;
        h.nombre = "Cliente nuevo " + std::to_string(round);
        h.serie = "A";
        h.folio = ++round;
        h.fecha = h.vence = OleDate::now();
        auto lines = ninetyNineLines(round);
        DocumentTotals t;
        for (auto& l : lines)
            t.Add(l);
        state.ResumeTiming();
        store.Save(h, lines, t, {true, t.Total / 2, "abono"}, store.FindStored(h.serie, h.folio));
    }
    db.reset();
    std::filesystem::remove(path);
    std::filesystem::remove(path + "-wal");
    std::filesystem::remove(path + "-shm");
}
BENCHMARK(BM_Save99Lines)->Unit(benchmark::kMillisecond)->Iterations(50)->Repetitions(5)->ReportAggregatesOnly(true);

} // namespace

BENCHMARK_MAIN();
