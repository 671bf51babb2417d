// The bowling game: one State with every game variable and table, and one Game
// whose member functions are the game's procedures. The game calls only the
// runtime's services through the host (never the platform), so a test can
// build a fresh game on the headless backend.
//
// Procedures take inputs by value (a caller's variable or a temporary copy) and
// write results through references, like the straight-line program they are.
// Each procedure's one-line comment below starts with its short traditional name.
//
// The statement poll. The window lives only through the host's statement poll
// (Host::step: it pumps the window's events every few milliseconds by the clock and
// records the line for error reports). Every host service the game calls takes one step
// first, so a loop that calls a service in every pass needs nothing more; a loop that
// polls the keyboard or the mouse until something changes waits for input at its reads.
// A loop whose passes call no service calls rt.step() at the top of each pass: the passes
// of a simulation step over the objects, the frames of the sheet, the Best 20 rows, the
// palette entries and the stored layouts do. Any new loop that can run long without
// calling a service must do the same, or the window freezes and a closed window goes
// unnoticed while it runs. A step costs a look at the clock and changes nothing the game
// sees, so steps can be added or removed freely.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <source_location>
#include <string>
#include <string_view>

#include "game/constants.h"
#include "game/data/replay_file.h"
#include "game/data/saved_data.h"
#include "game/program.h"
#include "game/state.h"
#include "runtime/host/host.h"

namespace zell {

class Game {
public:
    // saved: where the options and the Best 20 table are kept (nullptr: nowhere).
    explicit Game(Host& host, SaveKeeper* saved = nullptr);
    ~Game();
    Game(const Game&) = delete;
    Game& operator=(const Game&) = delete;

    Host& rt;
    State s;

    // Real time given to one step of the throw simulation (virtual on the headless backend).
    static constexpr uint64_t kStepPeriodUs = 4000;

    // --- Start-up and main menu (main_menu.cpp) --------------------------------------------------
    void main_program();  // start-up, then the main menu loop for the rest of the run
    void startup();
    void title();
    // A pause of ticks x 10 ms in the mascot's animations; during the title a key or a click
    // ends the title there (TitleSkipped).
    void pause(float ticks);
    void set_defaults();
    void read_constant_lists();
    void menu_loop();
    // Asks before item F deletes the Best 20 table; true: delete.
    bool confirm_delete_best20();
    void level_screen();
    void layout_screen();
    void name_screen();
    void mascot_screen();
    void speed_screen();
    // The simulation's time step dt for an animation speed, 1 (fast) .. 6 (slow).
    void set_time_step(float speed);

    // --- Menu and prompt procedures (menus.cpp) --------------------------------------------------
    // LOCATE1: moves the text cursor to a row counted from 0 and a column counted from 1.
    void locate_text(float row, float column);
    // ANYKEY: throws away the keys typed and the clicks made so far, then waits for one more key
    // or a click (a tap).
    void wait_any_key();
    // FMENU1: the main menu box at a text column and row; Up/Down move the highlight over the
    // item_count items, Enter leaves the chosen item (1..item_count) in selection. A click on an
    // item moves the highlight there and chooses it.
    void choose_menu_item(float column, float row, float width, float item_count, float& selection);
    // HMENU: a row of choice_count choices, `spacing` columns apart, starting at `current`;
    // Left/Right move, Enter leaves the chosen one (1..choice_count) in `chosen`; a click on a
    // choice moves the highlight there and chooses it.
    void choose_in_row(float column, float row, float spacing, float choice_count, float current, float& chosen);
    // choose_in_row over the numbers 1..count, each centred in a label label_width columns wide.
    void choose_number(float column, float row, float spacing, float count, int label_width, float current,
                       float& chosen);

    // --- Game driver (driver.cpp) ----------------------------------------------------------------
    // One game: the frames and their throws, then the score into the Best 20 table.
    void play_game();
    void start_game();
    bool start_frame();         // false when the game is over
    bool bonus_frame_closed();  // true when the game is over before the next throw
    bool play_throw();          // false when the player gave up the game
    bool count_throw();         // true when the frame is over
    void finish_game();
    // The lines that say how to place and throw the ball, shown or blanked.
    void show_placing_hint(bool shown);

    // --- Ball motion (board/ball.cpp) ------------------------------------------------------------
    // BPOSK: lets the player place the ball in the placing strip; status -1 when the player gives up.
    void place_ball(float& x, float& y, float& status);
    // FMVELO: the throw vector of a press, drag and release, at most 200 long.
    void choose_throw(float& vx, float& vy);
    void simulate_throw();
    // One step of the simulation; false when nothing moves any more.
    bool simulation_step();

