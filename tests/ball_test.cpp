#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

#include "game/game.h"
#include "tests/support/game_field.h"
#include "tests/support/headless_host.h"

namespace zell {
namespace {

using testing::HeadlessHost;
using testing::MouseFeed;
using testing::put;
using testing::rest_all;
using testing::set_up_field;

constexpr auto kLeft = MouseButton::Left;
constexpr auto kRight = MouseButton::Right;

// --- Placing the ball ---------------------------------------------------------

struct Placed {
    float x = -1, y = -1, status = 99;
};

// Runs BPOSK on the default field (walls 78 and 522) with the given mouse input.
Placed place(const std::function<void(MouseFeed&)>& input) {
    HeadlessHost h;
    MouseFeed feed(h.backend);
    input(feed);
    Placed p;
    h.run([&](Host& rt) {
        Game g(rt);
        set_up_field(g);
        g.BPOSK(p.x, p.y, p.status);
    });
    EXPECT_FALSE(h.host->last_error().has_value());
    EXPECT_TRUE(feed.used_up());
    EXPECT_EQ(h.host->ending(), Host::Ending::Returned) << "BPOSK did not return";
    return p;
}

TEST(Placing, TheReleasePointInTheStripIsTheStartPoint) {
    Placed p = place([](MouseFeed& f) { f.press(kLeft, 120, 650).release(kLeft, 300, 660); });
    EXPECT_EQ(p.x, 300);
    EXPECT_EQ(p.y, 660);
    EXPECT_EQ(p.status, 0);
}

TEST(Placing, PointsNearTheEdgesAreMovedInwards) {
    Placed low = place([](MouseFeed& f) { f.click(kLeft, 300, 640); });
    EXPECT_EQ(low.y, 646);  // 630 + r
    Placed on_line = place([](MouseFeed& f) { f.click(kLeft, 300, 630); });
    EXPECT_EQ(on_line.y, 646);
    Placed high = place([](MouseFeed& f) { f.click(kLeft, 300, 700); });
    EXPECT_EQ(high.y, 685);
    Placed left = place([](MouseFeed& f) { f.click(kLeft, 80, 660); });
    EXPECT_EQ(left.x, 94);  // wall 78 + r
    EXPECT_EQ(left.y, 660);
    Placed right = place([](MouseFeed& f) { f.click(kLeft, 522, 660); });
    EXPECT_EQ(right.x, 506);  // wall 522 - r
    for (const Placed& p : {low, on_line, high, left, right}) EXPECT_EQ(p.status, 0);
}

TEST(Placing, ClicksBelowTheLineOrOutsideTheWallsAreIgnored) {
    Placed below = place([](MouseFeed& f) { f.click(kLeft, 300, 629).click(kLeft, 200, 650); });
    EXPECT_EQ(below.x, 200);
    EXPECT_EQ(below.y, 650);
    Placed outside = place([](MouseFeed& f) { f.click(kLeft, 70, 660).click(kLeft, 530, 660).click(kLeft, 400, 670); });
    EXPECT_EQ(outside.x, 400);
    EXPECT_EQ(outside.y, 670);
    EXPECT_EQ(outside.status, 0);
}

TEST(Placing, TheRightButtonGivesUpAndTheLeftWinsWhenBothAreHeld) {
    Placed given_up = place([](MouseFeed& f) { f.press(kRight, 300, 660); });
    EXPECT_EQ(given_up.status, -1);
    EXPECT_EQ(given_up.x, -1);  // left unchanged
    EXPECT_EQ(given_up.y, -1);

    Placed both = place([](MouseFeed& f) { f.press_both(250, 660).release(kLeft, 250, 670); });
    EXPECT_EQ(both.status, 0);
    EXPECT_EQ(both.x, 250);
    EXPECT_EQ(both.y, 670);
}

// --- Choosing the velocity -----------------------------------------------------

struct Drag {
    float vx = -1, vy = -1;
};

Drag drag(int x0, int y0, int x1, int y1) {
    HeadlessHost h;
    MouseFeed feed(h.backend);
    feed.press(kLeft, x0, y0).release(kLeft, x1, y1);
    Drag d;
    h.run([&](Host& rt) {
        Game g(rt);
        set_up_field(g);
        g.FMVELO(d.vx, d.vy);
    });
    EXPECT_FALSE(h.host->last_error().has_value());
    EXPECT_EQ(h.host->ending(), Host::Ending::Returned) << "FMVELO did not return";
    return d;
}

TEST(Velocity, LongDragsAreCutTo200KeepingTheirDirection) {
    Drag d = drag(100, 100, 400, 500);  // length 500
    EXPECT_FLOAT_EQ(d.vx, 120);
    EXPECT_FLOAT_EQ(d.vy, 160);
    Drag up = drag(300, 100, 300, 700);
    EXPECT_FLOAT_EQ(up.vx, 0);
    EXPECT_FLOAT_EQ(up.vy, 200);
    Drag just_over = drag(100, 300, 301, 300);
    EXPECT_FLOAT_EQ(just_over.vx, 200);
    EXPECT_FLOAT_EQ(just_over.vy, 0);
}

TEST(Velocity, DragsUpTo200AreKeptAsTheyAre) {
    Drag exact = drag(100, 100, 220, 260);  // length exactly 200
    EXPECT_EQ(exact.vx, 120);
    EXPECT_EQ(exact.vy, 160);
    Drag short_left = drag(300, 300, 250, 290);
    EXPECT_EQ(short_left.vx, -50);
    EXPECT_EQ(short_left.vy, -10);
    Drag none = drag(300, 300, 300, 300);
    EXPECT_EQ(none.vx, 0);
    EXPECT_EQ(none.vy, 0);
}

// --- The simulation -------------------------------------------------------------

// The default field with the triangle of level 4 set up as the driver sets a frame,
// everything at rest.
void set_up_frame(Game& g) {
    set_up_field(g);
    g.DBALLB();
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
    HeadlessHost h;
    h.run([&](Host& rt) {
        Game g(rt);
        set_up_frame(g);
        State& s = g.s;
        put(s, 1, 100, 685, 0, 0, 1);  // left of every pin, nothing below it
        const double dt = s.dt;
        const int expected_steps = steps_to_leave(685, dt);
        EXPECT_EQ(expected_steps, 1171);

        int n = 0;
        double worst = 0;
        bool moving = true;
        while (moving && n < 5000) {
            moving = g.simulation_step();
            ++n;
            double t = n * dt;
            worst = std::max(worst, std::fabs(s.obj_y(1) - (685 - 4.9 * t * t)));
            EXPECT_EQ(s.obj_x(1), 100);
            if (moving) {
                ASSERT_EQ(s.obj_state(1), 1) << "step " << n;
            }
        }
        EXPECT_EQ(n, expected_steps);
        EXPECT_EQ(s.obj_state(1), -1);
        EXPECT_LT(s.obj_y(1), -2000);
        EXPECT_LT(worst, 0.05) << "largest distance from y0 - 4.9 t^2";
        for (int i = 2; i <= s.n_obj; ++i) {
            EXPECT_EQ(s.obj_state(i), 0) << "pin " << i;
            EXPECT_EQ(s.obj_vx(i), 0);
            EXPECT_EQ(s.obj_vy(i), 0);
        }
    });
    EXPECT_FALSE(h.host->last_error().has_value());
}

TEST(Simulation, EachStepTakesTheStepPeriodOfVirtualTime) {
    HeadlessHost h;
    h.run([&](Host& rt) {
        Game g(rt);
        set_up_frame(g);
        State& s = g.s;
        for (float speed_dt : {0.02f, 0.04f}) {
            s.dt = speed_dt;
            rest_all(s);
            put(s, 1, 100, 685, 0, 0, 1);
            uint64_t start = h.backend.now_us();
            g.simulate_throw();
            uint64_t elapsed = h.backend.now_us() - start;
            EXPECT_EQ(s.obj_state(1), -1);
            EXPECT_EQ(elapsed, uint64_t(steps_to_leave(685, speed_dt)) * Game::kStepPeriodUs) << "dt " << speed_dt;
        }
        // The drop at animation speed 3 lasts about 4.7 s.
        s.dt = 0.02f;
        rest_all(s);
        put(s, 1, 100, 685, 0, 0, 1);
        uint64_t start = h.backend.now_us();
        g.simulate_throw();
        EXPECT_NEAR(double(h.backend.now_us() - start) / 1e6, 4.7, 0.05);
    });
    EXPECT_FALSE(h.host->last_error().has_value());
}

TEST(Simulation, AThrowEndsAfterTheLastStepWhateverStillMoves) {
    HeadlessHost h;
    h.run([&](Host& rt) {
        Game g(rt);
        set_up_frame(g);
        State& s = g.s;
        s.max_steps = 5;
        put(s, 1, 100, 685, 0, 0, 1);
        uint64_t start = h.backend.now_us();
        g.simulate_throw();
        EXPECT_EQ(h.backend.now_us() - start, 6 * Game::kStepPeriodUs);  // steps 0..5
        EXPECT_EQ(s.obj_state(1), 1);
        EXPECT_NEAR(s.obj_y(1), 685 - 4.9 * 0.12 * 0.12, 1e-3);
    });
    EXPECT_FALSE(h.host->last_error().has_value());
}

TEST(Simulation, ObjectsBelowTheBoardAreGoneWhateverTheirState) {
    HeadlessHost h;
    h.run([&](Host& rt) {
        Game g(rt);
        set_up_frame(g);
        State& s = g.s;
        // Two pins knocked down by an earlier throw lie below the board at rest; the
        // ball falls onto the first of them.
        put(s, 3, 300, -2100);
        put(s, 4, 300, -2150);
        put(s, 1, 300, -2090, 0, -100, 1);
        EXPECT_FALSE(g.simulation_step());
        EXPECT_EQ(s.obj_state(1), -1);
        EXPECT_EQ(s.obj_state(3), -1);
        EXPECT_EQ(s.obj_state(4), -1);
        EXPECT_EQ(s.obj_vy(3), 0);  // no contact with gone objects
        EXPECT_EQ(s.obj_state(2), 0);
    });
    EXPECT_FALSE(h.host->last_error().has_value());
}

TEST(Simulation, MovingObjectsAreErasedAndDrawnAtTheirNewPlace) {
    HeadlessHost h;
    h.run([&](Host& rt) {
        Game g(rt);
        set_up_frame(g);
        State& s = g.s;
        put(s, 1, 300, 660, 1000, 0, 1);  // 20 units to the right per step
        g.draw_object(1, s.obj_color(1));
        const Screen& sc = rt.screen();
        const Rgb white = rgb(255, 255, 255), black = 0;
        EXPECT_EQ(testing::board_pixel(sc, 285, 660), white);  // leftmost pixel of the outline (radius 15)
        g.simulation_step();
        EXPECT_EQ(testing::board_pixel(sc, 285, 660), black);
        EXPECT_EQ(testing::board_pixel(sc, 335, 660), white);
        EXPECT_EQ(testing::board_pixel(sc, 305, 660), white);
        EXPECT_EQ(testing::board_pixel(sc, 320, 660), black);  // outline only
    });
    EXPECT_FALSE(h.host->last_error().has_value());
}

// The pixels of a pin's outline drawn alone at the same place.
std::vector<std::pair<int, int>> outline_pixels(float x, float y, int colour) {
    Screen alone;
    alone.draw_circle(0, x, y, 15, colour, 1, 0, 0, 0, -1, 0, 1);
    std::vector<std::pair<int, int>> px;
    const Rgb c = alone.palette(colour);
    for (int yy = 0; yy < alone.height(); ++yy)
        for (int xx = 0; xx < alone.width(); ++xx)
            if (alone.buffer().at(xx, yy) == c) px.emplace_back(xx, yy);
    return px;
}

TEST(Simulation, ATouchedRestingPinIsRedrawnOneStepLater) {
    HeadlessHost h;
    h.run([&](Host& rt) {
        Game g(rt);
        set_up_frame(g);
        State& s = g.s;
        s.n_obj = 2;
        put(s, 2, 300, 400);
        put(s, 1, 300, 420, 0, 50, 1);  // overlapping the pin, moving away from it
        g.draw_object(2, s.obj_color(2));
        g.draw_object(1, s.obj_color(1));
        const Screen& sc = rt.screen();
        const auto pin = outline_pixels(300, 400, 9);
        auto missing = [&] {
            int n = 0;
            for (auto [x, y] : pin) n += sc.buffer().at(x, y) != sc.palette(9);
            return n;
        };
        g.simulation_step();
        EXPECT_EQ(s.obj_touched(1), 1);
        EXPECT_EQ(s.obj_touched(2), 1);
        EXPECT_GT(missing(), 0) << "erasing the ball should damage the pin's outline";
        g.simulation_step();
        EXPECT_EQ(missing(), 0);
        EXPECT_EQ(s.obj_state(2), 0);
        EXPECT_EQ(s.obj_vy(2), 0);
    });
    EXPECT_FALSE(h.host->last_error().has_value());
}

// --- Whole throws ----------------------------------------------------------------

struct ThrowResult {
    std::vector<uint32_t> messages;
    std::vector<float> x, y, state;
    uint64_t elapsed_us = 0;
};

// Places the ball with a click, throws it with a drag and simulates the throw into the
// level 4 triangle, with one MIDI device.
ThrowResult throw_ball(int x, int y, int drag_dx, int drag_dy) {
    HeadlessHost h(1);
    MouseFeed feed(h.backend);
    feed.click(kLeft, x, y).press(kLeft, 300, 300).release(kLeft, 300 + drag_dx, 300 + drag_dy);
    ThrowResult r;
    h.run([&](Host& rt) {
        Game g(rt);
        set_up_frame(g);
        g.MOPEN();
        State& s = g.s;
        g.BPOSK(s.aim_x, s.aim_y, s.aim_status);
        s.obj_x(1) = s.aim_x;
        s.obj_y(1) = s.aim_y;
        g.draw_object(1, s.obj_color(1));
        g.FMVELO(s.throw_vx, s.throw_vy);
        s.obj_vx(1) = s.throw_vx / 4;
        s.obj_vy(1) = s.throw_vy / 4;
        s.obj_state(1) = 1;
        uint64_t start = h.backend.now_us();
        g.simulate_throw();
        r.elapsed_us = h.backend.now_us() - start;
        for (int i = 1; i <= s.n_obj; ++i) {
            r.x.push_back(s.obj_x(i));
            r.y.push_back(s.obj_y(i));
            r.state.push_back(s.obj_state(i));
        }
    });
    EXPECT_FALSE(h.host->last_error().has_value());
    EXPECT_EQ(h.host->ending(), Host::Ending::Returned);
    for (const auto& e : h.midi->log()) r.messages.push_back(e.message);
    return r;
}

// Keys of the notes in a log of note-on / note-off pairs; fails on anything else.
std::vector<int> note_keys(const std::vector<uint32_t>& log) {
    std::vector<int> keys;
    EXPECT_EQ(log.size() % 2, 0u);
    for (size_t k = 0; k + 1 < log.size(); k += 2) {
        uint32_t on = log[k], off = log[k + 1];
        EXPECT_EQ(on & 0xFF, 0x90u);
        EXPECT_EQ(on >> 16, 127u);
        EXPECT_EQ(off, on & 0xFFFF) << "the same key at velocity 0";
        keys.push_back(int(on >> 8 & 0xFF));
    }
    return keys;
}

TEST(Throw, AStraightDropOnTheHeadPinSoundsItsNoteAndKnocksPinsDown) {
    ThrowResult r = throw_ball(300, 660, 0, 0);
    std::vector<int> keys = note_keys(r.messages);
    ASSERT_FALSE(keys.empty());
    EXPECT_EQ(keys[0], 67);  // the head pin, note offset 7
    for (int k : keys) EXPECT_TRUE(k == 60 || k == 64 || k == 67 || k == 69 || k == 72) << k;
    int gone = 0;
    for (float st : r.state) gone += st < 0;
    EXPECT_EQ(r.state[0], -1);
    EXPECT_GT(gone - 1, 0) << "pins down";
    for (float st : r.state) EXPECT_NE(st, 1) << "the throw ended with something moving";
    EXPECT_EQ(r.elapsed_us % Game::kStepPeriodUs, 0u);

    // The simulation has no random element: the same throw gives the same result.
    ThrowResult again = throw_ball(300, 660, 0, 0);
    EXPECT_EQ(again.messages, r.messages);
    EXPECT_EQ(again.x, r.x);
    EXPECT_EQ(again.y, r.y);
    EXPECT_EQ(again.elapsed_us, r.elapsed_us);
}

TEST(Throw, AWallContactSoundsKey60) {
    ThrowResult r = throw_ball(100, 660, -200, 0);  // vx -50 towards the left wall at 78
    std::vector<int> keys = note_keys(r.messages);
    ASSERT_FALSE(keys.empty());
    EXPECT_EQ(keys[0], 60);
}

TEST(Throw, ABallThatTouchesNothingKnocksNothingDown) {
    ThrowResult r = throw_ball(100, 685, 0, 0);
    EXPECT_TRUE(r.messages.empty());
    EXPECT_EQ(r.state[0], -1);
    for (size_t i = 1; i < r.state.size(); ++i) EXPECT_EQ(r.state[i], 0);
}

}  // namespace
}  // namespace zell
