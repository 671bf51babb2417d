// The SDL window backend without a display: input translation on hand-made SDL
// events, and the backend itself on SDL's "dummy" video driver, whose window
// surface holds what the software renderer presented.
#include "runtime/backend_sdl.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <optional>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "tests/support/event_log.h"
#include "tests/support/pattern.h"

namespace zell {
namespace {

using Lines = std::vector<std::string>;

SDL_Event key_event(Uint32 type, SDL_Keycode sym, Uint16 mod = KMOD_NONE) {
    SDL_Event e{};
    e.type = type;
    e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    e.key.keysym.sym = sym;
    e.key.keysym.mod = mod;
    return e;
}

SDL_Event text_event(const char* utf8) {
    SDL_Event e{};
    e.type = SDL_TEXTINPUT;
    std::strncpy(e.text.text, utf8, sizeof e.text.text - 1);
    return e;
}

SDL_Event button_event(Uint32 type, Uint8 button, int x, int y, Uint32 timestamp = 0) {
    SDL_Event e{};
    e.type = type;
    e.button.button = button;
    e.button.x = x;
    e.button.y = y;
    e.button.timestamp = timestamp;
    return e;
}

// The window at its own size: window positions are screen positions.
const WindowScale kUnscaled = WindowScale::fit(648, 702, 648, 702);

Lines translate(const std::vector<SDL_Event>& events, const WindowScale& view = kUnscaled) {
    EventLog log;
    PointerFilter pointer;
    for (const SDL_Event& e : events)
        EXPECT_TRUE(translate_input_event(e, log, view, pointer)) << "event type " << e.type;
    return log.lines;
}

TEST(SdlInputTranslation, ControlKeysTypeTheirCharacterCodes) {
    EXPECT_EQ(translate({key_event(SDL_KEYDOWN, SDLK_RETURN), key_event(SDL_KEYDOWN, SDLK_KP_ENTER),
                         key_event(SDL_KEYDOWN, SDLK_ESCAPE), key_event(SDL_KEYDOWN, SDLK_BACKSPACE),
                         key_event(SDL_KEYDOWN, SDLK_TAB, KMOD_LSHIFT), key_event(SDL_KEYDOWN, SDLK_c, KMOD_LCTRL),
                         key_event(SDL_KEYDOWN, SDLK_c, KMOD_RCTRL | KMOD_LSHIFT)}),
              (Lines{"char 13", "char 13", "char 27", "char 8", "char 9", "char 3", "char 3"}));
    // Their releases are not keys of the program.
    EXPECT_EQ(translate({key_event(SDL_KEYUP, SDLK_RETURN), key_event(SDL_KEYUP, SDLK_ESCAPE),
                         key_event(SDL_KEYUP, SDLK_c, KMOD_LCTRL)}),
              Lines{});
}

TEST(SdlInputTranslation, PrintableCharactersArriveOnlyAsText) {
    // The key events of printable keys deliver nothing, so the text event that
    // follows each of them is the only delivery.
    EXPECT_EQ(translate({key_event(SDL_KEYDOWN, SDLK_a), text_event("a"), key_event(SDL_KEYUP, SDLK_a),
                         key_event(SDL_KEYDOWN, SDLK_SPACE), text_event(" "), key_event(SDL_KEYDOWN, SDLK_c),
                         text_event("c"), key_event(SDL_KEYDOWN, SDLK_1, KMOD_LSHIFT), text_event("!")}),
              (Lines{"text a", "text  ", "text c", "text !"}));
    EXPECT_EQ(translate({text_event("\xE3\x81\x82\xE3\x81\x84")}), Lines{"text \xE3\x81\x82\xE3\x81\x84"});
}

TEST(SdlInputTranslation, NavigationKeysGoDownAndUpWithModifiers) {
    const std::vector<std::pair<SDL_Keycode, const char*>> keys = {
        {SDLK_RIGHT, "Right"}, {SDLK_LEFT, "Left"},   {SDLK_UP, "Up"},           {SDLK_DOWN, "Down"},
        {SDLK_HOME, "Home"},   {SDLK_END, "End"},     {SDLK_PAGEUP, "PageUp"},   {SDLK_PAGEDOWN, "PageDown"},
        {SDLK_INSERT, "Insert"}, {SDLK_DELETE, "Delete"}, {SDLK_CLEAR, "Clear"}, {SDLK_EXECUTE, "Execute"},
        {SDLK_F1, "F1"},       {SDLK_F10, "F10"},     {SDLK_F12, "F12"},
    };
    for (const auto& [sym, name] : keys) {
        EXPECT_EQ(translate({key_event(SDL_KEYDOWN, sym), key_event(SDL_KEYDOWN, sym, KMOD_RSHIFT),
                             key_event(SDL_KEYDOWN, sym, KMOD_LCTRL | KMOD_LSHIFT), key_event(SDL_KEYUP, sym)}),
                  (Lines{std::string("key_down ") + name, std::string("key_down ") + name + " shift",
                         std::string("key_down ") + name + " shift ctrl", std::string("key_up ") + name}));
    }
    EXPECT_EQ(translate({key_event(SDL_KEYDOWN, SDLK_F13), key_event(SDL_KEYDOWN, SDLK_CAPSLOCK),
                         key_event(SDL_KEYDOWN, SDLK_LALT), key_event(SDL_KEYUP, SDLK_F13)}),
              Lines{});
}

TEST(SdlInputTranslation, ShiftAndCtrlKeysReportTheirOwnPressAndRelease) {
    EXPECT_EQ(translate({key_event(SDL_KEYDOWN, SDLK_LSHIFT, KMOD_LSHIFT), key_event(SDL_KEYUP, SDLK_LSHIFT),
                         key_event(SDL_KEYDOWN, SDLK_RSHIFT, KMOD_RSHIFT), key_event(SDL_KEYUP, SDLK_RSHIFT),
                         key_event(SDL_KEYDOWN, SDLK_LCTRL, KMOD_LCTRL), key_event(SDL_KEYUP, SDLK_LCTRL),
                         key_event(SDL_KEYDOWN, SDLK_RCTRL, KMOD_RCTRL), key_event(SDL_KEYUP, SDLK_RCTRL)}),
              (Lines{"key_down Shift shift", "key_up Shift", "key_down Shift shift", "key_up Shift",
                     "key_down Ctrl ctrl", "key_up Ctrl", "key_down Ctrl ctrl", "key_up Ctrl"}));
}

TEST(SdlInputTranslation, KeypadIsTheNavigationBlockOnlyWithoutNumLock) {
    const std::vector<std::pair<SDL_Keycode, const char*>> keys = {
        {SDLK_KP_6, "Right"},  {SDLK_KP_4, "Left"},     {SDLK_KP_8, "Up"},     {SDLK_KP_2, "Down"},
        {SDLK_KP_7, "Home"},   {SDLK_KP_1, "End"},      {SDLK_KP_9, "PageUp"}, {SDLK_KP_3, "PageDown"},
        {SDLK_KP_0, "Insert"}, {SDLK_KP_PERIOD, "Delete"}, {SDLK_KP_5, "Clear"},
    };
    for (const auto& [sym, name] : keys) {
        EXPECT_EQ(translate({key_event(SDL_KEYDOWN, sym), key_event(SDL_KEYUP, sym)}),
                  (Lines{std::string("key_down ") + name, std::string("key_up ") + name}));
        // With NumLock the keypad types digits, which arrive as text events.
        EXPECT_EQ(translate({key_event(SDL_KEYDOWN, sym, KMOD_NUM), key_event(SDL_KEYUP, sym, KMOD_NUM)}),
                  Lines{});
    }
}

SDL_Event motion_event(int x, int y, Uint32 state) {
    SDL_Event e{};
    e.type = SDL_MOUSEMOTION;
    e.motion.x = x;
    e.motion.y = y;
    e.motion.state = state;
    return e;
}

TEST(SdlInputTranslation, MouseEventsKeepScreenCoordinatesButtonsAndTime) {
    EventLog log;
    PointerFilter pointer;
    for (const SDL_Event& e :
         {motion_event(647, 0, SDL_BUTTON_LMASK | SDL_BUTTON_RMASK | SDL_BUTTON_MMASK),
          motion_event(647, 0, SDL_BUTTON_RMASK), motion_event(647, 0, SDL_BUTTON_MMASK),
          button_event(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 3, 701, 123456),
          // Released after a drag out of the window: the nearest pixel on the screen.
          button_event(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT, -5, 710),
          button_event(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_MIDDLE, 1, 1, 999),
          button_event(SDL_MOUSEBUTTONUP, SDL_BUTTON_MIDDLE, 1, 1),
          button_event(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT, 10, 20, 130000),
          button_event(SDL_MOUSEBUTTONUP, SDL_BUTTON_RIGHT, 11, 21), motion_event(900, -3, 0)})
        EXPECT_TRUE(translate_input_event(e, log, kUnscaled, pointer));
    EXPECT_EQ(log.lines, (Lines{"move 647 0 3", "move 647 0 2", "move 647 0 0", "down left 3 701", "up left 0 701",
                                "down right 10 20", "up right 11 21", "move 647 0 0"}));
    EXPECT_EQ(log.last_down_time_ms, 130000u);
}

TEST(SdlInputTranslation, ScaledWindowPositionsArriveAsScreenPositions) {
    // Twice the size with a border: the image starts at (52, 48) in a 1400 x 1500 window.
    const WindowScale twice = WindowScale::fit(1400, 1500, 648, 702);
    EXPECT_EQ(translate({motion_event(252, 448, 0), button_event(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 253, 449),
                         motion_event(1399, 60, SDL_BUTTON_LMASK),
                         button_event(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT, 1399, 60),
                         // A click on the border is no click on the screen.
                         button_event(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT, 20, 20),
                         motion_event(60, 60, SDL_BUTTON_RMASK),
                         button_event(SDL_MOUSEBUTTONUP, SDL_BUTTON_RIGHT, 60, 60),
                         button_event(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT, 60, 60),
                         button_event(SDL_MOUSEBUTTONUP, SDL_BUTTON_RIGHT, 61, 61)},
                        twice),
              (Lines{"move 100 200 0", "down left 100 200", "move 647 6 1", "up left 647 6", "move 4 6 0",
                     "down right 4 6", "up right 4 6"}));
}

TEST(SdlInputTranslation, FullScreenKeysAreF11AndAltEnter) {
    EXPECT_TRUE(is_full_screen_key(key_event(SDL_KEYDOWN, SDLK_F11)));
    EXPECT_TRUE(is_full_screen_key(key_event(SDL_KEYUP, SDLK_F11)));
    EXPECT_TRUE(is_full_screen_key(key_event(SDL_KEYDOWN, SDLK_F11, KMOD_LSHIFT)));
    EXPECT_TRUE(is_full_screen_key(key_event(SDL_KEYDOWN, SDLK_RETURN, KMOD_LALT)));
    EXPECT_TRUE(is_full_screen_key(key_event(SDL_KEYDOWN, SDLK_RETURN, KMOD_RALT)));
    EXPECT_TRUE(is_full_screen_key(key_event(SDL_KEYDOWN, SDLK_KP_ENTER, KMOD_LALT | KMOD_NUM)));
    EXPECT_FALSE(is_full_screen_key(key_event(SDL_KEYDOWN, SDLK_RETURN)));
    EXPECT_FALSE(is_full_screen_key(key_event(SDL_KEYDOWN, SDLK_RETURN, KMOD_LCTRL)));
    EXPECT_FALSE(is_full_screen_key(key_event(SDL_KEYDOWN, SDLK_F10)));
    EXPECT_FALSE(is_full_screen_key(key_event(SDL_KEYDOWN, SDLK_F12, KMOD_LALT)));
    EXPECT_FALSE(is_full_screen_key(text_event("a")));
}

TEST(SdlInputTranslation, QuitIsACloseRequestAndOtherEventsAreNotInput) {
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    EXPECT_EQ(translate({quit}), Lines{"close"});

    EventLog log;
    SDL_Event window{};
    window.type = SDL_WINDOWEVENT;
    window.window.event = SDL_WINDOWEVENT_CLOSE;
    SDL_Event editing{};
    editing.type = SDL_TEXTEDITING;
    PointerFilter pointer;
    EXPECT_FALSE(translate_input_event(window, log, kUnscaled, pointer));
    EXPECT_FALSE(translate_input_event(editing, log, kUnscaled, pointer));
    EXPECT_TRUE(log.lines.empty());
}

// Sets an environment variable (or removes it, for nullptr) and restores it afterwards.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~ScopedEnv() {
        if (old_)
            setenv(name_, old_->c_str(), 1);
        else
            unsetenv(name_);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(SdlBackendFactory, ReportsAnUnreachableDisplay) {
    ScopedEnv driver("SDL_VIDEODRIVER", "x11");
    ScopedEnv display("DISPLAY", ":9999");
    std::string error;
    EXPECT_EQ(make_sdl_backend(&error), nullptr);
    EXPECT_NE(error.find("no display"), std::string::npos) << error;
    EXPECT_EQ(make_sdl_backend(nullptr), nullptr);
}

TEST(SdlBackendFactory, RefusesDriversThatShowNothingUnlessAskedForByName) {
    ScopedEnv driver("SDL_VIDEODRIVER", nullptr);
    ScopedEnv display("DISPLAY", nullptr);
    ScopedEnv wayland("WAYLAND_DISPLAY", nullptr);
    ScopedEnv runtime_dir("XDG_RUNTIME_DIR", "/nonexistent");
    std::string error;
    auto backend = make_sdl_backend(&error);
    if (backend) {
        // A machine with a console display (KMS) is a display.
        EXPECT_STRNE(SDL_GetCurrentVideoDriver(), "offscreen");
        EXPECT_STRNE(SDL_GetCurrentVideoDriver(), "dummy");
    } else {
        EXPECT_NE(error.find("no display"), std::string::npos) << error;
    }
}

// The backend on the dummy video driver: a real SDL window and software renderer
// whose output stays in the window's surface.
class SdlBackendTest : public testing::Test {
protected:
    ScopedEnv video_{"SDL_VIDEODRIVER", "dummy"};
    ScopedEnv audio_{"SDL_AUDIODRIVER", "dummy"};
    std::unique_ptr<Backend> backend_;
    EventLog log_;

