#pragma once

#include "toolkit/ImageBuffer.h"

#include <cstdint>
#include <string>
#include <vector>

// The toolkit's picture holder: a BMP, JPEG, GIF or PNG picture (or a program resource, loaded by
// CTolBitmapPainter) as 32-bit pixels, one or more frames of the same size stacked top to bottom.
// Drawing is CTolBitmapPainter's (toolkit/ui); this class holds no Qt.
class CTolBitmap final {
public:
    // Drawing flags, combined with |.
    enum DrawFlags : int {
        Center = 0x01,       // centred both ways, never left of or above the rectangle's corner
        LeftEdge = 0x02,     // 2 pixels from the left edge, centred vertically
        RightEdge = 0x04,    // 2 pixels from the right edge, centred vertically
        ScaleToFit = 0x10,   // scaled to fit, keeping the aspect ratio (single-frame pictures only)
        Transparent = 0x20,  // pixels of the transparent colour are not drawn
    };

    // 1 when the picture was loaded, 0 otherwise. `path` (UTF-8) must name an existing file, else
    // 0 and the holder is left as it was. Otherwise the held picture is released and the decoder
    // is chosen by the last three letters of the path, in any case: "jpg", "bmp", "gif", "png" (so
    // ".jpeg" loads nothing). A failure leaves the holder empty, with the decoder's message in
    // errorText() (empty when the failure is a quiet one).
    int loadFile(const std::string& path);
    const std::string& errorText() const { return m_error; }

    // Takes a decoded picture (frameCount >= 1, pixels and delays sized accordingly); anything
    // else empties the holder. The frame index goes back to 0.
    void assign(ImageBuffer image);
    void clear();

    bool isLoaded() const { return m_loaded; }
    // Size of one frame, in pixels.
    int width() const { return m_image.width; }
    int height() const { return m_image.height; }
    int frameCount() const { return m_image.frameCount; }
    // The frame drawing shows. Indexes outside 0 .. frameCount() - 1 are ignored.
    int frameIndex() const { return m_frameIndex; }
    void setFrameIndex(int index);
    // The delay of `frame` as read from a GIF, in milliseconds; 0 for other pictures.
    int frameDelay(int frame = 0) const;

    // All frames, premultiplied 0xAARRGGBB (see ImageBuffer); empty when nothing is loaded.
    const std::vector<std::uint32_t>& pixels() const { return m_image.pixels; }

    // The colour (0xRRGGBB) transparent drawing leaves out. Without one, the colour of the
    // top-left pixel is used.
    void setTransparentColor(std::uint32_t rgb);
    void clearTransparentColor();
    std::uint32_t transparentColor() const;
    // The pixels with the transparent colour cleared to 0, built on first use and kept until the
    // picture or the colour changes.
    const std::vector<std::uint32_t>& transparentPixels();

private:
    ImageBuffer m_image;
    bool m_loaded = false;
    int m_frameIndex = 0;
    std::string m_error;
    bool m_hasTransparentColor = false;
    std::uint32_t m_transparentColor = 0;
    std::vector<std::uint32_t> m_masked; // empty until transparentPixels() builds it
};
