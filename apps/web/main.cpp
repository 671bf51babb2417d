// Zell Bowling in a browser: the game's main program on the page's canvas (the browser
// backend), with the page's sound, and the Best 20 and the settings kept in the browser's
// storage. Built by Emscripten only.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "apps/replay/replay_run.h"
#include "game/data/saved_data.h"
#include "game/program.h"
#include "platform/browser/backend_browser.h"
#include "runtime/host/host.h"

extern "C" {
// platform/browser/replays.js: the replay the page was asked to show (malloc'd; nullptr: none).
char* zell_page_take_replay(int* length);
}

int main() {
    zell::BrowserBackend backend;
    zell::Host::Options options;
    options.midi = zell::make_browser_midi_out();
    // The page's icon is the icon files beside it (the same figure): the program carries none.
    auto report = [](const std::string& line) {
        std::fprintf(stderr, "zell-bowling: %s\n", line.c_str());
        zell::show_page_notice(line);
    };
    zell::SaveKeeper keeper(zell::make_browser_store("best"), zell::make_browser_store("settings"), report);
    // A page cannot start in full screen: only the scaling mode is taken from the saved settings.
    zell::DisplaySettings display;
    display.scale_mode = zell::saved_display(keeper.load_settings()).scale_mode;
    backend.set_display(display);
    options.saved_location = keeper.best_location();
    options.display_switched = [&keeper](const zell::DisplaySettings& before, const zell::DisplaySettings& now) {
        keeper.keep_display_switch(before, now);
    };
    // The last run-time error's log, beside the saved records (localStorage: zell-bowling/state/runtime-error).
    options.error_log = [store = std::shared_ptr<zell::Store>(zell::make_browser_store("state"))](
                            const std::string& text) { store->write("runtime-error", text, nullptr); };
    // "Watch a replay" on the page reloads it with the file waiting: the game is watched, nothing saved.
    int length = 0;
    if (char* bytes = zell_page_take_replay(&length)) {
        const std::string replay(bytes, size_t(length));
        std::free(bytes);
        options.display_switched = nullptr;  // F10 while watching is not kept either
        const zell::ReplayOutcome o = zell::watch_replay(replay, backend, std::move(options));
        if (o.exit_code != 0) backend.message_box("Zell Bowling", zell::outcome_text(o));
        return o.exit_code;
    }
    zell::Host host(backend, std::move(options));
    return host.run([&keeper](zell::Host& rt) { zell::game_main(rt, &keeper); });
}
