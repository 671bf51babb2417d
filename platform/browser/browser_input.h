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

// The picture's place on the page, by the window's rule (window_scale.h) in the page's device
// pixels: the area the canvas may take, times the device pixel ratio, is the window. So the
// canvas is centred with the same sharp and integer fits as the desktop window, and lies on
// whole device pixels.
struct CanvasPlace {
    WindowScale scale;  // in device pixels of the area
    double ratio = 1;   // device pixels per CSS pixel when placed

    // The canvas's top-left corner in the area and its size, in CSS pixels.
    double css_x() const { return scale.origin().x / ratio; }
    double css_y() const { return scale.origin().y / ratio; }
    double css_width() const { return scale.width() / ratio; }
    double css_height() const { return scale.height() / ratio; }
};
CanvasPlace browser_canvas_place(double avail_css_w, double avail_css_h, double device_pixel_ratio, ScaleMode mode,
                                 int image_w, int image_h);

// The screen pixel under a pointer position relative to the canvas's top-left corner, in CSS
// pixels, on a canvas at `place`; clamped to the screen's edge. The page listens on the canvas
// only, so a press never starts on the border around it.
Point browser_pointer_pixel(const CanvasPlace& place, double x, double y);

}  // namespace zell
