#include "cfdi/CfdiPrintData.h"

#include "cfdi/FiscalStore.h"
#include "cfdi/SatCatalogs.h"
#include "cfdi/StampedCfdi.h"
#include "cfdi/XmlDocument.h"
#include "db/Database.h"
#include "db/Statement.h"

#include <libxml/tree.h>

#include <cstdio>
#include <cstdlib>
#include <span>

namespace {

const char* const kVerificacion = "https://verificacfdi.facturaelectronica.sat.gob.mx/default.aspx";

// "G03 - Gastos en general"; a key the catalogue does not know prints alone.
std::string described(std::span<const SatCatalogs::Entry> catalogue, const std::string& clave) {
    if (clave.empty())
        return {};
    for (const SatCatalogs::Entry& e : catalogue)
        if (e.clave == clave)
            return SatCatalogs::label(e);
    return clave;
}

std::string tipoDescrito(const std::string& tipo) {
    static constexpr SatCatalogs::Entry kTipos[] = {
        {"I", "Ingreso"}, {"E", "Egreso"}, {"T", "Traslado"}, {"N", "Nómina"}, {"P", "Pago"}};
    return described(kTipos, tipo);
}

std::string taxName(const std::string& impuesto) {
    if (impuesto == "001")
        return "ISR";
    if (impuesto == "002")
        return "IVA";
    if (impuesto == "003")
        return "IEPS";
    return impuesto;
}

// "0.160000" → "16 %", "0.106667" → "10.6667 %".
std::string rate(const std::string& tasa) {
    char* end = nullptr;
    const double v = std::strtod(tasa.c_str(), &end);
    if (tasa.empty() || end == tasa.c_str())
        return tasa;
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.4f", v * 100);
    std::string s = buf;
    while (s.back() == '0')
        s.pop_back();
    if (s.back() == '.')
        s.pop_back();
    return s + " %";
}

// The document's taxes by rate, from the Comprobante's own Impuestos (not the concepts').
std::string taxesByRate(const CXmlDocument& doc, const _xmlNode* root) {
    const _xmlNode* impuestos = nullptr;
    // The Comprobante's own Impuestos, a child of the root (the concepts' lie deeper).
    for (const _xmlNode* n : doc.findAll("Impuestos", root))
        if (n->parent == root)
            impuestos = n;
    if (!impuestos)
        return {};
    std::string out;
    auto add = [&out](const std::string& part) { out += (out.empty() ? "" : "   ") + part; };
    for (const _xmlNode* t : doc.findAll("Traslado", impuestos)) {
        const std::string name = taxName(CXmlDocument::attribute(t, "Impuesto"));
        if (CXmlDocument::attribute(t, "TipoFactor") == "Exento")
            add(name + " exento");
        else
            add(name + " " + rate(CXmlDocument::attribute(t, "TasaOCuota")) + ": " +
                CXmlDocument::attribute(t, "Importe"));
    }
    for (const _xmlNode* r : doc.findAll("Retencion", impuestos))
        add("Retención " + taxName(CXmlDocument::attribute(r, "Impuesto")) + ": " +
            CXmlDocument::attribute(r, "Importe"));
    return out;
}

} // namespace

std::string CfdiPrintData::TotalForQr(const std::string& total) {
    std::string t = total;
    const auto dot = t.find('.');
    if (dot == std::string::npos)
        return t.empty() ? t : t + ".0";
    while (t.size() > dot + 2 && t.back() == '0')
        t.pop_back();
    if (t.size() == dot + 1)
        t += '0';
    return t;
}

std::string CfdiPrintData::VerificationUrl(const std::string& uuid, const std::string& rfcEmisor,
                                           const std::string& rfcReceptor, const std::string& total,
                                           const std::string& sello) {
    const std::string fe = sello.size() > 8 ? sello.substr(sello.size() - 8) : sello;
    // An RFC may carry "&" (and "Ñ"): both go percent-encoded so the address stays one query.
    auto encoded = [](const std::string& s) {
        std::string out;
        for (const unsigned char c : s) {
            if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
                c == '=' || c == '+' || c == '/') {
                out += static_cast<char>(c);
            } else {
                char buf[4];
                std::snprintf(buf, sizeof buf, "%%%02X", c);
                out += buf;
            }
        }
        return out;
    };
    return std::string(kVerificacion) + "?id=" + uuid + "&re=" + encoded(rfcEmisor) + "&rr=" +
           encoded(rfcReceptor) + "&tt=" + TotalForQr(total) + "&fe=" + encoded(fe);
}

