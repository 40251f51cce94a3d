#include "printing/TextMeasure.h"
#include "reports/RepData.h"
#include "reports/RepPageModel.h"
#include "support/ScratchDir.h"
#include "support/FakeMeasure.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

int countText(const PrintPage& page, const std::string& text) {
    int n = 0;
    for (const PageOp& op : page.ops)
        n += op.kind == PageOp::Kind::Text && op.text == text;
    return n;
}

const PageOp* findText(const PrintPage& page, const std::string& text) {
    for (const PageOp& op : page.ops)
        if (op.kind == PageOp::Kind::Text && op.text == text)
            return &op;
    return nullptr;
}

CRepData sample(int rows, int columns = 3) {
    CRepData d;
    d.SetSize(rows, columns);
    for (int c = 0; c < columns; ++c)
        d.SetHeader(c, "H" + std::to_string(c));
    for (int r = 0; r < rows; ++r)
        d.SetCell(r, 0, "r" + std::to_string(r));
    return d;
}

} // namespace

TEST(RepData, OutOfRangeAccessIsIgnoredAndTitleCursorRewinds) {
    CRepData d;
    d.SetSize(2, 2);
    d.SetCell(2, 0, "x");
    d.SetCell(0, 2, "x");
    d.SetCell(-1, 0, "x");
    d.SetHeader(5, "x");
    d.SetAlign(-1, 2);
    d.SetCell(1, 1, "ok");
    EXPECT_EQ(d.GetCell(1, 1), "ok");
    EXPECT_EQ(d.GetCell(2, 0), "");
    EXPECT_EQ(d.GetHeader(7), "");
    EXPECT_EQ(d.GetAlign(9), 0);

    d.AddTitleLine("a");
    d.AddTitleLine("b");
    EXPECT_EQ(d.NextTitleLine(), "a");
    EXPECT_EQ(d.NextTitleLine(), "b");
    EXPECT_EQ(d.NextTitleLine(), "");
    EXPECT_EQ(d.NextTitleLine(), "a");

    // A new size forgets everything.
    d.SetSize(1, 1);
    EXPECT_TRUE(d.TitleLines().empty());
    EXPECT_EQ(d.GetCell(0, 0), "");
    d.SetSize(-3, -1);
    EXPECT_EQ(d.GetRowCount(), 0);
    EXPECT_EQ(d.GetColumnCount(), 0);
}

TEST(RepData, TextExportIsTabSeparatedWindows1252WithCrLf) {
    CRepData d;
    d.SetSize(2, 2);
    d.SetHeader(0, "Descripción");
    d.SetHeader(1, "Precio");
    d.SetCell(0, 0, "Piñata");
    d.SetCell(0, 1, "$1.00");
    d.AddTitleLine("Fecha: 05/Mar/2004");
    EXPECT_EQ(d.ToText("- T -"), std::string("- T -\r\nFecha: 05/Mar/2004\r\nDescripci\xF3n\tPrecio\t\r\n"
                                             "Pi\xF1" "ata\t$1.00\t\r\n\t\t\r\n"));
}

TEST(RepData, ReportFileLayoutAndFormatChosenByExtension) {
    CRepData d;
    d.SetSize(1, 2);
    d.SetHeader(0, "A");
    d.SetHeader(1, "Bé");
    d.SetAlign(1, 2);
    d.SetCell(0, 0, "x");
    d.AddTitleLine("t");
    const std::vector<unsigned char> bytes = d.ToReportFile("RT");
    const std::vector<unsigned char> expected = {
        2, 'R', 'T',   2, 0, 0, 0,   1, 0, 0, 0,              // title, columns, rows
        1, 'A',        0, 0, 0, 0,                            // header 0, left
        2, 'B', 0xE9,  2, 0, 0, 0,                            // header 1, right
        1, 0, 0, 0,    1, 't',                                // title lines
        1, 'x',        0};                                    // the row's cells
    EXPECT_EQ(bytes, expected);

    ScratchDir dir;
    ASSERT_TRUE(d.SaveToFile(dir.file("r.TXT"), "RT"));
    EXPECT_EQ(ScratchDir::readAll(dir.file("r.TXT")), d.ToText("RT"));
    ASSERT_TRUE(d.SaveToFile(dir.file("r.dat"), "RT"));
    const std::string rep = ScratchDir::readAll(dir.file("r.dat"));
    EXPECT_EQ(std::vector<unsigned char>(rep.begin(), rep.end()), expected);
    std::string error;
    EXPECT_FALSE(d.SaveToFile(dir.file("missing/r.txt"), "RT", &error));
    EXPECT_FALSE(error.empty());
}

