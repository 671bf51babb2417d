// Ball motion: placing the ball and choosing the throw with the mouse, and the
// throw simulation, one fixed time step dt at a time.
#include <cmath>

#include "game/game.h"

namespace zell {

// Object i's outline where it stands: obj_color(i) draws it, 0 erases it from the lane.
void Game::draw_object(float i, float colour, std::source_location where) {
    outline_circle(s.obj_x(i), s.obj_y(i), s.obj_radius(i) - 1, colour, where);
}

// The ball's start point: a left click released in the placing strip between the walls,
// moved inwards to keep the ball inside it. A right click gives up (status -1).
void Game::place_ball(float& x, float& y, float& status) {
    status = 0;
    float r = s.obj_radius(1);
    float xl = s.wall_x1(1);
    float xr = s.wall_x1(2);
    for (;;) {
        while (rt.mouse_button(0, 2, 0) == 0 && rt.mouse_button(0, 2, 1) == 0) {}
        if (rt.mouse_button(0, 2, 0) == 0 && rt.mouse_button(0, 2, 1) != 0) {
            status = -1;
            return;
        }
        while (rt.mouse_button(0, 2, 0) != 0) {}
        x = rt.map_coord(0, float(rt.mouse_pos(0, 0)), 2);
        y = rt.map_coord(0, float(rt.mouse_pos(0, 1)), 3);
        if (x < xl || x > xr || y < board::kPlacingLine) continue;
        if (y <= board::kPlacingLine + r) y = board::kPlacingLine + r;
        if (y >= board::kPlacingTop) y = board::kPlacingTop;
        if (x <= xl + r) x = xl + r;
        if (x >= xr - r) x = xr - r;
        return;
    }
}

// The throw: the vector from the press to the release of the left button, cut to
// length 200 when longer.
void Game::choose_throw(float& vx, float& vy) {
    while (rt.mouse_button(0, 2, 0) == 0) {}
    float x0 = rt.map_coord(0, float(rt.mouse_pos(0, 0)), 2);
    float y0 = rt.map_coord(0, float(rt.mouse_pos(0, 1)), 3);
    while (rt.mouse_button(0, 2, 0) != 0) {}
    float x1 = rt.map_coord(0, float(rt.mouse_pos(0, 0)), 2);
    float y1 = rt.map_coord(0, float(rt.mouse_pos(0, 1)), 3);
    float dx = x1 - x0;
    float dy = y1 - y0;
    float len = std::sqrt(dx * dx + dy * dy);
    if (len > board::kMaxThrow) {
        vx = board::kMaxThrow * dx / len;
        vy = board::kMaxThrow * dy / len;
    } else {
        vx = dx;
        vy = dy;
    }
}

// Runs the throw until nothing moves or the last step has run. Each step is given one
// fixed period of real time, measured against deadlines so that the animation keeps
// the same pace on every machine; the animation speed acts through dt alone.
void Game::simulate_throw() {
    rt.pace_begin(kStepPeriodUs);
    for (float step = 0; step <= s.max_steps; step = step + 1) {
        bool moving = simulation_step();
        rt.pace_step();
        if (!moving) return;
    }
}

bool Game::simulation_step() {
    clear_contact_marks();

    // Motion: position with the old velocity, then the velocity. An object below the
    // board has left play, whatever its state.
    for (float i = 1; i <= s.n_obj; i = i + 1) {
        rt.step();
        if (s.obj_state(i) == object_state::kMoving) {
            draw_object(i, 0);
            redraw_marks_under(i);
            s.obj_x(i) = s.obj_x(i) + s.obj_vx(i) * s.dt;
            s.obj_y(i) = s.obj_y(i) + s.obj_vy(i) * s.dt - s.gravity * s.dt * s.dt / 2;
            s.obj_vy(i) = s.obj_vy(i) - s.gravity * s.dt;
            draw_object(i, s.obj_color(i));
        }
        if (s.obj_y(i) < board::kGoneDepth) s.obj_state(i) = object_state::kGone;
    }

    // Erasing one of two overlapping outlines damages the other: redraw the objects
    // that overlapped something in the last search.
    for (float i = 1; i <= s.n_obj; i = i + 1) {
        rt.step();
        if (s.obj_state(i) > object_state::kGone && s.obj_touched(i) == 1) draw_object(i, s.obj_color(i));
        s.obj_touched(i) = 0;
    }

    for (int i = 1; i <= s.n_obj; ++i) {
        rt.step();
        if (s.obj_state(i) >= object_state::kResting) contact_search(i);
    }

    choose_and_resolve_contact();

    s.moving_count = 0;
    for (float i = 1; i <= s.n_obj; i = i + 1) {
        rt.step();
        if (s.obj_state(i) > object_state::kResting) s.moving_count = s.moving_count + 1;
    }
    return s.moving_count > 0;
}

}  // namespace zell
