#include "designer/SheetSize.h"

const std::vector<SheetSize>& SheetSize::Standard() {
    // Mexican "oficio" is 21.6 × 34 cm, not the 14-inch US legal sheet.
    static const std::vector<SheetSize> sizes = {
        {"Carta", 2159, 2794},
        {"Oficio", 2159, 3400},
        {"A4", 2100, 2970},
        {"Media carta", 1397, 2159},
    };
    return sizes;
}

SheetSize SheetSize::Named(const std::string& name) {
    for (const SheetSize& s : Standard())
        if (s.name == name)
            return s;
    return Standard().front();
}
