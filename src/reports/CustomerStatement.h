#pragma once

#include "db/OleDate.h"
#include "reports/ReportProgress.h"

#include <string>

class CRepData;
class Database;

struct StatementFilter final {
    long clienteId = 0; // 0: every customer of the catalogue
    std::string clienteNombre;
    OleDate desde;      // as the picker holds it, time of day included
    OleDate hasta;
    bool detallado = false;
};

// The customer statement ("- MOVIMIENTOS POR CLIENTE -"): per customer the balance before the
// period, the charges (non-cancelled documents) and credits (payments) inside it and the final
// balance; in detail every movement with a running balance, staged in the AuxEdo table (on a
// server a temporary copy of the connection's own, see Dialect::staging) in one transaction. False with the operator's message when there is nothing to show, with an empty one
// when `progress` cancelled; database errors and cancels leave AuxEdo as it was.
bool BuildCustomerStatement(Database& db, const StatementFilter& filter, OleDate today, CRepData& data,
                            std::string& message, const ReportProgress& progress = {});

inline constexpr const char* kStatementTitle = "- MOVIMIENTOS POR CLIENTE -";
