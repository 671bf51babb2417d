// The help panel (F1): the controls in Japanese and English, drawn with the screen's own
// glyphs over a copy of the game's picture. The game's screen is never touched.
#pragma once

#include <string>

#include "runtime/screen/image.h"

namespace zell {

// The picture with the panel over it. scores_at: where the Best 20 table is saved ("" none).
Image draw_help_panel(const Image& picture, const std::string& scores_at);

}  // namespace zell
