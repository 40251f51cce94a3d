// The designer's sheet shows what prints: each element's operations and its detail rows lie where
// the printing page function puts them, with the notes block pushing the rows below it down; the
// data shown are the captions, the samples, or a stored document line by line.
#include "designer/DesignSheet.h"
#include "designer/SheetValues.h"
#include "printing/FormatData.h"
#include "printing/PageLayout.h"
#include "printing/PrintJob.h"
#include "printing/SampleValues.h"
#include "printing/TextMeasure.h"
#include "support/FakeMeasure.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

CRenglonFormato element(FormatRect box, std::vector<CRenglonField> fields) {
    CRenglonFormato e;
    e.Fields = std::move(fields);
    e.Position = box;
    e.Font.Height = -30;
    return e;
}

// A letter sheet with a title, the article key on each line and the line notes in a box so
// narrow that the sample notes ("Observaciones de la partida") take three lines.
CWindowsFormat invoice() {
    CWindowsFormat f;
    f.DetailTop = -800;
    f.DetailBottom = -1000;
    f.Pitch = 50;
    f.Caben = 4;
    f.Elements = {element({100, -300, 900, -340}, {CRenglonField("FACTURA")}),
                  element({100, -800, 400, -840}, {CRenglonField(FIELD_DETAIL, 1)}),
                  element({500, -800, 650, -840}, {CRenglonField(FIELD_DETAIL, 15)})};
    return f;
}

std::vector<std::int32_t> anchors(const PrintPage& page, const std::string& text) {
    std::vector<std::int32_t> ys;
    for (const PageOp& op : page.ops)
        if (op.kind == PageOp::Kind::Text && op.text == text)
            ys.push_back(op.anchor.y);
    std::sort(ys.begin(), ys.end());
    return ys;
}

PrintPage whole(const CDesignSheet::Drawing& d) {
    PrintPage p = d.ops;
    p.ops.insert(p.ops.end(), d.ghosts.ops.begin(), d.ghosts.ops.end());
    return p;
}

} // namespace

TEST(DesignSheet, RowsAndWrappedNotesLieWherePrintingPutsThem) {
    const FakeMeasure measure;
    const CWindowsFormat format = invoice();
    const CSheetValues samples = CSheetValues::Samples();
    const CDesignSheet sheet(measure);
    const std::vector<std::int32_t> rows = sheet.RowOffsets(format, samples);
    ASSERT_EQ(rows.size(), 4u);

    // The same sheet printed with the samples through the program's page function.
    CPageLayout layout(format, measure);
    CSampleValues values;
    const std::vector<CPartida> lines(4);
    std::int32_t next = 1;
    const PrintPage printed = layout.LayoutPage(values, lines, next);
    EXPECT_EQ(next, 5);

    const std::string key = FormatData::Sample(FIELD_DETAIL, 1);
    const std::vector<std::int32_t> keysPrinted = anchors(printed, key);
    ASSERT_EQ(keysPrinted.size(), 4u);
    EXPECT_EQ(anchors(whole(sheet.Draw(format, 1, samples, rows)), key), keysPrinted);
    // Three notes lines of 3.3 mm under each line put the next one that much and the pitch lower.
    EXPECT_EQ(keysPrinted[3] - keysPrinted[2], 3 * 33 + 50);

    const PrintPage notesShown = whole(sheet.Draw(format, 2, samples, rows));
    const PrintPage notesOnly = [&] {
        PrintPage p;
        for (const PageOp& op : printed.ops)
            if (op.clip.left == 500)
                p.ops.push_back(op);
        return p;
    }();
    ASSERT_EQ(notesShown.ops.size(), notesOnly.ops.size());
    EXPECT_EQ(notesShown.ops.size(), 12u); // three lines on each of four rows
    for (std::size_t k = 0; k < notesOnly.ops.size(); ++k) {
        EXPECT_EQ(notesShown.ops[k].text, notesOnly.ops[k].text);
        EXPECT_EQ(notesShown.ops[k].anchor, notesOnly.ops[k].anchor);
    }
    // The header element once, where it stands.
    const CDesignSheet::Drawing title = sheet.Draw(format, 0, samples, rows);
    EXPECT_EQ(title.ops.ops.size(), 1u);
    EXPECT_TRUE(title.ghosts.ops.empty());

    // Without a pitch there is only the first row.
    CWindowsFormat flat = format;
    flat.Pitch = 0;
    EXPECT_EQ(sheet.RowOffsets(flat, samples).size(), 1u);
}

