// The layouts every new database carries: the letter invoice and the 40-column ticket.
#include "config/NewDatabase.h"
#include "db/BusinessData.h"
#include "db/Database.h"
#include "db/FormatosSet.h"
#include "db/SpanishText.h"
#include "invoice/MoneyFormat.h"
#include "printing/DefaultFormats.h"
#include "printing/FormatStore.h"
#include "printing/PageLayout.h"
#include "printing/PrintJob.h"
#include "printing/TextMeasure.h"
#include "printing/TicketFormat.h"
#include "printing/WindowsFormat.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <set>
#include <utility>

namespace {

class WideMeasure final : public CTextMeasure {
public:
    Metrics FontMetrics(const LogFont& font) const override {
        const double h = std::abs(font.Height);
        return {0.9 * h, 0.22 * h, 0.03 * h, 0.6 * h};
    }
    double TextWidth(std::string_view text, const LogFont& font) const override {
        return 0.6 * std::abs(font.Height) * static_cast<double>(text.size());
    }
};

std::int32_t formatNamed(Database& db, const char* name) {
    CFormatosSet set(db);
    set.m_strFilter = "[Nombre]=? AND [Ticket]=0";
    set.m_filterParams = {DbValue{std::string(name)}};
    set.Open();
    return set.IsEOF() ? -1 : set.m_Id_Formato;
}

class DefaultFormats : public ::testing::Test {
protected:
    void SetUp() override {
        MoneyFormat::setCurrent(MoneyFormat::mexican());
        db = CreateNewDatabase(testDb.location());
    }

    std::int32_t invoiceId() { return formatNamed(*db, kDefaultInvoiceFormat); }

