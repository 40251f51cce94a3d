// The tables of a new database: columns in binding order with their types, defaults, relations,
// the indexes used by name, and the seed rows.
#include "db/CatalogOrder.h"
#include "db/ArticulosSet.h"
#include "db/AuxsalSet.h"
#include "db/ClientesSet.h"
#include "db/CobrosSet.h"
#include "db/Database.h"
#include "db/DbError.h"
#include "db/DetallesSet.h"
#include "db/DocumentosSet.h"
#include "db/EsxtrasSet.h"
#include "db/FormatosSet.h"
#include "db/GeneralSet.h"
#include "db/ImpuestosSet.h"
#include "db/Schema.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <utility>
#include <vector>

namespace {

// Column name and declared type, in binding order, as the data of the invoices was laid out.
using Columns = std::vector<std::pair<std::string, std::string>>;

const std::map<std::string, Columns>& expectedTables() {
    const std::string L = "INTEGER", T = "TEXT", D = "REAL", B = "BLOB";
    // The scrambled password is text in a file; a server's text takes neither its zero bytes nor
    // its bytes that are not UTF-8.
    const std::string S = TestDatabase::onServer() ? B : T;
    static const std::map<std::string, Columns> tables = {
        {"Documentos",
         {{"Id_Documento", L}, {"Id_Cliente", L}, {"Nombre", T}, {"Dom1", T}, {"Dom2", T}, {"Dom3", T},
          {"RFC", T}, {"Fecha", D}, {"Vence", D}, {"Serie", T}, {"Folio", L}, {"Importe", D},
          {"Descuento", D}, {"Subtotal", D}, {"Impuesto1", D}, {"Impuesto2", D}, {"Retencion1", D},
          {"Retencion2", D}, {"Total", D}, {"YaPagado", D}, {"Pagado", L}, {"Observaciones", T},
          {"Extra1", T}, {"Extra2", T}, {"Extra3", T}, {"Extra4", T}, {"Extra5", T}, {"Extra6", T},
          {"Telefono", T}, {"Cancelada", L}}},
        {"Detalles",
         {{"Id_Detalle", L}, {"Id_Documento", L}, {"Renglon", L}, {"Id_Articulo", L}, {"Clave", T},
          {"Descripcion", T}, {"Precio", D}, {"Cantidad", D}, {"pDescuento", D}, {"Importe", D},
          {"Descuento", D}, {"Imp1", D}, {"Imp2", D}, {"Ret1", D}, {"Ret2", D}, {"Total", D},
          {"Observeciones", T}, {"Extra1", T}, {"Extra2", T}, {"Extra3", T}, {"Extra4", T}, {"pI1", D},
          {"pI2", D}, {"pR1", D}, {"pR2", D}}},
        {"Cobros",
         {{"Id_Documento", L}, {"NumPago", L}, {"Fecha", D}, {"Importe", D}, {"Observaciones", T},
          {"Referencia", T}, {"Id_Cliente", L}}},
        {"Clientes",
         {{"Id_Cliente", L}, {"Nombre", T}, {"Dom1", T}, {"Dom2", T}, {"Dom3", T}, {"RFC", T},
          {"Telefono", T}, {"Clasificacion", T}}},
        {"Articulos",
         {{"Id_Articulo", L}, {"Clave", T}, {"Descripcion", T}, {"Precio", D}, {"Id_Imp1", L},
          {"Id_Imp2", L}, {"Id_Ret1", L}, {"Id_Ret2", L}, {"Observaciones", T}, {"PrecioNeto", D}}},
        {"Impuestos", {{"Id_Impuesto", L}, {"Nombre", T}, {"Porcentaje", D}, {"Retencion", L}}},
        {"General", {{"Version", L}, {"Moneda", T}, {"Postfijo", T}, {"Nombre", T}, {"In", S}}},
        {"CamposExtras", {{"Consec", L}, {"Id_Extra", L}, {"DeDetalle", L}, {"Nombre", T}, {"Formato", L}}},
        {"Formatos",
         {{"Id_Formato", L}, {"Nombre", T}, {"Detalle", B}, {"Observaciones", T}, {"Caben", L},
          {"Ticket", L}, {"Repetir", L}}},
        {"AuxEdo",
         {{"Cliente", T}, {"Fecha", D}, {"Concepto", T}, {"Referencia", T}, {"Cargos", D}, {"Abonos", D},
          {"Saldo", D}}},
    };
    return tables;
}

class SchemaTest : public ::testing::Test {
protected:
    void SetUp() override { db = testDb.create(); }

