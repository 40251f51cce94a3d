#pragma once

#include <cstdint>

// A rectangle of a print format in 0.1 mm, y upwards from the top edge of the sheet (so y ≤ 0 on
// the sheet). Corners may come in either order; drawing normalises them.
struct FormatRect final {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;

    friend bool operator==(const FormatRect&, const FormatRect&) = default;
};
