// The game's whole state: every variable and table, program-wide, with the
// bounds fixed at start-up. Game numbers are single precision throughout;
// tables are indexed 0..bound and raise run-time error 9 outside.
#pragma once

#include <cstdint>
#include <string>

#include "runtime/core/tables.h"
#include "runtime/core/values.h"
#include "runtime/screen/screen.h"

namespace zell {

struct State {
    // --- Options and menu state ---------------------------------------------------
    FixedString player_name{12};  // 12 bytes of Shift-JIS, padded with spaces
    float level = 0;              // 1..4
    float layout = 0;             // 1 Bowling type, 2 Random
    float speed_sel = 0;          // 1..6, 1 fastest
    float dt = 0;                 // simulation time step
    float mascot_no = 0;          // 1..7
    float mascot_color = 0;       // color_map(mascot_no)
    float menu_sel = 0;           // 1..8
    float games_count = 0;
    float midi_ok = 0;  // 1 opened, -1 none
    int32_t midi_handle = 0;

    // --- Constant lists ---------------------------------------------------------
    Table<float> color_map{15};
    Table<float> palette_order{7};
    Table<float> obj_color{20};
    Table<float> obj_note{20};

    // --- Objects: 1 the ball, 2..n_obj the pins ------------------------------------
    float n_pins = 0;
    float n_obj = 0;
    float n_obj_full = 0;
    Table<float> obj_x{20}, obj_y{20};
    Table<float> obj_vx{20}, obj_vy{20};
    Table<float> obj_state{20};  // object_state: 0 resting, 1 moving, -1 gone
    Table<float> obj_radius{20};
    Table<float> obj_restitution{20};
    Table<float> obj_touched{20};

    // --- The field ----------------------------------------------------------------
    float gravity = 0;
    float max_steps = 0;

    // --- Walls ----------------------------------------------------------------
    float n_walls = 0;
    Table<float> wall_inset{10};
    float lane_inset = 0;
    Table<float> wall_side{20};
    Table<float> wall_restitution{20};
    Table<float> board_color{20};
    Table<float> wall_x1{20}, wall_y1{20}, wall_x2{20}, wall_y2{20};
    float rand_xmin = 0, rand_xmax = 0;

    // --- Contact work tables ----------------------------------------------------
    Table2<float> wall_hit{20, 2}, wall_key{20, 2};
    Table2<float> pair_hit{20, 20}, pair_key{20, 20};
    float contact_kind = 0, contact_i = 0, contact_j = 0, contact_best = 0;  // contact: kind and key
    float moving_count = 0, gone_count = 0;
    float dx = 0, dy = 0, dist = 0;  // scratch of the contact response

    // --- Throw hand-over ----------------------------------------------------------
    float aim_x = 0, aim_y = 0, aim_status = 0;
    float throw_vx = 0, throw_vy = 0;

    // --- Frames and the game --------------------------------------------------------
    float frame_no = 0;
    float throw_no = 0;
    float pins_down = 0;
    Table2<float> throw_pins{12, 2};  // pins of throw 1 and 2, frame_mark::kUnknown before it
    Table<float> frame_mark{12};      // frame_mark: how far each frame has come
    Table<float> frame_score{12};     // running totals, frame_mark::kUnknown until countable
    float balls_used = 0;

    // --- Pin layouts per frame -------------------------------------------------------
    Table2<float> layout_x{20, 20}, layout_y{20, 20};

    // --- Best 20 --------------------------------------------------------------
    Table<float> best_score{20};
    Table<FixedString> best_name{20, FixedString(12)};
    Table<float> best_level{20};
    Table<float> best_layout{20};

    // --- Menu texts (Shift-JIS) ---------------------------------------------------------
    Table<std::string> menu_text{10};
    Table<std::string> choice_text{10};

    // --- Screen constants and pictures ---------------------------------------------------
    float ui_y0 = 0;
    float mascot_size = 0;
    BlockBuffer ball_icon = BlockBuffer(1001 * 4);  // the ball marker picture
    BlockBuffer icon_back = BlockBuffer(1001 * 4);  // the block saved under it while it is made
};

}  // namespace zell
