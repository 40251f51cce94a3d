#pragma once

#include "printing/TicketOutput.h"
#include "printing/TicketSettings.h"

class CPrintJob;
class Database;
class QWidget;
struct ApplicationState;

// The ticket settings of the running program.
TicketSettings TicketSettingsOf(const ApplicationState& state);

// The receipt-printer side of printing a document (setting pWin 0): the ticket format with the
// document's data through the configured port, then the drawer and cutter commands. What went
// wrong (no format, a device that fails) is shown to the operator. The bytes go out on a worker
// thread: the window keeps repainting, and a stalled printer can be left with "Cancelar". True when
// the ticket went out.
bool PrintTicket(const CPrintJob& job, Database& db, const ApplicationState& state, QWidget* parent);

// Tells the operator what a ticket came to: the failure, the cancellation with how much was sent,
// or the warning of a printer that did not confirm. Answers result.ok.
bool ReportTicketResult(const TicketOutput::Result& result);
