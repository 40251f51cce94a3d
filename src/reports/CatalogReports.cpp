#include "reports/CatalogReports.h"

#include "db/Database.h"
#include "db/Schema.h"
#include "db/Statement.h"
#include "db/ValueFunctions.h"
#include "invoice/MoneyText.h"
#include "reports/RepData.h"

#include <algorithm>

namespace {

constexpr const char* kNothing = "- No hay elementos que mostrar -";

} // namespace

bool BuildArticlesCatalog(Database& db, bool byDescription, OleDate today, CRepData& data, std::string& message) {
    message.clear();
    Statement st = db.prepare(std::string("SELECT Clave, Descripcion, Precio, PrecioNeto FROM Articulos ORDER BY ") +
                              (byDescription ? "Descripcion COLLATE ES, Id_Articulo" : "Clave COLLATE ES, Id_Articulo"));
    const std::vector<std::vector<DbValue>> rows = st.fetchAll();
    if (rows.empty()) {
        message = kNothing;
        return false;
    }
    const int n = static_cast<int>(rows.size());
    data.SetSize(n, 4);
    data.SetHeader(0, "Clave");
    data.SetHeader(1, "Descripción");
    data.SetHeader(2, "Precio");
    data.SetHeader(3, "Precio neto");
    data.SetAlign(2, CRepData::kRight);
    data.SetAlign(3, CRepData::kRight);
    for (int r = 0; r < n; ++r) {
        const std::vector<DbValue>& row = rows[static_cast<std::size_t>(r)];
        data.SetCell(r, 0, valueToText(row[0]));
        data.SetCell(r, 1, valueToText(row[1]));
        data.SetCell(r, 2, FormatMoney(valueToDouble(row[2])));
        data.SetCell(r, 3, FormatMoney(valueToDouble(row[3])));
    }
    data.AddTitleLine("Fecha: " + DateToText(today));
    return true;
}

std::vector<std::string> CustomerReportFields() {
    std::vector<std::string> names;
    const TableDef& table = Schema::table("Clientes");
    for (std::size_t i = 1; i < table.columns.size(); ++i)
        names.push_back(table.columns[i].name);
    return names;
}

bool BuildCustomersCatalog(Database& db, const std::vector<std::string>& fields, OleDate now, CRepData& data,
                           std::string& message, bool* plainBox) {
    message.clear();
    if (plainBox)
        *plainBox = false;
    const std::vector<std::string> known = CustomerReportFields();
    // Field names go into the SQL text, so only the catalogue's own column names are accepted.
    const bool allKnown = std::all_of(fields.begin(), fields.end(), [&known](const std::string& f) {
        return std::find(known.begin(), known.end(), f) != known.end();
    });
    if (fields.empty() || !allKnown) {
        message = "- Seleccione al menos un campo para el reporte -";
        return false;
    }
    std::string sql = "SELECT ";
    for (const std::string& f : fields)
        sql += f + ",";
    sql.pop_back();
    sql += " FROM Clientes";
    Statement st = db.prepare(sql);
    const int k = static_cast<int>(fields.size());
    std::vector<std::vector<std::string>> rows;
    while (st.step()) {
        std::vector<std::string> row;
        for (int c = 0; c < k; ++c)
            row.push_back(st.text(c));
        rows.push_back(std::move(row));
    }
    if (rows.empty()) {
        message = "No hay datos que mostrar";
        if (plainBox)
            *plainBox = true;
        return false;
    }
    const int n = static_cast<int>(rows.size());
    data.SetSize(n, k);
    for (int c = 0; c < k; ++c)
        data.SetHeader(c, st.columnName(c));
    for (int r = 0; r < n; ++r)
        for (int c = 0; c < k; ++c)
            data.SetCell(r, c, rows[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)]);
    data.AddTitleLine("Fecha: " + DateToText(now));
    return true;
}
