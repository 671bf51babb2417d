#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "tests/support/game_screens.h"

namespace zell {
namespace {

using testing::GameOnHeadless;
using testing::text_at;
using Entry = std::tuple<float, std::string, float, float>;  // score, name (trimmed), level, layout

// An empty table, as at start-up.
struct Best20 : GameOnHeadless {
    Best20() {
        for (int i = 1; i <= 20; ++i) g.s.best_score(i) = -1;
    }
    // A finished game of the given player, level and layout.
    void enter(float score, const std::string& name, float level = 4, float layout = 1) {
        g.s.player_name.assign(to_sjis(name));
        g.s.level = level;
        g.s.layout = layout;
        g.enter_best20(score);
    }
    // A full table: entry i holds 300 - 10 (i - 1) by "p<i>" at level (i mod 4) + 1, layout (i mod 2) + 1.
    void fill() {
        for (int i = 1; i <= 20; ++i)
            enter(float(310 - 10 * i), "p" + std::to_string(i), float(i % 4 + 1), float(i % 2 + 1));
    }
    Entry entry(int i) const {
        std::string name = to_utf8(g.s.best_name(i).str());
        EXPECT_EQ(name.size(), 12u);
        name.erase(name.find_last_not_of(' ') + 1);
        return {g.s.best_score(i), name, g.s.best_level(i), g.s.best_layout(i)};
    }
    // The entries that hold a score, best first.
    std::vector<Entry> entries() const {
        std::vector<Entry> v;
        for (int i = 1; i <= 20 && g.s.best_score(i) >= 0; ++i) v.push_back(entry(i));
        return v;
    }
};

TEST(Bst20, TheFirstGameEntersFirstEvenWithZeroAndEqualScoresGoBelowOlderOnes) {
    Best20 t;
    t.run([&] { t.enter(0, "Ann", 2, 2); });
    EXPECT_EQ(t.entries(), (std::vector<Entry>{{0, "Ann", 2, 2}}));
    Best20 u;
    u.run([&] {
        u.enter(120, "first", 1, 1);
        u.enter(150, "second", 2, 2);
        u.enter(120, "third", 3, 1);
        u.enter(50, "fourth", 4, 2);
        u.enter(130, "fifth", 4, 1);
    });
    EXPECT_EQ(u.entries(), (std::vector<Entry>{{150, "second", 2, 2}, {130, "fifth", 4, 1}, {120, "first", 1, 1},
                                               {120, "third", 3, 1},
                                               {50, "fourth", 4, 2}}));
}

TEST(Bst20, AFullTableTakesOnlyScoresAboveItsLastEntryAndANewBestPushesTheLastOut) {
    Best20 t;
    t.run([&] {
        t.fill();
        t.enter(110, "equal");  // equal to entry 20: not entered
        t.enter(5, "low");
        EXPECT_EQ(t.entry(20), (Entry{110, "p20", 1, 1}));
        t.enter(111, "higher", 3, 2);  // replaces entry 20
        EXPECT_EQ(t.entry(20), (Entry{111, "higher", 3, 2}));
        EXPECT_EQ(t.entry(19), (Entry{120, "p19", 4, 2}));
    });
    Best20 u;
    u.run([&] {
        u.fill();
        u.enter(301, "top", 1, 2);
    });
    EXPECT_EQ(u.entry(1), (Entry{301, "top", 1, 2}));
    for (int i = 2; i <= 20; ++i)  // old entry i - 1 with all its columns
        EXPECT_EQ(u.entry(i), (Entry{float(310 - 10 * (i - 1)), "p" + std::to_string(i - 1), float((i - 1) % 4 + 1),
                                     float((i - 1) % 2 + 1)}));
}

// The table shown after `games`, over a screen with something left on it.
struct Ranks : Best20 {
    Ranks() { h.backend.set_clock({2026, 3, 9, 14, 30, 0}); }
    void show(
        float games_count, const std::function<void()>& games = [] {}) {
        run([&] {
            games();
            g.s.games_count = games_count;
            g.rt.locate(0, 5, 30, 0, 3);
            g.rt.print(0, "left over");
            g.show_best20();
        });
    }
    // Text of 1-based columns first..last of a row.
    std::string columns(int row, int first = 1, int last = 81) {
        return text_at(screen(), row, first - 1, last - first + 1);
    }
    // The first row without text.
    int end() {
        int r = 4;
        while (r < 39 && columns(r) != std::string(81, ' ')) ++r;
        return r;
    }
};

std::string padded(const std::string& s) { return s + std::string(81 - s.size(), ' '); }

TEST(Sranks, WithNoGameStartedShowsTheDateAndTheHeadingsOnly) {
    Ranks t;
    t.show(0, [&] { t.enter(100, "gone"); });  // whatever the table holds
    EXPECT_EQ(t.columns(0), std::string(81, ' '));
    EXPECT_EQ(t.columns(1), padded(std::string(40, ' ') + "26/03/09"));
    EXPECT_EQ(t.columns(2), padded("      Zell Bowling : Bowling Count Score"));
    EXPECT_EQ(t.columns(3), padded("-- Name ----------Level-----Layout----- Score ----"));
    for (int r = 4; r < 39; ++r) EXPECT_EQ(t.columns(r), std::string(81, ' ')) << r;
    EXPECT_EQ((std::array{t.screen().cursor_row(), t.screen().cursor_column()}), (std::array{4, 0}))
        << "the cursor waits on the next row for the caller's prompt";
}

TEST(Sranks, RowColumnsStandUnderTheHeadings) {
    Ranks t;
    t.show(2, [&] {
        t.enter(87, "山田太郎", 2, 1);
        t.enter(150, "Bob Smith 123456", 4, 2);  // cut to 12 bytes
    });
    // The name at columns 3-14, the level at 21-22 under "Level", the layout at 29-35 under
    // "Layout", the score at 42-44 under "Score".
    EXPECT_EQ(t.columns(3, 19, 23) + t.columns(3, 29, 34) + t.columns(3, 41, 45), "LevelLayoutScore");
    EXPECT_EQ(t.columns(4), padded("  Bob Smith 12       4      Random       150"));
    EXPECT_EQ(t.columns(5, 1, 44), "  山田太郎" + std::string(10, ' ') + " 2      Bowling       87");
    EXPECT_EQ(t.end(), 6);
}

TEST(Sranks, ShowsAtMostTheGamesStartedAndAtMostTwenty) {
    Ranks two;
    two.show(2, [&] {
        for (float score : {30, 20, 10}) two.enter(score, "a");
    });
    EXPECT_EQ(two.end(), 6);
    EXPECT_EQ(two.columns(5, 42, 44), " 20");
    Ranks seven;  // more games than entries: the empty entries leave no line
    seven.show(7, [&] {
        seven.enter(30, "a");
        seven.enter(20, "b");
    });
    EXPECT_EQ(seven.end(), 6);
    Ranks full;
    full.show(25, [&] { full.fill(); });
    EXPECT_EQ(full.end(), 24);
    for (int i = 1; i <= 20; ++i) {
        const std::string score = std::to_string(310 - 10 * i);
        EXPECT_EQ(full.columns(3 + i, 29, 44),
                  (i % 2 ? "Random       " : "Bowling      ") + std::string(3 - score.size(), ' ') + score)
            << i;
    }
}

}  // namespace
}  // namespace zell
