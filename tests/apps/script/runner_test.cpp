// The scripted runner's bounds and inputs, with small programs in place of the game: every run ends,
// raw bytes arrive as typed, a timed close lands mid-animation, the result tells how it ended.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/error_log.h"
#include "tests/support/scenario.h"

namespace zell {
namespace {

using testing::Scenario;

bool logged(const Scenario& run, const std::string& line) { return run.log().find(line + "\n") != std::string::npos; }

TEST(RunnerLimits, AProgramThatOnlyPausesIsClosedAtTheVirtualTimeLimit) {
    uint64_t last_us = 0;
    Scenario run("limit 5\n", [&](Host& rt) {
        for (;;) {
            rt.sleep_10ms(1);
            last_us = rt.backend().now_us();
        }
    });
    EXPECT_TRUE(run.result.limit_reached);
    EXPECT_FALSE(run.result.ended_normally());
    EXPECT_EQ(run.result.ending, Host::Ending::Closed);
    EXPECT_EQ(run.exit_code(), 0);
    EXPECT_TRUE(logged(run, "limit: virtual time reached the limit of 5 s, window closed")) << run.log();
    // Closed at the first statement poll once 5 s had passed: the poll is due after every pause.
    EXPECT_GE(last_us, 5'000'000u);
    EXPECT_LT(last_us, 5'010'000u);
}

TEST(RunnerLimits, AProgramThatNeverWaitsNorPausesIsClosed) {
    long steps = 0;
    Scenario run("", [&](Host& rt) {
        for (;;) {
            rt.step();
            ++steps;
        }
    });
    EXPECT_TRUE(run.result.limit_reached);
    EXPECT_EQ(run.result.ending, Host::Ending::Closed);
    EXPECT_TRUE(logged(run, "limit: the program ran " + std::to_string(script::kMaxStillPumps) +
                                " pumps without waiting or pausing, window closed"))
        << run.log();
    const long per_pump = Host::kBackstopSteps;
    EXPECT_NEAR(double(steps), double(script::kMaxStillPumps * per_pump), double(2 * per_pump));
}

TEST(RunnerLimits, ATimedCloseEndsAnAnimationInTheMiddle) {
    int paced = 0;
    // The timer starts at the first wait; the key is read 300 ms (a hand's gap) + one 10 ms wait later.
    Scenario run("close 1000\nkey a\n", [&](Host& rt) {
        while (rt.inkey(0).empty()) {}
        rt.pace_begin(4000);
        for (;;) {
            rt.step();
            rt.pace_step();
            ++paced;
        }
    });
    EXPECT_TRUE(run.result.ended_normally()) << run.log();
    EXPECT_EQ(run.result.ending, Host::Ending::Closed);
    EXPECT_FALSE(run.result.limit_reached);
    // Closed at the first step once 690 ms of 4 ms steps had passed: the poll is due after every one.
    EXPECT_EQ(paced, 173);
}

TEST(RunnerInput, RawBytesArriveUnchanged) {
    std::vector<int> codes;
    Scenario run("char 129\nchar 0\nchar 255\n", [&](Host& rt) {
        while (codes.size() < 3)
            if (std::string k = rt.inkey(0); !k.empty()) codes.push_back(uint8_t(k[0]));
    });
    EXPECT_EQ(codes, (std::vector<int>{129, 0, 255}));
    EXPECT_EQ(run.exit_code(), 0);
}

TEST(RunnerResult, TellsWhereTheProgramWaitedAndWhatItRan) {
    unsigned first = 0, second = 0, computed = 0;
    Scenario run("key a\nkey b\n", [&](Host& rt) {
        first = __LINE__ + 1;
        while (rt.inkey(0).empty()) {}
        second = __LINE__ + 1;
        while (rt.inkey(0).empty()) {}
        computed = __LINE__ + 1;
        for (int i = 0; i < Host::kSampleSteps; ++i) rt.step();  // computes, pumping or not
        rt.end_program(0);
    });
    auto place = [](unsigned line) { return "runner_test.cpp:" + std::to_string(line); };
    EXPECT_EQ(run.result.waits, (std::vector<std::string>{place(first), place(second)}));
    for (unsigned line : {first, second, computed}) EXPECT_TRUE(run.result.positions.count(place(line))) << line;
    EXPECT_EQ(run.result.ending, Host::Ending::End);
    EXPECT_TRUE(run.result.ended_normally());
}

TEST(RunnerResult, ARunTimeErrorIsLoggedAndIsNoNormalEnding) {
    testing::ErrorLogDir state;
    unsigned line = 0;
    Scenario run("key x\n", [&](Host& rt) {
        line = __LINE__ + 1;
        rt.sleep_10ms(-1);
    });
    EXPECT_TRUE(run.result.error);
    EXPECT_EQ(run.exit_code(), 1);
    EXPECT_EQ(run.result.ending, Host::Ending::Error);
    EXPECT_FALSE(run.result.ended_normally());
    EXPECT_TRUE(logged(run, "error 5 at runner_test.cpp line " + std::to_string(line))) << run.log();
    EXPECT_TRUE(logged(run, "ended: run-time error, exit code 1")) << run.log();
}

}  // namespace
}  // namespace zell
