// The browser backend: the program on a web page, built with Emscripten. The picture
// goes to a canvas fitted to the page (browser_input.h), the page's key, pointer and
// text events become InputSink calls, the clock is the page's monotonic time, and every
// wait yields to the browser (the build unwinds and resumes the program around it), so
// the page stays responsive while the program polls. The page's side is
// platform/browser/browser.js.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/browser/browser_input.h"
#include "runtime/backend.h"
#include "runtime/sound/midi.h"

#include "runtime/storage/store.h"

namespace zell {

class BrowserBackend final : public Backend {
public:
    BrowserBackend();

    const char* name() const override { return "browser"; }
    bool open_window(const WindowSpec& spec) override;
    bool has_window() const override { return open_; }
    void close_window() override;
    void pump(InputSink& sink, int wait_ms) override;
    void present(const Image& visible) override;
    uint64_t now_us() override;
    void sleep_us(uint64_t us) override;
    LocalTime local_time() override;
    void beep() override;
    void message_box(const std::string& title, const std::string& text) override;
    void set_text_input(bool on) override;
    void set_icon(const Icon& icon) override;
    void set_display(const DisplaySettings& settings) override;
    DisplaySettings display() const override;
    // While the page is hidden.
    bool suspended() const override;

private:
    // Yields to the browser for at least ms milliseconds (0: just let it run its queued tasks);
    // a wakeable wait ends early when the page queues an event.
    void yield(int ms, bool wakeable);
    void fit_canvas();

    bool open_ = false;
    ScaleMode scale_mode_ = ScaleMode::Sharp;
    int image_w_ = 648, image_h_ = 702;
    CanvasPlace place_ = browser_canvas_place(648, 702, 1, ScaleMode::Sharp, 648, 702);
    double origin_ms_;
    double last_yield_ms_ = 0;
    Icon icon_;
    // The last presented picture as the canvas takes it (R, G, B, A bytes), read by the page at
    // its next display frame; a newer picture presented meanwhile simply replaces it.
    std::vector<uint32_t> frame_;
};

// The page's sound: one device that plays through a Web MIDI output port where the browser
// offers one and the player allows it, else through a small Web Audio voice. No device
// where the browser has neither.
std::unique_ptr<MidiOut> make_browser_midi_out();

// The page's saved records in the browser's storage (localStorage), under a folder-like
// prefix ("best", "settings"); the text formats are the desktop's.
std::unique_ptr<Store> make_browser_store(const std::string& folder);

// A short line on the page above the picture, until the player closes it: what the console
// also says about a save that failed or a record set aside.
void show_page_notice(const std::string& text);

}  // namespace zell
