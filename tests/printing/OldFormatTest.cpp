// Formats of the previous version (1.3): the stream as that version wrote it, and its conversion
// into a Windows format of ours.
#include "printing/OldFormat.h"
#include "StreamBytes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

struct Old {
    int x, y, width, datum, colour;
    const char* text; // Windows-1252 bytes
    int height, weight, italic;
    const char* face;
};

StreamBytes oldStream(double top, double bottom, double pitch, const std::vector<Old>& elements) {
    StreamBytes s;
    s.i32(static_cast<std::int64_t>(elements.size())).f64(top).f64(bottom).f64(pitch);
    for (const Old& e : elements)
        s.i32(e.x).i32(e.y).i32(e.width).i32(e.datum).i32(e.colour).str(e.text).font(e.height, e.weight,
                                                                                    static_cast<std::uint8_t>(e.italic), e.face);
    return s;
}

const std::vector<Old> kNota = {
    {100, 150, 800, 0, 0x000000FF, "NOTA DE REMISI\xD3N", -50, 700, 1, "Courier New"},
    {1500, 2500, 400, 15, 0x00800000, "Total", 40, 400, 0, "Arial"},
    {10, 20, 30, 25, 0, "", -35, 400, 0, "Arial"},
    {200, 950, 100, 32, 0, "", -30, 400, 0, "Courier New"},
    {300, 950, 1000, 37, 0x00404040, "", -30, 400, 0, "Courier New"},
    {1600, 950, 300, 34, 0, "", -30, 400, 0, "Courier New"},
};

TEST(OldFormat, ReadsTheStreamAsVersionOneThreeWroteIt) {
    const StreamBytes s = oldStream(9.5, 21.0, 0.5, kNota);
    // 28 header bytes; an element is 20 + 1 + L + 60 bytes.
    EXPECT_EQ(s.bytes.size(), 28u + 6 * 81 + 16 + 5);
    COldFormat old;
    ASSERT_TRUE(old.ReadStream(s.bytes));
    EXPECT_EQ(old.Top, 9.5);
    EXPECT_EQ(old.Bottom, 21.0);
    EXPECT_EQ(old.Pitch, 0.5);
    ASSERT_EQ(old.Elements.size(), 6u);
    EXPECT_EQ(old.Elements[0].Text, "NOTA DE REMISIÓN");
    EXPECT_EQ(old.Elements[0].Font.FaceName, "Courier New");
    EXPECT_EQ(old.Elements[0].Font.Italic, 1);
    EXPECT_EQ(old.Elements[1].Datum, 15);
    EXPECT_EQ(old.Elements[1].Font.Height, 40);
    // Our writer of the old layout gives the same bytes, which the tests of the import rely on.
    EXPECT_EQ(old.WriteStream(), s.bytes);

    for (std::size_t n = 0; n < s.bytes.size(); ++n) {
        COldFormat cut;
        EXPECT_FALSE(cut.ReadStream(s.bytes.data(), n)) << n;
    }
    StreamBytes huge;
    huge.i32(0x7FFFFFFF).f64(0).f64(0).f64(0).raw(std::string(100, '\0'));
    EXPECT_FALSE(old.ReadStream(huge.bytes));
    EXPECT_EQ(old.Elements.size(), 6u) << "a failed read leaves the format as it was";
}

