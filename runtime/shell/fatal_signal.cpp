#include "runtime/shell/fatal_signal.h"

#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstring>
#include <iterator>

namespace zell {
namespace {

// Position of the running step, for the report.
std::atomic<const char*> g_fatal_file{nullptr};
std::atomic<unsigned> g_fatal_line{0};

constexpr int kSignals[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE};

void write_all(int fd, const char* s, size_t n) {
    while (n > 0) {
        ssize_t w = ::write(fd, s, n);
        if (w <= 0) return;
        s += w;
        n -= size_t(w);
    }
}

// Reports the position of the failing step on standard error and lets the signal end the process.
// Only async-signal-safe calls are made here.
extern "C" void fatal_signal(int sig) {
    static const char kText[] = "続行不可能なエラーが発生しました ";
    write_all(2, kText, sizeof kText - 1);
    const char* file = g_fatal_file.load();
    if (file) {
        const char* base = file;
        for (const char* p = file; *p; ++p)
            if (*p == '/' || *p == '\\') base = p + 1;
        write_all(2, base, std::strlen(base));
    }
    char num[16];
    int n = 0;
    unsigned line = g_fatal_line.load();
    char digits[12];
    do {
        digits[n++] = char('0' + line % 10);
        line /= 10;
    } while (line && n < 11);
    int k = 0;
    num[k++] = ' ';
    num[k++] = '[';
    while (n) num[k++] = digits[--n];
    write_all(2, num, size_t(k));
    static const char kEnd[] = "行]\n";
    write_all(2, kEnd, sizeof kEnd - 1);
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

}  // namespace

void note_running_position(const char* file, unsigned line) {
    g_fatal_file.store(file, std::memory_order_relaxed);
    g_fatal_line.store(line, std::memory_order_relaxed);
}

FatalSignalGuard::FatalSignalGuard() {
    static_assert(std::size(kSignals) == kCount);
    for (int i = 0; i < kCount; ++i) old_[i] = std::signal(kSignals[i], fatal_signal);
}

FatalSignalGuard::~FatalSignalGuard() {
    for (int i = 0; i < kCount; ++i) std::signal(kSignals[i], old_[i]);
}

}  // namespace zell
