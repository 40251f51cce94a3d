// The customers and articles catalogues at 10,000 and 100,000 rows (generated files, 1,000
// documents): open + first paint of the dialog, End (last screen painted) and a seek (the page
// after a row in the middle), each beside its floor measured in the same run: the same SQL the
// list sends, one prepared statement stepped through. Also the list's data share alone (the pager's
// first and last page), and the first screen sorted by the collation, as it was read before.
//
// The files are generated once (BenchSetup) and kept in bench-data/ of the build folder.
// $QUINTALEVA_BENCH_SIZES limits the sizes ("100000"). Run with QT_QPA_PLATFORM=offscreen.

#include "BenchSetup.h"

#include "catalogs/ui/CatArticulos.h"
#include "catalogs/ui/CatClientes.h"
#include "db/CatalogOrder.h"
#include "db/Database.h"
#include "db/KeysetPager.h"
#include "db/Statement.h"
#include "invoice/MoneyFormat.h"
#include "platform/ApplicationState.h"
#include "toolkit/ui/TolGrid.h"

#include <QApplication>
#include <QImage>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>

namespace {

std::map<long, std::unique_ptr<Database>> g_files;
ApplicationState g_state;

enum class Cat { Clientes, Articulos };

struct Shape {
    const char* table;
    const char* column;
    const char* id;
    std::vector<std::string> shown;  // what the catalogue's record set reads
};

Shape shape(Cat cat) {
    if (cat == Cat::Clientes)
        return {"Clientes", "Nombre", "Id_Cliente",
                {"Id_Cliente", "Nombre", "Dom1", "Dom2", "Dom3", "RFC", "Telefono", "Clasificacion"}};
    return {"Articulos", "Descripcion", "Id_Articulo",
            {"Id_Articulo", "Clave", "Descripcion", "Precio", "Id_Imp1", "Id_Imp2", "Id_Ret1", "Id_Ret2",
             "Observaciones", "PrecioNeto"}};
}

Database& file(const benchmark::State& state) { return *g_files.at(static_cast<long>(state.range(0))); }

// The dialog, owned through its public base; `list` is the catalogue side of it.
struct Opened {
    std::unique_ptr<QDialog> owner;
    CCatalogDlg* list = nullptr;
    CCatalogDlg* operator->() const { return list; }
};

Opened makeDialog(Cat cat, Database& db) {
    g_state.database = &db;
    Opened opened;
    if (cat == Cat::Clientes) {
        auto* dlg = new CCatClientes(db);
        opened.owner.reset(dlg);
        opened.list = dlg;
    } else {
        auto* dlg = new CCatArticulos(db, g_state);
        opened.owner.reset(dlg);
        opened.list = dlg;
    }
    return opened;
}

void paint(CTolGrid* grid, QImage& image) {
    grid->viewport()->render(&image);
    benchmark::DoNotOptimize(image.constBits());
}

KeysetSource source(Cat cat, Database& db) {
    const Shape s = shape(cat);
    return {s.table, s.shown, {}, {}, CatalogOrder::listOrder(db, s.table, s.column), s.id};
}

// The list's own statement, as KeysetPager writes it, with `where` and direction.
std::string listSql(Cat cat, Database& db, const std::string& where, bool descending) {
    const KeysetSource src = source(cat, db);
    std::string sql = "SELECT ";
    for (std::size_t i = 0; i < src.columns.size(); ++i)
        sql += (i ? ", \"" : "\"") + src.columns[i] + "\"";
    for (const KeysetOrder& o : src.order)
        sql += ", \"" + o.column + "\"";
    sql += " FROM \"" + src.table + "\"" + (where.empty() ? "" : " WHERE " + where) + " ORDER BY ";
    const char* dir = descending ? " DESC NULLS LAST" : " ASC NULLS FIRST";
    for (const KeysetOrder& o : src.order)
        sql += "\"" + o.column + "\"" + (o.spanish ? " COLLATE ES" : "") + dir + ", ";
    return sql + "\"" + src.keyColumn + "\"" + dir + " LIMIT 100 OFFSET 0";
}

double stepAll(Statement& st) {
    double n = 0;
    while (st.step())
        n += static_cast<double>(st.integer(0));
    return n;
}

void openAndPaint(benchmark::State& state, Cat cat) {
    Database& db = file(state);
    for (auto _ : state) {
        Opened dlg = makeDialog(cat, db);
        QImage image(dlg->grid()->viewport()->size(), QImage::Format_ARGB32_Premultiplied);
        paint(dlg->grid(), image);
        state.PauseTiming();
        dlg.owner.reset();
        state.ResumeTiming();
    }
}

void floorFirstScreen(benchmark::State& state, Cat cat) {
    Database& db = file(state);
    const std::string sql = listSql(cat, db, {}, false);
    for (auto _ : state) {
        Statement st = db.prepare(sql);
        benchmark::DoNotOptimize(stepAll(st));
    }
}

// The list's data share of the first screen and of End: the pager opened and its first (last)
// page read; and the first screen as it was read before the sort keys, sorting by the collation.
void pagerFirstScreen(benchmark::State& state, Cat cat) {
    Database& db = file(state);
    const KeysetSource src = source(cat, db);
    for (auto _ : state) {
        KeysetPager pager(db, src);
        benchmark::DoNotOptimize(pager.fromStart(0, KeysetPager::kPage));
    }
}

void pagerEnd(benchmark::State& state, Cat cat) {
    Database& db = file(state);
    const KeysetSource src = source(cat, db);
    for (auto _ : state) {
        KeysetPager pager(db, src);
        benchmark::DoNotOptimize(pager.before(nullptr, KeysetPager::kPage));
    }
}

void collatedFirstScreen(benchmark::State& state, Cat cat) {
    Database& db = file(state);
    const Shape s = shape(cat);
    const std::string sql = std::string("SELECT * FROM ") + s.table + " ORDER BY " + s.column +
                            " COLLATE ES NULLS FIRST, " + s.id + " LIMIT 100";
    for (auto _ : state) {
        Statement st = db.prepare(sql);
        benchmark::DoNotOptimize(stepAll(st));
    }
}

// End on an opened, counted list: the last screen read from the end and painted.
void end(benchmark::State& state, Cat cat) {
    Database& db = file(state);
    Opened dlg = makeDialog(cat, db);
    dlg->settleCount();
    QImage image(dlg->grid()->viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        state.PauseTiming();
        dlg->grid()->setCurrentCell(1, 1);
        paint(dlg->grid(), image);
        dlg->settleCount();
        state.ResumeTiming();
        dlg->grid()->processKey(Qt::Key_End);
        paint(dlg->grid(), image);
    }
}

void floorEnd(benchmark::State& state, Cat cat) {
    Database& db = file(state);
    const std::string sql = listSql(cat, db, {}, true);
    for (auto _ : state) {
        Statement st = db.prepare(sql);
        benchmark::DoNotOptimize(stepAll(st));
    }
}

// The page after the row in the middle of the list, from its sort key (what Page Down and the
// scroll bar's short moves do).
void seek(benchmark::State& state, Cat cat) {
    Database& db = file(state);
    KeysetPager pager(db, source(cat, db));
    const long middle = pager.count() / 2;
    const KeysetRow from = *pager.row(middle);
    for (auto _ : state)
        benchmark::DoNotOptimize(pager.after(&from, KeysetPager::kPage));
}

void floorSeek(benchmark::State& state, Cat cat) {
    Database& db = file(state);
    KeysetPager pager(db, source(cat, db));
    const long middle = pager.count() / 2;
    const KeysetRow from = *pager.row(middle);
    const KeysetOrder order = pager.source().order.front();
    const std::string key = "\"" + order.column + "\"" + (order.spanish ? " COLLATE ES" : "");
    const std::string id = "\"" + pager.source().keyColumn + "\"";
    // The two ranges the seek reads: the same key with a greater id, then a greater key.
    const std::string same = listSql(cat, db, key + " = ? AND " + id + " > ?", false);
    const std::string greater = listSql(cat, db, key + " > ?", false);
    const DbValue k = from[static_cast<std::size_t>(pager.columnIndex(order.column))];
    for (auto _ : state) {
        Statement a = db.prepare(same);
        a.bind(1, k).bind(2, pager.key(from));
        Statement b = db.prepare(greater);
        b.bind(1, k);
        benchmark::DoNotOptimize(stepAll(a) + stepAll(b));
    }
}

void BM_ClientesOpenFirstPaint(benchmark::State& s) { openAndPaint(s, Cat::Clientes); }
void BM_ClientesFloorFirstScreen(benchmark::State& s) { floorFirstScreen(s, Cat::Clientes); }
void BM_ClientesEnd(benchmark::State& s) { end(s, Cat::Clientes); }
void BM_ClientesPagerFirstScreen(benchmark::State& s) { pagerFirstScreen(s, Cat::Clientes); }
void BM_ClientesPagerEnd(benchmark::State& s) { pagerEnd(s, Cat::Clientes); }
void BM_ClientesCollatedFirstScreen(benchmark::State& s) { collatedFirstScreen(s, Cat::Clientes); }
void BM_ClientesFloorEnd(benchmark::State& s) { floorEnd(s, Cat::Clientes); }
void BM_ClientesSeek(benchmark::State& s) { seek(s, Cat::Clientes); }
void BM_ClientesFloorSeek(benchmark::State& s) { floorSeek(s, Cat::Clientes); }
void BM_ArticulosOpenFirstPaint(benchmark::State& s) { openAndPaint(s, Cat::Articulos); }
void BM_ArticulosFloorFirstScreen(benchmark::State& s) { floorFirstScreen(s, Cat::Articulos); }
void BM_ArticulosEnd(benchmark::State& s) { end(s, Cat::Articulos); }
void BM_ArticulosPagerFirstScreen(benchmark::State& s) { pagerFirstScreen(s, Cat::Articulos); }
void BM_ArticulosPagerEnd(benchmark::State& s) { pagerEnd(s, Cat::Articulos); }
void BM_ArticulosCollatedFirstScreen(benchmark::State& s) { collatedFirstScreen(s, Cat::Articulos); }
void BM_ArticulosFloorEnd(benchmark::State& s) { floorEnd(s, Cat::Articulos); }
void BM_ArticulosSeek(benchmark::State& s) { seek(s, Cat::Articulos); }
void BM_ArticulosFloorSeek(benchmark::State& s) { floorSeek(s, Cat::Articulos); }

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    MoneyFormat::setCurrent(MoneyFormat::mexican());
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    std::vector<long> sizes = {10000, 100000};
    if (const char* only = std::getenv("QUINTALEVA_BENCH_SIZES"))
        sizes = {std::strtol(only, nullptr, 10)};
    for (long size : sizes) {
        const std::string path = BenchSetup::CachedDatabase(1000, static_cast<int>(size), static_cast<int>(size));
        if (path.empty()) {
            std::fprintf(stderr, "No database of %ld customers and articles to measure.\n", size);
            return 1;
        }
        g_files[size] = BenchSetup::Open(BenchSetup::Location(path));
    }
    for (auto [name, fn] : std::initializer_list<std::pair<const char*, void (*)(benchmark::State&)>>{
             {"ClientesOpenFirstPaint", BM_ClientesOpenFirstPaint},
             {"ClientesFloorFirstScreen", BM_ClientesFloorFirstScreen},
             {"ClientesPagerFirstScreen", BM_ClientesPagerFirstScreen},
             {"ClientesCollatedFirstScreen", BM_ClientesCollatedFirstScreen},
             {"ClientesEnd", BM_ClientesEnd},
             {"ClientesPagerEnd", BM_ClientesPagerEnd},
             {"ClientesFloorEnd", BM_ClientesFloorEnd},
             {"ClientesSeek", BM_ClientesSeek},
             {"ClientesFloorSeek", BM_ClientesFloorSeek},
             {"ArticulosOpenFirstPaint", BM_ArticulosOpenFirstPaint},
             {"ArticulosFloorFirstScreen", BM_ArticulosFloorFirstScreen},
             {"ArticulosPagerFirstScreen", BM_ArticulosPagerFirstScreen},
             {"ArticulosCollatedFirstScreen", BM_ArticulosCollatedFirstScreen},
             {"ArticulosEnd", BM_ArticulosEnd},
             {"ArticulosPagerEnd", BM_ArticulosPagerEnd},
             {"ArticulosFloorEnd", BM_ArticulosFloorEnd},
             {"ArticulosSeek", BM_ArticulosSeek},
             {"ArticulosFloorSeek", BM_ArticulosFloorSeek}}) {
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
