#include "Cfdi.h"
#include "CliCommon.h"
#include "CliDatabase.h"

#include "cfdi/CfdiIssuer.h"
#include "cfdi/CfdiSealAndStamp.h"
#include "cfdi/CfdiStamper.h"
#include "cfdi/Csd.h"
#include "cfdi/FiscalStore.h"
#include "cfdi/PacClient.h"
#include "cfdi/SatCatalogs.h"
#include "db/Database.h"
#include "db/Statement.h"
#include "db/Transaction.h"
#include "invoice/DocumentStore.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>

namespace {

// The PAC's account from --pac, --pac-ambiente, --pac-url, --pac-usuario and --pac-clave-archivo
// over what is stored; the password only ever comes from a file, never from the command line.
bool ReadPacOptions(std::map<std::string, std::string>& o, PacConfig& pac, std::string& error) {
    if (o.count("--pac")) {
        const std::string& v = o["--pac"];
        if (v != "finkok" && v != "sw") {
            error = "el PAC \"" + v + "\" no se conoce: use finkok o sw.";
            return false;
        }
        pac.pac = v == "finkok" ? PacProveedor::Finkok : PacProveedor::Sw;
    }
    if (o.count("--pac-ambiente")) {
        const std::string& v = o["--pac-ambiente"];
        if (v != "pruebas" && v != "produccion") {
            error = "el ambiente \"" + v + "\" no se conoce: use pruebas o produccion.";
            return false;
        }
        pac.ambiente = v == "produccion" ? PacAmbiente::Produccion : PacAmbiente::Pruebas;
    }
    if (o.count("--pac-url")) {
        pac.url = o["--pac-url"];
        if (!pac.url.empty() && !CHttpTransport::Allowed(pac.url)) {
            error = "la dirección \"" + pac.url + "\" no sirve: use https:// (http:// sólo en esta computadora).";
            return false;
        }
    }
    if (o.count("--pac-usuario"))
        pac.usuario = o["--pac-usuario"];
    if (o.count("--pac-clave-archivo")) {
        auto text = readFile(o["--pac-clave-archivo"]);
        if (!text) {
            error = "no se pudo leer el archivo de la contraseña del PAC \"" + o["--pac-clave-archivo"] + "\".";
            return false;
        }
        text->erase(text->find_last_not_of("\r\n") + 1);
        pac.clave = *text;
    }
    if (pac.pac == PacProveedor::Ninguno) {
        error = "falta --pac finkok o --pac sw.";
        return false;
    }
    if (pac.usuario.empty() || pac.clave.empty()) {
        error = "faltan el usuario (--pac-usuario) o la contraseña (--pac-clave-archivo) del PAC.";
        return false;
    }
    return true;
}

// Seals the document with the fiscal data of the options and stores it, writing `file` when
// given; the errors printed and false when it cannot be sealed or stored.
bool sealDocument(Database& db, std::int32_t id, std::map<std::string, std::string>& o, const std::string& password,
                  const std::string& file, std::string& noCertificado) {
    DocumentoFiscal given;
    given.formaPago = o["--forma-pago"];
    given.metodoPago = o["--metodo-pago"];
    given.usoCfdi = o["--uso"];
    CCfdiIssuer issuer(db);
    const CCfdiIssuer::Sealed sealed = issuer.Seal(id, given, password);
    if (!sealed.ok()) {
        for (const std::string& e : sealed.errors)
            std::fprintf(stderr, "Error: %s\n", e.c_str());
        return false;
    }
    if (!sealed.notice.empty())
        std::printf("%s\n", sealed.notice.c_str());
    std::string error;
    if (!file.empty()) {
        if (!issuer.Save(id, sealed, file, error))
            return fail(error) == 0;
    } else {
        issuer.Store(id, sealed);
    }
    noCertificado = sealed.noCertificado;
    return true;
}

} // namespace

int CfdiCommand(const std::vector<std::string>& args) {
    if (args.size() < 3)
        return fail("el comando cfdi pide ARCHIVO SERIE FOLIO --salida X.xml.");
    std::map<std::string, std::string> o;
    std::string error;
    if (!readOptions(args, 3, {"--salida", "--clave-archivo", "--forma-pago", "--metodo-pago", "--uso"}, o, error))
        return fail(error);
    if (!o.count("--salida"))
        return fail("falta --salida ARCHIVO.xml.");
    const std::optional<std::string> password = readPassword(o, error);
    if (!password)
        return fail(error);
    auto db = OpenDatabase(args[0]);
    const auto id = findDocument(*db, args[1], args[2], error);
    if (!id)
        return fail(error);
    std::string noCertificado;
    if (!sealDocument(*db, *id, o, *password, o["--salida"], noCertificado))
        return 1;
    std::printf("Sellado (sin timbrar): %s\nNoCertificado: %s\n", o["--salida"].c_str(), noCertificado.c_str());
    return 0;
}