// Rows are kept compactly once written; writing a row again, growing and shrinking the row count
// and long texts must all read back as written.
TEST(RepData, CompactCellsReadBackWhateverTheWritingOrder) {
    CRepData d;
    d.SetSize(4, 3);
    d.SetCell(0, 2, "c");
    d.SetCell(0, 0, "a");
    d.SetCell(2, 1, "later row");
    d.SetCell(0, 1, "back to row 0");  // a finished row written again
    const std::string longText(70000, 'x');
    d.SetCell(3, 0, longText);
    d.SetCell(3, 2, "é");
    EXPECT_EQ(d.GetCell(0, 0), "a");
    EXPECT_EQ(d.GetCell(0, 1), "back to row 0");
    EXPECT_EQ(d.GetCell(0, 2), "c");
    EXPECT_EQ(d.GetCell(1, 0), "");
    EXPECT_EQ(d.GetCell(2, 1), "later row");
    EXPECT_EQ(d.GetCell(3, 0), longText);
    EXPECT_EQ(d.GetCell(3, 1), "");
    EXPECT_EQ(d.GetCell(3, 2), "é");

    // Growing keeps every cell; shrinking drops the rows past the end, open one included.
    d.SetRowCount(6);
    EXPECT_EQ(d.GetRowCount(), 6);
    EXPECT_EQ(d.GetCell(2, 1), "later row");
    d.SetCell(5, 0, "z");
    EXPECT_EQ(d.GetCell(5, 0), "z");
    d.SetRowCount(3);
    EXPECT_EQ(d.GetCell(5, 0), "");
    d.SetRowCount(6);
    EXPECT_EQ(d.GetCell(5, 0), "");
    EXPECT_EQ(d.GetCell(0, 1), "back to row 0");

    // Many rows in several blocks, each with its own texts.
    CRepData big;
    big.SetSize(0, 2);
    const int n = 200000;
    for (int r = 0; r < n; ++r) {
        big.SetRowCount(r + 1);
        big.SetCell(r, 1, "renglón " + std::to_string(r));
    }
    EXPECT_EQ(big.GetCell(0, 1), "renglón 0");
    EXPECT_EQ(big.GetCell(n / 2, 1), "renglón " + std::to_string(n / 2));
    EXPECT_EQ(big.GetCell(n - 1, 1), "renglón " + std::to_string(n - 1));
    EXPECT_EQ(big.GetCell(n - 1, 0), "");
    // About the texts themselves, not a string object per cell.
    EXPECT_LT(big.CellBytes(), std::size_t(n) * 40);
}

// A save replaces the file only when complete: a cancel or a failure leaves an older file as it
// was, and no temporary file beside it.
TEST(RepData, SaveReplacesTheFileWholeOrNotAtAll) {
    CRepData d = sample(10000);
    ScratchDir dir;
    const std::string target = dir.file("r.txt");
    {
        std::ofstream old(target, std::ios::binary);
        old << "older";
    }
    std::string error = "x";
    int calls = 0;
    EXPECT_FALSE(d.SaveToFile(target, "RT", &error, [&calls](std::int64_t done, std::int64_t total) {
        EXPECT_EQ(total, 10000);
        return ++calls < 2;  // cancel part-way
    }));
    EXPECT_EQ(calls, 2);
    EXPECT_TRUE(error.empty()) << error;
    EXPECT_EQ(ScratchDir::readAll(target), "older");
    auto files = [&dir] {
        int count = 0;
        for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path()))
            ++count;
        return count;
    };
    EXPECT_EQ(files(), 1);

    EXPECT_FALSE(d.SaveToFile(dir.path().string(), "RT", &error));
    EXPECT_EQ(error, "No se pudo escribir el archivo " + dir.path().string() + ": es una carpeta");
    EXPECT_FALSE(d.SaveToFile(dir.file("falta/r.txt"), "RT", &error));
    EXPECT_EQ(error, "No se pudo escribir el archivo " + dir.file("falta/r.txt") + ": la carpeta no existe");
    EXPECT_EQ(files(), 1);

    ASSERT_TRUE(d.SaveAs(target, "RT", false));
    const std::vector<unsigned char> rep = d.ToReportFile("RT");
    EXPECT_EQ(ScratchDir::readAll(target), std::string(rep.begin(), rep.end()));
    ASSERT_TRUE(d.SaveToFile(target, "RT"));
    EXPECT_EQ(ScratchDir::readAll(target), d.ToText("RT"));
    EXPECT_EQ(files(), 1);
}

