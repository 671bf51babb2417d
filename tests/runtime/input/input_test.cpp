#include "runtime/input/input.h"

#include <gtest/gtest.h>

#include <functional>

#include "runtime/core/errors.h"
#include "runtime/text/sjis.h"
#include "tests/support/error_number.h"

namespace zell {
namespace {

using testing::error_number;
using testing::error_place;

class InputTest : public ::testing::Test {
protected:
    InputTest() {
        in.set_beep([this] { ++beeps; });
    }
    void keys(std::initializer_list<Key> ks) {
        for (Key k : ks) in.key_down(k, false, false);
    }
    // A press and its release, each in a pump of its own, as a window delivers a click.
    void click(MouseButton b, int x, int y, uint64_t t) {
        in.mouse_down(b, x, y, t);
        in.pump_started();
        in.mouse_up(b, x, y);
        in.pump_started();
    }
    // mouse_button(function, button) of each pair, read in order.
    std::vector<int> buttons(std::initializer_list<std::pair<int, int>> calls) {
        std::vector<int> v;
        for (auto [f, b] : calls) v.push_back(in.mouse_button(f, b));
        return v;
    }
    // Drains the key buffer through next_key.
    std::string read_all() {
        std::string out;
        while (auto k = in.next_key()) out += char(*k);
        return out;
    }
    Input in;
    int beeps = 0;
};

TEST_F(InputTest, NavigationKeysGiveTheirCodesOnceEach) {
    in.key_down(Key::Right, false, false);
    EXPECT_EQ(in.next_key(), uint8_t(28));
    EXPECT_EQ(in.next_key(), std::nullopt);
    keys({Key::Left, Key::Up, Key::Down, Key::Clear, Key::Execute, Key::PageUp, Key::PageDown, Key::End, Key::Insert,
          Key::Home, Key::Delete});
    EXPECT_EQ(read_all(), "\x1D\x1E\x1F\x0C\x0D\x13\x14\x15\x12\x0B\x7F");
    in.key_down(Key::Delete, false, false);
    EXPECT_EQ(in.keys().pop(), uint8_t(4)) << "the buffer holds 4: only the read turns it into 127";
    keys({Key::F1, Key::F12, Key::Enter, Key::Esc, Key::Backspace, Key::Tab});
    EXPECT_TRUE(in.keys().empty()) << "function keys and character keys arrive as characters, if at all";
    for (char c : std::string("A\r\x1B\b \x03")) in.char_typed(uint8_t(c));
    EXPECT_EQ(read_all(), "A\r\x1B\b \x03");
}

TEST_F(InputTest, ShiftHomeReadsAs12AndShiftAndCtrlSetTheStateWord) {
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
    EXPECT_EQ(read_all(), "\x0C\x0B\x0C");
}

TEST_F(InputTest, AFullBufferKeeps255KeysAndBeepsForEachFurtherKey) {
    for (int i = 0; i < 300; ++i) in.char_typed(uint8_t('0' + i % 10));
    EXPECT_EQ(beeps, 45);
    const std::string got = read_all();
    ASSERT_EQ(got.size(), 255u);
    EXPECT_EQ(got.substr(0, 3), "012");
    EXPECT_EQ(got.back(), '4') << "the first 255 stay";
    in.char_typed('x');
    EXPECT_EQ(in.next_key(), uint8_t('x'));
    for (int i = 0; i < 254; ++i) in.char_typed('k');
    in.text_typed("名");  // two bytes, one free place: a double-byte character never enters halfway
    EXPECT_EQ(in.keys().size(), 254u);
    EXPECT_EQ(beeps, 46);
    in.flush_keys();
    EXPECT_EQ(in.next_key(), std::nullopt);
}

TEST_F(InputTest, TypedTextEntersAsShiftJisAndWhatHasNoFormBeeps) {
    in.text_typed("名前A");
    EXPECT_EQ(read_all(), to_sjis("名前") + "A");
    EXPECT_EQ(beeps, 0);
    in.text_typed("a😀b");
    EXPECT_EQ(read_all(), "ab");
    in.text_typed(
        "\xFF"
        "c");  // not UTF-8
    EXPECT_EQ(read_all(), "c");
    EXPECT_EQ(beeps, 2);
}

TEST_F(InputTest, PositionsAreGraphicsCoordinates) {
    click(MouseButton::Left, 0, 0, 1000);
    EXPECT_EQ(buttons({{4, 0}, {5, 0}, {7, 0}, {8, 0}}), (std::vector{0, 702, 0, 702}));
    click(MouseButton::Left, 647, 701, 5000);
    EXPECT_EQ(buttons({{4, 0}, {5, 0}}), (std::vector{647, 1}));
    in.mouse_move(100, 2, 0);
    EXPECT_EQ((std::array{in.mouse_pos(0), in.mouse_pos(1)}), (std::array{100, 700}));
    Input small(100);
    small.mouse_move(3, 10, 0);
    EXPECT_EQ(small.mouse_pos(1), 90);
}

TEST_F(InputTest, PressesAndReleasesAreCountedWithTheirPlacesPerButton) {
    in.mouse_down(MouseButton::Left, 10, 20, 0);
    EXPECT_EQ(buttons({{2, 0}, {2, 1}}), (std::vector{-1, 0}));
    in.pump_started();
    in.mouse_move(30, 40, 1);
    in.mouse_up(MouseButton::Left, 30, 40);
    EXPECT_EQ(buttons({{2, 0}, {4, 0}, {5, 0}, {7, 0}, {8, 0}}), (std::vector{0, 10, 682, 30, 662}));
    EXPECT_EQ((std::array{in.mouse().buttons[0].drag_x, in.mouse().buttons[0].drag_y, in.mouse().buttons[1].drag_x}),
              (std::array{30, 662, 0}));
    EXPECT_EQ(buttons({{6, 0}, {6, 0}, {3, 1}}), (std::vector{1, 0, 0}));
    click(MouseButton::Right, 5, 6, 2000);
    EXPECT_EQ(buttons({{3, 1}, {4, 1}, {6, 1}, {4, 0}}), (std::vector{1, 5, 1, 10}));
}

TEST_F(InputTest, TwoSlowClicksAreTwoPressesAQuickSecondOneADoubleClickThatStillReadsAsHeld) {
    click(MouseButton::Left, 50, 50, 1000);
    click(MouseButton::Left, 50, 50, 1501);
    EXPECT_EQ(buttons({{3, 0}, {3, 0}, {11, 0}}), (std::vector{2, 0, 0}));
    in.mouse_down(MouseButton::Left, 50, 50, 3000);
    EXPECT_EQ(in.mouse_button(2, 0), -1);
    in.pump_started();
    in.mouse_up(MouseButton::Left, 50, 50);
    in.mouse_down(MouseButton::Left, 53, 46, 3400);
    EXPECT_EQ(in.mouse_button(2, 0), -1) << "the second press of a double-click is held like any press";
    in.pump_started();
    in.mouse_up(MouseButton::Left, 53, 46);
    EXPECT_EQ(buttons({{3, 0}, {11, 0}, {11, 0}, {12, 0}, {13, 0}, {4, 0}}), (std::vector{2, 1, 0, 53, 702 - 46, 53}));
    EXPECT_EQ(in.mouse_button(6, 0), 4) << "every release counts";
}

// A press released in the same pump (a touchpad tap) reads as held until the next pump, then
// as released there, with every count and place as for a slower click.
TEST_F(InputTest, APressReleasedBeforeTheProgramLookedIsStillSeenHeldOnce) {
    const auto L = MouseButton::Left, R = MouseButton::Right;
    struct Case {
        const char* what;
        std::vector<std::pair<MouseButton, bool>> events;  // in one pump: button, down
        std::vector<int> held, after;                      // fn 2 of left and right, then after the next pump
        std::vector<int> counts;                           // presses, releases, double-clicks of the left button
    };
    for (const Case& c : std::vector<Case>{
             {"a tap", {{L, true}, {L, false}}, {-1, 0}, {0, 0}, {1, 1, 0}},
             {"a double tap", {{L, true}, {L, false}, {L, true}, {L, false}}, {-1, 0}, {0, 0}, {2, 2, 1}},
             {"both buttons", {{L, true}, {R, true}, {R, false}, {L, false}}, {-1, -1}, {0, 0}, {1, 1, 0}},
             {"held on", {{L, true}}, {-1, 0}, {-1, 0}, {1, 0, 0}},
         }) {
        SCOPED_TRACE(c.what);
        Input fresh;
        for (auto [b, down] : c.events) down ? fresh.mouse_down(b, 40, 2, 100) : fresh.mouse_up(b, 41, 3);
        EXPECT_EQ((std::vector{fresh.mouse_button(2, 0), fresh.mouse_button(2, 1)}), c.held);
        fresh.pump_started();
        EXPECT_EQ((std::vector{fresh.mouse_button(2, 0), fresh.mouse_button(2, 1)}), c.after);
        EXPECT_EQ((std::vector{fresh.mouse_button(3, 0), fresh.mouse_button(6, 0), fresh.mouse_button(11, 0)}),
                  c.counts);
        if (c.counts[1] > 0) {
            EXPECT_EQ((std::array{fresh.mouse_button(7, 0), fresh.mouse_button(8, 0)}), (std::array{41, 699}));
        }
    }
}

TEST_F(InputTest, AThirdQuickClickStartsAnewAndOtherButtonsFarOrLateClicksDoNotPair) {
    for (uint64_t t : {1000, 1100, 1200, 1300}) click(MouseButton::Left, 50, 50, t);
    EXPECT_EQ(buttons({{3, 0}, {11, 0}}), (std::vector{4, 2}));
    click(MouseButton::Left, 50, 50, 5000);
    click(MouseButton::Right, 50, 50, 5100);
    click(MouseButton::Left, 50, 50, 5200);  // the previous press was the right button's
    click(MouseButton::Left, 55, 50, 5300);  // too far
    click(MouseButton::Left, 55, 50, 5801);  // too late
    EXPECT_EQ(buttons({{3, 0}, {11, 0}, {3, 1}, {11, 1}}), (std::vector{4, 0, 1, 0}));
    click(MouseButton::Left, 59, 54, 6301);  // 500 ms and 4 pixels away each way: still a double-click
    EXPECT_EQ(in.mouse_button(11, 0), 1);
}

TEST_F(InputTest, RelativePositionsAndMappedCoordinates) {
    in.mouse_move(100, 602, 0);  // graphics (100, 100)
    EXPECT_EQ((std::array{in.mouse_pos(9), in.mouse_pos(9), in.mouse_pos(10)}), (std::array{100, 0, 100}));
    in.mouse_move(90, 572, 0);  // graphics (90, 130)
    EXPECT_EQ((std::array{in.mouse_pos(9), in.mouse_pos(10), in.mouse_pos(10)}), (std::array{-10, 30, 0}));
    EXPECT_EQ((std::array{in.map_coord(12.5f, 0), in.map_coord(-12.5f, 1), in.map_coord(7.25f, 1),
                          in.map_coord(12.5f, 2), in.map_coord(-3.75f, 3)}),
              (std::array{13.0f, -13.0f, 7.0f, 12.5f, -3.75f}));
}

TEST_F(InputTest, BadFunctionsOrButtonsRaiseError5AtTheCallersLine) {
    for (int f : {-1, 2, 3, 8, 11}) EXPECT_EQ(error_number([&] { in.mouse_pos(f); }), err::kIllegalCall) << f;
    for (int f : {0, 1, 9, 10, 14}) EXPECT_EQ(error_number([&] { in.mouse_button(f, 0); }), err::kIllegalCall) << f;
    for (int b : {2, -1}) EXPECT_EQ(error_number([&] { in.mouse_button(2, b); }), err::kIllegalCall) << b;
    for (int f : {4, -1}) EXPECT_EQ(error_number([&] { in.map_coord(1, f); }), err::kIllegalCall) << f;
    auto raise = [&] { in.mouse_button(9, 0); };
    EXPECT_EQ(error_place(raise), "input_test.cpp:" + std::to_string(__LINE__ - 1));
}

// Reads of every kind count up while nothing new arrives; every kind of event is counted once
// and resets the count, and so does a read that finds a key.
TEST_F(InputTest, ReadsThatFindNothingNewCountAsIdle) {
    // clang-format off
    const std::function<void()> events[] = {
        [&] { in.key_down(Key::Shift, true, false); }, [&] { in.key_up(Key::Shift); }, [&] { in.key_up(Key::Home); },
        [&] { in.char_typed('q'); }, [&] { in.text_typed("\xF0\x9F\x98\x80"); }, [&] { in.mouse_move(5, 5, 0); },
        [&] { in.mouse_down(MouseButton::Right, 5, 5, 9000); }, [&] { in.mouse_up(MouseButton::Right, 5, 5); },
        [&] { in.close_requested(); }, [&] { in.keys().push('a'); }};
    // clang-format on
    for (size_t i = 0; i < std::size(events); ++i) {
        in.flush_keys();
        in.next_key();
        in.mouse_button(2, 0);
        in.mouse_pos(0);
        const int idle = in.idle_reads();
        EXPECT_GE(idle, 3);
        const uint64_t before = in.events();
        events[i]();
        const bool event = i + 1 < std::size(events);  // the last only puts a key in the buffer
        EXPECT_EQ(std::pair(in.idle_reads(), in.events()), std::pair(event ? 0 : idle, before + event)) << i;
        (event ? in.mouse_pos(1) : in.next_key().value_or(0));
        EXPECT_EQ(in.idle_reads(), 0) << "event " << i;
        in.mouse_button(2, 1);
        EXPECT_EQ(in.idle_reads(), 1) << "event " << i;
    }
}

TEST(LineEditor, EchoesCharactersErasesWholeCharactersAndEndsWithEnter) {
    LineEditor ed;
    using A = LineEditor::Action;
    auto kind_cells = [&](uint8_t code) {
        const A a = ed.feed(code);
        return std::pair{a.kind, a.cells};
    };
    EXPECT_EQ(ed.feed('T').bytes, "T");
    for (int b : {28, 127, 0xA0}) EXPECT_EQ(kind_cells(uint8_t(b)), std::pair(A::None, 0)) << b;  // 28: a cursor key
    for (int b : {0x20, 0x7E, 0xA1, 0xDF}) EXPECT_EQ(kind_cells(uint8_t(b)), std::pair(A::Echo, 1)) << b;
    const std::string kanji = to_sjis("名"), so = to_sjis("ソ");  // ソ's second byte is '\'
    EXPECT_EQ(kind_cells(uint8_t(kanji[0])), std::pair(A::None, 0));
    const A echo = ed.feed(uint8_t(kanji[1]));
    EXPECT_EQ(std::pair(echo.kind, echo.cells), std::pair(A::Echo, 2));
    EXPECT_EQ(echo.bytes, kanji);
    ed.feed(uint8_t(so[0]));
    ed.feed(uint8_t(so[1]));
    EXPECT_EQ(ed.line(), "T ~\xA1\xDF" + kanji + so);
    for (int cells : {2, 2, 1, 1, 1, 1, 1}) EXPECT_EQ(kind_cells(8), std::pair(A::Erase, cells));
    EXPECT_EQ(kind_cells(8), std::pair(A::None, 0)) << "nothing left to erase";
    ed.feed('o');
    EXPECT_EQ(ed.feed(13).kind, A::Done);
    EXPECT_EQ(ed.line(), "o");
}

TEST(LineEditor, ALoneLeadByteIsDroppedAndTheLineIsBounded) {
    LineEditor ed;
    ed.feed(0x96);
    EXPECT_EQ(ed.feed(8).kind, LineEditor::Action::None) << "drops the unfinished character";
    ed.feed(0x96);
    EXPECT_EQ(ed.feed(' ').kind, LineEditor::Action::Echo) << "not a second byte: the lead goes";
    EXPECT_EQ(ed.line(), " ");
    ed.clear();
    for (size_t i = 0; i + 2 < LineEditor::kMaxBytes; ++i) ed.feed('x');
    ed.feed(0x96), ed.feed(0x5B), ed.feed('x');  // a double-byte character just fits, then nothing more
    EXPECT_EQ(ed.line(), std::string(LineEditor::kMaxBytes - 2, 'x') + "\x96\x5B");
}

TEST(SplitInputItems, CommasOutsideQuotesSeparateItems) {
    using V = std::vector<std::string>;
    EXPECT_EQ(split_input_items(""), V{""});
    EXPECT_EQ(split_input_items("a,b,,c"), (V{"a", "b", "", "c"}));
    EXPECT_EQ(split_input_items("a,"), (V{"a", ""}));
    EXPECT_EQ(split_input_items("\"Smith, J\",x"), (V{"Smith, J", "x"}));
    EXPECT_EQ(split_input_items(" sp ace "), V{" sp ace "});
    EXPECT_EQ(split_input_items("\"open, quote"), V{"open, quote"});
    EXPECT_EQ(split_input_items(to_sjis("山田,太郎")), (V{to_sjis("山田"), to_sjis("太郎")}));
}

}  // namespace
}  // namespace zell
