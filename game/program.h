// The game's main program, run by the host (the real window or the scripted runner).
#pragma once

namespace zell {
class Host;
void game_main(Host& host);
}  // namespace zell