    void SetUp() override {
        std::string error;
        backend_ = make_sdl_backend(&error);
        ASSERT_NE(backend_, nullptr) << error;
    }

    void open() {
        WindowSpec spec;
        spec.title = "Zell Bowling";
        ASSERT_TRUE(backend_->open_window(spec));
        backend_->pump(log_, 0);  // the window's own start-up events
        log_.lines.clear();
    }

    static SDL_Window* window() {
        SDL_Window* found = nullptr;
        for (Uint32 id = 1; id < 1000; ++id)
            if (SDL_Window* w = SDL_GetWindowFromID(id)) found = w;
        return found;
    }

    // What the window shows, as an image of its current size.
    static Image shown() {
        SDL_Surface* surface = SDL_GetWindowSurface(window());
        SDL_Surface* rgb = SDL_ConvertSurfaceFormat(surface, SDL_PIXELFORMAT_RGB888, 0);
        Image img(rgb->w, rgb->h);
        for (int y = 0; y < rgb->h; ++y)
            std::memcpy(img.row(y), static_cast<const uint8_t*>(rgb->pixels) + size_t(y) * rgb->pitch,
                        size_t(rgb->w) * sizeof(Rgb));
        SDL_FreeSurface(rgb);
        return img;
    }

    static void push(SDL_Event e) { ASSERT_EQ(SDL_PushEvent(&e), 1) << SDL_GetError(); }

