#include "printing/ui/TicketPrint.h"

#include "toolkit/ui/TolMessageDlg.h"

bool PrintTicket(const CPrintJob&, Database&, const ApplicationState&, QWidget*) {
    TolMessage(QStringLiteral("- La impresora de tickets todavía no está disponible -"));
    return false;
}
