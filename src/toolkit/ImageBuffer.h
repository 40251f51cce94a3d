#pragma once

#include <cstdint>
#include <vector>

// A decoded picture: frameCount frames of width x height pixels stacked top to bottom in one
// buffer, rows top to bottom. Each pixel is a premultiplied 0xAARRGGBB word (in memory B, G, R, A
// on little-endian machines), the layout of QImage::Format_ARGB32_Premultiplied. Decoders give
// alpha 255 everywhere except where a GIF leaves a pixel transparent (the whole word is 0 there).
struct ImageBuffer final {
    int width = 0;
    int height = 0;                     // of one frame
    int frameCount = 0;
    std::vector<std::uint32_t> pixels;  // width * height * frameCount
    std::vector<int> delays;            // per frame, milliseconds (0 for still pictures)
};

// The most pixels (all frames together) a decoder allocates: 2^25 pixels, 128 MiB. A damaged or
// hostile header claiming more is refused before anything is allocated.
inline constexpr std::int64_t kMaxImagePixels = std::int64_t(1) << 25;

inline constexpr std::uint32_t kOpaqueBlack = 0xFF000000u;

inline constexpr std::uint32_t opaquePixel(unsigned red, unsigned green, unsigned blue)
{
    return kOpaqueBlack | (red << 16) | (green << 8) | blue;
}
