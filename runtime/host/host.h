// The host: builds the main window from the form description, runs the game's
// main program under the statement poll, and offers the game every runtime
// service (screen, input, external calls, timing, random numbers) with the
// window number first, as the game calls them. Ending the program (End, a
// closed window, a reported run-time error) unwinds to run().
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <source_location>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "runtime/backend.h"
#include "runtime/core/errors.h"
#include "runtime/core/external.h"
#include "runtime/core/form.h"
#include "runtime/core/values.h"
#include "runtime/host/help_gate.h"
#include "runtime/host/journal.h"
#include "runtime/host/pacer.h"
#include "runtime/host/presenter.h"
#include "runtime/input/input.h"
#include "runtime/screen/screen.h"
#include "runtime/sound/midi.h"

namespace zell {

// One value of a formatted output statement: a game number or Shift-JIS text.
struct UsingItem {
    UsingItem(float v) : value(double(v)) {}
    UsingItem(int v) : value(double(v)) {}
    UsingItem(std::string_view s) : value(s) {}
    UsingItem(const std::string& s) : value(std::string_view(s)) {}
    std::variant<double, std::string_view> value;
};

class Host {
public:
    using Loc = std::source_location;
    using MainProgram = std::function<void(Host&)>;

    // How the last run ended.
    enum class Ending { NotRun, Returned, End, Closed, Error, StartupFailure };

    struct Options {
        std::string program_name = "zell-bowling";
        std::span<const uint8_t> form = main_form_bytes();
        std::unique_ptr<MidiOut> midi;  // the devices behind the built-in "WINMM" library
        // Icons stored with the program, by resource name; the form names the window's icon.
        std::vector<std::pair<std::string, Icon>> icons;
        // Where the program keeps what it saves, for the help panel ("" when nothing is saved).
        std::string saved_location;
        // Called when the player switches the window's presentation (F10, F11), with the
        // presentation before and after, so that the program can keep the change.
        std::function<void(const DisplaySettings& before, const DisplaySettings& now)> display_switched;
        // Keeps the run-time error log's text where the platform keeps it (the browser's storage);
        // unset, it goes to the error log file (error_log.h).
        std::function<void(const std::string& text)> error_log;
    };

    // The statement poll pumps the window's events once this much time has passed since the
    // last pump: real time in a window, virtual time on the headless backend. The screen is
    // shown from these pumps, at most once per display refresh.
    static constexpr uint64_t kPumpPeriodUs = 2'000;
    // It also pumps after this many steps without a pump, never waiting. That only matters where
    // the clock stands still (the headless backend while the program only computes), and there
    // such a pump changes nothing the program sees: events are delivered only where it waits.
    static constexpr int kBackstopSteps = 100'000;
    // A program waits for input at a read when it polls: its last this many reads found nothing
    // (Input::idle_reads) and it has come back to a read it made since its reads last found
    // anything, an event last came or it last did something other than read and compute
    // (drew, printed, paused, took a paced step, called out).
    static constexpr int kIdleReads = 2;
    // How long one pump may block for events while the program waits for input ...
    static constexpr int kIdleWaitMs = 10;
    // ... and, once it has waited this many pumps in a row with no event and nothing new to
    // show, how long: an event still ends the wait at once, so only a program that also
    // watches the clock while it waits sees the difference.
    static constexpr int kQuietPumps = 30;
    static constexpr int kQuietWaitMs = 250;

    Host(Backend& backend, Options options);
    ~Host() = default;
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    // Start-up, the main program and the end: returns the process exit code
    // (0 after End, a closed window or a returning main program; 1 after a start-up failure or a
    // reported run-time error; the code given to end_program otherwise).
    int run(const MainProgram& main_program);

    // --- Statement poll -----------------------------------------------------
    // One step of the game's program: the statement poll, then its position for error reports.
    void step(Loc where = Loc::current()) {
        stmt_poll();
        set_line(where);
    }
    // Pumps when a pump is due by the clock (or by the backstop); never waits.
    void stmt_poll() {
        if (++steps_since_pump_ >= kBackstopSteps || backend_.now_us() >= next_pump_us_) pump_messages(false);
    }
    void set_line(const Loc& where);
    const Loc& position() const { return position_; }
    int pump_count() const { return pump_count_; }

