// Payment complements (Pagos 2.0) of a PPD invoice through the stand-in PAC, which checks each
// one against the schema and the SAT's arithmetic: parts that add up to the invoice to the cent,
// payments received before the stamp, an answer lost on the way back, and an invoice paid at once.
#include "CfdiFixture.h"
#include "PaymentChecks.h"
#include "StandInPac.h"
#include "cfdi/CadenaOriginal.h"
#include "cfdi/CfdiBuilder.h"
#include "cfdi/DocumentRounding.h"
#include "cfdi/CfdiAmounts.h"
#include "cfdi/CfdiIssuer.h"
#include "cfdi/CfdiSealAndStamp.h"
#include "cfdi/PacClient.h"
#include "cfdi/PaymentCfdiBuilder.h"
#include "cfdi/XmlDocument.h"
#include "db/Statement.h"
#include "receivables/PaymentStore.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <tuple>

namespace fs = std::filesystem;

namespace {

const char* const kUser = "pagos@negocio.mx";
const char* const kPassword = "Clave-PAC-9";

std::int64_t cents(const _xmlNode* n, const char* attribute) {
    return CfdiAmounts::parse(CXmlDocument::attribute(n, attribute), 2).value_or(-1);
}

class PaymentComplementTest : public ::testing::Test, public CfdiFixture {
protected:
    StandInPac pac{kUser, kPassword};
    std::unique_ptr<CPacClient> client =
        CPacClient::Create(PacConfig{PacProveedor::Finkok, PacAmbiente::Pruebas, pac.url(), kUser, kPassword}, {3000, 3000});
    fs::path folder = dir.path() / "xml";

    CCfdiSealAndStamp::Result run(const CfdiKey& key, const std::string& metodo = "", const std::string& forma = "") {
        CCfdiSealAndStamp::Request request;
        request.fiscal.metodoPago = metodo;
        request.fiscal.formaPago = forma;
        request.password = CfdiKit::password();
        request.folder = folder;
        return CCfdiSealAndStamp(*db, *client).Run(key, request, sealingNow());
    }
    std::int32_t pay(std::int32_t id, double amount, int day) {
        Payment p;
        p.fecha = OleDate::fromDate(2026, 3, day);
        p.importe = amount;
        const auto r = CPaymentStore(*db).Receive(id, p);
        EXPECT_EQ(r.outcome, CPaymentStore::Outcome::Registered);
        return r.numPago;
    }
};

} // namespace

