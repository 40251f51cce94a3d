#include "CfdiFixture.h"
#include "cfdi/CadenaOriginal.h"
#include "cfdi/CfdiBuilder.h"
#include "cfdi/CfdiIssuer.h"
#include "db/Statement.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <random>

namespace fs = std::filesystem;

namespace {

double num(const std::string& xml, const std::string& expr) { return std::stod(CfdiKit::xpath(xml, "string(" + expr + ")")); }
double sum(const std::string& xml, const std::string& expr) { return std::stod(CfdiKit::xpath(xml, "sum(" + expr + ")")); }

std::string joined(const std::vector<std::string>& errors) {
    std::string s;
    for (const std::string& e : errors)
        s += e + "\n";
    return s;
}

bool mentions(const std::vector<std::string>& errors, const std::string& text) {
    return joined(errors).find(text) != std::string::npos;
}

} // namespace

class CfdiBuilderTest : public ::testing::Test, public CfdiFixture {};

// Several hundred documents mixing every combination of the two taxes and two withholdings a
// line allows (16 %, 8 %, 0 %, exempt, IEPS; withheld IVA and ISR), with discounts and
// fractional quantities: each is schema-valid, its cadena is xsltproc's, its seal verifies and
// its sums are the sums of the rounded parts written.
TEST_F(CfdiBuilderTest, GeneratedDocumentsValidateMatchXsltprocAndVerify) {
    const std::int32_t taxes1[] = {0, iva16, iva8, iva0, exento};
    const std::int32_t taxes2[] = {0, ieps8};
    struct Combo { std::int32_t i1, i2, r1, r2; };
    std::vector<Combo> combos;
    for (auto i1 : taxes1)
        for (auto i2 : taxes2)
            for (auto r1 : {0, retIva})
                for (auto r2 : {0, retIsr})
                    combos.push_back({i1, i2, r1, r2});
    // Two articles per combination, with texts that need escaping or collapsing.
    std::vector<std::array<std::int32_t, 2>> articles;
    for (std::size_t i = 0; i < combos.size(); ++i) {
        const Combo& c = combos[i];
        const std::string n = std::to_string(i);
        articles.push_back({addArticle("TOR-3/8-" + n, "Tornillo 3/8\" <acero> & rondana " + n, "31161500", c.i1, c.i2, c.r1, c.r2),
                            addArticle("SRV  " + n, "Servicio   de   entrega  (AÑO 2026) ñandú", "01010101", c.i1, c.i2, c.r1, c.r2)});
    }

    std::mt19937 rng(20261207);
    const double discounts[] = {0, 0, 0, 5, 10, 12.5, 33.3333, 99};
    const int documents = 320;
    CfdiKit::SchemaValidator schema(dir.path());
    const Blob cert = CfdiKit::certificate();
    int pue = 0;
    for (int n = 0; n < documents; ++n) {
        std::vector<CPartida> lines;
        const int count = 1 + static_cast<int>(rng() % 6);
        for (int k = 0; k < count; ++k) {
            const std::size_t c = (k == 0 ? static_cast<std::size_t>(n) : rng()) % combos.size();
            const double precio = static_cast<double>(1 + rng() % 500000) / (rng() % 2 ? 100.0 : 10000.0);
            const double cantidad = rng() % 3 ? static_cast<double>(1 + rng() % 20) : static_cast<double>(1 + rng() % 9999) / 1000.0;
            lines.push_back(line(articles[c][rng() % 2], precio, cantidad, discounts[rng() % std::size(discounts)]));
        }
        const std::int32_t id = save(n % 2 ? cliente : otroCliente, n + 1, lines, n % 3 ? "A" : "");
        DocumentoFiscal given;
        if (n % 4 == 0) {
            given = {"03", "PUE", "", "", ""};
            ++pue;
        }
        const CCfdiIssuer::Sealed s = CCfdiIssuer(*db).Seal(id, given, CfdiKit::password(), sealingNow());
        ASSERT_TRUE(s.ok()) << "document " << n << ":\n" << joined(s.errors);

        const std::string file = dir.file("doc.xml");
        ScratchDir::writeAll(file, s.xml);
        ASSERT_EQ(schema.validate(s.xml), "") << s.xml;
        ASSERT_EQ(s.cadena, CfdiKit::xsltprocCadena(file)) << s.xml;
        ASSERT_TRUE(CfdiKit::verifySeal(cert, s.cadena, CfdiKit::xpath(s.xml, "string(/*/@Sello)")));

        const std::string& x = s.xml;
        const double subTotal = num(x, "/*/@SubTotal");
        const double descuento = CfdiKit::xpath(x, "string(/*/@Descuento)").empty() ? 0 : num(x, "/*/@Descuento");
        const double trasladados = sum(x, "/*/cfdi:Impuestos/@TotalImpuestosTrasladados");
        const double retenidos = sum(x, "/*/cfdi:Impuestos/@TotalImpuestosRetenidos");
        EXPECT_NEAR(subTotal, sum(x, "//cfdi:Concepto/@Importe"), 1e-6);
        EXPECT_NEAR(descuento, sum(x, "//cfdi:Concepto/@Descuento"), 1e-6);
        EXPECT_NEAR(num(x, "/*/@Total"), subTotal - descuento + trasladados - retenidos, 1e-6);
        EXPECT_NEAR(trasladados, sum(x, "//cfdi:Concepto//cfdi:Traslado/@Importe"), 1e-6);
        EXPECT_NEAR(retenidos, sum(x, "//cfdi:Concepto//cfdi:Retencion/@Importe"), 1e-6);
        EXPECT_NEAR(trasladados, sum(x, "/*/cfdi:Impuestos/cfdi:Traslados/cfdi:Traslado/@Importe"), 1e-6);
        EXPECT_NEAR(retenidos, sum(x, "/*/cfdi:Impuestos/cfdi:Retenciones/cfdi:Retencion/@Importe"), 1e-6);
        for (int k = 1; k <= count; ++k) {
            const std::string c = "//cfdi:Concepto[" + std::to_string(k) + "]";
            const double importe = num(x, c + "/@Importe");
            // Importe is Cantidad × ValorUnitario rounded to the cent (half a cent at most away).
            EXPECT_LE(std::abs(importe - num(x, c + "/@Cantidad") * num(x, c + "/@ValorUnitario")), 0.005 + 1e-7);
            EXPECT_LE(sum(x, c + "/@Descuento"), importe);
        }
        // The document's own total, summed unrounded, differs only by the cents of rounding.
        Statement t = db->prepare("SELECT Total FROM Documentos WHERE Id_Documento = ?");
        t.bind(1, std::int64_t{id});
        t.step();
        EXPECT_NEAR(num(x, "/*/@Total"), t.real(0), 0.03 * count) << x;
        EXPECT_EQ(CfdiKit::xpath(x, "string(/*/@MetodoPago)"), n % 4 == 0 ? "PUE" : "PPD");
    }
    EXPECT_EQ(pue, documents / 4);
}

