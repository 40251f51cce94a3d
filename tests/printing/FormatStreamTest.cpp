// The stored format streams byte for byte: archive strings, fields, ticket rows, elements, whole
// formats; and what a damaged or truncated stream gives.
#include "printing/Archive.h"
#include "printing/ByteArrayFile.h"
#include "printing/RenglonField.h"
#include "printing/RenglonFormato.h"
#include "printing/RenglonTicket.h"
#include "printing/TicketFormat.h"
#include "printing/WindowsFormat.h"
#include "printing/Windows1252.h"
#include "StreamBytes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

template <typename T>
Bytes stored(const T& item) {
    CByteArrayFile file;
    {
        CArchive ar(file, CArchive::store);
        item.Store(ar);
    }
    return file.Detach();
}

Bytes storedString(const std::string& text) {
    CByteArrayFile file;
    CArchive ar(file, CArchive::store);
    ar.WriteString(text);
    return file.Detach();
}

std::string readString(const Bytes& bytes, bool* ok = nullptr, std::size_t* left = nullptr) {
    CByteArrayFile file(bytes);
    CArchive ar(file, CArchive::load);
    std::string s = ar.ReadString();
    if (ok)
        *ok = ar.ok();
    if (left)
        *left = ar.Remaining();
    return s;
}

CWindowsFormat sampleFormat() {
    CWindowsFormat f;
    f.DetailTop = -950;
    f.DetailBottom = -2100;
    f.Pitch = 50;
    CRenglonFormato title;
    title.Fields.emplace_back(std::string("FACTURA Ñandú"));
    title.Position = {100, -100, 900, -160};
    title.Colour = 0x000000FF;
    title.Font.Weight = 700;
    title.Font.Italic = 1;
    title.Alignment = ALIGN_CENTER;
    f.Elements.push_back(title);
    CRenglonFormato line;
    line.IsLine = 1;
    line.Position = {100, -200, 1900, -200};
    f.Elements.push_back(line);
    CRenglonFormato detail;
    detail.Fields.emplace_back(FIELD_DETAIL, 2);
    detail.Fields.emplace_back(std::string(" - "));
    detail.Fields.emplace_back(FIELD_DETAIL, 15);
    detail.Font.FaceName = "Courier New";
    detail.Font.Height = 35;
    detail.Position = {150, -950, 1000, -985};
    f.Elements.push_back(detail);
    return f;
}

TEST(ArchiveString, LengthPrefixChangesAt255And0xFFFE) {
    const Bytes s254 = storedString(std::string(254, 'a'));
    ASSERT_EQ(s254.size(), 255u);
    EXPECT_EQ(s254[0], 254);
    EXPECT_EQ(s254[1], 'a');

    const Bytes s255 = storedString(std::string(255, 'b'));
    ASSERT_EQ(s255.size(), 258u);
    EXPECT_EQ((Bytes{s255[0], s255[1], s255[2], s255[3]}), (Bytes{0xFF, 0xFF, 0x00, 'b'}));

    const Bytes s65533 = storedString(std::string(0xFFFD, 'c'));
    EXPECT_EQ((Bytes{s65533[0], s65533[1], s65533[2]}), (Bytes{0xFF, 0xFD, 0xFF}));
    const Bytes s65534 = storedString(std::string(0xFFFE, 'd'));
    ASSERT_EQ(s65534.size(), 7u + 0xFFFE);
    EXPECT_EQ((Bytes(s65534.begin(), s65534.begin() + 8)), (Bytes{0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0, 0, 'd'}));

    // Each reads back whole, consuming exactly its bytes.
    for (const Bytes* b : {&s254, &s255, &s65533, &s65534}) {
        bool ok = false;
        std::size_t left = 1;
        const std::string text = readString(*b, &ok, &left);
        EXPECT_TRUE(ok);
        EXPECT_EQ(left, 0u);
        EXPECT_EQ(text.size(), b->size() - (b->size() < 258 ? 1 : b->size() < 0xFFFE + 3 ? 3 : 7));
    }
    EXPECT_EQ(readString(s255), std::string(255, 'b'));
    EXPECT_EQ(readString(s65534), std::string(0xFFFE, 'd'));
}