TEST_F(PaymentComplementTest, ThreePartsWithMixedRatesAddUpToTheInvoiceToTheCent) {
    const std::int32_t a16 = addArticle("P16", "Tornillo", "31161500", iva16);
    const std::int32_t a8 = addArticle("P8", "Servicio frontera", "81111500", iva8, 0, retIva, retIsr);
    const std::int32_t a0 = addArticle("P0", "Tortilla", "50221200", iva0);
    const std::int32_t ax = addArticle("PX", "Libro", "55101500", exento);
    const std::int32_t id = save(cliente, 41, {line(a16, 333.33, 3), line(a8, 1234.57, 1, 7), line(a0, 17.35, 11), line(ax, 99.99, 2)}, "T");
    const auto stamped = run(id, "PPD");
    ASSERT_EQ(stamped.state, CCfdiStamper::State::Stamped) << stamped.message << (stamped.errors.empty() ? "" : stamped.errors[0]);
    EXPECT_TRUE(stamped.owedPayments.empty());
    const std::string invoiceXml = fiscal.cfdi(id)->xml;
    const CXmlDocument invoice(invoiceXml);
    const std::int64_t total = cents(invoice.root(), "Total");
    ASSERT_GT(total, 300);

    // The invoice's taxes by kind, from its concepts.
    using Key = std::tuple<bool, std::string, std::string>;
    std::map<Key, std::pair<std::int64_t, std::int64_t>> expected, paid;
    for (const bool ret : {true, false})
        for (const auto* t : invoice.findAll(ret ? "Retencion" : "Traslado", invoice.find("Conceptos"))) {
            auto& e = expected[{ret, CXmlDocument::attribute(t, "Impuesto"), CXmlDocument::attribute(t, "TasaOCuota")}];
            e.first += cents(t, "Base");
            e.second += CXmlDocument::hasAttribute(t, "Importe") ? cents(t, "Importe") : 0;
        }
    ASSERT_EQ(expected.size(), 6u);

    // Three parts: a third, an odd amount, and whatever is left.
    const double totalPesos = static_cast<double>(total) / 100;
    const double parts[] = {std::floor(totalPesos / 3 * 100) / 100, 123.45, 0};
    std::int64_t sumPagado = 0, saldo = total;
    for (int i = 0; i < 3; ++i) {
        Statement left = db->prepare("SELECT Total - YaPagado FROM Documentos WHERE Id_Documento = ?");
        left.bind(1, std::int64_t{id});
        ASSERT_TRUE(left.step());
        const std::int32_t n = pay(id, i == 2 ? left.real(0) : parts[i], 15 + i);
        left.reset();
        ASSERT_EQ(CCfdiSealAndStamp::NoteOwedPayments(*db, id, "03"), std::vector<CfdiKey>{CfdiKey(id, n)});
        const auto r = run({id, n});
        ASSERT_EQ(r.state, CCfdiStamper::State::Stamped) << r.message << (r.errors.empty() ? "" : r.errors[0])
                                                         << (pac.refusals().empty() ? "" : pac.refusals().back());
        const auto stored = fiscal.cfdi({id, n});
        ASSERT_TRUE(stored);
        EXPECT_EQ(stored->uuid, r.uuid);
        EXPECT_EQ(ScratchDir::readAll(r.file.string()), stored->xml);
        EXPECT_EQ(r.file.filename().string(), "EKU9003173C9_T_41_P" + std::to_string(n) + ".xml");
        EXPECT_EQ(r.file.parent_path(), CCfdiSealAndStamp::PathOf(folder, invoiceXml).parent_path());

        // The cadena is the SAT stylesheet's, and the seal is over it.
        const CXmlDocument doc(stored->xml);
        const auto cadena = CCadenaOriginal::FromXml(stored->xml);
        ASSERT_TRUE(cadena.ok);
        ScratchDir::writeAll(dir.file("p.xml"), stored->xml);
        EXPECT_EQ(cadena.cadena, CfdiKit::xsltprocCadena(dir.file("p.xml")));
        EXPECT_TRUE(CfdiKit::verifySeal(CfdiKit::certificate(), cadena.cadena, CXmlDocument::attribute(doc.root(), "Sello")));

        const auto* dr = doc.find("DoctoRelacionado");
        EXPECT_EQ(CXmlDocument::attribute(dr, "IdDocumento"), fiscal.cfdi(id)->uuid);
        EXPECT_EQ(CXmlDocument::attribute(dr, "NumParcialidad"), std::to_string(i + 1));
        EXPECT_EQ(cents(dr, "ImpSaldoAnt"), saldo);
        saldo -= cents(dr, "ImpPagado");
        EXPECT_EQ(cents(dr, "ImpSaldoInsoluto"), saldo);
        EXPECT_EQ(CXmlDocument::attribute(doc.find("Pago"), "FormaDePagoP"), "03");
        sumPagado += cents(dr, "ImpPagado");
        for (const bool ret : {true, false})
            for (const auto* t : doc.findAll(ret ? "RetencionDR" : "TrasladoDR", dr)) {
                auto& p = paid[{ret, CXmlDocument::attribute(t, "ImpuestoDR"), CXmlDocument::attribute(t, "TasaOCuotaDR")}];
                p.first += cents(t, "BaseDR");
                p.second += CXmlDocument::hasAttribute(t, "ImporteDR") ? cents(t, "ImporteDR") : 0;
            }
    }
    EXPECT_EQ(sumPagado, total);
    EXPECT_EQ(saldo, 0);
    EXPECT_EQ(paid, expected) << "the parts' bases and taxes are the invoice's";
    EXPECT_TRUE(fiscal.paymentsToStamp().empty());
    EXPECT_TRUE(pac.refusals().empty());
}

