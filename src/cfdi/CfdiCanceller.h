#pragma once

#include "cfdi/CfdiSealAndStamp.h"
#include "cfdi/FiscalData.h"
#include "db/OleDate.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

class CPacClient;
class Database;

// Cancels a stamped CFDI (an invoice or a payment's complement) before the SAT through the PAC,
// and follows its status there. What cannot be cancelled is refused before the PAC is asked: a
// CFDI only sealed (nothing to cancel: it is simply not stamped), motive 01 without a stamped
// replacement that names it, an invoice whose payment complements are not cancelled yet. The
// document is marked cancelled in the program only once the SAT says its CFDI is.
class CCfdiCanceller final {
public:
    struct Request {
        std::string motivo;            // "01" … "04"
        std::int32_t sustituto = 0;    // with motive 01: the replacing document, stamped first
        std::string password;          // the key's: it goes to the PAC decrypted only in memory
    };
    enum class State {
        Requested,  // the PAC took the request (201, or 202: asked before); the SAT decides
        Refused,    // refused here or by the PAC: nothing changed; `message` says why
        Unknown,    // no answer: the request may have reached the SAT; its status will tell
    };
    struct Result {
        State state = State::Refused;
        std::string code;     // the PAC's (201, 202, 205…)
        std::string message;  // Spanish, for the operator
    };
    struct Status {
        bool asked = false;        // the PAC answered
        std::string estado;        // Vigente, Cancelado, No Encontrado
        std::string cancelacion;   // the stored state afterwards (CfdiState), empty when none
        std::string estatusSat;    // the SAT's words ("Cancelado sin aceptación")
        bool documentCancelled = false;  // the document was marked cancelled now
        std::string message;
    };

    CCfdiCanceller(Database& db, CPacClient& pac) : m_db(db), m_pac(pac) {}

    Result Cancel(const CfdiKey& key, const Request& request);
    Status CheckStatus(const CfdiKey& key, OleDate now = OleDate::now());
    // Asks the status of every cancellation in process not asked today; how many were asked.
    int CheckInProcess(OleDate now = OleDate::now());

    // Motive 01: the document `sustituto` replaces `key`, and is not stamped yet. StampReplacement
    // seals it naming `key`'s folio fiscal (CfdiRelacionados 04) and stamps it, into `folder`.
    bool ReplacementPending(const CfdiKey& key, std::int32_t sustituto);
    CCfdiSealAndStamp::Result StampReplacement(const CfdiKey& key, std::int32_t sustituto, const std::string& password,
                                               const std::filesystem::path& folder = {});

    // Why the CFDI `key` cannot be cancelled with `request` before asking the PAC; empty when it can.
    std::string Refusal(const CfdiKey& key, const Request& request);

    // The SAT's motives, "01 - Comprobante emitido con errores con relación", …
    static const std::vector<std::pair<std::string, std::string>>& Motivos();

private:
    // Refusal(), filling `sustituto` with the replacement's folio fiscal (motive 01) when it may go.
    std::string check(const CfdiKey& key, const Request& request, std::string& sustituto);

    Database& m_db;
    CPacClient& m_pac;
};
