#include "reports/RepData.h"

#include "printing/Archive.h"
#include "printing/ByteArrayFile.h"
#include "printing/Windows1252.h"
#include "toolkit/AtomicFile.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace {

const std::string kEmpty;
constexpr std::uint64_t kNoRow = ~std::uint64_t{0};
constexpr std::size_t kBlockBytes = std::size_t{1} << 20;
// Output is handed to its sink in pieces of about this size, never as one whole copy.
constexpr std::size_t kFlushBytes = std::size_t{1} << 18;

bool endsWithTxt(const std::string& path) {
    if (path.size() < 3)
        return false;
    std::string tail = path.substr(path.size() - 3);
    std::transform(tail.begin(), tail.end(), tail.begin(), [](unsigned char c) { return std::tolower(c); });
    return tail == "txt";
}

// A cell's length as a base-128 varint: one byte for the usual short texts.
std::size_t lengthBytes(std::size_t n) {
    std::size_t bytes = 1;
    while (n >= 0x80) {
        n >>= 7;
        ++bytes;
    }
    return bytes;
}

char* putLength(char* at, std::size_t n) {
    while (n >= 0x80) {
        *at++ = static_cast<char>((n & 0x7F) | 0x80);
        n >>= 7;
    }
    *at++ = static_cast<char>(n);
    return at;
}

const char* getLength(const char* at, std::size_t& n) {
    n = 0;
    int shift = 0;
    for (;;) {
        const unsigned char b = static_cast<unsigned char>(*at++);
        n |= static_cast<std::size_t>(b & 0x7F) << shift;
        if ((b & 0x80) == 0)
            return at;
        shift += 7;
    }
}

void appendToString(void* context, std::string_view bytes) { static_cast<std::string*>(context)->append(bytes); }

struct FileSink {
    CAtomicFile* file;
    bool ok = true;
};

void appendToFile(void* context, std::string_view bytes) {
    auto* sink = static_cast<FileSink*>(context);
    if (sink->ok)
        sink->ok = sink->file->Write(bytes);
}

void appendLine(std::string& out, std::string_view utf8) {
    out += Windows1252::FromUtf8(utf8);
    out += "\r\n";
}

void appendRow(std::string& out, const std::vector<std::string_view>& cells, std::string& scratch) {
    scratch.clear();
    for (const std::string_view cell : cells)
        (scratch += cell) += '\t';
    appendLine(out, scratch);
}

} // namespace

struct CRepData::Stream {
    explicit Stream(std::string path) : file(std::move(path)), ar(bytes, CArchive::store) {}

    CAtomicFile file;
    bool text = false;
    std::string title;
    bool ok = true;         // every write so far succeeded
    bool fault = false;     // the builder went back to a row already written
    bool started = false;   // title, title lines and headers written
    int emitted = 0;        // rows written
    long written = 0;       // bytes handed to the file
    long rowsOffset = 0;    // report file: where the row count sits, set at the end
    std::string out;        // text not yet written
    std::string scratch;
    std::vector<std::string_view> cells;
    CByteArrayFile bytes;   // report file bytes not yet written
    CArchive ar;
};

CRepData::CRepData() = default;
CRepData::~CRepData() = default;
CRepData::CRepData(CRepData&&) noexcept = default;
CRepData& CRepData::operator=(CRepData&&) noexcept = default;

void CRepData::SetSize(int rows, int columns) {
    m_rows = std::max(rows, 0);
    m_columns = std::max(columns, 0);
    m_headers.assign(static_cast<std::size_t>(m_columns), std::string());
    m_aligns.assign(static_cast<std::size_t>(m_columns), kLeft);
    if (m_stream && m_stream->started)
        streamFault();
    // Released, not only cleared: a report rebuilt smaller gives its memory back. A streamed
    // report holds no rows.
    std::vector<std::uint64_t>(heldRows(m_rows), kNoRow).swap(m_rowRefs);
    std::vector<Block>().swap(m_blocks);
    m_openRow = -1;
    m_openCells.assign(static_cast<std::size_t>(m_columns), std::string());
    m_titles.clear();
    m_titleCursor = 0;
}

void CRepData::SetRowCount(int rows) {
    rows = std::max(rows, 0);
    if (m_openRow >= rows) {
        m_openRow = -1;
        for (std::string& cell : m_openCells)
            cell.clear();
    }
    if (m_stream) {
        if (rows < m_stream->emitted)
            streamFault();
    } else {
        m_rowRefs.resize(heldRows(rows), kNoRow);
    }
    m_rows = rows;
}

