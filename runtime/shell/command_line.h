// The program's command line, and the help on the controls shared by --help and the
// help panel (F1).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "runtime/backend.h"

namespace zell {

struct CommandLine {
    enum class Action { Run, Help, Version, Error };
    Action action = Action::Run;
    std::string error;  // Error: what was wrong, for the player

    std::optional<bool> fullscreen;
    std::optional<int> scale;
    std::optional<ScaleMode> scale_mode;
    std::optional<std::string> midi;  // the same choice as ZELL_MIDI_PORT
    bool no_save = false;
    // --replay FILE: watch a recorded game in the window; --verify FILE: play it without a window,
    // as fast as it goes, and check it (at most one of them).
    std::optional<std::string> replay;
    std::optional<std::string> verify;

    // How the window opens: the saved presentation, with what the command line names on top.
    DisplaySettings display(const DisplaySettings& saved) const;
};

constexpr int kMaxScale = 16;

// Parses the arguments after the program's name. "--name value" and "--name=value" are the same.
CommandLine parse_command_line(const std::vector<std::string>& args);

// One line: the program's synopsis.
std::string usage_text();
// The controls and the options, for --help. scores_at: where the Best 20 table is saved ("" none).
std::string help_text(const std::string& scores_at);

// The help on the controls, one entry per line of the panel: Japanese and English.
struct HelpLine {
    const char* japanese;
    const char* english;
};
const std::vector<HelpLine>& control_help();

}  // namespace zell
