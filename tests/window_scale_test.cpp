// The scaled screen in a window of any size: factor and placement, window positions
// mapped back to screen pixels, the start factor, and the pointer's border rule.
#include "runtime/window_scale.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

namespace zell {
namespace {

constexpr int kW = 648, kH = 702;

struct Placement {
    int window_w, window_h;
    int factor;
    Point origin;
};

TEST(WindowScale, TakesTheLargestWholeFactorThatFitsAndCentresIt) {
    const std::vector<Placement> cases = {
        {648, 702, 1, {0, 0}},      // the window's own size
        {700, 800, 1, {26, 49}},    // factor 1 with a border all round
        {1295, 1403, 1, {323, 350}},  // one pixel short of twice, in both directions
        {1296, 1404, 2, {0, 0}},    // exactly twice
        {1400, 1500, 2, {52, 48}},
        {2000, 1404, 2, {352, 0}},  // wide: the width is not what limits
        {1296, 3000, 2, {0, 798}},  // tall
        {1944, 2106, 3, {0, 0}},
        {2100, 2200, 3, {78, 47}},
        {3840, 2160, 3, {948, 27}},  // a 4K full screen
        {649, 703, 1, {0, 0}},      // an odd spare pixel goes to the right and bottom border
    };
    for (const Placement& c : cases) {
        const WindowScale v = WindowScale::fit(c.window_w, c.window_h, kW, kH);
        SCOPED_TRACE(testing::Message() << c.window_w << "x" << c.window_h);
        EXPECT_EQ(v.factor(), c.factor);
        EXPECT_EQ(v.origin(), c.origin);
        EXPECT_EQ(v.width(), kW * c.factor);
        EXPECT_EQ(v.height(), kH * c.factor);
        // The scaled image lies inside the window with borders that differ by at most one pixel.
        const int right = c.window_w - v.origin().x - v.width(), bottom = c.window_h - v.origin().y - v.height();
        EXPECT_TRUE(right == v.origin().x || right == v.origin().x + 1) << right;
        EXPECT_TRUE(bottom == v.origin().y || bottom == v.origin().y + 1) << bottom;
    }
}

TEST(WindowScale, ASmallerWindowShowsTheTopLeftOneToOne) {
    for (auto [w, h, origin] : {std::tuple{320, 200, Point{0, 0}}, std::tuple{320, 800, Point{0, 49}},
                                std::tuple{900, 500, Point{126, 0}}, std::tuple{0, 0, Point{0, 0}}}) {
        const WindowScale v = WindowScale::fit(w, h, kW, kH);
        EXPECT_EQ(v.factor(), 1) << w << "x" << h;
        EXPECT_EQ(v.origin(), origin) << w << "x" << h;
    }
    // Pixels past the window's edge are part of the screen still (a drag may leave the window).
    const WindowScale v = WindowScale::fit(320, 200, kW, kH);
    EXPECT_EQ(v.to_screen({319, 199}), (Point{319, 199}));
    EXPECT_EQ(v.to_screen({400, 650}), (Point{400, 650}));
    EXPECT_EQ(v.to_screen({648, 0}), std::nullopt);
}

// Every window pixel over the scaled image maps to the screen pixel whose square it is
// part of, each screen pixel owns exactly factor x factor window pixels, and every
// window pixel on the border maps to nothing.
void expect_exact_mapping(int window_w, int window_h, int factor) {
    const WindowScale v = WindowScale::fit(window_w, window_h, kW, kH);
    ASSERT_EQ(v.factor(), factor);
    std::vector<int> owned(size_t(kW) * kH, 0);
    int border = 0;
    for (int y = 0; y < window_h; ++y) {
        for (int x = 0; x < window_w; ++x) {
            const std::optional<Point> s = v.to_screen({x, y});
            const bool over_image = x >= v.origin().x && x < v.origin().x + v.width() && y >= v.origin().y &&
                                    y < v.origin().y + v.height();
            ASSERT_EQ(s.has_value(), over_image) << x << "," << y;
            if (!s) {
                ++border;
                continue;
            }
            ASSERT_TRUE(s->x >= 0 && s->x < kW && s->y >= 0 && s->y < kH);
            ASSERT_EQ(s->x, (x - v.origin().x) / factor);
            ASSERT_EQ(s->y, (y - v.origin().y) / factor);
            ++owned[size_t(s->y) * kW + s->x];
        }
    }
    for (int n : owned) ASSERT_EQ(n, factor * factor);
    EXPECT_EQ(border, window_w * window_h - kW * kH * factor * factor);
}

TEST(WindowScale, MapsEveryWindowPixelAtFactorsOneTwoAndThreeWithBorders) {
    expect_exact_mapping(700, 800, 1);
    expect_exact_mapping(1400, 1500, 2);
    expect_exact_mapping(2100, 2200, 3);
}

TEST(WindowScale, MapsTheCornersAndTheFirstPixelsOfTheBorder) {
    // Factor 1, origin (26, 49).
    const WindowScale one = WindowScale::fit(700, 800, kW, kH);
    EXPECT_EQ(one.to_screen({26, 49}), (Point{0, 0}));
    EXPECT_EQ(one.to_screen({673, 750}), (Point{647, 701}));
    EXPECT_EQ(one.to_screen({25, 49}), std::nullopt);
    EXPECT_EQ(one.to_screen({26, 48}), std::nullopt);
    EXPECT_EQ(one.to_screen({674, 750}), std::nullopt);
    EXPECT_EQ(one.to_screen({673, 751}), std::nullopt);

    // Factor 2, origin (52, 48): window pixels 52 and 53 are both screen column 0.
    const WindowScale two = WindowScale::fit(1400, 1500, kW, kH);
    EXPECT_EQ(two.to_screen({52, 48}), (Point{0, 0}));
    EXPECT_EQ(two.to_screen({53, 49}), (Point{0, 0}));
    EXPECT_EQ(two.to_screen({54, 48}), (Point{1, 0}));
    EXPECT_EQ(two.to_screen({52 + 200, 48 + 401}), (Point{100, 200}));
    EXPECT_EQ(two.to_screen({52 + 1295, 48 + 1403}), (Point{647, 701}));
    EXPECT_EQ(two.to_screen({51, 48}), std::nullopt);
    EXPECT_EQ(two.to_screen({52, 47}), std::nullopt);
    EXPECT_EQ(two.to_screen({52 + 1296, 48}), std::nullopt);
    EXPECT_EQ(two.to_screen({52, 48 + 1404}), std::nullopt);
    EXPECT_EQ(two.to_screen({-1, -1}), std::nullopt);

    // Factor 3, origin (78, 47).
    const WindowScale three = WindowScale::fit(2100, 2200, kW, kH);
    EXPECT_EQ(three.to_screen({78, 47}), (Point{0, 0}));
    EXPECT_EQ(three.to_screen({80, 49}), (Point{0, 0}));
    EXPECT_EQ(three.to_screen({81, 50}), (Point{1, 1}));
    EXPECT_EQ(three.to_screen({78 + 1943, 47 + 2105}), (Point{647, 701}));
    EXPECT_EQ(three.to_screen({77, 100}), std::nullopt);
    EXPECT_EQ(three.to_screen({78 + 1944, 100}), std::nullopt);
}

TEST(WindowScale, ClampsBorderAndOutsidePositionsToTheScreensEdge) {
    const WindowScale two = WindowScale::fit(1400, 1500, kW, kH);
    EXPECT_EQ(two.to_screen_clamped({0, 0}), (Point{0, 0}));
    EXPECT_EQ(two.to_screen_clamped({-300, 700}), (Point{0, (700 - 48) / 2}));
    EXPECT_EQ(two.to_screen_clamped({1399, 1499}), (Point{647, 701}));
    EXPECT_EQ(two.to_screen_clamped({5000, -20}), (Point{647, 0}));
    // Inside the image, clamping changes nothing.
    for (Point p : {Point{52, 48}, Point{53, 49}, Point{700, 700}, Point{52 + 1295, 48 + 1403}})
        EXPECT_EQ(two.to_screen_clamped(p), two.to_screen(p));
    // The unscaled window as well.
    const WindowScale one = WindowScale::fit(kW, kH, kW, kH);
    EXPECT_EQ(one.to_screen_clamped({-5, 710}), (Point{0, 701}));
    EXPECT_EQ(one.to_screen_clamped({100, 200}), (Point{100, 200}));
}

TEST(InitialFactor, FollowsTheDisplayDensityWithinTheDesktop) {
    struct Case {
        int desktop_w, desktop_h;
        float dpi;
        int factor;
    };
    const std::vector<Case> cases = {
        {1920, 1080, 96.0f, 1},   // an ordinary display
        {2560, 1440, 109.0f, 1},  // a large desktop at ordinary density
        {1920, 1200, 120.0f, 1},  // a little dense: rounds down
        {1600, 1500, 144.0f, 2},  // one and a half times: rounds up
        {3840, 2160, 192.0f, 2},
        {3840, 2160, 288.0f, 3},
        {5120, 2880, 480.0f, 4},
        {3840, 2160, 480.0f, 3},  // dense, but four times does not fit
        {2560, 1400, 192.0f, 1},  // twice does not fit the usable height
        {1296, 1404, 192.0f, 2},  // twice just fits
        {640, 480, 192.0f, 1},    // even factor 1 does not fit: still 1
        // Without a reported density: estimated from the desktop height.
        {1920, 1080, 0.0f, 1},
        {2560, 1600, 0.0f, 1},
        {3200, 1800, 0.0f, 2},
        {3840, 2160, 0.0f, 2},
        {7680, 4320, -1.0f, 4},
    };
    for (const Case& c : cases)
        EXPECT_EQ(initial_factor(c.desktop_w, c.desktop_h, c.dpi, kW, kH), c.factor)
            << c.desktop_w << "x" << c.desktop_h << " at " << c.dpi << " dpi";
}

TEST(PointerFilter, APressOnTheBorderAndItsReleaseAreNotDelivered) {
    const WindowScale v = WindowScale::fit(1400, 1500, kW, kH);  // factor 2, origin (52, 48)
    PointerFilter f;
    EXPECT_EQ(f.press(v, MouseButton::Left, {10, 10}), std::nullopt);
    // While it is held, the program sees the pointer move but not the button.
    const PointerFilter::Move m = f.move(v, {252, 448}, 1);
    EXPECT_EQ(m.at, (Point{100, 200}));
    EXPECT_EQ(m.buttons, 0u);
    // Released over the image: still the release of a press the program never saw.
    EXPECT_EQ(f.release(v, MouseButton::Left, {252, 448}), std::nullopt);

    // The next press over the image is delivered, and so is its release on the border, clamped.
    EXPECT_EQ(f.press(v, MouseButton::Left, {252, 448}), (Point{100, 200}));
    EXPECT_EQ(f.move(v, {1399, 700}, 1).buttons, 1u);
    EXPECT_EQ(f.move(v, {1399, 700}, 1).at, (Point{647, 326}));
    EXPECT_EQ(f.release(v, MouseButton::Left, {1399, 700}), (Point{647, 326}));
}

TEST(PointerFilter, ButtonsAreFilteredEachOnItsOwn) {
    const WindowScale v = WindowScale::fit(1400, 1500, kW, kH);
    PointerFilter f;
    EXPECT_EQ(f.press(v, MouseButton::Right, {1390, 60}), std::nullopt);
    EXPECT_EQ(f.press(v, MouseButton::Left, {60, 60}), (Point{4, 6}));
    EXPECT_EQ(f.move(v, {70, 70}, 3).buttons, 1u);
    EXPECT_EQ(f.release(v, MouseButton::Right, {70, 70}), std::nullopt);
    EXPECT_EQ(f.move(v, {70, 70}, 1).buttons, 1u);
    EXPECT_EQ(f.release(v, MouseButton::Left, {70, 70}), (Point{9, 11}));
    // A right press over the image after all that is delivered again.
    EXPECT_EQ(f.press(v, MouseButton::Right, {70, 70}), (Point{9, 11}));
    EXPECT_EQ(f.move(v, {70, 70}, 2).buttons, 2u);
}

TEST(PointerFilter, MovesOverTheBorderAreClampedToTheEdge) {
    const WindowScale v = WindowScale::fit(1400, 1500, kW, kH);
    const PointerFilter f;
    EXPECT_EQ(f.move(v, {0, 0}, 0).at, (Point{0, 0}));
    EXPECT_EQ(f.move(v, {1399, 1499}, 0).at, (Point{647, 701}));
    EXPECT_EQ(f.move(v, {700, 10}, 0).at, (Point{324, 0}));
    EXPECT_EQ(f.move(v, {700, 10}, 2).buttons, 2u);
}

}  // namespace
}  // namespace zell
