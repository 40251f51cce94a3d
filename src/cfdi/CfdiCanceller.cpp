#include "cfdi/CfdiCanceller.h"

#include "cfdi/CfdiPrintData.h"
#include "cfdi/Csd.h"
#include "cfdi/FiscalStore.h"
#include "cfdi/GlobalInvoice.h"
#include "cfdi/PacClient.h"
#include "cfdi/XmlDocument.h"
#include "db/Database.h"
#include "db/Statement.h"
#include "db/Transaction.h"
#include "invoice/DocumentStore.h"

#include <algorithm>
#include <cctype>
#include <optional>

namespace {

std::string upper(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return s;
}

constexpr const char* kSinRespuesta = "Sin respuesta del PAC";

std::string what(const CfdiKey& key) {
    if (key.isGlobal())
        return "La factura global";
    return key.isPayment() ? "El complemento del pago " + std::to_string(key.numPago) : std::string("La factura");
}

// The replacement's folio fiscal when it is stamped and names `uuid` as the CFDI it replaces
// (CfdiRelacionados TipoRelacion 04); `error` says what is missing otherwise.
std::optional<std::string> replacementOf(Database& db, std::int32_t sustituto, const std::string& uuid,
                                         std::string& error) {
    const auto stored = CFiscalStore(db).cfdi(sustituto);
    if (!stored || stored->estado != CFiscalStore::kTimbrado) {
        error = "El documento que la sustituye no está timbrado: timbre primero el documento nuevo con la relación "
                "04 (sustitución) a la factura " + uuid + ".";
        return std::nullopt;
    }
    const CXmlDocument doc(stored->xml);
    for (const auto* rel : doc.findAll("CfdiRelacionados"))
        if (CXmlDocument::attribute(rel, "TipoRelacion") == "04")
            for (const auto* u : doc.findAll("CfdiRelacionado", rel))
                if (upper(CXmlDocument::attribute(u, "UUID")) == upper(uuid))
                    return stored->uuid;
    error = "El documento que la sustituye (folio fiscal " + stored->uuid + ") no lleva la relación 04 a la factura " +
            uuid + ": sólo un CFDI timbrado con esa relación la sustituye.";
    return std::nullopt;
}

} // namespace

const std::vector<std::pair<std::string, std::string>>& CCfdiCanceller::Motivos() {
    static const std::vector<std::pair<std::string, std::string>> motivos = {
        {"01", "Comprobante emitido con errores con relación"},
        {"02", "Comprobante emitido con errores sin relación"},
        {"03", "No se llevó a cabo la operación"},
        {"04", "Operación nominativa relacionada en una factura global"},
    };
    return motivos;
}

std::string CCfdiCanceller::Refusal(const CfdiKey& key, const Request& request) {
    std::string sustituto;
    return check(key, request, sustituto);
}

std::string CCfdiCanceller::check(const CfdiKey& key, const Request& request, std::string& sustituto) {
    CFiscalStore store(m_db);
    const auto stored = store.cfdi(key);
    if (!stored)
        return key.isPayment() ? "El pago no tiene complemento de pago." : "El documento no tiene factura electrónica.";
    if (stored->estado == CFiscalStore::kSellado)
        return what(key) + " sólo está sellada, no timbrada: no hay nada que cancelar ante el SAT (no tiene validez "
                           "fiscal).";
    if (stored->estado != CFiscalStore::kTimbrado)
        return what(key) + " tiene un timbrado pendiente: termine su timbrado en Facturas por timbrar antes de "
                           "cancelarla.";
    if (stored->cancelacion == CfdiState::kCancelado)
        return what(key) + " ya está cancelada ante el SAT.";
    // A request whose answer was lost may go again: the PAC answers 202 if it had it.
    if (stored->cancelacion == CfdiState::kCancelacionEnProceso && stored->estatusSat != kSinRespuesta)
        return what(key) + " ya tiene una solicitud de cancelación en proceso: consulte su estado en el SAT.";
    const auto& motivos = Motivos();
    if (std::none_of(motivos.begin(), motivos.end(), [&](const auto& m) { return m.first == request.motivo; }))
        return "El motivo de cancelación «" + request.motivo + "» no es válido (01, 02, 03 o 04).";
    if (request.motivo == "01") {
        if (request.sustituto == 0)
            return "Con el motivo 01 hay que indicar el documento que la sustituye, timbrado con la relación 04.";
        if (request.sustituto == key.idDocumento)
            return "Un documento no se sustituye a sí mismo.";
        std::string error;
        const auto replacement = replacementOf(m_db, request.sustituto, stored->uuid, error);
        if (!replacement)
            return error;
        sustituto = *replacement;
    } else if (request.sustituto != 0) {
        return "Sólo el motivo 01 lleva un documento que la sustituye.";
    }
    if (!key.isPayment() && !key.isGlobal()) {
        std::string open;
        for (const CfdiKey& k : store.paymentsOf(key.idDocumento)) {
            const auto c = store.cfdi(k);
            if (c && c->estado != CFiscalStore::kSellado && c->cancelacion != CfdiState::kCancelado)
                open += (open.empty() ? "" : ", ") + std::to_string(k.numPago);
        }
        if (!open.empty())
            return "La factura tiene complementos de pago timbrados (pagos " + open +
                   "): primero cancele los complementos de pago.";
    }
    if (request.password.empty())
        return "Falta la contraseña de la llave privada: el PAC la pide para cancelar.";
    const EmisorFiscal emisor = store.emisor();
    std::string csdError;
    if (!CCsd::Open(emisor.certificado, emisor.llavePrivada, request.password, csdError))
        return csdError;
    return {};
}

