#pragma once

#include <string>

struct ImageBuffer;

// Our own reader of uncompressed Windows bitmaps: 1, 4 and 8 bits per pixel through a palette, and
// 24 bits. Rows are stored bottom-up (a negative height means top-down) and padded to 4 bytes.
class CBmpReader final {
public:
    // Reads `path` (UTF-8) into `out`, one frame. On failure `out` is left as it was and `error`
    // holds the reader's message, one of:
    //   "Can't open file for reading :\n<path>", "Not a valid BMP File", "Read Error!" (headers or
    //   palette cut short), "This is a compressed file.", "Out of memory" (the picture is larger
    //   than kMaxImagePixels), "Read Error" (pixel rows cut short).
    static bool read(const std::string& path, ImageBuffer& out, std::string& error);
};
