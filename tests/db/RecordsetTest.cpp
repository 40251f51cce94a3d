// Record-set operations as the forms and reports use them: filters with bound values, sort, moves,
// find, seek, add, edit, delete, paged reading of long lists and ad-hoc SELECTs.
#include "db/ArticulosSet.h"
#include "db/ClientesSet.h"
#include "db/CobrosSet.h"
#include "db/Database.h"
#include "db/DbError.h"
#include "db/DocumentosSet.h"
#include "db/FormatosSet.h"
#include "db/ImpuestosSet.h"
#include "db/SpanishText.h"
#include "db/TolRecordset.h"
#include "db/Transaction.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

std::string numbered(const char* prefix, int n) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%s%05d", prefix, n);
    return buf;
}

class RecordsetTest : public ::testing::Test {
protected:
    void SetUp() override { db = testDb.create(); }

    std::int64_t scalar(const std::string& sql, const std::vector<DbValue>& params = {}) {
        Statement st = db->prepare(sql);
        st.bindAll(params);
        EXPECT_TRUE(st.step()) << sql;
        return st.integer(0);
    }

    // Customers "C00000" … in id order, classified "A" when even and "B" when odd.
    void addCustomers(int count) {
        Transaction tx(*db);
        Statement insert = db->prepare("INSERT INTO Clientes (Nombre, Clasificacion) VALUES (?, ?)");
        for (int i = 0; i < count; ++i) {
            insert.reset();
            insert.bind(1, numbered("C", i)).bind(2, std::string(i % 2 ? "B" : "A"));
            insert.execute();
        }
        tx.commit();
    }

    std::vector<std::string> names(CClientesSet& set) {
        std::vector<std::string> out;
        for (set.MoveFirst(); !set.IsEOF(); set.MoveNext())
            out.push_back(set.m_Nombre);
        return out;
    }

    TestDatabase testDb;
    std::unique_ptr<Database> db;
};

TEST_F(RecordsetTest, AddNewGivesTheEngineIdentifierAtOnce) {
    CClientesSet clientes(*db);
    clientes.Open();
    clientes.AddNew();
    clientes.m_Nombre = "Primero";
    clientes.Update();
    const std::int32_t first = clientes.m_Id_Cliente;
    EXPECT_GT(first, 0);
    EXPECT_EQ(clientes.GetLastModifiedBookmark(), first);

    clientes.AddNew();
    EXPECT_EQ(clientes.m_Id_Cliente, 0) << "AddNew starts from empty members";
    EXPECT_EQ(clientes.m_Nombre, "");
    clientes.m_Nombre = "Segundo";
    clientes.Update();
    EXPECT_GT(clientes.m_Id_Cliente, first);
    EXPECT_EQ(scalar("SELECT Id_Cliente FROM Clientes WHERE Nombre = 'Segundo'"), clientes.m_Id_Cliente);

    // Moving to the last modified row reads what was written.
    clientes.SetBookmark(clientes.GetLastModifiedBookmark());
    EXPECT_EQ(clientes.m_Nombre, "Segundo");
    clientes.SetBookmark(first);
    EXPECT_EQ(clientes.m_Nombre, "Primero");

    CArticulosSet articulos(*db);
    articulos.Open();
    articulos.AddNew();
    articulos.m_Clave = "S001";
    articulos.m_Precio = 12.5;
    articulos.Update();
    EXPECT_GT(articulos.m_Id_Articulo, 0);
    EXPECT_EQ(articulos.m_Clave, "S001");
    EXPECT_DOUBLE_EQ(articulos.m_Precio, 12.5);

    // A table without an identifier of its own takes new rows as well.
    CCobrosSet cobros(*db);
    cobros.Open();
    cobros.AddNew();
    db->execute("INSERT INTO Documentos (Nombre) VALUES ('x')");
    cobros.m_Id_Documento = static_cast<std::int32_t>(db->lastInsertId());
    cobros.m_NumPago = 1;
    cobros.m_Importe = 99.5;
    cobros.Update();
    cobros.Requery();
    EXPECT_EQ(cobros.GetRecordCount(), 1);
    EXPECT_DOUBLE_EQ(cobros.m_Importe, 99.5);
}

