#pragma once

#include "invoice/DocumentStore.h"
#include "invoice/DocumentTotals.h"
#include "invoice/Partida.h"
#include "printing/DocumentValues.h"

#include <cstdint>
#include <string>
#include <vector>

class CLineas;
class Database;
struct DocumentHeader;

// A document as printing sees it: the header, the totals and the detail lines, filled by the
// command that prints (the main form from the document on screen, the registration from the
// document just stored), plus the chosen format and number of copies. The header and totals are
// the CDocumentValues fields; the value provider reads them.
class CPrintJob final : public CDocumentValues {
public:
    // The detail lines in grid order: Lines[0] is grid row 1.
    std::vector<CPartida> Lines;
    std::int32_t FormatId = -1; // Id_Formato chosen; negative when none
    std::int32_t Copies = 1;    // 1 … 5 from the format choice
    std::int32_t NumPago = 0;   // a payment's receipt: the CFDI printed is that payment's complement

    // The grid's rows: the detail lines plus the heading row 0.
    std::int32_t RowCount() const { return static_cast<std::int32_t>(Lines.size()) + 1; }

    // Header, the committed lines 1 … LineCount() and the totals the operator sees. The notes, dates
    // and extras come from the header; a date that is not valid prints "--/--/--".
    void SetDocument(const DocumentHeader& header, const CLineas& lines, const DocumentTotals& totals);
    // The same for a stored document read back (lines in Renglon order).
    void SetDocument(const DocumentHeader& header, std::vector<CPartida> lines, const DocumentTotals& totals);
    // The stored document with this series and folio, its totals summed from its lines as the
    // database adds them up (DocumentRounding); with NumPago, its payment's complement and no lines.
    // Leaves the job as it was unless the document is Loaded.
    CDocumentStore::LoadResult LoadStored(Database& db, const std::string& serie, std::int32_t folio,
                                          TotalsRounding rounding);
    // The CFDI stored with the document of this job's series and folio (none when there is no
    // such document or it has no CFDI), and the business's data. Printing calls it on its own
    // copy of the job; LoadStored reads both too.
    void LoadCfdi(Database& db);
};
