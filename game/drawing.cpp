// The game's four drawing shapes over the screen's general line and circle calls:
// every one in the default drawing function, solid, in a colour number 0..15.
#include "game/game.h"

namespace zell {

void Game::outline_circle(float x, float y, float radius, float colour, std::source_location where) {
    rt.draw_circle(0, 0, x, y, radius, to_int16(colour, where), 1, 0, 0, 0, -1, 0, 1, where);
}

void Game::ellipse(float x, float y, float radius, float colour, bool filled, std::source_location where) {
    rt.draw_circle(0, 0, x, y, radius, to_int16(colour, where), 0.5f, 0, 0, filled ? 1 : 0, -1, 0, 1, where);
}

void Game::filled_box(float x1, float y1, float x2, float y2, float colour, std::source_location where) {
    int c = to_int16(colour, where);
    rt.draw_line(0, 0, x1, y1, 0, x2, y2, -1, c, 2, c, -1, 13, where);
}

void Game::line(float x1, float y1, float x2, float y2, float colour, std::source_location where) {
    rt.draw_line(0, 0, x1, y1, 0, x2, y2, -1, to_int16(colour, where), 0, 0, -1, 5, where);
}

}  // namespace zell
