#include "platform/sdl/x11_errors.h"

#include <X11/Xlib.h>
#include <X11/Xproto.h>
#include <dlfcn.h>

namespace zell {
namespace {

XErrorHandler previous_handler = nullptr;

int on_x_error(Display* display, XErrorEvent* error) {
    if (error->error_code == BadWindow && error->request_code == X_SendEvent) return 0;
    return previous_handler ? previous_handler(display, error) : 0;
}

}  // namespace

void tolerate_events_to_closed_windows() {
    // The library SDL loads itself, opened here first and kept: SDL saves the handler it finds
    // when its driver starts and puts it back before it closes its connections, which is when
    // the error arrives. Through dlopen the game needs no link to the X library.
    static void* const x11 = dlopen("libX11.so.6", RTLD_LAZY);
    if (!x11 || previous_handler) return;
    using SetHandler = XErrorHandler (*)(XErrorHandler);
    if (auto set = reinterpret_cast<SetHandler>(dlsym(x11, "XSetErrorHandler"))) previous_handler = set(on_x_error);
}

}  // namespace zell
