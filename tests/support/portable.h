// What the tests need of the system on Linux and Windows (MinGW under Wine): environment variables,
// temporary folders, reading files, the process id, the run-time error log's folder variable.
#pragma once

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif

namespace zell::testing {

// Sets an environment variable, or removes it for nullopt.
inline void set_env(const char* name, const std::optional<std::string>& value) {
#ifdef _WIN32
    _putenv_s(name, value ? value->c_str() : "");
#else
    value ? ::setenv(name, value->c_str(), 1) : ::unsetenv(name);
#endif
}

// Sets (or with nullopt removes) an environment variable for the life of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::optional<std::string>& value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        set_env(name, value);
    }
    ~ScopedEnv() { set_env(name_, old_); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

inline int process_id() {
#ifdef _WIN32
    return _getpid();
#else
    return int(::getpid());
#endif
}

// A new empty folder below the system's temporary folder, named prefix-PID-N.
inline std::filesystem::path make_temp_dir(const std::string& prefix) {
    static std::atomic<int> counter{0};
    for (;;) {
        auto dir = std::filesystem::temp_directory_path() /
                   (prefix + "-" + std::to_string(process_id()) + "-" + std::to_string(counter++));
        if (std::filesystem::create_directory(dir)) return dir;
    }
}

// What a file holds, as bytes or as text (Windows' line ends undone); empty where there is none.
inline std::string read_file(const std::filesystem::path& p, bool text = false) {
    std::ostringstream s;
    s << std::ifstream(p, text ? std::ios::in : std::ios::in | std::ios::binary).rdbuf();
    return s.str();
}

// The variable naming the folder that holds zell-bowling/runtime-error.
#ifdef _WIN32
constexpr const char* kStateHome = "LOCALAPPDATA";
#else
constexpr const char* kStateHome = "XDG_STATE_HOME";
#endif

}  // namespace zell::testing
