#include "cfdi/FiscalTables.h"

#include "db/Database.h"
#include "db/DbError.h"
#include "db/Statement.h"
#include "db/RetryConflicts.h"
#include "db/Transaction.h"

#include <iterator>

namespace {

// Keyed by the row they complete; deleting that row deletes its fiscal data, and replacing a
// document (a new Id_Documento) drops the seal of the old one.
const char* const kTables[] = {
    "CREATE TABLE IF NOT EXISTS DatosFiscales (Id INTEGER PRIMARY KEY CHECK (Id = 1), Rfc TEXT, "
    "RazonSocial TEXT, RegimenFiscal TEXT, CodigoPostal TEXT, Certificado BLOB, LlavePrivada BLOB)",
    "CREATE TABLE IF NOT EXISTS ClientesFiscales (Id_Cliente INTEGER PRIMARY KEY "
    "REFERENCES Clientes(Id_Cliente) ON DELETE CASCADE, CodigoPostal TEXT, RegimenFiscal TEXT, UsoCfdi TEXT)",
    "CREATE TABLE IF NOT EXISTS ArticulosFiscales (Id_Articulo INTEGER PRIMARY KEY "
    "REFERENCES Articulos(Id_Articulo) ON DELETE CASCADE, ClaveProdServ TEXT, ClaveUnidad TEXT, Unidad TEXT, "
    "ObjetoImp TEXT)",
    "CREATE TABLE IF NOT EXISTS ImpuestosFiscales (Id_Impuesto INTEGER PRIMARY KEY "
    "REFERENCES Impuestos(Id_Impuesto) ON DELETE CASCADE, Impuesto TEXT, TipoFactor TEXT, TasaOCuota REAL)",
    "CREATE TABLE IF NOT EXISTS DocumentosFiscales (Id_Documento INTEGER PRIMARY KEY "
    "REFERENCES Documentos(Id_Documento) ON DELETE CASCADE, FormaPago TEXT, MetodoPago TEXT, UsoCfdi TEXT, "
    "Exportacion TEXT, SustituyeUuid TEXT)",
    "CREATE TABLE IF NOT EXISTS Cfdis (Id_Documento INTEGER PRIMARY KEY "
    "REFERENCES Documentos(Id_Documento) ON DELETE CASCADE, Xml BLOB NOT NULL, Estado TEXT NOT NULL, "
    "NoCertificado TEXT, Sellado REAL, UUID TEXT, Timbrado REAL, UltimoError TEXT, Cancelacion TEXT, Motivo TEXT, "
    "FolioSustitucion TEXT, Acuse BLOB, EstatusSat TEXT, ConsultaSat REAL)",
    "CREATE TABLE IF NOT EXISTS DatosPac (Id INTEGER PRIMARY KEY CHECK (Id = 1), Pac TEXT, Ambiente TEXT, Url TEXT, "
    "Usuario TEXT, Clave TEXT)",
    // One row per payment of a stamped PPD invoice; its Xml is empty until the complement is sealed.
    "CREATE TABLE IF NOT EXISTS CfdisPago (Id_Documento INTEGER NOT NULL REFERENCES Documentos(Id_Documento) "
    "ON DELETE CASCADE, NumPago INTEGER NOT NULL, FormaPago TEXT, Xml BLOB, Estado TEXT NOT NULL, NoCertificado TEXT, "
    "Sellado REAL, UUID TEXT, Timbrado REAL, UltimoError TEXT, Cancelacion TEXT, Motivo TEXT, FolioSustitucion TEXT, "
    "Acuse BLOB, EstatusSat TEXT, ConsultaSat REAL, PRIMARY KEY (Id_Documento, NumPago))",
    // Global invoices to the public, and the documents each one covers: a document covered by one
    // not cancelled goes into no other CFDI.
    "CREATE TABLE IF NOT EXISTS FacturasGlobales (Id INTEGER PRIMARY KEY AUTOINCREMENT, Serie TEXT, Folio INTEGER NOT NULL, "
    "Desde REAL, Hasta REAL, Periodicidad TEXT, FormaPago TEXT, Xml BLOB, Estado TEXT NOT NULL, NoCertificado TEXT, "
    "Sellado REAL, UUID TEXT, Timbrado REAL, UltimoError TEXT, Cancelacion TEXT, Motivo TEXT, FolioSustitucion TEXT, "
    "Acuse BLOB, EstatusSat TEXT, ConsultaSat REAL)",
    "CREATE TABLE IF NOT EXISTS DocumentosGlobales (Id_Documento INTEGER PRIMARY KEY REFERENCES "
    "Documentos(Id_Documento) ON DELETE CASCADE, Id_Global INTEGER NOT NULL REFERENCES FacturasGlobales(Id))",
};

const char* const kNames[] = {"DatosFiscales", "ClientesFiscales", "ArticulosFiscales",
                              "ImpuestosFiscales", "DocumentosFiscales", "Cfdis", "DatosPac", "CfdisPago", "FacturasGlobales", "DocumentosGlobales"};

bool allPresent(Database& db) {
    for (const char* name : kNames)
        if (!db.hasTable(name))
            return false;
    return true;
}

} // namespace

