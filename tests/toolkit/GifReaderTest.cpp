#include "toolkit/GifReader.h"
#include "toolkit/ImageBuffer.h"

#include "support/ScratchDir.h"
#include "support/TestPictures.h"

#include <gtest/gtest.h>

using testpictures::Gif;
using testpictures::GifFrame;
using testpictures::gifBytes;

namespace {

constexpr std::uint32_t kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF, kWhite = 0xFFFFFFFF,
                        kBlack = 0xFF000000;
const std::vector<std::uint32_t> kPalette = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};

class GifReaderTest : public ::testing::Test {
protected:
    ScratchDir dir;

    bool read(const std::string& bytes, ImageBuffer& out)
    {
        const std::string path = dir.file("p.gif");
        ScratchDir::writeAll(path, bytes);
        std::string error = "stale";
        const bool ok = CGifReader::read(path, out, error);
        EXPECT_EQ(error, "") << "GIF failures are quiet";
        return ok;
    }
    static std::uint32_t at(const ImageBuffer& image, int frame, int x, int y)
    {
        return image.pixels.at(std::size_t((frame * image.height + y) * image.width + x));
    }
};

GifFrame solid(int width, int height, int index, int delay)
{
    GifFrame f;
    f.width = width;
    f.height = height;
    f.delay = delay;
    f.index = [index](int, int) { return index; };
    return f;
}

TEST_F(GifReaderTest, ThreeFramesAreStackedWithTheirDelays)
{
    Gif g;
    g.screenWidth = 5;
    g.screenHeight = 3;
    g.palette = kPalette;
    g.frames = {solid(5, 3, 1, 10), solid(5, 3, 2, 25), solid(5, 3, 3, 0)};
    ImageBuffer image;
    ASSERT_TRUE(read(gifBytes(g), image));
    EXPECT_EQ(image.width, 5);
    EXPECT_EQ(image.height, 3);
    ASSERT_EQ(image.frameCount, 3);
    EXPECT_EQ(image.pixels.size(), 5u * 3u * 3u);
    EXPECT_EQ(image.delays, (std::vector<int>{100, 250, 0}));
    const std::uint32_t colours[] = {kRed, kGreen, kBlue};
    for (int frame = 0; frame < 3; ++frame)
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x)
                ASSERT_EQ(at(image, frame, x, y), colours[frame]) << frame << ":" << x << "," << y;
}

TEST_F(GifReaderTest, FramesAreComposedWithTransparencyAndDisposal)
{
    Gif g;
    g.screenWidth = 4;
    g.screenHeight = 4;
    g.palette = kPalette;
    GifFrame base = solid(4, 4, 1, 0);              // red everywhere
    GifFrame patch = solid(2, 2, 2, 0);             // green square at (1,1), its (0,0) transparent
    patch.left = patch.top = 1;
    patch.transparent = 0;
    patch.index = [](int x, int y) { return x == 0 && y == 0 ? 0 : 2; };
    patch.disposal = DISPOSE_PREVIOUS;
    GifFrame blue = solid(1, 1, 3, 0);              // blue dot at (3,3), then cleared
    blue.left = blue.top = 3;
    blue.disposal = DISPOSE_BACKGROUND;
    GifFrame last = solid(1, 1, 2, 0);              // green dot at (0,0) on what is left
    g.frames = {base, patch, blue, last};
    ImageBuffer image;
    ASSERT_TRUE(read(gifBytes(g), image));
    ASSERT_EQ(image.frameCount, 4);
    EXPECT_EQ(at(image, 1, 1, 1), kRed) << "transparent index shows the frame below";
    EXPECT_EQ(at(image, 1, 2, 1), kGreen);
    EXPECT_EQ(at(image, 1, 2, 2), kGreen);
    EXPECT_EQ(at(image, 1, 3, 3), kRed);
    EXPECT_EQ(at(image, 2, 2, 2), kRed) << "the patch was restored away";
    EXPECT_EQ(at(image, 2, 3, 3), kBlue);
    EXPECT_EQ(at(image, 3, 3, 3), 0u) << "cleared to transparent";
    EXPECT_EQ(at(image, 3, 0, 0), kGreen);
    EXPECT_EQ(at(image, 3, 1, 0), kRed);
}

TEST_F(GifReaderTest, InterlacedRowsLandInPlaceAndLocalPalettesApply)
{
    Gif g;
    g.screenWidth = 2;
    g.screenHeight = 11;
    g.palette = kPalette;
    GifFrame f = solid(2, 11, 0, 0);
    f.interlaced = true;
    f.localPalette = {0x000000, 0xFFFFFF};
    f.index = [](int, int y) { return y % 3 == 0 ? 1 : 0; };
    g.frames = {f};
    ImageBuffer image;
    ASSERT_TRUE(read(gifBytes(g), image));
    for (int y = 0; y < 11; ++y)
        EXPECT_EQ(at(image, 0, 1, y), y % 3 == 0 ? kWhite : kBlack) << y;
}

