// quintaleva-cli: headless commands for technicians and scripts.
#include "Cfdi.h"
#include "Cancelar.h"
#include "Cobrar.h"
#include "FacturaGlobal.h"
#include "CliCommon.h"
#include "CliDatabase.h"
#include "Generator.h"
#include "Imprimir.h"
#include "Reporte.h"
#include "Respaldar.h"
#include "config/DatabaseCopy.h"
#include "config/Import13.h"
#include "config/NewDatabase.h"
#include "db/BusinessData.h"
#include "db/Database.h"
#include "db/DatabaseLocation.h"
#include "db/DbError.h"
#include "db/DbErrorText.h"
#include "db/GeneralSet.h"
#include "db/KeyIndexes.h"
#include "db/Schema.h"
#include "db/ValueFunctions.h"
#include "invoice/AmountInWords.h"
#include "invoice/MoneyText.h"
#include "platform/ProgramVersion.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

const char* const kUsage =
    "Uso:\n"
    "  quintaleva-cli --version                      muestra la versión\n"
    "  quintaleva-cli crear ARCHIVO                  crea una base de datos nueva\n"
    "  quintaleva-cli info ARCHIVO                   muestra versión, negocio y renglones de cada tabla\n"
    "  quintaleva-cli letra IMPORTE [--base ARCHIVO]  escribe el importe con letra\n"
    "  quintaleva-cli generar ARCHIVO [--documentos N] [--clientes K] [--articulos A] [--semilla S]\n"
    "                                                llena una base de datos (nueva o existente) con datos de prueba\n"
    "  quintaleva-cli imprimir ARCHIVO SERIE FOLIO --formato ID --pdf SALIDA.pdf [--pago N]\n"
    "                                                imprime un documento guardado en un PDF (SERIE \"-\": sin serie);\n"
    "                                                con --pago, el recibo del complemento de ese pago\n"
    "  quintaleva-cli imprimir ARCHIVO SERIE FOLIO --ticket\n"
    "                                                lo envía a la impresora de tickets configurada\n"
    "  quintaleva-cli cfdi ARCHIVO SERIE FOLIO --salida X.xml [--clave-archivo F] [--forma-pago C]\n"
    "                  [--metodo-pago PUE|PPD] [--uso C]\n"
    "                                                sella el CFDI 4.0 de un documento (no lo timbra); la contraseña\n"
    "                                                de la llave, del archivo F o de QUINTALEVA_CSD_CLAVE\n"
    "  quintaleva-cli datos-fiscales ARCHIVO [--rfc RFC] [--razon TEXTO] [--regimen CLAVE] [--cp CP]\n"
    "                  [--cer F.cer] [--key F.key] [--clave-archivo F]\n"
    "                  [--pac finkok|sw] [--pac-ambiente pruebas|produccion] [--pac-url URL]\n"
    "                  [--pac-usuario U] [--pac-clave-archivo F]\n"
    "                                                guarda los datos fiscales, el CSD del negocio (la\n"
    "                                                contraseña de la llave solo la comprueba) y la\n"
    "                                                cuenta del PAC que timbra\n"
    "  quintaleva-cli timbrar ARCHIVO SERIE FOLIO [--salida X.xml] [--clave-archivo F] [--forma-pago C]\n"
    "                  [--metodo-pago PUE|PPD] [--uso C]\n"
    "                                                sella el CFDI si hace falta y lo timbra con el PAC\n"
    "  quintaleva-cli timbrar ARCHIVO --pendientes   timbra otra vez los que quedaron pendientes (facturas y\n"
    "                                                complementos de pago)\n"
    "  quintaleva-cli cobrar ARCHIVO SERIE FOLIO IMPORTE [--fecha DD/MM/AAAA] [--forma-pago CC]\n"
    "                  [--clave-archivo F] [--salida X.xml]\n"
    "                                                registra un pago como Cobranza; si la factura está timbrada\n"
    "                                                como PPD, timbra su complemento de pago\n"
    "  quintaleva-cli cancelar ARCHIVO SERIE FOLIO --motivo 01|02|03|04 [--sustituye SERIE FOLIO]\n"
    "                  [--pago N] [--clave-archivo F]\n"
    "                                                pide al SAT, por el PAC, cancelar la factura (o el complemento\n"
    "                                                del pago N); con 01 timbra antes el sustituto con relación 04\n"
    "  quintaleva-cli estado-cfdi ARCHIVO SERIE FOLIO [--pago N]\n"
    "                                                consulta su estado en el SAT; cancelada, queda cancelada\n"
    "  quintaleva-cli factura-global ARCHIVO --desde DD/MM/AAAA --hasta DD/MM/AAAA --periodicidad 01..05\n"
    "                  [--forma-pago CC] [--salida X.xml] [--clave-archivo F]\n"
    "                                                factura al público en general las ventas del periodo sin\n"
    "                                                factura propia, y la timbra\n"
    "  quintaleva-cli importar ARCHIVO ORIGEN.mdb    importa artículos, clientes y formatos de Quintaleva 1.3\n"
    "  quintaleva-cli copiar ORIGEN DESTINO          copia una base de datos completa a un archivo o servidor nuevo\n"
    "  quintaleva-cli respaldar ORIGEN CARPETA [--conservar N]\n"
    "                                                escribe en CARPETA un respaldo fechado y revisado de ORIGEN y\n"
    "                                                deja solo los N más nuevos de esa base de datos (30 si no se dice)\n"
    "  quintaleva-cli reporte NOMBRE ARCHIVO [--desde DD/MM/AAAA --hasta DD/MM/AAAA] [--cliente ID] [--serie S]\n"
    "                  [--folio N] [--detallado] [--vencidas] [--por-descripcion] [--campos LISTA]\n"
    "                  (--txt SALIDA | --rep SALIDA)\n"
    "                                                guarda un reporte como el botón Guardar del visor; NOMBRE:\n"
    "                                                documentos, cxc, movimientos, articulos o clientes; LISTA:\n"
    "                                                campos de clientes separados por comas (Nombre,RFC,...)\n"
    "\n"
    "ARCHIVO, ORIGEN y DESTINO pueden ser un archivo o un servidor: postgresql://usuario@servidor:5432/base\n"
    "(la contraseña, de ~/.pgpass o de la variable PGPASSWORD; si el servidor la pide y no está ahí, se\n"
    "pregunta en la terminal sin mostrarla).\n";

