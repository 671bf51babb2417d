// Zell Bowling for Windows: the command line, the saved settings, the Win32 window, the MIDI
// mapper, and the game's main program. A GUI program: --help and --version print to the console
// it was started from (or where its output is redirected), else they show a message box.
#include <windows.h>

#include <cstdlib>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "apps/replay/replay_run.h"
#include "game/data/saved_data.h"
#include "game/program.h"
#include "platform/windows/backend_windows.h"
#include "platform/windows/midi_windows.h"
#include "platform/windows/store_windows.h"
#include "platform/windows/wide.h"
#include "runtime/host/host.h"
#include "runtime/shell/command_line.h"

namespace {

// Where text for the player goes: the handle the program inherited (a pipe, a file, the
// console of a console program that started it), else the console of the process that started
// it; nullptr when it has none (started from the desktop).
HANDLE output_for(DWORD which) {
    HANDLE h = GetStdHandle(which);
    if (h && h != INVALID_HANDLE_VALUE && GetFileType(h) != FILE_TYPE_UNKNOWN) return h;
    static const bool attached = AttachConsole(ATTACH_PARENT_PROCESS) != 0;
    if (!attached) return nullptr;
    h = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                    OPEN_EXISTING, 0, nullptr);
    return h == INVALID_HANDLE_VALUE ? nullptr : h;
}

// Shows text to the player: on the output (a console takes it as UTF-16), else in a message box.
void tell(DWORD which, const std::string& text, const char* title) {
    if (HANDLE h = output_for(which)) {
        DWORD mode = 0, wrote = 0;
        if (GetConsoleMode(h, &mode)) {
            const std::wstring w = zell::win::to_wide(text);
            WriteConsoleW(h, w.data(), DWORD(w.size()), &wrote, nullptr);
        } else {
            WriteFile(h, text.data(), DWORD(text.size()), &wrote, nullptr);
        }
        return;
    }
    MessageBoxW(nullptr, zell::win::to_wide(text).c_str(), zell::win::to_wide(title).c_str(),
                MB_OK | (which == STD_ERROR_HANDLE ? MB_ICONERROR : MB_ICONINFORMATION));
}

// The help's lines about the desktop's XDG folders, told the Windows way.
std::string windows_help(std::string text) {
    const size_t from = text.find("The Best 20 table is saved in $XDG_DATA_HOME");
    const size_t to = text.find('\n', text.find("$XDG_CONFIG_HOME", from == std::string::npos ? 0 : from));
    if (from != std::string::npos && to != std::string::npos)
        text.replace(from, to + 1 - from,
                     "The Best 20 table and the options are saved in %APPDATA%\\zell-bowling,\n"
                     "the last run-time error in %LOCALAPPDATA%\\zell-bowling\\runtime-error.\n");
    return text;
}

// The replay file named on the command line; nullopt after saying why it cannot be read.
std::optional<std::string> read_replay_file(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    auto store = zell::make_file_store(slash == std::string::npos ? "." : path.substr(0, slash));
    auto r = store->read(slash == std::string::npos ? path : path.substr(slash + 1));
    if (r.status == zell::Store::Status::Ok) return r.bytes;
    tell(STD_ERROR_HANDLE,
         "zell-bowling: cannot read " + path + ": " +
             (r.status == zell::Store::Status::Missing ? "no such file" : r.why) + "\n",
         "Zell Bowling");
    return std::nullopt;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.push_back(zell::win::to_utf8(argv[i]));
    zell::CommandLine cli = zell::parse_command_line(args);
    // Watching or checking a replay saves nothing.
    if (cli.replay || cli.verify) cli.no_save = true;
    auto report = [](const std::string& line) { std::cerr << "zell-bowling: " << line << "\n"; };
    std::unique_ptr<zell::SaveKeeper> keeper;
    if (!cli.no_save)
        keeper = std::make_unique<zell::SaveKeeper>(zell::make_file_store(zell::data_folder()),
                                                    zell::make_file_store(zell::config_folder()), report);
    switch (cli.action) {
    case zell::CommandLine::Action::Error:
        tell(STD_ERROR_HANDLE, "zell-bowling: " + cli.error + "\n" + zell::usage_text(), "Zell Bowling");
        return 2;
    case zell::CommandLine::Action::Help:
        tell(STD_OUTPUT_HANDLE, windows_help(zell::help_text(keeper ? keeper->best_location() : "")), "Zell Bowling");
        return 0;
    case zell::CommandLine::Action::Version:
        tell(STD_OUTPUT_HANDLE, std::string("zell-bowling ") + ZELL_VERSION + "\n", "Zell Bowling");
        return 0;
    case zell::CommandLine::Action::Run: break;
    }
    if (cli.verify) {
        auto text = read_replay_file(*cli.verify);
        if (!text) return zell::ReplayOutcome::kUnreadable;
        const zell::ReplayOutcome o = zell::verify_replay(*text);
        tell(o.exit_code == 0 ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE, zell::outcome_text(o), "Zell Bowling");
        return o.exit_code;
    }
    std::optional<std::string> replay;
    if (cli.replay && !(replay = read_replay_file(*cli.replay))) return zell::ReplayOutcome::kUnreadable;

    std::string why;
    auto backend = zell::make_windows_backend(&why);
    if (!backend) {
        tell(STD_ERROR_HANDLE, "zell-bowling: cannot open a window: " + why + "\n", "Zell Bowling");
        return 1;
    }
    backend->set_display(cli.display(zell::saved_display(keeper ? keeper->load_settings() : zell::SavedSettings{})));
    const std::string env_midi = zell::win::env("ZELL_MIDI_PORT");
    zell::Host::Options options;
    options.midi = zell::make_windows_midi_out(cli.midi ? *cli.midi : env_midi);
    if (keeper) {
        options.saved_location = keeper->best_location();
        options.display_switched = [&keeper](const zell::DisplaySettings& before, const zell::DisplaySettings& now) {
            keeper->keep_display_switch(before, now);
        };
    }
    if (replay) {
        const zell::ReplayOutcome o = zell::watch_replay(*replay, *backend, std::move(options));
        if (o.exit_code != 0) tell(STD_ERROR_HANDLE, zell::outcome_text(o), "Zell Bowling");
        return o.exit_code;
    }
    zell::Host host(*backend, std::move(options));
    return host.run([&keeper](zell::Host& rt) { zell::game_main(rt, keeper.get()); });
}
