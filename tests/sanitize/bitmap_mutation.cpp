// Feeds the BMP, JPEG, GIF and PNG readers a seeded series of damaged pictures: valid seeds written in
// code, then bit flips, truncations, header fields overwritten with huge, zero and negative values,
// inserted, removed and repeated bytes. Built with AddressSanitizer and UBSan, so an overread, an
// overflow or a leak ends the run; it also checks that every picture a reader accepts is whole.
//
//   sanitize_bitmap [inputs per reader] [seed]

#include "toolkit/BmpReader.h"
#include "toolkit/GifReader.h"
#include "toolkit/ImageBuffer.h"
#include "toolkit/JpegReader.h"
#include "toolkit/PngReader.h"

#include "support/ScratchDir.h"
#include "support/TestPictures.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace testpictures;

struct Field {
    std::size_t offset;
    int size;       // bytes
    bool bigEndian;
};

struct Seed {
    std::string bytes;
    std::vector<Field> fields;  // header fields worth overwriting
};

struct Reader {
    const char* name;
    const char* extension;
    bool (*read)(const std::string&, ImageBuffer&, std::string&);
    std::vector<Seed> seeds;
    // Applied to half the mutated inputs: makes them pass the format's own checksums, so the
    // mutations reach the decoder behind them.
    void (*repair)(std::string&) = nullptr;
};

// ---- seeds -------------------------------------------------------------------------------------

Seed bmpSeed(const Bmp& b)
{
    Seed s{bmpBytes(b), {}};
    s.fields = {{2, 4, false},  {kBmpDataOffset, 4, false}, {kBmpHeaderSize, 4, false}, {kBmpWidth, 4, false},
                {kBmpHeight, 4, false}, {26, 2, false},      {kBmpBitCount, 2, false},   {kBmpCompression, 4, false},
                {34, 4, false}, {kBmpColorsUsed, 4, false}};
    return s;
}

std::vector<Seed> bmpSeeds()
{
    auto colour = [](int x, int y) { return std::uint32_t(x * 0x10203 + y * 0x30201) & 0xFFFFFF; };
    std::vector<Seed> seeds;
    for (int width : {1, 5, 6}) {
        Bmp b;
        b.width = width;
        b.height = 3;
        b.pixel = colour;
        seeds.push_back(bmpSeed(b));
    }
    for (int bits : {1, 4, 8}) {
        Bmp b;
        b.width = 9;
        b.height = 4;
        b.bits = bits;
        b.topDown = bits == 4;
        b.colorsUsed = bits == 8 ? 7 : 0;
        b.palette.resize(bits == 8 ? 7 : std::size_t(1) << bits);
        for (std::size_t i = 0; i < b.palette.size(); ++i)
            b.palette[i] = std::uint32_t(i * 0x251349) & 0xFFFFFF;
        const int slots = int(b.palette.size());
        b.pixel = [slots](int x, int y) { return std::uint32_t((x + 2 * y) % slots); };
        seeds.push_back(bmpSeed(b));
    }
    Bmp v5;
    v5.headerSize = 124;
    v5.width = 3;
    v5.height = 2;
    v5.pixel = colour;
    seeds.push_back(bmpSeed(v5));
    return seeds;
}

Seed jpegSeed(const Jpeg& j)
{
    Seed s{jpegBytes(j), {}};
    // Every marker segment's length, and the start-of-frame fields (precision, height, width,
    // components, then id, sampling and table of each component).
    const std::string& b = s.bytes;
    for (std::size_t i = 2; i + 4 < b.size(); ++i) {
        if (std::uint8_t(b[i]) != 0xFF)
            continue;
        const std::uint8_t marker = std::uint8_t(b[i + 1]);
        if (marker == 0x00 || marker == 0xFF || (marker >= 0xD0 && marker <= 0xD9))
            continue;
        s.fields.push_back({i + 2, 2, true});
        if (marker == 0xC0 || marker == 0xC2) {
            s.fields.push_back({i + 4, 1, true});
            s.fields.push_back({i + 5, 2, true});
            s.fields.push_back({i + 7, 2, true});
            s.fields.push_back({i + 9, 1, true});
            for (std::size_t c = 0; c < 4 && i + 12 + c * 3 < b.size(); ++c) {
                s.fields.push_back({i + 11 + c * 3, 1, true});
                s.fields.push_back({i + 12 + c * 3, 1, true});
            }
        }
        if (marker == 0xDA)
            break; // entropy-coded data follows
    }
    return s;
}