namespace FiscalTables {

std::vector<std::string> names() {
    return {std::begin(kNames), std::end(kNames)};
}

void createTables(Database& db) {
    for (const char* sql : kTables)
        db.execute(sql);
}

namespace {

// Columns added to a table after it first shipped: a database made before gets them at its next
// opening.
const struct {
    const char* table;
    const char* column;
    const char* type;
} kAddedColumns[] = {{"Cfdis", "UUID", "TEXT"},        {"Cfdis", "Timbrado", "REAL"},
                     {"Cfdis", "UltimoError", "TEXT"}, {"Cfdis", "Cancelacion", "TEXT"},
                     {"Cfdis", "Motivo", "TEXT"},      {"Cfdis", "FolioSustitucion", "TEXT"},
                     {"Cfdis", "Acuse", "BLOB"},       {"Cfdis", "EstatusSat", "TEXT"},
                     {"Cfdis", "ConsultaSat", "REAL"},  {"DocumentosFiscales", "SustituyeUuid", "TEXT"}};

// Asked outside any transaction: on a server a failed statement would end it.
bool hasColumn(Database& db, const char* table, const char* column) {
    try {
        // Unquoted, as the tables were made: a server folds the names to lower case.
        Statement probe = db.prepare(std::string("SELECT ") + column + " FROM " + table + " WHERE 1 = 0");
        probe.step();
        return true;
    } catch (const DbError&) {
        return false;
    }
}

bool anyMissing(Database& db) {
    for (const auto& c : kAddedColumns)
        if (!hasColumn(db, c.table, c.column))
            return true;
    return false;
}

void addColumns(Database& db);

void addMissingColumns(Database& db) {
    if (!anyMissing(db))
        return;
    try {
        addColumns(db);
    } catch (const DbError&) {
        // Another station added them at the same moment: its columns are as good as ours.
        if (anyMissing(db))
            throw;
    }
}

void addColumns(Database& db) {
    RetryConflicts([&db] {
        Transaction tx(db);
        for (const auto& c : kAddedColumns) {
            // Looked at again inside the transaction: another station may have added it meanwhile.
            Statement probe = db.prepare(db.dialect().isServer()
                                             ? "SELECT 1 FROM information_schema.columns WHERE table_schema = "
                                               "current_schema() AND lower(table_name) = lower(?) AND lower(column_name) = lower(?)"
                                             : "SELECT 1 FROM pragma_table_info(?) WHERE lower(name) = lower(?)");
            probe.bind(1, std::string(c.table));
            probe.bind(2, std::string(c.column));
            if (!probe.step())
                db.execute(std::string("ALTER TABLE ") + c.table + " ADD COLUMN " + c.column + " " + c.type);
        }
        tx.commit();
    });
}

} // namespace

void ensure(Database& db) {
    // Checked first so that a reader never takes the write lock when nothing is missing.
    if (allPresent(db)) {
        addMissingColumns(db);
        return;
    }
    // Two stations opening a database without them at the same moment both get here: what is
    // missing is looked at again inside the write transaction, and the one whose tables the
    // server refused as already made by the other runs again and finds them.
    RetryConflicts([&db] {
        Transaction tx(db);
        if (allPresent(db))
            return;
        const bool newTaxTable = !db.hasTable("ImpuestosFiscales");
        createTables(db);
        // The usual taxes every new database starts with get their SAT meaning at once.
        if (newTaxTable)
            db.execute("INSERT INTO ImpuestosFiscales (Id_Impuesto, Impuesto, TipoFactor, TasaOCuota) "
                       "SELECT Id_Impuesto, CASE WHEN Nombre = 'Ret. ISR' THEN '001' ELSE '002' END, 'Tasa', "
                       "round(Porcentaje / 100.0, 6) FROM Impuestos WHERE (Retencion = 0 AND Nombre IN "
                       "('IVA 16 %', 'IVA 8 %', 'IVA 0 %') AND Porcentaje IN (16, 8, 0)) OR (Retencion <> 0 AND "
                       "((Nombre = 'Ret. IVA' AND Porcentaje = 10.6667) OR (Nombre = 'Ret. ISR' AND Porcentaje = 10)))");
        tx.commit();
    });
}

} // namespace FiscalTables
