// Where the program keeps its files: each of the three XDG variables when it holds an absolute
// path, else its usual place under an absolute HOME, else nowhere.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>

#include "platform/posix/file_store.h"
#include "runtime/shell/error_log.h"
#include "tests/support/portable.h"

namespace zell {
namespace {

TEST(XdgFolders, TheVariableWhenAbsoluteElseUnderAnAbsoluteHomeElseNone) {
    struct Folder {
        const char* variable;
        const char* under_home;
        std::function<std::string()> path;
    };
    const Folder folders[] = {
        {"XDG_DATA_HOME", "/h/.local/share/zell-bowling", data_folder},
        {"XDG_CONFIG_HOME", "/h/.config/zell-bowling", config_folder},
        {"XDG_STATE_HOME", "/h/.local/state/zell-bowling",
         [] {
             const std::string p = error_log_path();
             return p.empty() ? p : p.substr(0, p.rfind('/'));
         }},
    };
    struct Case {
        std::optional<std::string> variable, home;
        bool from_variable, from_home;
    };
    const Case cases[] = {
        {"/x", "/h", true, false},    {"/x", std::nullopt, true, false}, {std::nullopt, "/h", false, true},
        {"", "/h", false, true},      {"rel", "/h", false, true},        {std::nullopt, std::nullopt, false, false},
        {"rel", "rel", false, false}, {std::nullopt, "", false, false},
    };
    for (const Folder& f : folders)
        for (const Case& c : cases) {
            testing::ScopedEnv var(f.variable, c.variable), home("HOME", c.home);
            const std::string want = c.from_variable ? "/x/zell-bowling" : c.from_home ? f.under_home : "";
            EXPECT_EQ(f.path(), want) << f.variable << "=" << c.variable.value_or("(unset)")
                                      << " HOME=" << c.home.value_or("(unset)");
        }
}

}  // namespace
}  // namespace zell
