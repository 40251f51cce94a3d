#pragma once

#include "cfdi/CfdiStamper.h"
#include "cfdi/FiscalData.h"
#include "db/OleDate.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

class CPacClient;
class Database;

// Turns a saved document into a stamped CFDI, sealing it first when that is safe: the one path the
// main form, the list of invoices to stamp and quintaleva-cli share. A CFDI the PAC may hold
// (pending) is only ever sent again as it is; one no PAC holds (sealed) is sealed again when asked
// to, or when the SAT's 72 hours from its date are close; a stamped one is left alone.
class CCfdiSealAndStamp final {
public:
    struct Request {
        DocumentoFiscal fiscal;        // for a new seal; empty fields take the document's proposal
        std::string password;          // the key's, for a new seal
        std::filesystem::path folder;  // the CFDI folder (AAAA/MM/RFC_SERIE_FOLIO.xml)
        std::filesystem::path file;    // or this file instead; neither: no file is written
        bool sealAgain = false;        // a sealed CFDI no PAC holds is sealed anew with `fiscal`
    };
    struct Result {
        CCfdiStamper::State state = CCfdiStamper::State::NotSealed;
        std::string uuid;
        std::string message;              // Spanish: what happened and what to do
        std::vector<std::string> errors;  // why it could not be sealed (nothing was sent then)
        std::string notice;               // a document of an earlier day got today's date
        std::filesystem::path file;       // where the CFDI was written
        bool sealedNow = false;
        // A PPD invoice stamped now: its earlier payments, whose complements are owed (not stamped).
        std::vector<CfdiKey> owedPayments;
    };

    // Sealed CFDIs at least this old are sealed again before they are sent.
    static constexpr double kResealAfterHours = 70;

    CCfdiSealAndStamp(Database& db, CPacClient& pac) : m_db(db), m_pac(pac) {}

    // The CFDI of a document, or the complement of one of its payments (FormaDePagoP: the
    // request's forma de pago, else the one noted with the payment, else 01).
    Result Run(const CfdiKey& key, const Request& request, OleDate now = OleDate::now());

    // A stamped PPD invoice's payments (those not of nothing) owe complements: notes each one that
    // has none yet with `formaPago`, and gives those not stamped, in payment order.
    static std::vector<CfdiKey> NoteOwedPayments(Database& db, std::int32_t idDocumento,
                                                 const std::string& formaPago = "01");
    // Where the complement of a payment goes: beside its invoice's file, RFC_SERIE_FOLIO_P<N>.xml.
    static std::filesystem::path PaymentPathOf(Database& db, const std::filesystem::path& folder, const CfdiKey& key);

    // Whether a CFDI dated `fecha` ("2026-12-08T10:15:00") must be sealed again before it is sent at `now`.
    static bool NearDeadline(const std::string& fecha, OleDate now);
    // folder/AAAA/MM/RFCEMISOR_SERIE_FOLIO.xml of a stored CFDI, from its own data.
    static std::filesystem::path PathOf(const std::filesystem::path& folder, const std::string& cfdiXml);

private:
    Database& m_db;
    CPacClient& m_pac;
};