TEST(ArchiveString, Windows1252OnTheStreamUtf8Inside) {
    EXPECT_EQ(storedString("Ñ"), (Bytes{1, 0xD1}));
    EXPECT_EQ(storedString("é"), (Bytes{1, 0xE9}));
    EXPECT_EQ(storedString("€"), (Bytes{1, 0x80}));
    EXPECT_EQ(storedString("Año “€” ž"), (Bytes{9, 'A', 0xF1, 'o', ' ', 0x93, 0x80, 0x94, ' ', 0x9E}));
    for (const char* text : {"Ñ", "é", "€", "Piñata ‘ñ’ — Œuvre™ 100 €"})
        EXPECT_EQ(readString(storedString(text)), text);
    // Every byte of the code page survives a round trip through UTF-8.
    std::string all;
    for (int b = 1; b < 256; ++b)
        all += static_cast<char>(b);
    EXPECT_EQ(Windows1252::FromUtf8(Windows1252::ToUtf8(all)), all);
    // What the code page cannot hold becomes "?", and broken UTF-8 is taken as Latin-1.
    EXPECT_EQ(storedString("日本 ☺"), (Bytes{4, '?', '?', ' ', '?'}));
    EXPECT_EQ(Windows1252::FromUtf8("\xE9t\xE9"), "\xE9t\xE9");
}

TEST(ArchiveString, WideFormIsReadAsUtf16) {
    // 0xFF, marker 0xFFFE, then the length of UTF-16 units and the units.
    StreamBytes w;
    w.u8(0xFF).u16(0xFFFE).u8(5);
    for (const unsigned u : {0x00D1u, 0x0061u, 0x20ACu, 0xD83Du, 0xDE00u})
        w.u16(u);
    bool ok = false;
    std::size_t left = 1;
    EXPECT_EQ(readString(w.bytes, &ok, &left), "Ña€😀");
    EXPECT_TRUE(ok);
    EXPECT_EQ(left, 0u);

    // The long wide form: 0xFF 0xFFFE, then 0xFF and a 16-bit length.
    StreamBytes longer;
    longer.u8(0xFF).u16(0xFFFE).u8(0xFF).u16(300);
    for (int k = 0; k < 300; ++k)
        longer.u16('x');
    EXPECT_EQ(readString(longer.bytes), std::string(300, 'x'));

    // A lone surrogate is not lost silently.
    StreamBytes lone;
    lone.u8(0xFF).u16(0xFFFE).u8(2).u16(0xDC00).u16('z');
    EXPECT_EQ(readString(lone.bytes), "\xEF\xBF\xBDz");
}

