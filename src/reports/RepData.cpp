#include "reports/RepData.h"

#include "printing/Archive.h"
#include "printing/ByteArrayFile.h"
#include "printing/Windows1252.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

const std::string kEmpty;

bool endsWithTxt(const std::string& path) {
    if (path.size() < 3)
        return false;
    std::string tail = path.substr(path.size() - 3);
    std::transform(tail.begin(), tail.end(), tail.begin(), [](unsigned char c) { return std::tolower(c); });
    return tail == "txt";
}

} // namespace

void CRepData::SetSize(int rows, int columns) {
    m_rows = std::max(rows, 0);
    m_columns = std::max(columns, 0);
    m_headers.assign(static_cast<std::size_t>(m_columns), std::string());
    m_aligns.assign(static_cast<std::size_t>(m_columns), kLeft);
    m_cells.assign(static_cast<std::size_t>(m_rows) * static_cast<std::size_t>(m_columns), std::string());
    m_titles.clear();
    m_titleCursor = 0;
}

void CRepData::SetHeader(int column, std::string text) {
    if (column >= 0 && column < m_columns)
        m_headers[static_cast<std::size_t>(column)] = std::move(text);
}

void CRepData::SetAlign(int column, int code) {
    if (column >= 0 && column < m_columns)
        m_aligns[static_cast<std::size_t>(column)] = code;
}

void CRepData::SetCell(int row, int column, std::string text) {
    if (row >= 0 && row < m_rows && column >= 0 && column < m_columns)
        m_cells[static_cast<std::size_t>(row) * static_cast<std::size_t>(m_columns) + static_cast<std::size_t>(column)] =
            std::move(text);
}

void CRepData::AddTitleLine(std::string text) { m_titles.push_back(std::move(text)); }

const std::string& CRepData::GetHeader(int column) const {
    return column >= 0 && column < m_columns ? m_headers[static_cast<std::size_t>(column)] : kEmpty;
}

int CRepData::GetAlign(int column) const {
    return column >= 0 && column < m_columns ? m_aligns[static_cast<std::size_t>(column)] : 0;
}

const std::string& CRepData::GetCell(int row, int column) const {
    if (row < 0 || row >= m_rows || column < 0 || column >= m_columns)
        return kEmpty;
    return m_cells[static_cast<std::size_t>(row) * static_cast<std::size_t>(m_columns) + static_cast<std::size_t>(column)];
}

std::string CRepData::NextTitleLine() {
    if (m_titleCursor >= m_titles.size()) {
        m_titleCursor = 0;
        return {};
    }
    return m_titles[m_titleCursor++];
}

std::string CRepData::ToText(std::string_view title) const {
    std::string out;
    auto line = [&out](std::string_view utf8) {
        out += Windows1252::FromUtf8(utf8);
        out += "\r\n";
    };
    line(title);
    for (const std::string& t : m_titles)
        line(t);
    std::string row;
    for (int c = 0; c < m_columns; ++c)
        row += GetHeader(c) + '\t';
    line(row);
    for (int r = 0; r < m_rows; ++r) {
        row.clear();
        for (int c = 0; c < m_columns; ++c)
            row += GetCell(r, c) + '\t';
        line(row);
    }
    return out;
}

// Title; column and row counts; per column its header and alignment; the title lines with their
// count; then every row's cells in column order.
std::vector<unsigned char> CRepData::ToReportFile(std::string_view title) const {
    CByteArrayFile file;
    {
        CArchive ar(file, CArchive::store);
        ar.WriteString(title);
        ar.WriteInt32(m_columns);
        ar.WriteInt32(m_rows);
        for (int c = 0; c < m_columns; ++c) {
            ar.WriteString(GetHeader(c));
            ar.WriteInt32(GetAlign(c));
        }
        ar.WriteInt32(static_cast<std::int32_t>(m_titles.size()));
        for (const std::string& t : m_titles)
            ar.WriteString(t);
        for (int r = 0; r < m_rows; ++r)
            for (int c = 0; c < m_columns; ++c)
                ar.WriteString(GetCell(r, c));
    }
    return file.Detach();
}

bool CRepData::SaveToFile(const std::string& path, std::string_view title, std::string* error) const {
    std::string bytes;
    if (endsWithTxt(path)) {
        bytes = ToText(title);
    } else {
        const std::vector<unsigned char> data = ToReportFile(title);
        bytes.assign(data.begin(), data.end());
    }
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        if (error)
            *error = std::strerror(errno);
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    const bool closed = std::fclose(f) == 0;
    if (!(written && closed)) {
        if (error)
            *error = std::strerror(errno);
        return false;
    }
    return true;
}
