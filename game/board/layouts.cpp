// The pin layouts of the twelve frames of a game, made in advance, and the board
// drawn under the play: the background once per game, the lane before every throw.
#include <string>

#include "game/game.h"
#include "runtime/text/sjis.h"

namespace zell {

// Mixes the seconds of the clock into the random generator, shows the notice, and
// stores the pins (and the parked ball) of frames 1 to 12.
void Game::make_frame_layouts(bool random) {
    static const std::string kNotice = to_sjis("ピンレイアウト中");
    layout_seed_ = given_layout_seed_ ? *given_layout_seed_ : to_int32(str_val(right_str(rt.time_str(), 2)));
    layout_state_ = rt.random().state();
    rt.randomize(layout_seed_);
    rt.set_color(0, 15, 0, 0, 0, 1);
    locate_text(21, 31);
    rt.print(0, kNotice, 0);
    rt.set_color(0, 7, 0, 0, 0, 1);
    rt.sleep_10ms(10);
    set_walls();
    for (float f = 1; f <= 12; f = f + 1) {
        if (random) {
            lay_out_at_random(s.rand_xmin, 50, s.rand_xmax, 500);
        } else {
            lay_out_triangle();
        }
        for (float j = 1; j <= s.n_obj; j = j + 1) {
            rt.step();
            s.layout_x(f, j) = s.obj_x(j);
            s.layout_y(f, j) = s.obj_y(j);
        }
    }
}

void Game::make_triangle_layouts() { make_frame_layouts(false); }

void Game::make_random_layouts() { make_frame_layouts(true); }

void Game::make_chosen_layouts() {
    if (s.layout == 1) make_triangle_layouts();
    else make_random_layouts();
}

void Game::draw_background() { filled_box(0, 0, 800, 800, s.board_color(1)); }

// The lane, its walls, the placing line, the cleared ball-count area, the small
// square and every pin where it stands now.
void Game::draw_lane() {
    const float right = board::kWidth - s.lane_inset;
    filled_box(s.lane_inset, 0, right, 800, 0);
    filled_box(s.lane_inset - 30, 800, s.lane_inset, 0, 8);
    filled_box(right + 30, 800, right, 0, 8);
    draw_placing_line();
    filled_box(600, 100, 639, 140, 0);
    draw_square();
    for (float j = 2; j <= s.n_obj; j = j + 1) draw_object(j, s.obj_color(j));
}

void Game::draw_placing_line() {
    const float right = board::kWidth - s.lane_inset;
    line(s.lane_inset, board::kPlacingLine, right, board::kPlacingLine, 8);
    line(s.lane_inset, board::kPlacingLine + 1, right, board::kPlacingLine + 1, 8);
}

void Game::draw_square() { filled_box(303, 536, 297, 530, 8); }

// Erasing object i's outline in colour 0 also erases what of the placing line and the
// square it crossed: they are drawn again, before the outline is drawn at its new place.
void Game::redraw_marks_under(float i) {
    const float reach = s.obj_radius(i);
    const float x = s.obj_x(i), y = s.obj_y(i);
    if (y + reach >= board::kPlacingLine && y - reach <= board::kPlacingLine + 1) draw_placing_line();
    if (x + reach >= 297 && x - reach <= 303 && y + reach >= 530 && y - reach <= 536) draw_square();
}

}  // namespace zell