    // --- Ending -------------------------------------------------------------
    [[noreturn]] void end_program(int code, Loc where = Loc::current());
    // Shows the interruption text with the position, waits for a key and returns.
    void stop_program(Loc where = Loc::current());

    // --- Screen -------------------------------------------------------------
    void cls(int window, int mode, Loc where = Loc::current());
    void locate(int window, int column, int row, int cursor, int mask, Loc where = Loc::current());
    void set_color(int window, int fg, int bg, int graphics, int mode, int mask, Loc where = Loc::current());
    void set_palette(int window, int entry, int colour, Loc where = Loc::current());
    // One output statement with one item (Shift-JIS text) and its separator: 0 new line, 1 next zone, 2 none.
    void print(int window, std::string_view sjis, int separator = 0, Loc where = Loc::current());
    // tab_to(column) followed by one item.
    void print_tab(int window, int column, std::string_view sjis, int separator = 0, Loc where = Loc::current());
    // Formatted output of items through a template; separator after the last item.
    void print_using(int window, std::string_view tmpl, std::initializer_list<UsingItem> items, int separator = 0,
                     Loc where = Loc::current());
    void draw_line(int window, int step1, float x1, float y1, int step2, float x2, float y2, int function, int colour,
                   int kind, int fill_colour, int style, int mask, Loc where = Loc::current());
    void draw_circle(int window, int step, float x, float y, float radius, int colour, float aspect, float start,
                     float end, int fill, int function, int fill_colour, int mask, Loc where = Loc::current());
    void get_block(int window, int x1, int y1, int step2, int x2, int y2, BlockBuffer& array,
                   Loc where = Loc::current());
    void put_block(int window, int x1, int y1, int step2, int x2, int y2, const BlockBuffer& array, int mode,
                   Loc where = Loc::current());

    // --- Input --------------------------------------------------------------
    // The next key as a one-byte string, or "" (never waits). Ctrl+C shows the stop message and ends.
    std::string inkey(int window, Loc where = Loc::current());
    int mouse_pos(int window, int function, Loc where = Loc::current());
    int mouse_button(int window, int function, int button, Loc where = Loc::current());
    float map_coord(int window, float value, int function, Loc where = Loc::current());
    // Takes a key (not Ctrl+C, which is left for the next key read) or the mouse presses that
    // came; true when there was one. Not a read: a program that only looks now and then while
    // it animates is not waiting for input.
    bool take_any_input(int window, Loc where = Loc::current());
    // Line input into one fixed-length field: the prompt per mode (0 "? ", 1 prompt, 2 prompt + "? "),
    // echo and editing at the cursor, Enter ends; a line that cannot be assigned is asked again.
    void input_line(int window, int mode, std::string_view prompt, FixedString& field, Loc where = Loc::current());

    // --- External calls, timing, random numbers --------------------------------
    int32_t call_external(std::string_view function, std::string_view library, std::initializer_list<intptr_t> args,
                          Loc where = Loc::current());
    // Pauses n x 10 ms (0..65535, else error 5), showing the screen within that time; pumps nothing.
    void sleep_10ms(int64_t n, Loc where = Loc::current());
    std::string time_str(Loc where = Loc::current());
    std::string date_str(std::string_view format = {}, Loc where = Loc::current());
    float rnd(float x, Loc where = Loc::current());
    void randomize(int32_t seed, Loc where = Loc::current());

    // --- Paced animation (pacer.h) ----------------------------------------------
    // Starts a run of steps each given period_us of real time (virtual on the headless backend).
    void pace_begin(uint64_t period_us) {
        note_action();
        pacer_->begin(period_us);
    }
    // Waits until the next step is due (deadline start + n x period), showing the screen meanwhile.
    void pace_step() {
        note_action();
        pacer_->step();
    }

    // --- Journal ------------------------------------------------------------------
    // Every read of an input service (inkey and the keys of input_line, mouse_pos, mouse_button,
    // take_any_input, time_str, date_str) passes its result through the journal while one is set:
    // a recording journal keeps it, a playing one replaces it (and the program then never waits
    // for the player at its reads). A new input service must do the same, so that replays
    // capture it. nullptr: none.
    void set_journal(Journal* journal) { journal_ = journal; }
    Journal* journal() const { return journal_; }

