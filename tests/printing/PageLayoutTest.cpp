// Laying documents out on sheets: sheets per copy and Caben, reference points, the narrowed
// drawing font, repetition, the wrapped notes block, lines and rectangles.
#include "db/ArticulosSet.h"
#include "db/Database.h"
#include "db/ImpuestosSet.h"
#include "invoice/DocumentHeader.h"
#include "invoice/Lineas.h"
#include "invoice/MoneyFormat.h"
#include "printing/PageLayout.h"
#include "printing/PrintJob.h"
#include "printing/TextMeasure.h"
#include "support/TestDatabase.h"
#include "support/FakeMeasure.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace {

CRenglonFormato textElement(FormatRect box, std::vector<CRenglonField> fields, std::int32_t alignment = ALIGN_LEFT,
                            std::int32_t height = -30) {
    CRenglonFormato e;
    e.Fields = std::move(fields);
    e.Position = box;
    e.Alignment = alignment;
    e.Font.Height = height;
    return e;
}

CRenglonFormato shape(FormatRect box, bool rectangle) {
    CRenglonFormato e;
    e.Position = box;
    (rectangle ? e.IsRectangle : e.IsLine) = 1;
    e.Colour = 0x00123456;
    return e;
}

CRenglonField text(const std::string& t) { return CRenglonField(t); }
CRenglonField doc(int index) { return CRenglonField(FIELD_DOC, index); }
CRenglonField detail(int index) { return CRenglonField(FIELD_DETAIL, index); }

CPrintJob jobWith(int lines) {
    CPrintJob job;
    job.Folio = 9;
    for (int n = 1; n <= lines; ++n) {
        CPartida p;
        p.Clave = "K" + std::to_string(n);
        p.Cantidad = 1;
        p.Precio = n;
        p.Recalculate();
        job.Lines.push_back(p);
        job.Totals.Add(p);
    }
    return job;
}

std::vector<const PageOp*> textOps(const PrintPage& page, const std::string& prefix) {
    std::vector<const PageOp*> found;
    for (const PageOp& op : page.ops)
        if (op.kind == PageOp::Kind::Text && op.text.rfind(prefix, 0) == 0)
            found.push_back(&op);
    return found;
}

class PageLayout : public ::testing::Test {
protected:
    void SetUp() override {
        MoneyFormat::setCurrent(MoneyFormat::mexican());
        format.Pitch = 50;
        format.Caben = 10;
    }

    std::vector<PrintPage> layout(const CPrintJob& job) {
        CPageLayout l(format, measure);
        return l.LayoutJob(job);
    }

    FakeMeasure measure;
    CWindowsFormat format;
};

TEST_F(PageLayout, LinesRunOverSheetsAndEverySheetCarriesTheHeader) {
    format.Elements.push_back(textElement({100, -100, 900, -140}, {text("ENCABEZADO")}));
    format.Elements.push_back(textElement({1500, -2500, 1900, -2540}, {doc(36)}, ALIGN_RIGHT));
    format.Elements.push_back(textElement({100, -500, 400, -540}, {detail(1)}));
    CPrintJob job = jobWith(25);
    job.Copies = 2;
    const std::vector<PrintPage> pages = layout(job);
    ASSERT_EQ(pages.size(), 6u);
    const int rows[] = {10, 10, 5, 10, 10, 5};
    const int first[] = {1, 11, 21, 1, 11, 21};
    for (std::size_t s = 0; s < pages.size(); ++s) {
        const PrintPage& page = pages[s];
        EXPECT_EQ(page.rowCount, rows[s]);
        EXPECT_EQ(page.firstRow, first[s]);
        EXPECT_EQ(textOps(page, "ENCABEZADO").size(), 1u);
        EXPECT_EQ(textOps(page, job.DocumentValue(36)).size(), 1u);
        const auto keys = textOps(page, "K");
        ASSERT_EQ(keys.size(), static_cast<std::size_t>(rows[s]));
        for (std::size_t k = 0; k < keys.size(); ++k) {
            EXPECT_EQ(keys[k]->text, "K" + std::to_string(first[s] + static_cast<int>(k)));
            // Every sheet starts its lines at the element's own place, one pitch apart.
            EXPECT_EQ(keys[k]->anchor.y, -540 - 50 * static_cast<int>(k));
        }
    }
    // The header comes first on the sheet, in list order.
    EXPECT_EQ(pages[0].ops[0].text, "ENCABEZADO");
}

