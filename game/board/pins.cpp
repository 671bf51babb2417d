// Pins and collisions: the walls of the lane, the two pin layouts, and the
// contact search, choice and response of one simulation step.
#include <cmath>

#include "game/game.h"

namespace zell {

// The walls and the random area for the current layout and level. The Bowling type
// always takes the widest lane; the Random layout narrows it with the level.
void Game::set_walls() {
    if (s.layout == 1) {
        s.lane_inset = s.wall_inset(1);
    } else {
        s.lane_inset = s.wall_inset(s.level);
    }
    s.rand_xmin = s.lane_inset + 5 * s.obj_radius(1) + 5;
    s.rand_xmax = board::kWidth - s.lane_inset - 5 * s.obj_radius(1) - 5;
    s.wall_x1(1) = s.lane_inset;
    s.wall_y1(1) = board::kWallBottom;
    s.wall_x2(1) = s.lane_inset;
    s.wall_y2(1) = board::kWallTop;
    s.wall_x1(2) = board::kWidth - s.lane_inset;
    s.wall_y1(2) = board::kWallBottom;
    s.wall_x2(2) = board::kWidth - s.lane_inset;
    s.wall_y2(2) = board::kWallTop;
}

// The ball waits beside one of the walls while the pins are laid out, so that the
// random layout keeps its pins clear of it. Consumes one random number.
void Game::park_ball() {
    float q = 600 * rt.rnd(1);
    if (q < 300) {
        s.obj_x(1) = s.lane_inset + s.obj_radius(1);
        s.obj_y(1) = q + 50;
    } else {
        s.obj_x(1) = board::kWidth - s.lane_inset - s.obj_radius(1);
        s.obj_y(1) = q - 300 + 50;
    }
}

// The triangle: head pin highest (nearest the placing zone), widening downwards to
// the back row at y 50; the spacing grows as the level goes down.
void Game::lay_out_triangle() {
    float r = s.obj_radius(1);
    float sp = 2 * r + 37 + (4 - s.level) * 4;
    if (s.level == 1) sp = sp + 2;
    float half = sp / 2;
    float h = 0.866f * sp;
    float cx = 300;
    float y0 = 50;
    s.obj_x(2) = cx;
    s.obj_y(2) = y0 + 3 * h;
    s.obj_x(3) = cx - half;
    s.obj_y(3) = y0 + 2 * h;
    s.obj_x(4) = cx + half;
    s.obj_y(4) = y0 + 2 * h;
    s.obj_x(5) = cx - 2 * half;
    s.obj_y(5) = y0 + h;
    s.obj_x(6) = cx;
    s.obj_y(6) = y0 + h;
    s.obj_x(7) = cx + 2 * half;
    s.obj_y(7) = y0 + h;
    s.obj_x(8) = cx - 3 * half;
    s.obj_y(8) = y0;
    s.obj_x(9) = cx - half;
    s.obj_y(9) = y0;
    s.obj_x(10) = cx + half;
    s.obj_y(10) = y0;
    s.obj_x(11) = cx + 3 * half;
    s.obj_y(11) = y0;
    s.lane_inset = s.wall_inset(1);
    park_ball();
}

// Pins scattered at random in the area, x drawn before y. A candidate that overlaps an
// object placed before it (the parked ball included) is drawn again; touching is allowed.
void Game::lay_out_at_random(float xmin, float ymin, float xmax, float ymax) {
    park_ball();
    for (float p = 2; p <= s.n_obj; p = p + 1) {
        float x = 0, y = 0;
        bool clear = false;
        while (!clear) {
            x = xmin + std::fabs(xmax - xmin) * rt.rnd(1);
            y = ymin + std::fabs(ymax - ymin) * rt.rnd(1);
            clear = true;
            if (p != 2) {
                for (float q = 1; q <= p - 1 && clear; q = q + 1) {
                    rt.step();
                    float reach = s.obj_radius(p) + s.obj_radius(q);
                    if (reach * reach > (s.obj_x(q) - x) * (s.obj_x(q) - x) + (s.obj_y(q) - y) * (s.obj_y(q) - y))
                        clear = false;
                }
            }
        }
        s.obj_x(p) = x;
        s.obj_y(p) = y;
    }
}

// Impact of two objects of equal mass along the line of centres (dx, dy): the tangential
// parts stay, the normal parts exchange with the loss of restitution.
void Game::resolve_impact(float i, float j, float dx, float dy, float distance) {
    float nx = dx / distance;
    float ny = dy / distance;
    float e = (s.obj_restitution(i) + s.obj_restitution(j)) / 2;
    float ui = s.obj_vx(i) * nx + s.obj_vy(i) * ny;
    float uj = s.obj_vx(j) * nx + s.obj_vy(j) * ny;
    float tix = s.obj_vx(i) - ui * nx;
    float tiy = s.obj_vy(i) - ui * ny;
    float tjx = s.obj_vx(j) - uj * nx;
    float tjy = s.obj_vy(j) - uj * ny;
    float ui2 = 0.5f * (1 - e) * ui + 0.5f * (1 + e) * uj;
    float uj2 = 0.5f * (1 - e) * uj + 0.5f * (1 + e) * ui;
    s.obj_vx(i) = ui2 * nx + tix;
    s.obj_vy(i) = ui2 * ny + tiy;
    s.obj_vx(j) = uj2 * nx + tjx;
    s.obj_vy(j) = uj2 * ny + tjy;
}

// Clears the wall and pair marks of every object still in play, before the step's search.
void Game::clear_contact_marks() {
    for (float i = 1; i <= s.n_obj; i = i + 1) {
        rt.step();
        if (s.obj_state(i) < object_state::kResting) continue;
        s.wall_hit(i, 1) = 0;
        s.wall_hit(i, 2) = 0;
        for (float j = i + 1; j <= s.n_obj; j = j + 1) {
            if (s.obj_state(j) >= object_state::kResting) s.pair_hit(i, j) = 0;
        }
    }
}

// Marks the contacts of object i: a wall it overlaps and moves towards, and every later
// object in play that it overlaps (touched) and closes in on (a pair contact).
void Game::contact_search(int i) {
    for (int w = 1; w <= 2; ++w) {
        float d = std::fabs(s.wall_x1(w) - s.obj_x(i));
        float a = s.obj_vx(i) * s.wall_side(w);
        if (s.obj_radius(i) > d && a > 0) {
            s.wall_hit(i, w) = 1;
            s.wall_key(i, w) = (s.obj_radius(i) + d) * (s.obj_radius(i) + d);
        }
    }
    if (i == s.n_obj) return;
    for (float j = float(i) + 1; j <= s.n_obj; j = j + 1) {
        if (s.obj_state(j) < object_state::kResting) continue;
        s.dx = s.obj_x(i) - s.obj_x(j);
        s.dy = s.obj_y(i) - s.obj_y(j);
        float d2 = s.dx * s.dx + s.dy * s.dy;
        float reach = s.obj_radius(i) + s.obj_radius(j);
        if (reach * reach > d2) {
            s.obj_touched(i) = 1;
            s.obj_touched(j) = 1;
            float closing = s.dx * (s.obj_vx(j) - s.obj_vx(i)) + s.dy * (s.obj_vy(j) - s.obj_vy(i));
            if (closing > 0) {
                s.pair_hit(i, j) = 1;
                s.pair_key(i, j) = d2;
            }
        }
    }
}

// Answers the one contact with the smallest key; among equal keys the first met wins
// (lower object first, its walls before its pairs, pairs by rising partner). The note
// sounds before the response.
void Game::choose_and_resolve_contact() {
    s.contact_best = contact::kNoKey;
    s.contact_kind = contact::kNone;
    for (float i = 1; i <= s.n_obj; i = i + 1) {
        rt.step();
        if (s.obj_state(i) < object_state::kResting) continue;
        for (float w = 1; w <= 2; w = w + 1) {
            if (s.wall_hit(i, w) == 1 && s.wall_key(i, w) < s.contact_best) {
                s.contact_kind = contact::kWall;
                s.contact_i = i;
                s.contact_j = w;
                s.contact_best = s.wall_key(i, w);
            }
        }
        if (i == s.n_obj) continue;
        for (float j = i + 1; j <= s.n_obj; j = j + 1) {
            if (s.obj_state(j) < object_state::kResting) continue;
            if (s.pair_hit(i, j) == 1 && s.pair_key(i, j) < s.contact_best) {
                s.contact_kind = contact::kPair;
                s.contact_i = i;
                s.contact_j = j;
                s.contact_best = s.pair_key(i, j);
            }
        }
    }

    if (s.contact_kind == contact::kWall) {
        if (s.midi_ok == 1) sound_note(0);
        s.obj_vx(s.contact_i) = -s.obj_vx(s.contact_i) * s.wall_restitution(s.contact_j);
    } else if (s.contact_kind == contact::kPair) {
        if (s.midi_ok == 1) sound_note(to_int16(s.obj_note(s.contact_j)));
        s.dx = s.obj_x(s.contact_i) - s.obj_x(s.contact_j);
        s.dy = s.obj_y(s.contact_i) - s.obj_y(s.contact_j);
        s.dist = std::sqrt(s.dx * s.dx + s.dy * s.dy);
        s.obj_state(s.contact_i) = object_state::kMoving;
        s.obj_state(s.contact_j) = object_state::kMoving;
        resolve_impact(s.contact_i, s.contact_j, s.dx, s.dy, s.dist);
    }
}

}  // namespace zell
