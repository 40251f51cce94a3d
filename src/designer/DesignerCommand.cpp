#include "designer/DesignerCommand.h"

#include "db/Database.h"
#include "db/DbError.h"
#include "db/DbErrorText.h"
#include "designer/DesignFormat.h"
#include "designer/FormatCatalog.h"
#include "designer/QvfFile.h"

#include <charconv>
#include <filesystem>

namespace DesignerCommand {

namespace {

constexpr const char* kExport = "--exportar";
constexpr const char* kImport = "--importar";
constexpr const char* kName = "--nombre";
constexpr const char* kUsage = "uso: lantorela --exportar ARCHIVO ID SALIDA.qvf\n"
                               "     lantorela --importar ARCHIVO ENTRADA.qvf [--nombre NOMBRE]";

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
    const auto stream = CFormatCatalog(*db).RawStream(id);
    if (!stream) {
        err << "Error: no existe el formato de impresora de Windows " << id << ".\n";
        return 1;
    }
    CWindowsFormat check;
    if (!check.ReadStream(*stream)) {
        err << "Error: la definición del formato " << id << " está dañada; no se exporta.\n";
        return 1;
    }
    std::string error;
    if (!QvfFile::Write(args[3], *stream, &error)) {
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
    const std::int32_t id =
        CFormatCatalog(*db).AddRaw(name, read.bytes, CDesignFormat::DerivedCaben(read.format), 0);
    out << "Formato \"" << name << "\" importado con el número " << id << '\n';
    return 0;
}

} // namespace

bool IsCommand(const std::vector<std::string>& args) {
    return !args.empty() && (args[0] == kExport || args[0] == kImport);
}

int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
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
