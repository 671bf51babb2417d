// Helpers for tests of the ball, pin and board procedures: a run of the game on the
// field as start-up leaves it, and mouse input fed one event each time the program waits.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <functional>

#include "game/game.h"
#include "runtime/backend_headless.h"
#include "tests/support/headless_host.h"

namespace zell::testing {

// The field as the game's start-up leaves it: level 4, Bowling type, animation speed 3, the
// walls, the objects and the twelve frame layouts; MIDI opened when the host has a device.
inline void set_up_field(Game& g) { g.startup(); }

// Every object at rest, in play and untouched, as at the start of a throw.
inline void rest_all(State& s) {
    for (int i = 1; i <= s.n_obj; ++i) s.obj_vx(i) = s.obj_vy(i) = s.obj_state(i) = s.obj_touched(i) = 0;
}

// Places object i and sets its velocity and state.
inline void put(State& s, int i, float x, float y, float vx = 0, float vy = 0, float state = 0) {
    s.obj_x(i) = x;
    s.obj_y(i) = y;
    s.obj_vx(i) = vx;
    s.obj_vy(i) = vy;
    s.obj_state(i) = state;
}

// Runs body as the main program of h on a fresh game with the field set up and every object
// at rest; the program must return without a run-time error.
inline void run_on_field(HeadlessHost& h, const std::function<void(Game&)>& body) {
    h.run([&](Host& rt) {
        Game g(rt);
        set_up_field(g);
        rest_all(g.s);
        body(g);
    });
    const auto& e = h.host->last_error();
    EXPECT_FALSE(e) << "run-time error " << e->number() << " at line " << e->where().line();
    EXPECT_EQ(h.host->ending(), Host::Ending::Returned);
}
inline void run_on_field(const std::function<void(Game&)>& body) {
    HeadlessHost h;
    run_on_field(h, body);
}

// Mouse input given one event per wait of the program, in board coordinates.
class MouseFeed {
public:
    explicit MouseFeed(HeadlessBackend& backend) : backend_(backend) {
        backend_.set_on_wait([this](HeadlessBackend& b) {
            if (events_.empty()) return false;
            events_.front()(b);
            events_.pop_front();
            return true;
        });
    }
    ~MouseFeed() { backend_.set_on_wait({}); }
    MouseFeed(const MouseFeed&) = delete;
    MouseFeed& operator=(const MouseFeed&) = delete;

    MouseFeed& press(MouseButton b, int x, int y) {
        events_.push_back([=, this](HeadlessBackend& be) { be.inject_press(b, x, row(y)); });
        return *this;
    }
    MouseFeed& release(MouseButton b, int x, int y) {
        events_.push_back([=, this](HeadlessBackend& be) { be.inject_release(b, x, row(y)); });
        return *this;
    }
    // Press and release of one button at one point, each in its own wait.
    MouseFeed& click(MouseButton b, int x, int y) { return press(b, x, y).release(b, x, y); }
    // Both buttons pressed together, delivered in the same wait.
    MouseFeed& press_both(int x, int y) {
        events_.push_back([=, this](HeadlessBackend& be) {
            be.inject_press(MouseButton::Left, x, row(y));
            be.inject_press(MouseButton::Right, x, row(y));
        });
        return *this;
    }
    bool used_up() const { return events_.empty(); }

private:
    // Board y is counted up from the client height (702 pixels for the game's window).
    int row(int y) const { return backend_.window().client_height - y; }

    HeadlessBackend& backend_;
    std::deque<std::function<void(HeadlessBackend&)>> events_;
};

}  // namespace zell::testing
