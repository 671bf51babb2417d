#include "runtime/shell/command_line.h"

#include <charconv>

namespace zell {

DisplaySettings CommandLine::display(const DisplaySettings& saved) const {
    DisplaySettings d;
    d.fullscreen = fullscreen.value_or(saved.fullscreen);
    d.scale_mode = scale_mode.value_or(saved.scale_mode);
    d.scale = scale.value_or(0);
    return d;
}

CommandLine parse_command_line(const std::vector<std::string>& args) {
    CommandLine c;
    auto fail = [&c](const std::string& why) {
        c.action = CommandLine::Action::Error;
        c.error = why;
        return c;
    };
    bool help = false, version = false;
    for (size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::optional<std::string> value;
        if (size_t eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = name.substr(eq + 1);
            name.resize(eq);
        }
        bool takes_value =
            name == "--scale" || name == "--scale-mode" || name == "--midi" || name == "--replay" || name == "--verify";
        if (takes_value && !value) {
            if (i + 1 == args.size()) return fail("option " + name + " needs a value");
            value = args[++i];
        } else if (!takes_value && value) {
            return fail("option " + name + " takes no value");
        }
        if (name == "--help" || name == "-h") {
            help = true;
        } else if (name == "--version") {
            version = true;
        } else if (name == "--fullscreen") {
            c.fullscreen = true;
        } else if (name == "--window") {
            c.fullscreen = false;
        } else if (name == "--no-save") {
            c.no_save = true;
        } else if (name == "--scale") {
            int n = 0;
            auto [end, ec] = std::from_chars(value->data(), value->data() + value->size(), n);
            if (ec != std::errc{} || end != value->data() + value->size() || n < 1 || n > kMaxScale)
                return fail("--scale needs a whole number from 1 to " + std::to_string(kMaxScale));
            c.scale = n;
        } else if (name == "--scale-mode") {
            if (*value == "sharp") c.scale_mode = ScaleMode::Sharp;
            else if (*value == "integer") c.scale_mode = ScaleMode::Integer;
            else return fail("--scale-mode needs sharp or integer");
        } else if (name == "--replay" || name == "--verify") {
            if (value->empty()) return fail(name + " needs a replay file");
            if (c.replay || c.verify) return fail("only one of --replay and --verify, once");
            (name == "--replay" ? c.replay : c.verify) = *value;
        } else if (name == "--midi") {
            if (value->empty()) return fail("--midi needs a port name, synth or none");
            c.midi = *value;
        } else {
            return fail("unknown option " + args[i]);
        }
    }
    if (help) c.action = CommandLine::Action::Help;
    else if (version) c.action = CommandLine::Action::Version;
    return c;
}

std::string usage_text() {
    return "usage: zell-bowling [--fullscreen | --window] [--scale N] [--scale-mode sharp|integer]\n"
           "                    [--midi PORT|synth|none] [--no-save] [--replay FILE | --verify FILE]\n"
           "                    [--help] [--version]\n";
}

const std::vector<HelpLine>& control_help() {
    static const std::vector<HelpLine> lines = {
        {"ボールを置く: レーン上端の帯で左クリック", "Place the ball: left-click in the strip at the top of the lane."},
        {"投げる: 左ボタンを押したまま進めたい方向へドラッグして離す",
         "Throw: press the left button, drag the way the ball should go, release."},
        {"速さはドラッグの長さの 1/4 (ドラッグは最大 200 まで)",
         "The ball's speed is a quarter of the drag (drags count up to 200)."},
        {"その場でクリック (ドラッグなし): ボールはそのまま落ちる",
         "A click on the spot, without a drag, drops the ball straight down."},
        {"右クリック (ボールを置く前): このゲームをやめる",
         "Right button (before the ball is placed): give up the game."},
        {"メニュー: ↑↓←→ で選び Enter で決定", "Menus: the arrow keys choose, Enter confirms."},
        {"F10: 拡大方法の切り替え (sharp / integer)", "F10: switch the scaling (sharp / integer)."},
        {"F11, Alt+Enter: 全画面表示の切り替え", "F11, Alt+Enter: full screen on or off."},
        {"F1: このヘルプ (何かキーかクリックで閉じる)", "F1: this help (any key or click closes it)."},
    };
    return lines;
}

std::string help_text(const std::string& scores_at) {
    std::string out = "Zell Bowling: ten-pin bowling with the mouse.\n\n" + usage_text() + "\nControls:\n";
    for (const HelpLine& l : control_help()) out += "  " + std::string(l.english) + "\n";
    out +=
        "\nOptions:\n"
        "  --fullscreen, --window    start in full screen or in a window\n"
        "  --scale N                 start with the window N times the picture's size (1.." +
        std::to_string(kMaxScale) + ")\n" +
        "  --scale-mode sharp|integer\n"
        "                            fit the picture to the window smoothly, or in whole multiples\n"
        "  --midi PORT|synth|none    the sound: a MIDI port whose name contains PORT, the built-in\n"
        "                            synthesizer, or no sound (the same as ZELL_MIDI_PORT)\n"
        "  --no-save                 read and save nothing (no Best 20 table, no settings, no replays)\n"
        "  --replay FILE             watch a recorded game: Space pauses, Right arrow 4x, Esc ends\n"
        "  --verify FILE             play a recorded game without a window and check it: the score sheet;\n"
        "                            exit code 0 when it matches, 3 when it diverges, 2 when unreadable\n"
        "  --help, --version         this help; the program's version\n"
        "\nOptions on the command line are for this run only; they are not saved.\n"
        "The Best 20 table is saved in $XDG_DATA_HOME/zell-bowling (~/.local/share/zell-bowling),\n"
        "the options and the window's settings in $XDG_CONFIG_HOME/zell-bowling (~/.config/zell-bowling),\n"
        "every game's replay in the replays folder beside the Best 20 table.\n";
    if (!scores_at.empty()) out += "Scores are saved in " + scores_at + "\n";
    return out;
}

}  // namespace zell
