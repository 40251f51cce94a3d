#include "toolkit/ImageBuffer.h"
#include "toolkit/JpegReader.h"

#include "support/ScratchDir.h"
#include "support/TestPictures.h"

#include <gtest/gtest.h>

#include <cstdlib>

using testpictures::Jpeg;
using testpictures::jpegBytes;

namespace {

int channel(std::uint32_t pixel, int shift) { return int((pixel >> shift) & 0xFF); }

// JPEG is lossy: a channel within `tolerance` of what was written counts as the same.
::testing::AssertionResult near(std::uint32_t pixel, std::uint32_t rgb, int tolerance = 10)
{
    if ((pixel >> 24) != 0xFF)
        return ::testing::AssertionFailure() << "pixel not opaque";
    for (int shift : {16, 8, 0})
        if (std::abs(channel(pixel, shift) - channel(rgb, shift)) > tolerance)
            return ::testing::AssertionFailure() << std::hex << "got " << (pixel & 0xFFFFFF) << ", wrote " << rgb;
    return ::testing::AssertionSuccess();
}

class JpegReaderTest : public ::testing::Test {
protected:
    ScratchDir dir;

    bool read(const std::string& bytes, ImageBuffer& out, std::string& error)
    {
        const std::string path = dir.file("p.jpg");
        ScratchDir::writeAll(path, bytes);
        return CJpegReader::read(path, out, error);
    }
};

// Four flat quadrants (flat areas survive compression almost exactly).
std::uint32_t quadrant(int x, int y)
{
    static const std::uint32_t colours[] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00};
    return colours[(y >= 16 ? 2 : 0) + (x >= 16 ? 1 : 0)];
}

TEST_F(JpegReaderTest, ColourPictureKeepsItsLayoutAndColours)
{
    for (bool progressive : {false, true}) {
        Jpeg j;
        j.width = 32;
        j.height = 32;
        j.progressive = progressive;
        j.pixel = quadrant;
        ImageBuffer image;
        std::string error;
        ASSERT_TRUE(read(jpegBytes(j), image, error)) << error;
        EXPECT_EQ(error, "");
        ASSERT_EQ(image.width, 32);
        ASSERT_EQ(image.height, 32);
        EXPECT_EQ(image.frameCount, 1);
        ASSERT_EQ(image.pixels.size(), 32u * 32u);
        for (int y : {2, 13, 18, 29})
            for (int x : {2, 13, 18, 29})
                EXPECT_TRUE(near(image.pixels[std::size_t(y * 32 + x)], quadrant(x, y))) << x << "," << y;
    }
}

TEST_F(JpegReaderTest, GreyPictureComesOutGrey)
{
    Jpeg j;
    j.width = 40;
    j.height = 3;
    j.components = 1;
    j.pixel = [](int x, int) { return std::uint32_t(x * 6); };
    ImageBuffer image;
    std::string error;
    ASSERT_TRUE(read(jpegBytes(j), image, error)) << error;
    ASSERT_EQ(image.pixels.size(), 120u);
    for (std::size_t i = 0; i < image.pixels.size(); ++i) {
        const std::uint32_t p = image.pixels[i];
        ASSERT_EQ(channel(p, 16), channel(p, 8)) << i;
        ASSERT_EQ(channel(p, 8), channel(p, 0)) << i;
    }
    EXPECT_TRUE(near(image.pixels[5], 0x1E1E1E, 12));
    EXPECT_TRUE(near(image.pixels[35], 0xD2D2D2, 12));
}

TEST_F(JpegReaderTest, AdobeCmykPictureComesOutInScreenColours)
{
    Jpeg j;
    j.width = 16;
    j.height = 16;
    j.components = 4;
    // Ink C, M, Y, K: red on the left, half black on the right.
    j.pixel = [](int x, int) { return x < 8 ? 0x00FFFF00u : 0x00000080u; };
    ImageBuffer image;
    std::string error;
    ASSERT_TRUE(read(jpegBytes(j), image, error)) << error;
    EXPECT_TRUE(near(image.pixels[16 * 4 + 2], 0xFF0000));
    EXPECT_TRUE(near(image.pixels[16 * 4 + 13], 0x7F7F7F));
}

