#include "runtime/screen/image.h"

#include <algorithm>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wunused-function"
#include <stb_image_write.h>
#pragma GCC diagnostic pop

namespace zell {

void Image::copy_rect(const Image& src, int x0, int y0, int x1, int y1) {
    x0 = std::max(x0, 0);
    y0 = std::max(y0, 0);
    x1 = std::min({x1, w_, src.w_});
    y1 = std::min({y1, h_, src.h_});
    if (x0 >= x1) return;
    for (int y = y0; y < y1; ++y) std::copy(src.row(y) + x0, src.row(y) + x1, row(y) + x0);
}

bool Image::write_png(const std::string& path) const {
    std::vector<uint8_t> bytes(size_t(w_) * h_ * 3);
    for (size_t i = 0; i < px_.size(); ++i) {
        bytes[i * 3] = uint8_t(px_[i] >> 16);
        bytes[i * 3 + 1] = uint8_t(px_[i] >> 8);
        bytes[i * 3 + 2] = uint8_t(px_[i]);
    }
    return stbi_write_png(path.c_str(), w_, h_, 3, bytes.data(), w_ * 3) != 0;
}

}  // namespace zell
