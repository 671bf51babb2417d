#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/shell/command_line.h"
#include "tests/support/headless_host.h"

namespace zell {
namespace {

using Action = CommandLine::Action;

TEST(CommandLineParse, EachOptionAndEachMistake) {
    struct Case {
        std::vector<std::string> args;
        Action action;
        std::optional<bool> fullscreen = {};
        std::optional<int> scale = {};
        std::optional<ScaleMode> mode = {};
        std::optional<std::string> midi = {};
        bool no_save = false;
    };
    // clang-format off
    const std::vector<Case> cases = {
        {{}, Action::Run},
        {{"--fullscreen", "--scale", "3", "--scale-mode=integer", "--midi", "synth", "--no-save"}, Action::Run, true, 3,
         ScaleMode::Integer, "synth", true},
        {{"--fullscreen", "--window", "--scale=16", "--scale-mode", "sharp", "--midi=Port 1"}, Action::Run, false, 16,
         ScaleMode::Sharp, "Port 1"},
        {{"--fullscreen", "--help"}, Action::Help, true},
        {{"--version"}, Action::Version},
        {{"--bogus"}, Action::Error}, {{"fullscreen"}, Action::Error}, {{"--scale"}, Action::Error},
        {{"--scale", "2x"}, Action::Error}, {{"--scale-mode", "blurry"}, Action::Error}, {{"--midi="}, Action::Error},
        {{"--no-save=yes"}, Action::Error}, {{"--help", "--bogus"}, Action::Error}, {{"--replay"}, Action::Error},
        {{"--verify="}, Action::Error}, {{"--replay", "a", "--verify", "b"}, Action::Error},
        {{"--verify", "a", "--verify=b"}, Action::Error},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        CommandLine cl = parse_command_line(c.args);
        EXPECT_EQ(cl.action, c.action);
        EXPECT_EQ(cl.error.empty(), c.action != Action::Error);
        if (c.action == Action::Error) continue;
        EXPECT_EQ(cl.fullscreen, c.fullscreen);
        EXPECT_EQ(cl.scale, c.scale);
        EXPECT_EQ(cl.scale_mode, c.mode);
        EXPECT_EQ(cl.midi, c.midi);
        EXPECT_EQ(cl.no_save, c.no_save);
    }
    // Every scale at and past both ends of its range.
    for (int n = -1; n <= kMaxScale + 1; ++n) {
        const CommandLine cl = parse_command_line({"--scale=" + std::to_string(n)});
        EXPECT_EQ(cl.scale, n >= 1 && n <= kMaxScale ? std::optional(n) : std::nullopt) << n;
    }
    EXPECT_EQ(parse_command_line({"--replay=x y.replay", "--window"}).replay, "x y.replay");
    EXPECT_EQ(parse_command_line({"--verify", "--window"}).verify, "--window");
}

TEST(CommandLineParse, TheCommandLineWinsOverSavedSettingsItemByItem) {
    const DisplaySettings saved{.fullscreen = true, .scale_mode = ScaleMode::Integer};
    DisplaySettings d = parse_command_line({"--window", "--scale", "2"}).display(saved);
    EXPECT_EQ((std::tuple{d.fullscreen, d.scale_mode, d.scale}), (std::tuple{false, ScaleMode::Integer, 2}));
    d = parse_command_line({}).display(DisplaySettings{});
    EXPECT_EQ((std::tuple{d.fullscreen, d.scale_mode, d.scale}), (std::tuple{false, ScaleMode::Sharp, 0}));
}

// F1 opens the panel over the picture; the key or click that closes it never reaches the
// game, and the time it was open is not counted against a running animation's deadlines.
TEST(HelpPanel, ShownOverThePictureClosedByAnyKeyOrClickThatTheGameNeverSees) {
    for (const auto& [what, close] : std::vector<std::pair<const char*, std::function<void(HeadlessBackend&)>>>{
             {"a character", [](HeadlessBackend& b) { b.inject_char('a'); }},
             {"a key", [](HeadlessBackend& b) { b.inject_key(Key::Down); }},
             {"a click",
              [](HeadlessBackend& b) {
                  b.inject_press(MouseButton::Left, 10, 10);
                  b.inject_release(MouseButton::Left, 10, 10);
              }},
         }) {
        SCOPED_TRACE(what);
        testing::HeadlessHost h;
        int waits = 0;
        bool panel_differs = false;
        h.backend.set_on_wait([&](HeadlessBackend& b) {
            ++waits;
            if (waits == 1) b.inject_key(Key::F1);
            if (waits == 2) {
                panel_differs = h.host->help_shown() && !(h.backend.presented() == h.screen().visible());
                b.sleep_us(190'000);
                close(b);
            }
            if (waits == 3) b.inject_char('z');
            return waits <= 3;
        });
        std::string key;
        uint64_t animation_us = 0;
        h.run([&](Host& rt) {
            rt.print(0, "hello");
            const Image before = rt.screen().visible();
            while ((key = rt.inkey(0)).empty()) {}
            EXPECT_EQ(rt.screen().visible(), before) << "the game's screen is untouched";
            EXPECT_EQ(rt.input().mouse().buttons[0].presses, 0);
            // An animation of 50 steps of 4 ms with the panel open 200 ms from its first step.
            h.backend.inject_key(Key::F1);
            h.backend.set_on_wait([](HeadlessBackend& b) {
                b.sleep_us(190'000);
                b.inject_char('q');
                return true;
            });
            uint64_t start = rt.backend().now_us();
            rt.pace_begin(4000);
            for (int i = 0; i < 50; ++i) {
                rt.step();
                rt.pace_step();
            }
            animation_us = rt.backend().now_us() - start;
        });
        EXPECT_TRUE(panel_differs);
        EXPECT_EQ(key, "z");
        EXPECT_GE(animation_us, 200'000u + 50 * 4000u - 4000u) << "steps after the panel keep their own pace";
    }
}

}  // namespace
}  // namespace zell
