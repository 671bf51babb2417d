// The scripted runner: plays the program's real main program on the headless
// backend from a script and writes what it saw into an output folder.
#pragma once

#include <string>

#include "tools/script.h"

namespace zell::script {

struct RunResult {
    int exit_code = 0;
    std::string log;  // the contents written to OUTDIR/log.txt
};

// Runs the game's main program with the script. Files named by shot/text commands and log.txt
// go into outdir (which must exist).
RunResult run(const Script& script, const std::string& outdir);

}  // namespace zell::script
