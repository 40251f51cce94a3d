#include "cfdi/FinkokClient.h"

#include "cfdi/Csd.h"
#include "cfdi/PacCodes.h"
#include "cfdi/XmlDocument.h"

#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/pkcs12.h>
#include <openssl/x509.h>

#include <chrono>
#include <memory>
#include <thread>

namespace {

const char* const kSoapEnvelope = "http://schemas.xmlsoap.org/soap/envelope/";
const char* const kStampNs = "http://facturacion.finkok.com/stamp";
const char* const kCancelNs = "http://facturacion.finkok.com/cancel";
const char* const kViewsNs = "apps.services.soap.core.views";

std::string envelope(const char* prefix, const char* ns, const std::string& operation) {
    return std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?><soapenv:Envelope xmlns:soapenv=\"") + kSoapEnvelope +
           "\" xmlns:" + prefix + "=\"" + ns + "\" xmlns:apps=\"" + kViewsNs + "\"><soapenv:Header/><soapenv:Body>" +
           operation + "</soapenv:Body></soapenv:Envelope>";
}

std::string element(const char* prefix, const char* name, const std::string& value) {
    return std::string("<") + prefix + ":" + name + ">" + EscapeXmlText(value) + "</" + prefix + ":" + name + ">";
}

std::string base64(const std::string& bytes) {
    return Base64Encode(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
}

std::string bioText(BIO* bio) {
    char* data = nullptr;
    const long n = BIO_get_mem_data(bio, &data);
    return n > 0 ? std::string(data, static_cast<std::size_t>(n)) : std::string();
}

// The CSD as Finkok asks for it: the certificate in PEM, and the private key in PEM encrypted
// (3DES) with the Finkok account's password rather than the SAT's.
bool pemPair(const PacCancelRequest& r, const std::string& accountPassword, std::string& cerPem, std::string& keyPem,
             std::string& error) {
    const unsigned char* p = r.certificado.data();
    std::unique_ptr<X509, void (*)(X509*)> cert(d2i_X509(nullptr, &p, static_cast<long>(r.certificado.size())),
                                                X509_free);
    if (!cert) {
        error = "Falta el certificado de sello digital (archivo .cer) en Datos fiscales.";
        return false;
    }
    const unsigned char* k = r.llavePrivada.data();
    std::unique_ptr<X509_SIG, void (*)(X509_SIG*)> sig(
        d2i_X509_SIG(nullptr, &k, static_cast<long>(r.llavePrivada.size())), X509_SIG_free);
    PKCS8_PRIV_KEY_INFO* info =
        sig ? PKCS8_decrypt(sig.get(), r.claveLlave.data(), static_cast<int>(r.claveLlave.size())) : nullptr;
    std::unique_ptr<EVP_PKEY, void (*)(EVP_PKEY*)> key(info ? EVP_PKCS82PKEY(info) : nullptr, EVP_PKEY_free);
    PKCS8_PRIV_KEY_INFO_free(info);
    if (!key) {
        error = "La contraseña de la llave privada no es correcta";
        return false;
    }
    std::unique_ptr<BIO, int (*)(BIO*)> cerBio(BIO_new(BIO_s_mem()), BIO_free);
    std::unique_ptr<BIO, int (*)(BIO*)> keyBio(BIO_new(BIO_s_mem()), BIO_free);
    std::string pass = accountPassword;
    if (!cerBio || !keyBio || PEM_write_bio_X509(cerBio.get(), cert.get()) != 1 ||
        PEM_write_bio_PrivateKey_traditional(keyBio.get(), key.get(), EVP_des_ede3_cbc(),
                                             reinterpret_cast<unsigned char*>(pass.data()),
                                             static_cast<int>(pass.size()), nullptr, nullptr) != 1) {
        error = "No se pudo preparar el certificado para la cancelación.";
        return false;
    }
    cerPem = bioText(cerBio.get());
    keyPem = bioText(keyBio.get());
    return true;
}

// A SOAP fault: the service refused the request as a whole.
std::string faultOf(const CXmlDocument& doc) {
    const auto* fault = doc.find("Fault");
    return fault ? doc.textOf("faultstring", fault) : std::string();
}

bool credentialsRefused(const std::string& text) {
    std::string t;
    for (char c : text)
        t += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    for (const char* word : {"usuario", "user", "password", "contraseña"})
        if (t.find(word) != std::string::npos)
            return true;
    return false;
}

} // namespace

CFinkokClient::CFinkokClient(PacConfig config, Timeouts timeouts)
    : m_config(std::move(config)), m_timeouts(timeouts), m_http(timeouts) {}

