// zell-xwin: a small X11 client that finds, inspects and drives a top-level
// window the way a user and a window manager would. Used by the window smoke test.
//
//   zell-xwin wait-title TITLE TIMEOUT_S      prints the id of the viewable window titled TITLE
//   zell-xwin geometry ID                     prints the client size as WxH
//   zell-xwin close ID                        asks the window to close (WM_DELETE_WINDOW)
//   zell-xwin click ID X Y [BUTTON [HOLD_MS]] moves the pointer to (X, Y) and clicks (1 left, 3 right),
//                                             holding the button down HOLD_MS ms (default 0)
//   zell-xwin drag ID X0 Y0 X1 Y1 [HOLD_MS]   presses the left button at (X0, Y0), releases at (X1, Y1),
//                                             pausing HOLD_MS ms after the press and after the move
//   zell-xwin key ID [ctrl+][shift+][alt+]KEYSYM  focuses the window and types one key
//   zell-xwin pixel ID X Y                    prints the client pixel as RRGGBB
//   zell-xwin wait-drawn ID TIMEOUT_MS        waits until the client shows a pixel that is not black
//   zell-xwin wait-change ID X Y W H TIMEOUT_MS
//                                             waits until a pixel of the client rectangle changes;
//                                             prints the milliseconds it took
//   zell-xwin screenshot ID FILE.png          writes the client area as a PNG file
//   zell-xwin cover ID MS                     covers the window with another one for MS ms
//   zell-xwin resize ID W H                   moves the window to the top-left corner, resizes the client
//                                             area to W x H and waits until it has that size
//
// ID is a window id, or the window's title: then the window is looked up afresh for the command
// (waiting up to 30 s for it to be viewable), and a command that met a window that went away in
// the meantime (the program replaced or closed it) is run again on the one found anew.
//
// Exit code 0 on success, 1 on a failed check or timeout, 2 on bad usage.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "runtime/screen/image.h"

namespace {

using Clock = std::chrono::steady_clock;

void sleep_ms(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// X errors (a window destroyed between two requests: BadWindow, BadDrawable, BadMatch) are
// noted instead of ending the process; the caller decides after an XSync.
int last_x_error = 0;
int note_x_error(Display*, XErrorEvent* e) {
    last_x_error = e->error_code;
    return 0;
}

Window parse_id(const char* s) { return Window(std::strtoul(s, nullptr, 0)); }

std::string title_of(Display* d, Window w) {
    Atom net_wm_name = XInternAtom(d, "_NET_WM_NAME", False);
    Atom utf8 = XInternAtom(d, "UTF8_STRING", False);
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::string title;
    if (XGetWindowProperty(d, w, net_wm_name, 0, 1024, False, utf8, &type, &format, &count, &after, &data) == Success &&
        data) {
        title.assign(reinterpret_cast<char*>(data), count);
        XFree(data);
        if (!title.empty()) return title;
    }
    char* name = nullptr;
    if (XFetchName(d, w, &name) && name) {
        title = name;
        XFree(name);
    }
    return title;
}

std::optional<Window> find_titled(Display* d, Window parent, const std::string& title) {
    Window root_return, parent_return, *children = nullptr;
    unsigned n = 0;
    if (!XQueryTree(d, parent, &root_return, &parent_return, &children, &n)) return std::nullopt;
    std::optional<Window> found;
    for (unsigned i = 0; i < n && !found; ++i) {
        XWindowAttributes a;
        if (XGetWindowAttributes(d, children[i], &a) && a.map_state == IsViewable && title_of(d, children[i]) == title)
            found = children[i];
        else found = find_titled(d, children[i], title);
    }
    if (children) XFree(children);
    return found;
}

XWindowAttributes attributes(Display* d, Window w) {
    XWindowAttributes a{};
    XGetWindowAttributes(d, w, &a);
    return a;
}

// Converts a pixel value of the window's visual to 0x00RRGGBB.
class PixelDecoder {
public:
    explicit PixelDecoder(const Visual* v) : masks_{v->red_mask, v->green_mask, v->blue_mask} {}
    zell::Rgb operator()(unsigned long pixel) const {
        zell::Rgb out = 0;
        for (unsigned long mask : masks_) out = out << 8 | channel(pixel, mask);
        return out;
    }

private:
    static unsigned channel(unsigned long pixel, unsigned long mask) {
        if (!mask) return 0;
        int shift = 0;
        while (!((mask >> shift) & 1)) ++shift;
        const unsigned long max = mask >> shift;
        return unsigned(((pixel & mask) >> shift) * 255 / max);
    }
    unsigned long masks_[3];
};

zell::Image capture(Display* d, Window w) {
    const XWindowAttributes a = attributes(d, w);
    XImage* xi = XGetImage(d, w, 0, 0, unsigned(a.width), unsigned(a.height), AllPlanes, ZPixmap);
    if (!xi) return {};
    const PixelDecoder decode(a.visual);
    zell::Image img(a.width, a.height);
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x) img.at(x, y) = decode(XGetPixel(xi, x, y));
    XDestroyImage(xi);
    return img;
}

Time now_ms() {
    return Time(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch()).count());
}

