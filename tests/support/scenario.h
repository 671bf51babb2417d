// Runs the whole program headless from a script, like zell-script does, and
// gives the test what it left behind: the log, text dumps and screenshots.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "runtime/image.h"
#include "tools/runner.h"

namespace zell::testing {

struct Scenario {
    std::filesystem::path dir;
    script::RunResult result;

    // Runs the script text with the game's main program, or another; fails the test when it
    // does not parse.
    explicit Scenario(const std::string& script_text, const Host::MainProgram& program = game_main);
    ~Scenario();

    int exit_code() const { return result.exit_code; }
    const std::string& log() const { return result.log; }
    // The 39 lines of a text dump written by a `text FILE` command.
    std::vector<std::string> text(const std::string& file) const;
    // A screenshot written by a `shot FILE` command.
    Image shot(const std::string& file) const;
    // MIDI messages of the log, in order.
    std::vector<uint32_t> midi() const;
};

// Script lines for one throw that touches nothing: placed at x (between the left wall and the pins),
// dropped with no drag.
std::string gutter_throw(int x = 100);
// Script lines that start a game from the main menu's first item and play twenty throws touching nothing.
// The game then waits for the key after "<< Game Over >>".
std::string gutter_game(int x = 100);

}  // namespace zell::testing
