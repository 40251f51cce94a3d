#include "db/Database.h"
#include "db/DbError.h"
#include "db/Statement.h"
#include "invoice/DocumentStore.h"
#include "support/QueryCount.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>

#include <functional>
#include <limits>

namespace {

CPartida line(const std::string& clave, double precio, double cantidad, double iva = 0.16) {
    CPartida p;
    p.Clave = clave;
    p.Descripcion = "Artículo " + clave;
    p.Precio = precio;
    p.Cantidad = cantidad;
    p.pI1 = iva;
    p.Id_Imp1 = iva > 0 ? 1 : 0;
    p.Recalculate();
    return p;
}

class DocumentStoreTest : public ::testing::Test {
protected:
    TestDatabase testDb;
    std::unique_ptr<Database> db = testDb.create();
    CDocumentStore store{*db};

    DocumentHeader header(const std::string& serie, std::int32_t folio, const std::string& nombre = "O'Higgins y Cía.") {
        DocumentHeader h;
        h.nombre = nombre;
        h.dom1 = "Paseo de la Reforma 505";
        h.rfc = "OCI010101AB2";
        h.fecha = OleDate::fromDate(2026, 12, 7, 10, 30);
        h.vence = OleDate::fromDate(2027, 1, 6);
        h.serie = serie;
        h.folio = folio;
        h.observaciones = "Entrega en mostrador";
        h.extras[2] = "Pedido 77";
        return h;
    }
};

TEST_F(DocumentStoreTest, SavesHeaderLinesPaymentAndAddsWhatTheCataloguesLack) {
    std::vector<CPartida> lines = {line("NUEVO-1", 100, 2), line("NUEVO-1", 100, 1), line("", 50, 1, 0)};
    DocumentHeader h = header("A", 7);
    const DocumentTotals totals = DocumentTotals::Of(lines);
    const std::int32_t id = store.Save(h, lines, totals, {true, 5000, "Transferencia 12"}, std::nullopt).id;

    // The customer typed by hand joined the catalogue once and the header took its id.
    EXPECT_EQ(QueryCount(*db, "SELECT count(*) FROM Clientes"), 1);
    EXPECT_NE(h.idCliente, 0);
    EXPECT_EQ(QueryCount(*db, "SELECT Id_Cliente FROM Documentos WHERE Id_Documento = ?", {std::int64_t{id}}), h.idCliente);
    // Two lines with the same new key add one article; a line without key adds none.
    EXPECT_EQ(QueryCount(*db, "SELECT count(*) FROM Articulos"), 1);
    EXPECT_NE(lines[0].Id_Articulo, 0);
    EXPECT_EQ(lines[0].Id_Articulo, lines[1].Id_Articulo);
    EXPECT_EQ(lines[2].Id_Articulo, 0);
    // A payment above the total is the total; the document is paid.
    Statement doc = db->prepare("SELECT YaPagado, Pagado, Total, Serie, Folio, Observaciones, Extra3 FROM Documentos");
    ASSERT_TRUE(doc.step());
    EXPECT_DOUBLE_EQ(doc.real(0), totals.Total);
    EXPECT_EQ(doc.integer(1), 1);
    EXPECT_DOUBLE_EQ(doc.real(2), totals.Total);
    EXPECT_EQ(doc.text(3), "A");
    EXPECT_EQ(doc.integer(4), 7);
    EXPECT_EQ(doc.text(5), "Entrega en mostrador");
    EXPECT_EQ(doc.text(6), "Pedido 77");
    Statement cobro = db->prepare("SELECT NumPago, Importe, Referencia, Id_Cliente, Fecha FROM Cobros");
    ASSERT_TRUE(cobro.step());
    EXPECT_EQ(cobro.integer(0), 1);
    EXPECT_DOUBLE_EQ(cobro.real(1), totals.Total);
    EXPECT_EQ(cobro.text(2), "Transferencia 12");
    EXPECT_EQ(cobro.integer(3), h.idCliente);
    EXPECT_DOUBLE_EQ(cobro.real(4), h.fecha.value);
    EXPECT_FALSE(cobro.step());

    // Saved again over itself: nothing more joins the catalogues, the old payments go.
    const auto stored = store.FindStored("A", 7);
    ASSERT_TRUE(stored);
    EXPECT_EQ(store.Save(h, lines, totals, {}, stored).outcome, SaveResult::Outcome::Saved);
    EXPECT_EQ(QueryCount(*db, "SELECT count(*) FROM Clientes"), 1);
    EXPECT_EQ(QueryCount(*db, "SELECT count(*) FROM Articulos"), 1);
    EXPECT_EQ(QueryCount(*db, "SELECT count(*) FROM Documentos WHERE Serie = 'A' AND Folio = 7"), 1);
    EXPECT_EQ(QueryCount(*db, "SELECT count(*) FROM Cobros"), 0);
    EXPECT_EQ(QueryCount(*db, "SELECT count(*) FROM Detalles"), 3);
    EXPECT_EQ(QueryCount(*db, "SELECT Pagado FROM Documentos"), 0);

    // The same name typed again on a new document is another customer: they match by id only.
    DocumentHeader again = header("A", 8);
    store.Save(again, lines, totals, {}, std::nullopt);
    EXPECT_EQ(QueryCount(*db, "SELECT count(*) FROM Clientes"), 2);
}

TEST_F(DocumentStoreTest, APaymentOfTheTotalInCentsPaysTheUnroundedTotal) {
    // 0.10 + 0.20 sums to 0.30000000000000004; the registration proposes and reads back $0.30.
    std::vector<CPartida> lines = {line("C1", 0.1, 1, 0), line("C2", 0.2, 1, 0)};
    const DocumentTotals totals = DocumentTotals::Of(lines);
    ASSERT_GT(totals.Total, 0.3);
    DocumentHeader h = header("P", 1);
    store.Save(h, lines, totals, {true, 0.3, ""}, std::nullopt);
    EXPECT_EQ(QueryCount(*db, "SELECT Pagado FROM Documentos"), 1);
    EXPECT_FALSE(IsPaid(0.29, totals.Total));
    EXPECT_TRUE(IsPaid(0, 0.004));
}

TEST_F(DocumentStoreTest, NoFolioAfterTheLastAndNoInfiniteTotals) {
    std::vector<CPartida> lines = {line("K", 1, 1, 0)};
    DocumentHeader last = header("Z", 2147483647);
    store.Save(last, lines, DocumentTotals::Of(lines), {}, std::nullopt);
    // After the last folio a Long holds, the lowest free one: never a wrap to 0.
    EXPECT_EQ(store.NextFolio("Z"), 1);
    for (const std::int32_t folio : {1, 2, 4}) {
        DocumentHeader h = header("Z", folio);
        store.Save(h, lines, DocumentTotals::Of(lines), {}, std::nullopt);
    }
    EXPECT_EQ(store.NextFolio("Z"), 3);
    EXPECT_EQ(store.NextFolio(""), 1);

    DocumentTotals huge = DocumentTotals::Of(lines);
    huge.Total = std::numeric_limits<double>::infinity();
    DocumentHeader h = header("Y", 1);
    EXPECT_THROW(store.Save(h, lines, huge, {}, std::nullopt), DbError);
    EXPECT_EQ(QueryCount(*db, "SELECT count(*) FROM Documentos WHERE Serie = 'Y'"), 0);
}

TEST_F(DocumentStoreTest, TotalZeroIsPaidWithoutPaymentAndFreeKeysMatchTheCatalogueCaseInsensitively) {
    db->execute("INSERT INTO Articulos (Clave, Descripcion, Precio) VALUES ('S001', 'Cuaderno', 35.5)");
    std::vector<CPartida> lines = {line("s001", 0, 1, 0)};
    DocumentHeader h = header("", 1);
    store.Save(h, lines, DocumentTotals::Of(lines), {}, std::nullopt);
    EXPECT_EQ(QueryCount(*db, "SELECT count(*) FROM Articulos"), 1);
    EXPECT_EQ(lines[0].Id_Articulo, 1);
    EXPECT_EQ(QueryCount(*db, "SELECT Pagado FROM Documentos"), 1);
    EXPECT_EQ(QueryCount(*db, "SELECT count(*) FROM Documentos WHERE Serie IS NULL"), 1);
}

TEST_F(DocumentStoreTest, AFailureBetweenTwoInsertsWritesNothingAndKeepsTheFormsIds) {
    std::vector<CPartida> lines = {line("K1", 10, 1), line("K2", 20, 1), line("K3", 30, 1)};
    TestDatabase::injectFailure(*db, "Detalles", "INSERT", "NEW.Renglon = 3");
    DocumentHeader h = header("B", 1);
    EXPECT_THROW(store.Save(h, lines, DocumentTotals::Of(lines), {true, 5, ""}, std::nullopt), DbError);
    for (const char* table : {"Documentos", "Detalles", "Cobros", "Clientes", "Articulos"})
        EXPECT_EQ(QueryCount(*db, std::string("SELECT count(*) FROM ") + table), 0) << table;
    EXPECT_EQ(h.idCliente, 0);
    EXPECT_EQ(lines[0].Id_Articulo, 0);

    // A replacement that fails keeps the stored document and its payment.
    TestDatabase::clearFailure(*db, "Detalles");
    store.Save(h, lines, DocumentTotals::Of(lines), {true, 5, ""}, std::nullopt);
    TestDatabase::injectFailure(*db, "Detalles", "INSERT", "NEW.Renglon = 2");
    EXPECT_THROW(store.Save(h, lines, DocumentTotals::Of(lines), {}, store.FindStored("B", 1)), DbError);
    EXPECT_EQ(QueryCount(*db, "SELECT count(*) FROM Documentos"), 1);
    EXPECT_EQ(QueryCount(*db, "SELECT count(*) FROM Detalles"), 3);
    EXPECT_EQ(QueryCount(*db, "SELECT count(*) FROM Cobros"), 1);
}

TEST_F(DocumentStoreTest, LoadsLinesInOrderRecomputedWithTheArticlesTaxIds) {
    db->execute("INSERT INTO Articulos (Clave, Id_Imp1, Id_Ret1) VALUES ('X', 1, 4)");
    std::vector<CPartida> lines = {line("X", 100, 2), line("Y", 10, 3, 0), line("Z", 1, 1, 0)};
    DocumentHeader h = header("C", 42, "Ángela Güemes");
    h.cancelada = true;
    const std::int32_t id = store.Save(h, lines, DocumentTotals::Of(lines), {}, std::nullopt).id;
    // Stored amounts are not trusted: a wrong Total and a shuffled order come back right.
    db->execute("UPDATE Detalles SET Total = 999999, Importe = -1 WHERE Clave = 'X'");
    db->execute("UPDATE Detalles SET Renglon = 10 - Renglon");

    DocumentHeader loaded;
    std::vector<CPartida> back;
    ASSERT_EQ(store.Load(id, loaded, back), CDocumentStore::LoadResult::Loaded);
    EXPECT_EQ(loaded.serie, "C");
    EXPECT_EQ(loaded.folio, 42);
    EXPECT_EQ(loaded.nombre, "Ángela Güemes");
    EXPECT_EQ(loaded.extras[2], "Pedido 77");
    EXPECT_DOUBLE_EQ(loaded.fecha.value, h.fecha.value);
    EXPECT_FALSE(loaded.cancelada); // saved documents are never cancelled
    ASSERT_EQ(back.size(), 3u);
    EXPECT_EQ(back[0].Clave, "Z");
    EXPECT_EQ(back[2].Clave, "X");
    EXPECT_DOUBLE_EQ(back[2].Importe, 200);
    EXPECT_DOUBLE_EQ(back[2].Total, 232);
    EXPECT_EQ(back[2].Id_Imp1, 1);
    EXPECT_EQ(back[2].Id_Ret1, 4);

    db->execute("DELETE FROM Detalles");
    EXPECT_EQ(store.Load(id, loaded, back), CDocumentStore::LoadResult::NoLines);
    EXPECT_EQ(loaded.folio, 42);
    EXPECT_EQ(store.Load(id + 100, loaded, back), CDocumentStore::LoadResult::NotFound);
}

TEST_F(DocumentStoreTest, FoliosSearchCancelAndPurge) {
    EXPECT_EQ(store.NextFolio(""), 1);
    std::vector<CPartida> lines = {line("K", 10, 1)};
    for (auto [serie, folio, day] : {std::tuple{"", 3, 1}, {"", 9, 2}, {"A", 5, 3}, {"AB", 1, 4}}) {
        DocumentHeader h = header(serie, folio);
        h.fecha = OleDate::fromDate(2026, 3, day, 23, 59);
        store.Save(h, lines, DocumentTotals::Of(lines), {true, 1, ""}, std::nullopt);
    }
    EXPECT_EQ(store.NextFolio(""), 10);
    EXPECT_EQ(store.NextFolio("A"), 6);
    EXPECT_EQ(store.NextFolio("B"), 1);

    // A folio never saved, cancelled, counts as used.
    store.Cancel("B", 4);
    EXPECT_EQ(store.NextFolio("B"), 5);
    // Cancelling a stored document removes its payments.
    store.Cancel("A", 5);
    EXPECT_EQ(QueryCount(*db, "SELECT count(*) FROM Cobros c JOIN Documentos d USING (Id_Documento) WHERE d.Serie = 'A'"), 0);
    EXPECT_EQ(QueryCount(*db, "SELECT YaPagado FROM Documentos WHERE Serie = 'A'"), 0);
    EXPECT_EQ(QueryCount(*db, "SELECT Cancelada FROM Documentos WHERE Serie = 'A'"), 1);

    auto matches = [&](const DocumentFilter& f) {
        const SqlCondition c = CDocumentStore::SearchCondition(f);
        return QueryCount(*db, "SELECT count(*) FROM Documentos" + (c.sql.empty() ? "" : " WHERE " + c.sql), c.params);
    };
    EXPECT_EQ(matches({}), 5);
    DocumentFilter byFolio;
    byFolio.folio = 9;
    byFolio.idCliente = 12345; // ignored, as are the series's other documents and the period
    byFolio.porPeriodo = true;
    byFolio.desde = byFolio.hasta = OleDate::fromDate(2000, 1, 1);
    EXPECT_EQ(matches(byFolio), 1); // empty series: Is Null
    DocumentFilter period;
    period.porPeriodo = true;
    period.desde = OleDate::fromDate(2026, 3, 1);
    period.hasta = OleDate::fromDate(2026, 3, 2); // the whole last day, 23:59 included
    EXPECT_EQ(matches(period), 2);
    period.serie = "AB";
    EXPECT_EQ(matches(period), 0);

    EXPECT_EQ(store.Delete("Z", 1), CDocumentStore::DeleteResult::NotFound);
    EXPECT_EQ(store.Delete("AB", 1), CDocumentStore::DeleteResult::Deleted);
    EXPECT_EQ(store.DeleteBefore(OleDate::fromDate(2026, 3, 2, 12)), 1); // the day itself stays
    EXPECT_EQ(QueryCount(*db, "SELECT count(*) FROM Documentos WHERE Folio = 9"), 1);
    EXPECT_EQ(QueryCount(*db, "SELECT count(*) FROM Detalles d LEFT JOIN Documentos USING (Id_Documento) "
                         "WHERE Documentos.Id_Documento IS NULL"), 0);
    EXPECT_EQ(QueryCount(*db, "SELECT count(*) FROM Cobros"), 1);
}

} // namespace

