#include "toolkit/TolBitmap.h"

#include "support/ScratchDir.h"
#include "support/TestPictures.h"

#include <gtest/gtest.h>

namespace {

class TolBitmapTest : public ::testing::Test {
protected:
    ScratchDir dir;

    std::string bmp() const
    {
        testpictures::Bmp b;
        b.width = 3;
        b.height = 2;
        b.pixel = [](int x, int) { return x == 0 ? 0xFF00FFu : 0x102030u; };
        return testpictures::bmpBytes(b);
    }
    std::string jpeg() const
    {
        testpictures::Jpeg j;
        j.width = 9;
        j.height = 7;
        return testpictures::jpegBytes(j);
    }
    std::string gif() const
    {
        testpictures::Gif g;
        g.screenWidth = 4;
        g.screenHeight = 2;
        g.palette = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};
        for (int i = 1; i <= 3; ++i) {
            testpictures::GifFrame f;
            f.width = 4;
            f.height = 2;
            f.delay = 10 * i;
            f.index = [i](int, int) { return i; };
            g.frames.push_back(f);
        }
        return testpictures::gifBytes(g);
    }
    std::string file(const std::string& name, const std::string& bytes) const
    {
        const std::string path = dir.file(name);
        ScratchDir::writeAll(path, bytes);
        return path;
    }
};

TEST_F(TolBitmapTest, TheLastThreeLettersChooseTheDecoderInAnyCase)
{
    CTolBitmap bitmap;
    EXPECT_EQ(bitmap.loadFile(file("logo.JPG", jpeg())), 1);
    EXPECT_EQ(bitmap.width(), 9);
    EXPECT_EQ(bitmap.height(), 7);
    EXPECT_EQ(bitmap.loadFile(file("logo.Bmp", bmp())), 1);
    EXPECT_EQ(bitmap.width(), 3);
    EXPECT_EQ(bitmap.loadFile(file("logo.gIF", gif())), 1);
    EXPECT_EQ(bitmap.frameCount(), 3);
    // "jpeg" ends in "peg": nothing decodes it, and the held picture is gone.
    EXPECT_EQ(bitmap.loadFile(file("logo.jpeg", jpeg())), 0);
    EXPECT_FALSE(bitmap.isLoaded());
    EXPECT_EQ(bitmap.errorText(), "");
    EXPECT_EQ(bitmap.width(), 0);
    EXPECT_TRUE(bitmap.pixels().empty());
    // The name decides, not the contents.
    EXPECT_EQ(bitmap.loadFile(file("actually-bmp.jpg", bmp())), 0);
    EXPECT_EQ(bitmap.loadFile(file("actually-jpeg.bmp", jpeg())), 0);
    EXPECT_EQ(bitmap.errorText(), "Not a valid BMP File");
    EXPECT_EQ(bitmap.loadFile(file("jpg", jpeg())), 1) << "a bare name of three letters";
}

TEST_F(TolBitmapTest, AMissingFileChangesNothingAndOtherFailuresEmptyTheHolder)
{
    CTolBitmap bitmap;
    ASSERT_EQ(bitmap.loadFile(file("a.gif", gif())), 1);
    bitmap.setFrameIndex(2);
    EXPECT_EQ(bitmap.loadFile(dir.file("missing.bmp")), 0);
    EXPECT_EQ(bitmap.loadFile(""), 0);
    EXPECT_EQ(bitmap.loadFile(dir.path().string()), 0) << "a folder is not a picture";
    EXPECT_TRUE(bitmap.isLoaded());
    EXPECT_EQ(bitmap.frameCount(), 3);
    EXPECT_EQ(bitmap.frameIndex(), 2);

    testpictures::Bmp rle;
    rle.compression = 1;
    EXPECT_EQ(bitmap.loadFile(file("rle.bmp", testpictures::bmpBytes(rle))), 0);
    EXPECT_EQ(bitmap.errorText(), "This is a compressed file.");
    EXPECT_FALSE(bitmap.isLoaded());
    EXPECT_EQ(bitmap.frameCount(), 0);
    EXPECT_EQ(bitmap.frameIndex(), 0);

    ASSERT_EQ(bitmap.loadFile(file("b.bmp", bmp())), 1);
    EXPECT_EQ(bitmap.errorText(), "") << "a success clears the last message";
}

