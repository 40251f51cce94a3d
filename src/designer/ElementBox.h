#pragma once

#include "printing/FormatRect.h"

#include <cstdint>

// An element's rectangle as the designer handles it: in 0.1 mm, y upwards, with upper ≥ lower
// and left ≤ right whatever order the stream stored the corners in.
struct ElementBox final {
    std::int32_t left = 0;
    std::int32_t upper = 0;
    std::int32_t right = 0;
    std::int32_t lower = 0;

    std::int32_t width() const { return right - left; }
    std::int32_t height() const { return upper - lower; }

    static ElementBox Of(const FormatRect& r);
    // Writes the box back into `r` keeping the corner order `r` had, so that an element moved
    // and moved back is stored as it was.
    void StoreIn(FormatRect& r) const;

    friend bool operator==(const ElementBox&, const ElementBox&) = default;
};
