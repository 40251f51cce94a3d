#include "cfdi/CfdiIssuer.h"

#include "cfdi/CadenaOriginal.h"
#include "cfdi/CfdiBuilder.h"
#include "cfdi/Csd.h"
#include "cfdi/FiscalStore.h"
#include "cfdi/GlobalInvoice.h"
#include "cfdi/PaymentCfdiBuilder.h"
#include "cfdi/XmlDocument.h"
#include "db/Database.h"
#include "db/DbErrorText.h"

#include <cstdio>
#include <ctime>
#include <fstream>
#include <optional>
#include <system_error>

namespace {

// The document's date is the local time of the place of issue; Mexico's central time has been
// UTC-6 all year since 2022, which is close enough to compare with a certificate's validity.
long long unixTimeOf(OleDate d) {
    const auto c = d.split();
    if (!c)
        return 0;
    struct tm tm {};
    tm.tm_year = c->year - 1900;
    tm.tm_mon = c->month - 1;
    tm.tm_mday = c->day;
    tm.tm_hour = c->hour;
    tm.tm_min = c->minute;
    tm.tm_sec = c->second;
    return static_cast<long long>(timegm(&tm)) + 6 * 3600;
}

std::string dayText(OleDate d) {
    const auto c = d.split();
    if (!c)
        return "?";
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d/%02d/%04d", c->day, c->month, c->year);
    return buf;
}

std::string timeText(OleDate d) {
    const auto c = d.split();
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d:%02d", c ? c->hour : 0, c ? c->minute : 0);
    return buf;
}

// The document's own date, as stored; nothing when there is no such document.
std::optional<OleDate> documentDate(Database& db, std::int32_t idDocumento) {
    Statement s = db.prepare("SELECT Fecha FROM Documentos WHERE Id_Documento = ?");
    s.bind(1, std::int64_t{idDocumento});
    if (!s.step())
        return std::nullopt;
    return OleDate{s.real(0)};
}

} // namespace

CCfdiIssuer::Sealed CCfdiIssuer::Seal(std::int32_t idDocumento, const DocumentoFiscal& fiscal,
                                      const std::string& password, OleDate now) {
    Sealed s;
    if (const std::optional<OleDate> day = documentDate(m_db, idDocumento); day && day->isValid() && now.isValid()) {
        const double docDay = day->dateOnly().value, today = now.dateOnly().value;
        if (docDay > today) {
            s.errors.push_back("El documento tiene fecha del " + dayText(*day) +
                               ": su factura electrónica se hace a partir de ese día (el SAT no acepta fechas futuras).");
            return s;
        }
        if (docDay < today)
            s.notice = "El documento es del " + dayText(*day) + "; la factura electrónica lleva la fecha de hoy, " +
                       dayText(now) + " " + timeText(now) + ", porque el SAT solo timbra comprobantes de las últimas 72 horas.";
    }
    // A stamped CFDI is the invoice the customer holds, and a pending one may be: sealing again
    // would make a second CFDI for the same sale.
    if (const auto stored = CFiscalStore(m_db).cfdi(idDocumento)) {
        if (stored->estado == CFiscalStore::kTimbrado) {
            s.errors.push_back("El documento ya está timbrado (folio fiscal " + stored->uuid +
                               "): no se sella de nuevo; para corregirlo hay que cancelarlo ante el SAT.");
            return s;
        }
        if (stored->estado == CFiscalStore::kPendiente) {
            s.errors.push_back("El documento tiene un timbrado pendiente: el PAC pudo haberlo timbrado. Timbre de "
                               "nuevo el mismo comprobante (Facturas por timbrar) en lugar de sellarlo otra vez.");
            return s;
        }
    }
    const EmisorFiscal emisor = CFiscalStore(m_db).emisor();
    std::string csdError;
    std::unique_ptr<CCsd> csd = CCsd::Open(emisor.certificado, emisor.llavePrivada, password, csdError);

    CCfdiBuilder::Result built =
        CCfdiBuilder(m_db).Build(idDocumento, fiscal, csd ? csd->noCertificado() : "", csd ? csd->certificadoBase64() : "",
                                 now);
    s.errors = built.errors;
    if (!csd)
        s.errors.push_back(csdError);
    if (!s.ok())
        return s;
    checkCsd(*csd, emisor, built.fecha, s);
    if (!s.ok())
        return s;

    if (!SealBuilt(built.comprobante, *csd, built.fecha, s))
        return s;
    s.fiscal = built.fiscal;
    s.totals = built.totals;
    s.fileName = emisor.rfc + "_" + built.serie + "_" + std::to_string(built.folio) + ".xml";
    return s;
}

bool CCfdiIssuer::SealBuilt(XmlElement& comprobante, const CCsd& csd, OleDate fecha, Sealed& s) {
    const std::string unsealed = comprobante.document();
    const CCadenaOriginal::Result cadena = CCadenaOriginal::FromXml(unsealed);
    if (!cadena.ok) {
        s.errors.push_back(cadena.error);
        return false;
    }
    const std::string sello = csd.seal(cadena.cadena);
    if (sello.empty()) {
        s.errors.push_back("No se pudo sellar el comprobante con la llave privada.");
        return false;
    }
    comprobante.set("Sello", sello);
    s.xml = comprobante.document();
    s.cadena = cadena.cadena;
    s.noCertificado = csd.noCertificado();
    const auto c = fecha.split();
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d", c->year);
    s.yearMonth[0] = buf;
    std::snprintf(buf, sizeof buf, "%02d", c->month);
    s.yearMonth[1] = buf;
    return true;
}

