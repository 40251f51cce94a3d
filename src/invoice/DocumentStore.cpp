#include "invoice/DocumentStore.h"

#include "invoice/CfdiState.h"

#include "db/Database.h"
#include "db/DbError.h"
#include "db/ReadSnapshot.h"
#include "db/RetryConflicts.h"
#include "db/Schema.h"
#include "db/Transaction.h"
#include "db/ValueFunctions.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>

namespace {

std::int64_t toInt(std::int32_t v) { return v; }

DbValue text(const std::string& s) { return s.empty() ? DbValue{} : DbValue{s}; }

// A prepared INSERT of the named columns.
Statement prepareInsert(Database& db, const std::string& table, const std::vector<std::string>& columns) {
    std::string cols, marks;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        cols += (i ? ", \"" : "\"") + columns[i] + "\"";
        marks += i ? ", ?" : "?";
    }
    return db.prepare("INSERT INTO \"" + table + "\" (" + cols + ") VALUES (" + marks + ")");
}

std::int32_t insert(Database& db, Statement& st, const std::vector<DbValue>& values) {
    st.reset();
    st.bindAll(values);
    st.execute();
    return static_cast<std::int32_t>(db.lastInsertId());
}

const std::vector<std::string> kDocumentColumns = {
    "Id_Cliente", "Nombre", "Dom1", "Dom2", "Dom3", "RFC", "Fecha", "Vence", "Serie", "Folio",
    "Importe", "Descuento", "Subtotal", "Impuesto1", "Impuesto2", "Retencion1", "Retencion2", "Total",
    "YaPagado", "Pagado", "Observaciones", "Extra1", "Extra2", "Extra3", "Extra4", "Extra5", "Extra6",
    "Telefono"};

const std::vector<std::string> kDetailColumns = {
    "Id_Documento", "Renglon", "Id_Articulo", "Clave", "Descripcion", "Precio", "Cantidad", "pDescuento",
    "Importe", "Descuento", "Imp1", "Imp2", "Ret1", "Ret2", "Total", "Observeciones",
    "Extra1", "Extra2", "Extra3", "Extra4", "pI1", "pI2", "pR1", "pR2"};

// What a save of the document writes: the Documentos row, a Detalles row, and the amount of the
// first payment.
double firstPaid(const FirstPayment& payment, const DocumentTotals& totals) {
    return payment.registrar ? std::min(payment.importe, totals.Total) : 0.0;
}

std::vector<DbValue> documentRow(const DocumentHeader& header, std::int32_t idCliente, const DocumentTotals& totals,
                                 double paid) {
    return {toInt(idCliente), text(header.nombre), text(header.dom1), text(header.dom2), text(header.dom3),
            text(header.rfc), header.fecha.value, header.vence.value, text(header.serie), toInt(header.folio),
            totals.Importe, totals.Descuento, totals.Subtotal, totals.Impuesto1, totals.Impuesto2, totals.Retencion1,
            totals.Retencion2, totals.Total, paid, std::int64_t{IsPaid(paid, totals.Total) ? 1 : 0},
            text(header.observaciones), text(header.extras[0]), text(header.extras[1]), text(header.extras[2]),
            text(header.extras[3]), text(header.extras[4]), text(header.extras[5]), text(header.telefono)};
}

std::vector<DbValue> detailRow(std::int32_t idDocumento, int renglon, std::int32_t idArticulo, const CPartida& line) {
    return {toInt(idDocumento), std::int64_t{renglon}, toInt(idArticulo), text(line.Clave), text(line.Descripcion),
            line.Precio, line.Cantidad, line.pDescuento, line.Importe, line.Descuento, line.Imp1, line.Imp2,
            line.Ret1, line.Ret2, line.Total, text(line.Observaciones), text(line.Extra1), text(line.Extra2),
            text(line.Extra3), text(line.Extra4), line.pI1, line.pI2, line.pR1, line.pR2};
}

