#include "platform/browser/browser_input.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace zell {

namespace {

struct Named {
    std::string_view name;
    Key key;
};

// The navigation and modifier keys, by their KeyboardEvent `key` values. The keypad without
// NumLock reports the navigation values itself ("Clear" for its 5).
constexpr Named kKeys[] = {
    {"ArrowRight", Key::Right}, {"ArrowLeft", Key::Left}, {"ArrowUp", Key::Up},    {"ArrowDown", Key::Down},
    {"Home", Key::Home},        {"End", Key::End},        {"PageUp", Key::PageUp}, {"PageDown", Key::PageDown},
    {"Insert", Key::Insert},    {"Delete", Key::Delete},  {"Clear", Key::Clear},   {"Execute", Key::Execute},
    {"Shift", Key::Shift},      {"Control", Key::Ctrl},
};

Key named_key(std::string_view key) {
    for (const Named& n : kKeys)
        if (n.name == key) return n.key;
    // F1 .. F12
    if (key.size() >= 2 && key.size() <= 3 && key[0] == 'F') {
        int n = 0;
        for (char c : key.substr(1)) {
            if (c < '0' || c > '9') return Key::None;
            n = n * 10 + (c - '0');
        }
        if (n >= 1 && n <= 12 && key[1] != '0') return Key(int(Key::F1) + n - 1);
    }
    return Key::None;
}

}  // namespace

BrowserKey browser_key_down(std::string_view key, bool shift, bool ctrl, bool alt, bool composing) {
    using K = BrowserKey::Kind;
    // "Process" is the key an input method takes for itself.
    if (composing || key == "Process") return {};
    if (key == "F11" || (key == "Enter" && alt)) return {K::FullScreen};
    if (key == "F10") return {K::ScaleMode};
    if (key == "Enter") return {K::Char, Key::None, 13};
    if (key == "Escape") return {K::Char, Key::None, 27};
    if (key == "Backspace") return {K::Char, Key::None, 8};
    if (key == "Tab") return {K::Char, Key::None, 9};
    if (ctrl && (key == "c" || key == "C")) return {K::Char, Key::None, 3};
    if (Key k = named_key(key); k != Key::None) return {K::Key, k, 0};
    (void)shift;
    return {};
}

Key browser_key_up(std::string_view key) {
    if (key == "F10" || key == "F11") return Key::None;
    return named_key(key);
}

CanvasPlace browser_canvas_place(double avail_css_w, double avail_css_h, double device_pixel_ratio, ScaleMode mode,
                                 int image_w, int image_h) {
    const double ratio = device_pixel_ratio > 0 ? device_pixel_ratio : 1.0;
    // Whole device pixels of the area, at least one each way.
    const int w = std::max(1, int(std::floor(avail_css_w * ratio)));
    const int h = std::max(1, int(std::floor(avail_css_h * ratio)));
    return {WindowScale::fit(w, h, image_w, image_h, mode), ratio};
}

Point browser_pointer_pixel(const CanvasPlace& place, double x, double y) {
    const Point origin = place.scale.origin();
    return place.scale.to_screen_clamped(
        {origin.x + int(std::floor(x * place.ratio)), origin.y + int(std::floor(y * place.ratio))});
}

}  // namespace zell
