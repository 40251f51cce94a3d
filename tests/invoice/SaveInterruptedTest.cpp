// A save killed at any moment leaves the previous state or the whole new document, never part of
// one: a child process saves documents over and over on one file until it is killed, and after
// each kill the file must still hold only complete documents.
#include "db/Database.h"
#include "db/Statement.h"
#include "invoice/DocumentStore.h"
#include "support/QueryCount.h"
#include "support/ScratchDir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

namespace {

[[noreturn]] void saveForever(const std::string& path, unsigned seed) {
    try {
        auto db = Database::open(path);
        CDocumentStore store(*db);
        std::mt19937 rng(seed);
        for (std::int32_t folio = 1;; ++folio) {
            DocumentHeader h;
            h.nombre = "Cliente " + std::to_string(folio);
            h.serie = "K";
            h.folio = folio % 7 + 1; // replacements too
            std::vector<CPartida> lines(1 + rng() % 30);
            DocumentTotals totals;
            for (CPartida& l : lines) {
                l.Clave = "K" + std::to_string(rng() % 50);
                l.Descripcion = "Artículo";
                l.Precio = 1 + rng() % 1000;
                l.Cantidad = 1 + rng() % 5;
                l.pI1 = 0.16;
                l.Recalculate();
                totals.Add(l);
            }
            store.Save(h, lines, totals, {rng() % 2 == 0, totals.Total * 0.5, "abono"}, store.FindStored(h.serie, h.folio));
        }
    } catch (...) {
        ::_exit(3);
    }
}

TEST(SaveInterrupted, KilledSavesLeaveOnlyWholeDocuments) {
    ScratchDir dir;
    const std::string path = dir.file("muerte.mdb");
    Database::create(path);
    std::mt19937 rng(7);
    int documentsSeen = 0;
    for (int round = 0; round < 25; ++round) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0)
            saveForever(path, static_cast<unsigned>(round));
        ::usleep(5000 + rng() % 60000);
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the saving child stopped by itself, status " << status;

        auto db = Database::open(path);
        auto count = [&](const char* sql) { return QueryCount(*db, sql); };
        documentsSeen += static_cast<int>(count("SELECT count(*) FROM Documentos"));
        EXPECT_EQ(count("SELECT count(*) FROM Documentos d WHERE NOT EXISTS "
                        "(SELECT 1 FROM Detalles l WHERE l.Id_Documento = d.Id_Documento)"), 0) << "round " << round;
        EXPECT_EQ(count("SELECT count(*) FROM Documentos d WHERE abs(d.YaPagado - (SELECT coalesce(sum(Importe), 0) "
                        "FROM Cobros c WHERE c.Id_Documento = d.Id_Documento)) > 0.000001"), 0) << "round " << round;
        EXPECT_EQ(count("SELECT count(*) FROM Detalles l WHERE NOT EXISTS "
                        "(SELECT 1 FROM Documentos d WHERE d.Id_Documento = l.Id_Documento)"), 0) << "round " << round;
        EXPECT_EQ(count("SELECT count(*) FROM (SELECT Serie, Folio FROM Documentos GROUP BY Serie, Folio HAVING count(*) > 1)"), 0);
        Statement integrity = db->prepare("PRAGMA integrity_check");
        ASSERT_TRUE(integrity.step());
        EXPECT_EQ(integrity.text(0), "ok");
    }
    // The children did get work done between the kills.
    EXPECT_GT(documentsSeen, 0);
}

} // namespace
