#pragma once

#include "db/OleDate.h"

#include <optional>
#include <string>

// The TimbreFiscalDigital 1.1 a PAC added to a CFDI, read and checked against the CFDI that was
// sent: its SelloCFD must be that CFDI's Sello. The SAT's seal cannot be checked offline.
class CStampedCfdi final {
public:
    struct Tfd {
        std::string uuid;
        std::string fechaTimbrado;
        std::string rfcProvCertif;
        std::string leyenda;
        std::string selloCfd;
        std::string noCertificadoSat;
        std::string selloSat;
    };

    // The TFD of `stampedXml`; nothing, with `error` in Spanish, when it has none, when it is
    // malformed, or when it seals another CFDI than the one whose Sello is `sello`.
    static std::optional<Tfd> Read(const std::string& stampedXml, const std::string& sello, std::string& error);
    // The Sello attribute of a sealed CFDI; empty when it has none.
    static std::string SelloOf(const std::string& cfdiXml);
    // ||1.1|UUID|FechaTimbrado|RfcProvCertif|[Leyenda|]SelloCFD|NoCertificadoSAT||
    static std::string Cadena(const Tfd& tfd);

    // A CFDI's date ("2026-12-08T10:15:00", Fecha or FechaTimbrado); nothing when it is no such date.
    static std::optional<OleDate> DateOf(const std::string& text);

    static bool IsUuid(const std::string& text);
    static bool IsFechaTimbrado(const std::string& text);
};
