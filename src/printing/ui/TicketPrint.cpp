#include "printing/ui/TicketPrint.h"

#include "platform/ApplicationState.h"
#include "printing/TicketOutput.h"
#include "printing/ui/TicketSendDlg.h"
#include "toolkit/ui/TolMessageDlg.h"

TicketSettings TicketSettingsOf(const ApplicationState& state) {
    TicketSettings s;
    s.pPos = state.pPos;
    s.dispositivoLpt1 = state.dispositivoLpt1;
    s.dispositivoLpt2 = state.dispositivoLpt2;
    s.dispositivoCom1 = state.dispositivoCom1;
    s.dispositivoCom2 = state.dispositivoCom2;
    s.comando = state.comando;
    s.comandoCorte = state.comandoCorte;
    s.comandoInicial = state.comandoInicial;
    s.columnas = state.columnasTicket;
    s.escPos = state.impresoraEscPos != 0;
    s.logo = state.logo;
    return s;
}

bool ReportTicketResult(const TicketOutput::Result& result) {
    if (result.cancelled)
        TolMessage(CancelledMessage(result));
    else if (!result.message.empty())
        TolMessage(QString::fromStdString(result.message));
    return result.ok;
}

bool PrintTicket(const CPrintJob& job, Database& db, const ApplicationState& state, QWidget* parent) {
    const TicketSettings settings = TicketSettingsOf(state);
    // The database is read here, on the window's thread; only the bytes go to the worker.
    TicketOutput::Bytes bytes;
    const TicketOutput::Result prepared = TicketOutput::Prepare(db, job, settings, bytes);
    if (!prepared)
        return ReportTicketResult(prepared);
    return ReportTicketResult(TicketOutput::AfterPrepared(prepared, SendTicketWaiting(bytes, settings, parent)));
}