std::string columnList(const std::vector<std::string>& columns) {
    std::string list;
    for (const std::string& c : columns)
        list += (list.empty() ? "\"" : ", \"") + c + "\"";
    return list;
}

// A stored value against the one a save writes: Null stands for empty text, numbers compare
// exactly (both engines give back the double that was written).
bool sameValue(const DbValue& stored, const DbValue& written) {
    if (isNull(written))
        return isNull(stored) || valueToText(stored).empty();
    if (isNull(stored))
        return false;
    if (auto i = std::get_if<std::int64_t>(&written))
        return valueToInt(stored) == *i;
    if (auto d = std::get_if<double>(&written))
        return valueToDouble(stored) == *d;
    return valueToText(stored) == valueToText(written);
}

// The statement's current row, from column `first` on, against `written`; `skip` lists columns of
// `written` left out.
bool sameRow(const Statement& st, int first, const std::vector<DbValue>& written, const std::vector<int>& skip = {}) {
    for (int i = 0; i < static_cast<int>(written.size()); ++i)
        if (std::find(skip.begin(), skip.end(), i) == skip.end() &&
            !sameValue(st.column(first + i), written[static_cast<std::size_t>(i)]))
            return false;
    return true;
}

// Places in documentRow() and detailRow().
constexpr int kIdClienteColumn = 0, kYaPagadoColumn = 18, kPagadoColumn = 19, kIdArticuloColumn = 2;

// A value in a document's stamp, told apart from every other value of any type.
void appendStamp(std::string& stamp, const DbValue& v) {
    if (isNull(v))
        stamp += "N|";
    else if (auto i = std::get_if<std::int64_t>(&v))
        stamp += "i" + std::to_string(*i) + "|";
    else if (auto d = std::get_if<double>(&v))
        stamp += "r" + std::to_string(std::bit_cast<std::uint64_t>(*d)) + "|";
    else {
        const std::string text = valueToText(v);
        stamp += "t" + std::to_string(text.size()) + ":" + text + "|";
    }
}

} // namespace

bool IsPaid(double paid, double total) {
    // Amounts are unrounded sums, payments are typed in cents: 25.50 pays 25.500000000000004.
    return std::llround(paid * 100.0) >= std::llround(total * 100.0);
}

SqlCondition CDocumentStore::seriesCondition(const std::string& serie, const std::string& column) {
    if (serie.empty())
        return {column + " Is Null", {}};
    return {column + " = ?", {serie}};
}

std::int32_t CDocumentStore::NextFolio(const std::string& serie) {
    const SqlCondition series = seriesCondition(serie);
    Statement st = m_db.prepare("SELECT max(Folio) FROM Documentos WHERE " + series.sql);
    st.bindAll(series.params);
    st.step();
    if (isNull(st.column(0)))
        return 1;
    const std::int64_t last = st.integer(0);
    if (last < std::numeric_limits<std::int32_t>::max())
        return static_cast<std::int32_t>(std::max<std::int64_t>(last, 0) + 1);
    // The last folio a Long can hold is used: the lowest one still free, rather than a wrap to 0.
    const SqlCondition d = seriesCondition(serie, "d.Serie");
    const SqlCondition e = seriesCondition(serie, "e.Serie");
    Statement gap = m_db.prepare(
        "SELECT CASE WHEN NOT EXISTS (SELECT 1 FROM Documentos e WHERE " + e.sql + " AND e.Folio = 1) THEN 1 ELSE "
        "(SELECT d.Folio + 1 FROM Documentos d WHERE " + d.sql + " AND d.Folio >= 1 AND NOT EXISTS "
        "(SELECT 1 FROM Documentos e WHERE " + e.sql + " AND e.Folio = d.Folio + 1) ORDER BY d.Folio LIMIT 1) END");
    std::vector<DbValue> params = e.params;
    params.insert(params.end(), d.params.begin(), d.params.end());
    params.insert(params.end(), e.params.begin(), e.params.end());
    gap.bindAll(params);
    gap.step();
    const std::int64_t free = isNull(gap.column(0)) ? 0 : gap.integer(0);
    return free > 0 && free <= std::numeric_limits<std::int32_t>::max() ? static_cast<std::int32_t>(free) : 0;
}

