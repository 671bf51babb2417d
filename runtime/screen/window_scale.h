// Where the program's screen image lies in a window of any size, and how pointer
// positions in the window map back to screen pixels. Platform free: the SDL
// backend feeds it window sizes and pointer positions, the browser backend the
// page's area and pointer positions in device pixels.
//
// Two ways to fit the image, centred, with a black border around it:
//  - integer: the largest whole factor at which it fits the window (at least 1),
//    every screen pixel a sharp factor x factor square. A window smaller than the
//    image at factor 1 shows it from the top-left corner, 1:1, cut off at the right
//    or bottom edge (per direction: a window that is only too narrow is still
//    centred vertically), so the top-left of the screen, where the program starts
//    writing, always stays visible and positions keep mapping 1:1.
//  - sharp: the largest size with the image's aspect that fits the window, any
//    size. It is drawn by scaling up by the smallest whole factor that reaches it
//    with nearest-neighbour, then down to the final size with linear filtering, so
//    pixels stay crisp squares with at most a one-pixel soft edge between them.
#pragma once

#include <optional>

#include "runtime/backend.h"

namespace zell {

struct Point {
    int x = 0, y = 0;
    bool operator==(const Point&) const = default;
};

class WindowScale {
public:
    static WindowScale fit(int window_width, int window_height, int image_width, int image_height,
                           ScaleMode mode = ScaleMode::Integer);

    // The whole factor the image is drawn at with nearest-neighbour: the final factor in
    // integer mode, the first stage's factor in sharp mode (at least 1).
    int factor() const { return factor_; }
    // True when the final size is the image at factor(): no filtered second stage is needed.
    bool whole() const { return width_ == image_w_ * factor_ && height_ == image_h_ * factor_; }
    // The window position of the image's top-left corner (never negative) and the scaled
    // image's size; in a window smaller than the image, the image extends past its edge.
    Point origin() const { return origin_; }
    int width() const { return width_; }
    int height() const { return height_; }

    // The screen pixel under a window position, or nothing on the border around the image.
    std::optional<Point> to_screen(Point window) const;
    // The screen pixel under a window position, or the nearest one on the screen's edge.
    Point to_screen_clamped(Point window) const;

private:
    Point image_pixel(int dx, int dy) const;
    WindowScale(int image_width, int image_height)
        : image_w_(image_width), image_h_(image_height), width_(image_width), height_(image_height) {}

    int image_w_, image_h_;
    int factor_ = 1;
    int width_ = 0, height_ = 0;
    Point origin_;
};

// The factor a new window starts at: as many times the image as the display's density
// calls for (its dots per inch over 96, rounded), but no larger than the usable desktop
// holds. dpi <= 0 means the display does not report it; the density is then estimated
// from the desktop height, taking 1080 rows as an ordinary display.
int initial_factor(int desktop_width, int desktop_height, float dpi, int image_width, int image_height);

// Applies the border rule to the pointer: a press on the border is not delivered, nor is
// its release, nor does that button count as held while it stays down; every position
// the program does see lies on its screen (moves and releases past the edge are clamped).
class PointerFilter {
public:
    std::optional<Point> press(const WindowScale& scale, MouseButton b, Point window);
    std::optional<Point> release(const WindowScale& scale, MouseButton b, Point window);
    struct Move {
        Point at;
        unsigned buttons;  // bit 0 left, bit 1 right, as InputSink::mouse_move
    };
    Move move(const WindowScale& scale, Point window, unsigned buttons) const;

private:
    static unsigned bit(MouseButton b) { return 1u << int(b); }
    unsigned ignored_ = 0;  // buttons held down since a press on the border
};

}  // namespace zell
