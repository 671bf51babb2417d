#include <gtest/gtest.h>

#include <vector>

#include "runtime/form.h"

namespace zell {
namespace {

std::vector<uint8_t> stored() {
    auto b = main_form_bytes();
    return {b.begin(), b.end()};
}

TEST(Form, StoredDescriptionBuildsTheMainWindow) {
    auto bytes = stored();
    ASSERT_EQ(bytes.size(), 349u);
    std::string why;
    auto f = parse_form(bytes, &why);
    ASSERT_TRUE(f) << why;
    EXPECT_EQ(f->caption, "Zell Bowling");
    EXPECT_EQ(f->class_name, "V7K2WCMAINFORM");
    EXPECT_EQ(f->icon_name, "zell1");
    EXPECT_EQ(f->columns, 81);
    EXPECT_EQ(f->rows, 39);
    EXPECT_EQ(f->text_fg, 7);
    EXPECT_EQ(f->text_bg, 0);
    EXPECT_EQ(f->fill, 0);
    EXPECT_EQ(f->font_height, 18);
    EXPECT_EQ(f->font_face, "FixedSys");
    EXPECT_EQ(f->font_charset, 128);
    EXPECT_EQ(f->outer_width, 656);
    EXPECT_EQ(f->outer_height, 729);
    EXPECT_TRUE(f->visible);
    EXPECT_FALSE(f->disabled);
    ASSERT_EQ(f->handlers.size(), 11u);
    EXPECT_EQ(f->handlers.front().event_id, 103);
    EXPECT_EQ(f->handlers.back().name, "MAINFORM_QUERYCLOSE");

    // Style bits 0x00C4: caption, sizing frame, system menu, minimize box, no maximize box.
    EXPECT_TRUE(f->has_caption());
    EXPECT_TRUE(f->sizable());
    EXPECT_TRUE(f->system_menu());
    EXPECT_TRUE(f->minimizable());
    EXPECT_FALSE(f->maximizable());

    WindowSpec w = f->window_spec(8, 18);
    EXPECT_EQ(w.client_width, 648);
    EXPECT_EQ(w.client_height, 702);
    EXPECT_EQ(w.title, "Zell Bowling");
    // The stored outer size is the client area plus a 4-pixel frame and a 19-pixel caption.
    EXPECT_EQ(f->outer_width - 2 * 4, w.client_width);
    EXPECT_EQ(f->outer_height - 2 * 4 - 19, w.client_height);
}

TEST(Form, InvalidDescriptionsAreRefused) {
    auto bytes = stored();
    // A tag of 81 or more in place of the end tag.
    auto b1 = bytes;
    b1[0x15B] = 81;
    EXPECT_FALSE(parse_form(b1));
    // A tag the parser does not know (menus are not supported).
    auto b2 = bytes;
    b2[0x15B] = 22;
    EXPECT_FALSE(parse_form(b2));
    // Wrong magic.
    auto b3 = bytes;
    b3[0] = 'X';
    EXPECT_FALSE(parse_form(b3));
    // Truncated anywhere: never reads past the end.
    for (size_t n = 0; n < bytes.size(); ++n)
        EXPECT_FALSE(parse_form(std::span<const uint8_t>(bytes.data(), n))) << n;
    // A text screen of 133 columns.
    auto b4 = bytes;
    b4[0x25] = 133;
    EXPECT_FALSE(parse_form(b4));
    // A colour above 15.
    auto b5 = bytes;
    b5[0x45] = 16;
    EXPECT_FALSE(parse_form(b5));
}

}  // namespace
}  // namespace zell
