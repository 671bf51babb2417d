// The screen of the main window: a pixel buffer that holds the graphics, a text
// store that holds the characters, and the visible image that the window shows.
//
// A graphics primitive draws into the buffer and the visible image. Writing text
// records the cells, restores their area of the visible image from the buffer and
// draws the glyphs over it, so spaces erase text but never graphics. Repaint copies
// the buffer and draws every stored cell again. Colours are resolved to RGB when
// drawn: a palette change does not recolour pixels already drawn.
//
// Graphics coordinates are pixels with the origin at the bottom left, y up: the
// point (x, y) is pixel column x, row height() - 1 - y from the top, rounded half
// away from zero. Text cell (c, r) covers pixel columns c * cell_w .. c * cell_w +
// cell_w - 1 and rows r * cell_h .. r * cell_h + cell_h - 1 from the top.
#pragma once

#include <array>
#include <cstdint>
#include <source_location>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/core/errors.h"
#include "runtime/screen/image.h"

namespace zell {

// Cell flags: the two halves of a double-byte character.
inline constexpr uint8_t kLeadByte = 1;
inline constexpr uint8_t kTrailByte = 2;

// One cell of the text store: the character byte, the colour numbers and the colour
// mode in force when it was written.
struct TextCell {
    uint8_t ch = ' ';
    uint8_t fg = 7;
    uint8_t bg = 0;
    uint8_t mode = 4;
    uint8_t flags = 0;
    bool operator==(const TextCell&) const = default;
};

// Storage for get_block / put_block; its size() is the capacity.
using BlockBuffer = std::vector<uint8_t>;

class Screen {
public:
    // Text grid columns x rows (2..132 columns, at least one row), cell size in pixels,
    // text foreground and background colour numbers and the fill colour number (0..15).
    // The buffer is columns * cell_w by rows * cell_h pixels filled with palette[fill].
    // A grid or colour outside these ranges throws std::invalid_argument; a cell size
    // that makes no buffer (an empty one, or one over kMaxBufferSide pixels across or
    // down) throws std::length_error.
    static constexpr int kMaxBufferSide = 16384;
    Screen(int columns = 81, int rows = 39, int cell_w = 8, int cell_h = 18, int fg = 7, int bg = 0, int fill = 0);

    int columns() const { return cols_; }
    int rows() const { return rows_; }
    int width() const { return buffer_.width(); }
    int height() const { return buffer_.height(); }

    // Clears text and/or graphics, mode 0..5 (others: error 5):
    // 0 cursor home of the viewport, viewport reset to all rows, all text cleared,
    //   buffer and window filled with the background colour;
    // 1 the viewport's rows; 2 the rows above it; 3 the rows below it; 4 all rows
    //   (graphics stay); 5 the buffer only (filled with the background colour).
    void cls(int mode, std::source_location where = std::source_location::current());

    // Mask bit 0: column (0..columns-1), bit 1: row (0..rows-1), bit 2: cursor shown (1)
    // or hidden (0). Any selected value out of range: error 5, nothing changes.
    void locate(int column, int row, int cursor, int mask,
                std::source_location where = std::source_location::current());

    // Mask bit 0, 1, 2: text foreground, text background, graphics colour (0..15);
    // bit 3: colour mode (0..5). A foreground of 8..15 switches mode 4 to 5 and 0 to 1
    // (reverse video); the next foreground of 0..7 switches it back.
    void set_color(int fg, int bg, int graphics, int mode, int mask,
                   std::source_location where = std::source_location::current());

    // palette[entry] = fixed colour of colour (0..7) under the current colour mode.
    void set_palette(int entry, int colour, std::source_location where = std::source_location::current());

    // Sets the rows that scroll: first row and row count (error 5 when they leave the
    // grid); the cursor moves to column 0 of the first row.
    void set_viewport(int first, int count, std::source_location where = std::source_location::current());

    // Writes one output item (Shift-JIS) at the cursor, then its separator: 0 new line,
    // 1 next zone of 14 columns, 2 nothing. An item that does not fit the rest of the
    // line starts on the next line, unless it follows tab_to.
    void print(std::string_view sjis, int separator);

    // Returns the spaces that bring the output to column (0..255, others: error 5),
    // writing a line break first when the output already stands beyond it. Print the
    // spaces with print(spaces, 2); neither they nor the item after them start a new
    // line for want of room.
    std::string tab_to(int column, std::source_location where = std::source_location::current());

    // Ends one output statement.
    void print_end();

    // Blanks n cells from (column, row) on in that row, in the current colours, without
    // moving the cursor (line input's Backspace).
    void blank_cells(int column, int row, int n);

    // Line (kind 0), box outline (1) or filled box (2) with both end points included.
    // Mask bit 0: start point given (else the last point), bit 2: colour given, bit 3:
    // fill colour given. step1 adds the last point to the start point, step2 the start
    // point to the end point. function: -1/0 colour, 1 background colour, 2 AND, 3 OR,
    // 4 XOR, 5 NOT. style: -1 solid, otherwise a pen style (1 dash, 2 dot, 3 dash-dot,
    // 4 dash-dot-dot, 5 none). Errors: 5 bad kind or colour, 6 coordinate out of range.
    void draw_line(int step1, float x1, float y1, int step2, float x2, float y2, int function, int colour, int kind,
                   int fill_colour, int style, int mask, std::source_location where = std::source_location::current());