std::size_t CRepData::heldRows(int rows) const {
    if (m_stream)
        return 0;
    return static_cast<std::size_t>(m_heldLimit < 0 ? rows : std::min(rows, m_heldLimit));
}

void CRepData::SetHeldRowLimit(int rows) {
    closeOpenRow();
    m_heldLimit = rows < 0 ? -1 : rows;
    SetRowCount(m_rows);
}

void CRepData::CutAtLimit(std::string_view notice) {
    if (!Truncated())
        return;
    const int held = m_heldLimit;
    m_heldLimit = -1;
    SetRowCount(held + 2);
    SetCell(held + 1, 0, notice);
}

bool CRepData::IsTextPath(const std::string& path) { return endsWithTxt(path); }

void CRepData::SetHeader(int column, std::string text) {
    if (column >= 0 && column < m_columns)
        m_headers[static_cast<std::size_t>(column)] = std::move(text);
}

void CRepData::SetAlign(int column, int code) {
    if (column >= 0 && column < m_columns)
        m_aligns[static_cast<std::size_t>(column)] = code;
}

void CRepData::SetCell(int row, int column, std::string_view text) {
    if (row < 0 || row >= m_rows || column < 0 || column >= m_columns)
        return;
    if (!m_stream && static_cast<std::size_t>(row) >= m_rowRefs.size())
        return;  // past the rows held
    if (row != m_openRow)
        openRow(row);
    m_openCells[static_cast<std::size_t>(column)].assign(text);
}

void CRepData::AddTitleLine(std::string text) {
    if (m_stream && m_stream->started)
        streamFault();
    m_titles.push_back(std::move(text));
}

char* CRepData::reserve(std::size_t bytes, std::uint64_t& ref) {
    if (m_blocks.empty() || m_blocks.back().size - m_blocks.back().used < bytes) {
        Block block;
        block.size = std::max(bytes, kBlockBytes);
        block.bytes = std::make_unique<char[]>(block.size);
        m_blocks.push_back(std::move(block));
    }
    Block& block = m_blocks.back();
    ref = (static_cast<std::uint64_t>(m_blocks.size() - 1) << 32) | block.used;
    char* at = block.bytes.get() + block.used;
    block.used += bytes;
    return at;
}

// The open row goes into the blocks as its cells' lengths and texts; a row of empty cells takes
// no bytes at all.
void CRepData::closeOpenRow() {
    if (m_openRow < 0)
        return;
    if (m_stream) {
        streamRowsUpTo(m_openRow + 1);
        return;
    }
    std::size_t bytes = 0;
    bool any = false;
    for (const std::string& cell : m_openCells) {
        bytes += lengthBytes(cell.size()) + cell.size();
        any = any || !cell.empty();
    }
    std::uint64_t ref = kNoRow;
    if (any) {
        char* at = reserve(bytes, ref);
        for (std::string& cell : m_openCells) {
            at = putLength(at, cell.size());
            std::memcpy(at, cell.data(), cell.size());
            at += cell.size();
        }
    }
    m_rowRefs[static_cast<std::size_t>(m_openRow)] = ref;
    for (std::string& cell : m_openCells)
        cell.clear();
    m_openRow = -1;
}

void CRepData::openRow(int row) {
    closeOpenRow();
    if (m_stream) {
        if (row < m_stream->emitted)
            streamFault();
        m_openRow = row;
        return;
    }
    const std::uint64_t ref = m_rowRefs[static_cast<std::size_t>(row)];
    if (ref != kNoRow)
        for (int c = 0; c < m_columns; ++c)
            m_openCells[static_cast<std::size_t>(c)].assign(storedCell(ref, c));
    m_openRow = row;
}

std::string_view CRepData::storedCell(std::uint64_t ref, int column) const {
    if (ref == kNoRow)
        return {};
    const char* at = m_blocks[static_cast<std::size_t>(ref >> 32)].bytes.get() + (ref & 0xFFFFFFFFu);
    std::size_t n = 0;
    for (int c = 0;; ++c) {
        at = getLength(at, n);
        if (c == column)
            return {at, n};
        at += n;
    }
}

