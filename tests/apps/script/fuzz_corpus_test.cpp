// Replays the scripts kept from fuzzing (tests/fuzz-corpus/*.script): keys, bytes, text, clicks and
// closes at odd moments. Each must end normally (exit code 0, no run-time error) within its limit.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/error_log.h"
#include "tests/support/scenario.h"

namespace zell {
namespace {

const std::filesystem::path kCorpus = std::filesystem::path(ZELL_SOURCE_DIR) / "tests" / "fuzz-corpus";

std::vector<std::string> corpus_files() {
    std::vector<std::string> names;
    if (std::filesystem::is_directory(kCorpus))
        for (const auto& e : std::filesystem::directory_iterator(kCorpus))
            if (e.path().extension() == ".script") names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// One test for the whole folder, so that a script added to it is replayed without rebuilding.
TEST(FuzzCorpus, EveryScriptEndsNormallyWithinItsLimit) {
    const std::vector<std::string> files = corpus_files();
    EXPECT_GE(files.size(), 10u) << kCorpus;
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        testing::ErrorLogDir state;  // a failure must not write into the user's state folder
        testing::Scenario run(testing::read_file(kCorpus / file));
        EXPECT_TRUE(run.result.ended_normally()) << run.log();
        EXPECT_EQ(run.exit_code(), 0) << run.log();
        EXPECT_FALSE(run.result.error) << run.log();
        EXPECT_FALSE(run.result.limit_reached) << run.log();
        EXPECT_TRUE(state.values().empty()) << "a run-time error was logged";
    }
}

}  // namespace
}  // namespace zell