// Moves the real pointer, so that the window sees Enter and Motion events from the server.
void move_pointer(Display* d, Window w, int x, int y) {
    XWarpPointer(d, None, w, 0, 0, 0, 0, x, y);
    XSync(d, False);
}

void send_button(Display* d, Window w, int x, int y, unsigned button, bool press) {
    XEvent e{};
    e.xbutton.type = press ? ButtonPress : ButtonRelease;
    e.xbutton.display = d;
    e.xbutton.window = w;
    e.xbutton.root = DefaultRootWindow(d);
    e.xbutton.subwindow = None;
    e.xbutton.time = now_ms();
    e.xbutton.x = x;
    e.xbutton.y = y;
    Window child;
    XTranslateCoordinates(d, w, e.xbutton.root, x, y, &e.xbutton.x_root, &e.xbutton.y_root, &child);
    e.xbutton.state = press ? 0 : (Button1Mask << (button - 1));
    e.xbutton.button = button;
    e.xbutton.same_screen = True;
    XSendEvent(d, w, True, press ? ButtonPressMask : ButtonReleaseMask, &e);
    XSync(d, False);
}

void send_key(Display* d, Window w, KeyCode code, unsigned state, bool press) {
    XEvent e{};
    e.xkey.type = press ? KeyPress : KeyRelease;
    e.xkey.display = d;
    e.xkey.window = w;
    e.xkey.root = DefaultRootWindow(d);
    e.xkey.subwindow = None;
    e.xkey.time = now_ms();
    e.xkey.state = state;
    e.xkey.keycode = code;
    e.xkey.same_screen = True;
    XSendEvent(d, w, True, press ? KeyPressMask : KeyReleaseMask, &e);
    XSync(d, False);
}

int cmd_wait_title(Display* d, const char* title, double timeout_s) {
    const auto deadline = Clock::now() + std::chrono::duration<double>(timeout_s);
    do {
        if (auto w = find_titled(d, DefaultRootWindow(d), title)) {
            std::printf("0x%lx\n", *w);
            return 0;
        }
        sleep_ms(20);
    } while (Clock::now() < deadline);
    std::fprintf(stderr, "no viewable window titled \"%s\"\n", title);
    return 1;
}

int cmd_close(Display* d, Window w) {
    Atom protocols = XInternAtom(d, "WM_PROTOCOLS", False);
    Atom del = XInternAtom(d, "WM_DELETE_WINDOW", False);
    Atom* list = nullptr;
    int n = 0;
    bool supported = false;
    if (XGetWMProtocols(d, w, &list, &n)) {
        for (int i = 0; i < n; ++i) supported = supported || list[i] == del;
        XFree(list);
    }
    if (!supported) {
        std::fprintf(stderr, "window does not take WM_DELETE_WINDOW\n");
        return 1;
    }
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = w;
    e.xclient.message_type = protocols;
    e.xclient.format = 32;
    e.xclient.data.l[0] = long(del);
    e.xclient.data.l[1] = CurrentTime;
    XSendEvent(d, w, False, NoEventMask, &e);
    XSync(d, False);
    return 0;
}

