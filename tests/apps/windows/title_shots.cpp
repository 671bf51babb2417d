// zell-title-shots OUTDIR: what an untouched window shows, from the game on the headless backend: the
// title's last picture (title.png) and the main menu (menu.png), for the Windows test to compare.
#include <cstdio>
#include <optional>
#include <string>

#include "game/program.h"
#include "platform/headless/backend_headless.h"
#include "runtime/host/host.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: zell-title-shots OUTDIR\n");
        return 2;
    }
    const std::string out = argv[1];
    zell::HeadlessBackend backend;
    zell::Host host(backend, zell::Host::Options{});
    // The title's pictures carry the version on row 15; the last one before the menu is kept.
    std::optional<zell::Image> title;
    backend.set_on_pump([&](zell::HeadlessBackend&) {
        if (host.screen().row_bytes(15).find("Version") != std::string::npos) title = host.shown_picture();
    });
    bool written = false;
    backend.set_on_wait([&](zell::HeadlessBackend&) {
        written = title && title->write_png(out + "/title.png") && host.shown_picture().write_png(out + "/menu.png");
        return false;  // the menu's first wait: done
    });
    host.run([](zell::Host& rt) { zell::game_main(rt, nullptr); });
    if (!written) std::fprintf(stderr, "zell-title-shots: no title or menu picture was written\n");
    return written ? 0 : 1;
}