TEST_F(CfdiBuilderTest, GroupsTheSummaryByTaxAndRateAndOmitsTheTotalForOnlyExemptTransfers) {
    const std::int32_t a = addArticle("A1", "Uno", "01010101", iva16);
    const std::int32_t b = addArticle("B1", "Dos", "01010101", iva16, ieps8, retIva);
    const std::int32_t c = addArticle("C1", "Tres", "01010101", iva0);
    const std::int32_t d = addArticle("D1", "Cuatro", "01010101", exento);
    const std::int32_t id = save(cliente, 1, {line(a, 100, 1), line(b, 50.5, 3, 10), line(c, 10, 1), line(d, 7, 2)});
    const auto s = CCfdiIssuer(*db).Seal(id, {}, CfdiKit::password(), sealingNow());
    ASSERT_TRUE(s.ok()) << joined(s.errors);
    const std::string& x = s.xml;
    EXPECT_EQ(CfdiKit::xpath(x, "count(/*/cfdi:Impuestos/cfdi:Traslados/cfdi:Traslado)"), "4");
    // 100 + 136.35 (151.50 less 15.15) at 16 %.
    EXPECT_EQ(CfdiKit::xpath(x, "string(/*/cfdi:Impuestos//cfdi:Traslado[@TasaOCuota='0.160000']/@Base)"), "236.35");
    EXPECT_EQ(CfdiKit::xpath(x, "string(/*/cfdi:Impuestos//cfdi:Traslado[@TasaOCuota='0.160000']/@Importe)"), "37.82");
    EXPECT_EQ(CfdiKit::xpath(x, "string(/*/cfdi:Impuestos//cfdi:Traslado[@TipoFactor='Exento']/@Base)"), "14.00");
    EXPECT_EQ(CfdiKit::xpath(x, "count(/*/cfdi:Impuestos//cfdi:Traslado[@TipoFactor='Exento']/@Importe)"), "0");
    EXPECT_EQ(CfdiKit::xpath(x, "string(/*/cfdi:Impuestos/@TotalImpuestosRetenidos)"), "14.54");
    EXPECT_EQ(CfdiKit::xpath(x, "string(/*/@Descuento)"), "15.15");

    const std::int32_t onlyExempt = save(cliente, 2, {line(d, 7, 2)});
    const auto e = CCfdiIssuer(*db).Seal(onlyExempt, {}, CfdiKit::password(), sealingNow());
    ASSERT_TRUE(e.ok()) << joined(e.errors);
    EXPECT_EQ(CfdiKit::xpath(e.xml, "count(/*/cfdi:Impuestos/@TotalImpuestosTrasladados)"), "0");
    EXPECT_EQ(CfdiKit::xpath(e.xml, "string(/*/@Total)"), "14.00");
    CfdiKit::SchemaValidator schema(dir.path());
    EXPECT_EQ(schema.validate(e.xml), "");
}

