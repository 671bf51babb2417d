// Menu and prompt procedures: the cursor at a row and a column counted from 1,
// waiting for a key, the main menu box and a row of choices. Both menus move with
// the cursor keys, wrap around at the ends and confirm with Enter.
#include <string>

#include "game/game.h"
#include "runtime/sjis.h"

namespace zell {
namespace {

using keycode::kDown;
using keycode::kEnter;
using keycode::kLeft;
using keycode::kRight;
using keycode::kUp;

const std::string kMenuTitle = to_sjis("メ ニ ュ");

}  // namespace

void Game::LOCATE1(float row, float column) {
    rt.locate(0, to_int16(column - 1), to_int16(row), 0, 3);
}

void Game::flush_keys() {
    while (!rt.inkey(0).empty()) {
    }
}

int Game::wait_key() {
    std::string key;
    while (key.empty()) key = rt.inkey(0);
    return str_asc(key);
}

void Game::ANYKEY() {
    flush_keys();
    wait_key();
}

// Item k of the main menu printed again in a colour: 15 highlights it, 0 restores it.
void Game::fmenu_item(float c, float r, float k, int colour) {
    rt.set_color(0, colour, 0, 0, 0, 1);
    LOCATE1(r + k, c);
    rt.print(0, s.menu_text(k));
    rt.set_color(0, 7, 0, 0, 0, 1);
}

void Game::FMENU1(float c, float r, float w, float n, float& sel) {
    rt.cls(0, 0);
    const float m = 4;
    float left = 8 * c - 8;
    float top = 480 - 16 * r + m - 48 + s.ui_y0;
    float right = left + 8 * w;
    float bottom = top - 16 * (n + 3) - m;
    // A light box inside a darker frame m units wide.
    int frame = to_int16(s.color_map(2));
    rt.draw_line(0, 0, left - m, top + m, 0, right + m, bottom - m, -1, frame, 2, 0, -1, 5);
    int inside = to_int16(s.color_map(3));
    rt.draw_line(0, 0, left, top, 0, right, bottom, -1, inside, 2, 0, -1, 5);

    rt.set_color(0, 1, 0, 0, 0, 1);
    LOCATE1(r, c + 15);
    rt.print(0, kMenuTitle);
    rt.set_color(0, 0, 0, 0, 0, 1);
    for (float k = 1; k <= n; ++k) {
        LOCATE1(r + k, c);
        rt.print(0, s.menu_text(k));
    }
    rt.set_color(0, 7, 0, 0, 0, 1);

    fmenu_item(c, r, sel, 15);
    for (;;) {
        flush_keys();
        int code = wait_key();
        if (code == kEnter) return;
        if (code == kUp) {
            fmenu_item(c, r, sel, 0);
            sel = sel == 1 ? n : sel - 1;
        } else if (code == kDown) {
            fmenu_item(c, r, sel, 0);
            sel = sel == n ? 1 : sel + 1;
        }
        fmenu_item(c, r, sel, 15);
    }
}

// Choice k of a choice row, at 0-based text column c + (k - 1) * d of row r.
void Game::hmenu_label(float c, float r, float d, float k) {
    rt.locate(0, to_int16(c + (k - 1) * d), to_int16(r), 0, 3);
    rt.print(0, s.choice_text(k));
}

void Game::hmenu_item(float c, float r, float d, float k, int colour) {
    rt.set_color(0, colour, 0, 0, 0, 1);
    hmenu_label(c, r, d, k);
    rt.set_color(0, 7, 0, 0, 0, 1);
}

void Game::HMENU(float c, float r, float d, float n, float p, float& q) {
    for (float k = 1; k <= n; ++k) hmenu_label(c, r, d, k);
    q = p;
    hmenu_item(c, r, d, q, 15);
    flush_keys();
    // Keys typed ahead are kept from here on: each one moves the choice.
    for (;;) {
        int code = wait_key();
        if (code == kEnter) return;
        if (code == kLeft) {
            hmenu_item(c, r, d, q, 7);
            q = q == 1 ? n : q - 1;
        } else if (code == kRight) {
            hmenu_item(c, r, d, q, 7);
            q = q == n ? 1 : q + 1;
        }
        hmenu_item(c, r, d, q, 15);
    }
}

}  // namespace zell
