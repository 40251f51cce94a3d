// The designer's storage: every stored layout opens and saves back to the same bytes, rows are
// copied, renamed and deleted, a damaged stream is reported and kept, and Caben follows the
// detail area unless it was fixed by hand.
#include "config/Import13.h"
#include "config/NewDatabase.h"
#include "db/Database.h"
#include "db/FormatosSet.h"
#include "db/Statement.h"
#include "designer/FormatBackground.h"
#include "designer/FormatCatalog.h"
#include "designer/FormatPaperStore.h"
#include "printing/DefaultFormats.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

namespace {

const std::string kFixture =
    (std::filesystem::path(QUINTALEVA_FIXTURES) / "v13" / "ejemplo.mdb").string();

struct Row {
    std::vector<unsigned char> detalle;
    std::int32_t caben = 0, repetir = 0;
    std::string nombre, observaciones;
};

Row ReadRow(Database& db, std::int32_t id) {
    CFormatosSet set(db);
    set.m_strFilter = "[Id_Formato]=?";
    set.m_filterParams = {DbValue{std::int64_t{id}}};
    set.Open();
    EXPECT_FALSE(set.IsEOF());
    return {set.m_Detalle, set.m_Caben, set.m_Repetir, set.m_Nombre, set.m_Observaciones};
}

class FormatCatalog : public ::testing::Test {
protected:
    void SetUp() override { db = CreateNewDatabase(testDb.location()); }
    TestDatabase testDb;
    std::unique_ptr<Database> db;
};

} // namespace

TEST_F(FormatCatalog, SeededAndImportedFormatsSaveBackByteForByte) {
    const CImport13::Result imported = CImport13::Run(*db, kFixture);
    ASSERT_TRUE(imported.ok) << imported.message;
    CFormatCatalog catalog(*db);
    const auto entries = catalog.List();
    // "Factura carta", "Factura electrónica", "Recibo de pago electrónico", "Nota de venta en hoja
    // blanca" and the two formats of the old file.
    ASSERT_EQ(entries.size(), 6u);
    bool sawInvoice = false;
    for (const auto& entry : entries) {
        SCOPED_TRACE(entry.name);
        sawInvoice |= entry.name == kDefaultInvoiceFormat;
        const Row before = ReadRow(*db, entry.id);
        CDesignFormat format;
        ASSERT_TRUE(catalog.Load(entry.id, format));
        EXPECT_FALSE(format.Format.Elements.empty());
        EXPECT_EQ(format.Format.WriteStream(), before.detalle);
        ASSERT_TRUE(catalog.Save(format));
        const Row after = ReadRow(*db, entry.id);
        EXPECT_EQ(after.detalle, before.detalle);
        EXPECT_EQ(after.caben, before.caben);
        EXPECT_EQ(after.repetir, before.repetir);
        EXPECT_EQ(after.nombre, before.nombre);
    }
    EXPECT_TRUE(sawInvoice);
}

TEST_F(FormatCatalog, CabenFollowsTheDetailAreaUnlessFixedByHand) {
    CFormatCatalog catalog(*db);
    CDesignFormat format;
    format.Name = "Remisión";
    format.Format.DetailTop = -800;
    format.Format.DetailBottom = -2000;
    format.Format.Pitch = 45;
    format.Format.Caben = 3; // not by hand: replaced on save
    ASSERT_TRUE(catalog.Save(format));
    ASSERT_NE(format.Id, 0);
    EXPECT_EQ(ReadRow(*db, format.Id).caben, 26); // 1200 / 45

    CDesignFormat loaded;
    ASSERT_TRUE(catalog.Load(format.Id, loaded));
    EXPECT_FALSE(loaded.CabenByHand);
    loaded.CabenByHand = true;
    loaded.Format.Caben = 12;
    ASSERT_TRUE(catalog.Save(loaded));
    ASSERT_TRUE(catalog.Load(format.Id, loaded));
    EXPECT_TRUE(loaded.CabenByHand);
    EXPECT_EQ(loaded.Format.Caben, 12);

    // No pitch, or a detail area smaller than one line: still one line per sheet.
    CWindowsFormat odd;
    EXPECT_EQ(CDesignFormat::DerivedCaben(odd), 1);
    odd.Pitch = 50;
    odd.DetailTop = -100;
    odd.DetailBottom = -120;
    EXPECT_EQ(CDesignFormat::DerivedCaben(odd), 1);
}

