// The catalogues' Spanish order read from the sort keys the program keeps: the keys order exactly
// as the collation does, the lists' queries run on an index without sorting, another program
// (without our functions) still writes the tables, and what it writes is keyed again before a
// list trusts the keys.
#include "db/CatalogOrder.h"
#include "db/Database.h"
#include "db/KeysetPager.h"
#include "db/SpanishText.h"
#include "db/Statement.h"
#include "db/Transaction.h"
#include "support/ScratchDir.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <random>

namespace {

using Ids = std::vector<std::int64_t>;

int sign(int v) { return (v > 0) - (v < 0); }

TEST(SpanishSortKey, OrdersAsTheCollationDoes) {
    // Letters with and without accents and case, ñ beside n and o, digits, symbols, characters
    // beyond Latin-1 and bytes that are not UTF-8.
    const std::vector<std::string> pieces = {"a", "A", "á", "n", "N", "ñ", "Ñ", "o", "z", "Z", " ", "0", "9", "-",
                                             "ü", "ÿ", "×", "中", "😀", "\x01", "\xFF", "\xC3", "nz", "ña"};
    std::mt19937 random(11);
    std::vector<std::string> texts = {"", "ñ", "n", "o", "nunez", "Núñez", "NUNEZ", "Ñandú"};
    for (int i = 0; i < 400; ++i) {
        std::string t;
        for (unsigned n = random() % 5; n > 0; --n)
            t += pieces[random() % pieces.size()];
        texts.push_back(t);
    }
    for (const std::string& a : texts)
        for (const std::string& b : texts) {
            const std::string ka = SpanishText::sortKey(a), kb = SpanishText::sortKey(b);
            ASSERT_EQ(sign(ka.compare(kb)), SpanishText::compare(a, b)) << '"' << a << "\" vs \"" << b << '"';
        }
    // A missing name comes before every name, the empty one included.
    EXPECT_LT(SpanishText::nullSortKey(), SpanishText::sortKey(""));
}

class CatalogOrderTest : public ::testing::Test {
protected:
    void SetUp() override {
        path = dir.file("prueba.mdb");
        db = Database::create(path);
    }

    Ids query(const std::string& sql) {
        Statement st = db->prepare(sql);
        Ids ids;
        while (st.step())
            ids.push_back(st.integer(0));
        return ids;
    }
    Ids collated() { return query("SELECT Id_Cliente FROM Clientes ORDER BY Nombre COLLATE ES NULLS FIRST, Id_Cliente"); }

    Ids listed() {
        KeysetPager pager(*db, {"Clientes", {"Nombre"}, {}, {}, CatalogOrder::listOrder(*db, "Clientes", "Nombre"),
                                "Id_Cliente"});
        Ids out;
        for (long p = 0; const KeysetRow* r = pager.row(p); ++p)
            out.push_back(std::get<std::int64_t>(pager.key(*r)));
        return out;
    }

    std::string plan(const std::string& sql) {
        Statement st = db->prepare("EXPLAIN QUERY PLAN " + sql);
        std::string out;
        while (st.step())
            out += st.text(3) + "\n";
        return out;
    }

    void addCustomers(int count) {
        static const char* names[] = {"Núñez", "NUNEZ", "nunez", "Pérez", "Ana", "Zúñiga", "Ñandú", "ana", "Oso"};
        std::mt19937 random(5);
        Transaction tx(*db);
        for (int i = 0; i < count; ++i) {
            const unsigned pick = random() % 11;
            if (pick == 9)
                db->execute("INSERT INTO Clientes (Nombre) VALUES ('')");
            else if (pick == 10)
                db->execute("INSERT INTO Clientes (Nombre) VALUES (NULL)");
            else
                db->execute("INSERT INTO Clientes (Nombre) VALUES (?)",
                            {std::string(names[pick]) + std::to_string(random() % 50)});
        }
        tx.commit();
    }