TEST(DesignSheet, CaptionsSamplesOrAStoredDocumentLineByLine) {
    const FakeMeasure measure;
    CWindowsFormat format = invoice();
    format.Elements.pop_back(); // no notes: rows at the bare pitch
    const CDesignSheet sheet(measure);

    const CSheetValues captions = CSheetValues::Captions();
    EXPECT_EQ(captions.GetKind(), CSheetValues::Kind::Captions);
    EXPECT_EQ(captions.Row(3).DetailValue(1), "Clave del artículo");
    EXPECT_EQ(captions.Row(0).DocumentValue(2), "Nombre Cliente");
    const CSheetValues samples = CSheetValues::Samples();
    EXPECT_EQ(samples.Row(0).DetailValue(1), "S001");
    EXPECT_EQ(samples.Row(0).DocumentValue(37), "MIL DOCIENTOS CUARENTA Y DOS PESOS 00/100 M.N.");

    CPrintJob job;
    job.Serie = "B";
    job.Folio = 77;
    job.Nombre = "Abarrotes Pérez";
    job.Lines.resize(2);
    job.Lines[0].Clave = "TOR-1";
    job.Lines[1].Clave = "HAR-2";
    const CSheetValues document = CSheetValues::Document(job);
    job.Lines.clear(); // the sheet keeps its own copy
    EXPECT_EQ(document.GetKind(), CSheetValues::Kind::Document);
    EXPECT_EQ(document.DocumentName(), "B000077");
    EXPECT_EQ(document.Row(0).DocumentValue(2), "Abarrotes Pérez");
    EXPECT_EQ(document.Row(5).DocumentValue(2), "Abarrotes Pérez");
    EXPECT_EQ(document.Row(0).DetailValue(0), "1");

    // Each row shows its own line; past the document's last line nothing of a detail datum.
    const std::vector<std::int32_t> rows = sheet.RowOffsets(format, document);
    ASSERT_EQ(rows, (std::vector<std::int32_t>{0, -50, -100, -150}));
    const CSheetValues copy = document; // copies share the lines safely
    const PrintPage shown = whole(sheet.Draw(format, 1, copy, rows));
    ASSERT_EQ(shown.ops.size(), 2u);
    EXPECT_EQ(shown.ops[0].text, "TOR-1");
    EXPECT_EQ(shown.ops[1].text, "HAR-2");
    EXPECT_EQ(shown.ops[1].anchor.y - shown.ops[0].anchor.y, -50);
}

// The CFDI's QR is an element like any other: the designer draws it as the code it will print,
// of the sample address (or of its caption), a square in the element's box; a seal wraps inside.
TEST(DesignSheet, TheCfdiQrAndSealsShowAsTheyPrint) {
    const FakeMeasure measure;
    CWindowsFormat format;
    format.Pitch = 50;
    format.Caben = 1;
    format.Elements = {element({100, -2170, 460, -2530}, {CRenglonField(FIELD_DOC, FormatData::kQrCode)}),
                       element({500, -2170, 2000, -2300}, {CRenglonField(FIELD_DOC, FormatData::kSelloCfdi)})};
    const CDesignSheet sheet(measure);
    for (const CSheetValues& values : {CSheetValues::Samples(), CSheetValues::Captions()}) {
        const std::vector<std::int32_t> rows = sheet.RowOffsets(format, values);
        const PrintPage qr = whole(sheet.Draw(format, 0, values, rows));
        ASSERT_EQ(qr.ops.size(), 1u);
        EXPECT_EQ(qr.ops[0].kind, PageOp::Kind::QrCode);
        EXPECT_EQ(qr.ops[0].clip, (FormatRect{100, -2530, 460, -2170}));
        EXPECT_EQ(qr.ops[0].qr, QrCode::Encode(values.Row(0).DocumentValue(FormatData::kQrCode)));
        const PrintPage seal = whole(sheet.Draw(format, 1, values, rows));
        ASSERT_FALSE(seal.ops.empty());
        for (const PageOp& op : seal.ops) {
            EXPECT_EQ(op.kind, PageOp::Kind::Text);
            EXPECT_GE(op.anchor.y, -2300);
        }
    }
    // Samples: the seal's 344 characters, 14 units wide each in 1496 (106 a line), take four lines
    // of 33, which the 130 of the box just hold.
    const PrintPage seal =
        whole(sheet.Draw(format, 1, CSheetValues::Samples(), sheet.RowOffsets(format, CSheetValues::Samples())));
    EXPECT_EQ(seal.ops.size(), 4u);
}

TEST(DesignSheet, ATextCutOffByItsBoxIsMarked) {
    const FakeMeasure measure; // every character half the letter's height wide
    const CDesignSheet sheet(measure);
    const CSheetValues samples = CSheetValues::Samples();
    auto overflows = [&](CRenglonFormato e) {
        CWindowsFormat f = invoice();
        f.Elements = {std::move(e)};
        return sheet.Draw(f, 0, samples, sheet.RowOffsets(f, samples)).overflows;
    };
    // "FACTURA" in 3 mm letters is some 10 mm wide and 3 mm high.
    EXPECT_FALSE(overflows(element({100, -300, 900, -340}, {CRenglonField("FACTURA")})));
    EXPECT_TRUE(overflows(element({100, -300, 160, -340}, {CRenglonField("FACTURA")})));
    EXPECT_TRUE(overflows(element({100, -300, 900, -320}, {CRenglonField("FACTURA")})));
    // An amount comes right-justified in 15 characters: the blanks cut off on the left are
    // harmless when it is aligned right, not when it starts at the left edge.
    CRenglonFormato amount = element({100, -300, 260, -340}, {CRenglonField(FIELD_DOC, 25)});
    amount.Alignment = ALIGN_RIGHT;
    EXPECT_FALSE(overflows(amount));
    amount.Alignment = ALIGN_LEFT;
    EXPECT_TRUE(overflows(amount));
    // A detail element is marked when any of its rows is cut; a wrapped seal when lines are lost.
    EXPECT_TRUE(overflows(element({100, -800, 130, -840}, {CRenglonField(FIELD_DETAIL, 1)})));
    CRenglonFormato seal = element({100, -300, 900, -340}, {CRenglonField(FIELD_DOC, 56)});
    ASSERT_TRUE(seal.IsWrappedElement());
    EXPECT_TRUE(overflows(seal));
    seal.Position = {100, -300, 2000, -2700};
    EXPECT_FALSE(overflows(seal));
    // Lines and rectangles have no text to cut.
    CRenglonFormato line = element({100, -300, 110, -300}, {});
    line.IsLine = 1;
    EXPECT_FALSE(overflows(line));
}
