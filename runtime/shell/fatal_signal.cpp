#include "runtime/shell/fatal_signal.h"

#include <atomic>
#include <cstring>

#include "runtime/core/os.h"

namespace zell {
namespace {

// Position of the running step, for the report.
std::atomic<const char*> g_fatal_file{nullptr};
std::atomic<unsigned> g_fatal_line{0};

void write_text(const char* s) { os::write_stderr_raw(s, std::strlen(s)); }

// Reports the position of the failing step on standard error. Called from a signal handler:
// no allocation, no lock.
void report_fatal() {
    write_text("続行不可能なエラーが発生しました ");
    if (const char* file = g_fatal_file.load()) {
        const char* base = file;
        for (const char* p = file; *p; ++p)
            if (*p == '/' || *p == '\\') base = p + 1;
        write_text(base);
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
    os::write_stderr_raw(num, size_t(k));
    write_text("行]\n");
}

}  // namespace

void note_running_position(const char* file, unsigned line) {
    g_fatal_file.store(file, std::memory_order_relaxed);
    g_fatal_line.store(line, std::memory_order_relaxed);
}

FatalSignalGuard::FatalSignalGuard() { os::install_fatal_report(report_fatal); }

FatalSignalGuard::~FatalSignalGuard() { os::remove_fatal_report(); }

}  // namespace zell
