#include "cfdi/CfdiBuilder.h"

#include "cfdi/CfdiAmounts.h"
#include "cfdi/FiscalStore.h"
#include "cfdi/SatCatalogs.h"
#include "cfdi/StampedCfdi.h"
#include "db/Database.h"
#include "db/Utf8.h"
#include "invoice/DocumentStore.h"
#include "invoice/LineCents.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <optional>

namespace A = CfdiAmounts;
namespace S = SatCatalogs;

namespace {

constexpr const char* kSchemaLocation =
    "http://www.sat.gob.mx/cfd/4 http://www.sat.gob.mx/sitio_internet/cfd/4/cfdv40.xsd";

std::string q(const std::string& s) { return "«" + s + "»"; }

// "1,001"
std::string grouped(std::size_t n) {
    const std::string digits = std::to_string(n);
    std::string out;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            out += ',';
        out += digits[i];
    }
    return out;
}

// The schema's maxLength, counted in characters: "<who>: <what> tiene 1,001 caracteres y el SAT
// admite 1,000."; empty when it fits.
std::string tooLong(const std::string& who, const std::string& what, const std::string& text, std::size_t limit) {
    const std::size_t length = CfdiLength(text);
    if (length <= limit)
        return {};
    return who + ": " + what + " tiene " + grouped(length) + " caracteres y el SAT admite " + grouped(limit) + ".";
}

// A tax of a line, as the SAT will read it.
struct LineTax {
    bool retencion = false;
    std::string impuesto, tipoFactor;
    std::int64_t tasaMicros = 0;
    std::int64_t base = 0, importe = 0; // cents
};

struct Group {
    std::string impuesto, tipoFactor;
    std::int64_t tasaMicros = 0;
    std::int64_t base = 0, importe = 0;
};

bool tasaAllowed(const std::string& impuesto, bool retencion, std::int64_t micros) {
    if (micros < 0)
        return false;
    if (impuesto == "002")
        return retencion ? micros <= 160'000 : (micros == 0 || micros == 80'000 || micros == 160'000);
    if (impuesto == "001")
        return retencion && micros <= 350'000;
    if (impuesto == "003") {
        static const std::int64_t ieps[] = {0, 30'000, 60'000, 70'000, 80'000, 90'000, 250'000,
                                            265'000, 300'000, 304'000, 500'000, 530'000, 1'600'000};
        return std::find(std::begin(ieps), std::end(ieps), micros) != std::end(ieps);
    }
    return false;
}

} // namespace

bool IsCfdiText(const std::string& text) {
    // Besides what the SAT's patterns refuse, what XML cannot carry: bytes that are not UTF-8 (a
    // text imported from an older program in another code page) and the non-characters.
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t start = i;
        const char32_t c = Utf8::next(text, i);
        std::string again;
        Utf8::append(again, c);
        if (again.size() != i - start)
            return false;
        if (c == '|' || (c < 0x20 && c != '\t' && c != '\n' && c != '\r') || c == 0x7F ||
            (c >= 0xD800 && c <= 0xDFFF) || c == 0xFFFE || c == 0xFFFF)
            return false;
    }
    return true;
}

std::string CfdiFecha(OleDate d) {
    const auto c = d.split();
    if (!c)
        return {};
    char buf[80];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d", c->year, c->month, c->day, c->hour, c->minute,
                  c->second);
    return buf;
}

std::size_t CfdiLength(const std::string& text) {
    std::size_t chars = 0;
    for (unsigned char c : text)
        chars += (c & 0xC0) != 0x80;
    return chars;
}

std::string CollapseBlanks(const std::string& text) {
    std::string out;
    bool blank = false;
    for (char c : text) {
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
            blank = !out.empty();
            continue;
        }
        if (blank)
            out += ' ';
        blank = false;
        out += c;
    }
    return out;
}