int cmd_key(Display* d, Window w, std::string spec) {
    struct Modifier {
        KeyCode code;
        unsigned mask;
    };
    std::vector<Modifier> modifiers;
    for (auto [prefix, mask, keysym] :
         {std::tuple{"ctrl+", ControlMask, XK_Control_L}, std::tuple{"shift+", ShiftMask, XK_Shift_L},
          std::tuple{"alt+", Mod1Mask, XK_Alt_L}}) {
        if (spec.rfind(prefix, 0) == 0) {
            spec.erase(0, std::strlen(prefix));
            modifiers.push_back({XKeysymToKeycode(d, keysym), unsigned(mask)});
        }
    }
    const KeySym sym = XStringToKeysym(spec.c_str());
    const KeyCode code = sym == NoSymbol ? 0 : XKeysymToKeycode(d, sym);
    if (code == 0) {
        std::fprintf(stderr, "unknown key \"%s\"\n", spec.c_str());
        return 2;
    }
    XSetInputFocus(d, w, RevertToParent, CurrentTime);
    XSync(d, False);
    // The state of a key event holds the modifiers down before it, not the key it reports.
    unsigned state = 0;
    for (const Modifier& m : modifiers) {
        send_key(d, w, m.code, state, true);
        state |= m.mask;
    }
    send_key(d, w, code, state, true);
    send_key(d, w, code, state, false);
    for (auto m = modifiers.rbegin(); m != modifiers.rend(); ++m) {
        send_key(d, w, m->code, state, false);
        state &= ~m->mask;
    }
    return 0;
}

int cmd_wait_drawn(Display* d, Window w, int timeout_ms) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    do {
        const zell::Image img = capture(d, w);
        for (zell::Rgb p : img.pixels())
            if (p != 0) return 0;
        sleep_ms(10);
    } while (Clock::now() < deadline && !last_x_error);
    std::fprintf(stderr, "the window stayed black for %d ms\n", timeout_ms);
    return 1;
}

// The raw pixel values of a client rectangle, for comparing; empty when it cannot be read.
std::vector<unsigned long> raw_pixels(Display* d, Window w, int x, int y, int width, int height) {
    std::vector<unsigned long> out;
    XImage* xi = XGetImage(d, w, x, y, unsigned(width), unsigned(height), AllPlanes, ZPixmap);
    if (!xi) return out;
    for (int r = 0; r < height; ++r)
        for (int c = 0; c < width; ++c) out.push_back(XGetPixel(xi, c, r));
    XDestroyImage(xi);
    return out;
}

int cmd_wait_change(Display* d, Window w, int x, int y, int width, int height, int timeout_ms) {
    const auto start = Clock::now();
    const auto before = raw_pixels(d, w, x, y, width, height);
    if (before.empty()) {
        std::fprintf(stderr, "cannot read the rectangle\n");
        return 1;
    }
    do {
        sleep_ms(2);
        if (raw_pixels(d, w, x, y, width, height) != before) {
            std::printf("%lld\n",
                        (long long)std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
            return 0;
        }
    } while (Clock::now() < start + std::chrono::milliseconds(timeout_ms) && !last_x_error);
    std::fprintf(stderr, "the rectangle did not change in %d ms\n", timeout_ms);
    return 1;
}

int cmd_cover(Display* d, Window w, int ms) {
    const XWindowAttributes a = attributes(d, w);
    int rx = 0, ry = 0;
    Window child;
    XTranslateCoordinates(d, w, DefaultRootWindow(d), 0, 0, &rx, &ry, &child);
    XSetWindowAttributes sa{};
    sa.override_redirect = True;
    sa.background_pixel = WhitePixel(d, DefaultScreen(d));
    Window cover = XCreateWindow(d, DefaultRootWindow(d), rx, ry, unsigned(a.width), unsigned(a.height), 0,
                                 CopyFromParent, InputOutput, CopyFromParent, CWOverrideRedirect | CWBackPixel, &sa);
    XMapRaised(d, cover);
    XSync(d, False);
    sleep_ms(ms);
    XDestroyWindow(d, cover);
    XSync(d, False);
    return 0;
}

// Resizes the window directly, as a window manager would on the user's behalf (with no
// window manager running, the request is granted as made), and moves it to the screen's
// top-left corner so that a large size stays on the screen, where it can be seen and clicked.
int cmd_resize(Display* d, Window w, int width, int height) {
    XMoveResizeWindow(d, w, 0, 0, unsigned(width), unsigned(height));
    XSync(d, False);
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    do {
        const XWindowAttributes a = attributes(d, w);
        if (a.width == width && a.height == height) return 0;
        sleep_ms(10);
    } while (Clock::now() < deadline && !last_x_error);
    std::fprintf(stderr, "the window did not take the size %dx%d\n", width, height);
    return 1;
}

int usage() {
    std::fprintf(stderr,
                 "usage: zell-xwin wait-title TITLE TIMEOUT_S | geometry ID | close ID |\n"
                 "       click ID X Y [BUTTON [HOLD_MS]] | drag ID X0 Y0 X1 Y1 | key ID KEY | pixel ID X Y |\n"
                 "       wait-drawn ID TIMEOUT_MS | wait-change ID X Y W H TIMEOUT_MS | screenshot ID FILE.png |\n"
                 "       cover ID MS | resize ID W H\n");
    return 2;
}

}  // namespace

