#pragma once

#include "invoice/DocumentTotals.h"

class Database;

// How the documents of this database add up. Once the business has its RFC in Datos fiscales its
// documents become electronic invoices, and each one's totals are those of its CFDI: every line's
// amounts rounded to cents, then added (LineCents). Before that, the unrounded sums of always.
// Asked when totals are summed for the screen, a save, a print or generated data. Throws DbError.
TotalsRounding DocumentRounding(Database& db);
