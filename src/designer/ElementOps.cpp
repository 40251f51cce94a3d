#include "designer/ElementOps.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace ElementOps {

namespace {

bool valid(const CWindowsFormat& format, std::size_t i) { return i < format.Elements.size(); }

ElementBox boxOf(const CWindowsFormat& format, std::size_t i) {
    return ElementBox::Of(format.Elements[i].Position);
}

void store(CWindowsFormat& format, std::size_t i, const ElementBox& box) {
    box.StoreIn(format.Elements[i].Position);
}

// How far `box` may move by `d` along one axis within [low, high].
std::int32_t held(std::int32_t d, std::int32_t boxLow, std::int32_t boxHigh, std::int32_t low, std::int32_t high) {
    if (boxHigh - boxLow > high - low)
        return low - boxLow;
    return std::clamp(d, low - boxLow, high - boxHigh);
}

} // namespace

ElementBox Bounds(const CWindowsFormat& format, const Selection& selection) {
    ElementBox bounds{std::numeric_limits<std::int32_t>::max(), std::numeric_limits<std::int32_t>::min(),
                      std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()};
    bool any = false;
    for (std::size_t i : selection) {
        if (!valid(format, i))
            continue;
        const ElementBox b = boxOf(format, i);
        bounds.left = std::min(bounds.left, b.left);
        bounds.right = std::max(bounds.right, b.right);
        bounds.upper = std::max(bounds.upper, b.upper);
        bounds.lower = std::min(bounds.lower, b.lower);
        any = true;
    }
    return any ? bounds : ElementBox{};
}

ElementBox Clamped(ElementBox box, const SheetSize& sheet) {
    box.right = std::min(box.right, box.left + sheet.width);
    box.lower = std::max(box.lower, box.upper - sheet.height);
    const std::int32_t dx = held(0, box.left, box.right, 0, sheet.width);
    const std::int32_t dy = held(0, box.lower, box.upper, -sheet.height, 0);
    return {box.left + dx, box.upper + dy, box.right + dx, box.lower + dy};
}

std::int32_t Snap(std::int32_t value, std::int32_t grid) {
    if (grid <= 0)
        return value;
    const std::int64_t v = value;
    const std::int64_t half = grid / 2;
    const std::int64_t snapped = (v >= 0 ? (v + half) / grid : -((-v + half) / grid)) * grid;
    return static_cast<std::int32_t>(snapped);
}

Offset Move(CWindowsFormat& format, const Selection& selection, std::int32_t dx, std::int32_t dy,
            const SheetSize& sheet) {
    const ElementBox bounds = Bounds(format, selection);
    Offset moved;
    moved.dx = held(dx, bounds.left, bounds.right, 0, sheet.width);
    moved.dy = held(dy, bounds.lower, bounds.upper, -sheet.height, 0);
    for (std::size_t i : selection) {
        if (!valid(format, i))
            continue;
        FormatRect& r = format.Elements[i].Position;
        r.left += moved.dx;
        r.right += moved.dx;
        r.top += moved.dy;
        r.bottom += moved.dy;
    }
    return moved;
}

void SetBox(CRenglonFormato& element, const ElementBox& box, const SheetSize& sheet) {
    ElementBox b = box;
    if (b.left > b.right)
        std::swap(b.left, b.right);
    if (b.lower > b.upper)
        std::swap(b.lower, b.upper);
    Clamped(b, sheet).StoreIn(element.Position);
}

void Align(CWindowsFormat& format, const Selection& selection, Edge edge, const SheetSize& sheet) {
    if (selection.empty() || !valid(format, selection.front()))
        return;
    const ElementBox ref = boxOf(format, selection.front());
    for (std::size_t i : selection) {
        if (!valid(format, i))
            continue;
        ElementBox b = boxOf(format, i);
        std::int32_t dx = 0, dy = 0;
        switch (edge) {
        case Edge::Left: dx = ref.left - b.left; break;
        case Edge::Right: dx = ref.right - b.right; break;
        case Edge::Top: dy = ref.upper - b.upper; break;
        case Edge::Bottom: dy = ref.lower - b.lower; break;
        case Edge::CentreX: dx = (ref.left + ref.right) / 2 - (b.left + b.right) / 2; break;
        case Edge::CentreY: dy = (ref.upper + ref.lower) / 2 - (b.upper + b.lower) / 2; break;
        }
        b = {b.left + dx, b.upper + dy, b.right + dx, b.lower + dy};
        store(format, i, Clamped(b, sheet));
    }
}