int DatosFiscalesCommand(const std::vector<std::string>& args) {
    if (args.empty())
        return fail("el comando datos-fiscales pide ARCHIVO.");
    std::map<std::string, std::string> o;
    std::string error;
    if (!readOptions(args, 1,
                     {"--rfc", "--razon", "--regimen", "--cp", "--cer", "--key", "--clave-archivo", "--pac",
                      "--pac-ambiente", "--pac-url", "--pac-usuario", "--pac-clave-archivo"},
                     o, error))
        return fail(error);
    auto db = OpenDatabase(args[0]);
    CFiscalStore store(*db);
    EmisorFiscal e = store.emisor();
    if (o.count("--rfc")) {
        e.rfc = SatCatalogs::normalizeRfc(o["--rfc"]);
        if (!SatCatalogs::isRfc(e.rfc))
            return fail("el RFC \"" + o["--rfc"] + "\" no es válido.");
    }
    if (o.count("--razon")) {
        e.razonSocial = o["--razon"];
        if (e.razonSocial.empty() || e.razonSocial.find('|') != std::string::npos)
            return fail("la razón social no puede quedar vacía ni llevar \"|\".");
    }
    if (o.count("--regimen")) {
        e.regimenFiscal = o["--regimen"];
        if (!SatCatalogs::contains(SatCatalogs::regimenesFiscales(), e.regimenFiscal))
            return fail("el régimen fiscal \"" + e.regimenFiscal + "\" no está en el catálogo del SAT.");
    }
    if (!e.regimenFiscal.empty() && SatCatalogs::isRfc(e.rfc) && !SatCatalogs::regimenFitsRfc(e.regimenFiscal, e.rfc))
        return fail("el régimen fiscal " + e.regimenFiscal + " no corresponde al RFC " + e.rfc + ".");
    if (o.count("--cp")) {
        e.codigoPostal = o["--cp"];
        if (!SatCatalogs::isCodigoPostal(e.codigoPostal))
            return fail("el código postal \"" + e.codigoPostal + "\" no es válido (cinco dígitos).");
    }
    for (const char* option : {"--cer", "--key"}) {
        if (!o.count(option))
            continue;
        const auto bytes = readFile(o[option]);
        if (!bytes || bytes->empty())
            return fail("no se pudo leer \"" + o[option] + "\".");
        (std::string(option) == "--cer" ? e.certificado : e.llavePrivada) = Blob(bytes->begin(), bytes->end());
    }
    if (o.count("--cer")) {
        std::string csdError;
        const auto csd = CCsd::OpenCertificate(e.certificado, csdError);
        if (!csd)
            return fail(csdError);
        if (csd->rfc() != e.rfc)
            return fail("el certificado es del RFC " + csd->rfc() + ", no de " + (e.rfc.empty() ? "(sin RFC)" : e.rfc) + ".");
    }
    if (o.count("--key") && !CCsd::IsEncryptedKey(e.llavePrivada))
        return fail("\"" + o["--key"] + "\" no es una llave del SAT (.key cifrada, PKCS#8 DER).");
    // A new key or certificate is stored only once the pair opens with the key's password (used
    // here and forgotten): a wrong file is found now, not at the first invoice.
    if ((o.count("--cer") || o.count("--key")) && !e.certificado.empty() && !e.llavePrivada.empty()) {
        const std::optional<std::string> password = readPassword(o, error);
        if (!password)
            return fail(error + " Se pide para comprobar que la llave corresponde al certificado.");
        std::string csdError;
        if (!CCsd::Open(e.certificado, e.llavePrivada, *password, csdError))
            return fail(csdError);
    }
    const bool pacGiven = std::any_of(o.begin(), o.end(), [](const auto& kv) { return kv.first.rfind("--pac", 0) == 0; });
    PacConfig pac = store.pac();
    if (pacGiven && !ReadPacOptions(o, pac, error))
        return fail(error);
    {
        Transaction tx(*db);
        store.saveEmisor(e);
        if (pacGiven)
            store.savePac(pac);
        tx.commit();
    }
    if (pacGiven)
        std::printf("PAC: %s, usuario %s, contraseña %s%s\n", CPacClient::Describe(pac).c_str(), pac.usuario.c_str(),
                    pac.clave.empty() ? "falta" : "guardada", pac.url.empty() ? "" : (", dirección " + pac.url).c_str());
    std::printf("Datos fiscales de %s: RFC %s, régimen %s, C.P. %s, certificado %s, llave %s\n", args[0].c_str(),
                e.rfc.c_str(), e.regimenFiscal.c_str(), e.codigoPostal.c_str(),
                e.certificado.empty() ? "falta" : "guardado", e.llavePrivada.empty() ? "falta" : "guardada");
    return 0;
}

