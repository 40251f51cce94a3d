#pragma once

#include "printing/TicketSettings.h"

#include <string>
#include <vector>

class CDocumentValues;
class CPartida;
class CPrintJob;
class CTicketFormat;
class Database;

// A document printed as a receipt: the rows of the ticket format, the detail rows once per
// document line, then the drawer and cutter commands, all sent through the ticket channel.
namespace TicketOutput {

// At most this many detail rows of the format print for each document line.
inline constexpr int kMaxDetailRows = 5;

// What printing a ticket came to; `message` is the operator's text when it failed.
struct Result {
    bool ok = false;
    std::string message;
    explicit operator bool() const { return ok; }
};

// The printed lines (UTF-8), each followed by LF. Rows without detail data print in header mode
// where they stand; at the first detail row the first kMaxDetailRows detail rows print for each of
// `lines` in turn (values.CurrentLine and CurrentLineNumber move through them, 1 for the first);
// later detail rows print nothing more.
std::string ComposeText(const CTicketFormat& format, CDocumentValues& values, const std::vector<CPartida>& lines);

// The bytes for the printer: `lines`, the text in Windows-1252 (a character outside it becomes "?",
// one column as any other) then the drawer command, whose line feeds the parallel, file and network
// sides send as CR LF; and `verbatim`, the cutter command, which goes out byte for byte.
struct Bytes {
    std::string lines;
    std::string verbatim;
};
Bytes Compose(const CTicketFormat& format, CDocumentValues& values, const std::vector<CPartida>& lines,
              const TicketSettings& settings);

// Opens the channel for settings.pPos, sends the bytes and closes it.
Result Send(const Bytes& bytes, const TicketSettings& settings);
inline Result Send(const std::string& lines, const TicketSettings& settings) { return Send(Bytes{lines, {}}, settings); }

// Loads the ticket format from `db` and prints the job's document with it. No format, an empty
// or damaged one, or a database error: the message and nothing sent.
Result Print(Database& db, const CPrintJob& job, const TicketSettings& settings);

} // namespace TicketOutput
