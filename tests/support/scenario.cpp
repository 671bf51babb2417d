#include "tests/support/scenario.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>

namespace zell::testing {

Scenario::Scenario(const std::string& script_text, const Host::MainProgram& program) {
    static std::atomic<int> counter{0};
    dir = std::filesystem::temp_directory_path() /
          ("zell-scenario-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
    std::filesystem::create_directories(dir);
    std::string error;
    auto s = script::parse(script_text, &error);
    if (!s) {
        ADD_FAILURE() << "script does not parse: " << error;
        return;
    }
    result = script::run(*s, dir.string(), program);
}

Scenario::~Scenario() { std::filesystem::remove_all(dir); }

}  // namespace zell::testing
