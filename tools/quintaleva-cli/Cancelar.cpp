#include "Cancelar.h"
#include "CliCommon.h"
#include "CliDatabase.h"

#include "cfdi/CfdiCanceller.h"
#include "cfdi/FiscalStore.h"
#include "db/Database.h"

#include <cstdio>
#include <cstdlib>

namespace {

// The CFDI of ARCHIVO SERIE FOLIO: the invoice, or with --pago N the complement of that payment.
std::optional<CfdiKey> findCfdi(Database& db, const std::vector<std::string>& args, std::map<std::string, std::string>& o,
                                std::string& error) {
    const auto id = findDocument(db, args[1], args[2], error);
    if (!id)
        return std::nullopt;
    CfdiKey key(*id);
    if (!o.count("--pago"))
        return key;
    char* end = nullptr;
    const long n = std::strtol(o["--pago"].c_str(), &end, 10);
    if (o["--pago"].empty() || *end || n <= 0 || n > 2147483647L) {
        error = "--pago pide el número del pago (1, 2, 3...).";
        return std::nullopt;
    }
    key.numPago = static_cast<std::int32_t>(n);
    return key;
}

void printStatus(const CCfdiCanceller::Status& st) {
    std::printf("%s\n", st.message.c_str());
    if (!st.cancelacion.empty())
        std::printf("Cancelación: %s%s\n", st.cancelacion.c_str(), st.estatusSat.empty() ? "" : (" (" + st.estatusSat + ")").c_str());
}

} // namespace

int CancelarCommand(const std::vector<std::string>& given) {
    // --sustituye takes two values: the replacement's series and folio.
    std::vector<std::string> args;
    std::string sustSerie, sustFolio;
    for (std::size_t i = 0; i < given.size(); ++i) {
        if (given[i] == "--sustituye") {
            if (i + 2 >= given.size())
                return fail("--sustituye pide SERIE FOLIO del documento que sustituye a la factura.");
            sustSerie = given[i + 1];
            sustFolio = given[i + 2];
            i += 2;
            continue;
        }
        args.push_back(given[i]);
    }
    if (args.size() < 3)
        return fail("el comando cancelar pide ARCHIVO SERIE FOLIO --motivo 01|02|03|04.");
    std::map<std::string, std::string> o;
    std::string error;
    if (!readOptions(args, 3, {"--motivo", "--pago", "--clave-archivo"}, o, error))
        return fail(error);
    if (!o.count("--motivo"))
        return fail("falta --motivo 01|02|03|04.");
    auto db = OpenDatabase(args[0]);
    const std::optional<CfdiKey> found = findCfdi(*db, args, o, error);
    if (!found)
        return fail(error);
    const CfdiKey key = *found;
    CCfdiCanceller::Request request;
    request.motivo = o["--motivo"];
    const auto password = readPassword(o, error);
    if (!password)
        return fail(error + " El PAC la pide para cancelar.");
    request.password = *password;
    const std::unique_ptr<CPacClient> client = configuredPac(*db, error);
    if (!client)
        return fail(error);
    if (!sustFolio.empty()) {
        const auto sustituto = findDocument(*db, sustSerie, sustFolio, error);
        if (!sustituto)
            return fail(error);
        request.sustituto = *sustituto;
        // The replacement is stamped first, naming the CFDI it replaces, unless it already is.
        CCfdiCanceller canceller(*db, *client);
        if (request.motivo == "01" && canceller.ReplacementPending(key, *sustituto)) {
            const auto r = canceller.StampReplacement(key, *sustituto, *password);
            if (r.state != CCfdiStamper::State::Stamped)
                return fail("no se timbró el documento que la sustituye: " + (r.errors.empty() ? r.message : r.errors.front()));
            std::printf("Sustituto timbrado: %s, folio fiscal %s (relación 04 con %s)\n",
                        documentName(*db, *sustituto).c_str(), r.uuid.c_str(), CFiscalStore(*db).cfdi(key)->uuid.c_str());
        }
    }
    const CCfdiCanceller::Result r = CCfdiCanceller(*db, *client).Cancel(key, request);
    if (r.state == CCfdiCanceller::State::Refused)
        return fail(cfdiName(*db, key) + ": " + r.message);
    std::printf("%s: %s\n", cfdiName(*db, key).c_str(), r.message.c_str());
    return r.state == CCfdiCanceller::State::Requested ? 0 : 1;
}

int EstadoCfdiCommand(const std::vector<std::string>& args) {
    if (args.size() < 3)
        return fail("el comando estado-cfdi pide ARCHIVO SERIE FOLIO.");
    std::map<std::string, std::string> o;
    std::string error;
    if (!readOptions(args, 3, {"--pago"}, o, error))
        return fail(error);
    auto db = OpenDatabase(args[0]);
    const std::optional<CfdiKey> found = findCfdi(*db, args, o, error);
    if (!found)
        return fail(error);
    const CfdiKey key = *found;
    const std::unique_ptr<CPacClient> client = configuredPac(*db, error);
    if (!client)
        return fail(error);
    const CCfdiCanceller::Status st = CCfdiCanceller(*db, *client).CheckStatus(key);
    if (!st.asked)
        return fail(cfdiName(*db, key) + ": " + st.message);
    std::printf("%s: estado en el SAT: %s\n", cfdiName(*db, key).c_str(), st.estado.c_str());
    printStatus(st);
    return 0;
}
