// Zell Bowling in a browser: the game's main program on the page's canvas (the browser
// backend), with the page's sound and, where the saved-data code is present, the Best 20
// and the settings kept in the browser's storage. Built by Emscripten only.
#include <cstdio>
#include <string>

#include "game/program.h"
#include "platform/browser/backend_browser.h"
#include "resources/icon.h"
#include "runtime/host/host.h"

int main() {
    zell::BrowserBackend backend;
    zell::Host::Options options;
    options.midi = zell::make_browser_midi_out();
    options.icons.emplace_back(zell::resources::kIconName, zell::resources::program_icon());
#if ZELL_BROWSER_STORE
    auto report = [](const std::string& line) { std::fprintf(stderr, "zell-bowling: %s\n", line.c_str()); };
    options.saved = std::make_unique<zell::SaveKeeper>(zell::make_browser_store("best"),
                                                       zell::make_browser_store("settings"), report);
    const zell::SavedSettings saved = options.saved->load_settings();
    zell::DisplaySettings display;
    display.scale_mode = saved.scale_mode.value_or(zell::ScaleMode::Sharp);
    backend.set_display(display);
#endif
    zell::Host host(backend, std::move(options));
    return host.run(zell::game_main);
}
