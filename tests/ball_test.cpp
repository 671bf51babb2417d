#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

#include "game/game.h"
#include "tests/support/game_field.h"
#include "tests/support/headless_host.h"
#include "tests/support/pixels.h"

namespace zell {
namespace {

using testing::HeadlessHost;
using testing::MouseFeed;
using testing::pixel;
using testing::put;
using testing::rest_all;
using testing::run_on_field;

constexpr auto kLeft = MouseButton::Left;
constexpr auto kRight = MouseButton::Right;

TEST(Placing, TheReleasePointInTheStripIsTheStartMovedInsideAndOtherClicksAreIgnored) {
    struct Case {
        const char* what;
        std::function<void(MouseFeed&)> input;
        float x, y, status;
    };
    const std::vector<Case> cases = {
        {"press and release", [](MouseFeed& f) { f.press(kLeft, 120, 650).release(kLeft, 300, 660); }, 300, 660, 0},
        {"low", [](MouseFeed& f) { f.click(kLeft, 300, 640); }, 300, 646, 0},  // 630 + r
        {"on the line", [](MouseFeed& f) { f.click(kLeft, 300, 630); }, 300, 646, 0},
        {"high", [](MouseFeed& f) { f.click(kLeft, 300, 700); }, 300, 685, 0},
        {"left", [](MouseFeed& f) { f.click(kLeft, 80, 660); }, 94, 660, 0},  // wall 78 + r
        {"right", [](MouseFeed& f) { f.click(kLeft, 522, 660); }, 506, 660, 0},
        {"below the line", [](MouseFeed& f) { f.click(kLeft, 300, 629).click(kLeft, 200, 650); }, 200, 650, 0},
        {"outside the walls",
         [](MouseFeed& f) { f.click(kLeft, 70, 660).click(kLeft, 530, 660).click(kLeft, 400, 670); }, 400, 670, 0},
        {"right button: given up, the point unchanged", [](MouseFeed& f) { f.press(kRight, 300, 660); }, -1, -1, -1},
        {"both buttons: the left wins", [](MouseFeed& f) { f.press_both(250, 660).release(kLeft, 250, 670); }, 250, 670,
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        HeadlessHost h;
        MouseFeed feed(h.backend);
        c.input(feed);
        float x = -1, y = -1, status = 99;
        run_on_field(h, [&](Game& g) { g.place_ball(x, y, status); });
        EXPECT_TRUE(feed.used_up());
        EXPECT_EQ((std::array{x, y, status}), (std::array{c.x, c.y, c.status}));
    }
}

TEST(Velocity, DragsLongerThan200AreCutKeepingTheirDirection) {
    struct Case {
        int x0, y0, x1, y1;
        float vx, vy;
    };
    for (const Case& c : {Case{100, 100, 400, 500, 120, 160},  // length 500
                          Case{300, 100, 300, 700, 0, 200}, Case{100, 300, 301, 300, 200, 0},
                          Case{100, 100, 220, 260, 120, 160},  // length exactly 200: kept
                          Case{300, 300, 250, 290, -50, -10}, Case{300, 300, 300, 300, 0, 0}}) {
        SCOPED_TRACE(::testing::Message() << c.x0 << "," << c.y0 << " to " << c.x1 << "," << c.y1);
        HeadlessHost h;
        MouseFeed feed(h.backend);
        feed.press(kLeft, c.x0, c.y0).release(kLeft, c.x1, c.y1);
        float vx = -1, vy = -1;
        run_on_field(h, [&](Game& g) { g.choose_throw(vx, vy); });
        EXPECT_NEAR(vx, c.vx, 1e-4);
        EXPECT_NEAR(vy, c.vy, 1e-4);
    }
}

// The triangle of level 4 set up as the driver sets a frame, everything at rest.
void set_up_frame(Game& g) {
    g.lay_out_triangle();
    for (int i = 2; i <= g.s.n_obj; ++i) g.s.obj_y(i) = g.s.obj_y(i) + g.s.obj_radius(1);
    rest_all(g.s);
}

// Steps until y0 - 4.9 t^2 (t = n dt) first lies below -2000.
int steps_to_leave(double y0, double dt) {
    int n = 0;
    do ++n;
    while (y0 - 4.9 * (n * dt) * (n * dt) >= -2000);
    return n;
}

TEST(Simulation, AFreeBallFollowsTheParabolaAndLeavesPlayBelowMinus2000) {
    run_on_field([](Game& g) {
        set_up_frame(g);
        State& s = g.s;
        put(s, 1, 100, 685, 0, 0, 1);  // left of every pin, nothing below it
        const double dt = s.dt;
        int n = 0;
        double worst = 0;
        for (bool moving = true; moving && n < 5000;) {
            moving = g.simulation_step();
            ++n;
            worst = std::max(worst, std::fabs(s.obj_y(1) - (685 - 4.9 * (n * dt) * (n * dt))));
            EXPECT_EQ(s.obj_x(1), 100);
            if (moving) {
                ASSERT_EQ(s.obj_state(1), 1) << "step " << n;
            }
        }
        EXPECT_EQ(n, steps_to_leave(685, dt));
        EXPECT_EQ(n, 1171);
        EXPECT_EQ(s.obj_state(1), -1);
        EXPECT_LT(worst, 0.05) << "largest distance from y0 - 4.9 t^2";
        for (int i = 2; i <= s.n_obj; ++i)
            EXPECT_EQ((std::array{s.obj_state(i), s.obj_vx(i), s.obj_vy(i)}), (std::array{0.0f, 0.0f, 0.0f})) << i;
    });
}

TEST(Simulation, EachStepTakesTheStepPeriodAndAThrowEndsAfterTheLastStep) {
    HeadlessHost h;
    run_on_field(h, [&](Game& g) {
        set_up_frame(g);
        State& s = g.s;
        auto drop = [&](float dt) {
            s.dt = dt;
            rest_all(s);
            put(s, 1, 100, 685, 0, 0, 1);
            const uint64_t start = h.backend.now_us();
            g.simulate_throw();
            return h.backend.now_us() - start;
        };
        for (float dt : {0.02f, 0.04f})
            EXPECT_EQ(drop(dt), uint64_t(steps_to_leave(685, dt)) * Game::kStepPeriodUs) << "dt " << dt;
        EXPECT_NEAR(double(drop(0.02f)) / 1e6, 4.7, 0.05) << "a drop at animation speed 3";
        s.max_steps = 5;
        EXPECT_EQ(drop(0.02f), 6 * Game::kStepPeriodUs) << "steps 0 to 5";
        EXPECT_EQ(s.obj_state(1), 1);
        EXPECT_NEAR(s.obj_y(1), 685 - 4.9 * 0.12 * 0.12, 1e-3);
    });
}

TEST(Simulation, ObjectsBelowTheBoardAreGoneWhateverTheirState) {
    run_on_field([](Game& g) {
        set_up_frame(g);
        State& s = g.s;
        // Two pins knocked down by an earlier throw lie below the board at rest; the ball
        // falls onto the first of them.
        put(s, 3, 300, -2100);
        put(s, 4, 300, -2150);
        put(s, 1, 300, -2090, 0, -100, 1);
        EXPECT_FALSE(g.simulation_step());
        EXPECT_EQ((std::array{s.obj_state(1), s.obj_state(3), s.obj_state(4), s.obj_state(2)}),
                  (std::array{-1.0f, -1.0f, -1.0f, 0.0f}));
        EXPECT_EQ(s.obj_vy(3), 0) << "no contact with gone objects";
    });
}

TEST(Simulation, MovingObjectsAreRedrawnAtTheirNewPlaceAndATouchedPinOneStepLater) {
    HeadlessHost h;
    run_on_field(h, [&](Game& g) {
        set_up_frame(g);
        State& s = g.s;
        const Image& buf = g.rt.screen().buffer();
        put(s, 1, 300, 660, 1000, 0, 1);  // 20 units to the right per step
        g.draw_object(1, s.obj_color(1));
        EXPECT_EQ(pixel(buf, 285, 660), rgb(255, 255, 255));  // the leftmost pixel of the outline (radius 15)
        g.simulation_step();
        EXPECT_EQ(testing::pixels_at(buf, {{285, 660}, {335, 660}, {305, 660}, {320, 660}}),
                  (std::vector<Rgb>{0, rgb(255, 255, 255), rgb(255, 255, 255), 0}));

        // The ball overlapping a pin and moving away from it: erasing the ball damages the
        // pin's outline, which the pin's touched mark has redrawn one step later.
        g.rt.cls(0, 0);
        s.n_obj = 2;
        put(s, 2, 300, 400);
        put(s, 1, 300, 420, 0, 50, 1);
        g.draw_object(2, s.obj_color(2));
        const auto pin = testing::pixels_of(buf, g.rt.screen().palette(9));
        g.draw_object(1, s.obj_color(1));
        auto missing = [&] {
            int n = 0;
            for (auto [x, y] : pin) n += pixel(buf, x, y) != g.rt.screen().palette(9);
            return n;
        };
        g.simulation_step();
        EXPECT_EQ((std::array{s.obj_touched(1), s.obj_touched(2)}), (std::array{1.0f, 1.0f}));
        EXPECT_GT(missing(), 0);
        g.simulation_step();
        EXPECT_EQ(missing(), 0);
        EXPECT_EQ((std::array{s.obj_state(2), s.obj_vy(2)}), (std::array{0.0f, 0.0f}));
    });
}

}  // namespace
}  // namespace zell
