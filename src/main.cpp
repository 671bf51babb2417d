// Zell Bowling: the desktop program. Opens the real window and runs the game's main program.
#include <cstdio>
#include <string>

#include "game/program.h"
#include "runtime/platform/backend_sdl.h"
#include "runtime/host.h"
#include "runtime/platform/system_midi.h"
#include "resources/icon.h"

int main() {
    std::string why;
    auto backend = zell::make_sdl_backend(&why);
    if (!backend) {
        std::fprintf(stderr, "zell-bowling: cannot open a window: %s\n", why.c_str());
        return 1;
    }
    zell::Host::Options options;
    options.midi = zell::make_system_midi_out();
    options.icons.emplace_back(zell::resources::kIconName, zell::resources::program_icon());
    zell::Host host(*backend, std::move(options));
    return host.run(zell::game_main);
}
