#include "runtime/screen/window_scale.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace zell {

namespace {

// The density of an ordinary desktop display, and the height its desktop usually has.
constexpr float kOrdinaryDpi = 96.0f;
constexpr float kOrdinaryDesktopHeight = 1080.0f;

}  // namespace

WindowScale WindowScale::fit(int window_width, int window_height, int image_width, int image_height, ScaleMode mode) {
    WindowScale s(image_width, image_height);
    if (image_width <= 0 || image_height <= 0) return s;
    if (mode == ScaleMode::Sharp && window_width > 0 && window_height > 0) {
        // The side that limits the size spans the window; the other keeps the aspect, rounded.
        const int64_t ww = window_width, wh = window_height, iw = image_width, ih = image_height;
        if (ww * ih <= wh * iw) {
            s.width_ = window_width;
            s.height_ = int((ih * ww * 2 + iw) / (iw * 2));
        } else {
            s.height_ = window_height;
            s.width_ = int((iw * wh * 2 + ih) / (ih * 2));
        }
        s.width_ = std::max(1, s.width_);
        s.height_ = std::max(1, s.height_);
        s.factor_ =
            std::max({1, (s.width_ + image_width - 1) / image_width, (s.height_ + image_height - 1) / image_height});
    } else {
        s.factor_ = std::max(1, std::min(window_width / image_width, window_height / image_height));
        s.width_ = image_width * s.factor_;
        s.height_ = image_height * s.factor_;
    }
    s.origin_ = {std::max(0, (window_width - s.width()) / 2), std::max(0, (window_height - s.height()) / 2)};
    return s;
}

Point WindowScale::image_pixel(int dx, int dy) const {
    // Scaled back by the exact ratio: the image pixel drawn under the window pixel's centre. At a
    // whole factor every image pixel owns factor x factor window pixels.
    return {int((int64_t(dx) * 2 + 1) * image_w_ / (int64_t(width_) * 2)),
            int((int64_t(dy) * 2 + 1) * image_h_ / (int64_t(height_) * 2))};
}

std::optional<Point> WindowScale::to_screen(Point window) const {
    const int dx = window.x - origin_.x, dy = window.y - origin_.y;
    if (dx < 0 || dy < 0 || dx >= width() || dy >= height()) return std::nullopt;
    return image_pixel(dx, dy);
}

Point WindowScale::to_screen_clamped(Point window) const {
    const int dx = std::clamp(window.x - origin_.x, 0, std::max(0, width() - 1));
    const int dy = std::clamp(window.y - origin_.y, 0, std::max(0, height() - 1));
    return image_pixel(dx, dy);
}

int initial_factor(int desktop_width, int desktop_height, float dpi, int image_width, int image_height) {
    if (image_width <= 0 || image_height <= 0) return 1;
    const float density = dpi > 0 ? dpi / kOrdinaryDpi : float(desktop_height) / kOrdinaryDesktopHeight;
    const int wanted = int(std::lround(density));
    const int fits = std::min(desktop_width / image_width, desktop_height / image_height);
    return std::max(1, std::min(wanted, fits));
}

std::optional<Point> PointerFilter::press(const WindowScale& scale, MouseButton b, Point window) {
    const std::optional<Point> at = scale.to_screen(window);
    if (at) ignored_ &= ~bit(b);
    else ignored_ |= bit(b);
    return at;
}

std::optional<Point> PointerFilter::release(const WindowScale& scale, MouseButton b, Point window) {
    if (ignored_ & bit(b)) {
        ignored_ &= ~bit(b);
        return std::nullopt;
    }
    return scale.to_screen_clamped(window);
}

PointerFilter::Move PointerFilter::move(const WindowScale& scale, Point window, unsigned buttons) const {
    return {scale.to_screen_clamped(window), buttons & ~ignored_};
}

}  // namespace zell
