#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "game/data/saved_data.h"
#include "game/game.h"
#ifdef _WIN32
#include "platform/windows/store_windows.h"
#else
#include "platform/posix/file_store.h"
#endif
#include "runtime/text/sjis.h"
#include "tests/support/headless_host.h"
#include "tests/support/portable.h"
#include "tests/support/scenario.h"

namespace zell {
namespace {

namespace fs = std::filesystem;

struct TempDir {
    fs::path path;
    TempDir() { path = testing::make_temp_dir("zell-saved"); }
    ~TempDir() { fs::remove_all(path); }
    std::string file(const std::string& name) const { return testing::read_file(path / name, true); }
    std::vector<std::string> names() const {
        std::vector<std::string> v;
        for (const auto& e : fs::directory_iterator(path)) v.push_back(e.path().filename().string());
        std::sort(v.begin(), v.end());
        return v;
    }
};

std::string field(const std::string& utf8) {
    std::string s = to_sjis(utf8);
    return s + std::string(12 - s.size(), ' ');
}

// A keeper on one folder for both records, its messages collected.
struct Keeper {
    std::vector<std::string> messages;
    SaveKeeper keeper;
    explicit Keeper(const fs::path& dir)
        : keeper(make_file_store(dir.string()), make_file_store(dir.string()),
                 [this](const std::string& m) { messages.push_back(m); }) {}
};

TEST(SavedFormat, AFullTableAndTheSettingsComeBackAsTheyWere) {
    BestTable t;
    t.games = 31;
    const char* names[] = {"ゼル", "山田太郎", "", "Ann \"Q\" \\", "ｶﾀｶﾅ", "全角文字六字"};
    for (int i = 0; i < 20; ++i) t.entries.push_back({300 - 7 * i, field(names[i % 6]), i % 4 + 1, i % 2 + 1});
    t.entries[19].name = "ABCDEFGHIJK\x83";  // half of a double-byte character, cut at the field's end
    std::string text = format_best_table(t);
    EXPECT_NE(text.find("entry 300 1 bowling \"ゼル\"\n"), std::string::npos) << text;
    EXPECT_EQ(parse_best_table(text, nullptr), t);

    SavedSettings s{2, 2, 6, field("ゼル"), 5, true, ScaleMode::Integer};
    EXPECT_EQ(parse_settings(format_settings(s), nullptr), s);
    EXPECT_EQ(parse_settings(format_settings(SavedSettings{}), nullptr), SavedSettings{});

    // A file cut at any byte short of its last line break is seen to be cut, and what it
    // still holds comes back: the first entries of the table, the first items of the settings.
    for (size_t cut = 0; cut + 1 < text.size(); ++cut) {
        Reading<BestTable> r = read_best_table(text.substr(0, cut));
        ASSERT_FALSE(r.problem.empty()) << "cut at " << cut;
        if (!r.value) continue;
        const auto& e = r.value->entries;
        ASSERT_TRUE(std::equal(e.begin(), e.end(), t.entries.begin())) << "cut at " << cut;
    }
    const std::string settings = format_settings(s);
    for (size_t cut = 0; cut + 1 < settings.size(); ++cut)
        ASSERT_FALSE(read_settings(settings.substr(0, cut)).problem.empty()) << "cut at " << cut;
    // Files of the first version have no end line and are read as they are.
    EXPECT_EQ(parse_best_table("zell-bowling best20 1\ngames 2\nentry 9 1 random \"a\"\n", nullptr),
              (BestTable{2, {{9, field("a"), 1, 2}}}));
}

// Any bytes of a name come back byte for byte, a character that converts to another code included.
TEST(SavedFormat, EveryByteAndBytePairOfANameComesBack) {
    for (int a = 0; a < 256 * 256; ++a) {
        const std::string name{char(a >> 8), char(a), 'z'};
        ASSERT_EQ(unquote_name(quote_name(name)), name + std::string(9, ' ')) << a;
    }
}

// One line that cannot be read loses nothing else: the entries and options around it are kept,
// the file is set aside byte for byte, one message says so, and the next save is whole again.
TEST(SavedFiles, WhatReadsCorrectlyAroundABadLineIsKept) {
    const std::string a = "entry 200 1 bowling \"a\"\n", b = "entry 150 2 random \"b\"\n";
    std::string many;
    for (int i = 0; i < 21; ++i) many += "entry " + std::to_string(300 - i) + " 1 bowling \"m\"\n";
    struct Case {
        const char* what;
        std::string best, settings;
        size_t entries;
        std::optional<int> level;
    };
    for (const Case& c : std::vector<Case>{
             {"a bad entry", "zell-bowling best20 2\ngames 5\n" + a + "entry 1x\n" + b + "end\n", "", 2, {}},
             {"cut at a line end", "zell-bowling best20 2\ngames 5\n" + a + b, "", 2, {}},
             {"out of order", "zell-bowling best20 2\ngames 5\n" + b + a + "end\n", "", 2, {}},
             {"21 entries", "zell-bowling best20 2\ngames 30\n" + many + "end\n", "", 20, {}},
             {"no count", "zell-bowling best20 1\n" + a, "", 1, {}},
             {"a bad option", "", "zell-bowling settings 2\nlevel 3\nspeed 9\nmascot 2\nend\n", 0, 3},
         }) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        const bool best = !c.best.empty();
        std::ofstream(dir.path / (best ? "best20.txt" : "settings.txt")) << (best ? c.best : c.settings);
        Keeper k(dir.path);
        const BestTable t = k.keeper.load_best();
        const SavedSettings s = k.keeper.load_settings();
        ASSERT_EQ(k.messages.size(), 1u);
        EXPECT_NE(k.messages[0].find("what could be read"), std::string::npos) << k.messages[0];
        EXPECT_EQ(t.entries.size(), c.entries);
        EXPECT_TRUE(std::is_sorted(t.entries.begin(), t.entries.end(),
                                   [](const BestEntry& x, const BestEntry& y) { return x.score > y.score; }));
        EXPECT_GE(size_t(t.games), t.entries.size());
        EXPECT_EQ(s.level, c.level);
        const std::string aside = dir.names().at(0);
        EXPECT_EQ(dir.file(aside), best ? c.best : c.settings);
        if (best)
            EXPECT_EQ(parse_best_table(format_best_table(k.keeper.update_best(t, [](BestTable&) {})), nullptr), t);
        else k.keeper.update_settings([](SavedSettings&) {});
        EXPECT_TRUE(parse_best_table(dir.file("best20.txt"), nullptr) || !best);
        EXPECT_EQ(parse_settings(dir.file("settings.txt"), nullptr).has_value(), !best);
    }
}

// Setting files aside never replaces one set aside before, however many come in one second.
TEST(SavedFiles, AHundredFilesSetAsideInOneSecondAreAllKept) {
    TempDir dir;
    for (int i = 0; i < 100; ++i) {
        std::ofstream(dir.path / "best20.txt") << "damaged " << i << "\n";
        Keeper k(dir.path);
        EXPECT_EQ(k.keeper.load_best(), BestTable{});
    }
    std::set<std::string> kept;
    for (const std::string& name : dir.names()) kept.insert(dir.file(name));
    EXPECT_EQ(kept.size(), 100u);
}

// A save removes the temporary files that killed saves of its own record left, and no other files.
TEST(SavedFiles, ASaveRemovesWhatKilledSavesLeftBehind) {
    TempDir dir;
    for (const char* name : {"best20.txt.tmp12", "best20.txt.tmp999999", "settings.txt.tmp12", "best20.txt.tmpx"})
        std::ofstream(dir.path / name) << "half";
    Keeper k(dir.path);
    k.keeper.update_best(BestTable{}, [](BestTable& t) { t.games = 1; });
    EXPECT_EQ(dir.names(),
              (std::vector<std::string>{"best20.txt", "best20.txt.lock", "best20.txt.tmpx", "settings.txt.tmp12"}));
    EXPECT_TRUE(k.messages.empty());
}

TEST(SavedFormat, TextThatIsNoValidTableIsRefusedWithAReason) {
    const std::string head = "zell-bowling best20 1\ngames 3\n";
    for (const auto& [what, text] : std::vector<std::pair<const char*, std::string>>{
             {"empty", ""},
             {"another file", "[section]\nkey=value\n"},
             {"newer version", "zell-bowling best20 3\ngames 3\nend\n"},
             {"truncated in a name", head + "entry 150 2 random \"ゼ"},
             {"no count", "zell-bowling best20 1\nentry 150 2 random \"a\"\n"},
             {"count below the entries", "zell-bowling best20 1\ngames 0\nentry 150 2 random \"a\"\n"},
             {"out of order", head + "entry 100 1 bowling \"a\"\nentry 150 1 bowling \"b\"\n"},
             {"score beyond 300", head + "entry 301 1 bowling \"a\"\n"},
             {"level 5", head + "entry 100 5 bowling \"a\"\n"},
             {"name of 13 bytes", head + "entry 100 1 bowling \"ABCDEFGHIJKLM\"\n"},
             {"unknown item", head + "colour 3\n"},
         }) {
        std::string why;
        EXPECT_FALSE(parse_best_table(text, &why)) << what;
        EXPECT_FALSE(why.empty()) << what;
    }
}

// The unreadable record is set aside and kept, the game starts with an empty table, the next save writes anew.
TEST(SavedFiles, AnUnreadableTableIsKeptAsideAndTheGameStartsAfresh) {
    for (const auto& [what, make] : std::vector<std::pair<const char*, std::function<void(const fs::path&)>>>{
             {"corrupt", [](const fs::path& p) { std::ofstream(p) << "zell-bowling best20 1\ngames x\n"; }},
             {"newer", [](const fs::path& p) { std::ofstream(p) << "zell-bowling best20 9\ngames 1\n"; }},
             {"not a file", [](const fs::path& p) { fs::create_directory(p); }},
#ifndef _WIN32
             {"a FIFO", [](const fs::path& p) { ::mkfifo(p.c_str(), 0644); }},
#endif
         }) {
        SCOPED_TRACE(what);
        TempDir dir;
        make(dir.path / "best20.txt");
        Keeper k(dir.path);
        EXPECT_EQ(k.keeper.load_best(), BestTable{});
        ASSERT_EQ(k.messages.size(), 1u);
        EXPECT_NE(k.messages[0].find("best20.txt.unreadable-"), std::string::npos) << k.messages[0];
        auto names = dir.names();
        ASSERT_EQ(names.size(), 1u);
        EXPECT_EQ(names[0].rfind("best20.txt.unreadable-", 0), 0u);
        BestTable one{1, {{120, field("a"), 4, 1}}};
        k.keeper.update_best(BestTable{}, [&](BestTable& t) { t = one; });
        EXPECT_EQ(parse_best_table(dir.file("best20.txt"), nullptr), one);
        EXPECT_EQ(dir.names().size(), 3u);  // the table, the one set aside, the lock
    }
}

TEST(SavedFiles, AFolderThatCannotBeWrittenLeavesTheGameGoingWithOneMessage) {
    TempDir dir;
    std::ofstream(dir.path / "file") << "x";
    Keeper k(dir.path / "file" / "zell-bowling");  // a folder inside a file can never be made
    EXPECT_EQ(k.keeper.load_best(), BestTable{});
    for (int score : {100, 150}) {
        BestTable t = k.keeper.update_best(BestTable{}, [&](BestTable& b) {
            b.games += 1;
            b.entries.push_back({score, field("a"), 1, 1});
        });
        EXPECT_EQ(t.entries.size(), 1u);
    }
    k.keeper.update_settings([](SavedSettings& s) { s.level = 2; });
    EXPECT_EQ(k.messages.size(), 2u) << "one for the table, one for the settings";
    EXPECT_EQ(dir.names(), std::vector<std::string>{"file"});
}

// F11 and F10 are remembered one by one: a switch saves what it switched and nothing else, over
// every saved state of both (none yet, either value) and every switch of one, the other or both.
TEST(SavedFiles, ADisplaySwitchKeepsWhatWasSwitchedAndLeavesTheRest) {
    using Fs = std::optional<bool>;
    using Mode = std::optional<ScaleMode>;
    const DisplaySettings shown[] = {
        {false, ScaleMode::Sharp}, {true, ScaleMode::Sharp}, {false, ScaleMode::Integer}, {true, ScaleMode::Integer}};
    TempDir dir;
    Keeper k(dir.path);
    for (Fs fs : {Fs{}, Fs{false}, Fs{true}})
        for (Mode mode : {Mode{}, Mode{ScaleMode::Sharp}, Mode{ScaleMode::Integer}})
            for (const DisplaySettings& before : shown)
                for (const DisplaySettings& now : shown) {
                    k.keeper.update_settings(
                        [&](SavedSettings& s) { s = SavedSettings{3, 2, 4, field("ab"), 6, fs, mode}; });
                    k.keeper.keep_display_switch(before, now);
                    SavedSettings want{3, 2, 4, field("ab"), 6, fs, mode};
                    if (now.fullscreen != before.fullscreen) want.fullscreen = now.fullscreen;
                    if (now.scale_mode != before.scale_mode) want.scale_mode = now.scale_mode;
                    EXPECT_EQ(k.keeper.load_settings(), want) << before.fullscreen << int(before.scale_mode) << " -> "
                                                              << now.fullscreen << int(now.scale_mode);
                }
    EXPECT_TRUE(k.messages.empty());
}

// Two copies of the game running at once, saving in turns: each reads what the other saved.
TEST(SavedFiles, TwoCopiesSavingInTurnsLoseNoEntryAndCountEveryGame) {
    TempDir dir;
    struct Copy {
        std::unique_ptr<testing::HeadlessHost> h = std::make_unique<testing::HeadlessHost>();
        SaveKeeper keeper;
        explicit Copy(const fs::path& p)
            : keeper(make_file_store(p.string()), make_file_store(p.string()),
                     [](const std::string& m) { ADD_FAILURE() << m; }) {}
    };
    Copy a(dir.path), b(dir.path);
    Game ga(*a.h->host, &a.keeper), gb(*b.h->host, &b.keeper);
    for (Game* g : {&ga, &gb}) {  // both start before either has saved
        g->empty_best20();
        g->load_saved_best20();
    }
    auto play = [](Copy& c, Game& g, const char* name, std::vector<float> scores) {
        c.h->run([&](Host&) {
            g.s.player_name.assign(name);
            g.s.level = 4;
            g.s.layout = 1;
            for (float score : scores) {
                g.s.games_count = g.s.games_count + 1;
                g.save_game_score(score);
            }
        });
        return std::vector<float>{g.s.games_count, g.s.best_score(1), g.s.best_score(2), g.s.best_score(3),
                                  g.s.best_score(4)};
    };
    EXPECT_EQ(play(a, ga, "A", {100}), (std::vector<float>{1, 100, -1, -1, -1}));
    EXPECT_EQ(play(b, gb, "B", {150}), (std::vector<float>{2, 150, 100, -1, -1}));
    EXPECT_EQ(play(a, ga, "A", {120, 120}), (std::vector<float>{4, 150, 120, 120, 100}));
    auto t = parse_best_table(dir.file("best20.txt"), nullptr);
    ASSERT_TRUE(t);
    EXPECT_EQ(t->games, 4);
    ASSERT_EQ(t->entries.size(), 4u);
    EXPECT_EQ(t->entries[0].name, field("B"));
    EXPECT_EQ(t->entries[3].score, 100);
}

// The whole program, run by the scripted runner: what one run saves, the next one shows.
TEST(SavedGame, ARunSavesItsGameAndOptionsAndTheNextShowsThem_NoSaveTouchesNothing) {
    TempDir dir, untouched;
    std::string play = "key Enter\n";  // a game of twenty throws dropped beside the pins
    for (int i = 0; i < 40; ++i) play += "click left 100 680\n";
    play += "key Enter\nkey Enter\nkey Down\nkey Enter\nkey Left\nkey Enter\n";           // Game Over, Best 20, level 3
    play += "key Down\nkey Down\nkey Down\nkey Enter\nkey Enter\nkey Left\nkey Enter\n";  // the name kept, mascot 6
    {
        testing::Scenario no_save("save " + untouched.path.string() + "\nargs --no-save --window\n" + play);
        EXPECT_TRUE(no_save.result.ended_normally()) << no_save.log();
        EXPECT_TRUE(untouched.names().empty());
    }
    testing::Scenario first("save " + dir.path.string() + "\n" + play);
    EXPECT_TRUE(first.result.ended_normally()) << first.log();
    EXPECT_NE(dir.file("best20.txt").find("games 1\nentry 0 4 bowling \"\"\n"), std::string::npos);
    EXPECT_NE(dir.file("settings.txt").find("level 3\n"), std::string::npos);
    EXPECT_NE(dir.file("settings.txt").find("mascot 6\n"), std::string::npos);

    testing::Scenario second("save " + dir.path.string() +
                             "\nkey Down\nkey Down\nkey Down\nkey Enter\ntext best.txt\n");
    std::ifstream dump(second.dir / "best.txt");
    std::string row;
    for (int i = 0; i <= 4; ++i) std::getline(dump, row);
    EXPECT_EQ(row, std::string(21, ' ') + "4      Bowling        0");
}

// A saved speed takes effect at start-up, as if it had been chosen in the menu.
TEST(SavedGame, ASavedSpeedStepsAsIfChosenInTheMenu) {
    for (int speed = 1; speed <= 6; ++speed) {
        TempDir dir;
        std::ofstream(dir.path / "settings.txt") << "zell-bowling settings 2\nspeed " << speed << "\nend\n";
        Keeper k(dir.path);
        testing::HeadlessHost h;
        Game saved(*h.host, &k.keeper), chosen(*h.host, nullptr);
        h.run([&](Host&) { saved.set_defaults(), chosen.set_defaults(), chosen.set_time_step(float(speed)); });
        EXPECT_EQ(saved.s.dt, chosen.s.dt) << "speed " << speed;
    }
}

// Delete Best 20 asks first: Enter or Y deletes the saved table, any other key keeps it; a click on
// "Enter / Y : 破棄 Delete" (row 22 from column 17) deletes it, a click elsewhere keeps it.
TEST(SavedGame, DeletingTheTableAsksFirst) {
    const std::string table = "zell-bowling best20 2\ngames 1\nentry 120 4 bowling \"a\"\nend\n";
    // clang-format off
    const std::vector<std::pair<std::string, bool>> answers = {
        {"key Enter", true}, {"key y", true}, {"key Y", true}, {"key n", false}, {"key Esc", false},
        {"key Down", false}, {"click left 136 297", true}, {"click left 319 297", true},
        {"click left 320 297", false}, {"click left 166 315", false}};
    // clang-format on
    for (const auto& [answer, deletes] : answers) {
        TempDir dir;
        std::ofstream(dir.path / "best20.txt") << table;
        testing::Scenario run("save " + dir.path.string() +
                              "\nkey Down\nkey Down\nkey Down\nkey Down\nkey Down\nkey Enter\n" + answer + "\n");
        EXPECT_TRUE(run.result.ended_normally()) << answer << run.log();
        EXPECT_EQ(parse_best_table(dir.file("best20.txt"), nullptr)->entries.empty(), deletes) << answer;
    }
}

}  // namespace
}  // namespace zell
