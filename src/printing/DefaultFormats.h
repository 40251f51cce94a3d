#pragma once

#include "printing/WindowsFormat.h"

class Database;

// Names of the ready layouts.
inline constexpr const char* kDefaultInvoiceFormat = "Factura carta";

// Adds the ready layouts a new database carries: "Factura carta" for page printers (letter
// paper) and the 40-column ticket, so that a fresh installation prints at once. Runs inside the
// transaction that creates the database.
void AddDefaultFormats(Database& db);

// The letter invoice layout that "Factura carta" is made from; the designer starts new formats
// from it.
CWindowsFormat DefaultInvoiceFormat();
