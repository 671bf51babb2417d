// The mascot: a figure of three ellipses (a body and two spots) in four variants,
// the growing figure with a message, the ring of figures with the palette rotation,
// and the captured picture that marks each ball used in a frame.
#include <cmath>

#include "game/game.h"

namespace zell {

void Game::mascot_figure(float colour, float x, float y, float size, bool body_filled, float spot_colour,
                         bool spots_filled, float spot_x, float spot_radius) {
    ellipse(x, y, size, colour, body_filled);
    ellipse(spot_x, y - size / 5.5f, spot_radius, spot_colour, spots_filled);
    ellipse(spot_x, y + size / 5.5f, spot_radius, spot_colour, spots_filled);
}

// Filled figure, black spots on the left.
void Game::draw_mascot(float colour, float x, float y, float size) {
    mascot_figure(colour, x, y, size, true, 0, true, x - 0.6f * size, size / 4 - 1);
}

// Outline figure; drawn again in colour 0 it erases itself from a black ground.
void Game::draw_mascot_outline(float colour, float x, float y, float size) {
    mascot_figure(colour, x, y, size, false, colour, false, x - 0.6f * size, size / 4);
}

// Outline figure with filled spots.
void Game::draw_mascot_outline_spots(float colour, float x, float y, float size) {
    mascot_figure(colour, x, y, size, false, colour, true, x - 0.6f * size, size / 4);
}

// Filled figure, black spots on the right.
void Game::draw_mascot_facing_right(float colour, float x, float y, float size) {
    mascot_figure(colour, x, y, size, true, 0, true, x + 0.6f * size, size / 4 - 1);
}

void Game::mascot_announce(float colour, std::string_view text_sjis) {
    for (float k = 1; k <= 8; ++k) {
        float sz = 14 + 8 * (k - 1);
        draw_mascot_outline(colour, 300, 203 + s.ui_y0, sz);
        pause(2);
        draw_mascot_outline(0, 300, 203 + s.ui_y0, sz);
    }
    draw_mascot_outline_spots(colour, 300, 203 + s.ui_y0, 70);
    rt.locate(0, 36, 12, 0, 3);
    rt.print(0, text_sjis);
    pause(50);
}

void Game::mascot_ring_show() {
    const float pi = 3.14159f;
    const float radius = 110;
    for (float m = 1; m <= 3; ++m) {
        // 45 figures 8 degrees apart, clockwise from the rightmost point of the ring.
        for (float k = 0; k <= 44; ++k) {
            float a = k * (-8) * pi / 180;
            float x = radius * std::cos(a) + 300;
            float y = radius * std::sin(a) + 203 + s.ui_y0;
            float c = float(to_int32(k) % 7) + 1;
            draw_mascot(s.color_map(c), x, y, 20);
            pause(1);
        }
        rotate_mascot_palette(m);
    }
    reset_mascot_palette();
}

// The seven mascot entries of the palette in their base colours.
void Game::reset_mascot_palette() {
    for (float c = 1; c <= 7; ++c) rt.set_palette(0, to_int16(s.color_map(c)), to_int16(s.palette_order(c)));
}

// The seven mascot entries with the base colours moved `shift` places along them.
void Game::rotate_mascot_palette(float shift) {
    Table<float> a(7);
    for (float c = 1; c <= 7; ++c) {
        rt.step();
        float u = float(to_int32(c + shift - 1) % 7) + 1;
        a(c) = s.palette_order(u);
    }
    for (float c = 1; c <= 7; ++c) rt.set_palette(0, to_int16(s.color_map(c)), to_int16(a(c)));
}

void Game::make_ball_marker() {
    line(0, 0, 300, 0, 0);
    rt.get_block(0, 0, 0, 0, 39, 19, s.icon_back);
    // Each trial variant is drawn and wiped again with the saved block.
    draw_mascot_outline(s.mascot_color, 20, 10, 16);
    rt.put_block(0, 0, 0, 1, 39, 19, s.icon_back, 0);
    draw_mascot_outline_spots(s.mascot_color, 20, 10, 16);
    rt.put_block(0, 0, 0, 1, 39, 19, s.icon_back, 0);
    draw_mascot_facing_right(s.mascot_color, 20, 10, 16);
    rt.put_block(0, 0, 0, 1, 39, 19, s.icon_back, 0);
    draw_mascot(s.mascot_color, 20, 10, 16);
    rt.get_block(0, 0, 0, 0, 39, 19, s.ball_icon);
}

// `count` ball markers stacked upwards in the strip right of the board.
void Game::show_ball_markers(float count) {
    for (float k = 1; k <= count; ++k) rt.put_block(0, 600, to_int16(100 + 19 * (k - 1)), 1, 39, 19, s.ball_icon, 0);
}

}  // namespace zell
