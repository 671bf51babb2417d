// What the runtime needs of the operating system besides the window (backend.h) and the saved
// records (store.h): shared libraries opened by name, the run-time error log's file, and the
// last-resort report of a crash (runtime/shell/fatal_signal.h). Each operating system's
// implementation is in its platform folder (platform/posix/os_posix.cpp,
// platform/windows/os_windows.cpp), compiled into the runtime library of that build.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace zell::os {

// Opens a shared library by the name the program wrote (dlopen, LoadLibrary); nullptr when it
// cannot be loaded.
void* open_library(const std::string& name);
// The address of a function of an opened library; nullptr when it has none of that name.
void* library_function(void* library, const std::string& name);
void close_library(void* library);

// Where the run-time error log goes: $XDG_STATE_HOME/zell-bowling/runtime-error on POSIX
// systems, %LOCALAPPDATA%\zell-bowling\runtime-error on Windows; "" when neither is known.
std::string error_log_path();

// Replaces the file at path with bytes, atomically (a temporary file beside it, flushed and
// renamed over it), creating the folders on the way; false, the file unchanged, on any failure.
bool replace_file(const std::string& path, std::string_view bytes);

// Writes bytes to standard error with no allocation and no lock (a crash report).
void write_stderr_raw(const char* bytes, size_t n);
// Calls report when the process crashes (SIGSEGV, SIGBUS, SIGILL, SIGFPE, or the exceptions
// Windows turns into them), then lets the crash end the process as it would have; remove
// restores the handlers that were there before.
void install_fatal_report(void (*report)());
void remove_fatal_report();

}  // namespace zell::os