    // --- Pins and collisions (board/pins.cpp) ----------------------------------------------------
    // DFWALL: the two walls and the random area for the current layout and level.
    void set_walls();
    // DBALLB: the ten pins as a triangle, spaced by the level, and the parked ball.
    void lay_out_triangle();
    // DBALL2: the parked ball and the pins scattered at random, without overlaps, in the area.
    void lay_out_at_random(float xmin, float ymin, float xmax, float ymax);
    // NBBCNV: the impact of objects i and j along their line of centres (dx, dy) of length distance.
    void resolve_impact(float i, float j, float dx, float dy, float distance);
    void clear_contact_marks();
    void contact_search(int i);
    void choose_and_resolve_contact();

    // --- Mascot figures and animations (mascot.cpp) ----------------------------------------------
    // MOSX: the filled mascot, black spots on the left.
    void draw_mascot(float colour, float x, float y, float size);
    // MOSX1: the mascot in outline; in colour 0 it erases itself from a black ground.
    void draw_mascot_outline(float colour, float x, float y, float size);
    // MOSX2: the mascot in outline with filled spots.
    void draw_mascot_outline_spots(float colour, float x, float y, float size);
    // MOSX3: the filled mascot, black spots on the right.
    void draw_mascot_facing_right(float colour, float x, float y, float size);
    // FZMMS: the mascot grows in the title area, then the message is shown beside it.
    void mascot_announce(float colour, std::string_view text_sjis);
    // DEMOS: three turns of a ring of mascots with the palette rotating.
    void mascot_ring_show();
    // PALET0: the seven mascot palette entries in their base colours.
    void reset_mascot_palette();
    // PALET1: the seven mascot palette entries with the base colours moved `shift` places.
    void rotate_mascot_palette(float shift);
    // MSPIC: captures the ball marker picture (the player's mascot) into ball_icon.
    void make_ball_marker();
    // MSDISP2: `count` ball markers beside the board, one per ball used in the frame.
    void show_ball_markers(float count);

    // --- Scoring and score sheet (score.cpp) -----------------------------------------------------
    // SCORE: counts the running totals and draws the score sheet at the right edge.
    void draw_score_sheet();
    void compute_totals();

    // --- Best 20 table (best20.cpp) --------------------------------------------------------------
    // BST20: enters the score, the player's name, level and layout into the Best 20 table.
    void enter_best20(float score);
    // SRANKS: the Best 20 table on a cleared screen; row `highlighted` (1..20) in the highlight colour.
    void show_best20(float highlighted = 0);
    // Empties the Best 20 table: no scores, and no games counted since.
    void empty_best20();

    // --- What is kept between runs (keeping.cpp) -------------------------------------------------
    // Start-up: the options saved by an earlier run (after the defaults; a replay's own when one
    // is played back), and the speed's time step (after the default one).
    void apply_saved_options();
    void apply_saved_speed();
    // Start-up: the Best 20 table saved by an earlier run.
    void load_saved_best20();
    // A finished game's score by enter_best20, into the table as saved meanwhile by any copy
    // of the game (without saving: enter_best20 alone).
    void save_game_score(float score);
    // After "Delete Best 20" and after an option screen.
    void save_deleted_best20();
    void save_options();

    // --- Replays (replay.cpp) --------------------------------------------------------------------
    // A game's start: while the game is recorded (it saves, and plays no replay) the host's reads
    // go into the game's journal from here on.
    void begin_replay();
    // After a throw: its mark into the journal, or checked against the replay played back.
    void replay_throw_mark();
    // The game's end (score nullopt: given up): the recording kept, or the replay's end checked.
    void end_replay(std::optional<int> score);
    // After the Best 20 is saved: the replays beyond those kept removed.
    void prune_replays();
    // Plays back one recorded game: the start-up for its options and seeds, the game with the
    // journal in place of the player, every throw checked.
    void play_back(const Replay& replay, JournalPlayer& journal, ReplayEnd& end);
    // The score sheet as text lines, and the board's checksum after a throw.
    std::string score_sheet_text() const;
    uint32_t board_checksum() const;

    // --- MIDI sounds (board/midi.cpp) ------------------------------------------------------------
    // MOPEN: opens the MIDI output, or notes that there is none.
    void open_midi();
    // MON: one short note, key 60 + note_offset.
    void sound_note(int16_t note_offset);

