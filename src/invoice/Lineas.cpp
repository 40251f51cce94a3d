#include "invoice/Lineas.h"

#include "db/ArticulosSet.h"
#include "db/DbError.h"
#include "db/DbErrorText.h"
#include "db/EsxtrasSet.h"
#include "db/ImpuestosSet.h"
#include "db/TolRecordset.h"
#include "invoice/MoneyText.h"
#include "invoice/TotalsSum.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

namespace {

// The key index compares as SQLite's NOCASE does: ASCII letters only.
bool sameKey(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto fold = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; };
        if (fold(a[i]) != fold(b[i]))
            return false;
    }
    return true;
}

std::string sixDecimals(double value) {
    char buf[512];
    std::snprintf(buf, sizeof buf, "%f", value);
    return buf;
}

} // namespace

CLineas::CLineas(CArticulosSet& articles, CImpuestosSet& taxes, const Options& options)
    : m_articles(articles), m_taxes(taxes), m_options(options) {
    m_articles.SetCurrentIndex("Clave");
    m_taxes.SetCurrentIndex("PrimaryKey");
    Clear();
}

void CLineas::SetOptions(const Options& options) { m_options = options; }

CPartida& CLineas::Line(int slot) {
    if (slot < 1 || slot > kMaxLines)
        throw std::out_of_range("line slot " + std::to_string(slot));
    return m_lines[static_cast<std::size_t>(slot)];
}

const CPartida& CLineas::Line(int slot) const { return const_cast<CLineas*>(this)->Line(slot); }

CPartida* CLineas::LineAtRow(int row) {
    if (row >= 1 && row <= m_count)
        return &m_lines[static_cast<std::size_t>(row)];
    if (IsAppendRow(row))
        return &m_new;
    return nullptr;
}

const CPartida* CLineas::LineAtRow(int row) const { return const_cast<CLineas*>(this)->LineAtRow(row); }

void CLineas::resetLine(CPartida& line) const { line.Reset(m_options.defaultTaxId, m_options.defaultTaxRate); }

void CLineas::Clear() {
    for (CPartida& line : m_lines)
        resetLine(line);
    resetLine(m_new);
    m_count = 0;
    m_held.reset();
}

void CLineas::SetLineCount(int n) {
    m_count = std::clamp(n, 0, kMaxLines);
    m_held.reset();
}

CLineas::Dialog CLineas::DialogFor(int row, int column, bool f2) const {
    if (!f2 || LineAtRow(row) == nullptr || (IsAppendRow(row) && IsFull()))
        return Dialog::None;
    switch (column) {
    case CPartida::kClave: return Dialog::ArticlePicker;
    case CPartida::kNombre: return Dialog::Notes;
    case CPartida::kPrecio: return Dialog::ArticleEditor;
    default: return Dialog::None;
    }
}

CLineas::CommitResult CLineas::revert(std::string_view previous, std::string message) {
    CommitResult r;
    r.text = previous;
    r.next = Next::Stay;
    r.reverted = true;
    r.message = std::move(message);
    return r;
}

CLineas::CommitResult CLineas::CommitCell(int row, int column, std::string_view text, std::string_view previous,
                                          bool f2) {
    m_held.reset();
    CPartida* line = LineAtRow(row);
    const bool appendRow = IsAppendRow(row);
    CommitResult r;
    if (line == nullptr) {
        r = revert(previous);
    } else if (appendRow && IsFull()) {
        // A 100th line has no slot: nothing typed into it may count.
        r = revert(previous, kMsgTablaLlena);
    } else {
        switch (column) {
        case CPartida::kClave:
            r = commitKey(*line, appendRow, text, previous);
            break;
        case CPartida::kNombre:
            r.text = text;
            // F2 edited the notes; an empty description may not be left behind.
            r.next = f2 || text.empty() ? Next::Stay : Next::Key;
            break;
        case CPartida::kCantidad:
            r = commitQuantity(*line, appendRow, text, previous);
            break;
        case CPartida::kPrecio:
            r = commitPrice(*line, appendRow, text, previous, f2);
            break;
        case CPartida::kDescuento:
            r = commitDiscount(*line, text, previous);
            break;
        default:
            r.text = text;
            break;
        }
    }
    // The hook has already applied these values at full precision (or refused them); the store
    // that follows must not read them back from their rounded texts.
    if (r.reverted || (column >= CPartida::kCantidad && column <= CPartida::kDescuento))
        m_held = std::make_pair(row, column);
    return r;
}

