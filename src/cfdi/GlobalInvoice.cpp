#include "cfdi/GlobalInvoice.h"

#include "cfdi/CfdiAmounts.h"
#include "cfdi/CfdiBuilder.h"
#include "cfdi/Csd.h"
#include "cfdi/FiscalStore.h"
#include "cfdi/SatCatalogs.h"
#include "db/Database.h"
#include "db/Statement.h"
#include "db/Transaction.h"
#include "invoice/DocumentStore.h"
#include "invoice/LineCents.h"
#include "invoice/Partida.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <tuple>

namespace A = CfdiAmounts;

namespace {

constexpr const char* kSchemaLocation =
    "http://www.sat.gob.mx/cfd/4 http://www.sat.gob.mx/sitio_internet/cfd/4/cfdv40.xsd";

// A document's taxes by kind: base and amount in cents, summed over its lines.
using TaxKey = std::tuple<bool, std::string, std::string, std::int64_t>;  // retención, impuesto, tipo, tasa
struct TaxSum {
    std::int64_t base = 0, importe = 0;
};

std::string folioText(const DocumentHeader& h) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%06d", h.folio);
    return h.serie + buf;
}

} // namespace

bool CGlobalInvoice::IsPeriodicidad(const std::string& p) {
    return p == "01" || p == "02" || p == "03" || p == "04" || p == "05";
}

CGlobalInvoice::Candidates CGlobalInvoice::Find(const Period& period) {
    Candidates c;
    CFiscalStore store(m_db);  // the tables, on a file that lacks them
    Statement s = m_db.prepare(
        "SELECT d.Id_Documento, d.Total FROM Documentos d WHERE d.Fecha >= ? AND d.Fecha < ? AND d.Cancelada = 0 "
        "AND d.Total > 0 AND NOT EXISTS (SELECT 1 FROM Cfdis c WHERE c.Id_Documento = d.Id_Documento) "
        "AND NOT EXISTS (SELECT 1 FROM DocumentosGlobales g WHERE g.Id_Documento = d.Id_Documento) "
        "ORDER BY d.Fecha, d.Serie, d.Folio");
    s.bind(1, period.desde.dateOnly().value).bind(2, period.hasta.dateOnly().addDays(1).value);
    while (s.step()) {
        c.documents.push_back(static_cast<std::int32_t>(s.integer(0)));
        c.total += std::llround(s.real(1) * 100);
    }
    return c;
}

