#include "cfdi/CadenaOriginal.h"

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr const char* kCfdiNs = "http://www.sat.gob.mx/cfd/4";
constexpr const char* kPagosNs = "http://www.sat.gob.mx/Pagos20";

const xmlChar* X(const char* s) { return reinterpret_cast<const xmlChar*>(s); }

bool isIn(const xmlNode* n, const char* ns, const char* local) {
    return n && n->type == XML_ELEMENT_NODE && n->ns && xmlStrEqual(n->ns->href, X(ns)) &&
           xmlStrEqual(n->name, X(local));
}

bool isCfdi(const xmlNode* n, const char* local) { return isIn(n, kCfdiNs, local); }

std::vector<const xmlNode*> pagosChildren(const xmlNode* parent, const char* local) {
    std::vector<const xmlNode*> found;
    for (const xmlNode* k = parent ? parent->children : nullptr; k; k = k->next)
        if (isIn(k, kPagosNs, local))
            found.push_back(k);
    return found;
}

// XPath's normalize-space: XML blanks trimmed and each run of them made one space.
std::string normalizeSpace(const char* s) {
    std::string out;
    bool pendingSpace = false;
    for (; *s; ++s) {
        const char c = *s;
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
            pendingSpace = !out.empty();
            continue;
        }
        if (pendingSpace)
            out += ' ';
        pendingSpace = false;
        out += c;
    }
    return out;
}

class Walker {
public:
    std::string out;

    void required(const xmlNode* n, const char* attribute) { value(n, attribute, true); }
    void optional(const xmlNode* n, const char* attribute) { value(n, attribute, false); }

    void comprobante(const xmlNode* c) {
        for (const char* a : {"Version", "Serie", "Folio", "Fecha", "FormaPago", "NoCertificado",
                              "CondicionesDePago", "SubTotal", "Descuento", "Moneda", "TipoCambio", "Total",
                              "TipoDeComprobante", "Exportacion", "MetodoPago", "LugarExpedicion", "Confirmacion"}) {
            const bool req = !std::strcmp(a, "Version") || !std::strcmp(a, "Fecha") || !std::strcmp(a, "NoCertificado") ||
                             !std::strcmp(a, "SubTotal") || !std::strcmp(a, "Moneda") || !std::strcmp(a, "Total") ||
                             !std::strcmp(a, "TipoDeComprobante") || !std::strcmp(a, "Exportacion") ||
                             !std::strcmp(a, "LugarExpedicion");
            value(c, a, req);
        }
        if (const xmlNode* g = first(c, "InformacionGlobal"))
            for (const char* a : {"Periodicidad", "Meses", "A\xC3\xB1o"})
                required(g, a);
        for (const xmlNode* r : all(c, "CfdiRelacionados")) {
            required(r, "TipoRelacion");
            for (const xmlNode* u : all(r, "CfdiRelacionado"))
                required(u, "UUID");
        }
        if (const xmlNode* e = first(c, "Emisor")) {
            required(e, "Rfc");
            required(e, "Nombre");
            required(e, "RegimenFiscal");
            optional(e, "FacAtrAdquirente");
        }
        if (const xmlNode* r = first(c, "Receptor")) {
            for (const char* a : {"Rfc", "Nombre", "DomicilioFiscalReceptor"})
                required(r, a);
            optional(r, "ResidenciaFiscal");
            optional(r, "NumRegIdTrib");
            required(r, "RegimenFiscalReceptor");
            required(r, "UsoCFDI");
        }
        if (const xmlNode* cs = first(c, "Conceptos"))
            for (const xmlNode* k : all(cs, "Concepto"))
                concepto(k);
        if (const xmlNode* i = first(c, "Impuestos"))
            impuestos(i);
        if (const xmlNode* comp = first(c, "Complemento"))
            for (const xmlNode* k = comp->children; k; k = k->next)
                if (k->type == XML_ELEMENT_NODE)
                    complement(k);
    }

private:
    void value(const xmlNode* n, const char* attribute, bool req) {
        xmlAttr* a = xmlHasNsProp(const_cast<xmlNode*>(n), X(attribute), nullptr);
        if (!a) {
            if (req)
                out += '|';
            return;
        }
        xmlChar* v = xmlNodeGetContent(reinterpret_cast<xmlNode*>(a));
        out += '|';
        out += normalizeSpace(v ? reinterpret_cast<const char*>(v) : "");
        xmlFree(v);
    }

