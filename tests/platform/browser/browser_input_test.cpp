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
        {"Enter", false, false, false, K::Char, Key::None, 13},
        {"Escape", false, false, false, K::Char, Key::None, 27},
        {"Backspace", false, false, false, K::Char, Key::None, 8},
        {"Tab", false, false, false, K::Char, Key::None, 9},
        {"c", true, false, false, K::Char, Key::None, 3},
        {"c", false, false, false, K::Ignore, Key::None, 0},  // printable: arrives as text
        {"ArrowUp", false, false, false, K::Key, Key::Up, 0},
        {"Clear", false, false, false, K::Key, Key::Clear, 0},  // keypad 5 without NumLock
        {"Control", false, false, false, K::Key, Key::Ctrl, 0},
        {"F1", false, false, false, K::Key, Key::F1, 0},
        {"F12", false, false, false, K::Key, Key::F12, 0},
        {"F13", false, false, false, K::Ignore, Key::None, 0},
        {"F11", false, false, false, K::FullScreen, Key::None, 0},
        {"Enter", false, true, false, K::FullScreen, Key::None, 0},
        {"F10", false, false, false, K::ScaleMode, Key::None, 0},
        {"Enter", false, false, true, K::Ignore, Key::None, 0},  // the input method's Enter
        {"Process", false, false, false, K::Ignore, Key::None, 0},
    };
    for (const Row& r : rows) {
        const BrowserKey b = browser_key_down(r.key, false, r.ctrl, r.alt, r.composing);
        EXPECT_EQ(b.kind, r.kind) << r.key;
        EXPECT_EQ(b.key, r.k) << r.key;
        EXPECT_EQ(b.code, r.code) << r.key;
    }
    EXPECT_EQ(browser_key_up("ArrowLeft"), Key::Left);
    EXPECT_EQ(browser_key_up("F11"), Key::None);  // kept by the backend, as its key-down
}

TEST(BrowserInput, CanvasFitsThePageAndPointersMapToScreenPixels) {
    struct Row {
        double w, h, dpr;
        bool integer;
        double css_w, css_h;
    } rows[] = {
        {1296, 2000, 1, false, 1296, 1404},           // width-bound: twice the picture
        {2000, 351, 1, false, 324, 351},              // height-bound: half
        {1000, 1000, 1, true, 648, 702},              // whole factor 1 fits, 2 does not
        {1000, 1000, 2, true, 648, 702},              // 2 device pixels per screen pixel
        {1000, 1000, 1.5, true, 864, 936},            // 2 device pixels per screen pixel fit (1296 x 1404 device)
        {300, 300, 1, true, 300 * 648 / 702.0, 300},  // not even factor 1 fits: sharp instead
    };
    for (const Row& r : rows) {
        const CanvasFit f = browser_canvas_fit(r.w, r.h, r.dpr, r.integer, 648, 702);
        EXPECT_NEAR(f.css_width, r.css_w, 1.0 / r.dpr) << r.w << "x" << r.h << " dpr " << r.dpr;
        EXPECT_NEAR(f.css_height, r.css_h, 1.0 / r.dpr) << r.w << "x" << r.h << " dpr " << r.dpr;
    }
    EXPECT_EQ(browser_pointer_pixel(0, 0, 324, 351, 648, 702), (Point{0, 0}));
    EXPECT_EQ(browser_pointer_pixel(161.9, 175.6, 324, 351, 648, 702), (Point{323, 351}));
    EXPECT_EQ(browser_pointer_pixel(-40, 9999, 324, 351, 648, 702), (Point{0, 701}));  // clamped
}

}  // namespace
}  // namespace zell