CCfdiIssuer::Sealed CCfdiIssuer::SealPayment(const CfdiKey& key, const std::string& formaPago,
                                             const std::string& password, OleDate now) {
    Sealed s;
    CFiscalStore store(m_db);
    if (const auto stored = store.cfdi(key)) {
        if (stored->estado == CFiscalStore::kTimbrado || stored->estado == CFiscalStore::kPendiente) {
            s.errors.push_back(stored->estado == CFiscalStore::kTimbrado
                                   ? "El complemento de este pago ya está timbrado (folio fiscal " + stored->uuid + ")."
                                   : "El complemento de este pago tiene un timbrado pendiente: timbre de nuevo el mismo "
                                     "comprobante en lugar de sellarlo otra vez.");
            return s;
        }
    }
    const EmisorFiscal emisor = store.emisor();
    std::string csdError;
    std::unique_ptr<CCsd> csd = CCsd::Open(emisor.certificado, emisor.llavePrivada, password, csdError);
    CPaymentCfdiBuilder::Result built = CPaymentCfdiBuilder(m_db).Build(
        key, formaPago, emisor, csd ? csd->noCertificado() : "", csd ? csd->certificadoBase64() : "", now);
    s.errors = built.errors;
    if (!csd)
        s.errors.push_back(csdError);
    if (!s.ok())
        return s;
    checkCsd(*csd, emisor, now, s);
    if (!s.ok() || !SealBuilt(built.comprobante, *csd, now, s))
        return s;
    s.fiscal.formaPago = formaPago;
    s.fileName = emisor.rfc + "_" + built.serie + "_" + built.folio + "_P" + std::to_string(key.numPago) + ".xml";
    // Beside the invoice's file: the folders of the invoice's date.
    const auto invoice = store.cfdi(key.idDocumento);
    const CXmlDocument doc(invoice ? invoice->xml : std::string());
    const std::string fecha = doc.ok() ? CXmlDocument::attribute(doc.root(), "Fecha") : std::string();
    if (fecha.size() >= 7) {
        s.yearMonth[0] = fecha.substr(0, 4);
        s.yearMonth[1] = fecha.substr(5, 2);
    }
    return s;
}

void CCfdiIssuer::checkCsd(const CCsd& csd, const EmisorFiscal& emisor, OleDate fecha, Sealed& s) {
    if (csd.rfc() != emisor.rfc)
        s.errors.push_back("El certificado es del RFC «" + csd.rfc() + "», no del negocio («" + emisor.rfc + "»).");
    if (!csd.validAt(unixTimeOf(fecha)))
        s.errors.push_back("El certificado no es válido hoy (vale del " + csd.validFrom() + " al " + csd.validUntil() +
                           ").");
}

void CCfdiIssuer::Store(const CfdiKey& key, const Sealed& sealed) {
    if (key.isGlobal())
        CGlobalInvoice(m_db).StoreResealed(key.idGlobal, sealed);
    else if (key.isPayment())
        CFiscalStore(m_db).saveSealedPayment(key, sealed.fiscal.formaPago, sealed.xml, sealed.noCertificado);
    else
        CFiscalStore(m_db).saveSealed(key.idDocumento, sealed.fiscal, sealed.xml, sealed.noCertificado, &sealed.totals);
}

std::filesystem::path CCfdiIssuer::PathIn(const std::filesystem::path& folder, const Sealed& sealed) {
    return folder / sealed.yearMonth[0] / sealed.yearMonth[1] / sealed.fileName;
}

bool CCfdiIssuer::Save(const CfdiKey& idDocumento, const Sealed& sealed, const std::filesystem::path& file,
                       std::string& error) {
    namespace fs = std::filesystem;
    if (!sealed.ok() || sealed.xml.empty()) {
        error = "El comprobante no está sellado.";
        return false;
    }
    std::error_code ec;
    if (file.has_parent_path())
        fs::create_directories(file.parent_path(), ec);
    // Written beside the target and renamed, so the file appears complete or not at all.
    const fs::path temp = file.string() + ".tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out.write(sealed.xml.data(), static_cast<std::streamsize>(sealed.xml.size()));
        out.close();
        if (!out) {
            fs::remove(temp, ec);
            error = "No se pudo escribir el archivo «" + file.string() + "».";
            return false;
        }
    }
    fs::rename(temp, file, ec);
    if (ec) {
        fs::remove(temp, ec);
        error = "No se pudo escribir el archivo «" + file.string() + "».";
        return false;
    }
    try {
        Store(idDocumento, sealed);
    } catch (const std::exception& e) {
        fs::remove(file, ec);
        error = DbErrorText(e);
        return false;
    }
    return true;
}