TEST(ArchiveString, LengthsBeyondTheDataFailWithoutReading) {
    const Bytes cases[] = {
        {5, 'a', 'b'},                                   // short string
        {0xFF, 0x10},                                    // cut inside the 16-bit length
        {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 'a'}, // 32-bit length near 2 GB
        {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, // 64-bit
        {0xFF, 0xFE, 0xFF, 3, 'a', 0, 'b', 0},           // wide: 3 units need 6 bytes
        {},
    };
    for (const Bytes& b : cases) {
        bool ok = true;
        EXPECT_EQ(readString(b, &ok), "");
        EXPECT_FALSE(ok);
    }
    // After a failure every read gives 0, even where bytes remain.
    CByteArrayFile file(Bytes{9, 'x', 1, 0, 0, 0});
    CArchive ar(file, CArchive::load);
    ar.ReadString();
    EXPECT_EQ(ar.ReadInt32(), 0);
    EXPECT_EQ(ar.Remaining(), 0u);
}

TEST(FormatStream, FieldAndTicketRowLayout) {
    CRenglonField field(std::string("Tel: "));
    field.Kind = FIELD_DOC;
    field.Index = 7;
    field.Width = 12;
    StreamBytes f;
    f.str("Tel: ").str("").i32(2).i32(7).i32(12);
    EXPECT_EQ(stored(field), f.bytes);

    CRenglonTicket row;
    row.Alignment = ALIGN_RIGHT;
    row.Text = "Pag\xC3\xB3";
    row.Fields.push_back(field);
    row.Fields.emplace_back(std::string("é"));
    StreamBytes r;
    r.str("Pag\xF3").i32(2).i32(2).raw(std::string(f.bytes.begin(), f.bytes.end()));
    r.u8(1).u8(0xE9).u8(0).i32(-1).i32(0).i32(0);
    EXPECT_EQ(stored(row), r.bytes);

    CByteArrayFile file(r.bytes);
    CArchive ar(file, CArchive::load);
    CRenglonTicket back;
    ASSERT_TRUE(back.Load(ar));
    EXPECT_EQ(back, row);
}

TEST(FormatStream, ElementEndsWithEightyEightFixedBytes) {
    CRenglonFormato e;
    e.Text = "x";
    e.Alignment = ALIGN_CENTER;
    e.Fields.emplace_back(FIELD_DETAIL, 3);
    e.Fields.back().Text = "p";
    e.Position = {10, -20, 30, -40};
    e.Colour = 0x00804020;
    e.IsLine = 0;
    e.IsRectangle = 1;
    e.Font.Height = -35;
    e.Font.Width = 7;
    e.Font.Escapement = 900;
    e.Font.Orientation = 900;
    e.Font.Weight = 700;
    e.Font.Italic = 1;
    e.Font.Underline = 1;
    e.Font.StrikeOut = 1;
    e.Font.CharSet = 0xEE;
    e.Font.OutPrecision = 3;
    e.Font.ClipPrecision = 2;
    e.Font.Quality = 1;
    e.Font.PitchAndFamily = 0x31;
    e.Font.FaceName = "Times New Roman";

    StreamBytes x;
    x.str("x").i32(6).i32(1).str("p").str("").i32(3).i32(3).i32(0);
    const std::size_t head = x.bytes.size();
    x.i32(10).i32(-20).i32(30).i32(-40).i32(0x00804020).i32(0).i32(1);
    x.i32(-35).i32(7).i32(900).i32(900).i32(700);
    x.u8(1).u8(1).u8(1).u8(0xEE).u8(3).u8(2).u8(1).u8(0x31);
    x.raw("Times New Roman").raw(std::string(32 - 15, '\0'));
    ASSERT_EQ(x.bytes.size() - head, CRenglonFormato::kFixedBytes);
    EXPECT_EQ(stored(e), x.bytes);

    // A new element: black Arial 4 mm, weight 400, nothing else.
    CRenglonFormato fresh;
    StreamBytes n;
    n.str("").i32(0).i32(0).i32(0).i32(0).i32(0).i32(0).i32(0).i32(0).i32(0);
    n.font(-40, 400, 0, "Arial");
    EXPECT_EQ(stored(fresh), n.bytes);

    // Bytes after the face name's NUL carry no meaning and are not read as part of it.
    std::vector<unsigned char> junk = x.bytes;
    junk[junk.size() - 10] = 'Z';
    CByteArrayFile file(junk);
    CArchive ar(file, CArchive::load);
    CRenglonFormato back;
    ASSERT_TRUE(back.Load(ar));
    EXPECT_EQ(back, e);
}

TEST(FormatStream, WholeFormatsWriteAndReadBackEqual) {
    const CWindowsFormat f = sampleFormat();
    const Bytes bytes = f.WriteStream();
    StreamBytes header;
    header.i32(-950).i32(-2100).i32(50).i32(3);
    ASSERT_GE(bytes.size(), 16u);
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 16), header.bytes);
    CWindowsFormat back;
    ASSERT_TRUE(back.ReadStream(bytes));
    EXPECT_EQ(back, f);
    EXPECT_EQ(back.WriteStream(), bytes);

    // An empty format is just the header with a zero count.
    CWindowsFormat empty;
    StreamBytes zero;
    zero.i32(0).i32(0).i32(0).i32(0);
    EXPECT_EQ(empty.WriteStream(), zero.bytes);
    ASSERT_TRUE(back.ReadStream(zero.bytes));
    EXPECT_TRUE(back.Elements.empty());

    CTicketFormat t;
    t.Rows.resize(2);
    t.Rows[0].Fields.emplace_back(std::string("GRACIAS"));
    t.Rows[0].Alignment = ALIGN_CENTER;
    t.Rows[1].Fields.emplace_back(FIELD_DETAIL, 0, 3);
    t.Rows[1].Fields.emplace_back(FIELD_DETAIL, 2, 25);
    const Bytes tb = t.WriteStream();
    EXPECT_EQ((Bytes(tb.begin(), tb.begin() + 4)), (Bytes{2, 0, 0, 0}));
    CTicketFormat tback;
    ASSERT_TRUE(tback.ReadStream(tb));
    EXPECT_EQ(tback, t);
}

