#pragma once

#include <string>

struct ImageBuffer;

// GIF pictures through giflib, still or animated.
class CGifReader final {
public:
    // Reads `path` (UTF-8) into `out`: every image of the file becomes one frame of the logical
    // screen's size, composed as a viewer shows it (transparent index, disposal methods,
    // interlacing), the frames stacked top to bottom with their delays. Pixels no image covers are
    // transparent (0). Failure is quiet: `out` is left as it was and `error` is empty. A missing
    // trailer after at least one whole image is tolerated.
    static bool read(const std::string& path, ImageBuffer& out, std::string& error);
};
