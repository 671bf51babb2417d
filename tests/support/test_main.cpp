// GoogleTest with the locale at "C" (the same number formatting everywhere), and Home and the XDG
// folders in a temporary folder for the whole run: no test writes into the user's own folders.
#include <gtest/gtest.h>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/support/portable.h"

int main(int argc, char** argv) {
    // A death test's child process runs this again: it keeps its parent's folder.
    const bool child = std::getenv("ZELL_TESTS_HOME") != nullptr;
    std::string home = child ? std::getenv("ZELL_TESTS_HOME") : zell::testing::make_temp_dir("zell-tests").string();
    // Windows keeps the same files in APPDATA and LOCALAPPDATA.
    for (const char* name :
         {"ZELL_TESTS_HOME", "HOME", "XDG_STATE_HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "APPDATA", "LOCALAPPDATA"})
        zell::testing::set_env(name, home);
    testing::InitGoogleTest(&argc, argv);
    int result = RUN_ALL_TESTS();
    if (!child) std::filesystem::remove_all(home);
    return result;
}