TEST_F(PageLayout, SheetCountsAtTheEdges) {
    format.Elements.push_back(textElement({100, -500, 400, -540}, {detail(1)}));
    for (const std::int32_t caben : {0, -3, 1}) {
        format.Caben = caben;
        const auto pages = layout(jobWith(3));
        ASSERT_EQ(pages.size(), 3u) << caben;
        for (const PrintPage& p : pages)
            EXPECT_EQ(p.rowCount, 1);
    }
    format.Caben = 10;
    EXPECT_TRUE(layout(jobWith(0)).empty()) << "no lines, no sheet";
    CPrintJob none = jobWith(2);
    none.Copies = 0;
    EXPECT_EQ(layout(none).size(), 1u) << "fewer than one copy prints one";
    // Exactly Caben lines fill one sheet; one more needs a second.
    EXPECT_EQ(layout(jobWith(10)).size(), 1u);
    EXPECT_EQ(layout(jobWith(11)).size(), 2u);

    // A format without elements gives an empty sheet per copy.
    format.Elements.clear();
    CPrintJob two = jobWith(3);
    two.Copies = 2;
    const auto blank = layout(two);
    ASSERT_EQ(blank.size(), 2u);
    EXPECT_TRUE(blank[0].ops.empty());

    // LayoutPage advances the caller's row past the lines it laid.
    format.Elements.push_back(textElement({100, -500, 400, -540}, {detail(1)}));
    format.Caben = 2;
    CPageLayout l(format, measure);
    std::int32_t next = 1;
    const CPrintJob five = jobWith(5);
    l.LayoutPage(five, next);
    EXPECT_EQ(next, 3);
    EXPECT_EQ(l.LayoutPage(five, next).firstRow, 3);
    EXPECT_EQ(next, 5);
}

TEST_F(PageLayout, ReferencePointsFollowTheAlignment) {
    format.Elements.push_back(textElement({300, -200, 1000, -250}, {text("L")}, ALIGN_LEFT));
    format.Elements.push_back(textElement({1000, -350, 300, -300}, {text("R")}, ALIGN_RIGHT)); // corners swapped
    format.Elements.push_back(textElement({300, -400, 1001, -450}, {text("C")}, ALIGN_CENTER));
    format.Elements.push_back(textElement({-301, -500, 0, -550}, {text("N")}, ALIGN_CENTER));
    format.Elements.push_back(textElement({300, -600, 1000, -650}, {text("X")}, 5)); // not a designer value
    format.Elements.push_back(textElement({300, -700, 1000, -750}, {text("uno\r\ndos\tfin")}));
    format.Elements.push_back(textElement({300, -800, 1000, -850}, {text("")}));
    const auto pages = layout(jobWith(1));
    ASSERT_EQ(pages.size(), 1u);
    const auto& ops = pages[0].ops;
    ASSERT_EQ(ops.size(), 6u) << "an empty text draws nothing";
    EXPECT_EQ(ops[0].anchor, (PagePoint{302, -250}));
    EXPECT_EQ(ops[1].anchor, (PagePoint{998, -350}));
    EXPECT_EQ(ops[1].clip, (FormatRect{300, -350, 1000, -300}));
    EXPECT_EQ(ops[2].anchor, (PagePoint{650, -450}));
    EXPECT_EQ(ops[3].anchor, (PagePoint{-151, -550}));
    EXPECT_EQ(ops[4].alignment, ALIGN_LEFT);
    EXPECT_EQ(ops[4].anchor.x, 302);
    EXPECT_EQ(ops[5].text, "uno  dos fin");
}

