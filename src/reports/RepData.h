#pragma once

#include "reports/ReportProgress.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

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

    CRepData() = default;
    CRepData(CRepData&&) noexcept = default;
    CRepData& operator=(CRepData&&) noexcept = default;
    CRepData(const CRepData&) = delete;
    CRepData& operator=(const CRepData&) = delete;

    // Fixes both counts (negative counts are 0), empties every header and cell, sets every
    // alignment to left and forgets the title lines.
    void SetSize(int rows, int columns);
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

    // Bytes held for the cells (blocks and row references), for the benchmarks.
    std::size_t CellBytes() const;

private:
    using Sink = void (*)(void* context, std::string_view bytes);
    bool writeText(std::string_view title, void* context, Sink sink, const ReportProgress& progress) const;
    bool writeReportFile(std::string_view title, void* context, Sink sink, const ReportProgress& progress) const;

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
};