std::optional<std::int32_t> CDocumentStore::Find(const std::string& serie, std::int32_t folio) {
    const SqlCondition series = seriesCondition(serie);
    Statement st = m_db.prepare("SELECT Id_Documento FROM Documentos WHERE " + series.sql +
                                " AND Folio = ? ORDER BY Id_Documento LIMIT 1");
    auto params = series.params;
    params.push_back(toInt(folio));
    st.bindAll(params);
    if (!st.step())
        return std::nullopt;
    return static_cast<std::int32_t>(st.integer(0));
}

std::optional<StoredDocument> CDocumentStore::FindStored(const std::string& serie, std::int32_t folio) {
    // Every header column and every payment: a payment, a cancellation or a replacement made by
    // another station shows as a different stamp (a replacement also as a different id).
    static const std::string headerSql = [] {
        std::string sql;
        for (const ColumnDef& c : Schema::table("Documentos").columns)
            sql += (sql.empty() ? "d.\"" : ", d.\"") + c.name + "\"";
        return sql;
    }();
    const SqlCondition series = seriesCondition(serie, "d.Serie");
    Statement st = m_db.prepare("SELECT " + headerSql + " FROM Documentos d WHERE " + series.sql +
                                " AND d.Folio = ? ORDER BY d.Id_Documento LIMIT 1");
    auto params = series.params;
    params.push_back(toInt(folio));
    st.bindAll(params);
    if (!st.step())
        return std::nullopt;
    const auto id = static_cast<std::int32_t>(st.integer(0));
    std::string stamp;
    for (int c = 0; c < st.columnCount(); ++c)
        appendStamp(stamp, st.column(c));
    Statement pays = m_db.prepare("SELECT NumPago, Fecha, Importe, Referencia, Observaciones FROM Cobros "
                                  "WHERE Id_Documento = ? ORDER BY NumPago");
    pays.bind(1, toInt(id));
    while (pays.step()) {
        stamp += ';';
        for (int c = 0; c < 5; ++c)
            appendStamp(stamp, pays.column(c));
    }
    return StoredDocument{id, stamp};
}

SaveResult CDocumentStore::Save(DocumentHeader& header, std::span<CPartida> lines, const DocumentTotals& totals,
                                const FirstPayment& payment, const std::optional<StoredDocument>& replace) {
    return RetryConflicts([&] { return saveOnce(header, lines, totals, payment, replace); });
}

