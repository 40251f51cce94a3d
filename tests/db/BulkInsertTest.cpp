// Rows in bulk (a COPY stream on a server) come back exactly as one INSERT a row would leave them,
// and a refused row fails the lot.
#include "db/BulkInsert.h"
#include "db/Database.h"
#include "db/DbError.h"
#include "db/Transaction.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>

namespace {

using Rows = std::vector<std::vector<DbValue>>;

const std::vector<std::string> kColumns = {"Id", "Texto", "Numero", "Entero", "Datos"};

Rows Read(Database& db, const std::string& table) {
    return db.prepare("SELECT Id, Texto, Numero, Entero, Datos FROM " + table + " ORDER BY Id").fetchAll();
}

void MakeTables(Database& db) {
    for (const char* table : {"Masiva", "UnaPorUna"})
        db.execute(std::string("CREATE TABLE ") + table +
                   " (Id INTEGER PRIMARY KEY, Texto TEXT, Numero REAL, Entero INTEGER, Datos BLOB)");
}

TEST(BulkInsert, EveryKindOfValueReadsBackAsAnInsertLeavesIt) {
    TestDatabase testDb;
    auto db = testDb.create();
    MakeTables(*db);
    Blob everyByte(256);
    for (int i = 0; i < 256; ++i)
        everyByte[static_cast<std::size_t>(i)] = static_cast<unsigned char>(i);
    const Rows rows = {
        {std::int64_t{1}, std::string("O'Higgins \"el\" \\N \\x41 back\\slash"), 0.1, std::int64_t{-1}, Blob{}},
        {std::int64_t{2}, std::string("tab\there\nnew line\r\nwindows\\.\n\\."), -1e300,
         std::numeric_limits<std::int64_t>::max(), everyByte},
        {std::int64_t{3}, std::string("Ñandú, pingüino, 日本, 🙂"), 123456789.125, std::numeric_limits<std::int64_t>::min(),
         Blob{'\\', 'x', '0', '\t', '\n', 0}},
        {std::int64_t{4}, DbValue{}, DbValue{}, DbValue{}, DbValue{}},
        {std::int64_t{5}, std::string(), 5e-324, std::int64_t{0}, Blob{0}},
    };
    {
        Transaction tx(*db);
        BulkInsert bulk(*db, "Masiva", kColumns);
        for (const auto& row : rows)
            bulk.add(row);
        bulk.finish();
        Statement each = db->prepare("INSERT INTO UnaPorUna (Id, Texto, Numero, Entero, Datos) VALUES (?, ?, ?, ?, ?)");
        for (const auto& row : rows) {
            each.reset();
            each.bindAll(row);
            each.execute();
        }
        tx.commit();
    }
    const Rows bulk = Read(*db, "Masiva");
    EXPECT_EQ(bulk, Read(*db, "UnaPorUna"));
    ASSERT_EQ(bulk.size(), rows.size());
    EXPECT_EQ(bulk[1][1], rows[1][1]);
    EXPECT_EQ(bulk[1][4], DbValue(everyByte));
    EXPECT_EQ(bulk[2][1], rows[2][1]);
    EXPECT_EQ(bulk[2][2], rows[2][2]);
    EXPECT_TRUE(isNull(bulk[4][1]));  // empty text is Null, as bound
}

TEST(BulkInsert, ARefusedRowFailsTheLotAndTheDatabaseGoesOn) {
    TestDatabase testDb;
    auto db = testDb.create();
    MakeTables(*db);
    db->execute("INSERT INTO Masiva (Id, Texto) VALUES (7, 'antes')");
    EXPECT_THROW(
        {
            Transaction tx(*db);
            BulkInsert bulk(*db, "Masiva", kColumns);
            for (int i = 1; i <= 20000; ++i)  // the repeated key is sent in the stream's first piece
                bulk.add({std::int64_t{i}, std::string(40, 'x'), 1.5, std::int64_t{i}, DbValue{}});
            bulk.finish();
            tx.commit();
        },
        DbError);
    EXPECT_EQ(Read(*db, "Masiva").size(), 1u);

    // Abandoned half-way (the caller threw): nothing written, the connection usable.
    EXPECT_THROW(
        {
            Transaction tx(*db);
            BulkInsert bulk(*db, "Masiva", kColumns);
            bulk.add({std::int64_t{8}, std::string("a medias"), DbValue{}, DbValue{}, DbValue{}});
            throw DbError("interrumpido");
        },
        DbError);
    // A row of the wrong width is refused at once.
    {
        Transaction tx(*db);
        BulkInsert bulk(*db, "Masiva", kColumns);
        EXPECT_THROW(bulk.add({std::int64_t{9}}), DbError);
    }
    db->execute("INSERT INTO Masiva (Id, Texto) VALUES (10, 'después')");
    EXPECT_EQ(Read(*db, "Masiva").size(), 2u);
}

} // namespace
