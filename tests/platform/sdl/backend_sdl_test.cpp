// The SDL window backend without a display: input translation on hand-made SDL events, and the
// backend itself on SDL's "dummy" video driver, whose window surface holds what was presented.
#include "platform/sdl/backend_sdl.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "tests/support/event_log.h"
#include "tests/support/pattern.h"
#include "tests/support/portable.h"

namespace zell {
namespace {

using Lines = std::vector<std::string>;

SDL_Event key_event(Uint32 type, SDL_Keycode sym, Uint16 mod = KMOD_NONE) {
    SDL_Event e{};
    const Uint8 state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    e.key = {.type = type, .state = state, .keysym = {.sym = sym, .mod = mod}};
    return e;
}
SDL_Event down(SDL_Keycode sym, Uint16 mod = KMOD_NONE) { return key_event(SDL_KEYDOWN, sym, mod); }
SDL_Event up(SDL_Keycode sym, Uint16 mod = KMOD_NONE) { return key_event(SDL_KEYUP, sym, mod); }

SDL_Event text_event(const char* utf8) {
    SDL_Event e{};
    e.type = SDL_TEXTINPUT;
    std::strncpy(e.text.text, utf8, sizeof e.text.text - 1);
    return e;
}

SDL_Event button_event(Uint32 type, Uint8 button, int x, int y, Uint32 timestamp = 0) {
    SDL_Event e{};
    e.button = {.type = type, .timestamp = timestamp, .button = button, .x = x, .y = y};
    return e;
}
SDL_Event press(Uint8 button, int x, int y, Uint32 timestamp = 0) {
    return button_event(SDL_MOUSEBUTTONDOWN, button, x, y, timestamp);
}
SDL_Event release(Uint8 button, int x, int y) { return button_event(SDL_MOUSEBUTTONUP, button, x, y); }

SDL_Event motion_event(int x, int y, Uint32 state) {
    SDL_Event e{};
    e.motion = {.type = SDL_MOUSEMOTION, .state = state, .x = x, .y = y};
    return e;
}

SDL_Event event_of_type(Uint32 type) {
    SDL_Event e{};
    e.type = type;
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

// Ctrl and a letter types its control code (Ctrl+M is Enter, Ctrl+H Backspace, Ctrl+I Tab).
TEST(SdlInputTranslation, ControlKeysAndCtrlLettersTypeTheirCharacterCodesOnTheirPressOnly) {
    EXPECT_EQ(
        translate({down(SDLK_RETURN), down(SDLK_KP_ENTER), down(SDLK_ESCAPE), down(SDLK_BACKSPACE),
                   down(SDLK_TAB, KMOD_LSHIFT), down(SDLK_c, KMOD_LCTRL), up(SDLK_RETURN), up(SDLK_ESCAPE),
                   up(SDLK_c, KMOD_LCTRL), down(SDLK_m, KMOD_LCTRL), down(SDLK_h, KMOD_RCTRL), down(SDLK_i, KMOD_LCTRL),
                   down(SDLK_a, KMOD_LCTRL | KMOD_LSHIFT), down(SDLK_z, KMOD_LCTRL), down(SDLK_1, KMOD_LCTRL)}),
        (Lines{"char 13", "char 13", "char 27", "char 8", "char 9", "char 3", "char 13", "char 8", "char 9", "char 1",
               "char 26"}));
}

TEST(SdlInputTranslation, PrintableCharactersArriveOnlyAsText) {
    EXPECT_EQ(translate({down(SDLK_a), text_event("a"), up(SDLK_a), down(SDLK_SPACE), text_event(" "),
                         down(SDLK_1, KMOD_LSHIFT), text_event("!"), text_event("\xE3\x81\x82\xE3\x81\x84")}),
              (Lines{"text a", "text  ", "text !", "text \xE3\x81\x82\xE3\x81\x84"}));
}

// The navigation keys and, without NumLock, the keypad's (with it the keypad types digits, which
// arrive as text events) go down and up with their modifiers.
TEST(SdlInputTranslation, NavigationKeysGoDownAndUpWithModifiers) {
    // clang-format off
    const std::vector<std::pair<SDL_Keycode, std::string>> keys = {
        {SDLK_RIGHT, "Right"}, {SDLK_LEFT, "Left"}, {SDLK_UP, "Up"}, {SDLK_DOWN, "Down"}, {SDLK_HOME, "Home"},
        {SDLK_END, "End"}, {SDLK_PAGEUP, "PageUp"}, {SDLK_PAGEDOWN, "PageDown"}, {SDLK_INSERT, "Insert"},
        {SDLK_DELETE, "Delete"}, {SDLK_CLEAR, "Clear"}, {SDLK_EXECUTE, "Execute"}, {SDLK_F1, "F1"}, {SDLK_F10, "F10"},
        {SDLK_F12, "F12"}, {SDLK_KP_6, "Right"}, {SDLK_KP_4, "Left"}, {SDLK_KP_8, "Up"}, {SDLK_KP_2, "Down"},
        {SDLK_KP_7, "Home"}, {SDLK_KP_1, "End"}, {SDLK_KP_9, "PageUp"}, {SDLK_KP_3, "PageDown"}, {SDLK_KP_0, "Insert"},
        {SDLK_KP_PERIOD, "Delete"}, {SDLK_KP_5, "Clear"}};
    // clang-format on
    for (const auto& [sym, name] : keys) {
        EXPECT_EQ(translate({down(sym), down(sym, KMOD_RSHIFT), down(sym, KMOD_LCTRL | KMOD_LSHIFT), up(sym)}),
                  (Lines{"key_down " + name, "key_down " + name + " shift", "key_down " + name + " shift ctrl",
                         "key_up " + name}));
        const bool keypad = sym >= SDLK_KP_1 && sym <= SDLK_KP_PERIOD;
        EXPECT_EQ(translate({down(sym, KMOD_NUM), up(sym, KMOD_NUM)}).size(), keypad ? 0u : 2u) << name;
    }
    EXPECT_EQ(translate({down(SDLK_F13), down(SDLK_CAPSLOCK), down(SDLK_LALT), up(SDLK_F13)}), Lines{});
    EXPECT_EQ(
        translate({down(SDLK_LSHIFT, KMOD_LSHIFT), up(SDLK_LSHIFT), down(SDLK_RSHIFT, KMOD_RSHIFT),
                   down(SDLK_LCTRL, KMOD_LCTRL), up(SDLK_RCTRL)}),
        (Lines{"key_down Shift shift", "key_up Shift", "key_down Shift shift", "key_down Ctrl ctrl", "key_up Ctrl"}));
}

TEST(SdlInputTranslation, MouseEventsKeepScreenCoordinatesButtonsAndTime) {
    EventLog log;
    PointerFilter pointer;
    for (const SDL_Event& e :
         {motion_event(647, 0, SDL_BUTTON_LMASK | SDL_BUTTON_RMASK | SDL_BUTTON_MMASK),
          motion_event(647, 0, SDL_BUTTON_RMASK), motion_event(647, 0, SDL_BUTTON_MMASK),
          press(SDL_BUTTON_LEFT, 3, 701, 123456),
          release(SDL_BUTTON_LEFT, -5, 710),  // after a drag out of the window: the nearest pixel on the screen
          press(SDL_BUTTON_MIDDLE, 1, 1, 999), release(SDL_BUTTON_MIDDLE, 1, 1),
          press(SDL_BUTTON_RIGHT, 10, 20, 130000), release(SDL_BUTTON_RIGHT, 11, 21), motion_event(900, -3, 0)})
        EXPECT_TRUE(translate_input_event(e, log, kUnscaled, pointer));
    EXPECT_EQ(log.lines, (Lines{"move 647 0 3", "move 647 0 2", "move 647 0 0", "down left 3 701", "up left 0 701",
                                "down right 10 20", "up right 11 21", "move 647 0 0"}));
    EXPECT_EQ(log.last_down_time_ms, 130000u);
}

TEST(SdlInputTranslation, ScaledWindowPositionsArriveAsScreenPositionsAndBorderPressesNotAtAll) {
    // Twice the size with a border: the image starts at (52, 48) in a 1400 x 1500 window.
    EXPECT_EQ(translate({motion_event(252, 448, 0), press(SDL_BUTTON_LEFT, 253, 449),
                         motion_event(1399, 60, SDL_BUTTON_LMASK), release(SDL_BUTTON_LEFT, 1399, 60),
                         press(SDL_BUTTON_RIGHT, 20, 20), motion_event(60, 60, SDL_BUTTON_RMASK),
                         release(SDL_BUTTON_RIGHT, 60, 60), press(SDL_BUTTON_RIGHT, 60, 60),
                         release(SDL_BUTTON_RIGHT, 61, 61)},
                        WindowScale::fit(1400, 1500, 648, 702)),
              (Lines{"move 100 200 0", "down left 100 200", "move 647 6 1", "up left 647 6", "move 4 6 0",
                     "down right 4 6", "up right 4 6"}));
}

TEST(SdlInputTranslation, FullScreenKeysAreF11AndAltEnterAndQuitIsACloseRequest) {
    for (const SDL_Event& e : {down(SDLK_F11), up(SDLK_F11), down(SDLK_F11, KMOD_LSHIFT), down(SDLK_RETURN, KMOD_LALT),
                               down(SDLK_RETURN, KMOD_RALT), down(SDLK_KP_ENTER, KMOD_LALT | KMOD_NUM)})
        EXPECT_TRUE(is_full_screen_key(e));
    for (const SDL_Event& e :
         {down(SDLK_RETURN), down(SDLK_RETURN, KMOD_LCTRL), down(SDLK_F10), down(SDLK_F12, KMOD_LALT), text_event("a")})
        EXPECT_FALSE(is_full_screen_key(e));
    EXPECT_EQ(translate({event_of_type(SDL_QUIT)}), Lines{"close"});
    EventLog log;
    PointerFilter pointer;
    SDL_Event window = event_of_type(SDL_WINDOWEVENT);
    window.window.event = SDL_WINDOWEVENT_CLOSE;
    EXPECT_FALSE(translate_input_event(window, log, kUnscaled, pointer));
    EXPECT_FALSE(translate_input_event(event_of_type(SDL_TEXTEDITING), log, kUnscaled, pointer));
    EXPECT_TRUE(log.lines.empty());
}

// The image scaled by a whole factor: every pixel a factor x factor square, centred on black,
// or from the top-left corner in a direction without room for it.
Image scaled(const Image& img, int factor, int window_w, int window_h) {
    Image out(window_w, window_h);
    const int ox = std::max(0, (window_w - img.width() * factor) / 2);
    const int oy = std::max(0, (window_h - img.height() * factor) / 2);
    for (int y = 0; y < img.height() * factor; ++y)
        for (int x = 0; x < img.width() * factor; ++x) out.set(ox + x, oy + y, img.at(x / factor, y / factor));
    return out;
}

// The backend on the dummy video driver: a real SDL window and renderer, drawing into the window's surface.
class SdlBackendTest : public ::testing::Test {
protected:
    testing::ScopedEnv video_{"SDL_VIDEODRIVER", "dummy"};
    testing::ScopedEnv audio_{"SDL_AUDIODRIVER", "dummy"};
    std::unique_ptr<Backend> backend_;
    EventLog log_;

    void SetUp() override {
        std::string error;
        backend_ = make_sdl_backend(&error);
        ASSERT_NE(backend_, nullptr) << error;
    }

    void open() {
        ASSERT_TRUE(backend_->open_window(WindowSpec{.title = "Zell Bowling"}));
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
        SDL_Surface* rgb = SDL_ConvertSurfaceFormat(SDL_GetWindowSurface(window()), SDL_PIXELFORMAT_RGB888, 0);
        Image img(rgb->w, rgb->h);
        for (int y = 0; y < rgb->h; ++y)
            std::memcpy(img.row(y), static_cast<const uint8_t*>(rgb->pixels) + size_t(y) * rgb->pitch,
                        size_t(rgb->w) * sizeof(Rgb));
        SDL_FreeSurface(rgb);
        return img;
    }

    void resize(int w, int h) {
        SDL_SetWindowSize(window(), w, h);
        backend_->pump(log_, 0);
    }

    void pump(std::initializer_list<SDL_Event> events) {
        for (SDL_Event e : events) ASSERT_EQ(SDL_PushEvent(&e), 1) << SDL_GetError();
        backend_->pump(log_, 0);
    }
};

TEST_F(SdlBackendTest, ShowsTheLastImageScaledByWholeFactorsCentredOnBlackAtEverySize) {
    backend_->set_display({.scale_mode = ScaleMode::Integer});
    open();
    const Image pattern = test_pattern(648, 702);
    backend_->present(Image(648, 702, rgb(255, 0, 0)));
    backend_->present(pattern);
    EXPECT_EQ(shown(), pattern) << "one to one, replacing the image before";
    resize(320, 200);
    EXPECT_EQ(shown(), pattern) << "never smaller than the image";
    for (auto [w, h, factor] : {std::tuple{2100, 2200, 3}, {1000, 2000, 1}, {1296, 1404, 2}}) {
        resize(w, h);
        EXPECT_EQ(shown(), scaled(pattern, factor, w, h)) << w << "x" << h;
    }
    // A new image is drawn at the current scale at once, so is one of another size (100 x 50: 12 times).
    const Image small = test_pattern(100, 50);
    backend_->present(small);
    EXPECT_EQ(shown(), scaled(small, 12, 1296, 1404));
    for (auto what : {SDL_WINDOWEVENT_EXPOSED, SDL_WINDOWEVENT_RESTORED, SDL_WINDOWEVENT_SHOWN}) {
        SDL_FillRect(SDL_GetWindowSurface(window()), nullptr, 0);  // uncovered, restored or shown: drawn again
        SDL_Event e = event_of_type(SDL_WINDOWEVENT);
        e.window.event = Uint8(what);
        pump({e});
        EXPECT_EQ(shown(), scaled(small, 12, 1296, 1404)) << what;
    }
    EXPECT_TRUE(log_.lines.empty());
}

TEST_F(SdlBackendTest, F11AndAltEnterSwitchFullScreenAndNeverReachTheProgram) {
    open();
    SDL_Event repeated = down(SDLK_F11);
    repeated.key.repeat = 1;  // an auto-repeated F11 changes nothing
    ::testing::internal::CaptureStderr();
    pump({down(SDLK_F11), up(SDLK_F11), repeated});
    EXPECT_TRUE(SDL_GetWindowFlags(window()) & SDL_WINDOW_FULLSCREEN);
    pump({down(SDLK_RETURN, KMOD_LALT), up(SDLK_RETURN, KMOD_LALT)});
    EXPECT_FALSE(SDL_GetWindowFlags(window()) & SDL_WINDOW_FULLSCREEN);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "") << "both switches succeeded";
    pump({down(SDLK_RETURN)});
    EXPECT_EQ(log_.lines, Lines{"char 13"}) << "Enter alone is the program's";
}

// Sharp scaling at a size no whole factor reaches fills the height, each screen pixel's middle its
// colour (8 x 8 blocks: no filtering there), the rest black; F10 switches, never reaching the program.
TEST_F(SdlBackendTest, SharpScalingFillsAnySizeAndF10SwitchesToWholeFactors) {
    open();
    Image blocks(648, 702);
    for (int y = 0; y < 702; ++y)
        for (int x = 0; x < 648; ++x) blocks.set(x, y, rgb(uint8_t(x / 8 * 3), uint8_t(y / 8 * 2), 200));
    backend_->present(blocks);
    resize(1920, 1080);
    const auto block_centres_match = [&](Point origin, int w, int h) {
        const Image img = shown();
        for (int by = 0; by < 702 / 8; ++by)
            for (int bx = 0; bx < 648 / 8; ++bx) {
                const int x = origin.x + (bx * 8 + 4) * w / 648, y = origin.y + (by * 8 + 4) * h / 702;
                if (img.at(x, y) != blocks.at(bx * 8 + 4, by * 8 + 4)) return false;
            }
        return img.at(origin.x - 1, 540) == 0 && img.at(origin.x + w, 540) == 0;
    };
    EXPECT_EQ(backend_->display().scale_mode, ScaleMode::Sharp);
    EXPECT_TRUE(block_centres_match({461, 0}, 997, 1080));
    pump({down(SDLK_F10), up(SDLK_F10)});
    EXPECT_EQ(backend_->display().scale_mode, ScaleMode::Integer);
    EXPECT_EQ(shown(), scaled(blocks, 1, 1920, 1080));
    pump({down(SDLK_F10), up(SDLK_F10)});
    EXPECT_TRUE(block_centres_match({461, 0}, 997, 1080));
    EXPECT_TRUE(log_.lines.empty());
    backend_->set_display(DisplaySettings{.scale_mode = ScaleMode::Integer});
    EXPECT_EQ(shown(), scaled(blocks, 1, 1920, 1080));
}

// A message box's text also reaches standard error (with no display, as here, its only copy).
TEST_F(SdlBackendTest, AMessageBoxIsAlsoWrittenToStandardError) {
    testing::ScopedEnv no_x{"DISPLAY", std::nullopt}, no_wayland{"WAYLAND_DISPLAY", std::nullopt};
    ::testing::internal::CaptureStderr();
    backend_->message_box("Zell Bowling", "the saved table was set aside");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Zell Bowling: the saved table was set aside\n");
}

// The clock goes on with real time and never back, across whole seconds too.
TEST_F(SdlBackendTest, TheClockFollowsRealTime) {
    for (uint64_t i = 0, last = backend_->now_us(); i < 8; ++i, last = backend_->now_us()) {
        backend_->sleep_us(150'000);
        EXPECT_GE(backend_->now_us(), last + 150'000) << i;
    }
}

// The first beep opens audio and its blip plays out; the device and SDL's audio part are let go
// soon after the last blip has played, or when the backend goes.
TEST_F(SdlBackendTest, AudioOpensForABeepAndIsLetGoOnceTheBeepHasPlayed) {
    open();
    ASSERT_EQ(SDL_WasInit(SDL_INIT_AUDIO), 0u);
    backend_->beep();
    backend_->pump(log_, 0);
    EXPECT_NE(SDL_WasInit(SDL_INIT_AUDIO), 0u) << "the blip was cut short";
    const auto start = std::chrono::steady_clock::now();
    while (SDL_WasInit(SDL_INIT_AUDIO) != 0 && std::chrono::steady_clock::now() - start < std::chrono::seconds(10))
        backend_->pump(log_, 20);
    EXPECT_EQ(SDL_WasInit(SDL_INIT_AUDIO), 0u) << "audio still running 10 s after the last beep";
    backend_->beep();  // and a backend that goes while its beep plays takes its audio with it
    backend_.reset();
    EXPECT_EQ(SDL_WasInit(SDL_INIT_AUDIO), 0u);
}

}  // namespace
}  // namespace zell
