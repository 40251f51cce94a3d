#pragma once

#include "cfdi/PacClient.h"

// SW's REST services: a token from the account, then stamping (multipart, version 4 answers) and
// cancelling with the CSD, in JSON. The SAT's status is asked to the SAT's own public service,
// as SW's clients do. The answers' parsers are public so that tests feed them damaged answers.
class CSwClient final : public CPacClient {
public:
    CSwClient(PacConfig config, Timeouts timeouts);

    PacStamp Stamp(const std::string& sealedXml) override;
    PacCancel Cancel(const PacCancelRequest& request) override;
    PacSatStatus SatStatus(const PacStatusRequest& request) override;
    PacCheck TestConnection() override;

    // The token of an authentication answer; empty, with `message` in Spanish, when refused.
    static std::string ParseToken(const CHttpTransport::Answer& answer, PacOutcome& outcome, std::string& message);
    static PacStamp ParseStamp(const std::string& sealedXml, const CHttpTransport::Answer& answer);
    static PacCancel ParseCancel(const std::string& uuid, const CHttpTransport::Answer& answer);
    static PacSatStatus ParseSatStatus(const CHttpTransport::Answer& answer);

    static constexpr const char* kAuthenticatePath = "/v2/security/authenticate";
    static constexpr const char* kStampPath = "/cfdi33/stamp/v4";
    static constexpr const char* kCancelPath = "/cfdi33/cancel/csd";
    static constexpr const char* kSatStatusPath = "/ConsultaCFDIService.svc";

private:
    // Gets a token when there is none; false with the outcome and message when it cannot.
    bool authenticate(PacOutcome& outcome, std::string& message);
    std::string satStatusUrl() const;

    PacConfig m_config;
    CHttpTransport m_http;
    std::string m_token;
};
