// The global invoice to the public over a month of sales, some invoiced on their own, some
// cancelled: one concept per free sale, valid against the SAT's schema and cadena, stamped through
// the stand-in, its sales kept out of any other CFDI until it is cancelled before the SAT.
#include "CfdiFixture.h"
#include "StandInPac.h"
#include "cfdi/CadenaOriginal.h"
#include "cfdi/CfdiAmounts.h"
#include "cfdi/CfdiCanceller.h"
#include "cfdi/CfdiIssuer.h"
#include "cfdi/CfdiSealAndStamp.h"
#include "cfdi/GlobalInvoice.h"
#include "cfdi/PacClient.h"
#include "cfdi/XmlDocument.h"
#include "db/Statement.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>

namespace {

const char* const kUser = "global@negocio.mx";
const char* const kPassword = "Clave-PAC-G";

std::int64_t cents(const _xmlNode* n, const char* attribute) {
    return CfdiAmounts::parse(CXmlDocument::attribute(n, attribute), 2).value_or(-1);
}

class GlobalInvoiceTest : public ::testing::Test, public CfdiFixture {
protected:
    StandInPac pac{kUser, kPassword};
    std::unique_ptr<CPacClient> client =
        CPacClient::Create(PacConfig{PacProveedor::Finkok, PacAmbiente::Pruebas, pac.url(), kUser, kPassword}, {3000, 3000});
    CGlobalInvoice::Period february{OleDate::fromDate(2026, 2, 1), OleDate::fromDate(2026, 2, 28), "04", "01"};
    std::set<std::string> freeFolios;
    std::int64_t freeTotal = 0;
    std::int32_t individual = 0, cancelledDoc = 0;

    // A month of counter sales with every kind of tax; one invoiced on its own, one cancelled,
    // one of the next month.
    void SetUp() override {
        const std::int32_t a16 = addArticle("G16", "Cuaderno", "14111500", iva16);
        const std::int32_t a8 = addArticle("G8", "Servicio", "81111500", iva8);
        const std::int32_t a0 = addArticle("G0", "Tortilla", "50221200", iva0);
        const std::int32_t ax = addArticle("GX", "Libro", "55101500", exento);
        const std::int32_t ar = addArticle("GR", "Honorarios", "80111600", iva16, 0, retIva, retIsr);
        for (int day = 1; day <= 28; ++day) {
            std::vector<CPartida> lines{line(a16, 12.35 * day, 1 + day % 3), line(day % 2 ? a8 : a0, 7.77, 2)};
            if (day % 5 == 0)
                lines.push_back(line(ax, 99.9, 1, 10));
            if (day == 13)
                lines.push_back(line(ar, 1000, 1));
            const std::int32_t id = save(cliente, 100 + day, lines, "V", OleDate::fromDate(2026, 2, day, 10 + day % 8));
            if (day == 7)
                individual = id;
            else if (day == 9)
                cancelledDoc = id;
            else {
                Statement s = db->prepare("SELECT Total FROM Documentos WHERE Id_Documento = ?");
                s.bind(1, std::int64_t{id});
                s.step();
                freeTotal += std::llround(s.real(0) * 100);
                char folio[16];
                std::snprintf(folio, sizeof folio, "V%06d", 100 + day);
                freeFolios.insert(folio);
            }
        }
        save(cliente, 200, {line(a16, 50, 1)}, "V", OleDate::fromDate(2026, 3, 1, 9));
        CCfdiSealAndStamp::Request request;
        request.fiscal = {"01", "PUE", "G03", "01", ""};
        request.password = CfdiKit::password();
        ASSERT_EQ(CCfdiSealAndStamp(*db, *client).Run(individual, request, sealingNow()).state, CCfdiStamper::State::Stamped);
        ASSERT_EQ(CDocumentStore(*db).Cancel("V", 109), CDocumentStore::CancelResult::Cancelled);
    }
};

} // namespace

