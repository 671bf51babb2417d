// A 24-bit RGB image with its origin at the top-left pixel.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zell {

using Rgb = uint32_t;  // 0x00RRGGBB

constexpr Rgb rgb(int r, int g, int b) { return Rgb((r & 255) << 16 | (g & 255) << 8 | (b & 255)); }

class Image {
public:
    Image() = default;
    Image(int width, int height, Rgb fill = 0) : w_(width), h_(height), px_(size_t(width) * height, fill) {}

    int width() const { return w_; }
    int height() const { return h_; }
    bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < w_ && y < h_; }

    Rgb at(int x, int y) const { return px_[size_t(y) * w_ + x]; }
    Rgb& at(int x, int y) { return px_[size_t(y) * w_ + x]; }
    void set(int x, int y, Rgb c) {
        if (contains(x, y)) px_[size_t(y) * w_ + x] = c;
    }
    const Rgb* row(int y) const { return px_.data() + size_t(y) * w_; }
    Rgb* row(int y) { return px_.data() + size_t(y) * w_; }
    const std::vector<Rgb>& pixels() const { return px_; }
    void fill(Rgb c) { px_.assign(px_.size(), c); }

    // Copies the rectangle [x0, x1) x [y0, y1) of src (same size as this image) into this one.
    void copy_rect(const Image& src, int x0, int y0, int x1, int y1);

    // Writes the image as a PNG file; false when it cannot be written.
    bool write_png(const std::string& path) const;

    bool operator==(const Image&) const = default;

private:
    int w_ = 0, h_ = 0;
    std::vector<Rgb> px_;
};

}  // namespace zell
