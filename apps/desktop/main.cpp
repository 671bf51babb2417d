// Zell Bowling: the desktop program. Reads the command line and the saved settings, opens
// the real window and runs the game's main program.
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "apps/replay/replay_run.h"
#include "game/data/saved_data.h"
#include "game/program.h"
#include "platform/midi/system_midi.h"
#include "platform/posix/file_store.h"
#include "platform/sdl/backend_sdl.h"
#include "resources/icon.h"
#include "runtime/host/host.h"
#include "runtime/shell/command_line.h"

namespace {

// The replay file named on the command line; nullopt after saying why it cannot be read.
std::optional<std::string> read_replay_file(const std::string& path) {
    const size_t slash = path.rfind('/');
    auto store = zell::make_file_store(slash == std::string::npos ? "." : path.substr(0, slash));
    auto r = store->read(slash == std::string::npos ? path : path.substr(slash + 1));
    if (r.status == zell::Store::Status::Ok) return r.bytes;
    std::fprintf(stderr, "zell-bowling: cannot read %s: %s\n", path.c_str(),
                 r.status == zell::Store::Status::Missing ? "no such file" : r.why.c_str());
    return std::nullopt;
}

}  // namespace

int main(int argc, char** argv) {
    zell::CommandLine cli = zell::parse_command_line(std::vector<std::string>(argv + 1, argv + argc));
    // Watching or checking a replay saves nothing.
    if (cli.replay || cli.verify) cli.no_save = true;
    auto report = [](const std::string& line) { std::cerr << "zell-bowling: " << line << "\n"; };
    std::unique_ptr<zell::SaveKeeper> keeper;
    if (!cli.no_save)
        keeper = std::make_unique<zell::SaveKeeper>(zell::make_file_store(zell::data_folder()),
                                                    zell::make_file_store(zell::config_folder()), report);
    switch (cli.action) {
    case zell::CommandLine::Action::Error:
        std::fprintf(stderr, "zell-bowling: %s\n%s", cli.error.c_str(), zell::usage_text().c_str());
        return 2;
    case zell::CommandLine::Action::Help:
        std::fputs(zell::help_text(keeper ? keeper->best_location() : "").c_str(), stdout);
        return 0;
    case zell::CommandLine::Action::Version: std::printf("zell-bowling %s\n", ZELL_VERSION); return 0;
    case zell::CommandLine::Action::Run: break;
    }
    if (cli.verify) {
        auto text = read_replay_file(*cli.verify);
        if (!text) return zell::ReplayOutcome::kUnreadable;
        const zell::ReplayOutcome o = zell::verify_replay(*text);
        std::fputs(zell::outcome_text(o).c_str(), o.exit_code == 0 ? stdout : stderr);
        if (o.exit_code != 0 && !o.sheet.empty()) std::fflush(stderr);
        return o.exit_code;
    }
    std::optional<std::string> replay;
    if (cli.replay && !(replay = read_replay_file(*cli.replay))) return zell::ReplayOutcome::kUnreadable;

    std::string why;
    auto backend = zell::make_sdl_backend(&why);
    if (!backend) {
        std::fprintf(stderr, "zell-bowling: cannot open a window: %s\n", why.c_str());
        return 1;
    }
    backend->set_display(cli.display(zell::saved_display(keeper ? keeper->load_settings() : zell::SavedSettings{})));
    const char* env_midi = std::getenv("ZELL_MIDI_PORT");
    const std::string midi = cli.midi ? *cli.midi : env_midi ? env_midi : "";
    if (zell::MidiChoice::parse(midi).allows_synth()) zell::start_sdl_audio();
    zell::Host::Options options;
    options.midi = zell::make_system_midi_out(midi);
    options.icons.emplace_back(zell::resources::kIconName, zell::resources::program_icon());
    if (keeper) {
        options.saved_location = keeper->best_location();
        options.display_switched = [&keeper](const zell::DisplaySettings& before, const zell::DisplaySettings& now) {
            keeper->keep_display_switch(before, now);
        };
    }
    if (replay) {
        const zell::ReplayOutcome o = zell::watch_replay(*replay, *backend, std::move(options));
        if (o.exit_code != 0) std::fputs(zell::outcome_text(o).c_str(), stderr);
        return o.exit_code;
    }
    zell::Host host(*backend, std::move(options));
    return host.run([&keeper](zell::Host& rt) { zell::game_main(rt, keeper.get()); });
}
