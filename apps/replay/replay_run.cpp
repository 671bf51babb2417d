#include "apps/replay/replay_run.h"

#include "game/data/replay_file.h"
#include "game/program.h"
#include "runtime/host/watch_backend.h"
#include "runtime/text/sjis.h"

namespace zell {

ReplayOutcome play_replay_on(std::string_view text, Backend& backend, Host::Options options, bool pace,
                             WatchBackend* watch, bool hold_end) {
    ReplayOutcome o;
    std::string why;
    auto replay = parse_replay(text, &why);
    if (!replay) {
        o.exit_code = ReplayOutcome::kUnreadable;
        o.message = why;
        return o;
    }
    o.score = replay->score;
    auto recording = std::make_unique<RecordingMidiOut>(1, [&backend] { return backend.now_us() / 1000; });
    RecordingMidiOut* midi = options.midi ? nullptr : recording.get();
    if (!options.midi) options.midi = std::move(recording);
    Host host(backend, std::move(options));
    std::function<void(uint64_t)> wait;
    if (pace) wait = [&host](uint64_t us) { host.sleep_10ms(int64_t((us + 9'999) / 10'000)); };
    JournalPlayer journal(replay->journal, wait, [&backend] { return backend.now_us(); });
    ReplayEnd end;
    if (watch && hold_end)
        end.on_finish = [&host, watch] {
            // The last picture stays until a key, a click or a closed window ends the playback.
            watch->finish();
            for (;;) host.sleep_10ms(5);
        };
    const int code = host.run([&](Host& rt) { play_replay(rt, *replay, journal, end); });
    o.sheet = end.sheet;
    for (int r = 0; host.ending() != Host::Ending::StartupFailure && r < host.screen().rows(); ++r) {
        std::string line = to_utf8(host.screen().row_bytes(r));
        while (!line.empty() && line.back() == ' ') line.pop_back();
        o.screen += line + "\n";
    }
    if (midi)
        for (const auto& e : midi->log()) o.midi.push_back(e.message);
    if (end.finished) return o;
    o.exit_code = ReplayOutcome::kDiverged;
    if (!journal.divergence().empty()) {
        o.message = journal.divergence();
    } else if (host.last_error()) {
        o.message = "the game stopped with run-time error " + std::to_string(host.last_error()->number());
    } else if (code == 0 && host.ending() == Host::Ending::Closed && watch) {
        o.exit_code = ReplayOutcome::kMatches;  // the player ended the playback
        o.message = "ended before the game's end";
    } else {
        o.message = "the game ended before the file's end";
    }
    return o;
}

ReplayOutcome watch_replay(std::string_view text, Backend& window, Host::Options options, bool hold_end) {
    WatchBackend watch(window);
    return play_replay_on(text, watch, std::move(options), true, &watch, hold_end);
}

std::string outcome_text(const ReplayOutcome& o) {
    std::string out = o.sheet;
    if (o.exit_code == ReplayOutcome::kUnreadable) return "cannot read the replay: " + o.message + "\n";
    if (o.exit_code == ReplayOutcome::kDiverged) return out + "diverged: " + o.message + "\n";
    if (!o.message.empty()) return out + o.message + "\n";
    return out + (o.score ? "final score " + std::to_string(*o.score) : std::string("given up")) +
           ": every throw matches the replay\n";
}

}  // namespace zell