SaveResult CDocumentStore::saveOnce(DocumentHeader& header, std::span<CPartida> lines, const DocumentTotals& totals,
                                    const FirstPayment& payment, const std::optional<StoredDocument>& replace) {
    if (!std::isfinite(totals.Total) || !std::isfinite(payment.importe))
        throw DbError("- Los importes del documento están fuera de rango -");
    const double paid = firstPaid(payment, totals);
    // The ids the rows get are handed back only once everything is committed.
    std::int32_t idCliente = header.idCliente;
    std::vector<std::int32_t> articleIds;
    articleIds.reserve(lines.size());

    // The write lock is taken first, so the folio checked here is still free, or still the
    // document the operator agreed to replace, when the rows are written.
    Transaction tx(m_db);
    const std::optional<StoredDocument> stored = FindStored(header.serie, header.folio);
    if (replace && stored != replace)
        return {SaveResult::Outcome::ReplacedChanged, 0, 0};
    if (!replace && stored)
        return {SaveResult::Outcome::FolioTaken, 0, NextFolio(header.serie)};
    if (replace) {
        if (!StampedHold(replace->id).empty())
            return {SaveResult::Outcome::Stamped, 0, 0};
        m_db.execute("DELETE FROM Documentos WHERE Id_Documento = ?", {toInt(replace->id)});
    }

    if (idCliente == 0) {
        Statement customer = prepareInsert(m_db, "Clientes", {"Nombre", "Dom1", "Dom2", "Dom3", "RFC", "Telefono"});
        idCliente = insert(m_db, customer, {text(header.nombre), text(header.dom1), text(header.dom2),
                                            text(header.dom3), text(header.rfc), text(header.telefono)});
    }

    Statement document = prepareInsert(m_db, "Documentos", kDocumentColumns);
    const std::int32_t id = insert(m_db, document, documentRow(header, idCliente, totals, paid));

    Statement findArticle = m_db.prepare("SELECT Id_Articulo FROM Articulos WHERE Clave = ? COLLATE NOCASE LIMIT 1");
    Statement article = prepareInsert(m_db, "Articulos", {"Clave", "Descripcion", "Id_Imp1", "Id_Imp2", "Id_Ret1",
                                                          "Id_Ret2", "Precio", "PrecioNeto"});
    Statement detail = prepareInsert(m_db, "Detalles", kDetailColumns);
    int renglon = 0;
    for (const CPartida& line : lines) {
        std::int32_t idArticulo = line.Id_Articulo;
        if (idArticulo == 0 && !line.Clave.empty()) {
            // A free key: the catalogue gets it once; a second line with it, or a key the
            // catalogue already has, takes that article.
            findArticle.reset();
            findArticle.bind(1, line.Clave);
            if (findArticle.step()) {
                idArticulo = static_cast<std::int32_t>(findArticle.integer(0));
            } else {
                idArticulo = insert(m_db, article,
                                    {line.Clave, text(line.Descripcion), toInt(line.Id_Imp1), toInt(line.Id_Imp2),
                                     toInt(line.Id_Ret1), toInt(line.Id_Ret2), line.Precio, line.PrecioNeto});
            }
            findArticle.reset();
        }
        articleIds.push_back(idArticulo);
        insert(m_db, detail, detailRow(id, ++renglon, idArticulo, line));
    }

    if (payment.registrar) {
        Statement cobro = prepareInsert(m_db, "Cobros", {"Id_Documento", "NumPago", "Fecha", "Importe", "Referencia",
                                                         "Id_Cliente"});
        insert(m_db, cobro, {toInt(id), std::int64_t{1}, header.fecha.value, paid, text(payment.referencia),
                             toInt(idCliente)});
    }
    tx.commit();

    header.idCliente = idCliente;
    for (std::size_t i = 0; i < lines.size(); ++i)
        lines[i].Id_Articulo = articleIds[i];
    return {SaveResult::Outcome::Saved, id, 0};
}

