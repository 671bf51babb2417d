// The game's main program: start-up in its fixed order, the title, and the
// main menu loop with the screens behind its eight items.
#include <array>
#include <string>

#include "game/game.h"
#include "game/program.h"
#include "runtime/text/sjis.h"

namespace zell {
namespace {

// The four constant lists, stored as data lines of the program.
const std::vector<std::pair<int, std::string>>& constant_lists() {
    static const std::vector<std::pair<int, std::string>> lines = {
        {66, "0,3,9,11,5,7,13,15,1,2,8,10,4,6,12,14"},
        {68, "0,1,4,5,2,3,6,7"},
        {74, "15,9,11,5,7,13,9,11,5,7,13,9,11,5,7,13,9,11,5,7"},
        {79, "4,7,9,12,4,7,9,12,4,7,9,12,4,7,9,12,4,7,9,12"},
    };
    return lines;
}

const std::string& menu_line(int n) {
    // clang-format off
    // A std::array, so that a line past the eight stops the program where the library checks.
    static const std::array<std::string, 8> lines = {
        to_sjis(" A  スタート      :  Start Throwing    "),
        to_sjis(" B  レベル        :  Level             "),
        to_sjis(" C  ピンレイアウト:  Change Pin Layout "),
        to_sjis(" D  スコア記録　  :  Best 20           "),
        to_sjis(" E  プレーヤー名  :  Player's Name     "),
        to_sjis(" F  スコア破棄    :  Delete Best 20    "),
        to_sjis(" G  アニメ速度    :  Animation speed   "),
        to_sjis(" H  終  了        :  End               "),
    };
    // clang-format on
    return lines[size_t(n - 1)];
}

}  // namespace

// The game's entry point: one Game on the host for the whole run.
void game_main(Host& host, SaveKeeper* saved) {
    Game game(host, saved);
    game.main_program();
}

// Start-up, then the main menu for the rest of the run.
void Game::main_program() {
    startup();
    menu_loop();
}

// The colour map, the palette order, and each object's colour and note.
void Game::read_constant_lists() {
    DataReader data(constant_lists());
    for (int i = 0; i <= 15; ++i) data.read(s.color_map(i));
    for (int i = 0; i <= 7; ++i) data.read(s.palette_order(i));
    for (int i = 1; i <= 20; ++i) data.read(s.obj_color(i));
    for (int i = 1; i <= 20; ++i) data.read(s.obj_note(i));
}

// MIDI, the constant lists and the menu texts, the title, the defaults, the ball marker.
void Game::startup() {
    // The contact work tables, obj_touched and obj_note exist with their bounds from the start (State).
    open_midi();
    read_constant_lists();
    s.ui_y0 = 270;
    s.mascot_size = 16;
    for (int n = 1; n <= 8; ++n) s.menu_text(n) = menu_line(n);
    rt.cls(0, 0);
    title();
    set_defaults();

    rt.cls(0, 0);
    make_ball_marker();
    rt.cls(0, 0);
}

// The options, objects, walls, layouts, table and simulation constants a run starts with.
void Game::set_defaults() {
    s.mascot_no = 7;
    s.layout = 1;
    s.level = 4;
    s.speed_sel = 3;
    s.n_pins = 10;
    s.player_name.assign("");
    apply_saved_options();

    // Objects.
    s.n_obj = s.n_pins + 1;
    s.n_obj_full = s.n_obj;
    for (float i = 1; i <= s.n_obj; i = i + 1) {
        s.obj_radius(i) = 16;
        s.obj_restitution(i) = 0.7f;
    }

    // Walls.
    for (float n = 1; n <= 4; n = n + 1) s.wall_inset(n) = 78 + 24 * (n - 1);
    s.n_walls = 2;
    s.wall_side(1) = -1;
    s.wall_side(2) = 1;
    set_walls();
    for (float j = 1; j <= s.n_walls; j = j + 1) {
        s.wall_restitution(j) = 0.7f;
        s.board_color(j) = 2;
    }

    // Pin layouts of the twelve frames.
    make_chosen_layouts();

    // The Best 20 table starts empty; load_saved_best20 below brings back a saved one.
    empty_best20();

    s.gravity = 9.8f;
    s.max_steps = 20000;
    s.dt = 0.02f;
    s.menu_sel = 1;
    apply_saved_speed();
    load_saved_best20();
}

// The main menu, for the rest of the run. Its items: A (1) a game; B (2) the level;
// C (3) the pin layout; D (4) the Best 20 table; E (5) the player's name, then the
// mascot; F (6) empties the Best 20 table; G (7) the animation speed; H (8) ends the
// program. After every item but H the menu is shown again with that item chosen.
void Game::menu_loop() {
    static const std::string kPushAnyKey = "* Push any key *";
    for (;;) {
        choose_menu_item(19, 3, 39, 8, s.menu_sel);
        switch (to_int16(s.menu_sel)) {
        case 1:
            s.games_count = s.games_count + 1;
            play_game();
            break;
        case 2:
            level_screen();
            save_options();
            break;
        case 3:
            layout_screen();
            save_options();
            break;
        case 4:
            show_best20();
            rt.print(0, kPushAnyKey);
            wait_any_key();
            rt.cls(0, 0);
            break;
        case 5:
            name_screen();
            mascot_screen();
            save_options();
            break;
        case 6:
            if (!confirm_delete_best20()) break;
            empty_best20();
            save_deleted_best20();
            break;
        case 7:
            speed_screen();
            save_options();
            break;
        case 8: rt.end_program(0);
        }
    }
}

// F asks first, under the menu: Enter, Y or a click on its Delete part deletes the table, anything else keeps it.
bool Game::confirm_delete_best20() {
    static const std::string kQuestion = to_sjis("スコア記録を破棄しますか？");
    static const std::string kKeys = to_sjis("Enter / Y : 破棄 Delete    他のキー : 残す Keep");
    locate_text(19, 28);
    rt.print(0, kQuestion);
    locate_text(20, 28);
    rt.print(0, "Delete the Best 20 table ?");
    locate_text(22, 18);
    rt.print(0, kKeys);
    Click c;
    const int code = wait_new_key_or_click(c);
    if (code == kClicked) return c.row == 22 && c.column >= 17 && c.column < 17 + 23;  // its first 23 bytes
    return code == keycode::kEnter || code == 'Y' || code == 'y';
}

// E: the player's name, typed on row 15 in the highlight colour.
void Game::name_screen() {
    rt.set_color(0, 15, 0, 0, 0, 1);
    locate_text(15, 28);
    rt.print(0, std::string(20, ' '));
    locate_text(15, 28);
    rt.input_line(0, 2, " Name", s.player_name);
    rt.set_color(0, 7, 0, 0, 0, 1);
    locate_text(15, 28);
    rt.print(0, std::string(21, ' '));
}

void Game::mascot_screen() {
    for (float n = 1; n <= 7; n = n + 1) draw_mascot(s.color_map(n), 64 * n + 48, s.ui_y0 + 96, s.mascot_size);
    locate_text(15, 33);
    rt.print(0, " Mascot ?        ");
    float choice = 0;
    choose_number(10, 17, 8, 7, 8, s.mascot_no, choice);
    s.mascot_no = choice;
    s.mascot_color = s.color_map(choice);
    make_ball_marker();
}

void Game::layout_screen() {
    locate_text(14, 35);
    rt.print(0, "Layout ?");
    s.choice_text(1) = "  Bowling type  ";
    s.choice_text(2) = "    Random      ";
    float choice = 0;
    choose_in_row(22, 16, 16, 2, s.layout, choice);
    s.layout = choice;
    make_chosen_layouts();
    locate_text(21, 31);
    rt.print(0, std::string(16, ' '));
}

void Game::level_screen() {
    locate_text(14, 35);
    rt.print(0, "Level ? ");
    locate_text(16, 27);
    rt.print(0, "( High ----------- Low )");
    float choice = 0;
    choose_number(26, 17, 6, 4, 5, s.level, choice);
    for (float row : {14.0f, 16.0f, 17.0f}) {
        locate_text(row, 17);
        rt.print(0, std::string(42, ' '));
    }
    s.level = choice;
    make_chosen_layouts();
}

void Game::speed_screen() {
    locate_text(14, 23);
    rt.print(0, "(Fast -------------------- Slow)");
    float k = 0;
    choose_number(23, 15, 5, 6, 5, s.speed_sel, k);
    s.speed_sel = k;
    set_time_step(k);
}

void Game::set_time_step(float speed) {
    if (speed < 5) s.dt = 0.04f - (speed - 1) * 0.01f;
    else if (speed == 5) s.dt = 0.005f;
    else s.dt = 0.002f;
}

// The mascot announces the game's name, the version, the ring of mascots. A key or a click
// skips the rest (taken, so it does nothing in the menu); the palette is set back.
void Game::title() {
    s.mascot_color = s.color_map(7);
    static const std::string kBowling = to_sjis("Bowling");
    title_skippable_ = true;
    try {
        mascot_announce(s.mascot_color, kBowling);
        rt.locate(0, 33, 15, 0, 3);
        rt.print(0, "Version 8.0");
        mascot_ring_show();
        outline_circle(244, s.ui_y0 + 63, 8, s.color_map(7));
        pause(150);
    } catch (const TitleSkipped&) {
        reset_mascot_palette();
    }
    title_skippable_ = false;
    rt.cls(0, 0);
}

void Game::pause(float ticks) {
    rt.sleep_10ms(to_int32(ticks));
    if (title_skippable_ && rt.take_any_input(0)) throw TitleSkipped{};
}

}  // namespace zell
