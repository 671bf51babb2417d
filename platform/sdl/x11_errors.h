// X errors that a closing window may leave behind.
#pragma once

namespace zell {

// SDL wakes its own event wait by sending an event to the window over a second X connection.
// When the window closes while such an event is still on its way, the server answers it with
// BadWindow, and Xlib's default handler then ends the program with code 1 and an error message
// instead of the code 0 of a normal close. This installs a handler that drops exactly that error
// (an event sent to a window that is gone) and passes every other X error on to the handler that
// was there before. Call it before SDL's video starts; without the X library it does nothing.
void tolerate_events_to_closed_windows();

}  // namespace zell
