#include "reports/CustomerStatement.h"

#include "db/Database.h"
#include "db/Statement.h"
#include "db/Transaction.h"
#include "db/ValueFunctions.h"
#include "invoice/MoneyText.h"
#include "reports/RepData.h"

#include <algorithm>
#include <unordered_map>
#include <vector>

namespace {

constexpr const char* kNothing = "- No hay elementos que mostrar -";

struct Customer {
    std::int64_t id;
    std::string nombre;
};

// One customer's figures: documents and payments before the period, charges and credits inside it.
struct Figures {
    double docsBefore = 0;
    double paysBefore = 0;
    double charges = 0;
    double credits = 0;
    double initial() const { return docsBefore - paysBefore; }
};

// Fills the figures of every customer in `figures` (by Id_Cliente) with one grouped query per
// table, instead of four sums per customer. `only` narrows both queries to one customer.
void addFigures(Database& db, const std::string& table, const char* amount, const char* notCancelled,
                const StatementFilter& f, std::int64_t only, std::unordered_map<std::int64_t, Figures>& figures,
                double Figures::*before, double Figures::*inside) {
    const DbValue start = f.desde.isValid() ? DbValue(f.desde.dateOnly().value) : DbValue();
    const SqlCondition period = BetweenDates(f.desde, f.hasta);
    std::string sql = std::string("SELECT Id_Cliente, Sum(CASE WHEN Fecha<? THEN ") + amount +
                      " END), Sum(CASE WHEN Fecha " + period.sql + " THEN " + amount + " END) FROM " + table +
                      // Every row counts for some customer: one pass over the table and a sort beat
                      // walking the customer index with a table lookup per row (about 3x).
                      (only != 0 ? std::string() : db.dialect().wholeTableHint()) + " WHERE " + notCancelled;
    std::vector<DbValue> params{start};
    params.insert(params.end(), period.params.begin(), period.params.end());
    if (only != 0) {
        sql += " AND Id_Cliente=?";
        params.emplace_back(only);
    }
    Statement st = db.prepare(sql + " GROUP BY Id_Cliente");
    st.bindAll(params);
    while (st.step()) {
        const auto it = figures.find(st.integer(0));
        if (it == figures.end())
            continue;  // documents of no catalogue customer
        it->second.*before = valueToDouble(st.column(1));
        it->second.*inside = valueToDouble(st.column(2));
    }
}

std::unordered_map<std::int64_t, Figures> figuresOf(Database& db, const StatementFilter& f,
                                                    const std::vector<Customer>& customers) {
    std::unordered_map<std::int64_t, Figures> figures;
    for (const Customer& cu : customers)
        figures.emplace(cu.id, Figures{});
    const std::int64_t only = customers.size() == 1 ? customers.front().id : 0;
    addFigures(db, "Documentos", "Total", "Cancelada=0", f, only, figures, &Figures::docsBefore, &Figures::charges);
    addFigures(db, "Cobros", "Importe", "1 = 1", f, only, figures, &Figures::paysBefore, &Figures::credits);
    return figures;
}

std::vector<DbValue> withPeriod(std::int64_t c, const SqlCondition& period) {
    std::vector<DbValue> p{c};
    p.insert(p.end(), period.params.begin(), period.params.end());
    return p;
}

void titleLines(CRepData& data, const StatementFilter& f, OleDate today, const char* form) {
    data.AddTitleLine("Fecha de generación: " + DateToText(today));
    data.AddTitleLine("Periodo: del " + DateToText(f.desde) + " al " + DateToText(f.hasta));
    data.AddTitleLine("Cliente: " + (f.clienteId != 0 ? f.clienteNombre : std::string("-Todos-")));
    data.AddTitleLine(form);
}

void summary(Database& db, const StatementFilter& f, const std::vector<Customer>& customers, OleDate today,
             CRepData& data) {
    const int n = static_cast<int>(customers.size());
    data.SetSize(n + 2, 5);
    const char* headers[] = {"Cliente", "Saldo Inicial", "Cargos", "Abonos", "Saldo final"};
    for (int c = 0; c < 5; ++c)
        data.SetHeader(c, headers[c]);
    for (int c = 1; c <= 4; ++c)
        data.SetAlign(c, CRepData::kRight);
    // Before the rows, which a report written as it is built sends on at once.
    titleLines(data, f, today, "(Resumido)");
    const auto figures = figuresOf(db, f, customers);
    double totals[4] = {0, 0, 0, 0};
    for (int r = 0; r < n; ++r) {
        const Customer& cu = customers[static_cast<std::size_t>(r)];
        const Figures& fig = figures.at(cu.id);
        const double I = fig.initial();
        const double Ch = fig.charges;
        const double Cr = fig.credits;
        const double F = (Ch + I) - Cr;
        const double values[4] = {I, Ch, Cr, F};
        data.SetCell(r, 0, cu.nombre);
        for (int c = 0; c < 4; ++c) {
            data.SetCell(r, c + 1, FormatMoney(values[c]));
            totals[c] += values[c];
        }
    }
    // Row by row: a report written as it is built takes each row once.
    for (int c = 1; c <= 4; ++c)
        data.SetCell(n, c, "=========================================");
    for (int c = 1; c <= 4; ++c)
        data.SetCell(n + 1, c, FormatMoney(totals[c - 1]));
}

bool detailed(Database& db, const StatementFilter& f, const std::vector<Customer>& customers, OleDate today,
              CRepData& data, std::string& message, const ReportProgress& progress) {
    const SqlCondition period = BetweenDates(f.desde, f.hasta);
    const auto figures = figuresOf(db, f, customers);
    data.SetSize(0, 7);
    const char* headers[] = {"Cliente", "Fecha", "Concepto", "Referencia", "Cargos", "Abonos", "Saldo final"};
    for (int c = 0; c < 7; ++c)
        data.SetHeader(c, headers[c]);
    titleLines(data, f, today, "(Detallado)");

    // One customer's movements at a time: they are staged in AuxEdo (on a server the station's own
    // copy of it) and, in date order, written straight into the report, so customers who share a
    // name keep their own block and balance.
    struct Movement {
        double fecha;
        std::string concepto;
        std::string referencia;
        double cargos;
        double abonos;
    };
    std::vector<Movement> moves;
    // Staging and reading are one transaction: a failure or a cancel leaves AuxEdo as it was.
    const Dialect::Staging staging = db.dialect().staging("AuxEdo");
    Transaction tx(db);
    if (!staging.createSql.empty())
        db.execute(staging.createSql);
    db.execute("DELETE FROM " + staging.table);
    Statement insert = db.prepare(
        "INSERT INTO " + staging.table +
        " (Cliente, Fecha, Concepto, Referencia, Cargos, Abonos) VALUES (?, ?, ?, ?, ?, ?)");
    Statement docs = db.prepare("SELECT Fecha, Serie, Folio, Total FROM Documentos WHERE Id_Cliente=? AND "
                                "Cancelada=0 AND Fecha " + period.sql);
    Statement pays = db.prepare(
        "SELECT Cobros.Fecha, Documentos.Serie, Documentos.Folio, Cobros.Referencia, Cobros.Importe FROM "
        "Documentos INNER JOIN Cobros ON Documentos.Id_Documento = Cobros.Id_Documento WHERE "
        "Documentos.Cancelada=0 AND Documentos.Id_Cliente=? AND Cobros.Fecha " + period.sql);
    int r = 0;
    const auto total = static_cast<std::int64_t>(customers.size());
    for (std::int64_t i = 0; i < total; ++i) {
        if (progress && !progress(i, total)) {
            data.SetSize(0, 0);
            message.clear();
            return false;
        }
        const Customer& cu = customers[static_cast<std::size_t>(i)];
        moves.clear();
        moves.push_back({f.desde.value, "Saldo Inicial", std::string(), figures.at(cu.id).initial(), 0.0});
        docs.reset();
        docs.bindAll(withPeriod(cu.id, period));
        while (docs.step())
            moves.push_back({docs.real(0), "Doc. " + docs.text(1) + NumberToPaddedText(static_cast<long>(docs.integer(2))),
                             std::string(), docs.real(3), 0.0});
        pays.reset();
        pays.bindAll(withPeriod(cu.id, period));
        while (pays.step())
            moves.push_back({pays.real(0),
                             "Pago doc. " + pays.text(1) + NumberToPaddedText(static_cast<long>(pays.integer(2))),
                             pays.text(3), 0.0, pays.real(4)});
        for (const Movement& mv : moves) {
            insert.reset();
            insert.bindAll({cu.nombre, mv.fecha, mv.concepto,
                            mv.referencia.empty() ? DbValue() : DbValue(mv.referencia), mv.cargos, mv.abonos});
            insert.execute();
        }
        // By date; movements of the same moment keep the order they were staged in.
        std::stable_sort(moves.begin(), moves.end(),
                         [](const Movement& a, const Movement& b) { return a.fecha < b.fecha; });

        // A name row, the movements, the final balance and a blank row.
        data.SetRowCount(r + static_cast<int>(moves.size()) + 3);
        data.SetCell(r++, 0, cu.nombre);
        double S = 0;
        for (const Movement& mv : moves) {
            data.SetCell(r, 1, DateToText(OleDate{mv.fecha}));
            data.SetCell(r, 2, mv.concepto);
            data.SetCell(r, 3, mv.referencia);
            if (mv.cargos > 0.01)
                data.SetCell(r, 4, FormatMoney(mv.cargos));
            if (mv.abonos > 0.01)
                data.SetCell(r, 5, FormatMoney(mv.abonos));
            S += mv.cargos - mv.abonos;
            ++r;
        }
        data.SetCell(r, 6, FormatMoney(S));
        r += 2;
    }
    tx.commit();
    return true;
}

} // namespace

bool BuildCustomerStatement(Database& db, const StatementFilter& f, OleDate today, CRepData& data,
                            std::string& message, const ReportProgress& progress) {
    message.clear();
    std::vector<Customer> customers;
    Statement st = db.prepare(f.clienteId != 0
                                  ? "SELECT Id_Cliente, Nombre FROM Clientes WHERE Id_Cliente=? ORDER BY Nombre COLLATE ES, Id_Cliente"
                                  : "SELECT Id_Cliente, Nombre FROM Clientes ORDER BY Nombre COLLATE ES, Id_Cliente");
    if (f.clienteId != 0)
        st.bind(1, std::int64_t{f.clienteId});
    while (st.step())
        customers.push_back({st.integer(0), st.text(1)});
    if (customers.empty()) {
        message = kNothing;
        return false;
    }
    if (!f.detallado) {
        summary(db, f, customers, today, data);
        return true;
    }
    return detailed(db, f, customers, today, data, message, progress);
}
