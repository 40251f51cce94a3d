#pragma once

#include "printing/WindowsFormat.h"

class Database;

// Names of the ready layouts.
inline constexpr const char* kDefaultInvoiceFormat = "Factura carta";
inline constexpr const char* kElectronicInvoiceFormat = "Factura electrónica";
inline constexpr const char* kPaymentReceiptFormat = "Recibo de pago electrónico";
inline constexpr const char* kBlankSaleNoteFormat = "Nota de venta en hoja blanca";

// Adds the ready layouts a new database carries: "Factura carta" for page printers (letter
// paper), the 40-column ticket and "Factura electrónica" (the printed CFDI), so that a fresh
// installation prints at once. Runs inside the transaction that creates the database.
void AddDefaultFormats(Database& db);

// The table that records which ready layouts a database was given (one row per name), so that
// none comes back after the operator deleted it; made when first needed.
inline constexpr const char* kAddedFormatsTable = "FormatosAgregados";
void CreateAddedFormatsTable(Database& db);

// Adds, once, the ready layouts that came after a database was made ("Factura electrónica",
// "Recibo de pago electrónico", "Nota de venta en hoja blanca"):
// a database that got it (or had one by that name) never gets it again, even after the operator
// deleted or renamed it. In its own transaction; true when a format was added. Throws DbError.
bool AddMissingDefaultFormats(Database& db);

// The letter invoice layout that "Factura carta" is made from; the designer starts new formats
// from it.
CWindowsFormat DefaultInvoiceFormat();
// The layout of "Factura electrónica".
CWindowsFormat ElectronicInvoiceFormat();
// The layout of "Recibo de pago electrónico", the printed payment complement.
CWindowsFormat PaymentReceiptFormat();
// The layout of "Nota de venta en hoja blanca": the business's logo and data at the head.
CWindowsFormat BlankSaleNoteFormat();
