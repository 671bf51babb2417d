// Zell Bowling in a browser: the game's main program on the page's canvas (the browser
// backend), with the page's sound. Built by Emscripten only.
#include "game/program.h"
#include "resources/icon.h"
#include "runtime/host.h"
#include "runtime/platform/backend_browser.h"

int main() {
    zell::BrowserBackend backend;
    zell::Host::Options options;
    options.midi = zell::make_browser_midi_out();
    options.icons.emplace_back(zell::resources::kIconName, zell::resources::program_icon());
    zell::Host host(backend, std::move(options));
    return host.run(zell::game_main);
}
