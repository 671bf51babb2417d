#include "tools/icon/icon.h"

#include <algorithm>

#include "game/game.h"
#include "platform/headless/backend_headless.h"

namespace zell {

Icon render_mascot_icon(int size) {
    // A background colour the figure never uses (palette entry 6, dark magenta) marks the
    // transparent pixels; the figure itself is white with black spots, as at the title.
    constexpr int kBackground = 6;
    // The outline is one pixel wide per 64 pixels of icon; the figure leaves room for it
    // and a pixel more, as its edge may round outwards.
    const int outline_width = std::max(1, size / 64);
    HeadlessBackend backend;
    Host host(backend, Host::Options{});
    Icon icon;
    host.run([&](Host& rt) {
        Game g(rt);
        g.read_constant_lists();
        rt.set_color(0, 7, kBackground, 0, 0, 3);
        rt.cls(0, 0);
        float half = float(size) / 2;
        g.draw_mascot(g.s.color_map(7), half - 0.5f, half - 0.5f, half - 1 - float(outline_width));
        const Image& buffer = rt.screen().buffer();
        icon.image = Image(size, size);
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) icon.image.at(x, y) = buffer.at(x, buffer.height() - size + y);
        icon.transparent = rt.screen().palette(kBackground);
    });
    // A black outline around the figure, so that the white figure stands out on a light
    // panel as well as on a dark one: every background pixel within outline_width of the figure.
    const Image figure = icon.image;
    const Rgb outline = rgb(0, 0, 0);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            if (figure.at(x, y) != icon.transparent) continue;
            bool touches = false;
            for (int dy = -outline_width; dy <= outline_width; ++dy)
                for (int dx = -outline_width; dx <= outline_width; ++dx) {
                    int nx = x + dx, ny = y + dy;
                    if (nx >= 0 && ny >= 0 && nx < size && ny < size && figure.at(nx, ny) != icon.transparent)
                        touches = true;
                }
            if (touches) icon.image.at(x, y) = outline;
        }
    return icon;
}

}  // namespace zell
