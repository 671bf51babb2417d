#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <functional>
#include <set>
#include <utility>
#include <vector>

#include "tests/support/error_number.h"
#include "runtime/errors.h"
#include "runtime/glyphs.h"
#include "runtime/screen.h"
#include "runtime/sjis.h"

namespace zell {
namespace {

constexpr Rgb kBlack = rgb(0, 0, 0);
constexpr Rgb kWhite = rgb(255, 255, 255);
constexpr Rgb kSilver = rgb(192, 192, 192);
constexpr Rgb kGrey = rgb(128, 128, 128);
constexpr Rgb kBlue = rgb(0, 0, 255);
constexpr Rgb kRed = rgb(255, 0, 0);
constexpr Rgb kDarkRed = rgb(128, 0, 0);
constexpr Rgb kOlive = rgb(128, 128, 0);
constexpr Rgb kGreen = rgb(0, 255, 0);

// Mask bits of draw_line and draw_circle.
constexpr int kLineStart = 1, kLineColour = 4, kLineFill = 8;
constexpr int kCircleColour = 1, kCircleFill = 2;

// Pixel at graphics coordinates (origin bottom left, y up).
Rgb at(const Image& im, int x, int y) { return im.at(x, im.height() - 1 - y); }

struct Extent {
    int x1 = INT_MAX, y1 = INT_MAX, x2 = INT_MIN, y2 = INT_MIN;
    int count = 0;
};

// Graphics-coordinate extent of the pixels that differ from background.
Extent extent_of(const Image& im, Rgb background) {
    Extent e;
    for (int row = 0; row < im.height(); ++row)
        for (int x = 0; x < im.width(); ++x)
            if (im.at(x, row) != background) {
                int y = im.height() - 1 - row;
                e.x1 = std::min(e.x1, x);
                e.x2 = std::max(e.x2, x);
                e.y1 = std::min(e.y1, y);
                e.y2 = std::max(e.y2, y);
                ++e.count;
            }
    return e;
}

std::set<std::pair<int, int>> pixels_of(const Image& im, Rgb colour) {
    std::set<std::pair<int, int>> out;
    for (int row = 0; row < im.height(); ++row)
        for (int x = 0; x < im.width(); ++x)
            if (im.at(x, row) == colour) out.insert({x, im.height() - 1 - row});
    return out;
}

void line(Screen& s, float x1, float y1, float x2, float y2, int colour, int function = 0) {
    s.draw_line(0, x1, y1, 0, x2, y2, function, colour, 0, 0, -1, kLineStart | kLineColour);
}

void filled_box(Screen& s, float x1, float y1, float x2, float y2, int colour, int function = 0) {
    s.draw_line(0, x1, y1, 0, x2, y2, function, colour, 2, 0, -1, kLineStart | kLineColour);
}

void circle(Screen& s, float x, float y, float r, float aspect, int colour, int fill = 0, int fill_colour = 0,
            float start = 0, float end = 0, int function = 0) {
    s.draw_circle(0, x, y, r, colour, aspect, start, end, fill, function, fill_colour,
                  kCircleColour | (fill ? kCircleFill : 0));
}

void print_at(Screen& s, int col, int row, std::string_view text, int separator = 2) {
    s.locate(col, row, 0, 3);
    s.print(text, separator);
    s.print_end();
}

// Counts pixels of colour inside the visible area of cells [c1, c2] of row r.
int count_in_cells(const Screen& s, int c1, int c2, int r, Rgb colour) {
    int n = 0;
    for (int y = r * 18; y < r * 18 + 18; ++y)
        for (int x = c1 * 8; x < (c2 + 1) * 8; ++x) n += s.visible().at(x, y) == colour;
    return n;
}

// True when the visible image equals the buffer over cells [c1, c2] of row r.
bool cells_show_buffer(const Screen& s, int c1, int c2, int r) {
    for (int y = r * 18; y < r * 18 + 18; ++y)
        for (int x = c1 * 8; x < (c2 + 1) * 8; ++x)
            if (s.visible().at(x, y) != s.buffer().at(x, y)) return false;
    return true;
}

using testing::error_number;

// ---------------------------------------------------------------------------

TEST(Glyphs, SingleByteCodesHaveLettersAndBlanks) {
    auto a = single_glyph('A');
    EXPECT_TRUE(std::any_of(a.begin(), a.end(), [](uint8_t r) { return r != 0; }));
    for (uint8_t code : {uint8_t(' '), uint8_t(0), uint8_t('\r')}) {
        auto g = single_glyph(code);
        EXPECT_TRUE(std::all_of(g.begin(), g.end(), [](uint8_t r) { return r == 0; })) << int(code);
    }
    EXPECT_NE(std::vector<uint8_t>(a.begin(), a.end()),
              std::vector<uint8_t>(single_glyph('B').begin(), single_glyph('B').end()));
}

TEST(Glyphs, JapaneseCharacterUsesBothHalvesOfItsSixteenColumns) {
    std::string me = to_sjis("メ");
    ASSERT_EQ(me.size(), 2u);
    auto g = double_glyph(uint8_t(me[0]), uint8_t(me[1]));
    uint16_t all = 0;
    for (uint16_t r : g) all |= r;
    EXPECT_NE(all & 0xFF00, 0);
    EXPECT_NE(all & 0x00FF, 0);
    // Codes outside the double-byte ranges are blank.
    for (auto [lead, trail] : {std::pair{0x41, 0x41}, std::pair{0x83, 0x20}, std::pair{0xFD, 0x40}}) {
        auto b = double_glyph(uint8_t(lead), uint8_t(trail));
        EXPECT_TRUE(std::all_of(b.begin(), b.end(), [](uint16_t r) { return r == 0; }));
    }
}

// ---------------------------------------------------------------------------

TEST(Screen, StartsWithTheFormGeometryAndDefaultColours) {
    Screen s;
    EXPECT_EQ(s.columns(), 81);
    EXPECT_EQ(s.rows(), 39);
    EXPECT_EQ(s.width(), 648);
    EXPECT_EQ(s.height(), 702);
    EXPECT_EQ(extent_of(s.buffer(), kBlack).count, 0);
    EXPECT_EQ(s.visible(), s.buffer());
    EXPECT_EQ(s.cell(80, 38), TextCell{});
    EXPECT_EQ(s.row_bytes(0), std::string(81, ' '));
    EXPECT_EQ(s.cursor_column(), 0);
    EXPECT_EQ(s.cursor_row(), 0);
    EXPECT_EQ(s.foreground(), 7);
    EXPECT_EQ(s.background(), 0);
    EXPECT_EQ(s.colour_mode(), 4);
    EXPECT_EQ(s.palette(15), kWhite);
    EXPECT_EQ(s.palette(1), kGrey);
    EXPECT_EQ(s.fixed_colour(8), kBlack);
    EXPECT_EQ(s.fixed_colour(7), kSilver);
    EXPECT_TRUE(s.take_dirty());
    EXPECT_FALSE(s.take_dirty());

    Screen small(10, 5, 8, 18, 7, 0, 3);
    EXPECT_EQ(small.width(), 80);
    EXPECT_EQ(small.height(), 90);
    EXPECT_EQ(small.buffer().at(0, 0), kBlue);
    EXPECT_THROW(Screen(1, 5), std::invalid_argument);
    EXPECT_THROW(Screen(81, 39, 8, 18, 16), std::invalid_argument);
}

// ---------------------------------------------------------------------------

TEST(Lines, BothEndPixelsAreDrawn) {
    Screen s;
    line(s, 0, 0, 300, 0, 15);
    Extent e = extent_of(s.buffer(), kBlack);
    EXPECT_EQ(e.count, 301);
    EXPECT_EQ(e.x1, 0);
    EXPECT_EQ(e.x2, 300);
    EXPECT_EQ(e.y1, 0);
    EXPECT_EQ(e.y2, 0);
    EXPECT_EQ(at(s.buffer(), 300, 0), kWhite);
    EXPECT_EQ(s.visible(), s.buffer());

    Screen p;
    line(p, 7, 9, 7, 9, 15);  // a line of one point is that pixel
    EXPECT_EQ(pixels_of(p.buffer(), kWhite), (std::set<std::pair<int, int>>{{7, 9}}));
}

TEST(Lines, SlopedLinesAreUnbrokenAndReachTheirEnds) {
    for (auto [x1, y1, x2, y2] : {std::array{10, 10, 40, 25}, std::array{5, 50, 8, 5}, std::array{60, 0, 20, 40},
                                  std::array{100, 100, 90, 130}}) {
        Screen s;
        line(s, float(x1), float(y1), float(x2), float(y2), 15);
        auto px = pixels_of(s.buffer(), kWhite);
        EXPECT_TRUE(px.count({x1, y1}) && px.count({x2, y2})) << x1 << "," << y1;
        EXPECT_EQ(int(px.size()), std::max(std::abs(x2 - x1), std::abs(y2 - y1)) + 1);
        // Walking from the start, each pixel has an 8-neighbour until the end is reached.
        std::set<std::pair<int, int>> seen{{x1, y1}};
        std::vector<std::pair<int, int>> todo{{x1, y1}};
        while (!todo.empty()) {
            auto [x, y] = todo.back();
            todo.pop_back();
            for (int dx = -1; dx <= 1; ++dx)
                for (int dy = -1; dy <= 1; ++dy)
                    if (px.count({x + dx, y + dy}) && seen.insert({x + dx, y + dy}).second)
                        todo.push_back({x + dx, y + dy});
        }
        EXPECT_EQ(seen.size(), px.size());
    }
}

TEST(Lines, StartAndEndFollowTheLastPointAndSteps) {
    Screen s;
    line(s, 10, 10, 20, 10, 15);
    // No start point given: the line goes on from the last point.
    s.draw_line(0, 0, 0, 0, 20, 30, 0, 12, 0, 0, -1, kLineColour);
    EXPECT_EQ(at(s.buffer(), 20, 11), kOlive);
    EXPECT_EQ(at(s.buffer(), 20, 30), kOlive);
    EXPECT_EQ(at(s.buffer(), 20, 31), kBlack);
    // step1 adds the last point (20, 30); step2 adds the new start point.
    s.draw_line(1, 5, 0, 1, 0, 5, 0, 9, 0, 0, -1, kLineStart | kLineColour);
    EXPECT_EQ(at(s.buffer(), 25, 30), kGreen);
    EXPECT_EQ(at(s.buffer(), 25, 35), kGreen);
    EXPECT_EQ(at(s.buffer(), 25, 36), kBlack);
    // Without a colour the graphics colour (15) is used.
    s.draw_line(0, 0, 0, 1, 3, 0, 0, 0, 0, 0, -1, 0);
    EXPECT_EQ(at(s.buffer(), 28, 35), kWhite);
}

TEST(Lines, OutOfRangeArgumentsRaiseErrors) {
    Screen s;
    line(s, 1, 1, 2, 2, 15);
    Image before = s.buffer();
    EXPECT_EQ(error_number([&] { line(s, 0, 0, 40000, 0, 15); }), err::kOverflow);
    EXPECT_EQ(error_number([&] { line(s, 0, NAN, 3, 0, 15); }), err::kOverflow);
    EXPECT_EQ(error_number([&] { s.draw_line(0, 0, 0, 0, 5, 5, 0, 16, 0, 0, -1, kLineStart | kLineColour); }),
              err::kIllegalCall);
    EXPECT_EQ(error_number([&] { s.draw_line(0, 0, 0, 0, 5, 5, 0, 1, 2, -1, -1, kLineStart | kLineFill); }),
              err::kIllegalCall);
    EXPECT_EQ(error_number([&] { s.draw_line(0, 0, 0, 0, 5, 5, 0, 1, 3, 0, -1, kLineStart); }), err::kIllegalCall);
    EXPECT_EQ(s.buffer(), before);
    // A failed call leaves the last point alone.
    s.draw_line(0, 0, 0, 1, 1, 0, 0, 0, 0, 0, -1, 0);
    EXPECT_EQ(at(s.buffer(), 3, 2), kWhite);
    // An unselected colour is not checked.
    EXPECT_EQ(error_number([&] { s.draw_line(0, 0, 0, 0, 5, 5, 0, 99, 0, 99, -1, kLineStart); }), 0);
}

TEST(Lines, DashedPenLeavesGapsAndNullPenDrawsNothing) {
    Screen s;
    s.draw_line(0, 0, 0, 0, 47, 0, 0, 15, 0, 0, 2, kLineStart | kLineColour);  // dots: 3 on, 3 off
    for (int x = 0; x < 48; ++x) EXPECT_EQ(at(s.buffer(), x, 0) == kWhite, (x / 3) % 2 == 0) << x;
    Screen n;
    n.draw_line(0, 0, 0, 0, 47, 9, 0, 15, 1, 0, 5, kLineStart | kLineColour);
    EXPECT_EQ(extent_of(n.buffer(), kBlack).count, 0);
}

// ---------------------------------------------------------------------------

TEST(Boxes, FilledBoxCoversBothCorners) {
    Screen s;
    s.draw_line(0, 10, 10, 0, 20, 20, 0, 12, 2, 9, -1, kLineStart | kLineColour | kLineFill);
    Extent e = extent_of(s.buffer(), kBlack);
    EXPECT_EQ(e.count, 121);
    EXPECT_EQ(e.x1, 10);
    EXPECT_EQ(e.x2, 20);
    EXPECT_EQ(e.y1, 10);
    EXPECT_EQ(e.y2, 20);
    for (int y = 10; y <= 20; ++y)
        for (int x = 10; x <= 20; ++x) {
            bool border = x == 10 || x == 20 || y == 10 || y == 20;
            EXPECT_EQ(at(s.buffer(), x, y), border ? kOlive : kGreen) << x << "," << y;
        }
    // Without a fill colour the box is filled in its colour.
    Screen t;
    filled_box(t, 10, 10, 20, 20, 5);
    EXPECT_EQ(pixels_of(t.buffer(), kRed).size(), 121u);
}

TEST(Boxes, OutlineInEitherCornerOrderLeavesTheInside) {
    Screen s;
    s.draw_line(0, 20, 20, 0, 10, 10, 0, 15, 1, 0, -1, kLineStart | kLineColour);
    auto px = pixels_of(s.buffer(), kWhite);
    EXPECT_EQ(px.size(), 40u);
    EXPECT_TRUE(px.count({10, 10}) && px.count({20, 20}) && px.count({10, 20}) && px.count({20, 10}));
    EXPECT_EQ(at(s.buffer(), 15, 15), kBlack);
    EXPECT_EQ(at(s.buffer(), 11, 11), kBlack);
}

TEST(Boxes, ClipAtTheBufferEdges) {
    Screen s;
    filled_box(s, 0, 0, 800, 800, 2);
    EXPECT_EQ(pixels_of(s.buffer(), rgb(0, 0, 128)).size(), size_t(648) * 702);
    filled_box(s, -50, -50, 5, 5, 15);
    EXPECT_EQ(pixels_of(s.buffer(), kWhite).size(), 36u);
}

// ---------------------------------------------------------------------------

TEST(RasterFunctions, CombineWithWhatIsOnTheScreen) {
    Screen s;
    filled_box(s, 0, 0, 99, 9, 12);  // olive 128,128,0
    line(s, 0, 1, 99, 1, 9, 2);      // AND green
    line(s, 0, 2, 99, 2, 9, 3);      // OR green
    line(s, 0, 3, 99, 3, 9, 4);      // XOR green
    line(s, 0, 4, 99, 4, 9, 5);      // NOT
    line(s, 0, 5, 99, 5, 9, 1);      // background colour
    line(s, 0, 6, 99, 6, 9, -1);     // the screen's operation: copy
    line(s, 0, 7, 99, 7, 9, 17);     // unknown: copy
    EXPECT_EQ(at(s.buffer(), 50, 1), rgb(0, 128, 0));
    EXPECT_EQ(at(s.buffer(), 50, 2), rgb(128, 255, 0));
    EXPECT_EQ(at(s.buffer(), 50, 3), rgb(128, 127, 0));
    EXPECT_EQ(at(s.buffer(), 50, 4), rgb(127, 127, 255));
    EXPECT_EQ(at(s.buffer(), 50, 5), kBlack);
    EXPECT_EQ(at(s.buffer(), 50, 6), kGreen);
    EXPECT_EQ(at(s.buffer(), 50, 7), kGreen);
    EXPECT_EQ(at(s.buffer(), 50, 8), kOlive);
    EXPECT_EQ(s.visible(), s.buffer());
}

TEST(RasterFunctions, XorDrawsEveryPixelOnceAndTwiceRestores) {
    Screen s;
    s.draw_line(0, 10, 10, 0, 30, 20, 4, 15, 1, 0, -1, kLineStart | kLineColour);
    EXPECT_EQ(pixels_of(s.buffer(), kWhite).size(), 21u * 2 + 9u * 2);
    s.draw_line(0, 40, 10, 0, 60, 20, 4, 15, 2, 0, -1, kLineStart | kLineColour);
    EXPECT_EQ(pixels_of(s.buffer(), kWhite).size(), 21u * 2 + 9u * 2 + 21u * 11);
    circle(s, 300, 300, 15, 1, 15, 0, 0, 0, 0, 4);
    circle(s, 400, 300, 15, 0.5f, 15, 1, 0, 0, 0, 4);
    circle(s, 500, 300, 15, 1, 15, 1, 0, 0.1f, 0.6f, 4);
    Screen copy_drawn;
    copy_drawn.draw_line(0, 10, 10, 0, 30, 20, 0, 15, 1, 0, -1, kLineStart | kLineColour);
    copy_drawn.draw_line(0, 40, 10, 0, 60, 20, 0, 15, 2, 0, -1, kLineStart | kLineColour);
    circle(copy_drawn, 300, 300, 15, 1, 15);
    circle(copy_drawn, 400, 300, 15, 0.5f, 15, 1);
    circle(copy_drawn, 500, 300, 15, 1, 15, 1, 0, 0.1f, 0.6f);
    EXPECT_EQ(s.buffer(), copy_drawn.buffer());

    s.draw_line(0, 10, 10, 0, 30, 20, 4, 15, 1, 0, -1, kLineStart | kLineColour);
    s.draw_line(0, 40, 10, 0, 60, 20, 4, 15, 2, 0, -1, kLineStart | kLineColour);
    circle(s, 300, 300, 15, 1, 15, 0, 0, 0, 0, 4);
    circle(s, 400, 300, 15, 0.5f, 15, 1, 0, 0, 0, 4);
    circle(s, 500, 300, 15, 1, 15, 1, 0, 0.1f, 0.6f, 4);
    EXPECT_EQ(extent_of(s.buffer(), kBlack).count, 0);
}

// ---------------------------------------------------------------------------

TEST(Ellipses, BoundingBoxIsExactAndEveryEdgeIsTouched) {
    Screen s;
    circle(s, 244, 100, 8, 0.5f, 15);
    Extent e = extent_of(s.buffer(), kBlack);
    EXPECT_EQ(e.x1, 236);
    EXPECT_EQ(e.x2, 252);
    EXPECT_EQ(e.y1, 96);
    EXPECT_EQ(e.y2, 104);
    EXPECT_EQ(at(s.buffer(), 236, 100), kWhite);
    EXPECT_EQ(at(s.buffer(), 252, 100), kWhite);
    EXPECT_EQ(at(s.buffer(), 244, 96), kWhite);
    EXPECT_EQ(at(s.buffer(), 244, 104), kWhite);
    EXPECT_EQ(at(s.buffer(), 244, 100), kBlack);  // hollow
    auto px = pixels_of(s.buffer(), kWhite);
    for (auto [x, y] : px) EXPECT_TRUE(px.count({488 - x, y}) && px.count({x, 200 - y})) << x << "," << y;
}

TEST(Ellipses, EvenSizedBoxesAreFilledToTheirEdges) {
    Screen s;
    circle(s, 10.5f, 20.5f, 2.5f, 1.4f, 15);  // box x 8..13 (rounded half away from zero), y 17..24
    Extent e = extent_of(s.buffer(), kBlack);
    EXPECT_EQ(e.x1, 8);
    EXPECT_EQ(e.x2, 13);
    EXPECT_EQ(e.y1, 17);
    EXPECT_EQ(e.y2, 24);
    auto px = pixels_of(s.buffer(), kWhite);
    for (auto [x, y] : px) EXPECT_TRUE(px.count({21 - x, y}) && px.count({x, 41 - y})) << x << "," << y;

    Screen dot;
    circle(dot, 50, 50, 0, 1, 15);
    EXPECT_EQ(pixels_of(dot.buffer(), kWhite), (std::set<std::pair<int, int>>{{50, 50}}));
    Screen flat;
    circle(flat, 50, 50, 6, 0, 15);
    Extent f = extent_of(flat.buffer(), kBlack);
    EXPECT_EQ(f.count, 13);
    EXPECT_EQ(f.y1, 50);
    EXPECT_EQ(f.y2, 50);
}

TEST(Ellipses, CircleOutlineIsClosed) {
    Screen s;
    circle(s, 300, 300, 15, 1, 15);
    Extent e = extent_of(s.buffer(), kBlack);
    EXPECT_EQ(e.x1, 285);
    EXPECT_EQ(e.x2, 315);
    EXPECT_EQ(e.y1, 285);
    EXPECT_EQ(e.y2, 315);
    // A circle looks the same turned a quarter or mirrored.
    auto px = pixels_of(s.buffer(), kWhite);
    for (auto [x, y] : px) EXPECT_TRUE(px.count({300 + (y - 300), 300 + (x - 300)}) && px.count({600 - x, y}));
    // Flooding the inside through 4-neighbours never leaves the outline.
    std::set<std::pair<int, int>> seen{{300, 300}};
    std::vector<std::pair<int, int>> todo{{300, 300}};
    while (!todo.empty()) {
        auto [x, y] = todo.back();
        todo.pop_back();
        ASSERT_TRUE(x > 285 && x < 315 && y > 285 && y < 315) << "leaked at " << x << "," << y;
        for (auto [dx, dy] : {std::pair{1, 0}, std::pair{-1, 0}, std::pair{0, 1}, std::pair{0, -1}}) {
            std::pair<int, int> n{x + dx, y + dy};
            if (!px.count(n) && seen.insert(n).second) todo.push_back(n);
        }
    }
    EXPECT_GT(seen.size(), 500u);  // the inside is open, the outline thin
}

TEST(Ellipses, FilledEllipseHasItsFillInsideTheOutline) {
    Screen s;
    circle(s, 100, 100, 20, 0.5f, 12, 1, 9);
    EXPECT_EQ(at(s.buffer(), 100, 100), kGreen);
    EXPECT_EQ(at(s.buffer(), 80, 100), kOlive);
    EXPECT_EQ(at(s.buffer(), 100, 110), kOlive);
    EXPECT_EQ(at(s.buffer(), 81, 110), kBlack);  // outside, near the box corner
    Extent e = extent_of(s.buffer(), kBlack);
    EXPECT_EQ(e.x1, 80);
    EXPECT_EQ(e.x2, 120);
    EXPECT_EQ(e.y1, 90);
    EXPECT_EQ(e.y2, 110);
    // Every row of the shape is one unbroken run.
    for (int y = 90; y <= 110; ++y) {
        int first = -1, last = -1, n = 0;
        for (int x = 70; x <= 130; ++x)
            if (at(s.buffer(), x, y) != kBlack) {
                if (first < 0) first = x;
                last = x;
                ++n;
            }
        EXPECT_EQ(n, last - first + 1) << y;
    }
    // Fill colour defaults to the colour given.
    Screen t;
    t.draw_circle(0, 100, 100, 5, 13, 1, 0, 0, 1, 0, 0, kCircleColour);
    EXPECT_EQ(at(t.buffer(), 100, 100), rgb(255, 255, 0));
}

TEST(Ellipses, ArcsAndSectorsStayInTheirTurn) {
    Screen s;
    circle(s, 200, 200, 30, 1, 15, 0, 0, 0.0f, 0.25f);  // quarter from the right to the top
    auto arc = pixels_of(s.buffer(), kWhite);
    ASSERT_FALSE(arc.empty());
    for (auto [x, y] : arc) EXPECT_TRUE(x >= 199 && y >= 199) << x << "," << y;
    EXPECT_TRUE(arc.count({230, 200}) && arc.count({200, 230}));
    EXPECT_EQ(at(s.buffer(), 200, 200), kBlack);

    Screen p;
    circle(p, 200, 200, 30, 1, 12, 1, 9, 0.0f, 0.25f);
    EXPECT_EQ(at(p.buffer(), 210, 210), kGreen);  // inside the sector
    EXPECT_EQ(at(p.buffer(), 200, 200), kOlive);  // its apex on the outline
    EXPECT_EQ(at(p.buffer(), 215, 200), kOlive);  // the radius along the start
    EXPECT_EQ(at(p.buffer(), 190, 190), kBlack);
    EXPECT_EQ(at(p.buffer(), 190, 210), kBlack);

    // A start of 1 counts as 0: the whole ellipse.
    Screen whole, one;
    circle(whole, 100, 100, 10, 1, 15);
    circle(one, 100, 100, 10, 1, 15, 0, 0, 1.0f, 0.0f);
    EXPECT_EQ(whole.buffer(), one.buffer());
}

TEST(Ellipses, BadArgumentsRaiseErrors) {
    Screen s;
    EXPECT_EQ(error_number([&] { circle(s, 10, 10, -1, 1, 15); }), err::kIllegalCall);
    EXPECT_EQ(error_number([&] { circle(s, 10, 10, 5, -0.5f, 15); }), err::kIllegalCall);
    EXPECT_EQ(error_number([&] { circle(s, 10, 10, 5, 1, 15, 0, 0, 1.5f, 0); }), err::kIllegalCall);
    EXPECT_EQ(error_number([&] { circle(s, 10, 10, 5, 1, 15, 0, 0, 0, -0.1f); }), err::kIllegalCall);
    EXPECT_EQ(error_number([&] { circle(s, 10, 10, 5, 1, 16); }), err::kIllegalCall);
    EXPECT_EQ(error_number([&] { circle(s, 10, 10, 1e6f, 1, 15); }), err::kOverflow);
    EXPECT_EQ(extent_of(s.buffer(), kBlack).count, 0);
}

TEST(Ellipses, StepAddsTheLastPointAndTheGraphicsColourIsTheDefault) {
    Screen s;
    line(s, 0, 0, 100, 50, 0);
    s.draw_circle(1, 10, 0, 4, 0, 1, 0, 0, 0, -1, 0, 0);
    Extent e = extent_of(s.buffer(), kBlack);
    EXPECT_EQ(e.x1, 106);
    EXPECT_EQ(e.x2, 114);
    EXPECT_EQ(e.y1, 46);
    EXPECT_EQ(e.y2, 54);
    EXPECT_EQ(at(s.buffer(), 106, 50), kWhite);
}

// ---------------------------------------------------------------------------

TEST(Text, PrintRecordsCellsAndDrawsOverTheGraphics) {
    Screen s;
    print_at(s, 2, 1, "A");
    EXPECT_EQ(s.cell(2, 1), (TextCell{'A', 7, 0, 4, 0}));
    EXPECT_EQ(s.cursor_column(), 3);
    EXPECT_EQ(s.cursor_row(), 1);
    EXPECT_GT(count_in_cells(s, 2, 2, 1, kWhite), 10);
    EXPECT_EQ(count_in_cells(s, 0, 80, 1, kWhite), count_in_cells(s, 2, 2, 1, kWhite));
    // The 16 glyph rows sit inside the 18-pixel cell with a blank row above and below.
    for (int x = 16; x < 24; ++x) {
        EXPECT_EQ(s.visible().at(x, 18), kBlack);
        EXPECT_EQ(s.visible().at(x, 35), kBlack);
    }
    EXPECT_EQ(extent_of(s.buffer(), kBlack).count, 0);  // text never enters the buffer
    EXPECT_EQ(s.row_bytes(1).substr(0, 4), "  A ");
}

TEST(Text, SpacesEraseLettersButNotTheBoxUnderThem) {
    Screen s;
    filled_box(s, 0, 600, 100, 701, 12);
    print_at(s, 1, 1, "ABC");
    EXPECT_FALSE(cells_show_buffer(s, 1, 3, 1));
    EXPECT_GT(count_in_cells(s, 1, 3, 1, kWhite), 30);
    print_at(s, 1, 1, "   ");
    EXPECT_EQ(s.visible(), s.buffer());
    EXPECT_EQ(count_in_cells(s, 1, 3, 1, kOlive), 3 * 8 * 18);
}

TEST(Text, ForegroundsOfEightAndAboveSwitchToReverseVideoAndBack) {
    Screen s;
    filled_box(s, 0, 0, 647, 701, 12);
    s.set_color(15, 0, 0, 0, 1);
    EXPECT_EQ(s.colour_mode(), 5);
    print_at(s, 0, 0, "X");
    int white = count_in_cells(s, 0, 0, 0, kWhite), black = count_in_cells(s, 0, 0, 0, kBlack);
    EXPECT_EQ(white + black, 8 * 18);  // opaque cell: white with black letters
    EXPECT_GT(black, 10);
    EXPECT_EQ(s.cell(0, 0).mode, 5);

    s.set_color(3, 0, 0, 0, 1);
    EXPECT_EQ(s.colour_mode(), 4);
    print_at(s, 1, 0, "X");
    EXPECT_EQ(count_in_cells(s, 1, 1, 0, kOlive) + count_in_cells(s, 1, 1, 0, rgb(255, 0, 255)), 8 * 18);
    EXPECT_EQ(count_in_cells(s, 1, 1, 0, rgb(255, 0, 255)), black);  // transparent: magenta letters on the box

    s.set_color(0, 0, 0, 0, 1);
    print_at(s, 2, 0, "X");
    EXPECT_EQ(count_in_cells(s, 2, 2, 0, kBlack), black);

    s.set_color(7, 0, 0, 0, 1);
    print_at(s, 3, 0, "X");
    EXPECT_EQ(count_in_cells(s, 3, 3, 0, kWhite), black);

    // Mode 0: 7 is silver; 15 switches to mode 1 (reverse) with silver cells.
    s.set_color(0, 0, 0, 0, 8);
    s.set_color(7, 0, 0, 0, 1);
    print_at(s, 4, 0, "X");
    EXPECT_EQ(count_in_cells(s, 4, 4, 0, kSilver), black);
    s.set_color(15, 0, 0, 0, 1);
    EXPECT_EQ(s.colour_mode(), 1);
    print_at(s, 5, 0, "X");
    EXPECT_EQ(count_in_cells(s, 5, 5, 0, kSilver), 8 * 18 - black);
    s.set_color(2, 0, 0, 0, 1);
    EXPECT_EQ(s.colour_mode(), 0);

    // Modes 2 and 3 are not switched.
    s.set_color(15, 0, 0, 2, 9);
    EXPECT_EQ(s.colour_mode(), 2);
    s.set_color(4, 0, 0, 0, 1);
    EXPECT_EQ(s.colour_mode(), 2);
}

TEST(Text, ReverseVideoBackgroundFollowsThePalette) {
    Screen s;
    s.set_color(15, 5, 0, 0, 3);
    print_at(s, 0, 0, "X");
    int letters = count_in_cells(s, 0, 0, 0, kRed);  // background number 5 is red
    EXPECT_GT(letters, 10);
    s.set_palette(5, 2);  // mode 5: bright form of basic colour 2, T[10]
    EXPECT_EQ(s.palette(5), kRed);
    s.set_palette(5, 1);
    EXPECT_EQ(s.palette(5), kBlue);
    EXPECT_EQ(count_in_cells(s, 0, 0, 0, kRed), letters);  // already drawn: unchanged
    s.repaint();
    EXPECT_EQ(count_in_cells(s, 0, 0, 0, kBlue), letters);
}

TEST(Text, AnItemThatDoesNotFitStartsOnTheNextRow) {
    Screen s;
    print_at(s, 75, 3, "0123456789");
    EXPECT_EQ(s.row_bytes(3), std::string(81, ' '));
    EXPECT_EQ(s.row_bytes(4).substr(0, 11), "0123456789 ");
    EXPECT_EQ(s.cursor_column(), 10);
    EXPECT_EQ(s.cursor_row(), 4);

    print_at(s, 75, 6, "012345");  // fits exactly; the cursor passes the end and goes on
    EXPECT_EQ(s.row_bytes(6).substr(75), "012345");
    EXPECT_EQ(s.cursor_column(), 0);
    EXPECT_EQ(s.cursor_row(), 7);

    print_at(s, 0, 8, std::string(100, 'x'));  // from column 0 it is split instead
    EXPECT_EQ(s.row_bytes(8), std::string(81, 'x'));
    EXPECT_EQ(s.row_bytes(9), std::string(19, 'x') + std::string(62, ' '));
}

TEST(Text, AnItemAfterTabToKeepsItsPlace) {
    Screen s;
    s.locate(0, 3, 0, 3);
    std::string spaces = s.tab_to(75);
    EXPECT_EQ(spaces, std::string(75, ' '));
    s.print(spaces, 2);
    s.print("0123456789", 2);
    s.print_end();
    EXPECT_EQ(s.row_bytes(3).substr(75), "012345");
    EXPECT_EQ(s.row_bytes(4).substr(0, 5), "6789 ");
    // A new statement applies the rule again.
    print_at(s, 75, 10, "0123456789");
    EXPECT_EQ(s.row_bytes(11).substr(0, 10), "0123456789");

    // A column before the output column writes a line break first.
    s.locate(20, 12, 0, 3);
    EXPECT_EQ(s.tab_to(10), std::string(10, ' '));
    EXPECT_EQ(s.cursor_row(), 13);
    EXPECT_EQ(s.cursor_column(), 0);
    s.print_end();
    s.locate(0, 14, 0, 3);
    EXPECT_EQ(s.tab_to(90).size(), 9u);  // reduced modulo the 81 columns
    EXPECT_EQ(s.tab_to(81).size(), 81u);
    s.print_end();
    EXPECT_EQ(error_number([&] { s.tab_to(256); }), err::kIllegalCall);
    EXPECT_EQ(error_number([&] { s.tab_to(-1); }), err::kIllegalCall);
}

TEST(Text, DoubleByteCharacterIsNeverSplitAtTheEndOfARow) {
    const std::string me = to_sjis("メ");
    Screen s;
    print_at(s, 0, 2, std::string(80, 'x') + me);
    EXPECT_EQ(s.cell(80, 2).ch, ' ');
    EXPECT_EQ(s.cell(80, 2).flags, 0);
    EXPECT_EQ(s.cell(0, 3).ch, uint8_t(me[0]));
    EXPECT_EQ(s.cell(0, 3).flags, kLeadByte);
    EXPECT_EQ(s.cell(1, 3).ch, uint8_t(me[1]));
    EXPECT_EQ(s.cell(1, 3).flags, kTrailByte);
    EXPECT_EQ(s.cursor_column(), 2);
    EXPECT_EQ(s.cursor_row(), 3);

    print_at(s, 80, 5, me);  // does not fit: the whole item moves
    EXPECT_EQ(s.row_bytes(5), std::string(81, ' '));
    EXPECT_EQ(s.row_bytes(6).substr(0, 2), me);
}

TEST(Text, JapaneseGlyphIsDrawnAcrossTwoCells) {
    Screen s;
    print_at(s, 10, 4, to_sjis("メ"));
    EXPECT_GT(count_in_cells(s, 10, 10, 4, kWhite), 3);
    EXPECT_GT(count_in_cells(s, 11, 11, 4, kWhite), 3);
    // Overwriting one half leaves a space in the other.
    print_at(s, 11, 4, "A");
    EXPECT_EQ(s.cell(10, 4), (TextCell{' ', 7, 0, 4, 0}));
    EXPECT_TRUE(cells_show_buffer(s, 10, 10, 4));
    EXPECT_GT(count_in_cells(s, 11, 11, 4, kWhite), 3);
    print_at(s, 20, 4, to_sjis("メ"));
    print_at(s, 20, 4, "B");
    EXPECT_EQ(s.cell(21, 4), (TextCell{' ', 7, 0, 4, 0}));
    EXPECT_TRUE(cells_show_buffer(s, 21, 21, 4));
    s.repaint();
    EXPECT_TRUE(cells_show_buffer(s, 21, 21, 4));
}

TEST(Text, ControlCharactersMoveTheCursor) {
    Screen s;
    print_at(s, 0, 1, "ab\rX");
    EXPECT_EQ(s.row_bytes(1).substr(0, 3), "Xb ");
    print_at(s, 0, 2, "ab\ncd");
    EXPECT_EQ(s.row_bytes(3).substr(0, 4), "  cd");
    print_at(s, 0, 4, "a\tb\tc");
    EXPECT_EQ(s.row_bytes(4).substr(0, 17), "a       b       c");
}

TEST(Text, SeparatorsEndTheLineOrMoveToTheNextZone) {
    Screen s;
    s.locate(0, 1, 0, 3);
    s.print("A", 1);
    EXPECT_EQ(s.cursor_column(), 14);
    s.print("B", 1);
    EXPECT_EQ(s.cursor_column(), 28);
    s.print("C", 2);
    EXPECT_EQ(s.cursor_column(), 29);
    s.print("D", 0);
    EXPECT_EQ(s.cursor_column(), 0);
    EXPECT_EQ(s.cursor_row(), 2);
    EXPECT_EQ(s.row_bytes(1).substr(0, 30), "A             B             CD");
    s.locate(60, 3, 0, 3);
    s.print("E", 1);  // the zone at 70 would leave 11 columns: new line instead
    EXPECT_EQ(s.cursor_column(), 0);
    EXPECT_EQ(s.cursor_row(), 4);
    s.locate(50, 5, 0, 3);
    s.print("F", 1);
    EXPECT_EQ(s.cursor_column(), 56);
}

TEST(Text, TheViewportScrollsButTheBufferDoesNot) {
    Screen s;
    filled_box(s, 0, 0, 40, 20, 12);
    print_at(s, 0, 0, "TOP");
    print_at(s, 0, 1, "SECOND");
    s.locate(0, 38, 0, 3);
    s.print("BOTTOM", 2);
    Image before = s.visible();
    Image buffer = s.buffer();
    const int bottom_ink = count_in_cells(s, 0, 5, 38, kWhite);
    s.print("", 0);  // the new line passes the last row
    EXPECT_EQ(s.cursor_row(), 38);
    EXPECT_EQ(s.cursor_column(), 0);
    EXPECT_EQ(s.row_bytes(0).substr(0, 7), "SECOND ");
    EXPECT_EQ(s.row_bytes(37).substr(0, 7), "BOTTOM ");
    EXPECT_EQ(s.row_bytes(38), std::string(81, ' '));
    EXPECT_EQ(s.buffer(), buffer);
    for (int y = 0; y < 37 * 18; ++y)
        for (int x = 0; x < 648; x += 3) ASSERT_EQ(s.visible().at(x, y), before.at(x, y + 18)) << x << "," << y;
    EXPECT_TRUE(cells_show_buffer(s, 0, 80, 38));
    s.repaint();  // the graphics come back to their place, the text stays moved
    EXPECT_EQ(count_in_cells(s, 0, 5, 37, kWhite), bottom_ink);
    EXPECT_TRUE(cells_show_buffer(s, 0, 80, 38));
    EXPECT_GT(count_in_cells(s, 0, 5, 38, kOlive), 0);
}

TEST(Text, OnlyTheViewportRowsScroll) {
    Screen s;
    for (int r = 0; r < 39; ++r) print_at(s, 0, r, std::string(1, char('A' + r % 26)));
    s.set_viewport(5, 10);
    EXPECT_EQ(s.cursor_row(), 5);
    s.locate(0, 14, 0, 3);
    s.print("z", 0);
    EXPECT_EQ(s.cursor_row(), 14);
    EXPECT_EQ(s.row_bytes(4)[0], 'E');
    EXPECT_EQ(s.row_bytes(5)[0], 'G');
    EXPECT_EQ(s.row_bytes(13)[0], 'z');
    EXPECT_EQ(s.row_bytes(14)[0], ' ');
    EXPECT_EQ(s.row_bytes(15)[0], 'P');
    EXPECT_EQ(error_number([&] { s.set_viewport(30, 10); }), err::kIllegalCall);
    EXPECT_EQ(error_number([&] { s.set_viewport(0, 0); }), err::kIllegalCall);
}

// ---------------------------------------------------------------------------

TEST(Cls, ModeFourRemovesAllTextAndKeepsTheGraphics) {
    Screen s;
    filled_box(s, 0, 0, 300, 701, 12);
    Image graphics = s.buffer();
    print_at(s, 3, 0, "Level 4");
    print_at(s, 70, 38, "Pins");
    s.cls(4);
    for (int r = 0; r < 39; ++r) EXPECT_EQ(s.row_bytes(r), std::string(81, ' '));
    EXPECT_EQ(s.buffer(), graphics);
    EXPECT_EQ(s.visible(), graphics);
    EXPECT_EQ(s.cursor_column(), 0);
    EXPECT_EQ(s.cursor_row(), 0);
}

TEST(Cls, ModeZeroLeavesEverythingInTheBackgroundColour) {
    Screen s;
    s.set_color(0, 1, 0, 0, 2);
    filled_box(s, 0, 0, 300, 300, 12);
    print_at(s, 3, 4, "Level 4");
    s.set_viewport(2, 5);
    s.cls(0);
    EXPECT_EQ(pixels_of(s.buffer(), kGrey).size(), size_t(648) * 702);
    EXPECT_EQ(s.visible(), s.buffer());
    EXPECT_EQ(s.row_bytes(4), std::string(81, ' '));
    EXPECT_EQ(s.cursor_row(), 2);  // the first row of the old viewport
    EXPECT_EQ(s.viewport_first(), 0);
    EXPECT_EQ(s.viewport_rows(), 39);
}

TEST(Cls, ModeFiveClearsTheGraphicsAndKeepsTheText) {
    Screen s;
    filled_box(s, 0, 0, 647, 701, 12);
    print_at(s, 3, 4, "Level 4");
    s.cls(5);
    EXPECT_EQ(extent_of(s.buffer(), kBlack).count, 0);
    EXPECT_EQ(s.row_bytes(4).substr(3, 7), "Level 4");
    EXPECT_GT(count_in_cells(s, 3, 9, 4, kWhite), 50);
    EXPECT_EQ(s.cursor_column(), 10);
    EXPECT_EQ(s.cursor_row(), 4);
}

TEST(Cls, ViewportModesClearTheirRows) {
    Screen s;
    for (int r : {2, 7, 20}) print_at(s, 0, r, "text");
    s.set_viewport(5, 10);
    s.cls(1);
    EXPECT_EQ(s.row_bytes(7)[0], ' ');
    EXPECT_EQ(s.row_bytes(2)[0], 't');
    EXPECT_EQ(s.row_bytes(20)[0], 't');
    EXPECT_EQ(s.cursor_row(), 5);
    s.cls(3);
    EXPECT_EQ(s.row_bytes(20)[0], ' ');
    EXPECT_EQ(s.row_bytes(2)[0], 't');
    EXPECT_EQ(s.cursor_row(), 15);
    s.cls(2);
    EXPECT_EQ(s.row_bytes(2)[0], ' ');
    EXPECT_EQ(s.cursor_row(), 0);
    EXPECT_EQ(s.visible(), s.buffer());

    Screen full;
    full.cls(3);  // nothing lies below a viewport of all rows
    EXPECT_EQ(full.cursor_row(), 38);
    EXPECT_EQ(error_number([&] { full.cls(6); }), err::kIllegalCall);
    EXPECT_EQ(error_number([&] { full.cls(-1); }), err::kIllegalCall);
}

// ---------------------------------------------------------------------------

TEST(Settings, LocateSetsTheSelectedFieldsAndChecksRanges) {
    Screen s;
    s.locate(80, 38, 1, 1);
    EXPECT_EQ(s.cursor_column(), 80);
    EXPECT_EQ(s.cursor_row(), 0);
    EXPECT_FALSE(s.cursor_shown());
    s.locate(0, 38, 1, 6);
    EXPECT_EQ(s.cursor_column(), 80);
    EXPECT_EQ(s.cursor_row(), 38);
    EXPECT_TRUE(s.cursor_shown());
    EXPECT_EQ(error_number([&] { s.locate(81, 0, 0, 1); }), err::kIllegalCall);
    EXPECT_EQ(error_number([&] { s.locate(0, 39, 0, 2); }), err::kIllegalCall);
    EXPECT_EQ(error_number([&] { s.locate(0, -1, 0, 3); }), err::kIllegalCall);
    EXPECT_EQ(error_number([&] { s.locate(0, 0, 2, 4); }), err::kIllegalCall);
    EXPECT_EQ(s.cursor_column(), 80);
    EXPECT_EQ(s.cursor_row(), 38);
    s.locate(500, -7, 9, 0);  // nothing selected, nothing checked
}

TEST(Settings, SetColorChecksEverySelectedNumber) {
    Screen s;
    s.set_color(0, 0, 12, 0, 4);
    line(s, 0, 0, 10, 0, 0);
    s.draw_line(0, 0, 1, 0, 10, 1, 0, 0, 0, 0, -1, kLineStart);
    EXPECT_EQ(at(s.buffer(), 5, 1), kOlive);
    EXPECT_EQ(s.graphics_colour(), 12);
    EXPECT_EQ(error_number([&] { s.set_color(16, 0, 0, 0, 1); }), err::kIllegalCall);
    EXPECT_EQ(error_number([&] { s.set_color(1, -1, 0, 0, 3); }), err::kIllegalCall);
    EXPECT_EQ(error_number([&] { s.set_color(1, 1, 16, 0, 7); }), err::kIllegalCall);
    EXPECT_EQ(error_number([&] { s.set_color(1, 1, 1, 6, 15); }), err::kIllegalCall);
    EXPECT_EQ(s.foreground(), 7);
    EXPECT_EQ(s.background(), 0);
    EXPECT_EQ(s.colour_mode(), 4);
}

TEST(Settings, PaletteChangesReachLaterDrawingsOnly) {
    Screen s;
    line(s, 0, 0, 10, 0, 3);
    s.set_palette(3, 2);
    EXPECT_EQ(s.palette(3), kRed);
    line(s, 0, 1, 10, 1, 3);
    EXPECT_EQ(at(s.buffer(), 5, 0), kBlue);
    EXPECT_EQ(at(s.buffer(), 5, 1), kRed);
    s.set_color(0, 0, 0, 0, 8);  // mode 0: the dark form
    s.set_palette(3, 2);
    EXPECT_EQ(s.palette(3), kDarkRed);
    EXPECT_EQ(error_number([&] { s.set_palette(16, 2); }), err::kIllegalCall);
    EXPECT_EQ(error_number([&] { s.set_palette(3, 8); }), err::kIllegalCall);
    EXPECT_EQ(s.palette(3), kDarkRed);
}

// ---------------------------------------------------------------------------

TEST(Blocks, GetStoresAHeaderAndBottomUpRows) {
    Screen s;
    line(s, 0, 0, 0, 0, 5);    // red at the bottom-left corner
    line(s, 39, 19, 39, 19, 3);  // blue at the top-right corner
    EXPECT_EQ(Screen::block_size(40, 20), 2440u);
    BlockBuffer b(2440, 0xAA);
    s.get_block(0, 0, 1, 39, 19, b);
    auto le32 = [&](size_t i) { return uint32_t(b[i] | b[i + 1] << 8 | b[i + 2] << 16 | uint32_t(b[i + 3]) << 24); };
    EXPECT_EQ(le32(0), 40u);
    EXPECT_EQ(le32(4), 40u);
    EXPECT_EQ(le32(8), 20u);
    EXPECT_EQ(b[12] | b[13] << 8, 1);
    EXPECT_EQ(b[14] | b[15] << 8, 24);
    EXPECT_EQ(le32(16), 0u);
    // Blue, green, red bytes; the first row is the bottom one.
    EXPECT_EQ(b[40], 0);
    EXPECT_EQ(b[41], 0);
    EXPECT_EQ(b[42], 255);
    size_t top_right = 40 + 19 * 120 + 39 * 3;
    EXPECT_EQ(b[top_right], 255);
    EXPECT_EQ(b[top_right + 2], 0);

    // Rows are padded to four bytes: 3 pixels take 12.
    EXPECT_EQ(Screen::block_size(3, 2), 40u + 24u);
    BlockBuffer small(64, 0xAA);
    s.get_block(0, 0, 0, 2, 1, small);
    EXPECT_EQ(small[40 + 9], 0);
    EXPECT_EQ(small[40 + 11], 0);
    EXPECT_EQ(small[40 + 14], 0);
}

TEST(Blocks, PutBlockRestoresTheImageWithItsBottomLeftAtTheCorner) {
    Screen s;
    for (int y = 0; y < 20; ++y) line(s, 0, float(y), 39, float(y), (y * 7) % 16);
    for (int x = 0; x < 40; x += 3) line(s, float(x), 0, float(x), 19, (x * 5 + 1) % 16);
    Image original = s.buffer();
    BlockBuffer b(2440);
    s.get_block(0, 0, 1, 39, 19, b);
    s.cls(0);
    s.put_block(100, 200, 1, 39, 19, b, 0);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 40; ++x) ASSERT_EQ(at(s.buffer(), 100 + x, 200 + y), at(original, x, y)) << x << "," << y;
    Extent e = extent_of(s.buffer(), kBlack);
    EXPECT_GE(e.x1, 100);
    EXPECT_LE(e.x2, 139);
    EXPECT_GE(e.y1, 200);
    EXPECT_LE(e.y2, 219);
    EXPECT_EQ(s.visible(), s.buffer());
}

TEST(Blocks, PutModesCombineAndStretch) {
    Screen s;
    line(s, 0, 0, 0, 0, 12);  // olive
    line(s, 1, 0, 1, 0, 9);   // green
    BlockBuffer b(Screen::block_size(2, 1));
    s.get_block(0, 0, 0, 1, 0, b);
    s.put_block(10, 10, 0, 13, 11, b, 0);  // 2 x 1 stretched to 4 x 2
    for (int y = 10; y <= 11; ++y) {
        EXPECT_EQ(at(s.buffer(), 10, y), kOlive);
        EXPECT_EQ(at(s.buffer(), 11, y), kOlive);
        EXPECT_EQ(at(s.buffer(), 12, y), kGreen);
        EXPECT_EQ(at(s.buffer(), 13, y), kGreen);
    }
    filled_box(s, 20, 20, 30, 30, 14);  // silver
    s.put_block(20, 20, 1, 1, 0, b, 2);
    EXPECT_EQ(at(s.buffer(), 20, 20), rgb(128, 128, 0));
    EXPECT_EQ(at(s.buffer(), 21, 20), rgb(0, 192, 0));
    s.put_block(20, 21, 1, 1, 0, b, 3);
    EXPECT_EQ(at(s.buffer(), 20, 21), rgb(192, 192, 192));
    EXPECT_EQ(at(s.buffer(), 21, 21), rgb(192, 255, 192));
    s.put_block(20, 22, 1, 1, 0, b, 4);
    s.put_block(20, 22, 1, 1, 0, b, 4);
    EXPECT_EQ(at(s.buffer(), 20, 22), kSilver);
    s.put_block(20, 23, 1, 1, 0, b, 5);
    EXPECT_EQ(at(s.buffer(), 20, 23), rgb(127, 127, 255));
    s.put_block(20, 24, 1, 1, 0, b, 1);
    EXPECT_EQ(at(s.buffer(), 21, 24), kGreen);
}

TEST(Blocks, BadArgumentsRaiseErrors) {
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
    BlockBuffer cut(b.begin(), b.begin() + 2000);
    EXPECT_EQ(error_number([&] { s.put_block(0, 0, 1, 39, 19, cut, 0); }), err::kIllegalCall);
    BlockBuffer garbage(2440, 0xFF);
    EXPECT_EQ(error_number([&] { s.put_block(0, 0, 1, 39, 19, garbage, 0); }), err::kIllegalCall);
    BlockBuffer empty;
    EXPECT_EQ(error_number([&] { s.put_block(0, 0, 1, 39, 19, empty, 0); }), err::kIllegalCall);
}

TEST(Blocks, PixelsBeyondTheBufferAreBlackAndClipped) {
    Screen s;
    filled_box(s, 0, 0, 647, 701, 15);
    BlockBuffer b(Screen::block_size(4, 1));
    s.get_block(646, 0, 0, 649, 0, b);
    EXPECT_EQ(b[40], 255);
    EXPECT_EQ(b[43], 255);
    EXPECT_EQ(b[46], 0);
    EXPECT_EQ(b[49], 0);
    s.put_block(0, 0, 0, 3, 0, b, 0);
    EXPECT_EQ(at(s.buffer(), 1, 0), kWhite);
    EXPECT_EQ(at(s.buffer(), 2, 0), kBlack);
    s.put_block(646, 5, 0, 649, 5, b, 0);  // the part beyond the buffer is dropped
    EXPECT_EQ(at(s.buffer(), 647, 5), kWhite);
}

// ---------------------------------------------------------------------------

TEST(Repaint, GraphicsOverTextHideItUntilTheNextRepaint) {
    Screen s;
    print_at(s, 0, 0, "A");
    int letter = count_in_cells(s, 0, 0, 0, kWhite);
    filled_box(s, 0, 684, 7, 701, 12);
    EXPECT_EQ(count_in_cells(s, 0, 0, 0, kOlive), 8 * 18);
    EXPECT_EQ(s.cell(0, 0).ch, 'A');
    s.repaint();
    EXPECT_EQ(count_in_cells(s, 0, 0, 0, kWhite), letter);
    EXPECT_EQ(count_in_cells(s, 0, 0, 0, kOlive), 8 * 18 - letter);
}

TEST(Repaint, DirtyFlagFollowsChangesOfTheVisibleImage) {
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
