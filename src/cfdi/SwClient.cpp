#include "cfdi/SwClient.h"

#include "cfdi/Csd.h"
#include "cfdi/PacCodes.h"
#include "cfdi/XmlDocument.h"

#include <nlohmann/json.hpp>

using json = nlohmann::json;

namespace {

// A member's text; numbers as written, anything else empty.
std::string text(const json& object, const char* key) {
    if (!object.is_object())
        return {};
    const auto it = object.find(key);
    if (it == object.end())
        return {};
    if (it->is_string())
        return it->get<std::string>();
    if (it->is_number())
        return it->dump();
    return {};
}

json parse(const std::string& body) { return json::parse(body, nullptr, false); }

bool success(const json& j) { return text(j, "status") == "success" && j.contains("data") && j["data"].is_object(); }

std::string base64(const Blob& bytes) { return Base64Encode(bytes.data(), bytes.size()); }

} // namespace

CSwClient::CSwClient(PacConfig config, Timeouts timeouts) : m_config(std::move(config)), m_http(timeouts) {}

std::string CSwClient::ParseToken(const CHttpTransport::Answer& a, PacOutcome& outcome, std::string& message) {
    if (a.outcome != CHttpTransport::Answer::Outcome::Answered) {
        // Authenticating changes nothing: an answer lost here is as good as never sent.
        outcome = PacOutcome::NotSent;
        message = a.error + " La solicitud no llegó al PAC.";
        return {};
    }
    const json j = parse(a.body);
    const std::string token = success(j) ? text(j["data"], "token") : std::string();
    if (a.status == 200 && !token.empty()) {
        outcome = PacOutcome::Done;
        return token;
    }
    // No access: whatever was to follow never left, so it says nothing of an earlier stamp.
    outcome = PacOutcome::NotSent;
    const std::string said = text(j, "message");
    if (a.status == 400 || a.status == 401 || a.status == 403)
        message = "El PAC no aceptó la cuenta: " + PacCodes::Text("300") + ".";
    else
        message = "El PAC no dio acceso (HTTP " + std::to_string(a.status) + ")" +
                  (said.empty() ? std::string(".") : ": «" + said + "».");
    return {};
}

bool CSwClient::authenticate(PacOutcome& outcome, std::string& message) {
    if (!m_token.empty())
        return true;
    const json request = {{"user", m_config.usuario}, {"password", m_config.clave}};
    m_token = ParseToken(m_http.Post(BaseUrl(m_config) + kAuthenticatePath, {"Content-Type: application/json"},
                                     request.dump()),
                         outcome, message);
    Scrub(message, m_config.clave);
    return !m_token.empty();
}

PacStamp CSwClient::Stamp(const std::string& sealedXml) {
    PacStamp s;
    if (!authenticate(s.outcome, s.message))
        return s;
    for (int attempt = 0; attempt < 2; ++attempt) {
        const CHttpTransport::Answer a = m_http.PostForm(BaseUrl(m_config) + kStampPath,
                                                         {"Authorization: Bearer " + m_token},
                                                         {"xml", "cfdi.xml", "text/xml", sealedXml});
        // An expired token: the PAC turned the request away unread, so it is sent once more.
        if (attempt == 0 && a.outcome == CHttpTransport::Answer::Outcome::Answered && a.status == 401) {
            m_token.clear();
            if (!authenticate(s.outcome, s.message))
                return s;
            continue;
        }
        s = ParseStamp(sealedXml, a);
        break;
    }
    Scrub(s, m_config.clave);
    return s;
}

PacStamp CSwClient::ParseStamp(const std::string& sealedXml, const CHttpTransport::Answer& a) {
    PacStamp s;
    if (a.outcome != CHttpTransport::Answer::Outcome::Answered) {
        s.outcome = NotAnswered(a, "timbró el comprobante", kStampAgain, s.message);
        return s;
    }
    const json j = parse(a.body);
    if (a.status == 200 && success(j)) {
        const std::string cfdi = text(j["data"], "cfdi");
        AcceptStamp(s, sealedXml, cfdi);
        const std::string uuid = text(j["data"], "uuid");
        if (s.outcome == PacOutcome::Done && !uuid.empty() && uuid != s.uuid) {
            s = PacStamp{};
            s.message = "El PAC dio un folio fiscal que no es el de su timbre. No se sabe si quedó timbrado: intente de "
                        "nuevo con el mismo comprobante.";
        }
        return s;
    }
    s.pacMessage = text(j, "message");
    s.code = PacCodes::CodeOf(s.pacMessage);
    if (a.status == 401 && s.code.empty())
        s.code = "300";
    // The earlier stamp of a 307. An answer that carries a stamp is never a refusal, whatever its
    // code says: the PAC holds one, taken when it seals what was sent and unknown otherwise.
    const std::string earlier = text(j, "messageDetail");
    if (earlier.find("TimbreFiscalDigital") != std::string::npos) {
        s.earlier = s.code == "307";
        AcceptStamp(s, sealedXml, earlier);
        return s;
    }
    // A server's own error page is no refusal of the CFDI.
    if (a.status >= 500 && s.code.empty())
        s.pacMessage.clear();
    Explain(s);
    return s;
}

