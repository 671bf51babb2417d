// The help panel's hold on the input (F1): passes the platform's input on to the game's input,
// except F1 and the key or click that closes the panel, which the game never sees; and shows
// the panel (drawn by help_panel.cpp) until that key or click. A key arrives as exactly one of
// key_down, char_typed and text_typed, so nothing of the closing key is left to follow.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "runtime/backend.h"
#include "runtime/input/input.h"
#include "runtime/screen/image.h"

namespace zell {

class HelpGate final : public InputSink {
public:
    // How long one pump may block for the key or click that closes the panel.
    static constexpr int kPumpWaitMs = 10;

    explicit HelpGate(Input& input) : input_(input) {}

    void key_down(Key key, bool shift, bool ctrl) override;
    void key_up(Key key) override;
    void char_typed(uint8_t code) override;
    void text_typed(std::string_view utf8) override;
    void mouse_move(int x, int y, unsigned buttons) override;
    void mouse_down(MouseButton b, int x, int y, uint64_t time_ms) override;
    void mouse_up(MouseButton b, int x, int y) override;
    void close_requested() override;

    // F1 went down: the panel is to open once the pump that delivered it is over.
    bool requested() const { return requested_; }
    bool shown() const { return shown_; }
    // The game's picture with the panel over it, while it is shown.
    const Image& picture() const { return picture_; }

    // One pump of the backend's events through the gate, after the input has let go of a
    // release it held over from the pump before (Input::pump_started).
    void pump(Backend& backend, int wait_ms);
    // Shows the panel over the game's picture until a key or a click; after_pump runs after
    // every pump (it may end the program). Returns how long the panel was open.
    uint64_t show(Backend& backend, const Image& game_picture, const std::string& saved_location,
                  const std::function<void()>& after_pump);

private:
    Input& input_;
    bool requested_ = false;
    bool shown_ = false;
    Image picture_;
};

}  // namespace zell
