#include "toolkit/GifReader.h"

#include "toolkit/ImageBuffer.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <new>
#include <vector>

#include <gif_lib.h>

namespace {

struct GifCloser {
    void operator()(GifFileType* gif) const
    {
        int ignored = 0;
        DGifCloseFile(gif, &ignored);
    }
};
using GifPtr = std::unique_ptr<GifFileType, GifCloser>;

struct Frame {
    int delay = 0; // hundredths of a second
    int disposal = DISPOSAL_UNSPECIFIED;
    int transparent = NO_TRANSPARENT_COLOR;
};

// Reads the current image's indexes, rows in display order.
bool readRaster(GifFileType* gif, int width, int height, bool interlaced, std::vector<GifPixelType>& raster)
{
    raster.resize(std::size_t(width) * std::size_t(height));
    if (interlaced) {
        static const int start[] = {0, 4, 2, 1};
        static const int step[] = {8, 8, 4, 2};
        for (int pass = 0; pass < 4; ++pass)
            for (int y = start[pass]; y < height; y += step[pass])
                if (DGifGetLine(gif, raster.data() + std::size_t(y) * width, width) == GIF_ERROR)
                    return false;
        return true;
    }
    for (int y = 0; y < height; ++y)
        if (DGifGetLine(gif, raster.data() + std::size_t(y) * width, width) == GIF_ERROR)
            return false;
    return true;
}

// The grey ramp stands in for a file with neither a global nor a local colour table.
std::vector<std::uint32_t> colourTable(const ColorMapObject* map)
{
    std::vector<std::uint32_t> table(256);
    if (!map || !map->Colors) {
        for (unsigned i = 0; i < 256; ++i)
            table[i] = opaquePixel(i, i, i);
        return table;
    }
    const int count = std::clamp(map->ColorCount, 0, 256);
    for (int i = 0; i < count; ++i)
        table[std::size_t(i)] = opaquePixel(map->Colors[i].Red, map->Colors[i].Green, map->Colors[i].Blue);
    // Indexes past the table leave the pixel as it was, like the transparent index.
    for (int i = count; i < 256; ++i)
        table[std::size_t(i)] = 0;
    return table;
}

} // namespace

bool CGifReader::read(const std::string& path, ImageBuffer& out, std::string& error)
{
    error.clear();
    int openError = 0;
    GifPtr gif(DGifOpenFileName(path.c_str(), &openError));
    if (!gif)
        return false;

    std::int64_t screenWidth = gif->SWidth;
    std::int64_t screenHeight = gif->SHeight;
    ImageBuffer image;
    std::vector<std::uint32_t> canvas, previous;
    std::vector<GifPixelType> raster;
    Frame next;

    try {
        for (;;) {
            GifRecordType type = UNDEFINED_RECORD_TYPE;
            if (DGifGetRecordType(gif.get(), &type) == GIF_ERROR) {
                if (image.frameCount > 0)
                    break; // trailer missing or garbage after the last image
                return false;
            }
            if (type == TERMINATE_RECORD_TYPE)
                break;
            if (type == EXTENSION_RECORD_TYPE) {
                int code = 0;
                GifByteType* block = nullptr;
                if (DGifGetExtension(gif.get(), &code, &block) == GIF_ERROR)
                    return false;
                if (code == GRAPHICS_EXT_FUNC_CODE && block && block[0] >= 4) {
                    GraphicsControlBlock gcb{};
                    if (DGifExtensionToGCB(block[0], block + 1, &gcb) == GIF_OK) {
                        next.delay = gcb.DelayTime;
                        next.disposal = gcb.DisposalMode;
                        next.transparent = gcb.TransparentColor;
                    }
                }
                while (block)
                    if (DGifGetExtensionNext(gif.get(), &block) == GIF_ERROR)
                        return false;
                continue;
            }
            if (type != IMAGE_DESC_RECORD_TYPE)
                return false;

            if (DGifGetImageDesc(gif.get()) == GIF_ERROR)
                return false;
            const GifImageDesc desc = gif->Image;
            const std::int64_t left = desc.Left, top = desc.Top, width = desc.Width, height = desc.Height;
            if (width <= 0 || height <= 0 || width * height > kMaxImagePixels)
                return false;
            if (image.frameCount == 0 && (screenWidth <= 0 || screenHeight <= 0)) {
                // A zero logical screen: the first image sets the size.
                screenWidth = left + width;
                screenHeight = top + height;
            }
            if (screenWidth * screenHeight * (image.frameCount + 1) > kMaxImagePixels)
                return false;
            // The indexes first: a file cut short fails before the screen is allocated.
            if (!readRaster(gif.get(), int(width), int(height), desc.Interlace, raster))
                return false;
            if (canvas.empty())
                canvas.assign(std::size_t(screenWidth * screenHeight), 0);

            if (next.disposal == DISPOSE_PREVIOUS)
                previous = canvas;
            const std::vector<std::uint32_t> colours =
                colourTable(desc.ColorMap ? desc.ColorMap : gif->SColorMap);
            // Only the part of the image inside the logical screen is shown.
            const std::int64_t x0 = std::max<std::int64_t>(left, 0), x1 = std::min(left + width, screenWidth);
            const std::int64_t y0 = std::max<std::int64_t>(top, 0), y1 = std::min(top + height, screenHeight);
            for (std::int64_t y = y0; y < y1; ++y) {
                const GifPixelType* source = raster.data() + (y - top) * width;
                std::uint32_t* target = canvas.data() + y * screenWidth;
                for (std::int64_t x = x0; x < x1; ++x) {
                    const int index = source[x - left];
                    if (index == next.transparent || colours[std::size_t(index)] == 0)
                        continue;
                    target[x] = colours[std::size_t(index)];
                }
            }
            image.pixels.insert(image.pixels.end(), canvas.begin(), canvas.end());
            image.delays.push_back(next.delay * 10);
            ++image.frameCount;

            if (next.disposal == DISPOSE_BACKGROUND) {
                // Cleared to transparent, as browsers do, rather than to the background colour.
                if (x0 < x1)
                    for (std::int64_t y = y0; y < y1; ++y)
                        std::fill(canvas.begin() + y * screenWidth + x0, canvas.begin() + y * screenWidth + x1, 0u);
            } else if (next.disposal == DISPOSE_PREVIOUS) {
                canvas.swap(previous);
            }
            next = Frame();
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    if (image.frameCount == 0)
        return false;
    image.width = int(screenWidth);
    image.height = int(screenHeight);
    out = std::move(image);
    return true;
}
