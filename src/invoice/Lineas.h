#pragma once

#include "invoice/DocumentTotals.h"
#include "invoice/Partida.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class CArticulosSet;
class CImpuestosSet;
class Database;

// The lines of the document being typed and the rules of editing them in the detail grid.
// Grid row r (from 1) is slot r of a table of 100 lines; slot 0 is never used, so a document
// holds at most 99 lines. The row after the last line is the grid's append row, whose line is
// the new-line buffer until the grid commits it. Every answer is a value the grid acts on; this
// class shows nothing.
class CLineas final {
public:
    static constexpr int kSlots = 100;
    static constexpr int kMaxLines = kSlots - 1;
    static constexpr int kMaxExtraColumns = 4;

    // What the grid does after a commit, in place of the key that ended the edit.
    enum class Next {
        Key,     // apply the key that ended the edit
        Stay,    // no key: the cursor stays in the cell
        Right,   // the next column (right arrow)
        NextRow, // column 1 of the next row (code 136); on the append row this commits the line
    };

    static constexpr const char* kMsgTablaLlena = "- Sólo caben 99 partidas por documento -";
    static constexpr const char* kMsgPrecioNeto = "- Las retenciones anulan los impuestos: escriba el precio sin impuestos -";
    static constexpr const char* kMsgImporte = "Please enter a currency.";
    static constexpr const char* kMsgFueraDeRango = "- Cantidad fuera de rango -";
    static constexpr const char* kMsgDescuento = "- El descuento no puede ser mayor de 100 % -";

    struct Options {
        int prcAiva = 0;                // 1: prices are typed and shown before taxes
        int rapido = 0;                 // 1: a known key with a price makes a whole line at once
        std::int32_t defaultTaxId = 0;  // tax 1 of every new line
        double defaultTaxRate = 0;      // that tax as a fraction
    };

    // What the grid does after a cell edit ended.
    struct CommitResult {
        std::string text;        // the cell's text from now on (the typed one, a replacement, or the old one)
        Next next = Next::Key;
        bool reverted = false;   // the edit was refused: text is the old text and next is Stay
        bool advanceColumn = false; // move the current column one to the right before applying key
        bool recalcTotals = false;  // the amounts changed: recompute the totals panel
        std::string message;        // when not empty, show it to the operator
        // Append row only: new append-row texts (column, text) the grid keeps for other cells.
        std::vector<std::pair<int, std::string>> appendRowTexts;
    };

    struct AppendResult {
        bool accepted = false;
        std::string message;
    };

    // A dialog that F2 opens on a cell, before the commit is asked for.
    enum class Dialog { None, ArticlePicker, Notes, ArticleEditor };

    // A detail grid column; element 0 of Columns() is the row-heading column.
    struct Column {
        std::string title;
        int width = 60;     // pixels
        int alignment = 0;  // 0 left, 2 right
        bool readOnly = false;
    };

    // `articles` and `taxes` are open as tables and stay open while this lives; their current
    // indexes become "Clave" and "PrimaryKey".
    CLineas(CArticulosSet& articles, CImpuestosSet& taxes, const Options& options);
    CLineas(const CLineas&) = delete;
    CLineas& operator=(const CLineas&) = delete;

    // New options take effect on the next edit; the default tax on the next reset line.
    void SetOptions(const Options& options);
    const Options& options() const { return m_options; }

    int LineCount() const { return m_count; }
    // The grid's row count: the lines plus the append row.
    int RowCount() const { return m_count + 1; }
    bool IsAppendRow(int row) const { return row == m_count + 1; }
    bool IsFull() const { return m_count >= kMaxLines; }

    // Slot 1 … 99; throws std::out_of_range otherwise.
    CPartida& Line(int slot);
    const CPartida& Line(int slot) const;
    CPartida& NewLine() { return m_new; }
    const CPartida& NewLine() const { return m_new; }
    // The line of a grid row: its slot, or the buffer for the append row; nullptr for any other row.
    CPartida* LineAtRow(int row);
    const CPartida* LineAtRow(int row) const;

    // No lines; every slot and the buffer back to the new-line state.
    void Clear();
    // After slots 1 … n were filled by loading a document; n is bounded to 0 … 99.
    void SetLineCount(int n);

    // The dialog the UI opens when the edit of a cell ends with F2, before the commit. Then:
    //  ArticlePicker: on OK the chosen key replaces the text and the edit counts as ended with the
    //    right arrow (CommitCell(row, 1, chosen, previous, false) and apply Right for Next::Key);
    //    cancelled: CommitCell(..., true) as ended;
    //  Notes: SetNotes(row, text) on OK; CommitCell(..., true) either way (the cursor stays);
    //  ArticleEditor: edit *LineAtRow(row) (it recalculates); on OK CommitEditedLine(row, previous),
    //    cancelled: CommitCell(..., true), which reverts.
    Dialog DialogFor(int row, int column, bool f2) const;
    // The commit hook: the edit of (row, column) ended (with F2 when `f2`); `previous` is the text
    // the cell had before the edit. Changes the line and says what the grid does next.
    CommitResult CommitCell(int row, int column, std::string_view text, std::string_view previous, bool f2);
    // The article editor changed the line of `row` and recalculated it.
    CommitResult CommitEditedLine(int row, std::string_view previous);

    // The grid stores a committed text (data row or append row). A value that the commit just
    // applied, or refused, is not read back from its rounded text.
    void SetCellText(int row, int column, std::string_view text);
    std::string CellText(int row, int column) const;
    std::string Notes(int row) const;
    void SetNotes(int row, std::string_view notes);

    // The append row becomes the next line; refused when the table is full.
    AppendResult CommitNewLine();
    // Delete on the append row: the buffer starts over.
    void ClearNewLine();
    // Removes lines first … last; later lines move up. False for a range that is not lines.
    bool DeleteLines(int first, int last);

    // Sums of every line and of the buffer being typed, in the arithmetic the database asks for.
    DocumentTotals Totals(TotalsRounding rounding = TotalsRounding::Unrounded) const;

    // The detail grid's columns: the six fixed ones and one per named detail extra field.
    static std::vector<Column> Columns(Database& db);

private:
    CommitResult revert(std::string_view previous, std::string message = {});
    CommitResult commitKey(CPartida& line, bool appendRow, std::string_view text, std::string_view previous);
    CommitResult commitQuantity(CPartida& line, bool appendRow, std::string_view text, std::string_view previous);
    CommitResult commitPrice(CPartida& line, bool appendRow, std::string_view text, std::string_view previous, bool f2);
    CommitResult commitDiscount(CPartida& line, std::string_view text, std::string_view previous);
    bool seekArticle(const std::string& key);
    void resetLine(CPartida& line) const;

    CArticulosSet& m_articles;
    CImpuestosSet& m_taxes;
    Options m_options;
    std::array<CPartida, kSlots> m_lines;
    CPartida m_new;
    int m_count = 0;
    // The cell whose next store must not read its text back: the line already holds the value.
    std::optional<std::pair<int, int>> m_held;
};