    std::int64_t scalar(const std::string& sql, const std::vector<DbValue>& params = {}) {
        Statement st = db->prepare(sql);
        st.bindAll(params);
        EXPECT_TRUE(st.step()) << sql;
        return st.integer(0);
    }

    TestDatabase testDb;
    std::unique_ptr<Database> db;
};

// The engine's own catalogue, in its terms: the file's declared types, or the server's mapped back
// to them (bigint → INTEGER, double precision → REAL, text → TEXT, bytea → BLOB). Table and column
// names compare without case: the server keeps them in lower case.
std::string lowered(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::vector<std::string> catalogTables(Database& db) {
    std::vector<std::string> names;
    Statement list = db.dialect().isServer()
                         ? db.prepare("SELECT table_name FROM information_schema.tables WHERE table_schema = "
                                      "current_schema() AND table_name <> 'quintaleva'")
                         : db.prepare("SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite%'");
    while (list.step())
        names.push_back(lowered(list.text(0)));
    std::sort(names.begin(), names.end());
    return names;
}

Columns catalogColumns(Database& db, const std::string& table, std::vector<std::string>& autoNumbers) {
    Columns actual;
    const bool server = db.dialect().isServer();
    Statement info = server ? db.prepare("SELECT column_name, CASE data_type WHEN 'bigint' THEN 'INTEGER' "
                                         "WHEN 'double precision' THEN 'REAL' WHEN 'bytea' THEN 'BLOB' "
                                         "WHEN 'text' THEN 'TEXT' ELSE data_type END, is_identity = 'YES' "
                                         "FROM information_schema.columns WHERE table_schema = current_schema() "
                                         "AND table_name = lower(?) AND column_name <> 'rowid' ORDER BY ordinal_position")
                            : db.prepare("SELECT name, type, pk FROM pragma_table_info(?) ORDER BY cid");
    info.bind(1, table);
    while (info.step()) {
        actual.emplace_back(lowered(info.text(0)), info.text(1));
        if (info.integer(2))
            autoNumbers.push_back(lowered(info.text(0)));
    }
    return actual;
}

TEST_F(SchemaTest, TenTablesWithTheirColumnsInBindingOrder) {
    std::vector<std::string> wanted;
    for (const auto& [name, columns] : expectedTables())
        wanted.push_back(lowered(name));
    std::sort(wanted.begin(), wanted.end());
    EXPECT_EQ(catalogTables(*db), wanted);

    for (const auto& [table, columns] : expectedTables()) {
        std::vector<std::string> autoNumbers;
        Columns lowerColumns;
        for (const auto& [name, type] : columns)
            lowerColumns.emplace_back(lowered(name), type);
        // A file keeps the lists' Spanish sort key after the catalogue's own columns.
        for (const CatalogOrder::Sorted& sorted : CatalogOrder::all())
            if (table == sorted.table && !db->dialect().isServer())
                lowerColumns.emplace_back(lowered(sorted.keyColumn), "BLOB");
        EXPECT_EQ(catalogColumns(*db, table, autoNumbers), lowerColumns) << table;
        // The record-set class of the table binds the same list.
        const TableDef& def = Schema::table(table);
        ASSERT_EQ(def.columns.size(), columns.size()) << table;
        for (std::size_t i = 0; i < columns.size(); ++i)
            EXPECT_EQ(def.columns[i].name, columns[i].first) << table;
        // The four identifiers the engine numbers are AutoNumber keys; the others may not be.
        if (table == "Documentos" || table == "Detalles" || table == "Clientes" || table == "Articulos") {
            EXPECT_EQ(autoNumbers, std::vector<std::string>{lowered(columns.front().first)}) << table;
        }
    }
    if (db->dialect().isServer()) {
        EXPECT_EQ(scalar("SELECT version FROM quintaleva WHERE aplicacion = 'QVL2'"), 1);
    } else {
        EXPECT_EQ(scalar("PRAGMA application_id"), Schema::kApplicationId);
        EXPECT_EQ(scalar("PRAGMA foreign_keys"), 1);
    }
}

template <typename Set>
std::vector<std::string> boundColumns(Database& db) {
    Set set(db);
    set.Open(OpenType::Snapshot);
    return set.columnNames();
}

TEST_F(SchemaTest, EveryRecordSetBindsItsTableInOrder) {
    const auto names = [](const std::string& table) {
        std::vector<std::string> out;
        for (const auto& column : expectedTables().at(table))
            out.push_back(column.first);
        return out;
    };
    EXPECT_EQ(boundColumns<CDocumentosSet>(*db), names("Documentos"));
    EXPECT_EQ(boundColumns<CDetallesSet>(*db), names("Detalles"));
    EXPECT_EQ(boundColumns<CCobrosSet>(*db), names("Cobros"));
    EXPECT_EQ(boundColumns<CClientesSet>(*db), names("Clientes"));
    EXPECT_EQ(boundColumns<CArticulosSet>(*db), names("Articulos"));
    EXPECT_EQ(boundColumns<CImpuestosSet>(*db), names("Impuestos"));
    EXPECT_EQ(boundColumns<CGeneralSet>(*db), names("General"));
    EXPECT_EQ(boundColumns<CEsxtrasSet>(*db), names("CamposExtras"));
    EXPECT_EQ(boundColumns<CFormatosSet>(*db), names("Formatos"));
    EXPECT_EQ(boundColumns<CAuxsalSet>(*db), names("AuxEdo"));
}

TEST_F(SchemaTest, NumericColumnsDefaultToZeroAndTextsToNull) {
    // Rows written by SQL that names only some columns (the statement's scratch rows) must add and
    // compare their numbers as 0, not as Null.
    db->execute("INSERT INTO Documentos (Nombre) VALUES (?)", {std::string("Solo nombre")});
    db->execute("INSERT INTO AuxEdo (Cliente) VALUES (?)", {std::string("X")});
    EXPECT_EQ(scalar("SELECT count(*) FROM Documentos WHERE Id_Cliente = 0 AND Fecha = 0 AND Vence = 0 "
                     "AND Folio = 0 AND Importe = 0 AND Total = 0 AND YaPagado = 0 AND Pagado = 0 "
                     "AND Cancelada = 0 AND Serie IS NULL AND RFC IS NULL"),
              1);
    EXPECT_EQ(scalar("SELECT count(*) FROM AuxEdo WHERE Fecha = 0 AND Cargos + Abonos + Saldo = 0"), 1);
}

TEST_F(SchemaTest, DeletingADocumentTakesItsLinesAndPaymentsAlong) {
    db->execute("INSERT INTO Documentos (Nombre, Folio) VALUES ('Uno', 1)");
    const auto kept = db->lastInsertId();
    db->execute("INSERT INTO Documentos (Nombre, Folio) VALUES ('Dos', 2)");
    const auto gone = db->lastInsertId();
    for (auto doc : {kept, gone}) {
        for (std::int64_t line = 1; line <= 3; ++line)
            db->execute("INSERT INTO Detalles (Id_Documento, Renglon) VALUES (?, ?)", {doc, line});
        db->execute("INSERT INTO Cobros (Id_Documento, NumPago, Importe) VALUES (?, 1, 10.0)", {doc});
    }

    CDocumentosSet docs(*db);
    docs.m_strFilter = "Id_Documento = ?";
    docs.m_filterParams = {gone};
    docs.Open();
    ASSERT_EQ(docs.GetRecordCount(), 1);
    docs.Delete();

    EXPECT_EQ(scalar("SELECT count(*) FROM Detalles WHERE Id_Documento = ?", {gone}), 0);
    EXPECT_EQ(scalar("SELECT count(*) FROM Cobros WHERE Id_Documento = ?", {gone}), 0);
    EXPECT_EQ(scalar("SELECT count(*) FROM Detalles WHERE Id_Documento = ?", {kept}), 3);
    EXPECT_EQ(scalar("SELECT count(*) FROM Cobros WHERE Id_Documento = ?", {kept}), 1);
}

TEST_F(SchemaTest, ClaveIndexIsUniqueWithoutRegardToCase) {
    bool found = false, unique = false;
    Statement list = db->dialect().isServer()
                         ? db->prepare("SELECT indexname, indexdef LIKE 'CREATE UNIQUE%' FROM pg_indexes WHERE "
                                       "tablename = 'articulos'")
                         : db->prepare("SELECT name, \"unique\" FROM pragma_index_list('Articulos')");
    while (list.step())
        if (lowered(list.text(0)) == "clave") {
            found = true;
            unique = list.integer(1) != 0;
        }
    EXPECT_TRUE(found);
    EXPECT_TRUE(unique);
    db->execute("INSERT INTO Articulos (Clave) VALUES ('S001')");
    EXPECT_THROW(db->execute("INSERT INTO Articulos (Clave) VALUES ('s001')"), DbError);
    // Articles without a key do not collide with each other.
    db->execute("INSERT INTO Articulos (Clave) VALUES (NULL)");
    db->execute("INSERT INTO Articulos (Clave) VALUES (NULL)");
    EXPECT_EQ(scalar("SELECT count(*) FROM Articulos"), 3);
}

TEST_F(SchemaTest, SeedRows) {
    CGeneralSet general(*db);
    general.Open(OpenType::Snapshot);
    EXPECT_EQ(general.GetRecordCount(), 1);
    EXPECT_EQ(general.m_Version, 200);
    EXPECT_EQ(general.m_Moneda, "PESOS");
    EXPECT_EQ(general.m_Postfijo, "M.N.");
    EXPECT_EQ(general.m_Nombre, "");
    EXPECT_EQ(general.m_In, "");

    CEsxtrasSet extras(*db);
    extras.m_strSort = "Consec";
    extras.Open(OpenType::Snapshot);
    EXPECT_EQ(extras.GetRecordCount(), 10);
    int consec = 0;
    for (; !extras.IsEOF(); extras.MoveNext()) {
        ++consec;
        EXPECT_EQ(extras.m_Consec, consec);
        EXPECT_EQ(extras.m_DeDetalle, consec >= 7) << consec;
        EXPECT_EQ(extras.m_Nombre, "") << consec;
    }
    EXPECT_EQ(consec, 10);

    struct Tax { std::string name; double percent; bool withholding; };
    std::vector<Tax> taxes;
    CImpuestosSet impuestos(*db);
    impuestos.m_strSort = "Id_Impuesto";
    impuestos.Open(OpenType::Snapshot);
    for (; !impuestos.IsEOF(); impuestos.MoveNext()) {
        EXPECT_GT(impuestos.m_Id_Impuesto, 0);
        taxes.push_back({impuestos.m_Nombre, impuestos.m_Porcentaje, impuestos.m_Retencion});
    }
    ASSERT_EQ(taxes.size(), 5u);
    const Tax wanted[] = {{"IVA 16 %", 16, false}, {"IVA 8 %", 8, false}, {"IVA 0 %", 0, false},
                          {"Ret. IVA", 10.6667, true}, {"Ret. ISR", 10, true}};
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(taxes[i].name, wanted[i].name);
        EXPECT_DOUBLE_EQ(taxes[i].percent, wanted[i].percent) << wanted[i].name;
        EXPECT_EQ(taxes[i].withholding, wanted[i].withholding) << wanted[i].name;
    }
    // The configuration combo lists the taxes that are not withholdings.
    EXPECT_EQ(scalar("SELECT count(*) FROM Impuestos WHERE Retencion = 0"), 3);
}

} // namespace
