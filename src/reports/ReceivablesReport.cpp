#include "reports/ReceivablesReport.h"

#include "db/Database.h"
#include "db/Statement.h"
#include "db/ValueFunctions.h"
#include "invoice/MoneyText.h"
#include "reports/DocumentSelection.h"
#include "reports/RepData.h"

#include <cmath>
#include <string>
#include <vector>

bool BuildReceivablesReport(Database& db, const CxcFilter& f, OleDate now, CRepData& data, std::string& message,
                            const ReportProgress& progress) {
    message.clear();
    std::string where = "WHERE Documentos.Cancelada=0 AND Documentos.Pagado=0 ";
    std::vector<DbValue> params;
    if (f.vencidas) {
        where += "AND Documentos.Vence<=? ";
        params.emplace_back(now.dateOnly().value);
    }
    AddDocumentSelection(where, params, f.folio, f.serie, f.clienteId);
    Statement st = db.prepare("SELECT Documentos.Serie, Documentos.Folio, Documentos.Nombre, Documentos.Fecha, "
                              "Documentos.Vence, Documentos.Total, Total-YaPagado AS Expr1 FROM Documentos " +
                              where + "ORDER BY Documentos.Serie NULLS FIRST, Documentos.Folio");
    st.bindAll(params);
    // Rows go straight from the statement into the report, which grows as they come.
    data.SetSize(0, 7);
    const char* headers[] = {"Serie/Folio", "Cliente", "Fecha", "Vence", "Dias V.", "Importe", "Por pagar"};
    for (int c = 0; c < 7; ++c)
        data.SetHeader(c, headers[c]);
    data.SetAlign(5, CRepData::kRight);
    data.SetAlign(6, CRepData::kRight);
    // Before the rows, which a report written as it is built sends on at once.
    data.AddTitleLine("Fecha de generación: " + DateToText(now));
    data.AddTitleLine("Cliente: " + (f.clienteId != 0 ? f.clienteNombre : std::string("-Todos-")));
    double total = 0;
    double owed = 0;
    int n = 0;
    for (; st.step(); ++n) {
        if (progress && n % kProgressStep == 0 && !progress(n, 0)) {
            data.SetSize(0, 0);
            return false;
        }
        data.SetRowCount(n + 1);
        data.SetCell(n, 0, valueToText(st.column(0)) + NumberToPaddedText(static_cast<long>(st.integer(1))));
        data.SetCell(n, 1, st.text(2));
        data.SetCell(n, 2, DateToText(OleDate{st.real(3)}));
        const double due = st.real(4);
        data.SetCell(n, 3, DateToText(OleDate{due}));
        // Whole days since the due moment, truncated: less than a day late is not yet overdue.
        const double days = std::trunc(now.value - due);
        data.SetCell(n, 4, days <= 0 ? std::string("Por vencer") : std::to_string(static_cast<long long>(days)));
        data.SetCell(n, 5, FormatMoney(st.real(5)));
        data.SetCell(n, 6, FormatMoney(st.real(6)));
        total += st.real(5);
        owed += st.real(6);
    }
    if (n == 0) {
        data.SetSize(0, 0);
        message = "- No hay elementos que mostrar -";
        return false;
    }
    data.SetRowCount(n + 2);
    data.SetCell(n, 5, "================================");
    data.SetCell(n, 6, "================================");
    data.SetCell(n + 1, 5, FormatMoney(total));
    data.SetCell(n + 1, 6, FormatMoney(owed));
    return true;
}
