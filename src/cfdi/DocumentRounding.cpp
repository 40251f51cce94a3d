#include "cfdi/DocumentRounding.h"

#include "db/Database.h"

#include <algorithm>

TotalsRounding DocumentRounding(Database& db) {
    // Read only: a database that never had fiscal data is not given its tables here.
    if (!db.hasTable("DatosFiscales"))
        return TotalsRounding::Unrounded;
    Statement s = db.prepare("SELECT Rfc FROM DatosFiscales WHERE Id = 1");
    if (!s.step())
        return TotalsRounding::Unrounded;
    const std::string rfc = s.text(0);
    const bool blank = std::all_of(rfc.begin(), rfc.end(), [](char c) { return c == ' ' || c == '\t'; });
    return blank ? TotalsRounding::Unrounded : TotalsRounding::LineCents;
}
