#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "tests/support/game_screens.h"

namespace zell {
namespace {

using testing::GameOnHeadless;
using testing::text_at;

// Keeps the frame records the way the game driver does, one throw at a time: the marks,
// the pins of each throw, the frame number, and the end of the game after frame 10 or the
// bonus frames it earned.
class Recorder {
public:
    explicit Recorder(State& s) : s_(s) {
        s_.frame_score(0) = 0;
        for (int f = 1; f <= 12; ++f) {
            s_.frame_score(f) = -1;
            s_.frame_mark(f) = -1;
            s_.throw_pins(f, 1) = -1;
            s_.throw_pins(f, 2) = -1;
        }
        s_.frame_no = 1;
    }

    void roll(std::initializer_list<int> throws) {
        for (int p : throws) roll(p);
    }

    bool over() const { return over_; }

private:
    void roll(int pins) {
        ASSERT_FALSE(over_) << "a throw after the end of the game";
        float f = s_.frame_no;
        if (first_) {
            s_.throw_pins(f, 1) = float(pins);
            standing_ = 10 - pins;
            if (pins == 10) {
                s_.frame_mark(f) = 2;
                next_frame();
            } else if (single_throw_frame()) {
                s_.frame_mark(f) = 0;
                over_ = true;
            } else {
                s_.frame_mark(f) = 3;
                first_ = false;
            }
        } else {
            ASSERT_LE(pins, standing_);
            s_.throw_pins(f, 2) = float(pins);
            s_.frame_mark(f) = pins == standing_ ? 1 : 0;
            next_frame();
        }
    }

    // Frame 11 after a spare in frame 10 and frame 12 get one throw only.
    bool single_throw_frame() const { return s_.frame_no == 12 || (s_.frame_no == 11 && s_.frame_mark(10) == 1); }

    void next_frame() {
        float f = s_.frame_no;
        bool more = f < 10 || (f == 10 && s_.frame_mark(10) != 0) ||
                    (f == 11 && s_.frame_mark(10) == 2 && s_.frame_mark(11) == 2);
        if (more) {
            s_.frame_no = f + 1;
            first_ = true;
        } else {
            over_ = true;
        }
    }

