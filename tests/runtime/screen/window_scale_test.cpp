// The scaled screen in a window of any size: factor and placement, window positions
// mapped back to screen pixels, the start factor, and the pointer's border rule.
#include "runtime/screen/window_scale.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>
#include <vector>

namespace zell {
namespace {

constexpr int kW = 648, kH = 702;

TEST(WindowScale, TakesTheLargestWholeFactorThatFitsAndCentresIt) {
    // clang-format off
    const std::tuple<int, int, int, Point> cases[] = {
        {648, 702, 1, {0, 0}}, {700, 800, 1, {26, 49}},
        {1295, 1403, 1, {323, 350}},  // one pixel short of twice
        {1296, 1404, 2, {0, 0}}, {1400, 1500, 2, {52, 48}}, {2000, 1404, 2, {352, 0}}, {1296, 3000, 2, {0, 798}},
        {2100, 2200, 3, {78, 47}}, {3840, 2160, 3, {948, 27}},
        {649, 703, 1, {0, 0}},  // an odd spare pixel goes to the right and bottom border
        // Smaller than the image: the top-left 1:1, centred only in a direction with room.
        {320, 200, 1, {0, 0}}, {320, 800, 1, {0, 49}}, {900, 500, 1, {126, 0}}, {0, 0, 1, {0, 0}},
    };
    // clang-format on
    for (const auto& [w, h, factor, origin] : cases) {
        const WindowScale v = WindowScale::fit(w, h, kW, kH);
        EXPECT_EQ((std::array{v.factor(), v.origin().x, v.origin().y, v.width(), v.height()}),
                  (std::array{factor, origin.x, origin.y, kW * factor, kH * factor}))
            << w << "x" << h;
    }
    // Pixels past a small window's edge are part of the screen still (a drag may leave the window).
    const WindowScale small = WindowScale::fit(320, 200, kW, kH);
    EXPECT_EQ(small.to_screen({400, 650}), (Point{400, 650}));
    EXPECT_EQ(small.to_screen({648, 0}), std::nullopt);
}

// Every window pixel over the scaled image maps to the screen pixel whose square it is part
// of, each screen pixel owns exactly factor x factor window pixels, and the border maps to nothing.
TEST(WindowScale, MapsEveryWindowPixelAtFactorsOneTwoAndThreeWithBorders) {
    for (auto [window_w, window_h, factor] : {std::array{700, 800, 1}, {1400, 1500, 2}, {2100, 2200, 3}}) {
        SCOPED_TRACE(::testing::Message() << "factor " << factor);
        const WindowScale v = WindowScale::fit(window_w, window_h, kW, kH);
        ASSERT_EQ(v.factor(), factor);
        const Point o = v.origin();
        std::vector<int> owned(size_t(kW) * kH, 0);
        for (int y = -1; y <= window_h; ++y)
            for (int x = -1; x <= window_w; ++x) {
                const std::optional<Point> s = v.to_screen({x, y});
                const bool over = x >= o.x && x < o.x + v.width() && y >= o.y && y < o.y + v.height();
                ASSERT_EQ(s.has_value(), over) << x << "," << y;
                if (!s) continue;
                ASSERT_EQ(*s, (Point{(x - o.x) / factor, (y - o.y) / factor})) << x << "," << y;
                ++owned[size_t(s->y) * kW + size_t(s->x)];
            }
        for (int n : owned) ASSERT_EQ(n, factor * factor);
    }
}

// Sharp scaling fills the limiting side keeping the aspect; window pixels map to runs of screen pixels.
TEST(WindowScale, SharpFillsTheDisplayAndMapsEveryWindowPixelAtAnySize) {
    struct Case {
        int window_w, window_h, width, height, factor;
        Point origin;
        bool whole = false;
    };
    const std::vector<Case> cases = {
        {1920, 1080, 997, 1080, 2, {461, 0}},  // the common full screen: 1080 rows high
        {3840, 2160, 1994, 2160, 4, {923, 0}},
        {1366, 768, 709, 768, 2, {328, 0}},
        {1000, 1500, 1000, 1083, 2, {0, 208}},      // too narrow: the width limits
        {1296, 1404, 1296, 1404, 2, {0, 0}, true},  // a whole factor: no filtered stage
        {648, 702, 648, 702, 1, {0, 0}, true},
        {800, 600, 554, 600, 1, {123, 0}},  // smaller than the screen: filtered down
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.window_w << "x" << c.window_h);
        const WindowScale v = WindowScale::fit(c.window_w, c.window_h, kW, kH, ScaleMode::Sharp);
        EXPECT_EQ((std::array{v.width(), v.height(), v.factor()}), (std::array{c.width, c.height, c.factor}));
        EXPECT_EQ(v.origin(), c.origin);
        EXPECT_EQ(v.whole(), c.whole);
        const Point o = v.origin();
        EXPECT_EQ(v.to_screen({o.x - 1, o.y}), std::nullopt);
        EXPECT_EQ(v.to_screen({o.x, o.y + v.height()}), std::nullopt);
        // Along each axis: runs of window pixels per screen pixel, in order, all of the same two lengths.
        for (bool across : {true, false}) {
            const int n = across ? v.width() : v.height(), image = across ? kW : kH;
            if (n < image) continue;  // shrunk: some screen pixels show in no window pixel
            std::vector<int> run(size_t(image), 0);
            int last = 0;
            for (int d = 0; d < n; ++d) {
                const Point s = *v.to_screen(across ? Point{o.x + d, o.y} : Point{o.x, o.y + d});
                const int k = across ? s.x : s.y;
                ASSERT_TRUE(k == last || k == last + 1) << d;
                ++run[size_t(k)];
                last = k;
            }
            EXPECT_EQ(last, image - 1);
            const auto [lo, hi] = std::minmax_element(run.begin(), run.end());
            EXPECT_EQ(*lo, n / image);
            EXPECT_LE(*hi, (n + image - 1) / image);
        }
    }
}

TEST(InitialFactor, FollowsTheDisplayDensityWithinTheDesktop) {
    // clang-format off
    const std::tuple<int, int, float, int> cases[] = {
        {1920, 1080, 96.0f, 1}, {2560, 1440, 109.0f, 1},
        {1920, 1200, 120.0f, 1},  // a little dense: rounds down
        {1600, 1500, 144.0f, 2},  // one and a half times: rounds up
        {3840, 2160, 192.0f, 2}, {3840, 2160, 288.0f, 3}, {5120, 2880, 480.0f, 4},
        {3840, 2160, 480.0f, 3},  // dense, but four times does not fit
        {2560, 1400, 192.0f, 1},  // twice does not fit the usable height
        {1296, 1404, 192.0f, 2},  // twice just fits
        {640, 480, 192.0f, 1},    // even factor 1 does not fit: still 1
        // Without a reported density: estimated from the desktop height.
        {1920, 1080, 0.0f, 1}, {2560, 1600, 0.0f, 1}, {3200, 1800, 0.0f, 2}, {3840, 2160, 0.0f, 2},
        {7680, 4320, -1.0f, 4},
    };
    // clang-format on
    for (auto [w, h, dpi, factor] : cases)
        EXPECT_EQ(initial_factor(w, h, dpi, kW, kH), factor) << w << "x" << h << " at " << dpi << " dpi";
}

TEST(PointerFilter, EachButtonPressedOnTheBorderIsHeldBackOnItsOwn) {
    const WindowScale v = WindowScale::fit(1400, 1500, kW, kH);  // factor 2, origin (52, 48)
    PointerFilter f;
    EXPECT_EQ(f.press(v, MouseButton::Right, {1390, 60}), std::nullopt);
    EXPECT_EQ(f.press(v, MouseButton::Left, {60, 60}), (Point{4, 6}));
    EXPECT_EQ(f.move(v, {70, 70}, 3).buttons, 1u);
    EXPECT_EQ(f.release(v, MouseButton::Right, {70, 70}), std::nullopt);
    EXPECT_EQ(f.release(v, MouseButton::Left, {70, 70}), (Point{9, 11}));
    EXPECT_EQ(f.press(v, MouseButton::Right, {70, 70}), (Point{9, 11}));
    EXPECT_EQ(f.move(v, {1399, 10}, 2).buttons, 2u);
    EXPECT_EQ(f.move(v, {1399, 10}, 2).at, (Point{647, 0}));
}

}  // namespace
}  // namespace zell