std::vector<Seed> jpegSeeds()
{
    auto busy = [](int x, int y) { return std::uint32_t(x * 977 + y * 131 + x * y * 7) & 0xFFFFFF; };
    std::vector<Seed> seeds;
    Jpeg colour;
    colour.width = 24;
    colour.height = 16;
    colour.pixel = busy;
    seeds.push_back(jpegSeed(colour));
    Jpeg progressive = colour;
    progressive.progressive = true;
    progressive.quality = 70;
    seeds.push_back(jpegSeed(progressive));
    Jpeg grey = colour;
    grey.components = 1;
    grey.width = 17;
    seeds.push_back(jpegSeed(grey));
    Jpeg cmyk = colour;
    cmyk.components = 4;
    cmyk.width = 9;
    cmyk.height = 9;
    seeds.push_back(jpegSeed(cmyk));
    return seeds;
}

Seed gifSeed(const Gif& g)
{
    Seed s{gifBytes(g), {{kGifScreenWidth, 2, false}, {kGifScreenHeight, 2, false}, {10, 1, false}, {11, 1, false}}};
    const std::string& b = s.bytes;
    for (std::size_t i = 13; i + 10 < b.size(); ++i) {
        if (b[i] == ',') { // image descriptor: left, top, width, height, flags, LZW code size
            for (std::size_t f = 0; f < 4; ++f)
                s.fields.push_back({i + 1 + 2 * f, 2, false});
            s.fields.push_back({i + 9, 1, false});
            s.fields.push_back({i + 10, 1, false});
        } else if (b[i] == '!' && std::uint8_t(b[i + 1]) == 0xF9) { // graphics control
            s.fields.push_back({i + 2, 1, false});
            s.fields.push_back({i + 3, 1, false});
            s.fields.push_back({i + 4, 2, false});
            s.fields.push_back({i + 6, 1, false});
        }
    }
    return s;
}

std::vector<Seed> gifSeeds()
{
    std::vector<Seed> seeds;
    Gif three;
    three.screenWidth = 6;
    three.screenHeight = 5;
    three.palette = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};
    for (int i = 0; i < 3; ++i) {
        GifFrame f;
        f.left = i;
        f.top = i;
        f.width = 6 - 2 * i;
        f.height = 5 - i;
        f.delay = 10 * (i + 1);
        f.disposal = i + 1;
        f.transparent = i == 1 ? 0 : NO_TRANSPARENT_COLOR;
        f.index = [i](int x, int y) { return (x + y + i) % 4; };
        three.frames.push_back(f);
    }
    seeds.push_back(gifSeed(three));

    Gif interlaced;
    interlaced.screenWidth = 7;
    interlaced.screenHeight = 13;
    GifFrame f;
    f.width = 7;
    f.height = 13;
    f.interlaced = true;
    f.localPalette.resize(16);
    for (std::size_t i = 0; i < 16; ++i)
        f.localPalette[i] = std::uint32_t(i * 0x111111);
    f.index = [](int x, int y) { return (x * y) % 16; };
    interlaced.frames = {f};
    seeds.push_back(gifSeed(interlaced));

    Gif plain;
    plain.screenWidth = 16;
    plain.screenHeight = 2;
    plain.palette.resize(256);
    for (std::size_t i = 0; i < 256; ++i)
        plain.palette[i] = std::uint32_t(i * 0x010101);
    GifFrame wide;
    wide.width = 16;
    wide.height = 2;
    wide.control = false;
    wide.index = [](int x, int y) { return x * 16 + y * 7; };
    plain.frames = {wide};
    seeds.push_back(gifSeed(plain));
    return seeds;
}