TEST_F(FormatCatalog, DuplicateRenameAndDeleteTouchOnlyTheirRow) {
    CFormatCatalog catalog(*db);
    const auto entries = catalog.List();
    ASSERT_EQ(entries.size(), 4u); // "Factura carta", "Factura electrónica", "Recibo de pago electrónico", the sale note
    ASSERT_EQ(entries[0].name, kDefaultInvoiceFormat);
    const std::int32_t original = entries[0].id;
    const auto copy = catalog.Duplicate(original, "Copia de Factura carta");
    ASSERT_TRUE(copy);
    EXPECT_EQ(ReadRow(*db, *copy).detalle, ReadRow(*db, original).detalle);
    EXPECT_EQ(ReadRow(*db, *copy).caben, ReadRow(*db, original).caben);
    EXPECT_TRUE(catalog.Rename(*copy, "Factura O'Higgins"));
    EXPECT_EQ(ReadRow(*db, *copy).nombre, "Factura O'Higgins");
    EXPECT_EQ(ReadRow(*db, original).nombre, kDefaultInvoiceFormat);
    EXPECT_EQ(catalog.List().size(), 5u);
    EXPECT_TRUE(catalog.Delete(*copy));
    EXPECT_FALSE(catalog.Delete(*copy));
    EXPECT_FALSE(catalog.Rename(*copy, "x"));
    EXPECT_FALSE(catalog.Duplicate(*copy, "x"));
    ASSERT_EQ(catalog.List().size(), 4u);

    // The ticket row is not a Windows format: not listed, not opened, not deleted.
    CFormatosSet ticket(*db);
    ticket.m_strFilter = "[Ticket]<>0";
    ticket.Open();
    ASSERT_FALSE(ticket.IsEOF());
    CDesignFormat format;
    EXPECT_EQ(catalog.Load(ticket.m_Id_Formato, format).status, CFormatCatalog::Status::Missing);
    EXPECT_FALSE(catalog.Delete(ticket.m_Id_Formato));
}

TEST_F(FormatCatalog, DamagedStreamIsReportedAndKeptUntilANewLayoutIsSaved) {
    CFormatCatalog catalog(*db);
    const std::int32_t id = catalog.List()[0].id;
    std::vector<unsigned char> bytes = ReadRow(*db, id).detalle;
    bytes.resize(bytes.size() / 2);
    db->execute("UPDATE Formatos SET Detalle = ?, Observaciones = 'nota' WHERE Id_Formato = ?",
                {DbValue{bytes}, DbValue{std::int64_t{id}}});

    CDesignFormat format;
    const CFormatCatalog::Result r = catalog.Load(id, format);
    EXPECT_EQ(r.status, CFormatCatalog::Status::Damaged);
    EXPECT_EQ(r.message, CFormatCatalog::kDamagedMessage);
    EXPECT_EQ(format.Id, id);
    EXPECT_EQ(format.Observaciones, "nota");
    EXPECT_TRUE(format.Format.Elements.empty());
    EXPECT_EQ(ReadRow(*db, id).detalle, bytes);

    format.Format.Pitch = 50;
    format.Format.Elements.resize(1);
    ASSERT_TRUE(catalog.Save(format));
    CDesignFormat again;
    ASSERT_TRUE(catalog.Load(id, again));
    EXPECT_EQ(again.Format.Elements.size(), 1u);
}

