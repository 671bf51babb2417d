// The scripted runner: plays the program's real main program on the headless
// backend from a script and writes what it saw into an output folder.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "apps/script/script.h"
#include "game/program.h"
#include "runtime/host/host.h"

namespace zell::script {

struct RunResult {
    int exit_code = 0;
    Host::Ending ending = Host::Ending::NotRun;
    bool error = false;          // a run-time error was reported
    bool limit_reached = false;  // the runner closed the window: time limit, or a program that never waits
    std::string log;             // the contents written to OUTDIR/log.txt
    // Where the program waited for input ("file:line" of its last step), in order; a place is
    // listed again only after the program waited somewhere else in between.
    std::vector<std::string> waits;
    // Every position ("file:line") the program stood at when it pumped or the host sampled its
    // steps (Host::kSampleSteps): a sample of the lines it ran.
    std::set<std::string> positions;

    // Ended by End or a closed window with exit code 0, without a run-time error or a limit.
    bool ended_normally() const;
};

// The longest run of pumps with the virtual clock standing still: a program that keeps running
// without ever waiting or pausing is taken for hung, and its window is closed. Where the clock
// stands still only the statement poll's backstop pumps, so that is some ten million steps
// (Host::kBackstopSteps each).
constexpr long kMaxStillPumps = 100;

// Runs a main program with the script: the game's, with the saved files the script names, unless
// another is given. Files named by shot/text commands and log.txt go into outdir (which must exist).
RunResult run(const Script& script, const std::string& outdir, const Host::MainProgram& program = {});

}  // namespace zell::script
