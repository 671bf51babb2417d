#include "runtime/core/form.h"

#include <gtest/gtest.h>

#include <vector>

namespace zell {
namespace {

std::vector<uint8_t> stored() {
    auto b = main_form_bytes();
    return {b.begin(), b.end()};
}

TEST(Form, TheStoredDescriptionBuildsTheMainWindow) {
    const auto bytes = stored();
    std::string why;
    auto f = parse_form(bytes, &why);
    ASSERT_TRUE(f) << why;
    EXPECT_EQ(f->caption, "Zell Bowling");
    EXPECT_EQ(f->class_name, "V7K2WCMAINFORM");
    EXPECT_EQ(f->icon_name, "zell1");
    EXPECT_EQ(f->font_face, "FixedSys");
    EXPECT_EQ((std::array{f->columns, f->rows, f->text_fg, f->text_bg, f->fill, f->font_height, f->font_charset,
                          f->outer_width, f->outer_height}),
              (std::array{81, 39, 7, 0, 0, 18, 128, 656, 729}));
    EXPECT_TRUE(f->visible && !f->disabled);
    ASSERT_EQ(f->handlers.size(), 11u);
    EXPECT_EQ(f->handlers.front().event_id, 103);
    EXPECT_EQ(f->handlers.back().name, "MAINFORM_QUERYCLOSE");
    // Style bits 0x00C4: caption, sizing frame, system menu, minimize box, no maximize box.
    EXPECT_TRUE(f->has_caption() && f->sizable() && f->system_menu() && f->minimizable());
    EXPECT_FALSE(f->maximizable());
    const WindowSpec w = f->window_spec(8, 18);
    EXPECT_EQ((std::array{w.client_width, w.client_height, w.x, w.y}), (std::array{648, 702, f->left, f->top}));
    EXPECT_EQ(w.title, "Zell Bowling");
}

TEST(Form, InvalidDescriptionsAreRefused) {
    const auto bytes = stored();
    ASSERT_EQ(bytes.size(), 349u);
    // A tag of 81 or more or one the parser does not know (menus) in place of the end tag,
    // a wrong magic or version, a text screen of 0 or 133 columns or of 0 or 125 rows, a colour above 15.
    const std::pair<int, int> changes[] = {{0x15B, 81}, {0x15B, 22}, {0x00, 'X'}, {0x01, 'X'}, {0x02, 2}, {0x04, 2},
                                           {0x25, 133}, {0x25, 0},   {0x27, 0},   {0x27, 125}, {0x45, 16}};
    for (auto [offset, value] : changes) {
        auto b = bytes;
        b[size_t(offset)] = uint8_t(value);
        EXPECT_FALSE(parse_form(b)) << "byte " << offset << " = " << value;
    }
    auto fifteen = bytes;
    fifteen[0x45] = 15;
    EXPECT_TRUE(parse_form(fifteen)) << "15 is the highest colour";
    for (size_t n = 0; n < bytes.size(); ++n)  // truncated anywhere: never reads past the end
        EXPECT_FALSE(parse_form(std::span<const uint8_t>(bytes.data(), n))) << n;
}

}  // namespace
}  // namespace zell
