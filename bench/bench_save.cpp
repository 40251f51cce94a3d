// Saving a document of 99 lines (new customer, free keys, a payment) into a database that already
// holds some history. With $QUINTALEVA_BENCH_PG (see BenchSetup) on a server, each save beside its
// floor in the same run: the statements the program sends for it, with the same values, run by
// `psql -X` in one transaction (its own \timing, summed); `floor_ms` and `ratio` (program/floor).
// On a file, also without the checkpoint after each save, to show its cost.
#include "BenchSetup.h"

#include "db/Database.h"
#include "db/PgSql.h"
#include "db/Schema.h"
#include "invoice/DocumentStore.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <map>

namespace {

std::vector<CPartida> ninetyNineLines(const std::string& prefix) {
    std::vector<CPartida> lines(99);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        CPartida& l = lines[i];
        l.Clave = prefix + "-" + std::to_string(i % 40);  // free keys, some repeated
        l.Descripcion = "Artículo de prueba número " + std::to_string(i);
        l.Precio = 10.5 + static_cast<double>(i);
        l.Cantidad = 1 + static_cast<double>(i % 7);
        l.pI1 = 0.16;
        l.Id_Imp1 = 1;
        l.Recalculate();
    }
    return lines;
}

DbValue text(const std::string& s) { return s.empty() ? DbValue{} : DbValue{s}; }
DbValue n(std::int64_t v) { return v; }

// A value the script takes from a psql variable set by an earlier statement's RETURNING.
DbValue variable(const std::string& name) { return "@@" + name + "@@"; }

std::string withVariables(std::string sql) {
    for (std::size_t at; (at = sql.find("'@@")) != std::string::npos;) {
        const std::size_t end = sql.find("@@'", at + 3);
        sql.replace(at, end + 3 - at, ":'" + sql.substr(at + 3, end - at - 3) + "'");
    }
    return sql;
}

std::string insertSql(const std::string& table, const std::vector<std::string>& columns) {
    std::string cols, marks;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        cols += (i ? ", \"" : "\"") + columns[i] + "\"";
        marks += i ? ", ?" : "?";
    }
    return "INSERT INTO \"" + table + "\" (" + cols + ") VALUES (" + marks + ")";
}

// The row key a server hands back from an insert into the table, for lastInsertId().
std::string returning(const std::string& table) {
    for (const ColumnDef& c : Schema::table(table).columns)
        if (c.autoNumber)
            return " RETURNING " + PgSql::translate("\"" + c.name + "\"").sql;
    return " RETURNING rowid";
}

// What CDocumentStore sends to save a new document typed with a new customer, free keys and a
// first payment (FindStored by the caller, then saveOnce), in psql's words.
std::string saveScript(const DocumentHeader& h, const std::vector<CPartida>& lines, const DocumentTotals& t,
                       const FirstPayment& payment) {
    std::string header;
    for (const ColumnDef& c : Schema::table("Documentos").columns)
        header += (header.empty() ? "d.\"" : ", d.\"") + c.name + "\"";
    const std::string findStored = BenchSetup::ServerSql(
        "SELECT " + header + " FROM Documentos d WHERE d.Serie = ? AND d.Folio = ? ORDER BY d.Id_Documento LIMIT 1",
        {h.serie, n(h.folio)});
    std::string s = findStored + ";\n";
    s += "BEGIN ISOLATION LEVEL SERIALIZABLE;\n" + findStored + ";\n";
    s += BenchSetup::ServerSql(insertSql("Clientes", {"Nombre", "Dom1", "Dom2", "Dom3", "RFC", "Telefono"}),
                               {text(h.nombre), text(h.dom1), text(h.dom2), text(h.dom3), text(h.rfc), text(h.telefono)}) +
         returning("Clientes") + " \\gset\n";
    const double paid = std::min(payment.importe, t.Total);
    s += withVariables(BenchSetup::ServerSql(
             insertSql("Documentos", {"Id_Cliente", "Nombre", "Dom1", "Dom2", "Dom3", "RFC", "Fecha", "Vence", "Serie",
                                      "Folio", "Importe", "Descuento", "Subtotal", "Impuesto1", "Impuesto2",
                                      "Retencion1", "Retencion2", "Total", "YaPagado", "Pagado", "Observaciones",
                                      "Extra1", "Extra2", "Extra3", "Extra4", "Extra5", "Extra6", "Telefono"}),
             {variable("id_cliente"), text(h.nombre), text(h.dom1), text(h.dom2), text(h.dom3), text(h.rfc),
              h.fecha.value, h.vence.value, text(h.serie), n(h.folio), t.Importe, t.Descuento, t.Subtotal,
              t.Impuesto1, t.Impuesto2, t.Retencion1, t.Retencion2, t.Total, paid, n(IsPaid(paid, t.Total) ? 1 : 0),
              text(h.observaciones), text(h.extras[0]), text(h.extras[1]), text(h.extras[2]), text(h.extras[3]),
              text(h.extras[4]), text(h.extras[5]), text(h.telefono)})) +
         returning("Documentos") + " \\gset\n";
    std::map<std::string, int> articles;
    int renglon = 0;
    for (const CPartida& l : lines) {
        s += BenchSetup::ServerSql("SELECT Id_Articulo FROM Articulos WHERE Clave = ? COLLATE NOCASE LIMIT 1", {l.Clave}) +
             ";\n";
        auto [it, added] = articles.emplace(l.Clave, static_cast<int>(articles.size()));
        const std::string var = "a" + std::to_string(it->second) + "_";
        if (added)
            s += BenchSetup::ServerSql(insertSql("Articulos", {"Clave", "Descripcion", "Id_Imp1", "Id_Imp2", "Id_Ret1",
                                                               "Id_Ret2", "Precio", "PrecioNeto"}),
                                       {l.Clave, text(l.Descripcion), n(l.Id_Imp1), n(l.Id_Imp2), n(l.Id_Ret1),
                                        n(l.Id_Ret2), l.Precio, l.PrecioNeto}) +
                 returning("Articulos") + " \\gset " + var + "\n";
        s += withVariables(BenchSetup::ServerSql(
                 insertSql("Detalles", {"Id_Documento", "Renglon", "Id_Articulo", "Clave", "Descripcion", "Precio",
                                        "Cantidad", "pDescuento", "Importe", "Descuento", "Imp1", "Imp2", "Ret1",
                                        "Ret2", "Total", "Observeciones", "Extra1", "Extra2", "Extra3", "Extra4",
                                        "pI1", "pI2", "pR1", "pR2"}),
                 {variable("id_documento"), n(++renglon), variable(var + "id_articulo"), text(l.Clave),
                  text(l.Descripcion), l.Precio, l.Cantidad, l.pDescuento, l.Importe, l.Descuento, l.Imp1, l.Imp2,
                  l.Ret1, l.Ret2, l.Total, text(l.Observaciones), text(l.Extra1), text(l.Extra2), text(l.Extra3),
                  text(l.Extra4), l.pI1, l.pI2, l.pR1, l.pR2})) +
             returning("Detalles") + ";\n";
    }
    s += withVariables(BenchSetup::ServerSql(
             insertSql("Cobros", {"Id_Documento", "NumPago", "Fecha", "Importe", "Referencia", "Id_Cliente"}),
             {variable("id_documento"), n(1), h.fecha.value, paid, text(payment.referencia), variable("id_cliente")})) +
         returning("Cobros") + ";\n";
    return s + "COMMIT;\n";
}