void CheckEmisor(const EmisorFiscal& emisor, std::vector<std::string>& errors) {
    if (emisor.rfc.empty())
        errors.push_back("Falta el RFC del negocio en los datos fiscales.");
    else if (!S::isRfc(emisor.rfc))
        errors.push_back("El RFC del negocio " + q(emisor.rfc) + " no es válido.");
    const std::string razon = CollapseBlanks(emisor.razonSocial);
    if (razon.empty())
        errors.push_back("Falta la razón social del negocio en los datos fiscales.");
    else if (!IsCfdiText(razon))
        errors.push_back("La razón social del negocio tiene caracteres que el SAT no acepta (como «|»).");
    else if (auto e = tooLong("Datos fiscales", "la razón social del negocio", razon, 300); !e.empty())
        errors.push_back(e);
    if (emisor.regimenFiscal.empty())
        errors.push_back("Falta el régimen fiscal del negocio en los datos fiscales.");
    else if (!S::contains(S::regimenesFiscales(), emisor.regimenFiscal))
        errors.push_back("El régimen fiscal del negocio " + q(emisor.regimenFiscal) + " no está en el catálogo del SAT.");
    else if (S::isRfc(emisor.rfc) && !S::regimenFitsRfc(emisor.regimenFiscal, emisor.rfc))
        errors.push_back("El régimen fiscal " + emisor.regimenFiscal + " no corresponde al RFC del negocio " +
                         q(emisor.rfc) + ".");
    if (emisor.codigoPostal.empty())
        errors.push_back("Falta el código postal del lugar de expedición en los datos fiscales.");
    else if (!S::isCodigoPostal(emisor.codigoPostal))
        errors.push_back("El código postal del lugar de expedición " + q(emisor.codigoPostal) +
                         " no es válido (cinco dígitos).");

}

DocumentoFiscal CCfdiBuilder::Proposal(std::int32_t idDocumento) {
    CFiscalStore store(m_db);
    DocumentoFiscal d = store.documento(idDocumento).value_or(DocumentoFiscal{});
    if (d.usoCfdi.empty() || d.metodoPago.empty()) {
        Statement s = m_db.prepare("SELECT Id_Cliente, Pagado FROM Documentos WHERE Id_Documento = ?");
        s.bind(1, std::int64_t{idDocumento});
        if (s.step()) {
            if (d.usoCfdi.empty())
                if (auto c = store.cliente(static_cast<std::int32_t>(s.integer(0))))
                    d.usoCfdi = c->usoCfdi;
            // Paid when registered: one payment; otherwise it will be paid later, in parts.
            if (d.metodoPago.empty())
                d.metodoPago = s.integer(1) != 0 ? "PUE" : "PPD";
        }
    }
    if (d.formaPago.empty() && d.metodoPago == "PPD")
        d.formaPago = "99";
    if (d.exportacion.empty())
        d.exportacion = "01";
    return d;
}

