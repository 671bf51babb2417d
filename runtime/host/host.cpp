// The host: start-up, the statement poll and its pumps, the end of the program, and the
// services the game calls, each one step of the program and then the runtime's part.
#include "runtime/host/host.h"

#include <strings.h>

#include <algorithm>
#include <charconv>
#include <stdexcept>
#include <utility>

#include "runtime/host/line_input.h"
#include "runtime/shell/fatal_signal.h"
#include "runtime/sound/winmm.h"

namespace zell {

Host::Host(Backend& backend, Options options)
    : backend_(backend),
      options_(std::move(options)),
      midi_(std::move(options_.midi)),
      libraries_(std::make_unique<ExternalLibraries>()) {
    if (!midi_) midi_ = std::make_unique<RecordingMidiOut>(0, [this] { return backend_.now_us() / 1000; });
    provide_winmm(*libraries_, *midi_);
}

bool Host::open() {
    auto form = parse_form(options_.form);
    if (!form) return fail_startup(3);
    form_ = *form;
    // A description can parse and still make no screen (one column, no or an enormous font).
    try {
        screen_ = std::make_unique<Screen>(form_.columns, form_.rows, 8, form_.font_height, form_.text_fg,
                                           form_.text_bg, form_.fill);
    } catch (const std::invalid_argument&) {
        return fail_startup(3);  // the window cannot be opened
    } catch (const std::length_error&) {
        return fail_startup(5);  // the screen bitmap cannot be created
    }
    input_ = std::make_unique<Input>(screen_->height());
    input_->set_beep([this] { backend_.beep(); });
    if (!backend_.open_window(form_.window_spec(8, form_.font_height))) return fail_startup(3);
    // The icon named by the form, if the program stores one (resource names match without regard to case).
    for (const auto& [name, icon] : options_.icons)
        if (strcasecmp(name.c_str(), form_.icon_name.c_str()) == 0) backend_.set_icon(icon);
    presenter_.emplace(backend_, *screen_, options_.display_switched);
    pacer_.emplace(backend_, *presenter_);
    gate_.emplace(*input_);
    return true;
}

int Host::run(const MainProgram& main_program) {
    if (!open()) return 1;
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
    note_running_position(nullptr, 0);
    if (backend_.has_window()) {
        presenter_->present_if_due(true);
        backend_.close_window();
    }
    return code;
}

void Host::set_line(const Loc& where) {
    position_ = where;
    note_running_position(where.file_name(), where.line());
    if (sampler_ && ++steps_since_sample_ >= kSampleSteps) {
        steps_since_sample_ = 0;
        sampler_(where);
    }
}

void Host::pump_messages(bool wait) {
    ++pump_count_;
    steps_since_pump_ = 0;
    int wait_ms = 0;
    if (wait) {
        const bool shown = presenter_->present_if_due(true);
        if (shown || input_->events() != events_seen_) quiet_pumps_ = 0;
        else ++quiet_pumps_;
        events_seen_ = input_->events();
        wait_ms = quiet_pumps_ >= kQuietPumps ? kQuietWaitMs : kIdleWaitMs;
    } else if (!pacer_->holds_pictures(backend_.now_us())) {
        // A paced run that is behind shows nothing until it has caught up, but for the few
        // frames a second that keep it visible.
        presenter_->present_if_due(false);
    }
    gate_->pump(backend_, wait_ms);
    end_if_closed();
    if (backend_.suspended()) hold_while_suspended();
    next_pump_us_ = backend_.now_us() + kPumpPeriodUs;
    if (gate_->requested()) show_help();
    presenter_->watch_display();
}

void Host::hold_while_suspended() {
    const uint64_t from = backend_.now_us();
    while (backend_.suspended()) {
        backend_.sleep_us(kSuspendedPollUs);
        gate_->pump(backend_, 0);
        end_if_closed();
    }
    // A throw in progress goes on from where it stood, as after the help panel.
    pacer_->postpone(backend_.now_us() - from);
    presenter_->present_again();
}

void Host::before_read(const Loc& where) {
    if (input_->idle_reads() == 0) polled_at_.clear();  // the last read found something, or an event came
    const bool again = std::any_of(polled_at_.begin(), polled_at_.end(), [&](const Loc& at) {
        return at.line() == where.line() && at.column() == where.column() &&
               std::string_view(at.file_name()) == where.file_name();
    });
    if (again && input_->idle_reads() >= kIdleReads) pump_messages(true);
    else if (!again) polled_at_.push_back(where);
}

const Image& Host::shown_picture() const { return help_shown() ? gate_->picture() : screen_->visible(); }

void Host::show_help() {
    const uint64_t open_us =
        gate_->show(backend_, screen_->visible(), options_.saved_location, [this] { end_if_closed(); });
    // A throw in progress goes on at its own pace, as if the panel had never been open.
    pacer_->postpone(open_us);
    presenter_->present_again();
}

void Host::end_if_closed() {
    if (input_->close_requested_flag() || !backend_.has_window()) {
        closed_ = true;
        throw ProgramEnd{0};
    }
}

void Host::check_window(int window, const Loc& where) const {
    if (window != 0) raise_error(err::kNoWindow, error_detail(Service::Window, 1), where);
}

[[noreturn]] void Host::end_program(int code, Loc where) {
    step(where);
    throw ProgramEnd{code};
}

// --- Screen ---------------------------------------------------------------

Screen& Host::on_screen(int window, const Loc& where) {
    step(where);
    check_window(window, where);
    note_action();
    return *screen_;
}

void Host::cls(int window, int mode, Loc where) { on_screen(window, where).cls(mode, where); }

void Host::locate(int window, int column, int row, int cursor, int mask, Loc where) {
    on_screen(window, where).locate(column, row, cursor, mask, where);
}

void Host::set_color(int window, int fg, int bg, int graphics, int mode, int mask, Loc where) {
    on_screen(window, where).set_color(fg, bg, graphics, mode, mask, where);
}

void Host::set_palette(int window, int entry, int colour, Loc where) {
    on_screen(window, where).set_palette(entry, colour, where);
}

void Host::print(int window, std::string_view sjis, int separator, Loc where) {
    Screen& screen = on_screen(window, where);
    screen.print(sjis, separator);
    screen.print_end();
}

void Host::print_tab(int window, int column, std::string_view sjis, int separator, Loc where) {
    Screen& screen = on_screen(window, where);
    screen.print(screen.tab_to(column, where), 2);
    screen.print(sjis, separator);
    screen.print_end();
}

void Host::print_using(int window, std::string_view tmpl, std::initializer_list<UsingItem> items, int separator,
                       Loc where) {
    Screen& screen = on_screen(window, where);
    UsingFormatter f(tmpl, where);
    size_t n = 0;
    for (const UsingItem& item : items) {
        std::string chunk = std::holds_alternative<double>(item.value)
                                ? f.number(std::get<double>(item.value), false, where)
                                : f.string(std::get<std::string_view>(item.value), where);
        screen.print(chunk, ++n == items.size() ? separator : 2);
    }
    screen.print_end();
}

void Host::draw_line(int window, int step1, float x1, float y1, int step2, float x2, float y2, int function, int colour,
                     int kind, int fill_colour, int style, int mask, Loc where) {
    on_screen(window, where)
        .draw_line(step1, x1, y1, step2, x2, y2, function, colour, kind, fill_colour, style, mask, where);
}

void Host::draw_circle(int window, int step_flag, float x, float y, float radius, int colour, float aspect, float start,
                       float end, int fill, int function, int fill_colour, int mask, Loc where) {
    on_screen(window, where)
        .draw_circle(step_flag, x, y, radius, colour, aspect, start, end, fill, function, fill_colour, mask, where);
}

void Host::get_block(int window, int x1, int y1, int step2, int x2, int y2, BlockBuffer& array, Loc where) {
    on_screen(window, where).get_block(x1, y1, step2, x2, y2, array, where);
}

void Host::put_block(int window, int x1, int y1, int step2, int x2, int y2, const BlockBuffer& array, int mode,
                     Loc where) {
    on_screen(window, where).put_block(x1, y1, step2, x2, y2, array, mode, where);
}

// --- Input ----------------------------------------------------------------

Input& Host::on_input(int window, const Loc& where) {
    step(where);
    check_window(window, where);
    if (!journal_ || !journal_->playing()) before_read(where);
    return *input_;
}

std::string Host::journaled(const char* service, std::string_view arguments, std::string value) {
    if (!journal_) return value;
    std::string channel = service;
    if (!arguments.empty()) channel.append(" ").append(arguments);
    return journal_->read(channel, std::move(value));
}

int Host::journaled_number(const char* service, std::string_view arguments, int value) {
    if (!journal_) return value;
    const std::string v = journaled(service, arguments, std::to_string(value));
    int n = 0;
    auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), n);
    // A value that is no number cannot have come from this service.
    if (ec != std::errc{} || end != v.data() + v.size()) {
        journal_->refuse("the file gives " + encode_journal_value(v) + " to a read of " + service);
    }
    return n;
}

