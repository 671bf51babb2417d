// The scripted runner's script: one command a line, '#' starts a comment.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "runtime/backend.h"

namespace zell::script {

// Bounds of the numbers a script may give: copies of one key typed at once, virtual seconds,
// and the distance of a mouse position from the origin in x and y.
constexpr int kMaxRepeat = 10000;
constexpr int kMaxLimitS = 86400;
constexpr int kMaxCoordinate = 1'000'000;

struct Command {
    enum Kind { Key, Char, Type, Press, Release, Move, Click, Tap, DoubleClick, Drag, Wait, Shot, Text, Close };
    Kind kind = Wait;
    int line = 0;
    zell::Key key = zell::Key::None;  // Key: a named key, or None with ch set
    int ch = 0;                       // Key: a printable character; Char: any byte code 0..255
    int count = 1;                    // Key, Char: copies typed at once
    int delay_ms = -1;                // Close: virtual ms until the window closes; -1 at the next wait
    std::string text;                 // Type: the text; Shot/Text: the file name
    MouseButton button = MouseButton::Left;
    int x = 0, y = 0, x1 = 0, y1 = 0;  // graphics coordinates (y up)
};

struct Script {
    LocalTime clock{2000, 1, 1, 0, 0, 0};
    int midi_devices = 0;
    int limit_s = 3600;  // virtual seconds after which the run is ended
    // The program's command-line options (`args`), and the folder it saves in (`save`); without
    // `save` nothing is read or written.
    std::vector<std::string> args;
    std::optional<std::string> save_dir;
    std::vector<Command> commands;
};

// Parses a script; on a malformed line returns nullopt and sets *error to "line N: why".
std::optional<Script> parse(const std::string& text, std::string* error);

}  // namespace zell::script
