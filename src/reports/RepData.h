#pragma once

#include "reports/ReportProgress.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class CArchive;
class CByteArrayFile;

// The content of one report: title lines, column headers and alignments, and a grid of cell
// texts (UTF-8). It knows nothing of pages; CRepPageModel lays it out.
//
// Cells are stored compactly, since a report may hold millions of rows: each finished row is one
// run of length-prefixed texts in large shared blocks, and an empty row costs only its reference.
// Builders write rows in order; a row written again after a later one is stored anew (correct,
// only less compact).
class CRepData final {
public:
    // Alignment codes, as the drawing layer's text-alignment flags and the report file store them.
    static constexpr int kLeft = 0;
    static constexpr int kRight = 2;
    static constexpr int kCenter = 6;

    CRepData();
    ~CRepData();
    CRepData(CRepData&&) noexcept;
    CRepData& operator=(CRepData&&) noexcept;
    CRepData(const CRepData&) = delete;
    CRepData& operator=(const CRepData&) = delete;

    // Fixes both counts (negative counts are 0), empties every header and cell, sets every
    // alignment to left and forgets the title lines.
    void SetSize(int rows, int columns);
    // For a report shown on screen: only the first `rows` rows keep their cells; later rows are
    // counted but their cells dropped, so a report of any length holds bounded memory. Negative
    // (the default): every row is kept. Set before building.
    void SetHeldRowLimit(int rows);
    // Rows were counted past the limit, and their cells dropped.
    bool Truncated() const { return m_heldLimit >= 0 && m_rows > m_heldLimit; }
    // Ends a truncated report with the rows held, a blank row and `notice`; the limit is gone.
    void CutAtLimit(std::string_view notice);
    // Whether SaveToFile() writes `path` as text (it ends in "txt", any case) or as a report file.
    static bool IsTextPath(const std::string& path);
    // Changes the row count only, keeping the cells of the rows that remain; new rows are empty.
    // For builders that learn the count while reading their rows.
    void SetRowCount(int rows);
    // Out-of-range indexes are ignored by the setters; the readers give "" or 0 for them.
    void SetHeader(int column, std::string text);
    void SetAlign(int column, int code);
    void SetCell(int row, int column, std::string_view text);
    void AddTitleLine(std::string text);

    int GetRowCount() const { return m_rows; }
    int GetColumnCount() const { return m_columns; }
    const std::string& GetHeader(int column) const;
    int GetAlign(int column) const;
    // Valid until the next change of the report.
    std::string_view GetCell(int row, int column) const;
    const std::vector<std::string>& TitleLines() const { return m_titles; }

    // The title line under the cursor, advancing it; past the last one "" and back to the first.
    std::string NextTitleLine();

    // Tab-separated text in Windows-1252: the title, the title lines, the headers and every row,
    // each cell followed by a TAB, every line ended by CR LF.
    std::string ToText(std::string_view title) const;
    // The report file: archive strings and little-endian 32-bit counts (see RepData.cpp).
    std::vector<unsigned char> ToReportFile(std::string_view title) const;
    // Writes the text form when `path` ends in "txt" (any case), the report file otherwise,
    // under a temporary name beside it that replaces `path` only once complete. False with the
    // operator's message in *error when the file cannot be written, or when `progress` cancels;
    // either way `path` is left as it was.
    bool SaveToFile(const std::string& path, std::string_view title, std::string* error = nullptr,
                    const ReportProgress& progress = {}) const;
    // The same in the form asked for, whatever the path's ending.
    bool SaveAs(const std::string& path, std::string_view title, bool text, std::string* error = nullptr,
                const ReportProgress& progress = {}) const;

    // Writes the report, not yet built, to `path` in the form asked for while it is built, instead of holding its
    // rows: from here on a row goes to the file once a later row is set, so only the row being set
    // stays in memory, and the bytes are those SaveAs() would write. Builders set the title lines,
    // headers and alignments before the first row and the rows in order, as ours do. False with
    // the operator's message when the file cannot be opened.
    bool StreamTo(const std::string& path, std::string_view title, bool text, std::string* error = nullptr);
    // Writes the rows still due and puts the file in place. False with the message when a write
    // failed, or when the builder went back to a row already written (then the file is not kept).
    bool FinishStream(std::string* error = nullptr);

    // Bytes held for the cells (blocks and row references), for the benchmarks.
    std::size_t CellBytes() const;

private:
    struct Stream;
    using Sink = void (*)(void* context, std::string_view bytes);
    void textPreamble(std::string& out, std::string_view title) const;
    // Writes the report file's head; where in `file` the row count went.
    std::size_t repPreamble(CByteArrayFile& file, CArchive& ar, std::string_view title) const;
    // Rows from the next one due up to `row` (exclusive) as empty rows, then the open row if it is `row`.
    void streamRowsUpTo(int row);
    void streamStart();
    void streamCells(const std::vector<std::string_view>& cells);
    void streamFlush(bool all);
    void streamFault();
    bool writeText(std::string_view title, void* context, Sink sink, const ReportProgress& progress) const;
    bool writeReportFile(std::string_view title, void* context, Sink sink, const ReportProgress& progress) const;

    std::size_t heldRows(int rows) const;
    void closeOpenRow();
    void openRow(int row);
    std::string_view storedCell(std::uint64_t ref, int column) const;
    // Every cell of `row` in one pass, for the writers.
    void rowCells(int row, std::vector<std::string_view>& cells) const;
    char* reserve(std::size_t bytes, std::uint64_t& ref);

    struct Block {
        std::unique_ptr<char[]> bytes;
        std::size_t size = 0;
        std::size_t used = 0;
    };

    int m_rows = 0;
    int m_columns = 0;
    std::vector<std::string> m_headers;
    std::vector<int> m_aligns;
    std::vector<std::uint64_t> m_rowRefs;   // per row: block index << 32 | offset, or kNoRow
    std::vector<Block> m_blocks;
    int m_openRow = -1;                     // the row being written, held as texts until done
    std::vector<std::string> m_openCells;
    std::vector<std::string> m_titles;
    std::size_t m_titleCursor = 0;
    std::unique_ptr<Stream> m_stream;
    int m_heldLimit = -1;
};
