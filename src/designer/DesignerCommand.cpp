#include "designer/DesignerCommand.h"

#include "db/Database.h"
#include "db/DbError.h"
#include "db/DbErrorText.h"
#include "designer/DesignFormat.h"
#include "designer/FormatCatalog.h"
#include "designer/QvfFile.h"

#include <algorithm>
#include <charconv>
#include <iterator>
#include <filesystem>

namespace DesignerCommand {

namespace {

constexpr const char* kExport = "--exportar";
constexpr const char* kImport = "--importar";
constexpr const char* kName = "--nombre";
constexpr const char* kUsage =
    "uso: lantorela [ARCHIVO]\n"
    "     lantorela --exportar ARCHIVO ID SALIDA.qvf\n"
    "     lantorela --importar ARCHIVO ENTRADA.qvf [--nombre NOMBRE]\n"
    "     lantorela --version | --help\n"
    "\n"
    "Sin opciones abre el diseñador de formatos de impresión sobre ARCHIVO (una base de datos de\n"
    "Quintaleva 2 o la dirección postgresql://… de un servidor compartido), o sobre la base de datos\n"
    "que usa Quintaleva en esta computadora. Necesita el escritorio.\n"
    "\n"
    "  --exportar  guarda el formato número ID de ARCHIVO, completo (diseño, líneas por hoja,\n"
    "              repetición, observaciones, papel e imagen de fondo), en SALIDA.qvf.\n"
    "  --importar  agrega a ARCHIVO el formato de ENTRADA.qvf, con el nombre del archivo o NOMBRE.\n"
    "  --version   muestra la versión.\n"
    "  --help      muestra esta ayuda.\n"
    "\n"
    "Estas opciones no necesitan el escritorio.";
constexpr const char* kHelp[] = {"--help", "-h", "--ayuda"};

bool parseId(const std::string& text, std::int32_t& id) {
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, id);
    return ec == std::errc() && ptr == end && id > 0;
}

int exportFormat(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    std::int32_t id = 0;
    if (args.size() != 4 || !parseId(args[2], id)) {
        err << kUsage << '\n';
        return 2;
    }
    auto db = Database::open(args[1]);
    CFormatCatalog catalog(*db);
    CDesignFormat format;
    const CFormatCatalog::Result loaded = catalog.Load(id, format);
    const auto stream = catalog.RawStream(id);
    if (loaded.status == CFormatCatalog::Status::Missing || !stream) {
        err << "Error: no existe el formato de impresora de Windows " << id << ".\n";
        return 1;
    }
    if (!loaded) {
        err << "Error: la definición del formato " << id << " está dañada; no se exporta.\n";
        return 1;
    }
    // The stored bytes, not the stream written again: the file carries the format as it is.
    std::string error;
    if (!QvfFile::Write(args[3], QvfFile::Encode(QvfFile::ContentsOf(format, *stream)), &error)) {
        err << "Error: " << error << '\n';
        return 1;
    }
    out << "Formato " << id << " exportado a " << args[3] << '\n';
    return 0;
}

int importFormat(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    std::vector<std::string> positional;
    std::string name;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] == kName) {
            if (i + 1 >= args.size() || args[i + 1].empty()) {
                err << kUsage << '\n';
                return 2;
            }
            name = args[++i];
        } else {
            positional.push_back(args[i]);
        }
    }
    if (positional.size() != 2) {
        err << kUsage << '\n';
        return 2;
    }
    const QvfFile::ReadResult read = QvfFile::Read(positional[1]);
    if (!read.ok) {
        err << "Error: " << read.message << '\n';
        return 1;
    }
    if (name.empty())
        name = std::filesystem::path(positional[1]).stem().string();
    auto db = Database::open(positional[0]);
    const QvfFile::Contents& c = read.contents;
    const std::int32_t id = CFormatCatalog(*db).AddRaw(name, c.stream, c.caben, c.repetir, c.observaciones, c.sheet,
                                                       c.background.get());
    out << "Formato \"" << name << "\" importado con el número " << id << '\n';
    return 0;
}

bool isHelp(const std::string& arg) {
    return std::find(std::begin(kHelp), std::end(kHelp), arg) != std::end(kHelp);
}

} // namespace

const char* Usage() { return kUsage; }

bool IsCommand(const std::vector<std::string>& args) {
    return !args.empty() && (args[0] == kExport || args[0] == kImport || isHelp(args[0]));
}

int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (!args.empty() && isHelp(args[0])) {
        out << kUsage << '\n';
        return 0;
    }
    try {
        if (!args.empty() && args[0] == kExport)
            return exportFormat(args, out, err);
        if (!args.empty() && args[0] == kImport)
            return importFormat(args, out, err);
    } catch (const DbError& e) {
        err << "Error: " << DbErrorText(e) << '\n';
        return 1;
    }
    err << kUsage << '\n';
    return 2;
}

} // namespace DesignerCommand