TEST_F(GifReaderTest, ImagesOutsideTheScreenAndIndexesPastTheTableAreClipped)
{
    Gif g;
    g.screenWidth = 3;
    g.screenHeight = 2;
    g.palette = {0x000000, 0xFF0000};  // two colours; indexes 2 and 3 have none
    GifFrame f = solid(4, 4, 0, 0);
    f.left = 1;
    f.index = [](int x, int) { return x; };
    GifFrame away = solid(2, 2, 1, 0);
    away.left = 50;
    away.top = 50;
    g.frames = {f, away};
    ImageBuffer image;
    ASSERT_TRUE(read(gifBytes(g), image));
    ASSERT_EQ(image.frameCount, 2);
    EXPECT_EQ(image.width, 3);
    EXPECT_EQ(at(image, 0, 0, 0), 0u) << "no image covers it";
    EXPECT_EQ(at(image, 0, 1, 0), kBlack);
    EXPECT_EQ(at(image, 0, 2, 0), kRed);
    g.frames = {f};
    g.frames[0].left = 0;
    ASSERT_TRUE(read(gifBytes(g), image));
    EXPECT_EQ(at(image, 0, 2, 1), 0u) << "index 2 has no colour: left as it was";
}

TEST_F(GifReaderTest, ZeroScreenTakesTheFirstImageSize)
{
    Gif g;
    g.screenWidth = 3;
    g.screenHeight = 2;
    g.palette = kPalette;
    g.frames = {solid(3, 2, 1, 0)};
    std::string bytes = gifBytes(g);
    testpictures::pokeLe(bytes, testpictures::kGifScreenWidth, 0, 2);
    testpictures::pokeLe(bytes, testpictures::kGifScreenHeight, 0, 2);
    ImageBuffer image;
    ASSERT_TRUE(read(bytes, image));
    EXPECT_EQ(image.width, 3);
    EXPECT_EQ(image.height, 2);
}

TEST_F(GifReaderTest, DamagedFilesFailQuietlyAndAMissingTrailerIsForgiven)
{
    Gif g;
    g.screenWidth = 8;
    g.screenHeight = 8;
    g.palette = kPalette;
    g.frames = {solid(8, 8, 1, 0), solid(8, 8, 2, 0)};
    const std::string good = gifBytes(g);

    ImageBuffer image;
    image.width = image.height = image.frameCount = 1;
    image.pixels = {kBlue};
    image.delays = {0};
    for (const std::string& bad : {std::string(), std::string("GIF"), std::string("BM6\0\0\0", 6),
                                   good.substr(0, 13), good.substr(0, 40)}) {
        EXPECT_FALSE(read(bad, image));
        EXPECT_EQ(image.pixels, std::vector<std::uint32_t>{kBlue});
    }
    ImageBuffer missing;
    std::string error;
    EXPECT_FALSE(CGifReader::read(dir.file("nada.gif"), missing, error));
    EXPECT_EQ(error, "");

    Gif noTrailer = g;
    noTrailer.trailer = false;
    ASSERT_TRUE(read(gifBytes(noTrailer), image));
    EXPECT_EQ(image.frameCount, 2);
}

TEST_F(GifReaderTest, HugeScreensAndImagesAreRefusedBeforeAllocating)
{
    Gif g;
    g.screenWidth = 2;
    g.screenHeight = 2;
    g.palette = kPalette;
    g.frames = {solid(2, 2, 1, 0)};
    std::string bytes = gifBytes(g);
    testpictures::pokeLe(bytes, testpictures::kGifScreenWidth, 65535, 2);
    testpictures::pokeLe(bytes, testpictures::kGifScreenHeight, 65535, 2);
    ImageBuffer image;
    EXPECT_FALSE(read(bytes, image));

    // 8192 x 4096 is the limit for one frame: the second frame would pass it.
    g.screenWidth = 8192;
    g.screenHeight = 4096;
    g.frames = {solid(1, 1, 1, 0), solid(1, 1, 2, 0)};
    EXPECT_FALSE(read(gifBytes(g), image));
    g.frames.pop_back();
    ASSERT_TRUE(read(gifBytes(g), image));
    EXPECT_EQ(image.pixels.size(), 8192u * 4096u);

    // An image descriptor claiming 65535 x 65535 inside a small screen.
    g.screenWidth = 4;
    g.screenHeight = 4;
    g.frames = {solid(1, 1, 1, 0)};
    bytes = gifBytes(g);
    const std::size_t desc = bytes.find(',');
    ASSERT_NE(desc, std::string::npos);
    testpictures::pokeLe(bytes, desc + 5, 65535, 2);
    testpictures::pokeLe(bytes, desc + 7, 65535, 2);
    EXPECT_FALSE(read(bytes, image));
}

} // namespace
