#pragma once

#include "cfdi/PacClient.h"

// Finkok's SOAP 1.1 services: stamp.wsdl stamps, cancel.wsdl cancels and asks the SAT's status.
// The answers' parsers are public so that tests feed them damaged answers.
class CFinkokClient final : public CPacClient {
public:
    CFinkokClient(PacConfig config, Timeouts timeouts);

    PacStamp Stamp(const std::string& sealedXml) override;
    PacCancel Cancel(const PacCancelRequest& request) override;
    PacSatStatus SatStatus(const PacStatusRequest& request) override;
    PacCheck TestConnection() override;

    static PacStamp ParseStamp(const std::string& sealedXml, const CHttpTransport::Answer& answer);
    static PacCancel ParseCancel(const std::string& uuid, const CHttpTransport::Answer& answer);
    static PacSatStatus ParseSatStatus(const CHttpTransport::Answer& answer);

    static constexpr const char* kStampPath = "/servicios/soap/stamp.wsdl";
    static constexpr const char* kCancelPath = "/servicios/soap/cancel.wsdl";
    // How many more times a 307 without the stamp is asked again.
    static constexpr int kEarlierStampAsks = 3;

private:
    CHttpTransport::Answer call(const char* path, const char* action, const std::string& body) const;
    std::string credentials(const char* prefix) const;

    PacConfig m_config;
    Timeouts m_timeouts;
    CHttpTransport m_http;
};