TEST_F(CfdiBuilderTest, RefusesWithSpanishMessagesNamingTheDatumAndWritesNothing) {
    const std::int32_t sinClave = addArticle("TOR-3/8", "Tornillo", "", iva16);
    const std::int32_t ok = addArticle("OK-1", "Bueno", "01010101", iva16);
    const std::int32_t sinCp = addCustomer("Taller El Güero", "XIA190128J61", "", "601");
    const std::int32_t doc = save(sinCp, 1, {line(sinClave, 10, 1), line(ok, 0.001, 1, 120)});
    auto s = CCfdiIssuer(*db).Seal(doc, {}, "mala", sealingNow());
    EXPECT_FALSE(s.ok());
    EXPECT_TRUE(mentions(s.errors, "El cliente «Taller El Güero» no tiene código postal fiscal")) << joined(s.errors);
    EXPECT_TRUE(mentions(s.errors, "El artículo TOR-3/8 no tiene clave de producto del SAT")) << joined(s.errors);
    EXPECT_TRUE(mentions(s.errors, "El renglón 2 tiene un descuento fuera de 0 a 100 %"));
    EXPECT_TRUE(mentions(s.errors, "La contraseña de la llave privada no es correcta"));
    EXPECT_TRUE(s.xml.empty());

    // Withholdings larger than the amount; a free line; a cancelled document; a pipe in a text.
    db->execute("INSERT INTO Impuestos (Nombre, Porcentaje, Retencion) VALUES ('Ret. rara', 90, 1)");
    const auto rara = static_cast<std::int32_t>(db->lastInsertId());
    fiscal.saveImpuesto(rara, {"001", "Tasa", 0.90});
    const std::int32_t conRara = addArticle("R-1", "Rara", "01010101", iva0, 0, rara, rara);
    const std::int32_t neg = save(cliente, 2, {line(conRara, 10, 1)});
    s = CCfdiIssuer(*db).Seal(neg, {}, CfdiKit::password(), sealingNow());
    EXPECT_TRUE(mentions(s.errors, "La tasa 0.900000 de «Ret. rara» en renglón 1 no está en el catálogo del SAT"))
        << joined(s.errors);
    // A line whose rate is no longer its tax's (the catalogue changed since): named, not guessed.
    db->execute("UPDATE Detalles SET pI1 = 0.15 WHERE Id_Documento = ?", {std::int64_t{neg}});
    db->execute("UPDATE Articulos SET Id_Imp1 = ? WHERE Id_Articulo = ?", {std::int64_t{iva16}, std::int64_t{conRara}});
    s = CCfdiIssuer(*db).Seal(neg, {}, CfdiKit::password(), sealingNow());
    EXPECT_TRUE(mentions(s.errors, "El renglón 1 tiene una tasa de 0.150000 y el impuesto «IVA 16 %» es de 0.160000"))
        << joined(s.errors);

    CPartida libre = line(ok, 10, 1);
    const std::int32_t cancel = save(cliente, 3, {libre});
    CDocumentStore(*db).Cancel("A", 3);
    s = CCfdiIssuer(*db).Seal(cancel, {}, CfdiKit::password(), sealingNow());
    EXPECT_TRUE(mentions(s.errors, "El documento está cancelado")) << joined(s.errors);

    CPartida pipe = line(ok, 10, 1);
    pipe.Descripcion = "Uno | dos";
    const std::int32_t withPipe = save(cliente, 4, {pipe});
    s = CCfdiIssuer(*db).Seal(withPipe, {"01", "PPD", "ZZZ", "", ""}, CfdiKit::password(), sealingNow());
    EXPECT_TRUE(mentions(s.errors, "El renglón 1 tiene en la descripción caracteres que el SAT no acepta"));
    EXPECT_TRUE(mentions(s.errors, "Con método de pago PPD la forma de pago debe ser 99"));
    EXPECT_TRUE(mentions(s.errors, "El uso del CFDI «ZZZ» no sirve para una factura"));

    // A certificate of another RFC, and a date outside the certificate's validity.
    const std::int32_t good = save(cliente, 5, {line(ok, 10, 1)});
    const std::int32_t late = save(cliente, 6, {line(ok, 10, 1)}, "A", OleDate::fromDate(2027, 6, 1, 10));
    EXPECT_TRUE(CCfdiIssuer(*db).Seal(good, {}, CfdiKit::password(), sealingNow()).ok());
    // A document of a later day waits for that day; sealed on it, the certificate has expired.
    s = CCfdiIssuer(*db).Seal(late, {}, CfdiKit::password(), sealingNow());
    EXPECT_TRUE(mentions(s.errors, "El documento tiene fecha del 01/06/2027: su factura electrónica se hace a partir de ese día"))
        << joined(s.errors);
    s = CCfdiIssuer(*db).Seal(late, {}, CfdiKit::password(), OleDate::fromDate(2027, 6, 1, 18));
    EXPECT_TRUE(mentions(s.errors, "El certificado no es válido hoy (vale del 2023-05-18 al 2027-05-18)"))
        << joined(s.errors);
    EmisorFiscal e = fiscal.emisor();
    e.rfc = "XIA190128J61";
    fiscal.saveEmisor(e);
    s = CCfdiIssuer(*db).Seal(good, {}, CfdiKit::password(), sealingNow());
    EXPECT_TRUE(mentions(s.errors, "El certificado es del RFC «EKU9003173C9», no del negocio («XIA190128J61»)"))
        << joined(s.errors);

    Statement count = db->prepare("SELECT count(*) FROM Cfdis");
    count.step();
    EXPECT_EQ(count.integer(0), 0);
}

