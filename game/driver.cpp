// The game driver: one game of ten frames and the bonus frames, from the
// "Start Throwing" menu item back to the main menu: the start of each frame, each
// throw from placing the ball to the end of the simulation, and the counting that
// decides how the frame goes on.
#include <string>

#include "game/game.h"
#include "runtime/text/sjis.h"

namespace zell {

void Game::play_game() {
    games_played_ = games_played_ + 1;
    begin_replay();
    start_game();
    bool playing = start_frame();
    while (playing) {
        if (bonus_frame_closed()) break;
        if (!play_throw()) {  // the player gave up the game
            end_replay(std::nullopt);
            return;
        }
        replay_throw_mark();
        if (count_throw()) playing = start_frame();
    }
    finish_game();
}

// Every record of the game unknown, the board's background drawn.
void Game::start_game() {
    draw_background();
    s.frame_no = 0;
    s.pins_down = 0;
    s.frame_score(0) = 0;
    for (float f = 1; f <= 12; f = f + 1) {
        s.frame_score(f) = frame_mark::kUnknown;
        s.frame_mark(f) = frame_mark::kNotPlayed;
        s.throw_pins(f, 1) = frame_mark::kUnknown;
        s.throw_pins(f, 2) = frame_mark::kUnknown;
    }
}

// The next frame with its pins set; false (and frame_no the last frame played) when the
// game is over: after frame 10 unless it was a strike or a spare, and after the bonus
// frames that those earn.
bool Game::start_frame() {
    s.frame_no = s.frame_no + 1;
    s.pins_down = 0;
    s.throw_no = 0;
    s.balls_used = 0;
    if (s.frame_no > 10) {
        if (s.frame_no == 13) {
            s.frame_no = 12;
            return false;
        }
        if (s.frame_mark(10) == frame_mark::kOpen) {
            s.frame_no = 10;
            return false;
        }
        if (s.frame_no == 12 && s.frame_mark(10) == frame_mark::kSpare) {
            s.frame_no = 11;
            return false;
        }
        if (s.frame_mark(11) == frame_mark::kSpare || s.frame_mark(11) == frame_mark::kOpen) {
            s.frame_no = 11;
            return false;
        }
    }
    // Pins knocked down by the frame's first throw stay where they fell, below the board.
    s.n_obj = s.n_obj_full;
    for (float i = 2; i <= s.n_obj; i = i + 1) {
        s.obj_x(i) = s.layout_x(s.frame_no, i);
        s.obj_y(i) = s.layout_y(s.frame_no, i) + s.obj_radius(1);
    }
    return true;
}

// A bonus frame with one ball (frame 11 after a spare in frame 10, frame 12) is closed
// once that ball is thrown: true, and the game is over.
bool Game::bonus_frame_closed() {
    if (s.frame_no == 11 && s.frame_mark(10) == frame_mark::kSpare && s.throw_no == 1) {
        s.frame_mark(11) = frame_mark::kOpen;
        return true;
    }
    if (s.frame_no == 12 && s.throw_no == 1) {
        s.frame_mark(12) = frame_mark::kOpen;
        return true;
    }
    return false;
}

// One throw: every object at rest, the board, the sheet and the ball markers drawn, the
// ball placed and thrown, the throw simulated. False when the player gave up instead.
bool Game::play_throw() {
    for (float i = 1; i <= s.n_obj; i = i + 1) {
        s.obj_vx(i) = 0;
        s.obj_vy(i) = 0;
        s.obj_state(i) = object_state::kResting;
        s.obj_touched(i) = 0;
    }
    rt.cls(0, 4);
    draw_lane();
    draw_score_sheet();
    show_ball_markers(s.balls_used);
    const bool hint = games_played_ == 1 && s.frame_no == 1;
    if (hint) show_placing_hint(true);
    place_ball(s.aim_x, s.aim_y, s.aim_status);
    if (hint) show_placing_hint(false);
    if (s.aim_status == -1) return false;
    s.obj_x(1) = s.aim_x;
    s.obj_y(1) = s.aim_y;
    draw_object(1, s.obj_color(1));
    choose_throw(s.throw_vx, s.throw_vy);
    s.throw_no = s.throw_no + 1;
    s.balls_used = s.balls_used + 1;
    show_ball_markers(s.balls_used);
    s.obj_vx(1) = s.throw_vx / 4;
    s.obj_vy(1) = s.throw_vy / 4;
    s.obj_state(1) = object_state::kMoving;
    simulate_throw();
    rt.sleep_10ms(50);
    return true;
}

// Counts the throw: the ball is among the gone objects, and the pins of the frame's first
// throw are gone again, so pins_down is the frame's total so far. Marks the frame and
// lets the mascot announce a strike or a spare; true when the frame is over.
bool Game::count_throw() {
    static const std::string kStrike = to_sjis("Strike");
    static const std::string kSpare = to_sjis("Spare");

    s.gone_count = 0;
    for (float i = 1; i <= s.n_obj; i = i + 1)
        if (s.obj_state(i) < object_state::kResting) s.gone_count = s.gone_count + 1;
    s.pins_down = s.gone_count - 1;
    if (s.throw_no == 1) s.throw_pins(s.frame_no, 1) = s.pins_down;
    if (s.throw_no == 2) s.throw_pins(s.frame_no, 2) = s.pins_down - s.throw_pins(s.frame_no, 1);

    if (s.gone_count > s.n_obj_full - 1) {
        if (s.throw_no == 1) {
            mascot_announce(s.mascot_color, kStrike);
            mascot_ring_show();
            s.frame_mark(s.frame_no) = frame_mark::kStrike;
        } else {
            mascot_announce(s.mascot_color, kSpare);
            s.frame_mark(s.frame_no) = frame_mark::kSpare;
        }
        rt.sleep_10ms(100);
        return true;
    }
    if (s.throw_no == 2) {
        s.frame_mark(s.frame_no) = frame_mark::kOpen;
        rt.sleep_10ms(100);
        return true;
    }
    s.frame_mark(s.frame_no) = frame_mark::kFirstThrowDone;
    return false;
}

// How to place and throw, under the placing line, for the first frame of the run's first
// game; shown false, the same cells are blanked (spaces leave the board's graphics as they are).
void Game::show_placing_hint(bool shown) {
    static const std::string kLines[] = {to_sjis("線の上をクリック→ドラッグで投球"), "Click above the line, then drag"};
    for (int n = 0; n < 2; ++n) {
        rt.locate(0, 21, 5 + n, 0, 3);
        rt.print(0, shown ? kLines[n] : std::string(kLines[n].size(), ' '));
    }
}

// The final sheet, the game-over message under it, a key, the score into the Best 20, and
// the table with the new entry highlighted until a key.
void Game::finish_game() {
    draw_score_sheet();
    rt.locate(0, 29, 23, 0, 3);
    rt.print(0, "* Push any key *");
    rt.locate(0, 29, 22, 0, 3);
    rt.print(0, "<< Game Over >>");
    wait_any_key();
    end_replay(int(s.frame_score(10)));
    save_game_score(s.frame_score(10));
    prune_replays();
    show_best20(new_entry_);
    rt.print(0, "* Push any key *");
    wait_any_key();
}

}  // namespace zell
