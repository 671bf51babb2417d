// The headless backend: no display. The window is an in-memory image, the clock
// is virtual (a pause advances it instantly), and input events are injected by
// tests or the scripted runner.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "runtime/backend.h"

namespace zell {

class HeadlessBackend final : public Backend {
public:
    using Event = std::function<void(InputSink&)>;

    explicit HeadlessBackend(LocalTime start = {});

    const char* name() const override { return "headless"; }
    bool open_window(const WindowSpec& spec) override;
    bool has_window() const override { return open_; }
    void close_window() override { open_ = false; }
    void pump(InputSink& sink, int wait_ms) override;
    void present(const Image& visible) override;
    uint64_t now_us() override { return now_us_; }
    void sleep_us(uint64_t us) override { now_us_ += us; }
    LocalTime local_time() override;
    void beep() override { ++beeps_; }
    void message_box(const std::string& title, const std::string& text) override;
    void set_text_input(bool on) override { text_input_ = on; }
    void set_icon(const Icon& icon) override { icon_ = icon; }
    const Icon& icon() const { return icon_; }

    // Queues an event; it is delivered at the next pump, in order.
    void inject(Event e) { queue_.push_back(std::move(e)); }
    void inject_key(Key k, bool shift = false);
    void inject_char(uint8_t code);
    void inject_text(std::string utf8);
    // Mouse positions here are client pixels (origin top-left).
    void inject_press(MouseButton b, int x, int y);
    void inject_release(MouseButton b, int x, int y);
    void inject_move(int x, int y);
    void inject_close();
    bool queue_empty() const { return queue_.empty(); }
    // Virtual time each present takes, as a slow display would.
    void set_present_cost_us(uint64_t us) { present_cost_us_ = us; }
    // The window as minimized (true) or shown again: the host holds the game's clock meanwhile.
    void set_suspended(bool on) { suspended_ = on; }
    bool suspended() const override { return suspended_; }

    // Called when the program pumps while idle (waiting for input) and nothing is queued:
    // a driver such as the scripted runner queues its next input here. Without a handler,
    // or when the handler queues nothing and returns false, the window is closed, so a
    // program never waits forever for input that cannot come.
    void set_on_wait(std::function<bool(HeadlessBackend&)> handler) { on_wait_ = std::move(handler); }
    // Called at the start of every pump, waiting or not, before anything is delivered: a driver
    // can act by the clock here (close the window in the middle of an animation, end a run
    // that goes on too long). What it queues is delivered by this pump.
    void set_on_pump(std::function<void(HeadlessBackend&)> handler) { on_pump_ = std::move(handler); }

    int pumps() const { return pumps_; }
    int waits() const { return waits_; }
    int presents() const { return presents_; }
    int beeps() const { return beeps_; }
    const Image& presented() const { return presented_; }
    const WindowSpec& window() const { return spec_; }
    const std::vector<std::string>& message_boxes() const { return boxes_; }
    bool text_input() const { return text_input_; }
    void set_clock(LocalTime t) { start_ = t; }

private:
    LocalTime start_;
    uint64_t now_us_ = 0;
    uint64_t present_cost_us_ = 0;
    bool open_ = false;
    bool text_input_ = false;
    bool suspended_ = false;
    WindowSpec spec_;
    std::deque<Event> queue_;
    std::function<bool(HeadlessBackend&)> on_wait_;
    std::function<void(HeadlessBackend&)> on_pump_;
    unsigned buttons_ = 0;
    int pumps_ = 0, waits_ = 0, presents_ = 0, beeps_ = 0;
    Image presented_;
    Icon icon_;
    std::vector<std::string> boxes_;
};

}  // namespace zell