StoredVersion CDocumentStore::CompareStored(const DocumentHeader& header, std::span<const CPartida> lines,
                                            const DocumentTotals& totals, const FirstPayment& payment) {
    static const std::string documentSql = columnList(kDocumentColumns);
    static const std::string detailSql = columnList(kDetailColumns);
    const double paid = firstPaid(payment, totals);
    // Header, lines and payment as one view, whatever another station writes meanwhile.
    ReadSnapshot snapshot(m_db);
    const SqlCondition series = seriesCondition(header.serie);
    Statement doc = m_db.prepare("SELECT Id_Documento, Cancelada, " + documentSql + " FROM Documentos WHERE " +
                                 series.sql + " AND Folio = ? ORDER BY Id_Documento LIMIT 1");
    auto params = series.params;
    params.push_back(toInt(header.folio));
    doc.bindAll(params);
    if (!doc.step())
        return StoredVersion::Absent;
    const auto id = static_cast<std::int32_t>(doc.integer(0));
    // A customer typed by hand gets its id from the save itself; payments another station took
    // since change what is paid, not the document.
    std::vector<int> skip = {kYaPagadoColumn, kPagadoColumn};
    if (header.idCliente == 0)
        skip.push_back(kIdClienteColumn);
    if (doc.integer(1) != 0 || !sameRow(doc, 2, documentRow(header, header.idCliente, totals, paid), skip))
        return StoredVersion::Different;

    Statement det = m_db.prepare("SELECT " + detailSql + " FROM Detalles WHERE Id_Documento = ? ORDER BY Renglon");
    det.bind(1, toInt(id));
    int renglon = 0;
    for (const CPartida& line : lines) {
        ++renglon;
        const bool newArticle = line.Id_Articulo == 0 && !line.Clave.empty();
        if (!det.step() ||
            !sameRow(det, 0, detailRow(id, renglon, line.Id_Articulo, line), newArticle ? std::vector<int>{kIdArticuloColumn} : std::vector<int>{}))
            return StoredVersion::Different;
    }
    if (det.step())
        return StoredVersion::Different;

    if (payment.registrar) {
        Statement first = m_db.prepare("SELECT Fecha, Importe, Referencia FROM Cobros WHERE Id_Documento = ? AND NumPago = 1");
        first.bind(1, toInt(id));
        if (!first.step() || !sameRow(first, 0, {header.fecha.value, paid, text(payment.referencia)}))
            return StoredVersion::Different;
    }
    return StoredVersion::Same;
}

CDocumentStore::LoadResult CDocumentStore::Load(std::int32_t id, DocumentHeader& header,
                                                std::vector<CPartida>& lines) {
    lines.clear();
    Statement doc = m_db.prepare(
        "SELECT Id_Cliente, Nombre, Dom1, Dom2, Dom3, RFC, Telefono, Fecha, Vence, Serie, Folio, Observaciones, "
        "Extra1, Extra2, Extra3, Extra4, Extra5, Extra6, Cancelada FROM Documentos WHERE Id_Documento = ?");
    doc.bind(1, toInt(id));
    if (!doc.step())
        return LoadResult::NotFound;
    header = DocumentHeader{};
    header.idCliente = static_cast<std::int32_t>(doc.integer(0));
    header.nombre = doc.text(1);
    header.dom1 = doc.text(2);
    header.dom2 = doc.text(3);
    header.dom3 = doc.text(4);
    header.rfc = doc.text(5);
    header.telefono = doc.text(6);
    header.fecha = OleDate{doc.real(7)};
    header.vence = OleDate{doc.real(8)};
    header.serie = doc.text(9);
    header.folio = static_cast<std::int32_t>(doc.integer(10));
    header.observaciones = doc.text(11);
    for (int i = 0; i < 6; ++i)
        header.extras[static_cast<std::size_t>(i)] = doc.text(12 + i);
    header.cancelada = doc.integer(18) != 0;

    Statement det = m_db.prepare(
        "SELECT d.Id_Articulo, d.Clave, d.Descripcion, d.Precio, d.Cantidad, d.pDescuento, d.Observeciones, "
        "d.Extra1, d.Extra2, d.Extra3, d.Extra4, d.pI1, d.pI2, d.pR1, d.pR2, "
        "a.Id_Articulo, a.Id_Imp1, a.Id_Imp2, a.Id_Ret1, a.Id_Ret2 "
        "FROM Detalles d LEFT JOIN Articulos a ON d.Id_Articulo <> 0 AND a.Id_Articulo = d.Id_Articulo "
        "WHERE d.Id_Documento = ? ORDER BY d.Renglon LIMIT 99");
    det.bind(1, toInt(id));
    while (det.step()) {
        CPartida line;
        line.Id_Articulo = static_cast<std::int32_t>(det.integer(0));
        line.Clave = det.text(1);
        line.Descripcion = det.text(2);
        line.Precio = det.real(3);
        line.Cantidad = det.real(4);
        line.pDescuento = det.real(5);
        line.Observaciones = det.text(6);
        line.Extra1 = det.text(7);
        line.Extra2 = det.text(8);
        line.Extra3 = det.text(9);
        line.Extra4 = det.text(10);
        line.pI1 = det.real(11);
        line.pI2 = det.real(12);
        line.pR1 = det.real(13);
        line.pR2 = det.real(14);
        if (!isNull(det.column(15))) {
            line.Id_Imp1 = static_cast<std::int32_t>(det.integer(16));
            line.Id_Imp2 = static_cast<std::int32_t>(det.integer(17));
            line.Id_Ret1 = static_cast<std::int32_t>(det.integer(18));
            line.Id_Ret2 = static_cast<std::int32_t>(det.integer(19));
        }
        line.Recalculate();
        lines.push_back(std::move(line));
    }
    return lines.empty() ? LoadResult::NoLines : LoadResult::Loaded;
}

