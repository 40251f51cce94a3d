#include "toolkit/PngReader.h"

#include "toolkit/ImageBuffer.h"

#include <cstdio>
#include <new>

#include <png.h>

namespace {

// libpng's simplified reader keeps its own error exit (setjmp inside the library), so a damaged
// file ends here with a message and nothing to unwind on our side.
struct Image {
    png_image image{};
    Image() { image.version = PNG_IMAGE_VERSION; }
    ~Image() { png_image_free(&image); }
};

} // namespace

bool CPngReader::read(const std::string& path, ImageBuffer& out, std::string& error)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        error = "PNG :\nCan't open " + path + "\n";
        return false;
    }
    Image png;
    auto fail = [&](const std::string& reason) {
        std::fclose(file);
        error = "PNG :\n" + reason;
        return false;
    };
    if (!png_image_begin_read_from_stdio(&png.image, file))
        return fail(png.image.message);
    const std::int64_t width = png.image.width;
    const std::int64_t height = png.image.height;
    if (width <= 0 || height <= 0 || width * height > kMaxImagePixels)
        return fail("Out of memory");
    // In memory B, G, R, A: the byte order of ImageBuffer's words on little-endian machines.
    png.image.format = PNG_FORMAT_BGRA;
    ImageBuffer image;
    try {
        image.pixels.assign(std::size_t(width * height), 0);
    } catch (const std::bad_alloc&) {
        return fail("Out of memory");
    }
    if (!png_image_finish_read(&png.image, nullptr, image.pixels.data(), png_int_32(width * 4), nullptr))
        return fail(png.image.message);
    std::fclose(file);
    // The words as ImageBuffer wants them, 0xAARRGGBB premultiplied, whatever the byte order.
    for (std::uint32_t& p : image.pixels) {
        const auto* bytes = reinterpret_cast<const unsigned char*>(&p);
        const unsigned blue = bytes[0], green = bytes[1], red = bytes[2], alpha = bytes[3];
        p = (std::uint32_t(alpha) << 24) | ((red * alpha + 127) / 255) << 16 | ((green * alpha + 127) / 255) << 8 |
            ((blue * alpha + 127) / 255);
    }
    image.width = int(width);
    image.height = int(height);
    image.frameCount = 1;
    image.delays.assign(1, 0);
    out = std::move(image);
    error.clear();
    return true;
}
