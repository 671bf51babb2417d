// The SDL2 window backend: one window showing the visible image scaled to fit,
// sharp or by whole factors, centred on black (see window_scale.h), SDL's event
// queue translated into InputSink calls with pointer positions mapped back to
// screen pixels, the performance counter as the clock and a short square-wave
// blip as the beep. F11 and Alt+Enter switch between the window and full screen,
// F10 between sharp and whole-factor scaling; the backend keeps these keys to itself.
//
// Where the only OpenGL driver would be a software rasterizer, the window is drawn
// with SDL's software renderer on the window surface: that costs no more CPU, and
// saves the tens of megabytes a software GL driver loads.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "runtime/backend.h"
#include "runtime/screen/window_scale.h"

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;
union SDL_Event;

namespace zell {

void destroy_sdl(SDL_Window* window);
void destroy_sdl(SDL_Renderer* renderer);
void destroy_sdl(SDL_Texture* texture);

// Owns one SDL object and destroys it with SDL's own function; reads as the plain pointer.
template <class T>
class SdlHandle {
public:
    SdlHandle() = default;
    ~SdlHandle() { reset(); }
    SdlHandle(const SdlHandle&) = delete;
    SdlHandle& operator=(const SdlHandle&) = delete;
    SdlHandle& operator=(T* p) {
        reset();
        p_ = p;
        return *this;
    }
    void reset() {
        if (p_) destroy_sdl(p_);
        p_ = nullptr;
    }
    operator T*() const { return p_; }

private:
    T* p_ = nullptr;
};

class SdlBackend final : public Backend {
public:
    ~SdlBackend() override;
    SdlBackend(const SdlBackend&) = delete;
    SdlBackend& operator=(const SdlBackend&) = delete;

    const char* name() const override { return "sdl"; }

    bool open_window(const WindowSpec& spec) override;
    bool has_window() const override { return window_ != nullptr; }
    void close_window() override;

    void pump(InputSink& sink, int wait_ms) override;
    void present(const Image& visible) override;

    uint64_t now_us() override;
    void sleep_us(uint64_t us) override;
    LocalTime local_time() override;

    void beep() override;
    void message_box(const std::string& title, const std::string& text) override;
    void set_text_input(bool on) override;

    // The window's icon; kept and applied when a window is opened later.
    void set_icon(const Icon& icon) override;

    void set_display(const DisplaySettings& settings) override;
    DisplaySettings display() const override;
    // While the window is minimized (SDL keeps the flag as the window's events come in).
    bool suspended() const override;

private:
    // Created by make_sdl_backend once SDL's video subsystem is up; released with it.
    SdlBackend();
    friend std::unique_ptr<Backend> make_sdl_backend(std::string* error);

    void handle(const SDL_Event& e, InputSink& sink);
    // Switches the window between full screen (the whole desktop) and its windowed size.
    void toggle_full_screen();
    // The image placed in a window, or in a drawing area, of the given size.
    WindowScale fit(int width, int height) const {
        return WindowScale::fit(width, height, texture_w_, texture_h_, settings_.scale_mode);
    }
    // Draws the texture into the sharp mode's first stage at a whole factor; false when the
    // stage cannot be had (the caller then scales the texture directly).
    bool draw_stage(int factor);
    // Draws the texture (the last presented image) scaled and centred, black elsewhere.
    void redraw();
    void apply_icon();
    bool open_audio();
    void close_audio_when_idle();

    // Destroyed in the reverse order: the textures, the renderer, the window.
    SdlHandle<SDL_Window> window_;
    SdlHandle<SDL_Renderer> renderer_;
    SdlHandle<SDL_Texture> texture_;
    SdlHandle<SDL_Texture> stage_;  // sharp mode: the image at a whole factor, nearest-neighbour
    int stage_factor_ = 0;
    DisplaySettings settings_;
    int texture_w_ = 0, texture_h_ = 0;
    int window_w_ = 0, window_h_ = 0;  // in the units of pointer positions
    PointerFilter pointer_;
    bool redraw_pending_ = false;  // the window was exposed or resized during this pump
    Icon icon_;

    uint64_t counter_origin_;
    uint64_t counter_frequency_;

    // Audio is opened on the first beep and closed again once the queue has played out,
    // so an idle program keeps no audio thread running.
    enum class Audio { Closed, Open, Unavailable };
    Audio audio_ = Audio::Closed;
    uint32_t audio_device_ = 0;
    uint64_t audio_close_due_us_ = 0;
    std::vector<int16_t> blip_;
};

// Initialises SDL's video subsystem and returns the backend; nullptr with a
// reason in *error (when error is not null) when no display is available.
std::unique_ptr<Backend> make_sdl_backend(std::string* error);

// Starts SDL's audio subsystem for the rest of the run, so that the built-in synthesizer can
// play through SDL when no other audio output opens. Call after make_sdl_backend.
void start_sdl_audio();

// Delivers one SDL input event (keyboard, text, mouse, quit) to the sink; returns
// false for events that are not input. Printable characters arrive only as text
// events, so a printable key is never delivered twice. Pointer positions are window
// positions, mapped to screen pixels through the window scale and the pointer filter.
bool translate_input_event(const SDL_Event& e, InputSink& sink, const WindowScale& scale, PointerFilter& pointer);

// True for the keys that switch full screen (F11 and Alt+Enter, down or up).
bool is_full_screen_key(const SDL_Event& e);
// True for the key that switches the scaling mode (F10, down or up).
bool is_scale_mode_key(const SDL_Event& e);

// Whether the window is drawn through OpenGL: as SDL_RENDER_DRIVER names, otherwise only where
// a GPU's render node exists and software rendering is not forced (LIBGL_ALWAYS_SOFTWARE).
// Without a GPU the only GL driver is a software rasterizer.
bool use_opengl_renderer();

}  // namespace zell