void CRepData::rowCells(int row, std::vector<std::string_view>& cells) const {
    cells.assign(static_cast<std::size_t>(m_columns), std::string_view());
    if (row == m_openRow) {
        for (int c = 0; c < m_columns; ++c)
            cells[static_cast<std::size_t>(c)] = m_openCells[static_cast<std::size_t>(c)];
        return;
    }
    if (static_cast<std::size_t>(row) >= m_rowRefs.size())
        return;
    const std::uint64_t ref = m_rowRefs[static_cast<std::size_t>(row)];
    if (ref == kNoRow)
        return;
    const char* at = m_blocks[static_cast<std::size_t>(ref >> 32)].bytes.get() + (ref & 0xFFFFFFFFu);
    std::size_t n = 0;
    for (int c = 0; c < m_columns; ++c) {
        at = getLength(at, n);
        cells[static_cast<std::size_t>(c)] = std::string_view(at, n);
        at += n;
    }
}

const std::string& CRepData::GetHeader(int column) const {
    return column >= 0 && column < m_columns ? m_headers[static_cast<std::size_t>(column)] : kEmpty;
}

int CRepData::GetAlign(int column) const {
    return column >= 0 && column < m_columns ? m_aligns[static_cast<std::size_t>(column)] : 0;
}

std::string_view CRepData::GetCell(int row, int column) const {
    if (row < 0 || row >= m_rows || column < 0 || column >= m_columns)
        return {};
    if (row == m_openRow)
        return m_openCells[static_cast<std::size_t>(column)];
    if (static_cast<std::size_t>(row) >= m_rowRefs.size())
        return {};  // already in the file, or past the rows held
    return storedCell(m_rowRefs[static_cast<std::size_t>(row)], column);
}

std::string CRepData::NextTitleLine() {
    if (m_titleCursor >= m_titles.size()) {
        m_titleCursor = 0;
        return {};
    }
    return m_titles[m_titleCursor++];
}

std::size_t CRepData::CellBytes() const {
    std::size_t bytes = m_rowRefs.capacity() * sizeof(std::uint64_t);
    for (const Block& b : m_blocks)
        bytes += b.size;
    return bytes;
}

void CRepData::textPreamble(std::string& out, std::string_view title) const {
    appendLine(out, title);
    for (const std::string& t : m_titles)
        appendLine(out, t);
    std::string row;
    for (int c = 0; c < m_columns; ++c)
        (row += GetHeader(c)) += '\t';
    appendLine(out, row);
}

bool CRepData::writeText(std::string_view title, void* context, Sink sink, const ReportProgress& progress) const {
    if (m_stream)
        return false;
    std::string out;
    std::string scratch;
    textPreamble(out, title);
    std::vector<std::string_view> cells;
    for (int r = 0; r < m_rows; ++r) {
        if (progress && r % kProgressStep == 0 && !progress(r, m_rows))
            return false;
        rowCells(r, cells);
        appendRow(out, cells, scratch);
        if (out.size() >= kFlushBytes) {
            sink(context, out);
            out.clear();
        }
    }
    sink(context, out);
    return true;
}

// Title; column and row counts; per column its header and alignment; the title lines with their
// count; then every row's cells in column order.
std::size_t CRepData::repPreamble(CByteArrayFile& file, CArchive& ar, std::string_view title) const {
    ar.WriteString(title);
    ar.WriteInt32(m_columns);
    const std::size_t rowsAt = file.GetLength();
    ar.WriteInt32(m_rows);
    for (int c = 0; c < m_columns; ++c) {
        ar.WriteString(GetHeader(c));
        ar.WriteInt32(GetAlign(c));
    }
    ar.WriteInt32(static_cast<std::int32_t>(m_titles.size()));
    for (const std::string& t : m_titles)
        ar.WriteString(t);
    return rowsAt;
}