// Where the database is, as the operator reads it: a server's URI never shows a password.
std::string shown(const std::string& location) { return DatabaseLocation::withoutPassword(location); }

int crear(const std::string& path) {
    CreateDatabase(path);
    std::printf("Base de datos creada: %s\n", shown(path).c_str());
    return 0;
}

int info(const std::string& path) {
    auto db = OpenDatabase(path);
    CGeneralSet general(*db);
    general.Open(OpenType::Snapshot);
    std::printf(DatabaseLocation::isServer(path) ? "Servidor: %s\n" : "Archivo: %s\n", shown(path).c_str());
    std::printf("Versión: %d\n", general.m_Version);
    const BusinessData business = BusinessData::Load(*db);
    std::printf("Negocio: %s\n", business.nombre.c_str());
    std::string address;
    for (const std::string& line : business.domicilio)
        if (!line.empty())
            address += (address.empty() ? "" : ", ") + line;
    std::printf("Domicilio: %s\nRFC: %s\nTeléfono: %s\n", address.c_str(), business.rfc.c_str(),
                business.telefono.c_str());
    std::printf("Moneda: %s %s\n", general.m_Moneda.c_str(), general.m_Postfijo.c_str());
    for (const TableDef& t : Schema::tables()) {
        Statement count = db->prepare("SELECT count(*) FROM \"" + t.name + "\"");
        count.step();
        std::printf("%-14s %lld\n", t.name.c_str(), static_cast<long long>(count.integer(0)));
    }
    // A file made before the unique keys, whose data did not allow them: what stands in the way.
    if (!KeyIndexes::hasFolioIndex(*db)) {
        std::printf("Folios repetidos (la base de datos no puede impedir más repeticiones hasta corregirlos):\n");
        for (const KeyIndexes::Repeated& r : KeyIndexes::repeatedFolios(*db))
            std::printf("  %s%s: %lld documentos\n", r.serie.c_str(), NumberToPaddedText(static_cast<long>(r.folio)).c_str(),
                        static_cast<long long>(r.count));
    }
    if (!KeyIndexes::hasPaymentIndex(*db)) {
        std::printf("Números de pago repetidos:\n");
        for (const KeyIndexes::Repeated& r : KeyIndexes::repeatedPaymentNumbers(*db))
            std::printf("  %s%s pago %lld: %lld pagos\n", r.serie.c_str(),
                        NumberToPaddedText(static_cast<long>(r.folio)).c_str(), static_cast<long long>(r.numPago),
                        static_cast<long long>(r.count));
    }
    return 0;
}

