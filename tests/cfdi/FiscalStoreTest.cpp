#include "CfdiFixture.h"
#include "cfdi/FiscalStore.h"
#include "cfdi/FiscalTables.h"
#include "cfdi/SatCatalogs.h"
#include "db/Database.h"
#include "db/Statement.h"
#include "db/Transaction.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

namespace {

std::int64_t tables(Database& db) {
    std::int64_t n = 0;
    for (const char* name : {"DatosFiscales", "ClientesFiscales", "ArticulosFiscales", "ImpuestosFiscales",
                             "DocumentosFiscales", "Cfdis"})
        n += db.hasTable(name) ? 1 : 0;
    return n;
}

} // namespace

TEST(FiscalStore, AFileWithoutFiscalTablesGetsThemAndTheUsualTaxesTheirMeaning) {
    TestDatabase testDb;
    {
        auto db = testDb.create();
        EXPECT_EQ(tables(*db), 0);
    }
    auto db = testDb.open();
    CFiscalStore store(*db);
    EXPECT_EQ(tables(*db), 6);
    const auto iva16 = store.impuesto(1);
    ASSERT_TRUE(iva16);
    EXPECT_EQ(iva16->impuesto, "002");
    EXPECT_EQ(iva16->tipoFactor, "Tasa");
    EXPECT_DOUBLE_EQ(iva16->tasaOCuota, 0.16);
    EXPECT_DOUBLE_EQ(store.impuesto(4)->tasaOCuota, 0.106667);
    EXPECT_EQ(store.impuesto(5)->impuesto, "001");

    // A second time changes nothing, and data survive.
    store.saveImpuesto(1, {"002", "Tasa", 0.08});
    EmisorFiscal e{"EKU9003173C9", "ESCUELA KEMPER URGATE", "601", "26015", {1, 2, 3}, {4, 5}};
    store.saveEmisor(e);
    FiscalTables::ensure(*db);
    EXPECT_DOUBLE_EQ(store.impuesto(1)->tasaOCuota, 0.08);
    EXPECT_EQ(store.emisor().certificado, (Blob{1, 2, 3}));
    EXPECT_EQ(store.emisor().razonSocial, "ESCUELA KEMPER URGATE");

    db->execute("INSERT INTO Clientes (Nombre) VALUES ('X')");
    const auto id = static_cast<std::int32_t>(db->lastInsertId());
    store.saveCliente(id, {"01000", "612", "G03"});
    EXPECT_EQ(store.cliente(id)->regimenFiscal, "612");
    db->execute("DELETE FROM Clientes WHERE Id_Cliente = ?", {std::int64_t{id}});
    EXPECT_FALSE(store.cliente(id));
}

TEST(FiscalStore, TwoStationsOpeningADatabaseWithoutFiscalTablesAtOnceBothGoOn) {
    TestDatabase testDb;
    testDb.create();
    auto first = testDb.open();
    auto second = testDb.open();
    // The first station is making the tables when the second one finds them missing.
    auto making = std::make_unique<Transaction>(*first);
    FiscalTables::createTables(*first);
    first->execute("INSERT INTO ImpuestosFiscales (Id_Impuesto, Impuesto, TipoFactor, TasaOCuota) "
                   "VALUES (1, '002', 'Tasa', 0.16)");
    auto other = std::async(std::launch::async, [&second] { FiscalTables::ensure(*second); });
    // The second waits on the first's write; let it get there before the first is done.
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    making->commit();
    EXPECT_NO_THROW(other.get());
    EXPECT_EQ(tables(*second), 6);
    Statement taxes = second->prepare("SELECT count(*) FROM ImpuestosFiscales");
    ASSERT_TRUE(taxes.step());
    EXPECT_EQ(taxes.integer(0), 1);
}

TEST(SatCatalogs, ChecksRfcRegimenPostalCodeAndKeys) {
    using namespace SatCatalogs;
    EXPECT_TRUE(isRfc("EKU9003173C9"));
    EXPECT_TRUE(isRfc("MAPÑ800101AB1"));
    EXPECT_TRUE(isRfc("XAXX010101000"));
    EXPECT_FALSE(isRfc("ICV06032"));
    EXPECT_FALSE(isRfc("EKU9013173C9")); // month 13
    EXPECT_FALSE(isRfc("eku9003173c9"));
    EXPECT_EQ(normalizeRfc(" eku-900317-3c9 "), "EKU9003173C9");
    EXPECT_EQ(normalizeRfc("mapñ800101ab1"), "MAPÑ800101AB1");
    EXPECT_TRUE(regimenFitsRfc("601", "EKU9003173C9"));
    EXPECT_FALSE(regimenFitsRfc("612", "EKU9003173C9"));
    EXPECT_TRUE(regimenFitsRfc("612", "MAPÑ800101AB1"));
    EXPECT_TRUE(isCodigoPostal("01000"));
    EXPECT_FALSE(isCodigoPostal("1000"));
    EXPECT_FALSE(isCodigoPostal("0100a"));
    EXPECT_TRUE(isClaveProdServ("01010101"));
    EXPECT_FALSE(isClaveProdServ("0101010"));
    EXPECT_FALSE(isClaveProdServ("00000000"));
    EXPECT_TRUE(isClaveUnidad("H87"));
    EXPECT_FALSE(isClaveUnidad("h87"));
    EXPECT_FALSE(isClaveUnidad("ABCD"));
    EXPECT_TRUE(contains(usosCfdi(), "G03"));
    EXPECT_FALSE(contains(formasPago(), "07"));
}

// A file whose CFDIs were sealed before stamping existed gets the stamp's columns at its next
// opening, and keeps its sealed CFDIs.
TEST(FiscalStore, AnOlderCfdiTableGetsTheStampColumnsAndKeepsItsRows) {
    CfdiFixture f;
    const std::int32_t a = f.addArticle("V1", "Viejo", "01010101", f.iva16);
    const std::int32_t id = f.save(f.cliente, 1, {f.line(a, 10, 1)}, "V");
    f.db->execute("DROP TABLE Cfdis");
    f.db->execute("CREATE TABLE Cfdis (Id_Documento INTEGER PRIMARY KEY REFERENCES Documentos(Id_Documento) ON "
                  "DELETE CASCADE, Xml BLOB NOT NULL, Estado TEXT NOT NULL, NoCertificado TEXT, Sellado REAL)");
    f.db->execute("INSERT INTO Cfdis (Id_Documento, Xml, Estado, NoCertificado, Sellado) VALUES (?, ?, 'Sellado', '1', 0)",
                  {std::int64_t{id}, Blob{'<', 'x', '/', '>'}});
    auto db = f.testDb.open();
    CFiscalStore store(*db);
    const auto stored = store.cfdi(id);
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->xml, "<x/>");
    EXPECT_EQ(stored->estado, "Sellado");
    store.saveStampFailure(id, true, "sin respuesta");
    EXPECT_EQ(store.pendingStamps(), std::vector<std::int32_t>{id});
    store.saveStamped(id, "<y/>", "04BF2854-FE7D-4377-9196-71248F060ABB", 46300);
    EXPECT_EQ(store.cfdi(id)->uuid, "04BF2854-FE7D-4377-9196-71248F060ABB");
    EXPECT_TRUE(store.pendingStamps().empty());
    // Opened once more: nothing left to add, nothing changed.
    auto again = f.testDb.open();
    EXPECT_EQ(CFiscalStore(*again).cfdi(id)->estado, "Timbrado");
}