    State& s_;
    bool first_ = true;
    bool over_ = false;
    int standing_ = 10;
};

std::vector<float> totals(const State& s) {
    std::vector<float> v;
    for (int i = 1; i <= 10; ++i) v.push_back(s.frame_score(i));
    return v;
}

// Totals after the given throws; the game keeps the records for further checks.
std::vector<float> score(GameOnHeadless& t, std::initializer_list<int> throws) {
    Recorder r(t.g.s);
    r.roll(throws);
    t.run([&] { t.g.compute_totals(); });
    return totals(t.g.s);
}

TEST(RunningTotals, PerfectGameIsThreeHundred) {
    GameOnHeadless t;
    EXPECT_EQ(score(t, {10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10}),
              (std::vector<float>{30, 60, 90, 120, 150, 180, 210, 240, 270, 300}));
    EXPECT_EQ(t.g.s.frame_no, 12);
    // The bonus frames are never counted on their own.
    EXPECT_EQ(t.g.s.frame_score(11), -1);
    EXPECT_EQ(t.g.s.frame_score(12), -1);
}

TEST(RunningTotals, AllThrowsZero) {
    GameOnHeadless t;
    EXPECT_EQ(score(t, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}), std::vector<float>(10, 0));
    EXPECT_EQ(t.g.s.frame_no, 10);
}

TEST(RunningTotals, AWholeGameOfMixedFrames) {
    // X 7/ 9- X -8 8/ -6 X X X81
    GameOnHeadless t;
    EXPECT_EQ(score(t, {10, 7, 3, 9, 0, 10, 0, 8, 8, 2, 0, 6, 10, 10, 10, 8, 1}),
              (std::vector<float>{20, 39, 48, 66, 74, 84, 90, 120, 148, 167}));
}

TEST(RunningTotals, FramesWaitForTheirBonusThrows) {
    {
        // A spare counts once the next first throw is known, while that frame goes on.
        GameOnHeadless t;
        auto v = score(t, {3, 7, 4});
        EXPECT_EQ(v[0], 14);
        EXPECT_EQ(v[1], -1);
    }
    {
        // A strike followed by a frame in progress has no total yet.
        GameOnHeadless t;
        auto v = score(t, {10, 4});
        EXPECT_EQ(v[0], -1);
        EXPECT_EQ(v[1], -1);
    }
    {
        // Two strikes and a first throw in progress: the first strike is known, the second not.
        GameOnHeadless t;
        auto v = score(t, {10, 10, 4});
        EXPECT_EQ(v[0], 24);
        EXPECT_EQ(v[1], -1);
        EXPECT_EQ(v[2], -1);
    }
    {
        // Strike then spare: 20 for the strike, the spare waits for its bonus.
        GameOnHeadless t;
        auto v = score(t, {10, 6, 4});
        EXPECT_EQ(v[0], 20);
        EXPECT_EQ(v[1], -1);
        GameOnHeadless u;
        v = score(u, {10, 6, 4, 10});
        EXPECT_EQ(v[1], 40);
    }
    {
        // Two strikes: nothing known before the next throw.
        GameOnHeadless t;
        auto v = score(t, {10, 10});
        EXPECT_EQ(v[0], -1);
    }
    {
        // Before the first throw every total is unknown.
        GameOnHeadless t;
        EXPECT_EQ(score(t, {}), std::vector<float>(10, -1));
    }
}

// Nine open frames of 2 + 3 (total 45), then the tenth frame and its bonus throws.
std::vector<float> tenth(GameOnHeadless& t, std::initializer_list<int> last) {
    std::vector<int> throws;
    for (int f = 1; f <= 9; ++f) throws.insert(throws.end(), {2, 3});
    throws.insert(throws.end(), last);
    Recorder r(t.g.s);
    for (int p : throws) r.roll({p});
    EXPECT_TRUE(r.over());
    t.run([&] { t.g.compute_totals(); });
    EXPECT_EQ(t.g.s.frame_score(9), 45);
    return totals(t.g.s);
}

TEST(RunningTotals, BonusFramesAfterTheTenth) {
    struct Case {
        std::initializer_list<int> throws;
        float tenth;
        float frame_no;
    };
    const Case cases[] = {
        {{4, 5}, 45 + 9, 10},            // open tenth: no bonus frame
        {{4, 6, 7}, 45 + 17, 11},        // spare, then one throw of 7
        {{4, 6, 10}, 45 + 20, 11},       // spare, then a strike
        {{10, 3, 4}, 45 + 17, 11},       // strike, then an open frame 11
        {{10, 3, 7}, 45 + 20, 11},       // strike, then a spare in frame 11
        {{10, 10, 3}, 45 + 23, 12},      // two strikes, then one throw of 3
        {{10, 10, 10}, 45 + 30, 12},     // three strikes
    };
    for (const Case& c : cases) {
        GameOnHeadless t;
        auto v = tenth(t, c.throws);
        EXPECT_EQ(v[9], c.tenth) << "tenth frame " << ::testing::PrintToString(std::vector<int>(c.throws));
        EXPECT_EQ(t.g.s.frame_no, c.frame_no);
    }
}

TEST(RunningTotals, ComputingAgainChangesNothing) {
    GameOnHeadless t;
    Recorder r(t.g.s);
    r.roll({10, 7, 3, 9, 0, 10});
    t.run([&] {
        t.g.compute_totals();
        auto first = totals(t.g.s);
        t.g.compute_totals();
        EXPECT_EQ(totals(t.g.s), first);
    });
}

// --- The sheet -------------------------------------------------------------------

// Text of 1-based columns first..last of a row, as the sheet's layout counts them.
std::string columns(GameOnHeadless& t, int row, int first, int last) {
    return text_at(t.screen(), row, first - 1, last - first + 1);
}

// The sheet of a game after the given throws.
void sheet(GameOnHeadless& t, std::initializer_list<int> throws) {
    t.g.s.level = 3;
    t.g.s.player_name.assign(to_sjis("山田 Taro"));
    Recorder r(t.g.s);
    r.roll(throws);
    t.run([&] {
        t.g.rt.cls(0, 0);
        t.g.SCORE();
    });
}

void expect_colour(GameOnHeadless& t, int row, int first, int last, int fg, int mode) {
    for (int c = first; c <= last; ++c) {
        EXPECT_EQ(t.screen().cell(c - 1, row).fg, fg) << "row " << row << " column " << c;
        EXPECT_EQ(t.screen().cell(c - 1, row).mode, mode) << "row " << row << " column " << c;
    }
}

TEST(ScoreSheet, BeforeTheFirstThrow) {
    GameOnHeadless t;
    sheet(t, {});
    EXPECT_EQ(columns(t, 2, 1, 9), "Level  3 ");
    EXPECT_EQ(columns(t, 1, 67, 74), "Player: ");
    EXPECT_EQ(columns(t, 2, 68, 80), "山田 Taro    ");
    EXPECT_EQ(columns(t, 4, 67, 80), "No.   Score   ");
    for (int i = 1; i <= 10; ++i) {
        std::string number = (i < 10 ? " " : "") + std::to_string(i);
        EXPECT_EQ(columns(t, 4 + i, 66, 81), "  " + number + std::string(12, ' ')) << i;
    }
    EXPECT_EQ(columns(t, 15, 1, 81), std::string(81, ' '));
    // Steps in the normal colour; the title and the current frame's number highlighted.
    expect_colour(t, 4, 67, 77, 7, 4);
    expect_colour(t, 6, 68, 69, 7, 4);
    EXPECT_EQ(columns(t, 20, 1, 6), "Zell  ");
    EXPECT_EQ(columns(t, 21, 1, 6), "Pins  ");
    expect_colour(t, 20, 1, 5, 15, 5);
    expect_colour(t, 21, 1, 5, 15, 5);
    expect_colour(t, 5, 68, 70, 15, 5);
    expect_colour(t, 5, 67, 67, 7, 4);
    EXPECT_EQ(t.screen().foreground(), 7);
}

TEST(ScoreSheet, RowsOfStrikesSparesAndOpenFrames) {
    GameOnHeadless t;
    // X 7/ 9- X -8 8/ -6, then a first throw of 5 in frame 8.
    sheet(t, {10, 7, 3, 9, 0, 10, 0, 8, 8, 2, 0, 6, 5});
    EXPECT_EQ(columns(t, 5, 67, 80), "  1  ◆◆   20");
    EXPECT_EQ(columns(t, 6, 67, 80), "  2  7 ▲   39");
    EXPECT_EQ(columns(t, 7, 67, 80), "  3  9 -    48");
    EXPECT_EQ(columns(t, 8, 67, 80), "  4  ◆◆   66");
    EXPECT_EQ(columns(t, 9, 67, 80), "  5  - 8    74");
    EXPECT_EQ(columns(t, 10, 67, 80), "  6  8 ▲   84");
    EXPECT_EQ(columns(t, 11, 67, 80), "  7  - 6    90");
    EXPECT_EQ(columns(t, 12, 67, 80), "  8  5" + std::string(8, ' '));
    EXPECT_EQ(columns(t, 13, 67, 80), "  9" + std::string(11, ' '));
    // The double-width marks take two columns each: 72-73 and 74-75.
    EXPECT_EQ(columns(t, 5, 72, 73), "◆");
    EXPECT_EQ(columns(t, 5, 74, 75), "◆");
    EXPECT_EQ(columns(t, 6, 74, 75), "▲");
    expect_colour(t, 12, 68, 70, 15, 5);
    expect_colour(t, 11, 68, 69, 7, 4);
}

TEST(ScoreSheet, PendingTotalsShowTheMarksWithoutANumber) {
    GameOnHeadless t;
    sheet(t, {10, 10, 6, 4});
    EXPECT_EQ(columns(t, 5, 67, 80), "  1  ◆◆   26");
    EXPECT_EQ(columns(t, 6, 67, 80), "  2  ◆◆   46");
    EXPECT_EQ(columns(t, 7, 67, 80), "  3  6 ▲" + std::string(5, ' '));
    GameOnHeadless u;
    sheet(u, {10, 3});
    EXPECT_EQ(columns(u, 5, 67, 80), "  1  ◆◆" + std::string(5, ' '));
    EXPECT_EQ(columns(u, 6, 67, 80), "  2  3" + std::string(8, ' '));
}

TEST(ScoreSheet, PerfectGame) {
    GameOnHeadless t;
    sheet(t, {10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10});
    for (int i = 1; i <= 10; ++i) {
        std::string number = (i < 10 ? " " : "") + std::to_string(i);
        std::string total = std::to_string(30 * i);
        total = std::string(3 - total.size(), ' ') + total;
        EXPECT_EQ(columns(t, 4 + i, 67, 80), " " + number + "  ◆◆  " + total) << i;
    }
    // The bonus rows: marks only, no number and no total; three blanks highlighted on row 16.
    EXPECT_EQ(columns(t, 15, 67, 81), "     ◆◆" + std::string(6, ' '));
    EXPECT_EQ(columns(t, 16, 67, 81), "     ◆◆" + std::string(6, ' '));
    expect_colour(t, 16, 68, 70, 15, 5);
    expect_colour(t, 15, 68, 70, 7, 4);
    expect_colour(t, 14, 68, 69, 7, 4);
}

TEST(ScoreSheet, AllZerosShowDashes) {
    GameOnHeadless t;
    sheet(t, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    for (int i = 1; i <= 10; ++i) {
        EXPECT_EQ(columns(t, 4 + i, 72, 80), "- -     0") << i;
    }
    expect_colour(t, 14, 68, 70, 15, 5);
}

TEST(ScoreSheet, BonusRowsOfTheTenthFrame) {
    {
        // Spare in frame 10 and a bonus throw of 7: only the 7 at column 72 on row 15.
        GameOnHeadless t;
        sheet(t, {2, 3, 2, 3, 2, 3, 2, 3, 2, 3, 2, 3, 2, 3, 2, 3, 2, 3, 0, 10, 7});
        EXPECT_EQ(columns(t, 14, 67, 80), " 10  - ▲   62");
        EXPECT_EQ(columns(t, 15, 66, 81), std::string(6, ' ') + "7" + std::string(9, ' '));
        expect_colour(t, 15, 68, 70, 15, 5);
    }
    {
        // Spare, then a strike in frame 11.
        GameOnHeadless t;
        sheet(t, {2, 3, 2, 3, 2, 3, 2, 3, 2, 3, 2, 3, 2, 3, 2, 3, 2, 3, 4, 6, 10});
        EXPECT_EQ(columns(t, 14, 67, 80), " 10  4 ▲   65");
        EXPECT_EQ(columns(t, 15, 66, 81), "      ◆◆" + std::string(6, ' '));
    }
    {
        // Strikes in frames 10 and 11, then 3: row 16 shows only the 3.
        GameOnHeadless t;
        sheet(t, {2, 3, 2, 3, 2, 3, 2, 3, 2, 3, 2, 3, 2, 3, 2, 3, 2, 3, 10, 10, 3});
        EXPECT_EQ(columns(t, 14, 67, 80), " 10  ◆◆   68");
        EXPECT_EQ(columns(t, 15, 66, 81), "      ◆◆" + std::string(6, ' '));
        EXPECT_EQ(columns(t, 16, 66, 81), std::string(6, ' ') + "3" + std::string(9, ' '));
        expect_colour(t, 16, 68, 70, 15, 5);
    }
    {
        // Strike in frame 10, then an open frame 11 of 0 and 4: both throws, a dash for the 0.
        GameOnHeadless t;
        sheet(t, {2, 3, 2, 3, 2, 3, 2, 3, 2, 3, 2, 3, 2, 3, 2, 3, 2, 3, 10, 0, 4});
        EXPECT_EQ(columns(t, 14, 67, 80), " 10  ◆◆   59");
        EXPECT_EQ(columns(t, 15, 66, 81), "      - 4       ");
    }
}

}  // namespace
}  // namespace zell
