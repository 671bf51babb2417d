// Showing the game's screen in the window: at most once per display refresh while the program
// runs, at once when asked, with the time presenting took added up for the animation's pacing.
// Also watches the window's presentation and reports each switch the player makes (F10, F11).
#pragma once

#include <cstdint>
#include <functional>

#include "runtime/backend.h"
#include "runtime/screen/screen.h"

namespace zell {

class Presenter {
public:
    using Switched = std::function<void(const DisplaySettings& before, const DisplaySettings& now)>;

    // The window is updated at most this often while the program runs (one display refresh).
    static constexpr uint64_t kFrameUs = 16'667;

    // Shows the screen at once and takes the window's presentation as the one to watch.
    Presenter(Backend& backend, Screen& screen, Switched switched);

    // Presents the screen if it changed and a frame is due (or force); true when it presented.
    bool present_if_due(bool force);
    // Presents the screen even if it did not change (something else covered the window).
    void present_again();
    // When the last present ended.
    uint64_t last_present_us() const { return last_present_us_; }
    // Time spent presenting since the start.
    uint64_t presenting_us() const { return presenting_us_; }

    // Reports the player's switch of the presentation since the last look, if there was one.
    void watch_display();

private:
    Backend& backend_;
    Screen& screen_;
    Switched switched_;
    bool pending_ = false;
    uint64_t last_present_us_ = 0;
    uint64_t presenting_us_ = 0;
    DisplaySettings display_;  // the presentation as last seen
};

}  // namespace zell
