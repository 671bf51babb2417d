// Showing the screen in the window at the display's rate, and the player's display switches.
#include "runtime/host/presenter.h"

#include <utility>

namespace zell {

Presenter::Presenter(Backend& backend, Screen& screen, Switched switched)
    : backend_(backend), screen_(screen), switched_(std::move(switched)) {
    backend_.present(screen_.visible());
    last_present_us_ = backend_.now_us();
    display_ = backend_.display();
}

bool Presenter::present_if_due(bool force) {
    if (screen_.take_dirty()) pending_ = true;
    if (!pending_) return false;
    const uint64_t now = backend_.now_us();
    if (!force && now - last_present_us_ < kFrameUs) return false;
    backend_.present(screen_.visible());
    last_present_us_ = backend_.now_us();
    presenting_us_ += last_present_us_ - now;
    pending_ = false;
    return true;
}

void Presenter::present_again() {
    pending_ = true;
    present_if_due(true);
}

void Presenter::watch_display() {
    DisplaySettings now = backend_.display();
    if (now.fullscreen == display_.fullscreen && now.scale_mode == display_.scale_mode) return;
    const DisplaySettings before = std::exchange(display_, now);
    if (switched_) switched_(before, now);
}

}  // namespace zell
