#pragma once

#include "printing/FormatData.h"
#include "printing/TicketSettings.h"

#include <cstddef>
#include <string>
#include <vector>

class CDocumentValues;
class CPartida;
class CPrintJob;
class CTicketFormat;
class Database;
struct TransferControl;

// A document printed as a receipt: the rows of the ticket format, the detail rows once per
// document line, then the drawer and cutter commands, all sent through the ticket channel.
namespace TicketOutput {

// At most this many detail rows of the format print for each document line.
inline constexpr int kMaxDetailRows = 5;

// What printing a ticket came to; `message` is the operator's text when it failed, or, when it
// went out but a network printer did not confirm it, the warning to show.
struct Result {
    bool ok = false;
    std::string message;
    bool cancelled = false;
    std::size_t sent = 0;  // when cancelled: bytes the printer got, of
    std::size_t total = 0; // the bytes of the whole ticket
    explicit operator bool() const { return ok; }
};

// The printed lines (UTF-8), each followed by LF. Rows without detail data print in header mode
// where they stand; at the first detail row the first kMaxDetailRows detail rows print for each of
// `lines` in turn (values.CurrentLine and CurrentLineNumber move through them, 1 for the first);
// later detail rows print nothing more.
std::string ComposeText(const CTicketFormat& format, CDocumentValues& values, const std::vector<CPartida>& lines,
                        int columns = FormatData::kTicketColumns);

// The bytes for the printer, in the order they go out: `start`, the start command and (ESC/POS) the
// logo, byte for byte; `lines`, the text in Windows-1252 (a character outside it becomes "?", one
// column as any other) then the drawer command, whose line feeds the parallel, file and network
// sides send as CR LF; and `verbatim`, (ESC/POS) the QR, then the cutter command, byte for byte.
struct Bytes {
    std::string lines;
    std::string verbatim;
    std::string start;
};
// Rows aligned in settings.Columns(). With settings.escPos the logo (settings.logo, when it can be
// read) starts the ticket and the QR of `qrAddress` (when not empty) ends its text, both as
// raster pictures as wide as the line at most; a logo that cannot be read sets *logoUnread.
Bytes Compose(const CTicketFormat& format, CDocumentValues& values, const std::vector<CPartida>& lines,
              const TicketSettings& settings, const std::string& qrAddress = {}, bool* logoUnread = nullptr);
// The bytes that reach the wire on `port`'s side (line feeds translated where they are).
std::string Wire(const Bytes& bytes, bool translatesLineFeeds);

// Opens the channel for settings.pPos, sends the bytes and closes it. With `control`, another
// thread may follow and cancel the transfer (see TransferControl).
Result Send(const Bytes& bytes, const TicketSettings& settings, TransferControl* control = nullptr);
inline Result Send(const std::string& lines, const TicketSettings& settings) { return Send(Bytes{lines, {}, {}}, settings); }

// Loads the ticket format from `db` and composes the job's document with it (with its stamped
// CFDI's QR when settings.escPos). No format, an empty or damaged one, or a database error: false
// with the message. True with a message when the ticket goes out without an ESC/POS logo that
// cannot be read. The database is only read.
Result Prepare(Database& db, const CPrintJob& job, const TicketSettings& settings, Bytes& bytes);

// What to tell after a ticket Prepare() composed was sent: the sending's own trouble first, else
// what Prepare() had to say.
Result AfterPrepared(const Result& prepared, Result sent);

// Prepare, then Send.
Result Print(Database& db, const CPrintJob& job, const TicketSettings& settings);

} // namespace TicketOutput
