#include <gtest/gtest.h>

#include "tests/support/game_screens.h"

namespace zell {
namespace {

using testing::GameOnHeadless;
using testing::pixels_at;
using testing::text_at;

// Colour number and mode of every cell of a menu line.
void expect_line_colour(const Screen& s, int row, int first, int count, int fg, int mode) {
    for (int c = first; c < first + count; ++c)
        EXPECT_EQ((std::array{int(s.cell(c, row).fg), int(s.cell(c, row).mode)}), (std::array{fg, mode}))
            << "row " << row << " column " << c;
}

// Only main menu item sel (row 3 + sel, columns 18..56) stands in the highlight (colour 15,
// reverse video); the others are in colour 0.
void expect_main_highlight(const Screen& s, int sel) {
    for (int k = 1; k <= 8; ++k) expect_line_colour(s, 3 + k, 18, 39, k == sel ? 15 : 0, k == sel ? 5 : 4);
}

TEST(Locate1, TheRowIsKeptTheColumnCountsFromOneAndColumnZeroIsError5) {
    GameOnHeadless t;
    t.run([&] {
        t.g.rt.locate(0, 0, 0, 1, 4);  // cursor shown
        for (auto [row, column, r, c] : {std::tuple{15.0f, 28.0f, 15, 27}, {2.5f, 10.5f, 3, 10}, {0.0f, 1.0f, 0, 0}}) {
            t.g.locate_text(row, column);  // halves round away from zero: 10.5 - 1 = 9.5 goes to 10
            EXPECT_EQ((std::array{t.screen().cursor_row(), t.screen().cursor_column()}), (std::array{r, c}));
        }
        EXPECT_TRUE(t.screen().cursor_shown());
    });
    GameOnHeadless off;
    off.h.run([&](Host&) { off.g.locate_text(3, 0); });
    ASSERT_TRUE(off.h.host->last_error());
    EXPECT_EQ(off.h.host->last_error()->number(), 5);
}

TEST(Anykey, AKeyTypedBeforeTheCallDoesNotSatisfyIt) {
    GameOnHeadless t;
    t.h.backend.inject_char('a');
    t.feed({"b"});
    bool returned = false;
    t.run([&] {
        t.g.wait_any_key();
        returned = true;
        EXPECT_EQ(t.g.rt.inkey(0), "") << "the key that ended the wait is used up too";
    });
    EXPECT_TRUE(returned);
    EXPECT_EQ(t.waits, 1u);
}

TEST(Fmenu1, DrawsTheFramedBoxTheTitleAndTheItems) {
    GameOnHeadless t;
    t.feed({"\r"});
    float sel = 2;
    t.run([&] { t.g.choose_menu_item(19, 3, 39, 8, sel); });
    EXPECT_EQ(sel, 2);
    // A frame of colour color_map(2) = 9 four units wide around a box of color_map(3) = 11.
    const Rgb frame = t.screen().palette(9), inside = t.screen().palette(11), ground = t.screen().palette(0);
    EXPECT_EQ(pixels_at(t.buffer(), {{140, 662}, {460, 474}, {142, 560}, {300, 660}, {143, 658}, {457, 478}, {144, 659},
                                     {456, 477}, {144, 658}, {456, 478}, {139, 662}, {140, 663}, {461, 474},
                                     {460, 473}}),
              (std::vector{frame, frame, frame, frame, frame, frame, frame, frame, inside, inside, ground, ground,
                           ground, ground}));
    // The title in colour 1 on row 3 from column 33, the items below it from column 18.
    EXPECT_EQ(text_at(t.screen(), 3, 33, 8), "メ ニ ュ");
    expect_line_colour(t.screen(), 3, 33, 8, 1, 4);
    for (int k = 1; k <= 8; ++k)
        EXPECT_EQ(t.screen().row_bytes(3 + k), std::string(18, ' ') + t.g.s.menu_text(k) + std::string(24, ' '));
    expect_main_highlight(t.screen(), 2);
    EXPECT_EQ(t.screen().foreground(), 7) << "the menu leaves the normal text colour in force";
}

struct MenuCase {
    std::vector<std::string> keys;
    float start, chosen;
};

TEST(Fmenu1, KeysTypedAheadAreThrownAwayBeforeEachWait) {
    GameOnHeadless t;
    t.h.backend.inject_key(Key::Down);  // before the menu: discarded
    t.feed({"DD\r", "\r"});             // the first moves, the rest are thrown away with the next wait
    float sel = 3;
    t.run([&] { t.g.choose_menu_item(19, 3, 39, 8, sel); });
    EXPECT_EQ(sel, 4);
    EXPECT_EQ(t.waits, 2u);
}

// The level row: column 26, row 17, step 6, four choices.
float choose_level(GameOnHeadless& t, std::vector<std::string> keys, float current) {
    for (int n = 1; n <= 4; ++n) t.g.s.choice_text(n) = "  " + std::to_string(n) + "  ";
    t.feed(std::move(keys));
    float result = -1;
    t.run([&] { t.g.choose_in_row(26, 17, 6, 4, current, result); });
    for (int n = 1; n <= 4; ++n) {
        const int column = 26 + (n - 1) * 6;
        EXPECT_EQ(text_at(t.screen(), 17, column, 5), "  " + std::to_string(n) + "  ");
        expect_line_colour(t.screen(), 17, column, 5, n == result ? 15 : 7, n == result ? 5 : 4);
    }
    EXPECT_EQ(text_at(t.screen(), 17, 0, 26), std::string(26, ' '));
    EXPECT_EQ(t.screen().foreground(), 7);
    return result;
}

TEST(Hmenu, StartsOnTheCurrentChoiceAndOnlyLeftAndRightMoveItWithWrapAround) {
    for (const MenuCase& c : {MenuCase{{"\r"}, 3, 3}, MenuCase{{"L", "\r"}, 1, 4}, MenuCase{{"R", "\r"}, 4, 1},
                              MenuCase{{"U", "D", "x", "L", "L", "R", "\r"}, 3, 2}}) {
        SCOPED_TRACE(::testing::Message() << "from " << c.start);
        GameOnHeadless t;
        EXPECT_EQ(choose_level(t, c.keys, c.start), c.chosen);
    }
    GameOnHeadless ahead;
    ahead.h.backend.inject_key(Key::Right);  // before the call: discarded
    EXPECT_EQ(choose_level(ahead, {"RR\r"}, 1), 3) << "keys typed together are kept between moves";
    EXPECT_EQ(ahead.waits, 1u);
}

TEST(Hmenu, TheMascotRowCentresEachLabelUnderItsFigure) {
    GameOnHeadless t;
    for (int n = 1; n <= 7; ++n) t.g.s.choice_text(n) = "   " + std::to_string(n) + "    ";
    t.feed({"\r"});
    float result = 0;
    t.run([&] { t.g.choose_in_row(10, 17, 8, 7, 7, result); });
    EXPECT_EQ(result, 7);
    // Label n covers cells 8 n + 2 .. 8 n + 9: pixel columns 64 n + 16 .. 64 n + 79, centred
    // on the figure's x = 64 n + 48.
    for (int n = 1; n <= 7; ++n) EXPECT_EQ(text_at(t.screen(), 17, 8 * n + 2, 8), "   " + std::to_string(n) + "    ");
    EXPECT_EQ((std::array{t.screen().cell(58, 17).fg, t.screen().cell(50, 17).fg}), (std::array<uint8_t, 2>{15, 7}));
}

}  // namespace
}  // namespace zell