TEST(FormatStream, LongStreamsGrowTheByteArrayAndDetachCutsIt) {
    CWindowsFormat f;
    for (int k = 0; k < 200; ++k) {
        CRenglonFormato e;
        e.Fields.emplace_back(std::string(300, static_cast<char>('a' + k % 26)));
        f.Elements.push_back(e);
    }
    const Bytes bytes = f.WriteStream();
    // 16 header bytes; per element: text 1, alignment 4, count 4, field (3 + 300 + 1 + 12), fixed 88.
    EXPECT_EQ(bytes.size(), 16u + 200u * (1 + 4 + 4 + 316 + 88));
    CWindowsFormat back;
    ASSERT_TRUE(back.ReadStream(bytes));
    EXPECT_EQ(back, f);
}

TEST(FormatStream, EveryTruncationFailsAndLeavesTheFormatAlone) {
    const CWindowsFormat f = sampleFormat();
    const Bytes bytes = f.WriteStream();
    for (std::size_t n = 0; n < bytes.size(); ++n) {
        CWindowsFormat target = f;
        target.Caben = 7;
        EXPECT_FALSE(target.ReadStream(bytes.data(), n)) << n;
        EXPECT_EQ(target.Elements, f.Elements) << n;
        EXPECT_EQ(target.Caben, 7);
    }
    CTicketFormat t;
    t.Rows.resize(3);
    t.Rows[1].Fields.emplace_back(std::string("total"));
    const Bytes tb = t.WriteStream();
    for (std::size_t n = 0; n < tb.size(); ++n) {
        CTicketFormat target;
        EXPECT_FALSE(target.ReadStream(tb.data(), n)) << n;
    }
}

TEST(FormatStream, ImpossibleCountsFailWithoutAllocating) {
    // Element count, field count and row count set huge or negative.
    StreamBytes huge;
    huge.i32(0).i32(0).i32(0).i32(0x7FFFFFFF);
    CWindowsFormat f;
    EXPECT_FALSE(f.ReadStream(huge.bytes));
    StreamBytes negative;
    negative.i32(0).i32(0).i32(0).i32(-1);
    EXPECT_FALSE(f.ReadStream(negative.bytes));

    StreamBytes fields;
    fields.i32(0).i32(0).i32(0).i32(1).str("").i32(0).i32(100000000);
    fields.raw(std::string(200, '\0'));
    EXPECT_FALSE(f.ReadStream(fields.bytes));

    // One field fits the bytes on its own, but not with the element's 88 fixed bytes after it.
    StreamBytes tight;
    tight.i32(0).i32(0).i32(0).i32(1).str("").i32(0).i32(2).raw(std::string(2 * 14 + 60, '\0'));
    EXPECT_FALSE(f.ReadStream(tight.bytes));

    StreamBytes rows;
    rows.i32(0x40000000).raw(std::string(64, '\0'));
    CTicketFormat t;
    EXPECT_FALSE(t.ReadStream(rows.bytes));
}

} // namespace
