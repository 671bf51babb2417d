#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>

#include "game/program.h"
#include "runtime/core/tables.h"
#include "runtime/host/watch_backend.h"
#include "tests/support/error_log.h"
#include "tests/support/event_log.h"
#include "tests/support/headless_host.h"
#include "tools/icon/icon.h"

namespace zell {
namespace {

using testing::HeadlessHost;

// A program that only computes pumps at its first step and then whenever kPumpPeriodUs has passed
// by the clock, never waiting; where the clock stands still, every kBackstopSteps steps.
TEST(StatementPoll, PumpsOnTimeAndWhereTheClockStandsStillAtTheBackstop) {
    // The clock's advance after each step, the steps, the pumps.
    const std::tuple<uint64_t, int, int> cases[] = {
        {500, 40, 10}, {1500, 20, 10}, {2000, 10, 10}, {10'000, 3, 3}, {0, 3 * Host::kBackstopSteps + 1, 4}};
    for (auto [gap_us, steps, pumps] : cases) {
        HeadlessHost h;
        h.run([&](Host& rt) {
            for (int i = 0; i < steps; ++i) {
                rt.step();
                h.backend.sleep_us(gap_us);
            }
        });
        EXPECT_EQ(h.backend.pumps(), pumps) << gap_us;
        EXPECT_EQ(h.backend.waits(), 0);
    }
}

// A loop polling a read waits for input at its read once kIdleReads reads found nothing, and
// what arrives during that wait is what the read returns.
TEST(StatementPoll, APollingLoopWaitsAtItsReadAndGetsWhatArrivesThere) {
    struct Case {
        unsigned line;  // of the read
        int reads_before;
        std::function<bool(Host&)> read;  // true once it found the input
        HeadlessBackend::Event input;
    };
    FixedString field;
    const Host::Loc line_at = Host::Loc::current();
    const Case cases[] = {
        {__LINE__, Host::kIdleReads, [](Host& rt) { return rt.inkey(0) == "x"; },
         [](InputSink& s) { s.char_typed('x'); }},
        {__LINE__, Host::kIdleReads, [](Host& rt) { return rt.mouse_button(0, 2, 1) != 0; },
         [](InputSink& s) { s.mouse_down(MouseButton::Right, 1, 1, 0); }},
        {__LINE__, Host::kIdleReads, [](Host& rt) { return rt.mouse_pos(0, 0) == 7; },
         [](InputSink& s) { s.mouse_move(7, 1, 0); }},
        {line_at.line(), 0,
         [&](Host& rt) {
             rt.input_line(0, 0, "", field, line_at);
             return field.str().starts_with("x ");
         },
         [](InputSink& s) { s.text_typed("x\r"); }},
    };
    for (const Case& c : cases) {
        HeadlessHost h;
        int reads = 0;
        h.backend.set_on_wait([&](HeadlessBackend& b) {
            EXPECT_EQ(h.host->position().line(), c.line);
            EXPECT_EQ(reads, c.reads_before) << c.line;
            b.inject(c.input);
            return true;
        });
        h.run([&](Host& rt) {
            while (!c.read(rt)) ++reads;
        });
        EXPECT_EQ(h.host->ending(), Host::Ending::Returned) << c.line;
        EXPECT_EQ(h.backend.waits(), 1) << c.line;
    }
}

// Idle steps change nothing the program sees: with 0, 1 or 7 more steps a pass it reads the same
// inputs at the same times (a polled key, delivered where it waits; a move made during an animation).
TEST(StatementPoll, StepsThatDoNothingChangeNothingTheProgramSees) {
    using Seen = std::vector<std::pair<int, uint64_t>>;
    auto run = [](int extra) {
        HeadlessHost h;
        Seen seen;
        int keys = 0;
        h.backend.set_on_wait([&](HeadlessBackend& b) {
            b.sleep_us(300'000);
            b.inject_char(uint8_t('a' + keys++));
            return true;
        });
        h.backend.set_on_pump([&](HeadlessBackend& b) {
            if (b.now_us() >= 450'000 && b.now_us() < 460'000) b.inject_move(9, 9);
        });
        h.run([&](Host& rt) {
            for (int x = 0; seen.size() < 4;) {
                std::string key;
                while (key.empty()) {
                    for (int k = 0; k < extra; ++k) rt.step();
                    key = rt.inkey(0);
                }
                seen.emplace_back(key[0], rt.backend().now_us());
                rt.pace_begin(4000);
                for (int i = 0; i < 50; ++i) {
                    for (int k = 0; k < extra; ++k) rt.step();
                    if (int now_x = rt.mouse_pos(0, 0); now_x != x) seen.emplace_back(x = now_x, rt.backend().now_us());
                    rt.pace_step();
                }
            }
        });
        return seen;
    };
    // Each key 300 ms (the hand) and one 10 ms wait after the program began to poll; the move seen
    // at the paced step it was made in: the animation never waits at its reads.
    const Seen plain = run(0);
    EXPECT_EQ(plain, (Seen{{'a', 310'000}, {9, 450'000}, {'b', 820'000}, {'c', 1'330'000}}));
    EXPECT_EQ(run(1), plain);
    EXPECT_EQ(run(7), plain);
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

// A description that does not parse, or parses but makes no screen: the program never runs.
TEST(ProgramEnd, AFormThatIsInvalidOrMakesNoScreenShowsItsStartupMessageAndFails) {
    struct Case {
        size_t at;  // the end tag, the column count (tag 36) or the font height (tag 70)
        int stored, value;
        const char* message;
    };
    for (const Case& c :
         {Case{0x15B, 2, 81, "ウィンドウをオープンできません"}, Case{0x25, 81, 1, "ウィンドウをオープンできません"},
          Case{0x5F, 18, 0, "グラフィックビットマップを作成できません"},
          Case{0x5F, 18, 60000, "グラフィックビットマップを作成できません"}}) {
        auto stored = main_form_bytes();
        std::vector<uint8_t> form(stored.begin(), stored.end());
        ASSERT_EQ(form[c.at] | form[c.at + 1] << 8, c.stored);
        form[c.at] = uint8_t(c.value);
        form[c.at + 1] = uint8_t(c.value >> 8);
        Host::Options o;
        o.form = form;
        HeadlessHost h(0, std::move(o));
        bool ran = false;
        EXPECT_EQ(h.run([&](Host&) { ran = true; }), 1) << c.value;
        EXPECT_FALSE(ran);
        ASSERT_EQ(h.backend.message_boxes().size(), 1u);
        EXPECT_EQ(h.backend.message_boxes()[0], std::string("zell-bowling.EXE: ") + c.message);
    }
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
    std::string text = h.text();
    std::string expected = "host_test.cpp [" + std::to_string(line) + "行]:エラー[9]";
    // The report is written at the cursor (row 6 after "before" ended its line) and begins
    // with a line break, so it stands at the start of row 7.
    EXPECT_EQ(to_utf8(h.screen().row_bytes(7)).rfind(expected, 0), 0u) << text;
    EXPECT_NE(text.find(std::string(error_text(9))), std::string::npos);
    EXPECT_NE(text.find("任意のキーを押してください"), std::string::npos);

    auto v = log_values();
    EXPECT_EQ(v["TIME"].rfind("2026/12/06 09:05:", 0), 0u) << v["TIME"];
    v.erase("TIME");
    EXPECT_EQ(
        v,
        (std::map<std::string, std::string>{
            {"MODL", "host_test.cpp"}, {"LINE", std::to_string(line)}, {"CODE", "9"}, {"FUNC", "26"}, {"INFO", "1"}}));
    // Written atomically: no temporary file is left behind.
    using Files = std::filesystem::directory_iterator;
    EXPECT_EQ(std::distance(Files(log_.log_folder()), Files()), 1);
}

// The report's wait ends at a click (a tap) as at a key, but not at a click made before it.
TEST_F(ErrorReport, AClickEndsTheWaitButNotOneMadeBeforeTheReport) {
    HeadlessHost h(0, Host::Options{});
    int waits = 0;
    h.backend.inject_press(MouseButton::Left, 10, 10);
    h.backend.set_on_wait([&](HeadlessBackend& b) {
        ++waits;
        b.inject_press(MouseButton::Left, 20, 20);
        b.inject_release(MouseButton::Left, 20, 20);
        return true;
    });
    const int code = h.run([&](Host& rt) {
        rt.step();
        Table<float> t(20);
        t(21) = 1;
    });
    EXPECT_EQ(code, 1);
    EXPECT_EQ(waits, 1);
}

TEST_F(ErrorReport, ServicesThatSharedANumberLogTheirOwnFunc) {
    FixedString field;
    const std::pair<const char*, Host::MainProgram> cases[] = {
        {"cls", [](Host& rt) { rt.cls(0, 9); }},
        {"input_line", [&](Host& rt) { rt.input_line(0, 3, "", field); }},
        {"locate", [](Host& rt) { rt.locate(0, 999, 0, 0, 1); }},
        {"mouse_pos", [](Host& rt) { rt.mouse_pos(0, 7); }},
    };
    std::map<std::string, std::string> func;
    for (const auto& [name, program] : cases) {
        HeadlessHost h;
        EXPECT_EQ(h.run(program), 1) << name;
        func[name] = log_values()["FUNC"];
    }
    EXPECT_NE(func["cls"], func["input_line"]);
    EXPECT_NE(func["locate"], func["mouse_pos"]);
}

// Closing the window at the report's prompt ends the run at once; a log that cannot be written (a
// file in its folder's place) is silent; another window than the main one is error 1000.
TEST_F(ErrorReport, EndsWithCodeOneWhenTheWindowClosesOrTheLogCannotBeWritten) {
    HeadlessHost closed;
    EXPECT_EQ(closed.run([](Host& rt) { rt.sleep_10ms(70000); }), 1);
    EXPECT_EQ(log_values()["CODE"], "5");
    std::ofstream(log_.dir()) << "x";
    HeadlessHost unwritable, other_window;
    EXPECT_EQ(unwritable.run([](Host& rt) { rt.cls(0, 6); }) + other_window.run([](Host& rt) { rt.cls(1, 0); }), 2);
    EXPECT_EQ((std::array{closed.host->last_error()->number(), unwritable.host->last_error()->number(),
                          other_window.host->last_error()->number()}),
              (std::array{5, 5, 1000}));
}

TEST(LineInput, BackspaceRightAfterTheLineWrappedErasesOnTheRowAbove) {
    HeadlessHost h;
    for (char c : std::string("ab\b\bc\r")) h.backend.inject_char(uint8_t(c));  // \b Backspace, \r Enter
    FixedString name;
    h.run([&](Host& rt) {
        rt.locate(0, rt.screen().columns() - 4, 5, 0, 3);
        rt.input_line(0, 0, "", name);  // "? " and then "ab", whose "b" takes the row's last cell
    });
    EXPECT_EQ(name.str().substr(0, 2), "c ");
    EXPECT_TRUE(h.screen().row_bytes(5).ends_with("? c ")) << "both erased, c where a was";
    EXPECT_EQ(h.screen().row_bytes(6), std::string(size_t(h.screen().columns()), ' '));
    EXPECT_EQ(h.screen().cursor_row(), 6) << "Enter ends the line";
}

TEST(Services, ATabInAFormattedOutputTemplateGoesToTheNextMultipleOfEightOnTheScreen) {
    struct Case {
        int column;
        const char* tmpl;
        std::initializer_list<UsingItem> items;
        std::string row;
    };
    for (const Case& c : {Case{3, "A\t#", {5}, "   A    5"}, Case{0, "#\t#", {1, 2, 3}, "1       23"},
                          Case{9, "#\t#", {1, 2}, "         1      2"}}) {
        HeadlessHost h;
        h.run([&](Host& rt) {
            rt.locate(0, c.column, 0, 0, 3);
            rt.print_using(0, c.tmpl, c.items, 2);
        });
        EXPECT_EQ(h.screen().row_bytes(0).substr(0, c.row.size() + 1), c.row + " ") << c.tmpl;
    }
}

TEST(Services, SleepAdvancesTheClockShowsTheScreenAndPumpsNothing) {
    HeadlessHost h;
    h.backend.set_present_cost_us(40'000);  // a slow display: showing the screen is part of the pause
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

// After a hold-up of a second the steps keep deadlines again, counted from the step that was late.
TEST(Pacing, StepsFollowDeadlinesWithoutDriftAndStartAfreshAfterAHoldUp) {
    HeadlessHost h;
    h.run([&](Host& rt) {
        uint64_t t0 = rt.backend().now_us(), late = 0;
        rt.pace_begin(4000);
        int shown = 0;  // pictures shown by the steps themselves, before their waits
        for (int i = 0; i < 1170; ++i) {
            rt.screen().draw_line(0, float(i % 600), 0, 0, float(i % 600), 10, -1, 12, 2, 12, -1, 0xD);  // no pump
            rt.backend().sleep_us(i == 600 ? 1'000'000 : i % 3 == 0 ? 2500 : 100);  // work of uneven length
            const int before = h.backend.presents();
            rt.pace_step();
            shown += h.backend.presents() - before;
            if (i == 600) late = rt.backend().now_us();
        }
        EXPECT_GE(shown, 220) << "an on-time run is shown about fifty times a second";
        EXPECT_EQ(late - t0, 600u * 4000u + 1'000'000u);  // no wait at the late step, no rush after it
        EXPECT_EQ(rt.backend().now_us() - late, 569u * 4000u);
    });
}

// A busy run that is not paced (drawing with no waits) is shown at the display's pace, about
// sixty pictures a second, not only at the few a second that keep a late paced run visible.
TEST(Pacing, ABusyUnpacedRunIsShownAtTheDisplaysPace) {
    HeadlessHost h;
    h.run([&](Host& rt) {
        const int before = h.backend.presents();
        for (int i = 0; i < 4000; ++i) {  // two seconds
            rt.draw_line(0, float(i % 600), 0, 0, float(i % 600), 10, 10, -1, 12, 2, 12, -1, 0xC);
            rt.step();
            h.backend.sleep_us(500);
        }
        EXPECT_GE(h.backend.presents() - before, 2 * 50);
    });
}

// A minimized window holds the game's clock: no step is taken meanwhile, and the run goes on
// from where it stood at its own pace, as if the minimized time had never passed.
TEST(Pacing, AMinimizedWindowHoldsTheRunUntilItIsShownAgain) {
    HeadlessHost h;
    uint64_t minimized = 0, shown = 0;
    int presents_when_shown = 0;
    h.backend.set_on_pump([&](HeadlessBackend& b) {
        if (!minimized && b.now_us() >= 1'200'000) b.set_suspended(true), minimized = b.now_us();
        else if (!shown && minimized && b.now_us() >= minimized + 5'000'000) {
            b.set_suspended(false), shown = b.now_us();
            presents_when_shown = b.presents();
        }
    });
    h.run([&](Host& rt) {
        std::vector<uint64_t> gaps;
        uint64_t last = rt.backend().now_us();
        const uint64_t t0 = last;
        int presents_after_hold = 0;
        rt.pace_begin(4000);
        for (int i = 0; i < 1170; ++i) {
            rt.step();
            rt.backend().sleep_us(i % 3 == 0 ? 2500 : 100);
            rt.pace_step();
            gaps.push_back(rt.backend().now_us() - last);
            if (gaps.back() > 4000) presents_after_hold = h.backend.presents();
            last = rt.backend().now_us();
        }
        ASSERT_GT(shown, minimized);
        const uint64_t held = shown - minimized;
        EXPECT_EQ(std::count(gaps.begin(), gaps.end(), 4000u), 1169);
        EXPECT_EQ(std::count(gaps.begin(), gaps.end(), 4000u + held), 1);
        EXPECT_EQ(last - t0, 1170u * 4000u + held);
        // The window shown again gets its picture at once, not at the next change.
        EXPECT_GT(presents_after_hold, presents_when_shown);
    });
}

// A window closed while minimized ends the program at once, not once it is shown again.
TEST(Pacing, AWindowClosedWhileMinimizedEndsTheRunAtOnce) {
    HeadlessHost h;
    int minimized_pumps = 0;
    h.backend.set_on_pump([&](HeadlessBackend& b) {
        if (b.suspended() && ++minimized_pumps == 3) b.inject_close();
        b.set_suspended(b.now_us() >= 100'000 && b.now_us() < 5'000'000);
    });
    h.run([](Host& rt) {
        for (;;) rt.step(), rt.backend().sleep_us(1000);
    });
    EXPECT_EQ(h.host->ending(), Host::Ending::Closed);
    EXPECT_LT(h.backend.now_us(), 1'000'000u);
}

// How a SIGSEGV ends the process: killed by it, or on Windows the C runtime's exit code 3.
#ifdef _WIN32
const auto kCrashed = ::testing::ExitedWithCode(3);
#else
const auto kCrashed = ::testing::KilledBySignal(SIGSEGV);
#endif

TEST(FatalSignal, ReportsThePositionOfTheFailingStepOnStandardError) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // The message names the line of the last step, whole.
    const std::source_location at = std::source_location::current();
    EXPECT_EXIT(
        {
            testing::HeadlessHost h;
            h.run([&](Host& rt) {
                rt.step(at);
                std::raise(SIGSEGV);
            });
        },
        kCrashed, "続行不可能なエラーが発生しました host_test\\.cpp \\[" + std::to_string(at.line()) + "行\\]");
}

// At every desktop size the white figure is ringed by the outline: no white pixel touches the
// transparent background (it would vanish on a light panel), and the figure spans the icon's width.
TEST(Icon, EveryDesktopSizeIsOutlined) {
    for (int size : kDesktopIconSizes) {
        SCOPED_TRACE(size);
        Icon icon = render_mascot_icon(size);
        const Image& img = icon.image;
        ASSERT_EQ(img.width(), size);
        int left = size, right = -1, white = 0;
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) {
                if (img.at(x, y) != icon.transparent) left = std::min(left, x), right = std::max(right, x);
                if (img.at(x, y) != rgb(255, 255, 255)) continue;
                ++white;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx) {
                        int nx = x + dx, ny = y + dy;
                        bool inside = nx >= 0 && ny >= 0 && nx < size && ny < size;
                        EXPECT_TRUE(inside && img.at(nx, ny) != icon.transparent) << x << "," << y;
                    }
            }
        EXPECT_GT(white, size * size / 8);
        EXPECT_LE(left, 1);
        EXPECT_GE(right, size - 2);
    }
}

TEST(Icon, TheHostSetsTheIconTheFormNames) {
    Icon icon{Image(4, 4, rgb(1, 2, 3)), 0};
    Host::Options o;
    o.icons.emplace_back("other", Icon{Image(2, 2), 0});
    o.icons.emplace_back("ZELL1", icon);  // the form names "zell1": names match without regard to case
    testing::HeadlessHost h(0, std::move(o));
    h.run([](Host& rt) { rt.step(); });
    EXPECT_EQ(h.backend.icon().image, icon.image);
}

// The game's own drop (1170 steps of 4 ms at speed 3) on a display whose every present takes the
// given time: the steps keep their deadlines, and the slower the display, the fewer pictures.
TEST(Pacing, ASlowDisplayNeitherStretchesTheDropNorHidesIt) {
    struct Row {
        int present_ms;
        int presents = 0;
    };
    std::vector<Row> rows = {{0}, {16}, {50}, {100}};
    for (Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << "present cost " << row.present_ms << " ms");
        testing::HeadlessHost h;
        h.backend.set_present_cost_us(uint64_t(row.present_ms) * 1000);
        int wait = 0;
        uint64_t first_us = 0, last_us = 0;
        int first_presents = 0;
        // Start a game, place the ball above the strip beside the pins, press and release on the spot;
        // a hand's 300 ms between inputs (two clicks closer than 500 ms would make a double-click).
        h.backend.set_on_wait([&](HeadlessBackend& b) {
            b.sleep_us(300'000);
            switch (wait++) {
            case 0: b.inject_char(13); return true;
            case 1:
            case 3: b.inject_press(MouseButton::Left, 100, 701 - 680); return true;
            case 2: b.inject_release(MouseButton::Left, 100, 701 - 680); return true;
            case 4:
                b.inject_release(MouseButton::Left, 100, 701 - 680);
                first_us = b.now_us() + 10'000;  // delivered after this wait of 10 ms
                first_presents = b.presents();
                return true;
            default: return false;
            }
        });
        h.backend.set_on_pump([&](HeadlessBackend& b) {
            if (!std::string_view(h.host->position().function_name()).ends_with("simulation_step()")) return;
            last_us = b.now_us();
            row.presents = b.presents() - first_presents;
        });
        EXPECT_EQ(h.run([](Host& rt) { game_main(rt, nullptr); }), 0);
        // From the release to the last step (the ball leaves play in step 1170); a present begun
        // just before the last deadline may end after it.
        EXPECT_NEAR(double(last_us - first_us), 4.68e6, 4.68e6 * 0.02 + row.present_ms * 1000.0);
        // Shown at least about ten times a second throughout.
        EXPECT_GE(row.presents, 4.68 * 8);
    }
    for (size_t i = 1; i < rows.size(); ++i) EXPECT_LT(rows[i].presents, rows[i - 1].presents);
}

// A key or a click during the title ends it at once and does nothing more: the menu waits
// with its first item chosen (an Enter that reached it would start a game).
TEST(Title, AKeyOrAClickSkipsToTheMenuAndIsTaken) {
    struct Case {
        const char* what;
        std::function<void(HeadlessBackend&)> input;
        bool skipped;
    };
    for (const Case& c : std::vector<Case>{
             {"nothing", [](HeadlessBackend&) {}, false},
             {"Enter", [](HeadlessBackend& b) { b.inject_char(keycode::kEnter); }, true},
             {"a click", [](HeadlessBackend& b) { b.inject_press(MouseButton::Right, 5, 5); }, true},
         }) {
        testing::HeadlessHost h;
        c.input(h.backend);
        uint64_t menu_us = 0;
        std::string waits_in;
        h.backend.set_on_wait([&](HeadlessBackend& b) {
            menu_us = b.now_us();
            waits_in = h.host->position().function_name();
            return false;
        });
        h.run([](Host& rt) { game_main(rt, nullptr); });
        EXPECT_NE(waits_in.find("wait_key"), std::string::npos) << c.what << ": " << waits_in;
        EXPECT_EQ(menu_us < 1'000'000, c.skipped) << c.what << ": the menu waits from " << menu_us << " us";
    }
}

// Both buttons going down in the same poll place the ball: only the right button alone gives up.
// A press released before the game looked (a tap: both in one wait) places it as a click does.
TEST(Placing, ATapOrBothButtonsAtOncePlaceTheBallTheRightButtonAloneGivesUp) {
    const auto L = MouseButton::Left, R = MouseButton::Right;
    struct Case {
        const char* what;
        std::vector<std::vector<std::pair<MouseButton, bool>>> waits;  // per wait: button, down
        const char* waits_in;
    };
    for (const Case& c : std::vector<Case>{
             {"both buttons", {{{L, true}, {R, true}}, {{L, false}}}, "choose_throw"},
             {"a tap", {{{L, true}, {L, false}}, {}}, "choose_throw"},  // released at the next pump
             {"a right tap", {{{R, true}, {R, false}}, {}}, "click"},   // back in the menu: a key or a click
         }) {
        testing::HeadlessHost h;
        size_t wait = 0;
        std::string after;
        h.backend.set_on_wait([&](HeadlessBackend& b) {
            if (wait == 0) b.inject_char(keycode::kEnter);  // Start Throwing
            else if (wait <= c.waits.size())
                for (auto [button, down] : c.waits[wait - 1])
                    down ? b.inject_press(button, 250, 702 - 660) : b.inject_release(button, 250, 702 - 660);
            else after = h.host->position().function_name();
            return wait++ <= c.waits.size();
        });
        h.run([](Host& rt) { game_main(rt, nullptr); });
        EXPECT_NE(after.find(c.waits_in), std::string::npos) << c.what << " waits elsewhere: " << after;
    }
}

// A watched replay's controls before and after its end: before it only Esc or a close ends it, Space
// pauses, Right switches the speed; after it any key, text or click but a modifier or Right ends it.
// A sleep then lasts its whole length on the program's clock, in the real time its speed gives.
TEST(WatchBackend, EachInputBeforeAndAfterTheReplaysEnd) {
    struct Case {
        const char* what;
        std::function<void(HeadlessBackend&)> inject;
        bool ends_before, ends_after;
        unsigned speed = 1;
        bool paused = false;
    };
    const std::vector<Case> cases = {
        {"Right", [](HeadlessBackend& b) { b.inject_key(Key::Right); }, false, false, WatchBackend::kFastFactor},
        {"Space", [](HeadlessBackend& b) { b.inject_char(' '); }, false, true, 1, true},
        {"Esc", [](HeadlessBackend& b) { b.inject_char(keycode::kEscape); }, true, true},
        {"close", [](HeadlessBackend& b) { b.inject_close(); }, true, true},
        {"Left", [](HeadlessBackend& b) { b.inject_key(Key::Left); }, false, true},
        {"Shift", [](HeadlessBackend& b) { b.inject_key(Key::Shift, true); }, false, false},
        {"text", [](HeadlessBackend& b) { b.inject_text("a"); }, false, true},
        {"press", [](HeadlessBackend& b) { b.inject_press(MouseButton::Right, 5, 5); }, false, true},
    };
    for (const Case& c : cases)
        for (bool ended : {false, true}) {
            HeadlessBackend window;
            ASSERT_TRUE(window.open_window({}));
            WatchBackend watch(window);
            if (ended) watch.finish();
            c.inject(window);
            EventLog program;
            watch.pump(program, 0);
            EXPECT_EQ(program.closed, ended ? c.ends_after : c.ends_before) << c.what << (ended ? " after" : " before");
            EXPECT_EQ(program.lines.size(), size_t(program.closed)) << "the program sees no input but a close";
            EXPECT_EQ((std::pair{watch.speed(), watch.paused()}), (std::pair{c.speed, c.paused})) << c.what;
            if (program.closed || c.paused) continue;
            const uint64_t real = window.now_us(), watched = watch.now_us();
            watch.sleep_us(100'000);
            EXPECT_EQ((std::pair{watch.now_us() - watched, window.now_us() - real}),
                      (std::pair{uint64_t(100'000), uint64_t(100'000 / c.speed)}))
                << c.what;
        }
}

}  // namespace
}  // namespace zell
