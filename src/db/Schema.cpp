#include "db/Schema.h"

#include "db/Database.h"
#include "db/DbError.h"
#include "db/KeyIndexes.h"

namespace {

using K = ColumnKind;

std::vector<TableDef> makeTables() {
    return {
        {"Documentos",
         {{"Id_Documento", K::Long, true}, {"Id_Cliente", K::Long}, {"Nombre", K::Text}, {"Dom1", K::Text},
          {"Dom2", K::Text}, {"Dom3", K::Text}, {"RFC", K::Text}, {"Fecha", K::Date}, {"Vence", K::Date},
          {"Serie", K::Text}, {"Folio", K::Long}, {"Importe", K::Double}, {"Descuento", K::Double},
          {"Subtotal", K::Double}, {"Impuesto1", K::Double}, {"Impuesto2", K::Double}, {"Retencion1", K::Double},
          {"Retencion2", K::Double}, {"Total", K::Double}, {"YaPagado", K::Double}, {"Pagado", K::Bool},
          {"Observaciones", K::Text}, {"Extra1", K::Text}, {"Extra2", K::Text}, {"Extra3", K::Text},
          {"Extra4", K::Text}, {"Extra5", K::Text}, {"Extra6", K::Text}, {"Telefono", K::Text},
          {"Cancelada", K::Bool}},
         "Id_Documento"},
        {"Detalles",
         {{"Id_Detalle", K::Long, true}, {"Id_Documento", K::Long}, {"Renglon", K::Long}, {"Id_Articulo", K::Long},
          {"Clave", K::Text}, {"Descripcion", K::Text}, {"Precio", K::Double}, {"Cantidad", K::Double},
          {"pDescuento", K::Double}, {"Importe", K::Double}, {"Descuento", K::Double}, {"Imp1", K::Double},
          {"Imp2", K::Double}, {"Ret1", K::Double}, {"Ret2", K::Double}, {"Total", K::Double},
          {"Observeciones", K::Text}, {"Extra1", K::Text}, {"Extra2", K::Text}, {"Extra3", K::Text},
          {"Extra4", K::Text}, {"pI1", K::Double}, {"pI2", K::Double}, {"pR1", K::Double}, {"pR2", K::Double}},
         "Id_Detalle"},
        {"Cobros",
         {{"Id_Documento", K::Long}, {"NumPago", K::Long}, {"Fecha", K::Date}, {"Importe", K::Double},
          {"Observaciones", K::Text}, {"Referencia", K::Text}, {"Id_Cliente", K::Long}},
         ""},
        {"Clientes",
         {{"Id_Cliente", K::Long, true}, {"Nombre", K::Text}, {"Dom1", K::Text}, {"Dom2", K::Text},
          {"Dom3", K::Text}, {"RFC", K::Text}, {"Telefono", K::Text}, {"Clasificacion", K::Text}},
         "Id_Cliente"},
        {"Articulos",
         {{"Id_Articulo", K::Long, true}, {"Clave", K::Text}, {"Descripcion", K::Text}, {"Precio", K::Double},
          {"Id_Imp1", K::Long}, {"Id_Imp2", K::Long}, {"Id_Ret1", K::Long}, {"Id_Ret2", K::Long},
          {"Observaciones", K::Text}, {"PrecioNeto", K::Double}},
         "Id_Articulo"},
        {"Impuestos",
         {{"Id_Impuesto", K::Long, true}, {"Nombre", K::Text}, {"Porcentaje", K::Double}, {"Retencion", K::Bool}},
         "Id_Impuesto"},
        {"General",
         {{"Version", K::Long}, {"Moneda", K::Text}, {"Postfijo", K::Text}, {"Nombre", K::Text}, {"In", K::Bytes}},
         ""},
        {"CamposExtras",
         {{"Consec", K::Long}, {"Id_Extra", K::Long}, {"DeDetalle", K::Bool}, {"Nombre", K::Text},
          {"Formato", K::Long}},
         ""},
        {"Formatos",
         {{"Id_Formato", K::Long, true}, {"Nombre", K::Text}, {"Detalle", K::Binary}, {"Observaciones", K::Text},
          {"Caben", K::Long}, {"Ticket", K::Bool}, {"Repetir", K::Long}},
         "Id_Formato"},
        {"AuxEdo",
         {{"Cliente", K::Text}, {"Fecha", K::Date}, {"Concepto", K::Text}, {"Referencia", K::Text},
          {"Cargos", K::Double}, {"Abonos", K::Double}, {"Saldo", K::Double}},
         ""},
    };
}

std::string sqlType(const ColumnDef& c, const Dialect& dialect) {
    switch (c.kind) {
    case K::Long: return c.autoNumber ? "INTEGER PRIMARY KEY AUTOINCREMENT" : "INTEGER DEFAULT 0";
    case K::Bool: return "INTEGER DEFAULT 0";
    case K::Text: return "TEXT";
    case K::Double:
    case K::Date: return "REAL DEFAULT 0";
    case K::Binary: return "BLOB";
    case K::Bytes: return dialect.bytesAsText() ? "TEXT" : "BLOB";
    }
    return "";
}

std::string createTableSql(const TableDef& t, const Dialect& dialect) {
    std::string sql = "CREATE TABLE \"" + t.name + "\" (";
    for (std::size_t i = 0; i < t.columns.size(); ++i) {
        const ColumnDef& c = t.columns[i];
        sql += (i ? ", " : "") + ("\"" + c.name + "\" ") + sqlType(c, dialect);
        // Lines and payments belong to their document and go with it.
        if ((t.name == "Detalles" || t.name == "Cobros") && c.name == "Id_Documento")
            sql += " NOT NULL REFERENCES Documentos(Id_Documento) ON DELETE CASCADE";
    }
    return sql + dialect.hiddenColumns(t) + ")";
}

} // namespace

