// The runtime's operating-system services on Windows: LoadLibrary, the local application-data
// folder for the error log, MoveFileExW for atomic replacement, and the C runtime's signals
// (MinGW's start-up code turns access violations, illegal instructions and arithmetic faults
// into SIGSEGV, SIGILL and SIGFPE).
#include <windows.h>

#include <csignal>
#include <iterator>

#include "platform/windows/files.h"
#include "platform/windows/wide.h"
#include "runtime/core/os.h"

namespace zell::os {

void* open_library(const std::string& name) { return LoadLibraryW(win::to_wide(name).c_str()); }

void* library_function(void* library, const std::string& name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name.c_str()));
}

void close_library(void* library) { FreeLibrary(static_cast<HMODULE>(library)); }

std::string error_log_path() {
    const std::string base = win::env("LOCALAPPDATA");
    if (base.empty()) return {};
    return base + "\\zell-bowling\\runtime-error";
}

bool replace_file(const std::string& path, std::string_view bytes) {
    const std::wstring wpath = win::to_wide(path);
    const size_t slash = wpath.find_last_of(L"\\/");
    if (slash == std::wstring::npos || !win::make_folders(wpath.substr(0, slash), nullptr)) return false;
    return win::replace_file(wpath, wpath + L".tmp" + std::to_wstring(GetCurrentProcessId()), bytes, nullptr);
}

void write_stderr_raw(const char* s, size_t n) {
    HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    if (err == nullptr || err == INVALID_HANDLE_VALUE) return;
    while (n > 0) {
        DWORD wrote = 0;
        if (!WriteFile(err, s, DWORD(n), &wrote, nullptr) || wrote == 0) return;
        s += wrote;
        n -= wrote;
    }
}

namespace {

constexpr int kSignals[] = {SIGSEGV, SIGILL, SIGFPE};
void (*g_previous[std::size(kSignals)])(int) = {};
void (*g_report)() = nullptr;

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
