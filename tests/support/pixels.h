// Pixels of an image in graphics coordinates (origin bottom left, y up), for tests of drawings.
#pragma once

#include <algorithm>
#include <climits>
#include <initializer_list>
#include <ostream>
#include <set>
#include <utility>
#include <vector>

#include "runtime/screen/image.h"

namespace zell::testing {

using Px = std::pair<int, int>;

inline Rgb pixel(const Image& im, int x, int y) { return im.at(x, im.height() - 1 - y); }

// The colours at the given points, in order.
inline std::vector<Rgb> pixels_at(const Image& im, std::initializer_list<Px> points) {
    std::vector<Rgb> out;
    for (auto [x, y] : points) out.push_back(pixel(im, x, y));
    return out;
}

inline std::set<Px> pixels_of(const Image& im, Rgb colour) {
    std::set<Px> out;
    for (int y = 0; y < im.height(); ++y)
        for (int x = 0; x < im.width(); ++x)
            if (pixel(im, x, y) == colour) out.insert({x, y});
    return out;
}

// Bounding box and number of the pixels that are not black.
struct Extent {
    int x1 = INT_MAX, y1 = INT_MAX, x2 = INT_MIN, y2 = INT_MIN, count = 0;
    bool operator==(const Extent&) const = default;
};
inline std::ostream& operator<<(std::ostream& o, const Extent& e) {
    return o << "x " << e.x1 << ".." << e.x2 << " y " << e.y1 << ".." << e.y2 << " (" << e.count << " pixels)";
}
inline Extent drawn(const Image& im) {
    Extent e;
    for (int y = 0; y < im.height(); ++y)
        for (int x = 0; x < im.width(); ++x)
            if (pixel(im, x, y) != 0)
                e = {std::min(e.x1, x), std::min(e.y1, y), std::max(e.x2, x), std::max(e.y2, y), e.count + 1};
    return e;
}

}  // namespace zell::testing
