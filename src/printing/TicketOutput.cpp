#include "printing/TicketOutput.h"

#include "db/DbError.h"
#include "db/DbErrorText.h"
#include "printing/DrawerCommand.h"
#include "printing/FormatStore.h"
#include "printing/PrintJob.h"
#include "printing/TicketChannel.h"
#include "printing/TicketFormat.h"
#include "printing/Windows1252.h"

namespace TicketOutput {

std::string ComposeText(const CTicketFormat& format, CDocumentValues& values, const std::vector<CPartida>& lines) {
    std::vector<CRenglonTicket> rows = format.Rows;
    std::vector<CRenglonTicket*> detailRows;
    for (CRenglonTicket& row : rows)
        if (row.HasDetail() && detailRows.size() < static_cast<std::size_t>(kMaxDetailRows))
            detailRows.push_back(&row);

    std::string text;
    bool detailDone = false;
    for (CRenglonTicket& row : rows) {
        if (!row.HasDetail()) {
            row.BuildText(values, false);
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
                detail->BuildText(values, true);
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
              const TicketSettings& settings) {
    // The commands are bytes already; only the text changes code page.
    return {Windows1252::FromUtf8(ComposeText(format, values, lines)) + DrawerCommandBytes(settings.comando),
            DrawerCommandBytes(settings.comandoCorte)};
}

Result Send(const Bytes& bytes, const TicketSettings& settings) {
    CTicketChannel channel;
    if (!channel.Open(TicketPort::ForSettings(settings)) || !channel.Send(bytes.lines) ||
        !channel.SendVerbatim(bytes.verbatim) || !channel.Finish())
        return {false, channel.Error()};
    return {true, {}};
}

Result Print(Database& db, const CPrintJob& job, const TicketSettings& settings) {
    CTicketFormat format;
    try {
        const CFormatStore::Result loaded = CFormatStore(db).LoadTicketFormat(format);
        if (!loaded)
            return {false, loaded.message};
    } catch (const DbError& e) {
        return {false, DbErrorText(e)};
    }
    // A format left without rows prints nothing but would still open the drawer.
    if (format.Rows.empty())
        return {false, CFormatStore::kNoTicketMessage};
    CPrintJob values = job;
    try {
        values.Negocio = BusinessData::Load(db);
    } catch (const DbError& e) {
        return {false, DbErrorText(e)};
    }
    return Send(Compose(format, values, job.Lines, settings), settings);
}

} // namespace TicketOutput