bool CCfdiCanceller::ReplacementPending(const CfdiKey& key, std::int32_t sustituto) {
    CFiscalStore store(m_db);
    const auto replacement = store.cfdi(sustituto);
    return store.cfdi(key) && (!replacement || replacement->estado != CFiscalStore::kTimbrado);
}

CCfdiSealAndStamp::Result CCfdiCanceller::StampReplacement(const CfdiKey& key, std::int32_t sustituto,
                                                           const std::string& password,
                                                           const std::filesystem::path& folder) {
    CCfdiSealAndStamp::Request stamp;
    stamp.fiscal.sustituyeUuid = CFiscalStore(m_db).cfdi(key)->uuid;
    stamp.password = password;
    stamp.folder = folder;
    stamp.sealAgain = true;
    return CCfdiSealAndStamp(m_db, m_pac).Run(sustituto, stamp);
}

CCfdiCanceller::Result CCfdiCanceller::Cancel(const CfdiKey& key, const Request& request) {
    Result r;
    std::string sustituto;
    r.message = check(key, request, sustituto);
    if (!r.message.empty())
        return r;
    CFiscalStore store(m_db);
    const auto stored = store.cfdi(key);
    const EmisorFiscal emisor = store.emisor();
    const CXmlDocument doc(stored->xml);
    PacCancelRequest pacRequest{stored->uuid, request.motivo, sustituto,
                                CXmlDocument::attribute(doc.find("Emisor"), "Rfc"), emisor.certificado,
                                emisor.llavePrivada, request.password};
    const PacCancel answer = m_pac.Cancel(pacRequest);
    r.code = answer.code;
    if (answer.outcome == PacOutcome::Done) {
        r.state = State::Requested;
        store.saveCancelRequest(key, request.motivo, sustituto, answer.acuse,
                                answer.estatusCancelacion.empty() ? "En proceso" : answer.estatusCancelacion);
        r.message = "El SAT recibió la solicitud de cancelación (" + answer.message +
                    ") Queda «Cancelación en proceso»: el SAT la resuelve (si el receptor debe aceptarla, tiene tres "
                    "días hábiles). Consulte su estado para saber cuándo queda cancelada.";
        return r;
    }
    if (answer.outcome == PacOutcome::Unknown) {
        // The request may have reached the SAT: its status, asked later, says what became of it.
        r.state = State::Unknown;
        store.saveCancelRequest(key, request.motivo, sustituto, "", kSinRespuesta);
        r.message = answer.message + " Quedó como «Cancelación en proceso» hasta que el SAT diga su estado.";
        return r;
    }
    r.state = State::Refused;
    r.message = answer.message.rfind("No se canceló", 0) == 0 ? answer.message : "No se canceló: " + answer.message;
    // The PAC's refusal is kept with the CFDI, which stays as it was: stamped and valid.
    if (answer.outcome == PacOutcome::Refused)
        store.saveSatStatus(key, stored->cancelacion, "El PAC rechazó la última solicitud de cancelación (" + r.message + ")",
                            OleDate::now().value);
    return r;
}