CCfdiIssuer::Sealed CGlobalInvoice::seal(const std::vector<std::int32_t>& documents, const Period& period,
                                         const std::string& serie, std::int32_t folio, const std::string& password,
                                         OleDate now) {
    CCfdiIssuer::Sealed s;
    auto& errors = s.errors;
    CFiscalStore store(m_db);
    const EmisorFiscal emisor = store.emisor();
    CheckEmisor(emisor, errors);
    if (!IsPeriodicidad(period.periodicidad))
        errors.push_back("La periodicidad «" + period.periodicidad + "» no es válida (01 diaria, 02 semanal, 03 "
                         "quincenal, 04 mensual, 05 bimestral).");
    if (period.formaPago == "99" || !SatCatalogs::contains(SatCatalogs::formasPago(), period.formaPago))
        errors.push_back("La forma de pago «" + period.formaPago + "» no sirve para ventas ya cobradas.");
    if (documents.empty())
        errors.push_back("No hay ventas del periodo sin factura: no hay nada que facturar.");
    std::string csdError;
    std::unique_ptr<CCsd> csd = CCsd::Open(emisor.certificado, emisor.llavePrivada, password, csdError);
    if (!csd)
        errors.push_back(csdError);
    if (!errors.empty())
        return s;

    XmlElement conceptos("cfdi:Conceptos");
    std::int64_t subTotal = 0, descuento = 0;
    std::map<TaxKey, TaxSum> totals;
    CDocumentStore docs(m_db);
    for (const std::int32_t id : documents) {
        DocumentHeader header;
        std::vector<CPartida> lines;
        if (docs.Load(id, header, lines) != CDocumentStore::LoadResult::Loaded)
            continue;
        const std::string name = folioText(header);
        std::int64_t importe = 0, desc = 0;
        std::map<TaxKey, TaxSum> taxes;
        bool ok = true;
        for (const CPartida& p : lines) {
            const std::optional<LineCents> cents = LineCents::Of(p);
            if (!cents) {
                errors.push_back("Documento " + name + ": importe fuera de rango.");
                ok = false;
                break;
            }
            importe += cents->importe;
            desc += cents->descuento;
            for (const LineTaxSlot& slot : TaxSlotsOf(p, *cents)) {
                if (slot.id == 0 && slot.rate == 0)
                    continue;
                const auto meaning = slot.id ? store.impuesto(slot.id) : std::nullopt;
                if (!meaning || meaning->impuesto.empty()) {
                    errors.push_back("Documento " + name + ": un impuesto no tiene su clave del SAT (Catálogos → Impuestos).");
                    ok = false;
                    continue;
                }
                const std::int64_t rate = A::toMicros(slot.rate);
                // A rate of 0 on a line means the line does not carry a tax the article has since gained.
                if (meaning->tipoFactor == "Tasa" && rate == 0 && A::toMicros(meaning->tasaOCuota) != 0)
                    continue;
                const bool exento = meaning->tipoFactor == "Exento";
                TaxSum& t = taxes[{slot.retencion, meaning->impuesto, meaning->tipoFactor, exento ? 0 : rate}];
                t.base += cents->base;
                t.importe += exento ? 0 : slot.cents;
            }
        }
        if (!ok)
            continue;
        XmlElement& c = conceptos.add("cfdi:Concepto");
        c.set("ClaveProdServ", "01010101")
            .set("NoIdentificacion", name)
            .set("Cantidad", "1")
            .set("ClaveUnidad", "ACT")
            .set("Descripcion", "Venta")
            .set("ValorUnitario", A::money(importe))
            .set("Importe", A::money(importe));
        if (desc > 0)
            c.set("Descuento", A::money(desc));
        c.set("ObjetoImp", taxes.empty() ? "01" : "02");
        subTotal += importe;
        descuento += desc;
        if (taxes.empty())
            continue;
        XmlElement imp("cfdi:Impuestos"), tras("cfdi:Traslados"), rets("cfdi:Retenciones");
        for (const auto& [key, t] : taxes) {
            const auto& [ret, impuesto, tipo, tasa] = key;
            XmlElement& e = (ret ? rets : tras).add(ret ? "cfdi:Retencion" : "cfdi:Traslado");
            e.set("Base", A::money(t.base)).set("Impuesto", impuesto).set("TipoFactor", tipo);
            if (tipo != "Exento")
                e.set("TasaOCuota", A::sixDecimals(tasa)).set("Importe", A::money(t.importe));
            TaxSum& sum = totals[ret ? TaxKey{true, impuesto, "", 0} : key];
            sum.base += t.base;
            sum.importe += t.importe;
        }
        // The schema wants the transfers before the withholdings.
        if (!tras.children.empty())
            imp.children.push_back(std::move(tras));
        if (!rets.children.empty())
            imp.children.push_back(std::move(rets));
        c.children.push_back(std::move(imp));
    }
    if (!errors.empty())
        return s;

    std::int64_t trasladados = 0, retenidos = 0;
    bool anyTasa = false, anyTraslado = false, anyRetencion = false;
    for (const auto& [key, t] : totals) {
        if (std::get<0>(key)) {
            retenidos += t.importe;
            anyRetencion = true;
        } else {
            anyTraslado = true;
            if (std::get<2>(key) != "Exento") {
                trasladados += t.importe;
                anyTasa = true;
            }
        }
    }
    const std::int64_t total = subTotal - descuento + trasladados - retenidos;

    const auto when = period.desde.split();
    char month[8];
    std::snprintf(month, sizeof month, "%02d",
                  period.periodicidad == "05" ? 13 + (when->month - 1) / 2 : when->month);
    XmlElement root("cfdi:Comprobante");
    root.set("xmlns:cfdi", "http://www.sat.gob.mx/cfd/4");
    root.set("xmlns:xsi", "http://www.w3.org/2001/XMLSchema-instance");
    root.set("xsi:schemaLocation", kSchemaLocation);
    root.set("Version", "4.0");
    root.set("Serie", serie);
    root.set("Folio", std::to_string(folio));
    root.set("Fecha", CfdiFecha(now));
    root.set("Sello", "");
    root.set("FormaPago", period.formaPago);
    root.set("NoCertificado", csd->noCertificado());
    root.set("Certificado", csd->certificadoBase64());
    root.set("SubTotal", A::money(subTotal));
    if (descuento > 0)
        root.set("Descuento", A::money(descuento));
    root.set("Moneda", "MXN");
    root.set("Total", A::money(total));
    root.set("TipoDeComprobante", "I");
    root.set("Exportacion", "01");
    root.set("MetodoPago", "PUE");
    root.set("LugarExpedicion", emisor.codigoPostal);
    root.add("cfdi:InformacionGlobal")
        .set("Periodicidad", period.periodicidad)
        .set("Meses", month)
        .set("A\xC3\xB1o", std::to_string(when->year));
    root.add("cfdi:Emisor")
        .set("Rfc", emisor.rfc)
        .set("Nombre", CollapseBlanks(emisor.razonSocial))
        .set("RegimenFiscal", emisor.regimenFiscal);
    root.add("cfdi:Receptor")
        .set("Rfc", "XAXX010101000")
        .set("Nombre", "PUBLICO EN GENERAL")
        .set("DomicilioFiscalReceptor", emisor.codigoPostal)
        .set("RegimenFiscalReceptor", "616")
        .set("UsoCFDI", "S01");
    root.children.push_back(std::move(conceptos));
    if (anyTraslado || anyRetencion) {
        XmlElement& imp = root.add("cfdi:Impuestos");
        if (anyRetencion) {
            imp.set("TotalImpuestosRetenidos", A::money(retenidos));
            XmlElement& list = imp.add("cfdi:Retenciones");
            for (const auto& [key, t] : totals)
                if (std::get<0>(key))
                    list.add("cfdi:Retencion").set("Impuesto", std::get<1>(key)).set("Importe", A::money(t.importe));
        }
        if (anyTasa)
            imp.set("TotalImpuestosTrasladados", A::money(trasladados));
        if (anyTraslado) {
            XmlElement& list = imp.add("cfdi:Traslados");
            for (const auto& [key, t] : totals) {
                if (std::get<0>(key))
                    continue;
                XmlElement& e = list.add("cfdi:Traslado");
                e.set("Base", A::money(t.base)).set("Impuesto", std::get<1>(key)).set("TipoFactor", std::get<2>(key));
                if (std::get<2>(key) != "Exento")
                    e.set("TasaOCuota", A::sixDecimals(std::get<3>(key))).set("Importe", A::money(t.importe));
            }
        }
    }
    CCfdiIssuer::checkCsd(*csd, emisor, now, s);
    if (!s.ok() || !CCfdiIssuer::SealBuilt(root, *csd, now, s))
        return s;
    s.fiscal.formaPago = period.formaPago;
    s.fiscal.metodoPago = "PUE";
    s.fiscal.usoCfdi = "S01";
    s.fileName = emisor.rfc + "_" + serie + "_" + std::to_string(folio) + ".xml";
    return s;
}