namespace Schema {

const std::vector<TableDef>& tables() {
    static const std::vector<TableDef> all = makeTables();
    return all;
}

const TableDef& table(const std::string& name) {
    for (const TableDef& t : tables())
        if (t.name == name)
            return t;
    throw DbError("no such table: " + name, DbError::kGeneric);
}

const std::vector<IndexDef>& lookupIndexes() {
    static const std::vector<IndexDef> all = {
        {"Detalles_Documento", "CREATE INDEX IF NOT EXISTS Detalles_Documento ON Detalles(Id_Documento, Renglon)"},
        // The lists' order (series, folio, date, id) read straight from the index: all documents, and
        // the open ones of the receivables list, which a scan of the table would find one by one.
        {"Documentos_SerieFolioFecha",
         "CREATE INDEX IF NOT EXISTS Documentos_SerieFolioFecha ON Documentos(Serie, Folio, Fecha)"},
        {"Documentos_Abiertos",
         "CREATE INDEX IF NOT EXISTS Documentos_Abiertos ON Documentos(Pagado, Cancelada, Serie, Folio, Fecha)"},
        {"Documentos_Fecha", "CREATE INDEX IF NOT EXISTS Documentos_Fecha ON Documentos(Fecha)"},
        // A customer's documents and payments before and inside a period (the statement).
        {"Documentos_ClienteFecha",
         "CREATE INDEX IF NOT EXISTS Documentos_ClienteFecha ON Documentos(Id_Cliente, Fecha)"},
        {"Cobros_ClienteFecha", "CREATE INDEX IF NOT EXISTS Cobros_ClienteFecha ON Cobros(Id_Cliente, Fecha)"},
    };
    return all;
}

const std::vector<std::string>& supersededIndexes() {
    // Documentos_ClienteFecha and Documentos_SerieFolioFecha begin with the same columns.
    static const std::vector<std::string> all = {"Documentos_Cliente", "Documentos_SerieFolio"};
    return all;
}

void create(Database& db) {
    for (const TableDef& t : tables())
        db.execute(createTableSql(t, db.dialect()));
    // "Clave" is sought case-insensitively: "s001" finds "S001".
    db.execute("CREATE UNIQUE INDEX Clave ON Articulos(Clave COLLATE NOCASE)");
    for (const IndexDef& index : lookupIndexes())
        db.execute(index.createSql);
    KeyIndexes::create(db);

    db.execute("INSERT INTO General (Version, Moneda, Postfijo, Nombre, \"In\") VALUES (?, ?, ?, ?, NULL)",
               {std::int64_t{kGeneralVersion}, std::string("PESOS"), std::string("M.N."), std::string()});
    for (int consec = 1; consec <= 10; ++consec)
        db.execute("INSERT INTO CamposExtras (Consec, Id_Extra, DeDetalle, Nombre, Formato) VALUES (?, ?, ?, NULL, 0)",
                   {std::int64_t{consec}, std::int64_t{consec}, std::int64_t{consec >= 7 ? 1 : 0}});
    struct Tax { const char* name; double percent; bool withholding; };
    const Tax taxes[] = {{"IVA 16 %", 16, false}, {"IVA 8 %", 8, false}, {"IVA 0 %", 0, false},
                         {"Ret. IVA", 10.6667, true}, {"Ret. ISR", 10, true}};
    for (const Tax& t : taxes)
        db.execute("INSERT INTO Impuestos (Nombre, Porcentaje, Retencion) VALUES (?, ?, ?)",
                   {std::string(t.name), t.percent, std::int64_t{t.withholding ? 1 : 0}});
}

} // namespace Schema