CCfdiBuilder::Result CCfdiBuilder::Build(std::int32_t idDocumento, const DocumentoFiscal& given,
                                         const std::string& noCertificado, const std::string& certificadoBase64,
                                         OleDate fechaCfdi) {
    Result r;
    auto& errors = r.errors;
    CFiscalStore store(m_db);

    DocumentHeader header;
    std::vector<CPartida> lines;
    switch (CDocumentStore(m_db).Load(idDocumento, header, lines)) {
    case CDocumentStore::LoadResult::NotFound:
        errors.push_back("El documento no existe.");
        return r;
    case CDocumentStore::LoadResult::NoLines:
        errors.push_back("El documento no tiene renglones.");
        return r;
    case CDocumentStore::LoadResult::Loaded:
        break;
    }
    r.totals = DocumentTotals::Of(lines, TotalsRounding::LineCents);
    r.serie = header.serie;
    r.folio = header.folio;
    r.fecha = fechaCfdi;
    if (header.cancelada)
        errors.push_back("El documento está cancelado; no se factura.");
    if (m_db.hasTable("DocumentosGlobales")) {
        Statement g = m_db.prepare("SELECT f.Serie, f.Folio FROM DocumentosGlobales d JOIN FacturasGlobales f ON "
                                   "f.Id = d.Id_Global WHERE d.Id_Documento = ?");
        g.bind(1, std::int64_t{idDocumento});
        if (g.step())
            errors.push_back("El documento está incluido en la factura global " + g.text(0) + " " +
                             std::to_string(g.integer(1)) + ": no se factura aparte.");
    }

    // The document's fiscal data: what the caller gives, else what was proposed.
    DocumentoFiscal fiscal = Proposal(idDocumento);
    if (!given.formaPago.empty()) fiscal.formaPago = given.formaPago;
    if (!given.metodoPago.empty()) fiscal.metodoPago = given.metodoPago;
    if (!given.usoCfdi.empty()) fiscal.usoCfdi = given.usoCfdi;
    if (!given.exportacion.empty()) fiscal.exportacion = given.exportacion;
    if (!given.sustituyeUuid.empty()) fiscal.sustituyeUuid = given.sustituyeUuid;
    r.fiscal = fiscal;
    if (!fiscal.sustituyeUuid.empty() && !CStampedCfdi::IsUuid(fiscal.sustituyeUuid))
        errors.push_back("El folio fiscal que sustituye " + q(fiscal.sustituyeUuid) + " no es válido.");

    // Emisor
    EmisorFiscal emisor = store.emisor();
    r.emisor = emisor;
    const std::string razon = CollapseBlanks(emisor.razonSocial);
    CheckEmisor(emisor, errors);

    // Receptor
    const std::string nombre = CollapseBlanks(header.nombre);
    const std::string rfc = S::normalizeRfc(header.rfc);
    std::optional<ClienteFiscal> cliente;
    if (header.idCliente == 0) {
        errors.push_back("El cliente " + q(nombre) + " del documento no está en el catálogo de clientes.");
    } else {
        cliente = store.cliente(header.idCliente);
        if (!cliente || cliente->codigoPostal.empty())
            errors.push_back("El cliente " + q(nombre) + " no tiene código postal fiscal.");
        else if (!S::isCodigoPostal(cliente->codigoPostal))
            errors.push_back("El código postal fiscal " + q(cliente->codigoPostal) + " del cliente " + q(nombre) +
                             " no es válido (cinco dígitos).");
        if (!cliente || cliente->regimenFiscal.empty())
            errors.push_back("El cliente " + q(nombre) + " no tiene régimen fiscal.");
        else if (!S::contains(S::regimenesFiscales(), cliente->regimenFiscal))
            errors.push_back("El régimen fiscal " + q(cliente->regimenFiscal) + " del cliente " + q(nombre) +
                             " no está en el catálogo del SAT.");
        else if (S::isRfc(rfc) && !S::regimenFitsRfc(cliente->regimenFiscal, rfc))
            errors.push_back("El régimen fiscal " + cliente->regimenFiscal + " no corresponde al RFC " + q(rfc) +
                             " del cliente " + q(nombre) + ".");
    }
    if (nombre.empty())
        errors.push_back("El documento no tiene el nombre del cliente.");
    else if (!IsCfdiText(nombre))
        errors.push_back("El nombre del cliente " + q(nombre) + " tiene caracteres que el SAT no acepta (como «|»).");
    else if (auto e = tooLong("Cliente", "el nombre", nombre, 300); !e.empty())
        errors.push_back(e);
    if (rfc.empty())
        errors.push_back("El cliente " + q(nombre) + " no tiene RFC.");
    else if (!S::isRfc(rfc))
        errors.push_back("El RFC " + q(header.rfc) + " del cliente " + q(nombre) + " no es válido.");
    else if (rfc == "XAXX010101000" || rfc == "XEXX010101000")
        errors.push_back("Las facturas al público en general y a extranjeros (RFC " + rfc +
                         ") todavía no se hacen con este programa.");

    // Document
    if (fiscal.usoCfdi.empty())
        errors.push_back("Falta el uso del CFDI del documento (o el del cliente " + q(nombre) + ").");
    else if (!S::isUsoForInvoice(fiscal.usoCfdi))
        errors.push_back("El uso del CFDI " + q(fiscal.usoCfdi) + " no sirve para una factura.");
    else if (cliente && S::contains(S::regimenesFiscales(), cliente->regimenFiscal) &&
             !S::usoFitsRegimen(fiscal.usoCfdi, cliente->regimenFiscal))
        errors.push_back("El uso del CFDI " + fiscal.usoCfdi + " no corresponde al régimen fiscal " +
                         cliente->regimenFiscal + " del cliente " + q(nombre) + " (vea el catálogo de usos del SAT).");
    if (!S::contains(S::metodosPago(), fiscal.metodoPago))
        errors.push_back("El método de pago " + q(fiscal.metodoPago) + " no es válido (PUE o PPD).");
    if (fiscal.formaPago.empty())
        errors.push_back("Falta la forma de pago del documento.");
    else if (!S::contains(S::formasPago(), fiscal.formaPago))
        errors.push_back("La forma de pago " + q(fiscal.formaPago) + " no está en el catálogo del SAT.");
    else if (fiscal.metodoPago == "PPD" && fiscal.formaPago != "99")
        errors.push_back("Con método de pago PPD la forma de pago debe ser 99 (Por definir).");
    else if (fiscal.metodoPago == "PUE" && fiscal.formaPago == "99")
        errors.push_back("Con método de pago PUE la forma de pago no puede ser 99 (Por definir).");
    if (fiscal.exportacion != "01")
        errors.push_back("Solo se facturan ventas sin exportación (clave 01).");
    const std::string fecha = CfdiFecha(fechaCfdi);
    if (fecha.empty() || fecha < "2022")
        errors.push_back("La fecha del comprobante no sirve para un CFDI 4.0.");
    if (header.folio <= 0)
        errors.push_back("El documento no tiene folio.");
    if (!IsCfdiText(header.serie))
        errors.push_back("La serie " + q(header.serie) + " tiene caracteres que el SAT no acepta.");
    else if (auto e = tooLong("Documento", "la serie", header.serie, 25); !e.empty())
        errors.push_back(e);

    // Conceptos
    XmlElement conceptos("cfdi:Conceptos");
    std::int64_t subTotal = 0, descuento = 0;
    std::vector<Group> traslados, retenciones;
    std::map<std::int32_t, std::pair<std::string, std::optional<ImpuestoFiscal>>> taxCache;
    const auto taxOf = [&](std::int32_t id) -> const std::pair<std::string, std::optional<ImpuestoFiscal>>& {
        auto it = taxCache.find(id);
        if (it == taxCache.end()) {
            Statement s = m_db.prepare("SELECT Nombre FROM Impuestos WHERE Id_Impuesto = ?");
            s.bind(1, std::int64_t{id});
            std::string name = s.step() ? s.text(0) : std::string();
            it = taxCache.emplace(id, std::make_pair(name, store.impuesto(id))).first;
        }
        return it->second;
    };
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const CPartida& p = lines[i];
        const std::string renglon = "El renglón " + std::to_string(i + 1);
        const std::string clave = p.Clave.empty() ? ("del renglón " + std::to_string(i + 1)) : p.Clave;
        const std::string descripcion = CollapseBlanks(p.Descripcion);
        const std::size_t before = errors.size();
        std::optional<ArticuloFiscal> art;
        if (p.Id_Articulo == 0)
            errors.push_back(renglon + " (" + q(descripcion) + ") no tiene un artículo del catálogo.");
        else
            art = store.articulo(p.Id_Articulo);
        if (p.Id_Articulo != 0) {
            if (!art || art->claveProdServ.empty())
                errors.push_back("El artículo " + clave + " no tiene clave de producto del SAT.");
            else if (!S::isClaveProdServ(art->claveProdServ))
                errors.push_back("La clave de producto del SAT " + q(art->claveProdServ) + " del artículo " + clave +
                                 " no es válida (ocho dígitos).");
            if (!art || art->claveUnidad.empty())
                errors.push_back("El artículo " + clave + " no tiene clave de unidad del SAT.");
            else if (!S::isClaveUnidad(art->claveUnidad))
                errors.push_back("La clave de unidad " + q(art->claveUnidad) + " del artículo " + clave +
                                 " no es válida.");
            if (art && !S::contains(S::objetosImp(), art->objetoImp))
                errors.push_back("El objeto de impuesto " + q(art->objetoImp) + " del artículo " + clave +
                                 " no es válido.");
            if (art && !IsCfdiText(art->unidad))
                errors.push_back("El nombre de la unidad del artículo " + clave + " tiene caracteres que el SAT no acepta (como «|»).");
            else if (auto e = tooLong("Artículo " + clave, "la unidad", CollapseBlanks(art ? art->unidad : ""), 20); !e.empty())
                errors.push_back(e);
        }
        if (descripcion.empty())
            errors.push_back(renglon + " no tiene descripción.");
        else if (!IsCfdiText(descripcion))
            errors.push_back(renglon + " tiene en la descripción caracteres que el SAT no acepta (como «|»).");
        else if (auto e = tooLong("Renglón " + std::to_string(i + 1), "la descripción", descripcion, 1000); !e.empty())
            errors.push_back(e);
        if (!IsCfdiText(p.Clave))
            errors.push_back("La clave del artículo " + q(p.Clave) + " tiene caracteres que el SAT no acepta.");
        else if (auto e = tooLong("Renglón " + std::to_string(i + 1), "la clave del artículo", CollapseBlanks(p.Clave), 100);
                 !e.empty())
            errors.push_back(e);
        // The line's amounts as the document's totals add them up, so both agree to the cent; a
        // huge amount is refused rather than wrapped around into another one without a word.
        const std::optional<LineCents> cents = LineCents::Of(p);
        if (!cents) {
            errors.push_back("Renglón " + std::to_string(i + 1) + ": importe fuera de rango.");
            continue;
        }
        const std::int64_t cantidad = A::toMicros(p.Cantidad);
        const std::int64_t valor = A::toMicros(p.Precio);
        if (cantidad <= 0)
            errors.push_back(renglon + " tiene cantidad cero o negativa.");
        if (valor <= 0)
            errors.push_back(renglon + " tiene precio cero o negativo.");
        if (p.pDescuento < 0 || p.pDescuento > 100)
            errors.push_back(renglon + " tiene un descuento fuera de 0 a 100 %.");

        std::vector<LineTax> taxes;
        for (const LineTaxSlot& slot : TaxSlotsOf(p, *cents)) {
            if (slot.id == 0 && slot.rate == 0)
                continue;
            const std::string kind = slot.retencion ? "una retención" : "un impuesto";
            if (slot.id == 0) {
                errors.push_back(renglon + " tiene " + kind + " que no está en el catálogo de impuestos.");
                continue;
            }
            const auto& [name, meaning] = taxOf(slot.id);
            const std::string label = q(name.empty() ? std::to_string(slot.id) : name);
            if (!meaning || meaning->impuesto.empty()) {
                errors.push_back("El impuesto " + label + " no tiene su clave del SAT (impuesto y tipo factor).");
                continue;
            }
            LineTax t{slot.retencion, meaning->impuesto, meaning->tipoFactor, A::toMicros(slot.rate), 0, slot.cents};
            // Lines keep their rates, tax ids come from the article: a rate of 0 means the line
            // does not carry a tax the article has since gained; another rate must be the tax's.
            const std::int64_t catalogued = A::toMicros(meaning->tasaOCuota);
            if (t.tipoFactor == "Tasa" && t.tasaMicros != catalogued) {
                if (t.tasaMicros == 0)
                    continue;
                errors.push_back(renglon + " tiene una tasa de " + A::sixDecimals(t.tasaMicros) + " y el impuesto " +
                                 label + " es de " + A::sixDecimals(catalogued) + ".");
                continue;
            }
            if (!S::contains(S::impuestos(), t.impuesto))
                errors.push_back("La clave de impuesto " + q(t.impuesto) + " de " + label + " no es válida.");
            else if (t.tipoFactor == "Exento") {
                if (slot.retencion)
                    errors.push_back("Una retención no puede ser exenta (" + label + ").");
                else if (t.tasaMicros != 0)
                    errors.push_back("El impuesto " + label + " es exento pero " + renglon.substr(3) +
                                     " le da una tasa distinta de cero.");
            } else if (t.tipoFactor == "Tasa") {
                if (!tasaAllowed(t.impuesto, slot.retencion, t.tasaMicros))
                    errors.push_back("La tasa " + A::sixDecimals(t.tasaMicros) + " de " + label + " en " +
                                     renglon.substr(3) + " no está en el catálogo del SAT.");
            } else {
                errors.push_back("El tipo factor " + q(t.tipoFactor) + " de " + label +
                                 " no se usa; los impuestos se calculan como tasa sobre el importe.");
            }
            taxes.push_back(t);
        }
        if (art && art->objetoImp == "02" && taxes.empty())
            errors.push_back(renglon + " no lleva impuestos y el artículo " + clave +
                             " es objeto de impuesto (02).");
        if (art && art->objetoImp != "02" && !taxes.empty())
            errors.push_back(renglon + " lleva impuestos y el artículo " + clave + " no es objeto de impuesto (" +
                             art->objetoImp + ").");
        if (errors.size() != before)
            continue;

        const std::int64_t importe = cents->importe;
        const std::int64_t desc = cents->descuento;
        const std::int64_t base = cents->base;
        subTotal += importe;
        descuento += desc;
        if (!taxes.empty() && base <= 0) {
            errors.push_back(renglon + " lleva impuestos sobre un importe de cero.");
            continue;
        }
        XmlElement& c = conceptos.add("cfdi:Concepto");
        c.set("ClaveProdServ", art->claveProdServ);
        if (!p.Clave.empty())
            c.set("NoIdentificacion", CollapseBlanks(p.Clave));
        c.set("Cantidad", A::trimmed(cantidad, 0));
        c.set("ClaveUnidad", art->claveUnidad);
        if (!CollapseBlanks(art->unidad).empty())
            c.set("Unidad", CollapseBlanks(art->unidad));
        c.set("Descripcion", descripcion);
        c.set("ValorUnitario", A::trimmed(valor, 2));
        c.set("Importe", A::money(importe));
        if (desc > 0)
            c.set("Descuento", A::money(desc));
        c.set("ObjetoImp", art->objetoImp);
        if (taxes.empty())
            continue;
        XmlElement& imp = c.add("cfdi:Impuestos");
        XmlElement* tras = nullptr;
        XmlElement* rets = nullptr;
        // The schema wants the transfers before the withholdings.
        for (bool ret : {false, true})
            for (LineTax& t : taxes) {
                if (t.retencion != ret)
                    continue;
                t.base = base;
                const bool exento = t.tipoFactor == "Exento";
                if (exento)
                    t.importe = 0;
                XmlElement*& list = ret ? rets : tras;
                if (!list)
                    list = &imp.add(ret ? "cfdi:Retenciones" : "cfdi:Traslados");
                XmlElement& e = list->add(ret ? "cfdi:Retencion" : "cfdi:Traslado");
                e.set("Base", A::money(base)).set("Impuesto", t.impuesto).set("TipoFactor", t.tipoFactor);
                if (!exento)
                    e.set("TasaOCuota", A::sixDecimals(t.tasaMicros)).set("Importe", A::money(t.importe));
                // Summary: transfers by impuesto, tipo factor and tasa; withholdings by impuesto.
                std::vector<Group>& groups = ret ? retenciones : traslados;
                auto g = std::find_if(groups.begin(), groups.end(), [&](const Group& x) {
                    return x.impuesto == t.impuesto && (ret || (x.tipoFactor == t.tipoFactor && x.tasaMicros == t.tasaMicros));
                });
                if (g == groups.end())
                    g = groups.insert(groups.end(), Group{t.impuesto, t.tipoFactor, t.tasaMicros, 0, 0});
                g->base += t.base;
                g->importe += t.importe;
            }
    }
    if (!errors.empty())
        return r;

    std::int64_t totalTrasladados = 0, totalRetenidos = 0;
    bool anyTasa = false;
    for (const Group& g : traslados)
        if (g.tipoFactor != "Exento") {
            totalTrasladados += g.importe;
            anyTasa = true;
        }
    for (const Group& g : retenciones)
        totalRetenidos += g.importe;
    const std::int64_t total = subTotal - descuento + totalTrasladados - totalRetenidos;
    if (total < 0)
        errors.push_back("El total de la factura sería negativo: las retenciones superan al importe.");
    else if (total == 0 && (!traslados.empty() || !retenciones.empty()))
        errors.push_back("El total de la factura es cero y lleva impuestos; el SAT no lo acepta.");
    if (!errors.empty())
        return r;

    XmlElement& root = r.comprobante;
    root.name = "cfdi:Comprobante";
    root.set("xmlns:cfdi", "http://www.sat.gob.mx/cfd/4");
    root.set("xmlns:xsi", "http://www.w3.org/2001/XMLSchema-instance");
    root.set("xsi:schemaLocation", kSchemaLocation);
    root.set("Version", "4.0");
    if (!header.serie.empty())
        root.set("Serie", header.serie);
    root.set("Folio", std::to_string(header.folio));
    root.set("Fecha", fecha);
    root.set("Sello", "");
    root.set("FormaPago", fiscal.formaPago);
    root.set("NoCertificado", noCertificado);
    root.set("Certificado", certificadoBase64);
    root.set("SubTotal", A::money(subTotal));
    if (descuento > 0)
        root.set("Descuento", A::money(descuento));
    root.set("Moneda", "MXN");
    root.set("Total", A::money(total));
    root.set("TipoDeComprobante", "I");
    root.set("Exportacion", fiscal.exportacion);
    root.set("MetodoPago", fiscal.metodoPago);
    root.set("LugarExpedicion", emisor.codigoPostal);
    // The CFDI this one replaces, cancelled with motive 01.
    if (!fiscal.sustituyeUuid.empty())
        root.add("cfdi:CfdiRelacionados").set("TipoRelacion", "04").add("cfdi:CfdiRelacionado").set("UUID", fiscal.sustituyeUuid);
    root.add("cfdi:Emisor").set("Rfc", emisor.rfc).set("Nombre", razon).set("RegimenFiscal", emisor.regimenFiscal);
    root.add("cfdi:Receptor")
        .set("Rfc", rfc)
        .set("Nombre", nombre)
        .set("DomicilioFiscalReceptor", cliente->codigoPostal)
        .set("RegimenFiscalReceptor", cliente->regimenFiscal)
        .set("UsoCFDI", fiscal.usoCfdi);
    root.children.push_back(std::move(conceptos));
    if (!traslados.empty() || !retenciones.empty()) {
        XmlElement& imp = root.add("cfdi:Impuestos");
        if (!retenciones.empty()) {
            imp.set("TotalImpuestosRetenidos", A::money(totalRetenidos));
            XmlElement& list = imp.add("cfdi:Retenciones");
            for (const Group& g : retenciones)
                list.add("cfdi:Retencion").set("Impuesto", g.impuesto).set("Importe", A::money(g.importe));
        }
        // Only exempt transfers: no total of transferred taxes.
        if (anyTasa)
            imp.set("TotalImpuestosTrasladados", A::money(totalTrasladados));
        if (!traslados.empty()) {
            XmlElement& list = imp.add("cfdi:Traslados");
            for (const Group& g : traslados) {
                XmlElement& e = list.add("cfdi:Traslado");
                e.set("Base", A::money(g.base)).set("Impuesto", g.impuesto).set("TipoFactor", g.tipoFactor);
                if (g.tipoFactor != "Exento")
                    e.set("TasaOCuota", A::sixDecimals(g.tasaMicros)).set("Importe", A::money(g.importe));
            }
        }
    }
    return r;
}
