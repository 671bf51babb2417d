#include <gtest/gtest.h>

#include <deque>
#include <functional>

#include "game/program.h"
#include "tests/support/headless_host.h"

namespace zell {
namespace {

// A player places the ball and flicks 150 ms later, on the same spot: the flick's press is the
// second press of a double-click, and the throw must still happen (its contacts sound).
TEST(Flick, AThrowRightAfterPlacingTheBallIsNotLost) {
    for (uint64_t gap_us : {150'000u, 600'000u}) {
        SCOPED_TRACE(gap_us);
        testing::HeadlessHost h(1);
        const int row = [](int y) { return 702 - y; }(680);
        std::deque<std::function<void(HeadlessBackend&)>> steps = {
            [](HeadlessBackend& b) { b.inject_char(13); },  // Start Throwing
            [&](HeadlessBackend& b) { b.inject_press(MouseButton::Left, 300, row); },
            [&](HeadlessBackend& b) { b.inject_release(MouseButton::Left, 300, row); },
            [&](HeadlessBackend& b) {
                b.sleep_us(gap_us);
                b.inject_press(MouseButton::Left, 300, row);
            },
            [&](HeadlessBackend& b) { b.inject_release(MouseButton::Left, 300, row + 200); },
        };
        h.backend.set_on_wait([&](HeadlessBackend& b) {
            if (steps.empty()) return false;
            steps.front()(b);
            steps.pop_front();
            return true;
        });
        h.run(game_main);
        int notes = 0;
        for (const auto& e : h.midi->log()) notes += (e.message & 0xF0) == 0x90 && (e.message >> 16 & 0x7F) > 0;
        EXPECT_TRUE(steps.empty());
        EXPECT_GT(notes, 0) << "the ball was thrown and hit something";
    }
}

}  // namespace
}  // namespace zell
