// Scoring: the running totals of frames 1 to 10 from the frame marks and the
// pins of each throw, and the score sheet at the right edge of the screen.
#include <string>

#include "game/game.h"
#include "runtime/text/sjis.h"

namespace zell {
namespace {

// Rows of the sheet: number in columns 68-69, throws at 72 and 74, total at 78-80.
const std::string kStrikeBonus = to_sjis("     ◆◆");
const std::string kStrikeOpen = to_sjis(" ##  ◆◆");
const std::string kStrike = to_sjis(" ##  ◆◆  ###");
const std::string kSpareBonus = to_sjis("     # ▲");
const std::string kSpareOpen = to_sjis(" ##  # ▲");
const std::string kSpare = to_sjis(" ##  # ▲  ###");

// The frame's first throw is made and left pins standing: a spare, an open frame or a
// second throw still to come. That first throw is then known as a bonus.
bool first_throw_left_pins(float mark) {
    return mark == frame_mark::kSpare || mark == frame_mark::kOpen || mark == frame_mark::kFirstThrowDone;
}

}  // namespace

void Game::compute_totals() {
    const float n = s.n_pins;
    for (float i = 1; i <= 10; ++i) {
        rt.step();
        float p = s.frame_score(i - 1);
        float mark = s.frame_mark(i);
        if (mark == frame_mark::kStrike) {
            float next = s.frame_mark(i + 1);
            if (next == frame_mark::kStrike) {
                float after = s.frame_mark(i + 2);
                if (after == frame_mark::kStrike) s.frame_score(i) = p + 3 * n;
                else if (first_throw_left_pins(after)) s.frame_score(i) = p + 2 * n + s.throw_pins(i + 2, 1);
            } else if (next == frame_mark::kSpare) {
                s.frame_score(i) = p + 2 * n;
            } else if (next == frame_mark::kOpen) {
                s.frame_score(i) = p + n + s.throw_pins(i + 1, 1) + s.throw_pins(i + 1, 2);
            }
        } else if (mark == frame_mark::kSpare) {
            float next = s.frame_mark(i + 1);
            if (next == frame_mark::kStrike) s.frame_score(i) = p + 2 * n;
            else if (first_throw_left_pins(next)) s.frame_score(i) = p + n + s.throw_pins(i + 1, 1);
        } else if (mark == frame_mark::kOpen) {
            s.frame_score(i) = p + s.throw_pins(i, 1) + s.throw_pins(i, 2);
        }
    }
}

// The row of frame i at the cursor; bonus frames (i > 10) show no number and no total.
void Game::score_row(float i) {
    float t1 = s.throw_pins(i, 1);
    float t2 = s.throw_pins(i, 2);
    float total = s.frame_score(i);
    float mark = s.frame_mark(i);
    if (mark == frame_mark::kStrike) {
        if (total < 0 && i > 10) rt.print(0, kStrikeBonus);
        else if (total < 0) rt.print_using(0, kStrikeOpen, {i});
        else rt.print_using(0, kStrike, {i, total});
    } else if (mark == frame_mark::kSpare) {
        if (total < 0 && i > 10) rt.print_using(0, kSpareBonus, {t1});
        else if (total < 0) rt.print_using(0, kSpareOpen, {i, t1});
        else rt.print_using(0, kSpare, {i, t1, total});
    } else if (mark == frame_mark::kFirstThrowDone) {
        if (i > 10) rt.print_using(0, "     # ", {t1});
        else rt.print_using(0, " ##  # ", {i, t1});
    } else if (mark == frame_mark::kOpen) {
        if (t2 < 0 && i > 10) rt.print_using(0, "     #  ", {t1});
        else if (t2 < 0) rt.print_using(0, " ##  #  ", {i, t1});
        else if (i > 10) rt.print_using(0, "     # #      ", {t1, t2});
        else rt.print_using(0, " ##  # #   ###", {i, t1, t2, total});
    }
}

void Game::draw_score_sheet() {
    locate_text(2, 1);
    rt.print_using(0, "Level ##", {s.level});
    locate_text(1, 67);
    rt.print(0, "Player:");
    locate_text(2, 68);
    rt.print(0, s.player_name.str());

    compute_totals();

    locate_text(4, 67);
    rt.print(0, "No.   Score");
    for (float i = 1; i <= 10; ++i) {
        locate_text(4 + i, 67);
        rt.print_using(0, " ##", {i});
    }
    for (float i = 1; i <= s.frame_no; ++i) {
        locate_text(4 + i, 67);
        score_row(i);
    }
    // A throw that knocked down nothing shows a dash over its digit.
    for (float i = 1; i <= s.frame_no; ++i) {
        rt.step();
        if (s.throw_pins(i, 1) == 0) {
            locate_text(4 + i, 72);
            rt.print(0, "-");
        }
        if (s.throw_pins(i, 2) == 0) {
            locate_text(4 + i, 74);
            rt.print(0, "-");
        }
    }

    rt.set_color(0, 15, 0, 0, 0, 1);
    locate_text(20, 1);
    rt.print(0, "Zell ");
    locate_text(21, 1);
    rt.print(0, "Pins ");
    // The current frame's number in the highlight colour; no number for a bonus frame.
    if (s.frame_no < 11) {
        locate_text(4 + s.frame_no, 68);
        rt.print_using(0, "## ", {s.frame_no});
    }
    if (s.frame_no > 10) {
        locate_text(4 + s.frame_no, 68);
        rt.print(0, "   ");
    }
    rt.set_color(0, 7, 0, 0, 0, 1);
}

}  // namespace zell
