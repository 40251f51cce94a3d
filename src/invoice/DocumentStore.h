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

    // The highest folio stored in the series + 1, or 1 for a series without documents.
    std::int32_t NextFolio(const std::string& serie);
    // The stored document with this series and folio.
    std::optional<std::int32_t> Find(const std::string& serie, std::int32_t folio);

    // Writes the document: deletes `replace` (with its lines and payments) when given, adds the
    // customer when the header's idCliente is 0, the header, the lines (adding an article for each
    // free key; a key added once, or already in the catalogue, is reused) and the first payment,
    // capped at the total. Only after the commit do the header and lines get the new ids.
    // Returns the new Id_Documento. Throws DbError with nothing written.
    std::int32_t Save(DocumentHeader& header, std::span<CPartida> lines, const DocumentTotals& totals,
                      const FirstPayment& payment, std::optional<std::int32_t> replace);

    enum class LoadResult { NotFound, NoLines, Loaded };
    // The header of document `id` and its lines in Renglon order (at most 99), recomputed from
    // price, quantity, discount and the stored rates, with tax ids from their article.
    LoadResult Load(std::int32_t id, DocumentHeader& header, std::vector<CPartida>& lines);

    // The search condition for Documentos, with its bound values.
    static SqlCondition SearchCondition(const DocumentFilter& filter);

    // Deletes the document with this series and folio (lines and payments go with it). False when
    // there is none.
    bool Delete(const std::string& serie, std::int32_t folio);
    // Marks it cancelled and removes its payments (YaPagado back to 0); a folio never saved is
    // recorded as a cancelled document of its own, so it counts as used.
    void Cancel(const std::string& serie, std::int32_t folio);
    // Deletes every document dated before the day of `date` (that day's documents stay).
    int DeleteBefore(OleDate date);

private:
    // "Serie = ?" or "Serie Is Null", with its value.
    static SqlCondition seriesCondition(const std::string& serie);

    Database& m_db;
};