TEST_F(JpegReaderTest, UnreadableAndDamagedFiles)
{
    ImageBuffer image;
    std::string error;
    const std::string missing = dir.file("nada.jpg");
    EXPECT_FALSE(CJpegReader::read(missing, image, error));
    EXPECT_EQ(error, "JPEG :\nCan't open " + missing + "\n");

    Jpeg j;
    j.width = 16;
    j.height = 16;
    j.pixel = quadrant;
    const std::string good = jpegBytes(j);
    // libjpeg's own errors end the decode quietly and leave the previous picture alone.
    image.width = image.height = image.frameCount = 1;
    image.pixels = {0xFF010203};
    image.delays = {0};
    for (const std::string& bad : {std::string(), std::string("BM not a jpeg"), good.substr(0, 2), good.substr(0, 40)}) {
        error = "stale";
        EXPECT_FALSE(read(bad, image, error));
        EXPECT_EQ(error, "");
        EXPECT_EQ(image.pixels, std::vector<std::uint32_t>{0xFF010203});
    }
    // Cut inside the scan data: libjpeg warns, fills the rest, and the picture loads.
    Jpeg busy;
    busy.width = 64;
    busy.height = 64;
    busy.pixel = [](int x, int y) { return std::uint32_t(x * 977 + y * 131 + x * y * 7) & 0xFFFFFF; };
    const std::string long_ = jpegBytes(busy);
    ASSERT_TRUE(read(long_.substr(0, long_.size() * 3 / 4), image, error));
    EXPECT_EQ(image.width, 64);
}

TEST_F(JpegReaderTest, OversizedPicturesAreShrunkOrRefused)
{
    Jpeg j;
    j.width = 16;
    j.height = 16;
    j.pixel = quadrant;
    std::string bytes = jpegBytes(j);
    const std::size_t size = testpictures::jpegSizeField(bytes);
    ASSERT_NE(size, std::string::npos);

    // 8000 x 8000 is twice the limit: decoded at half size (from damaged data, but without harm).
    testpictures::pokeBe16(bytes, size, 8000);
    testpictures::pokeBe16(bytes, size + 2, 8000);
    ImageBuffer image;
    std::string error;
    ASSERT_TRUE(read(bytes, image, error)) << error;
    EXPECT_EQ(image.width, 4000);
    EXPECT_EQ(image.height, 4000);
    EXPECT_EQ(image.pixels.size(), 4000u * 4000u);

    // 65000 x 65000 and 20000 x 20000 are refused before decoding.
    image = ImageBuffer();
    for (unsigned side : {65000u, 20000u}) {
        testpictures::pokeBe16(bytes, size, side);
        testpictures::pokeBe16(bytes, size + 2, side);
        EXPECT_FALSE(read(bytes, image, error));
        EXPECT_EQ(error, "JpegFile :\nOut of memory");
        EXPECT_TRUE(image.pixels.empty());
    }

    // A progressive file keeps all its coefficients while decoding: 12000 x 12000 would need
    // about 430 MiB of them, so libjpeg stops with its own (quiet) error.
    j.progressive = true;
    std::string progressive = jpegBytes(j);
    const std::size_t sof2 = testpictures::jpegSizeField(progressive);
    ASSERT_NE(sof2, std::string::npos);
    testpictures::pokeBe16(progressive, sof2, 12000);
    testpictures::pokeBe16(progressive, sof2 + 2, 12000);
    error = "stale";
    EXPECT_FALSE(read(progressive, image, error));
    EXPECT_EQ(error, "");

    // A zero height is libjpeg's error: quiet.
    testpictures::pokeBe16(bytes, size, 0);
    EXPECT_FALSE(read(bytes, image, error));
    EXPECT_EQ(error, "");
}

} // namespace
