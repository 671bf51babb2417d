// The Win32 window backend: one window showing the visible image scaled to fit, sharp or by
// whole factors, centred on black (see window_scale.h), drawn with GDI; the window's messages
// translated into InputSink calls with pointer positions mapped back to screen pixels; the
// performance counter as the clock. F11 and Alt+Enter switch between the window and full screen
// (a borderless window over the monitor), F10 between sharp and whole-factor scaling; the
// backend keeps these keys to itself. Typed text and the input method's results arrive as
// UTF-16, are passed on as UTF-8 and enter the key buffer as Shift-JIS (code page 932) by the
// runtime's rule for every backend: a character without a Shift-JIS form beeps.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "runtime/backend.h"
#include "runtime/screen/window_scale.h"

namespace zell {

// Creates the backend (registers the window class); nullptr with the reason when Windows
// refuses.
std::unique_ptr<Backend> make_windows_backend(std::string* error);

// The key codes of the Win32 keyboard messages, as the SDL backend delivers them: a virtual
// key (VK_*) of a key-down to a Key (None for keys that only type characters), and a WM_CHAR
// code below 32 with the virtual key that typed it to the character code the game sees
// (nothing for control characters that are no key of the game: Ctrl+digits, Ctrl+[ ...).
Key windows_key_of(unsigned virtual_key);
int windows_control_char(unsigned code, unsigned virtual_key);

}  // namespace zell