CGlobalInvoice::Created CGlobalInvoice::Create(const Period& period, const std::string& password, OleDate now) {
    Created r;
    if (!(period.desde.isValid() && period.hasta.isValid()) || period.hasta.value < period.desde.value) {
        r.errors.push_back("El periodo no es válido: «desde» debe ser anterior o igual a «hasta».");
        return r;
    }
    if (period.hasta.dateOnly().value > now.dateOnly().value) {
        r.errors.push_back("El periodo no ha terminado: la factura global se hace con ventas ya hechas.");
        return r;
    }
    CFiscalStore store(m_db);
    if (!store.globalsToStamp().empty()) {
        r.errors.push_back("Hay una factura global sin timbrar: timbre ésa primero (Utilerias → Facturas por timbrar).");
        return r;
    }
    Transaction tx(m_db);
    // Read inside the write transaction: another station's global invoice cannot take the same sales.
    const Candidates c = Find(period);
    Statement next = m_db.prepare("SELECT max(Folio) FROM FacturasGlobales WHERE Serie = ?");
    next.bind(1, std::string(kSerie));
    next.step();
    const std::int32_t folio = isNull(next.column(0)) ? 1 : static_cast<std::int32_t>(next.integer(0) + 1);
    next.reset();
    r.sealed = seal(c.documents, period, kSerie, folio, password, now);
    r.errors = r.sealed.errors;
    if (!r.ok())
        return r;
    m_db.execute("INSERT INTO FacturasGlobales (Serie, Folio, Desde, Hasta, Periodicidad, FormaPago, Xml, Estado, "
                 "NoCertificado, Sellado) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
                 {std::string(kSerie), std::int64_t{folio}, period.desde.dateOnly().value, period.hasta.dateOnly().value,
                  period.periodicidad, period.formaPago, Blob(r.sealed.xml.begin(), r.sealed.xml.end()),
                  std::string(CFiscalStore::kSellado), r.sealed.noCertificado, OleDate::now().value});
    Statement id = m_db.prepare("SELECT Id FROM FacturasGlobales WHERE Serie = ? AND Folio = ?");
    id.bind(1, std::string(kSerie)).bind(2, std::int64_t{folio});
    id.step();
    r.key = CfdiKey::Global(static_cast<std::int32_t>(id.integer(0)));
    id.reset();
    for (const std::int32_t doc : c.documents)
        m_db.execute("INSERT INTO DocumentosGlobales (Id_Documento, Id_Global) VALUES (?, ?)",
                     {std::int64_t{doc}, std::int64_t{r.key.idGlobal}});
    tx.commit();
    r.documents = static_cast<int>(c.documents.size());
    return r;
}

