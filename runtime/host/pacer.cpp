// The animation's pacing: deadlines, catching up without presenting, and the restart after a hold-up.
#include "runtime/host/pacer.h"

namespace zell {

void Pacer::begin(uint64_t period_us) {
    period_us_ = period_us;
    restart(backend_.now_us());
}

void Pacer::restart(uint64_t now) {
    start_us_ = now;
    steps_ = 0;
    presenting_on_time_us_ = presenter_.presenting_us();
}

void Pacer::step() {
    const uint64_t due = next_due();
    const uint64_t now = backend_.now_us();
    ++steps_;
    if (now + kClockJumpUs < due || now > due + kHeldUpUs + present_debt_us()) {
        // The clock jumped or the program was held up (a window drag, a stopped process):
        // start a new run of deadlines from now rather than rushing to catch up. Time spent
        // presenting is no hold-up: those steps are caught up below.
        restart(now);
        return;
    }
    if (now >= due) {
        // Behind: the next step runs at once, unshown, until the run has caught up; only a
        // run that stays behind is still shown, a few times a second.
        if (now - presenter_.last_present_us() >= kMaxFrameGapUs) presenter_.present_if_due(true);
        return;
    }
    presenting_on_time_us_ = presenter_.presenting_us();
    presenter_.present_if_due(false);
    const uint64_t after = backend_.now_us();
    if (after < due) backend_.sleep_us(due - after);
}

bool Pacer::holds_pictures(uint64_t now) const {
    const bool pacing = period_us_ != 0 && now <= next_due() + kHeldUpUs + present_debt_us();
    return pacing && now > next_due() && now - presenter_.last_present_us() < kMaxFrameGapUs;
}

}  // namespace zell
