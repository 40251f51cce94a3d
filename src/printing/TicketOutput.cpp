#include "printing/TicketOutput.h"

#include "db/DbError.h"
#include "db/DbErrorText.h"
#include "printing/DrawerCommand.h"
#include "printing/EscPos.h"
#include "printing/FormatStore.h"
#include "printing/PrintJob.h"
#include "printing/TicketChannel.h"
#include "printing/TicketFormat.h"
#include "printing/QrCode.h"
#include "printing/TransferControl.h"
#include "printing/Windows1252.h"
#include "toolkit/TolBitmap.h"

namespace TicketOutput {

std::string ComposeText(const CTicketFormat& format, CDocumentValues& values, const std::vector<CPartida>& lines,
                        int columns) {
    std::vector<CRenglonTicket> rows = format.Rows;
    std::vector<CRenglonTicket*> detailRows;
    for (CRenglonTicket& row : rows)
        if (row.HasDetail() && detailRows.size() < static_cast<std::size_t>(kMaxDetailRows))
            detailRows.push_back(&row);

    std::string text;
    bool detailDone = false;
    for (CRenglonTicket& row : rows) {
        if (!row.HasDetail()) {
            row.BuildText(values, false, columns);
            text += row.Text;
            text += '\n';
            continue;
        }
        if (detailDone)
            continue;
        detailDone = true;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            values.CurrentLine = &lines[i];
            values.CurrentLineNumber = static_cast<std::int32_t>(i + 1);
            for (CRenglonTicket* detail : detailRows) {
                detail->BuildText(values, true, columns);
                text += detail->Text;
                text += '\n';
            }
        }
        values.CurrentLine = nullptr;
        values.CurrentLineNumber = 0;
    }
    return text;
}

Bytes Compose(const CTicketFormat& format, CDocumentValues& values, const std::vector<CPartida>& lines,
              const TicketSettings& settings, const std::string& qrAddress, bool* logoUnread) {
    const int columns = settings.Columns();
    // The commands are bytes already; only the text changes code page.
    Bytes bytes{Windows1252::FromUtf8(ComposeText(format, values, lines, columns)) +
                    DrawerCommandBytes(settings.comando),
                DrawerCommandBytes(settings.comandoCorte), DrawerCommandBytes(settings.comandoInicial)};
    if (!settings.escPos)
        return bytes;
    const int dots = EscPos::DotsForColumns(columns);
    if (!settings.logo.empty()) {
        // A logo that cannot be read leaves the ticket without it rather than without the ticket.
        CTolBitmap logo;
        if (logo.loadFile(settings.logo) == 1)
            bytes.start += EscPos::Raster(EscPos::FromPicture(logo, dots), dots);
        else if (logoUnread)
            *logoUnread = true;
    }
    if (!qrAddress.empty()) {
        const std::string qr = EscPos::Raster(EscPos::FromQr(QrCode::Encode(qrAddress), dots), dots);
        // Blank lines after the picture keep it clear of the cutter.
        if (!qr.empty())
            bytes.verbatim = qr + "\n\n\n" + bytes.verbatim;
    }
    return bytes;
}

std::string Wire(const Bytes& bytes, bool translatesLineFeeds) {
    return bytes.start + (translatesLineFeeds ? ExpandLineFeeds(bytes.lines) : bytes.lines) + bytes.verbatim;
}

Result Send(const Bytes& bytes, const TicketSettings& settings, TransferControl* control) {
    const TicketPort port = TicketPort::ForSettings(settings);
    CTicketChannel channel;
    channel.SetControl(control);
    if (!channel.Open(port) || !channel.SendVerbatim(bytes.start) || !channel.Send(bytes.lines) ||
        !channel.SendVerbatim(bytes.verbatim) || !channel.Finish()) {
        Result failed{false, channel.Error()};
        if (channel.Cancelled()) {
            failed.cancelled = true;
            failed.sent = channel.Delivered();
            failed.total = Wire(bytes, port.translatesLineFeeds()).size();
        }
        return failed;
    }
    return {true, channel.Unconfirmed() ? channel.Error() : std::string()};
}

Result Prepare(Database& db, const CPrintJob& job, const TicketSettings& settings, Bytes& bytes) {
    CTicketFormat format;
    CPrintJob values = job;
    try {
        const CFormatStore::Result loaded = CFormatStore(db).LoadTicketFormat(format);
        if (!loaded)
            return {false, loaded.message};
        if (settings.escPos && !values.Cfdi.present)
            values.LoadCfdi(db);
        values.Negocio = BusinessData::Load(db);
    } catch (const DbError& e) {
        return {false, DbErrorText(e)};
    }
    // A format left without rows prints nothing but would still open the drawer.
    if (format.Rows.empty())
        return {false, CFormatStore::kNoTicketMessage};
    const std::string qr = values.Cfdi.stamped ? values.Cfdi.verificacion : std::string();
    bool logoUnread = false;
    bytes = Compose(format, values, job.Lines, settings, qr, &logoUnread);
    // The ticket goes out without a logo that cannot be read; the operator hears why.
    if (logoUnread)
        return {true, "- No se pudo leer el logotipo \"" + settings.logo + "\"; el ticket sale sin él -"};
    return {true, {}};
}

Result AfterPrepared(const Result& prepared, Result sent) {
    if (sent.ok && !sent.cancelled && sent.message.empty())
        sent.message = prepared.message;
    return sent;
}

Result Print(Database& db, const CPrintJob& job, const TicketSettings& settings) {
    Bytes bytes;
    const Result prepared = Prepare(db, job, settings, bytes);
    if (!prepared)
        return prepared;
    return AfterPrepared(prepared, Send(bytes, settings));
}

} // namespace TicketOutput
