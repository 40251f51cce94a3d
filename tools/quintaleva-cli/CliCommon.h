#pragma once

#include "cfdi/PacClient.h"
#include "db/OleDate.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class Database;

// What the commands share: errors, options, dates, the document of SERIE FOLIO, the PAC and the
// key's password.

// Prints "Error: message" on stderr; 1.
int fail(const std::string& message);
// Options of the form --name VALUE; false (with `error`) on an unknown or incomplete one.
bool readOptions(const std::vector<std::string>& args, std::size_t from, const std::vector<std::string>& known,
                 std::map<std::string, std::string>& out, std::string& error);
std::optional<std::string> readFile(const std::string& path);
// The key's password from --clave-archivo F or QUINTALEVA_CSD_CLAVE; nothing (with `error`) when
// neither gives it.
std::optional<std::string> readPassword(std::map<std::string, std::string>& o, std::string& error);
// The same, empty when neither is given (enough for CFDIs that go to the PAC as they are).
std::string optionalPassword(std::map<std::string, std::string>& o, std::string& error);
// The document SERIE FOLIO of the arguments ("-" for none); nothing, with `error`, when the folio
// is no number or no document has it.
std::optional<std::int32_t> findDocument(Database& db, const std::string& serieArg, const std::string& folioArg,
                                         std::string& error);
// "A000123" for messages.
std::string documentName(Database& db, std::int32_t id);
// "A000123", or "A000123 pago 2" for a payment's complement.
std::string cfdiName(Database& db, const CfdiKey& key);
// The configured PAC; nothing, with `error` saying how to configure one.
std::unique_ptr<CPacClient> configuredPac(Database& db, std::string& error);
// DD/MM/AAAA, a real day of the calendar; midnight, as a date typed in the dialogs.
std::optional<OleDate> parseDate(const std::string& text);
