// The game's main program, run by the host (the real window, the browser or the scripted runner).
#pragma once

namespace zell {
class Host;
class SaveKeeper;
// saved: where the options and the Best 20 table are kept between runs (nullptr: nowhere).
void game_main(Host& host, SaveKeeper* saved);
}  // namespace zell