// Colour, alpha, grey and palette pictures; the header fields are IHDR's width, height, bit depth,
// colour type and interlace method.
std::vector<Seed> pngSeeds()
{
    std::vector<Seed> seeds;
    for (Png::Kind kind : {Png::Rgb, Png::Rgba, Png::Grey, Png::GreyAlpha, Png::Palette}) {
        Png p;
        p.kind = kind;
        p.width = 11;
        p.height = 7;
        p.pixel = [kind](int x, int y) {
            const std::uint32_t alpha = kind == Png::Rgba || kind == Png::GreyAlpha ? std::uint32_t(x * 23) : 0xFF;
            return alpha << 24 | (kind == Png::Palette ? std::uint32_t((x + y) % 5) * 0x332211 : std::uint32_t(x * 977 + y * 131));
        };
        seeds.push_back({pngBytes(p), {{16, 4, true}, {20, 4, true}, {24, 1, true}, {25, 1, true}, {28, 1, true}}});
    }
    return seeds;
}

// Recomputes the CRC of every chunk that is whole.
void repairPngChecksums(std::string& bytes)
{
    auto crc = [](const std::string& b, std::size_t from, std::size_t length) {
        std::uint32_t c = 0xFFFFFFFFu;
        for (std::size_t i = from; i < from + length; ++i) {
            c ^= std::uint8_t(b[i]);
            for (int k = 0; k < 8; ++k)
                c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
        }
        return c ^ 0xFFFFFFFFu;
    };
    std::size_t at = 8;
    while (at + 12 <= bytes.size()) {
        const std::uint32_t length = std::uint32_t(std::uint8_t(bytes[at])) << 24 | std::uint32_t(std::uint8_t(bytes[at + 1])) << 16 |
                                     std::uint32_t(std::uint8_t(bytes[at + 2])) << 8 | std::uint8_t(bytes[at + 3]);
        if (length > bytes.size() - at - 12)
            return;
        const std::uint32_t sum = crc(bytes, at + 4, length + 4);
        for (int i = 0; i < 4; ++i)
            bytes[at + 8 + length + std::size_t(i)] = char(sum >> (24 - 8 * i));
        at += 12 + length;
    }
}

// ---- mutations ---------------------------------------------------------------------------------

class Mutator final {
public:
    explicit Mutator(std::uint64_t seed) : m_random(seed) {}

    std::uint64_t below(std::uint64_t n) { return n ? m_random() % n : 0; }

    std::uint32_t interesting()
    {
        static const std::uint32_t values[] = {0,          1,          2,          3,          0x7F,       0x80,
                                               0xFF,       0x100,      0x7FFF,     0x8000,     0xFFFF,     0x10000,
                                               65500,      16,         24,         32,         0x7FFFFFFF, 0x80000000,
                                               0xFFFFFFFF, 0xFFFFFFFE, 0x40000000, 0x00800000, 0x01000000, 4096};
        if (below(5) == 0)
            return std::uint32_t(m_random());
        return values[below(std::size(values))];
    }

    void put(std::string& bytes, std::size_t at, int size, bool bigEndian, std::uint32_t value)
    {
        for (int i = 0; i < size && at + std::size_t(i) < bytes.size(); ++i) {
            const int shift = 8 * (bigEndian ? size - 1 - i : i);
            bytes[at + std::size_t(i)] = char((value >> shift) & 0xFF);
        }
    }

