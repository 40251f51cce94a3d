#include "Respaldar.h"
#include "CliCommon.h"
#include "CliDatabase.h"

#include "config/DatabaseBackup.h"
#include "db/Database.h"

#include <cstdio>

int RespaldarCommand(const std::vector<std::string>& args) {
    std::vector<std::string> places;
    int keep = CDatabaseBackup::kDefaultKeep;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--conservar") {
            const auto parsed = i + 1 < args.size() ? CDatabaseBackup::ParseKeep(args[++i]) : std::nullopt;
            if (!parsed)
                return fail("--conservar pide un número entero de 1 o más.");
            keep = *parsed;
        } else if (args[i].rfind("--", 0) == 0) {
            return fail("opción desconocida \"" + args[i] + "\" del comando respaldar.");
        } else {
            places.push_back(args[i]);
        }
    }
    if (places.size() != 2)
        return fail("el comando respaldar pide ORIGEN y CARPETA: quintaleva-cli respaldar ORIGEN CARPETA [--conservar N]");
    auto db = OpenDatabase(places[0]);
    const CDatabaseBackup::Result r = CDatabaseBackup::Run(*db, places[1], keep);
    if (!r.error.empty())
        return fail(r.error + "\nNo se borró ningún respaldo anterior.");
    std::printf("Respaldo escrito: %s\n", r.file.c_str());
    std::printf("Revisado: archivo sano, renglones de las %d tablas iguales al origen.\n", r.tables);
    for (const std::string& old : r.removed)
        std::printf("Respaldo anterior borrado: %s\n", old.c_str());
    return 0;
}