TEST_F(PageLayout, DrawingFontIsACharacterHeightNarrowedTo94Percent) {
    CPageLayout l(format, measure);
    LogFont f;
    f.Height = 40; // a cell height is drawn as the same character height
    f.Weight = 700;
    CPageLayout::DrawingFont d = l.MakeDrawingFont(f);
    EXPECT_EQ(d.font.Height, -40);
    EXPECT_EQ(d.font.Weight, 700);
    EXPECT_EQ(d.font.Width, 0);
    EXPECT_DOUBLE_EQ(d.xScale, 18.0 / 20.0); // average 20 → trunc(18.8)
    f.Height = -30;                           // average 15 → trunc(14.1)
    EXPECT_DOUBLE_EQ(l.MakeDrawingFont(f).xScale, 14.0 / 15.0);
    f.Height = -33;                           // average 16.5 rounds to 17 → trunc(15.98)
    EXPECT_DOUBLE_EQ(l.MakeDrawingFont(f).xScale, 15.0 / 16.5);
    f.Width = 30;                             // a stored width is the average: trunc(28.2)
    EXPECT_DOUBLE_EQ(l.MakeDrawingFont(f).xScale, 28.0 / 16.5);
    f.Width = 0;
    f.Height = 0; // the default 4 mm
    EXPECT_EQ(l.MakeDrawingFont(f).font.Height, -CPageLayout::kDefaultFontHeight);
    f.Height = -1; // narrowed to nothing: the natural width
    EXPECT_DOUBLE_EQ(l.MakeDrawingFont(f).xScale, 1.0);
}

TEST_F(PageLayout, LinesAndRectanglesKeepTheirGeometry) {
    format.Elements.push_back(shape({100, -300, 900, -300}, false));
    format.Elements.push_back(shape({900, -700, 100, -400}, false)); // a diagonal stored bottom-right first
    format.Elements.push_back(shape({100, -400, 500, -600}, true));
    const auto pages = layout(jobWith(1));
    ASSERT_EQ(pages[0].ops.size(), 3u);
    const PageOp& rule = pages[0].ops[0];
    EXPECT_EQ(rule.kind, PageOp::Kind::Line);
    EXPECT_EQ(rule.from, (PagePoint{100, -300}));
    EXPECT_EQ(rule.to, (PagePoint{900, -300}));
    EXPECT_EQ(rule.penWidth, 4);
    EXPECT_EQ(rule.colour, 0x00123456);
    // From the left end of the upper edge to the right end of the lower edge.
    EXPECT_EQ(pages[0].ops[1].from, (PagePoint{100, -400}));
    EXPECT_EQ(pages[0].ops[1].to, (PagePoint{900, -700}));
    const PageOp& frame = pages[0].ops[2];
    EXPECT_EQ(frame.kind, PageOp::Kind::Rectangle);
    EXPECT_EQ(frame.from, (PagePoint{100, -400}));
    EXPECT_EQ(frame.to, (PagePoint{500, -600}));
}

TEST_F(PageLayout, RepetirLaysEveryElementAgainLower) {
    format.Repetir = 1485;
    format.Elements.push_back(textElement({100, -100, 900, -140}, {text("ARRIBA")}));
    format.Elements.push_back(shape({100, -300, 900, -300}, false));
    format.Elements.push_back(shape({100, -400, 500, -600}, true));
    format.Elements.push_back(textElement({100, -500, 400, -540}, {detail(1)}));
    format.Elements.push_back(textElement({500, -540, 900, -580}, {detail(15)}));
    CPrintJob job = jobWith(2);
    job.Lines[0].Observaciones = "nota";
    const auto pages = layout(job);
    ASSERT_EQ(pages.size(), 1u);
    const auto& ops = pages[0].ops;
    // Each op is followed by its copy 1485 lower; the notes block as a whole.
    ASSERT_EQ(ops.size(), 12u);
    for (std::size_t i = 0; i < ops.size(); i += 2) {
        EXPECT_EQ(ops[i].text, ops[i + 1].text);
        EXPECT_EQ(ops[i + 1].anchor.y, ops[i].anchor.y - 1485 * (ops[i].kind == PageOp::Kind::Text));
        EXPECT_EQ(ops[i + 1].from.y, ops[i].from.y - 1485 * (ops[i].kind != PageOp::Kind::Text));
        EXPECT_EQ(ops[i + 1].to.y, ops[i].to.y - 1485 * (ops[i].kind != PageOp::Kind::Text));
        EXPECT_EQ(ops[i + 1].anchor.x, ops[i].anchor.x);
        EXPECT_EQ(ops[i + 1].clip.top, ops[i].clip.top - 1485 * (ops[i].kind == PageOp::Kind::Text));
    }
    EXPECT_EQ(ops[8].text, "nota");
}

