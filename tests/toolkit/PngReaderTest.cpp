#include "toolkit/ImageBuffer.h"
#include "toolkit/PngReader.h"
#include "toolkit/TolBitmap.h"

#include "support/ScratchDir.h"
#include "support/TestPictures.h"

#include <gtest/gtest.h>

using testpictures::Png;
using testpictures::pngBytes;

namespace {

class PngReaderTest : public ::testing::Test {
protected:
    ScratchDir dir;

    bool read(const std::string& bytes, ImageBuffer& out, std::string& error)
    {
        const std::string path = dir.file("p.png");
        ScratchDir::writeAll(path, bytes);
        return CPngReader::read(path, out, error);
    }
};

std::uint32_t premultiplied(std::uint32_t argb)
{
    const std::uint32_t a = argb >> 24;
    auto scaled = [a](std::uint32_t c) { return (c * a + 127) / 255; };
    return a << 24 | scaled((argb >> 16) & 0xFF) << 16 | scaled((argb >> 8) & 0xFF) << 8 | scaled(argb & 0xFF);
}

// PNG is lossless: every kind comes back pixel for pixel, grey as grey, transparency
// premultiplied as the holder keeps it.
TEST_F(PngReaderTest, EveryKindComesBackPixelForPixel)
{
    auto colourful = [](int x, int y) { return 0xFF000000u | std::uint32_t(x * 37 + y) << 16 | std::uint32_t(y * 51) << 8 | 0x80; };
    auto translucent = [](int x, int y) { return std::uint32_t(x * 50 + 5) << 24 | 0xC08040u ^ std::uint32_t(y * 0x10); };
    auto grey = [](int x, int y) { return 0xFF000000u | 0x010101u * std::uint32_t(x * 20 + y * 3); };
    auto greyAlpha = [](int x, int y) { return std::uint32_t(255 - x * 40) << 24 | 0x010101u * std::uint32_t(y * 60); };
    auto fourColours = [](int x, int y) {
        static const std::uint32_t c[] = {0xFF112233, 0xFFFF0000, 0xFF00FF00, 0xFFFFFFFF};
        return c[(x + y) % 4];
    };
    const struct {
        Png::Kind kind;
        std::function<std::uint32_t(int, int)> pixel;
    } cases[] = {{Png::Rgb, colourful}, {Png::Rgba, translucent}, {Png::Grey, grey}, {Png::GreyAlpha, greyAlpha},
                 {Png::Palette, fourColours}};
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.kind));
        Png p;
        p.kind = c.kind;
        p.width = 5;
        p.height = 4;
        p.pixel = c.pixel;
        ImageBuffer image;
        std::string error = "stale";
        ASSERT_TRUE(read(pngBytes(p), image, error)) << error;
        EXPECT_EQ(error, "");
        ASSERT_EQ(image.width, 5);
        ASSERT_EQ(image.height, 4);
        ASSERT_EQ(image.frameCount, 1);
        ASSERT_EQ(image.pixels.size(), 20u);
        ASSERT_EQ(image.delays, std::vector<int>{0});
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 5; ++x)
                EXPECT_EQ(image.pixels[std::size_t(y * 5 + x)], premultiplied(c.pixel(x, y))) << x << "," << y;
    }
}

// Damaged, cut short or not a PNG at all: refused with libpng's reason, the buffer untouched.
TEST_F(PngReaderTest, DamagedTruncatedAndForeignFilesAreRefusedWithAReason)
{
    Png p;
    p.width = 40;
    p.height = 30;
    const std::string good = pngBytes(p);
    const std::size_t data = good.find("IDAT");
    ASSERT_NE(data, std::string::npos);
    std::string damaged = good;
    damaged[data + 10] ^= 0x55;  // inside the compressed pixels: the chunk's CRC no longer matches
    const std::string truncated = good.substr(0, data + 12);
    const std::string foreign = "GIF89a not a png at all, but long enough to be read as one";
    const std::string* const inputs[] = {&damaged, &truncated, &foreign};
    for (const std::string* bytes : inputs) {
        ImageBuffer image;
        image.width = 7;
        std::string error;
        EXPECT_FALSE(read(*bytes, image, error));
        EXPECT_EQ(error.rfind("PNG :\n", 0), 0u) << error;
        EXPECT_GT(error.size(), 6u) << "a reason follows";
        EXPECT_EQ(image.width, 7) << "left as it was";
    }
    ImageBuffer image;
    std::string error;
    EXPECT_FALSE(CPngReader::read(dir.file("missing.png"), image, error));
    EXPECT_EQ(error, "PNG :\nCan't open " + dir.file("missing.png") + "\n");
}

// The holder takes a PNG by its name's last three letters, in any case, and keeps the reader's
// reason for one it cannot read.
TEST_F(PngReaderTest, TheHolderLoadsPngByItsName)
{
    const std::string logo = dir.file("logo.PNG");
    ScratchDir::writeAll(logo, pngBytes(Png{}));
    CTolBitmap bitmap;
    EXPECT_EQ(bitmap.loadFile(logo), 1);
    EXPECT_EQ(bitmap.width(), Png{}.width);
    const std::string bad = dir.file("roto.png");
    ScratchDir::writeAll(bad, pngBytes(Png{}).substr(0, 30));
    EXPECT_EQ(bitmap.loadFile(bad), 0);
    EXPECT_FALSE(bitmap.isLoaded());
    EXPECT_EQ(bitmap.errorText().rfind("PNG :\n", 0), 0u) << bitmap.errorText();
}

} // namespace
