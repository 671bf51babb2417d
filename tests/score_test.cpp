#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "tests/support/game_screens.h"

namespace zell {
namespace {

using testing::GameOnHeadless;
using testing::text_at;
using Totals = std::vector<float>;

// Records the throws the way the game driver does: the pins of each throw, the marks and
// the frame number, ending the game after frame 10 or the bonus frames it earned.
void roll(State& s, const std::vector<int>& throws) {
    s.frame_score(0) = 0;
    for (int f = 1; f <= 12; ++f) s.frame_score(f) = s.frame_mark(f) = s.throw_pins(f, 1) = s.throw_pins(f, 2) = -1;
    float f = 1;
    bool first = true, over = false;
    for (int pins : throws) {
        ASSERT_FALSE(over) << "a throw after the end of the game";
        if (first && pins < 10 && f < 11 + (s.frame_mark(10) == 2)) {  // a frame with a second throw
            s.throw_pins(f, 1) = float(pins);
            s.frame_mark(f) = 3;
            first = false;
            continue;
        }
        s.throw_pins(f, first ? 1 : 2) = float(pins);
        s.frame_mark(f) = pins == 10 && first ? 2 : (!first && pins + s.throw_pins(f, 1) == 10 ? 1 : 0);
        first = true;
        if (f < 10 || (f == 10 && s.frame_mark(10) != 0) || (f == 11 && s.frame_mark(10) == 2 && s.frame_mark(11) == 2))
            f = f + 1;
        else
            over = true;
    }
    s.frame_no = f;
}

Totals totals(const State& s) {
    Totals v;
    for (int i = 1; i <= 10; ++i) v.push_back(s.frame_score(i));
    return v;
}

// Totals after the given throws; the game keeps the records for further checks.
Totals score(GameOnHeadless& t, const std::vector<int>& throws) {
    roll(t.g.s, throws);
    t.run([&] { t.g.compute_totals(); });
    return totals(t.g.s);
}

// Nine open frames of 2 + 3 (total 45), then the given throws.
std::vector<int> after_nine(const std::vector<int>& last) {
    std::vector<int> throws;
    for (int f = 1; f <= 9; ++f) throws.insert(throws.end(), {2, 3});
    throws.insert(throws.end(), last.begin(), last.end());
    return throws;
}

TEST(RunningTotals, WholeGames) {
    GameOnHeadless perfect;
    EXPECT_EQ(score(perfect, std::vector<int>(12, 10)), (Totals{30, 60, 90, 120, 150, 180, 210, 240, 270, 300}));
    EXPECT_EQ((std::array{perfect.g.s.frame_score(11), perfect.g.s.frame_score(12)}), (std::array{-1.0f, -1.0f}))
        << "the bonus frames are never counted on their own";
    GameOnHeadless mixed;  // X 7/ 9- X -8 8/ -6 X X X81
    EXPECT_EQ(score(mixed, {10, 7, 3, 9, 0, 10, 0, 8, 8, 2, 0, 6, 10, 10, 10, 8, 1}),
              (Totals{20, 39, 48, 66, 74, 84, 90, 120, 148, 167}));
    mixed.run([&] { mixed.g.compute_totals(); });
    EXPECT_EQ(totals(mixed.g.s), (Totals{20, 39, 48, 66, 74, 84, 90, 120, 148, 167})) << "computing again";
}

TEST(RunningTotals, FramesWaitForTheirBonusThrows) {
    const std::vector<std::pair<std::vector<int>, Totals>> cases = {
        {{}, Totals(10, -1)},   {{3, 7, 4}, {14, -1}},        // a spare counts once the next first throw is known
        {{10, 4}, {-1, -1}},                                  // a strike followed by a frame in progress
        {{10, 10}, {-1}},       {{10, 10, 4}, {24, -1, -1}},  // two strikes and a first throw: the first is known
        {{10, 6, 4}, {20, -1}}, {{10, 6, 4, 10}, {20, 40}},
    };
    for (const auto& [throws, expected] : cases) {
        GameOnHeadless t;
        Totals v = score(t, throws);
        v.resize(expected.size());
        EXPECT_EQ(v, expected) << ::testing::PrintToString(throws);
    }
}

TEST(RunningTotals, BonusFramesAfterTheTenth) {
    const std::vector<std::pair<std::vector<int>, float>> cases = {
        {{4, 5}, 9}, {{4, 6, 7}, 17}, {{4, 6, 10}, 20}, {{10, 3, 4}, 17}, {{10, 3, 7}, 20}, {{10, 10, 3}, 23},
        {{10, 10, 10}, 30}};
    for (const auto& [last, tenth] : cases) {
        GameOnHeadless t;
        const Totals v = score(t, after_nine(last));
        EXPECT_EQ(std::pair(v[8], v[9]), std::pair(45.0f, 45 + tenth)) << ::testing::PrintToString(last);
    }
}

// The score sheet of a game after the given throws, the player "山田 Taro" at level 3.
struct Sheet : GameOnHeadless {
    explicit Sheet(const std::vector<int>& throws) {
        g.s.level = 3;
        g.s.player_name.assign(to_sjis("山田 Taro"));
        roll(g.s, throws);
        run([&] { g.draw_score_sheet(); });
    }
    // Text of 1-based columns first..last of a row, as the sheet's layout counts them.
    std::string columns(int row, int first = 67, int last = 80) {
        return text_at(screen(), row, first - 1, last - first + 1);
    }
    void expect_colour(int row, int first, int last, int fg, int mode) {
        for (int c = first; c <= last; ++c)
            EXPECT_EQ((std::array{int(screen().cell(c - 1, row).fg), int(screen().cell(c - 1, row).mode)}),
                      (std::array{fg, mode}))
                << "row " << row << " column " << c;
    }
    // The frame number of row r stands highlighted (columns 68 to 70), the one above it not.
    void expect_current(int row) {
        expect_colour(row, 68, 70, 15, 5);
        expect_colour(row - 1, 68, 69, 7, 4);
    }
};

std::string number(int i) { return (i < 10 ? "  " : " ") + std::to_string(i); }

TEST(ScoreSheet, BeforeTheFirstThrow) {
    Sheet t({});
    EXPECT_EQ(t.columns(2, 1, 9), "Level  3 ");
    EXPECT_EQ(t.columns(1, 67, 74), "Player: ");
    EXPECT_EQ(t.columns(2, 68, 80), "山田 Taro    ");
    EXPECT_EQ(t.columns(4, 67, 80), "No.   Score   ");
    for (int i = 1; i <= 10; ++i) EXPECT_EQ(t.columns(4 + i, 66, 81), " " + number(i) + std::string(12, ' ')) << i;
    EXPECT_EQ(t.columns(15, 1, 81), std::string(81, ' '));
    EXPECT_EQ(t.columns(20, 1, 6) + t.columns(21, 1, 6), "Zell  Pins  ");
    t.expect_colour(20, 1, 5, 15, 5);
    t.expect_colour(21, 1, 5, 15, 5);
    t.expect_colour(4, 67, 77, 7, 4);
    t.expect_colour(6, 68, 69, 7, 4);
    t.expect_colour(5, 67, 67, 7, 4);
    t.expect_colour(5, 68, 70, 15, 5);
    EXPECT_EQ(t.screen().foreground(), 7);
}

TEST(ScoreSheet, RowsOfStrikesSparesOpenAndPendingFrames) {
    Sheet t({10, 7, 3, 9, 0, 10, 0, 8, 8, 2, 0, 6, 5});  // X 7/ 9- X -8 8/ -6, then 5 in frame 8
    const std::vector<std::string> rows = {"  1  ◆◆   20",
                                           "  2  7 ▲   39",
                                           "  3  9 -    48",
                                           "  4  ◆◆   66",
                                           "  5  - 8    74",
                                           "  6  8 ▲   84",
                                           "  7  - 6    90",
                                           "  8  5" + std::string(8, ' '),
                                           "  9" + std::string(11, ' ')};
    for (int i = 1; i <= 9; ++i) EXPECT_EQ(t.columns(4 + i), rows[size_t(i - 1)]) << "frame " << i;
    // The double-width marks take two columns each: 72-73 and 74-75.
    EXPECT_EQ(t.columns(5, 72, 73) + t.columns(5, 74, 75) + t.columns(6, 74, 75), "◆◆▲");
    t.expect_current(12);

    Sheet pending({10, 10, 6, 4});
    EXPECT_EQ(pending.columns(5) + "|" + pending.columns(6) + "|" + pending.columns(7),
              "  1  ◆◆   26|  2  ◆◆   46|  3  6 ▲     ");
    Sheet strike({10, 3});
    EXPECT_EQ(strike.columns(5) + "|" + strike.columns(6), "  1  ◆◆     |  2  3        ");
}

TEST(ScoreSheet, APerfectGame) {
    Sheet t(std::vector<int>(12, 10));
    for (int i = 1; i <= 10; ++i) {
        const std::string total = std::to_string(30 * i);
        EXPECT_EQ(t.columns(4 + i), number(i) + "  ◆◆  " + std::string(3 - total.size(), ' ') + total) << i;
    }
    // The bonus rows: marks only, no number and no total; three blanks highlighted on row 16.
    EXPECT_EQ(t.columns(15, 67, 81), "     ◆◆" + std::string(6, ' '));
    EXPECT_EQ(t.columns(16, 67, 81), "     ◆◆" + std::string(6, ' '));
    t.expect_current(16);
    t.expect_colour(15, 68, 70, 7, 4);

}

TEST(ScoreSheet, BonusRowsOfTheTenthFrame) {
    struct Case {
        std::initializer_list<int> last;
        std::string tenth, row15, row16;
        int current;
    };
    const std::string blank(16, ' ');
    for (const Case& c : {
             Case{{0, 10, 7}, " 10  - ▲   62", "      7" + std::string(9, ' '), blank, 15},  // only the 7 at 72
             Case{{4, 6, 10}, " 10  4 ▲   65", "      ◆◆" + std::string(6, ' '), blank, 15},
             Case{{10, 10, 3}, " 10  ◆◆   68", "      ◆◆" + std::string(6, ' '), "      3" + std::string(9, ' '), 16},
             Case{{10, 0, 4}, " 10  ◆◆   59", "      - 4       ", blank, 15},  // a dash for the 0
         }) {
        SCOPED_TRACE(c.tenth);
        Sheet t(after_nine(c.last));
        EXPECT_EQ(t.columns(14), c.tenth);
        EXPECT_EQ(t.columns(15, 66, 81), c.row15);
        EXPECT_EQ(t.columns(16, 66, 81), c.row16);
        t.expect_colour(c.current, 68, 70, 15, 5);
    }
}

}  // namespace
}  // namespace zell
