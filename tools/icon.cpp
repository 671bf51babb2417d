#include "tools/icon.h"

#include "game/game.h"
#include "runtime/backend_headless.h"

namespace zell {

Icon render_mascot_icon(int size) {
    // A background colour the figure never uses (palette entry 6, dark magenta) marks the
    // transparent pixels; the figure itself is white with black spots, as at the title.
    constexpr int kBackground = 6;
    HeadlessBackend backend;
    Host host(backend, Host::Options{});
    Icon icon;
    host.run([&](Host& rt) {
        Game g(rt);
        g.read_constant_lists();
        rt.set_color(0, 7, kBackground, 0, 0, 3);
        rt.cls(0, 0);
        float half = float(size) / 2;
        g.draw_mascot(g.s.color_map(7), half - 0.5f, half - 0.5f, half - 1);
        const Image& buffer = rt.screen().buffer();
        icon.image = Image(size, size);
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) icon.image.at(x, y) = buffer.at(x, buffer.height() - size + y);
        icon.transparent = rt.screen().palette(kBackground);
    });
    return icon;
}

}  // namespace zell
