#include <gtest/gtest.h>

#include "tests/support/error_number.h"
#include "runtime/errors.h"
#include "runtime/input.h"
#include "runtime/sjis.h"

namespace zell {
namespace {

// Drains the key buffer through next_key.
std::string read_all(Input& in) {
    std::string out;
    while (auto k = in.next_key()) out += char(*k);
    return out;
}

using testing::error_number;

class InputTest : public ::testing::Test {
protected:
    InputTest() {
        in.set_beep([this] { ++beeps; });
    }
    void click(MouseButton b, int x, int y, uint64_t t) {
        in.mouse_down(b, x, y, t);
        in.mouse_up(b, x, y);
    }
    Input in;
    int beeps = 0;
};

// --- Keys ---------------------------------------------------------------------

TEST_F(InputTest, CursorKeysGiveTheirCodesOnceEach) {
    in.key_down(Key::Right, false, false);
    EXPECT_EQ(in.next_key(), uint8_t(28));
    EXPECT_EQ(in.next_key(), std::nullopt);

    in.key_down(Key::Left, false, false);
    in.key_down(Key::Up, false, false);
    in.key_down(Key::Down, false, false);
    EXPECT_EQ(read_all(in), "\x1D\x1E\x1F");
}

TEST_F(InputTest, EditingKeysAndDeleteReadAs127) {
    for (Key k : {Key::Clear, Key::Execute, Key::PageUp, Key::PageDown, Key::End, Key::Insert, Key::Home})
        in.key_down(k, false, false);
    EXPECT_EQ(read_all(in), std::string("\x0C\x0D\x13\x14\x15\x12\x0B"));

    in.key_down(Key::Delete, false, false);
    EXPECT_EQ(in.next_key(), uint8_t(127));
    // The buffer itself holds 4: only the read turns it into 127.
    in.key_down(Key::Delete, false, false);
    EXPECT_EQ(in.keys().pop(), uint8_t(4));
}

TEST_F(InputTest, ShiftHomeReadsAs12AndShiftCtrlSetTheStateWord) {
    in.key_down(Key::Shift, true, false);
    EXPECT_EQ(in.state_word(), Input::kShiftBit);
    in.key_down(Key::Home, false, false);  // Shift is still held according to the state word
    in.key_down(Key::Ctrl, true, true);
    EXPECT_EQ(in.state_word(), Input::kShiftBit | Input::kCtrlBit);
    in.key_up(Key::Shift);
    EXPECT_EQ(in.state_word(), Input::kCtrlBit);
    in.key_down(Key::Home, false, true);
    in.key_down(Key::Home, true, false);  // the platform reports Shift with the key
    in.key_up(Key::Ctrl);
    EXPECT_EQ(in.state_word(), 0u);
    EXPECT_EQ(read_all(in), "\x0C\x0B\x0C");  // modifiers themselves put nothing
}

TEST_F(InputTest, FunctionKeysAndCharacterKeysAsKeyDownsPutNothing) {
    for (Key k : {Key::F1, Key::F5, Key::F10, Key::F12, Key::Enter, Key::Esc, Key::Backspace, Key::Tab})
        in.key_down(k, false, false);
    EXPECT_TRUE(in.keys().empty());
}

TEST_F(InputTest, CharactersIncludingCtrlCArriveUnchanged) {
    for (uint8_t c : {uint8_t('A'), uint8_t(13), uint8_t(27), uint8_t(8), uint8_t(9), uint8_t(' '), uint8_t(3)})
        in.char_typed(c);
    EXPECT_EQ(read_all(in), std::string("A\r\x1B\b\t \x03"));
}

TEST_F(InputTest, FullBufferKeeps255KeysAndBeepsForEachFurtherKey) {
    for (int i = 0; i < 300; ++i) in.char_typed(uint8_t('0' + i % 10));
    EXPECT_EQ(in.keys().size(), 255u);
    EXPECT_EQ(beeps, 45);
    std::string got = read_all(in);
    ASSERT_EQ(got.size(), 255u);
    EXPECT_EQ(got.substr(0, 3), "012");
    EXPECT_EQ(got.back(), char('0' + 254 % 10));  // the first 255 stay, the rest were discarded
    // Once drained the ring takes keys again, across its wrap-around.
    in.char_typed('x');
    EXPECT_EQ(beeps, 45);
    EXPECT_EQ(in.next_key(), uint8_t('x'));
}

TEST(KeyBuffer, RingWrapsAndCountsAcrossTheEnd) {
    KeyBuffer kb;
    for (int round = 0; round < 3; ++round) {
        for (int i = 0; i < 200; ++i) ASSERT_TRUE(kb.push(uint8_t(i)));
        EXPECT_EQ(kb.size(), 200u);
        for (int i = 0; i < 200; ++i) ASSERT_EQ(kb.pop(), uint8_t(i));
        EXPECT_TRUE(kb.empty());
    }
    for (int i = 0; i < 255; ++i) ASSERT_TRUE(kb.push(1));
    EXPECT_FALSE(kb.push(2));
    kb.clear();
    EXPECT_EQ(kb.size(), 0u);
    EXPECT_EQ(kb.pop(), std::nullopt);
}

TEST_F(InputTest, FlushDiscardsWaitingKeys) {
    in.char_typed('a');
    in.char_typed('b');
    in.flush_keys();
    EXPECT_EQ(in.next_key(), std::nullopt);
}

TEST_F(InputTest, TypedJapaneseEntersAsShiftJisBytes) {
    in.text_typed("名前A");
    EXPECT_EQ(read_all(in), to_sjis("名前") + "A");
    EXPECT_EQ(beeps, 0);
}

TEST_F(InputTest, CharacterWithoutShiftJisFormIsRefusedWithABeep) {
    in.text_typed("a😀b");
    EXPECT_EQ(beeps, 1);
    EXPECT_EQ(read_all(in), "ab");
    in.text_typed("\xFF" "c");  // not UTF-8
    EXPECT_EQ(beeps, 2);
    EXPECT_EQ(read_all(in), "c");
}

TEST_F(InputTest, DoubleByteCharacterNeverEntersHalfway) {
    for (int i = 0; i < 254; ++i) in.char_typed('k');
    in.text_typed("名");  // two bytes, one free place
    EXPECT_EQ(beeps, 1);
    EXPECT_EQ(in.keys().size(), 254u);
    in.text_typed("z");
    EXPECT_EQ(in.keys().size(), 255u);
}

// --- Mouse ----------------------------------------------------------------------

TEST_F(InputTest, PositionsAreGraphicsCoordinates) {
    click(MouseButton::Left, 0, 0, 1000);
    EXPECT_EQ(in.mouse_button(4, 0), 0);
    EXPECT_EQ(in.mouse_button(5, 0), 702);
    EXPECT_EQ(in.mouse_button(7, 0), 0);
    EXPECT_EQ(in.mouse_button(8, 0), 702);
    click(MouseButton::Left, 647, 701, 5000);
    EXPECT_EQ(in.mouse_button(4, 0), 647);
    EXPECT_EQ(in.mouse_button(5, 0), 1);

    in.mouse_move(100, 2, 0);
    EXPECT_EQ(in.mouse_pos(0), 100);
    EXPECT_EQ(in.mouse_pos(1), 700);

    Input small(100);
    small.mouse_move(3, 10, 0);
    EXPECT_EQ(small.mouse_pos(1), 90);
}

TEST_F(InputTest, PressAndReleaseCountAndRememberTheirPlaces) {
    in.mouse_down(MouseButton::Left, 10, 20, 0);
    EXPECT_EQ(in.mouse_button(2, 0), -1);
    EXPECT_EQ(in.mouse_button(2, 1), 0);
    in.mouse_move(30, 40, 1);
    in.mouse_up(MouseButton::Left, 30, 40);
    EXPECT_EQ(in.mouse_button(2, 0), 0);
    EXPECT_EQ(in.mouse_button(4, 0), 10);
    EXPECT_EQ(in.mouse_button(5, 0), 682);
    EXPECT_EQ(in.mouse_button(7, 0), 30);
    EXPECT_EQ(in.mouse_button(8, 0), 662);
    EXPECT_EQ(in.mouse().buttons[0].drag_x, 30);
    EXPECT_EQ(in.mouse().buttons[0].drag_y, 662);
    EXPECT_EQ(in.mouse().buttons[1].drag_x, 0);  // right button was not held
    EXPECT_EQ(in.mouse_button(6, 0), 1);
    EXPECT_EQ(in.mouse_button(6, 0), 0);
    EXPECT_EQ(in.mouse_button(3, 1), 0);

    click(MouseButton::Right, 5, 6, 2000);
    EXPECT_EQ(in.mouse_button(3, 1), 1);
    EXPECT_EQ(in.mouse_button(4, 1), 5);
    EXPECT_EQ(in.mouse_button(6, 1), 1);
    EXPECT_EQ(in.mouse_button(4, 0), 10);  // the left record is untouched
}

TEST_F(InputTest, TwoSlowClicksAreTwoPresses) {
    click(MouseButton::Left, 50, 50, 1000);
    click(MouseButton::Left, 50, 50, 1501);
    EXPECT_EQ(in.mouse_button(3, 0), 2);
    EXPECT_EQ(in.mouse_button(3, 0), 0);
    EXPECT_EQ(in.mouse_button(11, 0), 0);
    EXPECT_EQ(in.mouse_button(6, 0), 2);
}

TEST_F(InputTest, QuickSecondClickIsADoubleClickNotAPress) {
    in.mouse_down(MouseButton::Left, 50, 50, 1000);
    EXPECT_EQ(in.mouse_button(2, 0), -1);
    in.mouse_up(MouseButton::Left, 50, 50);
    in.mouse_down(MouseButton::Left, 53, 46, 1400);
    EXPECT_EQ(in.mouse_button(2, 0), 0);  // the second press is never reported as down
    in.mouse_up(MouseButton::Left, 53, 46);
    EXPECT_EQ(in.mouse_button(3, 0), 1);
    EXPECT_EQ(in.mouse_button(11, 0), 1);
    EXPECT_EQ(in.mouse_button(11, 0), 0);
    EXPECT_EQ(in.mouse_button(12, 0), 53);
    EXPECT_EQ(in.mouse_button(13, 0), 702 - 46);
    EXPECT_EQ(in.mouse_button(4, 0), 50);  // the press position is the first click's
    EXPECT_EQ(in.mouse_button(6, 0), 2);   // both releases count
}

TEST_F(InputTest, ThirdQuickClickStartsAnewAndOtherButtonsOrFarClicksDoNotPair) {
    click(MouseButton::Left, 50, 50, 1000);
    click(MouseButton::Left, 50, 50, 1100);  // double-click
    click(MouseButton::Left, 50, 50, 1200);  // follows a double-click: a press
    click(MouseButton::Left, 50, 50, 1300);  // pairs with the third
    EXPECT_EQ(in.mouse_button(3, 0), 2);
    EXPECT_EQ(in.mouse_button(11, 0), 2);

    click(MouseButton::Left, 50, 50, 5000);
    click(MouseButton::Right, 50, 50, 5100);  // other button
    click(MouseButton::Left, 50, 50, 5200);   // previous press was the right button's
    click(MouseButton::Left, 55, 50, 5300);   // too far
    click(MouseButton::Left, 55, 50, 5801);   // too late
    EXPECT_EQ(in.mouse_button(3, 0), 4);
    EXPECT_EQ(in.mouse_button(11, 0), 0);
    EXPECT_EQ(in.mouse_button(3, 1), 1);
    EXPECT_EQ(in.mouse_button(11, 1), 0);

    click(MouseButton::Left, 55, 54, 6301);  // 500 ms and 4 pixels away: still a double-click
    EXPECT_EQ(in.mouse_button(11, 0), 1);
}

TEST_F(InputTest, RelativePositionFunctionsReportMovementSinceTheirLastCall) {
    in.mouse_move(100, 602, 0);  // graphics (100, 100)
    EXPECT_EQ(in.mouse_pos(9), 100);
    EXPECT_EQ(in.mouse_pos(9), 0);
    EXPECT_EQ(in.mouse_pos(10), 100);
    in.mouse_move(90, 572, 0);  // graphics (90, 130)
    EXPECT_EQ(in.mouse_pos(9), -10);
    EXPECT_EQ(in.mouse_pos(10), 30);
    EXPECT_EQ(in.mouse_pos(10), 0);
}

TEST_F(InputTest, BadFunctionOrButtonRaisesError5) {
    for (int f : {-1, 2, 3, 8, 11})
        EXPECT_EQ(error_number([&] { in.mouse_pos(f); }), err::kIllegalCall) << f;
    for (int f : {0, 1, 9, 10, 14})
        EXPECT_EQ(error_number([&] { in.mouse_button(f, 0); }), err::kIllegalCall) << f;
    EXPECT_EQ(error_number([&] { in.mouse_button(2, 2); }), err::kIllegalCall);
    EXPECT_EQ(error_number([&] { in.mouse_button(2, -1); }), err::kIllegalCall);
    EXPECT_EQ(error_number([&] { in.map_coord(1, 4); }), err::kIllegalCall);
    EXPECT_EQ(error_number([&] { in.map_coord(1, -1); }), err::kIllegalCall);

    unsigned line = 0;
    try {
        line = __LINE__ + 1;
        in.mouse_button(9, 0);
    } catch (const RuntimeError& e) {
        EXPECT_EQ(Position::of(e.where()).file, "input_test.cpp");
        EXPECT_EQ(e.where().line(), line);
    }
    EXPECT_NE(line, 0u);
}

TEST_F(InputTest, MapCoordLeavesValuesAndRoundsPixelsToWholeNumbers) {
    EXPECT_EQ(in.map_coord(12.5f, 0), 13.0f);
    EXPECT_EQ(in.map_coord(-12.5f, 1), -13.0f);
    EXPECT_EQ(in.map_coord(7.25f, 1), 7.0f);
    EXPECT_EQ(in.map_coord(12.5f, 2), 12.5f);
    EXPECT_EQ(in.map_coord(-3.75f, 3), -3.75f);
}

// --- Idle detection ---------------------------------------------------------------

TEST_F(InputTest, ReadsThatFindNothingNewCountAsIdle) {
    EXPECT_EQ(in.idle_reads(), 0);
    in.next_key();
    in.mouse_button(2, 0);
    in.mouse_pos(0);
    EXPECT_EQ(in.idle_reads(), 3);

    in.mouse_move(1, 1, 0);  // an event resets the count
    EXPECT_EQ(in.idle_reads(), 0);
    in.mouse_button(2, 0);  // the first read after it found something new
    EXPECT_EQ(in.idle_reads(), 0);
    in.mouse_button(2, 0);
    EXPECT_EQ(in.idle_reads(), 1);

    in.keys().push('a');  // a key that was waiting (no event since the last read)
    in.next_key();
    EXPECT_EQ(in.idle_reads(), 0);
    in.next_key();
    EXPECT_EQ(in.idle_reads(), 1);

    in.close_requested();
    EXPECT_TRUE(in.close_requested_flag());
    EXPECT_EQ(in.idle_reads(), 0);
}

// --- Line editing -------------------------------------------------------------------

TEST(LineEditor, EchoesTypedCharactersAndEndsWithEnter) {
    LineEditor ed;
    auto a = ed.feed('T');
    EXPECT_EQ(a.kind, LineEditor::Action::Echo);
    EXPECT_EQ(a.bytes, "T");
    EXPECT_EQ(a.cells, 1);
    ed.feed('o');
    EXPECT_EQ(ed.feed(28).kind, LineEditor::Action::None);  // cursor key: ignored
    EXPECT_EQ(ed.feed(127).kind, LineEditor::Action::None);
    EXPECT_EQ(ed.feed(0xB1).kind, LineEditor::Action::Echo);  // half-width katakana, one cell
    EXPECT_EQ(ed.feed(13).kind, LineEditor::Action::Done);
    EXPECT_EQ(ed.line(), "To\xB1");
    ed.clear();
    EXPECT_EQ(ed.line(), "");
}

TEST(LineEditor, DoubleByteCharacterEchoesWhenCompleteAndErasesWhole) {
    LineEditor ed;
    std::string kanji = to_sjis("名");
    ed.feed('A');
    EXPECT_EQ(ed.feed(uint8_t(kanji[0])).kind, LineEditor::Action::None);
    auto echo = ed.feed(uint8_t(kanji[1]));
    EXPECT_EQ(echo.kind, LineEditor::Action::Echo);
    EXPECT_EQ(echo.bytes, kanji);
    EXPECT_EQ(echo.cells, 2);
    // "ソ" has the second byte 0x5C ('\'), which must not be mistaken for a character of its own.
    std::string so = to_sjis("ソ");
    ASSERT_EQ(so[1], '\\');
    ed.feed(uint8_t(so[0]));
    ed.feed(uint8_t(so[1]));
    EXPECT_EQ(ed.line(), "A" + kanji + so);

    auto erase = ed.feed(8);
    EXPECT_EQ(erase.kind, LineEditor::Action::Erase);
    EXPECT_EQ(erase.cells, 2);
    EXPECT_EQ(ed.line(), "A" + kanji);
    EXPECT_EQ(ed.feed(8).cells, 2);
    EXPECT_EQ(ed.line(), "A");
    EXPECT_EQ(ed.feed(8).cells, 1);
    EXPECT_EQ(ed.line(), "");
    EXPECT_EQ(ed.feed(8).kind, LineEditor::Action::None);  // nothing left to erase
}

TEST(LineEditor, LoneLeadByteIsDroppedAndTheLineIsBounded) {
    LineEditor ed;
    ed.feed(0x96);                                              // lead byte
    EXPECT_EQ(ed.feed(8).kind, LineEditor::Action::None);       // drops the unfinished character
    ed.feed(0x96);
    EXPECT_EQ(ed.feed(' ').kind, LineEditor::Action::Echo);     // not a second byte: the lead goes
    EXPECT_EQ(ed.line(), " ");

    ed.clear();
    for (size_t i = 0; i < LineEditor::kMaxBytes + 10; ++i) ed.feed('x');
    EXPECT_EQ(ed.line().size(), LineEditor::kMaxBytes);
    EXPECT_EQ(ed.feed('y').kind, LineEditor::Action::None);
}

TEST(SplitInputItems, CommasOutsideQuotesSeparateItems) {
    using V = std::vector<std::string>;
    EXPECT_EQ(split_input_items(""), V{""});
    EXPECT_EQ(split_input_items("Taro"), V{"Taro"});
    EXPECT_EQ(split_input_items("a,b,,c"), (V{"a", "b", "", "c"}));
    EXPECT_EQ(split_input_items("a,"), (V{"a", ""}));
    EXPECT_EQ(split_input_items("\"Smith, J\",x"), (V{"Smith, J", "x"}));
    EXPECT_EQ(split_input_items(" sp ace "), V{" sp ace "});
    EXPECT_EQ(split_input_items("\"open, quote"), V{"open, quote"});
    std::string sjis = to_sjis("山田,太郎");
    EXPECT_EQ(split_input_items(sjis), (V{to_sjis("山田"), to_sjis("太郎")}));
}

}  // namespace
}  // namespace zell
