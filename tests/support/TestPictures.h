#pragma once

// Pictures for the picture-reader tests, written in code: BMP bytes by hand, JPEG with libjpeg's
// compressor, GIF with giflib's encoder, PNG with libpng's writer. Colours are 0xRRGGBB.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include <gif_lib.h>
#include <jpeglib.h>
#include <png.h>

namespace testpictures {

inline void putLe(std::string& out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(char((value >> (8 * i)) & 0xFF));
}

inline void pokeLe(std::string& bytes, std::size_t at, std::uint32_t value, int count)
{
    for (int i = 0; i < count; ++i)
        bytes[at + std::size_t(i)] = char((value >> (8 * i)) & 0xFF);
}

struct Bmp {
    int width = 1;
    int height = 1;                 // stored as -height when topDown
    int bits = 24;                  // 1, 4, 8 or 24
    bool topDown = false;
    std::vector<std::uint32_t> palette;  // written as it stands
    std::uint32_t colorsUsed = 0;   // the header field, independent of palette.size()
    std::uint32_t compression = 0;
    std::uint32_t headerSize = 40;  // 40, or e.g. 124 (a V5 header, zero-filled past 40 bytes)
    bool lastRowPadding = true;
    // The colour (24 bits) or palette index at (x, y), y counted from the top.
    std::function<std::uint32_t(int x, int y)> pixel = [](int, int) { return 0u; };
};

// Offsets of the header fields the tests overwrite.
constexpr std::size_t kBmpDataOffset = 10, kBmpHeaderSize = 14, kBmpWidth = 18, kBmpHeight = 22,
                      kBmpBitCount = 28, kBmpCompression = 30, kBmpColorsUsed = 46;

inline std::string bmpBytes(const Bmp& b)
{
    const std::uint32_t rowBytes = std::uint32_t(((b.width * b.bits + 31) / 32) * 4);
    const std::uint32_t dataOffset = 14 + b.headerSize + std::uint32_t(b.palette.size()) * 4;
    std::string out = "BM";
    putLe(out, dataOffset + rowBytes * std::uint32_t(b.height), 4);
    putLe(out, 0, 4);
    putLe(out, dataOffset, 4);
    putLe(out, b.headerSize, 4);
    putLe(out, std::uint32_t(b.width), 4);
    putLe(out, std::uint32_t(b.topDown ? -b.height : b.height), 4);
    putLe(out, 1, 2);
    putLe(out, std::uint32_t(b.bits), 2);
    putLe(out, b.compression, 4);
    putLe(out, rowBytes * std::uint32_t(b.height), 4);
    putLe(out, 2835, 4);
    putLe(out, 2835, 4);
    putLe(out, b.colorsUsed, 4);
    putLe(out, 0, 4);
    out.append(b.headerSize - 40, '\0');
    for (std::uint32_t c : b.palette)
        putLe(out, c & 0xFFFFFF, 4); // blue, green, red, reserved
    for (int r = 0; r < b.height; ++r) {
        const int y = b.topDown ? r : b.height - 1 - r;
        std::string row(rowBytes, '\0');
        for (int x = 0; x < b.width; ++x) {
            const std::uint32_t v = b.pixel(x, y);
            if (b.bits == 24) {
                row[std::size_t(x) * 3] = char(v & 0xFF);
                row[std::size_t(x) * 3 + 1] = char((v >> 8) & 0xFF);
                row[std::size_t(x) * 3 + 2] = char((v >> 16) & 0xFF);
            } else {
                const int bit = x * b.bits;
                const int shift = 8 - b.bits - bit % 8;
                row[std::size_t(bit / 8)] = char(std::uint8_t(row[std::size_t(bit / 8)]) | ((v & ((1u << b.bits) - 1)) << shift));
            }
        }
        if (r + 1 == b.height && !b.lastRowPadding)
            row.resize(std::size_t((b.width * b.bits + 7) / 8));
        out += row;
    }
    return out;
}

// ---- JPEG ---------------------------------------------------------------------------------------

struct Jpeg {
    int width = 8;
    int height = 8;
    int components = 3;   // 1 grey, 3 colour, 4 CMYK (written as Adobe's inverted ink, as Photoshop does)
    int quality = 95;
    bool progressive = false;
    // 0xRRGGBB; grey pictures take the low byte, CMYK pictures the four bytes C, M, Y, K of ink.
    std::function<std::uint32_t(int x, int y)> pixel = [](int, int) { return 0u; };
};

inline std::string jpegBytes(const Jpeg& j)
{
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = JDIMENSION(j.width);
    cinfo.image_height = JDIMENSION(j.height);
    cinfo.input_components = j.components;
    cinfo.in_color_space = j.components == 1 ? JCS_GRAYSCALE : j.components == 3 ? JCS_RGB : JCS_CMYK;
    jpeg_set_defaults(&cinfo);
    if (j.components == 4)
        jpeg_set_colorspace(&cinfo, JCS_CMYK);
    jpeg_set_quality(&cinfo, j.quality, TRUE);
    if (j.progressive)
        jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<JSAMPLE> row(std::size_t(j.width * j.components));
    while (cinfo.next_scanline < cinfo.image_height) {
        const int y = int(cinfo.next_scanline);
        for (int x = 0; x < j.width; ++x) {
            const std::uint32_t v = j.pixel(x, y);
            JSAMPLE* p = row.data() + std::size_t(x * j.components);
            if (j.components == 1) {
                p[0] = JSAMPLE(v & 0xFF);
            } else if (j.components == 3) {
                p[0] = JSAMPLE(v >> 16);
                p[1] = JSAMPLE(v >> 8);
                p[2] = JSAMPLE(v);
            } else {
                for (int i = 0; i < 4; ++i)
                    p[i] = JSAMPLE(255 - ((v >> (24 - 8 * i)) & 0xFF));
            }
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    std::string out(reinterpret_cast<const char*>(buffer), size);
    jpeg_destroy_compress(&cinfo);
    std::free(buffer);
    return out;
}

// Offset of the start-of-frame segment's height field (width follows it), or npos.
inline std::size_t jpegSizeField(const std::string& bytes)
{
    for (std::size_t i = 2; i + 9 < bytes.size(); ++i)
        if (std::uint8_t(bytes[i]) == 0xFF && (std::uint8_t(bytes[i + 1]) == 0xC0 || std::uint8_t(bytes[i + 1]) == 0xC2))
            return i + 5;
    return std::string::npos;
}

inline void pokeBe16(std::string& bytes, std::size_t at, unsigned value)
{
    bytes[at] = char((value >> 8) & 0xFF);
    bytes[at + 1] = char(value & 0xFF);
}

// ---- GIF ----------------------------------------------------------------------------------------

struct GifFrame {
    int left = 0, top = 0, width = 1, height = 1;
    int delay = 0;                 // hundredths of a second
    int disposal = DISPOSAL_UNSPECIFIED;
    int transparent = NO_TRANSPARENT_COLOR;
    bool interlaced = false;
    bool control = true;           // write a graphics control extension
    std::vector<std::uint32_t> localPalette;  // empty: the global one
    std::function<int(int x, int y)> index = [](int, int) { return 0; };
};

struct Gif {
    int screenWidth = 1, screenHeight = 1;
    std::vector<std::uint32_t> palette;  // global; a power of two entries, 2..256
    std::vector<GifFrame> frames;
    bool trailer = true;
};

inline int gifWrite(GifFileType* gif, const GifByteType* data, int length)
{
    static_cast<std::string*>(gif->UserData)->append(reinterpret_cast<const char*>(data), std::size_t(length));
    return length;
}

inline ColorMapObject* gifMap(const std::vector<std::uint32_t>& colours)
{
    std::vector<GifColorType> entries;
    for (std::uint32_t c : colours)
        entries.push_back(GifColorType{GifByteType(c >> 16), GifByteType(c >> 8), GifByteType(c)});
    return GifMakeMapObject(int(entries.size()), entries.data());
}

inline std::string gifBytes(const Gif& g)
{
    std::string out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, gifWrite, &error);
    if (!gif)
        throw std::runtime_error("EGifOpen failed");
    EGifSetGifVersion(gif, true);
    ColorMapObject* global = g.palette.empty() ? nullptr : gifMap(g.palette);
    EGifPutScreenDesc(gif, g.screenWidth, g.screenHeight, 8, 0, global);
    GifFreeMapObject(global);
    for (const GifFrame& f : g.frames) {
        if (f.control) {
            GraphicsControlBlock gcb{};
            gcb.DisposalMode = f.disposal;
            gcb.DelayTime = f.delay;
            gcb.TransparentColor = f.transparent;
            GifByteType ext[4];
            const size_t n = EGifGCBToExtension(&gcb, ext);
            EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, int(n), ext);
        }
        ColorMapObject* local = f.localPalette.empty() ? nullptr : gifMap(f.localPalette);
        EGifPutImageDesc(gif, f.left, f.top, f.width, f.height, f.interlaced, local);
        GifFreeMapObject(local);
        std::vector<GifPixelType> line(std::size_t(f.width));
        auto putRow = [&](int y) {
            for (int x = 0; x < f.width; ++x)
                line[std::size_t(x)] = GifPixelType(f.index(x, y));
            EGifPutLine(gif, line.data(), f.width);
        };
        if (f.interlaced) {
            const int start[] = {0, 4, 2, 1}, step[] = {8, 8, 4, 2};
            for (int pass = 0; pass < 4; ++pass)
                for (int y = start[pass]; y < f.height; y += step[pass])
                    putRow(y);
        } else {
            for (int y = 0; y < f.height; ++y)
                putRow(y);
        }
    }
    EGifCloseFile(gif, &error);
    if (!g.trailer && !out.empty() && out.back() == ';')
        out.pop_back();
    return out;
}

// Offsets in a GIF written by gifBytes: the logical screen's width and height.
constexpr std::size_t kGifScreenWidth = 6, kGifScreenHeight = 8;

// A PNG of `kind`: colour, colour with alpha, grey, grey with alpha, or a palette of at most 256
// colours (`pixel` gives 0xAARRGGBB; the palette is the distinct colours in order of appearance).
struct Png {
    enum Kind { Rgb, Rgba, Grey, GreyAlpha, Palette };
    Kind kind = Rgb;
    int width = 5;
    int height = 3;
    std::function<std::uint32_t(int x, int y)> pixel = [](int x, int y) {
        return 0xFF000000u | std::uint32_t(x * 40) << 16 | std::uint32_t(y * 70) << 8 | 0x33;
    };
};

inline std::string pngBytes(const Png& p)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = png_uint_32(p.width);
    image.height = png_uint_32(p.height);
    std::vector<unsigned char> pixels, map;
    int channels = 0;
    switch (p.kind) {
    case Png::Rgb: image.format = PNG_FORMAT_RGB; channels = 3; break;
    case Png::Rgba: image.format = PNG_FORMAT_RGBA; channels = 4; break;
    case Png::Grey: image.format = PNG_FORMAT_GRAY; channels = 1; break;
    case Png::GreyAlpha: image.format = PNG_FORMAT_GA; channels = 2; break;
    case Png::Palette: image.format = PNG_FORMAT_RGB_COLORMAP; channels = 1; break;
    }
    std::vector<std::uint32_t> colours;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            const std::uint32_t c = p.pixel(x, y);
            const unsigned char a = c >> 24, r = (c >> 16) & 0xFF, g = (c >> 8) & 0xFF, b = c & 0xFF;
            switch (p.kind) {
            case Png::Rgb: pixels.insert(pixels.end(), {r, g, b}); break;
            case Png::Rgba: pixels.insert(pixels.end(), {r, g, b, a}); break;
            case Png::Grey: pixels.push_back(g); break;
            case Png::GreyAlpha: pixels.insert(pixels.end(), {g, a}); break;
            case Png::Palette: {
                std::size_t i = 0;
                while (i < colours.size() && colours[i] != (c & 0xFFFFFF))
                    ++i;
                if (i == colours.size()) {
                    colours.push_back(c & 0xFFFFFF);
                    map.insert(map.end(), {r, g, b});
                }
                pixels.push_back((unsigned char)i);
                break;
            }
            }
        }
    if (p.kind == Png::Palette)
        image.colormap_entries = png_uint_32(colours.size());
    png_alloc_size_t size = 0;
    if (!png_image_write_to_memory(&image, nullptr, &size, 0, pixels.data(), p.width * channels,
                                   map.empty() ? nullptr : map.data()))
        throw std::runtime_error("png_image_write_to_memory");
    std::string bytes(size, '\0');
    if (!png_image_write_to_memory(&image, bytes.data(), &size, 0, pixels.data(), p.width * channels,
                                   map.empty() ? nullptr : map.data()))
        throw std::runtime_error(image.message);
    bytes.resize(size);
    return bytes;
}

} // namespace testpictures
