#include "Reporte.h"
#include "CliCommon.h"
#include "CliDatabase.h"

#include "db/Database.h"
#include "db/OleDate.h"
#include "db/Statement.h"
#include "db/ValueFunctions.h"
#include "platform/ui/LocaleMoneyFormat.h"
#include "reports/CatalogReports.h"
#include "reports/CustomerStatement.h"
#include "reports/DocumentsJournal.h"
#include "reports/ReceivablesReport.h"
#include "reports/RepData.h"

#include <QLocale>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <optional>
#include <regex>

namespace {

struct Options {
    std::string name;
    std::string database;
    std::optional<OleDate> desde;
    std::optional<OleDate> hasta;
    long cliente = 0;
    std::string serie;
    long folio = 0;
    bool detallado = false;
    bool vencidas = false;
    bool porDescripcion = false;
    std::vector<std::string> campos;
    std::string output;
    bool text = false;
};


bool parseId(const std::string& text, long& value) {
    if (text.empty() || text.size() > 9 || !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    value = std::stol(text);
    return true;
}

std::vector<std::string> splitList(const std::string& text) {
    std::vector<std::string> items;
    std::string item;
    for (char c : text + ",") {
        if (c == ',') {
            if (!item.empty())
                items.push_back(item);
            item.clear();
        } else if (c != ' ') {
            item += c;
        }
    }
    return items;
}

// Empty when the arguments make a report; otherwise why not.
std::string parse(const std::vector<std::string>& args, Options& o) {
    if (args.size() < 2)
        return "el comando reporte pide NOMBRE y ARCHIVO.";
    o.name = args[0];
    o.database = args[1];
    static const std::vector<std::string> names{"documentos", "cxc", "movimientos", "articulos", "clientes"};
    if (std::find(names.begin(), names.end(), o.name) == names.end())
        return "reporte desconocido \"" + o.name + "\"; los reportes son documentos, cxc, movimientos, articulos y clientes.";
    int outputs = 0;
    for (std::size_t i = 2; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--detallado") {
            o.detallado = true;
            continue;
        }
        if (a == "--vencidas") {
            o.vencidas = true;
            continue;
        }
        if (a == "--por-descripcion") {
            o.porDescripcion = true;
            continue;
        }
        if (i + 1 >= args.size())
            return a.rfind("--", 0) == 0 ? "falta el valor de la opción " + a + "." : "sobra el argumento \"" + a + "\".";
        const std::string& v = args[++i];
        if (a == "--desde" || a == "--hasta") {
            const std::optional<OleDate> date = parseDate(v);
            if (!date)
                return "\"" + v + "\" no es una fecha; escríbala como DD/MM/AAAA.";
            (a == "--desde" ? o.desde : o.hasta) = date;
        } else if (a == "--cliente") {
            if (!parseId(v, o.cliente) || o.cliente == 0)
                return "\"" + v + "\" no es un número de cliente.";
        } else if (a == "--serie") {
            o.serie = v;
            // The dialogs' series field holds two characters and drops the blanks around them.
            o.serie.erase(0, o.serie.find_first_not_of(' '));
            o.serie.erase(o.serie.find_last_not_of(' ') + 1);
            if (o.serie.size() > 2)
                return "la serie tiene a lo más 2 caracteres.";
        } else if (a == "--folio") {
            if (!parseId(v, o.folio))
                return "\"" + v + "\" no es un folio.";
        } else if (a == "--campos") {
            o.campos = splitList(v);
        } else if (a == "--txt" || a == "--rep") {
            o.output = v;
            o.text = a == "--txt";
            ++outputs;
        } else {
            return "opción desconocida \"" + a + "\".";
        }
    }
    if (outputs != 1)
        return "indique la salida con --txt SALIDA o con --rep SALIDA (una de las dos).";
    if (o.desde.has_value() != o.hasta.has_value())
        return "el periodo pide --desde y --hasta.";
    return {};
}

// The name the dialogs show for a chosen customer, as the report's title line needs it.
std::optional<std::string> customerName(Database& db, long id) {
    Statement st = db.prepare("SELECT Nombre FROM Clientes WHERE Id_Cliente=?");
    st.bind(1, std::int64_t{id});
    if (!st.step())
        return std::nullopt;
    return st.text(0);
}

} // namespace

