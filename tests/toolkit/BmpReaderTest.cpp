#include "toolkit/BmpReader.h"
#include "toolkit/ImageBuffer.h"

#include "support/ScratchDir.h"
#include "support/TestPictures.h"

#include <gtest/gtest.h>

#include <climits>

using testpictures::Bmp;
using testpictures::bmpBytes;
using testpictures::pokeLe;

namespace {

constexpr std::uint32_t opaque(std::uint32_t rgb) { return 0xFF000000u | rgb; }

// A colour that differs in every channel from pixel to pixel, so a sheared or flipped row shows.
std::uint32_t pattern(int x, int y) { return std::uint32_t(((x * 40 + 7) << 16) | ((y * 50 + 3) << 8) | (x * 13 + y * 29 + 1)) & 0xFFFFFF; }

class BmpReaderTest : public ::testing::Test {
protected:
    ScratchDir dir;

    bool read(const std::string& bytes, ImageBuffer& out, std::string& error)
    {
        const std::string path = dir.file("p.bmp");
        ScratchDir::writeAll(path, bytes);
        return CBmpReader::read(path, out, error);
    }
    std::string failure(const std::string& bytes)
    {
        ImageBuffer out;
        std::string error;
        EXPECT_FALSE(read(bytes, out, error));
        EXPECT_TRUE(out.pixels.empty());
        return error;
    }
    static void expectPicture(const ImageBuffer& image, int width, int height,
                              const std::function<std::uint32_t(int, int)>& rgb)
    {
        ASSERT_EQ(image.width, width);
        ASSERT_EQ(image.height, height);
        ASSERT_EQ(image.frameCount, 1);
        ASSERT_EQ(image.pixels.size(), std::size_t(width * height));
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                ASSERT_EQ(image.pixels[std::size_t(y * width + x)], opaque(rgb(x, y)))
                    << "pixel " << x << "," << y << " of " << width << "x" << height;
    }
};

TEST_F(BmpReaderTest, TwentyFourBitRowsOfEveryPaddingReadUnsheared)
{
    for (int width : {1, 2, 3, 4, 5, 7}) {
        for (bool topDown : {false, true}) {
            Bmp b;
            b.width = width;
            b.height = 3;
            b.topDown = topDown;
            b.pixel = pattern;
            ImageBuffer image;
            std::string error;
            ASSERT_TRUE(read(bmpBytes(b), image, error)) << error;
            EXPECT_EQ(error, "");
            expectPicture(image, width, 3, pattern);
        }
    }
}

TEST_F(BmpReaderTest, PaletteRowsTakeIndexesFromTheHighBitsAtOddWidths)
{
    const std::vector<std::uint32_t> colours = {0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF, 0x123456,
                                                0xABCDEF, 0x808080, 0x400000, 0x004000, 0x000040, 0xC0C0C0,
                                                0x010203, 0xFEDCBA, 0x777777, 0x99AA33};
    for (int bits : {1, 4, 8}) {
        for (int width : {1, 3, 5, 7, 9, 13, 17, 33}) {
            Bmp b;
            b.width = width;
            b.height = 4;
            b.bits = bits;
            const int slots = 1 << bits;
            for (int i = 0; i < slots; ++i)
                b.palette.push_back(colours[std::size_t(i) % colours.size()] ^ std::uint32_t(i));
            b.pixel = [slots](int x, int y) { return std::uint32_t((x * 3 + y * 5) % slots); };
            ImageBuffer image;
            std::string error;
            ASSERT_TRUE(read(bmpBytes(b), image, error)) << bits << " bits, width " << width << ": " << error;
            expectPicture(image, width, 4, [&](int x, int y) { return b.palette[b.pixel(x, y)]; });
        }
    }
}

TEST_F(BmpReaderTest, OneBitWithNoColoursUsedReadsATwoEntryPalette)
{
    Bmp b;
    b.width = 10;
    b.height = 2;
    b.bits = 1;
    b.colorsUsed = 0;
    b.palette = {0x112233, 0xAABBCC};
    b.pixel = [](int x, int y) { return std::uint32_t((x + y) % 2); };
    ImageBuffer image;
    std::string error;
    ASSERT_TRUE(read(bmpBytes(b), image, error)) << error;
    expectPicture(image, 10, 2, [](int x, int y) { return (x + y) % 2 ? 0xAABBCCu : 0x112233u; });
}

TEST_F(BmpReaderTest, ShortPalettesLongHeadersAndUnpaddedLastRows)
{
    // Three colours used of 256: indexes past them read as black, not past the table.
    Bmp shortPalette;
    shortPalette.width = 4;
    shortPalette.bits = 8;
    shortPalette.colorsUsed = 3;
    shortPalette.palette = {0xFF0000, 0x00FF00, 0x0000FF};
    shortPalette.pixel = [](int x, int) { return std::uint32_t(x == 3 ? 200 : x); };
    ImageBuffer image;
    std::string error;
    ASSERT_TRUE(read(bmpBytes(shortPalette), image, error)) << error;
    expectPicture(image, 4, 1, [](int x, int) { return std::vector<std::uint32_t>{0xFF0000, 0x00FF00, 0x0000FF, 0}[std::size_t(x)]; });

    // A V5 header: the palette follows all 124 bytes of it.
    Bmp v5;
    v5.headerSize = 124;
    v5.width = 3;
    v5.height = 2;
    v5.bits = 4;
    v5.palette.assign(16, 0);
    v5.palette[1] = 0x336699;
    v5.palette[2] = 0x996633;
    v5.pixel = [](int x, int y) { return std::uint32_t(x == y ? 1 : 2); };
    ASSERT_TRUE(read(bmpBytes(v5), image, error)) << error;
    expectPicture(image, 3, 2, [](int x, int y) { return x == y ? 0x336699u : 0x996633u; });

    Bmp unpadded;
    unpadded.width = 5;
    unpadded.height = 2;
    unpadded.pixel = pattern;
    unpadded.lastRowPadding = false;
    ASSERT_TRUE(read(bmpBytes(unpadded), image, error)) << error;
    expectPicture(image, 5, 2, pattern);
}

TEST_F(BmpReaderTest, CompressedFilesAreRefused)
{
    Bmp b;
    b.bits = 8;
    b.palette.assign(256, 0);
    for (std::uint32_t compression : {1u, 2u, 3u}) {
        b.compression = compression;
        EXPECT_EQ(failure(bmpBytes(b)), "This is a compressed file.");
    }
}

TEST_F(BmpReaderTest, MessagesOfUnreadableAndForeignFiles)
{
    ImageBuffer out;
    std::string error;
    const std::string missing = dir.file("nada.bmp");
    EXPECT_FALSE(CBmpReader::read(missing, out, error));
    EXPECT_EQ(error, "Can't open file for reading :\n" + missing);

    EXPECT_EQ(failure(""), "Read Error!");
    EXPECT_EQ(failure("B"), "Not a valid BMP File");
    EXPECT_EQ(failure("GIF89a"), "Not a valid BMP File");

    Bmp b;
    b.width = 3;
    b.height = 3;
    b.bits = 8;
    b.palette.assign(256, 0x101010);
    const std::string good = bmpBytes(b);
    EXPECT_EQ(failure(good.substr(0, 30)), "Read Error!");            // inside the headers
    EXPECT_EQ(failure(good.substr(0, 54 + 100)), "Read Error!");      // inside the palette
    EXPECT_EQ(failure(good.substr(0, good.size() - 5)), "Read Error"); // inside the rows
}

TEST_F(BmpReaderTest, HostileHeadersAreRefusedWithoutReadingPastTheFile)
{
    Bmp b;
    b.width = 4;
    b.height = 4;
    b.pixel = pattern;
    const std::string good = bmpBytes(b);
    auto patched = [&](std::size_t at, std::uint32_t value, int bytes = 4) {
        std::string s = good;
        pokeLe(s, at, value, bytes);
        return s;
    };
    using namespace testpictures;
    EXPECT_EQ(failure(patched(kBmpWidth, 0)), "Not a valid BMP File");
    EXPECT_EQ(failure(patched(kBmpWidth, std::uint32_t(-4))), "Not a valid BMP File");
    EXPECT_EQ(failure(patched(kBmpHeight, 0)), "Not a valid BMP File");
    EXPECT_EQ(failure(patched(kBmpHeaderSize, 12)), "Not a valid BMP File");
    for (std::uint32_t bits : {0u, 2u, 16u, 32u, 65535u})
        EXPECT_EQ(failure(patched(kBmpBitCount, bits, 2)), "Not a valid BMP File") << bits;

    // Sizes whose pixel counts (and byte counts) overflow 32 bits, or pass the limit.
    EXPECT_EQ(failure(patched(kBmpWidth, 0x7FFFFFFF)), "Out of memory");
    std::string both = patched(kBmpWidth, 0x7FFFFFFF);
    pokeLe(both, kBmpHeight, 0x7FFFFFFF, 4);
    EXPECT_EQ(failure(both), "Out of memory");
    EXPECT_EQ(failure(patched(kBmpHeight, 0x80000000u)), "Out of memory"); // INT_MIN: top-down, huge
    // Four rows: 2^23 pixels wide is exactly the limit (then short of data), one more is over it.
    EXPECT_EQ(failure(patched(kBmpWidth, 1u << 23)), "Read Error");
    EXPECT_EQ(failure(patched(kBmpWidth, (1u << 23) + 1)), "Out of memory");
}

TEST_F(BmpReaderTest, HeadersPromisingMoreThanTheFileHoldsReadNothing)
{
    Bmp b;
    b.width = 4;
    b.height = 4;
    b.bits = 8;
    b.palette.assign(256, 0);
    const std::string good = bmpBytes(b);
    using namespace testpictures;
    auto patched = [&](std::size_t at, std::uint32_t value) {
        std::string s = good;
        pokeLe(s, at, value, 4);
        return s;
    };
    // Within the pixel limit but far beyond the file: refused before anything is allocated.
    EXPECT_EQ(failure(patched(kBmpWidth, 5000)), "Read Error");
    EXPECT_EQ(failure(patched(kBmpHeight, std::uint32_t(-5000))), "Read Error");
    EXPECT_EQ(failure(patched(kBmpColorsUsed, 0xFFFFFFFF)), "Read Error!");
    EXPECT_EQ(failure(patched(kBmpHeaderSize, 0xFFFFFFFF)), "Read Error!");
    EXPECT_EQ(failure(patched(kBmpDataOffset, 0xFFFFFFF0)), "Read Error");
    // An offset pointing back into the headers: the rows are read after the palette.
    ImageBuffer image;
    std::string error;
    EXPECT_TRUE(read(patched(kBmpDataOffset, 2), image, error)) << error;
}

TEST_F(BmpReaderTest, AFailureLeavesThePreviousPictureInPlace)
{
    ImageBuffer image;
    image.width = image.height = image.frameCount = 1;
    image.pixels = {0xFF123456};
    image.delays = {0};
    std::string error;
    EXPECT_FALSE(read("BMjunk", image, error));
    EXPECT_EQ(error, "Read Error!");
    EXPECT_EQ(image.pixels, std::vector<std::uint32_t>{0xFF123456});
}

} // namespace