    template <class F>
    static double elapsed_ms(F&& f) {
        const auto t0 = std::chrono::steady_clock::now();
        f();
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    }
};

TEST_F(SdlBackendTest, OpensTheWindowWithTitleAndClientSize) {
    EXPECT_STREQ(backend_->name(), "sdl");
    EXPECT_FALSE(backend_->has_window());
    open();
    ASSERT_TRUE(backend_->has_window());
    SDL_Window* w = window();
    ASSERT_NE(w, nullptr);
    EXPECT_STREQ(SDL_GetWindowTitle(w), "Zell Bowling");
    int width = 0, height = 0;
    SDL_GetWindowSize(w, &width, &height);
    EXPECT_EQ(width, 648);
    EXPECT_EQ(height, 702);
    // Resizable and without a largest size, so it can be maximized (the image scales).
    EXPECT_TRUE(SDL_GetWindowFlags(w) & SDL_WINDOW_RESIZABLE);
    SDL_GetWindowMaximumSize(w, &width, &height);
    EXPECT_EQ(width, 0);
    EXPECT_EQ(height, 0);
    // Until the program draws, the window is black.
    EXPECT_EQ(shown(), Image(648, 702));

    backend_->close_window();
    EXPECT_FALSE(backend_->has_window());
    EXPECT_EQ(window(), nullptr);
    backend_->close_window();  // closing twice is harmless
    open();
    EXPECT_TRUE(backend_->has_window());
}

TEST_F(SdlBackendTest, PresentShowsTheImageOneToOneAtTheTopLeft) {
    open();
    const Image pattern = test_pattern(648, 702);
    backend_->present(pattern);
    EXPECT_EQ(shown(), pattern);

    // A second present replaces the first completely.
    Image red(648, 702, rgb(255, 0, 0));
    backend_->present(red);
    EXPECT_EQ(shown(), red);
}

TEST_F(SdlBackendTest, AResizedWindowIsRedrawnFromTheLastImage) {
    open();
    const Image pattern = test_pattern(648, 702);
    backend_->present(pattern);
    SDL_SetWindowSize(window(), 320, 200);
    backend_->pump(log_, 0);
    Image expected(320, 200);
    expected.copy_rect(pattern, 0, 0, 320, 200);
    EXPECT_EQ(shown(), expected);
    EXPECT_TRUE(log_.lines.empty());
}

// The image scaled by a whole factor: every pixel a factor x factor square, centred on black.
Image scaled(const Image& img, int factor, int window_w, int window_h) {
    Image out(window_w, window_h);
    const int ox = (window_w - img.width() * factor) / 2, oy = (window_h - img.height() * factor) / 2;
    for (int y = 0; y < img.height() * factor; ++y)
        for (int x = 0; x < img.width() * factor; ++x) out.at(ox + x, oy + y) = img.at(x / factor, y / factor);
    return out;
}

TEST_F(SdlBackendTest, AnEnlargedWindowShowsTheImageScaledByWholeFactorsCentredOnBlack) {
    open();
    const Image pattern = test_pattern(648, 702);
    backend_->present(pattern);
    for (auto [w, h, factor] : {std::tuple{1400, 1500, 2}, std::tuple{2100, 2200, 3}, std::tuple{1000, 2000, 1},
                                std::tuple{1296, 1404, 2}}) {
        SDL_SetWindowSize(window(), w, h);
        backend_->pump(log_, 0);
        EXPECT_EQ(shown(), scaled(pattern, factor, w, h)) << w << "x" << h;
    }
    // A new image is drawn at the current scale at once.
    const Image red(648, 702, rgb(255, 0, 0));
    backend_->present(red);
    EXPECT_EQ(shown(), scaled(red, 2, 1296, 1404));
    // So is an image of another size: 100 x 50 fits 12 times into 1296 x 1404.
    const Image small = test_pattern(100, 50);
    backend_->present(small);
    EXPECT_EQ(shown(), scaled(small, 12, 1296, 1404));
    EXPECT_TRUE(log_.lines.empty());
}

TEST_F(SdlBackendTest, PointerPositionsInAScaledWindowArriveAsScreenPositions) {
    open();
    SDL_SetWindowSize(window(), 1400, 1500);  // factor 2, the image at (52, 48)
    // Queued behind the resize, so they are mapped at the new size.
    push(button_event(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 52 + 200, 48 + 401));
    push(button_event(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT, 52 + 201, 48 + 400));
    push(button_event(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 51, 48));  // on the border
    push(button_event(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT, 60, 60));
    push(button_event(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT, 52 + 1295, 48 + 1403));
    push(button_event(SDL_MOUSEBUTTONUP, SDL_BUTTON_RIGHT, 1399, 1499));
    backend_->pump(log_, 0);
    EXPECT_EQ(log_.lines, (Lines{"down left 100 200", "up left 100 200", "down right 647 701", "up right 647 701"}));
}

TEST_F(SdlBackendTest, F11AndAltEnterSwitchFullScreenAndNeverReachTheProgram) {
    open();
    const Image pattern = test_pattern(648, 702);
    backend_->present(pattern);
    auto full_screen = [] { return (SDL_GetWindowFlags(window()) & SDL_WINDOW_FULLSCREEN) != 0; };
    EXPECT_FALSE(full_screen());

    push(key_event(SDL_KEYDOWN, SDLK_F11));
    push(key_event(SDL_KEYUP, SDLK_F11));
    backend_->pump(log_, 0);
    EXPECT_TRUE(full_screen());
    // The whole display (the dummy driver's is 1024 x 768), the image centred at factor 1.
    int w = 0, h = 0;
    SDL_GetWindowSize(window(), &w, &h);
    EXPECT_EQ(w, 1024);
    EXPECT_EQ(h, 768);
    EXPECT_EQ(shown(), scaled(pattern, 1, 1024, 768));

    // An auto-repeated F11 changes nothing; Alt+Enter switches back.
    SDL_Event repeated = key_event(SDL_KEYDOWN, SDLK_F11);
    repeated.key.repeat = 1;
    push(repeated);
    backend_->pump(log_, 0);
    EXPECT_TRUE(full_screen());
    push(key_event(SDL_KEYDOWN, SDLK_RETURN, KMOD_LALT));
    push(key_event(SDL_KEYUP, SDLK_RETURN, KMOD_LALT));
    backend_->pump(log_, 0);
    EXPECT_FALSE(full_screen());
    EXPECT_TRUE(log_.lines.empty());

    // Enter alone is the program's.
    push(key_event(SDL_KEYDOWN, SDLK_RETURN));
    backend_->pump(log_, 0);
    EXPECT_EQ(log_.lines, Lines{"char 13"});
    EXPECT_FALSE(full_screen());
}

TEST_F(SdlBackendTest, PumpDeliversQueuedInputInOrderOnce) {
    open();
    push(key_event(SDL_KEYDOWN, SDLK_DOWN));
    push(key_event(SDL_KEYDOWN, SDLK_a));
    push(text_event("a"));
    push(key_event(SDL_KEYDOWN, SDLK_RETURN));
    push(button_event(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 300, 40));
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    push(quit);
    backend_->pump(log_, 0);
    EXPECT_EQ(log_.lines, (Lines{"key_down Down", "text a", "char 13", "down left 300 40", "close"}));
    log_.lines.clear();
    backend_->pump(log_, 0);
    EXPECT_TRUE(log_.lines.empty());
}

TEST_F(SdlBackendTest, PumpWaitsForTheFirstEventOnlyWhenAskedTo) {
    open();
    EXPECT_LT(elapsed_ms([&] { backend_->pump(log_, 0); }), 40.0);
    EXPECT_GE(elapsed_ms([&] { backend_->pump(log_, 60); }), 55.0);
    EXPECT_TRUE(log_.lines.empty());

    // An event that arrives during the wait ends it.
    std::thread sender([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        SDL_Event quit{};
        quit.type = SDL_QUIT;
        SDL_PushEvent(&quit);
    });
    const double waited = elapsed_ms([&] { backend_->pump(log_, 3000); });
    sender.join();
    EXPECT_LT(waited, 1500.0);
    EXPECT_EQ(log_.lines, Lines{"close"});
}

TEST_F(SdlBackendTest, ClockIsMonotonicMicrosecondsAndSleepWaitsAtLeastTheTime) {
    const uint64_t t0 = backend_->now_us();
    backend_->sleep_us(20'000);
    const uint64_t t1 = backend_->now_us();
    EXPECT_GE(t1 - t0, 20'000u);
    EXPECT_LT(t1 - t0, 1'000'000u);
    uint64_t last = t1;
    for (int i = 0; i < 1000; ++i) {
        const uint64_t now = backend_->now_us();
        ASSERT_GE(now, last);
        last = now;
    }
}

TEST_F(SdlBackendTest, LocalTimeIsTheCalendarDateAndTime) {
    const LocalTime t = backend_->local_time();
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    EXPECT_EQ(t.year, tm.tm_year + 1900);
    EXPECT_GE(t.month, 1);
    EXPECT_LE(t.month, 12);
    EXPECT_GE(t.day, 1);
    EXPECT_LE(t.day, 31);
    EXPECT_GE(t.hour, 0);
    EXPECT_LE(t.hour, 23);
    EXPECT_GE(t.minute, 0);
    EXPECT_LE(t.minute, 59);
    EXPECT_GE(t.second, 0);
    EXPECT_LE(t.second, 60);
    // Within a second of the C library's own local time (midnight aside).
    const int ours = t.hour * 3600 + t.minute * 60 + t.second;
    const int theirs = tm.tm_hour * 3600 + tm.tm_min * 60 + tm.tm_sec;
    if (t.day == tm.tm_mday) {
        EXPECT_LE(std::abs(theirs - ours), 1);
    }
}

TEST_F(SdlBackendTest, BeepsNeverBlockAndReleaseTheAudioDeviceWhenDone) {
    open();
    EXPECT_LT(elapsed_ms([&] {
                  for (int i = 0; i < 300; ++i) backend_->beep();
              }),
              1000.0);
    EXPECT_NE(SDL_WasInit(SDL_INIT_AUDIO), 0u);
    // Once the blip has played out, a pump closes the device again.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (SDL_WasInit(SDL_INIT_AUDIO) && std::chrono::steady_clock::now() < deadline) backend_->pump(log_, 20);
    EXPECT_EQ(SDL_WasInit(SDL_INIT_AUDIO), 0u);
}

TEST_F(SdlBackendTest, BeepIsSilentWithoutAudio) {
    ScopedEnv no_audio("SDL_AUDIODRIVER", "no-such-driver");
    EXPECT_LT(elapsed_ms([&] {
                  for (int i = 0; i < 10; ++i) backend_->beep();
              }),
              1000.0);
    EXPECT_EQ(SDL_WasInit(SDL_INIT_AUDIO), 0u);
}

}  // namespace
}  // namespace zell
