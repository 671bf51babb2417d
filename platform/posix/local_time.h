// The wall clock's local date and time by the C library, for the backends that show the
// real time (the desktop and the browser; the headless backend keeps a virtual clock).
#pragma once

#include "runtime/backend.h"

namespace zell {

// The local date and time now, to the second, in the system's time zone.
LocalTime local_time_now();

}  // namespace zell
