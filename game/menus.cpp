// Menu and prompt procedures: the cursor at a row and a column counted from 1, waiting for a
// key or a click, the main menu box and a row of choices. Both menus move with the cursor keys,
// wrap around at the ends and confirm with Enter, or take the item or choice clicked (tapped).
#include <string>

#include "game/game.h"
#include "runtime/text/sjis.h"

namespace zell {
namespace {

using keycode::kDown;
using keycode::kEnter;
using keycode::kLeft;
using keycode::kRight;
using keycode::kUp;

const std::string kMenuTitle = to_sjis("メ ニ ュ");
const std::string kHelpHint = to_sjis("F1 : ヘルプ  Help");

}  // namespace

void Game::locate_text(float row, float column) { rt.locate(0, to_int16(column - 1), to_int16(row), 0, 3); }

void Game::flush_keys() {
    while (!rt.inkey(0).empty()) {}
}

int Game::wait_key_or_click(Click& c) {
    for (;;) {
        const std::string key = rt.inkey(0);
        if (!key.empty()) return str_asc(key);
        if (take_click(c)) return kClicked;
    }
}

namespace {
// The text screen's cells in graphics units (y counts upwards from the bottom edge).
constexpr int kCellWidth = 8;
constexpr int kCellHeight = 18;
constexpr int kScreenHeight = 39 * kCellHeight;
}  // namespace

void Game::flush_clicks() {
    rt.mouse_button(0, 3, 0);
    rt.mouse_button(0, 3, 1);
}

bool Game::take_click(Click& c) {
    if (rt.mouse_button(0, 3, 0) == 0) return false;
    const int x = rt.mouse_button(0, 4, 0);
    const int y = rt.mouse_button(0, 5, 0);
    c.column = x / kCellWidth;
    c.row = (kScreenHeight - y) / kCellHeight;
    return true;
}

int Game::wait_new_key_or_click(Click& c) {
    flush_keys();
    flush_clicks();
    return wait_key_or_click(c);
}

void Game::wait_any_key() {
    Click c;
    wait_new_key_or_click(c);
}

// An item of the main menu printed again in a colour: 15 highlights it, 0 restores it.
void Game::menu_item_in_colour(float column, float row, float item, int colour) {
    rt.set_color(0, colour, 0, 0, 0, 1);
    locate_text(row + item, column);
    rt.print(0, s.menu_text(item));
    rt.set_color(0, 7, 0, 0, 0, 1);
}

void Game::choose_menu_item(float column, float row, float width, float item_count, float& selection) {
    rt.cls(0, 0);
    const float m = 4;
    float left = 8 * column - 8;
    float top = 480 - 16 * row + m - 48 + s.ui_y0;
    float right = left + 8 * width;
    float bottom = top - 16 * (item_count + 3) - m;
    // A light box inside a darker frame m units wide.
    filled_box(left - m, top + m, right + m, bottom - m, s.color_map(2));
    filled_box(left, top, right, bottom, s.color_map(3));

    rt.set_color(0, 1, 0, 0, 0, 1);
    locate_text(row, column + 15);
    rt.print(0, kMenuTitle);
    rt.set_color(0, 0, 0, 0, 0, 1);
    for (float k = 1; k <= item_count; ++k) {
        locate_text(row + k, column);
        rt.print(0, s.menu_text(k));
    }
    rt.set_color(0, 7, 0, 0, 0, 1);
    locate_text(row + item_count + 6, column + 12);
    rt.print(0, kHelpHint);

    menu_item_in_colour(column, row, selection, 15);
    flush_clicks();
    for (;;) {
        flush_keys();
        Click c;
        const int code = wait_key_or_click(c);
        if (code == kEnter) break;
        if (code == kClicked) {
            // An item's row, across the box.
            const float item = float(c.row) - row;
            if (item < 1 || item > item_count || c.column < column - 1 || c.column >= column - 1 + width) continue;
            menu_item_in_colour(column, row, selection, 0);
            selection = item;
            menu_item_in_colour(column, row, selection, 15);
            break;
        }
        if (code == kUp) {
            menu_item_in_colour(column, row, selection, 0);
            selection = selection == 1 ? item_count : selection - 1;
        } else if (code == kDown) {
            menu_item_in_colour(column, row, selection, 0);
            selection = selection == item_count ? 1 : selection + 1;
        }
        menu_item_in_colour(column, row, selection, 15);
    }
    // The option screens write their rows over the hint's: it goes before they draw.
    locate_text(row + item_count + 6, column + 12);
    rt.print(0, std::string(kHelpHint.size(), ' '));
}

// A choice of a choice row, at 0-based text column column + (choice - 1) * spacing.
void Game::choice_label(float column, float row, float spacing, float choice) {
    rt.locate(0, to_int16(column + (choice - 1) * spacing), to_int16(row), 0, 3);
    rt.print(0, s.choice_text(choice));
}

void Game::choice_in_colour(float column, float row, float spacing, float choice, int colour) {
    rt.set_color(0, colour, 0, 0, 0, 1);
    choice_label(column, row, spacing, choice);
    rt.set_color(0, 7, 0, 0, 0, 1);
}

void Game::choose_in_row(float column, float row, float spacing, float choice_count, float current, float& chosen) {
    for (float k = 1; k <= choice_count; ++k) choice_label(column, row, spacing, k);
    chosen = current;
    choice_in_colour(column, row, spacing, chosen, 15);
    flush_keys();
    flush_clicks();
    // Keys typed ahead are kept from here on: each one moves the choice.
    for (;;) {
        Click c;
        const int code = wait_key_or_click(c);
        if (code == kEnter) return;
        if (code == kClicked) {
            // A choice's label, from its first column to its last.
            float hit = 0;
            for (float k = 1; k <= choice_count; ++k) {
                const float first = column + (k - 1) * spacing;
                if (c.row == row && c.column >= first && c.column < first + float(s.choice_text(k).size())) hit = k;
            }
            if (hit == 0) continue;
            choice_in_colour(column, row, spacing, chosen, 7);
            chosen = hit;
            choice_in_colour(column, row, spacing, chosen, 15);
            return;
        }
        if (code == kLeft) {
            choice_in_colour(column, row, spacing, chosen, 7);
            chosen = chosen == 1 ? choice_count : chosen - 1;
        } else if (code == kRight) {
            choice_in_colour(column, row, spacing, chosen, 7);
            chosen = chosen == choice_count ? 1 : chosen + 1;
        }
        choice_in_colour(column, row, spacing, chosen, 15);
    }
}

void Game::choose_number(float column, float row, float spacing, float count, int label_width, float current,
                         float& chosen) {
    // The number in the middle of its label, one column to the left when the middle falls between two.
    const int before = (label_width - 1) / 2;
    const int after = label_width - 1 - before;
    for (int n = 1; n <= count; ++n)
        s.choice_text(n) = std::string(size_t(before), ' ') + std::to_string(n) + std::string(size_t(after), ' ');
    choose_in_row(column, row, spacing, count, current, chosen);
}

}  // namespace zell
