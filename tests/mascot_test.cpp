#include <gtest/gtest.h>

#include <array>

#include "tests/support/game_screens.h"

namespace zell {
namespace {

using testing::drawn;
using testing::Extent;
using testing::GameOnHeadless;
using testing::pixel;
using testing::pixels_at;
using testing::same_block;
using testing::text_at;

constexpr Rgb kBlack = rgb(0, 0, 0);

// An ellipse of aspect 0.5 drawn straight on a screen: the pieces a figure is made of.
void ellipse(Screen& s, float x, float y, float r, int colour, bool filled) {
    s.draw_circle(0, x, y, r, colour, 0.5f, 0, 0, filled ? 1 : 0, -1, 0, 1);
}

// Extent without the pixel count.
Extent box(const Image& im) {
    Extent e = drawn(im);
    e.count = 0;
    return e;
}

// The seven mascot entries of the palette (3, 9, 11, 5, 7, 13, 15) on a screen, or as they
// are after setting them to the given base colours.
constexpr int kEntries[] = {3, 9, 11, 5, 7, 13, 15};
std::array<Rgb, 7> mascot_entries(const Screen& s) {
    std::array<Rgb, 7> out{};
    for (size_t c = 0; c < 7; ++c) out[c] = s.palette(kEntries[c]);
    return out;
}
std::array<Rgb, 7> palette_with(const std::array<int, 7>& colours) {
    Screen ref;
    for (size_t c = 0; c < 7; ++c) ref.set_palette(kEntries[c], colours[c]);
    return mascot_entries(ref);
}
const std::array<int, 7> kBase = {1, 4, 5, 2, 3, 6, 7};

TEST(MascotFigures, BodyAndSpotsOfTheFourVariants) {
    // Size 16 at x = 100, 200, 300 and 400 in colour 13. The spots stand 16 / 5.5 = 2.909 below
    // and above the centre, 0.6 x 16 = 9.6 left (right for draw_mascot_facing_right), with radius 16 / 4 - 1 = 3
    // on the filled figures and 4 on the outline ones.
    GameOnHeadless t;
    t.run([&] {
        t.g.draw_mascot(13, 100, 200, 16);
        t.g.draw_mascot_outline(13, 200, 200, 16);
        t.g.draw_mascot_outline_spots(13, 300, 200, 16);
        t.g.draw_mascot_facing_right(13, 400, 200, 16);
    });
    Screen ref;
    for (auto [x, body_filled, dx, r, spot_colour, spot_filled] : {std::tuple{100.0f, true, -9.6f, 3.0f, 0, true},
                                                                   {200.0f, false, -9.6f, 4.0f, 13, false},
                                                                   {300.0f, false, -9.6f, 4.0f, 13, true},
                                                                   {400.0f, true, 9.6f, 3.0f, 0, true}}) {
        ellipse(ref, x, 200, 16, 13, body_filled);
        for (float dy : {-2.9091f, 2.9091f}) ellipse(ref, x + dx, 200 + dy, r, spot_colour, spot_filled);
    }
    EXPECT_TRUE(t.buffer() == ref.buffer());
    const Rgb c = t.screen().palette(13);
    EXPECT_EQ(pixels_at(t.buffer(), {{90, 197}, {110, 197}, {410, 197}, {390, 197}, {200, 200}, {190, 197}, {186, 197},
                                     {300, 200}, {290, 197}, {84, 200}, {83, 200}, {100, 208}, {100, 209}}),
              (std::vector{kBlack, c, kBlack, c, kBlack, kBlack, c, kBlack, c, c, kBlack, c, kBlack}));

    GameOnHeadless erased;  // an outline figure drawn again in colour 0 erases itself
    erased.run([&] {
        erased.g.draw_mascot_outline(15, 300, 473, 38);
        EXPECT_GT(drawn(erased.buffer()).count, 0);
        erased.g.draw_mascot_outline(0, 300, 473, 38);
    });
    EXPECT_EQ(drawn(erased.buffer()).count, 0);
}

TEST(Fzmms, LeavesTheLargestFigureAndTheMessageAfter660Milliseconds) {
    GameOnHeadless t;
    uint64_t elapsed = 0;
    t.run([&] {
        const uint64_t t0 = t.h.backend.now_us();
        t.g.mascot_announce(15, "Bowling");
        elapsed = t.h.backend.now_us() - t0;
    });
    EXPECT_EQ(elapsed, 660'000u) << "eight sizes shown for 20 ms each, then the message for 500 ms";
    EXPECT_EQ(text_at(t.screen(), 12, 36, 7), "Bowling");
    EXPECT_EQ(t.screen().cursor_row(), 13) << "the message ends its line";
    // Every growing figure was erased: what stays is the outline figure of size 70 alone,
    // with filled spots of radius 17.5 at x = 300 - 42 = 258.
    GameOnHeadless only;
    only.run([&] { only.g.draw_mascot_outline_spots(15, 300, 473, 70); });
    EXPECT_TRUE(t.buffer() == only.buffer());
    EXPECT_EQ(box(t.buffer()), (Extent{230, 438, 370, 508}));
    const Rgb white = t.screen().palette(15);
    EXPECT_EQ(pixels_at(t.buffer(), {{258, 460}, {258, 486}, {241, 460}, {300, 473}}),
              (std::vector{white, white, white, kBlack}));
}

TEST(Palette, BaseColoursAndTheThreeRotations) {
    GameOnHeadless t;
    std::vector<std::array<Rgb, 7>> seen;
    t.run([&] {
        for (float m : {1, 2, 3}) {
            t.g.rotate_mascot_palette(m);
            seen.push_back(mascot_entries(t.screen()));
        }
        t.g.reset_mascot_palette();
        seen.push_back(mascot_entries(t.screen()));
    });
    EXPECT_EQ(seen, (std::vector{palette_with({4, 5, 2, 3, 6, 7, 1}), palette_with({5, 2, 3, 6, 7, 1, 4}),
                                 palette_with({2, 3, 6, 7, 1, 4, 5}), palette_with(kBase)}));
    Screen fresh;
    for (int n : {0, 1, 2, 4, 6, 8, 10, 12, 14}) EXPECT_EQ(t.screen().palette(n), fresh.palette(n)) << n;
}

TEST(Demos, RingOfFiguresWithThePaletteRotatedAfterEachPass) {
    GameOnHeadless t;
    uint64_t elapsed = 0;
    t.run([&] {
        const uint64_t t0 = t.h.backend.now_us();
        t.g.mascot_ring_show();
        elapsed = t.h.backend.now_us() - t0;
    });
    EXPECT_EQ(elapsed, 1'350'000u) << "three passes of 45 figures, 10 ms each";
    EXPECT_EQ(mascot_entries(t.screen()), palette_with(kBase)) << "the base colours are back at the end";
    // Radius 110 around (300, 473), figures of size 20: the rightmost (k = 0) at (410, 473)
    // reaches x = 430, the lowest (k = 11, at -88 degrees) y = 363.07 - 10, the highest
    // (k = 34, at -272 degrees) y = 582.93 + 10, the leftmost (k = 22 and 23) x = 190.27 - 20.
    EXPECT_EQ(box(t.buffer()), (Extent{170, 353, 430, 593}));
    // The last pass drew with the palette of the second rotation: the figure k = 0 in
    // color_map(1) = entry 3 got base colour 5, the figure k = 11 in color_map(5) = entry 7
    // base colour 7, and k = 1 (color_map(2) = entry 9) overlaps k = 0.
    const auto second = palette_with({5, 2, 3, 6, 7, 1, 4});
    EXPECT_EQ(pixels_at(t.buffer(), {{410, 473}, {430, 473}, {304, 353}, {409, 458}}),
              (std::vector{second[0], second[0], second[4], second[1]}));
}

struct MarkerPicture : ::testing::Test, GameOnHeadless {
    MarkerPicture() { g.s.mascot_color = 11; }
};

TEST_F(MarkerPicture, IsTheFilledFigureCapturedOverWhatWasThere) {
    Image captured, restored;
    run([&] {
        g.rt.draw_line(0, 0, 0, 0, 0, 50, 30, -1, 12, 2, 0, -1, 5);  // a box drawn in the corner before
        g.make_ball_marker();
        captured = buffer();
        g.rt.put_block(0, 0, 0, 1, 39, 19, g.s.icon_back, 0);
        restored = buffer();
    });
    // The corner: the box, the bottom row blackened by the line to x = 300, the figure on top.
    Screen ref;
    ref.draw_line(0, 0, 0, 0, 50, 30, -1, 12, 2, 0, -1, 5);
    ref.draw_line(0, 0, 0, 0, 300, 0, 0, 0, 0, 0, -1, 5);
    const Image before_figure = ref.buffer();
    ellipse(ref, 20, 10, 16, 11, true);
    ellipse(ref, 10.4f, 7.0909f, 3, 0, true);
    ellipse(ref, 10.4f, 12.9091f, 3, 0, true);
    EXPECT_TRUE(captured == ref.buffer());
    EXPECT_TRUE(restored == before_figure) << "the block saved before the figure puts the corner back";
}

TEST_F(MarkerPicture, MarkersStackUpwardsNineteenUnitsApart) {
    Image after_none;
    run([&] {
        g.make_ball_marker();
        g.show_ball_markers(0);
        after_none = buffer();
        g.show_ball_markers(2);
    });
    EXPECT_EQ(box(after_none), (Extent{4, 2, 36, 18})) << "show_ball_markers(0) draws nothing beside the picture";
    // Two markers, their corners at (600, 100) and (600, 119); the second covers the first's top row.
    EXPECT_TRUE(same_block(buffer(), 600, 119, 0, 0, 40, 20));
    EXPECT_TRUE(same_block(buffer(), 600, 100, 0, 0, 40, 19));
    Image rest = buffer();
    for (auto [x0, y0, x1, y1] : {std::array{0, 0, 40, 20}, {600, 100, 640, 139}})
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) rest.at(x, rest.height() - 1 - y) = kBlack;
    EXPECT_EQ(drawn(rest).count, 0);
}

}  // namespace
}  // namespace zell
