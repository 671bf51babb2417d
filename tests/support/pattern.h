// A test image whose pixels tell their position: (x, y) = RGB(x mod 256, y mod 256, 0x80 | (x / 256) << 2 | y / 256).
#pragma once

#include "runtime/screen/image.h"

namespace zell {

inline Rgb pattern_pixel(int x, int y) { return rgb(x % 256, y % 256, 0x80 | (x / 256) << 2 | y / 256); }

inline Image test_pattern(int w, int h) {
    Image img(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) img.at(x, y) = pattern_pixel(x, y);
    return img;
}

}  // namespace zell
