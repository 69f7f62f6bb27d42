#include "plugin/area_layout.h"

#include <algorithm>

namespace kestrum {

Layout layoutArea(const Rect& client, const Geometry& g) {
    Layout out;
    Rect a = client;
    if (a.right - a.left < 5 || a.bottom - a.top < 5) {
        a = Rect{0, 0, g.width.value_or(50), g.height.value_or(5)};
    }
    out.area = a;
    const std::int64_t L = a.left, T = a.top, R = a.right, B = a.bottom;

    const std::int64_t h = g.btnHeight ? *g.btnHeight : (B - T) - 10;
    const std::int64_t w = g.btnWidth ? *g.btnWidth : 60;
    std::int64_t x = g.btnLeft ? *g.btnLeft : 5;
    std::int64_t y = g.btnTop ? *g.btnTop : ((B - T) - h) / 2;
    x = std::max(L, std::min(x, R - 1));
    y = std::max(T, std::min(y, B - 1));
    const std::int64_t x2 = std::min(std::max(x + w, x + 1), R);
    const std::int64_t y2 = std::min(std::max(y + h, y + 1), B);
    out.button = Rect{x, y, x2, y2};

    const std::int64_t mid = (T + B) / 2;
    const bool aboveOrBelow = y2 < mid || mid < y;
    Rect& bar = out.bar;
    if (g.barLeft && *g.barLeft >= 0) {
        bar.left = *g.barLeft;
    } else {
        bar.left = aboveOrBelow || R - x2 < x - L ? L + 5 : x2 + 5;
    }
    if (g.barTop && *g.barTop >= 0) {
        bar.top = *g.barTop;
    } else {
        bar.top = y2 < mid ? mid + 5 : mid < y ? T + 5 : y;
    }
    if (g.barWidth && bar.left + *g.barWidth >= bar.left) {
        bar.right = bar.left + *g.barWidth;
    } else {
        bar.right = aboveOrBelow || bar.left >= x ? R - 5 : x - 5;
    }
    if (g.barHeight && bar.top + *g.barHeight >= bar.top) {
        bar.bottom = bar.top + *g.barHeight;
    } else if (y2 < bar.top) {
        bar.bottom = B - 5;
    } else if (mid < y) {
        bar.bottom = mid - 5;
    } else {
        bar.bottom = y2;
    }
    return out;
}

bool barIsEmpty(const Rect& bar) {
    return bar.left >= bar.right || bar.top >= bar.bottom;
}

std::vector<Rect> barSegments(const Rect& bar) {
    std::vector<Rect> out;
    if (barIsEmpty(bar)) {
        return out;
    }
    // A bar a few pixels wide would make segments of no width.
    const std::int64_t s = std::max<std::int64_t>(1, (bar.right - bar.left + 7) / 10);
    const std::int64_t innerRight = bar.right - 1;
    for (std::int64_t x = bar.left + 1; x < innerRight; x += s) {
        out.push_back(Rect{x, bar.top + 1, std::min(x + s, innerRight), bar.bottom - 1});
    }
    return out;
}

int segmentShade(int counter, int index) {
    if (counter < 0) {
        return 0;
    }
    return (9 - counter % 10 + index) % 10;
}

Rgb shadeColour(int shade) {
    const int level = 255 - shade * 255 / 9;
    return Rgb{level, level, 255};
}

}  // namespace kestrum