TEST_F(RecordsetTest, EmptySeriesIsStoredAsNullAndNullTextReadsEmpty) {
    CDocumentosSet docs(*db);
    docs.Open();
    for (const char* serie : {"A", "", "B"}) {
        docs.AddNew();
        docs.m_Serie = serie;
        docs.m_Folio = 7;
        docs.m_Nombre = serie[0] ? "Con serie" : "";
        docs.Update();
    }
    EXPECT_EQ(scalar("SELECT count(*) FROM Documentos WHERE Serie IS NULL AND Nombre IS NULL"), 1);
    EXPECT_EQ(scalar("SELECT count(*) FROM Documentos WHERE Serie = ''"), 0);

    CDocumentosSet found(*db);
    found.m_strFilter = "Serie IS NULL AND Folio = ?";
    found.m_filterParams = {std::int64_t{7}};
    found.Open(OpenType::Snapshot);
    ASSERT_EQ(found.GetRecordCount(), 1);
    EXPECT_EQ(found.m_Serie, "");

    // A Null row read after a row with text must not keep the earlier row's text.
    CDocumentosSet all(*db);
    all.Open(OpenType::Snapshot);
    EXPECT_EQ(all.m_Nombre, "Con serie");
    all.MoveNext();
    EXPECT_EQ(all.m_Nombre, "");
    EXPECT_EQ(all.m_Serie, "");
    EXPECT_TRUE(isNull(all.GetFieldValue("Serie")));
}

TEST_F(RecordsetTest, FilterWithBoundValuesSortAndMoves) {
    addCustomers(10);
    CClientesSet set(*db);
    set.m_strFilter = "Clasificacion = ? AND Nombre <> ?";
    set.m_filterParams = {std::string("B"), numbered("C", 5)};
    set.m_strSort = "Nombre DESC";
    set.Open(OpenType::Snapshot);
    EXPECT_EQ(set.GetRecordCount(), 4);
    EXPECT_EQ(names(set), (std::vector<std::string>{numbered("C", 9), numbered("C", 7), numbered("C", 3),
                                                      numbered("C", 1)}));
    set.MoveLast();
    EXPECT_EQ(set.m_Nombre, numbered("C", 1));
    EXPECT_EQ(set.GetAbsolutePosition(), 3);
    set.MoveNext();
    EXPECT_TRUE(set.IsEOF());
    EXPECT_EQ(set.GetAbsolutePosition(), -1);
    set.MovePrev();
    EXPECT_EQ(set.m_Nombre, numbered("C", 1));

    // The filter is a condition, not text to splice: a quote in a value is just a character.
    set.Close();
    set.m_filterParams = {std::string("B' OR '1'='1"), std::string("x")};
    set.Open(OpenType::Snapshot);
    EXPECT_EQ(set.GetRecordCount(), 0);
    EXPECT_TRUE(set.IsEOF());
    EXPECT_TRUE(set.IsBOF());
    EXPECT_EQ(set.m_Nombre, "");
}

TEST_F(RecordsetTest, FindFirstFollowsTheSetOrderAndItsFilter) {
    addCustomers(20);
    CClientesSet set(*db);
    set.m_strFilter = "Clasificacion = ?";
    set.m_filterParams = {std::string("A")};
    set.m_strSort = "Nombre DESC";
    set.Open();
    ASSERT_TRUE(set.FindFirst("Nombre < ?", {numbered("C", 11)}));
    EXPECT_EQ(set.m_Nombre, numbered("C", 10));
    // C00011 matches the condition but not the set's filter.
    EXPECT_FALSE(set.FindFirst("Nombre = ?", {numbered("C", 11)}));
    EXPECT_TRUE(set.IsEOF());
    EXPECT_THROW(set.Edit(), DbError);
    ASSERT_TRUE(set.FindFirst("Nombre LIKE ?", {std::string("C0000%")}));
    EXPECT_EQ(set.m_Nombre, numbered("C", 8));
}

