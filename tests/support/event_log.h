// An InputSink writing each input as a line, for tests and the window probe: "key_down Home shift",
// "char 13", "text a", "move 10 20 1", "down left 10 20", "up right 5 6", "close".
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "runtime/backend.h"

namespace zell {

inline const char* key_name(Key key) {
    static constexpr const char* kNames[] = {
        "None",   "Enter",    "Esc",    "Backspace", "Tab",   "Right",   "Left",  "Up",   "Down", "Home", "End",
        "PageUp", "PageDown", "Insert", "Delete",    "Clear", "Execute", "Shift", "Ctrl", "F1",   "F2",   "F3",
        "F4",     "F5",       "F6",     "F7",        "F8",    "F9",      "F10",   "F11",  "F12"};
    static_assert(std::size(kNames) == size_t(Key::F12) + 1);
    return kNames[int(key)];
}

class EventLog final : public InputSink {
public:
    std::vector<std::string> lines;
    bool closed = false;
    uint64_t last_down_time_ms = 0;

    void key_down(Key key, bool shift, bool ctrl) override {
        add(std::string("key_down ") + key_name(key) + (shift ? " shift" : "") + (ctrl ? " ctrl" : ""));
    }
    void key_up(Key key) override { add(std::string("key_up ") + key_name(key)); }
    void char_typed(uint8_t code) override { add("char " + std::to_string(code)); }
    void text_typed(std::string_view utf8) override { add("text " + std::string(utf8)); }
    void mouse_move(int x, int y, unsigned buttons) override {
        add("move " + std::to_string(x) + " " + std::to_string(y) + " " + std::to_string(buttons));
    }
    void mouse_down(MouseButton b, int x, int y, uint64_t time_ms) override {
        last_down_time_ms = time_ms;
        add(std::string("down ") + button(b) + " " + std::to_string(x) + " " + std::to_string(y));
    }
    void mouse_up(MouseButton b, int x, int y) override {
        add(std::string("up ") + button(b) + " " + std::to_string(x) + " " + std::to_string(y));
    }
    void close_requested() override {
        closed = true;
        add("close");
    }

private:
    static const char* button(MouseButton b) { return b == MouseButton::Left ? "left" : "right"; }
    void add(std::string line) { lines.push_back(std::move(line)); }
};

}  // namespace zell
