#pragma once

#include "db/OleDate.h"
#include "reports/ReportProgress.h"

#include <string>

class CRepData;
class Database;

// Filters of the receivables report, as the operator chose them.
struct CxcFilter final {
    long clienteId = 0;        // 0: every customer
    std::string clienteNombre;
    std::string serie;         // "": none
    long folio = 0;            // 0: none; with it customer and series are dropped
    bool vencidas = false;     // only documents due at or before the start of today
};

// The receivables report ("- CUENTAS POR COBRAR -"): every document neither cancelled nor paid,
// with its total, the part still owed and the whole days since it fell due at `now`. False with
// the operator's message when nothing matches, with an empty one when `progress` cancelled (the
// report is then empty); database errors throw DbError.
bool BuildReceivablesReport(Database& db, const CxcFilter& filter, OleDate now, CRepData& data, std::string& message,
                            const ReportProgress& progress = {});

inline constexpr const char* kReceivablesTitle = "- CUENTAS POR COBRAR -";
