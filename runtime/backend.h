// The only boundary between the runtime and the desktop or test platform: a window
// with an image, its input events, a clock, a beep and a message box.
//
// One implementation per platform, each in its folder under platform/: the headless
// backend (in-memory image, virtual clock, injected events), the SDL2 desktop window and
// the browser's canvas. Everything above this interface is the same code in tests, in the
// real window and in the browser.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "runtime/screen/image.h"

namespace zell {

// Keys a backend reports as presses and releases (InputSink::key_down) rather than as characters.
enum class Key {
    None,
    Enter,
    Esc,
    Backspace,
    Tab,
    Right,
    Left,
    Up,
    Down,
    Home,
    End,
    PageUp,
    PageDown,
    Insert,
    Delete,
    Clear,
    Execute,
    Shift,
    Ctrl,
    F1,
    F2,
    F3,
    F4,
    F5,
    F6,
    F7,
    F8,
    F9,
    F10,
    F11,
    F12,
};

enum class MouseButton { Left = 0, Right = 1 };

// The one-byte codes keys put into the key buffer, the same for every backend, the
// scripted runner, the host and the game.
namespace keycode {
constexpr uint8_t kCtrlC = 3;   // stops the program at a key read
constexpr uint8_t kDelete = 4;  // read back as 127
constexpr uint8_t kBackspace = 8;
constexpr uint8_t kTab = 9;
constexpr uint8_t kHome = 11;
constexpr uint8_t kClear = 12;  // also Shift+Home
constexpr uint8_t kEnter = 13;
constexpr uint8_t kInsert = 18;
constexpr uint8_t kPageUp = 19;
constexpr uint8_t kPageDown = 20;
constexpr uint8_t kEnd = 21;
constexpr uint8_t kEscape = 27;
constexpr uint8_t kRight = 28;
constexpr uint8_t kLeft = 29;
constexpr uint8_t kUp = 30;
constexpr uint8_t kDown = 31;
constexpr uint8_t kDeleteRead = 127;  // what a read returns for kDelete
// Ctrl with a letter types the letter's control code: Ctrl+A 1 ... Ctrl+Z 26 (Ctrl+C is kCtrlC,
// Ctrl+H kBackspace, Ctrl+I kTab, Ctrl+M kEnter).
constexpr uint8_t control_code(char letter) { return uint8_t(letter & 0x1F); }
}  // namespace keycode

// Receives the window's input (SDL events, or events injected into the headless backend),
// in client pixel coordinates (origin top-left).
// The runtime's input layer implements it.
class InputSink {
public:
    virtual ~InputSink() = default;
    // A non-character key went down (cursor keys, Home, Delete, F-keys, Shift, Ctrl ...).
    virtual void key_down(Key key, bool shift, bool ctrl) = 0;
    virtual void key_up(Key key) = 0;
    // One character code from the keyboard: Enter 13, Esc 27, Backspace 8, Tab 9, Ctrl with
    // a letter its control code (Ctrl+C 3), or a printable ASCII byte (see keycode).
    virtual void char_typed(uint8_t code) = 0;
    // Text entered through the keyboard layout or an input method, as UTF-8.
    virtual void text_typed(std::string_view utf8) = 0;
    // buttons: bit 0 left held, bit 1 right held.
    virtual void mouse_move(int x, int y, unsigned buttons) = 0;
    virtual void mouse_down(MouseButton b, int x, int y, uint64_t time_ms) = 0;
    virtual void mouse_up(MouseButton b, int x, int y) = 0;
    // The user asked to close the window.
    virtual void close_requested() = 0;
};

struct WindowSpec {
    std::string title;  // UTF-8
    int client_width = 648;
    int client_height = 702;
    int x = 0, y = 0;  // outer position
    bool resizable = true;
    bool minimizable = true;
    bool maximizable = false;
    bool visible = true;
};

// A window icon: the picture and the colour that stands for transparent pixels.
struct Icon {
    Image image;
    Rgb transparent = 0;
};

// How the 648 x 702 picture is fitted to the window or the screen.
enum class ScaleMode { Sharp, Integer };

// The window's presentation, as chosen on the command line, saved, or switched by the player (F10, F11).
struct DisplaySettings {
    bool fullscreen = false;
    ScaleMode scale_mode = ScaleMode::Sharp;
    int scale = 0;  // window size factor at start-up; 0 picks it from the display
};

struct LocalTime {
    int year = 2000, month = 1, day = 1, hour = 0, minute = 0, second = 0;
};

class Backend {
public:
    virtual ~Backend() = default;

    virtual const char* name() const = 0;

    // Creates and shows the main window; false when it cannot be created.
    virtual bool open_window(const WindowSpec& spec) = 0;
    virtual bool has_window() const = 0;
    virtual void close_window() = 0;

    // Delivers pending events to the sink. With wait_ms > 0 the backend may block up to
    // that long until the first event arrives (the program is idle, waiting for input).
    virtual void pump(InputSink& sink, int wait_ms) = 0;

    // Shows the image in the window (648 x 702 for this program).
    virtual void present(const Image& visible) = 0;

    // Monotonic clock in microseconds; virtual on the headless backend.
    virtual uint64_t now_us() = 0;
    // Blocks for us microseconds (advances the virtual clock on the headless backend).
    virtual void sleep_us(uint64_t us) = 0;
    virtual LocalTime local_time() = 0;

    virtual void beep() = 0;
    // A modal message (start-up failures, reports without a window). Text is UTF-8.
    virtual void message_box(const std::string& title, const std::string& text) = 0;
    // Enables typed text (input method) while the program reads a line.
    virtual void set_text_input(bool on) = 0;
    // The window's icon (kept for windows opened later).
    virtual void set_icon(const Icon& icon) = 0;

    // Applies presentation settings; before open_window they decide how the window opens.
    virtual void set_display(const DisplaySettings&) {}
    // The presentation now (after the player's F10 / F11 / Alt+Enter).
    virtual DisplaySettings display() const { return {}; }

    // True while the window is minimized or the page is hidden: the host holds the game's clock, so that
    // no throw is played out unseen.
    virtual bool suspended() const { return false; }
};

}  // namespace zell