int ReporteCommand(const std::vector<std::string>& args) {
    Options o;
    if (const std::string why = parse(args, o); !why.empty())
        return fail(why);
    const char* title = o.name == "documentos" ? kJournalTitle
                        : o.name == "cxc"        ? kReceivablesTitle
                        : o.name == "movimientos" ? kStatementTitle
                        : o.name == "articulos"  ? kArticlesTitle
                                                 : kCustomersTitle;
    // Rows go to the file as they are built, so a report of any length takes little memory; an
    // output that cannot be written is refused before the work of building it. The file appears
    // only once complete.
    CRepData data;
    std::string error;
    if (!data.StreamTo(o.output, title, o.text, &error))
        return fail(error);
    // Money as the program shows it on this computer.
    MoneyFormat::setCurrent(LocaleMoneyFormat(QLocale::system()));
    std::unique_ptr<Database> db = OpenDatabase(o.database);
    std::string clienteNombre;
    if (o.cliente != 0) {
        const std::optional<std::string> name = customerName(*db, o.cliente);
        if (!name)
            return fail("no existe el cliente " + std::to_string(o.cliente) + ".");
        clienteNombre = *name;
    }

    std::string message;
    bool built = false;
    if (o.name == "documentos") {
        JournalFilter f;
        f.clienteId = o.cliente;
        f.clienteNombre = clienteNombre;
        f.serie = o.serie;
        f.folio = o.folio;
        f.porPeriodo = o.desde.has_value();
        if (f.porPeriodo) {
            f.desde = *o.desde;
            f.hasta = *o.hasta;
        }
        f.detallado = o.detallado;
        built = BuildDocumentsJournal(*db, f, OleDate::now(), data, message);
    } else if (o.name == "cxc") {
        CxcFilter f;
        f.clienteId = o.cliente;
        f.clienteNombre = clienteNombre;
        f.serie = o.serie;
        f.folio = o.folio;
        f.vencidas = o.vencidas;
        built = BuildReceivablesReport(*db, f, OleDate::now(), data, message);
    } else if (o.name == "movimientos") {
        StatementFilter f;
        f.clienteId = o.cliente;
        f.clienteNombre = clienteNombre;
        // Without a period, today's, as the dialog opens.
        f.desde = o.desde.value_or(OleDate::now());
        f.hasta = o.hasta.value_or(OleDate::now());
        f.detallado = o.detallado;
        built = BuildCustomerStatement(*db, f, OleDate::now(), data, message);
    } else if (o.name == "articulos") {
        built = BuildArticlesCatalog(*db, o.porDescripcion, OleDate::today(), data, message);
    } else {
        const std::vector<std::string> known = CustomerReportFields();
        for (const std::string& field : o.campos)
            if (std::find(known.begin(), known.end(), field) == known.end()) {
                std::string list;
                for (const std::string& k : known)
                    list += (list.empty() ? "" : ", ") + k;
                return fail("campo desconocido \"" + field + "\"; los campos son " + list + ".");
            }
        // The columns follow the catalogue's order, as in the dialog's list.
        std::vector<std::string> fields;
        for (const std::string& k : known)
            if (std::find(o.campos.begin(), o.campos.end(), k) != o.campos.end())
                fields.push_back(k);
        built = BuildCustomersCatalog(*db, fields, OleDate::now(), data, message);
    }
    if (!built)
        return fail(message);
    const int rows = data.GetRowCount();
    if (!data.FinishStream(&error))
        return fail(error);
    std::printf("- Reporte guardado - %s (%d renglones)\n", o.output.c_str(), rows);
    return 0;
}
