#pragma once

class CPrintJob;
class Database;
class QWidget;
struct ApplicationState;

// The receipt-printer side of printing a document (setting pWin 0). The receipt output through
// the ports is not built yet: this tells the operator so and prints nothing. Returns whether
// anything was printed.
bool PrintTicket(const CPrintJob& job, Database& db, const ApplicationState& state, QWidget* parent);
