#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

#include "game/game.h"
#include "runtime/sjis.h"
#include "tests/support/game_field.h"
#include "tests/support/headless_host.h"

namespace zell {
namespace {

using testing::board_pixel;
using testing::HeadlessHost;
using testing::set_up_field;

const std::string kNotice = to_sjis("ピンレイアウト中");

// The twelve frames' tables for objects 1..11: x then y per frame.
using Frames = std::vector<std::vector<float>>;

Frames frames_of(const State& s) {
    Frames frames;
    for (int f = 1; f <= 12; ++f) {
        std::vector<float> v;
        for (int j = 1; j <= 11; ++j) {
            v.push_back(s.layout_x(f, j));
            v.push_back(s.layout_y(f, j));
        }
        frames.push_back(v);
    }
    return frames;
}

// Builds the layouts of a game started at the given time of day.
Frames build(LocalTime clock, float layout, float level = 4) {
    HeadlessHost h;
    h.backend.set_clock(clock);
    Frames frames;
    h.run([&](Host& rt) {
        Game g(rt);
        set_up_field(g);
        g.s.layout = layout;
        g.s.level = level;
        if (layout == 1) {
            g.STFRMB();
        } else {
            g.SETFRM();
        }
        frames = frames_of(g.s);
    });
    EXPECT_FALSE(h.host->last_error().has_value());
    return frames;
}

LocalTime at(int hour, int minute, int second) { return LocalTime{2024, 5, 17, hour, minute, second}; }

TEST(FrameLayouts, TheNoticeShowsInColour15WhileTheLayoutsAreMade) {
    for (float layout : {1.0f, 2.0f}) {
        HeadlessHost h;
        h.run([&](Host& rt) {
            Game g(rt);
            set_up_field(g);
            g.s.layout = layout;
            uint64_t start = h.backend.now_us();
            if (layout == 1) {
                g.STFRMB();
            } else {
                g.SETFRM();
            }
            EXPECT_EQ(h.backend.now_us() - start, 100'000u) << "a pause of 100 ms";
            const Screen& sc = rt.screen();
            EXPECT_EQ(sc.row_bytes(21).substr(30, kNotice.size()), kNotice);
            EXPECT_EQ(sc.row_bytes(21).substr(0, 30), std::string(30, ' '));
            EXPECT_EQ(sc.cell(30, 21).fg, 15);
            EXPECT_EQ(sc.foreground(), 7);
            EXPECT_EQ(sc.cursor_row(), 22);  // the line was ended
            EXPECT_EQ(sc.cursor_column(), 0);
        });
        EXPECT_FALSE(h.host->last_error().has_value());
    }
}

TEST(FrameLayouts, TheGeneratorIsMixedWithTheSecondsOfTheClock) {
    HeadlessHost h;
    h.backend.set_clock(at(9, 5, 7));
    h.run([&](Host& rt) {
        Game g(rt);
        set_up_field(g);
        g.STFRMB();
        Random ref;
        ref.randomize(7);
        for (int f = 0; f < 12; ++f) ref.rnd(1);  // one parking number per frame
        EXPECT_EQ(rt.random().state(), ref.state());
    });
    EXPECT_FALSE(h.host->last_error().has_value());

    // Only the seconds count.
    EXPECT_EQ(build(at(9, 5, 7), 2), build(at(22, 41, 7), 2));
    EXPECT_NE(build(at(9, 5, 7), 2), build(at(9, 5, 8), 2));
}

TEST(FrameLayouts, TheBowlingTypeHoldsTheSameTriangleInEveryFrame) {
    for (float level = 1; level <= 4; ++level) {
        Frames frames = build(at(12, 0, 33), 1, level);
        for (int f = 1; f < 12; ++f) {
            // Pins (objects 2..11) alike in every frame; only the parked ball may differ.
            EXPECT_TRUE(std::equal(frames[f].begin() + 2, frames[f].end(), frames[0].begin() + 2)) << "frame " << f + 1;
        }
        EXPECT_EQ(frames[0][2], 300);  // head pin x
        const float ball_x = frames[0][0];
        EXPECT_TRUE(ball_x == 94 || ball_x == 506) << ball_x;
    }
    Frames level4 = build(at(12, 0, 33), 1, 4);
    EXPECT_NEAR(level4[0][3], 229.262, 1e-3);
}

TEST(FrameLayouts, TheRandomLayoutGivesEveryFrameItsOwnPins) {
    for (float level = 1; level <= 4; ++level) {
        Frames frames = build(at(18, 30, 45), 2, level);
        const float inset = 78 + 24 * (level - 1);
        for (int f = 0; f < 12; ++f) {
            for (int f2 = f + 1; f2 < 12; ++f2) EXPECT_NE(frames[f], frames[f2]);
            for (int j = 2; j <= 11; ++j) {
                float x = frames[f][2 * (j - 1)], y = frames[f][2 * (j - 1) + 1];
                EXPECT_GE(x, inset + 85);
                EXPECT_LT(x, 515 - inset);
                EXPECT_GE(y, 50);
                EXPECT_LT(y, 500);
            }
        }
    }
}

TEST(FrameLayouts, BuildingAgainMakesNewLayoutsAndShowsTheNoticeAgain) {
    HeadlessHost h;
    h.backend.set_clock(at(8, 0, 0));
    h.run([&](Host& rt) {
        Game g(rt);
        set_up_field(g);
        g.s.layout = 2;
        g.SETFRM();
        Frames first = frames_of(g.s);
        rt.cls(0, 4);
        g.SETFRM();
        EXPECT_EQ(rt.screen().row_bytes(21).substr(30, kNotice.size()), kNotice);
        Frames second = frames_of(g.s);
        for (int f = 0; f < 12; ++f) EXPECT_NE(first[f], second[f]);
        // Choosing the level again follows it: level 1 widens the random area.
        g.s.level = 1;
        g.SETFRM();
        EXPECT_EQ(g.s.lane_inset, 78);
        EXPECT_EQ(g.s.wall_x1(2), 522);
    });
    EXPECT_FALSE(h.host->last_error().has_value());
}

// --- The board -----------------------------------------------------------------------

const Rgb kBlack = rgb(0, 0, 0);
const Rgb kBoard = rgb(0, 0, 128);  // palette entry 2
const Rgb kWall = rgb(0, 128, 0);   // palette entry 8

TEST(Board, TheBackgroundFillsTheWholeBuffer) {
    HeadlessHost h;
    h.run([&](Host& rt) {
        Game g(rt);
        set_up_field(g);
        g.FRESH();
    });
    EXPECT_FALSE(h.host->last_error().has_value());
    const Image& buf = h.screen().buffer();
    for (int y = 0; y < buf.height(); y += 7)
        for (int x = 0; x < buf.width(); x += 7) ASSERT_EQ(buf.at(x, y), kBoard) << x << "," << y;
}

TEST(Board, TheLaneWallsLinesBoxAndPinsAreDrawn) {
    HeadlessHost h;
    h.run([&](Host& rt) {
        Game g(rt);
        set_up_field(g);
        State& s = g.s;
        g.DBALLB();
        s.layout = 2;  // level 4: walls at 150 and 450
        g.DFWALL();
        for (int i = 2; i <= s.n_obj; ++i) s.obj_y(i) = s.obj_y(i) + 16;
        s.obj_y(5) = -2500;  // a pin knocked down earlier does not show
        g.FRESH();
        g.FRESH1();
        const Screen& sc = rt.screen();
        auto px = [&](int x, int y) { return board_pixel(sc, x, y); };

        // Outside the walls the board stays; the walls are 30 wide.
        EXPECT_EQ(px(100, 300), kBoard);
        EXPECT_EQ(px(119, 300), kBoard);
        EXPECT_EQ(px(120, 300), kWall);
        EXPECT_EQ(px(150, 300), kWall);
        EXPECT_EQ(px(151, 20), kBlack);
        EXPECT_EQ(px(450, 700), kWall);
        EXPECT_EQ(px(480, 10), kWall);
        EXPECT_EQ(px(481, 10), kBoard);
        // The lane reaches the top of the window; the placing line is two pixels thick.
        EXPECT_EQ(px(160, 701), kBlack);
        EXPECT_EQ(px(160, 629), kBlack);
        EXPECT_EQ(px(160, 630), kWall);
        EXPECT_EQ(px(440, 631), kWall);
        EXPECT_EQ(px(440, 632), kBlack);
        // The ball-count area is cleared; the small square stands at 297..303, 530..536.
        EXPECT_EQ(px(600, 100), kBlack);
        EXPECT_EQ(px(639, 140), kBlack);
        EXPECT_EQ(px(640, 140), kBoard);
        EXPECT_EQ(px(599, 120), kBoard);
        EXPECT_EQ(px(297, 530), kWall);
        EXPECT_EQ(px(303, 536), kWall);
        EXPECT_EQ(px(304, 533), kBlack);
        EXPECT_EQ(px(300, 537), kBlack);
        // Every pin is an outline of radius 15 in its colour.
        for (int i = 2; i <= s.n_obj; ++i) {
            if (i == 5) continue;
            const Rgb colour = sc.palette(int(s.obj_color(i)));
            const int x = int(std::lround(s.obj_x(i))), y = int(std::lround(s.obj_y(i)));
            EXPECT_EQ(px(x + 15, y), colour) << "pin " << i;
            EXPECT_EQ(px(x, y - 15), colour) << "pin " << i;
            EXPECT_EQ(px(x + 16, y), kBlack) << "pin " << i;
        }
    });
    EXPECT_FALSE(h.host->last_error().has_value());
}

}  // namespace
}  // namespace zell