std::optional<uint8_t> Host::take_key(const Loc& where) {
    end_if_closed();
    auto code = input_->next_key();
    if (journal_) {
        const std::string v = journaled("key", {}, code ? std::to_string(*code) : "-");
        int n = -1;
        if (v != "-") {
            auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), n);
            // Ctrl+C ends a game, so a recorded game never reads it.
            if (ec != std::errc{} || end != v.data() + v.size() || n < 0 || n > 255 ||
                (journal_->playing() && n == keycode::kCtrlC)) {
                journal_->refuse("the file gives " + encode_journal_value(v) + " to a read of key");
            }
        }
        code = n < 0 ? std::nullopt : std::optional<uint8_t>(uint8_t(n));
    }
    if (code == keycode::kCtrlC) {
        // Ctrl+C: the stop message, a key, and the end of the program.
        stop_program(where);
        throw ProgramEnd{0};
    }
    return code;
}

std::string Host::inkey(int window, Loc where) {
    on_input(window, where);
    auto code = take_key(where);
    return code ? std::string(1, char(*code)) : std::string();
}

int Host::mouse_pos(int window, int function, Loc where) {
    const int v = on_input(window, where).mouse_pos(function, where);
    return journaled_number("position", std::to_string(function), v);
}

int Host::mouse_button(int window, int function, int button, Loc where) {
    const int v = on_input(window, where).mouse_button(function, button, where);
    return journaled_number("button", std::to_string(function) + " " + std::to_string(button), v);
}

