// The help panel's hold on the input, and its showing until the closing key or click.
#include "runtime/host/help_gate.h"

#include "runtime/host/help_panel.h"

namespace zell {

uint64_t HelpGate::show(Backend& backend, const Image& game_picture, const std::string& saved_location,
                        const std::function<void()>& after_pump) {
    requested_ = false;
    shown_ = true;
    const uint64_t opened = backend.now_us();
    picture_ = draw_help_panel(game_picture, saved_location);
    backend.present(picture_);
    try {
        while (shown_) {
            pump(backend, kPumpWaitMs);
            after_pump();
        }
    } catch (...) {
        shown_ = false;
        throw;
    }
    return backend.now_us() - opened;
}

void HelpGate::pump(Backend& backend, int wait_ms) {
    input_.pump_started();
    backend.pump(*this, wait_ms);
}

void HelpGate::key_down(Key key, bool shift, bool ctrl) {
    if (shown_) shown_ = false;
    else if (key == Key::F1) requested_ = true;
    else input_.key_down(key, shift, ctrl);
}

void HelpGate::key_up(Key key) { input_.key_up(key); }

void HelpGate::char_typed(uint8_t code) {
    if (shown_) shown_ = false;
    else input_.char_typed(code);
}

void HelpGate::text_typed(std::string_view utf8) {
    if (shown_) shown_ = false;
    else input_.text_typed(utf8);
}

// Moves and releases always go through: a button held when the panel opened is let go.
void HelpGate::mouse_move(int x, int y, unsigned buttons) { input_.mouse_move(x, y, buttons); }

void HelpGate::mouse_down(MouseButton b, int x, int y, uint64_t time_ms) {
    if (shown_) shown_ = false;
    else input_.mouse_down(b, x, y, time_ms);
}

void HelpGate::mouse_up(MouseButton b, int x, int y) { input_.mouse_up(b, x, y); }

void HelpGate::close_requested() { input_.close_requested(); }

}  // namespace zell
