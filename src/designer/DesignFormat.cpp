#include "designer/DesignFormat.h"

#include <algorithm>
#include <cstdlib>

std::int32_t CDesignFormat::DerivedCaben(const CWindowsFormat& format) {
    if (format.Pitch <= 0)
        return 1;
    const std::int64_t span = std::llabs(std::int64_t{format.DetailBottom} - format.DetailTop);
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(span / format.Pitch, 1, 10'000));
}

bool CDesignFormat::SameDesign(const CDesignFormat& other) const {
    const bool sameBackground = Background == other.Background ||
                                (Background && other.Background && *Background == *other.Background);
    return sameBackground && Observaciones == other.Observaciones && CabenByHand == other.CabenByHand &&
           Sheet == other.Sheet && Format == other.Format;
}

void CDesignFormat::TakeDesign(const CDesignFormat& other) {
    Observaciones = other.Observaciones;
    CabenByHand = other.CabenByHand;
    Format = other.Format;
    Sheet = other.Sheet;
    Background = other.Background;
}