int letra(const std::vector<std::string>& args) {
    std::string amountText, base;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--base") {
            if (i + 1 >= args.size())
                return fail("falta el nombre del archivo después de --base.");
            base = args[++i];
        } else if (amountText.empty()) {
            amountText = args[i];
        } else {
            return fail("sobra el argumento \"" + args[i] + "\".");
        }
    }
    if (amountText.empty())
        return fail("falta el importe.");
    const auto amount = TryParseMoney(amountText, MoneyFormat::mexican());
    if (!amount)
        return fail("\"" + amountText + "\" no es un importe.");
    if (!base.empty()) {
        auto db = OpenDatabase(base);
        CGeneralSet general(*db);
        general.Open(OpenType::Snapshot);
        SetCurrencyWords(general.m_Moneda, general.m_Postfijo);
    }
    std::printf("%s\n", AmountInWords(*amount).c_str());
    return 0;
}

bool readCount(const std::string& text, int& value) {
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || v < 0 || v > 10000000)
        return false;
    value = static_cast<int>(v);
    return true;
}

int generar(const std::vector<std::string>& args) {
    // An option where the database goes ("generar --documentos 10") would make a file of that name.
    if (args.empty() || args[0].starts_with("-"))
        return fail("falta el nombre del archivo.");
    GeneratorOptions options;
    for (std::size_t i = 1; i < args.size(); ++i) {
        int* target = args[i] == "--documentos" ? &options.documentos
                      : args[i] == "--clientes"  ? &options.clientes
                      : args[i] == "--articulos" ? &options.articulos
                                                 : nullptr;
        int seed = 0;
        if (args[i] == "--semilla")
            target = &seed;
        if (!target)
            return fail("opción desconocida \"" + args[i] + "\".");
        if (i + 1 >= args.size() || !readCount(args[i + 1], *target))
            return fail("la opción " + args[i] + " pide un número entero entre 0 y 10000000.");
        if (args[i] == "--semilla")
            options.seed = static_cast<std::uint32_t>(seed);
        ++i;
    }
    if (options.documentos > 0 && options.clientes == 0 && options.articulos == 0)
        options.clientes = 1;
    // A server's database is made beforehand with "crear"; a file is made here when missing.
    std::unique_ptr<Database> db = DatabaseLocation::isServer(args[0]) || std::filesystem::exists(args[0])
                                       ? OpenDatabase(args[0])
                                       : CreateDatabase(args[0]);
    GenerateData(*db, options, [](int done, int total) {
        std::fprintf(stderr, "\r%d de %d documentos", done, total);
    });
    std::fprintf(stderr, "\n");
    std::printf("Listo: %d documentos, %d clientes, %d artículos en %s\n", options.documentos, options.clientes,
                options.articulos, shown(args[0]).c_str());
    return 0;
}

