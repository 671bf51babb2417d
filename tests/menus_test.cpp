#include <gtest/gtest.h>

#include "tests/support/game_screens.h"

namespace zell {
namespace {

using testing::GameOnHeadless;
using testing::pixel;
using testing::text_at;

// Main menu row of item k and the cells of its 39 characters (columns 18..56).
constexpr int kMenuColumn = 18;
int menu_row(int k) { return 3 + k; }

// Colour number and mode of every cell of a menu line, checked against the expected pair.
void expect_line_colour(const Screen& s, int row, int first, int count, int fg, int mode) {
    for (int c = first; c < first + count; ++c) {
        EXPECT_EQ(s.cell(c, row).fg, fg) << "row " << row << " column " << c;
        EXPECT_EQ(s.cell(c, row).mode, mode) << "row " << row << " column " << c;
    }
}

// Only item sel stands in the highlight (colour 15, reverse video); the others in colour 0.
void expect_main_highlight(const Screen& s, int sel) {
    for (int k = 1; k <= 8; ++k) {
        if (k == sel)
            expect_line_colour(s, menu_row(k), kMenuColumn, 39, 15, 5);
        else
            expect_line_colour(s, menu_row(k), kMenuColumn, 39, 0, 4);
    }
}

float main_menu(GameOnHeadless& t, float sel) {
    t.run([&] { t.g.FMENU1(19, 3, 39, 8, sel); });
    return sel;
}

TEST(Locate1, TheRowIsKeptAndTheColumnCountsFromOne) {
    GameOnHeadless t;
    t.run([&] {
        t.g.rt.locate(0, 0, 0, 1, 4);  // cursor shown
        t.g.LOCATE1(15, 28);
        EXPECT_EQ(t.screen().cursor_column(), 27);
        EXPECT_EQ(t.screen().cursor_row(), 15);
        EXPECT_TRUE(t.screen().cursor_shown());
        // Halves round away from zero: column 10.5 - 1 = 9.5 goes to 10, row 2.5 to 3.
        t.g.LOCATE1(2.5f, 10.5f);
        EXPECT_EQ(t.screen().cursor_column(), 10);
        EXPECT_EQ(t.screen().cursor_row(), 3);
        t.g.LOCATE1(0, 1);
        EXPECT_EQ(t.screen().cursor_column(), 0);
        EXPECT_EQ(t.screen().cursor_row(), 0);
    });
}

TEST(Locate1, ColumnZeroIsOffTheScreenAndRaisesError5) {
    GameOnHeadless t;
    t.h.run([&](Host&) { t.g.LOCATE1(3, 0); });
    ASSERT_TRUE(t.h.host->last_error());
    EXPECT_EQ(t.h.host->last_error()->number(), 5);
}

TEST(Anykey, AKeyTypedBeforeTheCallDoesNotSatisfyIt) {
    GameOnHeadless t;
    t.h.backend.inject_char('a');
    t.feed({"b"});
    bool returned = false;
    t.run([&] {
        t.g.ANYKEY();
        returned = true;
        // The key that ended the wait is used up too.
        EXPECT_EQ(t.g.rt.inkey(0), "");
    });
    EXPECT_TRUE(returned);
    EXPECT_EQ(t.waits, 1u);
}

TEST(Fmenu1, DrawsTheFramedBoxTheTitleAndTheItems) {
    GameOnHeadless t;
    t.feed({"\r"});
    EXPECT_EQ(main_menu(t, 2), 2);

    // A frame of colour color_map(2) = 9 four units wide around a box of color_map(3) = 11.
    const Image& b = t.buffer();
    Rgb frame = t.screen().palette(9), inside = t.screen().palette(11), ground = t.screen().palette(0);
    EXPECT_EQ(pixel(b, 140, 662), frame);
    EXPECT_EQ(pixel(b, 460, 474), frame);
    EXPECT_EQ(pixel(b, 142, 560), frame);
    EXPECT_EQ(pixel(b, 300, 660), frame);
    EXPECT_EQ(pixel(b, 139, 662), ground);
    EXPECT_EQ(pixel(b, 140, 663), ground);
    EXPECT_EQ(pixel(b, 461, 474), ground);
    EXPECT_EQ(pixel(b, 460, 473), ground);
    EXPECT_EQ(pixel(b, 144, 658), inside);
    EXPECT_EQ(pixel(b, 456, 478), inside);
    EXPECT_EQ(pixel(b, 143, 658), frame);
    EXPECT_EQ(pixel(b, 457, 478), frame);
    EXPECT_EQ(pixel(b, 144, 659), frame);
    EXPECT_EQ(pixel(b, 456, 477), frame);

    // The title in colour 1 on row 3 from column 33, the items below it from column 18.
    EXPECT_EQ(text_at(t.screen(), 3, 33, 8), "メ ニ ュ");
    expect_line_colour(t.screen(), 3, 33, 8, 1, 4);
    for (int k = 1; k <= 8; ++k) EXPECT_EQ(t.screen().row_bytes(menu_row(k)).substr(18, 39), t.g.s.menu_text(k));
    EXPECT_EQ(text_at(t.screen(), 4, 0, 18), std::string(18, ' '));
    expect_main_highlight(t.screen(), 2);
    // The menu leaves the normal text colour in force.
    EXPECT_EQ(t.screen().foreground(), 7);
}

TEST(Fmenu1, CursorKeysMoveTheHighlightAndWrapAround) {
    {
        GameOnHeadless t;
        t.feed({"U", "\r"});
        EXPECT_EQ(main_menu(t, 1), 8);
        expect_main_highlight(t.screen(), 8);
    }
    {
        GameOnHeadless t;
        t.feed({"D", "\r"});
        EXPECT_EQ(main_menu(t, 8), 1);
        expect_main_highlight(t.screen(), 1);
    }
    {
        GameOnHeadless t;
        t.feed({"D", "D", "D", "U", "\r"});
        EXPECT_EQ(main_menu(t, 4), 6);
        expect_main_highlight(t.screen(), 6);
    }
}

TEST(Fmenu1, OtherKeysOnlyRedrawTheHighlight) {
    GameOnHeadless t;
    t.feed({"x", "L", "R", " ", "\r"});
    EXPECT_EQ(main_menu(t, 5), 5);
    EXPECT_EQ(t.waits, 5u);
    expect_main_highlight(t.screen(), 5);
}

TEST(Fmenu1, KeysTypedAheadAreThrownAwayBeforeEachWait) {
    GameOnHeadless t;
    t.h.backend.inject_key(Key::Down);  // before the menu: discarded
    // Three keys arrive together: the first moves, the rest are thrown away with the next wait.
    t.feed({"DD\r", "\r"});
    EXPECT_EQ(main_menu(t, 3), 4);
    EXPECT_EQ(t.waits, 2u);
}

// --- HMENU ------------------------------------------------------------------------

struct ChoiceRow : GameOnHeadless {
    ChoiceRow() {
        for (int n = 1; n <= 4; ++n) g.s.choice_text(n) = "  " + std::to_string(n) + "  ";
    }
    // The level row: column 26, row 17, step 6, four choices.
    float choose(float current) {
        float result = -1;
        run([&] { g.HMENU(26, 17, 6, 4, current, result); });
        return result;
    }
    void expect_highlight(int chosen) {
        for (int n = 1; n <= 4; ++n) {
            int column = 26 + (n - 1) * 6;
            EXPECT_EQ(text_at(screen(), 17, column, 5), "  " + std::to_string(n) + "  ");
            expect_line_colour(screen(), 17, column, 5, n == chosen ? 15 : 7, n == chosen ? 5 : 4);
        }
    }
};

TEST(Hmenu, ShowsTheChoicesAndStartsOnTheCurrentOne) {
    ChoiceRow t;
    t.feed({"\r"});
    EXPECT_EQ(t.choose(3), 3);
    t.expect_highlight(3);
    EXPECT_EQ(text_at(t.screen(), 17, 0, 26), std::string(26, ' '));
    EXPECT_EQ(t.screen().foreground(), 7);
}

TEST(Hmenu, CursorKeysMoveAndWrapAround) {
    {
        ChoiceRow t;
        t.feed({"L", "\r"});
        EXPECT_EQ(t.choose(1), 4);
        t.expect_highlight(4);
    }
    {
        ChoiceRow t;
        t.feed({"R", "\r"});
        EXPECT_EQ(t.choose(4), 1);
        t.expect_highlight(1);
    }
    {
        // Up, down and other keys leave the choice where it is.
        ChoiceRow t;
        t.feed({"U", "D", "x", "L", "L", "R", "\r"});
        EXPECT_EQ(t.choose(3), 2);
        t.expect_highlight(2);
    }
}

TEST(Hmenu, KeysTypedAheadAreKeptBetweenMoves) {
    ChoiceRow t;
    t.h.backend.inject_key(Key::Right);  // before the call: discarded
    t.feed({"RR\r"});
    EXPECT_EQ(t.choose(1), 3);
    EXPECT_EQ(t.waits, 1u);
    t.expect_highlight(3);
}

TEST(Hmenu, MascotRowCentresEachLabelUnderItsFigure) {
    GameOnHeadless t;
    for (int n = 1; n <= 7; ++n) t.g.s.choice_text(n) = "   " + std::to_string(n) + "    ";
    t.feed({"\r"});
    float result = 0;
    t.run([&] { t.g.HMENU(10, 17, 8, 7, 7, result); });
    EXPECT_EQ(result, 7);
    // Label n covers cells 8 n + 2 .. 8 n + 9: pixel columns 64 n + 16 .. 64 n + 79, centred on
    // the figure's x = 64 n + 48.
    for (int n = 1; n <= 7; ++n) EXPECT_EQ(text_at(t.screen(), 17, 8 * n + 2, 8), "   " + std::to_string(n) + "    ");
    EXPECT_EQ(t.screen().cell(8 * 7 + 2, 17).fg, 15);
    EXPECT_EQ(t.screen().cell(8 * 6 + 2, 17).fg, 7);
}

}  // namespace
}  // namespace zell
