// The runtime's operating-system services on POSIX systems (Linux, and the browser build's
// Emscripten): dlopen, the XDG state folder, rename for atomic replacement, signals.
#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <iterator>

#include "runtime/core/os.h"

namespace zell::os {

#ifdef __EMSCRIPTEN__
// The browser has no shared libraries to open, and leaving dlopen out keeps the dynamic loader
// out of the module. Its error log goes to the page's storage (Host::Options::error_log).
void* open_library(const std::string&) { return nullptr; }
void* library_function(void*, const std::string&) { return nullptr; }
void close_library(void*) {}
std::string error_log_path() { return {}; }
#else
void* open_library(const std::string& name) { return dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL); }

void* library_function(void* library, const std::string& name) { return dlsym(library, name.c_str()); }

void close_library(void* library) { dlclose(library); }

std::string error_log_path() {
    std::string base;
    if (const char* x = std::getenv("XDG_STATE_HOME"); x && *x == '/') {
        base = x;
    } else if (const char* h = std::getenv("HOME"); h && *h == '/') {
        base = std::string(h) + "/.local/state";
    } else {
        return {};
    }
    return base + "/zell-bowling/runtime-error";
}
#endif

bool replace_file(const std::string& path, std::string_view bytes) {
    for (size_t i = 1; i < path.size(); ++i)
        if (path[i] == '/') ::mkdir(path.substr(0, i).c_str(), 0700);
    const std::string tmp = path + ".tmp" + std::to_string(::getpid());
    std::FILE* out = std::fopen(tmp.c_str(), "wb");
    if (!out) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    if (std::fclose(out) == 0 && written && std::rename(tmp.c_str(), path.c_str()) == 0) return true;
    std::remove(tmp.c_str());
    return false;
}

void write_stderr_raw(const char* s, size_t n) {
    while (n > 0) {
        ssize_t w = ::write(2, s, n);
        if (w <= 0) return;
        s += w;
        n -= size_t(w);
    }
}

namespace {

constexpr int kSignals[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE};
void (*g_previous[std::size(kSignals)])(int) = {};
void (*g_report)() = nullptr;

// Reports and lets the signal end the process. Only async-signal-safe calls are made here.
extern "C" void on_fatal_signal(int sig) {
    if (g_report) g_report();
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

}  // namespace

void install_fatal_report(void (*report)()) {
    g_report = report;
    for (size_t i = 0; i < std::size(kSignals); ++i) g_previous[i] = std::signal(kSignals[i], on_fatal_signal);
}

void remove_fatal_report() {
    for (size_t i = 0; i < std::size(kSignals); ++i) std::signal(kSignals[i], g_previous[i]);
}

}  // namespace zell::os