TEST_F(PaymentComplementTest, PaymentsBeforeTheStampOweTheirsAndALostAnswerStampsOnce) {
    const std::int32_t a = addArticle("Q1", "Caja", "24112700", iva16);
    // Saved with a first payment, as the registration dialog does.
    DocumentHeader h;
    h.idCliente = cliente;
    h.nombre = "Cliente";
    Statement c = db->prepare("SELECT Nombre, RFC FROM Clientes WHERE Id_Cliente = ?");
    c.bind(1, std::int64_t{cliente});
    ASSERT_TRUE(c.step());
    h.nombre = c.text(0);
    h.rfc = c.text(1);
    h.fecha = h.vence = OleDate::fromDate(2026, 3, 14, 9);
    h.serie = "T";
    h.folio = 42;
    std::vector<CPartida> lines{line(a, 500, 2)};
    const std::int32_t id =
        CDocumentStore(*db).Save(h, lines, DocumentTotals::Of(lines, DocumentRounding(*db)), FirstPayment{true, 300, "ant"}, std::nullopt).id;
    EXPECT_EQ(CCfdiBuilder(*db).Proposal(id).metodoPago, "PPD") << "a part paid: paid later";

    const auto stamped = run(id);
    ASSERT_EQ(stamped.state, CCfdiStamper::State::Stamped) << stamped.message;
    ASSERT_EQ(stamped.owedPayments, std::vector<CfdiKey>{CfdiKey(id, 1)});
    EXPECT_EQ(fiscal.paymentsToStamp(), std::vector<CfdiKey>{CfdiKey(id, 1)});
    EXPECT_EQ(fiscal.paymentForma({id, 1}), "01");
    fiscal.setPaymentForma({id, 1}, "02");  // "Después" with another forma chosen

    // The answer of the first complement is lost after the PAC stamped it: pending, then the
    // same bytes again give the same stamp.
    pac.setMode(StandInPac::Mode::StampThenCut);
    auto r = run({id, 1});
    EXPECT_EQ(r.state, CCfdiStamper::State::Pending) << r.message;
    const std::string sent = fiscal.cfdi({id, 1})->xml;
    const std::size_t before = pac.stampedCount();
    pac.setMode(StandInPac::Mode::Answer);
    r = run({id, 1});
    ASSERT_EQ(r.state, CCfdiStamper::State::Stamped) << r.message;
    EXPECT_EQ(pac.stampedCount(), before) << "no second CFDI for one payment";
    EXPECT_TRUE(CCfdiStamper::SameDocument(sent, fiscal.cfdi({id, 1})->xml));
    const CXmlDocument first(fiscal.cfdi({id, 1})->xml);
    EXPECT_EQ(CXmlDocument::attribute(first.find("DoctoRelacionado"), "ImpSaldoAnt"), "1160.00");
    EXPECT_EQ(CXmlDocument::attribute(first.find("DoctoRelacionado"), "ImpSaldoInsoluto"), "860.00");
    EXPECT_EQ(CXmlDocument::attribute(first.find("Pago"), "FechaPago"), "2026-03-14T09:00:00");
    EXPECT_EQ(CXmlDocument::attribute(first.find("Pago"), "FormaDePagoP"), "02");
    fiscal.setPaymentForma({id, 1}, "05");
    EXPECT_EQ(fiscal.paymentForma({id, 1}), "02") << "a sealed complement keeps the forma it carries";

    // The rest, paid later; noting a payment twice keeps its first forma.
    const std::int32_t n = pay(id, 860, 20);
    EXPECT_EQ(n, 2);
    fiscal.notePayment({id, n}, "04");
    EXPECT_EQ(CCfdiSealAndStamp::NoteOwedPayments(*db, id), std::vector<CfdiKey>{CfdiKey(id, 2)});
    EXPECT_EQ(fiscal.paymentForma({id, 2}), "04");
    r = run({id, 2});
    ASSERT_EQ(r.state, CCfdiStamper::State::Stamped) << r.message;
    const CXmlDocument second(fiscal.cfdi({id, 2})->xml);
    EXPECT_EQ(CXmlDocument::attribute(second.find("DoctoRelacionado"), "NumParcialidad"), "2");
    EXPECT_EQ(CXmlDocument::attribute(second.find("DoctoRelacionado"), "ImpSaldoInsoluto"), "0.00");
    EXPECT_EQ(CXmlDocument::attribute(second.find("Pago"), "FormaDePagoP"), "04");
    EXPECT_EQ(CXmlDocument::attribute(second.find("Totales"), "TotalTrasladosBaseIVA16"), "741.38");
    EXPECT_EQ(CXmlDocument::attribute(second.find("Totales"), "TotalTrasladosImpuestoIVA16"), "118.62");
}

