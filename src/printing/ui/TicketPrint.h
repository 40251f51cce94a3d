#pragma once

#include "printing/TicketSettings.h"

class CPrintJob;
class Database;
class QWidget;
struct ApplicationState;

// The ticket settings of the running program.
TicketSettings TicketSettingsOf(const ApplicationState& state);

// The receipt-printer side of printing a document (setting pWin 0): the ticket format with the
// document's data through the configured port, then the drawer and cutter commands. What went
// wrong (no format, a device that fails) is shown to the operator. True when the ticket went out.
bool PrintTicket(const CPrintJob& job, Database& db, const ApplicationState& state, QWidget* parent);
