#pragma once

#include "cfdi/FiscalData.h"
#include "cfdi/HttpTransport.h"

#include <memory>
#include <string>

class CXmlDocument;
struct _xmlNode;

// What became of a request to the PAC. Refused and NotSent mean the PAC does not hold what was
// sent (it may be sealed again with a new date); Unknown means it may: time-outs, a connection cut
// after the request left, an answer that cannot be read, a 708 or a 307 without the earlier stamp.
enum class PacOutcome { Done, Refused, NotSent, Unknown };

struct PacStamp final {
    PacOutcome outcome = PacOutcome::Unknown;
    bool earlier = false;      // 307: the PAC had stamped it before and `xml` is that stamp
    std::string xml;           // the stamped CFDI, bytes as the PAC gave them
    std::string uuid;
    std::string fechaTimbrado;
    std::string noCertificadoSat;
    std::string selloSat;
    std::string code;          // the PAC's code ("302"), when it gave one
    std::string pacMessage;    // the PAC's own words
    std::string message;       // for the operator, Spanish
};

struct PacCancelRequest final {
    std::string uuid;
    std::string motivo;            // "01" … "04"
    std::string folioSustitucion;  // the replacement's UUID, with motivo 01
    std::string rfcEmisor;
    Blob certificado;              // the CSD, as stored (DER)
    Blob llavePrivada;             // encrypted PKCS#8, DER
    std::string claveLlave;        // its password
};

struct PacCancel final {
    PacOutcome outcome = PacOutcome::Unknown;
    std::string code;               // EstatusUUID (201, 202, 205…) or the request's code
    std::string estatusCancelacion;
    std::string acuse;              // the SAT's receipt (XML)
    std::string pacMessage;
    std::string message;
};

struct PacStatusRequest final {
    std::string uuid;
    std::string rfcEmisor;
    std::string rfcReceptor;
    std::string total;  // as printed in the QR: "1191.95"
};

struct PacSatStatus final {
    PacOutcome outcome = PacOutcome::Unknown;
    std::string codigoEstatus;
    std::string estado;             // Vigente, Cancelado, No Encontrado
    std::string esCancelable;
    std::string estatusCancelacion;
    std::string message;
};

struct PacCheck final {
    bool ok = false;
    std::string message; // Spanish: what happened
};

// A PAC: stamps sealed CFDIs, cancels them and asks the SAT their status. The account's password
// goes to the PAC and nowhere else: no result text ever holds it.
class CPacClient {
public:
    using Timeouts = CHttpTransport::Timeouts;

    virtual ~CPacClient() = default;

    virtual PacStamp Stamp(const std::string& sealedXml) = 0;
    virtual PacCancel Cancel(const PacCancelRequest& request) = 0;
    virtual PacSatStatus SatStatus(const PacStatusRequest& request) = 0;
    // Whether the PAC answers and takes the account; asks nothing that changes anything.
    virtual PacCheck TestConnection() = 0;

    // The client of the configured PAC; nothing when none is configured.
    static std::unique_ptr<CPacClient> Create(const PacConfig& config, Timeouts timeouts = {});
    // "https://demo-facturacion.finkok.com", or the configured URL without its trailing "/".
    static std::string BaseUrl(const PacConfig& config);
    // The PAC's name and environment for messages: "Finkok (pruebas)".
    static std::string Describe(const PacConfig& config);

protected:
    // The outcome of a request that got no answer; `message` says what may have happened (`what`:
    // "timbró el comprobante") and what to do then (`advice`).
    static PacOutcome NotAnswered(const CHttpTransport::Answer& a, const std::string& what, const std::string& advice,
                                  std::string& message);
    static constexpr const char* kStampAgain =
        "envíe de nuevo el mismo comprobante, sin sellarlo otra vez; si ya estaba timbrado, el PAC devuelve el mismo timbre.";
    static constexpr const char* kAskStatus = "consulte el estado del comprobante en el SAT antes de volver a cancelarlo.";
    // Takes `stampedXml` as the stamp of `sealedXml` when its TFD seals exactly that CFDI; an
    // answer that does not is Unknown: the PAC may hold a stamp we have not seen.
    static void AcceptStamp(PacStamp& s, const std::string& sealedXml, const std::string& stampedXml);
    // Finishes a refusal or an unknown result from the PAC's code and words.
    static void Explain(PacStamp& s);
    // The SAT's answer fields (Finkok's `sat`, the SAT's ConsultaResult) found below `from`.
    static bool ReadSatFields(const CXmlDocument& doc, const _xmlNode* from, PacSatStatus& s);
    // Whether two folios fiscales are the same, whatever the case of their letters.
    static bool SameUuid(const std::string& a, const std::string& b);
    static constexpr const char* kOtherFolio =
        "El PAC contestó sobre otro folio fiscal. No se sabe si registró la cancelación: consulte el estado en el SAT.";
    // Replaces every occurrence of the password in a text, or in every text of a result but the
    // documents it carries (the stamped CFDI, the acuse).
    static void Scrub(std::string& text, const std::string& password);
    static void Scrub(PacStamp& result, const std::string& password);
    static void Scrub(PacCancel& result, const std::string& password);
    static void Scrub(PacSatStatus& result, const std::string& password);
};
