// Keyboard and mouse state of the main window, and line input editing.
//
// The backend feeds the window's events into one Input through the InputSink interface;
// the game reads the resulting state by polling (next_key, mouse_pos, mouse_button),
// never through events. Positions are graphics coordinates: x is the client column,
// y counts upwards from the bottom (client height - client row).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <source_location>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/backend.h"

namespace zell {

// Ring of 256 one-byte key codes; empty when the indices meet, full when
// write + 1 == read, so it holds at most 255 keys.
class KeyBuffer {
public:
    static constexpr size_t kCapacity = 255;

    bool push(uint8_t code);  // false (key discarded) when full
    std::optional<uint8_t> pop();
    std::optional<uint8_t> peek() const;
    size_t size() const { return uint8_t(write_ - read_); }
    bool empty() const { return read_ == write_; }
    void clear() { read_ = write_ = 0; }

private:
    std::array<uint8_t, 256> ring_{};
    uint8_t read_ = 0;  // uint8_t arithmetic wraps at 256, the ring's size
    uint8_t write_ = 0;
};

// What the mouse left behind for one button.
struct ButtonRecord {
    bool down = false;
    int presses = 0, press_x = 0, press_y = 0;
    int releases = 0, release_x = 0, release_y = 0;
    int drag_x = 0, drag_y = 0;
    int double_clicks = 0, double_x = 0, double_y = 0;
};

struct MouseRecord {
    int x = 0, y = 0;            // last move
    int last_x = 0, last_y = 0;  // what the relative functions 9 and 10 returned last
    std::array<ButtonRecord, 2> buttons{};
};

class Input : public InputSink {
public:
    // Bits of the shift-and-control state word.
    static constexpr unsigned kShiftBit = 1u << 0;
    static constexpr unsigned kCtrlBit = 1u << 1;
    // Two presses of one button closer than this in time and distance make a double-click.
    static constexpr uint64_t kDoubleClickMs = 500;
    static constexpr int kDoubleClickDistance = 4;

    explicit Input(int client_height = 702);

    // Called when a key is discarded at a full buffer or typed text cannot be represented.
    void set_beep(std::function<void()> beep);

    // InputSink
    void key_down(Key key, bool shift, bool ctrl) override;
    void key_up(Key key) override;
    void char_typed(uint8_t code) override;
    void text_typed(std::string_view utf8) override;
    void mouse_move(int x, int y, unsigned buttons) override;
    void mouse_down(MouseButton b, int x, int y, uint64_t time_ms) override;
    void mouse_up(MouseButton b, int x, int y) override;
    void close_requested() override;

    // Called before each pump delivers its events: a release held over from the pump before
    // (see mouse_up) happens now.
    void pump_started();

    bool close_requested_flag() const { return close_requested_; }
    unsigned state_word() const { return state_; }
    const MouseRecord& mouse() const { return mouse_; }

    // The next key code, or nullopt when none is waiting. Delete (4) reads as 127.
    std::optional<uint8_t> next_key();
    // 0 x, 1 y, 9/10 movement in x/y since the previous call with 9/10; others raise error 5.
    int mouse_pos(int function, std::source_location where = std::source_location::current());
    // See the function table in input.cpp; button 0 is left, 1 right; others raise error 5.
    int mouse_button(int function, int button, std::source_location where = std::source_location::current());
    // Graphics <-> pixel coordinates; with no view or scale they coincide (0, 1 give whole numbers).
    float map_coord(float value, int function, std::source_location where = std::source_location::current());

    void flush_keys() { keys_.clear(); }
    // Takes the presses of both buttons counted so far; true when there was one.
    bool take_presses();
    KeyBuffer& keys() { return keys_; }

    // Consecutive reads that found nothing new: no event arrived since the previous
    // read and the read itself found no key. Any event resets the count.
    int idle_reads() const { return idle_reads_; }
    // Events received so far (keys, text, mouse, close).
    uint64_t events() const { return events_; }
    void note_read(bool found_something);

private:
    void put(uint8_t code);
    void beep();
    void note_event();
    int graphics_y(int row) const { return client_height_ - row; }
    ButtonRecord& button(MouseButton b) { return mouse_.buttons[size_t(b)]; }
    void release_held_over(MouseButton b);

    int client_height_;
    std::function<void()> beep_;
    KeyBuffer keys_;
    unsigned state_ = 0;
    MouseRecord mouse_;
    bool close_requested_ = false;

    // The previous press, for the double-click rule.
    struct Press {
        bool valid = false;
        MouseButton button = MouseButton::Left;
        int x = 0, y = 0;
        uint64_t time_ms = 0;
        bool was_double = false;
    } last_press_;

    // Per button: pressed during the current pump, and a release held over to the next one.
    struct HeldRelease {
        bool pending = false;
        int x = 0, y = 0;
    };
    std::array<bool, 2> pressed_this_pump_{};
    std::array<HeldRelease, 2> held_over_{};

    int idle_reads_ = 0;
    uint64_t events_ = 0;
    bool event_since_read_ = false;
};

// Line input editing: feed key codes; it keeps the line (Shift-JIS bytes) and tells
// the caller what to echo at the cursor.
class LineEditor {
public:
    struct Action {
        enum Kind { None, Echo, Erase, Done } kind = None;
        std::string bytes;  // Echo: the bytes to write
        int cells = 0;      // Echo/Erase: the character cells written or to erase
    };

    static constexpr size_t kMaxBytes = 255;

    // Printable bytes (a Shift-JIS pair once complete) -> Echo; Backspace (8) -> Erase
    // the last character; Enter (13) -> Done. Other codes, and characters that would make
    // the line longer than kMaxBytes, are ignored (None).
    Action feed(uint8_t code);
    const std::string& line() const { return line_; }
    void clear();

private:
    std::string line_;
    std::vector<uint8_t> widths_;  // byte count of each character of line_
    std::optional<uint8_t> lead_;  // first byte of a double-byte character still waiting for its second
};

// Splits a typed line at commas outside double quotes; the quote characters are removed.
std::vector<std::string> split_input_items(std::string_view line);

}  // namespace zell
