// The browser page's input, translated into the runtime's terms. Platform free, so the
// desktop tests check it; the browser backend feeds it what the page's listeners saw.
#pragma once

#include <cstdint>
#include <string_view>

#include "runtime/backend.h"
#include "runtime/screen/window_scale.h"

namespace zell {

// What one key-down of the page means to the program.
struct BrowserKey {
    enum class Kind {
        Ignore,      // not for the program (a printable key: its text arrives as typed text)
        Char,        // a control character code (Enter, Esc, Backspace, Tab, Ctrl+C)
        Key,         // a key-down message
        FullScreen,  // F11 or Alt+Enter: switches full screen, kept by the backend
        ScaleMode,   // F10: switches sharp and whole-factor scaling, kept by the backend
    };
    Kind kind = Kind::Ignore;
    Key key = Key::None;
    uint8_t code = 0;
};

// A key-down by the KeyboardEvent's `key` value and its modifiers. Keys pressed while an
// input method composes text belong to the input method.
BrowserKey browser_key_down(std::string_view key, bool shift, bool ctrl, bool alt, bool composing);
// The key-up message for a KeyboardEvent `key` value (Key::None when there is none).
Key browser_key_up(std::string_view key);

// The picture's place on the page: the canvas's size in CSS pixels for the available area,
// the whole picture with its aspect kept (the sharp mode), or the largest whole number of
// device pixels per screen pixel that fits (the integer mode, when a factor of 1 or more fits).
struct CanvasFit {
    double css_width = 0, css_height = 0;
};
CanvasFit browser_canvas_fit(double avail_css_w, double avail_css_h, double device_pixel_ratio, bool integer_mode,
                             int image_w, int image_h);

// The screen pixel under a pointer position relative to the canvas's top-left corner, in
// CSS pixels, on a canvas shown at css_w x css_h; clamped to the screen's edge.
Point browser_pointer_pixel(double x, double y, double css_w, double css_h, int image_w, int image_h);

}  // namespace zell