TEST_F(TolBitmapTest, FramesIndexAndDelays)
{
    CTolBitmap bitmap;
    ASSERT_EQ(bitmap.loadFile(file("a.gif", gif())), 1);
    EXPECT_EQ(bitmap.width(), 4);
    EXPECT_EQ(bitmap.height(), 2) << "the height of one frame";
    EXPECT_EQ(bitmap.pixels().size(), 4u * 2u * 3u);
    EXPECT_EQ(bitmap.pixels()[8], 0xFF00FF00u) << "frame 1 starts a frame height down";
    EXPECT_EQ(bitmap.frameIndex(), 0);
    EXPECT_EQ(bitmap.frameDelay(0), 100);
    EXPECT_EQ(bitmap.frameDelay(2), 300);
    EXPECT_EQ(bitmap.frameDelay(3), 0);
    bitmap.setFrameIndex(1);
    bitmap.setFrameIndex(3);
    bitmap.setFrameIndex(-1);
    EXPECT_EQ(bitmap.frameIndex(), 1);
    ASSERT_EQ(bitmap.loadFile(file("b.bmp", bmp())), 1);
    EXPECT_EQ(bitmap.frameIndex(), 0) << "a new picture starts at its first frame";
    EXPECT_EQ(bitmap.frameDelay(), 0);
}

TEST_F(TolBitmapTest, TransparentPixelsFollowTheColour)
{
    CTolBitmap bitmap;
    ASSERT_EQ(bitmap.loadFile(file("a.bmp", bmp())), 1);
    // No colour given: the top-left pixel's (magenta here).
    EXPECT_EQ(bitmap.transparentColor(), 0xFF00FFu);
    EXPECT_EQ(bitmap.transparentPixels(), (std::vector<std::uint32_t>{0, 0xFF102030, 0xFF102030, 0, 0xFF102030, 0xFF102030}));
    bitmap.setTransparentColor(0x102030);
    EXPECT_EQ(bitmap.transparentPixels(), (std::vector<std::uint32_t>{0xFFFF00FF, 0, 0, 0xFFFF00FF, 0, 0}));
    bitmap.setTransparentColor(0xFFFFFF);
    EXPECT_EQ(bitmap.transparentPixels(), bitmap.pixels());
    // A new picture rebuilds with the kept colour.
    testpictures::Bmp white;
    white.width = 2;
    white.pixel = [](int x, int) { return x ? 0xFFFFFFu : 0u; };
    ASSERT_EQ(bitmap.loadFile(file("w.bmp", testpictures::bmpBytes(white))), 1);
    EXPECT_EQ(bitmap.transparentPixels(), (std::vector<std::uint32_t>{0xFF000000, 0}));
    bitmap.clearTransparentColor();
    EXPECT_EQ(bitmap.transparentPixels(), (std::vector<std::uint32_t>{0, 0xFFFFFFFF}));
}

TEST_F(TolBitmapTest, AssignRefusesInconsistentBuffers)
{
    CTolBitmap bitmap;
    ImageBuffer good;
    good.width = 2;
    good.height = 1;
    good.frameCount = 2;
    good.pixels = {1, 2, 3, 4};
    good.delays = {10, 20};
    bitmap.assign(good);
    EXPECT_TRUE(bitmap.isLoaded());
    EXPECT_EQ(bitmap.frameDelay(1), 20);

    ImageBuffer shortPixels = good;
    shortPixels.pixels.pop_back();
    ImageBuffer noDelays = good;
    noDelays.delays.clear();
    ImageBuffer noFrames = good;
    noFrames.frameCount = 0;
    ImageBuffer negative = good;
    negative.width = -2;
    negative.frameCount = -2;
    for (const ImageBuffer& bad : {shortPixels, noDelays, noFrames, negative}) {
        bitmap.assign(good);
        bitmap.assign(bad);
        EXPECT_FALSE(bitmap.isLoaded());
        EXPECT_TRUE(bitmap.pixels().empty());
    }
}

} // namespace
