#include "printing/ui/TicketPrint.h"

#include "platform/ApplicationState.h"
#include "printing/TicketOutput.h"
#include "toolkit/ui/TolMessageDlg.h"

#include <QApplication>
#include <QCursor>

TicketSettings TicketSettingsOf(const ApplicationState& state) {
    TicketSettings s;
    s.pPos = state.pPos;
    s.dispositivoLpt1 = state.dispositivoLpt1;
    s.dispositivoLpt2 = state.dispositivoLpt2;
    s.dispositivoCom1 = state.dispositivoCom1;
    s.dispositivoCom2 = state.dispositivoCom2;
    s.comando = state.comando;
    s.comandoCorte = state.comandoCorte;
    return s;
}

bool PrintTicket(const CPrintJob& job, Database& db, const ApplicationState& state, QWidget*) {
    // A slow printer or network may take a few seconds, bounded by the channel's time-outs.
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const TicketOutput::Result result = TicketOutput::Print(db, job, TicketSettingsOf(state));
    QApplication::restoreOverrideCursor();
    if (!result)
        TolMessage(QString::fromStdString(result.message));
    return result.ok;
}
