#include "tests/support/scenario.h"

#include <gtest/gtest.h>

#include "tests/support/portable.h"

namespace zell::testing {

Scenario::Scenario(const std::string& script_text, const Host::MainProgram& program) {
    dir = make_temp_dir("zell-scenario");
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