    // --- Parts, for tools and tests -------------------------------------------------
    Screen& screen() { return *screen_; }
    Input& input() { return *input_; }
    Backend& backend() { return backend_; }
    Random& random() { return random_; }
    ExternalLibraries& libraries() { return *libraries_; }
    MidiOut& midi() { return *midi_; }
    const std::string& program_name() const { return options_.program_name; }
    Ending ending() const { return ending_; }
    // What the window shows: the game's picture, or the help panel over it while that is open.
    const Image& shown_picture() const;
    bool help_shown() const { return gate_ && gate_->shown(); }
    // The error reported by the last run, if any.
    const std::optional<RuntimeError>& last_error() const { return last_error_; }
    // Calls sampler with the program's position every kSampleSteps steps: a tool's sample of the
    // lines the program runs (the fuzzer's coverage). It must change nothing the program sees.
    static constexpr int kSampleSteps = 11;
    void sample_positions(std::function<void(const Loc&)> sampler) { sampler_ = std::move(sampler); }

    // Where the run-time error log goes ($XDG_STATE_HOME/zell-bowling/runtime-error).
    static std::string error_log_path();

private:
    // Delivers the window's events and shows the screen when a frame is due. wait: the program
    // waits for input; the screen is shown at once and the pump may block until an event comes.
    void pump_messages(bool wait);
    // Before an input read at where: waits for input when the program polls.
    void before_read(const Loc& where);
    // The program did something other than reading input: it is not polling.
    void note_action() { polled_at_.clear(); }
    // Shows the help panel until a key or a click; the time it was open is taken out of the
    // running animation's deadlines.
    void show_help();
    void end_if_closed();  // a closed window ends the program
    // While the window is minimized or the page hidden: pumps, without showing anything, until it
    // is back, and moves the running animation's deadlines on by that time.
    void hold_while_suspended();
    // How often a held program looks whether the window is back.
    static constexpr uint64_t kSuspendedPollUs = 100'000;
    // One step, then the screen of the window a drawing or printing service names.
    Screen& on_screen(int window, const Loc& where);
    // One step, then the input for a read of the window: a program that polls waits here first.
    Input& on_input(int window, const Loc& where);
    // The program's next key, if any; Ctrl+C shows the stop message, waits for a key and ends.
    std::optional<uint8_t> take_key(const Loc& where);
    void check_window(int window, const Loc& where) const;
    // A read's value through the journal, if one is set.
    std::string journaled(const char* service, std::string_view arguments, std::string value);
    int journaled_number(const char* service, std::string_view arguments, int value);
    // Start-up: the screen from the form, the window and the parts made with it; false when
    // the program cannot run.
    bool open();
    // error_report.cpp: the stop prompt, the error report and the start-up failures.
    void wait_for_key();  // pumps until a key is in the buffer (taken) or a click comes
    void report(const RuntimeError& e);
    bool fail_startup(int message);  // shows the start-up message; false

    Backend& backend_;
    Options options_;
    std::unique_ptr<MidiOut> midi_;
    std::unique_ptr<Screen> screen_;
    std::unique_ptr<Input> input_;
    std::unique_ptr<ExternalLibraries> libraries_;
    Random random_;
    FormDescription form_;
    Loc position_;
    std::function<void(const Loc&)> sampler_;
    int steps_since_sample_ = 0;
    uint64_t next_pump_us_ = 0;  // when the statement poll pumps next
    int steps_since_pump_ = 0;
    // Where the program read since its reads last found anything, an event came or it did
    // something else: a read at one of these places goes round a polling loop.
    std::vector<Loc> polled_at_;
    int pump_count_ = 0;
    int quiet_pumps_ = 0;       // waiting pumps in a row that received and showed nothing
    uint64_t events_seen_ = 0;  // input events counted at the last waiting pump
    Ending ending_ = Ending::NotRun;
    std::optional<RuntimeError> last_error_;
    Journal* journal_ = nullptr;
    bool closed_ = false;
    bool reporting_ = false;
    // Made once the window is open.
    std::optional<Presenter> presenter_;
    std::optional<Pacer> pacer_;
    std::optional<HelpGate> gate_;
};

}  // namespace zell