float Host::map_coord(int window, float value, int function, Loc where) {
    step(where);
    check_window(window, where);
    return input_->map_coord(value, function, where);
}

bool Host::take_any_input(int window, Loc where) {
    step(where);
    check_window(window, where);
    end_if_closed();
    KeyBuffer& keys = input_->keys();
    bool taken = false;
    if (!keys.empty() && keys.peek() != keycode::kCtrlC) {
        keys.pop();
        taken = true;
    } else {
        taken = input_->take_presses();
    }
    return journaled_number("any", {}, taken ? 1 : 0) != 0;
}

void Host::input_line(int window, int mode, std::string_view prompt, FixedString& field, Loc where) {
    step(where);
    check_window(window, where);
    if (mode < 0 || mode > 2) raise_error(err::kIllegalCall, error_detail(Service::InputLine, 1), where);
    backend_.set_text_input(true);
    auto next_key = [&] {
        for (;;) {
            on_input(window, where);
            if (auto code = take_key(where)) return *code;
        }
    };
    field.assign(read_input_line(*screen_, mode, prompt, next_key, where));
    backend_.set_text_input(false);
}

// --- External calls, timing, random numbers ----------------------------------------------

int32_t Host::call_external(std::string_view function, std::string_view library, std::initializer_list<intptr_t> args,
                            Loc where) {
    step(where);
    note_action();
    return libraries_->call(function, library, std::span<const intptr_t>(args.begin(), args.size()), where);
}

void Host::sleep_10ms(int64_t n, Loc where) {
    step(where);
    note_action();
    if (n < 0 || n > 65535) raise_error(err::kIllegalCall, error_detail(Service::Sleep, 1), where);
    // The pause is counted from its start: the time the screen takes to show is part of it.
    const uint64_t end = backend_.now_us() + uint64_t(n) * 10'000;
    presenter_->present_if_due(true);
    if (const uint64_t now = backend_.now_us(); now < end) backend_.sleep_us(end - now);
}

std::string Host::time_str(Loc where) {
    step(where);
    return journaled("time", {}, zell::time_str(backend_.local_time()));
}

std::string Host::date_str(std::string_view format, Loc where) {
    step(where);
    return journaled("date", encode_journal_value(format), zell::date_str(backend_.local_time(), format));
}

float Host::rnd(float x, Loc where) {
    step(where);
    return random_.rnd(x);
}

void Host::randomize(int32_t seed, Loc where) {
    step(where);
    random_.randomize(seed);
}

}  // namespace zell
