// Runs the whole program headless from a script, like zell-script does, and gives the test what it left.
#pragma once

#include <filesystem>
#include <string>

#include "apps/script/runner.h"

namespace zell::testing {

struct Scenario {
    std::filesystem::path dir;
    script::RunResult result;

    // Runs the script text with the game's main program, or another; fails the test if it does not parse.
    explicit Scenario(const std::string& script_text, const Host::MainProgram& program = {});
    ~Scenario();

    int exit_code() const { return result.exit_code; }
    const std::string& log() const { return result.log; }
};

}  // namespace zell::testing
