#include "config/OldDatabase.h"

#include <glib.h>
#include <mdbtools.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>

namespace {

constexpr std::size_t kJet3Page = 2048;
constexpr std::size_t kJet4Page = 4096;
// Nothing in a 1.3 file comes near this; a larger file is not one of them.
constexpr std::size_t kMaxFileBytes = std::size_t{1} << 31;

// The header's own checks: libmdb trusts the file, so anything it would misread is refused here.
bool LooksLikeJet(const COldDatabase::Bytes& file) {
    static const unsigned char kMagic[] = {0x00, 0x01, 0x00, 0x00};
    if (file.size() < 2 * kJet3Page || std::memcmp(file.data(), kMagic, sizeof kMagic) != 0)
        return false;
    if (std::memcmp(file.data() + 4, "Standard Jet DB", 15) != 0 &&
        std::memcmp(file.data() + 4, "Standard ACE DB", 15) != 0)
        return false;
    return true;
}

std::size_t PageSize(const COldDatabase::Bytes& file) { return file[0x14] == 0 ? kJet3Page : kJet4Page; }

struct HandleCloser {
    void operator()(MdbHandle* h) const { mdb_close(h); }
};
struct TableCloser {
    void operator()(MdbTableDef* t) const { mdb_free_tabledef(t); }
};

// One table bound column by column; after Next() each field reads as text, number or bytes.
class Table {
public:
    Table(MdbHandle* mdb, const char* name) : m_mdb(mdb) {
        std::string n(name);
        m_table.reset(mdb_read_table_by_name(mdb, n.data(), MDB_TABLE));
        if (!m_table || !mdb_read_columns(m_table.get()))
            return;
        const unsigned cols = m_table->num_cols;
        m_buffers.assign(cols, std::vector<char>(MDB_BIND_SIZE + 1, 0));
        m_lengths.assign(cols, 0);
        for (unsigned i = 0; i < cols; ++i)
            mdb_bind_column(m_table.get(), static_cast<int>(i + 1), m_buffers[i].data(), &m_lengths[i]);
        mdb_rewind_table(m_table.get());
        m_ok = true;
    }

    bool Ok(unsigned columnsNeeded) const { return m_ok && m_table->num_cols >= columnsNeeded; }
    bool Next() {
        if (!mdb_fetch_row(m_table.get()))
            return false;
        ++m_fetched;
        return true;
    }
    // Every row the table definition counts was read: libmdb skips pages it cannot read (a file
    // cut at a page boundary) without a word.
    bool Whole() const { return m_fetched == m_table->num_rows; }

    std::string Text(unsigned i) const {
        const int len = m_lengths[i];
        if (len <= 0) // zero length is NULL
            return {};
        const std::vector<char>& b = m_buffers[i];
        return std::string(b.data(), strnlen(b.data(), std::min<std::size_t>(static_cast<std::size_t>(len), MDB_BIND_SIZE)));
    }

    // Doubles raw from the page, not through the locale-formatted text; other types from the text.
    double Number(unsigned i) const {
        if (m_lengths[i] <= 0)
            return 0;
        const MdbColumn* col = Column(i);
        if (col->col_type == MDB_DOUBLE && col->cur_value_len == 8 && col->cur_value_start >= 0 &&
            static_cast<long>(col->cur_value_start) + 8 <= static_cast<long>(m_mdb->fmt->pg_size))
            return mdb_get_double(m_mdb->pg_buf, col->cur_value_start);
        return std::strtod(Text(i).c_str(), nullptr);
    }

    // A long binary value; false when the value cannot be read whole.
    bool Bytes(unsigned i, COldDatabase::Bytes& out) const {
        out.clear();
        if (m_lengths[i] <= 0)
            return true; // NULL: no bytes
        MdbColumn* col = Column(i);
        if (col->col_type != MDB_OLE)
            return false;
        std::size_t size = 0;
        void* data = mdb_ole_read_full(m_mdb, col, &size);
        if (!data)
            return false;
        const auto* p = static_cast<const unsigned char*>(data);
        out.assign(p, p + size);
        free(data);
        return true;
    }

private:
    MdbColumn* Column(unsigned i) const { return static_cast<MdbColumn*>(g_ptr_array_index(m_table->columns, i)); }

    MdbHandle* m_mdb;
    std::unique_ptr<MdbTableDef, TableCloser> m_table;
    std::vector<std::vector<char>> m_buffers;
    std::vector<int> m_lengths;
    unsigned m_fetched = 0;
    bool m_ok = false;
};

} // namespace

bool COldDatabase::Fail(const std::string& message) {
    m_error = message;
    Version = 0;
    Articles.clear();
    Customers.clear();
    Formats.clear();
    return false;
}

bool COldDatabase::Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return Fail("No se pudo abrir el archivo " + path);
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size < 0 || static_cast<std::size_t>(size) > kMaxFileBytes)
        return Fail(kMsgNotDatabase);
    in.seekg(0);
    Bytes file(static_cast<std::size_t>(size));
    if (!in.read(reinterpret_cast<char*>(file.data()), size))
        return Fail("No se pudo leer el archivo " + path);
    return ReadBytes(file);
}

bool COldDatabase::ReadBytes(const Bytes& original) {
    m_error.clear();
    Version = 0;
    Articles.clear();
    Customers.clear();
    Formats.clear();
    if (!LooksLikeJet(original))
        return Fail(kMsgNotDatabase);
    // A file cut short or grown by a partial write no longer holds whole pages.
    if (original.size() % PageSize(original) != 0)
        return Fail(kMsgDamaged);

    // fmemopen reads the buffer in place; a private copy keeps the caller's bytes untouched.
    Bytes file = original;
    std::unique_ptr<MdbHandle, HandleCloser> mdb(mdb_open_buffer(file.data(), file.size(), MDB_NOFLAGS));
    if (!mdb)
        return Fail(kMsgNotDatabase);
    if (!mdb_read_catalog(mdb.get(), MDB_TABLE))
        return Fail(kMsgDamaged);

    {
        Table general(mdb.get(), "General");
        if (!general.Ok(1))
            return Fail(kMsgNotDatabase);
        if (general.Next())
            Version = static_cast<std::int32_t>(std::strtol(general.Text(0).c_str(), nullptr, 10));
    }
    {
        Table t(mdb.get(), "Articulos");
        if (!t.Ok(5))
            return Fail(kMsgNotDatabase);
        while (t.Next())
            Articles.push_back({t.Text(1), t.Text(2), t.Number(3), t.Number(4)});
        if (!t.Whole())
            return Fail(kMsgDamaged);
    }
    {
        Table t(mdb.get(), "Clientes");
        if (!t.Ok(5))
            return Fail(kMsgNotDatabase);
        while (t.Next())
            Customers.push_back({t.Text(0), t.Text(1), t.Text(2), t.Text(3), t.Text(4)});
        if (!t.Whole())
            return Fail(kMsgDamaged);
    }
    {
        Table t(mdb.get(), "Formatos");
        if (!t.Ok(2))
            return Fail(kMsgNotDatabase);
        while (t.Next()) {
            Format f;
            f.Nombre = t.Text(0);
            if (!t.Bytes(1, f.Detalle))
                return Fail(kMsgDamaged);
            Formats.push_back(std::move(f));
        }
        if (!t.Whole())
            return Fail(kMsgDamaged);
    }
    return true;
}