CHttpTransport::Answer CFinkokClient::call(const char* path, const char* action, const std::string& body) const {
    return m_http.Post(BaseUrl(m_config) + path,
                       {"Content-Type: text/xml; charset=utf-8", std::string("SOAPAction: \"") + action + "\""}, body);
}

std::string CFinkokClient::credentials(const char* prefix) const {
    return element(prefix, "username", m_config.usuario) + element(prefix, "password", m_config.clave);
}

PacStamp CFinkokClient::Stamp(const std::string& sealedXml) {
    const std::string body =
        envelope("stam", kStampNs, "<stam:stamp>" + element("stam", "xml", base64(sealedXml)) + credentials("stam") +
                                       "</stam:stamp>");
    PacStamp s = ParseStamp(sealedXml, call(kStampPath, "stamp", body));
    // Right after stamping, Finkok may say 307 without the stamp for a few seconds: ask again.
    for (int again = 0; again < kEarlierStampAsks && s.outcome == PacOutcome::Unknown && s.code == "307" && s.xml.empty();
         ++again) {
        std::this_thread::sleep_for(std::chrono::milliseconds(m_timeouts.earlierStampWaitMs));
        s = ParseStamp(sealedXml, call(kStampPath, "stamp", body));
    }
    Scrub(s, m_config.clave);
    return s;
}

PacStamp CFinkokClient::ParseStamp(const std::string& sealedXml, const CHttpTransport::Answer& a) {
    PacStamp s;
    if (a.outcome != CHttpTransport::Answer::Outcome::Answered) {
        s.outcome = NotAnswered(a, "timbró el comprobante", kStampAgain, s.message);
        return s;
    }
    CXmlDocument doc(a.body);
    const auto* result = doc.find("stampResult");
    if (!result) {
        // A fault, or a page that is not the service's answer, says nothing about the stamp.
        s.pacMessage = faultOf(doc);
        Explain(s);
        return s;
    }
    if (const auto* incidencia = doc.find("Incidencia", result)) {
        // Only what has the shape of a code is one: a damaged field is no refusal.
        s.code = PacCodes::CodeOf(doc.textOf("CodigoError", incidencia));
        s.pacMessage = doc.textOf("MensajeIncidencia", incidencia);
        const std::string extra = doc.textOf("ExtraInfo", incidencia);
        if (!extra.empty())
            s.pacMessage += (s.pacMessage.empty() ? "" : " ") + extra;
    }
    if (s.pacMessage.empty())
        s.pacMessage = doc.textOf("CodEstatus", result);
    // An answer that carries a stamp, or names its folio fiscal, is never a refusal, whatever its
    // code says: the PAC holds a stamp, taken when it seals what was sent and unknown otherwise.
    const std::string stamped = doc.textOf("xml", result);
    if (!stamped.empty()) {
        s.earlier = s.code == "307";
        AcceptStamp(s, sealedXml, stamped);
        return s;
    }
    if (s.code.empty() && !s.pacMessage.empty())
        s.code = PacCodes::CodeOf(s.pacMessage);
    Explain(s);
    if (s.outcome == PacOutcome::Refused && !doc.textOf("UUID", result).empty()) {
        s.outcome = PacOutcome::Unknown;
        s.message = "El PAC contestó con un folio fiscal y sin su timbre (" + PacCodes::Text(s.code, s.pacMessage) +
                    "). No se sabe si quedó timbrado: intente de nuevo con el mismo comprobante.";
    }
    return s;
}

PacCancel CFinkokClient::Cancel(const PacCancelRequest& r) {
    PacCancel c;
    std::string cer, key;
    // A CSD that does not open would only come back refused; nothing leaves.
    if (!CCsd::Open(r.certificado, r.llavePrivada, r.claveLlave, c.message) ||
        !pemPair(r, m_config.clave, cer, key, c.message)) {
        c.outcome = PacOutcome::NotSent;
        return c;
    }
    const std::string uuid = "<apps:UUID UUID=\"" + EscapeXmlText(r.uuid) + "\" Motivo=\"" + EscapeXmlText(r.motivo) +
                             "\" FolioSustitucion=\"" + EscapeXmlText(r.folioSustitucion) + "\"/>";
    const std::string body = envelope(
        "can", kCancelNs,
        "<can:cancel><can:UUIDS>" + uuid + "</can:UUIDS>" + credentials("can") +
            element("can", "taxpayer_id", r.rfcEmisor) + element("can", "cer", base64(cer)) +
            element("can", "key", base64(key)) + element("can", "store_pending", "false") + "</can:cancel>");
    c = ParseCancel(r.uuid, call(kCancelPath, "cancel", body));
    Scrub(c, m_config.clave);
    return c;
}

