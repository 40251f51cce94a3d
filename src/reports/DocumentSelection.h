#pragma once

#include "db/DbValue.h"

#include <string>
#include <vector>

// The documents a report is asked for, as "AND ..." conditions on Documentos appended to `where`
// and their values to `params`: a folio names one document (with its series, or one without a
// series when none is given) and the customer and series then no longer apply; otherwise the
// customer's and the series' documents, each when given (0 and "" mean any).
void AddDocumentSelection(std::string& where, std::vector<DbValue>& params, long folio, const std::string& serie,
                          long clienteId);