    // Ellipse with horizontal radius radius and vertical radius radius * aspect, drawn
    // exactly inside its bounding box. start = end: whole ellipse (filled when fill is
    // nonzero); otherwise an arc, or a sector when fill is nonzero, from start to end as
    // fractions of a turn counter-clockwise. Mask bit 0: colour given, bit 1: fill colour
    // given. Errors: 5 negative radius or aspect, start or end outside 0..1, bad colour;
    // 6 coordinate out of range.
    void draw_circle(int step, float x, float y, float radius, int colour, float aspect, float start, float end,
                     int fill, int function, int fill_colour, int mask,
                     std::source_location where = std::source_location::current());

    // Copies the buffer rectangle with inclusive corners into array as a block image: a
    // 40-byte BITMAPINFOHEADER (24 bits per pixel), then the rows bottom-up, each padded
    // to 4 bytes. step2 makes the second corner relative to the first. Errors: 5 negative
    // corner or array smaller than block_size(); 6 corner out of range.
    void get_block(int x1, int y1, int step2, int x2, int y2, BlockBuffer& array,
                   std::source_location where = std::source_location::current());

    // Draws the block image in array into the rectangle (stretched when the sizes
    // differ) with mode 0 copy, 1 copy, 2 AND, 3 OR, 4 XOR, 5 inverted copy. Errors: 5
    // negative corner, bad mode or an array that holds no valid block image.
    void put_block(int x1, int y1, int step2, int x2, int y2, const BlockBuffer& array, int mode,
                   std::source_location where = std::source_location::current());

    // Bytes a block image of width x height pixels needs.
    static size_t block_size(int width, int height);

    // Visible image = buffer, then every stored cell drawn over it.
    void repaint();

    // Observers
    int cursor_column() const { return cur_col_; }
    int cursor_row() const { return cur_row_; }
    bool cursor_shown() const { return cursor_shown_; }
    int viewport_first() const { return view_first_; }
    int viewport_rows() const { return view_count_; }
    const TextCell& cell(int column, int row) const;
    std::string row_bytes(int row) const;  // the row's character bytes, columns() long
    const Image& buffer() const { return buffer_; }
    const Image& visible() const { return visible_; }
    bool take_dirty();  // true when visible() changed since the last call
    Rgb palette(int n) const { return palette_.at(size_t(n)); }
    Rgb fixed_colour(int n) const;  // the fixed colour table
    int foreground() const { return fg_; }
    int background() const { return bg_; }
    int graphics_colour() const { return gfx_; }
    int colour_mode() const { return mode_; }

private:
    struct Ink;
    struct Pen;
    struct Rect {
        long long x1, y1, x2, y2;  // inclusive, sorted
    };

    // By index, so that a row past the grid stops the program where the C++ library checks.
    TextCell* row_cells(int row) { return &cells_[size_t(row) * cols_]; }
    const TextCell* row_cells(int row) const { return &cells_[size_t(row) * cols_]; }
    TextCell blank_cell() const;
    int viewport_last() const { return view_first_ + view_count_ - 1; }

    void set_foreground(int fg);
    Rgb text_colour(const TextCell& c) const;

    // Text output
    void write_text(std::string_view bytes);
    void write_run(std::string_view run);
    void write_cells(int row, int column, std::span<const TextCell> cells);
    void line_feed();
    void new_line();
    void next_zone();
    void scroll_viewport();
    void clear_rows(int first, int last);
    void redraw_cells(int row, int first, int last);
    void draw_cells(int row, int first, int last);

    // Graphics
    Rgb colour_arg(bool given, int colour, Rgb otherwise, uint32_t detail, std::source_location where) const;
    Ink ink(int function, Rgb colour) const;
    void plot(long long x, long long y, const Ink& ink);
    void span(long long x1, long long x2, long long y, const Ink& ink);
    void line_pixels(long long x1, long long y1, long long x2, long long y2, const Ink& ink, const Pen& pen,
                     long long& step);
    void box(const Rect& r, const Ink& pen_ink, const Pen& pen, const Ink* fill);
    static Rect block_rect(int x1, int y1, int step2, int x2, int y2, Service s, std::source_location where);

    int cols_, rows_, cell_w_, cell_h_;
    Image buffer_;
    Image visible_;
    std::vector<TextCell> cells_;
    int cur_col_ = 0, cur_row_ = 0;
    bool cursor_shown_ = false;
    int view_first_ = 0, view_count_;
    int fg_ = 7, bg_ = 0, gfx_ = 15, mode_ = 4;
    bool auto_reverse_ = false;  // the mode was switched to reverse video by a foreground of 8..15
    std::array<Rgb, 16> palette_;
    float last_x_ = 0, last_y_ = 0;
    bool after_tab_ = false;  // the wrap rule is off until an item other than the tab's spaces
    bool dirty_ = true;
};

}  // namespace zell
