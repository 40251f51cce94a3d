// Formats in the database: loading by id, the ticket format, storing, and the messages for a
// missing row or a damaged stream.
#include "db/Database.h"
#include "db/FormatosSet.h"
#include "printing/FormatStore.h"
#include "printing/TicketFormat.h"
#include "printing/WindowsFormat.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>

namespace {

class FormatStore : public ::testing::Test {
protected:
    void SetUp() override { db = testDb.create(); }

    long rows(const std::string& filter = {}) {
        CFormatosSet set(*db);
        set.m_strFilter = filter;
        set.Open();
        return set.GetRecordCount();
    }

    TestDatabase testDb;
    std::unique_ptr<Database> db;
};

TEST_F(FormatStore, WindowsFormatsByIdWithTheirRowValues) {
    CFormatStore store(*db);
    CWindowsFormat f;
    f.DetailTop = -950;
    f.Pitch = 45;
    f.Caben = 23;
    f.Repetir = 1485;
    f.Elements.resize(2);
    f.Elements[0].Fields.emplace_back(FIELD_DOC, 36);
    f.Elements[1].IsLine = 1;
    const std::int32_t first = store.AddWindowsFormat("Factura carta", f);
    CWindowsFormat other;
    const std::int32_t second = store.AddWindowsFormat("Vacío", other);
    EXPECT_NE(first, second);

    CWindowsFormat loaded;
    ASSERT_TRUE(store.LoadWindowsFormat(first, loaded));
    EXPECT_EQ(loaded, f);
    ASSERT_TRUE(store.LoadWindowsFormat(second, loaded));
    EXPECT_TRUE(loaded.Elements.empty());

    const CFormatStore::Result missing = store.LoadWindowsFormat(second + 100, loaded);
    EXPECT_EQ(missing.status, CFormatStore::Status::Missing);
    EXPECT_EQ(missing.message, "No se pudo leer la definición del formato de impresión");

    f.Elements.pop_back();
    f.Caben = 10;
    EXPECT_TRUE(store.StoreWindowsFormat(first, f));
    EXPECT_FALSE(store.StoreWindowsFormat(second + 100, f));
    ASSERT_TRUE(store.LoadWindowsFormat(first, loaded));
    EXPECT_EQ(loaded, f);
    EXPECT_EQ(rows(), 2);
}

TEST_F(FormatStore, DamagedStreamIsReportedAndLoadsNothing) {
    db->execute("INSERT INTO Formatos (Nombre, Detalle, Caben, Ticket, Repetir) VALUES ('Roto', ?, 5, 0, 0)",
                {Blob{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 9, 0, 0, 0}});
    db->execute("INSERT INTO Formatos (Nombre, Detalle, Caben, Ticket, Repetir) VALUES ('Nulo', NULL, 5, 0, 0)");
    const auto id = static_cast<std::int32_t>(db->lastInsertId());
    CFormatStore store(*db);
    CWindowsFormat loaded;
    loaded.Pitch = 77;
    const CFormatStore::Result damaged = store.LoadWindowsFormat(id - 1, loaded);
    EXPECT_EQ(damaged.status, CFormatStore::Status::Damaged);
    EXPECT_EQ(damaged.message, "No se pudo leer la definición del formato de impresión");
    EXPECT_EQ(loaded.Pitch, 77);
    // A row without a stream is as unreadable as a cut one.
    EXPECT_EQ(store.LoadWindowsFormat(id, loaded).status, CFormatStore::Status::Damaged);
}

TEST_F(FormatStore, OneTicketFormatStoredUnderItsName) {
    CFormatStore store(*db);
    CTicketFormat t;
    const CFormatStore::Result none = store.LoadTicketFormat(t);
    EXPECT_EQ(none.status, CFormatStore::Status::Missing);
    EXPECT_EQ(none.message, "- No esta definido el formato del Ticket -");

    // A Windows format is never taken for the ticket.
    CWindowsFormat w;
    store.AddWindowsFormat("Factura", w);
    EXPECT_FALSE(store.LoadTicketFormat(t));

    t.Rows.resize(1);
    t.Rows[0].Fields.emplace_back(std::string("Gracias por su compra"));
    t.Rows[0].Alignment = ALIGN_CENTER;
    store.StoreTicketFormat(t);
    db->execute("UPDATE Formatos SET Nombre = 'otro' WHERE Ticket <> 0");
    t.Rows.resize(2);
    t.Rows[1].Fields.emplace_back(FIELD_DETAIL, 2, 25);
    store.StoreTicketFormat(t);
    EXPECT_EQ(rows("Ticket <> 0"), 1);
    EXPECT_EQ(rows("Ticket <> 0 AND Nombre = 'TICKET'"), 1);

    CTicketFormat loaded;
    ASSERT_TRUE(store.LoadTicketFormat(loaded));
    EXPECT_EQ(loaded, t);

    db->execute("UPDATE Formatos SET Detalle = ? WHERE Ticket <> 0", {Blob{1, 0, 0, 0, 3}});
    const CFormatStore::Result damaged = store.LoadTicketFormat(loaded);
    EXPECT_EQ(damaged.status, CFormatStore::Status::Damaged);
    EXPECT_EQ(loaded, t);
}

} // namespace
