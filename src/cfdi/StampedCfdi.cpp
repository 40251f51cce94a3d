#include "cfdi/StampedCfdi.h"

#include <cstdio>

#include "cfdi/XmlDocument.h"

#include <vector>

namespace {

const char* const kTfdNamespace = "http://www.sat.gob.mx/TimbreFiscalDigital";
const char* const kCfdiNamespace = "http://www.sat.gob.mx/cfd/4";

bool hex(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
bool digit(char c) { return c >= '0' && c <= '9'; }

} // namespace

bool CStampedCfdi::IsUuid(const std::string& t) {
    if (t.size() != 36)
        return false;
    for (std::size_t i = 0; i < t.size(); ++i)
        if ((i == 8 || i == 13 || i == 18 || i == 23) ? t[i] != '-' : !hex(t[i]))
            return false;
    return true;
}

std::optional<OleDate> CStampedCfdi::DateOf(const std::string& fecha) {
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    if (std::sscanf(fecha.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d", &y, &mo, &d, &h, &mi, &s) != 6)
        return std::nullopt;
    const OleDate date = OleDate::fromDate(y, mo, d, h, mi, s);
    const auto back = date.split();  // a 13th month or a 31st of April does not come back the same
    if (!back || back->year != y || back->month != mo || back->day != d || back->hour != h || back->minute != mi)
        return std::nullopt;
    return date;
}

bool CStampedCfdi::IsFechaTimbrado(const std::string& t) {
    const char* pattern = "dddd-dd-ddTdd:dd:dd";
    if (t.size() != 19)
        return false;
    for (std::size_t i = 0; i < t.size(); ++i)
        if (pattern[i] == 'd' ? !digit(t[i]) : t[i] != pattern[i])
            return false;
    return true;
}

std::string CStampedCfdi::SelloOf(const std::string& cfdiXml) {
    CXmlDocument doc(cfdiXml);
    return CXmlDocument::attribute(doc.root(), "Sello");
}

std::string CStampedCfdi::Cadena(const Tfd& t) {
    std::string c = "||1.1|" + t.uuid + "|" + t.fechaTimbrado + "|" + t.rfcProvCertif + "|";
    if (!t.leyenda.empty())
        c += t.leyenda + "|";
    return c + t.selloCfd + "|" + t.noCertificadoSat + "||";
}

std::optional<CStampedCfdi::Tfd> CStampedCfdi::Read(const std::string& stampedXml, const std::string& sello,
                                                     std::string& error) {
    CXmlDocument doc(stampedXml);
    const auto* root = doc.root();
    if (!root || CXmlDocument::localName(root) != "Comprobante" || CXmlDocument::namespaceUri(root) != kCfdiNamespace) {
        error = "El PAC no devolvió un CFDI legible.";
        return std::nullopt;
    }
    // One TFD in the whole document, a child of a Complemento of the Comprobante.
    const std::vector<const _xmlNode*> tfds = doc.findAll("TimbreFiscalDigital", root);
    const auto* complemento = tfds.size() == 1 ? CXmlDocument::parent(tfds.front()) : nullptr;
    if (tfds.size() != 1 || CXmlDocument::namespaceUri(tfds.front()) != kTfdNamespace || !complemento ||
        CXmlDocument::localName(complemento) != "Complemento" ||
        CXmlDocument::namespaceUri(complemento) != kCfdiNamespace || CXmlDocument::parent(complemento) != root) {
        error = tfds.empty() ? "El CFDI que devolvió el PAC no trae el timbre fiscal digital."
                             : "El CFDI que devolvió el PAC no trae un timbre fiscal digital válido.";
        return std::nullopt;
    }
    const auto* n = tfds.front();
    Tfd t{CXmlDocument::attribute(n, "UUID"),          CXmlDocument::attribute(n, "FechaTimbrado"),
          CXmlDocument::attribute(n, "RfcProvCertif"), CXmlDocument::attribute(n, "Leyenda"),
          CXmlDocument::attribute(n, "SelloCFD"),      CXmlDocument::attribute(n, "NoCertificadoSAT"),
          CXmlDocument::attribute(n, "SelloSAT")};
    bool certificado = t.noCertificadoSat.size() == 20;
    for (char c : t.noCertificadoSat)
        certificado = certificado && digit(c);
    if (CXmlDocument::attribute(n, "Version") != "1.1" || !IsUuid(t.uuid) || !IsFechaTimbrado(t.fechaTimbrado) ||
        t.rfcProvCertif.empty() || t.selloSat.empty() || !certificado) {
        error = "El CFDI que devolvió el PAC no trae un timbre fiscal digital válido.";
        return std::nullopt;
    }
    if (sello.empty() || t.selloCfd != sello || CXmlDocument::attribute(root, "Sello") != sello) {
        error = "El timbre que devolvió el PAC no corresponde al comprobante enviado.";
        return std::nullopt;
    }
    return t;
}
