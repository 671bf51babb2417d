#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/support/game_screens.h"

namespace zell {
namespace {

using testing::GameOnHeadless;
using testing::text_at;

// An empty table, as at start-up.
struct Best20 : GameOnHeadless {
    Best20() {
        for (int i = 1; i <= 20; ++i) g.s.best_score(i) = -1;
        g.s.level = 4;
        g.s.layout = 1;
    }
    // A finished game of the given player, level and layout.
    void enter(float score, const std::string& name, float level = 4, float layout = 1) {
        g.s.player_name.assign(to_sjis(name));
        g.s.level = level;
        g.s.layout = layout;
        g.BST20(score);
    }
    std::vector<float> scores() const {
        std::vector<float> v;
        for (int i = 1; i <= 20; ++i) v.push_back(g.s.best_score(i));
        return v;
    }
    std::string name(int i) const { return to_utf8(g.s.best_name(i).str()); }
};

TEST(Bst20, TheFirstGameEntersFirstEvenWithZero) {
    Best20 t;
    t.run([&] { t.enter(0, "Ann", 2, 2); });
    EXPECT_EQ(t.g.s.best_score(1), 0);
    EXPECT_EQ(t.name(1), "Ann         ");
    EXPECT_EQ(t.g.s.best_level(1), 2);
    EXPECT_EQ(t.g.s.best_layout(1), 2);
    EXPECT_EQ(t.g.s.best_score(2), -1);
}

TEST(Bst20, EqualScoresGoBelowOlderOnes) {
    Best20 t;
    t.run([&] {
        t.enter(120, "first", 1, 1);
        t.enter(150, "second", 2, 2);
        t.enter(120, "third", 3, 1);
    });
    EXPECT_EQ(t.g.s.best_score(1), 150);
    EXPECT_EQ(t.name(1), "second      ");
    EXPECT_EQ(t.g.s.best_score(2), 120);
    EXPECT_EQ(t.name(2), "first       ");
    EXPECT_EQ(t.g.s.best_level(2), 1);
    EXPECT_EQ(t.g.s.best_score(3), 120);
    EXPECT_EQ(t.name(3), "third       ");
    EXPECT_EQ(t.g.s.best_level(3), 3);
    EXPECT_EQ(t.g.s.best_score(4), -1);
}

// A full table: entry i holds 300 - 10 (i - 1) by player "p<i>" at level (i mod 4) + 1,
// layout (i mod 2) + 1.
void fill(Best20& t) {
    for (int i = 1; i <= 20; ++i)
        t.enter(float(300 - 10 * (i - 1)), "p" + std::to_string(i), float(i % 4 + 1), float(i % 2 + 1));
}

TEST(Bst20, AFullTableTakesOnlyScoresAboveItsLastEntry) {
    Best20 t;
    t.run([&] {
        fill(t);
        EXPECT_EQ(t.g.s.best_score(20), 110);
        t.enter(110, "equal");  // equal to entry 20: not entered
        EXPECT_EQ(t.name(20), "p20         ");
        t.enter(5, "low");
        EXPECT_EQ(t.name(20), "p20         ");
        t.enter(111, "higher", 3, 2);  // replaces entry 20
    });
    EXPECT_EQ(t.g.s.best_score(20), 111);
    EXPECT_EQ(t.name(20), "higher      ");
    EXPECT_EQ(t.g.s.best_level(20), 3);
    EXPECT_EQ(t.g.s.best_layout(20), 2);
    EXPECT_EQ(t.g.s.best_score(19), 120);
    EXPECT_EQ(t.name(19), "p19         ");
}

TEST(Bst20, ANewBestMovesEveryEntryDownAndLosesTheLast) {
    Best20 t;
    t.run([&] {
        fill(t);
        t.enter(301, "top", 1, 2);
    });
    EXPECT_EQ(t.g.s.best_score(1), 301);
    EXPECT_EQ(t.name(1), "top         ");
    for (int i = 2; i <= 20; ++i) {
        // Old entry i - 1 with all its columns.
        EXPECT_EQ(t.g.s.best_score(i), float(300 - 10 * (i - 2))) << i;
        EXPECT_EQ(t.name(i), ("p" + std::to_string(i - 1) + "           ").substr(0, 12)) << i;
        EXPECT_EQ(t.g.s.best_level(i), float((i - 1) % 4 + 1)) << i;
        EXPECT_EQ(t.g.s.best_layout(i), float((i - 1) % 2 + 1)) << i;
    }
}

TEST(Bst20, AScoreInTheMiddleShiftsOnlyTheEntriesBelowIt) {
    Best20 t;
    t.run([&] {
        t.enter(200, "a");
        t.enter(100, "b");
        t.enter(50, "c");
        t.enter(150, "d");
    });
    EXPECT_EQ(t.scores(), (std::vector<float>{200, 150, 100, 50, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1,
                                              -1, -1, -1}));
    EXPECT_EQ(t.name(2), "d           ");
    EXPECT_EQ(t.name(3), "b           ");
    EXPECT_EQ(t.name(4), "c           ");
}

// --- The table on the screen --------------------------------------------------------

struct Ranks : Best20 {
    Ranks() { h.backend.set_clock({2026, 3, 9, 14, 30, 0}); }
    // Games entered by `games`, then the table shown over a screen with something left on it.
    void show(float games_count, const std::function<void()>& games = [] {}) {
        run([&] {
            games();
            g.s.games_count = games_count;
            g.rt.locate(0, 5, 30, 0, 3);
            g.rt.print(0, "left over");
            g.SRANKS();
        });
    }
    // Text of 1-based columns first..last of a row.
    std::string columns(int row, int first, int last) { return text_at(screen(), row, first - 1, last - first + 1); }
    std::string row(int r) { return columns(r, 1, 81); }
};

const std::string kTitle = "      Zell Bowling : Bowling Count Score";
const std::string kHeading = "-- Name ----------Level-----Layout----- Score ----";

std::string padded(const std::string& s) { return s + std::string(81 - s.size(), ' '); }

TEST(Sranks, WithNoGameStartedShowsTheDateAndTheHeadingsOnly) {
    Ranks t;
    t.show(0);
    EXPECT_EQ(t.row(0), std::string(81, ' '));
    EXPECT_EQ(t.row(1), padded(std::string(40, ' ') + "26/03/09"));
    EXPECT_EQ(t.row(2), padded(kTitle));
    EXPECT_EQ(t.row(3), padded(kHeading));
    for (int r = 4; r < 39; ++r) EXPECT_EQ(t.row(r), std::string(81, ' ')) << r;
    // The cursor waits on the next row for the caller's prompt.
    EXPECT_EQ(t.screen().cursor_row(), 4);
    EXPECT_EQ(t.screen().cursor_column(), 0);
}

TEST(Sranks, EntriesWithoutAStartedGameAreNotShown) {
    // With no game counted no row is shown, whatever the table holds.
    Ranks t;
    t.show(0, [&] { t.enter(100, "gone"); });
    EXPECT_EQ(t.row(4), std::string(81, ' '));
}

TEST(Sranks, RowColumnsStandUnderTheHeadings) {
    Ranks t;
    t.show(2, [&] {
        t.enter(87, "山田太郎", 2, 1);
        t.enter(150, "Bob Smith 123456", 4, 2);  // cut to 12 bytes
    });
    EXPECT_EQ(t.columns(4, 1, 2), "  ");
    EXPECT_EQ(t.columns(4, 3, 14), "Bob Smith 12");
    EXPECT_EQ(t.columns(4, 15, 20), "      ");
    EXPECT_EQ(t.columns(4, 21, 22), " 4");
    EXPECT_EQ(t.columns(4, 29, 35), "Random ");
    EXPECT_EQ(t.columns(4, 42, 44), "150");
    EXPECT_EQ(t.columns(4, 45, 81), std::string(37, ' '));
    EXPECT_EQ(t.columns(5, 1, 44),
              "  山田太郎" + std::string(10, ' ') + " 2" + std::string(6, ' ') + "Bowling" + std::string(6, ' ') + " 87");
    // Under the heading: the level under "Level", the layout under "Layout", the score under "Score".
    EXPECT_EQ(t.columns(3, 19, 23), "Level");
    EXPECT_EQ(t.columns(3, 29, 34), "Layout");
    EXPECT_EQ(t.columns(3, 41, 45), "Score");
    EXPECT_EQ(t.row(6), std::string(81, ' '));
}

TEST(Sranks, ShowsAtMostTheGamesStartedAndAtMostTwenty) {
    {
        Ranks t;
        t.show(2, [&] {
            t.enter(30, "a");
            t.enter(20, "b");
            t.enter(10, "c");
        });
        EXPECT_EQ(t.columns(4, 42, 44), " 30");
        EXPECT_EQ(t.columns(5, 42, 44), " 20");
        EXPECT_EQ(t.row(6), std::string(81, ' '));
    }
    {
        // More games than entries: the empty entries leave no line.
        Ranks t;
        t.show(7, [&] {
            t.enter(30, "a");
            t.enter(20, "b");
        });
        EXPECT_EQ(t.columns(5, 3, 14), "b           ");
        EXPECT_EQ(t.row(6), std::string(81, ' '));
    }
    {
        Ranks t;
        t.show(25, [&] { fill(t); });
        for (int i = 1; i <= 20; ++i) {
            std::string score = std::to_string(300 - 10 * (i - 1));
            EXPECT_EQ(t.columns(3 + i, 42, 44), std::string(3 - score.size(), ' ') + score) << i;
            EXPECT_EQ(t.columns(3 + i, 29, 35), i % 2 + 1 == 1 ? "Bowling" : "Random ") << i;
        }
        EXPECT_EQ(t.row(24), std::string(81, ' '));
    }
}

}  // namespace
}  // namespace zell
