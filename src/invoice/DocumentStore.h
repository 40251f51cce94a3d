#pragma once

#include "db/ValueFunctions.h"
#include "invoice/DocumentHeader.h"
#include "invoice/DocumentTotals.h"
#include "invoice/Partida.h"

#include <optional>
#include <span>
#include <string>
#include <vector>

class Database;

// A document is paid when its payments reach its total, to the cent.
bool IsPaid(double paid, double total);

// The first payment given when a document is registered.
struct FirstPayment final {
    bool registrar = false;
    double importe = 0;
    std::string referencia;
};

// A stored document as it stood when the operator was asked to replace it: its id and a stamp of
// its header and payments. Another station changing it meanwhile changes the stamp.
struct StoredDocument final {
    std::int32_t id = 0;
    std::string stamp;
    bool operator==(const StoredDocument&) const = default;
};

// What became of a save.
struct SaveResult final {
    enum class Outcome {
        Saved,
        FolioTaken,       // another station stored the series and folio first: nothing written
        ReplacedChanged,  // the document to replace changed or went meanwhile: nothing written
        Stamped,          // the document to replace has a stamped CFDI (or may): nothing written
    };
    Outcome outcome = Outcome::Saved;
    std::int32_t id = 0;         // Saved: the new Id_Documento
    std::int32_t nextFolio = 0;  // FolioTaken: the series' next folio, as proposed now
};

// What is stored under a document's series and folio, next to the document on screen.
enum class StoredVersion {
    Absent,     // no document
    Same,       // this document, as a save of it stores it
    Different,  // another one
};

// Filters of the document search. A folio other than 0 replaces the rest (series and folio).
struct DocumentFilter final {
    std::int32_t idCliente = 0;
    std::string serie;
    std::int32_t folio = 0;
    bool porPeriodo = false;
    OleDate desde;
    OleDate hasta;
};

// Storing, loading, finding and removing documents. Every operation that writes more than one
// row runs in one transaction: a failure leaves the previous state, never part of a document.
class CDocumentStore final {
public:
    explicit CDocumentStore(Database& db) : m_db(db) {}

    // The highest folio stored in the series + 1, or 1 for a series without documents. After the
    // highest folio a Long can hold, the lowest free one (0 only when none is left).
    std::int32_t NextFolio(const std::string& serie);
    // The stored document with this series and folio.
    std::optional<std::int32_t> Find(const std::string& serie, std::int32_t folio);
    // The same, with the stamp a replacement is checked against.
    std::optional<StoredDocument> FindStored(const std::string& serie, std::int32_t folio);

    // Writes the document in one write transaction that first looks for the series and folio
    // again: when another document holds them and it is not `replace` exactly as the operator
    // saw it, nothing is written and the result says why. Otherwise deletes `replace` (with its
    // lines and payments) when given, adds the customer when the header's idCliente is 0, the
    // header, the lines (adding an article for each free key; a key added once, or already in
    // the catalogue, is reused) and the first payment, capped at the total. Only after the commit
    // do the header and lines get the new ids. Throws DbError with nothing written.
    SaveResult Save(DocumentHeader& header, std::span<CPartida> lines, const DocumentTotals& totals,
                    const FirstPayment& payment, const std::optional<StoredDocument>& replace);

    // Whether the document stored under the header's series and folio is this one as Save() stores
    // it: the same header values, totals and lines, not cancelled, and, when `payment` registers
    // one, its first payment. Ids a save hands out (a customer typed by hand, an article of a free
    // key) are compared only where the header or line already has one. Asked after a save whose
    // outcome is unknown (a connection lost at COMMIT), before it is run again.
    StoredVersion CompareStored(const DocumentHeader& header, std::span<const CPartida> lines,
                                const DocumentTotals& totals, const FirstPayment& payment);

    enum class LoadResult { NotFound, NoLines, Loaded };
    // The header of document `id` and its lines in Renglon order (at most 99), recomputed from
    // price, quantity, discount and the stored rates, with tax ids from their article.
    LoadResult Load(std::int32_t id, DocumentHeader& header, std::vector<CPartida>& lines);

    // The search condition for Documentos, with its bound values.
    static SqlCondition SearchCondition(const DocumentFilter& filter);

    // Why document `id` must stay: its CFDI is stamped, or the PAC may have stamped it (pending).
    // Such an invoice is cancelled before the SAT, never deleted or replaced. Empty when it may go.
    std::string StampedHold(std::int32_t id);

    // The stored totals of document `id` become `totals` (its electronic invoice's, to the cent).
    // Payments stay as registered; a settled document stays settled. Runs in the caller's transaction.
    void SetTotals(std::int32_t id, const DocumentTotals& totals);

    enum class DeleteResult { Deleted, NotFound, Stamped };
    // Deletes the document with this series and folio (lines and payments go with it), unless
    // StampedHold() keeps it.
    DeleteResult Delete(const std::string& serie, std::int32_t folio);
    enum class CancelResult { Cancelled, Stamped };
    // Marks it cancelled and removes its payments (YaPagado back to 0); a folio never saved is
    // recorded as a cancelled document of its own, so it counts as used. A document StampedHold()
    // keeps is cancelled only before the SAT: nothing is changed here (Stamped).
    CancelResult Cancel(const std::string& serie, std::int32_t folio);
    // The same for document `id` once the SAT says its CFDI is cancelled.
    void MarkCancelled(std::int32_t id);
    // Deletes every document dated before the day of `date` (that day's documents stay), except
    // the stamped ones; `kept` counts those.
    int DeleteBefore(OleDate date, int* kept = nullptr);

private:
    void markCancelled(std::int32_t id);
    SaveResult saveOnce(DocumentHeader& header, std::span<CPartida> lines, const DocumentTotals& totals,
                        const FirstPayment& payment, const std::optional<StoredDocument>& replace);
    // "Serie = ?" or "Serie Is Null" (on `column`), with its value.
    static SqlCondition seriesCondition(const std::string& serie, const std::string& column = "Serie");

    Database& m_db;
};
