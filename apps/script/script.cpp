#include "apps/script/script.h"

#include <cstdio>
#include <map>
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

}  // namespace

std::optional<Script> parse(const std::string& text, std::string* error) {
    Script s;
    std::istringstream lines(text);
    std::string raw;
    int n = 0;
    auto fail = [&](const std::string& why) {
        if (error) *error = "line " + std::to_string(n) + ": " + why;
        return std::nullopt;
    };
    while (std::getline(lines, raw)) {
        ++n;
        if (!raw.empty() && raw.back() == '\r') raw.pop_back();
        std::string line = raw;
        size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line[first] == '#') continue;
        std::istringstream in(line);
        std::string word;
        in >> word;
        Command c;
        c.line = n;
        if (word == "clock") {
            std::string d, t;
            in >> d >> t;
            LocalTime lt;
            char extra = 0;
            if (std::sscanf(d.c_str(), "%d-%d-%d%c", &lt.year, &lt.month, &lt.day, &extra) != 3 ||
                std::sscanf(t.c_str(), "%d:%d:%d%c", &lt.hour, &lt.minute, &lt.second, &extra) != 3 || lt.month < 1 ||
                lt.month > 12 || lt.day < 1 || lt.day > 31 || lt.hour < 0 || lt.hour > 23 || lt.minute < 0 ||
                lt.minute > 59 || lt.second < 0 || lt.second > 59 || !at_end(in))
                return fail("clock needs YYYY-MM-DD HH:MM:SS");
            s.clock = lt;
            continue;
        }
        if (word == "midi") {
            if (!parse_int(in, s.midi_devices) || s.midi_devices < 0 || !at_end(in))
                return fail("midi needs a device count");
            continue;
        }
        if (word == "limit") {
            if (!parse_int(in, s.limit_s) || s.limit_s < 1 || s.limit_s > kMaxLimitS || !at_end(in))
                return fail("limit needs seconds (1.." + std::to_string(kMaxLimitS) + ")");
            continue;
        }
        if (word == "args") {
            std::string a;
            while (in >> a) s.args.push_back(a);
            CommandLine cl = parse_command_line(s.args);
            if (cl.action == CommandLine::Action::Error) return fail("args: " + cl.error);
            if (cl.action != CommandLine::Action::Run) return fail("args: --help and --version do not run the game");
            continue;
        }
        if (word == "save") {
            std::string dir;
            if (!(in >> dir) || !at_end(in)) return fail("save needs one folder (no blanks)");
            s.save_dir = dir;
            continue;
        }
        if (word == "key") {
            std::string name;
            if (!(in >> name) || !parse_optional(in, c.count, 1, kMaxRepeat, 1))
                return fail("key needs one key name and an optional count (1.." + std::to_string(kMaxRepeat) + ")");
            c.kind = Command::Key;
            auto it = key_names().find(name);
            if (it != key_names().end()) {
                c.key = it->second;
                if (name == "Space") c.ch = ' ';
            } else if (name.size() == 1 && name[0] > ' ' && name[0] < 127) {
                c.ch = uint8_t(name[0]);
            } else {
                return fail("unknown key '" + name + "'");
            }
        } else if (word == "char") {
            c.kind = Command::Char;
            if (!parse_int(in, c.ch) || c.ch < 0 || c.ch > 255 || !parse_optional(in, c.count, 1, kMaxRepeat, 1))
                return fail("char needs a byte code (0..255) and an optional count (1.." + std::to_string(kMaxRepeat) +
                            ")");
        } else if (word == "type") {
            c.kind = Command::Type;
            size_t at = line.find("type") + 4;
            if (at < line.size() && line[at] == ' ') ++at;
            c.text = line.substr(at);
            if (c.text.empty()) return fail("type needs text");
        } else if (word == "press" || word == "release" || word == "click" || word == "dblclick") {
            c.kind = word == "press"     ? Command::Press
                     : word == "release" ? Command::Release
                     : word == "click"   ? Command::Click
                                         : Command::DoubleClick;
            if (!parse_button(in, c.button) || !parse_point(in, c.x, c.y) || !at_end(in))
                return fail(word + " needs left|right X Y" + point_range());
        } else if (word == "move") {
            c.kind = Command::Move;
            if (!parse_point(in, c.x, c.y) || !at_end(in)) return fail("move needs X Y" + point_range());
        } else if (word == "drag") {
            c.kind = Command::Drag;
            if (!parse_point(in, c.x, c.y) || !parse_point(in, c.x1, c.y1) || !at_end(in))
                return fail("drag needs X0 Y0 X1 Y1" + point_range());
        } else if (word == "wait") {
            if (!at_end(in)) return fail("wait takes nothing");
            c.kind = Command::Wait;
        } else if (word == "close") {
            c.kind = Command::Close;
            if (!parse_optional(in, c.delay_ms, 0, kMaxLimitS * 1000, -1))
                return fail("close takes nothing or a delay in ms");
        } else if (word == "shot" || word == "text") {
            c.kind = word == "shot" ? Command::Shot : Command::Text;
            if (!(in >> c.text) || !at_end(in) || c.text.find('/') != std::string::npos)
                return fail(word + " needs a file name (no directory)");
        } else {
            return fail("unknown command '" + word + "'");
        }
        s.commands.push_back(std::move(c));
    }
    return s;
}

}  // namespace zell::script
