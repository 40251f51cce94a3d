#include "FacturaGlobal.h"
#include "CliCommon.h"
#include "CliDatabase.h"

#include "cfdi/CfdiSealAndStamp.h"
#include "cfdi/GlobalInvoice.h"
#include "db/Database.h"
#include "cfdi/XmlDocument.h"

#include <cstdio>

int FacturaGlobalCommand(const std::vector<std::string>& args) {
    if (args.empty())
        return fail("el comando factura-global pide ARCHIVO --desde DD/MM/AAAA --hasta DD/MM/AAAA --periodicidad 01..05.");
    std::map<std::string, std::string> o;
    std::string error;
    if (!readOptions(args, 1, {"--desde", "--hasta", "--periodicidad", "--forma-pago", "--salida", "--clave-archivo"}, o,
                     error))
        return fail(error);
    CGlobalInvoice::Period period;
    for (const char* option : {"--desde", "--hasta"}) {
        if (!o.count(option))
            return fail(std::string("falta ") + option + " DD/MM/AAAA.");
        const auto day = parseDate(o[option]);
        if (!day)
            return fail("\"" + o[option] + "\" no es una fecha; escríbala como DD/MM/AAAA.");
        (std::string(option) == "--desde" ? period.desde : period.hasta) = *day;
    }
    period.periodicidad = o["--periodicidad"];
    if (!CGlobalInvoice::IsPeriodicidad(period.periodicidad))
        return fail("--periodicidad pide 01 (diaria), 02 (semanal), 03 (quincenal), 04 (mensual) o 05 (bimestral).");
    if (o.count("--forma-pago"))
        period.formaPago = o["--forma-pago"];
    const auto password = readPassword(o, error);
    if (!password)
        return fail(error);
    auto db = OpenDatabase(args[0]);
    const std::unique_ptr<CPacClient> client = configuredPac(*db, error);
    if (!client)
        return fail(error);
    CGlobalInvoice global(*db);
    const CGlobalInvoice::Created made = global.Create(period, *password);
    if (!made.ok()) {
        for (const std::string& e : made.errors)
            std::fprintf(stderr, "Error: %s\n", e.c_str());
        return 1;
    }
    const std::string name = global.Name(made.key.idGlobal);
    const CXmlDocument xml(made.sealed.xml);
    std::printf("Factura global %s: %d ventas, total %s\n", name.c_str(), made.documents,
                CXmlDocument::attribute(xml.root(), "Total").c_str());
    CCfdiSealAndStamp::Request request;
    request.password = *password;
    request.file = o["--salida"];
    const CCfdiSealAndStamp::Result r = CCfdiSealAndStamp(*db, *client).Run(made.key, request);
    if (r.state != CCfdiStamper::State::Stamped)
        return fail("la factura global " + name + " quedó sellada pero no timbrada: " +
                    (r.errors.empty() ? r.message : r.errors.front()) +
                    " Timbre de nuevo con quintaleva-cli timbrar ARCHIVO --pendientes.");
    std::printf("Timbrada: factura global %s\nFolio fiscal (UUID): %s\n", name.c_str(), r.uuid.c_str());
    return 0;
}
