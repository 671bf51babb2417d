#include "runtime/input/input.h"

#include <cmath>
#include <cstdlib>
#include <utility>

#include "runtime/core/errors.h"
#include "runtime/text/sjis.h"

namespace zell {
namespace {

using keycode::kBackspace;
using keycode::kEnter;

// The code a non-character key puts into the buffer; nullopt for keys that put nothing
// (function keys have no text assigned; Enter, Esc, Backspace and Tab arrive as characters).
std::optional<uint8_t> key_code(Key key, bool shift) {
    switch (key) {
    case Key::Right: return keycode::kRight;
    case Key::Left: return keycode::kLeft;
    case Key::Up: return keycode::kUp;
    case Key::Down: return keycode::kDown;
    case Key::Home: return shift ? keycode::kClear : keycode::kHome;
    case Key::Clear: return keycode::kClear;
    case Key::Execute: return keycode::kEnter;
    case Key::PageUp: return keycode::kPageUp;
    case Key::PageDown: return keycode::kPageDown;
    case Key::End: return keycode::kEnd;
    case Key::Insert: return keycode::kInsert;
    case Key::Delete: return keycode::kDelete;
    default: return std::nullopt;
    }
}

unsigned modifier_bit(Key key) {
    if (key == Key::Shift) return Input::kShiftBit;
    if (key == Key::Ctrl) return Input::kCtrlBit;
    return 0;
}

// Length of the UTF-8 character at the start of s; 1 for a byte that starts no valid
// sequence (it is then refused on its own).
size_t utf8_char_length(std::string_view s) {
    auto b = uint8_t(s[0]);
    size_t n = b < 0x80 ? 1 : (b & 0xE0) == 0xC0 ? 2 : (b & 0xF0) == 0xE0 ? 3 : (b & 0xF8) == 0xF0 ? 4 : 0;
    if (n == 0 || n > s.size()) return 1;
    for (size_t i = 1; i < n; ++i)
        if ((uint8_t(s[i]) & 0xC0) != 0x80) return 1;
    return n;
}

// One-cell characters: ASCII graphic characters and space, and half-width katakana.
bool is_single_printable(uint8_t b) { return (b >= 0x20 && b <= 0x7E) || (b >= 0xA1 && b <= 0xDF); }

}  // namespace

// ---------------------------------------------------------------------------
// KeyBuffer

bool KeyBuffer::push(uint8_t code) {
    if (uint8_t(write_ + 1) == read_) return false;
    ring_[write_++] = code;
    return true;
}

std::optional<uint8_t> KeyBuffer::peek() const {
    if (empty()) return std::nullopt;
    return ring_[read_];
}

std::optional<uint8_t> KeyBuffer::pop() {
    if (empty()) return std::nullopt;
    return ring_[read_++];
}

// ---------------------------------------------------------------------------
// Input: events

Input::Input(int client_height) : client_height_(client_height) {}

void Input::set_beep(std::function<void()> beep) { beep_ = std::move(beep); }

void Input::beep() {
    if (beep_) beep_();
}

void Input::note_event() {
    ++events_;
    event_since_read_ = true;
    idle_reads_ = 0;
}

void Input::put(uint8_t code) {
    if (!keys_.push(code)) beep();
}

// Ctrl combinations that matter (Ctrl+C) arrive as characters, so ctrl only shows in the state word.
void Input::key_down(Key key, bool shift, bool /*ctrl*/) {
    note_event();
    state_ |= modifier_bit(key);
    if (auto code = key_code(key, shift || (state_ & kShiftBit) != 0)) put(*code);
}

void Input::key_up(Key key) {
    note_event();
    state_ &= ~modifier_bit(key);
}

void Input::char_typed(uint8_t code) {
    note_event();
    put(code);
}

void Input::text_typed(std::string_view utf8) {
    note_event();
    while (!utf8.empty()) {
        size_t n = utf8_char_length(utf8);
        auto sjis = try_to_sjis(utf8.substr(0, n));
        utf8.remove_prefix(n);
        // A character enters whole or not at all: half of a double-byte pair in the
        // buffer would garble every later key.
        if (!sjis || sjis->empty() || KeyBuffer::kCapacity - keys_.size() < sjis->size()) {
            beep();
            continue;
        }
        for (char c : *sjis) keys_.push(uint8_t(c));
    }
}

void Input::mouse_move(int x, int y, unsigned buttons) {
    note_event();
    mouse_.x = x;
    mouse_.y = graphics_y(y);
    for (size_t b = 0; b < mouse_.buttons.size(); ++b) {
        if (buttons & (1u << b)) {
            mouse_.buttons[b].drag_x = mouse_.x;
            mouse_.buttons[b].drag_y = mouse_.y;
        }
    }
}

void Input::mouse_down(MouseButton b, int x, int y, uint64_t time_ms) {
    note_event();
    release_held_over(b);
    const Press& prev = last_press_;
    bool is_double = prev.valid && !prev.was_double && prev.button == b && time_ms >= prev.time_ms &&
                     time_ms - prev.time_ms <= kDoubleClickMs && std::abs(x - prev.x) <= kDoubleClickDistance &&
                     std::abs(y - prev.y) <= kDoubleClickDistance;
    last_press_ = Press{true, b, x, y, time_ms, is_double};

    ButtonRecord& r = button(b);
    if (is_double) {
        ++r.double_clicks;
        r.double_x = x;
        r.double_y = graphics_y(y);
    }
    // The second press of a double-click is a press too: a program that waits for the button
    // to be held (the throw) must see it, or a quick second flick is lost without a trace.
    r.down = true;
    ++r.presses;
    r.press_x = x;
    r.press_y = graphics_y(y);
    pressed_this_pump_[size_t(b)] = true;
}

void Input::mouse_up(MouseButton b, int x, int y) {
    note_event();
    // A press released before the program could look (both in one pump: a touchpad tap) is
    // held until the next pump, so that a program polling the button sees it down once.
    if (pressed_this_pump_[size_t(b)]) {
        held_over_[size_t(b)] = HeldRelease{true, x, y};
        return;
    }
    ButtonRecord& r = button(b);
    r.down = false;
    ++r.releases;
    r.release_x = x;
    r.release_y = graphics_y(y);
}

void Input::release_held_over(MouseButton b) {
    HeldRelease& h = held_over_[size_t(b)];
    pressed_this_pump_[size_t(b)] = false;
    if (!std::exchange(h.pending, false)) return;
    ButtonRecord& r = button(b);
    r.down = false;
    ++r.releases;
    r.release_x = h.x;
    r.release_y = graphics_y(h.y);
}

bool Input::take_presses() {
    bool any = false;
    for (ButtonRecord& r : mouse_.buttons) any = std::exchange(r.presses, 0) > 0 || any;
    return any;
}

void Input::pump_started() {
    release_held_over(MouseButton::Left);
    release_held_over(MouseButton::Right);
}

void Input::close_requested() {
    note_event();
    close_requested_ = true;
}

// ---------------------------------------------------------------------------
// Input: reads

void Input::note_read(bool found_something) {
    if (found_something || event_since_read_) idle_reads_ = 0;
    else ++idle_reads_;
    event_since_read_ = false;
}

std::optional<uint8_t> Input::next_key() {
    auto code = keys_.pop();
    note_read(code.has_value());
    if (code == keycode::kDelete) return keycode::kDeleteRead;
    return code;
}

int Input::mouse_pos(int function, std::source_location where) {
    note_read(false);
    switch (function) {
    case 0: return int16_t(mouse_.x);
    case 1: return int16_t(mouse_.y);
    case 9: return int16_t(mouse_.x - std::exchange(mouse_.last_x, mouse_.x));
    case 10: return int16_t(mouse_.y - std::exchange(mouse_.last_y, mouse_.y));
    default: raise_error(err::kIllegalCall, error_detail(Service::MousePos, 1), where);
    }
}

// Functions: 2 -1 while down else 0; 3 presses since the last 3; 4, 5 last press x, y;
// 6 releases since the last 6; 7, 8 last release x, y; 11 double-clicks since the last 11;
// 12, 13 last double-click x, y.
int Input::mouse_button(int function, int button_no, std::source_location where) {
    if (button_no != 0 && button_no != 1) raise_error(err::kIllegalCall, error_detail(Service::MouseButton, 1), where);
    note_read(false);
    ButtonRecord& r = mouse_.buttons[size_t(button_no)];
    switch (function) {
    case 2: return r.down ? -1 : 0;
    case 3: return int16_t(std::exchange(r.presses, 0));
    case 4: return int16_t(r.press_x);
    case 5: return int16_t(r.press_y);
    case 6: return int16_t(std::exchange(r.releases, 0));
    case 7: return int16_t(r.release_x);
    case 8: return int16_t(r.release_y);
    case 11: return int16_t(std::exchange(r.double_clicks, 0));
    case 12: return int16_t(r.double_x);
    case 13: return int16_t(r.double_y);
    default: raise_error(err::kIllegalCall, error_detail(Service::MouseButton, 2), where);
    }
}

float Input::map_coord(float value, int function, std::source_location where) {
    switch (function) {
    case 0:
    case 1: return std::round(value);  // pixels are whole; halves round away from zero
    case 2:
    case 3: return value;
    default: raise_error(err::kIllegalCall, error_detail(Service::MapCoord, 1), where);
    }
}

// ---------------------------------------------------------------------------
// LineEditor

LineEditor::Action LineEditor::feed(uint8_t code) {
    if (code == kEnter) {
        lead_.reset();
        return {Action::Done, {}, 0};
    }
    if (code == kBackspace) {
        if (lead_) {  // the half-typed character was never echoed
            lead_.reset();
            return {};
        }
        if (widths_.empty()) return {};
        int cells = widths_.back();
        line_.resize(line_.size() - widths_.back());
        widths_.pop_back();
        return {Action::Erase, {}, cells};
    }
    if (lead_) {
        uint8_t lead = *std::exchange(lead_, std::nullopt);
        if (is_sjis_trail(code)) {
            if (line_.size() + 2 > kMaxBytes) return {};
            std::string pair{char(lead), char(code)};
            line_ += pair;
            widths_.push_back(2);
            return {Action::Echo, pair, 2};
        }
        // A lead byte without a valid second byte is dropped; the code counts on its own.
    }
    if (is_sjis_lead(code)) {
        lead_ = code;
        return {};
    }
    if (!is_single_printable(code) || line_.size() + 1 > kMaxBytes) return {};
    line_ += char(code);
    widths_.push_back(1);
    return {Action::Echo, std::string(1, char(code)), 1};
}

void LineEditor::clear() {
    line_.clear();
    widths_.clear();
    lead_.reset();
}

std::vector<std::string> split_input_items(std::string_view line) {
    // Shift-JIS second bytes start at 0x40, so neither ',' nor '"' can be part of a
    // double-byte character and a byte scan is safe.
    std::vector<std::string> items(1);
    bool quoted = false;
    for (char c : line) {
        if (c == '"') quoted = !quoted;
        else if (c == ',' && !quoted) items.emplace_back();
        else items.back() += c;
    }
    return items;
}

}  // namespace zell
