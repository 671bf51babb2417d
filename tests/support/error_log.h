// The run-time error log redirected into a fresh temporary folder (XDG_STATE_HOME, on Windows
// LOCALAPPDATA) for the life of the object, and the values of the log written there.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "tests/support/portable.h"

namespace zell::testing {

class ErrorLogDir {
public:
    // The run's own temporary state folder (tests/support/test_main.cpp) comes back afterwards.
    ErrorLogDir() : old_(std::getenv(kStateHome)) {
        dir_ = make_temp_dir("zell-state");
        std::filesystem::remove(dir_);
        set_env(kStateHome, dir_.string());
    }
    ~ErrorLogDir() {
        set_env(kStateHome, old_);
        std::filesystem::remove_all(dir_);
    }
    ErrorLogDir(const ErrorLogDir&) = delete;
    ErrorLogDir& operator=(const ErrorLogDir&) = delete;

    const std::filesystem::path& dir() const { return dir_; }
    std::filesystem::path log_folder() const { return dir_ / "zell-bowling"; }

    // The NAME=value lines of the log; empty when none was written.
    std::map<std::string, std::string> values() const {
        std::map<std::string, std::string> v;
        std::ifstream in(log_folder() / "runtime-error");
        std::string line;
        while (std::getline(in, line)) {
            auto eq = line.find('=');
            if (eq != std::string::npos) v[line.substr(0, eq)] = line.substr(eq + 1);
        }
        return v;
    }

private:
    std::filesystem::path dir_;
    std::string old_;
};

}  // namespace zell::testing
