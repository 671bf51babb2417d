// The icon stored with the program (generated at build time by zell-make-icon).
#pragma once

#include "runtime/backend.h"

namespace zell::resources {

// The resource name the form description gives the window's icon.
constexpr const char* kIconName = "ZELL1";
Icon program_icon();

}  // namespace zell::resources
