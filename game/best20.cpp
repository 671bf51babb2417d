// The Best 20 table: the twenty highest scores since start-up with the player's
// name, level and pin layout, best first; among equal scores the older one first.
#include <string_view>

#include "game/game.h"

namespace zell {

void Game::enter_best20(float score) {
    new_entry_ = 0;
    for (float i = 1; i <= 20; ++i) {
        rt.step();
        // Strictly lower: a score equal to entries already there goes below them.
        if (s.best_score(i) < score) {
            for (float j = 19; j >= i; --j) {
                rt.step();
                s.best_score(j + 1) = s.best_score(j);
                s.best_name(j + 1) = s.best_name(j);
                s.best_layout(j + 1) = s.best_layout(j);
                s.best_level(j + 1) = s.best_level(j);
            }
            new_entry_ = i;
            s.best_score(i) = score;
            s.best_name(i).assign(s.player_name.str());
            s.best_layout(i) = s.layout;
            s.best_level(i) = s.level;
            return;
        }
    }
}

void Game::show_best20(float highlighted) {
    rt.cls(0, 0);
    locate_text(1, 1);
    rt.print_tab(0, 40, rt.date_str());
    rt.print(0, "      Zell Bowling : Bowling Count Score");
    rt.print(0, "-- Name ----------Level-----Layout----- Score ----");
    if (s.games_count < 1) return;
    // Only games started since the table was last emptied can have left an entry.
    float n = s.games_count > 20 ? 20 : s.games_count;
    for (float i = 1; i <= n; ++i) {
        rt.step();
        if (s.best_score(i) >= 0) {
            std::string_view row =
                s.best_layout(i) == 1 ? "  @      ##      Bowling      ###" : "  @      ##      Random       ###";
            if (i == highlighted) rt.set_color(0, 15, 0, 0, 0, 1);
            rt.print_using(0, row, {s.best_name(i).str(), s.best_level(i), s.best_score(i)});
            if (i == highlighted) rt.set_color(0, 7, 0, 0, 0, 1);
        }
    }
}

void Game::empty_best20() {
    s.games_count = 0;
    for (int n = 1; n <= 20; ++n) s.best_score(n) = -1;
}

}  // namespace zell
