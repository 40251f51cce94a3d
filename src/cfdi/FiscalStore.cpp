#include "cfdi/FiscalStore.h"

#include "invoice/DocumentStore.h"

#include "cfdi/FiscalTables.h"
#include "db/Database.h"
#include "db/OleDate.h"
#include "db/Transaction.h"

#include <string>
#include <vector>

namespace {

std::string t(const Statement& s, int c) { return s.text(c); }

Blob blobOf(const Statement& s, int c) {
    const DbValue v = s.column(c);
    if (const Blob* b = std::get_if<Blob>(&v))
        return *b;
    return {};
}

// Writes a row keyed by its first column, replacing the row that has that key; `values` defaults to
// one placeholder per column.
std::string upsert(const std::string& table, const std::vector<std::string>& columns, std::string values = {}) {
    std::string names, sets;
    const bool placeholders = values.empty();
    for (std::size_t i = 0; i < columns.size(); ++i) {
        names += (i ? ", " : "") + columns[i];
        if (placeholders)
            values += i ? ", ?" : "?";
        if (i)
            sets += (i > 1 ? ", " : "") + columns[i] + " = excluded." + columns[i];
    }
    return "INSERT INTO " + table + " (" + names + ") VALUES (" + values + ") ON CONFLICT (" + columns[0] +
           ") DO UPDATE SET " + sets;
}

} // namespace

CFiscalStore::CFiscalStore(Database& db) : m_db(db) { FiscalTables::ensure(db); }

EmisorFiscal CFiscalStore::emisor() {
    EmisorFiscal e;
    Statement s = m_db.prepare("SELECT Rfc, RazonSocial, RegimenFiscal, CodigoPostal, Certificado, LlavePrivada "
                               "FROM DatosFiscales WHERE Id = 1");
    if (s.step()) {
        e.rfc = t(s, 0);
        e.razonSocial = t(s, 1);
        e.regimenFiscal = t(s, 2);
        e.codigoPostal = t(s, 3);
        e.certificado = blobOf(s, 4);
        e.llavePrivada = blobOf(s, 5);
    }
    return e;
}

void CFiscalStore::saveEmisor(const EmisorFiscal& e) {
    m_db.execute(upsert("DatosFiscales", {"Id", "Rfc", "RazonSocial", "RegimenFiscal", "CodigoPostal", "Certificado",
                                          "LlavePrivada"}, "1, ?, ?, ?, ?, ?, ?"),
                 {e.rfc, e.razonSocial, e.regimenFiscal, e.codigoPostal,
                  e.certificado.empty() ? DbValue{} : DbValue{e.certificado},
                  e.llavePrivada.empty() ? DbValue{} : DbValue{e.llavePrivada}});
}

std::optional<ClienteFiscal> CFiscalStore::cliente(std::int32_t id) {
    Statement s = m_db.prepare("SELECT CodigoPostal, RegimenFiscal, UsoCfdi FROM ClientesFiscales WHERE Id_Cliente = ?");
    s.bind(1, std::int64_t{id});
    if (!s.step())
        return std::nullopt;
    return ClienteFiscal{t(s, 0), t(s, 1), t(s, 2)};
}

void CFiscalStore::saveCliente(std::int32_t id, const ClienteFiscal& c) {
    m_db.execute(upsert("ClientesFiscales", {"Id_Cliente", "CodigoPostal", "RegimenFiscal", "UsoCfdi"}),
                 {std::int64_t{id}, c.codigoPostal, c.regimenFiscal, c.usoCfdi});
}

std::optional<ArticuloFiscal> CFiscalStore::articulo(std::int32_t id) {
    Statement s = m_db.prepare(
        "SELECT ClaveProdServ, ClaveUnidad, Unidad, ObjetoImp FROM ArticulosFiscales WHERE Id_Articulo = ?");
    s.bind(1, std::int64_t{id});
    if (!s.step())
        return std::nullopt;
    return ArticuloFiscal{t(s, 0), t(s, 1), t(s, 2), t(s, 3)};
}

void CFiscalStore::saveArticulo(std::int32_t id, const ArticuloFiscal& a) {
    m_db.execute(upsert("ArticulosFiscales", {"Id_Articulo", "ClaveProdServ", "ClaveUnidad", "Unidad", "ObjetoImp"}),
                 {std::int64_t{id}, a.claveProdServ, a.claveUnidad, a.unidad, a.objetoImp});
}

std::optional<ImpuestoFiscal> CFiscalStore::impuesto(std::int32_t id) {
    Statement s =
        m_db.prepare("SELECT Impuesto, TipoFactor, TasaOCuota FROM ImpuestosFiscales WHERE Id_Impuesto = ?");
    s.bind(1, std::int64_t{id});
    if (!s.step())
        return std::nullopt;
    return ImpuestoFiscal{t(s, 0), t(s, 1), s.real(2)};
}

void CFiscalStore::saveImpuesto(std::int32_t id, const ImpuestoFiscal& i) {
    m_db.execute(upsert("ImpuestosFiscales", {"Id_Impuesto", "Impuesto", "TipoFactor", "TasaOCuota"}),
                 {std::int64_t{id}, i.impuesto, i.tipoFactor, i.tasaOCuota});
}

