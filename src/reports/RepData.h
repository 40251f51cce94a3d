#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The content of one report: title lines, column headers and alignments, and a grid of cell
// texts (UTF-8). It knows nothing of pages; CRepPageModel lays it out.
class CRepData final {
public:
    // Alignment codes, as the drawing layer's text-alignment flags and the report file store them.
    static constexpr int kLeft = 0;
    static constexpr int kRight = 2;
    static constexpr int kCenter = 6;

    // Fixes both counts (negative counts are 0), empties every header and cell, sets every
    // alignment to left and forgets the title lines.
    void SetSize(int rows, int columns);
    // Out-of-range indexes are ignored by the setters; the readers give "" or 0 for them.
    void SetHeader(int column, std::string text);
    void SetAlign(int column, int code);
    void SetCell(int row, int column, std::string text);
    void AddTitleLine(std::string text);

    int GetRowCount() const { return m_rows; }
    int GetColumnCount() const { return m_columns; }
    const std::string& GetHeader(int column) const;
    int GetAlign(int column) const;
    const std::string& GetCell(int row, int column) const;
    const std::vector<std::string>& TitleLines() const { return m_titles; }

    // The title line under the cursor, advancing it; past the last one "" and back to the first.
    std::string NextTitleLine();

    // Tab-separated text in Windows-1252: the title, the title lines, the headers and every row,
    // each cell followed by a TAB, every line ended by CR LF.
    std::string ToText(std::string_view title) const;
    // The report file: archive strings and little-endian 32-bit counts (see RepData.cpp).
    std::vector<unsigned char> ToReportFile(std::string_view title) const;
    // Writes the text form when `path` ends in "txt" (any case), the report file otherwise. False
    // with the reason in *error when the file cannot be written.
    bool SaveToFile(const std::string& path, std::string_view title, std::string* error = nullptr) const;

private:
    int m_rows = 0;
    int m_columns = 0;
    std::vector<std::string> m_headers;
    std::vector<int> m_aligns;
    std::vector<std::string> m_cells; // row-major
    std::vector<std::string> m_titles;
    std::size_t m_titleCursor = 0;
};
