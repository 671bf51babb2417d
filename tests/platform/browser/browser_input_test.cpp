#include <gtest/gtest.h>

#include "platform/browser/browser_input.h"

namespace zell {
namespace {

using K = BrowserKey::Kind;

TEST(BrowserInput, KeyDownsMeanWhatTheDesktopKeysMean) {
    struct Row {
        const char* key;
        bool ctrl, alt, composing;
        K kind;
        Key k;
        int code;
    } rows[] = {
        // clang-format off
        {"Enter", false, false, false, K::Char, Key::None, 13},
        {"Escape", false, false, false, K::Char, Key::None, 27},
        {"Backspace", false, false, false, K::Char, Key::None, 8},
        {"Tab", false, false, false, K::Char, Key::None, 9}, {"c", true, false, false, K::Char, Key::None, 3},
        {"c", false, false, false, K::Ignore, Key::None, 0},  // printable: arrives as text
        {"ArrowUp", false, false, false, K::Key, Key::Up, 0},
        {"Clear", false, false, false, K::Key, Key::Clear, 0},  // keypad 5 without NumLock
        {"Control", false, false, false, K::Key, Key::Ctrl, 0}, {"F1", false, false, false, K::Key, Key::F1, 0},
        {"F12", false, false, false, K::Key, Key::F12, 0}, {"F13", false, false, false, K::Ignore, Key::None, 0},
        {"F11", false, false, false, K::FullScreen, Key::None, 0},
        {"Enter", false, true, false, K::FullScreen, Key::None, 0},
        {"F10", false, false, false, K::ScaleMode, Key::None, 0},
        {"Enter", false, false, true, K::Ignore, Key::None, 0},  // the input method's Enter
        {"Process", false, false, false, K::Ignore, Key::None, 0},
    };  // clang-format on
    for (const Row& r : rows) {
        const BrowserKey b = browser_key_down(r.key, false, r.ctrl, r.alt, r.composing);
        EXPECT_EQ(b.kind, r.kind) << r.key;
        EXPECT_EQ(b.key, r.k) << r.key;
        EXPECT_EQ(b.code, r.code) << r.key;
    }
    EXPECT_EQ(browser_key_up("ArrowLeft"), Key::Left);
    EXPECT_EQ(browser_key_up("F11"), Key::None);  // kept by the backend, as its key-down
}

TEST(BrowserInput, CanvasFitsThePageByTheWindowsRuleAndPointersMapToScreenPixels) {
    constexpr ScaleMode kSharp = ScaleMode::Sharp, kInteger = ScaleMode::Integer;
    struct Row {
        double w, h, dpr;
        ScaleMode mode;
        double css_x, css_y, css_w, css_h;
        int factor;
    } rows[] = {
        {1296, 2000, 1, kSharp, 0, 298, 1296, 1404, 2},    // width-bound: twice the picture
        {2000, 351, 1, kSharp, 838, 0, 324, 351, 1},       // height-bound: half
        {1000, 1000, 1, kInteger, 176, 149, 648, 702, 1},  // whole factor 1 fits, 2 does not
        {1000, 1000, 2, kInteger, 176, 149, 648, 702, 2},  // 2 device pixels per screen pixel
        {1000, 1000, 1.5, kInteger, 68, 32, 864, 936, 2},  // 2 device pixels per screen pixel fit (1296 x 1404 device)
        {300, 300, 1, kInteger, 0, 0, 648, 702, 1},        // not even factor 1 fits: 1:1 from the top-left, cut off
        {899.5, 700, 1, kSharp, 126, 0, 646, 700, 1},      // whole device pixels of the area only
    };
    for (const Row& r : rows) {
        const CanvasPlace p = browser_canvas_place(r.w, r.h, r.dpr, r.mode, 648, 702);
        const WindowScale s = WindowScale::fit(int(r.w * r.dpr), int(r.h * r.dpr), 648, 702, r.mode);
        EXPECT_EQ(p.scale.origin(), s.origin()) << r.w << "x" << r.h << " dpr " << r.dpr;
        EXPECT_EQ(p.scale.width(), s.width()) << r.w << "x" << r.h << " dpr " << r.dpr;
        EXPECT_EQ(p.scale.height(), s.height()) << r.w << "x" << r.h << " dpr " << r.dpr;
        EXPECT_EQ(p.scale.factor(), r.factor) << r.w << "x" << r.h << " dpr " << r.dpr;
        EXPECT_DOUBLE_EQ(p.css_x(), r.css_x) << r.w << "x" << r.h << " dpr " << r.dpr;
        EXPECT_DOUBLE_EQ(p.css_y(), r.css_y) << r.w << "x" << r.h << " dpr " << r.dpr;
        EXPECT_DOUBLE_EQ(p.css_width(), r.css_w) << r.w << "x" << r.h << " dpr " << r.dpr;
        EXPECT_DOUBLE_EQ(p.css_height(), r.css_h) << r.w << "x" << r.h << " dpr " << r.dpr;
    }
    // Twice the picture: two CSS pixels per screen pixel.
    const CanvasPlace twice = browser_canvas_place(1296, 2000, 1, kSharp, 648, 702);
    EXPECT_EQ(browser_pointer_pixel(twice, 0, 0), (Point{0, 0}));
    EXPECT_EQ(browser_pointer_pixel(twice, 3.5, 5.99), (Point{1, 2}));
    EXPECT_EQ(browser_pointer_pixel(twice, 1295.99, 1403.99), (Point{647, 701}));
    EXPECT_EQ(browser_pointer_pixel(twice, -40, 9999), (Point{0, 701}));  // clamped
    // Two device pixels per CSS pixel at a whole factor of 2: one CSS pixel per screen pixel.
    const CanvasPlace dense = browser_canvas_place(1000, 1000, 2, kInteger, 648, 702);
    EXPECT_EQ(browser_pointer_pixel(dense, 100.25, 50.75), (Point{100, 50}));
    EXPECT_EQ(browser_pointer_pixel(dense, 647.99, 701.99), (Point{647, 701}));
}

}  // namespace
}  // namespace zell
