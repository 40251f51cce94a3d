#include "config/OldDatabaseWire.h"

#include <cstring>

namespace {

constexpr unsigned char kMagic[4] = {'Q', 'V', '1', '3'};

class Writer {
public:
    explicit Writer(COldDatabaseWire::Bytes& out) : m_out(out) {}
    void U8(std::uint8_t v) { m_out.push_back(v); }
    void U32(std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            m_out.push_back(static_cast<unsigned char>(v >> (8 * i)));
    }
    void F64(double d) {
        std::uint64_t v;
        std::memcpy(&v, &d, sizeof v);
        for (int i = 0; i < 8; ++i)
            m_out.push_back(static_cast<unsigned char>(v >> (8 * i)));
    }
    void Raw(const void* p, std::size_t n) {
        U32(static_cast<std::uint32_t>(n));
        const auto* b = static_cast<const unsigned char*>(p);
        m_out.insert(m_out.end(), b, b + n);
    }
    void Str(const std::string& s) { Raw(s.data(), s.size()); }

private:
    COldDatabaseWire::Bytes& m_out;
};

class Reader {
public:
    Reader(const unsigned char* p, std::size_t n) : m_p(p), m_left(n) {}
    bool U8(std::uint8_t& v) {
        if (m_left < 1)
            return false;
        v = *m_p++;
        --m_left;
        return true;
    }
    bool U32(std::uint32_t& v) {
        if (m_left < 4)
            return false;
        v = 0;
        for (int i = 0; i < 4; ++i)
            v |= static_cast<std::uint32_t>(m_p[i]) << (8 * i);
        Skip(4);
        return true;
    }
    bool F64(double& d) {
        if (m_left < 8)
            return false;
        std::uint64_t v = 0;
        for (int i = 0; i < 8; ++i)
            v |= static_cast<std::uint64_t>(m_p[i]) << (8 * i);
        Skip(8);
        std::memcpy(&d, &v, sizeof d);
        return true;
    }
    template <class Out>
    bool Run(Out& out) {
        std::uint32_t n = 0;
        if (!U32(n) || n > m_left)
            return false;
        out.assign(m_p, m_p + n);
        Skip(n);
        return true;
    }
    // A count of records each at least `minBytes` long: more than the bytes left can hold is a lie.
    bool Count(std::uint32_t& n, std::size_t minBytes) { return U32(n) && n <= m_left / minBytes; }
    bool Magic() {
        if (m_left < sizeof kMagic || std::memcmp(m_p, kMagic, sizeof kMagic) != 0)
            return false;
        Skip(sizeof kMagic);
        return true;
    }
    bool AtEnd() const { return m_left == 0; }

private:
    void Skip(std::size_t n) {
        m_p += n;
        m_left -= n;
    }
    const unsigned char* m_p;
    std::size_t m_left;
};

bool DecodeRows(Reader& r, COldDatabase& old) {
    std::uint32_t version = 0, n = 0;
    if (!r.U32(version))
        return false;
    old.Version = static_cast<std::int32_t>(version);
    if (!r.Count(n, 2 * 4 + 2 * 8))
        return false;
    old.Articles.resize(n);
    for (COldDatabase::Article& a : old.Articles)
        if (!r.Run(a.Clave) || !r.Run(a.Descripcion) || !r.F64(a.Precio) || !r.F64(a.Impuesto))
            return false;
    if (!r.Count(n, 5 * 4))
        return false;
    old.Customers.resize(n);
    for (COldDatabase::Customer& c : old.Customers)
        if (!r.Run(c.Nombre) || !r.Run(c.Dom1) || !r.Run(c.Dom2) || !r.Run(c.Dom3) || !r.Run(c.RFC))
            return false;
    if (!r.Count(n, 2 * 4))
        return false;
    old.Formats.resize(n);
    for (COldDatabase::Format& f : old.Formats)
        if (!r.Run(f.Nombre) || !r.Run(f.Detalle))
            return false;
    return true;
}

} // namespace

COldDatabaseWire::Bytes COldDatabaseWire::EncodeRows(const COldDatabase& old) {
    Bytes out(std::begin(kMagic), std::end(kMagic));
    Writer w(out);
    w.U8(static_cast<std::uint8_t>(Outcome::Rows));
    w.U32(static_cast<std::uint32_t>(old.Version));
    w.U32(static_cast<std::uint32_t>(old.Articles.size()));
    for (const COldDatabase::Article& a : old.Articles) {
        w.Str(a.Clave);
        w.Str(a.Descripcion);
        w.F64(a.Precio);
        w.F64(a.Impuesto);
    }
    w.U32(static_cast<std::uint32_t>(old.Customers.size()));
    for (const COldDatabase::Customer& c : old.Customers)
        for (const std::string* s : {&c.Nombre, &c.Dom1, &c.Dom2, &c.Dom3, &c.RFC})
            w.Str(*s);
    w.U32(static_cast<std::uint32_t>(old.Formats.size()));
    for (const COldDatabase::Format& f : old.Formats) {
        w.Str(f.Nombre);
        w.Raw(f.Detalle.data(), f.Detalle.size());
    }
    return out;
}

COldDatabaseWire::Bytes COldDatabaseWire::EncodeRefusal(Outcome why) {
    Bytes out(std::begin(kMagic), std::end(kMagic));
    out.push_back(static_cast<unsigned char>(why));
    return out;
}

bool COldDatabaseWire::Decode(const unsigned char* data, std::size_t size, Outcome& outcome, COldDatabase& old) {
    old = COldDatabase();
    Reader r(data, size);
    std::uint8_t kind = 0;
    if (!r.Magic() || !r.U8(kind) || kind > static_cast<std::uint8_t>(Outcome::CannotOpen))
        return false;
    outcome = static_cast<Outcome>(kind);
    const bool ok = outcome != Outcome::Rows || DecodeRows(r, old);
    if (ok && r.AtEnd())
        return true;
    old = COldDatabase();
    return false;
}