SqlCondition CDocumentStore::SearchCondition(const DocumentFilter& f) {
    if (f.folio != 0) {
        SqlCondition c = seriesCondition(f.serie);
        c.sql += " AND Folio = ?";
        c.params.push_back(toInt(f.folio));
        return c;
    }
    SqlCondition c;
    auto add = [&](const std::string& sql, std::vector<DbValue> params) {
        c.sql += (c.sql.empty() ? "" : " AND ") + sql;
        c.params.insert(c.params.end(), params.begin(), params.end());
    };
    if (f.idCliente != 0)
        add("Id_Cliente = ?", {toInt(f.idCliente)});
    if (!f.serie.empty())
        add("Serie = ?", {f.serie});
    if (f.porPeriodo) {
        const SqlCondition period = BetweenDates(f.desde, f.hasta);
        add("Fecha " + period.sql, period.params);
    }
    return c;
}

std::string CDocumentStore::StampedHold(std::int32_t id) {
    // A file the fiscal tables never reached has no CFDI at all.
    if (!m_db.hasTable("Cfdis"))
        return {};
    // A sale a global invoice covers is part of that CFDI.
    if (m_db.hasTable("DocumentosGlobales")) {
        Statement g = m_db.prepare("SELECT f.Serie, f.Folio, d.Serie, d.Folio FROM DocumentosGlobales x JOIN "
                                   "FacturasGlobales f ON f.Id = x.Id_Global JOIN Documentos d ON d.Id_Documento = "
                                   "x.Id_Documento WHERE x.Id_Documento = ?");
        g.bind(1, toInt(id));
        if (g.step())
            return "- El documento " + g.text(2) + NumberToPaddedText(static_cast<std::int32_t>(g.integer(3))) +
                   " está incluido en la factura global " + g.text(0) + " " + std::to_string(g.integer(1)) +
                   ": no se elimina ni se reemplaza. Para sacarlo hay que cancelar la factura global ante el SAT. -";
    }
    Statement s = m_db.prepare("SELECT c.Estado, c.UUID, d.Serie, d.Folio FROM Cfdis c JOIN Documentos d "
                               "ON d.Id_Documento = c.Id_Documento WHERE c.Id_Documento = ? AND c.Estado IN (?, ?)");
    s.bind(1, toInt(id));
    s.bind(2, std::string(CfdiState::kTimbrado));
    s.bind(3, std::string(CfdiState::kPendiente));
    if (!s.step())
        return {};
    const std::string name = s.text(2) + NumberToPaddedText(static_cast<std::int32_t>(s.integer(3)));
    if (s.text(0) == CfdiState::kTimbrado)
        return "- El documento " + name + " es una factura electrónica timbrada (folio fiscal " + s.text(1) +
               "): no se elimina ni se reemplaza. Para anularla hay que cancelarla ante el SAT. -";
    return "- El documento " + name + " tiene un timbrado pendiente: el PAC pudo haberlo timbrado. Termine su "
           "timbrado en Utilerias → Facturas por timbrar; una factura timbrada se cancela ante el SAT, no se elimina. -";
}