bool CLineas::seekArticle(const std::string& key) {
    if (m_articles.Seek(DbValue{key}))
        return true;
    // The catalogue may have gained the article since the set was opened.
    m_articles.Requery();
    return m_articles.Seek(DbValue{key});
}

CLineas::CommitResult CLineas::commitKey(CPartida& line, bool appendRow, std::string_view text,
                                         std::string_view previous) {
    CommitResult r;
    r.text = text;
    const std::string typed(text);
    const CPartida before = line;
    try {
        if (typed.empty() || !seekArticle(typed)) {
            // A free key. It no longer names the article the line came from, so the line stops
            // pointing at that article (saving adds the free key as a new one).
            if (!sameKey(typed, line.Clave))
                line.Id_Articulo = 0;
            return r;
        }
        line.LoadFromArticle(m_articles, m_taxes);
    } catch (const DbError& e) {
        line = before;
        return revert(previous, DbErrorText(e));
    }
    line.Recalculate();
    // An article stored with a price no line can carry (an imported one) is not taken.
    if (!line.IsInRange()) {
        line = before;
        return revert(previous, kMsgFueraDeRango);
    }
    if (appendRow) {
        r.text = line.Clave;
        if (m_options.rapido == 1) {
            line.Cantidad = 1;
            line.Recalculate();
            if (line.Importe != 0)
                r.next = Next::NextRow;
        }
        for (int column : {CPartida::kClave, CPartida::kNombre, CPartida::kCantidad, CPartida::kPrecio,
                           CPartida::kImporte}) {
            if (column == CPartida::kCantidad && m_options.rapido != 1)
                continue;
            r.appendRowTexts.emplace_back(column, line.GetText(column, m_options.prcAiva));
        }
    }
    r.advanceColumn = true;
    r.recalcTotals = true;
    return r;
}

CLineas::CommitResult CLineas::commitQuantity(CPartida& line, bool appendRow, std::string_view text,
                                              std::string_view previous) {
    const double value = ReadPlainNumber(text);
    CommitResult r;
    if (!(value > 0)) {
        r = revert(previous);
    } else {
        const CPartida before = line;
        line.Cantidad = value;
        line.Recalculate();
        if (!line.IsInRange()) {
            line = before;
            r = revert(previous, kMsgFueraDeRango);
        } else {
            r.text = text;
            if (line.Importe != 0)
                r.next = Next::NextRow;
            if (appendRow)
                r.appendRowTexts.emplace_back(CPartida::kImporte, line.GetText(CPartida::kImporte, m_options.prcAiva));
        }
    }
    r.recalcTotals = true;
    return r;
}

CLineas::CommitResult CLineas::commitPrice(CPartida& line, bool appendRow, std::string_view text,
                                           std::string_view previous, bool f2) {
    // F2 here ran the article editor, which was cancelled.
    if (f2)
        return revert(previous);
    const std::optional<double> parsed = TryParseMoney(text);
    if (!parsed)
        return revert(previous, kMsgImporte);
    const double value = *parsed;
    if (!(value > 0))
        return revert(previous);
    const CPartida before = line;
    if (m_options.prcAiva == 1) {
        line.Precio = value;
        line.Recalculate();
    } else {
        line.PrecioNeto = value;
        if (!line.RecalculateFromNet()) {
            line = before;
            return revert(previous, kMsgPrecioNeto);
        }
    }
    if (!line.IsInRange()) {
        line = before;
        return revert(previous, kMsgFueraDeRango);
    }
    CommitResult r;
    r.text = text;
    r.next = Next::NextRow;
    r.recalcTotals = true;
    if (appendRow)
        r.appendRowTexts.emplace_back(CPartida::kImporte, line.GetText(CPartida::kImporte, m_options.prcAiva));
    return r;
}

CLineas::CommitResult CLineas::commitDiscount(CPartida& line, std::string_view text, std::string_view previous) {
    const double value = ReadPlainNumber(text);
    if (value < 0)
        return revert(previous);
    // More than the whole amount off would turn the line into a negative charge.
    if (value > 100)
        return revert(previous, kMsgDescuento);
    const CPartida before = line;
    line.pDescuento = value;
    line.Recalculate();
    if (!line.IsInRange()) {
        line = before;
        return revert(previous, kMsgFueraDeRango);
    }
    CommitResult r;
    r.text = text;
    r.recalcTotals = true;
    return r;
}