// A report held for the screen keeps the cells of its first rows only, whatever its length.
TEST(RepData, HeldRowLimitBoundsTheMemoryOfALongReport) {
    CRepData d;
    d.SetHeldRowLimit(1000);
    d.SetSize(0, 3);
    for (int r = 0; r < 300000; ++r) {
        d.SetRowCount(r + 1);
        d.SetCell(r, 0, "Folio " + std::to_string(r));
        d.SetCell(r, 2, "$1,234,567.89");
    }
    EXPECT_TRUE(d.Truncated());
    EXPECT_EQ(d.GetRowCount(), 300000);
    EXPECT_LT(d.CellBytes(), std::size_t{2} << 20);
    EXPECT_EQ(d.GetCell(999, 0), "Folio 999");
    EXPECT_EQ(d.GetCell(1000, 0), "");
}

TEST(RepPageModel, PageBreaksFollowRowsPerPage) {
    const FakeMeasure measure(0.9, 0.2, 0.05);
    CRepData one = sample(1);
    CRepPageModel probe(one, measure);
    probe.DrawPage();
    const int R = probe.RowsPerPage();
    ASSERT_GT(R, 10);
    // Body line at 100 %: height 40 → 0.9*40 + 0.2*40 = 44, leading 2.
    EXPECT_EQ(probe.LineHeight(), 46);

    CRepData exact = sample(2 * R);
    CRepPageModel m(exact, measure);
    m.DrawPage();
    EXPECT_EQ(m.PageCount(), 2);
    CRepData more = sample(2 * R + 1);
    CRepPageModel m2(more, measure);
    m2.DrawPage();
    EXPECT_EQ(m2.PageCount(), 3);
    m2.SetCurrentPage(3);
    const PrintPage last = m2.DrawPage();
    EXPECT_EQ(last.firstRow, 2 * R);
    EXPECT_EQ(last.rowCount, 1);
    EXPECT_EQ(countText(last, "r" + std::to_string(2 * R)), 1);
    EXPECT_EQ(countText(last, "r" + std::to_string(2 * R - 1)), 0);
    EXPECT_NE(findText(last, "3/3"), nullptr);
    // The current page stays within the pages there are.
    m2.SetCurrentPage(99);
    EXPECT_EQ(m2.CurrentPage(), 3);
    m2.SetCurrentPage(0);
    EXPECT_EQ(m2.CurrentPage(), 1);
}

TEST(RepPageModel, HeadingsTitlesAndHeadersOnEveryPage) {
    const FakeMeasure measure(0.9, 0.2, 0.05);
    CRepData d = sample(200);
    d.AddTitleLine("Fecha: hoy");
    d.AddTitleLine("(Resumido)");
    CRepPageModel m(d, measure);
    m.SetHeadings("MI NEGOCIO", "- REPORTE -");
    m.DrawPage();
    ASSERT_GE(m.PageCount(), 3);
    for (int p = 1; p <= m.PageCount(); ++p) {
        m.SetCurrentPage(p);
        const PrintPage page = m.DrawPage();
        for (const char* t : {"MI NEGOCIO", "- REPORTE -", "Fecha: hoy", "(Resumido)", "H0", "H1", "H2"})
            EXPECT_EQ(countText(page, t), 1) << t << " on page " << p;
        EXPECT_NE(findText(page, std::to_string(p) + "/" + std::to_string(m.PageCount())), nullptr);
    }
    // The first heading is centred on the page: anchor at P / 2, top at 2 × L1.
    m.SetCurrentPage(1);
    const PrintPage first = m.DrawPage();  // kept: h1 points into it
    const PageOp* h1 = findText(first, "MI NEGOCIO");
    ASSERT_NE(h1, nullptr);
    EXPECT_EQ(h1->alignment, CRepData::kCenter);
    EXPECT_EQ(h1->anchor.x, 2159 / 2);
    const int L1 = 70 + 3; // title 64: 57.6 + 12.8 → 70, leading 3.2 → 3
    EXPECT_EQ(h1->anchor.y, -(2 * L1 + 70));
}

