// A game's replay: the options and seeds it started from and the journal of what it read from
// the player, with a check of the board after every throw (docs/replays.md describes the format).
//
//   zell-bowling replay 1
//   program 1.0.0
//   date 2026-12-07 14:03:51
//   level 4
//   layout bowling
//   speed 3
//   name "Ann"
//   mascot 7
//   seed 204 51          the generator's state before the layouts were laid out, and the
//                        clock's seconds mixed into it then
//   random 1622571583    the generator's state when the game began (a check)
//   first yes            the run's first game (the placing hint shows)
//   journal
//   @0 button 2 0 0      ... the journal (runtime/host/journal.h) ...
//   throw 1 1 7 5D0E6B21 frame, throw, pins down in the frame so far, the board's checksum
//   end 187              the final score ("end gave-up" for a game given up)
//
// The replays are kept in the scores' store under "replays/", named by date, score and name;
// the newest kKeptReplays and those of the games in the Best 20 table stay, older ones go.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "game/data/saved_data.h"
#include "runtime/host/journal.h"
#include "runtime/storage/store.h"

namespace zell {

struct ReplayHeader {
    static constexpr int kVersion = 1;
    int version = kVersion;
    std::string program;  // the version of the program that recorded it
    std::string date;     // "YYYY-MM-DD HH:MM:SS", local time when the game began
    int level = 4, layout = 1, speed = 3, mascot = 7;
    std::string name;  // the 12-byte Shift-JIS name field
    uint32_t seed_state = 0;
    int32_t seed = 0;
    uint32_t random = 0;
    bool first = false;
};

// A throw's check: where it was and how the board stood after it.
struct ThrowMark {
    int frame = 0, throw_no = 0, pins = 0;
    uint32_t checksum = 0;
};

struct Replay {
    ReplayHeader header;
    std::vector<JournalEntry> journal;  // reads, runs of same reads and the throw marks
    std::optional<int> score;           // the final score; nullopt: the game was given up
};

std::string format_replay_header(const ReplayHeader& h);
std::string format_throw_mark(const ThrowMark& m);
std::optional<ThrowMark> parse_throw_mark(std::string_view line);
std::string format_replay_end(std::optional<int> score);

// The whole file; nullopt with the line at fault ("line N: ...") when it cannot be read.
std::optional<Replay> parse_replay(std::string_view text, std::string* why);
// Only the header (the lines before "journal"), for sorting the kept replays cheaply.
std::optional<ReplayHeader> parse_replay_header(std::string_view text, std::string* why);

// The record's name in the store: "replays/YYYYMMDD-HHMMSS-SCORE-NAME.replay" (SCORE "gave-up"
// for a game given up; NAME the player's name as UTF-8 with characters unsafe in file names replaced).
std::string replay_record_name(const ReplayHeader& h, std::optional<int> score, int suffix = 1);

// Keeping them.
class ReplayShelf {
public:
    static constexpr const char* kFolder = "replays";
    static constexpr size_t kKeptReplays = 50;
    explicit ReplayShelf(Store& store) : store_(store) {}
    // Writes a new record for the replay (never over another one): its name, or "" with why.
    std::string keep(const ReplayHeader& h, std::optional<int> score, std::string_view text, std::string* why);
    // Removes the replays beyond the newest kKeptReplays, keeping every one whose game matches an
    // entry of the table (score, level, layout and name); false with why when one cannot be removed.
    bool prune(const BestTable& table, std::string* why);

private:
    Store& store_;
};

}  // namespace zell
