#pragma once

#include <cstdint>
#include <utility>

// A rectangle of a print format in 0.1 mm, y upwards from the top edge of the sheet (so y ≤ 0 on
// the sheet). Corners may come in either order; drawing normalises them.
struct FormatRect final {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;

    friend bool operator==(const FormatRect&, const FormatRect&) = default;

    // The same rectangle with left ≤ right and top ≤ bottom.
    FormatRect normalised() const {
        FormatRect r = *this;
        if (r.left > r.right)
            std::swap(r.left, r.right);
        if (r.top > r.bottom)
            std::swap(r.top, r.bottom);
        return r;
    }
};