    static const xmlNode* first(const xmlNode* parent, const char* local) {
        for (const xmlNode* k = parent ? parent->children : nullptr; k; k = k->next)
            if (isCfdi(k, local))
                return k;
        return nullptr;
    }
    static std::vector<const xmlNode*> all(const xmlNode* parent, const char* local) {
        std::vector<const xmlNode*> found;
        for (const xmlNode* k = parent ? parent->children : nullptr; k; k = k->next)
            if (isCfdi(k, local))
                found.push_back(k);
        return found;
    }
    static void descendants(const xmlNode* parent, const char* local, std::vector<const xmlNode*>& found) {
        for (const xmlNode* k = parent->children; k; k = k->next) {
            if (isCfdi(k, local))
                found.push_back(k);
            if (k->type == XML_ELEMENT_NODE)
                descendants(k, local, found);
        }
    }

    void concepto(const xmlNode* k) {
        required(k, "ClaveProdServ");
        optional(k, "NoIdentificacion");
        required(k, "Cantidad");
        required(k, "ClaveUnidad");
        optional(k, "Unidad");
        required(k, "Descripcion");
        required(k, "ValorUnitario");
        required(k, "Importe");
        optional(k, "Descuento");
        required(k, "ObjetoImp");
        const xmlNode* imp = first(k, "Impuestos");
        for (const xmlNode* ts : all(imp, "Traslados"))
            for (const xmlNode* t : all(ts, "Traslado")) {
                required(t, "Base");
                required(t, "Impuesto");
                required(t, "TipoFactor");
                optional(t, "TasaOCuota");
                optional(t, "Importe");
            }
        for (const xmlNode* rs : all(imp, "Retenciones"))
            for (const xmlNode* r : all(rs, "Retencion"))
                for (const char* a : {"Base", "Impuesto", "TipoFactor", "TasaOCuota", "Importe"})
                    required(r, a);
        for (const xmlNode* t : all(k, "ACuentaTerceros"))
            for (const char* a : {"RfcACuentaTerceros", "NombreACuentaTerceros", "RegimenFiscalACuentaTerceros",
                                  "DomicilioFiscalACuentaTerceros"})
                required(t, a);
        for (const xmlNode* a : all(k, "InformacionAduanera"))
            required(a, "NumeroPedimento");
        if (const xmlNode* p = first(k, "CuentaPredial"))
            required(p, "Numero");
        if (const xmlNode* cc = first(k, "ComplementoConcepto"))
            for (const xmlNode* x = cc->children; x; x = x->next)
                if (x->type == XML_ELEMENT_NODE)
                    complement(x);
        std::vector<const xmlNode*> partes;
        descendants(k, "Parte", partes);
        for (const xmlNode* p : partes) {
            required(p, "ClaveProdServ");
            optional(p, "NoIdentificacion");
            required(p, "Cantidad");
            optional(p, "Unidad");
            required(p, "Descripcion");
            optional(p, "ValorUnitario");
            optional(p, "Importe");
            std::vector<const xmlNode*> aduana;
            descendants(p, "InformacionAduanera", aduana);
            for (const xmlNode* a : aduana)
                required(a, "NumeroPedimento");
        }
    }

    void impuestos(const xmlNode* i) {
        for (const xmlNode* rs : all(i, "Retenciones"))
            for (const xmlNode* r : all(rs, "Retencion")) {
                required(r, "Impuesto");
                required(r, "Importe");
            }
        optional(i, "TotalImpuestosRetenidos");
        for (const xmlNode* ts : all(i, "Traslados"))
            for (const xmlNode* t : all(ts, "Traslado")) {
                required(t, "Base");
                required(t, "Impuesto");
                required(t, "TipoFactor");
                optional(t, "TasaOCuota");
                optional(t, "Importe");
            }
        optional(i, "TotalImpuestosTrasladados");
    }

