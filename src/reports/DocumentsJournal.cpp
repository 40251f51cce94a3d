#include "reports/DocumentsJournal.h"

#include "db/Database.h"
#include "db/ReadSnapshot.h"
#include "db/Statement.h"
#include "db/ValueFunctions.h"
#include "invoice/MoneyText.h"
#include "reports/DocumentSelection.h"
#include "reports/RepData.h"

#include <charconv>
#include <vector>

namespace {

std::string folioText(const DbValue& serie, const DbValue& folio) {
    return valueToText(serie) + NumberToPaddedText(static_cast<long>(valueToInt(folio)));
}

// A cancelled build leaves no half report behind, and no message to show.
bool cancelled(CRepData& data, std::string& message) {
    data.SetSize(0, 0);
    message.clear();
    return false;
}

std::string dateText(const DbValue& v) { return DateToText(OleDate{valueToDouble(v)}); }

// "%.2f", as to_chars gives it (the same digits, faster).
std::string number2(double v) {
    char buf[512];
    const std::to_chars_result r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 2);
    return std::string(buf, r.ptr);
}

void titleLines(CRepData& data, const JournalFilter& f, OleDate today, const char* form) {
    data.AddTitleLine("Fecha de generación: " + DateToText(today));
    if (f.porPeriodo)
        data.AddTitleLine("Periodo: del " + DateToText(f.desde) + " al " + DateToText(f.hasta));
    data.AddTitleLine("Cliente: " + (f.clienteId != 0 ? f.clienteNombre : std::string("-Todos-")));
    data.AddTitleLine(form);
}

bool summary(Database& db, const JournalFilter& f, OleDate today, CRepData& data, std::string& message,
             const ReportProgress& progress) {
    std::string where;
    std::vector<DbValue> params;
    auto add = [&](const std::string& sql, std::vector<DbValue> values) {
        where += where.empty() ? sql : "AND " + sql;
        params.insert(params.end(), values.begin(), values.end());
    };
    if (f.clienteId != 0)
        add("Id_Cliente=? ", {std::int64_t{f.clienteId}});
    if (!f.serie.empty())
        add("Serie=? ", {f.serie});
    if (f.porPeriodo) {
        const SqlCondition period = BetweenDates(f.desde, f.hasta);
        add("Fecha " + period.sql + " ", period.params);
    }
    if (f.folio != 0) {
        // A folio names one document: the other filters no longer apply.
        params.clear();
        if (!f.serie.empty()) {
            where = "Serie = ? AND Folio = ?";
            params = {f.serie, std::int64_t{f.folio}};
        } else {
            where = "Serie Is Null AND Folio=?";
            params = {std::int64_t{f.folio}};
        }
    }
    Statement st = db.prepare("SELECT Serie, Folio, Cancelada, Fecha, Vence, Nombre, Total FROM Documentos " +
                              (where.empty() ? std::string() : "WHERE " + where) + " ORDER BY Serie NULLS FIRST, Folio");
    st.bindAll(params);
    // Rows go straight from the statement into the report, which grows as they come.
    data.SetSize(0, 5);
    const char* headers[] = {"Serie/Folio", "Fecha", "Vencimiento", "Cliente", "Importe"};
    for (int c = 0; c < 5; ++c)
        data.SetHeader(c, headers[c]);
    data.SetAlign(4, CRepData::kRight);
    // Before the rows, which a report written as it is built sends on at once.
    titleLines(data, f, today, "(Resumido)");
    double total = 0;
    int n = 0;
    for (; st.step(); ++n) {
        if (progress && n % kProgressStep == 0 && !progress(n, 0))
            return cancelled(data, message);
        data.SetRowCount(n + 1);
        data.SetCell(n, 0, folioText(st.column(0), st.column(1)));
        if (valueToInt(st.column(2)) != 0) {
            data.SetCell(n, 3, "- CANCELADA -");
            continue;
        }
        data.SetCell(n, 1, dateText(st.column(3)));
        data.SetCell(n, 2, dateText(st.column(4)));
        data.SetCell(n, 3, valueToText(st.column(5)));
        data.SetCell(n, 4, FormatMoney(valueToDouble(st.column(6))));
        total += valueToDouble(st.column(6));
    }
    if (n == 0) {
        data.SetSize(0, 0);
        message = "No hay elemnetos que mostrar";
        return false;
    }
    data.SetRowCount(n + 2);
    data.SetCell(n, 4, "======================================");
    data.SetCell(n + 1, 3, "Total:");
    data.SetCell(n + 1, 4, FormatMoney(total));
    return true;
}