TEST_F(PageLayout, NotesWrapBelowTheirLineAndPushTheNextOnesDown) {
    format.Elements.push_back(textElement({100, -500, 400, -540}, {detail(1)}));
    // 40 mm wide at 3 mm: natural 1.5 mm a character, narrowed to 1.4 mm.
    format.Elements.push_back(textElement({500, -540, 900, -580}, {detail(15)}));
    CPrintJob job = jobWith(4);
    // 28 characters fit in 40 mm: two words of 15 do not, so three lines.
    job.Lines[0].Observaciones = "aaaaaaaaaaaaaaa bbbbbbbbbbbbbbb ccccccccccccccc";
    job.Lines[1].Observaciones = "uno\r\n\r\ndos\r\n";
    job.Lines[2].Observaciones = "x";
    job.Lines[3].Observaciones = "";
    const auto pages = layout(job);
    ASSERT_EQ(pages.size(), 1u);
    const PrintPage& page = pages[0];
    const int lineHeight = 33; // 30 + 3
    const auto keys = textOps(page, "K");
    ASSERT_EQ(keys.size(), 4u);
    EXPECT_EQ(keys[0]->anchor.y, -540);
    EXPECT_EQ(keys[1]->anchor.y, -540 - 50 - 3 * lineHeight);
    EXPECT_EQ(keys[2]->anchor.y, keys[1]->anchor.y - 50 - 3 * lineHeight) << "a blank line in the notes is kept";
    EXPECT_EQ(keys[3]->anchor.y, keys[2]->anchor.y - 50 - lineHeight);

    std::vector<const PageOp*> notes;
    for (const PageOp& op : page.ops)
        if (op.kind == PageOp::Kind::Text && op.anchor.x == 500)
            notes.push_back(&op);
    ASSERT_EQ(notes.size(), 3u + 2u + 1u);
    EXPECT_EQ(notes[0]->text, "aaaaaaaaaaaaaaa");
    EXPECT_EQ(notes[2]->text, "ccccccccccccccc");
    EXPECT_EQ(notes[3]->text, "uno");
    EXPECT_EQ(notes[4]->text, "dos");
    EXPECT_EQ(notes[5]->text, "x");
    // The first line's cell stands on the element's lower edge plus the leading; the next below.
    EXPECT_EQ(notes[0]->anchor.y, -580 + lineHeight - 30);
    EXPECT_EQ(notes[1]->anchor.y, notes[0]->anchor.y - lineHeight);
    EXPECT_EQ(notes[4]->anchor.y, notes[3]->anchor.y - 2 * lineHeight);
    EXPECT_EQ(notes[0]->clip, (FormatRect{500, -580 + lineHeight - 3 * lineHeight, 900, -580 + lineHeight}));
    // The second line's notes hang from its own, pushed-down place.
    EXPECT_EQ(notes[3]->anchor.y, notes[0]->anchor.y - 50 - 3 * lineHeight);
    EXPECT_NEAR(notes[0]->xScale, 14.0 / 15.0, 1e-12);
}

TEST_F(PageLayout, OnlyTheLastNotesElementIsTheBlock) {
    format.Elements.push_back(textElement({100, -500, 400, -540}, {detail(15)}));
    format.Elements.push_back(textElement({500, -540, 600, -580}, {text("* "), detail(15)}));
    CPrintJob job = jobWith(2);
    job.Lines[0].Observaciones = "uno dos tres\r\ncuatro";
    const auto pages = layout(job);
    const auto& ops = pages[0].ops;
    // The first element prints the note on one line; the last one wraps it.
    ASSERT_GE(ops.size(), 3u);
    EXPECT_EQ(ops[0].text, "uno dos tres  cuatro");
    EXPECT_EQ(ops[0].anchor, (PagePoint{102, -540}));
    EXPECT_EQ(ops[1].text, "* uno");
    EXPECT_EQ(ops[1].anchor.x, 500);
}

