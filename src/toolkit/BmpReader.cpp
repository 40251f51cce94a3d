#include "toolkit/BmpReader.h"

#include "toolkit/ImageBuffer.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <new>
#include <vector>

namespace {

const char* const kNotBmp = "Not a valid BMP File";
const char* const kHeaderReadError = "Read Error!";
const char* const kCompressed = "This is a compressed file.";
const char* const kOutOfMemory = "Out of memory";
const char* const kPixelReadError = "Read Error";

constexpr std::int64_t kFileHeaderSize = 14;
constexpr std::int64_t kInfoHeaderSize = 40;

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

// Little-endian fields read one by one, counting the bytes consumed from the start of the file.
class FieldReader final {
public:
    explicit FieldReader(std::FILE* file) : m_file(file) {}

    bool u8(std::uint32_t& value)
    {
        const int c = std::fgetc(m_file);
        if (c == EOF)
            return false;
        ++m_consumed;
        value = std::uint32_t(c);
        return true;
    }
    bool u16(std::uint32_t& value) { return bytes(value, 2); }
    bool u32(std::uint32_t& value) { return bytes(value, 4); }
    bool s32(std::int32_t& value)
    {
        std::uint32_t raw;
        if (!u32(raw))
            return false;
        value = std::int32_t(raw);
        return true;
    }
    bool read(unsigned char* buffer, std::int64_t count)
    {
        const std::size_t got = std::fread(buffer, 1, std::size_t(count), m_file);
        m_consumed += std::int64_t(got);
        return std::int64_t(got) == count;
    }
    // Moves forward; the caller checks the result against the file size.
    bool skip(std::int64_t count)
    {
        if (count <= 0)
            return true;
        // Step by at most 1 GiB so a long seek fits `long` on every platform.
        while (count > 0) {
            const long step = long(std::min<std::int64_t>(count, std::int64_t(1) << 30));
            if (std::fseek(m_file, step, SEEK_CUR) != 0)
                return false;
            m_consumed += step;
            count -= step;
        }
        return true;
    }
    std::int64_t consumed() const { return m_consumed; }

private:
    bool bytes(std::uint32_t& value, int count)
    {
        value = 0;
        for (int i = 0; i < count; ++i) {
            std::uint32_t b;
            if (!u8(b))
                return false;
            value |= b << (8 * i);
        }
        return true;
    }

    std::FILE* m_file;
    std::int64_t m_consumed = 0;
};

struct Headers {
    std::uint32_t fileSize = 0, reserved1 = 0, reserved2 = 0, dataOffset = 0;
    std::uint32_t headerSize = 0;
    std::int32_t width = 0, height = 0;
    std::uint32_t planes = 0, bitCount = 0, compression = 0, imageSize = 0;
    std::int32_t xPelsPerMeter = 0, yPelsPerMeter = 0;
    std::uint32_t colorsUsed = 0, colorsImportant = 0;
};

bool readHeaders(FieldReader& in, Headers& h)
{
    return in.u32(h.fileSize) && in.u16(h.reserved1) && in.u16(h.reserved2) && in.u32(h.dataOffset)
        && in.u32(h.headerSize) && in.s32(h.width) && in.s32(h.height) && in.u16(h.planes)
        && in.u16(h.bitCount) && in.u32(h.compression) && in.u32(h.imageSize)
        && in.s32(h.xPelsPerMeter) && in.s32(h.yPelsPerMeter) && in.u32(h.colorsUsed)
        && in.u32(h.colorsImportant);
}

} // namespace

