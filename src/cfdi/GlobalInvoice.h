#pragma once

#include "cfdi/CfdiIssuer.h"
#include "cfdi/FiscalData.h"
#include "db/OleDate.h"

#include <cstdint>
#include <string>
#include <vector>

class Database;

// The global invoice to the public (XAXX010101000, "PUBLICO EN GENERAL", with InformacionGlobal):
// one concept per sale of a period that has no CFDI of its own and is not cancelled, with its
// folio, amounts and taxes. The documents it covers are recorded (DocumentosGlobales) in the
// transaction that stores it sealed, so a second global invoice or an individual one leaves them
// out; cancelling it before the SAT frees them again.
class CGlobalInvoice final {
public:
    static constexpr const char* kSerie = "FG";

    struct Period {
        OleDate desde, hasta;          // days, both included
        std::string periodicidad;      // 01 daily … 05 bimonthly
        std::string formaPago = "01";
    };
    struct Candidates {
        std::vector<std::int32_t> documents;  // in date, series and folio order
        std::int64_t total = 0;               // cents, as stored with the documents
    };
    struct Created {
        std::vector<std::string> errors;  // Spanish; nothing was stored when there are any
        CfdiKey key;
        CCfdiIssuer::Sealed sealed;
        int documents = 0;
        bool ok() const { return errors.empty(); }
    };

    explicit CGlobalInvoice(Database& db) : m_db(db) {}

    // The documents of the period a new global invoice would cover.
    Candidates Find(const Period& period);
    // Builds and seals the global invoice of the period dated `now`, and stores it sealed with the
    // documents it covers, in one transaction; it is then stamped like any CFDI (CfdiKey::Global).
    Created Create(const Period& period, const std::string& password, OleDate now = OleDate::now());
    // A stored one sealed again at `now` over the same documents (its 72 hours ran out unstamped).
    CCfdiIssuer::Sealed Reseal(std::int32_t idGlobal, const std::string& password, OleDate now);
    // Stores a resealed one in place of the old seal.
    void StoreResealed(std::int32_t idGlobal, const CCfdiIssuer::Sealed& sealed);
    // The documents it covers go free again (it was cancelled before the SAT).
    void Free(std::int32_t idGlobal);
    // "FG 12", for messages.
    std::string Name(std::int32_t idGlobal);

    static bool IsPeriodicidad(const std::string& p);

private:
    CCfdiIssuer::Sealed seal(const std::vector<std::int32_t>& documents, const Period& period, const std::string& serie,
                             std::int32_t folio, const std::string& password, OleDate now);

    Database& m_db;
};
