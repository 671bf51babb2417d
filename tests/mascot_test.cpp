#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>

#include "tests/support/game_screens.h"

namespace zell {
namespace {

using testing::GameOnHeadless;
using testing::pixel;
using testing::same_block;
using testing::text_at;

// An ellipse of aspect 0.5 drawn straight on a screen: the pieces a figure is made of.
void ellipse(Screen& s, float x, float y, float r, int colour, bool filled) {
    s.draw_circle(0, x, y, r, colour, 0.5f, 0, 0, filled ? 1 : 0, -1, 0, 1);
}

struct Extent {
    int x1 = INT_MAX, y1 = INT_MAX, x2 = INT_MIN, y2 = INT_MIN;
    bool operator==(const Extent&) const = default;
};

// Graphics-coordinate extent of the pixels that differ from black.
Extent drawn_extent(const Image& im) {
    Extent e;
    for (int y = 0; y < im.height(); ++y)
        for (int x = 0; x < im.width(); ++x)
            if (pixel(im, x, y) != rgb(0, 0, 0)) {
                e.x1 = std::min(e.x1, x);
                e.x2 = std::max(e.x2, x);
                e.y1 = std::min(e.y1, y);
                e.y2 = std::max(e.y2, y);
            }
    return e;
}

// The palette a screen has after setting the seven mascot entries (3, 9, 11, 5, 7, 13, 15)
// to the given base colours.
std::array<Rgb, 7> palette_with(const std::array<int, 7>& colours) {
    const int entries[] = {3, 9, 11, 5, 7, 13, 15};
    Screen ref;
    std::array<Rgb, 7> out{};
    for (int c = 0; c < 7; ++c) {
        ref.set_palette(entries[c], colours[size_t(c)]);
        out[size_t(c)] = ref.palette(entries[c]);
    }
    return out;
}

std::array<Rgb, 7> mascot_entries(const Screen& s) {
    const int entries[] = {3, 9, 11, 5, 7, 13, 15};
    std::array<Rgb, 7> out{};
    for (int c = 0; c < 7; ++c) out[size_t(c)] = s.palette(entries[c]);
    return out;
}

const std::array<int, 7> kBase = {1, 4, 5, 2, 3, 6, 7};
const std::array<int, 7> kRotated1 = {4, 5, 2, 3, 6, 7, 1};
const std::array<int, 7> kRotated2 = {5, 2, 3, 6, 7, 1, 4};
const std::array<int, 7> kRotated3 = {2, 3, 6, 7, 1, 4, 5};

TEST(MascotFigures, BodyAndSpotsOfTheFourVariants) {
    // Size 16 at (100, 200), (200, 200), (300, 200) and (400, 200) in colour 13. The spots
    // stand 16 / 5.5 = 2.909 below and above the centre, 0.6 x 16 = 9.6 left (right for MOSX3),
    // with radius 16 / 4 - 1 = 3 on the filled figures and 4 on the outline ones.
    GameOnHeadless t;
    t.run([&] {
        t.g.MOSX(13, 100, 200, 16);
        t.g.MOSX1(13, 200, 200, 16);
        t.g.MOSX2(13, 300, 200, 16);
        t.g.MOSX3(13, 400, 200, 16);
    });
    Screen ref;
    ellipse(ref, 100, 200, 16, 13, true);
    ellipse(ref, 90.4f, 197.0909f, 3, 0, true);
    ellipse(ref, 90.4f, 202.9091f, 3, 0, true);
    ellipse(ref, 200, 200, 16, 13, false);
    ellipse(ref, 190.4f, 197.0909f, 4, 13, false);
    ellipse(ref, 190.4f, 202.9091f, 4, 13, false);
    ellipse(ref, 300, 200, 16, 13, false);
    ellipse(ref, 290.4f, 197.0909f, 4, 13, true);
    ellipse(ref, 290.4f, 202.9091f, 4, 13, true);
    ellipse(ref, 400, 200, 16, 13, true);
    ellipse(ref, 409.6f, 197.0909f, 3, 0, true);
    ellipse(ref, 409.6f, 202.9091f, 3, 0, true);
    EXPECT_TRUE(t.buffer() == ref.buffer());

    Rgb colour = t.screen().palette(13), black = rgb(0, 0, 0);
    EXPECT_EQ(pixel(t.buffer(), 90, 197), black);    // MOSX: black spot on the left
    EXPECT_EQ(pixel(t.buffer(), 110, 197), colour);  // and none on the right
    EXPECT_EQ(pixel(t.buffer(), 410, 197), black);   // MOSX3: on the right
    EXPECT_EQ(pixel(t.buffer(), 390, 197), colour);
    EXPECT_EQ(pixel(t.buffer(), 200, 200), black);   // MOSX1: hollow body, hollow spots
    EXPECT_EQ(pixel(t.buffer(), 190, 197), black);
    EXPECT_EQ(pixel(t.buffer(), 186, 197), colour);  // the spot's outline, radius 4
    EXPECT_EQ(pixel(t.buffer(), 300, 200), black);   // MOSX2: hollow body, filled spots
    EXPECT_EQ(pixel(t.buffer(), 290, 197), colour);
    // Aspect 0.5: the body reaches 16 units sideways and 8 up and down.
    EXPECT_EQ(pixel(t.buffer(), 84, 200), colour);
    EXPECT_EQ(pixel(t.buffer(), 83, 200), black);
    EXPECT_EQ(pixel(t.buffer(), 100, 208), colour);
    EXPECT_EQ(pixel(t.buffer(), 100, 209), black);
}

TEST(MascotFigures, AnOutlineFigureDrawnAgainInColourZeroErasesItself) {
    GameOnHeadless t;
    t.run([&] {
        t.g.rt.cls(0, 0);
        t.g.MOSX1(15, 300, 473, 38);
        EXPECT_NE(drawn_extent(t.buffer()), Extent{});
        t.g.MOSX1(0, 300, 473, 38);
    });
    EXPECT_EQ(drawn_extent(t.buffer()), Extent{});
}

TEST(Fzmms, LeavesTheLargestFigureAndTheMessageAfter660Milliseconds) {
    GameOnHeadless t;
    uint64_t elapsed = 0;
    t.run([&] {
        t.g.rt.cls(0, 0);
        uint64_t t0 = t.h.backend.now_us();
        t.g.FZMMS(15, "Bowling");
        elapsed = t.h.backend.now_us() - t0;
    });
    // Eight sizes shown for 20 ms each, then the message for 500 ms.
    EXPECT_EQ(elapsed, 660'000u);
    EXPECT_EQ(text_at(t.screen(), 12, 36, 7), "Bowling");
    EXPECT_EQ(t.screen().cursor_row(), 13);  // the message ends its line

    // Every growing figure was erased: what stays is the outline figure of size 70 alone.
    GameOnHeadless only;
    only.run([&] { only.g.MOSX2(15, 300, 473, 70); });
    EXPECT_TRUE(t.buffer() == only.buffer());
    EXPECT_EQ(drawn_extent(t.buffer()), (Extent{230, 438, 370, 508}));
    // Its spots have radius 17.5 and stand at x = 300 - 42 = 258, filled.
    Rgb white = t.screen().palette(15);
    EXPECT_EQ(pixel(t.buffer(), 258, 460), white);
    EXPECT_EQ(pixel(t.buffer(), 258, 486), white);
    EXPECT_EQ(pixel(t.buffer(), 241, 460), white);
    EXPECT_EQ(pixel(t.buffer(), 300, 473), rgb(0, 0, 0));
}

TEST(Palette, BaseColoursAndTheThreeRotations) {
    GameOnHeadless t;
    std::array<Rgb, 7> base{}, r1{}, r2{}, r3{};
    t.run([&] {
        t.g.PALET1(1);
        r1 = mascot_entries(t.screen());
        t.g.PALET1(2);
        r2 = mascot_entries(t.screen());
        t.g.PALET1(3);
        r3 = mascot_entries(t.screen());
        t.g.PALET0();
        base = mascot_entries(t.screen());
    });
    EXPECT_EQ(base, palette_with(kBase));
    EXPECT_EQ(r1, palette_with(kRotated1));
    EXPECT_EQ(r2, palette_with(kRotated2));
    EXPECT_EQ(r3, palette_with(kRotated3));
    // Entries outside the seven keep their default colours.
    Screen fresh;
    for (int n : {0, 1, 2, 4, 6, 8, 10, 12, 14}) EXPECT_EQ(t.screen().palette(n), fresh.palette(n)) << n;
}

TEST(Demos, RingOfFiguresWithThePaletteRotatedAfterEachPass) {
    GameOnHeadless t;
    uint64_t elapsed = 0;
    t.run([&] {
        t.g.rt.cls(0, 0);
        uint64_t t0 = t.h.backend.now_us();
        t.g.DEMOS();
        elapsed = t.h.backend.now_us() - t0;
    });
    // Three passes of 45 figures, 10 ms each.
    EXPECT_EQ(elapsed, 1'350'000u);
    // The base colours are back at the end.
    EXPECT_EQ(mascot_entries(t.screen()), palette_with(kBase));

    // Radius 110 around (300, 473), figures of size 20: the rightmost (k = 0) at (410, 473)
    // reaches x = 430, the lowest (k = 11, at -88 degrees) y = 363.07 - 10, the highest
    // (k = 34, at -272 degrees) y = 582.93 + 10, the leftmost (k = 22 and 23) x = 190.27 - 20.
    EXPECT_EQ(drawn_extent(t.buffer()), (Extent{170, 353, 430, 593}));

    // The last pass drew with the palette of the second rotation: the figure k = 0 in
    // color_map(1) = entry 3 got base colour 5, the figure k = 11 in color_map(5) = entry 7
    // base colour 7.
    auto second = palette_with(kRotated2);
    EXPECT_EQ(pixel(t.buffer(), 410, 473), second[0]);
    EXPECT_EQ(pixel(t.buffer(), 430, 473), second[0]);
    EXPECT_EQ(pixel(t.buffer(), 304, 353), second[4]);
    // k = 1 (at -8 degrees, color_map(2) = entry 9) was drawn after k = 0 and overlaps it.
    EXPECT_EQ(pixel(t.buffer(), 409, 458), second[1]);
}

struct MarkerPicture : ::testing::Test, GameOnHeadless {
    MarkerPicture() { g.s.mascot_color = 11; }
};

TEST_F(MarkerPicture, IsTheFilledFigureCapturedOverWhatWasThere) {
    Image captured, restored;
    run([&] {
        // Something drawn in the corner before: a box of colour 12.
        g.rt.draw_line(0, 0, 0, 0, 0, 50, 30, -1, 12, 2, 0, -1, 5);
        g.MSPIC();
        captured = buffer();
        g.rt.put_block(0, 0, 0, 1, 39, 19, g.s.icon_back, 0);
        restored = buffer();
    });
    // The expected corner: the box, the bottom row blackened by the line to x = 300, and the
    // filled figure of size 16 at (20, 10) on top.
    Screen ref;
    ref.draw_line(0, 0, 0, 0, 50, 30, -1, 12, 2, 0, -1, 5);
    ref.draw_line(0, 0, 0, 0, 300, 0, 0, 0, 0, 0, -1, 5);
    Image before_figure = ref.buffer();
    ellipse(ref, 20, 10, 16, 11, true);
    ellipse(ref, 10.4f, 7.0909f, 3, 0, true);
    ellipse(ref, 10.4f, 12.9091f, 3, 0, true);
    EXPECT_TRUE(captured == ref.buffer());
    // The saved block is the corner as it was before any figure: putting it back restores it.
    EXPECT_TRUE(restored == before_figure);
}

TEST_F(MarkerPicture, MarkersStackUpwardsNineteenUnitsApart) {
    Image after_none;
    run([&] {
        g.rt.cls(0, 0);
        g.MSPIC();
        g.MSDISP2(0);
        after_none = buffer();
        g.MSDISP2(2);
    });
    // MSDISP2(0) draws nothing: only the picture in the corner is there.
    EXPECT_EQ(drawn_extent(after_none), (Extent{4, 2, 36, 18}));
    // Two markers, their corners at (600, 100) and (600, 119); the second covers the first's
    // top row.
    EXPECT_EQ(drawn_extent(buffer()).x2, 636);
    EXPECT_TRUE(same_block(buffer(), 600, 119, 0, 0, 40, 20));
    EXPECT_TRUE(same_block(buffer(), 600, 100, 0, 0, 40, 19));
    Image rest = buffer();
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 40; ++x) rest.at(x, rest.height() - 1 - y) = rgb(0, 0, 0);
    for (int y = 100; y < 139; ++y)
        for (int x = 600; x < 640; ++x) rest.at(x, rest.height() - 1 - y) = rgb(0, 0, 0);
    EXPECT_EQ(drawn_extent(rest), Extent{});
}

}  // namespace
}  // namespace zell
