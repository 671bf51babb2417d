#include "apps/script/runner.h"

#include <cstdio>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>

#include "game/data/saved_data.h"
#include "platform/headless/backend_headless.h"
#ifdef _WIN32
#include "platform/windows/store_windows.h"
#else
#include "platform/posix/file_store.h"
#endif
#include "runtime/shell/command_line.h"
#include "runtime/text/sjis.h"

namespace zell::script {
namespace {

// Virtual time a player takes between two inputs: long enough that separate clicks are
// never taken for a double-click.
constexpr uint64_t kInputGapUs = 300'000;

// "file:line" of a position of the program.
std::string place_of(const Host::Loc& at) {
    auto pos = Position::of(at);
    return pos.file + ":" + std::to_string(pos.line);
}

class Driver {
public:
    Driver(const Script& s, const std::string& outdir, HeadlessBackend& backend, Host& host)
        : script_(s), outdir_(outdir), backend_(backend), host_(host), limit_us_(uint64_t(s.limit_s) * 1'000'000) {}

    // Called at every pump: the guard against a program that runs on without ever waiting or
    // pausing (its virtual clock stands still), and once the clock has moved, the timed close
    // and the time limit. Acting only then, the runner does the same whichever step of a
    // computation the statement poll's backstop pumps at.
    void on_pump() {
        note_position(host_.position());
        const uint64_t now = backend_.now_us();
        if (now == clock_us_) {
            if (++still_pumps_ == kMaxStillPumps)
                stop("the program ran " + std::to_string(kMaxStillPumps) + " pumps without waiting or pausing");
            return;
        }
        clock_us_ = now;
        still_pumps_ = 0;
        if (now >= limit_us_) stop("virtual time reached the limit of " + std::to_string(script_.limit_s) + " s");
        if (close_at_us_ && now >= *close_at_us_) {
            close_at_us_.reset();
            backend_.inject_close();
        }
    }

    // Called each time the program waits for input with nothing queued. Returns true when it
    // queued something; false ends the program (the script is used up).
    bool on_wait() {
        std::string place = place_of(host_.position());
        if (waits_.empty() || waits_.back() != place) waits_.push_back(std::move(place));
        if (pending_.has_value()) {
            deliver_second_half();
            return true;
        }
        while (next_ < script_.commands.size()) {
            const Command& c = script_.commands[next_++];
            switch (c.kind) {
            case Command::Wait: return true;  // the program keeps waiting; the next wait continues the script
            case Command::Shot:
                if (!host_.shown_picture().write_png(outdir_ + "/" + c.text)) note("cannot write " + c.text);
                continue;
            case Command::Text: write_text(c.text); continue;
            case Command::Close:
                if (c.delay_ms >= 0) {  // a timer: the script goes on meanwhile
                    close_at_us_ = backend_.now_us() + uint64_t(c.delay_ms) * 1000;
                    continue;
                }
                [[fallthrough]];
            default: deliver(c); return true;
            }
        }
        return false;
    }

    // A position the program stood at: at a pump, or in the host's sample of its steps.
    void note_position(const Host::Loc& at) {
        if (at.line() != 0) positions_.try_emplace({at.file_name(), at.line()}, at);  // 0: before the first step
    }

    void note(const std::string& s) { notes_ += s + "\n"; }
    const std::string& notes() const { return notes_; }
    bool limit_reached() const { return limit_reached_; }
    std::vector<std::string> take_waits() { return std::move(waits_); }
    std::set<std::string> positions() const {
        std::set<std::string> out;
        for (const auto& [key, at] : positions_) out.insert(place_of(at));
        return out;
    }

private:
    void stop(const std::string& why) {
        if (limit_reached_) return;
        limit_reached_ = true;
        note("limit: " + why + ", window closed");
        backend_.inject_close();
    }

    // Graphics coordinates (y up from the bottom) to client pixels.
    int row(int y) const { return host_.screen().height() - y; }

    void deliver(const Command& c) {
        backend_.sleep_us(kInputGapUs);
        switch (c.kind) {
        case Command::Key:
            for (int n = 0; n < c.count; ++n) {
                if (c.key == Key::None || c.ch) backend_.inject_char(uint8_t(c.ch));
                else if (c.key == Key::Enter) backend_.inject_char(keycode::kEnter);
                else if (c.key == Key::Esc) backend_.inject_char(keycode::kEscape);
                else if (c.key == Key::Backspace) backend_.inject_char(keycode::kBackspace);
                else if (c.key == Key::Tab) backend_.inject_char(keycode::kTab);
                else backend_.inject_key(c.key);
            }
            break;
        case Command::Char:
            for (int n = 0; n < c.count; ++n) backend_.inject_char(uint8_t(c.ch));
            break;
        case Command::Type: backend_.inject_text(c.text); break;
        case Command::Press: backend_.inject_press(c.button, c.x, row(c.y)); break;
        case Command::Release: backend_.inject_release(c.button, c.x, row(c.y)); break;
        case Command::Move: backend_.inject_move(c.x, row(c.y)); break;
        case Command::Click:
        case Command::Drag:
            // The press now; the rest at the program's next wait, so that a program polling the
            // button sees it held.
            backend_.inject_press(c.kind == Command::Drag ? MouseButton::Left : c.button, c.x, row(c.y));
            pending_ = c;
            break;
        case Command::Tap:
            backend_.inject_press(c.button, c.x, row(c.y));
            backend_.inject_release(c.button, c.x, row(c.y));
            break;
        case Command::DoubleClick:
            backend_.inject_press(c.button, c.x, row(c.y));
            backend_.inject_release(c.button, c.x, row(c.y));
            backend_.inject_press(c.button, c.x, row(c.y));
            backend_.inject_release(c.button, c.x, row(c.y));
            break;
        case Command::Close: backend_.inject_close(); break;
        default: break;
        }
    }

