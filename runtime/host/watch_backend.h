// Watching a replay: the window of another backend, with the player's keys and clicks turned into
// the controls of the playback. Space pauses and resumes, the Right arrow switches between normal
// speed and four times as fast, Esc ends; nothing else reaches the program. Once the replay is
// over (finish()), any key or click ends it. The program sees a clock that runs at the chosen
// speed and stands still while paused, so its throws and pauses keep their pace at any speed.
#pragma once

#include <cstdint>

#include "runtime/backend.h"

namespace zell {

class WatchBackend final : public Backend {
public:
    static constexpr unsigned kFastFactor = 4;

    explicit WatchBackend(Backend& window) : window_(window), real_base_us_(window.now_us()) {}

    // The replay has ended: any key or click now closes the window.
    void finish() { finished_ = true; }
    bool paused() const { return paused_; }
    unsigned speed() const { return speed_; }

    const char* name() const override { return window_.name(); }
    bool open_window(const WindowSpec& spec) override { return window_.open_window(spec); }
    bool has_window() const override { return window_.has_window(); }
    void close_window() override { window_.close_window(); }
    void pump(InputSink& sink, int wait_ms) override;
    void present(const Image& visible) override { window_.present(visible); }
    uint64_t now_us() override;
    void sleep_us(uint64_t us) override;
    LocalTime local_time() override { return window_.local_time(); }
    void beep() override { window_.beep(); }
    void message_box(const std::string& title, const std::string& text) override { window_.message_box(title, text); }
    void set_text_input(bool) override {}
    void set_icon(const Icon& icon) override { window_.set_icon(icon); }
    void set_display(const DisplaySettings& d) override { window_.set_display(d); }
    DisplaySettings display() const override { return window_.display(); }

private:
    // The controls: keys and clicks change the playback, a close is kept for the program.
    class Controls;
    void pump_controls(int wait_ms);
    void set_speed(unsigned speed, bool paused);

    Backend& window_;
    uint64_t real_base_us_;
    uint64_t watch_base_us_ = 0;  // the program's clock at real_base_us_
    unsigned speed_ = 1;
    bool paused_ = false;
    bool finished_ = false;
    bool close_ = false;  // the player ended the playback: the program's next pump is told
};

}  // namespace zell
