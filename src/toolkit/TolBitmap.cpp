#include "toolkit/TolBitmap.h"

#include "toolkit/BmpReader.h"
#include "toolkit/GifReader.h"
#include "toolkit/JpegReader.h"
#include "toolkit/PngReader.h"

#include <filesystem>
#include <system_error>

namespace {

std::string lastThreeLower(const std::string& path)
{
    if (path.size() < 3)
        return {};
    std::string tail = path.substr(path.size() - 3);
    for (char& c : tail)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return tail;
}

} // namespace

int CTolBitmap::loadFile(const std::string& path)
{
    m_error.clear();
    std::error_code ec;
    if (path.empty() || !std::filesystem::is_regular_file(std::filesystem::path(path), ec))
        return 0;
    clear();

    const std::string kind = lastThreeLower(path);
    ImageBuffer image;
    bool ok = false;
    if (kind == "jpg")
        ok = CJpegReader::read(path, image, m_error);
    else if (kind == "bmp")
        ok = CBmpReader::read(path, image, m_error);
    else if (kind == "gif")
        ok = CGifReader::read(path, image, m_error);
    else if (kind == "png")
        ok = CPngReader::read(path, image, m_error);
    if (!ok)
        return 0;
    assign(std::move(image));
    return m_loaded ? 1 : 0;
}

void CTolBitmap::assign(ImageBuffer image)
{
    clear();
    const std::int64_t frameSize = std::int64_t(image.width) * image.height;
    if (image.width <= 0 || image.height <= 0 || image.frameCount <= 0
        || frameSize * image.frameCount != std::int64_t(image.pixels.size())
        || std::int64_t(image.delays.size()) != image.frameCount)
        return;
    m_image = std::move(image);
    m_loaded = true;
}

void CTolBitmap::clear()
{
    m_image = ImageBuffer();
    m_loaded = false;
    m_frameIndex = 0;
    m_masked.clear();
    m_masked.shrink_to_fit();
}

void CTolBitmap::setFrameIndex(int index)
{
    if (index >= 0 && index < m_image.frameCount)
        m_frameIndex = index;
}

int CTolBitmap::frameDelay(int frame) const
{
    if (frame < 0 || frame >= int(m_image.delays.size()))
        return 0;
    return m_image.delays[std::size_t(frame)];
}

void CTolBitmap::setTransparentColor(std::uint32_t rgb)
{
    rgb &= 0xFFFFFFu;
    if (m_hasTransparentColor && m_transparentColor == rgb)
        return;
    m_hasTransparentColor = true;
    m_transparentColor = rgb;
    m_masked.clear();
}

void CTolBitmap::clearTransparentColor()
{
    if (!m_hasTransparentColor)
        return;
    m_hasTransparentColor = false;
    m_masked.clear();
}

std::uint32_t CTolBitmap::transparentColor() const
{
    if (m_hasTransparentColor || m_image.pixels.empty())
        return m_transparentColor;
    return m_image.pixels.front() & 0xFFFFFFu;
}

const std::vector<std::uint32_t>& CTolBitmap::transparentPixels()
{
    if (m_masked.empty() && !m_image.pixels.empty()) {
        m_masked = m_image.pixels;
        // A top-left pixel that is already transparent names no colour.
        if (m_hasTransparentColor || (m_masked.front() >> 24) == 0xFF) {
            const std::uint32_t key = kOpaqueBlack | transparentColor();
            for (std::uint32_t& p : m_masked)
                if (p == key)
                    p = 0;
        }
    }
    return m_masked;
}