TEST_F(GlobalInvoiceTest, CoversTheMonthsFreeSalesOnceAndFreesThemWhenCancelled) {
    const CGlobalInvoice::Candidates found = CGlobalInvoice(*db).Find(february);
    EXPECT_EQ(found.documents.size(), 26u);
    EXPECT_EQ(found.total, freeTotal);

    const CGlobalInvoice::Created made = CGlobalInvoice(*db).Create(february, CfdiKit::password(), sealingNow());
    ASSERT_TRUE(made.ok()) << made.errors.front();
    EXPECT_EQ(made.documents, 26);
    const std::string xml = fiscal.cfdi(made.key)->xml;
    const CfdiKit::SchemaValidator schemas(dir.path() / "xsd");
    EXPECT_EQ(schemas.validate(xml), "");
    ScratchDir::writeAll(dir.file("global.xml"), xml);
    const auto cadena = CCadenaOriginal::FromXml(xml);
    ASSERT_TRUE(cadena.ok);
    EXPECT_EQ(cadena.cadena, CfdiKit::xsltprocCadena(dir.file("global.xml")));

    const CXmlDocument doc(xml);
    const auto* global = doc.find("InformacionGlobal");
    ASSERT_NE(global, nullptr);
    EXPECT_EQ(CXmlDocument::attribute(global, "Periodicidad"), "04");
    EXPECT_EQ(CXmlDocument::attribute(global, "Meses"), "02");
    EXPECT_EQ(CXmlDocument::attribute(global, "A\xC3\xB1o"), "2026");
    const auto* receptor = doc.find("Receptor");
    EXPECT_EQ(CXmlDocument::attribute(receptor, "Rfc"), "XAXX010101000");
    EXPECT_EQ(CXmlDocument::attribute(receptor, "Nombre"), "PUBLICO EN GENERAL");
    EXPECT_EQ(CXmlDocument::attribute(receptor, "RegimenFiscalReceptor"), "616");
    EXPECT_EQ(CXmlDocument::attribute(receptor, "UsoCFDI"), "S01");
    EXPECT_EQ(CXmlDocument::attribute(receptor, "DomicilioFiscalReceptor"),
              CXmlDocument::attribute(doc.root(), "LugarExpedicion"));
    std::set<std::string> folios;
    std::int64_t sum = 0;
    for (const auto* c : doc.findAll("Concepto")) {
        folios.insert(CXmlDocument::attribute(c, "NoIdentificacion"));
        EXPECT_EQ(CXmlDocument::attribute(c, "ClaveProdServ"), "01010101");
        EXPECT_EQ(CXmlDocument::attribute(c, "ClaveUnidad"), "ACT");
        std::int64_t total = cents(c, "Importe") - (CXmlDocument::hasAttribute(c, "Descuento") ? cents(c, "Descuento") : 0);
        for (const auto* t : doc.findAll("Traslado", c))
            total += CXmlDocument::hasAttribute(t, "Importe") ? cents(t, "Importe") : 0;
        for (const auto* t : doc.findAll("Retencion", c))
            total -= cents(t, "Importe");
        sum += total;
    }
    EXPECT_EQ(folios, freeFolios) << "each free sale once; not the one invoiced alone, the cancelled one nor March's";
    EXPECT_EQ(sum, freeTotal) << "each concept is its sale to the cent";
    EXPECT_EQ(cents(doc.root(), "Total"), freeTotal);

    // Stamped like any CFDI; its sales go into no other.
    CCfdiSealAndStamp::Request request;
    request.password = CfdiKit::password();
    const auto stamped = CCfdiSealAndStamp(*db, *client).Run(made.key, request, sealingNow());
    ASSERT_EQ(stamped.state, CCfdiStamper::State::Stamped) << stamped.message;
    const auto again = CGlobalInvoice(*db).Create(february, CfdiKit::password(), sealingNow());
    ASSERT_FALSE(again.ok());
    EXPECT_NE(again.errors.front().find("No hay ventas"), std::string::npos) << again.errors.front();
    Statement one = db->prepare("SELECT Id_Documento FROM Documentos WHERE Folio = 101");
    ASSERT_TRUE(one.step());
    const auto single = CCfdiIssuer(*db).Seal(static_cast<std::int32_t>(one.integer(0)), {"01", "PUE", "G03", "01", ""},
                                              CfdiKit::password(), sealingNow());
    ASSERT_FALSE(single.ok());
    EXPECT_NE(single.errors.front().find("factura global FG 1"), std::string::npos) << single.errors.front();
    // Nor is a covered sale deleted, replaced or purged: it is part of that CFDI.
    CDocumentStore store(*db);
    EXPECT_EQ(store.Delete("V", 101), CDocumentStore::DeleteResult::Stamped);
    EXPECT_NE(store.StampedHold(static_cast<std::int32_t>(one.integer(0))).find("factura global FG 1"), std::string::npos);
    int kept = 0;
    store.DeleteBefore(OleDate::fromDate(2026, 3, 1), &kept);
    EXPECT_EQ(kept, 27) << "the covered sales and the one stamped alone";
    EXPECT_EQ(CGlobalInvoice(*db).Find(february).documents.size(), 0u);

    // Cancelled before the SAT: its sales are free again.
    ASSERT_EQ(CCfdiCanceller(*db, *client).Cancel(made.key, {"02", 0, CfdiKit::password()}).state,
              CCfdiCanceller::State::Requested);
    EXPECT_TRUE(CGlobalInvoice(*db).Find(february).documents.empty()) << "free only once the SAT cancels it";
    const auto st = CCfdiCanceller(*db, *client).CheckStatus(made.key, sealingNow());
    EXPECT_EQ(st.cancelacion, CfdiState::kCancelado);
    EXPECT_EQ(CGlobalInvoice(*db).Find(february).documents.size(), 26u);
    const auto second = CGlobalInvoice(*db).Create(february, CfdiKit::password(), sealingNow());
    ASSERT_TRUE(second.ok());
    EXPECT_EQ(CXmlDocument(fiscal.cfdi(second.key)->xml).root() != nullptr, true);
    EXPECT_EQ(CGlobalInvoice(*db).Name(second.key.idGlobal), "FG 2");
}

