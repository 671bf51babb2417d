#include "platform/sdl/backend_sdl.h"

#include <SDL.h>

#include <dirent.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <thread>

#include "platform/posix/local_time.h"
#include "platform/sdl/x11_errors.h"

namespace zell {

namespace {

// The beep: 60 ms of an 880 Hz square wave at a modest level, mono 16-bit.
constexpr int kBeepRate = 22050;
constexpr int kBeepHz = 880;
constexpr int kBeepMs = 60;
constexpr int16_t kBeepLevel = 3000;
// The audio device is closed this long after the last beep has been queued.
constexpr uint64_t kAudioLingerUs = 500'000;

std::vector<int16_t> make_blip() {
    std::vector<int16_t> samples(size_t(kBeepRate) * kBeepMs / 1000);
    const int half_period = kBeepRate / kBeepHz / 2;
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = (int(i) / half_period) % 2 == 0 ? kBeepLevel : int16_t(-kBeepLevel);
    return samples;
}

// The navigation and modifier keys that reach the program as key-down/up
// messages. Without NumLock the keypad acts as the navigation block, with
// keypad 5 as Clear; with NumLock its digits arrive as text.
Key key_of(const SDL_Keysym& k) {
    if (k.sym >= SDLK_F1 && k.sym <= SDLK_F12) return Key(int(Key::F1) + (k.sym - SDLK_F1));
    switch (k.sym) {
    case SDLK_RIGHT: return Key::Right;
    case SDLK_LEFT: return Key::Left;
    case SDLK_UP: return Key::Up;
    case SDLK_DOWN: return Key::Down;
    case SDLK_HOME: return Key::Home;
    case SDLK_END: return Key::End;
    case SDLK_PAGEUP: return Key::PageUp;
    case SDLK_PAGEDOWN: return Key::PageDown;
    case SDLK_INSERT: return Key::Insert;
    case SDLK_DELETE: return Key::Delete;
    case SDLK_CLEAR: return Key::Clear;
    case SDLK_EXECUTE: return Key::Execute;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT: return Key::Shift;
    case SDLK_LCTRL:
    case SDLK_RCTRL: return Key::Ctrl;
    default: break;
    }
    if (k.mod & KMOD_NUM) return Key::None;
    switch (k.sym) {
    case SDLK_KP_6: return Key::Right;
    case SDLK_KP_4: return Key::Left;
    case SDLK_KP_8: return Key::Up;
    case SDLK_KP_2: return Key::Down;
    case SDLK_KP_7: return Key::Home;
    case SDLK_KP_1: return Key::End;
    case SDLK_KP_9: return Key::PageUp;
    case SDLK_KP_3: return Key::PageDown;
    case SDLK_KP_0: return Key::Insert;
    case SDLK_KP_PERIOD: return Key::Delete;
    case SDLK_KP_5: return Key::Clear;
    default: return Key::None;
    }
}

// The character code of a key that types a control character, if it is one: Enter, Esc,
// Backspace, Tab, and Ctrl with a letter (SDL sends no text for those).
std::optional<uint8_t> control_char_of(const SDL_Keysym& k) {
    switch (k.sym) {
    case SDLK_RETURN:
    case SDLK_KP_ENTER: return keycode::kEnter;
    case SDLK_ESCAPE: return keycode::kEscape;
    case SDLK_BACKSPACE: return keycode::kBackspace;
    case SDLK_TAB: return keycode::kTab;
    default:
        if ((k.mod & KMOD_CTRL) && k.sym >= SDLK_a && k.sym <= SDLK_z) return keycode::control_code(char(k.sym));
        return std::nullopt;
    }
}

std::optional<MouseButton> button_of(uint8_t sdl_button) {
    switch (sdl_button) {
    case SDL_BUTTON_LEFT: return MouseButton::Left;
    case SDL_BUTTON_RIGHT: return MouseButton::Right;
    default: return std::nullopt;
    }
}

// The display the window opens on: the one holding the requested position.
int display_of(const WindowSpec& spec) {
    const SDL_Point corner{spec.x, spec.y};
    return std::max(0, SDL_GetPointDisplayIndex(&corner));
}

// The factor a window starts at: the one asked for, as far as the usable desktop holds it,
// otherwise from the density and usable size of the display.
int start_factor(const WindowSpec& spec, int display, int asked) {
    SDL_Rect usable{};
    if (SDL_GetDisplayUsableBounds(display, &usable) != 0) return std::max(1, asked);
    if (asked > 0) {
        const int fits = std::max(1, std::min(usable.w / spec.client_width, usable.h / spec.client_height));
        if (asked <= fits) return asked;
        std::fprintf(stderr,
                     "zell-bowling: a window %d times the picture's size does not fit the desktop (%d x %d); "
                     "it opens %d times the size\n",
                     asked, usable.w, usable.h, fits);
        return fits;
    }
    float dpi = 0, hdpi = 0, vdpi = 0;
    if (SDL_GetDisplayDPI(display, nullptr, &hdpi, &vdpi) == 0) dpi = std::min(hdpi, vdpi);
    return initial_factor(usable.w, usable.h, dpi, spec.client_width, spec.client_height);
}

bool has_render_node() {
    DIR* dir = opendir("/dev/dri");
    if (!dir) return false;
    bool found = false;
    while (const dirent* e = readdir(dir))
        if (std::strncmp(e->d_name, "renderD", 7) == 0) found = true;
    closedir(dir);
    return found;
}

unsigned buttons_of(uint32_t sdl_state) {
    return ((sdl_state & SDL_BUTTON_LMASK) ? 1u : 0u) | ((sdl_state & SDL_BUTTON_RMASK) ? 2u : 0u);
}

}  // namespace

bool translate_input_event(const SDL_Event& e, InputSink& sink, const WindowScale& scale, PointerFilter& pointer) {
    switch (e.type) {
    case SDL_KEYDOWN: {
        // Auto-repeated presses (SDL's repeat flag) are delivered too: a held key keeps typing.
        const SDL_Keysym& k = e.key.keysym;
        if (auto code = control_char_of(k)) {
            sink.char_typed(*code);
        } else if (Key key = key_of(k); key != Key::None) {
            sink.key_down(key, (k.mod & KMOD_SHIFT) != 0, (k.mod & KMOD_CTRL) != 0);
        }
        return true;
    }
    case SDL_KEYUP:
        if (Key key = key_of(e.key.keysym); key != Key::None) sink.key_up(key);
        return true;
    case SDL_TEXTINPUT: sink.text_typed(e.text.text); return true;
    case SDL_MOUSEMOTION: {
        const PointerFilter::Move m = pointer.move(scale, {e.motion.x, e.motion.y}, buttons_of(e.motion.state));
        sink.mouse_move(m.at.x, m.at.y, m.buttons);
        return true;
    }
    case SDL_MOUSEBUTTONDOWN:
        if (auto b = button_of(e.button.button))
            if (auto at = pointer.press(scale, *b, {e.button.x, e.button.y}))
                sink.mouse_down(*b, at->x, at->y, e.button.timestamp);
        return true;
    case SDL_MOUSEBUTTONUP:
        if (auto b = button_of(e.button.button))
            if (auto at = pointer.release(scale, *b, {e.button.x, e.button.y})) sink.mouse_up(*b, at->x, at->y);
        return true;
    case SDL_QUIT:
        // Closing the only window also arrives here (SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE),
        // as do SIGINT and SIGTERM, so a close is reported exactly once.
        sink.close_requested();
        return true;
    default: return false;
    }
}

bool is_full_screen_key(const SDL_Event& e) {
    if (e.type != SDL_KEYDOWN && e.type != SDL_KEYUP) return false;
    const SDL_Keysym& k = e.key.keysym;
    return k.sym == SDLK_F11 || ((k.sym == SDLK_RETURN || k.sym == SDLK_KP_ENTER) && (k.mod & KMOD_ALT));
}

bool is_scale_mode_key(const SDL_Event& e) {
    return (e.type == SDL_KEYDOWN || e.type == SDL_KEYUP) && e.key.keysym.sym == SDLK_F10;
}

bool use_opengl_renderer() {
    if (const char* named = SDL_GetHint(SDL_HINT_RENDER_DRIVER); named && *named)
        return std::strncmp(named, "opengl", 6) == 0;
    const char* forced = std::getenv("LIBGL_ALWAYS_SOFTWARE");
    if (forced && *forced && std::strcmp(forced, "0") != 0) return false;
    return has_render_node();
}

SdlBackend::SdlBackend()
    : counter_origin_(SDL_GetPerformanceCounter()), counter_frequency_(SDL_GetPerformanceFrequency()) {}

SdlBackend::~SdlBackend() {
    close_window();
    if (audio_ == Audio::Open) {
        SDL_CloseAudioDevice(audio_device_);
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

bool SdlBackend::open_window(const WindowSpec& spec) {
    close_window();
    // The window is made for the renderer it gets, so that creating the renderer never
    // replaces it; it is shown once the first image is drawn, so nothing flashes.
    const bool gl = use_opengl_renderer();
    Uint32 flags = SDL_WINDOW_HIDDEN | (gl ? SDL_WINDOW_OPENGL : 0);
    if (spec.resizable) flags |= SDL_WINDOW_RESIZABLE;
    if (settings_.fullscreen) flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
    // SDL windows are always minimizable; spec.minimizable has no switch here. The image
    // scales with the window, so a resizable window may also be maximized whatever
    // spec.maximizable says.
    const int display = display_of(spec);
    const int factor = start_factor(spec, display, settings_.scale);
    window_ = SDL_CreateWindow(spec.title.c_str(), int(SDL_WINDOWPOS_CENTERED_DISPLAY(display)),
                               int(SDL_WINDOWPOS_CENTERED_DISPLAY(display)), spec.client_width * factor,
                               spec.client_height * factor, flags);
    if (!window_) {
        std::fprintf(stderr, "cannot create the window: %s\n", SDL_GetError());
        return false;
    }
    SDL_SetWindowMinimumSize(window_, spec.client_width, spec.client_height);
    SDL_GetWindowSize(window_, &window_w_, &window_h_);
    pointer_ = PointerFilter();

    if (gl) renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_ACCELERATED | SDL_RENDERER_TARGETTEXTURE);
    // The software renderer draws into the window surface, which SDL would otherwise back
    // with an OpenGL texture of its own.
    if (!renderer_) {
        SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
        renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
    }
    if (!renderer_) {
        std::fprintf(stderr, "cannot create a renderer: %s\n", SDL_GetError());
        close_window();
        return false;
    }
    apply_icon();
    // Printable keys arrive only as text events, so text input stays on while the window exists.
    SDL_StartTextInput();
    // Until the program draws, the window shows its black fill rather than undefined texture memory.
    present(Image(spec.client_width, spec.client_height));
    if (!texture_) {
        close_window();
        return false;
    }
    if (spec.visible) {
        SDL_ShowWindow(window_);
        redraw();
    }
    return true;
}

void SdlBackend::close_window() {
    if (!window_) return;
    SDL_StopTextInput();
    stage_.reset();
    stage_factor_ = 0;
    texture_.reset();
    renderer_.reset();
    window_.reset();
    texture_w_ = texture_h_ = 0;
}

void SdlBackend::pump(InputSink& sink, int wait_ms) {
    close_audio_when_idle();
    redraw_pending_ = false;
    SDL_Event e;
    if (wait_ms > 0 && SDL_WaitEventTimeout(&e, wait_ms)) handle(e, sink);
    // Deliver what is queued now, but not what keeps arriving while we deliver.
    SDL_PumpEvents();
    while (SDL_PeepEvents(&e, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0) handle(e, sink);
    if (redraw_pending_) redraw();
}

void SdlBackend::handle(const SDL_Event& e, InputSink& sink) {
    if (is_full_screen_key(e)) {
        if (e.type == SDL_KEYDOWN && !e.key.repeat) toggle_full_screen();
        return;
    }
    if (is_scale_mode_key(e)) {
        if (e.type == SDL_KEYDOWN && !e.key.repeat) {
            settings_.scale_mode = settings_.scale_mode == ScaleMode::Sharp ? ScaleMode::Integer : ScaleMode::Sharp;
            redraw_pending_ = true;
        }
        return;
    }
    if (translate_input_event(e, sink, fit(window_w_, window_h_), pointer_) || e.type != SDL_WINDOWEVENT) return;
    switch (e.window.event) {
    case SDL_WINDOWEVENT_SIZE_CHANGED:
        window_w_ = e.window.data1;
        window_h_ = e.window.data2;
        redraw_pending_ = true;
        break;
    case SDL_WINDOWEVENT_EXPOSED:
    case SDL_WINDOWEVENT_RESTORED:
    case SDL_WINDOWEVENT_SHOWN: redraw_pending_ = true; break;
    default: break;
    }
}

void SdlBackend::present(const Image& visible) {
    if (!renderer_ || visible.width() <= 0 || visible.height() <= 0) return;
    if (visible.width() != texture_w_ || visible.height() != texture_h_) {
        texture_.reset();
        // RGB888 is 0x00RRGGBB in a 32-bit word: the image's own pixel layout.
        texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING, visible.width(),
                                     visible.height());
        if (!texture_) {
            std::fprintf(stderr, "cannot create the window's texture: %s\n", SDL_GetError());
            texture_w_ = texture_h_ = 0;
            return;
        }
        // Scaled up, every pixel stays a sharp square.
        SDL_SetTextureScaleMode(texture_, SDL_ScaleModeNearest);
        texture_w_ = visible.width();
        texture_h_ = visible.height();
    }
    SDL_UpdateTexture(texture_, nullptr, visible.pixels().data(), visible.width() * int(sizeof(Rgb)));
    redraw();
}

void SdlBackend::redraw() {
    if (!renderer_ || (SDL_GetWindowFlags(window_) & (SDL_WINDOW_MINIMIZED | SDL_WINDOW_HIDDEN))) return;
    SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
    SDL_RenderClear(renderer_);
    if (texture_) {
        int w = 0, h = 0;
        SDL_GetRendererOutputSize(renderer_, &w, &h);
        const WindowScale s = fit(w, h);
        const SDL_Rect dst{s.origin().x, s.origin().y, s.width(), s.height()};
        if (s.whole()) {
            SDL_RenderCopy(renderer_, texture_, nullptr, &dst);
        } else if (s.factor() > 1 && draw_stage(s.factor())) {
            SDL_RenderCopy(renderer_, stage_, nullptr, &dst);
        } else {
            // Smaller than the image (or no stage to be had): filtered straight from the image.
            SDL_SetTextureScaleMode(texture_, SDL_ScaleModeLinear);
            SDL_RenderCopy(renderer_, texture_, nullptr, &dst);
            SDL_SetTextureScaleMode(texture_, SDL_ScaleModeNearest);
        }
    }
    SDL_RenderPresent(renderer_);
}

bool SdlBackend::draw_stage(int factor) {
    if (stage_factor_ != factor) {
        stage_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_TARGET, texture_w_ * factor,
                                   texture_h_ * factor);
        stage_factor_ = stage_ ? factor : 0;
        if (!stage_) return false;
        SDL_SetTextureScaleMode(stage_, SDL_ScaleModeLinear);
    }
    if (SDL_SetRenderTarget(renderer_, stage_) != 0) return false;
    SDL_RenderCopy(renderer_, texture_, nullptr, nullptr);
    SDL_SetRenderTarget(renderer_, nullptr);
    return true;
}

void SdlBackend::set_display(const DisplaySettings& settings) {
    const bool full = settings_.fullscreen;
    settings_ = settings;
    if (!window_) return;
    settings_.fullscreen = full;
    if (settings.fullscreen != display().fullscreen) toggle_full_screen();
    settings_.fullscreen = settings.fullscreen;
    redraw();
}

bool SdlBackend::suspended() const { return window_ && (SDL_GetWindowFlags(window_) & SDL_WINDOW_MINIMIZED) != 0; }

DisplaySettings SdlBackend::display() const {
    DisplaySettings now = settings_;
    if (window_) now.fullscreen = (SDL_GetWindowFlags(window_) & SDL_WINDOW_FULLSCREEN) != 0;
    return now;
}

void SdlBackend::toggle_full_screen() {
    if (!window_) return;
    const bool full = SDL_GetWindowFlags(window_) & SDL_WINDOW_FULLSCREEN;
    // The desktop's own mode: no mode switch, the image scales to the whole display.
    if (SDL_SetWindowFullscreen(window_, full ? 0 : SDL_WINDOW_FULLSCREEN_DESKTOP) != 0)
        std::fprintf(stderr, "cannot switch full screen: %s\n", SDL_GetError());
}

uint64_t SdlBackend::now_us() {
    // Split so that counter * 1e6 cannot overflow however long the program runs.
    const uint64_t d = SDL_GetPerformanceCounter() - counter_origin_;
    return d / counter_frequency_ * 1'000'000 + d % counter_frequency_ * 1'000'000 / counter_frequency_;
}

void SdlBackend::sleep_us(uint64_t us) { std::this_thread::sleep_for(std::chrono::microseconds(us)); }

LocalTime SdlBackend::local_time() { return local_time_now(); }

bool SdlBackend::open_audio() {
    if (audio_ != Audio::Closed) return audio_ == Audio::Open;
    // A machine without sound is not an error: the beep is then silent, and not retried.
    audio_ = Audio::Unavailable;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
    SDL_AudioSpec want{};
    want.freq = kBeepRate;
    want.format = AUDIO_S16SYS;
    want.channels = 1;
    want.samples = 512;
    audio_device_ = SDL_OpenAudioDevice(nullptr, 0, &want, nullptr, 0);
    if (audio_device_ == 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    if (blip_.empty()) blip_ = make_blip();
    SDL_PauseAudioDevice(audio_device_, 0);
    audio_ = Audio::Open;
    return true;
}

void SdlBackend::close_audio_when_idle() {
    if (audio_ != Audio::Open || now_us() < audio_close_due_us_ || SDL_GetQueuedAudioSize(audio_device_) > 0) return;
    SDL_CloseAudioDevice(audio_device_);
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    audio_device_ = 0;
    audio_ = Audio::Closed;
}

void SdlBackend::beep() {
    if (!open_audio()) return;
    const Uint32 bytes = Uint32(blip_.size() * sizeof(int16_t));
    // A burst of beeps (keys typed into a full buffer) queues at most one more blip.
    if (SDL_GetQueuedAudioSize(audio_device_) < bytes) SDL_QueueAudio(audio_device_, blip_.data(), bytes);
    audio_close_due_us_ = now_us() + uint64_t(kBeepMs) * 2000 + kAudioLingerUs;
}

void SdlBackend::message_box(const std::string& title, const std::string& text) {
    std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
    SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, title.c_str(), text.c_str(), window_);
}

void SdlBackend::set_text_input(bool) {
    // Text input is always on while the window exists (printable keys arrive only as
    // text), and the input method shows its own composition window.
    if (window_) SDL_StartTextInput();
}

void SdlBackend::set_icon(const Icon& icon) {
    icon_ = icon;
    apply_icon();
}

void SdlBackend::apply_icon() {
    const Image& img = icon_.image;
    if (!window_ || img.width() <= 0 || img.height() <= 0) return;
    SDL_Surface* surface =
        SDL_CreateRGBSurfaceWithFormatFrom(const_cast<Rgb*>(img.pixels().data()), img.width(), img.height(), 32,
                                           img.width() * int(sizeof(Rgb)), SDL_PIXELFORMAT_RGB888);
    if (!surface) return;
    SDL_SetColorKey(surface, SDL_TRUE,
                    SDL_MapRGB(surface->format, uint8_t(icon_.transparent >> 16), uint8_t(icon_.transparent >> 8),
                               uint8_t(icon_.transparent)));
    SDL_SetWindowIcon(window_, surface);  // copies the pixels
    SDL_FreeSurface(surface);
}

void destroy_sdl(SDL_Window* window) { SDL_DestroyWindow(window); }
void destroy_sdl(SDL_Renderer* renderer) { SDL_DestroyRenderer(renderer); }
void destroy_sdl(SDL_Texture* texture) { SDL_DestroyTexture(texture); }

std::unique_ptr<Backend> make_sdl_backend(std::string* error) {
    SDL_SetHint(SDL_HINT_RENDER_VSYNC, "0");                        // present never waits for the display
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "1");           // a window close arrives as SDL_QUIT
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");            // the click that activates the window counts
    SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");  // a desktop window, not a fullscreen game
    SDL_SetHint(SDL_HINT_IME_SHOW_UI, "1");                         // the input method draws its own composition
    // Say which display is missing, before SDL tries (the Wayland library prints its own
    // complaints when it has no display to talk to).
    auto set = [](const char* v) { return v && *v; };
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    // A Wayland display named without a path lives in XDG_RUNTIME_DIR.
    const bool wayland_usable = set(wayland) && (wayland[0] == '/' || set(std::getenv("XDG_RUNTIME_DIR")));
    std::string names;
    if (set(wayland)) names = std::string("WAYLAND_DISPLAY=") + wayland;
    if (set(x11)) names += (names.empty() ? "DISPLAY=" : " or DISPLAY=") + std::string(x11);
    const std::string cannot = "cannot open the display " + names + ": ";
    // Wayland is tried only when it can answer; without any desktop display only the console's
    // own (KMS) is left.
    const char* only = wayland_usable ? nullptr : set(x11) ? "x11" : "kmsdrm";
    if (!set(std::getenv("SDL_VIDEODRIVER"))) SDL_SetHint(SDL_HINT_VIDEODRIVER, only);
    const std::string no_display =
        "no display: neither DISPLAY nor WAYLAND_DISPLAY is set (start it in a desktop session)";
    if (set(x11)) tolerate_events_to_closed_windows();
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        if (!error) return nullptr;
        if (names.empty()) *error = no_display;
        else if (!wayland_usable && !set(x11)) *error = cannot + "XDG_RUNTIME_DIR is not set";
        else *error = cannot + SDL_GetError();
        return nullptr;
    }
    // Without a display SDL falls back to drivers that show nothing; a window nobody
    // can see is no window, unless such a driver was asked for by name (SDL_VIDEODRIVER).
    const std::string driver = SDL_GetCurrentVideoDriver();
    const char* requested = std::getenv("SDL_VIDEODRIVER");
    if ((driver == "offscreen" || driver == "dummy") && !set(requested)) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        if (error) *error = names.empty() ? no_display : cannot + "no X11 or Wayland server answers";
        return nullptr;
    }
    return std::unique_ptr<Backend>(new SdlBackend());
}

void start_sdl_audio() {
    // Subsystems are counted: the beep's own start and stop of audio leave it running. Without
    // sound this fails, and the synthesizer then finds no SDL output, as any other.
    SDL_InitSubSystem(SDL_INIT_AUDIO);
}

}  // namespace zell
