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

CanvasFit browser_canvas_fit(double avail_css_w, double avail_css_h, double device_pixel_ratio, bool integer_mode,
                             int image_w, int image_h) {
    const double dpr = device_pixel_ratio > 0 ? device_pixel_ratio : 1.0;
    const double w = std::max(avail_css_w, 1.0), h = std::max(avail_css_h, 1.0);
    if (integer_mode) {
        // Whole device pixels per screen pixel, so every screen pixel is an exact square.
        const int factor = int(std::floor(std::min(w * dpr / image_w, h * dpr / image_h)));
        if (factor >= 1) return {image_w * factor / dpr, image_h * factor / dpr};
    }
    const double scale = std::min(w / image_w, h / image_h);
    // Whole device pixels, so the canvas's backing store matches its place exactly.
    return {std::floor(image_w * scale * dpr) / dpr, std::floor(image_h * scale * dpr) / dpr};
}

Point browser_pointer_pixel(double x, double y, double css_w, double css_h, int image_w, int image_h) {
    if (css_w <= 0 || css_h <= 0) return {};
    const int px = int(std::floor(x * image_w / css_w)), py = int(std::floor(y * image_h / css_h));
    return {std::clamp(px, 0, image_w - 1), std::clamp(py, 0, image_h - 1)};
}

}  // namespace zell