bool detailed(Database& db, const JournalFilter& f, OleDate today, CRepData& data, std::string& message,
              const ReportProgress& progress) {
    std::string where = "WHERE Documentos.Cancelada=0 ";
    std::vector<DbValue> params;
    AddDocumentSelection(where, params, f.folio, f.serie, f.clienteId);
    if (f.folio == 0 && f.porPeriodo) {
        const SqlCondition period = BetweenDates(f.desde, f.hasta);
        where += "AND Documentos.Fecha " + period.sql + " ";
        params.insert(params.end(), period.params.begin(), period.params.end());
    }
    // The counts and the rows come from one snapshot, so the sizes fit the rows even while another
    // station saves; the rows then go straight into the report, never held twice.
    ReadSnapshot snapshot(db);
    Statement count = db.prepare("SELECT Count(Documentos.Id_Documento) AS CI FROM Documentos " + where);
    count.bindAll(params);
    const int d = count.step() ? static_cast<int>(count.integer(0)) : 0;
    const std::string join =
        "FROM Documentos INNER JOIN Detalles ON Documentos.Id_Documento = Detalles.Id_Documento " + where;
    Statement lines = db.prepare("SELECT count(*) " + join);
    lines.bindAll(params);
    const int k = lines.step() ? static_cast<int>(lines.integer(0)) : 0;
    if (k == 0) {
        message = "- No hat elementos que mostrar -";
        return false;
    }

    Statement st = db.prepare(
        "SELECT Documentos.Serie, Documentos.Folio, Documentos.Fecha, Documentos.Nombre, Detalles.Clave, "
        "Detalles.Descripcion, Detalles.Cantidad, Detalles.Precio, Detalles.pDescuento, "
        "Detalles.Importe-Detalles.Descuento AS Expr1, Documentos.Id_Documento, Documentos.Subtotal, "
        "Documentos.Impuesto1+Documentos.Impuesto2 AS tImp, Documentos.Retencion1+Documentos.Retencion2 AS tRet, "
        "Documentos.Total " + join +
        "ORDER BY Documentos.Serie NULLS FIRST,Documentos.Folio,Documentos.Id_Documento,Detalles.Renglon,Detalles.Id_Detalle");
    st.bindAll(params);
    data.SetSize(k + 8 * d, 8);
    for (int c = 5; c <= 7; ++c)
        data.SetAlign(c, CRepData::kRight);
    titleLines(data, f, today, "(Detallado, No incluye documentos cancelados)");

    int m = 0;
    bool open = false;
    std::int64_t current = 0;
    std::string totals[4];
    // The totals block under a document's last line.
    auto close = [&] {
        data.SetCell(m, 7, "=============================================");
        const char* labels[] = {"Subtotal:", "Impuestos:", "Retenciones:", "Total:"};
        for (int t = 0; t < 4; ++t) {
            data.SetCell(m + 1 + t, 6, labels[t]);
            data.SetCell(m + 1 + t, 7, totals[t]);
        }
        m += 6;
    };
    for (int read = 0; st.step(); ++read) {
        if (progress && read % kProgressStep == 0 && !progress(read, k))
            return cancelled(data, message);
        if (!open || valueToInt(st.column(10)) != current) {
            if (open)
                close();
            open = true;
            current = valueToInt(st.column(10));
            for (int t = 0; t < 4; ++t)
                totals[t] = FormatMoney(valueToDouble(st.column(11 + t)));
            data.SetCell(m, 0, "Folio: " + folioText(st.column(0), st.column(1)) + "   " + dateText(st.column(2)) +
                                   "   " + valueToText(st.column(3)));
            const char* lineHeaders[] = {"Código", "Artículo", "Cantidad", "Precio", "Descuento", "Importe"};
            for (int c = 0; c < 6; ++c)
                data.SetCell(m + 1, c + 2, lineHeaders[c]);
            m += 2;
        }
        data.SetCell(m, 2, valueToText(st.column(4)));
        data.SetCell(m, 3, valueToText(st.column(5)));
        data.SetCell(m, 4, number2(valueToDouble(st.column(6))));
        data.SetCell(m, 5, FormatMoney(valueToDouble(st.column(7))));
        data.SetCell(m, 6, number2(valueToDouble(st.column(8))));
        data.SetCell(m, 7, FormatMoney(valueToDouble(st.column(9))));
        ++m;
    }
    if (open)
        close();
    return true;
}

} // namespace

bool BuildDocumentsJournal(Database& db, const JournalFilter& filter, OleDate today, CRepData& data,
                           std::string& message, const ReportProgress& progress) {
    message.clear();
    return filter.detallado ? detailed(db, filter, today, data, message, progress)
                            : summary(db, filter, today, data, message, progress);
}
