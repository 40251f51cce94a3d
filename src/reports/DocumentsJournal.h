#pragma once

#include "db/OleDate.h"
#include "reports/ReportProgress.h"

#include <string>

class CRepData;
class Database;

// Filters of the documents journal, as the operator chose them.
struct JournalFilter final {
    long clienteId = 0;          // 0: every customer
    std::string clienteNombre;   // shown in the title lines
    std::string serie;           // "": no series filter
    long folio = 0;              // 0: no folio filter; with it customer, series and period are dropped
    bool porPeriodo = false;
    OleDate desde;
    OleDate hasta;
    bool detallado = false;
};

// The documents journal ("- DIARIO DE DOCUMENTOS -"): a summary line per document with a grand
// total (cancelled documents marked, not added), or every line of every non-cancelled document
// with its totals. `today` dates the report. False with the operator's message in `message` when
// there is nothing to show, and with an empty message when `progress` cancelled (the report is
// then empty); database errors throw DbError.
bool BuildDocumentsJournal(Database& db, const JournalFilter& filter, OleDate today, CRepData& data,
                           std::string& message, const ReportProgress& progress = {});

inline constexpr const char* kJournalTitle = "- DIARIO DE DOCUMENTOS -";
