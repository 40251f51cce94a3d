// Keyset paging checked against the plain ORDER BY of the same rows: empty and one-row lists, equal
// sort keys, empty (Null and '') keys, both directions, first and last screens, far jumps, and rows
// added or deleted by someone else between two pages.
#include "db/Database.h"
#include "db/KeysetPager.h"
#include "db/Statement.h"
#include "db/Transaction.h"
#include "support/ScratchDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>

namespace {

using Ids = std::vector<std::int64_t>;

class KeysetPagerTest : public ::testing::Test {
protected:
    void SetUp() override { db = Database::create(dir.file("prueba.mdb")); }

    Ids query(const std::string& sql) {
        Statement st = db->prepare(sql);
        Ids ids;
        while (st.step())
            ids.push_back(st.integer(0));
        return ids;
    }

    static KeysetSource customers(const std::string& filter = {}) {
        return {"Clientes", {"Nombre"}, filter, {}, {{"Nombre", true}}, "Id_Cliente"};
    }
    Ids customersInOrder(const std::string& filter = "1 = 1") {
        return query("SELECT Id_Cliente FROM Clientes WHERE " + filter +
                     " ORDER BY Nombre COLLATE ES NULLS FIRST, Id_Cliente");
    }

    // Names that the Spanish order holds equal ("Núñez", "NUNEZ"), repeated, empty and missing.
    void addCustomers(int count, unsigned seed = 7) {
        static const char* names[] = {"Núñez", "NUNEZ", "nunez", "Pérez", "Ana", "Zúñiga", "Ñandú", "ana"};
        std::mt19937 random(seed);
        Transaction tx(*db);
        for (int i = 0; i < count; ++i) {
            const unsigned pick = random() % 10;
            if (pick == 8)
                db->execute("INSERT INTO Clientes (Nombre) VALUES ('')");  // a bound "" would be Null
            else if (pick == 9)
                db->execute("INSERT INTO Clientes (Nombre) VALUES (NULL)");
            else
                db->execute("INSERT INTO Clientes (Nombre) VALUES (?)", {std::string(names[pick])});
        }
        tx.commit();
    }

    static Ids ids(KeysetPager& pager, const std::vector<KeysetRow>& rows) {
        Ids out;
        for (const KeysetRow& r : rows)
            out.push_back(std::get<std::int64_t>(pager.key(r)));
        return out;
    }
    static std::int64_t id(KeysetPager& pager, const KeysetRow* row) {
        return row ? std::get<std::int64_t>(pager.key(*row)) : -1;
    }
    static Ids walkForward(KeysetPager& pager) {
        Ids out;
        for (long p = 0; const KeysetRow* r = pager.row(p); ++p)
            out.push_back(id(pager, r));
        return out;
    }

