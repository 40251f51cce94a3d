#include "reports/ReceivablesReport.h"

#include "db/Database.h"
#include "db/Statement.h"
#include "db/ValueFunctions.h"
#include "invoice/MoneyText.h"
#include "reports/RepData.h"

#include <cmath>
#include <vector>

bool BuildReceivablesReport(Database& db, const CxcFilter& f, OleDate now, CRepData& data, std::string& message) {
    message.clear();
    std::string where = "WHERE Documentos.Cancelada=0 AND Documentos.Pagado=0 ";
    std::vector<DbValue> params;
    if (f.vencidas) {
        where += "AND Documentos.Vence<=? ";
        params.emplace_back(now.dateOnly().value);
    }
    if (f.folio != 0) {
        if (!f.serie.empty()) {
            where += "AND Documentos.Serie = ? AND Documentos.Folio = ? ";
            params.emplace_back(f.serie);
        } else {
            where += "AND Documentos.Serie Is Null AND Documentos.Folio=? ";
        }
        params.emplace_back(std::int64_t{f.folio});
    } else {
        if (f.clienteId != 0) {
            where += "AND Documentos.Id_Cliente=? ";
            params.emplace_back(std::int64_t{f.clienteId});
        }
        if (!f.serie.empty()) {
            where += "AND Documentos.Serie=? ";
            params.emplace_back(f.serie);
        }
    }
    Statement st = db.prepare("SELECT Documentos.Serie, Documentos.Folio, Documentos.Nombre, Documentos.Fecha, "
                              "Documentos.Vence, Documentos.Total, Total-YaPagado AS Expr1 FROM Documentos " +
                              where + "ORDER BY Documentos.Serie, Documentos.Folio");
    st.bindAll(params);
    const std::vector<std::vector<DbValue>> rows = st.fetchAll();
    if (rows.empty()) {
        message = "- No hay elementos que mostrar -";
        return false;
    }
    const int n = static_cast<int>(rows.size());
    data.SetSize(n + 2, 7);
    const char* headers[] = {"Serie/Folio", "Cliente", "Fecha", "Vence", "Dias V.", "Importe", "Por pagar"};
    for (int c = 0; c < 7; ++c)
        data.SetHeader(c, headers[c]);
    data.SetAlign(5, CRepData::kRight);
    data.SetAlign(6, CRepData::kRight);
    double total = 0;
    double owed = 0;
    for (int r = 0; r < n; ++r) {
        const std::vector<DbValue>& row = rows[static_cast<std::size_t>(r)];
        data.SetCell(r, 0, valueToText(row[0]) + NumberToPaddedText(static_cast<long>(valueToInt(row[1]))));
        data.SetCell(r, 1, valueToText(row[2]));
        data.SetCell(r, 2, DateToText(OleDate{valueToDouble(row[3])}));
        data.SetCell(r, 3, DateToText(OleDate{valueToDouble(row[4])}));
        // Whole days since the due moment, truncated: less than a day late is not yet overdue.
        const double days = std::trunc(now.value - valueToDouble(row[4]));
        data.SetCell(r, 4, days <= 0 ? std::string("Por vencer") : std::to_string(static_cast<long long>(days)));
        data.SetCell(r, 5, FormatMoney(valueToDouble(row[5])));
        data.SetCell(r, 6, FormatMoney(valueToDouble(row[6])));
        total += valueToDouble(row[5]);
        owed += valueToDouble(row[6]);
    }
    data.SetCell(n, 5, "================================");
    data.SetCell(n, 6, "================================");
    data.SetCell(n + 1, 5, FormatMoney(total));
    data.SetCell(n + 1, 6, FormatMoney(owed));
    data.AddTitleLine("Fecha de generación: " + DateToText(now));
    data.AddTitleLine("Cliente: " + (f.clienteId != 0 ? f.clienteNombre : std::string("-Todos-")));
    return true;
}
