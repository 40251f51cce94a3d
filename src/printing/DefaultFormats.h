#pragma once

class Database;

// Adds the ready layouts a new database carries: "Factura carta" for page printers and the
// 40-column ticket.
void AddDefaultFormats(Database& db);
