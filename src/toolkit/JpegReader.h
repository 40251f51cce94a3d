#pragma once

#include <string>

struct ImageBuffer;

// JPEG pictures through libjpeg: colour, grey (kept grey) and CMYK files.
class CJpegReader final {
public:
    // Reads `path` (UTF-8) into `out`, one frame. A picture larger than kMaxImagePixels is decoded
    // at 1/2, 1/4 or 1/8 of its size when that brings it under the limit; one over 2^28 pixels is
    // refused. On failure `out` is left as it was and `error` holds "JPEG :\nCan't open <path>\n"
    // or "JpegFile :\nOut of memory" (too large), or is empty for a damaged file (libjpeg's own
    // error ends the decode quietly; so does a progressive file needing over 256 MiB to decode).
    static bool read(const std::string& path, ImageBuffer& out, std::string& error);
};
