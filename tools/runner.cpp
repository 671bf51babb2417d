#include "tools/runner.h"

#include <cstdio>
#include <fstream>
#include <sstream>

#include "game/program.h"
#include "runtime/backend_headless.h"
#include "runtime/host.h"
#include "runtime/sjis.h"

namespace zell::script {
namespace {

// Virtual time a player takes between two inputs: long enough that separate clicks are
// never taken for a double-click.
constexpr uint64_t kInputGapUs = 300'000;

class Driver {
public:
    Driver(const Script& s, const std::string& outdir, HeadlessBackend& backend, Host& host)
        : script_(s), outdir_(outdir), backend_(backend), host_(host) {}

    // Called each time the program waits for input with nothing queued. Returns true when it
    // queued something; false ends the program (the script is used up).
    bool on_wait() {
        if (pending_.has_value()) {
            deliver_second_half();
            return true;
        }
        while (next_ < script_.commands.size()) {
            const Command& c = script_.commands[next_++];
            switch (c.kind) {
            case Command::Wait:
                return true;  // the program keeps waiting; the next wait continues the script
            case Command::Shot:
                if (!host_.screen().visible().write_png(outdir_ + "/" + c.text))
                    note("cannot write " + c.text);
                continue;
            case Command::Text:
                write_text(c.text);
                continue;
            default:
                deliver(c);
                return true;
            }
        }
        return false;
    }

    void note(const std::string& s) { notes_ += s + "\n"; }
    const std::string& notes() const { return notes_; }

private:
    // Graphics coordinates (y up from the bottom) to client pixels.
    int row(int y) const { return host_.screen().height() - y; }

    void deliver(const Command& c) {
        backend_.sleep_us(kInputGapUs);
        switch (c.kind) {
        case Command::Key:
            if (c.key == Key::None || c.ch) backend_.inject_char(uint8_t(c.ch));
            else if (c.key == Key::Enter) backend_.inject_char(13);
            else if (c.key == Key::Esc) backend_.inject_char(27);
            else if (c.key == Key::Backspace) backend_.inject_char(8);
            else if (c.key == Key::Tab) backend_.inject_char(9);
            else backend_.inject_key(c.key);
            break;
        case Command::Type:
            backend_.inject_text(c.text);
            break;
        case Command::Press:
            backend_.inject_press(c.button, c.x, row(c.y));
            break;
        case Command::Release:
            backend_.inject_release(c.button, c.x, row(c.y));
            break;
        case Command::Move:
            backend_.inject_move(c.x, row(c.y));
            break;
        case Command::Click:
        case Command::Drag:
            // The press now; the rest at the program's next wait, so that a program polling the
            // button sees it held.
            backend_.inject_press(c.kind == Command::Drag ? MouseButton::Left : c.button, c.x, row(c.y));
            pending_ = c;
            break;
        case Command::DoubleClick:
            backend_.inject_press(c.button, c.x, row(c.y));
            backend_.inject_release(c.button, c.x, row(c.y));
            backend_.inject_press(c.button, c.x, row(c.y));
            backend_.inject_release(c.button, c.x, row(c.y));
            break;
        case Command::Close:
            backend_.inject_close();
            break;
        default:
            break;
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
        std::ofstream out(outdir_ + "/" + file);
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
    size_t next_ = 0;
    std::optional<Command> pending_;
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

RunResult run(const Script& script, const std::string& outdir) {
    HeadlessBackend backend(script.clock);
    auto recorder = std::make_unique<RecordingMidiOut>(uint32_t(script.midi_devices),
                                                       [&backend] { return backend.now_us() / 1000; });
    RecordingMidiOut* midi = recorder.get();
    Host::Options options;
    options.midi = std::move(recorder);
    Host host(backend, std::move(options));
    Driver driver(script, outdir, backend, host);
    backend.set_on_wait([&driver](HeadlessBackend&) { return driver.on_wait(); });

    RunResult result;
    result.exit_code = host.run(game_main);

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
    log << driver.notes();
    log << "ended: " << ending_text(host.ending()) << ", exit code " << result.exit_code << "\n";
    result.log = log.str();
    std::ofstream(outdir + "/log.txt") << result.log;
    return result;
}

}  // namespace zell::script
