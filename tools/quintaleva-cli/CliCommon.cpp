#include "CliCommon.h"

#include "cfdi/FiscalStore.h"
#include "cfdi/GlobalInvoice.h"
#include "db/Database.h"
#include "db/Statement.h"
#include "invoice/DocumentStore.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <regex>

int fail(const std::string& message) {
    std::fprintf(stderr, "Error: %s\n", message.c_str());
    return 1;
}

// Options of the form --name VALUE; false (with `error`) on an unknown or incomplete one.
bool readOptions(const std::vector<std::string>& args, std::size_t from, const std::vector<std::string>& known,
                 std::map<std::string, std::string>& out, std::string& error) {
    for (std::size_t i = from; i < args.size(); ++i) {
        if (std::find(known.begin(), known.end(), args[i]) == known.end()) {
            error = "opción desconocida \"" + args[i] + "\".";
            return false;
        }
        if (i + 1 >= args.size()) {
            error = "falta el valor después de " + args[i] + ".";
            return false;
        }
        out[args[i]] = args[i + 1];
        ++i;
    }
    return true;
}

std::optional<std::string> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The key's password from --clave-archivo F or QUINTALEVA_CSD_CLAVE: it never travels on the
// command line, where other users of the machine see it. Nothing when neither is given.
std::optional<std::string> readPassword(std::map<std::string, std::string>& o, std::string& error) {
    if (o.count("--clave-archivo")) {
        const auto text = readFile(o["--clave-archivo"]);
        if (!text) {
            error = "no se pudo leer el archivo de la contraseña \"" + o["--clave-archivo"] + "\".";
            return std::nullopt;
        }
        return text->substr(0, text->find_first_of("\r\n"));
    }
    if (const char* env = std::getenv("QUINTALEVA_CSD_CLAVE"))
        return std::string(env);
    error = "falta la contraseña de la llave privada: --clave-archivo F o la variable QUINTALEVA_CSD_CLAVE.";
    return std::nullopt;
}

// The document SERIE FOLIO of the arguments ("-" for none); nothing, with `error`, when the folio
// is no number or no document has it.
std::optional<std::int32_t> findDocument(Database& db, const std::string& serieArg, const std::string& folioArg,
                                         std::string& error) {
    char* end = nullptr;
    const long folio = std::strtol(folioArg.c_str(), &end, 10);
    if (folioArg.empty() || *end || folio <= 0 || folio > 2147483647L) {
        error = "el folio \"" + folioArg + "\" no es un número.";
        return std::nullopt;
    }
    const std::string serie = serieArg == "-" ? "" : serieArg;
    const auto id = CDocumentStore(db).Find(serie, static_cast<std::int32_t>(folio));
    if (!id)
        error = "no existe el documento " + serie + std::to_string(folio) + ".";
    return id;
}

// "A000123" for messages.
std::string documentName(Database& db, std::int32_t id) {
    Statement s = db.prepare("SELECT Serie, Folio FROM Documentos WHERE Id_Documento = ?");
    s.bind(1, std::int64_t{id});
    return s.step() ? s.text(0) + std::to_string(s.integer(1)) : std::to_string(id);
}

std::string cfdiName(Database& db, const CfdiKey& key) {
    if (key.isGlobal())
        return "factura global " + CGlobalInvoice(db).Name(key.idGlobal);
    return documentName(db, key.idDocumento) + (key.isPayment() ? " pago " + std::to_string(key.numPago) : "");
}

std::unique_ptr<CPacClient> configuredPac(Database& db, std::string& error) {
    std::unique_ptr<CPacClient> client = CPacClient::Create(CFiscalStore(db).pac());
    if (!client)
        error = "no hay un PAC en los datos fiscales: quintaleva-cli datos-fiscales ARCHIVO --pac finkok|sw "
                "--pac-ambiente pruebas|produccion --pac-usuario U --pac-clave-archivo F.";
    return client;
}

// The key's password when a file or the variable gives it; empty otherwise (enough for CFDIs that
// go to the PAC as they are).
std::string optionalPassword(std::map<std::string, std::string>& o, std::string& error) {
    if (!o.count("--clave-archivo") && !std::getenv("QUINTALEVA_CSD_CLAVE"))
        return {};
    return readPassword(o, error).value_or(std::string());
}

// DD/MM/AAAA, a real day of the calendar; midnight, as a date typed in the dialogs.
std::optional<OleDate> parseDate(const std::string& text) {
    static const std::regex form(R"(^([0-9]{1,2})/([0-9]{1,2})/([0-9]{4})$)");
    std::smatch m;
    if (!std::regex_match(text, m, form))
        return std::nullopt;
    const int day = std::stoi(m[1]), month = std::stoi(m[2]), year = std::stoi(m[3]);
    static const int days[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    if (year < 100 || month < 1 || month > 12 || day < 1 || day > days[month - 1] || (month == 2 && day == 29 && !leap))
        return std::nullopt;
    return OleDate::fromDate(year, month, day);
}