    ScratchDir dir;
    std::unique_ptr<Database> db;
};

TEST_F(KeysetPagerTest, EmptyAndOneRowLists) {
    KeysetPager empty(*db, customers());
    EXPECT_EQ(empty.row(0), nullptr);
    EXPECT_EQ(empty.knownCount(), 0);
    EXPECT_TRUE(empty.after(nullptr, 10).empty());
    EXPECT_TRUE(empty.before(nullptr, 10).empty());
    EXPECT_TRUE(empty.fromEnd(0, 10).empty());

    db->execute("INSERT INTO Clientes (Nombre) VALUES ('Uno')");
    KeysetPager one(*db, customers());
    EXPECT_EQ(one.count(), 1);
    const KeysetRow* last = one.row(0);  // End and Home on the same row
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(std::get<std::string>((*last)[0]), "Uno");
    EXPECT_EQ(one.row(1), nullptr);
    EXPECT_EQ(one.row(-1), nullptr);
    const KeysetRow copy = *last;
    EXPECT_TRUE(one.after(&copy, 5).empty());
    EXPECT_TRUE(one.before(&copy, 5).empty());
}

TEST_F(KeysetPagerTest, EqualAndEmptyKeysReadTheSameInBothDirections) {
    addCustomers(1234);
    const Ids expected = customersInOrder();
    KeysetPager forward(*db, customers());
    EXPECT_EQ(walkForward(forward), expected);
    EXPECT_EQ(forward.knownCount(), 1234);

    // From the last row up, every row once: End, then PageUp all the way.
    KeysetPager backward(*db, customers());
    ASSERT_EQ(backward.count(), 1234);
    Ids up;
    for (long p = 1233; p >= 0; --p)
        up.push_back(id(backward, backward.row(p)));
    std::reverse(up.begin(), up.end());
    EXPECT_EQ(up, expected);

    // The seeks themselves, from rows of every kind (Null, '', equal names).
    std::vector<KeysetRow> all = forward.fromStart(0, 2000);
    ASSERT_EQ(all.size(), expected.size());
    for (std::size_t i = 0; i < all.size(); i += 37) {
        const Ids after = ids(forward, forward.after(&all[i], 50));
        const Ids before = ids(forward, forward.before(&all[i], 50));
        EXPECT_EQ(after, Ids(expected.begin() + static_cast<long>(i) + 1,
                             expected.begin() + static_cast<long>(std::min(expected.size(), i + 51))));
        EXPECT_EQ(before, Ids(expected.begin() + static_cast<long>(i < 50 ? 0 : i - 50),
                              expected.begin() + static_cast<long>(i)));
    }
}

TEST_F(KeysetPagerTest, SeveralSortKeysWithEmptySeriesAndDates) {
    // Documents: Null and '' series, Null dates, folios shared between series.
    std::mt19937 random(3);
    {
        Transaction tx(*db);
        for (int i = 0; i < 900; ++i) {
            const unsigned s = random() % 4;
            const std::string serie = s == 0 ? "NULL" : s == 1 ? "''" : s == 2 ? "'A'" : "'B'";
            const std::string fecha = random() % 5 == 0 ? "NULL" : std::to_string(40000 + random() % 30);
            db->execute("INSERT INTO Documentos (Serie, Folio, Fecha) VALUES (" + serie + ", " + std::to_string(i) +
                        ", " + fecha + ")");
        }
        tx.commit();
    }
    const Ids expected = query("SELECT Id_Documento FROM Documentos ORDER BY Serie NULLS FIRST, Fecha NULLS FIRST, "
                               "Folio, Id_Documento");
    const KeysetSource source{"Documentos", {"Serie"}, {}, {}, {{"Serie"}, {"Fecha"}, {"Folio"}}, "Id_Documento"};
    KeysetPager forward(*db, source);
    EXPECT_EQ(walkForward(forward), expected);
    KeysetPager backward(*db, source);
    backward.count();
    Ids up;
    for (long p = 899; p >= 0; --p)
        up.push_back(id(backward, backward.row(p)));
    std::reverse(up.begin(), up.end());
    EXPECT_EQ(up, expected);
}

TEST_F(KeysetPagerTest, FarJumpsFromEitherEnd) {
    addCustomers(2500);
    const Ids expected = customersInOrder();
    KeysetPager pager(*db, customers());
    EXPECT_EQ(id(pager, pager.row(0)), expected.front());  // before the count: from the start
    EXPECT_EQ(id(pager, pager.row(1800)), expected[1800]);
    pager.count();
    for (long p : {2499L, 1250L, 3L, 2400L, 2398L, 1249L, 0L, 2499L})  // End, middle, Home ...
        EXPECT_EQ(id(pager, pager.row(p)), expected[static_cast<std::size_t>(p)]) << p;
    EXPECT_EQ(pager.row(2500), nullptr);
}

TEST_F(KeysetPagerTest, FarJumpsFromSampledKeysLandExactlyAndSurviveDeletions) {
    addCustomers(6000);
    const Ids expected = customersInOrder();
    KeysetPager pager(*db, customers(), 10 * KeysetPager::kPage, 512);
    pager.count();
    // Around the samples (every 512 rows; a window starts 50 rows before the row asked for) and
    // far from both ends.
    for (long p : {3000L, 562L, 563L, 1074L, 1075L, 2098L, 4200L, 1100L, 5400L, 3001L})
        EXPECT_EQ(id(pager, pager.row(p)), expected[static_cast<std::size_t>(p)]) << p;

    // Another station deletes a third of the rows after the count: a far jump lands on a row that
    // exists and reads on in order from it.
    db->execute("DELETE FROM Clientes WHERE Id_Cliente % 3 = 0");
    const Ids now = customersInOrder();
    const std::int64_t landed = id(pager, pager.row(3600));
    const auto at = std::find(now.begin(), now.end(), landed);
    ASSERT_NE(at, now.end());
    for (long step = 1; step <= 150 && at + step != now.end(); ++step)
        ASSERT_EQ(id(pager, pager.row(3600 + step)), *(at + step)) << step;
}

TEST_F(KeysetPagerTest, RowsAddedOrDeletedBetweenPagesAreNeitherRepeatedNorSkipped) {
    {
        Transaction tx(*db);
        for (int i = 0; i < 300; ++i)
            db->execute("INSERT INTO Clientes (Nombre) VALUES (?)", {std::string("C") + std::to_string(1000 + i)});
        tx.commit();
    }
    const std::string sql = "SELECT Id_Cliente FROM Clientes ORDER BY Nombre COLLATE ES, Id_Cliente";
    const Ids before = query(sql);
    KeysetPager pager(*db, customers());
    Ids seen;
    for (long p = 0; p < 100; ++p)
        seen.push_back(id(pager, pager.row(p)));

    // The last row read and the next one go, a row comes after the window and one before it.
    db->execute("DELETE FROM Clientes WHERE Id_Cliente IN (?, ?)", {before[99], before[100]});
    db->execute("INSERT INTO Clientes (Nombre) VALUES ('C1150x'), ('C1010x')");
    for (long p = 100; const KeysetRow* r = pager.row(p); ++p)
        seen.push_back(id(pager, r));

    const Ids now = query(sql);
    const Ids tail(std::find(now.begin(), now.end(), before[101]), now.end());
    Ids expected(before.begin(), before.begin() + 100);
    expected.insert(expected.end(), tail.begin(), tail.end());
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(std::set<std::int64_t>(seen.begin(), seen.end()).size(), seen.size());
    EXPECT_EQ(expected.size(), 300u);  // two deleted, one added after the window, one before it

    // Going back up from there seeks by values: the deleted anchor row is no obstacle either.
    pager.reset();
    pager.count();
    Ids up;
    for (long p = 299; p >= 0; --p)
        if (const KeysetRow* r = pager.row(p))
            up.push_back(id(pager, r));
    std::reverse(up.begin(), up.end());
    EXPECT_EQ(up, now);
}

TEST_F(KeysetPagerTest, FilterNarrowsAndCountsWithBoundValues) {
    addCustomers(600);
    const std::string narrow = "fold(Nombre) LIKE ? ESCAPE '\\'";
    KeysetSource source = customers(narrow);
    source.params = {std::string("%NUNEZ%")};
    KeysetPager narrowed(*db, source);
    const Ids expected = customersInOrder("fold(Nombre) LIKE '%NUNEZ%'");
    ASSERT_GT(expected.size(), 100u);
    EXPECT_EQ(narrowed.count(), static_cast<long>(expected.size()));
    EXPECT_EQ(walkForward(narrowed), expected);

    KeysetPager widened(*db, customers());
    EXPECT_EQ(widened.count(), 600);
    EXPECT_EQ(walkForward(widened), customersInOrder());
}

} // namespace