PacCancel CSwClient::Cancel(const PacCancelRequest& r) {
    PacCancel c;
    // A CSD that does not open would only come back refused; nothing leaves.
    if (!CCsd::Open(r.certificado, r.llavePrivada, r.claveLlave, c.message)) {
        c.outcome = PacOutcome::NotSent;
        return c;
    }
    if (!authenticate(c.outcome, c.message))
        return c;
    const json request = {{"rfc", r.rfcEmisor},
                          {"uuid", r.uuid},
                          {"motivo", r.motivo},
                          {"foliosustitucion", r.folioSustitucion},
                          {"b64Cer", base64(r.certificado)},
                          {"b64Key", base64(r.llavePrivada)},
                          {"password", r.claveLlave}};
    c = ParseCancel(r.uuid, m_http.Post(BaseUrl(m_config) + kCancelPath,
                                        {"Content-Type: application/json", "Authorization: Bearer " + m_token},
                                        request.dump(-1, ' ', false, json::error_handler_t::replace)));
    Scrub(c, m_config.clave);
    Scrub(c, r.claveLlave);
    return c;
}

PacCancel CSwClient::ParseCancel(const std::string& uuid, const CHttpTransport::Answer& a) {
    PacCancel c;
    if (a.outcome != CHttpTransport::Answer::Outcome::Answered) {
        c.outcome = NotAnswered(a, "registró la cancelación", kAskStatus, c.message);
        return c;
    }
    const json j = parse(a.body);
    if (a.status == 200 && success(j)) {
        const json& data = j["data"];
        c.acuse = text(data, "acuse");
        // The status of our UUID: an answer about others says nothing of ours.
        const auto folios = data.find("uuid");
        if (folios != data.end() && folios->is_object()) {
            for (const auto& [key, value] : folios->items())
                if (value.is_string() && SameUuid(key, uuid))
                    c.code = value.get<std::string>();
            if (c.code.empty() && !folios->empty()) {
                c.outcome = PacOutcome::Unknown;
                c.message = kOtherFolio;
                return c;
            }
        }
    } else {
        c.pacMessage = text(j, "message");
        c.code = PacCodes::CodeOf(c.pacMessage);
        if (a.status == 401 && c.code.empty())
            c.code = "300";
    }
    if (c.code == "201" || c.code == "202") {
        c.outcome = PacOutcome::Done;
        c.message = PacCodes::Text(c.code) + ".";
    } else if (!c.code.empty() && a.status < 500) {
        c.outcome = PacOutcome::Refused;
        c.message = "No se canceló: " + PacCodes::Text(c.code, c.pacMessage) + ".";
    } else {
        c.outcome = PacOutcome::Unknown;
        c.message = "El PAC contestó algo que no se entiende" +
                    (c.pacMessage.empty() ? std::string() : ": «" + c.pacMessage + "»") +
                    ". No se sabe si registró la cancelación: consulte el estado en el SAT.";
    }
    return c;
}

std::string CSwClient::satStatusUrl() const {
    if (!m_config.url.empty())
        return BaseUrl(m_config) + kSatStatusPath;
    return std::string("https://consultaqr.facturaelectronica.sat.gob.mx") + kSatStatusPath;
}

PacSatStatus CSwClient::SatStatus(const PacStatusRequest& r) {
    const std::string expression =
        "?re=" + r.rfcEmisor + "&rr=" + r.rfcReceptor + "&tt=" + r.total + "&id=" + r.uuid;
    const std::string body =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?><soapenv:Envelope "
        "xmlns:soapenv=\"http://schemas.xmlsoap.org/soap/envelope/\" xmlns:tem=\"http://tempuri.org/\">"
        "<soapenv:Header/><soapenv:Body><tem:Consulta><tem:expresionImpresa>" +
        EscapeXmlText(expression) + "</tem:expresionImpresa></tem:Consulta></soapenv:Body></soapenv:Envelope>";
    PacSatStatus s = ParseSatStatus(m_http.Post(satStatusUrl(),
                                                {"Content-Type: text/xml; charset=utf-8",
                                                 "SOAPAction: \"http://tempuri.org/IConsultaCFDIService/Consulta\""},
                                                body));
    // With a configured URL the service is the PAC's own host, which knows the password.
    Scrub(s, m_config.clave);
    return s;
}

PacSatStatus CSwClient::ParseSatStatus(const CHttpTransport::Answer& a) {
    PacSatStatus s;
    if (a.outcome != CHttpTransport::Answer::Outcome::Answered) {
        s.outcome = NotAnswered(a, "consultó el SAT", "intente de nuevo más tarde.", s.message);
        if (s.outcome == PacOutcome::Unknown)
            s.message = a.error + " Intente de nuevo más tarde.";
        return s;
    }
    CXmlDocument doc(a.body);
    const auto* result = doc.find("ConsultaResult");
    if (result && ReadSatFields(doc, result, s))
        return s;
    s.outcome = PacOutcome::Unknown;
    s.message = "El servicio del SAT contestó algo que no se entiende: intente de nuevo más tarde.";
    return s;
}

PacCheck CSwClient::TestConnection() {
    PacCheck c;
    PacOutcome outcome = PacOutcome::Unknown;
    std::string message;
    m_token.clear();
    c.ok = authenticate(outcome, message);
    c.message = c.ok ? "Conexión correcta con " + Describe(m_config) + ": el PAC aceptó el usuario y la contraseña."
                     : "No se pudo usar " + Describe(m_config) + ". " + message;
    return c;
}
