#include "runtime/screen.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <tuple>
#include <vector>

#include "runtime/errors.h"
#include "runtime/glyphs.h"
#include "runtime/sjis.h"
#include "tests/support/error_number.h"
#include "tests/support/pixels.h"

namespace zell {
namespace {

using testing::drawn;
using testing::error_number;
using testing::Extent;
using testing::pixels_at;
using testing::pixels_of;
using testing::Px;

constexpr Rgb kBlack = rgb(0, 0, 0), kWhite = rgb(255, 255, 255), kSilver = rgb(192, 192, 192),
              kGrey = rgb(128, 128, 128), kBlue = rgb(0, 0, 255), kRed = rgb(255, 0, 0), kOlive = rgb(128, 128, 0),
              kGreen = rgb(0, 255, 0), kMagenta = rgb(255, 0, 255);
constexpr int kLineStart = 1, kLineColour = 4, kLineFill = 8;  // mask bits of draw_line

Rgb at(const Image& im, int x, int y) { return testing::pixel(im, x, y); }

// The points reachable from `from` through points that pass `open`, stepping to 4 or 8 neighbours.
std::set<Px> flood(Px from, const std::function<bool(Px)>& open, bool diagonal) {
    std::set<Px> seen{from};
    std::vector<Px> todo{from};
    while (!todo.empty()) {
        auto [x, y] = todo.back();
        todo.pop_back();
        for (int dx = -1; dx <= 1; ++dx)
            for (int dy = -1; dy <= 1; ++dy) {
                const Px n{x + dx, y + dy};
                if ((diagonal || dx == 0 || dy == 0) && open(n) && seen.insert(n).second) todo.push_back(n);
            }
    }
    return seen;
}

void line(Screen& s, float x1, float y1, float x2, float y2, int colour, int function = 0, int kind = 0) {
    s.draw_line(0, x1, y1, 0, x2, y2, function, colour, kind, 0, -1, kLineStart | kLineColour);
}
void filled_box(Screen& s, float x1, float y1, float x2, float y2, int colour) {
    line(s, x1, y1, x2, y2, colour, 0, 2);
}
void circle(Screen& s, float x, float y, float r, float aspect, int colour, int fill = 0, int fill_colour = 0,
            float start = 0, float end = 0, int function = 0) {
    s.draw_circle(0, x, y, r, colour, aspect, start, end, fill, function, fill_colour, 1 | (fill ? 2 : 0));
}
void print_at(Screen& s, int col, int row, std::string_view text) {
    s.locate(col, row, 0, 3);
    s.print(text, 2);
    s.print_end();
}
std::array<int, 2> cursor(const Screen& s) { return {s.cursor_column(), s.cursor_row()}; }

// Pixels of a colour in the visible image over cells [c1, c2] of row r.
int ink(const Screen& s, int c1, int c2, int r, Rgb colour) {
    int n = 0;
    for (int y = r * 18; y < r * 18 + 18; ++y)
        for (int x = c1 * 8; x < (c2 + 1) * 8; ++x) n += s.visible().at(x, y) == colour;
    return n;
}
// True when the visible image shows the buffer over cells [c1, c2] of row r.
bool shows_buffer(const Screen& s, int c1, int c2, int r) {
    for (int y = r * 18; y < r * 18 + 18; ++y)
        for (int x = c1 * 8; x < (c2 + 1) * 8; ++x)
            if (s.visible().at(x, y) != s.buffer().at(x, y)) return false;
    return true;
}

TEST(Glyphs, LettersHaveInkBlanksAndUnknownCodesHaveNone) {
    auto blank = [](auto g) { return std::all_of(g.begin(), g.end(), [](auto r) { return r == 0; }); };
    EXPECT_FALSE(blank(single_glyph('A')));
    EXPECT_FALSE(std::equal(single_glyph('A').begin(), single_glyph('A').end(), single_glyph('B').begin()));
    EXPECT_TRUE(blank(single_glyph(' ')));
    const std::string me = to_sjis("メ");
    uint16_t all = 0;
    for (uint16_t r : double_glyph(uint8_t(me[0]), uint8_t(me[1]))) all |= r;
    EXPECT_TRUE((all & 0xFF00) && (all & 0x00FF)) << "a Japanese glyph uses both halves of its 16 columns";
    for (auto [lead, trail] : {Px{0x41, 0x41}, Px{0x83, 0x20}, Px{0xFD, 0x40}})
        EXPECT_TRUE(blank(double_glyph(uint8_t(lead), uint8_t(trail))));
}

TEST(Screen, StartsWithTheFormGeometryAndDefaultColours) {
    Screen s;
    EXPECT_EQ((std::array{s.columns(), s.rows(), s.width(), s.height()}), (std::array{81, 39, 648, 702}));
    EXPECT_EQ(drawn(s.visible()).count, 0);
    EXPECT_EQ((std::array{s.foreground(), s.background(), s.colour_mode()}), (std::array{7, 0, 4}));
    EXPECT_EQ((std::array{s.palette(15), s.palette(1)}), (std::array{kWhite, kGrey}));
    Screen small(10, 5, 8, 18, 7, 0, 3);
    EXPECT_EQ(small.buffer(), Image(80, 90, kBlue));
    EXPECT_THROW(Screen(1, 5), std::invalid_argument);
    EXPECT_THROW(Screen(81, 39, 8, 18, 16), std::invalid_argument);
}

TEST(Lines, IncludeBothEndsAndAreUnbroken) {
    Screen s;
    line(s, 0, 0, 300, 0, 15);
    EXPECT_EQ(drawn(s.buffer()), (Extent{0, 0, 300, 0, 301}));
    EXPECT_EQ(s.visible(), s.buffer());
    Screen p;
    line(p, 7, 9, 7, 9, 15);
    EXPECT_EQ(pixels_of(p.buffer(), kWhite), (std::set<Px>{{7, 9}}));
    for (auto [x1, y1, x2, y2] : {std::array{10, 10, 40, 25}, std::array{5, 50, 8, 5}, std::array{60, 0, 20, 40},
                                  std::array{100, 100, 90, 130}}) {
        SCOPED_TRACE(::testing::Message() << x1 << "," << y1 << " to " << x2 << "," << y2);
        Screen l;
        line(l, float(x1), float(y1), float(x2), float(y2), 15);
        const auto px = pixels_of(l.buffer(), kWhite);
        EXPECT_TRUE(px.count({x1, y1}) && px.count({x2, y2}));
        EXPECT_EQ(int(px.size()), std::max(std::abs(x2 - x1), std::abs(y2 - y1)) + 1);
        EXPECT_EQ(flood(
                      {x1, y1}, [&](Px q) { return px.count(q) > 0; }, true),
                  px);
    }
}

TEST(Lines, StartFromTheLastPointStepsAndTheGraphicsColour) {
    Screen s;
    line(s, 10, 10, 20, 10, 15);
    s.draw_line(0, 0, 0, 0, 20, 30, 0, 12, 0, 0, -1, kLineColour);  // no start point: from (20, 10)
    EXPECT_EQ(pixels_at(s.buffer(), {{20, 11}, {20, 30}, {20, 31}}), (std::vector{kOlive, kOlive, kBlack}));
    s.draw_line(1, 5, 0, 1, 0, 5, 0, 9, 0, 0, -1, kLineStart | kLineColour);  // (25, 30) to (25, 35)
    EXPECT_EQ(pixels_at(s.buffer(), {{25, 30}, {25, 35}, {25, 36}}), (std::vector{kGreen, kGreen, kBlack}));
    s.draw_line(0, 0, 0, 1, 3, 0, 0, 0, 0, 0, -1, 0);  // no colour: the graphics colour 15
    EXPECT_EQ(at(s.buffer(), 28, 35), kWhite);
}

TEST(Lines, BadArgumentsRaiseErrorsAndDrawNothing) {
    Screen s;
    line(s, 1, 1, 2, 2, 15);
    const Image before = s.buffer();
    EXPECT_EQ(error_number([&] { line(s, 0, 0, 40000, 0, 15); }), err::kOverflow);
    EXPECT_EQ(error_number([&] { line(s, 0, NAN, 3, 0, 15); }), err::kOverflow);
    EXPECT_EQ(error_number([&] { line(s, 0, 0, 5, 5, 16); }), err::kIllegalCall);
    EXPECT_EQ(error_number([&] { s.draw_line(0, 0, 0, 0, 5, 5, 0, 1, 2, -1, -1, kLineStart | kLineFill); }),
              err::kIllegalCall);
    EXPECT_EQ(error_number([&] { line(s, 0, 0, 5, 5, 1, 0, 3); }), err::kIllegalCall);
    EXPECT_EQ(s.buffer(), before);
    s.draw_line(0, 0, 0, 1, 1, 0, 0, 0, 0, 0, -1, 0);  // a failed call left the last point at (2, 2)
    EXPECT_EQ(at(s.buffer(), 3, 2), kWhite);
    EXPECT_EQ(error_number([&] { s.draw_line(0, 0, 0, 0, 5, 5, 0, 99, 0, 99, -1, kLineStart); }), 0)
        << "a colour that is not selected is not checked";
}

TEST(Lines, DottedPenLeavesGapsAndTheNullPenDrawsNothing) {
    Screen s;
    s.draw_line(0, 0, 0, 0, 47, 0, 0, 15, 0, 0, 2, kLineStart | kLineColour);  // 3 on, 3 off
    for (int x = 0; x < 48; ++x) EXPECT_EQ(at(s.buffer(), x, 0) == kWhite, (x / 3) % 2 == 0) << x;
    Screen n;
    n.draw_line(0, 0, 0, 0, 47, 9, 0, 15, 1, 0, 5, kLineStart | kLineColour);
    EXPECT_EQ(drawn(n.buffer()).count, 0);
}

TEST(Boxes, CoverBothCornersInEitherOrderAndClipAtTheEdges) {
    Screen s;
    s.draw_line(0, 10, 10, 0, 20, 20, 0, 12, 2, 9, -1, kLineStart | kLineColour | kLineFill);
    EXPECT_EQ(drawn(s.buffer()), (Extent{10, 10, 20, 20, 121}));
    EXPECT_EQ(pixels_of(s.buffer(), kOlive).size(), 40u) << "the border in the box's colour";
    EXPECT_EQ(pixels_at(s.buffer(), {{10, 10}, {20, 20}, {11, 11}, {19, 19}}),
              (std::vector{kOlive, kOlive, kGreen, kGreen}));
    Screen t;
    filled_box(t, 10, 10, 20, 20, 5);  // no fill colour: filled in the box's colour
    EXPECT_EQ(pixels_of(t.buffer(), kRed).size(), 121u);
    Screen o;
    line(o, 20, 20, 10, 10, 15, 0, 1);
    const auto px = pixels_of(o.buffer(), kWhite);
    EXPECT_EQ(px.size(), 40u);
    EXPECT_TRUE(px.count({10, 10}) && px.count({20, 20}) && px.count({10, 20}) && px.count({20, 10}));
    EXPECT_EQ(at(o.buffer(), 11, 11), kBlack);
    Screen c;
    filled_box(c, 0, 0, 800, 800, 2);
    EXPECT_EQ(pixels_of(c.buffer(), rgb(0, 0, 128)).size(), size_t(648) * 702);
    filled_box(c, -50, -50, 5, 5, 15);
    EXPECT_EQ(pixels_of(c.buffer(), kWhite).size(), 36u);
}

TEST(RasterFunctions, CombineWithWhatIsOnTheScreen) {
    Screen s;
    filled_box(s, 0, 0, 99, 9, 12);  // olive
    const std::vector<std::pair<int, Rgb>> cases = {
        {2, rgb(0, 128, 0)}, {3, rgb(128, 255, 0)}, {4, rgb(128, 127, 0)}, {5, rgb(127, 127, 255)},
        {1, kBlack},                         // the background colour
        {-1, kGreen},        {17, kGreen}};  // the screen's own operation and an unknown one: copy
    for (size_t k = 0; k < cases.size(); ++k) line(s, 0, float(k + 1), 99, float(k + 1), 9, cases[k].first);
    for (size_t k = 0; k < cases.size(); ++k)
        EXPECT_EQ(at(s.buffer(), 50, int(k) + 1), cases[k].second) << "function " << cases[k].first;
    EXPECT_EQ(at(s.buffer(), 50, 8), kOlive);
    EXPECT_EQ(s.visible(), s.buffer());
}

TEST(RasterFunctions, XorDrawsEveryPixelOnceAndTwiceRestores) {
    auto shapes = [](Screen& s, int function) {
        s.draw_line(0, 10, 10, 0, 30, 20, function, 15, 1, 0, -1, kLineStart | kLineColour);
        s.draw_line(0, 40, 10, 0, 60, 20, function, 15, 2, 0, -1, kLineStart | kLineColour);
        circle(s, 300, 300, 15, 1, 15, 0, 0, 0, 0, function);
        circle(s, 400, 300, 15, 0.5f, 15, 1, 0, 0, 0, function);
        circle(s, 500, 300, 15, 1, 15, 1, 0, 0.1f, 0.6f, function);
    };
    Screen copied, xored;
    shapes(copied, 0);
    shapes(xored, 4);
    EXPECT_EQ(xored.buffer(), copied.buffer());
    shapes(xored, 4);
    EXPECT_EQ(drawn(xored.buffer()).count, 0);
}

TEST(Ellipses, FillTheirBoundingBoxExactlyAndSymmetrically) {
    struct Case {
        float x, y, r, aspect;
        Extent box;
    };
    for (const Case& c : {Case{244, 100, 8, 0.5f, {236, 96, 252, 104}}, Case{10.5f, 20.5f, 2.5f, 1.4f, {8, 17, 13, 24}},
                          Case{300, 300, 15, 1, {285, 285, 315, 315}}}) {
        SCOPED_TRACE(::testing::Message() << c.x << "," << c.y << " r " << c.r << " aspect " << c.aspect);
        Screen s;
        circle(s, c.x, c.y, c.r, c.aspect, 15);
        Extent e = drawn(s.buffer());
        e.count = 0;
        EXPECT_EQ(e, c.box);
        const auto px = pixels_of(s.buffer(), kWhite);
        for (auto [x, y] : px)
            ASSERT_TRUE(px.count({c.box.x1 + c.box.x2 - x, y}) && px.count({x, c.box.y1 + c.box.y2 - y}));
        const int mx = (c.box.x1 + c.box.x2) / 2, my = (c.box.y1 + c.box.y2) / 2;
        EXPECT_TRUE(px.count({c.box.x1, my}) && px.count({c.box.x2, my}) && px.count({mx, c.box.y1}) &&
                    px.count({mx, c.box.y2}));
    }
    Screen dot, flat;
    circle(dot, 50, 50, 0, 1, 15);
    EXPECT_EQ(pixels_of(dot.buffer(), kWhite), (std::set<Px>{{50, 50}}));
    circle(flat, 50, 50, 6, 0, 15);
    EXPECT_EQ(drawn(flat.buffer()), (Extent{44, 50, 56, 50, 13}));
}

TEST(Ellipses, ACircleOutlineIsClosedAndThin) {
    Screen s;
    circle(s, 300, 300, 15, 1, 15);
    const auto px = pixels_of(s.buffer(), kWhite);
    for (auto [x, y] : px) EXPECT_TRUE(px.count({300 + (y - 300), 300 + (x - 300)})) << "a quarter turn";
    auto open = [&](Px q) { return !px.count(q) && std::abs(q.first - 300) < 20 && std::abs(q.second - 300) < 20; };
    const auto inside = flood({300, 300}, open, false);
    for (auto [x, y] : inside) ASSERT_TRUE(x > 285 && x < 315 && y > 285 && y < 315) << "leaked at " << x << "," << y;
    EXPECT_GT(inside.size(), 500u);
}

TEST(Ellipses, FilledEllipsesAndSectors) {
    Screen s;
    circle(s, 100, 100, 20, 0.5f, 12, 1, 9);
    EXPECT_EQ(pixels_at(s.buffer(), {{100, 100}, {80, 100}, {100, 110}, {81, 110}}),
              (std::vector{kGreen, kOlive, kOlive, kBlack}));
    EXPECT_EQ(drawn(s.buffer()).x1, 80);
    for (int y = 90; y <= 110; ++y) {  // every row is one unbroken run
        std::vector<int> xs;
        for (int x = 70; x <= 130; ++x)
            if (at(s.buffer(), x, y) != kBlack) xs.push_back(x);
        ASSERT_FALSE(xs.empty());
        EXPECT_EQ(int(xs.size()), xs.back() - xs.front() + 1) << y;
    }
    Screen t;
    t.draw_circle(0, 100, 100, 5, 13, 1, 0, 0, 1, 0, 0, 1);  // no fill colour: filled in its colour
    EXPECT_EQ(at(t.buffer(), 100, 100), rgb(255, 255, 0));

    Screen a;
    circle(a, 200, 200, 30, 1, 15, 0, 0, 0.0f, 0.25f);  // a quarter from the right to the top
    const auto arc = pixels_of(a.buffer(), kWhite);
    for (auto [x, y] : arc) EXPECT_TRUE(x >= 199 && y >= 199) << x << "," << y;
    EXPECT_TRUE(arc.count({230, 200}) && arc.count({200, 230}));
    EXPECT_EQ(at(a.buffer(), 200, 200), kBlack);
    Screen p;
    circle(p, 200, 200, 30, 1, 12, 1, 9, 0.0f, 0.25f);
    EXPECT_EQ(pixels_at(p.buffer(), {{210, 210}, {200, 200}, {215, 200}, {190, 190}, {190, 210}}),
              (std::vector{kGreen, kOlive, kOlive, kBlack, kBlack}));
    Screen whole, one;
    circle(whole, 100, 100, 10, 1, 15);
    circle(one, 100, 100, 10, 1, 15, 0, 0, 1.0f, 0.0f);  // a start of 1 counts as 0
    EXPECT_EQ(whole.buffer(), one.buffer());
}

TEST(Ellipses, BadArgumentsStepsAndTheDefaultColour) {
    Screen s;
    EXPECT_EQ(error_number([&] { circle(s, 10, 10, -1, 1, 15); }), err::kIllegalCall);
    EXPECT_EQ(error_number([&] { circle(s, 10, 10, 5, -0.5f, 15); }), err::kIllegalCall);
    EXPECT_EQ(error_number([&] { circle(s, 10, 10, 5, 1, 15, 0, 0, 1.5f, 0); }), err::kIllegalCall);
    EXPECT_EQ(error_number([&] { circle(s, 10, 10, 5, 1, 15, 0, 0, 0, -0.1f); }), err::kIllegalCall);
    EXPECT_EQ(error_number([&] { circle(s, 10, 10, 5, 1, 16); }), err::kIllegalCall);
    EXPECT_EQ(error_number([&] { circle(s, 10, 10, 1e6f, 1, 15); }), err::kOverflow);
    EXPECT_EQ(drawn(s.buffer()).count, 0);
    line(s, 0, 0, 100, 50, 0);
    s.draw_circle(1, 10, 0, 4, 0, 1, 0, 0, 0, -1, 0, 0);  // centre (110, 50), the graphics colour
    Extent e = drawn(s.buffer());
    EXPECT_EQ((std::array{e.x1, e.y1, e.x2, e.y2}), (std::array{106, 46, 114, 54}));
    EXPECT_EQ(at(s.buffer(), 106, 50), kWhite);
}

TEST(Text, PrintRecordsCellsAndDrawsOverTheGraphicsOnly) {
    Screen s;
    print_at(s, 2, 1, "A");
    EXPECT_EQ(s.cell(2, 1), (TextCell{'A', 7, 0, 4, 0}));
    EXPECT_EQ(cursor(s), (std::array{3, 1}));
    EXPECT_GT(ink(s, 2, 2, 1, kWhite), 10);
    EXPECT_EQ(ink(s, 0, 80, 1, kWhite), ink(s, 2, 2, 1, kWhite));
    for (int x = 16; x < 24; ++x) {  // the 16 glyph rows sit in the 18-pixel cell with a blank row each side
        EXPECT_EQ(s.visible().at(x, 18), kBlack);
        EXPECT_EQ(s.visible().at(x, 35), kBlack);
    }
    EXPECT_EQ(drawn(s.buffer()).count, 0);
    EXPECT_EQ(s.row_bytes(1).substr(0, 4), "  A ");
}

TEST(Text, SpacesEraseLettersButNotTheGraphicsUnderThem) {
    Screen s;
    filled_box(s, 0, 600, 100, 701, 12);
    print_at(s, 1, 1, "ABC");
    EXPECT_GT(ink(s, 1, 3, 1, kWhite), 30);
    print_at(s, 1, 1, "   ");
    EXPECT_EQ(s.visible(), s.buffer());
    EXPECT_EQ(ink(s, 1, 3, 1, kOlive), 3 * 8 * 18);
}

TEST(Text, ForegroundsOfEightAndAboveSwitchToReverseVideoAndBack) {
    Screen s;
    filled_box(s, 0, 0, 647, 701, 12);
    auto fg = [&](int colour, int column) {
        s.set_color(colour, 0, 0, 0, 1);
        print_at(s, column, 0, "X");
    };
    fg(15, 0);  // mode 5: an opaque white cell with black letters
    EXPECT_EQ(s.colour_mode(), 5);
    EXPECT_EQ(s.cell(0, 0).mode, 5);
    const int letter = ink(s, 0, 0, 0, kBlack);
    EXPECT_GT(letter, 10);
    EXPECT_EQ(ink(s, 0, 0, 0, kWhite), 8 * 18 - letter);
    fg(3, 1);  // back to mode 4: transparent magenta letters over the box
    EXPECT_EQ(s.colour_mode(), 4);
    EXPECT_EQ(ink(s, 1, 1, 0, kMagenta), letter);
    EXPECT_EQ(ink(s, 1, 1, 0, kOlive), 8 * 18 - letter);
    fg(0, 2);
    EXPECT_EQ(ink(s, 2, 2, 0, kBlack), letter);
    fg(7, 3);
    EXPECT_EQ(ink(s, 3, 3, 0, kWhite), letter);
    s.set_color(0, 0, 0, 0, 8);  // mode 0: 7 is silver, 15 switches to mode 1 with silver cells
    fg(7, 4);
    EXPECT_EQ(ink(s, 4, 4, 0, kSilver), letter);
    fg(15, 5);
    EXPECT_EQ(s.colour_mode(), 1);
    EXPECT_EQ(ink(s, 5, 5, 0, kSilver), 8 * 18 - letter);
    s.set_color(2, 0, 0, 0, 1);
    EXPECT_EQ(s.colour_mode(), 0);
    s.set_color(15, 0, 0, 2, 9);  // modes 2 and 3 are not switched
    s.set_color(4, 0, 0, 0, 1);
    EXPECT_EQ(s.colour_mode(), 2);
}

TEST(Text, PaletteChangesReachLaterDrawingsAndRepaintedText) {
    Screen s;
    line(s, 0, 0, 10, 0, 3);
    s.set_palette(3, 2);
    line(s, 0, 1, 10, 1, 3);
    EXPECT_EQ(pixels_at(s.buffer(), {{5, 0}, {5, 1}}), (std::vector{kBlue, kRed}));
    s.set_color(15, 5, 0, 0, 3);
    print_at(s, 0, 5, "X");
    const int letters = ink(s, 0, 0, 5, kRed);  // background number 5 is red: the letters in it
    EXPECT_GT(letters, 10);
    s.set_palette(5, 1);
    EXPECT_EQ(ink(s, 0, 0, 5, kRed), letters);
    s.repaint();
    EXPECT_EQ(ink(s, 0, 0, 5, kBlue), letters);
    s.set_color(0, 0, 0, 0, 8);  // mode 0: the dark form
    s.set_palette(3, 2);
    EXPECT_EQ(s.palette(3), rgb(128, 0, 0));
    EXPECT_EQ(error_number([&] { s.set_palette(16, 2); }), err::kIllegalCall);
    EXPECT_EQ(error_number([&] { s.set_palette(3, 8); }), err::kIllegalCall);
    EXPECT_EQ(s.palette(3), rgb(128, 0, 0));
}

TEST(Text, AnItemThatDoesNotFitStartsOnTheNextRowUnlessItFollowsTabTo) {
    Screen s;
    print_at(s, 75, 3, "0123456789");
    EXPECT_EQ(s.row_bytes(3), std::string(81, ' '));
    EXPECT_EQ(s.row_bytes(4).substr(0, 11), "0123456789 ");
    EXPECT_EQ(cursor(s), (std::array{10, 4}));
    print_at(s, 75, 6, "012345");  // fits exactly: the cursor passes the end
    EXPECT_EQ(s.row_bytes(6).substr(75), "012345");
    EXPECT_EQ(cursor(s), (std::array{0, 7}));
    print_at(s, 0, 8, std::string(100, 'x'));  // from column 0 it is split instead
    EXPECT_EQ(s.row_bytes(9), std::string(19, 'x') + std::string(62, ' '));

    s.locate(0, 12, 0, 3);
    const std::string spaces = s.tab_to(75);
    EXPECT_EQ(spaces, std::string(75, ' '));
    s.print(spaces, 2);
    s.print("0123456789", 2);
    s.print_end();
    EXPECT_EQ(s.row_bytes(12).substr(75), "012345");
    EXPECT_EQ(s.row_bytes(13).substr(0, 5), "6789 ");
    print_at(s, 75, 15, "0123456789");  // a new statement applies the rule again
    EXPECT_EQ(s.row_bytes(16).substr(0, 10), "0123456789");
}

TEST(Text, TabToBreaksTheLineWhenBehindAndReducesModuloTheWidth) {
    Screen s;
    s.locate(20, 12, 0, 3);
    EXPECT_EQ(s.tab_to(10), std::string(10, ' '));
    EXPECT_EQ(cursor(s), (std::array{0, 13}));
    s.print_end();
    s.locate(0, 14, 0, 3);
    EXPECT_EQ(s.tab_to(90).size(), 9u);
    EXPECT_EQ(s.tab_to(81).size(), 81u);
    EXPECT_EQ(error_number([&] { s.tab_to(256); }), err::kIllegalCall);
    EXPECT_EQ(error_number([&] { s.tab_to(-1); }), err::kIllegalCall);
}

TEST(Text, DoubleByteCharactersTakeTwoCellsAndAreNeverSplit) {
    const std::string me = to_sjis("メ");
    Screen s;
    print_at(s, 0, 2, std::string(80, 'x') + me);
    EXPECT_EQ(s.cell(80, 2), TextCell{});
    EXPECT_EQ((std::array{s.cell(0, 3).ch, s.cell(0, 3).flags, s.cell(1, 3).ch, s.cell(1, 3).flags}),
              (std::array{uint8_t(me[0]), kLeadByte, uint8_t(me[1]), kTrailByte}));
    EXPECT_EQ(cursor(s), (std::array{2, 3}));
    print_at(s, 80, 5, me);  // does not fit: the whole item moves
    EXPECT_EQ(s.row_bytes(5), std::string(81, ' '));
    EXPECT_EQ(s.row_bytes(6).substr(0, 2), me);

    print_at(s, 10, 8, me);
    EXPECT_GT(ink(s, 10, 10, 8, kWhite), 3);
    EXPECT_GT(ink(s, 11, 11, 8, kWhite), 3);
    print_at(s, 11, 8, "A");  // overwriting one half leaves a space in the other
    EXPECT_EQ(s.cell(10, 8), (TextCell{' ', 7, 0, 4, 0}));
    EXPECT_TRUE(shows_buffer(s, 10, 10, 8));
    print_at(s, 20, 8, me);
    print_at(s, 20, 8, "B");
    EXPECT_EQ(s.cell(21, 8), (TextCell{' ', 7, 0, 4, 0}));
    EXPECT_TRUE(shows_buffer(s, 21, 21, 8));
    s.repaint();
    EXPECT_TRUE(shows_buffer(s, 21, 21, 8));
}

TEST(Text, ControlCharactersAndSeparatorsMoveTheCursor) {
    Screen s;
    print_at(s, 0, 1, "ab\rX");
    EXPECT_EQ(s.row_bytes(1).substr(0, 3), "Xb ");
    print_at(s, 0, 2, "ab\ncd");
    EXPECT_EQ(s.row_bytes(3).substr(0, 4), "  cd");
    print_at(s, 0, 4, "a\tb\tc");
    EXPECT_EQ(s.row_bytes(4).substr(0, 17), "a       b       c");

    s.locate(0, 5, 0, 3);
    for (auto [text, separator, column] : {std::tuple{"A", 1, 14}, {"B", 1, 28}, {"C", 2, 29}, {"D", 0, 0}}) {
        s.print(text, separator);
        EXPECT_EQ(s.cursor_column(), column) << text;
    }
    EXPECT_EQ(s.cursor_row(), 6);
    EXPECT_EQ(s.row_bytes(5).substr(0, 30), "A             B             CD");
    s.locate(60, 7, 0, 3);
    s.print("E", 1);  // the zone at 70 would leave 11 columns: a new line instead
    EXPECT_EQ(cursor(s), (std::array{0, 8}));
    s.locate(50, 9, 0, 3);
    s.print("F", 1);
    EXPECT_EQ(s.cursor_column(), 56);
}

TEST(Text, TheViewportScrollsButTheBufferDoesNot) {
    Screen s;
    filled_box(s, 0, 0, 40, 20, 12);
    print_at(s, 0, 1, "SECOND");
    s.locate(0, 38, 0, 3);
    s.print("BOTTOM", 2);
    const Image before = s.visible(), buffer = s.buffer();
    const int bottom_ink = ink(s, 0, 5, 38, kWhite);
    s.print("", 0);  // the new line passes the last row
    EXPECT_EQ(cursor(s), (std::array{0, 38}));
    EXPECT_EQ(s.row_bytes(0).substr(0, 7), "SECOND ");
    EXPECT_EQ(s.row_bytes(37).substr(0, 7), "BOTTOM ");
    EXPECT_EQ(s.row_bytes(38), std::string(81, ' '));
    EXPECT_EQ(s.buffer(), buffer);
    for (int y = 0; y < 37 * 18; ++y)
        for (int x = 0; x < 648; x += 3) ASSERT_EQ(s.visible().at(x, y), before.at(x, y + 18)) << x << "," << y;
    EXPECT_TRUE(shows_buffer(s, 0, 80, 38));
    s.repaint();  // the graphics come back to their place, the text stays moved
    EXPECT_EQ(ink(s, 0, 5, 37, kWhite), bottom_ink);
    EXPECT_GT(ink(s, 0, 5, 38, kOlive), 0);

    Screen v;
    for (int r = 0; r < 39; ++r) print_at(v, 0, r, std::string(1, char('A' + r % 26)));
    v.set_viewport(5, 10);
    EXPECT_EQ(v.cursor_row(), 5);
    v.locate(0, 14, 0, 3);
    v.print("z", 0);
    EXPECT_EQ(v.cursor_row(), 14);
    EXPECT_EQ(
        (std::array{v.row_bytes(4)[0], v.row_bytes(5)[0], v.row_bytes(13)[0], v.row_bytes(14)[0], v.row_bytes(15)[0]}),
        (std::array{'E', 'G', 'z', ' ', 'P'}));
    EXPECT_EQ(error_number([&] { v.set_viewport(30, 10); }), err::kIllegalCall);
    EXPECT_EQ(error_number([&] { v.set_viewport(0, 0); }), err::kIllegalCall);
}

TEST(Cls, AllTextGraphicsOrBoth) {
    Screen s;
    filled_box(s, 0, 0, 300, 701, 12);
    const Image graphics = s.buffer();
    print_at(s, 3, 4, "Level 4");
    s.cls(5);  // the graphics only
    EXPECT_EQ(drawn(s.buffer()).count, 0);
    EXPECT_EQ(s.row_bytes(4).substr(3, 7), "Level 4");
    EXPECT_GT(ink(s, 3, 9, 4, kWhite), 50);
    EXPECT_EQ(cursor(s), (std::array{10, 4}));
    filled_box(s, 0, 0, 300, 701, 12);
    print_at(s, 70, 38, "Pins");
    s.cls(4);  // all text, the graphics stay
    for (int r = 0; r < 39; ++r) EXPECT_EQ(s.row_bytes(r), std::string(81, ' '));
    EXPECT_EQ(s.buffer(), graphics);
    EXPECT_EQ(s.visible(), graphics);
    EXPECT_EQ(cursor(s), (std::array{0, 0}));

    s.set_color(0, 1, 0, 0, 2);
    print_at(s, 3, 4, "Level 4");
    s.set_viewport(2, 5);
    s.cls(0);  // everything in the background colour
    EXPECT_EQ(pixels_of(s.buffer(), kGrey).size(), size_t(648) * 702);
    EXPECT_EQ(s.visible(), s.buffer());
    EXPECT_EQ(s.row_bytes(4), std::string(81, ' '));
    EXPECT_EQ(s.cursor_row(), 2) << "the first row of the old viewport";
    EXPECT_EQ((std::array{s.viewport_first(), s.viewport_rows()}), (std::array{0, 39}));
}

TEST(Cls, ViewportModesClearTheirRows) {
    Screen s;
    for (int r : {2, 7, 20}) print_at(s, 0, r, "text");
    s.set_viewport(5, 10);
    auto first = [&] { return std::string{s.row_bytes(2)[0], s.row_bytes(7)[0], s.row_bytes(20)[0]}; };
    s.cls(1);
    EXPECT_EQ(first(), "t t");
    EXPECT_EQ(s.cursor_row(), 5);
    s.cls(3);
    EXPECT_EQ(first(), "t  ");
    EXPECT_EQ(s.cursor_row(), 15);
    s.cls(2);
    EXPECT_EQ(first(), "   ");
    EXPECT_EQ(s.cursor_row(), 0);
    EXPECT_EQ(s.visible(), s.buffer());
    Screen full;
    full.cls(3);  // nothing lies below a viewport of all rows
    EXPECT_EQ(full.cursor_row(), 38);
    EXPECT_EQ(error_number([&] { full.cls(6); }), err::kIllegalCall);
    EXPECT_EQ(error_number([&] { full.cls(-1); }), err::kIllegalCall);
}

TEST(Settings, LocateAndSetColorCheckEverySelectedValue) {
    Screen s;
    s.locate(80, 38, 1, 1);
    EXPECT_EQ(cursor(s), (std::array{80, 0}));
    EXPECT_FALSE(s.cursor_shown());
    s.locate(0, 38, 1, 6);
    EXPECT_EQ(cursor(s), (std::array{80, 38}));
    EXPECT_TRUE(s.cursor_shown());
    for (auto [c, r, cursor, mask] : {std::array{81, 0, 0, 1}, {0, 39, 0, 2}, {0, -1, 0, 3}, {0, 0, 2, 4}})
        EXPECT_EQ(error_number([&] { s.locate(c, r, cursor, mask); }), err::kIllegalCall) << c << "," << r;
    EXPECT_EQ(cursor(s), (std::array{80, 38}));
    s.locate(500, -7, 9, 0);  // nothing selected, nothing checked

    s.set_color(0, 0, 12, 0, 4);
    s.draw_line(0, 0, 1, 0, 10, 1, 0, 0, 0, 0, -1, kLineStart);
    EXPECT_EQ(at(s.buffer(), 5, 1), kOlive);
    for (auto [fg, bg, gfx, mode, mask] :
         {std::array{16, 0, 0, 0, 1}, {1, -1, 0, 0, 3}, {1, 1, 16, 0, 7}, {1, 1, 1, 6, 15}})
        EXPECT_EQ(error_number([&] { s.set_color(fg, bg, gfx, mode, mask); }), err::kIllegalCall) << mask;
    EXPECT_EQ((std::array{s.foreground(), s.background(), s.colour_mode(), s.graphics_colour()}),
              (std::array{7, 0, 4, 12}));
}

TEST(Blocks, GetStoresAHeaderAndBottomUpPaddedRows) {
    Screen s;
    line(s, 0, 0, 0, 0, 5);      // red at the bottom-left corner
    line(s, 39, 19, 39, 19, 3);  // blue at the top-right corner
    ASSERT_EQ(Screen::block_size(40, 20), 2440u);
    BlockBuffer b(2440, 0xAA);
    s.get_block(0, 0, 1, 39, 19, b);
    auto le = [&](size_t i, int n) {
        uint32_t v = 0;
        for (int k = n - 1; k >= 0; --k) v = v << 8 | b[i + size_t(k)];
        return v;
    };
    EXPECT_EQ((std::array{le(0, 4), le(4, 4), le(8, 4), le(12, 2), le(14, 2), le(16, 4)}),
              (std::array<uint32_t, 6>{40, 40, 20, 1, 24, 0}));
    EXPECT_EQ(le(40, 3), 0xFF0000u) << "blue, green, red bytes; the bottom row first";
    EXPECT_EQ(le(40 + 19 * 120 + 39 * 3, 3), 0x0000FFu);
    EXPECT_EQ(Screen::block_size(3, 2), 40u + 24u);  // 3 pixels padded to 12 bytes
    BlockBuffer small(64, 0xAA);
    s.get_block(0, 0, 0, 2, 1, small);
    EXPECT_EQ((std::array{small[49], small[51], small[54]}), (std::array<uint8_t, 3>{0, 0, 0}));
}

TEST(Blocks, PutRestoresTheImageWithItsBottomLeftAtTheCorner) {
    Screen s;
    for (int y = 0; y < 20; ++y) line(s, 0, float(y), 39, float(y), (y * 7) % 16);
    for (int x = 0; x < 40; x += 3) line(s, float(x), 0, float(x), 19, (x * 5 + 1) % 16);
    const Image original = s.buffer();
    BlockBuffer b(2440);
    s.get_block(0, 0, 1, 39, 19, b);
    s.cls(0);
    s.put_block(100, 200, 1, 39, 19, b, 0);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 40; ++x) ASSERT_EQ(at(s.buffer(), 100 + x, 200 + y), at(original, x, y)) << x << "," << y;
    const Extent e = drawn(s.buffer());
    EXPECT_TRUE(e.x1 >= 100 && e.x2 <= 139 && e.y1 >= 200 && e.y2 <= 219) << e;
    EXPECT_EQ(s.visible(), s.buffer());
}

TEST(Blocks, PutModesCombineAndStretch) {
    Screen s;
    line(s, 0, 0, 0, 0, 12);  // olive
    line(s, 1, 0, 1, 0, 9);   // green
    BlockBuffer b(Screen::block_size(2, 1));
    s.get_block(0, 0, 0, 1, 0, b);
    s.put_block(10, 10, 0, 13, 11, b, 0);  // 2 x 1 stretched to 4 x 2
    for (int y = 10; y <= 11; ++y)
        for (int x = 10; x <= 13; ++x) EXPECT_EQ(at(s.buffer(), x, y), x < 12 ? kOlive : kGreen) << x << "," << y;
    filled_box(s, 20, 20, 30, 30, 14);  // silver
    s.put_block(20, 20, 1, 1, 0, b, 2);
    s.put_block(20, 21, 1, 1, 0, b, 3);
    s.put_block(20, 22, 1, 1, 0, b, 4);
    s.put_block(20, 22, 1, 1, 0, b, 4);
    s.put_block(20, 23, 1, 1, 0, b, 5);
    s.put_block(20, 24, 1, 1, 0, b, 1);
    const std::vector<std::pair<Px, Rgb>> expected = {
        {{20, 20}, kOlive},  {{21, 20}, rgb(0, 192, 0)},     {{20, 21}, kSilver}, {{21, 21}, rgb(192, 255, 192)},
        {{20, 22}, kSilver}, {{20, 23}, rgb(127, 127, 255)}, {{21, 24}, kGreen}};
    for (auto [p, colour] : expected)
        EXPECT_EQ(at(s.buffer(), p.first, p.second), colour) << p.first << "," << p.second;
}

TEST(Blocks, BadArgumentsRaiseErrorsAndPixelsBeyondTheBufferAreBlack) {
    Screen s;
    BlockBuffer b(2439);
    EXPECT_EQ(error_number([&] { s.get_block(0, 0, 1, 39, 19, b); }), err::kIllegalCall);
    b.resize(2440);
    EXPECT_EQ(error_number([&] { s.get_block(-1, 0, 0, 39, 19, b); }), err::kIllegalCall);
    EXPECT_EQ(error_number([&] { s.get_block(5, 5, 1, -6, 0, b); }), err::kIllegalCall);
    EXPECT_EQ(error_number([&] { s.get_block(0, 0, 1, 40000, 0, b); }), err::kOverflow);
    s.get_block(0, 0, 1, 39, 19, b);
    EXPECT_EQ(error_number([&] { s.put_block(0, 0, 1, 39, 19, b, 6); }), err::kIllegalCall);
    EXPECT_EQ(error_number([&] { s.put_block(-3, 0, 1, 39, 19, b, 0); }), err::kIllegalCall);
    for (const BlockBuffer& bad : {BlockBuffer(b.begin(), b.begin() + 2000), BlockBuffer(2440, 0xFF), BlockBuffer{}})
        EXPECT_EQ(error_number([&] { s.put_block(0, 0, 1, 39, 19, bad, 0); }), err::kIllegalCall) << bad.size();

    filled_box(s, 0, 0, 647, 701, 15);
    BlockBuffer edge(Screen::block_size(4, 1));
    s.get_block(646, 0, 0, 649, 0, edge);
    EXPECT_EQ((std::array{edge[40], edge[43], edge[46], edge[49]}), (std::array<uint8_t, 4>{255, 255, 0, 0}));
    s.put_block(0, 0, 0, 3, 0, edge, 0);
    EXPECT_EQ(pixels_at(s.buffer(), {{1, 0}, {2, 0}}), (std::vector{kWhite, kBlack}));
    s.put_block(646, 5, 0, 649, 5, edge, 0);  // the part beyond the buffer is dropped
    EXPECT_EQ(at(s.buffer(), 647, 5), kWhite);
}

TEST(Repaint, GraphicsOverTextHideItUntilTheNextRepaint) {
    Screen s;
    print_at(s, 0, 0, "A");
    const int letter = ink(s, 0, 0, 0, kWhite);
    filled_box(s, 0, 684, 7, 701, 12);
    EXPECT_EQ(ink(s, 0, 0, 0, kOlive), 8 * 18);
    s.repaint();
    EXPECT_EQ(ink(s, 0, 0, 0, kWhite), letter);
    EXPECT_EQ(ink(s, 0, 0, 0, kOlive), 8 * 18 - letter);
}

TEST(Repaint, TheDirtyFlagFollowsChangesOfTheVisibleImage) {
    Screen s;
    EXPECT_TRUE(s.take_dirty());
    s.set_palette(3, 2);
    s.locate(1, 1, 0, 3);
    EXPECT_FALSE(s.take_dirty());
    s.print("x", 2);
    EXPECT_TRUE(s.take_dirty());
    EXPECT_FALSE(s.take_dirty());
    circle(s, 50, 50, 5, 1, 15);
    EXPECT_TRUE(s.take_dirty());
    s.cls(4);
    EXPECT_TRUE(s.take_dirty());
}

}  // namespace
}  // namespace zell
