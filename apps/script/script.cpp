#include "apps/script/script.h"

#include <cstdio>
#include <map>
#include <set>
#include <sstream>

#include "runtime/shell/command_line.h"

namespace zell::script {
namespace {

const std::map<std::string, Key>& key_names() {
    static const std::map<std::string, Key> names = {
        {"Enter", Key::Enter},
        {"Esc", Key::Esc},
        {"Backspace", Key::Backspace},
        {"Tab", Key::Tab},
        {"Space", Key::None},
        {"Up", Key::Up},
        {"Down", Key::Down},
        {"Left", Key::Left},
        {"Right", Key::Right},
        {"Home", Key::Home},
        {"End", Key::End},
        {"PageUp", Key::PageUp},
        {"PageDown", Key::PageDown},
        {"Insert", Key::Insert},
        {"Delete", Key::Delete},
        {"F1", Key::F1},
        {"F2", Key::F2},
        {"F3", Key::F3},
        {"F4", Key::F4},
        {"F5", Key::F5},
        {"F6", Key::F6},
        {"F7", Key::F7},
        {"F8", Key::F8},
        {"F9", Key::F9},
        {"F10", Key::F10},
        {"F11", Key::F11},
        {"F12", Key::F12},
    };
    return names;
}

bool parse_int(std::istringstream& in, int& v) { return bool(in >> v); }

bool at_end(std::istringstream& in) {
    std::string rest;
    return !(in >> rest);
}

// An optional last number (a repeat count, a delay) within [lo, hi]; fallback when absent.
bool parse_optional(std::istringstream& in, int& v, int lo, int hi, int fallback) {
    std::string rest;
    if (!(in >> rest)) {
        v = fallback;
        return true;
    }
    size_t used = 0;
    try {
        v = std::stoi(rest, &used);
    } catch (const std::exception&) {
        return false;
    }
    return used == rest.size() && v >= lo && v <= hi && at_end(in);
}

std::string point_range() {
    return " (each within " + std::to_string(-kMaxCoordinate) + ".." + std::to_string(kMaxCoordinate) + ")";
}

// A point anywhere, inside the window or far outside it, within a range that keeps the
// conversions between graphics and client coordinates exact.
bool parse_point(std::istringstream& in, int& x, int& y) {
    auto ok = [](int v) { return v >= -kMaxCoordinate && v <= kMaxCoordinate; };
    return parse_int(in, x) && parse_int(in, y) && ok(x) && ok(y);
}

bool parse_button(std::istringstream& in, MouseButton& b) {
    std::string w;
    if (!(in >> w)) return false;
    if (w == "left") b = MouseButton::Left;
    else if (w == "right") b = MouseButton::Right;
    else return false;
    return true;
}

// A setting of the whole run (clock, midi, limit, args, save) into s: true when word is one;
// *why says what was wrong with it ("" when nothing).
bool parse_setting(const std::string& word, std::istringstream& in, Script& s, std::string* why) {
    if (word == "clock") {
        std::string d, t;
        in >> d >> t;
        LocalTime lt;
        char extra = 0;
        if (std::sscanf(d.c_str(), "%d-%d-%d%c", &lt.year, &lt.month, &lt.day, &extra) != 3 ||
            std::sscanf(t.c_str(), "%d:%d:%d%c", &lt.hour, &lt.minute, &lt.second, &extra) != 3 || lt.month < 1 ||
            lt.month > 12 || lt.day < 1 || lt.day > 31 || lt.hour < 0 || lt.hour > 23 || lt.minute < 0 ||
            lt.minute > 59 || lt.second < 0 || lt.second > 59 || !at_end(in))
            *why = "clock needs YYYY-MM-DD HH:MM:SS";
        else s.clock = lt;
    } else if (word == "midi") {
        if (!parse_int(in, s.midi_devices) || s.midi_devices < 0 || !at_end(in)) *why = "midi needs a device count";
    } else if (word == "limit") {
        if (!parse_int(in, s.limit_s) || s.limit_s < 1 || s.limit_s > kMaxLimitS || !at_end(in))
            *why = "limit needs seconds (1.." + std::to_string(kMaxLimitS) + ")";
    } else if (word == "args") {
        std::string a;
        while (in >> a) s.args.push_back(a);
        CommandLine cl = parse_command_line(s.args);
        if (cl.action == CommandLine::Action::Error) *why = "args: " + cl.error;
        else if (cl.action != CommandLine::Action::Run) *why = "args: --help and --version do not run the game";
    } else if (word == "save") {
        std::string dir;
        if (!(in >> dir) || !at_end(in)) *why = "save needs one folder (no blanks)";
        else s.save_dir = dir;
    } else {
        return false;
    }
    return true;
}

// A key, a character or typed text into c; "" or what was wrong.
std::string parse_typing(const std::string& word, const std::string& line, std::istringstream& in, Command& c) {
    const std::string counts = " and an optional count (1.." + std::to_string(kMaxRepeat) + ")";
    if (word == "key") {
        std::string name;
        if (!(in >> name) || !parse_optional(in, c.count, 1, kMaxRepeat, 1)) return "key needs one key name" + counts;
        c.kind = Command::Key;
        auto it = key_names().find(name);
        if (it != key_names().end()) {
            c.key = it->second;
            if (name == "Space") c.ch = ' ';
        } else if (name.size() == 1 && name[0] > ' ' && name[0] < 127) {
            c.ch = uint8_t(name[0]);
        } else {
            return "unknown key '" + name + "'";
        }
    } else if (word == "char") {
        c.kind = Command::Char;
        if (!parse_int(in, c.ch) || c.ch < 0 || c.ch > 255 || !parse_optional(in, c.count, 1, kMaxRepeat, 1))
            return "char needs a byte code (0..255)" + counts;
    } else {  // type
        c.kind = Command::Type;
        size_t at = line.find("type") + 4;
        if (at < line.size() && line[at] == ' ') ++at;
        c.text = line.substr(at);
        if (c.text.empty()) return "type needs text";
    }
    return "";
}

// A mouse command into c; "" or what was wrong.
std::string parse_mouse(const std::string& word, std::istringstream& in, Command& c) {
    if (word == "move") {
        c.kind = Command::Move;
        if (!parse_point(in, c.x, c.y) || !at_end(in)) return "move needs X Y" + point_range();
    } else if (word == "drag") {
        c.kind = Command::Drag;
        if (!parse_point(in, c.x, c.y) || !parse_point(in, c.x1, c.y1) || !at_end(in))
            return "drag needs X0 Y0 X1 Y1" + point_range();
    } else {
        c.kind = word == "press"     ? Command::Press
                 : word == "release" ? Command::Release
                 : word == "click"   ? Command::Click
                 : word == "tap"     ? Command::Tap
                                     : Command::DoubleClick;
        if (!parse_button(in, c.button) || !parse_point(in, c.x, c.y) || !at_end(in))
            return word + " needs left|right X Y" + point_range();
    }
    return "";
}

// Any other command into c; "" or what was wrong.
std::string parse_command(const std::string& word, const std::string& line, std::istringstream& in, Command& c) {
    static const std::set<std::string> typing = {"key", "char", "type"};
    static const std::set<std::string> mouse = {"press", "release", "click", "tap", "dblclick", "move", "drag"};
    if (typing.contains(word)) return parse_typing(word, line, in, c);
    if (mouse.contains(word)) return parse_mouse(word, in, c);
    if (word == "wait") {
        c.kind = Command::Wait;
        return at_end(in) ? "" : "wait takes nothing";
    }
    if (word == "close") {
        c.kind = Command::Close;
        return parse_optional(in, c.delay_ms, 0, kMaxLimitS * 1000, -1) ? "" : "close takes nothing or a delay in ms";
    }
    if (word == "shot" || word == "text") {
        c.kind = word == "shot" ? Command::Shot : Command::Text;
        if (!(in >> c.text) || !at_end(in) || c.text.find('/') != std::string::npos)
            return word + " needs a file name (no directory)";
        return "";
    }
    return "unknown command '" + word + "'";
}

}  // namespace

std::optional<Script> parse(const std::string& text, std::string* error) {
    Script s;
    std::istringstream lines(text);
    std::string line;
    for (int n = 1; std::getline(lines, line); ++n) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line[first] == '#') continue;
        std::istringstream in(line);
        std::string word, why;
        in >> word;
        Command c;
        c.line = n;
        if (!parse_setting(word, in, s, &why)) {
            why = parse_command(word, line, in, c);
            if (why.empty()) s.commands.push_back(std::move(c));
        }
        if (!why.empty()) {
            if (error) *error = "line " + std::to_string(n) + ": " + why;
            return std::nullopt;
        }
    }
    return s;
}

}  // namespace zell::script