namespace {

// Prints what became of one document; true when it ended stamped.
bool report(Database& db, const CfdiKey& key, const CCfdiSealAndStamp::Result& r) {
    const std::string name = cfdiName(db, key);
    if (!r.notice.empty())
        std::printf("%s: %s\n", name.c_str(), r.notice.c_str());
    for (const std::string& e : r.errors)
        std::fprintf(stderr, "Error: %s: %s\n", name.c_str(), e.c_str());
    if (r.state == CCfdiStamper::State::Stamped)
        return true;
    if (r.errors.empty())
        std::fprintf(stderr, "Error: %s: %s\n", name.c_str(), r.message.c_str());
    return false;
}

// Every invoice to stamp once more (pending ones as they are); 0 only when all ended stamped.
int StampPending(Database& db, std::map<std::string, std::string>& o) {
    std::string error;
    const std::unique_ptr<CPacClient> client = configuredPac(db, error);
    if (!client)
        return fail(error);
    CCfdiSealAndStamp::Request request;
    request.password = optionalPassword(o, error);
    if (!error.empty())
        return fail(error);
    CFiscalStore store(db);
    std::vector<CfdiKey> ids;
    for (const std::int32_t id : store.toStamp())
        ids.emplace_back(id);
    for (const CfdiKey& key : store.paymentsToStamp())
        ids.push_back(key);
    for (const CfdiKey& key : store.globalsToStamp())
        ids.push_back(key);
    int left = 0;
    for (const CfdiKey& id : ids) {
        const CCfdiSealAndStamp::Result r = CCfdiSealAndStamp(db, *client).Run(id, request);
        if (report(db, id, r))
            std::printf("%s: timbrado, folio fiscal %s\n", cfdiName(db, id).c_str(), r.uuid.c_str());
        else
            ++left;
    }
    std::printf("Por timbrar: %zu; timbrados ahora: %zu; siguen sin timbrar: %d\n", ids.size(),
                ids.size() - static_cast<std::size_t>(left), left);
    return left == 0 ? 0 : 1;
}

} // namespace

int TimbrarCommand(const std::vector<std::string>& args) {
    std::map<std::string, std::string> o;
    std::string error;
    if (args.size() >= 2 && args[1] == "--pendientes") {
        if (!readOptions(args, 2, {"--clave-archivo"}, o, error))
            return fail(error);
        auto db = OpenDatabase(args[0]);
        return StampPending(*db, o);
    }
    if (args.size() < 3)
        return fail("el comando timbrar pide ARCHIVO SERIE FOLIO, o ARCHIVO --pendientes.");
    if (!readOptions(args, 3, {"--salida", "--clave-archivo", "--forma-pago", "--metodo-pago", "--uso"}, o, error))
        return fail(error);
    auto db = OpenDatabase(args[0]);
    const auto id = findDocument(*db, args[1], args[2], error);
    if (!id)
        return fail(error);
    const std::unique_ptr<CPacClient> client = configuredPac(*db, error);
    if (!client)
        return fail(error);
    // A CFDI sealed before (and maybe pending) goes to the PAC as it is; otherwise it is sealed now.
    CCfdiSealAndStamp::Request request;
    request.fiscal.formaPago = o["--forma-pago"];
    request.fiscal.metodoPago = o["--metodo-pago"];
    request.fiscal.usoCfdi = o["--uso"];
    request.file = o["--salida"];
    request.password = optionalPassword(o, error);
    if (!error.empty())
        return fail(error);
    const CCfdiSealAndStamp::Result r = CCfdiSealAndStamp(*db, *client).Run(*id, request);
    if (!report(*db, *id, r))
        return 1;
    std::printf("Timbrado: %s\nFolio fiscal (UUID): %s\n", documentName(*db, *id).c_str(), r.uuid.c_str());
    return 0;
}
