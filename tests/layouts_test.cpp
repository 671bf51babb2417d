#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "game/game.h"
#include "runtime/sjis.h"
#include "tests/support/game_field.h"
#include "tests/support/headless_host.h"
#include "tests/support/pixels.h"

namespace zell {
namespace {

using testing::HeadlessHost;
using testing::pixels_at;
using testing::run_on_field;

// The twelve frames' tables for objects 1..11: x then y per frame.
using Frames = std::vector<std::vector<float>>;

Frames frames_of(const State& s) {
    Frames frames(12);
    for (int f = 1; f <= 12; ++f)
        for (int j = 1; j <= 11; ++j)
            frames[size_t(f - 1)].insert(frames[size_t(f - 1)].end(), {s.layout_x(f, j), s.layout_y(f, j)});
    return frames;
}

LocalTime at(int hour, int minute, int second) { return LocalTime{2024, 5, 17, hour, minute, second}; }

// Builds the layouts of a game started at the given time of day.
Frames build(LocalTime clock, float layout, float level = 4) {
    HeadlessHost h;
    h.backend.set_clock(clock);
    Frames frames;
    run_on_field(h, [&](Game& g) {
        g.s.layout = layout;
        g.s.level = level;
        layout == 1 ? g.make_triangle_layouts() : g.make_random_layouts();
        frames = frames_of(g.s);
    });
    return frames;
}

TEST(FrameLayouts, TheNoticeShowsInColour15ForATenthOfASecondEachTimeTheLayoutsAreMade) {
    const std::string notice = to_sjis("ピンレイアウト中");
    HeadlessHost h;
    run_on_field(h, [&](Game& g) {
        const Screen& sc = g.rt.screen();
        std::vector<Frames> made;
        for (float layout : {1, 2, 2}) {
            SCOPED_TRACE(::testing::Message() << "layout " << layout);
            g.rt.cls(0, 4);
            g.s.layout = layout;
            const uint64_t start = h.backend.now_us();
            layout == 1 ? g.make_triangle_layouts() : g.make_random_layouts();
            EXPECT_EQ(h.backend.now_us() - start, 100'000u);
            EXPECT_EQ(sc.row_bytes(21), std::string(30, ' ') + notice + std::string(81 - 30 - notice.size(), ' '));
            EXPECT_EQ(sc.cell(30, 21).fg, 15);
            EXPECT_EQ(sc.foreground(), 7);
            EXPECT_EQ((std::array{sc.cursor_column(), sc.cursor_row()}), (std::array{0, 22})) << "the line ended";
            made.push_back(frames_of(g.s));
        }
        EXPECT_NE(made[1], made[2]) << "the same layout picked again is made anew";
    });
}

TEST(FrameLayouts, TheGeneratorIsMixedWithTheSecondsOfTheClock) {
    HeadlessHost h;
    h.backend.set_clock(at(9, 5, 7));
    run_on_field(h, [&](Game& g) {
        Random ref = g.rt.random();
        ref.randomize(std::stoi(g.rt.time_str().substr(6)));  // the seconds of the clock, now past start-up
        g.make_triangle_layouts();
        for (int f = 0; f < 12; ++f) ref.rnd(1);  // one parking number per frame
        EXPECT_EQ(g.rt.random().state(), ref.state());
    });
    EXPECT_EQ(build(at(9, 5, 7), 2), build(at(22, 41, 7), 2)) << "only the seconds count";
    EXPECT_NE(build(at(9, 5, 7), 2), build(at(9, 5, 8), 2));
}

TEST(FrameLayouts, TheBowlingTypeHoldsTheSameTriangleInEveryFrame) {
    for (float level = 1; level <= 4; ++level) {
        const Frames frames = build(at(12, 0, 33), 1, level);
        for (size_t f = 1; f < 12; ++f)  // pins (objects 2..11) alike; only the parked ball may differ
            EXPECT_TRUE(std::equal(frames[f].begin() + 2, frames[f].end(), frames[0].begin() + 2)) << f + 1;
        EXPECT_EQ(frames[0][2], 300) << "the head pin";
        EXPECT_TRUE(frames[0][0] == 94 || frames[0][0] == 506) << frames[0][0];
    }
}

TEST(FrameLayouts, TheRandomLayoutGivesEveryFrameItsOwnPinsInsideTheLevelsArea) {
    for (float level = 1; level <= 4; ++level) {
        const Frames frames = build(at(18, 30, 45), 2, level);
        const float inset = 78 + 24 * (level - 1);
        for (size_t f = 0; f < 12; ++f) {
            for (size_t f2 = f + 1; f2 < 12; ++f2) EXPECT_NE(frames[f], frames[f2]);
            for (size_t j = 2; j <= 11; ++j) {
                const float x = frames[f][2 * (j - 1)], y = frames[f][2 * (j - 1) + 1];
                EXPECT_TRUE(x >= inset + 85 && x < 515 - inset && y >= 50 && y < 500) << x << "," << y;
            }
        }
    }
}

const Rgb kBlack = rgb(0, 0, 0), kBoard = rgb(0, 0, 128), kWall = rgb(0, 128, 0);  // entries 0, 2 and 8

TEST(Board, TheBackgroundTheLaneWallsLinesBoxAndStandingPins) {
    HeadlessHost h;
    run_on_field(h, [](Game& g) {
        State& s = g.s;
        g.draw_background();
        const Image& buf = g.rt.screen().buffer();
        for (int y = 0; y < buf.height(); y += 7)
            for (int x = 0; x < buf.width(); x += 7) ASSERT_EQ(buf.at(x, y), kBoard) << x << "," << y;
        g.lay_out_triangle();
        s.layout = 2;  // level 4: walls at 150 and 450
        g.set_walls();
        for (int i = 2; i <= s.n_obj; ++i) s.obj_y(i) = s.obj_y(i) + 16;
        s.obj_y(5) = -2500;  // a pin knocked down earlier does not show
        g.draw_lane();
        // Outside the walls the board stays; the walls are 30 wide; the lane reaches the top;
        // the placing line is two pixels thick.
        EXPECT_EQ(pixels_at(buf, {{100, 300}, {119, 300}, {120, 300}, {150, 300}, {151, 20}, {450, 700}, {480, 10},
                                  {481, 10}, {160, 701}, {160, 629}, {160, 630}, {440, 631}, {440, 632}}),
                  (std::vector{kBoard, kBoard, kWall, kWall, kBlack, kWall, kWall, kBoard, kBlack, kBlack, kWall, kWall,
                               kBlack}));
        // The ball-count area is cleared; the small square stands at 297..303, 530..536.
        EXPECT_EQ(
            pixels_at(buf,
                      {{600, 100}, {639, 140}, {640, 140}, {599, 120}, {297, 530}, {303, 536}, {304, 533}, {300, 537}}),
            (std::vector{kBlack, kBlack, kBoard, kBoard, kWall, kWall, kBlack, kBlack}));
        for (int i = 2; i <= s.n_obj; ++i) {  // every pin standing is an outline of radius 15 in its colour
            if (i == 5) continue;
            const Rgb colour = g.rt.screen().palette(int(s.obj_color(i)));
            const int x = int(std::lround(s.obj_x(i))), y = int(std::lround(s.obj_y(i)));
            EXPECT_EQ(pixels_at(buf, {{x + 15, y}, {x, y - 15}, {x + 16, y}}), (std::vector{colour, colour, kBlack}))
                << "pin " << i;
        }
    });
}

}  // namespace
}  // namespace zell
