#include "cfdi/FiscalTables.h"
#include "config/DatabaseCopy.h"
#include "config/DatabaseFiles.h"
#include "config/NewDatabase.h"
#include "db/BusinessData.h"
#include "db/Database.h"
#include "db/DbError.h"
#include "db/Schema.h"
#include "designer/FormatBackground.h"
#include "designer/FormatPaperStore.h"
#include "support/ScratchDir.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <stdexcept>

namespace {

using Rows = std::vector<std::vector<DbValue>>;

// Every row of the table, in a fixed order whatever order the engine gives.
Rows AllRows(Database& db, const std::string& table) {
    Statement st = db.prepare("SELECT * FROM \"" + table + "\"");
    Rows rows = st.fetchAll();
    std::sort(rows.begin(), rows.end());
    return rows;
}

// The same, by the table's own columns (a server adds a hidden row key to some tables).
Rows OwnColumns(Database& db, const std::string& table) {
    std::string columns = "*";
    for (const TableDef& t : Schema::tables())
        if (t.name == table) {
            columns.clear();
            for (const ColumnDef& c : t.columns)
                columns += (columns.empty() ? "\"" : ", \"") + c.name + "\"";
        }
    Rows rows = db.prepare("SELECT " + columns + " FROM \"" + table + "\"").fetchAll();
    // Compared by their bytes: an older file's text in a binary column reaches a server as binary.
    for (auto& row : rows)
        for (DbValue& v : row)
            if (const auto* b = std::get_if<Blob>(&v))
                v = std::string(b->begin(), b->end());
    std::sort(rows.begin(), rows.end());
    return rows;
}

Blob Bytes(std::size_t n, unsigned seed) {
    Blob b(n);
    for (std::size_t i = 0; i < n; ++i)
        b[i] = static_cast<unsigned char>((i * 131 + seed) & 0xFF);
    return b;
}

// A database of ours with something in every table: gaps in the keys (deleted rows), accents,
// an apostrophe, NULLs, pictures and layouts as blobs, the fiscal tables and a sealed CFDI.
std::unique_ptr<Database> Filled(const std::string& path) {
    auto db = CreateNewDatabase(path);
    FiscalTables::ensure(*db);
    db->execute("UPDATE General SET Nombre = 'Papelería Peña', \"In\" = 'x'");
    db->execute("UPDATE CamposExtras SET Nombre = 'Color' WHERE Consec = 2");
    BusinessData business;
    business.nombre = "Papelería Peña";
    business.domicilio = {"Hidalgo 1", "", "Toluca, Méx."};
    business.rfc = "PPE010101AB1";
    business.Save(*db);
    for (int i = 1; i <= 40; ++i) {
        db->execute("INSERT INTO Clientes (Nombre, RFC) VALUES (?, ?)",
                    {std::string(i % 7 ? "José Núñez " : "O'Higgins ") + std::to_string(i), std::string("XAXX010101000")});
        db->execute("INSERT INTO Articulos (Clave, Descripcion, Precio, Id_Imp1) VALUES (?, 'Piñata', ?, 1)",
                    {"A" + std::to_string(i), 10.5 * i});
        db->execute("INSERT INTO Documentos (Id_Cliente, Nombre, Serie, Folio, Fecha, Total, YaPagado, Importe) "
                    "VALUES (?, 'Ana', ?, ?, 45000.5, ?, ?, ?)",
                    {std::int64_t{i}, i % 3 ? DbValue(std::string("A")) : DbValue(), std::int64_t{i}, 116.0 * i,
                     58.0 * i, 100.0 * i});
        const std::int64_t doc = db->lastInsertId();
        for (int r = 1; r <= 3; ++r)
            db->execute("INSERT INTO Detalles (Id_Documento, Renglon, Clave, Cantidad, Precio, Total) "
                        "VALUES (?, ?, 'A1', ?, 10.25, ?)",
                        {doc, std::int64_t{r}, 1.0 * r, 10.25 * r});
        db->execute("INSERT INTO Cobros (Id_Documento, NumPago, Importe, Referencia) VALUES (?, 1, ?, 'Efectivo')",
                    {doc, 58.0 * i});
        db->execute("INSERT INTO DocumentosFiscales (Id_Documento, FormaPago, MetodoPago, UsoCfdi, Exportacion) "
                    "VALUES (?, '01', 'PUE', 'G03', '01')",
                    {doc});
    }
    // Keys with gaps, which the copy keeps.
    db->execute("DELETE FROM Documentos WHERE Folio IN (3, 4, 17)");
    db->execute("DELETE FROM Clientes WHERE Id_Cliente = 5");
    db->execute("INSERT INTO Cfdis (Id_Documento, Xml, Estado) SELECT Id_Documento, ?, 'Sellado' FROM Documentos "
                "WHERE Folio = 1",
                {Bytes(5000, 3)});
    db->execute("INSERT INTO DatosFiscales (Id, Rfc, Certificado, LlavePrivada) VALUES (1, 'EKU9003173C9', ?, ?)",
                {Bytes(1500, 1), Bytes(1200, 2)});
    FormatBackground picture;
    picture.picture = Bytes(70000, 9);
    picture.width = 2159;
    CFormatBackgroundStore(*db).Store(1, picture);
    CFormatPaperStore(*db).Write(1, SheetSize::Named("Oficio"));
    db->execute("INSERT INTO AuxEdo (Cliente, Concepto, Cargos, Abonos, Saldo) VALUES ('Ana', 'Factura A1', 116, 0, 116)");
    return db;
}

std::vector<std::string> Names(const std::filesystem::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

TEST(DatabaseCopyTest, AFileCopiesRowForRowWithItsKeysAndFigures) {
    ScratchDir dir;
    auto source = Filled(dir.file("origen.mdb"));
    std::vector<std::string> progressed;
    const auto checks = CDatabaseCopy::Run(*source, dir.file("copia.mdb"),
                                           [&](const std::string& table, std::int64_t done, std::int64_t total) {
                                               EXPECT_LE(done, total);
                                               if (done == total)
                                                   progressed.push_back(table);
                                           });
    auto copy = Database::open(dir.file("copia.mdb"));
    for (const std::string& table : CDatabaseCopy::Tables())
        EXPECT_EQ(OwnColumns(*copy, table), OwnColumns(*source, table)) << table;
    EXPECT_EQ(progressed, CDatabaseCopy::Tables());
    EXPECT_EQ(BusinessData::Load(*copy).domicilio[2], "Toluca, Méx.") << "the business's data go with it";

    // The figures reported are the source's.
    const auto documents = std::find_if(checks.begin(), checks.end(), [](const auto& c) { return c.table == "Documentos"; });
    ASSERT_NE(documents, checks.end());
    EXPECT_EQ(documents->rows, 37);
    const auto total = std::find_if(documents->sums.begin(), documents->sums.end(),
                                    [](const auto& s) { return s.first == "Total"; });
    ASSERT_NE(total, documents->sums.end());
    EXPECT_DOUBLE_EQ(total->second, 116.0 * (40 * 41 / 2 - 3 - 4 - 17));

    // The copy works on its own: new keys go on after the copied ones, the unique keys hold.
    copy->execute("INSERT INTO Documentos (Folio) VALUES (99)");
    EXPECT_EQ(copy->lastInsertId(), 41);
    EXPECT_THROW(copy->execute("INSERT INTO Documentos (Serie, Folio) VALUES ('A', 1)"), DbError);
    EXPECT_THROW(copy->execute("INSERT INTO Articulos (Clave) VALUES ('a1')"), DbError);
    // Lines go with their document, as in the source.
    copy->execute("DELETE FROM Documentos WHERE Folio = 1 AND Serie = 'A'");
    Statement orphans = copy->prepare("SELECT count(*) FROM Detalles WHERE Id_Documento NOT IN (SELECT Id_Documento FROM Documentos)");
    orphans.step();
    EXPECT_EQ(orphans.integer(0), 0);
    // The file the copy was made from is as it was.
    EXPECT_EQ(AllRows(*source, "Documentos").size(), 37u);
}

TEST(DatabaseCopyTest, AFailureAnywhereLeavesNoTarget) {
    ScratchDir dir;
    auto source = Filled(dir.file("origen.mdb"));
    const auto before = Names(dir.path());
    for (const char* failAt : {"Documentos", "Formatos", "Cfdis"}) {
        EXPECT_THROW(CDatabaseCopy::Run(*source, dir.file("copia.mdb"), {},
                                        [&](const std::string& table) {
                                            if (table == failAt)
                                                throw DbError("disk I/O error", 10);
                                        }),
                     DbError)
            << failAt;
        EXPECT_EQ(Names(dir.path()), before) << failAt;
    }
    // An existing target is refused and left alone.
    ScratchDir::writeAll(dir.file("ocupado.mdb"), "no tocar");
    EXPECT_THROW(CDatabaseCopy::Run(*source, dir.file("ocupado.mdb")), DbError);
    EXPECT_EQ(ScratchDir::readAll(dir.file("ocupado.mdb")), "no tocar");
    // The source can still be copied afterwards: its snapshot ended with each attempt.
    EXPECT_NO_THROW(CDatabaseCopy::Run(*source, dir.file("copia.mdb")));
    source->execute("INSERT INTO Clientes (Nombre) VALUES ('Después')");
}

TEST(DatabaseCopyTest, AnOlderFileWithoutTheAddedTablesCopiesToo) {
    ScratchDir dir;
    {
        auto plain = Database::create(dir.file("viejo.mdb"));
        plain->execute("INSERT INTO Documentos (Folio, Total) VALUES (7, 12.5)");
    }
    auto source = Database::open(dir.file("viejo.mdb"));
    const auto checks = CDatabaseCopy::Run(*source, dir.file("copia.mdb"));
    EXPECT_EQ(checks.size(), 10u);
    auto copy = Database::open(dir.file("copia.mdb"));
    EXPECT_EQ(AllRows(*copy, "Documentos"), AllRows(*source, "Documentos"));
    EXPECT_EQ(AllRows(*copy, "Impuestos"), AllRows(*source, "Impuestos"));
    // The fiscal tables come at the copy's first use, with the SAT meaning of its taxes, as they
    // would have for the source.
    FiscalTables::ensure(*copy);
    EXPECT_EQ(AllRows(*copy, "ImpuestosFiscales").size(), 5u);
}

// Into the test's own database: a server when the tests run against one, where the rows travel as
// one stream in the server's text format and every awkward byte must come through.
TEST(DatabaseCopyTest, AwkwardValuesComeThroughIntoAServerToo) {
    ScratchDir dir;
    auto source = Filled(dir.file("origen.mdb"));
    const std::string awkward[] = {"tab\there", "line\nbreak\r\n", "back\\slash \\N \\.", "\\.",
                                   "comillas 'simples' y \"dobles\"", "Ñoño pingüino 日本 🙂"};
    for (const std::string& text : awkward) {
        source->execute("INSERT INTO Clientes (Nombre, Dom1, Dom2) VALUES (?, ?, NULL)", {text, text + text});
        source->execute("INSERT INTO Formatos (Nombre, Detalle) VALUES (?, ?)",
                        {text, Blob(text.begin(), text.end())});
    }
    TestDatabase target("copia");
    CDatabaseCopy::Run(*source, target.location());
    auto copy = target.open();
    for (const std::string& table : CDatabaseCopy::Tables())
        EXPECT_EQ(OwnColumns(*copy, table), OwnColumns(*source, table)) << table;
    // Numbering goes on after the copied keys.
    Statement last = source->prepare("SELECT max(Id_Cliente) FROM Clientes");
    last.step();
    copy->execute("INSERT INTO Clientes (Nombre) VALUES ('Nuevo')");
    EXPECT_EQ(copy->lastInsertId(), last.integer(0) + 1);
}

TEST(DatabaseCopyTest, AFileGoesToAServerAndBackRowForRow) {
    if (!TestDatabase::onServer())
        GTEST_SKIP() << "needs the test server";
    ScratchDir dir;
    auto source = Filled(dir.file("origen.mdb"));
    // The access password as a file keeps it, text with a zero byte, which the server keeps as bytes.
    source->execute("UPDATE General SET \"In\" = ?", {std::string("x\0y", 3)});
    TestDatabase server("copia");
    // A failure part-way leaves the server database empty, and the copy can be made again.
    EXPECT_THROW(CDatabaseCopy::Run(*source, server.location(), {},
                                    [](const std::string& table) {
                                        if (table == "Cfdis")
                                            throw DbError("conexión perdida", 10);
                                    }),
                 DbError);
    EXPECT_NO_THROW(Database::checkServerTarget(server.location()));

    CDatabaseCopy::Run(*source, server.location());
    auto onServer = server.open();
    CDatabaseCopy::Run(*onServer, dir.file("vuelta.mdb"));
    auto returned = Database::open(dir.file("vuelta.mdb"));
    for (const std::string& table : CDatabaseCopy::Tables())
        EXPECT_EQ(OwnColumns(*returned, table), OwnColumns(*source, table)) << table;
    // Work goes on on the server after the copied keys.
    onServer->execute("INSERT INTO Documentos (Folio) VALUES (99)");
    EXPECT_EQ(onServer->lastInsertId(), 41);
}