// The import of the program's "Utilerias" menu: the same reader process, rules and transaction.
int importar(const std::string& path, const std::string& origin) {
    auto db = OpenDatabase(path);
    const CImport13::Result r = CImport13::Run(*db, origin);
    if (!r.ok)
        return fail(r.message);
    std::printf("%s\n", r.message.c_str());
    std::printf("Impuestos nuevos: %d\n", r.taxes);
    return 0;
}

int copiar(const std::string& from, const std::string& to) {
    auto source = OpenDatabase(from);
    std::string shownTable;
    const auto progress = [&](const std::string& table, std::int64_t done, std::int64_t total) {
        if (table != shownTable && !shownTable.empty())
            std::fprintf(stderr, "\n");
        shownTable = table;
        std::fprintf(stderr, "\rCopiando %s: %lld de %lld", table.c_str(), static_cast<long long>(done),
                     static_cast<long long>(total));
    };
    // A server target's password is asked on the terminal as the source's is: the copy connects
    // before it writes anything, so a refused password leaves nothing to undo.
    std::vector<CDatabaseCopy::TableCheck> checks;
    TerminalPassword::open(to, [&](const std::string& password) {
        checks = CDatabaseCopy::Run(*source, to, progress, {}, password);
        return std::unique_ptr<Database>();
    });
    if (!shownTable.empty())
        std::fprintf(stderr, "\n");
    std::printf("Copia terminada: %s -> %s\n", shown(from).c_str(), shown(to).c_str());
    for (const CDatabaseCopy::TableCheck& c : checks) {
        std::printf("%-18s %lld", c.table.c_str(), static_cast<long long>(c.rows));
        for (const auto& [column, sum] : c.sums)
            std::printf("  %s=%.2f", column.c_str(), sum);
        std::printf("\n");
    }
    std::printf("Renglones y sumas iguales en el origen y en la copia.\n");
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (ProgramVersion::AnswerVersion(args, "quintaleva-cli"))
        return 0;
    if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "ayuda") {
        std::fputs(kUsage, args.empty() ? stderr : stdout);
        return args.empty() ? 2 : 0;
    }
    try {
        const std::string& command = args[0];
        if (command == "crear" || command == "info") {
            if (args.size() != 2)
                return fail("el comando " + command + " pide exactamente un ARCHIVO.\n" + kUsage);
            return command == "crear" ? crear(args[1]) : info(args[1]);
        }
        if (command == "importar") {
            if (args.size() != 3)
                return fail("el comando importar pide ARCHIVO y ORIGEN.mdb.\n" + std::string(kUsage));
            return importar(args[1], args[2]);
        }
        if (command == "copiar") {
            if (args.size() != 3)
                return fail("el comando copiar pide ORIGEN y DESTINO.\n" + std::string(kUsage));
            return copiar(args[1], args[2]);
        }
        if (command == "respaldar")
            return RespaldarCommand({args.begin() + 1, args.end()});
        if (command == "imprimir")
            return Imprimir(argc, argv, {args.begin() + 1, args.end()});
        if (command == "generar")
            return generar({args.begin() + 1, args.end()});
        if (command == "cfdi")
            return CfdiCommand({args.begin() + 1, args.end()});
        if (command == "datos-fiscales")
            return DatosFiscalesCommand({args.begin() + 1, args.end()});
        if (command == "timbrar")
            return TimbrarCommand({args.begin() + 1, args.end()});
        if (command == "cobrar")
            return CobrarCommand({args.begin() + 1, args.end()});
        if (command == "cancelar")
            return CancelarCommand({args.begin() + 1, args.end()});
        if (command == "estado-cfdi")
            return EstadoCfdiCommand({args.begin() + 1, args.end()});
        if (command == "factura-global")
            return FacturaGlobalCommand({args.begin() + 1, args.end()});
        if (command == "reporte")
            return ReporteCommand({args.begin() + 1, args.end()});
        if (command == "letra")
            return letra({args.begin() + 1, args.end()});
        return fail("comando desconocido \"" + command + "\".\n" + kUsage);
    } catch (const DbError& e) {
        return fail(DbErrorText(e));
    } catch (const std::exception& e) {
        return fail(DbErrorText(e));
    }
}
