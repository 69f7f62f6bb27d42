// Where the button and bar go, how the bar is shaded, and how the page's
// parameters are read.
#include "plugin/area_layout.h"
#include "plugin/page_params.h"

#include <gtest/gtest.h>

#include <climits>

namespace kestrum {
namespace {

TEST(AreaLayout, DefaultButtonStraddlesTheMiddleWithTheBarOnItsWiderSide) {
    const Layout l = layoutArea(Rect{0, 0, 200, 30}, Geometry{});
    EXPECT_EQ(l.button, (Rect{5, 5, 65, 25}));
    EXPECT_EQ(l.bar, (Rect{70, 5, 195, 25}));

    // A button on the right: the bar goes to its left.
    Geometry g;
    g.btnLeft = 130;
    const Layout right = layoutArea(Rect{0, 0, 200, 30}, g);
    EXPECT_EQ(right.button, (Rect{130, 5, 190, 25}));
    EXPECT_EQ(right.bar, (Rect{5, 5, 125, 25}));
}

TEST(AreaLayout, ButtonAboveOrBelowTheMiddleLeavesTheOtherHalf) {
    Geometry g;
    g.btnTop = 2;
    g.btnHeight = 20;
    const Layout above = layoutArea(Rect{0, 0, 200, 100}, g);
    EXPECT_EQ(above.button, (Rect{5, 2, 65, 22}));
    EXPECT_EQ(above.bar, (Rect{5, 55, 195, 95}));

    g.btnTop = 70;
    const Layout below = layoutArea(Rect{0, 0, 200, 100}, g);
    EXPECT_EQ(below.bar, (Rect{5, 5, 195, 45}));

    // Given bar edges win; a negative size falls back to the automatic one.
    g = Geometry{};
    g.barLeft = 80;
    g.barTop = 3;
    g.barWidth = 50;
    g.barHeight = -4;
    EXPECT_EQ(layoutArea(Rect{0, 0, 200, 30}, g).bar, (Rect{80, 3, 130, 25}));
}

TEST(AreaLayout, TinyAreasTakeTheGivenOrDefaultSize) {
    const Layout tiny = layoutArea(Rect{0, 0, 3, 3}, Geometry{});
    EXPECT_EQ(tiny.area, (Rect{0, 0, 50, 5}));
    // The button fills the strip; the bar computed for it has its top below
    // its bottom and is not drawn.
    EXPECT_EQ(tiny.button, (Rect{5, 4, 50, 5}));
    EXPECT_TRUE(barIsEmpty(tiny.bar)) << tiny.bar.top << " " << tiny.bar.bottom;
    EXPECT_TRUE(barSegments(tiny.bar).empty());

    Geometry g;
    g.width = 300;
    g.height = 40;
    EXPECT_EQ(layoutArea(Rect{0, 0, 300, 2}, g).area, (Rect{0, 0, 300, 40}));
    // Extreme values stay inside the area.
    g.btnLeft = INT_MAX;
    g.btnWidth = INT_MAX;
    const Layout far = layoutArea(Rect{0, 0, 300, 40}, g);
    EXPECT_EQ(far.button.left, 299);
    EXPECT_EQ(far.button.right, 300);
}

TEST(AreaLayout, BarSegmentsAndTheirShades) {
    const Rect bar{70, 5, 195, 25};
    const std::vector<Rect> s = barSegments(bar);
    // Width 125: segments of (125 + 7) / 10 = 13 inside the 1-pixel frame.
    ASSERT_EQ(s.size(), 10u);
    EXPECT_EQ(s.front(), (Rect{71, 6, 84, 24}));
    EXPECT_EQ(s.back(), (Rect{188, 6, 194, 24}));  // cut at the frame
    for (std::size_t i = 1; i < s.size(); ++i) {
        EXPECT_EQ(s[i].left, s[i - 1].right);
    }
    // A bar too narrow for a tenth still ends.
    EXPECT_EQ(barSegments(Rect{0, 0, 3, 5}).size(), 1u);
    EXPECT_TRUE(barIsEmpty(Rect{10, 5, 10, 25}));
    EXPECT_TRUE(barIsEmpty(Rect{10, 25, 50, 25}));

    EXPECT_EQ(segmentShade(-1, 0), 0);
    EXPECT_EQ(segmentShade(-1, 7), 0);
    EXPECT_EQ(segmentShade(0, 0), 9);
    EXPECT_EQ(segmentShade(0, 1), 0);
    EXPECT_EQ(segmentShade(1, 0), 8);
    EXPECT_EQ(segmentShade(1, 1), 9);  // the pattern moves one segment per tick
    EXPECT_EQ(shadeColour(0).red, 255);
    EXPECT_EQ(shadeColour(9).red, 0);
    EXPECT_EQ(shadeColour(9).blue, 255);
    EXPECT_EQ(shadeColour(3).green, 170);
}

TEST(PageParams, NamesIgnoreCaseAndTheFirstCounts) {
    const char* names[] = {"TOURL", "btnLabel", "BTNLABEL", nullptr};
    const char* values[] = {"http://x", "Send", "Other", nullptr};
    EXPECT_STREQ(findParam(names, values, 3, "tourl"), "http://x");
    EXPECT_STREQ(findParam(names, values, 3, "BTNLABEL"), "Send");
    EXPECT_EQ(findParam(names, values, 3, "WIDTH"), nullptr);
    EXPECT_EQ(findParam(names, values, 3, "TOURLX"), nullptr);

    EXPECT_EQ(readNumber("  +12px"), 12);
    EXPECT_EQ(readNumber("\t-7"), -7);
    EXPECT_EQ(readNumber("abc"), 0);
    EXPECT_EQ(readNumber(""), 0);
    EXPECT_EQ(readNumber("- 5"), 0);
    EXPECT_EQ(readNumber("99999999999999999999"), INT_MAX);
    EXPECT_EQ(readNumber("-99999999999999999999"), INT_MIN);
}

}  // namespace
}  // namespace kestrum