TEST_F(GlobalInvoiceTest, RefusesWhatIsNotAPeriodOfSalesAndAnotherWhileOneIsUnstamped) {
    CGlobalInvoice g(*db);
    auto bad = february;
    bad.periodicidad = "06";
    EXPECT_FALSE(g.Create(bad, CfdiKit::password(), sealingNow()).ok());
    bad = february;
    bad.formaPago = "99";
    EXPECT_FALSE(g.Create(bad, CfdiKit::password(), sealingNow()).ok());
    bad = february;
    std::swap(bad.desde, bad.hasta);
    EXPECT_FALSE(g.Create(bad, CfdiKit::password(), sealingNow()).ok());
    bad = february;
    bad.hasta = OleDate::fromDate(2026, 3, 31);
    EXPECT_NE(g.Create(bad, CfdiKit::password(), sealingNow()).errors.at(0).find("no ha terminado"), std::string::npos);
    EXPECT_FALSE(g.Create(february, "otra", sealingNow()).ok());
    EXPECT_TRUE(fiscal.globalsToStamp().empty()) << "nothing stored by a refusal";

    // A bimonthly one names its pair of months.
    auto bimonthly = february;
    bimonthly.periodicidad = "05";
    bimonthly.desde = OleDate::fromDate(2026, 1, 1);
    const auto made = g.Create(bimonthly, CfdiKit::password(), sealingNow());
    ASSERT_TRUE(made.ok());
    EXPECT_EQ(CXmlDocument::attribute(CXmlDocument(fiscal.cfdi(made.key)->xml).find("InformacionGlobal"), "Meses"), "13");
    EXPECT_EQ(fiscal.globalsToStamp(), std::vector<CfdiKey>{made.key});
    const auto another = g.Create(february, CfdiKit::password(), sealingNow());
    ASSERT_FALSE(another.ok());
    EXPECT_NE(another.errors.front().find("sin timbrar"), std::string::npos);
}