// The schema's lengths counted in characters, the usos the receptor's régimen allows, text XML
// cannot carry and amounts beyond 64 bits: refused before anything is sealed, each naming the
// line and the datum.
TEST_F(CfdiBuilderTest, RefusesLengthsUsosTextAndAmountsBeforeSealing) {
    const std::int32_t ok = addArticle("OK-1", "Bueno", "01010101", iva16);
    const auto seal = [&](std::int32_t doc, const DocumentoFiscal& f = {}) {
        return CCfdiIssuer(*db).Seal(doc, f, CfdiKit::password(), sealingNow());
    };
    // A thousand "ñ" are 2,000 bytes and fit; 1,001 letters do not.
    CPartida fits = line(ok, 10, 1);
    fits.Descripcion.clear();
    for (int i = 0; i < 1000; ++i)
        fits.Descripcion += "ñ";
    CPartida longer = line(ok, 10, 1);
    longer.Descripcion = std::string(1001, 'a');
    longer.Clave = std::string(101, 'K');
    auto s = seal(save(cliente, 1, {fits, line(ok, 10, 1), longer}, std::string(26, 'S')));
    EXPECT_TRUE(mentions(s.errors, "Renglón 3: la descripción tiene 1,001 caracteres y el SAT admite 1,000."))
        << joined(s.errors);
    EXPECT_TRUE(mentions(s.errors, "Renglón 3: la clave del artículo tiene 101 caracteres y el SAT admite 100."));
    EXPECT_TRUE(mentions(s.errors, "Documento: la serie tiene 26 caracteres y el SAT admite 25."));
    EXPECT_FALSE(mentions(s.errors, "Renglón 1")) << joined(s.errors);
    EXPECT_EQ(s.errors.size(), 3u) << joined(s.errors);
    EXPECT_TRUE(seal(save(cliente, 2, {fits})).ok());

    const std::int32_t unidad = addArticle("U-1", "Con unidad larga", "01010101", iva16);
    fiscal.saveArticulo(unidad, {"01010101", "H87", std::string(21, 'u'), "02"});
    const std::int32_t largo = addCustomer(std::string(301, 'N'), "XIA190128J61", "36257", "601");
    s = seal(save(largo, 3, {line(unidad, 10, 1)}));
    EXPECT_TRUE(mentions(s.errors, "Artículo U-1: la unidad tiene 21 caracteres y el SAT admite 20.")) << joined(s.errors);
    EXPECT_TRUE(mentions(s.errors, "Cliente: el nombre tiene 301 caracteres y el SAT admite 300."));

    // Usos the SAT's catalogue does not give to the customer's régimen.
    const std::int32_t asalariado = addCustomer("Juan Pérez", "PEGJ800101AB1", "01000", "605", "G03");
    s = seal(save(asalariado, 4, {line(ok, 10, 1)}));
    EXPECT_TRUE(mentions(s.errors, "El uso del CFDI G03 no corresponde al régimen fiscal 605")) << joined(s.errors);
    s = seal(save(cliente, 5, {line(ok, 10, 1)}), {"", "", "D01", "", ""});
    EXPECT_TRUE(mentions(s.errors, "El uso del CFDI D01 no corresponde al régimen fiscal 601")) << joined(s.errors);
    EXPECT_TRUE(seal(save(otroCliente, 6, {line(ok, 10, 1)}), {"", "", "D01", "", ""}).ok());
    EXPECT_TRUE(seal(save(asalariado, 7, {line(ok, 10, 1)}), {"", "", "S01", "", ""}).ok());
    s = seal(save(cliente, 8, {line(ok, 10, 1)}), {"", "", "CP01", "", ""});
    EXPECT_TRUE(mentions(s.errors, "El uso del CFDI «CP01» no sirve para una factura")) << joined(s.errors);

    // A byte that is not UTF-8 (text from another code page, which a file may hold and a server
    // refuses to store) is named where it is, not found by the XML parser afterwards.
    if (!TestDatabase::onServer()) {
        CPartida latin1 = line(ok, 10, 1);
        latin1.Descripcion = "Tornillo cami\xF3n";
        s = seal(save(cliente, 9, {line(ok, 10, 1), latin1}));
        EXPECT_TRUE(mentions(s.errors, "El renglón 2 tiene en la descripción caracteres que el SAT no acepta"))
            << joined(s.errors);
        EXPECT_FALSE(mentions(s.errors, "bien formado"));
    }

    // Cents beyond 64 bits would wrap around into another amount.
    s = seal(save(cliente, 10, {line(ok, 10, 1), line(ok, 1e15, 1), line(ok, 10, 1e13)}));
    EXPECT_TRUE(mentions(s.errors, "Renglón 2: importe fuera de rango.")) << joined(s.errors);
    EXPECT_TRUE(mentions(s.errors, "Renglón 3: importe fuera de rango.")) << joined(s.errors);
    EXPECT_FALSE(mentions(s.errors, "Renglón 1"));

    Statement count = db->prepare("SELECT count(*) FROM Cfdis");
    count.step();
    EXPECT_EQ(count.integer(0), 0);
}

