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
    data.SetSize(0, 4);
    data.SetHeader(0, "Clave");
    data.SetHeader(1, "Descripción");
    data.SetHeader(2, "Precio");
    data.SetHeader(3, "Precio neto");
    data.SetAlign(2, CRepData::kRight);
    data.SetAlign(3, CRepData::kRight);
    data.AddTitleLine("Fecha: " + DateToText(today));
    int n = 0;
    for (; st.step(); ++n) {
        data.SetRowCount(n + 1);
        data.SetCell(n, 0, st.text(0));
        data.SetCell(n, 1, st.text(1));
        data.SetCell(n, 2, FormatMoney(st.real(2)));
        data.SetCell(n, 3, FormatMoney(st.real(3)));
    }
    if (n == 0) {
        data.SetSize(0, 0);
        message = kNothing;
        return false;
    }
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
    data.SetSize(0, k);
    for (int c = 0; c < k; ++c)
        data.SetHeader(c, st.columnName(c));
    data.AddTitleLine("Fecha: " + DateToText(now));
    int n = 0;
    for (; st.step(); ++n) {
        data.SetRowCount(n + 1);
        for (int c = 0; c < k; ++c)
            data.SetCell(n, c, st.text(c));
    }
    if (n == 0) {
        data.SetSize(0, 0);
        message = "No hay datos que mostrar";
        if (plainBox)
            *plainBox = true;
        return false;
    }
    return true;
}
