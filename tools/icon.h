// The program's icon: the mascot figure drawn by the game's own figure code.
#pragma once

#include "runtime/backend.h"

namespace zell {

// Draws the mascot on the headless backend and returns it as a size x size icon whose
// background is the icon's transparent colour.
Icon render_mascot_icon(int size = 64);

}  // namespace zell
