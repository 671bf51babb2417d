#include "platform/headless/backend_headless.h"

#include <ctime>

namespace zell {

HeadlessBackend::HeadlessBackend(LocalTime start) : start_(start) {}

bool HeadlessBackend::open_window(const WindowSpec& spec) {
    spec_ = spec;
    open_ = true;
    presented_ = Image(spec.client_width, spec.client_height);
    return true;
}

void HeadlessBackend::pump(InputSink& sink, int wait_ms) {
    ++pumps_;
    if (on_pump_) on_pump_(*this);
    if (wait_ms > 0 && queue_.empty()) {
        ++waits_;
        bool fed = on_wait_ && on_wait_(*this);
        if (!fed && queue_.empty()) inject_close();
        // Time passes while the program waits.
        now_us_ += uint64_t(wait_ms) * 1000;
    }
    // Deliver what is queued now; events queued by the sink's reactions wait for the next pump.
    size_t n = queue_.size();
    for (size_t i = 0; i < n && !queue_.empty(); ++i) {
        Event e = std::move(queue_.front());
        queue_.pop_front();
        e(sink);
    }
}

void HeadlessBackend::present(const Image& visible) {
    presented_ = visible;
    ++presents_;
    now_us_ += present_cost_us_;
}

LocalTime HeadlessBackend::local_time() {
    std::tm tm{};
    tm.tm_year = start_.year - 1900;
    tm.tm_mon = start_.month - 1;
    tm.tm_mday = start_.day;
    tm.tm_hour = start_.hour;
    tm.tm_min = start_.minute;
    tm.tm_sec = start_.second + int(now_us_ / 1000000);
    timegm(&tm);  // normalises the fields
    return LocalTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

void HeadlessBackend::message_box(const std::string& title, const std::string& text) {
    boxes_.push_back(title + ": " + text);
}

void HeadlessBackend::inject_key(Key k, bool shift) {
    inject([k, shift](InputSink& s) {
        s.key_down(k, shift, false);
        s.key_up(k);
    });
}

void HeadlessBackend::inject_char(uint8_t code) {
    inject([code](InputSink& s) { s.char_typed(code); });
}

void HeadlessBackend::inject_text(std::string utf8) {
    inject([t = std::move(utf8)](InputSink& s) { s.text_typed(t); });
}

void HeadlessBackend::inject_press(MouseButton b, int x, int y) {
    inject([this, b, x, y](InputSink& s) {
        buttons_ |= 1u << int(b);
        mouse_x_ = x;
        mouse_y_ = y;
        s.mouse_move(x, y, buttons_);
        s.mouse_down(b, x, y, now_us_ / 1000);
    });
}

void HeadlessBackend::inject_release(MouseButton b, int x, int y) {
    inject([this, b, x, y](InputSink& s) {
        buttons_ &= ~(1u << int(b));
        mouse_x_ = x;
        mouse_y_ = y;
        s.mouse_move(x, y, buttons_);
        s.mouse_up(b, x, y);
    });
}

void HeadlessBackend::inject_move(int x, int y) {
    inject([this, x, y](InputSink& s) {
        mouse_x_ = x;
        mouse_y_ = y;
        s.mouse_move(x, y, buttons_);
    });
}

void HeadlessBackend::inject_close() {
    inject([this](InputSink& s) {
        open_ = false;
        s.close_requested();
    });
}

}  // namespace zell
