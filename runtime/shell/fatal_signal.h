// The last-resort report of a crash (an invalid memory access, an illegal instruction, an
// arithmetic fault) while the game's program runs: the position of the running step on
// standard error, then the fault's default action ends the process. How a crash is caught is
// the operating system's business (runtime/core/os.h).
#pragma once

namespace zell {

// Records the position of the running step for the report (nullptr: none). Called at
// every step, so it only stores two atomics.
void note_running_position(const char* file, unsigned line);

// Installs the report while it lives; restores what was there before.
class FatalSignalGuard {
public:
    FatalSignalGuard();
    ~FatalSignalGuard();
    FatalSignalGuard(const FatalSignalGuard&) = delete;
    FatalSignalGuard& operator=(const FatalSignalGuard&) = delete;
};

}  // namespace zell