namespace {

// Asked after a save whose outcome is unknown: is the document on screen the one stored?
TEST_F(DocumentStoreTest, TellsTheDocumentOnScreenFromAnotherUnderItsFolio) {
    DocumentHeader h = header("", 12);  // a customer typed by hand, no series (stored as Null)
    std::vector<CPartida> lines = {line("NUEVA", 33.33, 3), line("", 0.1, 7, 0)};
    lines[0].pDescuento = 7.5;
    lines[0].Observaciones = "sin caja";
    lines[0].Recalculate();
    lines[1].Descripcion = "Flete";
    const DocumentTotals totals = DocumentTotals::Of(lines);
    const FirstPayment payment{true, 50.25, "transferencia"};
    EXPECT_EQ(store.CompareStored(h, lines, totals, payment), StoredVersion::Absent);

    // As the form still holds it when the reply to the save never came: no ids handed out yet.
    const DocumentHeader onScreen = h;
    const std::vector<CPartida> linesOnScreen = lines;
    ASSERT_EQ(store.Save(h, lines, totals, payment, std::nullopt).outcome, SaveResult::Outcome::Saved);
    EXPECT_EQ(store.CompareStored(onScreen, linesOnScreen, totals, payment), StoredVersion::Same);
    EXPECT_EQ(store.CompareStored(h, lines, totals, payment), StoredVersion::Same);
    // Without a payment asked the stored ones are not looked at: another station may take one
    // meanwhile, and the document stays the same.
    db->execute("INSERT INTO Cobros (Id_Documento, NumPago, Importe) VALUES (?, 2, 1)", {std::int64_t{store.Find("", 12).value()}});
    EXPECT_EQ(store.CompareStored(onScreen, linesOnScreen, totals, payment), StoredVersion::Same);
    EXPECT_EQ(store.CompareStored(onScreen, linesOnScreen, totals, {}), StoredVersion::Same);
    EXPECT_EQ(store.CompareStored(header("A", 12), linesOnScreen, totals, payment), StoredVersion::Absent);

    auto differs = [&](const std::function<void(DocumentHeader&, std::vector<CPartida>&, FirstPayment&)>& change) {
        DocumentHeader other = onScreen;
        std::vector<CPartida> otherLines = linesOnScreen;
        FirstPayment otherPayment = payment;
        change(other, otherLines, otherPayment);
        return store.CompareStored(other, otherLines, DocumentTotals::Of(otherLines), otherPayment) == StoredVersion::Different;
    };
    EXPECT_TRUE(differs([](auto& d, auto&, auto&) { d.nombre = "Otra Cía."; }));
    EXPECT_TRUE(differs([](auto& d, auto&, auto&) { d.extras[2].clear(); }));
    EXPECT_TRUE(differs([](auto& d, auto&, auto&) { d.fecha = OleDate::fromDate(2026, 12, 7, 10, 31); }));
    EXPECT_TRUE(differs([&](auto& d, auto&, auto&) { d.idCliente = h.idCliente + 1; }));
    EXPECT_TRUE(differs([](auto&, auto& l, auto&) { l[1].Cantidad = 8; l[1].Recalculate(); }));
    EXPECT_TRUE(differs([](auto&, auto& l, auto&) { l[0].Observaciones = "con caja"; }));
    EXPECT_TRUE(differs([](auto&, auto& l, auto&) { std::swap(l[0], l[1]); }));
    EXPECT_TRUE(differs([](auto&, auto& l, auto&) { l.pop_back(); }));
    EXPECT_TRUE(differs([](auto&, auto& l, auto&) { l.push_back(l[1]); }));
    EXPECT_TRUE(differs([](auto&, auto& l, auto&) { l[0].Id_Articulo = 999; }));
    EXPECT_TRUE(differs([](auto&, auto&, auto& p) { p.referencia = "efectivo"; }));
    EXPECT_TRUE(differs([](auto&, auto&, auto& p) { p.importe = 50.26; }));

    // A payment asked but none stored; a cancelled one: not this document.
    DocumentHeader unpaid = header("B", 1);
    std::vector<CPartida> one = {line("K1", 10, 1)};
    ASSERT_EQ(store.Save(unpaid, one, DocumentTotals::Of(one), {}, std::nullopt).outcome, SaveResult::Outcome::Saved);
    EXPECT_EQ(store.CompareStored(unpaid, one, DocumentTotals::Of(one), {}), StoredVersion::Same);
    EXPECT_EQ(store.CompareStored(unpaid, one, DocumentTotals::Of(one), {true, 0, ""}), StoredVersion::Different);
    store.Cancel("B", 1);
    EXPECT_EQ(store.CompareStored(unpaid, one, DocumentTotals::Of(one), {}), StoredVersion::Different);
}

} // namespace