TEST_F(FormatCatalog, BackgroundPictureHasItsOwnTableMadeWhenFirstNeeded) {
    CFormatCatalog catalog(*db);
    const std::int32_t id = catalog.List()[0].id;
    const Row before = ReadRow(*db, id);
    CFormatBackgroundStore store(*db);
    EXPECT_FALSE(store.Load(id)); // no table yet
    store.Remove(id);             // nothing to remove, no error
    auto tables = [&] { return db->hasTable("FondosFormato") ? 1 : 0; };
    EXPECT_EQ(tables(), 0);

    FormatBackground b;
    b.picture = {0x89, 'P', 'N', 'G', 0, 1, 2};
    b.left = -12.5;
    b.top = 30;
    b.width = 2159;
    b.height = 2794;
    b.opacity = 35;
    store.Store(id, b);
    EXPECT_EQ(tables(), 1);
    auto loaded = store.Load(id);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->picture, b.picture);
    EXPECT_DOUBLE_EQ(loaded->left, -12.5);
    EXPECT_EQ(loaded->opacity, 35);
    b.opacity = 80;
    store.Store(id, b);
    EXPECT_EQ(store.Load(id)->opacity, 80);
    // The format's own row and stream are untouched, and the file still opens as ours.
    EXPECT_EQ(ReadRow(*db, id).detalle, before.detalle);
    db.reset();
    db = testDb.open();
    CFormatCatalog again(*db);
    EXPECT_TRUE(CFormatBackgroundStore(*db).Load(id));
    // Deleting the format deletes its picture.
    ASSERT_TRUE(again.Delete(id));
    EXPECT_FALSE(CFormatBackgroundStore(*db).Load(id));
}

TEST(FormatBackground, TwoReferencePointsPlaceAndScaleThePicture) {
    FormatBackground b;
    // A 1000 × 1300 pixel scan whose points (100, 100) and (900, 100) are at 10 mm and 210 mm.
    const auto placed = b.AlignedBy({100, 100}, {900, 100}, {100, 150}, {2100, 150}, 1000, 1300);
    ASSERT_TRUE(placed);
    EXPECT_DOUBLE_EQ(placed->width, 2500);  // 2.5 units per pixel
    EXPECT_DOUBLE_EQ(placed->height, 3250);
    EXPECT_DOUBLE_EQ(placed->left, -150);
    EXPECT_DOUBLE_EQ(placed->top, -100);
    EXPECT_FALSE(b.AlignedBy({5, 5}, {5, 5}, {0, 0}, {100, 0}, 1000, 1300));
}

TEST_F(FormatCatalog, PaperAndPictureAreSavedWithTheFormatAndFollowItsRow) {
    CFormatCatalog catalog(*db);
    const std::int32_t id = catalog.List()[0].id;
    const Row before = ReadRow(*db, id);
    CDesignFormat format;
    ASSERT_TRUE(catalog.Load(id, format));
    // Formats from before the paper was kept are on letter paper; reading makes no table.
    EXPECT_EQ(format.Sheet, SheetSize::Standard().front());
    EXPECT_FALSE(format.Background);
    auto tables = [&](const char* name) { return db->hasTable(name) ? 1 : 0; };
    EXPECT_EQ(tables(CFormatPaperStore::kTable), 0);

    format.Sheet = SheetSize::Named("Media carta");
    auto picture = std::make_shared<FormatBackground>();
    picture->picture = {'B', 'M', 1, 2, 3};
    picture->opacity = 35;
    format.Background = picture;
    ASSERT_TRUE(catalog.Save(format));
    EXPECT_EQ(ReadRow(*db, id).detalle, before.detalle); // the stream stays as it was

    CDesignFormat loaded;
    ASSERT_TRUE(catalog.Load(id, loaded));
    EXPECT_EQ(loaded.Sheet, SheetSize::Named("Media carta"));
    ASSERT_TRUE(loaded.Background);
    EXPECT_EQ(*loaded.Background, *picture);

    // A paper of the operator's own size; the picture taken off.
    loaded.Sheet = {"", 1800, 2400};
    loaded.Background.reset();
    ASSERT_TRUE(catalog.Save(loaded));
    ASSERT_TRUE(catalog.Load(id, format));
    EXPECT_EQ(format.Sheet, (SheetSize{"", 1800, 2400}));
    EXPECT_FALSE(format.Background);

    // A copy keeps the paper; deleting a format deletes its paper row.
    const auto copy = catalog.Duplicate(id, "Copia");
    ASSERT_TRUE(copy);
    ASSERT_TRUE(catalog.Load(*copy, format));
    EXPECT_EQ(format.Sheet, (SheetSize{"", 1800, 2400}));
    ASSERT_TRUE(catalog.Delete(*copy));
    Statement rows = db->prepare("SELECT count(*) FROM PapelFormato WHERE Id_Formato = ?");
    rows.bind(1, std::int64_t{*copy});
    rows.step();
    EXPECT_EQ(rows.integer(0), 0);

    // The file still opens as ours with the added table.
    db.reset();
    db = testDb.open();
    ASSERT_TRUE(CFormatCatalog(*db).Load(id, format));
    EXPECT_EQ(format.Sheet.width, 1800);
}