PacCancel CFinkokClient::ParseCancel(const std::string& uuid, const CHttpTransport::Answer& a) {
    PacCancel c;
    if (a.outcome != CHttpTransport::Answer::Outcome::Answered) {
        c.outcome = NotAnswered(a, "registró la cancelación", kAskStatus, c.message);
        return c;
    }
    CXmlDocument doc(a.body);
    const auto* result = doc.find("cancelResult");
    // The folio of our UUID: an answer about others says nothing of ours.
    const auto folios = result ? doc.findAll("Folio", result) : std::vector<const _xmlNode*>{};
    const _xmlNode* folio = nullptr;
    for (const auto* f : folios)
        if (SameUuid(doc.textOf("UUID", f), uuid))
            folio = f;
    if (!folio && !folios.empty()) {
        c.outcome = PacOutcome::Unknown;
        c.message = kOtherFolio;
        return c;
    }
    if (folio) {
        c.code = doc.textOf("EstatusUUID", folio);
        c.estatusCancelacion = doc.textOf("EstatusCancelacion", folio);
        c.acuse = doc.textOf("Acuse", result);
    } else if (result) {
        c.pacMessage = doc.textOf("CodEstatus", result);
        c.code = PacCodes::CodeOf(c.pacMessage);
        if (c.code.empty() && credentialsRefused(c.pacMessage))
            c.code = "300";
    } else {
        c.pacMessage = faultOf(doc);
    }
    if (c.code == "201" || c.code == "202") {
        c.outcome = PacOutcome::Done;
        c.message = PacCodes::Text(c.code) + (c.estatusCancelacion.empty() ? "" : " (" + c.estatusCancelacion + ")") + ".";
    } else if (!c.code.empty() || !c.pacMessage.empty()) {
        c.outcome = result ? PacOutcome::Refused : PacOutcome::Unknown;
        c.message = "No se canceló: " + PacCodes::Text(c.code, c.pacMessage) + ".";
    } else {
        c.outcome = PacOutcome::Unknown;
        c.message = "El PAC contestó algo que no se entiende. No se sabe si registró la cancelación: consulte el "
                    "estado en el SAT.";
    }
    return c;
}

PacSatStatus CFinkokClient::SatStatus(const PacStatusRequest& r) {
    const std::string body =
        envelope("can", kCancelNs,
                 "<can:get_sat_status>" + credentials("can") + element("can", "taxpayer_id", r.rfcEmisor) +
                     element("can", "rtaxpayer_id", r.rfcReceptor) + element("can", "uuid", r.uuid) +
                     element("can", "total", r.total) + "</can:get_sat_status>");
    PacSatStatus s = ParseSatStatus(call(kCancelPath, "get_sat_status", body));
    Scrub(s, m_config.clave);
    return s;
}

PacSatStatus CFinkokClient::ParseSatStatus(const CHttpTransport::Answer& a) {
    PacSatStatus s;
    if (a.outcome != CHttpTransport::Answer::Outcome::Answered) {
        s.outcome = NotAnswered(a, "consultó el SAT", "intente de nuevo más tarde.", s.message);
        if (s.outcome == PacOutcome::Unknown)
            s.message = a.error + " Intente de nuevo más tarde.";
        return s;
    }
    CXmlDocument doc(a.body);
    const auto* result = doc.find("get_sat_statusResult");
    const auto* sat = result ? doc.find("sat", result) : nullptr;
    if (sat && ReadSatFields(doc, sat, s))
        return s;
    const std::string error = result ? doc.textOf("error", result) : faultOf(doc);
    if (!error.empty()) {
        s.outcome = result ? PacOutcome::Refused : PacOutcome::Unknown;
        s.codigoEstatus = credentialsRefused(error) ? "300" : PacCodes::CodeOf(error);
        s.message = "El PAC no consultó el SAT: " + PacCodes::Text(s.codigoEstatus, error) + ".";
        return s;
    }
    s.outcome = PacOutcome::Unknown;
    s.message = "El PAC contestó algo que no se entiende al consultar el SAT: intente de nuevo más tarde.";
    return s;
}

PacCheck CFinkokClient::TestConnection() {
    // A made-up folio: the SAT answers "No Encontrado", which proves the account and the way there.
    const PacSatStatus s = SatStatus({"00000000-0000-4000-8000-000000000000", "XAXX010101000", "XAXX010101000", "1.0"});
    PacCheck c;
    c.ok = s.outcome == PacOutcome::Done;
    c.message = c.ok ? "Conexión correcta con " + Describe(m_config) + ": el PAC aceptó la cuenta y consultó el SAT (" +
                           s.estado + ")."
                     : "No se pudo usar " + Describe(m_config) + ". " + s.message;
    return c;
}
