// The bowling game: one State with every game variable and table, and one Game
// whose member functions are the game's procedures. The game calls only the
// runtime's services through the host (never the platform), so a test can
// build a fresh game on the headless backend.
//
// Procedures take inputs by value (a caller's variable or a temporary copy) and
// write results through references, like the straight-line program they are.
#pragma once

#include <cstdint>
#include <source_location>
#include <string_view>

#include "game/state.h"
#include "runtime/host.h"

namespace zell {

class Game {
public:
    explicit Game(Host& host) : rt(host) {}
    Game(const Game&) = delete;
    Game& operator=(const Game&) = delete;

    Host& rt;
    State s;

    // Real time given to one step of the throw simulation (virtual on the headless backend).
    static constexpr uint64_t kStepPeriodUs = 4000;

    // --- Start-up and main menu (main_menu.cpp) ----------------------------------------
    void main_program();          // start-up, then the main menu loop for the rest of the run
    void startup();
    void read_constant_lists();
    void menu_loop();
    void level_screen();
    void layout_screen();
    void name_screen();
    void mascot_screen();
    void speed_screen();

    // --- Menu and prompt procedures (menus.cpp) --------------------------------------------
    void LOCATE1(float row, float column);
    void ANYKEY();
    void FMENU1(float c, float r, float w, float n, float& sel);
    void HMENU(float c, float r, float d, float n, float p, float& q);

    // --- Game driver (driver.cpp) -------------------------------------------------------
    void play_game();

    // --- Ball motion (ball.cpp) -------------------------------------------------------
    void BPOSK(float& x, float& y, float& status);
    void FMVELO(float& vx, float& vy);
    void simulate_throw();
    // One step of the simulation; false when nothing moves any more.
    bool simulation_step();

    // --- Pins and collisions (pins.cpp) ---------------------------------------------------
    void DFWALL();
    void DBALLB();
    void DBALL2(float xmin, float ymin, float xmax, float ymax);
    void NBBCNV(float i, float j, float dx, float dy, float d);
    void clear_contact_marks();
    void contact_search(int i);
    void choose_and_resolve_contact();

    // --- Mascot figures and animations (mascot.cpp) ------------------------------------------
    void MOSX(float c, float x, float y, float sz);
    void MOSX1(float c, float x, float y, float sz);
    void MOSX2(float c, float x, float y, float sz);
    void MOSX3(float c, float x, float y, float sz);
    void FZMMS(float c, std::string_view text_sjis);
    void DEMOS();
    void PALET0();
    void PALET1(float m);
    void MSPIC();
    void MSDISP2(float n);

    // --- Scoring and score sheet (score.cpp) ------------------------------------------------
    void SCORE();
    void compute_totals();

    // --- Best 20 table (best20.cpp) ----------------------------------------------------
    void BST20(float score);
    void SRANKS();

    // --- MIDI sounds (midi.cpp) ------------------------------------------------------------
    void MOPEN();
    void MON(int16_t n);

    // --- Frame pin layouts and board redraw (layouts.cpp) ------------------------------------
    void STFRMB();
    void SETFRM();
    void FRESH();
    void FRESH1();

    // --- Helpers of the ball, the pins and the board (ball.cpp, pins.cpp, layouts.cpp) -----
    // The circle outline of object i (radius obj_radius(i) - 1, aspect 1, default function)
    // in the given colour: obj_color(i) draws it, 0 erases it from the lane.
    void draw_object(float i, float colour, std::source_location where = std::source_location::current());
    // The ball's parking point beside the lane (one random number), as both layouts place it.
    void park_ball();
    // The twelve frame layouts: triangles (random = false) or random scatters.
    void make_frame_layouts(bool random);

private:
    // --- Helpers of menus.cpp ------------------------------------------------------------
    void flush_keys();                 // reads keys until none is pending
    int wait_key();                    // polls until a key comes; its code
    void fmenu_item(float c, float r, float k, int colour);
    void hmenu_label(float c, float r, float d, float k);
    void hmenu_item(float c, float r, float d, float k, int colour);

    // --- Helpers of mascot.cpp -----------------------------------------------------------
    // One figure: the body ellipse at (x, y) of size sz, then the two spots at ex with radius rs.
    void mascot_figure(float c, float x, float y, float sz, int body_fill, float spot_colour, int spot_fill,
                       float ex, float rs);
    void ellipse(float x, float y, float radius, float colour, int fill);

    // --- Helpers of score.cpp ----------------------------------------------------------------
    void score_row(float i);           // the sheet row of frame i, by its mark
};

}  // namespace zell