CCfdiCanceller::Status CCfdiCanceller::CheckStatus(const CfdiKey& key, OleDate now) {
    Status st;
    CFiscalStore store(m_db);
    const auto stored = store.cfdi(key);
    if (!stored || stored->estado != CFiscalStore::kTimbrado) {
        st.message = what(key) + " no está timbrada: el SAT no la conoce.";
        return st;
    }
    const CXmlDocument doc(stored->xml);
    const PacStatusRequest request{stored->uuid, CXmlDocument::attribute(doc.find("Emisor"), "Rfc"),
                                   CXmlDocument::attribute(doc.find("Receptor"), "Rfc"),
                                   CfdiPrintData::TotalForQr(CXmlDocument::attribute(doc.root(), "Total"))};
    const PacSatStatus s = m_pac.SatStatus(request);
    st.cancelacion = stored->cancelacion;
    st.estatusSat = stored->estatusSat;
    if (s.outcome != PacOutcome::Done) {
        st.message = "No se pudo consultar el estado en el SAT: " + s.message;
        return st;
    }
    st.asked = true;
    st.estado = s.estado;
    if (s.estado == "Cancelado") {
        st.cancelacion = CfdiState::kCancelado;
        st.estatusSat = s.estatusCancelacion.empty() ? std::string("Cancelado") : s.estatusCancelacion;
    } else if (s.estado == "Vigente") {
        std::string lower = s.estatusCancelacion;
        std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        if (lower.find("rechazada") != std::string::npos) {
            st.cancelacion = CfdiState::kSolicitudRechazada;
            st.estatusSat = s.estatusCancelacion;
        } else if (!s.estatusCancelacion.empty()) {
            st.estatusSat = s.estatusCancelacion;
        } else if (stored->cancelacion == CfdiState::kCancelacionEnProceso && stored->estatusSat == kSinRespuesta) {
            // The request whose answer was lost never reached the SAT: nothing is in process.
            st.cancelacion.clear();
            st.estatusSat = "Vigente; el SAT no recibió la solicitud de cancelación";
        } else if (stored->cancelacion == CfdiState::kCancelacionEnProceso) {
            st.estatusSat = "Vigente; el SAT todavía no registra la solicitud";
        } else {
            st.estatusSat = "Vigente";
        }
    }
    {
        Transaction tx(m_db);
        store.saveSatStatus(key, st.cancelacion, st.estatusSat, now.value);
        tx.commit();
    }
    if (st.cancelacion == CfdiState::kCancelado && key.isGlobal() && stored->cancelacion != CfdiState::kCancelado) {
        // The sales it covered may be invoiced again.
        CGlobalInvoice(m_db).Free(key.idGlobal);
        st.documentCancelled = true;
    }
    if (st.cancelacion == CfdiState::kCancelado && !key.isPayment() && !key.isGlobal()) {
        Statement c = m_db.prepare("SELECT Cancelada FROM Documentos WHERE Id_Documento = ?");
        c.bind(1, std::int64_t{key.idDocumento});
        if (c.step() && c.integer(0) == 0) {
            c.reset();
            CDocumentStore(m_db).MarkCancelled(key.idDocumento);
            // Its payments went with it: complements no PAC holds are owed no more.
            m_db.execute("DELETE FROM CfdisPago WHERE Id_Documento = ? AND Estado IN (?, ?)",
                         {std::int64_t{key.idDocumento}, std::string(CfdiState::kPorSellar), std::string(CfdiState::kSellado)});
            st.documentCancelled = true;
        }
    }
    if (s.estado == "No Encontrado")
        st.message = "El SAT no encuentra el folio fiscal " + stored->uuid +
                     " (un CFDI recién timbrado puede tardar en aparecer): consulte más tarde.";
    else if (st.cancelacion == CfdiState::kCancelado)
        st.message = what(key) + " está cancelada ante el SAT (" + st.estatusSat + ")." +
                     (!st.documentCancelled ? ""
                      : key.isGlobal()      ? " Sus ventas quedan libres para facturarse de nuevo."
                                            : " El documento quedó cancelado en el programa.");
    else if (st.cancelacion == CfdiState::kSolicitudRechazada)
        st.message = "El receptor rechazó la cancelación: " + what(key) + " sigue vigente.";
    else
        st.message = "Estado en el SAT: " + s.estado + (st.estatusSat.empty() ? "" : " (" + st.estatusSat + ")") + ".";
    return st;
}

int CCfdiCanceller::CheckInProcess(OleDate now) {
    CFiscalStore store(m_db);
    int asked = 0;
    for (const CfdiKey& key : store.cancellationsInProcess()) {
        const auto stored = store.cfdi(key);
        // At most once a day each.
        if (stored && stored->consultaSat != 0 && OleDate(stored->consultaSat).dateOnly().value >= now.dateOnly().value)
            continue;
        CheckStatus(key, now);
        ++asked;
    }
    return asked;
}