bool CRepData::writeReportFile(std::string_view title, void* context, Sink sink,
                               const ReportProgress& progress) const {
    if (m_stream)
        return false;
    CByteArrayFile file;
    CArchive ar(file, CArchive::store);
    auto flush = [&] {
        const CByteArrayFile::Bytes bytes = file.Detach();
        sink(context, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    };
    repPreamble(file, ar, title);
    std::vector<std::string_view> cells;
    for (int r = 0; r < m_rows; ++r) {
        if (progress && r % kProgressStep == 0 && !progress(r, m_rows))
            return false;
        rowCells(r, cells);
        for (const std::string_view cell : cells)
            ar.WriteString(cell);
        if (file.GetLength() >= kFlushBytes)
            flush();
    }
    flush();
    return true;
}

bool CRepData::StreamTo(const std::string& path, std::string_view title, bool text, std::string* error) {
    auto stream = std::make_unique<Stream>(path);
    if (!stream->file.Open()) {
        if (error)
            *error = stream->file.Error();
        return false;
    }
    stream->text = text;
    stream->title.assign(title);
    m_stream = std::move(stream);
    SetSize(0, 0);
    return true;
}

void CRepData::streamFault() { m_stream->fault = true; }

void CRepData::streamFlush(bool all) {
    Stream& s = *m_stream;
    if (s.text) {
        if (all || s.out.size() >= kFlushBytes) {
            s.ok = s.ok && s.file.Write(s.out);
            s.written += static_cast<long>(s.out.size());
            s.out.clear();
        }
        return;
    }
    if (all || s.bytes.GetLength() >= kFlushBytes) {
        const CByteArrayFile::Bytes bytes = s.bytes.Detach();
        s.ok = s.ok && s.file.Write(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
        s.written += static_cast<long>(bytes.size());
    }
}

void CRepData::streamStart() {
    Stream& s = *m_stream;
    s.started = true;
    if (s.text) {
        textPreamble(s.out, s.title);
        return;
    }
    // The row count is set again at the end, once known.
    s.rowsOffset = s.written + static_cast<long>(repPreamble(s.bytes, s.ar, s.title));
}

void CRepData::streamCells(const std::vector<std::string_view>& cells) {
    Stream& s = *m_stream;
    if (!s.started)
        streamStart();
    if (s.text) {
        appendRow(s.out, cells, s.scratch);
    } else {
        for (const std::string_view cell : cells)
            s.ar.WriteString(cell);
    }
    streamFlush(false);
}

void CRepData::streamRowsUpTo(int row) {
    Stream& s = *m_stream;
    std::vector<std::string_view>& cells = s.cells;
    for (; s.emitted < row; ++s.emitted) {
        cells.assign(static_cast<std::size_t>(m_columns), std::string_view());
        if (s.emitted == m_openRow)
            for (int c = 0; c < m_columns; ++c)
                cells[static_cast<std::size_t>(c)] = m_openCells[static_cast<std::size_t>(c)];
        streamCells(cells);
    }
    if (m_openRow >= 0 && m_openRow < row) {
        for (std::string& cell : m_openCells)
            cell.clear();
        m_openRow = -1;
    }
}

bool CRepData::FinishStream(std::string* error) {
    if (!m_stream)
        return false;
    Stream& s = *m_stream;
    if (!s.fault) {
        streamRowsUpTo(m_rows);
        if (!s.started)
            streamStart();  // no rows: the title, title lines and headers alone
        streamFlush(true);
    }
    bool done = false;
    if (!s.fault && s.ok) {
        if (!s.text) {
            // The row count, known only now for builders that grow the report as they read.
            CByteArrayFile count;
            CArchive ar(count, CArchive::store);
            ar.WriteInt32(m_rows);
            const CByteArrayFile::Bytes b = count.Detach();
            s.ok = s.file.WriteAt(s.rowsOffset, std::string_view(reinterpret_cast<const char*>(b.data()), b.size()));
        }
        done = s.ok && s.file.Commit();
    }
    if (error)
        *error = s.fault ? std::string("El reporte no se pudo escribir en orden; no se guardó.") : s.file.Error();
    m_stream.reset();
    return done;
}

std::string CRepData::ToText(std::string_view title) const {
    std::string out;
    writeText(title, &out, appendToString, {});
    return out;
}

std::vector<unsigned char> CRepData::ToReportFile(std::string_view title) const {
    std::string out;
    writeReportFile(title, &out, appendToString, {});
    return {out.begin(), out.end()};
}

bool CRepData::SaveToFile(const std::string& path, std::string_view title, std::string* error,
                          const ReportProgress& progress) const {
    return SaveAs(path, title, endsWithTxt(path), error, progress);
}

bool CRepData::SaveAs(const std::string& path, std::string_view title, bool text, std::string* error,
                      const ReportProgress& progress) const {
    CAtomicFile file(path);
    FileSink sink{&file};
    bool complete = false;
    if (file.Open()) {
        complete = text ? writeText(title, &sink, appendToFile, progress)
                        : writeReportFile(title, &sink, appendToFile, progress);
        if (complete && sink.ok && file.Commit())
            return true;
    }
    if (error)
        *error = file.Error();  // empty after a cancel
    return false;
}
