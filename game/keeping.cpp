// What is kept between runs: the options and the Best 20 table, loaded at start-up and
// saved when they change, when the program runs with saving (see SaveKeeper).
#include "game/game.h"

namespace zell {

void Game::apply_saved_options() {
    if (replay_) {  // a replay played back: the options it was recorded with
        const ReplayHeader& h = replay_->header;
        s.level = float(h.level);
        s.layout = float(h.layout);
        s.speed_sel = float(h.speed);
        s.player_name.assign(h.name);
        s.mascot_no = float(h.mascot);
        s.mascot_color = s.color_map(s.mascot_no);
        return;
    }
    SaveKeeper* keeper = saved_;
    if (!keeper) return;
    SavedSettings saved = keeper->load_settings();
    if (saved.level) s.level = float(*saved.level);
    if (saved.layout) s.layout = float(*saved.layout);
    if (saved.speed) s.speed_sel = float(*saved.speed);
    if (saved.name) s.player_name.assign(*saved.name);
    if (saved.mascot) {
        s.mascot_no = float(*saved.mascot);
        s.mascot_color = s.color_map(s.mascot_no);
    }
}

void Game::apply_saved_speed() {
    // The default speed 3 gives the start-up time step again (0.02, to the last bit).
    set_time_step(s.speed_sel);
}

BestTable Game::best_table(float games) const {
    BestTable t;
    t.games = int(games);
    for (int i = 1; i <= 20 && s.best_score(i) >= 0; ++i)
        t.entries.push_back({int(s.best_score(i)), s.best_name(i).str(), int(s.best_level(i)), int(s.best_layout(i))});
    return t;
}

void Game::take_best_table(const BestTable& t) {
    for (int i = 1; i <= 20; ++i) {
        if (size_t(i) <= t.entries.size()) {
            const BestEntry& e = t.entries[size_t(i - 1)];
            s.best_score(i) = float(e.score);
            s.best_name(i).assign(e.name);
            s.best_level(i) = float(e.level);
            s.best_layout(i) = float(e.layout);
        } else {
            s.best_score(i) = -1;
        }
    }
    s.games_count = float(t.games);
    saved_games_ = s.games_count;
}

void Game::load_saved_best20() {
    if (SaveKeeper* keeper = saved_; keeper && keeper->saves_scores()) take_best_table(keeper->load_best());
}

void Game::save_game_score(float score) {
    SaveKeeper* keeper = saved_;
    if (!keeper || !keeper->saves_scores()) {
        enter_best20(score);
        return;
    }
    // Games started here since the table was last loaded or saved: the count on disk may
    // have grown meanwhile by the games of another copy.
    float started_here = s.games_count - saved_games_;
    BestTable now = keeper->update_best(best_table(saved_games_), [&](BestTable& t) {
        t.games += int(started_here);
        take_best_table(t);
        enter_best20(score);
        t = best_table(s.games_count);
    });
    take_best_table(now);
}

void Game::save_deleted_best20() {
    if (SaveKeeper* keeper = saved_; keeper && keeper->saves_scores())
        take_best_table(keeper->update_best(BestTable{}, [](BestTable& t) { t = BestTable{}; }));
}

void Game::save_options() {
    SaveKeeper* keeper = saved_;
    if (!keeper) return;
    keeper->update_settings([this](SavedSettings& saved) {
        saved.level = int(s.level);
        saved.layout = int(s.layout);
        saved.speed = int(s.speed_sel);
        saved.name = s.player_name.str();
        saved.mascot = int(s.mascot_no);
    });
}

}  // namespace zell
