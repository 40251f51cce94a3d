#include "cfdi/CfdiSealAndStamp.h"

#include "cfdi/CfdiIssuer.h"
#include "cfdi/FiscalStore.h"
#include "cfdi/StampedCfdi.h"
#include "cfdi/XmlDocument.h"

#include <cmath>

namespace {

std::string fechaOf(const std::string& cfdiXml) {
    const CXmlDocument doc(cfdiXml);
    return doc.ok() ? CXmlDocument::attribute(doc.root(), "Fecha") : std::string();
}

} // namespace

bool CCfdiSealAndStamp::NearDeadline(const std::string& fecha, OleDate now) {
    const std::optional<OleDate> sealed = CStampedCfdi::DateOf(fecha);
    // A date that cannot be read cannot be shown to be in time either.
    return !sealed || std::llround((now.value - sealed->value) * 86400) >= std::llround(kResealAfterHours * 3600);
}

std::filesystem::path CCfdiSealAndStamp::PathOf(const std::filesystem::path& folder, const std::string& cfdiXml) {
    const CXmlDocument doc(cfdiXml);
    if (!doc.ok())
        return {};
    const std::string fecha = CXmlDocument::attribute(doc.root(), "Fecha");
    const std::string rfc = CXmlDocument::attribute(doc.find("Emisor"), "Rfc");
    if (fecha.size() < 7 || rfc.empty())
        return {};
    return folder / fecha.substr(0, 4) / fecha.substr(5, 2) /
           (rfc + "_" + CXmlDocument::attribute(doc.root(), "Serie") + "_" +
            CXmlDocument::attribute(doc.root(), "Folio") + ".xml");
}

CCfdiSealAndStamp::Result CCfdiSealAndStamp::Run(std::int32_t idDocumento, const Request& request, OleDate now) {
    Result r;
    const std::optional<CFiscalStore::StoredCfdi> stored = CFiscalStore(m_db).cfdi(idDocumento);
    const bool seal = !stored || (stored->estado == CFiscalStore::kSellado &&
                                  (request.sealAgain || NearDeadline(fechaOf(stored->xml), now)));
    if (seal) {
        if (request.password.empty()) {
            r.errors.push_back(stored ? "El comprobante sellado tiene casi 72 horas: hay que sellarlo de nuevo, y para "
                                        "eso falta la contraseña de la llave privada."
                                      : "Falta la contraseña de la llave privada para sellar el comprobante.");
            return r;
        }
        // The stored fiscal data (forma, método, uso) stays what the operator chose last time.
        DocumentoFiscal fiscal = request.fiscal;
        if (stored && !request.sealAgain)
            if (const auto d = CFiscalStore(m_db).documento(idDocumento))
                fiscal = *d;
        CCfdiIssuer issuer(m_db);
        const CCfdiIssuer::Sealed sealed = issuer.Seal(idDocumento, fiscal, request.password, now);
        r.notice = sealed.notice;
        if (!sealed.ok()) {
            r.errors = sealed.errors;
            return r;
        }
        std::string error;
        r.file = !request.file.empty() ? request.file
                 : request.folder.empty() ? std::filesystem::path()
                                          : CCfdiIssuer::PathIn(request.folder, sealed);
        if (!r.file.empty()) {
            if (!issuer.Save(idDocumento, sealed, r.file, error)) {
                r.errors.push_back(error);
                return r;
            }
        } else {
            issuer.Store(idDocumento, sealed);
        }
        r.sealedNow = true;
    } else {
        r.file = !request.file.empty() ? request.file
                 : request.folder.empty() ? std::filesystem::path()
                                          : PathOf(request.folder, stored->xml);
    }
    const CCfdiStamper::Result stamped = CCfdiStamper(m_db, m_pac).Stamp(idDocumento, r.file);
    r.state = stamped.state;
    r.uuid = stamped.uuid;
    r.message = stamped.message;
    return r;
}
