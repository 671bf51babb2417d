// The program's icon: the mascot figure drawn by the game's own figure code.
#pragma once

#include "runtime/backend.h"

namespace zell {

// Draws the mascot on the headless backend and returns it as a size x size icon whose
// background is the icon's transparent colour, the figure outlined in black.
Icon render_mascot_icon(int size = 64);

// The sizes of the icons installed for the desktop (square, in pixels).
inline constexpr int kDesktopIconSizes[] = {16, 32, 48, 64, 128, 256};
// The sizes the browser version's manifest names besides (installed apps, splash screens).
inline constexpr int kWebIconSizes[] = {192, 512};

}  // namespace zell