TEST_F(PageLayout, WrapKeepsLongWordsWholeAndDropsTrailingBreaks) {
    CPageLayout l(format, measure);
    LogFont f;
    f.Height = -20; // 10 a character, no narrowing below 1: 20 → trunc(18.8) = 18 → 0.9
    const auto font = l.MakeDrawingFont(f);
    using Lines = std::vector<std::string>;
    EXPECT_EQ(l.WrapText("", font, 100), Lines{});
    EXPECT_EQ(l.WrapText("   \r\n", font, 100), Lines{});
    EXPECT_EQ(l.WrapText("abcdefghijklmnop qr", font, 100), (Lines{"abcdefghijklmnop", "qr"}));
    EXPECT_EQ(l.WrapText("ab  cd", font, 100), (Lines{"ab cd"}));
    EXPECT_EQ(l.WrapText("a\rb\nc", font, 100), (Lines{"a", "b", "c"}));
    // 11 characters of 9 units: 99, fits in 100; 12 do not.
    EXPECT_EQ(l.WrapText("abcde fghij", font, 100), (Lines{"abcde fghij"}));
    EXPECT_EQ(l.WrapText("abcde fghijk", font, 100), (Lines{"abcde", "fghijk"}));
}

TEST(PrintJob, TakesTheDocumentOnScreen) {
    TestDatabase testDb;
    auto db = testDb.create();
    CArticulosSet articles(*db);
    articles.Open(OpenType::Table);
    CImpuestosSet taxes(*db);
    taxes.Open(OpenType::Table);
    CLineas lines(articles, taxes, CLineas::Options{});
    lines.Line(1).Clave = "A1";
    lines.Line(2).Clave = "A2";
    lines.Line(3).Clave = "never committed";
    lines.SetLineCount(2);

    DocumentHeader header;
    header.nombre = "Cliente";
    header.folio = 12;
    header.serie = "B";
    header.fecha = OleDate::fromDate(2024, 5, 6);
    header.extras[5] = "sexto";
    header.observaciones = "notas";
    DocumentTotals totals;
    totals.Total = 99.5;

    CPrintJob job;
    job.CurrentLine = &lines.Line(1);
    job.SetDocument(header, lines, totals);
    EXPECT_EQ(job.RowCount(), 3);
    ASSERT_EQ(job.Lines.size(), 2u);
    EXPECT_EQ(job.Lines[1].Clave, "A2");
    EXPECT_EQ(job.CurrentLine, nullptr);
    EXPECT_EQ(job.DocumentValue(1), "000012");
    EXPECT_EQ(job.DocumentValue(8), "06/May/2024");
    EXPECT_EQ(job.DocumentValue(24), "sexto");
    EXPECT_EQ(job.DocumentValue(18), "notas");
    EXPECT_EQ(job.FormatId, -1);
    EXPECT_EQ(job.Copies, 1);
}

} // namespace

namespace {

// Values no designer writes, as a damaged row may hold them, lay out without overflow.
TEST_F(PageLayout, ExtremeStoredValuesAreHeldOnTheSheet) {
    constexpr std::int32_t big = std::numeric_limits<std::int32_t>::max();
    constexpr std::int32_t small = std::numeric_limits<std::int32_t>::min();
    format.Pitch = big;
    format.Repetir = small;
    format.Elements.push_back(textElement({small, big, big, small}, {detail(1)}, ALIGN_CENTER, small));
    format.Elements.push_back(shape({small, small, big, big}, true));
    CPrintJob job = jobWith(3);
    const auto pages = layout(job);
    ASSERT_EQ(pages.size(), 1u);
    const auto keys = textOps(pages[0], "K");
    ASSERT_EQ(keys.size(), 6u);
    EXPECT_EQ(keys[0]->font.Height, -5000);
    EXPECT_EQ(keys[0]->anchor.x, 0);
    EXPECT_GT(keys[1]->anchor.y, keys[3]->anchor.y); // lines still go down the sheet
}

} // namespace

