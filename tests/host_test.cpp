#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>

#include "runtime/sjis.h"
#include "runtime/tables.h"
#include "tests/support/error_log.h"
#include "tests/support/headless_host.h"

namespace zell {
namespace {

using testing::HeadlessHost;

std::string screen_text(Screen& s) {
    std::string all;
    for (int r = 0; r < s.rows(); ++r) all += to_utf8(s.row_bytes(r)) + "\n";
    return all;
}

TEST(StatementPoll, PumpsAtTheFirstStepAndThenAtEveryEleventh) {
    HeadlessHost h;
    std::vector<int> pumps_after;
    h.run([&](Host& rt) {
        for (int i = 0; i < 10; ++i) {
            rt.step();
            pumps_after.push_back(rt.pump_count());
        }
    });
    // A program of fewer than 11 steps pumps exactly once, at its first step.
    EXPECT_EQ(pumps_after, std::vector<int>(10, 1));

    HeadlessHost h2;
    std::vector<int> pump_steps;
    h2.run([&](Host& rt) {
        for (int i = 1; i <= 34; ++i) {
            int before = rt.pump_count();
            rt.step();
            if (rt.pump_count() != before) pump_steps.push_back(i);
        }
    });
    EXPECT_EQ(pump_steps, (std::vector<int>{1, 12, 23, 34}));
}

TEST(StatementPoll, ClosingTheWindowEndsALongComputationWithCodeZero) {
    HeadlessHost h;
    long steps = 0;
    h.backend.inject_close();
    int code = h.run([&](Host& rt) {
        for (;;) {
            rt.step();
            ++steps;
        }
    });
    EXPECT_EQ(code, 0);
    EXPECT_EQ(h.host->ending(), Host::Ending::Closed);
    EXPECT_LE(steps, 11);
    EXPECT_FALSE(h.backend.has_window());
}

TEST(ProgramEnd, ExitCodes) {
    HeadlessHost a;
    EXPECT_EQ(a.run([](Host& rt) { rt.end_program(7); }), 7);
    EXPECT_EQ(a.host->ending(), Host::Ending::End);
    HeadlessHost b;
    EXPECT_EQ(b.run([](Host& rt) { rt.step(); }), 0);
    EXPECT_EQ(b.host->ending(), Host::Ending::Returned);
}

TEST(ProgramEnd, AnInvalidFormDescriptionShowsMessageThreeAndFails) {
    auto stored = main_form_bytes();
    std::vector<uint8_t> bad(stored.begin(), stored.end());
    bad[0x15B] = 81;
    Host::Options o;
    o.form = bad;
    HeadlessHost h(0, std::move(o));
    bool ran = false;
    EXPECT_EQ(h.run([&](Host&) { ran = true; }), 1);
    EXPECT_FALSE(ran);
    ASSERT_EQ(h.backend.message_boxes().size(), 1u);
    EXPECT_EQ(h.backend.message_boxes()[0], "zell-bowling.EXE: ウィンドウをオープンできません");
}

class ErrorReport : public ::testing::Test {
protected:
    std::map<std::string, std::string> log_values() { return log_.values(); }
    testing::ErrorLogDir log_;
};

TEST_F(ErrorReport, IsWrittenAtTheCursorLoggedAndEndsAfterAKeyWithCodeOne) {
    HeadlessHost h(0, Host::Options{});
    h.backend.set_clock({2026, 12, 6, 9, 5, 7});
    unsigned line = 0;
    bool waited = false;
    h.backend.set_on_wait([&](HeadlessBackend& b) {
        waited = true;
        b.inject_char('x');
        return true;
    });
    int code = h.run([&](Host& rt) {
        rt.locate(0, 0, 5, 0, 3);
        rt.print(0, "before");
        Table<float> t(20);
        line = __LINE__ + 1;
        t(21) = 1;
    });
    EXPECT_EQ(code, 1);
    EXPECT_TRUE(waited);
    EXPECT_EQ(h.host->ending(), Host::Ending::Error);
    std::string text = screen_text(h.screen());
    std::string expected = "host_test.cpp [" + std::to_string(line) + "行]:エラー[9]";
    // The report is written at the cursor (row 6 after "before" ended its line) and begins
    // with a line break, so it stands at the start of row 7.
    EXPECT_EQ(to_utf8(h.screen().row_bytes(7)).rfind(expected, 0), 0u) << text;
    EXPECT_NE(text.find(std::string(error_text(9))), std::string::npos);
    EXPECT_NE(text.find("任意のキーを押してください"), std::string::npos);

    auto v = log_values();
    EXPECT_EQ(v["MODL"], "host_test.cpp");
    EXPECT_EQ(v["LINE"], std::to_string(line));
    EXPECT_EQ(v["CODE"], "9");
    EXPECT_EQ(v["FUNC"], "26");  // 0x1A01 >> 8
    EXPECT_EQ(v["INFO"], "1");
    EXPECT_EQ(v["TIME"].rfind("2026/12/06 09:05:", 0), 0u) << v["TIME"];
    // Written atomically: no temporary file is left behind.
    int files = 0;
    for (auto& e : std::filesystem::directory_iterator(log_.log_folder())) {
        (void)e;
        ++files;
    }
    EXPECT_EQ(files, 1);
}

TEST_F(ErrorReport, ClosingTheWindowAtThePromptEndsAtOnce) {
    HeadlessHost h;
    int code = h.run([](Host& rt) { rt.sleep_10ms(70000); });  // nothing injected: the prompt's wait closes
    EXPECT_EQ(code, 1);
    EXPECT_EQ(h.host->last_error()->number(), 5);
    EXPECT_EQ(log_values()["CODE"], "5");
}

TEST_F(ErrorReport, AnUnwritableLogIsSilent) {
    ::setenv("XDG_STATE_HOME", "/proc/zell-no-such-dir", 1);
    HeadlessHost h;
    EXPECT_EQ(h.run([](Host& rt) { rt.cls(0, 6); }), 1);
    EXPECT_EQ(h.host->last_error()->number(), 5);
}

TEST(Services, AWindowOtherThanTheMainOneIsError1000) {
    HeadlessHost h;
    h.run([](Host& rt) { rt.cls(1, 0); });
    ASSERT_TRUE(h.host->last_error());
    EXPECT_EQ(h.host->last_error()->number(), 1000);
}

TEST(Services, SleepAdvancesTheClockShowsTheScreenAndPumpsNothing) {
    HeadlessHost h;
    h.run([](Host& rt) {
        rt.draw_line(0, 0, 10, 10, 0, 20, 20, -1, 12, 2, 12, -1, 0xC);
        int pumps = rt.pump_count();
        uint64_t t0 = rt.backend().now_us();
        rt.sleep_10ms(150);
        EXPECT_EQ(rt.backend().now_us() - t0, 1'500'000u);
        EXPECT_EQ(rt.pump_count(), pumps);
        // What was drawn right before the pause is on the window.
        auto& b = static_cast<HeadlessBackend&>(rt.backend());
        EXPECT_EQ(b.presented(), rt.screen().visible());
        EXPECT_THROW(rt.sleep_10ms(65536), RuntimeError);
        EXPECT_THROW(rt.sleep_10ms(-1), RuntimeError);
    });
}

TEST(Services, AWaitingProgramBlocksOnTheEventQueueInsteadOfSpinning) {
    HeadlessHost h;
    int polls = 0;
    h.run([&](Host& rt) {
        while (rt.inkey(0).empty()) ++polls;
    });
    // With nothing to read, the host asked the backend to wait, and the headless window closed.
    EXPECT_GE(h.backend.waits(), 1);
    EXPECT_EQ(h.host->ending(), Host::Ending::Closed);
    EXPECT_LT(polls, 40);
}

TEST(Pacing, StepsFollowDeadlinesWithoutDrift) {
    HeadlessHost h;
    h.run([](Host& rt) {
        uint64_t t0 = rt.backend().now_us();
        rt.pace_begin(4000);
        for (int i = 0; i < 1170; ++i) {
            rt.backend().sleep_us(i % 3 == 0 ? 2500 : 100);  // work of uneven length
            rt.pace_step();
        }
        EXPECT_EQ(rt.backend().now_us() - t0, 1170u * 4000u);
    });
}

TEST(Pacing, APacedRunAfterInputReadsDoesNotWaitForInput) {
    HeadlessHost h;
    h.backend.inject_press(MouseButton::Left, 10, 10);
    bool released = false;
    h.backend.set_on_wait([&](HeadlessBackend& b) {
        if (released) return false;
        b.inject_release(MouseButton::Left, 10, 10);
        return released = true;
    });
    int idle_pumps = -1;
    int code = h.run([&](Host& rt) {
        while (rt.mouse_button(0, 2, 0) == 0) {
        }
        while (rt.mouse_button(0, 2, 0) != 0) {
        }
        rt.mouse_pos(0, 0);  // reads that find nothing new, as after a release
        rt.mouse_pos(0, 1);
        rt.mouse_pos(0, 0);
        int waits = h.backend.waits();
        uint64_t t0 = rt.backend().now_us();
        rt.pace_begin(4000);
        for (int i = 0; i < 100; ++i) {
            for (int k = 0; k < 30; ++k) rt.step();
            rt.pace_step();
        }
        idle_pumps = h.backend.waits() - waits;
        EXPECT_EQ(rt.backend().now_us() - t0, 100u * 4000u);
    });
    EXPECT_EQ(code, 0);
    EXPECT_EQ(h.host->ending(), Host::Ending::Returned);
    EXPECT_EQ(idle_pumps, 0);
}

}  // namespace
}  // namespace zell

namespace zell {
namespace {

TEST(FatalSignal, ReportsThePositionOfTheFailingStepOnStandardError) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            testing::HeadlessHost h;
            h.run([](Host& rt) {
                rt.step();
                std::raise(SIGSEGV);
            });
        },
        ::testing::KilledBySignal(SIGSEGV), "続行不可能なエラーが発生しました host_test\\.cpp \\[[0-9]+行\\]");
}

}  // namespace
}  // namespace zell

#include "tools/icon.h"

namespace zell {
namespace {

TEST(Icon, TheHostSetsTheIconTheFormNames) {
    Icon icon{Image(4, 4, rgb(1, 2, 3)), 0};
    Host::Options o;
    o.icons.emplace_back("other", Icon{Image(2, 2), 0});
    o.icons.emplace_back("ZELL1", icon);  // the form names "zell1": names match without regard to case
    testing::HeadlessHost h(0, std::move(o));
    h.run([](Host& rt) { rt.step(); });
    EXPECT_EQ(h.backend.icon().image, icon.image);
}

}  // namespace
}  // namespace zell