void SameWidth(CWindowsFormat& format, const Selection& selection, const SheetSize& sheet) {
    if (selection.empty() || !valid(format, selection.front()))
        return;
    const std::int32_t width = boxOf(format, selection.front()).width();
    for (std::size_t i : selection) {
        if (!valid(format, i))
            continue;
        ElementBox b = boxOf(format, i);
        b.right = b.left + width;
        SetBox(format.Elements[i], b, sheet);
    }
}

void SameHeight(CWindowsFormat& format, const Selection& selection, const SheetSize& sheet) {
    if (selection.empty() || !valid(format, selection.front()))
        return;
    const std::int32_t height = boxOf(format, selection.front()).height();
    for (std::size_t i : selection) {
        if (!valid(format, i))
            continue;
        ElementBox b = boxOf(format, i);
        b.lower = b.upper - height;
        SetBox(format.Elements[i], b, sheet);
    }
}

void Distribute(CWindowsFormat& format, const Selection& selection, bool horizontal) {
    Selection items;
    for (std::size_t i : selection)
        if (valid(format, i) && std::find(items.begin(), items.end(), i) == items.end())
            items.push_back(i);
    if (items.size() < 3)
        return;
    // Across: by left edge, left to right; down: by upper edge, top to bottom.
    std::stable_sort(items.begin(), items.end(), [&](std::size_t a, std::size_t b) {
        const ElementBox ba = boxOf(format, a), bb = boxOf(format, b);
        return horizontal ? ba.left < bb.left : ba.upper > bb.upper;
    });
    const ElementBox first = boxOf(format, items.front());
    const ElementBox last = boxOf(format, items.back());
    std::int64_t sizes = 0;
    for (std::size_t i : items)
        sizes += horizontal ? boxOf(format, i).width() : boxOf(format, i).height();
    const std::int64_t span = horizontal ? std::int64_t{last.right} - first.left : std::int64_t{first.upper} - last.lower;
    const double gap = static_cast<double>(span - sizes) / static_cast<double>(items.size() - 1);
    double cursor = horizontal ? first.left : first.upper;
    for (std::size_t k = 0; k < items.size(); ++k) {
        ElementBox b = boxOf(format, items[k]);
        if (k > 0 && k + 1 < items.size()) {
            const auto at = static_cast<std::int32_t>(std::lround(cursor));
            if (horizontal) {
                const std::int32_t w = b.width();
                b.left = at;
                b.right = at + w;
            } else {
                const std::int32_t h = b.height();
                b.upper = at;
                b.lower = at - h;
            }
            store(format, items[k], b);
        }
        cursor += horizontal ? b.width() + gap : -(b.height() + gap);
    }
}

Selection Insert(CWindowsFormat& format, const std::vector<CRenglonFormato>& elements, std::int32_t dx,
                 std::int32_t dy, const SheetSize& sheet) {
    Selection added;
    for (const CRenglonFormato& element : elements) {
        CRenglonFormato copy = element;
        ElementBox b = ElementBox::Of(copy.Position);
        b = {b.left + dx, b.upper + dy, b.right + dx, b.lower + dy};
        Clamped(b, sheet).StoreIn(copy.Position);
        added.push_back(format.Elements.size());
        format.Elements.push_back(std::move(copy));
    }
    return added;
}

void Remove(CWindowsFormat& format, Selection selection) {
    std::sort(selection.begin(), selection.end());
    selection.erase(std::unique(selection.begin(), selection.end()), selection.end());
    for (auto it = selection.rbegin(); it != selection.rend(); ++it)
        if (valid(format, *it))
            format.Elements.erase(format.Elements.begin() + static_cast<std::ptrdiff_t>(*it));
}

} // namespace ElementOps
