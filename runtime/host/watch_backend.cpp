#include "runtime/host/watch_backend.h"

#include <algorithm>

namespace zell {

class WatchBackend::Controls final : public InputSink {
public:
    explicit Controls(WatchBackend& w) : w_(w) {}
    void key_down(Key key, bool, bool) override {
        if (key == Key::Right) w_.set_speed(w_.speed_ == 1 ? kFastFactor : 1, w_.paused_);
        else if (w_.finished_ && key != Key::Shift && key != Key::Ctrl) w_.close_ = true;
    }
    void key_up(Key) override {}
    void char_typed(uint8_t code) override {
        if (code == ' ') w_.set_speed(w_.speed_, !w_.paused_);
        if (code == keycode::kEscape || w_.finished_) w_.close_ = true;
    }
    void text_typed(std::string_view) override {
        if (w_.finished_) w_.close_ = true;
    }
    void mouse_move(int, int, unsigned) override {}
    void mouse_down(MouseButton, int, int, uint64_t) override {
        if (w_.finished_) w_.close_ = true;
    }
    void mouse_up(MouseButton, int, int) override {}
    void close_requested() override { w_.close_ = true; }

private:
    WatchBackend& w_;
};

uint64_t WatchBackend::now_us() {
    if (paused_) return watch_base_us_;
    return watch_base_us_ + (window_.now_us() - real_base_us_) * speed_;
}

void WatchBackend::set_speed(unsigned speed, bool paused) {
    watch_base_us_ = now_us();
    real_base_us_ = window_.now_us();
    speed_ = speed;
    paused_ = paused;
}

void WatchBackend::pump_controls(int wait_ms) {
    Controls controls(*this);
    window_.pump(controls, wait_ms);
}

void WatchBackend::pump(InputSink& sink, int wait_ms) {
    pump_controls(wait_ms);
    if (close_) sink.close_requested();
}

void WatchBackend::sleep_us(uint64_t us) {
    // Sleeps in short slices, looking at the controls in between: a pause holds the clock here.
    const uint64_t until = now_us() + us;
    while (!close_ && window_.has_window()) {
        const uint64_t now = now_us();
        if (!paused_ && now >= until) break;
        const uint64_t left_real = paused_ ? 20'000 : (until - now + speed_ - 1) / speed_;
        window_.sleep_us(std::min<uint64_t>(left_real, 20'000));
        pump_controls(0);
    }
}

}  // namespace zell
