#include "cfdi/PacClient.h"

#include "cfdi/FinkokClient.h"
#include "cfdi/PacCodes.h"
#include "cfdi/StampedCfdi.h"
#include "cfdi/SwClient.h"
#include "cfdi/XmlDocument.h"

std::string CPacClient::BaseUrl(const PacConfig& c) {
    if (!c.url.empty()) {
        std::string url = c.url;
        while (!url.empty() && url.back() == '/')
            url.pop_back();
        return url;
    }
    const bool produccion = c.ambiente == PacAmbiente::Produccion;
    switch (c.pac) {
    case PacProveedor::Finkok:
        return produccion ? "https://facturacion.finkok.com" : "https://demo-facturacion.finkok.com";
    case PacProveedor::Sw:
        return produccion ? "https://services.sw.com.mx" : "https://services.test.sw.com.mx";
    case PacProveedor::Ninguno:
        break;
    }
    return {};
}

std::string CPacClient::Describe(const PacConfig& c) {
    const std::string name = c.pac == PacProveedor::Finkok ? "Finkok" : c.pac == PacProveedor::Sw ? "SW" : "ningún PAC";
    return name + (c.ambiente == PacAmbiente::Produccion ? " (producción)" : " (pruebas)");
}

std::unique_ptr<CPacClient> CPacClient::Create(const PacConfig& config, Timeouts timeouts) {
    switch (config.pac) {
    case PacProveedor::Finkok:
        return std::make_unique<CFinkokClient>(config, timeouts);
    case PacProveedor::Sw:
        return std::make_unique<CSwClient>(config, timeouts);
    case PacProveedor::Ninguno:
        break;
    }
    return nullptr;
}

PacOutcome CPacClient::NotAnswered(const CHttpTransport::Answer& a, const std::string& what, const std::string& advice,
                                   std::string& message) {
    if (a.outcome == CHttpTransport::Answer::Outcome::NotSent) {
        message = a.error + " La solicitud no llegó al PAC.";
        return PacOutcome::NotSent;
    }
    message = a.error + " No se sabe si el PAC " + what + ": " + advice;
    return PacOutcome::Unknown;
}

void CPacClient::AcceptStamp(PacStamp& s, const std::string& sealedXml, const std::string& stampedXml) {
    std::string error;
    const auto tfd = CStampedCfdi::Read(stampedXml, CStampedCfdi::SelloOf(sealedXml), error);
    if (!tfd) {
        s.outcome = PacOutcome::Unknown;
        s.earlier = false;
        s.message = error + " No se sabe si quedó timbrado: intente de nuevo con el mismo comprobante.";
        return;
    }
    s.outcome = PacOutcome::Done;
    s.xml = stampedXml;
    s.uuid = tfd->uuid;
    s.fechaTimbrado = tfd->fechaTimbrado;
    s.noCertificadoSat = tfd->noCertificadoSat;
    s.selloSat = tfd->selloSat;
    s.message = s.earlier ? PacCodes::Text("307") : "Timbrado con el folio fiscal " + tfd->uuid + ".";
}

void CPacClient::Explain(PacStamp& s) {
    if (s.code == "307") {
        // Stamped, but the earlier stamp is not in this answer yet.
        s.outcome = PacOutcome::Unknown;
        s.message = "307 — el PAC ya había timbrado este comprobante y todavía no entrega el timbre: intente de nuevo "
                    "en unos segundos con el mismo comprobante.";
        return;
    }
    if (s.code == "708") {
        s.outcome = PacOutcome::Unknown;
        s.message = PacCodes::Text("708");
        return;
    }
    // Without a code nothing says the PAC turned it down.
    if (s.code.empty()) {
        s.outcome = PacOutcome::Unknown;
        s.message = (s.pacMessage.empty() ? std::string("El PAC contestó algo que no se entiende.")
                                          : "El PAC contestó: «" + s.pacMessage + "».") +
                    " No se sabe si quedó timbrado: intente de nuevo con el mismo comprobante.";
        return;
    }
    // An account turned away was never looked at: a CFDI pending from an earlier try stays pending.
    s.outcome = s.code == "300" ? PacOutcome::NotSent : PacOutcome::Refused;
    s.message = "El PAC no timbró el comprobante: " + PacCodes::Text(s.code, s.pacMessage) + ".";
}

bool CPacClient::ReadSatFields(const CXmlDocument& doc, const _xmlNode* from, PacSatStatus& s) {
    s.codigoEstatus = doc.textOf("CodigoEstatus", from);
    s.estado = doc.textOf("Estado", from);
    s.esCancelable = doc.textOf("EsCancelable", from);
    s.estatusCancelacion = doc.textOf("EstatusCancelacion", from);
    if (s.estado.empty())
        return false;
    s.outcome = PacOutcome::Done;
    s.message = "El SAT dice: " + s.estado + (s.estatusCancelacion.empty() ? "" : " (" + s.estatusCancelacion + ")") +
                (s.esCancelable.empty() ? "" : "; " + s.esCancelable) + ".";
    return true;
}

bool CPacClient::SameUuid(const std::string& a, const std::string& b) {
    if (a.size() != b.size() || a.empty())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

void CPacClient::Scrub(PacStamp& s, const std::string& password) {
    // Not the stamped CFDI: a document, kept as the PAC gave it and checked against what was sent.
    for (std::string* t : {&s.uuid, &s.fechaTimbrado, &s.noCertificadoSat, &s.selloSat, &s.code, &s.pacMessage, &s.message})
        Scrub(*t, password);
}

void CPacClient::Scrub(PacCancel& c, const std::string& password) {
    // Not the acuse: the SAT's signed receipt, kept as it came.
    for (std::string* t : {&c.code, &c.estatusCancelacion, &c.pacMessage, &c.message})
        Scrub(*t, password);
}

void CPacClient::Scrub(PacSatStatus& s, const std::string& password) {
    for (std::string* t : {&s.codigoEstatus, &s.estado, &s.esCancelable, &s.estatusCancelacion, &s.message})
        Scrub(*t, password);
}

void CPacClient::Scrub(std::string& text, const std::string& password) {
    if (password.empty())
        return;
    for (std::size_t at = text.find(password); at != std::string::npos; at = text.find(password, at + 4))
        text.replace(at, password.size(), "****");
}
