// A fresh game on the headless backend for the tests of the menus, the mascot, the
// score sheet and the Best 20 table, with keys fed whenever the program waits.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "game/game.h"
#include "runtime/sjis.h"
#include "tests/support/headless_host.h"
#include "tests/support/pixels.h"

namespace zell::testing {

// True when the buffer rectangles of size w x h with bottom-left corners a and b are equal.
inline bool same_block(const Image& im, int ax, int ay, int bx, int by, int w, int h) {
    for (int dy = 0; dy < h; ++dy)
        for (int dx = 0; dx < w; ++dx)
            if (pixel(im, ax + dx, ay + dy) != pixel(im, bx + dx, by + dy)) return false;
    return true;
}

// Columns [column, column + count) of a text row (both 0-based), as UTF-8.
inline std::string text_at(const Screen& s, int row, int column, int count) {
    return to_utf8(s.row_bytes(row).substr(size_t(column), size_t(count)));
}

struct GameOnHeadless {
    HeadlessHost h;
    Game g{*h.host};
    size_t waits = 0;  // times the program waited for input and was fed

    // The tables the main program fills at start-up that these screens read.
    GameOnHeadless() {
        g.read_constant_lists();
        const char* items[] = {
            " A  スタート      :  Start Throwing    ", " B  レベル        :  Level             ",
            " C  ピンレイアウト:  Change Pin Layout ", " D  スコア記録　  :  Best 20           ",
            " E  プレーヤー名  :  Player's Name     ", " F  スコア破棄    :  Delete Best 20    ",
            " G  アニメ速度    :  Animation speed   ", " H  終  了        :  End               ",
        };
        for (int n = 1; n <= 8; ++n) g.s.menu_text(n) = to_sjis(items[n - 1]);
        g.s.ui_y0 = 270;
        g.s.n_pins = 10;
    }

    // Feeds one batch of keys each time the program waits: 'U', 'D', 'L', 'R' are the
    // cursor keys, '\r' is Enter, any other character is typed as itself. With the
    // batches used up the window closes, so a program that waits once too often ends.
    void feed(std::vector<std::string> batches) {
        h.backend.set_on_wait([this, batches = std::move(batches)](HeadlessBackend& b) {
            if (waits >= batches.size()) return false;
            for (char ch : batches[waits]) type(b, ch);
            ++waits;
            return true;
        });
    }
    static void type(HeadlessBackend& b, char ch) {
        switch (ch) {
            case 'U':
                b.inject_key(Key::Up);
                break;
            case 'D':
                b.inject_key(Key::Down);
                break;
            case 'L':
                b.inject_key(Key::Left);
                break;
            case 'R':
                b.inject_key(Key::Right);
                break;
            default:
                b.inject_char(uint8_t(ch));
                break;
        }
    }

    // Runs body as the main program; it must come to its end without a run-time error.
    void run(const std::function<void()>& body) {
        h.run([&](Host&) { body(); });
        const auto& e = h.host->last_error();
        EXPECT_FALSE(e) << "run-time error " << e->number() << " at line " << e->where().line();
        EXPECT_EQ(h.host->ending(), Host::Ending::Returned);
    }

    Screen& screen() { return h.screen(); }
    const Image& buffer() { return h.screen().buffer(); }
};

}  // namespace zell::testing