    void deliver_second_half() {
        Command c = *pending_;
        pending_.reset();
        backend_.sleep_us(kInputGapUs);
        if (c.kind == Command::Drag) {
            backend_.inject_move(c.x1, row(c.y1));
            backend_.inject_release(MouseButton::Left, c.x1, row(c.y1));
        } else {
            backend_.inject_release(c.button, c.x, row(c.y));
        }
    }

    void write_text(const std::string& file) {
        std::ofstream out(outdir_ + "/" + file, std::ios::binary);
        Screen& s = host_.screen();
        for (int r = 0; r < s.rows(); ++r) {
            std::string line = to_utf8(s.row_bytes(r));
            while (!line.empty() && line.back() == ' ') line.pop_back();
            out << line << "\n";
        }
        if (!out) note("cannot write " + file);
    }

    const Script& script_;
    std::string outdir_;
    HeadlessBackend& backend_;
    Host& host_;
    uint64_t limit_us_;
    size_t next_ = 0;
    std::optional<Command> pending_;
    std::optional<uint64_t> close_at_us_;
    uint64_t clock_us_ = 0;
    long still_pumps_ = 0;
    bool limit_reached_ = false;
    std::vector<std::string> waits_;
    std::map<std::pair<const char*, unsigned>, Host::Loc> positions_;
    std::string notes_;
};

const char* ending_text(Host::Ending e) {
    switch (e) {
    case Host::Ending::Returned: return "main program returned";
    case Host::Ending::End: return "End";
    case Host::Ending::Closed: return "window closed";
    case Host::Ending::Error: return "run-time error";
    case Host::Ending::StartupFailure: return "start-up failure";
    case Host::Ending::NotRun: break;
    }
    return "not run";
}

}  // namespace

bool RunResult::ended_normally() const {
    return exit_code == 0 && (ending == Host::Ending::End || ending == Host::Ending::Closed) && !error &&
           !limit_reached;
}

RunResult run(const Script& script, const std::string& outdir, const Host::MainProgram& program) {
    HeadlessBackend backend(script.clock);
    auto recorder = std::make_unique<RecordingMidiOut>(uint32_t(script.midi_devices),
                                                       [&backend] { return backend.now_us() / 1000; });
    RecordingMidiOut* midi = recorder.get();
    Host::Options options;
    options.midi = std::move(recorder);
    // The program saves only in a folder the script names, never in the player's own.
    CommandLine cl = parse_command_line(script.args);
    std::string saved_log;
    std::unique_ptr<SaveKeeper> keeper;
    if (script.save_dir && !cl.no_save) {
        keeper = std::make_unique<SaveKeeper>(
            make_file_store(*script.save_dir), make_file_store(*script.save_dir),
            [&saved_log](const std::string& line) { saved_log += "saved: " + line + "\n"; });
        options.saved_location = keeper->best_location();
        options.display_switched = [&keeper](const DisplaySettings& before, const DisplaySettings& now) {
            keeper->keep_display_switch(before, now);
        };
    }
    backend.set_display(cl.display(saved_display(keeper ? keeper->load_settings() : SavedSettings{})));
    Host host(backend, std::move(options));
    Driver driver(script, outdir, backend, host);
    backend.set_on_wait([&driver](HeadlessBackend&) { return driver.on_wait(); });
    backend.set_on_pump([&driver](HeadlessBackend&) { driver.on_pump(); });
    host.sample_positions([&driver](const Host::Loc& at) { driver.note_position(at); });

    RunResult result;
    result.exit_code = program ? host.run(program) : host.run([&keeper](Host& rt) { game_main(rt, keeper.get()); });
    result.ending = host.ending();
    result.error = host.last_error().has_value();
    result.limit_reached = driver.limit_reached();
    result.waits = driver.take_waits();
    result.positions = driver.positions();

    std::ostringstream log;
    for (const auto& e : midi->log()) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "midi %llu %08X\n", (unsigned long long)e.ms, e.message);
        log << buf;
    }
    if (host.last_error()) {
        const RuntimeError& e = *host.last_error();
        auto pos = Position::of(e.where());
        log << "error " << e.number() << " at " << pos.file << " line " << pos.line << "\n";
    }
    for (const auto& box : backend.message_boxes()) log << "message " << box << "\n";
    log << saved_log;
    log << driver.notes();
    log << "ended: " << ending_text(host.ending()) << ", exit code " << result.exit_code << "\n";
    result.log = log.str();
    std::ofstream(outdir + "/log.txt", std::ios::binary) << result.log;
    return result;
}

}  // namespace zell::script
