// Replays played through the real host: checked without a window as fast as they go
// (--verify), or watched in a window at the pace they were played (--replay).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/backend.h"
#include "runtime/host/host.h"

namespace zell {

struct ReplayOutcome {
    static constexpr int kMatches = 0, kUnreadable = 2, kDiverged = 3;
    int exit_code = kMatches;
    std::string message;         // unreadable: the line at fault; diverged: where and what differed
    std::string sheet;           // the score sheet when it ended
    std::optional<int> score;    // the file's final score (nullopt: given up or unreadable)
    std::vector<uint32_t> midi;  // the MIDI messages the game sent, in order
    std::string screen;          // the text screen when it ended, as UTF-8 lines without trailing blanks
};

class WatchBackend;
// One playback on a host over backend; pace: wait between the player's inputs as recorded; watch:
// the playback's controls, when the backend is one.
// hold_end: the last picture stays until a key, a click or a closed window.
ReplayOutcome play_replay_on(std::string_view text, Backend& backend, Host::Options options, bool pace,
                             WatchBackend* watch, bool hold_end = true);
// Plays the replay on the headless backend, without pauses (verify_replay.cpp).
ReplayOutcome verify_replay(std::string_view text);
// Plays the replay in the window at its recorded pace, with the playback's controls (WatchBackend);
// options.midi plays the sound (a recording one is made when it is absent).
ReplayOutcome watch_replay(std::string_view text, Backend& window, Host::Options options, bool hold_end = true);
// The outcome as --verify prints it.
std::string outcome_text(const ReplayOutcome& o);

}  // namespace zell