TEST_F(PaymentComplementTest, APueInvoiceOwesNoneAndWrongPaymentsAreRefusedBeforeSealing) {
    const std::int32_t a = addArticle("R1", "Foco", "39101600", iva16);
    const std::int32_t id = save(cliente, 43, {line(a, 100, 1)}, "T");
    ASSERT_EQ(run(id, "PUE", "01").state, CCfdiStamper::State::Stamped);
    const std::int32_t n = pay(id, 50, 16);
    EXPECT_FALSE(CPaymentCfdiBuilder::OwesComplements(*db, id));
    EXPECT_TRUE(CCfdiSealAndStamp::NoteOwedPayments(*db, id).empty());
    EXPECT_TRUE(fiscal.paymentsToStamp().empty());
    const auto refused = CCfdiIssuer(*db).SealPayment({id, n}, "01", CfdiKit::password(), sealingNow());
    ASSERT_FALSE(refused.ok());
    EXPECT_NE(refused.errors[0].find("PUE"), std::string::npos);

    // A PPD invoice: no complement for a payment that does not exist, nor with forma 99.
    const std::int32_t ppd = save(cliente, 44, {line(a, 100, 1)}, "T");
    ASSERT_EQ(run(ppd, "PPD").state, CCfdiStamper::State::Stamped);
    EXPECT_FALSE(CCfdiIssuer(*db).SealPayment({ppd, 7}, "01", CfdiKit::password(), sealingNow()).ok());
    const std::int32_t m = pay(ppd, 10, 16);
    EXPECT_FALSE(CCfdiIssuer(*db).SealPayment({ppd, m}, "99", CfdiKit::password(), sealingNow()).ok());
    EXPECT_FALSE(CCfdiIssuer(*db).SealPayment({ppd, m}, "01", "otra", sealingNow()).ok());
    EXPECT_FALSE(fiscal.cfdi({ppd, m})) << "nothing sealed is stored";
}

TEST(PaymentChecks, TakeTheKitsSampleAndCatchBrokenArithmetic) {
    const std::string sample = CfdiKit::readText(CfdiKit::dir() / "samples/pago20-EKU9003173C9.xml");
    EXPECT_EQ(PaymentProblems(sample), "");
    const auto broken = [&](const std::string& from, const std::string& to) {
        std::string xml = sample;
        const std::size_t at = xml.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        return PaymentProblems(xml.replace(at, from.size(), to));
    };
    EXPECT_EQ(broken("ImpSaldoInsoluto=\"7000.00\"", "ImpSaldoInsoluto=\"7000.01\"").substr(0, 8), "CRP20218");
    EXPECT_EQ(broken("ImporteDR=\"413.79\"", "ImporteDR=\"431.79\"").substr(0, 8), "CRP20236");
    EXPECT_EQ(broken("MontoTotalPagos=\"15000.00\"", "MontoTotalPagos=\"15000.10\"").substr(0, 8), "CRP20320");
    EXPECT_EQ(broken("TotalTrasladosImpuestoIVA16=\"2068.96\"", "TotalTrasladosImpuestoIVA16=\"2069.96\"").substr(0, 8),
              "CRP20331");
    EXPECT_EQ(broken("UsoCFDI=\"CP01\"", "UsoCFDI=\"G03\"").substr(0, 6), "CRP103");
    EXPECT_EQ(broken("<pago20:Totales ", "<pago20:Totalez ").substr(0, 9), "CFDI40101");
}