std::optional<DocumentoFiscal> CFiscalStore::documento(std::int32_t id) {
    Statement s = m_db.prepare(
        "SELECT FormaPago, MetodoPago, UsoCfdi, Exportacion FROM DocumentosFiscales WHERE Id_Documento = ?");
    s.bind(1, std::int64_t{id});
    if (!s.step())
        return std::nullopt;
    return DocumentoFiscal{t(s, 0), t(s, 1), t(s, 2), t(s, 3)};
}

void CFiscalStore::saveDocumento(std::int32_t id, const DocumentoFiscal& d) {
    m_db.execute(upsert("DocumentosFiscales", {"Id_Documento", "FormaPago", "MetodoPago", "UsoCfdi", "Exportacion"}),
                 {std::int64_t{id}, d.formaPago, d.metodoPago, d.usoCfdi, d.exportacion});
}

PacConfig CFiscalStore::pac() {
    PacConfig p;
    Statement s = m_db.prepare("SELECT Pac, Ambiente, Url, Usuario, Clave FROM DatosPac WHERE Id = 1");
    if (!s.step())
        return p;
    const std::string pac = t(s, 0);
    p.pac = pac == "finkok" ? PacProveedor::Finkok : pac == "sw" ? PacProveedor::Sw : PacProveedor::Ninguno;
    p.ambiente = t(s, 1) == "produccion" ? PacAmbiente::Produccion : PacAmbiente::Pruebas;
    p.url = t(s, 2);
    p.usuario = t(s, 3);
    p.clave = t(s, 4);
    return p;
}

void CFiscalStore::savePac(const PacConfig& p) {
    const char* pac = p.pac == PacProveedor::Finkok ? "finkok" : p.pac == PacProveedor::Sw ? "sw" : "";
    m_db.execute(upsert("DatosPac", {"Id", "Pac", "Ambiente", "Url", "Usuario", "Clave"}, "1, ?, ?, ?, ?, ?"),
                 {std::string(pac), std::string(p.ambiente == PacAmbiente::Produccion ? "produccion" : "pruebas"),
                  p.url, p.usuario, p.clave});
}

std::optional<CFiscalStore::StoredCfdi> CFiscalStore::cfdi(std::int32_t id) {
    Statement s = m_db.prepare("SELECT Xml, Estado, NoCertificado, UUID, UltimoError FROM Cfdis WHERE Id_Documento = ?");
    s.bind(1, std::int64_t{id});
    if (!s.step())
        return std::nullopt;
    const Blob xml = blobOf(s, 0);
    return StoredCfdi{std::string(xml.begin(), xml.end()), t(s, 1), t(s, 2), t(s, 3), t(s, 4)};
}

void CFiscalStore::saveStamped(std::int32_t id, const std::string& xml, const std::string& uuid, double timbrado) {
    m_db.execute("UPDATE Cfdis SET Xml = ?, Estado = ?, UUID = ?, Timbrado = ?, UltimoError = NULL WHERE Id_Documento = ?",
                 {Blob(xml.begin(), xml.end()), std::string(kTimbrado), uuid, timbrado, std::int64_t{id}});
}

void CFiscalStore::saveStampFailure(std::int32_t id, bool pending, const std::string& error) {
    // A CFDI once pending stays so until the PAC says it does not hold it, or stamps it.
    m_db.execute("UPDATE Cfdis SET Estado = ?, UltimoError = ? WHERE Id_Documento = ? AND Estado <> ?",
                 {std::string(pending ? kPendiente : kSellado), error, std::int64_t{id}, std::string(kTimbrado)});
}

std::vector<std::int32_t> CFiscalStore::pendingStamps() {
    Statement s = m_db.prepare("SELECT Id_Documento FROM Cfdis WHERE Estado = ? ORDER BY Sellado, Id_Documento");
    s.bind(1, std::string(kPendiente));
    std::vector<std::int32_t> ids;
    while (s.step())
        ids.push_back(static_cast<std::int32_t>(s.integer(0)));
    return ids;
}

std::vector<std::int32_t> CFiscalStore::toStamp() {
    Statement s = m_db.prepare("SELECT Id_Documento FROM Cfdis WHERE Estado = ? OR (Estado = ? AND UltimoError <> '') "
                               "ORDER BY Estado = ? DESC, Sellado, Id_Documento");
    s.bind(1, std::string(kPendiente));
    s.bind(2, std::string(kSellado));
    s.bind(3, std::string(kPendiente));
    std::vector<std::int32_t> ids;
    while (s.step())
        ids.push_back(static_cast<std::int32_t>(s.integer(0)));
    return ids;
}

void CFiscalStore::saveSealed(std::int32_t id, const DocumentoFiscal& d, const std::string& xml,
                              const std::string& noCertificado, const DocumentTotals* totals) {
    Transaction tx(m_db);
    saveDocumento(id, d);
    if (totals)
        CDocumentStore(m_db).SetTotals(id, *totals);
    // Stored as bytes: the seal covers exactly these, whatever the text functions would make of them.
    m_db.execute(upsert("Cfdis", {"Id_Documento", "Xml", "Estado", "NoCertificado", "Sellado", "UUID", "Timbrado",
                                  "UltimoError"},
                        "?, ?, 'Sellado', ?, ?, NULL, NULL, NULL"),
                 {std::int64_t{id}, Blob(xml.begin(), xml.end()), noCertificado, OleDate::now().value});
    tx.commit();
}
