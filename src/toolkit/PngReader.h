#pragma once

#include <string>

struct ImageBuffer;

// PNG pictures through libpng: every colour type and depth, interlaced or not, with their
// transparency (premultiplied, as ImageBuffer holds it).
class CPngReader final {
public:
    // Reads `path` (UTF-8) into `out`, one frame. On failure `out` is left as it was and `error`
    // holds "PNG :\n" and libpng's reason ("Can't open <path>" when the file cannot be opened,
    // "Out of memory" for a picture over kMaxImagePixels).
    static bool read(const std::string& path, ImageBuffer& out, std::string& error);
};