TEST(OldFormat, ConvertsHeaderPositionsDataAndFonts) {
    COldFormat old;
    ASSERT_TRUE(old.ReadStream(oldStream(9.5, 21.0, 0.5, kNota).bytes));
    const CWindowsFormat f = old.Convert();
    EXPECT_EQ(f.DetailTop, -950);
    EXPECT_EQ(f.DetailBottom, -2100);
    EXPECT_EQ(f.Pitch, 50);
    EXPECT_EQ(f.Caben, 23);
    ASSERT_EQ(f.Elements.size(), 6u);

    const CRenglonFormato& title = f.Elements[0];
    ASSERT_EQ(title.Fields.size(), 1u);
    EXPECT_EQ(title.Fields[0].Kind, FIELD_TEXT);
    EXPECT_EQ(title.Fields[0].Text, "NOTA DE REMISIÓN");
    EXPECT_EQ(title.Alignment, ALIGN_LEFT);
    EXPECT_EQ(title.Position, (FormatRect{100, -150, 900, -50 - 150 - 10}));
    EXPECT_EQ(title.Colour, 0x000000FF);
    EXPECT_EQ(title.Font, old.Elements[0].Font);

    // Datum 15 is the total: a right-aligned document datum 36; its old text is not kept.
    const CRenglonFormato& total = f.Elements[1];
    ASSERT_EQ(total.Fields.size(), 1u);
    EXPECT_EQ(total.Fields[0].Kind, FIELD_DOC);
    EXPECT_EQ(total.Fields[0].Index, 36);
    EXPECT_EQ(total.Alignment, ALIGN_RIGHT);
    EXPECT_EQ(total.Position, (FormatRect{1500, -2500, 1900, 40 - 2500 - 10}));

    EXPECT_TRUE(f.Elements[2].Fields.empty()) << "data 21 to 29 have no field";

    // Detail data sit on the first detail line; the notes one text line lower.
    const CRenglonFormato& qty = f.Elements[3];
    EXPECT_EQ(qty.Fields[0].Kind, FIELD_DETAIL);
    EXPECT_EQ(qty.Fields[0].Index, 14);
    EXPECT_EQ(qty.Position, (FormatRect{200, -950, 300, -950 - 30 - 10}));
    const CRenglonFormato& notes = f.Elements[4];
    EXPECT_TRUE(notes.IsNotesElement());
    EXPECT_EQ(notes.Position, (FormatRect{300, -990, 1300, -990 - 30 - 10}));
    EXPECT_EQ(f.Elements[5].Fields[0].Index, 10);
    EXPECT_EQ(f.Elements[5].Alignment, ALIGN_RIGHT);

    // The converted format goes through our own stream unchanged.
    CWindowsFormat back;
    ASSERT_TRUE(back.ReadStream(f.WriteStream()));
    back.Caben = f.Caben;
    EXPECT_EQ(back, f);
}

TEST(OldFormat, DatumTable) {
    const int header[20] = {2, 3, 4, 5, 6, 8, 9, 10, 12, 18, 25, 27, 29, 32, 36, 37, 19, 20, 21, 22};
    const int detail[8] = {1, 2, 14, 3, 10, 4, 11, 15};
    COldFormat::Element e;
    for (int datum = -2; datum <= 40; ++datum) {
        e.Datum = datum;
        const CRenglonFormato n = COldFormat::ConvertElement(e, -900, -2000);
        const bool right = (datum >= 11 && datum <= 15) || datum == 22 || datum == 23 || (datum >= 33 && datum <= 36);
        EXPECT_EQ(n.Alignment, right ? ALIGN_RIGHT : ALIGN_LEFT) << datum;
        if (datum >= 1 && datum <= 20) {
            ASSERT_EQ(n.Fields.size(), 1u);
            EXPECT_EQ(n.Fields[0].Kind, FIELD_DOC);
            EXPECT_EQ(n.Fields[0].Index, header[datum - 1]) << datum;
        } else if (datum >= 30 && datum <= 37) {
            ASSERT_EQ(n.Fields.size(), 1u);
            EXPECT_EQ(n.Fields[0].Kind, FIELD_DETAIL);
            EXPECT_EQ(n.Fields[0].Index, detail[datum - 30]) << datum;
        } else {
            EXPECT_EQ(n.Fields.size(), datum == 0 ? 1u : 0u) << datum;
        }
    }
}

TEST(OldFormat, DamagedNumbersConvertWithinLimits) {
    COldFormat old;
    old.Top = 6.0;
    old.Bottom = 12.0;
    old.Pitch = 0;
    EXPECT_EQ(old.Convert().Caben, 0);
    old.Pitch = 0.5;
    EXPECT_EQ(old.Convert().Caben, 12);
    old.Top = std::numeric_limits<double>::quiet_NaN();
    old.Bottom = 1e300;
    old.Pitch = -std::numeric_limits<double>::infinity();
    const CWindowsFormat f = old.Convert();
    EXPECT_EQ(f.DetailTop, 0);
    EXPECT_EQ(f.DetailBottom, std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(f.Pitch, std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(f.Caben, 0);

    COldFormat::Element e;
    e.X = std::numeric_limits<std::int32_t>::max();
    e.Width = std::numeric_limits<std::int32_t>::max();
    e.Y = std::numeric_limits<std::int32_t>::min();
    e.Font.Height = std::numeric_limits<std::int32_t>::max();
    e.Datum = 1;
    const CRenglonFormato n = COldFormat::ConvertElement(e, 0, 0);
    EXPECT_EQ(n.Position.right, std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(n.Position.top, std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(n.Position.bottom, std::numeric_limits<std::int32_t>::max());
    e.Datum = 37;
    e.Font.Height = std::numeric_limits<std::int32_t>::min();
    const CRenglonFormato m = COldFormat::ConvertElement(e, std::numeric_limits<std::int32_t>::min(), 0);
    EXPECT_EQ(m.Position.top, std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(m.Position.bottom, std::numeric_limits<std::int32_t>::min());
}

} // namespace
