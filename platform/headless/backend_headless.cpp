#include "platform/headless/backend_headless.h"

#include <cstdint>

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

namespace {

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar, and back (the civil
// calendar's arithmetic, so that no C library's time zone or time_t width is involved).
int64_t days_from_civil(int64_t y, int64_t m, int64_t d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void civil_from_days(int64_t z, int& year, int& month, int& day) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    day = int(doy - (153 * mp + 2) / 5 + 1);
    month = int(mp < 10 ? mp + 3 : mp - 9);
    year = int(yoe + era * 400 + (month <= 2));
}

}  // namespace

LocalTime HeadlessBackend::local_time() {
    // The start time plus the virtual seconds gone, normalised to a calendar date.
    const int64_t seconds = days_from_civil(start_.year, start_.month, start_.day) * 86400 + start_.hour * 3600 +
                            start_.minute * 60 + start_.second + int64_t(now_us_ / 1000000);
    const int64_t days = seconds >= 0 ? seconds / 86400 : (seconds - 86399) / 86400;
    const int64_t in_day = seconds - days * 86400;
    LocalTime t;
    civil_from_days(days, t.year, t.month, t.day);
    t.hour = int(in_day / 3600);
    t.minute = int(in_day / 60 % 60);
    t.second = int(in_day % 60);
    return t;
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
        s.mouse_move(x, y, buttons_);
        s.mouse_down(b, x, y, now_us_ / 1000);
    });
}

void HeadlessBackend::inject_release(MouseButton b, int x, int y) {
    inject([this, b, x, y](InputSink& s) {
        buttons_ &= ~(1u << int(b));
        s.mouse_move(x, y, buttons_);
        s.mouse_up(b, x, y);
    });
}

void HeadlessBackend::inject_move(int x, int y) {
    inject([this, x, y](InputSink& s) { s.mouse_move(x, y, buttons_); });
}

void HeadlessBackend::inject_close() {
    inject([this](InputSink& s) {
        open_ = false;
        s.close_requested();
    });
}

}  // namespace zell
