#include "runtime/screen/screen.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cmath>
#include <functional>
#include <tuple>
#include <vector>

#include "runtime/core/errors.h"
#include "runtime/text/glyphs.h"
#include "runtime/text/sjis.h"
#include "tests/support/error_number.h"
#include "tests/support/pixels.h"

namespace zell {
namespace {

using testing::drawn;
using testing::error_number;
using testing::Extent;
using testing::pixel;
using testing::pixels_at;
using testing::pixels_of;
using testing::Px;

constexpr Rgb kBlack = rgb(0, 0, 0), kWhite = rgb(255, 255, 255), kSilver = rgb(192, 192, 192),
              kGrey = rgb(128, 128, 128), kBlue = rgb(0, 0, 255), kRed = rgb(255, 0, 0), kOlive = rgb(128, 128, 0),
              kGreen = rgb(0, 255, 0), kMagenta = rgb(255, 0, 255);
constexpr int kLineStart = 1, kLineColour = 4, kLineFill = 8;  // mask bits of draw_line
constexpr int kCell = 8 * 18;

// The points reachable from `from` through points that pass `open`, stepping to 4 or 8 neighbours.
std::set<Px> flood(Px from, const std::function<bool(Px)>& open, bool diagonal) {
    std::set<Px> seen{from};
    std::vector<Px> todo{from};
    while (!todo.empty()) {
        auto [x, y] = todo.back();
        todo.pop_back();
        for (int dx = -1; dx <= 1; ++dx)
            for (int dy = -1; dy <= 1; ++dy)
                if ((diagonal || dx == 0 || dy == 0) && open({x + dx, y + dy}) && seen.insert({x + dx, y + dy}).second)
                    todo.push_back({x + dx, y + dy});
    }
    return seen;
}

void line(Screen& s, float x1, float y1, float x2, float y2, int colour, int function = 0, int kind = 0) {
    s.draw_line(0, x1, y1, 0, x2, y2, function, colour, kind, 0, -1, kLineStart | kLineColour);
}
void box(Screen& s, float x1, float y1, float x2, float y2, int colour) { line(s, x1, y1, x2, y2, colour, 0, 2); }
void circle(Screen& s, float x, float y, float r, float aspect, int colour, int fill = 0, int fill_colour = 0,
            float start = 0, float end = 0) {
    s.draw_circle(0, x, y, r, colour, aspect, start, end, fill, 0, fill_colour, 1 | (fill ? 2 : 0));
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

TEST(Screen, StartsBlankAndCutsEachGlyphToItsCell) {
    Screen s;
    EXPECT_EQ(drawn(s.visible()).count, 0);
    EXPECT_EQ(Screen(10, 5, 8, 18, 7, 0, 3).buffer(), Image(80, 90, kBlue));
    for (int columns : {1, 133}) EXPECT_THROW(Screen(columns, 5), std::invalid_argument) << columns;
    EXPECT_EQ(Screen(132, 1).columns(), 132);
    EXPECT_THROW(Screen(81, 39, 8, 18, 16), std::invalid_argument);
    Screen low(10, 5, 8, 10);  // cells lower than the glyphs: each glyph is cut to its own row
    print_at(low, 0, 1, to_sjis("│"));
    const Extent cut = drawn(low.visible());  // the line fills rows 10 to 19 from the top and no more
    EXPECT_EQ((std::array{cut.y1, cut.y2, cut.count}), (std::array{30, 39, 10}));
}

TEST(Settings, LocateAndSetColorSetTheSelectedValues) {
    Screen s;
    s.locate(80, 38, 1, 1);
    EXPECT_EQ(cursor(s), (std::array{80, 0}));
    EXPECT_FALSE(s.cursor_shown());
    s.locate(0, 38, 1, 6);
    EXPECT_EQ(cursor(s), (std::array{80, 38}));
    EXPECT_TRUE(s.cursor_shown());
    s.set_color(0, 0, 12, 0, 4);
    s.draw_line(0, 0, 1, 0, 10, 1, 0, 0, 0, 0, -1, kLineStart);
    EXPECT_EQ(pixel(s.buffer(), 5, 1), kOlive);
    for (int mask = 0; mask < 16; ++mask) {  // exactly what the mask selects changes
        Screen t;
        auto values = [&] { return std::array{t.foreground(), t.background(), t.graphics_colour(), t.colour_mode()}; };
        const auto before = values();
        t.set_color(3, 5, 6, 2, mask);
        for (int k = 0; k < 4; ++k)
            EXPECT_EQ(values()[k], (mask >> k) & 1 ? (std::array{3, 5, 6, 2}[k]) : before[k]) << mask;
    }
}

TEST(Lines, IncludeBothEndsAreUnbrokenAndGoOnFromTheLastPoint) {
    Screen s;
    line(s, 0, 0, 300, 0, 15);
    EXPECT_EQ(drawn(s.buffer()), (Extent{0, 0, 300, 0, 301}));
    EXPECT_EQ(s.visible(), s.buffer());
    for (auto [x1, y1, x2, y2] : {std::array{7, 9, 7, 9}, {10, 10, 40, 25}, {5, 50, 8, 5}, {100, 100, 90, 130}}) {
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
    s.draw_line(0, 0, 0, 0, 300, 30, 0, 12, 0, 0, -1, kLineColour);           // no start point: from (300, 0)
    s.draw_line(1, 5, 0, 1, 0, 5, 0, 9, 0, 0, -1, kLineStart | kLineColour);  // (305, 30) to (305, 35)
    s.draw_line(0, 0, 0, 1, 3, 0, 0, 0, 0, 0, -1, 0);                         // no colour: the graphics colour 15
    EXPECT_EQ(pixels_at(s.buffer(), {{300, 1}, {300, 30}, {300, 31}, {305, 30}, {305, 34}, {305, 36}, {308, 35}}),
              (std::vector{kOlive, kOlive, kBlack, kGreen, kGreen, kBlack, kWhite}));
    Screen dots;
    dots.draw_line(0, 0, 0, 0, 47, 0, 0, 15, 0, 0, 2, kLineStart | kLineColour);  // 3 on, 3 off
    for (int x = 0; x < 48; ++x) EXPECT_EQ(pixel(dots.buffer(), x, 0) == kWhite, (x / 3) % 2 == 0) << x;
}

TEST(Boxes, CoverBothCornersInEitherOrderAndClipAtTheEdges) {
    Screen s;
    s.draw_line(0, 10, 10, 0, 20, 20, 0, 12, 2, 9, -1, kLineStart | kLineColour | kLineFill);
    EXPECT_EQ(drawn(s.buffer()), (Extent{10, 10, 20, 20, 121}));
    EXPECT_EQ(pixels_of(s.buffer(), kOlive).size(), 40u) << "the border in the box's colour, the inside filled";
    box(s, 30, 10, 40, 20, 5);  // no fill colour: filled in the box's colour
    EXPECT_EQ(pixels_of(s.buffer(), kRed).size(), 121u);
    line(s, 60, 20, 50, 10, 15, 0, 1);
    EXPECT_EQ(pixels_of(s.buffer(), kWhite).size(), 40u);
    EXPECT_EQ(pixels_at(s.buffer(), {{50, 10}, {60, 20}, {51, 11}}), (std::vector{kWhite, kWhite, kBlack}));
    box(s, 0, 0, 800, 800, 2);
    EXPECT_EQ(pixels_of(s.buffer(), rgb(0, 0, 128)).size(), size_t(648) * 702);
    box(s, -50, -50, 5, 5, 15);
    EXPECT_EQ(pixels_of(s.buffer(), kWhite).size(), 36u);
    box(s, 642, 696, 900, 900, 12);  // past the right and top edges: no row runs into the next
    EXPECT_EQ(pixels_of(s.buffer(), kOlive).size(), 36u);
}

TEST(Boxes, RasterFunctionsCombineWithWhatIsOnTheScreen) {
    Screen s;
    box(s, 0, 0, 99, 9, 12);  // olive
    // AND, OR, XOR, NOT, the background colour, the screen's own operation and an unknown one (copy).
    const std::vector<std::pair<int, Rgb>> cases = {
        {2, rgb(0, 128, 0)}, {3, rgb(128, 255, 0)}, {4, rgb(128, 127, 0)}, {5, rgb(127, 127, 255)},
        {1, kBlack},         {-1, kGreen},          {17, kGreen}};
    for (size_t k = 0; k < cases.size(); ++k) line(s, 0, float(k + 1), 99, float(k + 1), 9, cases[k].first);
    for (size_t k = 0; k < cases.size(); ++k)
        EXPECT_EQ(pixel(s.buffer(), 50, int(k) + 1), cases[k].second) << "function " << cases[k].first;
    EXPECT_EQ(pixel(s.buffer(), 50, 8), kOlive);
    line(s, 0, 8, 99, 8, 9, 4);
    line(s, 0, 8, 99, 8, 9, 4);
    EXPECT_EQ(pixel(s.buffer(), 50, 8), kOlive) << "XOR twice restores";
}

TEST(Ellipses, FillTheirBoundingBoxExactlyAndSymmetrically) {
    struct Case {
        float x, y, r, aspect;
        Extent box;
    };
    for (const Case& c : {Case{244, 100, 8, 0.5f, {236, 96, 252, 104}}, Case{10.5f, 20.5f, 2.5f, 1.4f, {8, 17, 13, 24}},
                          Case{300, 300, 15, 1, {285, 285, 315, 315}}, Case{50, 50, 0, 1, {50, 50, 50, 50}},
                          Case{50, 50, 6, 0, {44, 50, 56, 50}}}) {
        SCOPED_TRACE(::testing::Message() << c.x << "," << c.y << " r " << c.r << " aspect " << c.aspect);
        Screen s;
        circle(s, c.x, c.y, c.r, c.aspect, 15);
        Extent e = drawn(s.buffer());
        e.count = 0;
        EXPECT_EQ(e, c.box);
        const auto px = pixels_of(s.buffer(), kWhite);
        for (auto [x, y] : px)
            ASSERT_TRUE(px.count({c.box.x1 + c.box.x2 - x, y}) && px.count({x, c.box.y1 + c.box.y2 - y}));
    }
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

TEST(Ellipses, FilledEllipsesSectorsArcsAndSteps) {
    Screen s;
    circle(s, 100, 100, 20, 0.5f, 12, 1, 9);
    EXPECT_EQ(pixels_at(s.buffer(), {{100, 100}, {80, 100}, {100, 110}, {81, 110}}),
              (std::vector{kGreen, kOlive, kOlive, kBlack}));
    for (int y = 90; y <= 110; ++y) {  // every row is one unbroken run
        std::vector<int> xs;
        for (int x = 70; x <= 130; ++x)
            if (pixel(s.buffer(), x, y) != kBlack) xs.push_back(x);
        ASSERT_FALSE(xs.empty());
        EXPECT_EQ(int(xs.size()), xs.back() - xs.front() + 1) << y;
    }
    s.draw_circle(0, 200, 100, 5, 13, 1, 0, 0, 1, 0, 0, 1);  // no fill colour: filled in its colour
    EXPECT_EQ(pixel(s.buffer(), 200, 100), rgb(255, 255, 0));
    circle(s, 200, 200, 30, 1, 15, 0, 0, 0.0f, 0.25f);  // an arc from the right to the top
    circle(s, 400, 200, 30, 1, 12, 1, 9, 0.0f, 0.25f);  // the same as a sector
    for (auto [x, y] : pixels_of(s.buffer(), kWhite)) EXPECT_TRUE(x >= 199 && y >= 199) << x << "," << y;
    EXPECT_EQ(
        pixels_at(s.buffer(), {{230, 200}, {200, 230}, {200, 200}, {410, 210}, {400, 200}, {415, 200}, {390, 190}}),
        (std::vector{kWhite, kWhite, kBlack, kGreen, kOlive, kOlive, kBlack}));
    // Sectors of a circle with an odd extent: the eighths on either side of the diagonal mirror each other.
    Screen a, b;
    circle(a, 300.5f, 300.5f, 15.5f, 1, 15, 1, 15, 0.0f, 0.125f);
    circle(b, 300.5f, 300.5f, 15.5f, 1, 15, 1, 15, 0.125f, 0.25f);
    std::set<Px> mirrored;
    for (auto [x, y] : pixels_of(a.buffer(), kWhite)) mirrored.insert({y, x});
    EXPECT_EQ(mirrored, pixels_of(b.buffer(), kWhite));
    Screen whole, one;
    circle(whole, 100, 100, 10, 1, 15);
    circle(one, 100, 100, 10, 1, 15, 0, 0, 1.0f, 0.0f);  // a start of 1 counts as 0
    EXPECT_EQ(whole.buffer(), one.buffer());
    line(one, 0, 0, 100, 50, 0);
    one.draw_circle(1, 10, 0, 4, 0, 1, 0, 0, 0, -1, 0, 0);  // a step from the last point, the graphics colour
    EXPECT_EQ(pixels_at(one.buffer(), {{106, 50}, {114, 50}, {110, 54}, {110, 50}}),
              (std::vector{kWhite, kWhite, kWhite, kBlack}));
}

// However thin and wherever it starts, a filled sector reaches its centre pixel (all four of an even circle).
TEST(Ellipses, EveryThinSectorReachesItsCentre) {
    for (int k = 0; k < 32; ++k) {
        const float start = float(k) / 32, end = start + 1.0f / 128;
        Screen odd, even;
        circle(odd, 100, 100, 10, 1, 15, 1, 15, start, end);
        circle(even, 300.5f, 300.5f, 15.5f, 1, 15, 1, 15, start, end);
        EXPECT_EQ(pixel(odd.buffer(), 100, 100), kWhite) << start;
        EXPECT_LT(pixels_of(odd.buffer(), kWhite).size(), 30u) << start;  // and stays thin
        EXPECT_EQ(pixels_at(even.buffer(), {{300, 300}, {301, 300}, {300, 301}, {301, 301}}),
                  std::vector<Rgb>(4, kWhite))
            << start;
    }
}

TEST(Screen, BadArgumentsRaiseErrorsAndChangeNothing) {
    Screen s;
    line(s, 1, 1, 2, 2, 15);
    s.locate(80, 38, 0, 3);
    BlockBuffer block(2440), small(2439);
    s.get_block(0, 0, 1, 39, 19, block);
    BlockBuffer cut(block.begin(), block.begin() + 2000), garbage(2440, 0xFF), empty;
    const Image before = s.buffer();
    // clang-format off
    const std::vector<std::pair<int, std::vector<std::function<void()>>>> calls = {
      {err::kIllegalCall, {
        [&] { line(s, 0, 0, 5, 5, 16); },
        [&] { s.draw_line(0, 0, 0, 0, 5, 5, 0, 1, 2, -1, -1, kLineStart | kLineFill); },
        [&] { line(s, 0, 0, 5, 5, 1, 0, 3); },  // no such kind
        [&] { circle(s, 10, 10, -1, 1, 15); }, [&] { circle(s, 10, 10, 5, -0.5f, 15); },
        [&] { circle(s, 10, 10, 5, 1, 15, 0, 0, 1.5f, 0); }, [&] { circle(s, 10, 10, 5, 1, 16); },
        [&] { s.get_block(0, 0, 1, 39, 19, small); }, [&] { s.get_block(5, 5, 1, -6, 0, block); },
        [&] { s.put_block(0, 0, 1, 39, 19, block, 6); }, [&] { s.put_block(-3, 0, 1, 39, 19, block, 0); },
        [&] { s.put_block(0, 0, 1, 39, 19, cut, 0); }, [&] { s.put_block(0, 0, 1, 39, 19, garbage, 0); },
        [&] { s.put_block(0, 0, 1, 39, 19, empty, 0); }, [&] { s.locate(81, 0, 0, 1); }, [&] { s.locate(0, 39, 0, 2); },
        [&] { s.get_block(-32768, 0, 0, 32767, 10, block); },  // in range, but off the screen
        [&] { s.set_color(16, 0, 0, 0, 1); }, [&] { s.set_color(1, 1, 1, 6, 15); }, [&] { s.set_palette(16, 2); },
        [&] { s.set_palette(3, 8); }, [&] { s.cls(6); }, [&] { s.tab_to(256); }, [&] { s.locate(0, 0, 2, 4); },
      }},
      {err::kOverflow, {
        [&] { line(s, 0, 0, 40000, 0, 15); }, [&] { line(s, 0, NAN, 3, 0, 15); },
        [&] { circle(s, 10, 10, 1e6f, 1, 15); }, [&] { s.get_block(0, 0, 1, 32768, 0, block); },
        [&] { s.get_block(-32769, 0, 0, 0, 10, block); },
      }},
      {0, {[&] { s.locate(500, -7, 9, 0); }, [&] { s.locate(500, -7, 0, 4); },  // only what is selected is checked
           [&] { s.set_color(7, 99, 99, 99, 1); }, [&] { s.set_color(99, 0, 99, 99, 2); },
           [&] { s.set_color(99, 99, 15, 99, 4); }, [&] { s.set_color(99, 99, 99, 4, 8); }}},
    };
    // clang-format on
    for (const auto& [number, group] : calls)
        for (size_t k = 0; k < group.size(); ++k) EXPECT_EQ(error_number(group[k]), number) << "call " << k;
    for (int first = -1; first <= 40; ++first)  // every viewport that leaves the grid
        for (int count = -1; count <= 41; ++count)
            if (first < 0 || count < 1 || first + count > 39) {
                EXPECT_EQ(error_number([&] { s.set_viewport(first, count); }), err::kIllegalCall)
                    << first << "+" << count;
            }
    EXPECT_EQ(s.buffer(), before);
    EXPECT_EQ(cursor(s), (std::array{80, 38}));
    EXPECT_EQ((std::array{s.foreground(), s.background(), s.colour_mode(), s.graphics_colour(), s.viewport_rows()}),
              (std::array{7, 0, 4, 15, 39}));
    EXPECT_EQ(s.palette(3), kBlue);
    s.draw_line(0, 0, 0, 1, 1, 0, 0, 0, 0, 0, -1, 0);  // the failed calls left the last point at (2, 2)
    EXPECT_EQ(pixel(s.buffer(), 3, 2), kWhite);
    EXPECT_EQ(error_number([&] { s.draw_line(0, 0, 0, 0, 5, 5, 0, 99, 0, 99, -1, kLineStart); }), 0)
        << "a colour that is not selected is not checked";
}

TEST(Text, ForegroundsOfEightAndAboveSwitchToReverseVideoAndBack) {
    Screen s;
    box(s, 0, 0, 647, 701, 12);
    int letter = 0;
    for (uint8_t r : single_glyph('X')) letter += std::popcount(r);
    struct Step {
        int fg, mode;
        Rgb colour;
        int count;
    };
    // White cells, black letters in mode 5, clear letters in mode 4; in mode 0, 7 is silver, 15 gives mode 1.
    // clang-format off
    const std::vector<Step> steps = {{15, 5, kWhite, kCell - letter}, {15, 5, kBlack, letter}, {3, 4, kMagenta, letter},
                                     {3, 4, kOlive, kCell - letter}, {0, 4, kBlack, letter}, {7, 4, kWhite, letter},
                                     {-1, 0, 0, -1}, {7, 0, kSilver, letter}, {15, 1, kSilver, kCell - letter},
                                     {2, 0, 0, -1}};
    // clang-format on
    for (int k = 0; k < int(steps.size()); ++k) {
        const Step& st = steps[size_t(k)];
        st.fg < 0 ? s.set_color(0, 0, 0, st.mode, 8) : s.set_color(st.fg, 0, 0, 0, 1);
        print_at(s, k, 0, "X");
        EXPECT_EQ(s.colour_mode(), st.mode) << "step " << k;
        EXPECT_TRUE(st.count < 0 || ink(s, k, k, 0, st.colour) == st.count) << "step " << k;
    }
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
    std::multiset<Rgb> fixed, palette;  // a fresh palette: the fixed colours in another order
    for (int n = 0; n < 16; ++n) fixed.insert(s.fixed_colour(n)), palette.insert(Screen().palette(n));
    EXPECT_EQ(fixed, palette);
}

TEST(Text, AnItemThatDoesNotFitStartsOnTheNextRowUnlessItFollowsTabTo) {
    Screen s;
    print_at(s, 75, 3, "0123456789");
    EXPECT_EQ(s.row_bytes(3) + s.row_bytes(4).substr(0, 11), std::string(81, ' ') + "0123456789 ");
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
    EXPECT_EQ(s.row_bytes(12).substr(75) + s.row_bytes(13).substr(0, 5), "0123456789 ");
    print_at(s, 75, 15, "0123456789");  // a new statement applies the rule again
    EXPECT_EQ(s.row_bytes(16).substr(0, 10), "0123456789");
    s.locate(20, 20, 0, 3);
    EXPECT_EQ(s.tab_to(10), std::string(10, ' ')) << "behind the column: a line break first";
    EXPECT_EQ(cursor(s), (std::array{0, 21}));
    s.print_end();
    s.locate(10, 22, 0, 3);
    EXPECT_EQ(s.tab_to(10), "") << "at the column already: no line break";
    EXPECT_EQ(cursor(s), (std::array{10, 22}));
    EXPECT_EQ(s.tab_to(90).size(), 9u) << "reduced modulo the width (after a line break)";
    EXPECT_EQ(s.tab_to(81).size(), 81u);
    s.locate(0, 23, 0, 3);
    EXPECT_EQ(s.tab_to(0) + s.tab_to(255), std::string(12, ' ')) << "both ends of the range; 255 is column 12";
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
    EXPECT_EQ(s.row_bytes(5) + s.row_bytes(6).substr(0, 2), std::string(81, ' ') + me);
    print_at(s, 10, 8, me);
    EXPECT_TRUE(ink(s, 10, 10, 8, kWhite) > 3 && ink(s, 11, 11, 8, kWhite) > 3);
    print_at(s, 11, 8, "A");  // overwriting one half leaves a space in the other
    print_at(s, 20, 8, me);
    print_at(s, 20, 8, "B");
    print_at(s, 30, 8, me);  // its neighbours written on both sides leave it whole
    print_at(s, 29, 8, "C");
    print_at(s, 32, 8, "D");
    EXPECT_EQ(s.row_bytes(8).substr(29, 4), "C" + me + "D");
    s.repaint();
    for (int c : {10, 21}) {
        EXPECT_EQ(s.cell(c, 8), (TextCell{' ', 7, 0, 4, 0})) << c;
        EXPECT_TRUE(shows_buffer(s, c, c, 8)) << c;
    }
}

// Every two bytes from 80 up: a double-byte character exactly when the first is a lead byte and
// the second a trail byte, else two single characters; a lead byte that ends the text is one.
TEST(Text, EveryBytePairIsOneDoubleByteCharacterOrTwoSingleOnes) {
    Screen s;
    for (int lead = 0x80; lead < 0x100; ++lead) {
        print_at(s, 10, 12, std::string{char(lead)});
        ASSERT_EQ(std::tuple(s.cell(10, 12).flags, cursor(s)[0]), std::tuple(0, 11)) << lead;
        for (int trail = 0x20; trail < 0x100; ++trail) {
            print_at(s, 10, 12, std::string{char(lead), char(trail)});
            const bool pair = is_sjis_lead(uint8_t(lead)) && is_sjis_trail(uint8_t(trail));
            ASSERT_EQ(std::tuple(s.cell(10, 12).flags, s.cell(11, 12).flags, s.cell(11, 12).ch, cursor(s)[0]),
                      std::tuple(pair ? kLeadByte : 0, pair ? kTrailByte : 0, trail, 12))
                << lead << " " << trail;
        }
    }
}

TEST(Text, ControlCharactersAndSeparatorsMoveTheCursor) {
    Screen s;
    print_at(s, 0, 1, "ab\rX");
    print_at(s, 0, 2, "ab\ncd");
    print_at(s, 0, 4, "a\tb\tc");
    EXPECT_EQ(s.row_bytes(1).substr(0, 3) + s.row_bytes(3).substr(0, 4) + s.row_bytes(4).substr(0, 17),
              "Xb   cda       b       c");
    s.locate(0, 5, 0, 3);
    for (auto [text, separator, column] : {std::tuple{"A", 1, 14}, {"B", 1, 28}, {"C", 2, 29}, {"D", 0, 0}}) {
        s.print(text, separator);
        EXPECT_EQ(s.cursor_column(), column) << text;
    }
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
    box(s, 0, 0, 40, 20, 12);
    print_at(s, 0, 1, "SECOND");
    s.locate(0, 38, 0, 3);
    s.print("BOTTOM", 2);
    const Image before = s.visible(), buffer = s.buffer();
    const int bottom_ink = ink(s, 0, 5, 38, kWhite);
    s.print("", 0);  // the new line passes the last row
    EXPECT_EQ(cursor(s), (std::array{0, 38}));
    EXPECT_EQ(s.row_bytes(0).substr(0, 7) + s.row_bytes(37).substr(0, 7), "SECOND BOTTOM ");
    EXPECT_EQ(s.buffer(), buffer);
    for (int y = 0; y < 37 * 18; ++y)
        for (int x = 0; x < 648; x += 3) ASSERT_EQ(s.visible().at(x, y), before.at(x, y + 18)) << x << "," << y;
    EXPECT_TRUE(shows_buffer(s, 0, 80, 38));
    s.repaint();  // the graphics come back to their place, the text stays moved
    EXPECT_EQ(ink(s, 0, 5, 37, kWhite), bottom_ink);
}

// Each clearing mode blanks exactly its rows (the viewport's, those above or below it, all; 0 also
// the graphics, 5 only those) for viewports at the top, middle, bottom and over every row, and the
// text goes on at column 0 of the cleared part's first row (after 5: where it was).
TEST(Text, EachClearingModeBlanksExactlyItsRowsAndKeepsTheGraphics) {
    for (auto [first, count] : {std::pair{0, 5}, {10, 3}, {30, 9}, {0, 39}})
        for (int mode = 0; mode <= 5; ++mode) {
            Screen s;
            box(s, 0, 0, 40, 20, 12);
            for (int r = 0; r < s.rows(); ++r) print_at(s, 0, r, std::string(1, char('A' + r % 26)));
            const Image buffer = s.buffer();
            s.set_viewport(first, count);
            s.locate(7, first + count - 1, 0, 3);
            s.take_dirty();
            const Image shown = s.visible();
            s.cls(mode);
            for (int r = 0; r < s.rows(); ++r) {
                const int place = r < first ? 2 : r < first + count ? 1 : 3;  // the mode that clears it
                EXPECT_EQ(s.row_bytes(r)[0], mode % 4 == 0 || mode == place ? ' ' : char('A' + r % 26))
                    << "mode " << mode << ", viewport " << first << "+" << count << ", row " << r;
            }
            const std::array home{first, first, 0, std::min(first + count, 38), first, first + count - 1};
            EXPECT_EQ(std::tuple(s.cursor_column(), s.cursor_row(), s.viewport_first(), s.viewport_rows()),
                      std::tuple(mode == 5 ? 7 : 0, home[size_t(mode)], mode ? first : 0, mode ? count : s.rows()))
                << "mode " << mode << ", viewport " << first << "+" << count;
            EXPECT_TRUE((mode % 5 == 0 || s.buffer() == buffer) && (s.take_dirty() || s.visible() == shown))
                << "mode " << mode;
        }
}

TEST(Blocks, GetStoresAHeaderAndBottomUpPaddedRowsWithBlackBeyondTheBuffer) {
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
    EXPECT_EQ((std::array{le(0, 4), le(4, 4), le(8, 4), le(12, 2), le(14, 2), le(16, 4), le(20, 4)}),
              (std::array<uint32_t, 7>{40, 40, 20, 1, 24, 0, 2400}));
    EXPECT_EQ(le(40, 3), 0xFF0000u) << "blue, green, red bytes; the bottom row first";
    EXPECT_EQ(le(40 + 19 * 120 + 39 * 3, 3), 0x0000FFu);
    EXPECT_EQ(Screen::block_size(3, 2), 40u + 24u);  // 3 pixels padded to 12 bytes
    const int top = s.height() - 1;
    box(s, 646, top - 1, 647, top, 15);
    b.assign(76, 0xAA);
    s.get_block(646, top - 1, 0, 648, top + 1, b);  // the top-right corner and one pixel past it
    EXPECT_EQ((std::array{b[40], b[43], b[46], b[49], b[52], b[55], b[58], b[64], b[67], b[70]}),
              (std::array<uint8_t, 10>{255, 255, 0, 0, 255, 255, 0, 0, 0, 0}));
}

TEST(Blocks, PutRestoresTheImageWithItsBottomLeftAtTheCornerStretchedAndClipped) {
    Screen s;
    for (int y = 0; y < 20; ++y) line(s, 0, float(y), 39, float(y), (y * 7) % 16);
    for (int x = 0; x < 40; x += 3) line(s, float(x), 0, float(x), 19, (x * 5 + 1) % 16);
    const Image original = s.buffer();
    BlockBuffer b(2440);
    s.get_block(0, 0, 1, 39, 19, b);
    s.cls(0);
    s.put_block(100, 200, 1, 39, 19, b, 0);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 40; ++x)
            ASSERT_EQ(pixel(s.buffer(), 100 + x, 200 + y), pixel(original, x, y)) << x << "," << y;
    const Extent e = drawn(s.buffer());
    EXPECT_TRUE(e.x1 >= 100 && e.x2 <= 139 && e.y1 >= 200 && e.y2 <= 219) << e;
    EXPECT_EQ(s.visible(), s.buffer());
    s.put_block(620, 300, 0, 699, 339, b, 0);  // stretched twice and cut at the right edge
    for (int x = 620; x < 648; ++x) ASSERT_EQ(pixel(s.buffer(), x, 301), pixel(original, (x - 620) / 2, 0)) << x;
    BlockBuffer all(Screen::block_size(s.width(), s.height()));  // sizes beyond 16 bits in the header
    s.get_block(0, 0, 1, s.width() - 1, s.height() - 1, all);
    const Image before = s.buffer();
    s.cls(0);
    s.put_block(0, 0, 1, s.width() - 1, s.height() - 1, all, 0);
    EXPECT_EQ(s.buffer(), before);
}

TEST(Blocks, PutModesCombineWithWhatIsOnTheScreen) {
    Screen s;
    line(s, 0, 0, 0, 0, 12);  // olive
    line(s, 1, 0, 1, 0, 9);   // green
    BlockBuffer b(Screen::block_size(2, 1));
    s.get_block(0, 0, 0, 1, 0, b);
    box(s, 20, 20, 30, 30, 14);  // silver
    for (int mode : {2, 3, 4, 5, 1}) s.put_block(20, 18 + mode, 1, 1, 0, b, mode);
    s.put_block(20, 22, 1, 1, 0, b, 4);  // XOR twice restores
    EXPECT_EQ(pixels_at(s.buffer(), {{20, 20}, {21, 20}, {20, 21}, {21, 21}, {20, 22}, {20, 23}, {21, 19}}),
              (std::vector{kOlive, rgb(0, 192, 0), kSilver, rgb(192, 255, 192), kSilver, rgb(127, 127, 255), kGreen}));
}

}  // namespace
}  // namespace zell