    TestDatabase testDb;
    std::unique_ptr<Database> db;
};

TEST_F(DefaultFormats, NewDatabaseHasTheInvoiceAndTheTicket) {
    CFormatosSet all(*db);
    all.Open();
    EXPECT_EQ(all.GetRecordCount(), 5);
    ASSERT_GT(invoiceId(), 0);
    CWindowsFormat invoice;
    ASSERT_TRUE(CFormatStore(*db).LoadWindowsFormat(invoiceId(), invoice));
    CTicketFormat ticket;
    ASSERT_TRUE(CFormatStore(*db).LoadTicketFormat(ticket));
    EXPECT_FALSE(ticket.Rows.empty());
    // A database made without the seed has neither.
    TestDatabase bareDb("sin");
    auto bare = bareDb.create();
    CFormatosSet none(*bare);
    none.Open();
    EXPECT_EQ(none.GetRecordCount(), 0);
}

TEST_F(DefaultFormats, InvoiceFitsLetterPaperAndCarriesTheDocument) {
    CWindowsFormat f;
    ASSERT_TRUE(CFormatStore(*db).LoadWindowsFormat(invoiceId(), f));
    EXPECT_GT(f.Pitch, 0);
    EXPECT_GT(f.Caben, 0);
    EXPECT_EQ(f.Repetir, 0);
    std::set<std::pair<int, int>> data;
    int notes = 0;
    for (const CRenglonFormato& e : f.Elements) {
        // 215.9 × 279.4 mm with at least 1 cm to spare on every side.
        for (const int x : {e.Position.left, e.Position.right})
            EXPECT_TRUE(x >= 100 && x <= 2059) << x;
        for (const int y : {e.Position.top, e.Position.bottom})
            EXPECT_TRUE(y <= -100 && y >= -2694) << y;
        for (const CRenglonField& field : e.Fields) {
            if (field.Kind != FIELD_TEXT) {
                EXPECT_TRUE(FormatData::IsDatum(field.Kind, field.Index)) << field.Kind << " " << field.Index;
                data.insert({field.Kind, field.Index});
            }
        }
        notes += e.IsNotesElement() ? 1 : 0;
        if (!e.IsShape()) {
            EXPECT_NE(e.Font.FaceName, "") << e.Text;
        }
    }
    EXPECT_EQ(notes, 1);
    for (const int index : {0, 1, 2, 3, 4, 5, 6, 7, 8, 13, 18, 25, 27, 29, 32, 35, 36, 37})
        EXPECT_TRUE(data.count({FIELD_DOC, index})) << "document datum " << index;
    for (const int index : {1, 2, 3, 10, 14, 15})
        EXPECT_TRUE(data.count({FIELD_DETAIL, index})) << "detail datum " << index;
}

// A full sheet of lines stays inside the detail frame, above the totals; one line more starts a
// second sheet.
TEST_F(DefaultFormats, InvoiceLinesStayInsideTheDetailArea) {
    for (const char* name : {kDefaultInvoiceFormat, kElectronicInvoiceFormat}) {
        SCOPED_TRACE(name);
        CWindowsFormat f;
        ASSERT_TRUE(CFormatStore(*db).LoadWindowsFormat(formatNamed(*db, name), f));
        const WideMeasure measure;
        CPageLayout layout(f, measure);
        CPrintJob job;
        for (int n = 0; n <= f.Caben; ++n) {
            CPartida p;
            p.Clave = "CLAVE" + std::to_string(n);
            p.Descripcion = "Descripción";
            p.Cantidad = 1;
            job.Lines.push_back(p);
        }
        job.Lines[0].Observaciones = "Una nota breve";
        const std::vector<PrintPage> pages = layout.LayoutJob(job);
        ASSERT_EQ(pages.size(), 2u);
        EXPECT_EQ(pages[0].rowCount, f.Caben);
        int lowest = 0;
        int highestBelow = -100000;
        for (const PageOp& op : pages[0].ops) {
            if (op.kind != PageOp::Kind::Text)
                continue;
            if (op.text.rfind("CLAVE", 0) == 0 || op.text == "Una nota breve")
                lowest = std::min(lowest, op.clip.top);
            else if (op.clip.bottom < f.DetailBottom)
                highestBelow = std::max(highestBelow, op.clip.bottom);
        }
        EXPECT_GT(lowest, f.DetailBottom);
        EXPECT_GT(lowest, highestBelow);
    }
}

// The printed CFDI: on letter paper, every CFDI datum and the legend, no two boxes of text on one
// another, the seals at the foot beside a QR of at least 2.75 cm at the lower left.
TEST_F(DefaultFormats, ElectronicInvoiceCarriesTheCfdiWithoutOverlaps) {
    const std::int32_t id = formatNamed(*db, kElectronicInvoiceFormat);
    ASSERT_GT(id, 0);
    CWindowsFormat f;
    ASSERT_TRUE(CFormatStore(*db).LoadWindowsFormat(id, f));
    EXPECT_EQ(f, ElectronicInvoiceFormat());
    std::set<std::pair<int, int>> data;
    std::vector<const CRenglonFormato*> texts;
    bool legend = false;
    const CRenglonFormato* qr = nullptr;
    for (const CRenglonFormato& e : f.Elements) {
        for (const int x : {e.Position.left, e.Position.right})
            EXPECT_TRUE(x >= 100 && x <= 2059) << x;
        for (const int y : {e.Position.top, e.Position.bottom})
            EXPECT_TRUE(y <= -100 && y >= -2694) << y;
        for (const CRenglonField& field : e.Fields) {
            if (field.Kind != FIELD_TEXT)
                data.insert({field.Kind, field.Index});
            legend = legend || field.Text == "Este documento es una representación impresa de un CFDI";
        }
        if (!e.IsShape() && !e.HasDetail())
            texts.push_back(&e);
        if (e.IsQrElement())
            qr = &e;
    }
    EXPECT_TRUE(legend);
    for (int index = FormatData::kFirstCfdi; index < FormatData::kFirstPago; ++index)
        EXPECT_TRUE(data.count({FIELD_DOC, index})) << "document datum " << index;
    for (const int index : {0, 1, 3, 4, 5, 18, 25, 27, 29, 32, 35, 36, 37})
        EXPECT_TRUE(data.count({FIELD_DOC, index})) << "document datum " << index;
    for (size_t i = 0; i < texts.size(); ++i)
        for (size_t j = i + 1; j < texts.size(); ++j) {
            const FormatRect a = texts[i]->Position.normalised(), b = texts[j]->Position.normalised();
            const bool apart = a.right <= b.left || b.right <= a.left || a.bottom <= b.top || b.bottom <= a.top;
            EXPECT_TRUE(apart) << texts[i]->Text << " / " << texts[j]->Text;
        }
    ASSERT_TRUE(qr);
    const FormatRect q = qr->Position.normalised();
    EXPECT_EQ(q.right - q.left, q.bottom - q.top);
    // The code inside its quiet zone stays over 2.75 cm for any address of the SAT (version 8 or 9).
    EXPECT_GE((q.right - q.left) * 49 / (49 + 2 * QrCode::kQuietZone), 275);
    EXPECT_LT(q.left, 200) << "at the left";
    EXPECT_LT(q.top, -2000) << "at the foot";
    for (const CRenglonFormato* e : texts) {
        if (e->IsWrappedElement()) {
            EXPECT_LT(e->Position.normalised().bottom, -2000) << "seals at the foot";
        }
    }
}

// A database made before "Factura electrónica" gets it once: not again after the operator
// deletes it, and not a second one where a copy already brought it.
TEST_F(DefaultFormats, ElectronicInvoiceIsAddedOnceToOlderDatabases) {
    EXPECT_FALSE(AddMissingDefaultFormats(*db)) << "a new database has it already";
    TestDatabase olderDb("anterior");
    auto older = olderDb.create([](Database& d) {
        CFormatStore(d).AddWindowsFormat(kDefaultInvoiceFormat, DefaultInvoiceFormat());
    });
    EXPECT_TRUE(AddMissingDefaultFormats(*older));
    const std::int32_t id = formatNamed(*older, kElectronicInvoiceFormat);
    ASSERT_GT(id, 0);
    EXPECT_FALSE(AddMissingDefaultFormats(*older));
    older->execute("DELETE FROM Formatos WHERE Id_Formato = ?", {std::int64_t{id}});
    EXPECT_FALSE(AddMissingDefaultFormats(*older));
    EXPECT_EQ(formatNamed(*older, kElectronicInvoiceFormat), -1);
    EXPECT_GT(formatNamed(*older, kPaymentReceiptFormat), 0) << "the payment receipt came with it";
    EXPECT_GT(formatNamed(*older, kBlankSaleNoteFormat), 0) << "and the sale note";
    CFormatosSet all(*older);
    all.Open();
    EXPECT_EQ(all.GetRecordCount(), 3);

    // A copy without the record of what was added keeps its own and gets only what it lacks.
    TestDatabase copyDb("copia");
    auto copy = copyDb.create([](Database& d) {
        CFormatStore(d).AddWindowsFormat(kElectronicInvoiceFormat, ElectronicInvoiceFormat());
    });
    EXPECT_TRUE(AddMissingDefaultFormats(*copy));
    EXPECT_FALSE(AddMissingDefaultFormats(*copy));
    CFormatosSet copied(*copy);
    copied.Open();
    EXPECT_EQ(copied.GetRecordCount(), 3);
}

// The sale note for plain paper: the business's name, address, RFC and telephone as Configurar
// stored them, and its logo, at the head of the sheet; an older database gets it once, its own
// formats untouched.
TEST_F(DefaultFormats, BlankSaleNotePrintsTheBusinessAndItsLogo) {
    BusinessData business;
    business.nombre = "Ferretería Doña Lupe";
    business.domicilio = {"Hidalgo 12", "Col. Centro", "Pátzcuaro, Mich."};
    business.rfc = "LUPE800101AB1";
    business.telefono = "434 342 0000";
    business.Save(*db);
    EXPECT_EQ(BusinessData::Load(*db).domicilio[2], "Pátzcuaro, Mich.");
    business.telefono = "434 342 1111";  // saved again: one row, the new value
    business.Save(*db);
    EXPECT_EQ(BusinessData::Load(*db).telefono, "434 342 1111");

    const std::int32_t id = formatNamed(*db, kBlankSaleNoteFormat);
    ASSERT_GT(id, 0);
    CWindowsFormat f;
    ASSERT_TRUE(CFormatStore(*db).LoadWindowsFormat(id, f));
    EXPECT_EQ(f, BlankSaleNoteFormat());
    CPrintJob job;
    job.Serie = "N";
    job.Folio = 3;
    job.Nombre = "Mostrador";
    job.Logo = "/ruta/logo.png";
    job.Lines.resize(1);
    job.Lines[0].Descripcion = "Martillo";
    job.LoadCfdi(*db);
    const WideMeasure measure;
    const std::vector<PrintPage> pages = CPageLayout(f, measure).LayoutJob(job);
    ASSERT_EQ(pages.size(), 1u);
    std::set<std::string> texts;
    const PageOp* logo = nullptr;
    for (const PageOp& op : pages[0].ops) {
        if (op.kind == PageOp::Kind::Text)
            texts.insert(op.text);
        else if (op.kind == PageOp::Kind::Picture)
            logo = &op;
    }
    for (const std::string& expected : {std::string("Ferretería Doña Lupe"), std::string("Hidalgo 12"),
                                        std::string("Pátzcuaro, Mich."), std::string("RFC: LUPE800101AB1   Tel. 434 342 1111")})
        EXPECT_TRUE(texts.count(expected)) << expected;
    ASSERT_NE(logo, nullptr);
    EXPECT_EQ(logo->text, "/ruta/logo.png");
    EXPECT_LT(logo->clip.left, logo->clip.right);
    EXPECT_LT(logo->clip.top, logo->clip.bottom);
    // Without a logo set, nothing stands in its place.
    job.Logo.clear();
    const std::vector<PrintPage> withoutLogo = CPageLayout(f, measure).LayoutJob(job);
    ASSERT_EQ(withoutLogo.size(), 1u);
    for (const PageOp& op : withoutLogo[0].ops)
        EXPECT_NE(op.kind, PageOp::Kind::Picture);

    TestDatabase olderDb("sin_nota");
    auto older = olderDb.create([](Database& d) {
        CFormatStore(d).AddWindowsFormat(kDefaultInvoiceFormat, DefaultInvoiceFormat());
        CFormatStore(d).AddWindowsFormat(kElectronicInvoiceFormat, ElectronicInvoiceFormat());
        CreateAddedFormatsTable(d);
        for (const char* name : {kElectronicInvoiceFormat, kPaymentReceiptFormat})
            d.execute(std::string("INSERT INTO ") + kAddedFormatsTable + " (Nombre) VALUES (?)", {std::string(name)});
    });
    const std::int32_t invoice = formatNamed(*older, kDefaultInvoiceFormat);
    EXPECT_TRUE(AddMissingDefaultFormats(*older));
    EXPECT_GT(formatNamed(*older, kBlankSaleNoteFormat), 0);
    EXPECT_EQ(formatNamed(*older, kDefaultInvoiceFormat), invoice);
    EXPECT_EQ(formatNamed(*older, kPaymentReceiptFormat), -1) << "deleted there before: not brought back";
    older->execute("DELETE FROM Formatos WHERE Nombre = ?", {std::string(kBlankSaleNoteFormat)});
    EXPECT_FALSE(AddMissingDefaultFormats(*older));
    EXPECT_EQ(formatNamed(*older, kBlankSaleNoteFormat), -1);
}

TEST_F(DefaultFormats, PaymentReceiptCarriesThePaymentAndTheStampWithoutOverlaps) {
    const std::int32_t id = formatNamed(*db, kPaymentReceiptFormat);
    ASSERT_GT(id, 0);
    CWindowsFormat f;
    ASSERT_TRUE(CFormatStore(*db).LoadWindowsFormat(id, f));
    EXPECT_EQ(f, PaymentReceiptFormat());
    std::set<int> data;
    std::vector<const CRenglonFormato*> texts;
    bool qr = false;
    for (const CRenglonFormato& e : f.Elements) {
        for (const CRenglonField& field : e.Fields)
            if (field.Kind == FIELD_DOC)
                data.insert(field.Index);
        EXPECT_FALSE(e.HasDetail()) << "a receipt shows no lines";
        if (!e.IsShape())
            texts.push_back(&e);
        qr = qr || e.IsQrElement();
    }
    EXPECT_TRUE(qr);
    for (int index = FormatData::kFirstPago; index < FormatData::kFirstNegocio; ++index)
        EXPECT_TRUE(data.count(index)) << "payment datum " << index;
    for (const int index : {FormatData::kFolioFiscal, FormatData::kSelloCfdi, FormatData::kSelloSat, FormatData::kCadenaTfd})
        EXPECT_TRUE(data.count(index)) << "document datum " << index;
    for (size_t i = 0; i < texts.size(); ++i)
        for (size_t j = i + 1; j < texts.size(); ++j) {
            const FormatRect a = texts[i]->Position.normalised(), b = texts[j]->Position.normalised();
            EXPECT_TRUE(a.right <= b.left || b.right <= a.left || a.bottom <= b.top || b.bottom <= a.top)
                << texts[i]->Text << " / " << texts[j]->Text;
        }
}

TEST_F(DefaultFormats, TicketRowsFitFortyColumns) {
    CTicketFormat t;
    ASSERT_TRUE(CFormatStore(*db).LoadTicketFormat(t));
    CPrintJob job;
    job.Folio = 1234;
    job.Nombre = "Público en general";
    job.Fecha = OleDate::fromDate(2024, 1, 31);
    CPartida p;
    p.Descripcion = "Cuaderno";
    p.Cantidad = 12;
    p.Precio = 1250.5;
    p.Recalculate();
    job.Lines.push_back(p);
    job.Totals.Add(p);
    job.CurrentLine = &job.Lines[0];
    job.CurrentLineNumber = 1;
    int detailRows = 0;
    for (CRenglonTicket& row : t.Rows) {
        detailRows += row.HasDetail() ? 1 : 0;
        row.BuildText(job, true);
        const bool words = std::any_of(row.Fields.begin(), row.Fields.end(),
                                       [](const CRenglonField& f) { return f.Kind == FIELD_DOC && f.Index == 37; });
        if (!words) {
            EXPECT_LE(SpanishText::length(row.Text), 40u) << row.Text;
        }
    }
    EXPECT_GT(detailRows, 0);
}

} // namespace