TEST_F(RecordsetTest, EditUpdatesOnlyTheCurrentRow) {
    addCustomers(3);
    CClientesSet set(*db);
    set.Open();
    set.MoveNext();
    set.Edit();
    set.m_Nombre = "Cambiado";
    set.m_RFC = "XAXX010101000";
    set.Update();
    EXPECT_EQ(set.m_Nombre, "Cambiado");
    EXPECT_EQ(set.GetLastModifiedBookmark(), set.GetBookmark());
    set.Requery();
    EXPECT_EQ(names(set), (std::vector<std::string>{numbered("C", 0), "Cambiado", numbered("C", 2)}));
    EXPECT_EQ(scalar("SELECT count(*) FROM Clientes WHERE RFC IS NOT NULL"), 1);

    // Clearing a text writes Null back.
    set.MoveFirst();
    set.MoveNext();
    set.Edit();
    set.m_RFC.clear();
    set.Update();
    EXPECT_EQ(scalar("SELECT count(*) FROM Clientes WHERE RFC IS NOT NULL"), 0);

    // Moving away abandons the edit.
    set.Edit();
    set.m_Nombre = "Nunca";
    set.MoveNext();
    EXPECT_THROW(set.Update(), DbError);
    EXPECT_EQ(scalar("SELECT count(*) FROM Clientes WHERE Nombre = 'Nunca'"), 0);
}

TEST_F(RecordsetTest, DeleteThenMoveNextReachesTheFollowingRow) {
    addCustomers(5);
    CClientesSet set(*db);
    set.Open();
    set.MoveNext();
    set.Delete();
    EXPECT_THROW(set.Delete(), DbError);
    EXPECT_THROW(set.Edit(), DbError);
    set.MoveNext();
    EXPECT_EQ(set.m_Nombre, numbered("C", 2));
    set.MoveLast();
    set.Delete();
    set.MoveNext();
    EXPECT_TRUE(set.IsEOF());
    set.MovePrev();
    EXPECT_EQ(set.m_Nombre, numbered("C", 3));
    EXPECT_EQ(set.GetRecordCount(), 3);
    EXPECT_EQ(scalar("SELECT count(*) FROM Clientes"), 3);
    set.Requery();
    EXPECT_EQ(names(set), (std::vector<std::string>{numbered("C", 0), numbered("C", 2), numbered("C", 3)}));

    // Deleting every row one after the other, as a purge does.
    for (set.MoveFirst(); !set.IsEOF(); set.MoveNext())
        set.Delete();
    EXPECT_EQ(scalar("SELECT count(*) FROM Clientes"), 0);
}

TEST_F(RecordsetTest, PagesAcrossBoundariesInBothDirections) {
    addCustomers(250);
    CClientesSet set(*db);
    set.Open();
    EXPECT_EQ(set.GetRecordCount(), 250);
    const auto all = names(set);
    ASSERT_EQ(all.size(), 250u);
    for (int i = 0; i < 250; ++i)
        ASSERT_EQ(all[static_cast<std::size_t>(i)], numbered("C", i));

    set.SetAbsolutePosition(199);
    EXPECT_EQ(set.m_Nombre, numbered("C", 199));
    set.MoveNext();
    EXPECT_EQ(set.m_Nombre, numbered("C", 200));
    set.SetAbsolutePosition(100);
    set.MovePrev();
    EXPECT_EQ(set.m_Nombre, numbered("C", 99));
    EXPECT_EQ(set.GetAbsolutePosition(), 99);

    // An edit far from the current page is seen when that page is read again.
    set.SetAbsolutePosition(150);
    set.Edit();
    set.m_Nombre = "Editado";
    set.Update();
    set.SetAbsolutePosition(5);
    set.SetAbsolutePosition(150);
    EXPECT_EQ(set.m_Nombre, "Editado");

    set.SetAbsolutePosition(250);
    EXPECT_TRUE(set.IsEOF());
    set.SetAbsolutePosition(-1);
    EXPECT_TRUE(set.IsBOF());
}

