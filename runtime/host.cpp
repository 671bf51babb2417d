#include "runtime/host.h"
#include "runtime/help_panel.h"
#include "runtime/sjis.h"

#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>

namespace zell {
namespace {

// Position of the running step, for the last-resort report of a fatal signal.
std::atomic<const char*> g_fatal_file{nullptr};
std::atomic<unsigned> g_fatal_line{0};

void write_all(int fd, const char* s, size_t n) {
    while (n > 0) {
        ssize_t w = ::write(fd, s, n);
        if (w <= 0) return;
        s += w;
        n -= size_t(w);
    }
}

// Reports the position of the failing step on standard error and lets the signal end the process.
// Only async-signal-safe calls are made here.
extern "C" void fatal_signal(int sig) {
    static const char kText[] = "続行不可能なエラーが発生しました ";
    write_all(2, kText, sizeof kText - 1);
    const char* file = g_fatal_file.load();
    if (file) {
        const char* base = file;
        for (const char* p = file; *p; ++p)
            if (*p == '/' || *p == '\\') base = p + 1;
        write_all(2, base, std::strlen(base));
    }
    char num[16];
    int n = 0;
    unsigned line = g_fatal_line.load();
    char digits[12];
    do {
        digits[n++] = char('0' + line % 10);
        line /= 10;
    } while (line && n < 11);
    int k = 0;
    num[k++] = ' ';
    num[k++] = '[';
    while (n) num[k++] = digits[--n];
    write_all(2, num, size_t(k));
    static const char kEnd[] = "行]\n";
    write_all(2, kEnd, sizeof kEnd - 1);
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

class FatalSignalGuard {
public:
    FatalSignalGuard() {
        for (int s : kSignals) old_[index(s)] = std::signal(s, fatal_signal);
    }
    ~FatalSignalGuard() {
        for (int s : kSignals) std::signal(s, old_[index(s)]);
    }

private:
    static constexpr int kSignals[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE};
    static int index(int s) {
        for (int i = 0; i < 4; ++i)
            if (kSignals[i] == s) return i;
        return 0;
    }
    void (*old_[4])(int) = {};
};

// The host's fixed texts in Shift-JIS, converted once (map nodes keep references valid).
const std::string& sjis_text(const char* utf8) {
    static std::map<std::string_view, std::string> cache;
    auto it = cache.find(utf8);
    if (it == cache.end()) it = cache.emplace(utf8, to_sjis(utf8)).first;
    return it->second;
}

constexpr const char* kStartupMessages[] = {
    "",
    "メモリが足りません",
    "システムに異常があります",
    "ウィンドウをオープンできません",
    "デバイスコンテキストを作成できません",
    "グラフィックビットマップを作成できません",
    "リソースが見つかりません",
    "フォームデータがありません",
    "メタファイルが作成できません",
};

constexpr uint32_t service(uint32_t id, uint32_t place) { return id << 8 | place; }

}  // namespace

Host::Host(Backend& backend, Options options)
    : backend_(backend), options_(std::move(options)), midi_(std::move(options_.midi)),
      libraries_(std::make_unique<ExternalLibraries>()) {
    if (!midi_) midi_ = std::make_unique<RecordingMidiOut>(0, [this] { return backend_.now_us() / 1000; });
    module_name_ = "zell_bowling.cpp";
    register_winmm();
}

Host::~Host() = default;

void Host::register_winmm() {
    std::map<std::string, ExternalFn> fns;
    fns["midiOutGetNumDevs"] = [this](std::span<const intptr_t>) { return int32_t(midi_->num_devs()); };
    fns["midiOutOpen"] = [this](std::span<const intptr_t> a) {
        if (a.size() < 2) return int32_t(11);  // MMSYSERR_INVALPARAM
        return int32_t(midi_->open(reinterpret_cast<uint32_t*>(a[0]), int32_t(a[1])));
    };
    fns["midiOutShortMsg"] = [this](std::span<const intptr_t> a) {
        if (a.size() < 2) return int32_t(11);
        return int32_t(midi_->short_msg(uint32_t(a[0]), uint32_t(a[1])));
    };
    libraries_->provide({"WINMM", "WINMM.DLL"}, std::move(fns));
}

int Host::run(const MainProgram& main_program) {
    std::string why;
    auto form = parse_form(options_.form, &why);
    if (!form) {
        startup_message(3);
        ending_ = Ending::StartupFailure;
        return 1;
    }
    form_ = *form;
    screen_ = std::make_unique<Screen>(form_.columns, form_.rows, 8, form_.font_height, form_.text_fg, form_.text_bg,
                                       form_.fill);
    input_ = std::make_unique<Input>(screen_->height());
    input_->set_beep([this] { backend_.beep(); });
    if (!backend_.open_window(form_.window_spec(8, form_.font_height))) {
        startup_message(3);
        ending_ = Ending::StartupFailure;
        return 1;
    }
    // The icon named by the form, if the program stores one (resource names match without regard to case).
    for (const auto& [name, icon] : options_.icons)
        if (strcasecmp(name.c_str(), form_.icon_name.c_str()) == 0) backend_.set_icon(icon);
    backend_.present(screen_->visible());
    last_present_us_ = backend_.now_us();
    display_ = backend_.display();

    FatalSignalGuard guard;
    int code = 0;
    ending_ = Ending::Returned;
    try {
        try {
            main_program(*this);
        } catch (const RuntimeError& e) {
            ending_ = Ending::Error;
            last_error_ = e;
            report(e);
            code = 1;
        }
    } catch (const ProgramEnd& end) {
        ending_ = closed_ ? Ending::Closed : Ending::End;
        code = end.exit_code;
    }
    g_fatal_file = nullptr;
    if (backend_.has_window()) {
        present_if_due(true);
        backend_.close_window();
    }
    return code;
}

void Host::set_line(const Loc& where) {
    position_ = where;
    g_fatal_file.store(where.file_name(), std::memory_order_relaxed);
    g_fatal_line.store(where.line(), std::memory_order_relaxed);
}

void Host::pump_messages() {
    ++pump_count_;
    bool idle = waiting_for_input();
    present_if_due(idle);
    backend_.pump(gate_, idle ? kIdleWaitMs : 0);
    end_if_closed();
    if (gate_.requested) show_help();
    keep_display_settings();
}

const Image& Host::shown_picture() const { return gate_.shown ? help_picture_ : screen_->visible(); }

void Host::show_help() {
    gate_.requested = false;
    gate_.shown = true;
    const uint64_t opened = backend_.now_us();
    help_picture_ = draw_help_panel(screen_->visible(), options_.saved ? options_.saved->best_location() : "");
    backend_.present(help_picture_);
    try {
        while (gate_.shown) {
            backend_.pump(gate_, kIdleWaitMs);
            end_if_closed();
        }
    } catch (...) {
        gate_.shown = false;
        throw;
    }
    // A throw in progress goes on at its own pace, as if the panel had never been open.
    pace_start_us_ += backend_.now_us() - opened;
    present_pending_ = true;
    present_if_due(true);
}

void Host::keep_display_settings() {
    DisplaySettings now = backend_.display();
    if (now.fullscreen == display_.fullscreen && now.scale_mode == display_.scale_mode) return;
    // Only what the player switched: a choice made on the command line stays out of the file.
    bool fullscreen_changed = now.fullscreen != display_.fullscreen;
    bool mode_changed = now.scale_mode != display_.scale_mode;
    display_ = now;
    if (!options_.saved) return;
    options_.saved->update_settings([&](SavedSettings& s) {
        if (fullscreen_changed) s.fullscreen = now.fullscreen;
        if (mode_changed) s.scale_mode = now.scale_mode;
    });
}

// --- The help panel's gate ---------------------------------------------------------------

void Host::HelpGate::key_down(Key key, bool shift, bool ctrl) {
    if (shown) shown = false;
    else if (key == Key::F1) requested = true;
    else host_.input_->key_down(key, shift, ctrl);
}

void Host::HelpGate::key_up(Key key) { host_.input_->key_up(key); }

void Host::HelpGate::char_typed(uint8_t code) {
    if (shown) shown = false;
    else host_.input_->char_typed(code);
}

void Host::HelpGate::text_typed(std::string_view utf8) {
    if (shown) shown = false;
    else host_.input_->text_typed(utf8);
}

// Moves and releases always go through: a button held when the panel opened is let go.
void Host::HelpGate::mouse_move(int x, int y, unsigned buttons) { host_.input_->mouse_move(x, y, buttons); }

void Host::HelpGate::mouse_down(MouseButton b, int x, int y, uint64_t time_ms) {
    if (shown) shown = false;
    else host_.input_->mouse_down(b, x, y, time_ms);
}

void Host::HelpGate::mouse_up(MouseButton b, int x, int y) { host_.input_->mouse_up(b, x, y); }

void Host::HelpGate::close_requested() { host_.input_->close_requested(); }

bool Host::waiting_for_input() const {
    return input_->idle_reads() >= kIdleReads && steps_since_read_ <= kReadLoopSteps;
}

void Host::end_if_closed() {
    if (input_->close_requested_flag() || !backend_.has_window()) {
        closed_ = true;
        throw ProgramEnd{0};
    }
}

void Host::present_if_due(bool force) {
    if (screen_->take_dirty()) present_pending_ = true;
    if (!present_pending_) return;
    uint64_t now = backend_.now_us();
    if (force || now - last_present_us_ >= kFrameUs) {
        backend_.present(screen_->visible());
        last_present_us_ = now;
        present_pending_ = false;
    }
}

void Host::check_window(int window, const Loc& where) const {
    if (window != 0) raise_error(err::kNoWindow, service(0x10, 1), where);
}

[[noreturn]] void Host::end_program(int code, Loc where) {
    step(where);
    throw ProgramEnd{code};
}

void Host::stop_program(Loc where) {
    step(where);
    stopping_ = true;
    auto pos = Position::of(where);
    std::string text = sjis_text("\r\n中断しました") + " " + pos.file + "[" + std::to_string(pos.line) +
                       sjis_text("行]") + " " + sjis_text("\r\n任意のキーを押してください");
    screen_->print(text, 2);
    screen_->print_end();
    wait_for_key();
    screen_->print("\r\n", 2);
    screen_->print_end();
    stopping_ = false;
}

void Host::wait_for_key() {
    while (input_->keys().empty()) {
        present_if_due(true);
        backend_.pump(gate_, kIdleWaitMs);
        end_if_closed();
        if (gate_.requested) show_help();
    }
    input_->keys().pop();
}

void Host::report(const RuntimeError& e) {
    if (reporting_) return;
    reporting_ = true;
    write_error_log(e);
    auto pos = Position::of(e.where());
    std::string line = "\r\n" + pos.file + " [" + std::to_string(pos.line) + sjis_text("行]:エラー[") +
                       std::to_string(e.number()) + "]";
    std::string_view message = error_text(e.number());
    // A second error while the first is reported is ignored: the report goes on, and its
    // prompt still waits for the key. Closing the window at the prompt ends the program at once.
    try {
        if (backend_.has_window()) {
            try {
                screen_->print(line, 2);
                if (!message.empty()) screen_->print("\r\n" + to_sjis(message), 2);
                screen_->print(sjis_text("\r\n任意のキーを押してください"), 2);
                screen_->print_end();
            } catch (const RuntimeError&) {
            }
            for (;;) {
                try {
                    wait_for_key();
                    break;
                } catch (const RuntimeError&) {
                }
            }
        } else {
            std::string text = to_utf8(line.substr(2));
            if (!message.empty()) text += "\n" + std::string(message);
            backend_.message_box(options_.program_name + ".EXE", text);
        }
    } catch (const ProgramEnd&) {
    }
}

std::string Host::error_log_path() {
    std::string base;
    if (const char* x = std::getenv("XDG_STATE_HOME"); x && *x == '/') {
        base = x;
    } else if (const char* h = std::getenv("HOME"); h && *h) {
        base = std::string(h) + "/.local/state";
    } else {
        return {};
    }
    return base + "/zell-bowling/runtime-error";
}

void Host::write_error_log(const RuntimeError& e) {
    std::string path = error_log_path();
    if (path.empty()) return;
    // Create the directories on the way; any failure leaves the log unwritten.
    for (size_t i = 1; i < path.size(); ++i)
        if (path[i] == '/') ::mkdir(path.substr(0, i).c_str(), 0700);
    LocalTime t = backend_.local_time();
    char when[64];
    std::snprintf(when, sizeof when, "%d/%02d/%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute,
                  t.second);
    auto pos = Position::of(e.where());
    std::string tmp = path + ".tmp" + std::to_string(::getpid());
    {
        std::ofstream out(tmp, std::ios::trunc);
        out << "MODL=" << pos.file << "\nLINE=" << pos.line << "\nCODE=" << e.number()
            << "\nFUNC=" << (e.detail() >> 8) << "\nINFO=" << (e.detail() & 255) << "\nTIME=" << when << "\n";
        if (!out) {
            std::remove(tmp.c_str());
            return;
        }
    }
    if (std::rename(tmp.c_str(), path.c_str()) != 0) std::remove(tmp.c_str());
}

void Host::startup_message(int number) {
    backend_.message_box(options_.program_name + ".EXE", kStartupMessages[number]);
}

// --- Screen ---------------------------------------------------------------

void Host::cls(int window, int mode, Loc where) {
    step(where);
    check_window(window, where);
    screen_->cls(mode, where);
}

void Host::locate(int window, int column, int row, int cursor, int mask, Loc where) {
    step(where);
    check_window(window, where);
    screen_->locate(column, row, cursor, mask, where);
}

void Host::set_color(int window, int fg, int bg, int graphics, int mode, int mask, Loc where) {
    step(where);
    check_window(window, where);
    screen_->set_color(fg, bg, graphics, mode, mask, where);
}

void Host::set_palette(int window, int entry, int colour, Loc where) {
    step(where);
    check_window(window, where);
    screen_->set_palette(entry, colour, where);
}

void Host::print(int window, std::string_view sjis, int separator, Loc where) {
    step(where);
    check_window(window, where);
    screen_->print(sjis, separator);
    screen_->print_end();
}

void Host::print_tab(int window, int column, std::string_view sjis, int separator, Loc where) {
    step(where);
    check_window(window, where);
    std::string spaces = screen_->tab_to(column, where);
    screen_->print(spaces, 2);
    screen_->print(sjis, separator);
    screen_->print_end();
}

void Host::print_using(int window, std::string_view tmpl, std::initializer_list<UsingItem> items, int separator,
                       Loc where) {
    step(where);
    check_window(window, where);
    UsingFormatter f(tmpl, where);
    size_t n = 0;
    for (const UsingItem& item : items) {
        std::string chunk = std::holds_alternative<double>(item.value)
                                ? f.number(std::get<double>(item.value), false, where)
                                : f.string(std::get<std::string_view>(item.value), where);
        screen_->print(chunk, ++n == items.size() ? separator : 2);
    }
    screen_->print_end();
}

void Host::draw_line(int window, int step1, float x1, float y1, int step2, float x2, float y2, int function,
                     int colour, int kind, int fill_colour, int style, int mask, Loc where) {
    step(where);
    check_window(window, where);
    screen_->draw_line(step1, x1, y1, step2, x2, y2, function, colour, kind, fill_colour, style, mask, where);
}

void Host::draw_circle(int window, int step_flag, float x, float y, float radius, int colour, float aspect,
                       float start, float end, int fill, int function, int fill_colour, int mask, Loc where) {
    step(where);
    check_window(window, where);
    screen_->draw_circle(step_flag, x, y, radius, colour, aspect, start, end, fill, function, fill_colour, mask,
                         where);
}

void Host::get_block(int window, int x1, int y1, int step2, int x2, int y2, BlockBuffer& array, Loc where) {
    step(where);
    check_window(window, where);
    screen_->get_block(x1, y1, step2, x2, y2, array, where);
}

void Host::put_block(int window, int x1, int y1, int step2, int x2, int y2, const BlockBuffer& array, int mode,
                     Loc where) {
    step(where);
    check_window(window, where);
    screen_->put_block(x1, y1, step2, x2, y2, array, mode, where);
}

// --- Input ----------------------------------------------------------------

std::string Host::inkey(int window, Loc where) {
    step(where);
    check_window(window, where);
    end_if_closed();
    auto code = input_->next_key();
    steps_since_read_ = 0;
    if (!code) return {};
    if (*code == 3) {
        // Ctrl+C: the stop message, a key, and the end of the program.
        stop_program(where);
        throw ProgramEnd{0};
    }
    return std::string(1, char(*code));
}

int Host::mouse_pos(int window, int function, Loc where) {
    step(where);
    check_window(window, where);
    steps_since_read_ = 0;
    return input_->mouse_pos(function, where);
}

int Host::mouse_button(int window, int function, int button, Loc where) {
    step(where);
    check_window(window, where);
    steps_since_read_ = 0;
    return input_->mouse_button(function, button, where);
}

float Host::map_coord(int window, float value, int function, Loc where) {
    step(where);
    check_window(window, where);
    return input_->map_coord(value, function, where);
}

void Host::input_line(int window, int mode, std::string_view prompt, FixedString& field, Loc where) {
    step(where);
    check_window(window, where);
    if (mode < 0 || mode > 2) raise_error(err::kIllegalCall, service(0x40, 1), where);
    backend_.set_text_input(true);
    for (;;) {
        if (mode >= 1) screen_->print(prompt, 2);
        if (mode != 1) screen_->print("? ", 2);
        screen_->print_end();
        LineEditor editor;
        for (;;) {
            step(where);
            auto code = input_->next_key();
            steps_since_read_ = 0;
            if (!code) continue;
            if (*code == 3) {
                stop_program(where);
                throw ProgramEnd{0};
            }
            LineEditor::Action a = editor.feed(*code);
            if (a.kind == LineEditor::Action::Echo) {
                screen_->print(a.bytes, 2);
                screen_->print_end();
            } else if (a.kind == LineEditor::Action::Erase) {
                // Step back over the character's cells, blank them, and step back again.
                int col = std::max(0, screen_->cursor_column() - a.cells);
                screen_->locate(col, screen_->cursor_row(), 0, 3, where);
                screen_->print(std::string(size_t(a.cells), ' '), 2);
                screen_->print_end();
                screen_->locate(col, screen_->cursor_row(), 0, 3, where);
            } else if (a.kind == LineEditor::Action::Done) {
                break;
            }
        }
        screen_->print("", 0);
        screen_->print_end();
        auto items = split_input_items(editor.line());
        if (items.size() <= 1) {
            field.assign(items.empty() ? std::string_view{} : std::string_view(items[0]));
            break;
        }
        screen_->print(sjis_text("もう一度入力してください"), 0);
        screen_->print_end();
    }
    backend_.set_text_input(false);
}

// --- External calls, timing, random numbers ----------------------------------------------

int32_t Host::call_external(std::string_view function, std::string_view library, std::initializer_list<intptr_t> args,
                            Loc where) {
    step(where);
    return libraries_->call(function, library, std::span<const intptr_t>(args.begin(), args.size()), where);
}

void Host::sleep_10ms(int64_t n, Loc where) {
    step(where);
    if (n < 0 || n > 65535) raise_error(err::kIllegalCall, service(0x61, 1), where);
    present_if_due(true);
    backend_.sleep_us(uint64_t(n) * 10'000);
}

std::string Host::time_str(Loc where) {
    step(where);
    return zell::time_str(backend_.local_time());
}

std::string Host::date_str(std::string_view format, Loc where) {
    step(where);
    return zell::date_str(backend_.local_time(), format);
}

float Host::rnd(float x, Loc where) {
    step(where);
    return random_.rnd(x);
}

void Host::randomize(int32_t seed, Loc where) {
    step(where);
    random_.randomize(seed);
}

// --- Paced animation ----------------------------------------------------------

void Host::pace_begin(uint64_t period_us) {
    pace_period_us_ = period_us;
    pace_start_us_ = backend_.now_us();
    pace_steps_ = 0;
}

void Host::pace_step() {
    ++pace_steps_;
    uint64_t due = pace_start_us_ + pace_steps_ * pace_period_us_;
    uint64_t now = backend_.now_us();
    if (now + 100'000 < due || now > due + 250'000) {
        // The clock jumped or the program was held up (a window drag, a slow machine):
        // start a new run of deadlines from now rather than rushing to catch up.
        pace_start_us_ = now;
        pace_steps_ = 0;
        return;
    }
    present_if_due(false);
    if (now < due) backend_.sleep_us(due - now);
}

}  // namespace zell