void CDocumentStore::SetTotals(std::int32_t id, const DocumentTotals& t) {
    m_db.execute("UPDATE Documentos SET Importe = ?, Descuento = ?, Subtotal = ?, Impuesto1 = ?, Impuesto2 = ?, "
                 "Retencion1 = ?, Retencion2 = ?, Total = ?, "
                 "Pagado = CASE WHEN Pagado <> 0 OR YaPagado >= ? THEN 1 ELSE 0 END WHERE Id_Documento = ?",
                 {t.Importe, t.Descuento, t.Subtotal, t.Impuesto1, t.Impuesto2, t.Retencion1, t.Retencion2, t.Total,
                  t.Total, toInt(id)});
}

CDocumentStore::DeleteResult CDocumentStore::Delete(const std::string& serie, std::int32_t folio) {
    Transaction tx(m_db);
    const auto id = Find(serie, folio);
    if (!id)
        return DeleteResult::NotFound;
    if (!StampedHold(*id).empty())
        return DeleteResult::Stamped;
    m_db.execute("DELETE FROM Documentos WHERE Id_Documento = ?", {toInt(*id)});
    tx.commit();
    return DeleteResult::Deleted;
}

CDocumentStore::CancelResult CDocumentStore::Cancel(const std::string& serie, std::int32_t folio) {
    Transaction tx(m_db);
    if (const auto id = Find(serie, folio)) {
        if (!StampedHold(*id).empty())
            return CancelResult::Stamped;
        markCancelled(*id);
    } else {
        // No date, as the old engine left it: a purge by date never takes the placeholder away.
        m_db.execute("INSERT INTO Documentos (Serie, Folio, Cancelada, Fecha, Vence) VALUES (?, ?, 1, NULL, NULL)",
                     {text(serie), toInt(folio)});
    }
    tx.commit();
    return CancelResult::Cancelled;
}

void CDocumentStore::MarkCancelled(std::int32_t id) {
    Transaction tx(m_db);
    markCancelled(id);
    tx.commit();
}

void CDocumentStore::markCancelled(std::int32_t id) {
    m_db.execute("DELETE FROM Cobros WHERE Id_Documento = ?", {toInt(id)});
    m_db.execute("UPDATE Documentos SET Cancelada = 1, YaPagado = 0, Pagado = CASE WHEN Total <= 0 THEN 1 ELSE 0 END "
                 "WHERE Id_Documento = ?",
                 {toInt(id)});
}

int CDocumentStore::DeleteBefore(OleDate date, int* kept) {
    Transaction tx(m_db);
    const double day = date.dateOnly().value;
    int n = 0;
    if (m_db.hasTable("Cfdis")) {
        const std::vector<DbValue> held{day, std::string(CfdiState::kTimbrado), std::string(CfdiState::kPendiente)};
        const std::string stamped = std::string("SELECT Id_Documento FROM Cfdis WHERE Estado IN (?, ?)") +
                                    (m_db.hasTable("DocumentosGlobales") ? " UNION SELECT Id_Documento FROM DocumentosGlobales" : "");
        n = m_db.execute(std::string("DELETE FROM Documentos WHERE Fecha < ? AND Id_Documento NOT IN (") + stamped + ")", held);
        if (kept) {
            Statement s = m_db.prepare(std::string("SELECT count(*) FROM Documentos WHERE Fecha < ? AND Id_Documento IN (") +
                                       stamped + ")");
            s.bind(1, held[0]).bind(2, held[1]).bind(3, held[2]);
            *kept = s.step() ? static_cast<int>(s.integer(0)) : 0;
        }
    } else {
        n = m_db.execute("DELETE FROM Documentos WHERE Fecha < ?", {day});
        if (kept)
            *kept = 0;
    }
    tx.commit();
    return n;
}
