// Line input at the screen's cursor: the prompt, the typed keys echoed and edited as they come
// (LineEditor), and the question again while the line holds more than one item.
#pragma once

#include <cstdint>
#include <functional>
#include <source_location>
#include <string>
#include <string_view>

#include "runtime/screen/screen.h"

namespace zell {

// Reads one line at the cursor after the prompt of the mode (0 "? ", 1 prompt, 2 prompt + "? ").
// next_key gives each typed key, waiting as long as it takes. Returns the line's item ("" for none).
std::string read_input_line(Screen& screen, int mode, std::string_view prompt, const std::function<uint8_t()>& next_key,
                            const std::source_location& where);

}  // namespace zell
