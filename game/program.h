// The game's main program, run by the host (the real window, the browser or the scripted runner).
#pragma once

#include <functional>
#include <string>

namespace zell {
class Host;
class SaveKeeper;
class JournalPlayer;
struct Replay;
// saved: where the options and the Best 20 table are kept between runs (nullptr: nowhere).
void game_main(Host& host, SaveKeeper* saved);
// Plays a recorded game back through the journal (made from the replay's entries), without saving
// anything; the program ends after the game, with exit code 3 when it diverged from the file (the
// journal says where and how).
struct ReplayEnd {
    bool finished = false;            // the game ended as the file does, every throw checked
    std::string sheet;                // the score sheet as text when it ended
    std::function<void()> on_finish;  // called once the game has ended as the file does
};
void play_replay(Host& host, const Replay& replay, JournalPlayer& journal, ReplayEnd& end);
}  // namespace zell