struct Document {
    DocumentHeader header;
    std::vector<CPartida> lines;
    DocumentTotals totals;
};

Document document(const std::string& serie, int folio, const std::string& keys) {
    Document d;
    d.header.nombre = "Cliente nuevo " + std::to_string(folio);
    d.header.serie = serie;
    d.header.folio = folio;
    d.header.fecha = d.header.vence = OleDate::now();
    d.lines = ninetyNineLines(keys);
    for (auto& l : d.lines)
        d.totals.Add(l);
    return d;
}

std::int64_t count(Database& db, const std::string& sql) {
    Statement st = db.prepare(sql);
    st.step();
    return st.integer(0);
}

void BM_Save99Lines(benchmark::State& state) {
    const std::string location = BenchSetup::ScratchDatabase("save");
    const bool server = BenchSetup::OnServer();
    {
        auto db = Database::open(location);
        // Argument 0: the journal copied into the file only every 1,000 pages (SQLite's default, as
        // before the file was kept current within a save), to measure what that costs.
        if (!server && state.range(0) == 0)
            db->execute("PRAGMA wal_autocheckpoint = 1000");
        CDocumentStore store(*db);
        // Some history first, so the indexes are not empty.
        for (int i = 0; i < 200; ++i) {
            Document d = document("H", i + 1, "H");
            store.Save(d.header, d.lines, d.totals, {}, std::nullopt);
        }
        static int round = 0;
        double program = 0, floor = 0;
        for (auto _ : state) {
            ++round;
            Document d = document("A", round, "B" + std::to_string(round));
            const FirstPayment payment{true, d.totals.Total / 2, "abono"};
            const auto started = std::chrono::steady_clock::now();
            store.Save(d.header, d.lines, d.totals, payment, store.FindStored(d.header.serie, d.header.folio));
            const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
            state.SetIterationTime(ms / 1000);
            program += ms;
            if (server) {
                Document f = document("F", round, "F" + std::to_string(round));
                const double floorMs =
                    BenchSetup::PsqlMilliseconds(location, saveScript(f.header, f.lines, f.totals, {true, f.totals.Total / 2, "abono"}));
                if (floorMs < 0) {
                    state.SkipWithError("psql failed");
                    break;
                }
                floor += floorMs;
            }
        }
        if (server && floor > 0) {
            state.counters["floor_ms"] = floor / static_cast<double>(state.iterations());
            state.counters["ratio"] = program / floor;
            // The floor wrote what the program writes.
            const auto rows = [&](const std::string& serie) {
                return count(*db, "SELECT count(*) FROM Detalles t JOIN Documentos d ON d.Id_Documento = t.Id_Documento "
                                  "JOIN Cobros c ON c.Id_Documento = d.Id_Documento WHERE d.Serie = '" + serie + "'");
            };
            if (rows("A") != rows("F"))
                state.SkipWithError("the floor did not write what the program writes");
        }
    }
    BenchSetup::DropScratch(location);
}
BENCHMARK(BM_Save99Lines)->Arg(1)->Arg(0)->ArgName("checkpoint_each_save")->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(50)->Repetitions(5)->ReportAggregatesOnly(true);

} // namespace

BENCHMARK_MAIN();