bool CBmpReader::read(const std::string& path, ImageBuffer& out, std::string& error)
{
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        error = "Can't open file for reading :\n" + path;
        return false;
    }
    std::error_code sizeError;
    const auto size = std::filesystem::file_size(path, sizeError);
    const std::int64_t fileSize = sizeError ? INT64_MAX : std::int64_t(size);

    FieldReader in(file.get());
    std::uint32_t b, m;
    if (!in.u8(b)) {
        error = kHeaderReadError;
        return false;
    }
    if (!in.u8(m) || b != 'B' || m != 'M') {
        error = kNotBmp;
        return false;
    }
    Headers h;
    if (!readHeaders(in, h)) {
        error = kHeaderReadError;
        return false;
    }
    if (h.compression != 0) {
        error = kCompressed;
        return false;
    }
    const unsigned bits = h.bitCount;
    // Smaller (OS/2) headers lay their fields out differently; zero and negative widths and a zero
    // height describe no picture.
    if (h.headerSize < kInfoHeaderSize || (bits != 1 && bits != 4 && bits != 8 && bits != 24)
        || h.width <= 0 || h.height == 0) {
        error = kNotBmp;
        return false;
    }
    const std::int64_t width = h.width;
    const bool topDown = h.height < 0;
    const std::int64_t height = topDown ? -std::int64_t(h.height) : std::int64_t(h.height);
    if (width * height > kMaxImagePixels) {
        error = kOutOfMemory;
        return false;
    }

    // Newer headers (V4, V5) are longer; the palette follows whatever header the file has.
    if (!in.skip(std::int64_t(h.headerSize) - kInfoHeaderSize) || in.consumed() > fileSize) {
        error = kHeaderReadError;
        return false;
    }

    std::vector<std::uint32_t> palette;
    if (bits <= 8) {
        const std::int64_t slots = std::int64_t(1) << bits;
        const std::int64_t entries = h.colorsUsed ? std::int64_t(h.colorsUsed) : slots;
        if (in.consumed() + entries * 4 > fileSize) {
            error = kHeaderReadError;
            return false;
        }
        try {
            // Indexes past the stored entries read as black.
            palette.assign(std::size_t(slots), kOpaqueBlack);
        } catch (const std::bad_alloc&) {
            error = kOutOfMemory;
            return false;
        }
        for (std::int64_t i = 0; i < entries; ++i) {
            unsigned char quad[4];
            if (!in.read(quad, 4)) {
                error = kHeaderReadError;
                return false;
            }
            if (i < slots)
                palette[std::size_t(i)] = opaquePixel(quad[2], quad[1], quad[0]);
        }
    }

    // An offset pointing back into the headers is ignored: the rows then follow the palette.
    if (std::int64_t(h.dataOffset) > in.consumed() && !in.skip(std::int64_t(h.dataOffset) - in.consumed())) {
        error = kPixelReadError;
        return false;
    }
    const std::int64_t rowBytes = ((width * bits + 31) / 32) * 4;
    const std::int64_t usedBytes = (width * bits + 7) / 8;
    // The padding after the last row may be missing; every byte before it must be there. Checked
    // up front so a header promising more than the file holds allocates nothing.
    if (in.consumed() + rowBytes * (height - 1) + usedBytes > fileSize) {
        error = kPixelReadError;
        return false;
    }

    ImageBuffer image;
    std::vector<unsigned char> row;
    try {
        image.pixels.resize(std::size_t(width * height));
        row.resize(std::size_t(rowBytes));
    } catch (const std::bad_alloc&) {
        error = kOutOfMemory;
        return false;
    }
    for (std::int64_t r = 0; r < height; ++r) {
        const std::int64_t want = r + 1 == height ? usedBytes : rowBytes;
        if (!in.read(row.data(), want)) {
            error = kPixelReadError;
            return false;
        }
        const std::int64_t y = topDown ? r : height - 1 - r;
        std::uint32_t* target = image.pixels.data() + y * width;
        if (bits == 24) {
            const unsigned char* p = row.data();
            for (std::int64_t x = 0; x < width; ++x, p += 3)
                target[x] = opaquePixel(p[2], p[1], p[0]);
        } else {
            const unsigned mask = (1u << bits) - 1;
            for (std::int64_t x = 0; x < width; ++x) {
                const std::int64_t bit = x * bits;
                const unsigned shift = 8 - bits - unsigned(bit % 8);
                target[x] = palette[(row[std::size_t(bit / 8)] >> shift) & mask];
            }
        }
    }

    image.width = int(width);
    image.height = int(height);
    image.frameCount = 1;
    image.delays.assign(1, 0);
    out = std::move(image);
    error.clear();
    return true;
}
