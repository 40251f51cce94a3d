// A document's stored totals, its balance and its printout against the CFDI sealed from it.
#include "CfdiFixture.h"
#include "cfdi/CfdiIssuer.h"
#include "cfdi/DocumentRounding.h"
#include "cfdi/FiscalTables.h"
#include "db/Statement.h"
#include "invoice/DocumentStore.h"
#include "printing/PrintJob.h"
#include "receivables/PaymentStore.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace {

struct Stored {
    double importe, descuento, subtotal, imp1, imp2, ret1, ret2, total;
};

Stored stored(Database& db, std::int32_t id) {
    Statement s = db.prepare("SELECT Importe, Descuento, Subtotal, Impuesto1, Impuesto2, Retencion1, Retencion2, Total "
                             "FROM Documentos WHERE Id_Documento = ?");
    s.bind(1, std::int64_t{id});
    EXPECT_TRUE(s.step());
    return {s.real(0), s.real(1), s.real(2), s.real(3), s.real(4), s.real(5), s.real(6), s.real(7)};
}

// Cents of a CFDI amount attribute ("1240.50"); 0 when it is left out.
std::int64_t cents(const std::string& xml, const std::string& attribute) {
    const std::string text = CfdiKit::xpath(xml, "string(" + attribute + ")");
    return text.empty() ? 0 : std::llround(std::stod(text) * 100);
}

std::int64_t cents(double pesos) { return std::llround(pesos * 100); }

// Documents of many lines over articles with every combination of taxes a shop meets: quantities
// whole or to thousandths, prices to cents or to four decimals, discounts whole or to hundredths.
class FiscalTotals : public ::testing::Test, public CfdiFixture {
protected:
    std::vector<std::int32_t> articles;
    std::mt19937 rng{20260314};

    void SetUp() override {
        articles = {
            addArticle("IVA16", "Cuaderno profesional", "14111514", iva16),
            addArticle("HON", "Honorarios de asesoría", "80101500", iva16, 0, retIva, retIsr),
            addArticle("FRONT", "Papel bond frontera", "14111507", iva8),
            addArticle("TORT", "Tortilla de maíz", "50221300", iva0),
            addArticle("LIBRO", "Libro de texto", "55101500", exento),
            addArticle("REFR", "Refresco de cola", "50202301", ieps8, iva16),
            addArticle("FLETE", "Flete local", "78101800", iva16, 0, retIva),
            addArticle("SERV", "Servicio sin impuesto", "01010101", 0, 0, 0, 0, "01"),
        };
    }

    int between(int a, int b) { return std::uniform_int_distribution<int>(a, b)(rng); }

    std::vector<CPartida> randomLines() {
        std::vector<CPartida> lines;
        const int n = between(1, 30);
        for (int i = 0; i < n; ++i) {
            const std::int32_t article = articles[static_cast<std::size_t>(between(0, int(articles.size()) - 1))];
            const double cantidad = between(0, 1) ? between(1, 20) : between(1000, 50000) / 1000.0;
            const double precio = between(0, 1) ? between(100, 1000000) / 100.0 : between(10000, 100000000) / 10000.0;
            const int kind = between(0, 4);
            const double descuento = kind == 0 ? between(1, 30) : kind == 1 ? between(1, 5000) / 100.0 : 0.0;
            lines.push_back(line(article, precio, cantidad, descuento));
        }
        return lines;
    }
};

TEST_F(FiscalTotals, StoredTotalsBalanceAndPrintoutAreThoseOfTheSealedCfdiToTheCent) {
    ASSERT_EQ(DocumentRounding(*db), TotalsRounding::LineCents);
    int oldWouldDiffer = 0;
    for (int folio = 1; folio <= 60; ++folio) {
        const std::vector<CPartida> lines = randomLines();
        const std::int32_t id = save(cliente, folio, lines);
        const CCfdiIssuer::Sealed sealed = CCfdiIssuer(*db).Seal(id, {}, CfdiKit::password(), sealingNow());
        ASSERT_TRUE(sealed.ok()) << sealed.errors.front();
        const std::string& x = sealed.xml;
        const Stored s = stored(*db, id);
        const std::int64_t total = cents(x, "/*/@Total");
        SCOPED_TRACE("folio " + std::to_string(folio) + ", CFDI total " + std::to_string(total));

        // Each stored amount is the CFDI's, as the double nearest to its cents.
        EXPECT_EQ(s.total, static_cast<double>(total) / 100);
        EXPECT_EQ(s.importe, static_cast<double>(cents(x, "/*/@SubTotal")) / 100);
        EXPECT_EQ(s.descuento, static_cast<double>(cents(x, "/*/@Descuento")) / 100);
        EXPECT_EQ(cents(s.subtotal), cents(x, "/*/@SubTotal") - cents(x, "/*/@Descuento"));
        EXPECT_EQ(cents(s.imp1) + cents(s.imp2), cents(x, "/*/cfdi:Impuestos/@TotalImpuestosTrasladados"));
        EXPECT_EQ(cents(s.ret1) + cents(s.ret2), cents(x, "/*/cfdi:Impuestos/@TotalImpuestosRetenidos"));
        for (double v : {s.subtotal, s.imp1, s.imp2, s.ret1, s.ret2})
            EXPECT_EQ(v, static_cast<double>(cents(v)) / 100);
        oldWouldDiffer += cents(DocumentTotals::Of(lines).Total) != total;

        // The printout of the stored document shows the same amounts.
        CPrintJob job;
        ASSERT_EQ(job.LoadStored(*db, "A", folio, DocumentRounding(*db)), CDocumentStore::LoadResult::Loaded);
        EXPECT_EQ(job.Totals.Total, s.total);
        EXPECT_EQ(job.Totals.Impuesto1, s.imp1);
        EXPECT_EQ(job.Totals.Retencion2, s.ret2);

        // The customer owes the CFDI's total: paying it, against that balance, settles the document.
        const CPaymentStore::Result paid =
            CPaymentStore(*db).Receive(id, {OleDate::fromDate(2026, 3, 20), s.total, "Transferencia", ""}, s.total);
        EXPECT_EQ(paid.outcome, CPaymentStore::Outcome::Registered);
        EXPECT_TRUE(paid.pagado);
        EXPECT_EQ(cents(paid.yaPagado), total);
    }
    // The documents are ones the unrounded sums got wrong.
    EXPECT_GT(oldWouldDiffer, 10);
}