TEST(RepPageModel, ZoomTitlesAndOrientationChangeThePagination) {
    const FakeMeasure measure(0.9, 0.2, 0.05);
    CRepData d = sample(500);
    CRepPageModel m(d, measure);
    m.DrawPage();
    const int base = m.RowsPerPage();
    m.SetZoom(50);
    m.DrawPage();
    EXPECT_GT(m.RowsPerPage(), base);
    m.SetZoom(150);
    m.DrawPage();
    EXPECT_LT(m.RowsPerPage(), base);
    m.SetZoom(100);
    m.SetPortrait(false);
    m.DrawPage();
    EXPECT_EQ(m.PageWidth(), 2794);
    EXPECT_EQ(m.BottomLimit(), 1959);
    EXPECT_LT(m.RowsPerPage(), base);

    CRepData titled = sample(500);
    for (int i = 0; i < 5; ++i)
        titled.AddTitleLine("t");
    CRepPageModel t(titled, measure);
    t.DrawPage();
    EXPECT_LT(t.RowsPerPage(), base);
    EXPECT_GT(t.PageCount(), 1);
}

TEST(RepPageModel, CellsAreClippedToTheirColumnUnlessTheFirstSpans) {
    const FakeMeasure measure(0.9, 0.2, 0.05);
    CRepData d = sample(1, 4);
    d.SetCell(0, 0, "Folio: A000001   05/Mar/2004   Cliente con nombre largo");
    d.SetCell(0, 2, "derecha");
    d.SetAlign(2, CRepData::kRight);
    CRepPageModel m(d, measure);
    PrintPage page = m.DrawPage();
    const std::vector<int>& x = m.ColumnX();
    const std::vector<int>& w = m.ColumnWidth();
    ASSERT_EQ(x.size(), 4u);
    EXPECT_EQ(x[1], x[0] + w[0]); // laid out evenly and adjacent
    const PageOp* first = findText(page, std::string(d.GetCell(0, 0)));
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->clip.right, x[0] + w[0]);
    EXPECT_LT(first->clip.top, first->clip.bottom); // normalised, or a printer clips the text away
    EXPECT_LE(first->clip.top, first->anchor.y);
    EXPECT_GE(first->clip.bottom, first->anchor.y);
    const PageOp* right = findText(page, "derecha");
    ASSERT_NE(right, nullptr);
    EXPECT_EQ(right->anchor.x, x[2] + w[2]);
    EXPECT_EQ(right->alignment, CRepData::kRight);

    m.SetFirstColumnSpans(true);
    page = m.DrawPage();
    EXPECT_EQ(findText(page, std::string(d.GetCell(0, 0)))->clip.right, 2159);
}

TEST(RepPageModel, DraggingAGripNeverLeavesAColumnNarrowerThanFour) {
    const FakeMeasure measure(0.9, 0.2, 0.05);
    CRepData d = sample(3, 3);
    CRepPageModel m(d, measure);
    m.DrawPage();
    const int edge0 = m.ColumnX()[0] + m.ColumnWidth()[0];
    // Not in adjust mode, or below the grip band: no drag.
    EXPECT_FALSE(m.BeginDrag(edge0, 5));
    m.SetAdjustMode(true);
    m.DrawPage();
    EXPECT_FALSE(m.BeginDrag(edge0, m.LineHeight() + 1));
    EXPECT_FALSE(m.BeginDrag(edge0 + 6, 5));
    ASSERT_TRUE(m.BeginDrag(edge0 + 5, 5));
    m.DragTo(edge0 + 105);
    EXPECT_EQ(m.ColumnX()[1], m.ColumnX()[0] + m.ColumnWidth()[0]);
    EXPECT_EQ(m.ColumnWidth()[0], edge0 - m.ColumnX()[0] + 100);
    m.DragTo(-5000);
    EXPECT_EQ(m.ColumnWidth()[0], 4);
    EXPECT_EQ(m.ColumnX()[1], m.ColumnX()[0] + 4);
    EXPECT_EQ(m.ColumnX()[2], m.ColumnX()[1] + m.ColumnWidth()[1]);
    m.EndDrag();
    // Zoom does not re-lay the columns.
    m.SetZoom(150);
    m.DrawPage();
    EXPECT_EQ(m.ColumnWidth()[0], 4);
}