CLineas::CommitResult CLineas::CommitEditedLine(int row, std::string_view previous) {
    m_held.reset();
    const CPartida* line = LineAtRow(row);
    if (line == nullptr)
        return revert(previous);
    if (IsAppendRow(row) && IsFull())
        return revert(previous, kMsgTablaLlena);
    CommitResult r;
    r.text = sixDecimals(m_options.prcAiva == 1 ? line->Precio : line->PrecioNeto);
    r.next = Next::NextRow;
    r.recalcTotals = true;
    // The editor's price stands as it is, not as its six-decimal text.
    m_held = std::make_pair(row, static_cast<int>(CPartida::kPrecio));
    return r;
}

void CLineas::SetCellText(int row, int column, std::string_view text) {
    CPartida* line = LineAtRow(row);
    if (m_held && *m_held == std::make_pair(row, column)) {
        m_held.reset();
        return;
    }
    m_held.reset();
    if (line == nullptr || (IsAppendRow(row) && IsFull()))
        return;
    line->SetFromText(column, text, m_options.prcAiva);
}

std::string CLineas::CellText(int row, int column) const {
    const CPartida* line = LineAtRow(row);
    return line ? line->GetText(column, m_options.prcAiva) : std::string();
}

std::string CLineas::Notes(int row) const {
    const CPartida* line = LineAtRow(row);
    return line ? line->Observaciones : std::string();
}

void CLineas::SetNotes(int row, std::string_view notes) {
    if (CPartida* line = LineAtRow(row); line && !(IsAppendRow(row) && IsFull()))
        line->Observaciones = notes;
}

CLineas::AppendResult CLineas::CommitNewLine() {
    m_held.reset();
    if (IsFull())
        return {false, kMsgTablaLlena};
    ++m_count;
    m_lines[static_cast<std::size_t>(m_count)].CopyFrom(m_new);
    resetLine(m_new);
    return {true, {}};
}

void CLineas::ClearNewLine() {
    m_held.reset();
    resetLine(m_new);
}

bool CLineas::DeleteLines(int first, int last) {
    if (first < 1 || last > m_count || first > last)
        return false;
    m_held.reset();
    const int removed = last - first + 1;
    for (int slot = first; slot + removed <= m_count; ++slot)
        m_lines[static_cast<std::size_t>(slot)] = m_lines[static_cast<std::size_t>(slot + removed)];
    for (int slot = m_count - removed + 1; slot <= m_count; ++slot)
        resetLine(m_lines[static_cast<std::size_t>(slot)]);
    m_count -= removed;
    return true;
}

DocumentTotals CLineas::Totals(TotalsRounding rounding) const {
    TotalsSum sum(rounding);
    for (int slot = 1; slot <= m_count; ++slot)
        sum.Add(m_lines[static_cast<std::size_t>(slot)]);
    sum.Add(m_new);
    return sum.Totals();
}

std::vector<CLineas::Column> CLineas::Columns(Database& db) {
    std::vector<Column> columns = {
        {"", 20, 0, true},
        {"Clave", 80, 0, false},
        {"Nombre", 260, 0, false},
        {"Cantidad", 60, 2, false},
        {"Precio", 90, 2, false},
        {"Desc.", 60, 2, false},
        {"Importe", 90, 2, true},
    };
    CTolRecordset count(db);
    count.Open(OpenType::Snapshot,
               "SELECT Count(CamposExtras.Consec) AS CuentaDeConsec FROM CamposExtras "
               "WHERE CamposExtras.Nombre Is Not Null AND CamposExtras.Nombre<>'' AND CamposExtras.DeDetalle<>0");
    // A line has four extra fields; a further column would edit nothing.
    const int extras = std::clamp(count.IsEOF() ? 0 : count.GetLong("CuentaDeConsec"), 0, kMaxExtraColumns);
    count.Close();

    std::vector<std::string> names;
    CEsxtrasSet fields(db);
    fields.m_strSort = "Consec";
    fields.Open(OpenType::Snapshot);
    for (; !fields.IsEOF(); fields.MoveNext())
        if ((fields.m_Consec < 1 || fields.m_Consec > 6) && !fields.m_Nombre.empty())
            names.push_back(fields.m_Nombre);
    fields.Close();

    for (int i = 0; i < extras; ++i) {
        const int number = CPartida::kExtra1 + i;
        std::string title =
            i < static_cast<int>(names.size()) ? names[static_cast<std::size_t>(i)] : "Col. " + std::to_string(number);
        columns.push_back({std::move(title), 80, 0, false});
    }
    return columns;
}