    // Another program: the plain engine, none of our functions or collations.
    void foreign(const std::string& sql) {
        db.reset();
        sqlite3* raw = nullptr;
        ASSERT_EQ(sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
        char* error = nullptr;
        const int rc = sqlite3_exec(raw, sql.c_str(), nullptr, nullptr, &error);
        const std::string message = error ? error : "";
        sqlite3_free(error);
        sqlite3_close(raw);
        ASSERT_EQ(rc, SQLITE_OK) << message;
        db = Database::open(path);
    }

    ScratchDir dir;
    std::string path;
    std::unique_ptr<Database> db;
};

TEST_F(CatalogOrderTest, ListsReadTheKeysIndexInTheCollationsOrder) {
    addCustomers(3000);
    EXPECT_EQ(CatalogOrder::listOrder(*db, "Clientes", "Nombre").front().column, "OrdenNombre");
    EXPECT_EQ(listed(), collated());

    // The statements a list sends (first screen, last screen, a seek either way) read an index range.
    const std::string select = "SELECT Nombre, OrdenNombre, Id_Cliente FROM Clientes ";
    for (const std::string& tail :
         {std::string("ORDER BY OrdenNombre ASC NULLS FIRST, Id_Cliente ASC NULLS FIRST LIMIT 100 OFFSET 0"),
          std::string("ORDER BY OrdenNombre DESC NULLS LAST, Id_Cliente DESC NULLS LAST LIMIT 100 OFFSET 0"),
          std::string("WHERE (OrdenNombre = x'01' AND Id_Cliente > 5) ORDER BY OrdenNombre ASC NULLS FIRST, "
                      "Id_Cliente ASC NULLS FIRST LIMIT 100 OFFSET 0"),
          std::string("WHERE (OrdenNombre < x'01') ORDER BY OrdenNombre DESC NULLS LAST, Id_Cliente DESC NULLS LAST "
                      "LIMIT 100 OFFSET 0")}) {
        const std::string p = plan(select + tail);
        EXPECT_NE(p.find("Clientes_Orden"), std::string::npos) << p;
        EXPECT_EQ(p.find("TEMP B-TREE"), std::string::npos) << p;
    }
    const std::string articles = plan("SELECT Descripcion FROM Articulos ORDER BY OrdenDescripcion, Id_Articulo LIMIT 100");
    EXPECT_EQ(articles.find("TEMP B-TREE"), std::string::npos) << articles;
}

TEST_F(CatalogOrderTest, AnotherProgramWritesAndTheKeysFollow) {
    addCustomers(50);
    // The plain sqlite3 engine can add, rename and delete customers and articles.
    foreign("INSERT INTO Clientes (Nombre, RFC) VALUES ('Ñoño', 'XAXX010101000');"
            "UPDATE Clientes SET Nombre = 'Aaron' WHERE Id_Cliente = 3;"
            "DELETE FROM Clientes WHERE Id_Cliente = 4;"
            "INSERT INTO Articulos (Clave, Descripcion, Precio) VALUES ('X1', 'Ñame', 10);");
    // Opening keyed them again.
    EXPECT_EQ(query("SELECT count(*) FROM Clientes WHERE OrdenNombre IS NULL").front(), 0);
    EXPECT_EQ(listed(), collated());
    EXPECT_EQ(query("SELECT count(*) FROM Articulos WHERE OrdenDescripcion IS NULL").front(), 0);

    // Written while the program has the file open: the next list keys them first.
    foreign("UPDATE Clientes SET Nombre = 'Zzz' WHERE Id_Cliente = 1");
    db->execute("UPDATE Clientes SET Nombre = 'Ábaco' WHERE Id_Cliente = 2");  // our own save: same trigger
    db->execute("INSERT INTO Clientes (Nombre) VALUES ('Ñu')");
    EXPECT_EQ(listed(), collated());
    // A save that leaves the name as it was keeps its key.
    db->execute("UPDATE Clientes SET Nombre = Nombre, Telefono = '555' WHERE Id_Cliente = 5");
    EXPECT_EQ(query("SELECT count(*) FROM Clientes WHERE OrdenNombre IS NULL").front(), 0);
}

TEST_F(CatalogOrderTest, AnOlderFileGainsItsKeysAndAReadOnlyOneSortsByCollation) {
    addCustomers(200);
    // A file made before the keys.
    foreign("DROP TRIGGER OrdenNombre_Viejo; DROP INDEX Clientes_Orden; ALTER TABLE Clientes DROP COLUMN OrdenNombre;");
    EXPECT_TRUE(db->hasIndex("Clientes_Orden"));
    EXPECT_EQ(listed(), collated());

    // Rows without keys that cannot be keyed now (a write refused): the list still comes in order.
    foreign("UPDATE Clientes SET Nombre = 'zeta' WHERE Id_Cliente = 7; INSERT INTO Clientes (Nombre) VALUES ('Ñ');"
            "CREATE TRIGGER niega BEFORE UPDATE OF OrdenNombre ON Clientes BEGIN SELECT RAISE(ABORT, 'no'); END;");
    EXPECT_EQ(query("SELECT count(*) FROM Clientes WHERE OrdenNombre IS NULL").front(), 2);
    EXPECT_TRUE(CatalogOrder::listOrder(*db, "Clientes", "Nombre").front().spanish);
    EXPECT_EQ(listed(), collated());
}

} // namespace
