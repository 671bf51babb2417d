// The last-resort report of a crash (SIGSEGV, SIGBUS, SIGILL, SIGFPE) while the game's
// program runs: the position of the running step on standard error, then the
// signal's default action ends the process.
#pragma once

namespace zell {

// Records the position of the running step for the report (nullptr: none). Called at
// every step, so it only stores two atomics.
void note_running_position(const char* file, unsigned line);

// Installs the report for the fatal signals while it lives; restores the previous handlers.
class FatalSignalGuard {
public:
    FatalSignalGuard();
    ~FatalSignalGuard();
    FatalSignalGuard(const FatalSignalGuard&) = delete;
    FatalSignalGuard& operator=(const FatalSignalGuard&) = delete;

private:
    static constexpr int kCount = 4;
    void (*old_[kCount])(int) = {};
};

}  // namespace zell