TEST(FormatBackground, TwoPointsStraightenACrookedScanToItsFarCorners) {
    // An A4 scan at 300 dpi lying 0.6° crooked: its true placement on the sheet.
    constexpr double W = 2480, H = 3508;
    FormatBackground truth;
    truth.left = 123.4;
    truth.top = -87.6;
    truth.width = W * 0.8467;
    truth.height = H * 0.8467;
    truth.rotation = 0.6;
    // Picture and sheet agree through the placement both ways.
    const FormatBackground::Point corner = truth.ToSheet({W, H}, W, H);
    const FormatBackground::Point back = truth.ToPicture(corner, W, H);
    EXPECT_NEAR(back.x, W, 1e-6);
    EXPECT_NEAR(back.y, H, 1e-6);

    // The operator picks two marks near opposite corners and types their places in whole tenths
    // of a millimetre.
    const FormatBackground::Point p1{150, 200}, p2{2300, 3300};
    auto typed = [&](FormatBackground::Point p) {
        const auto s = truth.ToSheet(p, W, H);
        return FormatBackground::Point{std::round(s.x), std::round(s.y)};
    };
    FormatBackground first; // as first put under the sheet: square, at the sheet's width
    first.width = 2159;
    first.height = 2159 * H / W;
    const auto placed = first.AlignedBy(p1, p2, typed(p1), typed(p2), W, H);
    ASSERT_TRUE(placed);
    EXPECT_NEAR(placed->rotation, 0.6, 0.02);
    for (const FormatBackground::Point c : {FormatBackground::Point{0, 0}, {W, 0}, {0, H}, {W, H}}) {
        const auto want = truth.ToSheet(c, W, H);
        const auto got = placed->ToSheet(c, W, H);
        EXPECT_LT(std::hypot(got.x - want.x, got.y - want.y), 2.0) << c.x << ", " << c.y; // 0.2 mm
    }
    // Turned the other way as well.
    truth.rotation = -0.9;
    const auto other = first.AlignedBy(p1, p2, typed(p1), typed(p2), W, H);
    ASSERT_TRUE(other);
    EXPECT_NEAR(other->rotation, -0.9, 0.02);
}

TEST_F(FormatCatalog, PictureStoredBeforeTheTurnWasKeptLoadsSquareAndGainsIt) {
    const std::int32_t id = CFormatCatalog(*db).List()[0].id;
    // The table as an earlier version made it, with one picture in it.
    db->execute("CREATE TABLE FondosFormato (Id_Formato INTEGER PRIMARY KEY, Imagen BLOB, Izquierda REAL, "
                "Arriba REAL, Ancho REAL, Alto REAL, Opacidad INTEGER)");
    db->execute("INSERT INTO FondosFormato VALUES (?, ?, 12.5, -30, 2159, 2794, 40)",
                {DbValue{std::int64_t{id}}, DbValue{Blob{'B', 'M', 7}}});
    CDesignFormat format;
    ASSERT_TRUE(CFormatCatalog(*db).Load(id, format));
    ASSERT_TRUE(format.Background);
    EXPECT_EQ(format.Background->picture, (Blob{'B', 'M', 7}));
    EXPECT_DOUBLE_EQ(format.Background->left, 12.5);
    EXPECT_EQ(format.Background->opacity, 40);
    EXPECT_EQ(format.Background->rotation, 0);

    // Saved turned, the table gains the column and keeps the turn; the file still opens as ours.
    auto turned = std::make_shared<FormatBackground>(*format.Background);
    turned->rotation = 0.35;
    format.Background = turned;
    ASSERT_TRUE(CFormatCatalog(*db).Save(format));
    db.reset();
    db = testDb.open();
    CDesignFormat again;
    ASSERT_TRUE(CFormatCatalog(*db).Load(id, again));
    ASSERT_TRUE(again.Background);
    EXPECT_EQ(*again.Background, *turned);
}
