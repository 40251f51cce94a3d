#include "cfdi/CfdiStamper.h"

#include "cfdi/CanonicalCfdi.h"
#include "cfdi/FiscalStore.h"
#include "cfdi/PacClient.h"
#include "cfdi/StampedCfdi.h"
#include "db/Database.h"
#include "db/DbErrorText.h"
#include "db/OleDate.h"
#include "db/Transaction.h"
#include "toolkit/AtomicFile.h"

#include <memory>
#include <stdexcept>

namespace {

// The element `name` (a prefixed tag, "tfd:TimbreFiscalDigital") with its content, found from `from`.
bool findElement(const std::string& xml, const std::string& name, std::size_t from, std::size_t& begin,
                 std::size_t& end) {
    begin = xml.find("<" + name, from);
    if (begin == std::string::npos)
        return false;
    const std::size_t close = xml.find('>', begin);
    if (close == std::string::npos)
        return false;
    if (xml[close - 1] == '/') {
        end = close + 1;
        return true;
    }
    const std::size_t last = xml.find("</" + name + ">", close);
    if (last == std::string::npos)
        return false;
    end = last + name.size() + 3;
    return true;
}

std::string prefixOf(const std::string& xml, const std::string& local) {
    const std::size_t at = xml.find(":" + local);
    if (at == std::string::npos)
        return {};
    const std::size_t start = xml.rfind('<', at);
    return start == std::string::npos ? std::string() : xml.substr(start + 1, at - start - 1);
}

// The stamped bytes are the sent ones with one TFD (and maybe its Complemento) put in.
bool sameBytes(const std::string& sealed, const std::string& stamped) {
    const std::string tfdPrefix = prefixOf(stamped, "TimbreFiscalDigital");
    if (tfdPrefix.empty())
        return false;
    std::size_t begin = 0, end = 0;
    if (!findElement(stamped, tfdPrefix + ":TimbreFiscalDigital", 0, begin, end))
        return false;
    std::size_t other = 0, otherEnd = 0;
    if (findElement(stamped, tfdPrefix + ":TimbreFiscalDigital", end, other, otherEnd))
        return false;  // one TFD only
    std::string rest = stamped.substr(0, begin) + stamped.substr(end);
    if (rest == sealed)
        return true;
    // The PAC added the Complemento that held only the TFD: take it away too.
    const std::string cfdiPrefix = prefixOf(sealed, "Comprobante");
    const std::string empty = "<" + cfdiPrefix + ":Complemento></" + cfdiPrefix + ":Complemento>";
    if (const std::size_t at = rest.find(empty); at != std::string::npos) {
        rest.erase(at, empty.size());
        if (rest == sealed)
            return true;
    }
    return false;
}

} // namespace

bool CCfdiStamper::SameDocument(const std::string& sealed, const std::string& stamped) {
    if (sameBytes(sealed, stamped))
        return true;
    // A PAC that wrote the document out its own way: the same content, element for element and
    // attribute for attribute, is what was sent.
    const std::optional<std::string> ours = CanonicalCfdi::WithoutStamp(sealed, 0);
    const std::optional<std::string> theirs = CanonicalCfdi::WithoutStamp(stamped, 1);
    return ours && theirs && *ours == *theirs;
}

CCfdiStamper::Result CCfdiStamper::Stamp(const CfdiKey& key, const std::filesystem::path& file) {
    Result r;
    CFiscalStore store(m_db);
    const std::optional<CFiscalStore::StoredCfdi> stored = store.cfdi(key);
    if (!stored) {
        r.message = key.isPayment() ? "El complemento de pago no está sellado: séllelo primero."
                                            : "El documento no tiene factura sellada: séllela primero.";
        return r;
    }
    if (stored->estado == CFiscalStore::kTimbrado) {
        r.state = State::Stamped;
        r.uuid = stored->uuid;
        r.message = std::string(key.isPayment() ? "El complemento de pago" : "El documento") +
                    " ya está timbrado con el folio fiscal " + stored->uuid + ".";
        return r;
    }

    PacStamp answer = m_pac.Stamp(stored->xml);
    if (answer.outcome == PacOutcome::Done && !SameDocument(stored->xml, answer.xml)) {
        // A stamp of our seal around another document: the PAC holds something, but not this.
        answer.outcome = PacOutcome::Unknown;
        answer.message = "El PAC devolvió un comprobante timbrado que no es el que se le envió; no se guardó. "
                         "Intente de nuevo con el mismo comprobante y, si se repite, avise al PAC.";
    }
    if (answer.outcome != PacOutcome::Done) {
        // Unknown: the PAC may have stamped these very bytes, which must go again unchanged. Nothing
        // sent now says nothing of an earlier try; a refusal says the PAC holds no stamp of them.
        const bool pending = answer.outcome == PacOutcome::Unknown ||
                             (answer.outcome == PacOutcome::NotSent && stored->estado == CFiscalStore::kPendiente);
        r.state = pending ? State::Pending : State::Refused;
        r.message = answer.message;
        try {
            store.saveStampFailure(key, pending, answer.message);
        } catch (const std::exception& e) {
            r.message += "\n\n" + DbErrorText(e);
        }
        return r;
    }

    // Written beside the file first, stored, then put in place: the file never holds a stamp the
    // database does not, and a failure leaves both as they were.
    try {
        std::unique_ptr<CAtomicFile> out;
        if (!file.empty()) {
            std::error_code ec;
            if (file.has_parent_path())
                std::filesystem::create_directories(file.parent_path(), ec);
            out = std::make_unique<CAtomicFile>(file.string());
            if (!out->Open() || !out->Write(answer.xml))
                throw std::runtime_error(out->Error());
        }
        Transaction tx(m_db);
        store.saveStamped(key, answer.xml, answer.uuid, CStampedCfdi::DateOf(answer.fechaTimbrado).value_or(OleDate::now()).value);
        tx.commit();
        if (out && !out->Commit())
            r.message = "Quedó timbrado, pero el archivo no se pudo poner en su lugar (" + out->Error() +
                        "): el comprobante timbrado está guardado con el documento.";
    } catch (const std::exception& e) {
        // Stamped by the PAC but not stored: the next try gets the same stamp back (307).
        r.state = State::Pending;
        r.message = "El PAC timbró el comprobante, pero no se pudo guardar: " + DbErrorText(e) +
                    " Timbre de nuevo: el PAC devolverá el mismo timbre.";
        try {
            store.saveStampFailure(key, true, r.message);
        } catch (...) {
        }
        return r;
    }
    r.state = State::Stamped;
    r.uuid = answer.uuid;
    if (r.message.empty())
        r.message = answer.message;
    return r;
}