// Runs one command on window w (unused by wait-title).
int run_command(Display* d, int argc, char** argv, Window w) {
    const std::string cmd = argv[1];
    auto arg = [&](int i) { return std::atoi(argv[i]); };
    int rc = 2;
    if (cmd == "wait-title" && argc == 4) {
        rc = cmd_wait_title(d, argv[2], std::atof(argv[3]));
    } else if (cmd == "geometry" && argc == 3) {
        XWindowAttributes a{};
        rc = XGetWindowAttributes(d, w, &a) ? 0 : 1;
        if (rc == 0) std::printf("%dx%d\n", a.width, a.height);
    } else if (cmd == "close" && argc == 3) {
        rc = cmd_close(d, w);
    } else if (cmd == "click" && argc >= 5 && argc <= 7) {
        const unsigned button = argc >= 6 ? unsigned(arg(5)) : 1u;
        move_pointer(d, w, arg(3), arg(4));
        send_button(d, w, arg(3), arg(4), button, true);
        if (argc == 7) sleep_ms(arg(6));
        send_button(d, w, arg(3), arg(4), button, false);
        rc = 0;
    } else if (cmd == "drag" && (argc == 7 || argc == 8)) {
        // With HOLD_MS, a pause after the press and after the move: a program that polls sees each.
        const int hold = argc == 8 ? arg(7) : 0;
        move_pointer(d, w, arg(3), arg(4));
        send_button(d, w, arg(3), arg(4), 1, true);
        sleep_ms(hold);
        move_pointer(d, w, arg(5), arg(6));
        sleep_ms(hold);
        send_button(d, w, arg(5), arg(6), 1, false);
        rc = 0;
    } else if (cmd == "key" && argc == 4) {
        rc = cmd_key(d, w, argv[3]);
    } else if (cmd == "pixel" && argc == 5) {
        XImage* xi = XGetImage(d, w, arg(3), arg(4), 1, 1, AllPlanes, ZPixmap);
        if (xi) {
            std::printf("%06x\n", PixelDecoder(attributes(d, w).visual)(XGetPixel(xi, 0, 0)));
            XDestroyImage(xi);
            rc = 0;
        } else {
            rc = 1;
        }
    } else if (cmd == "wait-drawn" && argc == 4) {
        rc = cmd_wait_drawn(d, w, arg(3));
    } else if (cmd == "wait-change" && argc == 8) {
        rc = cmd_wait_change(d, w, arg(3), arg(4), arg(5), arg(6), arg(7));
    } else if (cmd == "screenshot" && argc == 4) {
        const zell::Image img = capture(d, w);
        rc = img.width() > 0 && img.write_png(argv[3]) ? 0 : 1;
    } else if (cmd == "cover" && argc == 4) {
        rc = cmd_cover(d, w, arg(3));
    } else if (cmd == "resize" && argc == 5) {
        rc = cmd_resize(d, w, arg(3), arg(4));
    } else {
        usage();
    }
    return rc;
}

int main(int argc, char** argv) {
    if (argc < 3) return usage();
    Display* d = XOpenDisplay(nullptr);
    if (!d) {
        std::fprintf(stderr, "cannot open display \"%s\"\n", XDisplayName(nullptr));
        return 1;
    }
    XSetErrorHandler(note_x_error);
    const std::string target = argv[2];
    const bool by_title = std::string(argv[1]) != "wait-title" && !(target[0] >= '0' && target[0] <= '9');
    const auto deadline = Clock::now() + std::chrono::seconds(30);
    int rc = 1;
    for (;;) {
        std::optional<Window> w = by_title ? find_titled(d, DefaultRootWindow(d), target) : parse_id(argv[2]);
        if (w) {
            last_x_error = 0;
            rc = run_command(d, argc, argv, *w);
            XSync(d, False);
            if (!last_x_error || !by_title) break;
        }
        if (Clock::now() > deadline) {
            std::fprintf(stderr, "no lasting window titled \"%s\"\n", target.c_str());
            rc = 1;
            break;
        }
        sleep_ms(20);
    }
    XCloseDisplay(d);
    return rc;
}