TEST_F(RecordsetTest, FarPositionsInALongSortedList) {
    addCustomers(5000);
    CClientesSet set(*db);
    set.m_strSort = "Nombre DESC";
    set.Open(OpenType::Snapshot);
    ASSERT_EQ(set.GetRecordCount(), 5000);
    set.SetAbsolutePosition(4321);
    EXPECT_EQ(set.m_Nombre, numbered("C", 4999 - 4321));
    set.SetAbsolutePosition(0);
    EXPECT_EQ(set.m_Nombre, numbered("C", 4999));
    set.MoveLast();
    EXPECT_EQ(set.m_Nombre, numbered("C", 0));
    // Scrolled end to end, more pages than the cache keeps: every row is still the right one.
    int expected = 4999;
    for (set.MoveFirst(); !set.IsEOF(); set.MoveNext(), --expected)
        ASSERT_EQ(set.m_Nombre, numbered("C", expected));
    EXPECT_EQ(expected, -1);
    set.SetAbsolutePosition(17);
    EXPECT_EQ(set.m_Nombre, numbered("C", 4999 - 17));
}

TEST_F(RecordsetTest, SeekOnTheNamedIndexes) {
    CArticulosSet articulos(*db);
    articulos.Open(OpenType::Table);
    for (const char* clave : {"A100", "S001", "Z9"}) {
        articulos.AddNew();
        articulos.m_Clave = clave;
        articulos.m_Descripcion = std::string("Artículo ") + clave;
        articulos.Update();
    }
    const std::int32_t s001 = static_cast<std::int32_t>(scalar("SELECT Id_Articulo FROM Articulos WHERE Clave = 'S001'"));

    articulos.SetCurrentIndex("Clave");
    ASSERT_TRUE(articulos.Seek(std::string("s001")));
    EXPECT_EQ(articulos.m_Clave, "S001");
    EXPECT_EQ(articulos.m_Id_Articulo, s001);
    EXPECT_FALSE(articulos.Seek(std::string("S00")));
    EXPECT_TRUE(articulos.IsEOF());
    EXPECT_FALSE(articulos.Seek(std::string()));

    articulos.SetCurrentIndex("PrimaryKey");
    ASSERT_TRUE(articulos.Seek(std::int64_t{s001}));
    EXPECT_EQ(articulos.m_Clave, "S001");
    EXPECT_FALSE(articulos.Seek(std::int64_t{999999}));
    EXPECT_THROW(articulos.SetCurrentIndex("Descripcion"), DbError);

    // A second article under the same key in other letters is refused.
    articulos.AddNew();
    articulos.m_Clave = "s001";
    EXPECT_THROW(articulos.Update(), DbError);
    articulos.CancelUpdate();

    CImpuestosSet impuestos(*db);
    impuestos.Open(OpenType::Table);
    impuestos.SetCurrentIndex("PrimaryKey");
    const std::int64_t iva16 = scalar("SELECT Id_Impuesto FROM Impuestos WHERE Nombre = 'IVA 16 %'");
    ASSERT_TRUE(impuestos.Seek(iva16));
    EXPECT_DOUBLE_EQ(impuestos.m_Porcentaje, 16.0);
    EXPECT_THROW(impuestos.SetCurrentIndex("Clave"), DbError);
}

