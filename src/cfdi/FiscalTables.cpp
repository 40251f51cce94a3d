#include "cfdi/FiscalTables.h"

#include "db/Database.h"
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
    "Exportacion TEXT)",
    "CREATE TABLE IF NOT EXISTS Cfdis (Id_Documento INTEGER PRIMARY KEY "
    "REFERENCES Documentos(Id_Documento) ON DELETE CASCADE, Xml BLOB NOT NULL, Estado TEXT NOT NULL, "
    "NoCertificado TEXT, Sellado REAL)",
    "CREATE TABLE IF NOT EXISTS DatosPac (Id INTEGER PRIMARY KEY CHECK (Id = 1), Pac TEXT, Ambiente TEXT, Url TEXT, "
    "Usuario TEXT, Clave TEXT)",
};

const char* const kNames[] = {"DatosFiscales", "ClientesFiscales", "ArticulosFiscales",
                              "ImpuestosFiscales", "DocumentosFiscales", "Cfdis", "DatosPac"};

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

void ensure(Database& db) {
    // Checked first so that a reader never takes the write lock when nothing is missing.
    if (allPresent(db))
        return;
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
