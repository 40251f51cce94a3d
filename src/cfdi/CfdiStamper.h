#pragma once

#include "cfdi/FiscalData.h"

#include <cstdint>
#include <filesystem>
#include <string>

class CPacClient;
class Database;

// Stamps the CFDI stored with a document through a PAC, never producing two CFDIs for one sale:
// what goes to the PAC is always the sealed bytes stored with the document, so a PAC that stamped
// them before (an answer lost on the way back) answers with that same stamp. The stamp is checked
// (one TFD sealing exactly our CFDI, the rest of the document as we sent it) before the stored
// CFDI becomes "Timbrado", with its folio fiscal, in place of the sealed one.
class CCfdiStamper final {
public:
    enum class State {
        Stamped,   // stamped now or before; `uuid` is its folio fiscal
        Pending,   // the PAC may hold it: send it again as it is (the pending list does)
        Refused,   // the PAC said no, or nothing reached it: nothing holds it; `message` says why
        NotSealed, // nothing to stamp: the document has no sealed CFDI
    };
    struct Result {
        State state = State::NotSealed;
        std::string uuid;
        std::string message;  // Spanish, for the operator
    };

    CCfdiStamper(Database& db, CPacClient& pac) : m_db(db), m_pac(pac) {}

    // Stamps the stored CFDI (a document's, or the complement of one of its payments). With `file`,
    // the file there is replaced (whole or not at all) by the stamped CFDI once it is stored.
    Result Stamp(const CfdiKey& key, const std::filesystem::path& file = {});

    // The stamped XML is the sealed one with one TimbreFiscalDigital added in its Complemento:
    // true when removing that TFD gives back exactly what was sent.
    static bool SameDocument(const std::string& sealedXml, const std::string& stampedXml);

private:
    Database& m_db;
    CPacClient& m_pac;
};