    // --- Frame pin layouts and board redraw (board/layouts.cpp) ----------------------------------
    // STFRMB: the triangle layouts of the twelve frames.
    void make_triangle_layouts();
    // SETFRM: the random layouts of the twelve frames.
    void make_random_layouts();
    // The twelve frame layouts of the chosen pin layout: triangles for layout 1, else random.
    void make_chosen_layouts();
    // FRESH: the board background, once per game.
    void draw_background();
    // FRESH1: the lane, its walls, the placing line and the pins, before every throw.
    void draw_lane();
    // The lane's marks: the placing line (two rows) and the small square in the middle.
    void draw_placing_line();
    void draw_square();
    // The marks that erasing object i's outline where it stands cut, drawn again.
    void redraw_marks_under(float i);

    // --- Drawing (drawing.cpp) -------------------------------------------------------------------
    // The screen's drawing calls with the options the game always uses (default drawing
    // function, solid pen); each error report names the caller's line.
    using Where = std::source_location;
    // A circle outline (aspect 1) of the given radius.
    void outline_circle(float x, float y, float radius, float colour, Where where = Where::current());
    // An ellipse of aspect 0.5 (half as high as wide), filled in its colour when `filled`.
    void ellipse(float x, float y, float radius, float colour, bool filled, Where where = Where::current());
    // A box with the corners (x1, y1) and (x2, y2), outline and fill in one colour.
    void filled_box(float x1, float y1, float x2, float y2, float colour, Where where = Where::current());
    // A line from (x1, y1) to (x2, y2), both ends included.
    void line(float x1, float y1, float x2, float y2, float colour, Where where = Where::current());

    // --- Helpers of the ball, the pins and the board (board/: ball, pins, layouts) ---------------
    // The circle outline of object i (radius obj_radius(i) - 1, aspect 1, default function)
    // in the given colour: obj_color(i) draws it, 0 erases it from the lane.
    void draw_object(float i, float colour, std::source_location where = std::source_location::current());
    // The ball's parking point beside the lane (one random number), as both layouts place it.
    void park_ball();
    // The twelve frame layouts: triangles (random = false) or random scatters.
    void make_frame_layouts(bool random);

private:
    // --- Helpers of menus.cpp --------------------------------------------------------------------
    void flush_keys();  // reads keys until none is pending
    // A click: the left button was pressed since the last look; the text cell it was pressed on.
    // A menu takes the item or choice at the press (the release may come in the next screen: the
    // placing of a ball takes a release only in the strip above the menu's items).
    struct Click {
        int column = 0, row = 0;  // counted from 0
    };
    static constexpr int kClicked = -1;
    void flush_clicks();        // forgets the presses of both buttons made so far
    bool take_click(Click& c);  // a press of the left button since the last look
    // Polls until a key comes (its code) or the left button is pressed (kClicked, with c set).
    int wait_key_or_click(Click& c);
    // The same for a key typed and a click made from now on.
    int wait_new_key_or_click(Click& c);
    void menu_item_in_colour(float column, float row, float item, int colour);
    void choice_label(float column, float row, float spacing, float choice);
    void choice_in_colour(float column, float row, float spacing, float choice, int colour);

    // --- Helpers of mascot.cpp -------------------------------------------------------------------
    // One figure: the body ellipse at (x, y) of the given size, then the two spots at spot_x.
    void mascot_figure(float colour, float x, float y, float size, bool body_filled, float spot_colour,
                       bool spots_filled, float spot_x, float spot_radius);

    // --- Helpers of keeping.cpp ------------------------------------------------------------------
    BestTable best_table(float games) const;
    void take_best_table(const BestTable& t);
    SaveKeeper* saved_;
    float saved_games_ = 0;   // games_count as last loaded or saved
    float games_played_ = 0;  // games started in this run
    float new_entry_ = 0;     // the row the last score entered in the Best 20 table; 0 none
    bool title_skippable_ = false;
    struct TitleSkipped {};

    // --- Helpers of replay.cpp -------------------------------------------------------------------
    struct Recording;
    std::unique_ptr<Recording> recording_;
    JournalPlayer* playback_ = nullptr;  // the journal of the replay played back
    const Replay* replay_ = nullptr;
    ReplayEnd* replay_end_ = nullptr;
    // The generator's state before the layouts were last laid out, and the seed mixed in then;
    // a replay played back gives the seed instead of the clock.
    uint32_t layout_state_ = 0;
    int32_t layout_seed_ = 0;
    std::optional<int32_t> given_layout_seed_;

    // --- Helpers of score.cpp --------------------------------------------------------------------
    void score_row(float i);  // the sheet row of frame i, by its mark
};

}  // namespace zell