    // Pagos 2.0, in the order of the SAT's Pagos20.xslt.
    void pagos(const xmlNode* p) {
        required(p, "Version");
        for (const xmlNode* t : pagosChildren(p, "Totales")) {
            for (const char* a : {"TotalRetencionesIVA", "TotalRetencionesISR", "TotalRetencionesIEPS",
                                  "TotalTrasladosBaseIVA16", "TotalTrasladosImpuestoIVA16", "TotalTrasladosBaseIVA8",
                                  "TotalTrasladosImpuestoIVA8", "TotalTrasladosBaseIVA0", "TotalTrasladosImpuestoIVA0",
                                  "TotalTrasladosBaseIVAExento"})
                optional(t, a);
            required(t, "MontoTotalPagos");
        }
        for (const xmlNode* pago : pagosChildren(p, "Pago")) {
            for (const char* a : {"FechaPago", "FormaDePagoP", "MonedaP"})
                required(pago, a);
            optional(pago, "TipoCambioP");
            required(pago, "Monto");
            for (const char* a : {"NumOperacion", "RfcEmisorCtaOrd", "NomBancoOrdExt", "CtaOrdenante", "RfcEmisorCtaBen",
                                  "CtaBeneficiario", "TipoCadPago", "CertPago", "CadPago", "SelloPago"})
                optional(pago, a);
            for (const xmlNode* d : pagosChildren(pago, "DoctoRelacionado")) {
                required(d, "IdDocumento");
                optional(d, "Serie");
                optional(d, "Folio");
                required(d, "MonedaDR");
                optional(d, "EquivalenciaDR");
                for (const char* a : {"NumParcialidad", "ImpSaldoAnt", "ImpPagado", "ImpSaldoInsoluto", "ObjetoImpDR"})
                    required(d, a);
                for (const xmlNode* i : pagosChildren(d, "ImpuestosDR")) {
                    for (const xmlNode* rs : pagosChildren(i, "RetencionesDR"))
                        for (const xmlNode* r : pagosChildren(rs, "RetencionDR"))
                            for (const char* a : {"BaseDR", "ImpuestoDR", "TipoFactorDR", "TasaOCuotaDR", "ImporteDR"})
                                required(r, a);
                    for (const xmlNode* ts : pagosChildren(i, "TrasladosDR"))
                        for (const xmlNode* t : pagosChildren(ts, "TrasladoDR"))
                            taxP(t, "BaseDR", "ImpuestoDR", "TipoFactorDR", "TasaOCuotaDR", "ImporteDR");
                }
            }
            for (const xmlNode* i : pagosChildren(pago, "ImpuestosP")) {
                for (const xmlNode* rs : pagosChildren(i, "RetencionesP"))
                    for (const xmlNode* r : pagosChildren(rs, "RetencionP")) {
                        required(r, "ImpuestoP");
                        required(r, "ImporteP");
                    }
                for (const xmlNode* ts : pagosChildren(i, "TrasladosP"))
                    for (const xmlNode* t : pagosChildren(ts, "TrasladoP"))
                        taxP(t, "BaseP", "ImpuestoP", "TipoFactorP", "TasaOCuotaP", "ImporteP");
            }
        }
    }

    // A transfer: base, impuesto and tipo factor always, rate and amount unless it is exempt.
    void taxP(const xmlNode* t, const char* base, const char* impuesto, const char* tipo, const char* tasa,
              const char* importe) {
        required(t, base);
        required(t, impuesto);
        required(t, tipo);
        optional(t, tasa);
        optional(t, importe);
    }

    // A complement the stylesheet has no template for adds its text nodes (the built-in rule);
    // the timbre has none.
    void complement(const xmlNode* k) {
        if (isIn(k, kPagosNs, "Pagos")) {
            pagos(k);
            return;
        }
        xmlChar* text = xmlNodeGetContent(const_cast<xmlNode*>(k));
        if (text)
            out += reinterpret_cast<const char*>(text);
        xmlFree(text);
    }
};

} // namespace

CCadenaOriginal::Result CCadenaOriginal::FromXml(const std::string& xml) {
    Result result;
    std::unique_ptr<xmlDoc, void (*)(xmlDoc*)> doc(
        xmlReadMemory(xml.data(), static_cast<int>(xml.size()), nullptr, nullptr,
                      XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING),
        xmlFreeDoc);
    if (!doc) {
        result.error = "El XML del comprobante no está bien formado.";
        return result;
    }
    const xmlNode* root = xmlDocGetRootElement(doc.get());
    if (!isCfdi(root, "Comprobante")) {
        result.error = "El XML no es un comprobante CFDI 4.0.";
        return result;
    }
    Walker walker;
    walker.comprobante(root);
    result.ok = true;
    result.cadena = "|" + walker.out + "||";
    return result;
}
