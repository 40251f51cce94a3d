#pragma once

#include <string>

struct ImageBuffer;

// JPEG pictures through libjpeg: colour, grey (kept grey) and CMYK files.
class CJpegReader final {
public:
    // Reads `path` (UTF-8) into `out`, one frame. A picture larger than kMaxImagePixels is decoded
    // at 1/2, 1/4 or 1/8 of its size when that brings it under the limit. On failure `out` is left
    // as it was and `error` holds "JPEG :\nCan't open <path>\n" or "JpegFile :\nOut of memory", or
    // is empty for a damaged file (libjpeg's own error ends the decode quietly).
    static bool read(const std::string& path, ImageBuffer& out, std::string& error);
};