    void mutate(std::string& bytes, const std::vector<Field>& fields)
    {
        if (bytes.empty()) {
            bytes.push_back(char(m_random()));
            return;
        }
        switch (below(7)) {
        case 0: // flip a few bits
            for (std::uint64_t n = 1 + below(8); n > 0; --n)
                bytes[below(bytes.size())] ^= char(1u << below(8));
            break;
        case 1: // cut short
            bytes.resize(below(bytes.size()));
            break;
        case 2:
        case 3: { // a header field: huge, zero, negative
            if (fields.empty())
                break;
            const Field& f = fields[below(fields.size())];
            put(bytes, f.offset, f.size, f.bigEndian, interesting());
            break;
        }
        case 4: { // anywhere: a value of 1, 2 or 4 bytes
            const int size = 1 << below(3);
            put(bytes, below(bytes.size()), size, below(2) == 0, interesting());
            break;
        }
        case 5: { // remove or insert a run
            const std::size_t at = below(bytes.size());
            const std::size_t length = 1 + below(16);
            if (below(2))
                bytes.erase(at, length);
            else
                for (std::size_t i = 0; i < length; ++i)
                    bytes.insert(bytes.begin() + std::ptrdiff_t(at), char(m_random()));
            break;
        }
        default: { // repeat a chunk somewhere else
            const std::size_t from = below(bytes.size());
            const std::string chunk = bytes.substr(from, 1 + below(64));
            bytes.insert(below(bytes.size() + 1), chunk);
            break;
        }
        }
    }

private:
    std::mt19937_64 m_random;
};

// A picture a reader accepts must be whole: sizes positive, buffers as large as they claim.
bool wellFormed(const ImageBuffer& image)
{
    if (image.width <= 0 || image.height <= 0 || image.frameCount <= 0)
        return false;
    const std::int64_t pixels = std::int64_t(image.width) * image.height * image.frameCount;
    return pixels <= kMaxImagePixels && std::int64_t(image.pixels.size()) == pixels
        && std::int64_t(image.delays.size()) == image.frameCount;
}

} // namespace

int main(int argc, char** argv)
{
    const int perReader = argc > 1 ? std::atoi(argv[1]) : 3000;
    const std::uint64_t seed = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 20040305;
    ScratchDir dir;
    Mutator mutator(seed);

    std::vector<Reader> readers = {
        {"BMP", "bmp", &CBmpReader::read, bmpSeeds()},
        {"JPEG", "jpg", &CJpegReader::read, jpegSeeds()},
        {"GIF", "gif", &CGifReader::read, gifSeeds()},
        {"PNG", "png", &CPngReader::read, pngSeeds(), &repairPngChecksums},
    };
    int total = 0;
    bool whole = true;
    const auto start = std::chrono::steady_clock::now();
    for (const Reader& reader : readers) {
        const std::string path = dir.file(std::string("input.") + reader.extension);
        int loaded = 0, withMessage = 0, quiet = 0;
        // The seeds themselves must load, or the mutations start from nothing useful.
        for (const Seed& s : reader.seeds) {
            ScratchDir::writeAll(path, s.bytes);
            ImageBuffer image;
            std::string error;
            if (!reader.read(path, image, error) || !wellFormed(image)) {
                std::fprintf(stderr, "%s: a seed does not load (%s)\n", reader.name, error.c_str());
                return 1;
            }
        }
        for (int i = 0; i < perReader; ++i) {
            const Seed& s = reader.seeds[mutator.below(reader.seeds.size())];
            std::string bytes = s.bytes;
            for (std::uint64_t n = 1 + mutator.below(3); n > 0; --n)
                mutator.mutate(bytes, s.fields);
            if (reader.repair && mutator.below(2) == 0)
                reader.repair(bytes);
            ScratchDir::writeAll(path, bytes);
            ImageBuffer image;
            std::string error;
            if (reader.read(path, image, error)) {
                ++loaded;
                if (!wellFormed(image)) {
                    std::fprintf(stderr, "%s input %d: accepted a malformed picture %dx%dx%d, %zu pixels\n",
                                 reader.name, i, image.width, image.height, image.frameCount, image.pixels.size());
                    ScratchDir::writeAll("sanitize_bitmap_failure." + std::string(reader.extension), bytes);
                    whole = false;
                }
            } else if (error.empty()) {
                ++quiet;
            } else {
                ++withMessage;
            }
            ++total;
        }
        std::printf("%-4s %d inputs: %d loaded, %d refused with a message, %d refused quietly\n", reader.name,
                    perReader, loaded, withMessage, quiet);
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%d inputs in %.1f s, seed %llu\n", total, seconds, static_cast<unsigned long long>(seed));
    return whole ? 0 : 1;
}
