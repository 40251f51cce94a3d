#include "cfdi/PaymentCfdiBuilder.h"

#include "cfdi/CfdiAmounts.h"
#include "cfdi/CfdiBuilder.h"
#include "cfdi/FiscalStore.h"
#include "cfdi/SatCatalogs.h"
#include "cfdi/XmlDocument.h"
#include "db/Database.h"
#include "invoice/FixedPoint.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace A = CfdiAmounts;

namespace {

constexpr const char* kSchemaLocation =
    "http://www.sat.gob.mx/cfd/4 http://www.sat.gob.mx/sitio_internet/cfd/4/cfdv40.xsd "
    "http://www.sat.gob.mx/Pagos20 http://www.sat.gob.mx/sitio_internet/cfd/Pagos/Pagos20.xsd";

// The invoice's taxes by kind, summed from its concepts: the summary of withholdings carries no
// base nor rate, and a payment's withholdings need both.
struct TaxGroup {
    bool retencion = false;
    std::string impuesto, tipoFactor;
    std::int64_t tasaMicros = 0;
    std::int64_t base = 0, importe = 0;  // cents
};

bool readTaxes(const CXmlDocument& doc, std::vector<TaxGroup>& groups) {
    for (const auto* concepto : doc.findAll("Concepto")) {
        for (const bool ret : {true, false}) {
            for (const auto* t : doc.findAll(ret ? "Retencion" : "Traslado", concepto)) {
                TaxGroup g{ret, CXmlDocument::attribute(t, "Impuesto"), CXmlDocument::attribute(t, "TipoFactor")};
                const bool exento = g.tipoFactor == "Exento";
                const auto base = A::parse(CXmlDocument::attribute(t, "Base"), 2);
                const auto tasa = exento ? std::optional<std::int64_t>(0) : A::parse(CXmlDocument::attribute(t, "TasaOCuota"), 6);
                const auto importe = exento ? std::optional<std::int64_t>(0) : A::parse(CXmlDocument::attribute(t, "Importe"), 2);
                if (!base || !tasa || !importe)
                    return false;
                g.tasaMicros = *tasa;
                auto it = std::find_if(groups.begin(), groups.end(), [&](const TaxGroup& x) {
                    return x.retencion == ret && x.impuesto == g.impuesto && x.tipoFactor == g.tipoFactor &&
                           x.tasaMicros == g.tasaMicros;
                });
                if (it == groups.end())
                    it = groups.insert(groups.end(), g);
                it->base += *base;
                it->importe += *importe;
            }
        }
    }
    return true;
}

// `amount` × paid / total, in cents, rounded half away from zero.
std::int64_t share(std::int64_t amount, std::int64_t paid, std::int64_t total) {
    return FixedPoint::divRound(static_cast<__int128>(amount) * paid, total);
}

std::string six(std::int64_t cents) { return A::sixDecimals(cents * 10'000); }

// The payment's own date; a date without an hour is taken at noon, well inside its day.
std::string fechaPago(OleDate d) {
    OleDate at = d;
    if (d.isValid() && d.value == d.dateOnly().value)
        at = OleDate(d.value + 0.5);
    return CfdiFecha(at);
}

} // namespace

bool CPaymentCfdiBuilder::OwesComplements(Database& db, std::int32_t idDocumento) {
    // A file the fiscal tables never reached has no invoice at all; nothing is created to say so.
    if (!db.hasTable("Cfdis"))
        return false;
    const auto stored = CFiscalStore(db).cfdi(idDocumento);
    if (!stored || stored->estado != CFiscalStore::kTimbrado || stored->cancelacion == CfdiState::kCancelado)
        return false;
    const CXmlDocument doc(stored->xml);
    return doc.ok() && CXmlDocument::attribute(doc.root(), "MetodoPago") == "PPD";
}

CPaymentCfdiBuilder::Result CPaymentCfdiBuilder::Build(const CfdiKey& key, const std::string& formaPago,
                                                       const EmisorFiscal& emisor, const std::string& noCertificado,
                                                       const std::string& certificadoBase64, OleDate fecha) {
    Result r;
    auto& errors = r.errors;
    const auto invoice = CFiscalStore(m_db).cfdi(key.idDocumento);
    if (!invoice || invoice->estado != CFiscalStore::kTimbrado) {
        errors.push_back("La factura del documento no está timbrada: sus pagos no llevan complemento todavía.");
        return r;
    }
    const CXmlDocument doc(invoice->xml);
    if (!doc.ok()) {
        errors.push_back("El XML timbrado de la factura no se puede leer.");
        return r;
    }
    const auto* root = doc.root();
    if (CXmlDocument::attribute(root, "MetodoPago") != "PPD") {
        errors.push_back("La factura se timbró como pagada en una exhibición (PUE): sus pagos no llevan complemento.");
        return r;
    }
    r.uuidFactura = invoice->uuid;
    r.serie = CXmlDocument::attribute(root, "Serie");
    r.folio = CXmlDocument::attribute(root, "Folio");
    const std::optional<std::int64_t> total = A::parse(CXmlDocument::attribute(root, "Total"), 2);
    if (!total || *total <= 0) {
        errors.push_back("La factura no tiene un total que se pueda pagar.");
        return r;
    }

    // The payments in their order; those of nothing make no complement and take no number.
    Statement s = m_db.prepare("SELECT NumPago, Fecha, Importe FROM Cobros WHERE Id_Documento = ? ORDER BY NumPago");
    s.bind(1, std::int64_t{key.idDocumento});
    std::int64_t before = 0;
    std::optional<OleDate> paidOn;
    while (s.step()) {
        const std::int64_t cents = std::llround(s.real(2) * 100.0);
        if (cents <= 0)
            continue;
        if (s.integer(0) == key.numPago) {
            r.pagado = cents;
            paidOn = OleDate(s.real(1));
            ++r.numParcialidad;
            break;
        }
        before += cents;
        ++r.numParcialidad;
    }
    if (!paidOn) {
        errors.push_back("El pago " + std::to_string(key.numPago) + " del documento no existe o es de cero.");
        return r;
    }
    r.saldoAnterior = *total - before;
    r.saldoInsoluto = r.saldoAnterior - r.pagado;
    if (r.saldoInsoluto < 0) {
        errors.push_back("Los pagos suman más que el total de la factura (" + A::money(*total) + ").");
        return r;
    }
    if (formaPago.empty() || formaPago == "99" || !SatCatalogs::contains(SatCatalogs::formasPago(), formaPago))
        errors.push_back("La forma de pago " + (formaPago.empty() ? std::string("(ninguna)") : "«" + formaPago + "»") +
                         " no sirve para un pago recibido.");
    const auto* emisorXml = doc.find("Emisor");
    if (CXmlDocument::attribute(emisorXml, "Rfc") != emisor.rfc)
        errors.push_back("La factura es del RFC «" + CXmlDocument::attribute(emisorXml, "Rfc") +
                         "» y los datos fiscales del negocio dicen «" + emisor.rfc + "».");
    if (!SatCatalogs::isCodigoPostal(emisor.codigoPostal))
        errors.push_back("Falta el código postal del lugar de expedición en los datos fiscales.");
    std::vector<TaxGroup> taxes;
    if (!readTaxes(doc, taxes))
        errors.push_back("Los impuestos de la factura timbrada no se pueden leer.");
    if (!errors.empty())
        return r;

    XmlElement& root2 = r.comprobante;
    root2.name = "cfdi:Comprobante";
    root2.set("xmlns:cfdi", "http://www.sat.gob.mx/cfd/4");
    root2.set("xmlns:xsi", "http://www.w3.org/2001/XMLSchema-instance");
    root2.set("xmlns:pago20", "http://www.sat.gob.mx/Pagos20");
    root2.set("xsi:schemaLocation", kSchemaLocation);
    root2.set("Version", "4.0");
    root2.set("Fecha", CfdiFecha(fecha));
    root2.set("Sello", "");
    root2.set("NoCertificado", noCertificado);
    root2.set("Certificado", certificadoBase64);
    root2.set("SubTotal", "0");
    root2.set("Moneda", "XXX");
    root2.set("Total", "0");
    root2.set("TipoDeComprobante", "P");
    root2.set("Exportacion", "01");
    root2.set("LugarExpedicion", emisor.codigoPostal);
    root2.add("cfdi:Emisor")
        .set("Rfc", emisor.rfc)
        .set("Nombre", CollapseBlanks(emisor.razonSocial))
        .set("RegimenFiscal", emisor.regimenFiscal);
    const auto* receptor = doc.find("Receptor");
    root2.add("cfdi:Receptor")
        .set("Rfc", CXmlDocument::attribute(receptor, "Rfc"))
        .set("Nombre", CXmlDocument::attribute(receptor, "Nombre"))
        .set("DomicilioFiscalReceptor", CXmlDocument::attribute(receptor, "DomicilioFiscalReceptor"))
        .set("RegimenFiscalReceptor", CXmlDocument::attribute(receptor, "RegimenFiscalReceptor"))
        .set("UsoCFDI", "CP01");
    root2.add("cfdi:Conceptos")
        .add("cfdi:Concepto")
        .set("ClaveProdServ", "84111506")
        .set("Cantidad", "1")
        .set("ClaveUnidad", "ACT")
        .set("Descripcion", "Pago")
        .set("ValorUnitario", "0")
        .set("Importe", "0")
        .set("ObjetoImp", "01");

    // Elements are put together at the end: a reference into a list of children does not outlive
    // the next child added to it.
    XmlElement pago("pago20:Pago");
    pago.set("FechaPago", fechaPago(*paidOn))
        .set("FormaDePagoP", formaPago)
        .set("MonedaP", "MXN")
        .set("TipoCambioP", "1")
        .set("Monto", A::money(r.pagado));
    XmlElement dr("pago20:DoctoRelacionado");
    dr.set("IdDocumento", r.uuidFactura);
    if (!r.serie.empty())
        dr.set("Serie", r.serie);
    if (!r.folio.empty())
        dr.set("Folio", r.folio);
    dr.set("MonedaDR", "MXN")
        .set("EquivalenciaDR", "1")
        .set("NumParcialidad", std::to_string(r.numParcialidad))
        .set("ImpSaldoAnt", A::money(r.saldoAnterior))
        .set("ImpPagado", A::money(r.pagado))
        .set("ImpSaldoInsoluto", A::money(r.saldoInsoluto))
        .set("ObjetoImpDR", taxes.empty() ? "01" : "02");

    // What this payment takes of each tax: the share of everything paid up to it, less the share
    // of what was paid before it.
    const std::int64_t after = before + r.pagado;
    XmlElement retDr("pago20:RetencionesDR"), trasDr("pago20:TrasladosDR");
    XmlElement retP("pago20:RetencionesP"), trasP("pago20:TrasladosP");
    XmlElement totales("pago20:Totales");
    std::int64_t retenido[3] = {0, 0, 0};  // IVA, ISR, IEPS
    bool anyRet[3] = {false, false, false};
    struct IvaTotal { std::int64_t rate; const char* label; bool any = false; std::int64_t base = 0, importe = 0; };
    IvaTotal iva[] = {{160'000, "16"}, {80'000, "8"}, {0, "0"}};
    bool anyExento = false;
    std::int64_t baseExento = 0;
    for (const bool ret : {true, false}) {
        for (const TaxGroup& g : taxes) {
            if (g.retencion != ret)
                continue;
            const bool exento = g.tipoFactor == "Exento";
            const std::int64_t base = share(g.base, after, *total) - share(g.base, before, *total);
            const std::int64_t importe = share(g.importe, after, *total) - share(g.importe, before, *total);
            XmlElement& e = (ret ? retDr : trasDr).add(ret ? "pago20:RetencionDR" : "pago20:TrasladoDR");
            e.set("BaseDR", A::money(base)).set("ImpuestoDR", g.impuesto).set("TipoFactorDR", g.tipoFactor);
            if (!exento)
                e.set("TasaOCuotaDR", A::sixDecimals(g.tasaMicros)).set("ImporteDR", A::money(importe));
            // One document per payment: the payment's summary is this document's, withholdings
            // of one impuesto at several rates in one RetencionP.
            if (ret) {
                const int which = g.impuesto == "002" ? 0 : g.impuesto == "001" ? 1 : 2;
                retenido[which] += importe;
                anyRet[which] = true;
                continue;
            }
            XmlElement& p = trasP.add("pago20:TrasladoP");
            p.set("BaseP", six(base)).set("ImpuestoP", g.impuesto).set("TipoFactorP", g.tipoFactor);
            if (!exento)
                p.set("TasaOCuotaP", A::sixDecimals(g.tasaMicros)).set("ImporteP", six(importe));
            if (g.impuesto != "002")
                continue;
            if (exento) {
                anyExento = true;
                baseExento += base;
            }
            for (IvaTotal& t : iva)
                if (!exento && g.tasaMicros == t.rate) {
                    t.any = true;
                    t.base += base;
                    t.importe += importe;
                }
        }
    }
    const char* const retNames[] = {"002", "001", "003"};
    for (int i = 0; i < 3; ++i)
        if (anyRet[i])
            retP.add("pago20:RetencionP").set("ImpuestoP", retNames[i]).set("ImporteP", six(retenido[i]));
    if (anyRet[0])
        totales.set("TotalRetencionesIVA", A::money(retenido[0]));
    if (anyRet[1])
        totales.set("TotalRetencionesISR", A::money(retenido[1]));
    if (anyRet[2])
        totales.set("TotalRetencionesIEPS", A::money(retenido[2]));
    for (const IvaTotal& t : iva)
        if (t.any)
            totales.set(std::string("TotalTrasladosBaseIVA") + t.label, A::money(t.base))
                .set(std::string("TotalTrasladosImpuestoIVA") + t.label, A::money(t.importe));
    if (anyExento)
        totales.set("TotalTrasladosBaseIVAExento", A::money(baseExento));
    totales.set("MontoTotalPagos", A::money(r.pagado));

    if (!taxes.empty()) {
        XmlElement impDr("pago20:ImpuestosDR"), impP("pago20:ImpuestosP");
        for (XmlElement* list : {&retDr, &trasDr})
            if (!list->children.empty())
                impDr.children.push_back(std::move(*list));
        for (XmlElement* list : {&retP, &trasP})
            if (!list->children.empty())
                impP.children.push_back(std::move(*list));
        dr.children.push_back(std::move(impDr));
        pago.children.push_back(std::move(dr));
        pago.children.push_back(std::move(impP));
    } else {
        pago.children.push_back(std::move(dr));
    }
    XmlElement pagos("pago20:Pagos");
    pagos.set("Version", "2.0");
    pagos.children.push_back(std::move(totales));
    pagos.children.push_back(std::move(pago));
    root2.add("cfdi:Complemento").children.push_back(std::move(pagos));
    return r;
}