TEST_F(RecordsetTest, TableSeekSeesChangesMadeThroughOtherRecordSets) {
    // The main form keeps Articulos open as a table for its whole life while the catalogue adds
    // and edits articles through record sets of its own.
    CArticulosSet form(*db);
    form.Open(OpenType::Table);
    form.SetCurrentIndex("Clave");
    EXPECT_FALSE(form.Seek(std::string("S001")));

    CArticulosSet catalogue(*db);
    catalogue.Open();
    catalogue.AddNew();
    catalogue.m_Clave = "S001";
    catalogue.m_Precio = 10;
    catalogue.Update();
    ASSERT_TRUE(form.Seek(std::string("s001")));
    EXPECT_DOUBLE_EQ(form.m_Precio, 10.0);

    catalogue.Requery();
    catalogue.Edit();
    catalogue.m_Precio = 20;
    catalogue.Update();
    ASSERT_TRUE(form.Seek(std::string("S001")));
    EXPECT_DOUBLE_EQ(form.m_Precio, 20.0);

    catalogue.Delete();
    EXPECT_FALSE(form.Seek(std::string("S001")));
}

TEST_F(RecordsetTest, EditOfARowDeletedElsewhereFails) {
    addCustomers(2);
    CClientesSet editor(*db);
    editor.Open();
    CClientesSet other(*db);
    other.Open();
    other.Delete();
    editor.Edit();
    editor.m_Nombre = "Perdido";
    // The change has nowhere to go; saying so beats losing it in silence.
    EXPECT_THROW(editor.Update(), DbError);
    EXPECT_EQ(scalar("SELECT count(*) FROM Clientes WHERE Nombre = 'Perdido'"), 0);
    EXPECT_EQ(scalar("SELECT count(*) FROM Clientes"), 1);
}

TEST_F(RecordsetTest, CancelUpdateRestoresTheCurrentRow) {
    addCustomers(2);
    CClientesSet set(*db);
    set.Open();
    set.MoveNext();
    set.AddNew();
    set.m_Nombre = "Abandonado";
    set.CancelUpdate();
    EXPECT_EQ(set.m_Nombre, numbered("C", 1));
    set.Edit();
    set.m_Nombre = "Tampoco";
    set.CancelUpdate();
    EXPECT_EQ(set.m_Nombre, numbered("C", 1));
    EXPECT_EQ(scalar("SELECT count(*) FROM Clientes"), 2);
    EXPECT_THROW(set.Update(), DbError);
}

TEST_F(RecordsetTest, DifficultTextsSurviveEveryPath) {
    std::string longText;
    while (SpanishText::length(longText) < 10000)
        longText += "ñandú Peña O'Higgins \"comillas\" ; -- ";
    longText = SpanishText::left(longText, 10000);
    ASSERT_EQ(SpanishText::length(longText), 10000u);
    const std::vector<std::string> texts = {"O'Higgins", "Pérez Núñez, José Ángel", "ÑOÑO año", "'; DROP TABLE Clientes; --",
                                            longText};

    CClientesSet set(*db);
    set.Open();
    for (const std::string& t : texts) {
        set.AddNew();
        set.m_Nombre = t;
        set.m_Dom1 = t;
        set.Update();
    }
    for (const std::string& t : texts) {
        ASSERT_TRUE(set.FindFirst("Nombre = ?", {t})) << t.substr(0, 40);
        EXPECT_TRUE(set.m_Nombre == t);
        EXPECT_TRUE(set.m_Dom1 == t);
        set.Edit();
        set.m_Dom2 = t + "'";
        set.Update();
    }
    CClientesSet check(*db);
    check.Open(OpenType::Snapshot);
    std::size_t i = 0;
    for (; !check.IsEOF(); check.MoveNext(), ++i) {
        ASSERT_LT(i, texts.size());
        EXPECT_TRUE(check.m_Nombre == texts[i]) << i;
        EXPECT_TRUE(check.m_Dom2 == texts[i] + "'") << i;
    }
    EXPECT_EQ(i, texts.size());

    // Binary columns keep every byte, zeros included.
    CFormatosSet formatos(*db);
    formatos.Open();
    formatos.AddNew();
    formatos.m_Nombre = "Factura";
    formatos.m_Detalle = {0x00, 0x27, 0xFF, 0x00, 0x80};
    formatos.Update();
    formatos.Requery();
    formatos.MoveLast();
    EXPECT_EQ(formatos.m_Detalle, (Blob{0x00, 0x27, 0xFF, 0x00, 0x80}));
}