TEST_F(CfdiBuilderTest, SaveWritesTheFileByYearAndMonthAndStoresTheXmlWithTheDocument) {
    const std::int32_t a = addArticle("A1", "Uno", "01010101", iva16);
    const std::int32_t id = save(cliente, 77, {line(a, 100, 1)}, "B");
    const auto s = CCfdiIssuer(*db).Seal(id, {"01", "PUE", "G01", "", ""}, CfdiKit::password(), sealingNow());
    ASSERT_TRUE(s.ok()) << joined(s.errors);
    const fs::path file = CCfdiIssuer::PathIn(dir.path() / "xml", s);
    EXPECT_EQ(file, dir.path() / "xml/2026/03/EKU9003173C9_B_77.xml");
    // Sealed the day of the document: its date is the moment of sealing, and nothing to tell.
    EXPECT_EQ(CfdiKit::xpath(s.xml, "string(/*/@Fecha)"), "2026-03-14T12:00:00");
    EXPECT_TRUE(s.notice.empty()) << s.notice;
    // Sealed days later: the SAT's 72 hours count from the seal, so the CFDI carries that day, and
    // goes into that month's folder; the operator is told.
    const auto later = CCfdiIssuer(*db).Seal(id, {"01", "PUE", "G01", "", ""}, CfdiKit::password(),
                                             OleDate::fromDate(2026, 4, 2, 8, 5, 0));
    ASSERT_TRUE(later.ok()) << joined(later.errors);
    EXPECT_EQ(CfdiKit::xpath(later.xml, "string(/*/@Fecha)"), "2026-04-02T08:05:00");
    EXPECT_EQ(later.notice, "El documento es del 14/03/2026; la factura electrónica lleva la fecha de hoy, 02/04/2026 "
                            "08:05, porque el SAT solo timbra comprobantes de las últimas 72 horas.");
    EXPECT_EQ(CCfdiIssuer::PathIn(dir.path(), later), dir.path() / "2026/04/EKU9003173C9_B_77.xml");
    std::string error;
    ASSERT_TRUE(CCfdiIssuer(*db).Save(id, s, file, error)) << error;
    EXPECT_EQ(ScratchDir::readAll(file.string()), s.xml);
    EXPECT_FALSE(fs::exists(file.string() + ".tmp"));
    const auto stored = fiscal.cfdi(id);
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->xml, s.xml);
    EXPECT_EQ(stored->estado, "Sellado");
    EXPECT_EQ(stored->noCertificado, "30001000000500003416");
    EXPECT_EQ(fiscal.documento(id)->formaPago, "01");
    // Nothing pretends to be stamped.
    EXPECT_EQ(s.xml.find("TimbreFiscalDigital"), std::string::npos);
    EXPECT_EQ(s.xml.find("Complemento"), std::string::npos);

    // A folder that cannot be made: nothing stored.
    const std::int32_t other = save(cliente, 78, {line(a, 100, 1)}, "B");
    const auto s2 = CCfdiIssuer(*db).Seal(other, {}, CfdiKit::password(), sealingNow());
    ScratchDir::writeAll(dir.file("blocker"), "x");
    EXPECT_FALSE(CCfdiIssuer(*db).Save(other, s2, dir.path() / "blocker/2026/x.xml", error));
    EXPECT_FALSE(fiscal.cfdi(other));

    // Replacing the document drops the seal of the old one.
    CDocumentStore(*db).Delete("B", 77);
    EXPECT_FALSE(fiscal.cfdi(id));
}
