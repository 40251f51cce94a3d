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
        "SELECT FormaPago, MetodoPago, UsoCfdi, Exportacion, SustituyeUuid FROM DocumentosFiscales WHERE Id_Documento = ?");
    s.bind(1, std::int64_t{id});
    if (!s.step())
        return std::nullopt;
    return DocumentoFiscal{t(s, 0), t(s, 1), t(s, 2), t(s, 3), t(s, 4)};
}

void CFiscalStore::saveDocumento(std::int32_t id, const DocumentoFiscal& d) {
    m_db.execute(upsert("DocumentosFiscales",
                        {"Id_Documento", "FormaPago", "MetodoPago", "UsoCfdi", "Exportacion", "SustituyeUuid"}),
                 {std::int64_t{id}, d.formaPago, d.metodoPago, d.usoCfdi, d.exportacion,
                  d.sustituyeUuid.empty() ? DbValue{} : DbValue{d.sustituyeUuid}});
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

namespace {

// The row of a CFDI: the invoice's in Cfdis, a payment's in CfdisPago; its key's values bound after
// the statement's own.
struct Row {
    const char* table;
    const char* where;
    std::vector<DbValue> key;
};

Row rowOf(const CfdiKey& k) {
    if (k.isGlobal())
        return {"FacturasGlobales", "Id = ?", {std::int64_t{k.idGlobal}}};
    if (k.isPayment())
        return {"CfdisPago", "Id_Documento = ? AND NumPago = ?", {std::int64_t{k.idDocumento}, std::int64_t{k.numPago}}};
    return {"Cfdis", "Id_Documento = ?", {std::int64_t{k.idDocumento}}};
}

std::vector<DbValue> with(std::vector<DbValue> values, const Row& row) {
    values.insert(values.end(), row.key.begin(), row.key.end());
    return values;
}

} // namespace

std::optional<CFiscalStore::StoredCfdi> CFiscalStore::cfdi(const CfdiKey& key) {
    const Row row = rowOf(key);
    Statement s = m_db.prepare(std::string("SELECT Xml, Estado, NoCertificado, UUID, UltimoError, Cancelacion, Motivo, "
                                           "FolioSustitucion, EstatusSat, ConsultaSat FROM ") +
                               row.table + " WHERE " + row.where + " AND Xml IS NOT NULL");
    s.bindAll(row.key);
    if (!s.step())
        return std::nullopt;
    const Blob xml = blobOf(s, 0);
    StoredCfdi c;
    c.xml.assign(xml.begin(), xml.end());
    c.estado = t(s, 1);
    c.noCertificado = t(s, 2);
    c.uuid = t(s, 3);
    c.ultimoError = t(s, 4);
    c.cancelacion = t(s, 5);
    c.motivo = t(s, 6);
    c.folioSustitucion = t(s, 7);
    c.estatusSat = t(s, 8);
    c.consultaSat = isNull(s.column(9)) ? 0.0 : s.real(9);
    return c;
}

void CFiscalStore::saveStamped(const CfdiKey& key, const std::string& xml, const std::string& uuid, double timbrado) {
    const Row row = rowOf(key);
    m_db.execute(std::string("UPDATE ") + row.table +
                     " SET Xml = ?, Estado = ?, UUID = ?, Timbrado = ?, UltimoError = NULL WHERE " + row.where,
                 with({Blob(xml.begin(), xml.end()), std::string(kTimbrado), uuid, timbrado}, row));
}

void CFiscalStore::saveStampFailure(const CfdiKey& key, bool pending, const std::string& error) {
    // A CFDI once pending stays so until the PAC says it does not hold it, or stamps it.
    const Row row = rowOf(key);
    std::vector<DbValue> values = with({std::string(pending ? kPendiente : kSellado), error}, row);
    values.emplace_back(std::string(kTimbrado));
    m_db.execute(std::string("UPDATE ") + row.table + " SET Estado = ?, UltimoError = ? WHERE " + row.where +
                     " AND Estado <> ? AND Xml IS NOT NULL",
                 values);
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

void CFiscalStore::notePayment(const CfdiKey& key, const std::string& formaPago) {
    m_db.execute("INSERT INTO CfdisPago (Id_Documento, NumPago, FormaPago, Estado) VALUES (?, ?, ?, ?) "
                 "ON CONFLICT (Id_Documento, NumPago) DO NOTHING",
                 {std::int64_t{key.idDocumento}, std::int64_t{key.numPago}, formaPago, std::string(kPorSellar)});
}

void CFiscalStore::setPaymentForma(const CfdiKey& key, const std::string& formaPago) {
    m_db.execute("UPDATE CfdisPago SET FormaPago = ? WHERE Id_Documento = ? AND NumPago = ? AND Xml IS NULL",
                 {formaPago, std::int64_t{key.idDocumento}, std::int64_t{key.numPago}});
}

std::string CFiscalStore::paymentForma(const CfdiKey& key) {
    Statement s = m_db.prepare("SELECT FormaPago FROM CfdisPago WHERE Id_Documento = ? AND NumPago = ?");
    s.bind(1, std::int64_t{key.idDocumento}).bind(2, std::int64_t{key.numPago});
    return s.step() ? t(s, 0) : std::string();
}

void CFiscalStore::saveSealedPayment(const CfdiKey& key, const std::string& formaPago, const std::string& xml,
                                     const std::string& noCertificado) {
    m_db.execute("INSERT INTO CfdisPago (Id_Documento, NumPago, FormaPago, Xml, Estado, NoCertificado, Sellado) "
                 "VALUES (?, ?, ?, ?, ?, ?, ?) ON CONFLICT (Id_Documento, NumPago) DO UPDATE SET "
                 "FormaPago = excluded.FormaPago, Xml = excluded.Xml, Estado = excluded.Estado, "
                 "NoCertificado = excluded.NoCertificado, Sellado = excluded.Sellado, UUID = NULL, Timbrado = NULL, "
                 "UltimoError = NULL",
                 {std::int64_t{key.idDocumento}, std::int64_t{key.numPago}, formaPago, Blob(xml.begin(), xml.end()),
                  std::string(kSellado), noCertificado, OleDate::now().value});
}

namespace {

std::vector<CfdiKey> keysOf(Statement& s) {
    std::vector<CfdiKey> keys;
    while (s.step())
        keys.emplace_back(static_cast<std::int32_t>(s.integer(0)), static_cast<std::int32_t>(s.integer(1)));
    return keys;
}

} // namespace

std::vector<CfdiKey> CFiscalStore::paymentsToStamp() {
    Statement s = m_db.prepare("SELECT Id_Documento, NumPago FROM CfdisPago WHERE Estado <> ? "
                               "ORDER BY Estado = ? DESC, Id_Documento, NumPago");
    s.bind(1, std::string(kTimbrado)).bind(2, std::string(kPendiente));
    return keysOf(s);
}

std::vector<CfdiKey> CFiscalStore::paymentsOf(std::int32_t idDocumento) {
    Statement s = m_db.prepare("SELECT Id_Documento, NumPago FROM CfdisPago WHERE Id_Documento = ? ORDER BY NumPago");
    s.bind(1, std::int64_t{idDocumento});
    return keysOf(s);
}

std::size_t CFiscalStore::pendingPayments() {
    Statement s = m_db.prepare("SELECT count(*) FROM CfdisPago WHERE Estado = ?");
    s.bind(1, std::string(kPendiente));
    return s.step() ? static_cast<std::size_t>(s.integer(0)) : 0;
}

void CFiscalStore::saveCancelRequest(const CfdiKey& key, const std::string& motivo, const std::string& folioSustitucion,
                                     const std::string& acuse, const std::string& estatusSat) {
    const Row row = rowOf(key);
    m_db.execute(std::string("UPDATE ") + row.table +
                     " SET Cancelacion = ?, Motivo = ?, FolioSustitucion = ?, Acuse = ?, EstatusSat = ?, "
                     "ConsultaSat = NULL WHERE " + row.where,
                 with({std::string(CfdiState::kCancelacionEnProceso), motivo,
                       folioSustitucion.empty() ? DbValue{} : DbValue{folioSustitucion},
                       acuse.empty() ? DbValue{} : DbValue{Blob(acuse.begin(), acuse.end())}, estatusSat},
                      row));
}

void CFiscalStore::saveSatStatus(const CfdiKey& key, const std::string& cancelacion, const std::string& estatusSat,
                                 double when) {
    const Row row = rowOf(key);
    m_db.execute(std::string("UPDATE ") + row.table + " SET Cancelacion = ?, EstatusSat = ?, ConsultaSat = ? WHERE " +
                     row.where,
                 with({cancelacion.empty() ? DbValue{} : DbValue{cancelacion}, estatusSat, when}, row));
}

std::vector<CfdiKey> CFiscalStore::cancellationsInProcess() {
    std::vector<CfdiKey> keys;
    Statement globals = m_db.prepare("SELECT Id FROM FacturasGlobales WHERE Cancelacion = ? ORDER BY Id");
    globals.bind(1, std::string(CfdiState::kCancelacionEnProceso));
    while (globals.step())
        keys.push_back(CfdiKey::Global(static_cast<std::int32_t>(globals.integer(0))));
    Statement invoices = m_db.prepare("SELECT Id_Documento FROM Cfdis WHERE Cancelacion = ? ORDER BY Id_Documento");
    invoices.bind(1, std::string(CfdiState::kCancelacionEnProceso));
    while (invoices.step())
        keys.emplace_back(static_cast<std::int32_t>(invoices.integer(0)));
    Statement payments = m_db.prepare(
        "SELECT Id_Documento, NumPago FROM CfdisPago WHERE Cancelacion = ? ORDER BY Id_Documento, NumPago");
    payments.bind(1, std::string(CfdiState::kCancelacionEnProceso));
    const std::vector<CfdiKey> more = keysOf(payments);
    keys.insert(keys.end(), more.begin(), more.end());
    return keys;
}

std::vector<CfdiKey> CFiscalStore::globalsToStamp() {
    Statement s = m_db.prepare("SELECT Id FROM FacturasGlobales WHERE Estado <> ? ORDER BY Estado = ? DESC, Id");
    s.bind(1, std::string(kTimbrado)).bind(2, std::string(kPendiente));
    std::vector<CfdiKey> keys;
    while (s.step())
        keys.push_back(CfdiKey::Global(static_cast<std::int32_t>(s.integer(0))));
    return keys;
}