TEST_F(RecordsetTest, SpanishSearchAndOrder) {
    CClientesSet set(*db);
    set.Open();
    for (const char* n : {"Zapata", "Pérez", "Ñandú", "nación", "Oso", "PEREZ", "Árbol", "Nube", "Peral"}) {
        set.AddNew();
        set.m_Nombre = n;
        set.Update();
    }
    // "perez" finds "Pérez" and "PEREZ", not "Peral".
    EXPECT_EQ(scalar("SELECT count(*) FROM Clientes WHERE fold(Nombre) LIKE ?", {"%" + SpanishText::fold("perez") + "%"}), 2);
    ASSERT_TRUE(set.FindFirst("fold(Nombre) = ?", {SpanishText::fold("PÉREZ")}));
    EXPECT_EQ(set.m_Nombre, "Pérez");
    ASSERT_TRUE(set.FindFirst("fold(Nombre) LIKE ?", {std::string("nand%")}));
    EXPECT_EQ(set.m_Nombre, "Ñandú");

    CClientesSet sorted(*db);
    sorted.m_strSort = "Nombre COLLATE ES, Id_Cliente";
    sorted.Open(OpenType::Snapshot);
    const auto order = names(sorted);
    const std::vector<std::string> wanted = {"Árbol", "nación", "Nube", "Ñandú", "Oso", "Peral", "Pérez", "PEREZ", "Zapata"};
    ASSERT_EQ(order.size(), wanted.size());
    // "Pérez" and "PEREZ" differ only in letter case and accents; their relative order is the
    // engine's tie-break, so check the rest.
    for (std::size_t i = 0; i < wanted.size(); ++i)
        if (wanted[i] != "Pérez" && wanted[i] != "PEREZ") {
            EXPECT_EQ(order[i], wanted[i]) << i;
        }

    EXPECT_LT(SpanishText::compare("nz", "ña"), 0);
    EXPECT_LT(SpanishText::compare("ñz", "oa"), 0);
    EXPECT_LT(SpanishText::compare("Ñ", "o"), 0);
    EXPECT_GT(SpanishText::compare("ña", "nz"), 0);
    // Different texts never compare equal, and the order is antisymmetric.
    EXPECT_NE(SpanishText::compare("Pérez", "PEREZ"), 0);
    EXPECT_EQ(SpanishText::compare("Pérez", "PEREZ"), -SpanishText::compare("PEREZ", "Pérez"));
    EXPECT_EQ(SpanishText::compare("Peña", "Peña"), 0);
    EXPECT_EQ(SpanishText::fold("ÁÉÍÓÚÜÑ áéíóúüñ"), "aeiouun aeiouun");
    // Bytes that are not UTF-8 neither crash nor vanish.
    EXPECT_EQ(SpanishText::fold("P\xE9rez"), "perez");
    EXPECT_EQ(SpanishText::length("\xC3"), 1u);
}

