#include "designer/DesignFormat.h"

#include <algorithm>
#include <cstdlib>

std::int32_t CDesignFormat::DerivedCaben(const CWindowsFormat& format) {
    if (format.Pitch <= 0)
        return 1;
    const std::int64_t span = std::llabs(std::int64_t{format.DetailBottom} - format.DetailTop);
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(span / format.Pitch, 1, 10'000));
}