// The printed CFDI: seals and cadenas wrap inside their rectangle, cut between characters where
// a line ends; the verification address becomes a QR square at the rectangle's upper-left
// corner; a CFDI only sealed has neither QR nor folio fiscal.
TEST_F(PageLayout, SealsWrapInsideTheirRectangleAndTheQrIsASquare) {
    CPageLayout l(format, measure);
    LogFont f;
    f.Height = -20; // 9 units a character once narrowed
    const auto font = l.MakeDrawingFont(f);
    using Lines = std::vector<std::string>;
    EXPECT_EQ(l.WrapText("abcdefghijklmnopqrstuvwxyz", font, 100, true), (Lines{"abcdefghijk", "lmnopqrstuv", "wxyz"}));
    EXPECT_EQ(l.WrapText("ab cdefghijklmnopq", font, 100, true), (Lines{"ab", "cdefghijklm", "nopq"}));
    // The fake measure counts bytes: "ñ" is as wide as two letters, and never cut in half.
    EXPECT_EQ(l.WrapText("||ñandú|", font, 27, true), (Lines{"||", "ña", "nd", "ú|"}));
    EXPECT_EQ(l.WrapText("abcdefghijklmnopq", font, 100), (Lines{"abcdefghijklmnopq"})) << "notes keep words whole";

    CPrintJob job = jobWith(1);
    job.Cfdi.present = job.Cfdi.stamped = true;
    job.Cfdi.uuid = "04BF2854-FE7D-4377-9196-71248F060ABB";
    job.Cfdi.sello = std::string(100, 'S');
    job.Cfdi.verificacion = "https://verificacfdi.facturaelectronica.sat.gob.mx/default.aspx?id=04BF2854-FE7D-4377-"
                            "9196-71248F060ABB&re=CSM190311AH6&rr=MCI7306249Y1&tt=459.36&fe=5tSZhA==";
    format.Elements = {textElement({0, -100, 200, -160}, {doc(FormatData::kSelloCfdi)}, ALIGN_LEFT, -20),
                       textElement({10, -200, 410, -500}, {doc(FormatData::kQrCode)}),
                       textElement({0, -600, 400, -630}, {doc(FormatData::kFolioFiscal)}),
                       textElement({0, -700, 400, -730}, {detail(1)})};
    PrintPage page = layout(job).at(0);
    // 196 wide inside the insets: 21 characters a line; 60 high with 22 a line and 20 a cell: two lines.
    const auto seal = textOps(page, "S");
    ASSERT_EQ(seal.size(), 2u);
    EXPECT_EQ(seal[0]->text, std::string(21, 'S'));
    EXPECT_EQ(seal[0]->anchor, (PagePoint{2, -120}));
    EXPECT_EQ(seal[1]->anchor, (PagePoint{2, -142}));
    for (const PageOp* op : seal)
        EXPECT_EQ(op->clip, (FormatRect{0, -160, 200, -100}));
    const auto qr = std::find_if(page.ops.begin(), page.ops.end(),
                                 [](const PageOp& op) { return op.kind == PageOp::Kind::QrCode; });
    ASSERT_NE(qr, page.ops.end());
    EXPECT_EQ(qr->clip, (FormatRect{10, -500, 310, -200}));
    EXPECT_EQ(qr->qr, QrCode::Encode(job.Cfdi.verificacion));
    EXPECT_GE(qr->qr.size, 21);
    EXPECT_EQ(textOps(page, "https").size(), 0u) << "the address is drawn as the code, not as text";
    EXPECT_EQ(textOps(page, job.Cfdi.uuid).size(), 1u);

    job.Cfdi.stamped = false;
    job.Cfdi.uuid.clear();
    job.Cfdi.verificacion.clear();
    page = layout(job).at(0);
    EXPECT_EQ(std::count_if(page.ops.begin(), page.ops.end(),
                            [](const PageOp& op) { return op.kind == PageOp::Kind::QrCode; }),
              0);
    EXPECT_EQ(textOps(page, "Sin timbrar").size(), 1u);
    EXPECT_EQ(textOps(page, "S").size(), 3u) << "the CFDI's own seal prints once sealed";

    job.Cfdi = {};
    page = layout(job).at(0);
    EXPECT_EQ(textOps(page, "S").size(), 0u);
}