CCfdiIssuer::Sealed CGlobalInvoice::Reseal(std::int32_t idGlobal, const std::string& password, OleDate now) {
    Statement g = m_db.prepare("SELECT Serie, Folio, Desde, Hasta, Periodicidad, FormaPago FROM FacturasGlobales WHERE Id = ?");
    g.bind(1, std::int64_t{idGlobal});
    if (!g.step()) {
        CCfdiIssuer::Sealed s;
        s.errors.push_back("La factura global no existe.");
        return s;
    }
    const Period period{OleDate(g.real(2)), OleDate(g.real(3)), g.text(4), g.text(5)};
    const std::string serie = g.text(0);
    const auto folio = static_cast<std::int32_t>(g.integer(1));
    g.reset();
    std::vector<std::int32_t> documents;
    Statement d = m_db.prepare("SELECT g.Id_Documento FROM DocumentosGlobales g JOIN Documentos d ON d.Id_Documento = "
                               "g.Id_Documento WHERE g.Id_Global = ? ORDER BY d.Fecha, d.Serie, d.Folio");
    d.bind(1, std::int64_t{idGlobal});
    while (d.step())
        documents.push_back(static_cast<std::int32_t>(d.integer(0)));
    return seal(documents, period, serie, folio, password, now);
}

void CGlobalInvoice::StoreResealed(std::int32_t idGlobal, const CCfdiIssuer::Sealed& sealed) {
    m_db.execute("UPDATE FacturasGlobales SET Xml = ?, Estado = ?, NoCertificado = ?, Sellado = ?, UltimoError = NULL "
                 "WHERE Id = ?",
                 {Blob(sealed.xml.begin(), sealed.xml.end()), std::string(CFiscalStore::kSellado), sealed.noCertificado,
                  OleDate::now().value, std::int64_t{idGlobal}});
}

void CGlobalInvoice::Free(std::int32_t idGlobal) {
    m_db.execute("DELETE FROM DocumentosGlobales WHERE Id_Global = ?", {std::int64_t{idGlobal}});
}

std::string CGlobalInvoice::Name(std::int32_t idGlobal) {
    Statement s = m_db.prepare("SELECT Serie, Folio FROM FacturasGlobales WHERE Id = ?");
    s.bind(1, std::int64_t{idGlobal});
    return s.step() ? s.text(0) + " " + std::to_string(s.integer(1)) : "global " + std::to_string(idGlobal);
}
