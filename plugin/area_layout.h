// Where the button and the progress bar go in the plug-in's area, and how
// the bar is painted: pure arithmetic, kept apart from the X drawing so it
// can be checked on its own.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace kestrum {

// Edges as the area's coordinates; right and bottom are exclusive.
struct Rect {
    std::int64_t left = 0, top = 0, right = 0, bottom = 0;
    bool operator==(const Rect&) const = default;
};

// The page's geometry parameters; nullopt when the page does not give one.
struct Geometry {
    std::optional<std::int32_t> width, height;
    std::optional<std::int32_t> btnLeft, btnTop, btnWidth, btnHeight;
    std::optional<std::int32_t> barLeft, barTop, barWidth, barHeight;
};

struct Layout {
    Rect area;
    Rect button;
    Rect bar;
};

// Lays out an area whose client rectangle is `client`: an area smaller than
// 5 by 5 takes WIDTH by HEIGHT (50 by 5) instead. The bar goes beside a
// button that straddles the middle line, on its wider side, or into the
// other half when the button lies above or below the middle.
Layout layoutArea(const Rect& client, const Geometry& geometry);

// A bar with no width or no height is not drawn.
bool barIsEmpty(const Rect& bar);

// The bar's inside, cut into segments of a tenth of its width (rounded up
// from seven tenths), the last one cut at the frame.
std::vector<Rect> barSegments(const Rect& bar);

// Shade 0 (white) to 9 (blue) of segment `index` at progress counter
// `counter`: all white before an upload (counter < 0), then a pattern that
// moves one segment per tick.
int segmentShade(int counter, int index);

struct Rgb {
    int red, green, blue;
};
Rgb shadeColour(int shade);

}  // namespace kestrum