TEST_F(FiscalTotals, ADocumentSavedBeforeTheRfcTakesTheCfdiTotalsWhenSealed) {
    // Saved with the unrounded sums, as before the business had fiscal data, one paid in full.
    int changed = 0;
    for (int folio = 1; folio <= 20; ++folio) {
        const std::vector<CPartida> lines = randomLines();
        DocumentHeader h;
        h.idCliente = cliente;
        h.nombre = "Cliente";
        h.rfc = "XIA190128J61";
        h.fecha = h.vence = sealingNow();
        h.serie = "V";
        h.folio = folio;
        const DocumentTotals old = DocumentTotals::Of(lines);
        const bool paid = folio % 2 == 0;
        const std::int32_t id =
            CDocumentStore(*db).Save(h, std::span<CPartida>(const_cast<CPartida*>(lines.data()), lines.size()), old,
                                     FirstPayment{paid, old.Total, ""}, std::nullopt).id;
        const CCfdiIssuer::Sealed sealed = CCfdiIssuer(*db).Seal(id, {paid ? "03" : "99", "", "", "", ""}, CfdiKit::password(), sealingNow());
        ASSERT_TRUE(sealed.ok()) << sealed.errors.front();
        CCfdiIssuer(*db).Store(id, sealed);
        const std::int64_t total = cents(sealed.xml, "/*/@Total");
        changed += cents(old.Total) != total;
        EXPECT_EQ(stored(*db, id).total, static_cast<double>(total) / 100) << folio;
        EXPECT_EQ(cents(stored(*db, id).importe), cents(sealed.xml, "/*/@SubTotal")) << folio;
        // Payments stay as registered; a settled document is not reopened by a centavo.
        Statement p = db->prepare("SELECT Pagado, YaPagado FROM Documentos WHERE Id_Documento = ?");
        p.bind(1, std::int64_t{id});
        ASSERT_TRUE(p.step());
        EXPECT_EQ(p.integer(0) != 0, paid) << folio;
        EXPECT_EQ(p.real(1), paid ? old.Total : 0.0) << folio;
    }
    EXPECT_GT(changed, 3);
}

TEST_F(FiscalTotals, WithoutTheBusinessRfcDocumentsKeepTheUnroundedSums) {
    EmisorFiscal none = fiscal.emisor();
    none.rfc = "  ";
    fiscal.saveEmisor(none);
    ASSERT_EQ(DocumentRounding(*db), TotalsRounding::Unrounded);
    int roundedWouldDiffer = 0;
    for (int folio = 1; folio <= 30; ++folio) {
        const std::vector<CPartida> lines = randomLines();
        const Stored s = stored(*db, save(cliente, folio, lines));
        double total = 0, imp1 = 0, ret1 = 0;
        for (const CPartida& p : lines) {
            total += p.Total;
            imp1 += p.Imp1;
            ret1 += p.Ret1;
        }
        EXPECT_EQ(s.total, total);
        EXPECT_EQ(s.imp1, imp1);
        EXPECT_EQ(s.ret1, ret1);
        CPrintJob job;
        ASSERT_EQ(job.LoadStored(*db, "A", folio, DocumentRounding(*db)), CDocumentStore::LoadResult::Loaded);
        EXPECT_EQ(job.Totals.Total, total);
        roundedWouldDiffer += cents(DocumentTotals::Of(lines, TotalsRounding::LineCents).Total) != cents(total);
    }
    EXPECT_GT(roundedWouldDiffer, 10);
}

TEST(DocumentRounding, OnlyAStoredBusinessRfcRoundsAndAskingAddsNoTables) {
    TestDatabase testDb;
    auto db = testDb.create();
    EXPECT_EQ(DocumentRounding(*db), TotalsRounding::Unrounded);
    EXPECT_FALSE(db->hasTable("DatosFiscales"));
    FiscalTables::ensure(*db);
    EXPECT_EQ(DocumentRounding(*db), TotalsRounding::Unrounded);
    CFiscalStore store(*db);
    EmisorFiscal e;
    e.razonSocial = "ESCUELA KEMPER URGATE";
    store.saveEmisor(e);
    EXPECT_EQ(DocumentRounding(*db), TotalsRounding::Unrounded);
    e.rfc = "EKU9003173C9";
    store.saveEmisor(e);
    EXPECT_EQ(DocumentRounding(*db), TotalsRounding::LineCents);
}

} // namespace
