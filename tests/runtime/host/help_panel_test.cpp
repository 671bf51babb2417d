// The help panel's picture: an opaque framed box centred over the game's picture, which is kept
// everywhere else, and a saved-scores path that keeps its end when it is too long to show.
#include <gtest/gtest.h>

#include <string>

#include "runtime/host/help_panel.h"
#include "tests/support/pixels.h"

namespace zell {
namespace {

using testing::drawn;
using testing::pixel;

TEST(HelpPanel, AnOpaqueFramedBoxCentredOverAPictureKeptElsewhere) {
    const Image black(648, 702);
    const Image panel = draw_help_panel(black, "/home/player/.local/share/zell-bowling/best20.txt");
    const testing::Extent box = drawn(panel);
    const int w = box.x2 - box.x1 + 1, h = box.y2 - box.y1 + 1;
    ASSERT_GT(h, 200) << box;
    EXPECT_EQ(box.count, w * h) << "the box is solid";
    EXPECT_EQ(box.x1, panel.width() - 1 - box.x2);
    EXPECT_LE(std::abs(box.y1 - (panel.height() - 1 - box.y2)), 1);
    const Rgb white = rgb(255, 255, 255);
    for (int x = box.x1; x <= box.x2; ++x)
        for (int y : {box.y1, box.y1 + 1, box.y2 - 1, box.y2}) ASSERT_EQ(pixel(panel, x, y), white) << x << " " << y;
    for (int y = box.y1; y <= box.y2; ++y)
        for (int x : {box.x1, box.x1 + 1, box.x2 - 1, box.x2}) ASSERT_EQ(pixel(panel, x, y), white) << x << " " << y;
    for (int x = box.x1 + 2; x <= box.x2 - 2; ++x)  // a margin inside the frame, with no text in it
        for (int y : {box.y1 + 2, box.y2 - 2}) ASSERT_NE(pixel(panel, x, y), white) << x << " " << y;

    Image picture(648, 702);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) picture.at(x, y) = rgb(x, y, x ^ y);
    const Image over = draw_help_panel(picture, "/home/player/.local/share/zell-bowling/best20.txt");
    for (int y = 0; y < over.height(); ++y)
        for (int x = 0; x < over.width(); ++x) {
            const bool inside = x >= box.x1 && x <= box.x2 && y >= box.y1 && y <= box.y2;
            ASSERT_EQ(pixel(over, x, y), inside ? pixel(panel, x, y) : pixel(picture, x, y)) << x << " " << y;
        }
}

// Paths that differ in their first character look different while they fit, the same once both are
// too long to show whole (at every longer length); a difference in the last character always shows.
TEST(HelpPanel, ALongPathKeepsItsEnd) {
    const Image picture(648, 702);
    bool cut = false;
    for (size_t length = 20; length <= 300; length += 13) {
        const std::string tail = std::string(length - 1, 'x');
        const bool same = draw_help_panel(picture, "a" + tail) == draw_help_panel(picture, "b" + tail);
        EXPECT_TRUE(same || !cut) << length;
        cut = same;
        EXPECT_FALSE(draw_help_panel(picture, tail + "a") == draw_help_panel(picture, tail + "b")) << length;
    }
    EXPECT_TRUE(cut);
    EXPECT_FALSE(draw_help_panel(picture, std::string(20, 'a')) ==
                 draw_help_panel(picture, "b" + std::string(19, 'a')));
    EXPECT_FALSE(draw_help_panel(picture, "") == draw_help_panel(picture, "x"));
    EXPECT_FALSE(draw_help_panel(picture, "/ゼル") == draw_help_panel(picture, "/ルゼ")) << "each in its own place";
}

}  // namespace
}  // namespace zell