CfdiPrintData CfdiPrintData::FromXml(const std::string& xml, bool stamped) {
    CfdiPrintData d;
    CXmlDocument doc(xml);
    const _xmlNode* root = doc.ok() ? doc.root() : nullptr;
    if (!root || CXmlDocument::localName(root) != "Comprobante")
        return d;
    d.present = true;
    auto a = [](const _xmlNode* n, const char* name) { return n ? CXmlDocument::attribute(n, name) : std::string(); };
    d.fechaEmision = a(root, "Fecha");
    d.lugarExpedicion = a(root, "LugarExpedicion");
    d.noCertificado = a(root, "NoCertificado");
    d.sello = a(root, "Sello");
    d.formaPago = described(SatCatalogs::formasPago(), a(root, "FormaPago"));
    d.metodoPago = described(SatCatalogs::metodosPago(), a(root, "MetodoPago"));
    d.tipoComprobante = tipoDescrito(a(root, "TipoDeComprobante"));
    const _xmlNode* emisor = doc.find("Emisor", root);
    d.rfcEmisor = a(emisor, "Rfc");
    d.nombreEmisor = a(emisor, "Nombre");
    d.regimenEmisor = described(SatCatalogs::regimenesFiscales(), a(emisor, "RegimenFiscal"));
    const _xmlNode* receptor = doc.find("Receptor", root);
    d.rfcReceptor = a(receptor, "Rfc");
    d.nombreReceptor = a(receptor, "Nombre");
    d.domicilioReceptor = a(receptor, "DomicilioFiscalReceptor");
    d.regimenReceptor = described(SatCatalogs::regimenesFiscales(), a(receptor, "RegimenFiscalReceptor"));
    d.usoCfdi = described(SatCatalogs::usosCfdi(), a(receptor, "UsoCFDI"));
    d.impuestos = taxesByRate(doc, root);
    if (const _xmlNode* pago = doc.find("Pago", root)) {
        const _xmlNode* dr = doc.find("DoctoRelacionado", pago);
        d.pago = {a(dr, "NumParcialidad"), a(pago, "FechaPago"), described(SatCatalogs::formasPago(), a(pago, "FormaDePagoP")),
                  a(pago, "Monto"), a(dr, "ImpSaldoAnt"), a(dr, "ImpSaldoInsoluto"), a(dr, "IdDocumento"),
                  a(dr, "Serie") + (a(dr, "Serie").empty() ? "" : " ") + a(dr, "Folio")};
    }

    const _xmlNode* complemento = doc.find("Complemento", root);
    const _xmlNode* tfd = complemento ? doc.find("TimbreFiscalDigital", complemento) : nullptr;
    if (!stamped || !tfd)
        return d;
    d.stamped = true;
    CStampedCfdi::Tfd t{a(tfd, "UUID"),     a(tfd, "FechaTimbrado"),    a(tfd, "RfcProvCertif"), a(tfd, "Leyenda"),
                        a(tfd, "SelloCFD"), a(tfd, "NoCertificadoSAT"), a(tfd, "SelloSAT")};
    d.uuid = t.uuid;
    d.fechaCertificacion = t.fechaTimbrado;
    d.noCertificadoSat = t.noCertificadoSat;
    d.selloSat = t.selloSat;
    d.cadenaTfd = CStampedCfdi::Cadena(t);
    d.verificacion = VerificationUrl(d.uuid, d.rfcEmisor, d.rfcReceptor, a(root, "Total"), d.sello);
    return d;
}

namespace {

CfdiPrintData fromRow(Statement& s) {
    if (!s.step())
        return {};
    const DbValue v = s.column(0);
    std::string xml;
    if (const Blob* b = std::get_if<Blob>(&v))
        xml.assign(b->begin(), b->end());
    else if (const std::string* text = std::get_if<std::string>(&v))
        xml = *text;
    return CfdiPrintData::FromXml(xml, s.text(1) == CFiscalStore::kTimbrado);
}

} // namespace

CfdiPrintData CfdiPrintData::Load(Database& db, std::int32_t idDocumento) {
    if (!db.hasTable("Cfdis"))
        return {};
    Statement s = db.prepare("SELECT Xml, Estado FROM Cfdis WHERE Id_Documento = ?");
    s.bind(1, std::int64_t{idDocumento});
    return fromRow(s);
}

CfdiPrintData CfdiPrintData::LoadPayment(Database& db, std::int32_t idDocumento, std::int32_t numPago) {
    if (!db.hasTable("CfdisPago"))
        return {};
    Statement s = db.prepare("SELECT Xml, Estado FROM CfdisPago WHERE Id_Documento = ? AND NumPago = ? AND Xml IS NOT NULL");
    s.bind(1, std::int64_t{idDocumento}).bind(2, std::int64_t{numPago});
    return fromRow(s);
}
