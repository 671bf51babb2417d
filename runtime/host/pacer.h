// The pace of an animation: a run of steps each given one period of real time (virtual on the
// headless backend), against deadlines start + n x period so that uneven work never drifts.
// A run that falls behind computes the due steps without showing them, but for a few pictures
// a second; one held up for longer than presenting explains starts again from now.
#pragma once

#include <cstdint>

#include "runtime/backend.h"
#include "runtime/host/presenter.h"

namespace zell {

class Pacer {
public:
    // A run that is behind its deadlines is still shown at least this often.
    static constexpr uint64_t kMaxFrameGapUs = 100'000;
    // A run this far behind its deadlines, beyond the time spent presenting, was held up (a
    // suspended machine, a stopped process): it starts again from now.
    static constexpr uint64_t kHeldUpUs = 250'000;
    // A deadline this far ahead of the clock means that the clock jumped back.
    static constexpr uint64_t kClockJumpUs = 100'000;

    Pacer(Backend& backend, Presenter& presenter) : backend_(backend), presenter_(presenter) {}

    // Starts a run of steps each given period_us.
    void begin(uint64_t period_us);
    // Waits until the next step is due, showing the screen meanwhile.
    void step();
    // True while a run is behind its deadlines and was shown recently: until it has caught up,
    // the screen is not shown between its steps.
    bool holds_pictures(uint64_t now) const;
    // Moves the run's deadlines on by us, as if that time had never passed (the help panel was open).
    void postpone(uint64_t us) { start_us_ += us; }

private:
    uint64_t next_due() const { return start_us_ + (steps_ + 1) * period_us_; }
    // Time spent presenting since the run was last on time: lateness it explains.
    uint64_t present_debt_us() const { return presenter_.presenting_us() - presenting_on_time_us_; }
    void restart(uint64_t now);

    Backend& backend_;
    Presenter& presenter_;
    uint64_t start_us_ = 0, period_us_ = 0, steps_ = 0;
    uint64_t presenting_on_time_us_ = 0;  // the presenter's total when the run was last on time
};

}  // namespace zell
