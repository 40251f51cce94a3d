#include "designer/ElementBox.h"

#include <algorithm>

ElementBox ElementBox::Of(const FormatRect& r) {
    return {std::min(r.left, r.right), std::max(r.top, r.bottom), std::max(r.left, r.right),
            std::min(r.top, r.bottom)};
}

void ElementBox::StoreIn(FormatRect& r) const {
    if (r.left <= r.right) {
        r.left = left;
        r.right = right;
    } else {
        r.left = right;
        r.right = left;
    }
    if (r.top >= r.bottom) {
        r.top = upper;
        r.bottom = lower;
    } else {
        r.top = lower;
        r.bottom = upper;
    }
}
