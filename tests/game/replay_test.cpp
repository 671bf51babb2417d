#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "apps/replay/replay_run.h"
#include "game/data/replay_file.h"
#include "platform/headless/backend_headless.h"
#include "platform/posix/file_store.h"
#include "tests/support/portable.h"
#include "tests/support/scenario.h"

namespace zell {
namespace {

namespace fs = std::filesystem;

// Two games in one run, level 3 and random layouts, thrown from many places; the text of each
// game's end, the replays kept and the MIDI messages of the whole run.
struct TwoGames {
    fs::path save = fs::temp_directory_path() / ("zell-replay-test-" + std::to_string(::getpid()));
    std::vector<std::string> replays;  // oldest first
    std::vector<std::string> over;     // the text screen at each game's end
    std::vector<uint32_t> midi;
    TwoGames() {
        // A click ends the wait after a game: the games are played once with throws to spare, and
        // again with as many throws as their replays hold, so that each game's end is seen.
        std::vector<int> throws = {24, 24};
        std::string script = play(throws);
        testing::Scenario trial(script);
        throws.clear();
        for (const std::string& r : replays_in(save)) {
            std::istringstream lines(testing::read_file(r));
            int n = 0;
            for (std::string line; std::getline(lines, line);) n += line.rfind("throw ", 0) == 0;
            throws.push_back(n);
        }
        EXPECT_EQ(throws.size(), 2u) << trial.log();
        throws.resize(2, 24);
        fs::remove_all(save);
        script = play(throws);
        testing::Scenario run(script);
        EXPECT_EQ(run.exit_code(), 0) << run.log();
        for (int game = 0; game < 2; ++game)
            over.push_back(testing::read_file(run.dir / ("over" + std::to_string(game) + ".txt")));
        std::istringstream log(run.log());
        for (std::string word, ms, hex; log >> word;)
            if (word == "midi" && log >> ms >> hex) midi.push_back(uint32_t(std::stoul(hex, nullptr, 16)));
            else std::getline(log, word);
        replays = replays_in(save);
    }
    static std::vector<std::string> replays_in(const fs::path& save) {
        std::vector<std::string> out;
        for (const auto& e : fs::directory_iterator(save / "replays"))
            if (e.path().extension() == ".replay") out.push_back(e.path().string());
        std::sort(out.begin(), out.end());
        return out;
    }
    std::string play(const std::vector<int>& throws) const {
        std::string script = "clock 2026-12-07 10:11:12\nmidi 1\nsave " + save.string() +
                             "\nkey Down\nkey Enter\nkey Left\nkey Enter\nkey Down\nkey Enter\nkey Right\nkey Enter\n"
                             "key Up\nkey Up\n";
        for (int game = 0; game < 2; ++game) {
            script += "key Enter\n";
            for (int t = 0; t < throws[size_t(game)]; ++t) {
                const int x = 130 + (t * 37 + game * 11) % 140, dx = (t * 13) % 41 - 20;
                script += "click left " + std::to_string(x) + " 680\ndrag " + std::to_string(x) + " 680 " +
                          std::to_string(x + dx) + " " + std::to_string(430 + (t * 29) % 120) + "\n";
            }
            script += "text over" + std::to_string(game) + ".txt\nkey Space\nkey Space\n";
        }
        return script;
    }
    ~TwoGames() { fs::remove_all(save); }
};

const TwoGames& two_games() {
    static TwoGames g;
    return g;
}

TEST(Replay, EveryGameIsRecordedAndVerifiesWithItsScore) {
    const TwoGames& g = two_games();
    ASSERT_EQ(g.replays.size(), 2u);
    const std::string best = testing::read_file(fs::path(g.replays[0]).parent_path().parent_path() / "best20.txt");
    for (size_t i = 0; i < 2; ++i) {
        const std::string text = testing::read_file(g.replays[i]);
        EXPECT_LT(text.size(), 16'000u);
        const ReplayOutcome o = verify_replay(text);
        EXPECT_EQ(o.exit_code, 0) << o.message;
        ASSERT_TRUE(o.score.has_value());
        EXPECT_NE(best.find("entry " + std::to_string(*o.score) + " 3 random"), std::string::npos) << best;
        EXPECT_NE(text.find(i == 0 ? "first yes" : "first no"), std::string::npos);
    }
}

TEST(Replay, WatchedHeadlessItShowsTheSameEndAndPlaysTheSameNotes) {
    const TwoGames& g = two_games();
    ASSERT_EQ(g.replays.size(), 2u);
    std::vector<uint32_t> midi;
    for (size_t i = 0; i < 2; ++i) {
        HeadlessBackend window;
        const std::string text = testing::read_file(g.replays[i]);
        const ReplayOutcome o = watch_replay(text, window, Host::Options{}, false);
        EXPECT_EQ(o.exit_code, 0) << o.message;
        EXPECT_GE(window.now_us() / 1000, std::stoull(text.substr(text.rfind("\n@") + 2))) << "the player's pace";
        EXPECT_EQ(o.screen, g.over[i]);
        midi.insert(midi.end(), o.midi.begin(), o.midi.end());
    }
    EXPECT_FALSE(midi.empty());
    EXPECT_EQ(midi, g.midi);
}

// Every throw whose place or drag the file gives: a value changed there is caught at that throw.
TEST(Replay, AThrowChangedIsRefusedAtThatFrameAndThrow) {
    const TwoGames& g = two_games();
    ASSERT_FALSE(g.replays.empty());
    const std::string text = testing::read_file(g.replays[0]);
    size_t checked = 0;
    for (size_t at = text.find(" position "); at != std::string::npos && checked < 6;
         at = text.find(" position ", at + 1)) {
        const size_t end = text.find('\n', at), mark = text.find("\nthrow ", at);
        if (mark == std::string::npos || text.compare(at + 10, 1, "0") != 0) continue;  // x of a place
        std::string bad = text;
        bad[end - 1] = bad[end - 1] == '9' ? '0' : char(bad[end - 1] + 1);
        const std::string throw_line = text.substr(mark + 1, text.find('\n', mark + 1) - mark - 1);
        int frame = 0, throw_no = 0;
        std::sscanf(throw_line.c_str(), "throw %d %d", &frame, &throw_no);
        const ReplayOutcome o = verify_replay(bad);
        EXPECT_EQ(o.exit_code, 3) << throw_line;
        EXPECT_EQ(o.message.rfind("frame " + std::to_string(frame) + " throw " + std::to_string(throw_no) + ": ", 0),
                  0u)
            << o.message;
        ++checked;
    }
    EXPECT_GE(checked, 5u);
}

// Each number of a throw's line (frame, throw, pins, checksum) changed alone, at several throws:
// the throw is refused, and the message names where the game stood.
TEST(Replay, AThrowLineChangedInAnyOfItsNumbersIsRefused) {
    const TwoGames& g = two_games();
    ASSERT_FALSE(g.replays.empty());
    const std::string text = testing::read_file(g.replays[0]);
    int checked = 0;
    for (size_t at = text.find("\nthrow "); at != std::string::npos && checked < 4;
         at = text.find("\nthrow ", at + 1)) {
        const size_t end = text.find('\n', at + 1);
        const std::string line = text.substr(at + 1, end - at - 1);
        int frame = 0, throw_no = 0, pins = 0;
        std::sscanf(line.c_str(), "throw %d %d %d", &frame, &throw_no, &pins);
        const std::string place = "frame " + std::to_string(frame) + " throw " + std::to_string(throw_no);
        for (int field = 1; field <= 4; ++field) {
            size_t from = at + 1;
            for (int f = 0; f < field; ++f) from = text.find(' ', from) + 1;
            std::string bad = text;
            bad[from] = bad[from] == '1' ? '2' : '1';
            const ReplayOutcome o = verify_replay(bad);
            EXPECT_EQ(o.exit_code, 3) << line << ", number " << field;
            EXPECT_NE(o.message.find(place), std::string::npos) << o.message;
        }
        ++checked;
    }
    EXPECT_EQ(checked, 4);
}

// The journal cut before its end line, a few reads or more short: the game asks for what the
// file no longer has, and the message says the file ended there.
TEST(Replay, AJournalCutShortOrWithReadsToSpareIsRefusedAtItsEnd) {
    const TwoGames& g = two_games();
    ASSERT_FALSE(g.replays.empty());
    const std::string text = testing::read_file(g.replays[0]);
    const size_t end = text.rfind("\nend ") + 1;
    size_t cut = end;
    for (int lines : {1, 20}) {
        while (lines-- > 0) cut = text.rfind('\n', cut - 2) + 1;
        const ReplayOutcome o = verify_replay(text.substr(0, cut) + text.substr(end));
        EXPECT_EQ(o.exit_code, 3) << cut;
        EXPECT_NE(o.message.find("where the file has the end of the file"), std::string::npos) << o.message;
    }
    // Reads to spare before the end line, repeated or given: the message names the first unused line.
    const size_t last = text.rfind("\n@", end - 2) + 1;
    const int line = int(std::count(text.begin(), text.begin() + long(end), '\n')) + 1;
    for (const std::string& extra : {std::string("same 2\n"), text.substr(last, end - last)}) {
        const ReplayOutcome o = verify_replay(text.substr(0, end) + extra + text.substr(end));
        EXPECT_EQ(o.exit_code, 3) << extra;
        EXPECT_NE(o.message.find("where the file has "), std::string::npos) << o.message;
        EXPECT_NE(o.message.find("(line " + std::to_string(line) + ")"), std::string::npos) << o.message;
    }
    // A throw line left out: the game reaches that throw where the file has the next throw's reads.
    const size_t at = text.find("\nthrow ") + 1;
    const ReplayOutcome o = verify_replay(text.substr(0, at) + text.substr(text.find('\n', at) + 1));
    EXPECT_EQ(o.exit_code, 3);
    EXPECT_NE(o.message.find("the game reached the throw's end where the file has more reads"), std::string::npos)
        << o.message;
}

TEST(Replay, AnUnreadableFileNamesItsLine) {
    const TwoGames& g = two_games();
    ASSERT_FALSE(g.replays.empty());
    const std::string text = testing::read_file(g.replays[0]);
    const size_t journal = text.find("journal\n") + 8;
    const std::string cut = text.substr(0, text.rfind("end "));
    // clang-format off
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"", "line 1:"},
        {text.substr(0, text.find("\ndate ") + 6) + "x" + text.substr(text.find("\ndate ") + 7), "line 3: expected \"date"},
        {"zell-bowling replay 2" + text.substr(text.find('\n')), "line 1: format version 2 is newer"},
        {cut, "line " + std::to_string(std::count(cut.begin(), cut.end(), '\n')) + ": the file is cut short"},
        {text.substr(0, journal) + "@x key 13\n" + text.substr(journal), "line 13:"},
        {text.substr(0, journal) + "@0 joystick 1\n" + text.substr(journal), "line 13: unknown input service"},
        {text.substr(0, journal) + "@99999999999999999999 key 13\n" + text.substr(journal), "line 13:"},
        {text.substr(0, journal) + "same 99999999999999999999\n" + text.substr(journal), "line 13:"},
        {text.substr(0, journal) + "same 0\n" + text.substr(journal), "line 13:"},
        {text.substr(0, journal) + "same 7x\n" + text.substr(journal), "line 13:"},
        {text + "@0 key 13\n", "nothing may follow the end line"},
    };
    // clang-format on
    for (const auto& [bad, why] : cases) {
        const ReplayOutcome o = verify_replay(bad);
        EXPECT_EQ(o.exit_code, 2) << why;
        EXPECT_NE(o.message.find(why), std::string::npos) << o.message;
    }
    // Each small number of the header, and the score, at and just past both ends of its range, or with a letter.
    for (auto [key, low, high] : {std::tuple{"level", 1, 4}, {"speed", 1, 6}, {"mascot", 1, 7}, {"end", 0, 300}})
        for (int v : {low - 1, low, high, high + 1}) {
            const size_t at = text.find(std::string("\n") + key + " ") + 1, eol = text.find('\n', at);
            const ReplayOutcome o =
                verify_replay(text.substr(0, at) + key + " " + std::to_string(v) + text.substr(eol));
            EXPECT_EQ(o.exit_code == 2, v < low || v > high) << key << " " << v << ": " << o.message;
        }
    for (const char* key : {"level", "speed", "mascot", "seed", "random", "end"}) {
        const size_t eol = text.find('\n', text.find(std::string("\n") + key + " ") + 1);
        EXPECT_EQ(verify_replay(text.substr(0, eol) + "x" + text.substr(eol)).exit_code, 2) << key;
    }
    // A key's value that is no key code, or Ctrl+C (which ends a game, so no recorded game reads
    // it), is refused at the read; a number followed by more is no number.
    size_t key = text.find(" key ", journal);
    while (key != std::string::npos && !std::isdigit(uint8_t(text[key + 5]))) key = text.find(" key ", key + 1);
    ASSERT_NE(key, std::string::npos);
    const size_t eol = text.find('\n', key);
    for (const std::string& value : {text.substr(key + 5, eol - key - 5) + "x", std::string("256"), std::string("3")}) {
        const ReplayOutcome o = verify_replay(text.substr(0, key + 5) + value + text.substr(eol));
        EXPECT_EQ(o.exit_code, 3) << value;
        EXPECT_NE(o.message.find("to a read of key"), std::string::npos) << o.message;
    }
    // A repeat before anything was read: readable, but the game finds no value to repeat there.
    const ReplayOutcome o = verify_replay(text.substr(0, journal) + "same 1\n" + text.substr(journal));
    EXPECT_EQ(o.exit_code, 3);
    EXPECT_NE(o.message.find("which the file has not given yet (line 13)"), std::string::npos) << o.message;
}

// Any value comes back from a journal's text as it was, the text printable ASCII and ending where the value does.
TEST(Replay, EveryJournalValueComesBackFromItsPrintableText) {
    for (int b = 0; b < 256; ++b)
        for (const std::string& value : {std::string(1, char(b)), "a" + std::string(1, char(b)) + "\"\\b"}) {
            const std::string text = encode_journal_value(value) + " next";
            std::string_view rest = text;
            EXPECT_EQ(decode_journal_value(rest), value) << b;
            EXPECT_EQ(rest, " next") << b;
            EXPECT_TRUE(std::ranges::all_of(text, [](unsigned char c) { return c >= ' ' && c < 0x7F; })) << b;
        }
}

// A throw line's numbers at and just past both ends of their ranges: read only when all are in range.
TEST(Replay, AThrowLineIsReadOnlyWithEveryNumberInItsRange) {
    for (int frame : {0, 1, 12, 13})
        for (int throw_no : {0, 1, 2, 3})
            for (int pins : {-1, 0, 10, 11})
                for (std::string sum : {"fedcba9", "fedcba98", "0000000a0"}) {
                    const std::string line = "throw " + std::to_string(frame) + " " + std::to_string(throw_no) + " " +
                                             std::to_string(pins) + " " + sum;
                    const bool in_range = frame >= 1 && frame <= 12 && throw_no >= 1 && throw_no <= 2 && pins >= 0 &&
                                          pins <= 10 && sum.size() == 8;
                    EXPECT_EQ(parse_throw_mark(line).has_value(), in_range) << line;
                }
}

// Sixty games over weeks; the table holds two of the oldest (one twice, as equal games do) and one without replay.
TEST(Replay, PruningKeepsTheTablesGamesAndTheLastFifty) {
    const fs::path dir = fs::temp_directory_path() / ("zell-prune-test-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    auto store = make_file_store(dir.string());
    ReplayShelf shelf(*store);
    std::vector<std::string> kept;
    for (int n = 0; n < 60; ++n) {
        ReplayHeader h;
        char date[32];
        std::snprintf(date, sizeof date, "2026-11-%02d %02d:00:00", 1 + n / 3, n % 3);
        h.date = date;
        h.program = "test";
        h.level = 1 + n % 4;
        h.name = n % 2 ? "Ann         " : "Bo          ";
        const int score = n == 3 ? 150 : n % 50;
        std::string why;
        kept.push_back(shelf.keep(h, score, format_replay_header(h) + format_replay_end(score) + "\n", &why));
        ASSERT_FALSE(kept.back().empty()) << why;
    }
    // The same game again takes a new name beside the first.
    ReplayHeader again;
    again.date = "2026-11-01 00:00:00";
    again.name = "Bo          ";
    again.program = "test";
    std::string why;
    const std::string text = format_replay_header(again) + format_replay_end(0) + "\n";
    EXPECT_EQ(shelf.keep(again, 0, text, &why), "replays/20261101-000000-0-Bo-2.replay");
    EXPECT_EQ(testing::read_file(dir / kept[0]).substr(0, 20), "zell-bowling replay ");

    std::ofstream(dir / "replays" / "20261101-000000-0-Bo.replay.tmp4242") << "a save killed";
    BestTable table;
    table.entries = {
        {150, "Ann         ", 4, 1}, {5, "Ann         ", 2, 1}, {5, "Ann         ", 2, 1}, {1, "Zed", 2, 1}};
    ASSERT_TRUE(shelf.prune(table, &why)) << why;
    std::vector<std::string> left = store->list("replays");
    std::sort(left.begin(), left.end());
    std::vector<std::string> expected(kept.begin() + 10, kept.end());
    expected.push_back(kept[3]);
    expected.push_back(kept[5]);
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(left, expected);
    EXPECT_FALSE(fs::exists(dir / "replays" / "20261101-000000-0-Bo.replay.tmp4242"));
    fs::remove_all(dir);
}

}  // namespace
}  // namespace zell
