// A test program for the SDL window: opens it as the game does, shows a test pattern once (the smoke
// test checks its pixels), then prints every input, a line each, until the window is closed (code 0).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/sdl/backend_sdl.h"
#include "tests/support/event_log.h"
#include "tests/support/pattern.h"

int main(int argc, char** argv) {
    int wait_ms = 5;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--wait-ms") == 0 && i + 1 < argc) {
            wait_ms = std::atoi(argv[++i]);
        } else {
            std::fprintf(stderr, "usage: %s [--wait-ms N]\n", argv[0]);
            return 2;
        }
    }
    std::setvbuf(stdout, nullptr, _IOLBF, 0);

    std::string error;
    auto backend = zell::make_sdl_backend(&error);
    if (!backend) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    zell::WindowSpec spec;
    spec.title = "Zell Bowling";
    // Whole-factor scaling: the window test checks pixels as exact squares.
    backend->set_display({.scale_mode = zell::ScaleMode::Integer});
    if (!backend->open_window(spec)) return 1;
    backend->present(zell::test_pattern(spec.client_width, spec.client_height));

    zell::EventLog log;
    while (!log.closed) {
        backend->pump(log, wait_ms);
        for (const std::string& line : log.lines) std::printf("%s\n", line.c_str());
        log.lines.clear();
    }
    backend->close_window();
    return 0;
}