TEST_F(RecordsetTest, AdHocSelectThroughCTolRecordset) {
    db->execute("INSERT INTO Documentos (Nombre) VALUES ('Uno')");
    const std::int64_t doc = db->lastInsertId();
    for (double amount : {10.25, 20.5, 30.0})
        db->execute("INSERT INTO Detalles (Id_Documento, Importe) VALUES (?, ?)", {doc, amount});

    CTolRecordset rs(*db);
    rs.Open(OpenType::Snapshot,
            "SELECT Id_Documento, count(*) AS Lineas, sum(Importe) AS Suma FROM Detalles WHERE Id_Documento = ? "
            "GROUP BY Id_Documento",
            {doc});
    ASSERT_EQ(rs.GetRecordCount(), 1);
    EXPECT_EQ(rs.GetLong("Lineas"), 3);
    EXPECT_EQ(rs.GetLong("Id_Documento"), doc);
    EXPECT_DOUBLE_EQ(rs.GetDouble("Suma"), 60.75);
    EXPECT_DOUBLE_EQ(rs.GetDouble("Lineas"), 3.0);
    EXPECT_THROW(rs.GetLong("NoExiste"), DbError);
    EXPECT_THROW(rs.AddNew(), DbError);
    EXPECT_THROW(rs.FindFirst("Lineas = 3"), DbError);

    // Filter and sort apply to the SELECT as a whole, their values after the SELECT's own.
    CTolRecordset lines(*db);
    lines.m_strFilter = "Importe > ?";
    lines.m_filterParams = {15.0};
    lines.m_strSort = "Importe DESC";
    lines.Open(OpenType::Snapshot, "SELECT Importe FROM Detalles WHERE Id_Documento = ?", {doc});
    ASSERT_EQ(lines.GetRecordCount(), 2);
    EXPECT_DOUBLE_EQ(lines.GetDouble("Importe"), 30.0);
    lines.MoveNext();
    EXPECT_DOUBLE_EQ(lines.GetDouble("Importe"), 20.5);
    lines.MoveNext();
    EXPECT_TRUE(lines.IsEOF());
    EXPECT_EQ(lines.GetLong("Importe"), 0) << "no current row reads as Null";

    // Nothing to read on a set that is not open, and no crash either.
    CTolRecordset closed(*db);
    EXPECT_TRUE(closed.IsEOF());
    EXPECT_THROW(closed.MoveNext(), DbError);
    EXPECT_THROW(closed.Open(), DbError) << "no table of its own";
}

TEST_F(RecordsetTest, SnapshotsDoNotWrite) {
    addCustomers(1);
    CClientesSet set(*db);
    set.Open(OpenType::Snapshot);
    EXPECT_THROW(set.AddNew(), DbError);
    EXPECT_THROW(set.Edit(), DbError);
    EXPECT_THROW(set.Delete(), DbError);
    EXPECT_EQ(scalar("SELECT count(*) FROM Clientes"), 1);
    CClientesSet writer(*db);
    writer.Open();
    EXPECT_THROW(writer.Update(), DbError) << "Update without AddNew or Edit";
}

TEST_F(RecordsetTest, TransactionRollsBackUnlessCommitted) {
    try {
        Transaction tx(*db);
        db->execute("INSERT INTO Clientes (Nombre) VALUES ('Uno')");
        throw std::runtime_error("falla a la mitad");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(scalar("SELECT count(*) FROM Clientes"), 0);

    // An engine error on the second write undoes the first.
    db->execute("INSERT INTO Articulos (Clave) VALUES ('K1')");
    try {
        Transaction tx(*db);
        CArticulosSet set(*db);
        set.Open();
        set.AddNew();
        set.m_Clave = "K2";
        set.Update();
        set.AddNew();
        set.m_Clave = "k1";
        set.Update();
        tx.commit();
        ADD_FAILURE() << "the duplicate key was accepted";
    } catch (const DbError&) {
    }
    EXPECT_EQ(scalar("SELECT count(*) FROM Articulos"), 1);

    {
        Transaction tx(*db);
        db->execute("INSERT INTO Clientes (Nombre) VALUES ('Dos')");
        tx.commit();
    }
    EXPECT_EQ(scalar("SELECT count(*) FROM Clientes"), 1);
    // A transaction can follow a rolled-back one on the same connection.
    Transaction again(*db);
    again.commit();
}

} // namespace
