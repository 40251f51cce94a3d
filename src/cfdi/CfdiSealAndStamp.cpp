#include "cfdi/CfdiSealAndStamp.h"

#include "cfdi/CfdiIssuer.h"
#include "cfdi/FiscalStore.h"
#include "cfdi/GlobalInvoice.h"
#include "cfdi/PaymentCfdiBuilder.h"
#include "db/Database.h"
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

std::filesystem::path CCfdiSealAndStamp::PaymentPathOf(Database& db, const std::filesystem::path& folder,
                                                       const CfdiKey& key) {
    const auto invoice = CFiscalStore(db).cfdi(key.idDocumento);
    if (!invoice)
        return {};
    std::filesystem::path file = PathOf(folder, invoice->xml);
    if (!file.empty())
        file.replace_filename(file.stem().string() + "_P" + std::to_string(key.numPago) + ".xml");
    return file;
}

std::vector<CfdiKey> CCfdiSealAndStamp::NoteOwedPayments(Database& db, std::int32_t idDocumento,
                                                         const std::string& formaPago) {
    std::vector<CfdiKey> owed;
    if (!CPaymentCfdiBuilder::OwesComplements(db, idDocumento))
        return owed;
    CFiscalStore store(db);
    Statement s = db.prepare("SELECT NumPago FROM Cobros WHERE Id_Documento = ? AND Importe > 0 ORDER BY NumPago");
    s.bind(1, std::int64_t{idDocumento});
    while (s.step())
        owed.emplace_back(idDocumento, static_cast<std::int32_t>(s.integer(0)));
    s.reset();
    for (const CfdiKey& key : owed)
        store.notePayment(key, formaPago);
    std::erase_if(owed, [&store](const CfdiKey& k) {
        const auto c = store.cfdi(k);
        return c && c->estado == CFiscalStore::kTimbrado;
    });
    return owed;
}

CCfdiSealAndStamp::Result CCfdiSealAndStamp::Run(const CfdiKey& key, const Request& request, OleDate now) {
    Result r;
    CFiscalStore store(m_db);
    const std::optional<CFiscalStore::StoredCfdi> stored = store.cfdi(key);
    const bool seal = !stored || (stored->estado == CFiscalStore::kSellado &&
                                  (request.sealAgain || NearDeadline(fechaOf(stored->xml), now)));
    const auto fileFor = [&](const std::filesystem::path& inFolder) {
        return !request.file.empty()     ? request.file
               : request.folder.empty() ? std::filesystem::path()
                                        : inFolder;
    };
    if (seal) {
        if (request.password.empty()) {
            r.errors.push_back(stored ? "El comprobante sellado tiene casi 72 horas: hay que sellarlo de nuevo, y para "
                                        "eso falta la contraseña de la llave privada."
                                      : "Falta la contraseña de la llave privada para sellar el comprobante.");
            return r;
        }
        CCfdiIssuer issuer(m_db);
        CCfdiIssuer::Sealed sealed;
        if (key.isGlobal()) {
            // Made sealed by CGlobalInvoice::Create; here only sealed again over the same sales.
            if (!stored) {
                r.errors.push_back("La factura global no existe.");
                return r;
            }
            sealed = CGlobalInvoice(m_db).Reseal(key.idGlobal, request.password, now);
        } else if (key.isPayment()) {
            std::string forma = request.fiscal.formaPago;
            if (forma.empty())
                forma = store.paymentForma(key);
            sealed = issuer.SealPayment(key, forma.empty() ? "01" : forma, request.password, now);
        } else {
            // The stored fiscal data (forma, método, uso) stays what the operator chose last time.
            DocumentoFiscal fiscal = request.fiscal;
            if (stored && !request.sealAgain)
                if (const auto d = store.documento(key.idDocumento))
                    fiscal = *d;
            sealed = issuer.Seal(key.idDocumento, fiscal, request.password, now);
        }
        r.notice = sealed.notice;
        if (!sealed.ok()) {
            r.errors = sealed.errors;
            return r;
        }
        std::string error;
        r.file = fileFor(CCfdiIssuer::PathIn(request.folder, sealed));
        if (!r.file.empty()) {
            if (!issuer.Save(key, sealed, r.file, error)) {
                r.errors.push_back(error);
                return r;
            }
        } else {
            issuer.Store(key, sealed);
        }
        r.sealedNow = true;
    } else {
        r.file = fileFor(key.isPayment() ? PaymentPathOf(m_db, request.folder, key) : PathOf(request.folder, stored->xml));
    }
    const CCfdiStamper::Result stamped = CCfdiStamper(m_db, m_pac).Stamp(key, r.file);
    r.state = stamped.state;
    r.uuid = stamped.uuid;
    r.message = stamped.message;
    // Payments received before a PPD invoice was stamped owe their complements from now on.
    if (r.state == CCfdiStamper::State::Stamped && !key.isPayment())
        r.owedPayments = NoteOwedPayments(m_db, key.idDocumento);
    return r;
}
