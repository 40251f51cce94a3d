#include "designer/QvfFile.h"

#include "designer/DesignFormat.h"

#include <array>
#include <bit>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string_view>

namespace QvfFile {

namespace {

// PNG's way: a byte above 127 and a line end in either convention, so that a file passed through
// a text transfer or cut short is told from a whole one. An old stream-only file starts with the
// detail top, which is 0 or negative, never these bytes.
constexpr unsigned char kSignature[8] = {0x89, 'Q', 'V', 'F', '\r', '\n', 0x1a, '\n'};
// The largest picture the database takes, plus room for the layout.
constexpr std::uintmax_t kMaxBytes = CFormatBackgroundStore::kMaxPictureBytes + (16u << 20);
// Beyond these a stored size is damage, not paper (0.1 mm), as the paper table says.
constexpr std::int32_t kMinSide = 500;
constexpr std::int32_t kMaxWidth = 10'000;
constexpr std::int32_t kMaxHeight = 20'000;
constexpr std::int32_t kMaxCaben = 10'000;
constexpr std::int32_t kMaxRepetir = 100'000;
constexpr double kMaxPlacement = 1e6; // 100 m: anything further is no placement on a sheet

constexpr char kStream[] = "FMTO";
constexpr char kCaben[] = "CABN";
constexpr char kRepetir[] = "REPT";
constexpr char kRemarks[] = "OBSV";
constexpr char kPaper[] = "PAPL";
constexpr char kBackground[] = "FOND";
// Last: the CRC-32 of every byte before this section, so that a file cut short or changed on the
// way is refused rather than imported without its paper or with a damaged picture.
constexpr char kEnd[] = "FINQ";

std::uint32_t crc32(const unsigned char* data, std::size_t size) {
    static const auto table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    std::uint32_t c = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < size; ++i)
        c = table[(c ^ data[i]) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

class Writer {
public:
    std::vector<unsigned char> bytes;

    void raw(const void* data, std::size_t size) {
        const auto* p = static_cast<const unsigned char*>(data);
        bytes.insert(bytes.end(), p, p + size);
    }
    void u32(std::uint32_t v) {
        for (int k = 0; k < 4; ++k)
            bytes.push_back(static_cast<unsigned char>(v >> (8 * k)));
    }
    void i32(std::int32_t v) { u32(static_cast<std::uint32_t>(v)); }
    void f64(double v) {
        const auto bits = std::bit_cast<std::uint64_t>(v);
        u32(static_cast<std::uint32_t>(bits));
        u32(static_cast<std::uint32_t>(bits >> 32));
    }
    void blob(const void* data, std::size_t size) {
        u32(static_cast<std::uint32_t>(size));
        raw(data, size);
    }
    void text(const std::string& s) { blob(s.data(), s.size()); }
    // A section: its tag, its length, then what `fill` writes.
    template <class Fill> void section(const char* tag, Fill fill) {
        raw(tag, 4);
        const std::size_t at = bytes.size();
        u32(0);
        fill();
        const auto length = static_cast<std::uint32_t>(bytes.size() - at - 4);
        for (int k = 0; k < 4; ++k)
            bytes[at + static_cast<std::size_t>(k)] = static_cast<unsigned char>(length >> (8 * k));
    }
};

// Reads within [data, end); every read past the end fails and stays failed.
class Reader {
public:
    Reader(const unsigned char* data, std::size_t size) : m_p(data), m_end(data + size) {}

    bool ok() const { return m_ok; }
    bool atEnd() const { return m_p == m_end; }
    std::size_t left() const { return static_cast<std::size_t>(m_end - m_p); }

    const unsigned char* take(std::size_t n) {
        if (!m_ok || n > left()) {
            m_ok = false;
            return nullptr;
        }
        const unsigned char* at = m_p;
        m_p += n;
        return at;
    }
    std::uint32_t u32() {
        const unsigned char* p = take(4);
        if (!p)
            return 0;
        return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24;
    }
    std::int32_t i32() { return static_cast<std::int32_t>(u32()); }
    double f64() {
        const std::uint64_t low = u32();
        const std::uint64_t high = u32();
        return std::bit_cast<double>(low | high << 32);
    }
    std::vector<unsigned char> blob(std::size_t limit) {
        const std::uint32_t n = u32();
        if (n > limit) {
            m_ok = false;
            return {};
        }
        const unsigned char* p = take(n);
        return p ? std::vector<unsigned char>(p, p + n) : std::vector<unsigned char>{};
    }
    std::string text(std::size_t limit) {
        const auto b = blob(limit);
        return std::string(b.begin(), b.end());
    }
    void fail() { m_ok = false; }

private:
    const unsigned char* m_p;
    const unsigned char* m_end;
    bool m_ok = true;
};

bool finite(double v) { return std::isfinite(v) && std::fabs(v) <= kMaxPlacement; }

bool readPaper(Reader& in, SheetSize& sheet) {
    sheet.name = in.text(200);
    sheet.width = in.i32();
    sheet.height = in.i32();
    return in.ok() && sheet.width >= kMinSide && sheet.width <= kMaxWidth && sheet.height >= kMinSide &&
           sheet.height <= kMaxHeight;
}

bool readBackground(Reader& in, FormatBackground& b) {
    b.picture = in.blob(CFormatBackgroundStore::kMaxPictureBytes);
    b.left = in.f64();
    b.top = in.f64();
    b.width = in.f64();
    b.height = in.f64();
    b.rotation = in.f64();
    b.opacity = in.i32();
    return in.ok() && !b.picture.empty() && finite(b.left) && finite(b.top) && finite(b.width) &&
           finite(b.height) && b.width > 0 && b.height > 0 && std::isfinite(b.rotation) &&
           std::fabs(b.rotation) <= 360 && b.opacity >= 0 && b.opacity <= 100;
}

ReadResult refused(const std::string& path) {
    ReadResult r;
    r.message = "El archivo " + path + " no contiene un formato de impresión.";
    return r;
}

ReadResult decodeWhole(const std::vector<unsigned char>& bytes, const std::string& path) {
    Reader in(bytes.data(), bytes.size());
    in.take(sizeof kSignature);
    const std::uint32_t version = in.u32();
    if (!in.ok())
        return refused(path);
    if (version == 0)
        return refused(path);
    if (version > kVersion) {
        ReadResult r;
        r.message = "El archivo " + path + " fue hecho con una versión más nueva de Lantorela; actualice el "
                                           "programa para importarlo.";
        return r;
    }
    ReadResult r;
    std::set<std::string> seen;
    bool ended = false;
    while (in.ok() && !in.atEnd()) {
        if (ended)
            return refused(path); // bytes after the end
        const std::size_t sectionStart = bytes.size() - in.left();
        const unsigned char* tagBytes = in.take(4);
        const std::uint32_t length = in.u32();
        const unsigned char* body = in.take(length);
        if (!body)
            return refused(path);
        const std::string tag(reinterpret_cast<const char*>(tagBytes), 4);
        if (!seen.insert(tag).second)
            return refused(path);
        Reader section(body, length);
        if (tag == kEnd) {
            ended = section.u32() == crc32(bytes.data(), sectionStart);
            if (!ended)
                return refused(path);
        } else if (tag == kStream) {
            r.contents.stream.assign(body, body + length);
            std::size_t used = 0;
            if (!r.format.ReadStream(body, length, &used) || used != length)
                return refused(path);
            section.take(length);
        } else if (tag == kCaben) {
            r.contents.caben = section.i32();
            if (r.contents.caben < 0 || r.contents.caben > kMaxCaben)
                section.fail();
        } else if (tag == kRepetir) {
            r.contents.repetir = section.i32();
            if (std::abs(r.contents.repetir) > kMaxRepetir)
                section.fail();
        } else if (tag == kRemarks) {
            r.contents.observaciones.assign(reinterpret_cast<const char*>(body), length);
            section.take(length);
        } else if (tag == kPaper) {
            SheetSize sheet;
            if (!readPaper(section, sheet))
                section.fail();
            r.contents.sheet = sheet;
        } else if (tag == kBackground) {
            auto b = std::make_shared<FormatBackground>();
            if (!readBackground(section, *b))
                section.fail();
            r.contents.background = std::move(b);
        } else {
            // A section of a later version: what this one knows is still the format.
            continue;
        }
        if (!section.ok() || !section.atEnd())
            return refused(path);
    }
    // The layout and the row's numbers are the format; the rest may be absent.
    if (!in.ok() || !ended || !seen.count(kStream) || !seen.count(kCaben) || !seen.count(kRepetir))
        return refused(path);
    r.format.Caben = r.contents.caben;
    r.format.Repetir = r.contents.repetir;
    r.whole = true;
    r.ok = true;
    return r;
}

} // namespace

Contents ContentsOf(const CDesignFormat& format, std::vector<unsigned char> stream) {
    Contents c;
    c.stream = std::move(stream);
    c.caben = format.CabenToStore();
    c.repetir = format.Format.Repetir;
    c.observaciones = format.Observaciones;
    c.sheet = format.Sheet;
    c.background = format.Background;
    return c;
}

std::vector<unsigned char> Encode(const Contents& c) {
    Writer out;
    out.raw(kSignature, sizeof kSignature);
    out.u32(kVersion);
    out.section(kStream, [&] { out.raw(c.stream.data(), c.stream.size()); });
    out.section(kCaben, [&] { out.i32(c.caben); });
    out.section(kRepetir, [&] { out.i32(c.repetir); });
    out.section(kRemarks, [&] { out.raw(c.observaciones.data(), c.observaciones.size()); });
    if (c.sheet)
        out.section(kPaper, [&] {
            out.text(c.sheet->name);
            out.i32(c.sheet->width);
            out.i32(c.sheet->height);
        });
    if (c.background)
        out.section(kBackground, [&] {
            const FormatBackground& b = *c.background;
            out.blob(b.picture.data(), b.picture.size());
            out.f64(b.left);
            out.f64(b.top);
            out.f64(b.width);
            out.f64(b.height);
            out.f64(b.rotation);
            out.i32(b.opacity);
        });
    const std::uint32_t check = crc32(out.bytes.data(), out.bytes.size());
    out.section(kEnd, [&] { out.u32(check); });
    return std::move(out.bytes);
}

ReadResult Decode(const std::vector<unsigned char>& bytes, const std::string& path) {
    if (bytes.size() >= sizeof kSignature && std::memcmp(bytes.data(), kSignature, sizeof kSignature) == 0)
        return decodeWhole(bytes, path);
    // A file of an earlier version: the stream and nothing after it.
    ReadResult r;
    std::size_t used = 0;
    if (!r.format.ReadStream(bytes.data(), bytes.size(), &used) || used != bytes.size())
        return refused(path);
    r.contents.stream = bytes;
    r.contents.caben = CDesignFormat::DerivedCaben(r.format);
    r.format.Caben = r.contents.caben;
    r.ok = true;
    return r;
}

ReadResult Read(const std::string& path) {
    ReadResult r;
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    if (ec) {
        r.message = "No se pudo leer el archivo " + path + ".";
        return r;
    }
    if (size > kMaxBytes)
        return refused(path);
    std::ifstream in(path, std::ios::binary);
    std::vector<unsigned char> bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>{});
    if (!in.good() && !in.eof()) {
        r.message = "No se pudo leer el archivo " + path + ".";
        return r;
    }
    return Decode(bytes, path);
}

bool Write(const std::string& path, const std::vector<unsigned char>& bytes, std::string* error) {
    const std::string temporary = path + ".tmp";
    auto fail = [&](const std::string& why) {
        std::remove(temporary.c_str());
        if (error)
            *error = "No se pudo escribir el archivo " + path + ": " + why;
        return false;
    };
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out)
            return fail(std::strerror(errno));
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        out.flush();
        if (!out)
            return fail(std::strerror(errno));
    }
    std::error_code ec;
    std::filesystem::rename(temporary, path, ec);
    if (ec)
        return fail(ec.message());
    return true;
}

} // namespace QvfFile
