#pragma once

#include <string>
#include <string_view>

class Database;
struct ApplicationState;

// Start-up reads from the database what the whole run shares: the currency words of the amount
// in words and the business name (table General) and the default tax rate (table Impuestos, the
// tax of the `Impuesto` setting). A General table without rows leaves them empty.
void LoadSharedValues(Database& db, ApplicationState& state);

// The access password is kept in General.[In] scrambled: every byte XOR-ed in turn with every
// character of the application title. The same operation unscrambles it.
std::string ScramblePassword(std::string_view text);
// The unscrambled password of General's first row; empty when the column or the table is empty.
std::string StoredPassword(Database& db);
// Byte for byte, case-sensitive.
bool IsAccessPassword(Database& db, std::string_view typed);
