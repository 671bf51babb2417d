#include "runtime/screen/screen.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <stdexcept>

#include "runtime/core/errors.h"
#include "runtime/text/glyphs.h"
#include "runtime/text/sjis.h"

namespace zell {

namespace {

constexpr std::array<Rgb, 16> kFixed{
    rgb(128, 128, 128), rgb(0, 0, 128),     rgb(128, 0, 0),   rgb(128, 0, 128),   rgb(0, 128, 0), rgb(0, 128, 128),
    rgb(128, 128, 0),   rgb(192, 192, 192), rgb(0, 0, 0),     rgb(0, 0, 255),     rgb(255, 0, 0), rgb(255, 0, 255),
    rgb(0, 255, 0),     rgb(0, 255, 255),   rgb(255, 255, 0), rgb(255, 255, 255),
};

constexpr std::array<Rgb, 16> kDefaultPalette{
    rgb(0, 0, 0),     rgb(128, 128, 128), rgb(0, 0, 128),     rgb(0, 0, 255),     rgb(128, 0, 0),   rgb(255, 0, 0),
    rgb(128, 0, 128), rgb(255, 0, 255),   rgb(0, 128, 0),     rgb(0, 255, 0),     rgb(0, 128, 128), rgb(0, 255, 255),
    rgb(128, 128, 0), rgb(255, 255, 0),   rgb(192, 192, 192), rgb(255, 255, 255),
};

constexpr Rgb kRgbMask = 0xFFFFFF;
constexpr int kZoneWidth = 14;
constexpr int kTabWidth = 8;
constexpr int kMaxTabColumn = 255;
constexpr int kMaxColumns = 132;
constexpr double kPi = 3.14159;  // the turn fractions of arcs are converted with this value
constexpr double kTwoPi = 2 * 3.14159265358979323846;
// Pixels this close to the end angle still belong to an arc: the short value of pi
// must not drop a pixel that lies exactly at a quarter turn.
constexpr double kAngleSlack = 1e-5;

bool is_colour_number(int c) { return c >= 0 && c <= 15; }

// Maps a colour number through the colour mode to an index of the fixed table.
int mode_colour(int mode, int c) {
    if (c <= 7) return (mode == 4 || mode == 5) ? c + 8 : c;
    return (mode == 0 || mode == 1) ? c - 8 : c;
}

bool is_reverse_mode(int mode) { return mode == 1 || mode == 5; }

// A graphics coordinate rounded half away from zero; coordinates are 16-bit (error 6 outside).
long long to_pixel(float v, uint32_t code, std::source_location where) {
    double r = std::round(double(v));
    if (!(r >= -32768.0 && r <= 32767.0)) raise_error(err::kOverflow, code, where);
    return (long long)r;
}

bool fits_int16(long long v) { return v >= -32768 && v <= 32767; }

// a / n rounded half away from zero, n > 0.
long long div_round(long long a, long long n) { return a >= 0 ? (2 * a + n) / (2 * n) : -((-2 * a + n) / (2 * n)); }

void put_le16(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
void put_le32(uint8_t* p, uint32_t v) {
    put_le16(p, v);
    put_le16(p + 2, v >> 16);
}
uint32_t le16(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8; }
uint32_t le32(const uint8_t* p) { return le16(p) | le16(p + 2) << 16; }

constexpr size_t kHeaderSize = 40;
constexpr int kBitCount = 24;

size_t block_stride(size_t width) { return 4 * ((kBitCount * width + 31) / 32); }

// The pixels of an ellipse inscribed in the inclusive box [l, r] x [b, t] (graphics
// coordinates). The box's extreme rows and columns are always reached; an even
// extent repeats the middle row or column, so the shape stays symmetric.
class EllipseShape {
public:
    // Spans are kept for the rows y_lo..y_hi only; contains() must not be asked outside them.
    EllipseShape(long long l, long long r, long long b, long long t, long long y_lo, long long y_hi)
        : l_(l), r_(r), cx_((l + r) / 2.0), cy_((b + t) / 2.0) {
        long long ax = (r - l) / 2, by = (t - b) / 2;
        fx_ = (r - l) / 2.0 - double(ax);
        fy_ = (t - b) / 2.0 - double(by);
        ax_ = double(ax) + 0.5;
        by_ = double(by) + 0.5;
        lo_ = std::max(b, y_lo);
        hi_ = std::min(t, y_hi);
        for (long long y = lo_; y <= hi_; ++y) spans_.push_back(row_span(y));
    }

    std::pair<long long, long long> span(long long y) const { return spans_[size_t(y - lo_)]; }
    bool contains(long long x, long long y) const {
        if (y < lo_ || y > hi_) return false;
        auto [a, z] = span(y);
        return x >= a && x <= z;
    }
    bool is_centre(long long x, long long y) const {
        return std::fabs(double(x) - cx_) <= 0.5 && std::fabs(double(y) - cy_) <= 0.5;
    }
    // Angle of the pixel on the ellipse, counter-clockwise from the right, 0..2 pi.
    double angle(long long x, long long y) const {
        double a = std::atan2((double(y) - cy_) / (by_ + fy_), (double(x) - cx_) / (ax_ + fx_));
        return a < 0 ? a + kTwoPi : a;
    }

private:
    std::pair<long long, long long> row_span(long long y) const {
        constexpr double kEps = 1e-9;
        double dy = std::max(0.0, std::fabs(double(y) - cy_) - fy_) / by_;
        double half = ax_ * std::sqrt(std::max(0.0, 1.0 - dy * dy)) + fx_;
        auto a = (long long)std::ceil(cx_ - half - kEps);
        auto z = (long long)std::floor(cx_ + half + kEps);
        return {std::max(a, l_), std::min(z, r_)};
    }

    long long l_, r_;
    double cx_, cy_, ax_ = 0, by_ = 0, fx_ = 0, fy_ = 0;
    long long lo_ = 0, hi_ = -1;
    std::vector<std::pair<long long, long long>> spans_;
};

enum class Rop : uint8_t { Copy, And, Or, Xor, Not };

}  // namespace

// A resolved drawing colour with its raster operation.
struct Screen::Ink {
    Rop rop;
    Rgb colour;
    Rgb operator()(Rgb dst) const {
        switch (rop) {
        case Rop::And: return colour & dst;
        case Rop::Or: return colour | dst;
        case Rop::Xor: return (colour ^ dst) & kRgbMask;
        case Rop::Not: return ~dst & kRgbMask;
        case Rop::Copy: break;
        }
        return colour;
    }
};

// A pen's dash pattern: pixel i along a path is drawn when bit (i mod period) is set.
struct Screen::Pen {
    uint32_t bits = 1;
    int period = 1;

    bool on(long long i) const { return (bits >> (i % period)) & 1; }
    bool none() const { return bits == 0; }

    // Alternating on and off runs, starting with on.
    static Pen dashes(std::initializer_list<int> runs) {
        Pen p{0, 0};
        bool draw = true;
        for (int n : runs) {
            for (int i = 0; i < n; ++i, ++p.period)
                if (draw) p.bits |= 1u << p.period;
            draw = !draw;
        }
        return p;
    }
    // Pen style numbers the game passes (1 dashes, 2 dots, ...); anything else (and -1, the
    // screen's style) is solid.
    static Pen of_style(int style) {
        switch (style) {
        case 1: return dashes({18, 6});
        case 2: return dashes({3, 3});
        case 3: return dashes({9, 6, 3, 6});
        case 4: return dashes({9, 3, 3, 3, 3, 3});
        case 5: return Pen{0, 1};
        default: return Pen{};
        }
    }
};

Screen::Screen(int columns, int rows, int cell_w, int cell_h, int fg, int bg, int fill)
    : cols_(columns), rows_(rows), cell_w_(cell_w), cell_h_(cell_h), view_count_(rows), palette_(kDefaultPalette) {
    if (columns < 2 || columns > kMaxColumns || rows < 1 || !is_colour_number(fg) || !is_colour_number(bg) ||
        !is_colour_number(fill))
        throw std::invalid_argument("screen: bad grid or colour");
    if (cell_w < 1 || cell_h < 1 || cell_w > kMaxBufferSide / columns || cell_h > kMaxBufferSide / rows)
        throw std::length_error("screen: no buffer for this cell size");
    buffer_ = Image(columns * cell_w, rows * cell_h, palette_[size_t(fill)]);
    visible_ = buffer_;
    bg_ = bg;
    set_foreground(fg);
    cells_.assign(size_t(columns) * rows, blank_cell());
}

// ---------------------------------------------------------------------------
// Colours and state

Rgb Screen::fixed_colour(int n) const { return kFixed.at(size_t(n)); }

TextCell Screen::blank_cell() const { return TextCell{' ', uint8_t(fg_), uint8_t(bg_), uint8_t(mode_), 0}; }

Rgb Screen::text_colour(const TextCell& c) const { return kFixed[size_t(mode_colour(c.mode, c.fg))]; }

void Screen::set_foreground(int fg) {
    if (auto_reverse_) {
        if (mode_ == 5) mode_ = 4;
        if (mode_ == 1) mode_ = 0;
        auto_reverse_ = false;
    }
    if (fg >= 8) {
        if (mode_ == 4 || mode_ == 5) {
            mode_ = 5;
            auto_reverse_ = true;
        } else if (mode_ == 0 || mode_ == 1) {
            mode_ = 1;
            auto_reverse_ = true;
        }
    }
    fg_ = fg;
}

void Screen::set_color(int fg, int bg, int graphics, int mode, int mask, std::source_location where) {
    if ((mask & 1) && !is_colour_number(fg)) raise_error(err::kIllegalCall, error_detail(Service::SetColor, 1), where);
    if ((mask & 2) && !is_colour_number(bg)) raise_error(err::kIllegalCall, error_detail(Service::SetColor, 2), where);
    if ((mask & 4) && !is_colour_number(graphics))
        raise_error(err::kIllegalCall, error_detail(Service::SetColor, 3), where);
    if ((mask & 8) && (mode < 0 || mode > 5)) raise_error(err::kIllegalCall, error_detail(Service::SetColor, 4), where);
    if (mask & 8) {
        mode_ = mode;
        auto_reverse_ = false;
    }
    if (mask & 2) bg_ = bg;
    if (mask & 4) gfx_ = graphics;
    if (mask & 1) set_foreground(fg);
}

void Screen::set_palette(int entry, int colour, std::source_location where) {
    if (!is_colour_number(entry) || colour < 0 || colour > 7)
        raise_error(err::kIllegalCall, error_detail(Service::SetPalette, 1), where);
    palette_[size_t(entry)] = kFixed[size_t(mode_colour(mode_, colour))];
}

void Screen::locate(int column, int row, int cursor, int mask, std::source_location where) {
    if ((mask & 1) && (column < 0 || column >= cols_))
        raise_error(err::kIllegalCall, error_detail(Service::Locate, 1), where);
    if ((mask & 2) && (row < 0 || row >= rows_))
        raise_error(err::kIllegalCall, error_detail(Service::Locate, 2), where);
    if ((mask & 4) && cursor != 0 && cursor != 1)
        raise_error(err::kIllegalCall, error_detail(Service::Locate, 3), where);
    if (mask & 1) cur_col_ = column;
    if (mask & 2) cur_row_ = row;
    if (mask & 4) cursor_shown_ = cursor == 1;
}

void Screen::set_viewport(int first, int count, std::source_location where) {
    if (first < 0 || count < 1 || first + count > rows_ || first >= rows_)
        raise_error(err::kIllegalCall, error_detail(Service::Viewport, 1), where);
    view_first_ = first;
    view_count_ = count;
    cur_col_ = 0;
    cur_row_ = first;
}

void Screen::cls(int mode, std::source_location where) {
    switch (mode) {
    case 0:
        cur_col_ = 0;
        cur_row_ = view_first_;
        view_first_ = 0;
        view_count_ = rows_;
        std::fill(cells_.begin(), cells_.end(), blank_cell());
        buffer_.fill(palette_[size_t(bg_)]);
        repaint();
        break;
    case 1:
        clear_rows(view_first_, viewport_last());
        cur_col_ = 0;
        cur_row_ = view_first_;
        break;
    case 2:
        clear_rows(0, view_first_ - 1);
        cur_col_ = 0;
        cur_row_ = 0;
        break;
    case 3:
        clear_rows(viewport_last() + 1, rows_ - 1);
        cur_col_ = 0;
        // With no row below the viewport the cursor stays on the grid's last row.
        cur_row_ = std::min(viewport_last() + 1, rows_ - 1);
        break;
    case 4:
        clear_rows(0, rows_ - 1);
        cur_col_ = 0;
        cur_row_ = view_first_;
        break;
    case 5:
        buffer_.fill(palette_[size_t(bg_)]);
        repaint();
        break;
    default: raise_error(err::kIllegalCall, error_detail(Service::Cls, 1), where);
    }
}

// ---------------------------------------------------------------------------
// Text

void Screen::print(std::string_view sjis, int separator) {
    bool wrap = !after_tab_;
    // The spaces that tab_to returned keep the wrap rule off for the item after them.
    if (sjis.find_first_not_of(' ') != std::string_view::npos) after_tab_ = false;
    if (wrap && cur_col_ != 0 && size_t(cur_col_) + sjis.size() > size_t(cols_)) new_line();
    write_text(sjis);
    if (separator == 0) new_line();
    else if (separator == 1) next_zone();
}

std::string Screen::tab_to(int column, std::source_location where) {
    if (column < 0 || column > kMaxTabColumn) raise_error(err::kIllegalCall, error_detail(Service::Tab, 1), where);
    int n = column > cols_ ? column % cols_ : column;
    if (n < cur_col_) new_line();
    after_tab_ = true;
    return std::string(size_t(n - cur_col_), ' ');
}

void Screen::print_end() { after_tab_ = false; }

void Screen::blank_cells(int column, int row, int n) {
    if (row < 0 || row >= rows_) return;
    column = std::clamp(column, 0, cols_);
    n = std::clamp(n, 0, cols_ - column);
    write_cells(row, column, std::vector<TextCell>(size_t(n), blank_cell()));
}

void Screen::write_text(std::string_view bytes) {
    std::string run;
    for (char b : bytes) {
        switch (b) {
        case '\r':
            write_run(run);
            run.clear();
            cur_col_ = 0;
            break;
        case '\n':
            write_run(run);
            run.clear();
            line_feed();
            break;
        case '\t':
            write_run(run);
            run.assign(size_t(kTabWidth - cur_col_ % kTabWidth), ' ');
            break;
        default: run += b;
        }
    }
    write_run(run);
}

// Writes a run of bytes from the cursor on, continuing on the next rows. A double-byte
// character is never split: when only the last cell of a row is left for it, that
// cell gets a space and the character goes to the next row.
void Screen::write_run(std::string_view run) {
    std::vector<TextCell> segment;
    size_t i = 0;
    while (i < run.size()) {
        segment.clear();
        TextCell c = blank_cell();
        int col = cur_col_;
        while (i < run.size()) {
            bool pair = is_sjis_lead(uint8_t(run[i])) && i + 1 < run.size() && is_sjis_trail(uint8_t(run[i + 1]));
            int n = pair ? 2 : 1;
            if (col + n > cols_) break;
            c.ch = uint8_t(run[i]);
            c.flags = pair ? kLeadByte : 0;
            segment.push_back(c);
            if (pair) {
                c.ch = uint8_t(run[i + 1]);
                c.flags = kTrailByte;
                segment.push_back(c);
            }
            i += size_t(n);
            col += n;
        }
        if (i < run.size() && col < cols_) {
            segment.push_back(blank_cell());
            ++col;
        }
        write_cells(cur_row_, cur_col_, segment);
        cur_col_ = col;
        if (cur_col_ == cols_) new_line();
    }
}

void Screen::write_cells(int row, int column, std::span<const TextCell> cells) {
    if (cells.empty()) return;
    TextCell* line = row_cells(row);
    std::copy(cells.begin(), cells.end(), line + column);
    int first = column, last = column + int(cells.size()) - 1;
    // A double-byte character whose other half was overwritten leaves a space behind.
    if (first > 0 && (line[first - 1].flags & kLeadByte)) {
        line[--first].ch = ' ';
        line[first].flags = 0;
    }
    if (last + 1 < cols_ && (line[last + 1].flags & kTrailByte)) {
        line[++last].ch = ' ';
        line[last].flags = 0;
    }
    redraw_cells(row, first, last);
}

void Screen::line_feed() {
    if (cur_row_ == viewport_last()) scroll_viewport();
    else if (cur_row_ < rows_ - 1) ++cur_row_;
}

void Screen::new_line() {
    cur_col_ = 0;
    line_feed();
}

void Screen::next_zone() {
    int target = (cur_col_ / kZoneWidth + 1) * kZoneWidth;
    if (cols_ - target < kZoneWidth) new_line();
    else write_run(std::string(size_t(target - cur_col_), ' '));
}

// The viewport's text moves up one row in the store and on the window; the buffer stays.
void Screen::scroll_viewport() {
    int first = view_first_, last = viewport_last();
    if (last > first) {
        std::copy(row_cells(first + 1), row_cells(last) + cols_, row_cells(first));
        std::copy(visible_.row((first + 1) * cell_h_), visible_.row(last * cell_h_) + size_t(width()) * cell_h_,
                  visible_.row(first * cell_h_));
        dirty_ = true;
    }
    clear_rows(last, last);
}

void Screen::clear_rows(int first, int last) {
    for (int r = first; r <= last; ++r) {
        std::fill(row_cells(r), row_cells(r) + cols_, blank_cell());
        redraw_cells(r, 0, cols_ - 1);
    }
}

// Restores the cells' area of the visible image from the buffer and draws them again,
// widened to whole double-byte characters.
void Screen::redraw_cells(int row, int first, int last) {
    const TextCell* line = row_cells(row);
    if (first > 0 && (line[first].flags & kTrailByte)) --first;
    if (last + 1 < cols_ && (line[last].flags & kLeadByte)) ++last;
    visible_.copy_rect(buffer_, first * cell_w_, row * cell_h_, (last + 1) * cell_w_, (row + 1) * cell_h_);
    draw_cells(row, first, last);
    dirty_ = true;
}

// Draws the glyphs of cells first..last onto the visible image: transparent in the
// foreground colour, or in reverse video (background colour on foreground cells).
void Screen::draw_cells(int row, int first, int last) {
    const TextCell* line = row_cells(row);
    const int y0 = row * cell_h_;
    const int top = y0 + (cell_h_ - kGlyphRows) / 2;
    for (int col = first; col <= last;) {
        const TextCell& c = line[col];
        bool pair = (c.flags & kLeadByte) && col + 1 < cols_ && (line[col + 1].flags & kTrailByte);
        const int x0 = col * cell_w_;
        const int w = (pair ? 2 : 1) * cell_w_;
        Rgb ink = text_colour(c);
        if (is_reverse_mode(c.mode)) {
            for (int y = y0; y < y0 + cell_h_; ++y) std::fill(visible_.row(y) + x0, visible_.row(y) + x0 + w, ink);
            ink = palette_[c.bg];
        }
        const std::array<uint16_t, kGlyphRows> wide =
            pair ? double_glyph(c.ch, line[col + 1].ch) : std::array<uint16_t, kGlyphRows>{};
        for (int r = 0; r < kGlyphRows; ++r) {
            int y = top + r;
            if (y < y0 || y >= y0 + cell_h_) continue;
            uint32_t bits = pair ? wide[size_t(r)] : uint32_t(single_glyph(c.ch)[size_t(r)]) << 8;
            Rgb* px = visible_.row(y) + x0;
            for (int x = 0; x < std::min(w, 16); ++x)
                if (bits & (0x8000u >> x)) px[x] = ink;
        }
        col += pair ? 2 : 1;
    }
}

void Screen::repaint() {
    visible_ = buffer_;
    for (int r = 0; r < rows_; ++r) draw_cells(r, 0, cols_ - 1);
    dirty_ = true;
}

const TextCell& Screen::cell(int column, int row) const {
    if (column < 0 || column >= cols_ || row < 0 || row >= rows_) throw std::out_of_range("screen: no such cell");
    return row_cells(row)[column];
}

std::string Screen::row_bytes(int row) const {
    if (row < 0 || row >= rows_) throw std::out_of_range("screen: no such row");
    std::string s(size_t(cols_), ' ');
    const TextCell* line = row_cells(row);
    for (int c = 0; c < cols_; ++c) s[size_t(c)] = char(line[c].ch);
    return s;
}

bool Screen::take_dirty() {
    bool d = dirty_;
    dirty_ = false;
    return d;
}

// ---------------------------------------------------------------------------
// Graphics

Rgb Screen::colour_arg(bool given, int colour, Rgb otherwise, uint32_t code, std::source_location where) const {
    if (!given) return otherwise;
    if (!is_colour_number(colour)) raise_error(err::kIllegalCall, code, where);
    return palette_[size_t(colour)];
}

Screen::Ink Screen::ink(int function, Rgb colour) const {
    switch (function) {
    case 1: return {Rop::Copy, palette_[size_t(bg_)]};
    case 2: return {Rop::And, colour};
    case 3: return {Rop::Or, colour};
    case 4: return {Rop::Xor, colour};
    case 5: return {Rop::Not, colour};
    default: return {Rop::Copy, colour};
    }
}

void Screen::plot(long long x, long long y, const Ink& ink) {
    long long row = height() - 1 - y;
    if (x < 0 || x >= width() || row < 0 || row >= height()) return;
    Rgb& b = buffer_.at(int(x), int(row));
    b = ink(b);
    Rgb& v = visible_.at(int(x), int(row));
    v = ink(v);
}

void Screen::span(long long x1, long long x2, long long y, const Ink& ink) {
    long long row = height() - 1 - y;
    if (row < 0 || row >= height()) return;
    x1 = std::max(x1, 0LL);
    x2 = std::min(x2, (long long)width() - 1);
    Rgb* b = buffer_.row(int(row));
    Rgb* v = visible_.row(int(row));
    for (long long x = x1; x <= x2; ++x) {
        b[x] = ink(b[x]);
        v[x] = ink(v[x]);
    }
}

// Pixels from (x1, y1) to (x2, y2), both included, each drawn once. step counts the
// pixels along the path for the pen's pattern.
void Screen::line_pixels(long long x1, long long y1, long long x2, long long y2, const Ink& ink, const Pen& pen,
                         long long& step) {
    long long dx = x2 - x1, dy = y2 - y1;
    long long n = std::max(std::llabs(dx), std::llabs(dy));
    for (long long t = 0; t <= n; ++t, ++step) {
        if (!pen.on(step)) continue;
        if (n == 0) plot(x1, y1, ink);
        else plot(x1 + div_round(t * dx, n), y1 + div_round(t * dy, n), ink);
    }
}

// A box with both corners included: the fill inside the outline, the outline walked
// once around so that every pixel is drawn exactly once.
void Screen::box(const Rect& r, const Ink& pen_ink, const Pen& pen, const Ink* fill) {
    if (fill) {
        long long inset = pen.none() ? 0 : 1;
        for (long long y = r.y1 + inset; y <= r.y2 - inset; ++y) span(r.x1 + inset, r.x2 - inset, y, *fill);
    }
    if (pen.none()) return;
    long long step = 0;
    if (r.x1 == r.x2 || r.y1 == r.y2) {
        line_pixels(r.x1, r.y1, r.x2, r.y2, pen_ink, pen, step);
        return;
    }
    line_pixels(r.x1, r.y2, r.x2 - 1, r.y2, pen_ink, pen, step);
    line_pixels(r.x2, r.y2, r.x2, r.y1 + 1, pen_ink, pen, step);
    line_pixels(r.x2, r.y1, r.x1 + 1, r.y1, pen_ink, pen, step);
    line_pixels(r.x1, r.y1, r.x1, r.y2 - 1, pen_ink, pen, step);
}

void Screen::draw_line(int step1, float x1, float y1, int step2, float x2, float y2, int function, int colour, int kind,
                       int fill_colour, int style, int mask, std::source_location where) {
    if (kind < 0 || kind > 2) raise_error(err::kIllegalCall, error_detail(Service::Line, 1), where);
    Rgb pen_rgb = colour_arg(mask & 4, colour, palette_[size_t(gfx_)], error_detail(Service::Line, 2), where);
    Rgb fill_rgb = colour_arg(mask & 8, fill_colour, pen_rgb, error_detail(Service::Line, 3), where);
    float sx = last_x_, sy = last_y_;
    if (mask & 1) {
        sx = step1 ? last_x_ + x1 : x1;
        sy = step1 ? last_y_ + y1 : y1;
    }
    float ex = step2 ? sx + x2 : x2;
    float ey = step2 ? sy + y2 : y2;
    const uint32_t range = error_detail(Service::Line, 4);
    long long px1 = to_pixel(sx, range, where), py1 = to_pixel(sy, range, where);
    long long px2 = to_pixel(ex, range, where), py2 = to_pixel(ey, range, where);
    last_x_ = ex;
    last_y_ = ey;

    Ink pen_ink = ink(function, pen_rgb);
    Pen pen = Pen::of_style(style);
    if (kind == 0) {
        long long step = 0;
        line_pixels(px1, py1, px2, py2, pen_ink, pen, step);
    } else {
        Rect r{std::min(px1, px2), std::min(py1, py2), std::max(px1, px2), std::max(py1, py2)};
        Ink fill_ink = ink(function, fill_rgb);
        box(r, pen_ink, pen, kind == 2 ? &fill_ink : nullptr);
    }
    dirty_ = true;
}

void Screen::draw_circle(int step, float x, float y, float radius, int colour, float aspect, float start, float end,
                         int fill, int function, int fill_colour, int mask, std::source_location where) {
    if (!(radius >= 0) || !(aspect >= 0)) raise_error(err::kIllegalCall, error_detail(Service::Circle, 1), where);
    if (!(start >= 0 && start <= 1) || !(end >= 0 && end <= 1))
        raise_error(err::kIllegalCall, error_detail(Service::Circle, 2), where);
    Rgb pen_rgb = colour_arg(mask & 1, colour, palette_[size_t(gfx_)], error_detail(Service::Circle, 3), where);
    Rgb fill_rgb = colour_arg(mask & 2, fill_colour, pen_rgb, error_detail(Service::Circle, 4), where);
    if (step) {
        x += last_x_;
        y += last_y_;
    }
    if (start == 1) start = 0;
    if (end == 1) end = 0;
    float ry = radius * aspect;
    const uint32_t range = error_detail(Service::Circle, 5);
    long long l = to_pixel(x - radius, range, where), r = to_pixel(x + radius, range, where);
    long long b = to_pixel(y - ry, range, where), t = to_pixel(y + ry, range, where);

    const long long w = width(), h = height();
    // Rows one beyond the image on each side are needed to find the outline of the edge rows.
    EllipseShape shape(l, r, b, t, -1, h);
    const bool partial = start != end;
    const bool arc = partial && fill == 0;
    const bool sector = partial && fill != 0;
    const bool filled = fill != 0;
    const double from = double(start) * 2 * kPi;
    double sweep = double(end) * 2 * kPi - from;
    if (sweep < 0) sweep += kTwoPi;
    auto in_sweep = [&](long long px, long long py) {
        if (shape.is_centre(px, py)) return true;
        double a = shape.angle(px, py) - from;
        if (a < 0) a += kTwoPi;
        return a <= sweep + kAngleSlack;
    };
    auto inside = [&](long long px, long long py) { return shape.contains(px, py) && (!sector || in_sweep(px, py)); };

    Ink pen_ink = ink(function, pen_rgb), fill_ink = ink(function, fill_rgb);
    for (long long py = std::max(b, 0LL); py <= std::min(t, h - 1); ++py) {
        auto [a, z] = shape.span(py);
        for (long long px = std::max(a, 0LL); px <= std::min(z, w - 1); ++px) {
            if (!inside(px, py)) continue;
            bool edge = !inside(px - 1, py) || !inside(px + 1, py) || !inside(px, py - 1) || !inside(px, py + 1);
            if (edge) {
                if (!arc || in_sweep(px, py)) plot(px, py, pen_ink);
            } else if (filled) {
                plot(px, py, fill_ink);
            }
        }
    }
    dirty_ = true;
}

// ---------------------------------------------------------------------------
// Blocks

size_t Screen::block_size(int width, int height) { return kHeaderSize + block_stride(size_t(width)) * size_t(height); }

Screen::Rect Screen::block_rect(int x1, int y1, int step2, int x2, int y2, Service s, std::source_location where) {
    long long ax = x1, ay = y1;
    long long bx = step2 ? ax + x2 : x2, by = step2 ? ay + y2 : y2;
    if (!fits_int16(ax) || !fits_int16(ay) || !fits_int16(bx) || !fits_int16(by))
        raise_error(err::kOverflow, error_detail(s, 1), where);
    Rect r{std::min(ax, bx), std::min(ay, by), std::max(ax, bx), std::max(ay, by)};
    if (r.x1 < 0 || r.y1 < 0) raise_error(err::kIllegalCall, error_detail(s, 2), where);
    return r;
}

void Screen::get_block(int x1, int y1, int step2, int x2, int y2, BlockBuffer& array, std::source_location where) {
    Rect r = block_rect(x1, y1, step2, x2, y2, Service::GetBlock, where);
    const int w = int(r.x2 - r.x1 + 1), h = int(r.y2 - r.y1 + 1);
    if (array.size() < block_size(w, h)) raise_error(err::kIllegalCall, error_detail(Service::GetBlock, 3), where);
    const size_t stride = block_stride(size_t(w));
    uint8_t* p = array.data();
    std::fill(p, p + kHeaderSize, uint8_t(0));
    put_le32(p, kHeaderSize);
    put_le32(p + 4, uint32_t(w));
    put_le32(p + 8, uint32_t(h));
    put_le16(p + 12, 1);
    put_le16(p + 14, kBitCount);
    put_le32(p + 20, uint32_t(stride * size_t(h)));
    // Rows bottom-up; pixels outside the buffer read as black.
    for (int i = 0; i < h; ++i) {
        uint8_t* out = p + kHeaderSize + stride * size_t(i);
        std::fill(out, out + stride, uint8_t(0));
        long long row = height() - 1 - (r.y1 + i);
        for (int j = 0; j < w; ++j) {
            long long x = r.x1 + j;
            Rgb c = (row >= 0 && x < width()) ? buffer_.at(int(x), int(row)) : 0;
            out[j * 3] = uint8_t(c);
            out[j * 3 + 1] = uint8_t(c >> 8);
            out[j * 3 + 2] = uint8_t(c >> 16);
        }
    }
}

void Screen::put_block(int x1, int y1, int step2, int x2, int y2, const BlockBuffer& array, int mode,
                       std::source_location where) {
    if (mode < 0 || mode > 5) raise_error(err::kIllegalCall, error_detail(Service::PutBlock, 3), where);
    Rect r = block_rect(x1, y1, step2, x2, y2, Service::PutBlock, where);
    const uint8_t* p = array.data();
    const size_t size = array.size();
    bool valid = size >= kHeaderSize && le32(p) == kHeaderSize && le16(p + 12) == 1 &&
                 le16(p + 14) == uint32_t(kBitCount) && le32(p + 16) == 0;
    const auto sw = valid ? int32_t(le32(p + 4)) : 0, sh = valid ? int32_t(le32(p + 8)) : 0;
    valid = valid && sw > 0 && sh > 0 && size_t(sw) <= size && size_t(sh) <= size && block_size(sw, sh) <= size;
    if (!valid) raise_error(err::kIllegalCall, error_detail(Service::PutBlock, 4), where);

    const size_t stride = block_stride(size_t(sw));
    const long long dw = r.x2 - r.x1 + 1, dh = r.y2 - r.y1 + 1;
    for (long long i = 0; i < dh; ++i) {
        const uint8_t* src = p + kHeaderSize + stride * size_t(i * sh / dh);
        for (long long j = 0; j < dw; ++j) {
            const uint8_t* s = src + 3 * size_t(j * sw / dw);
            Rgb c = rgb(s[2], s[1], s[0]);
            Ink k{Rop::Copy, c};
            switch (mode) {
            case 2: k.rop = Rop::And; break;
            case 3: k.rop = Rop::Or; break;
            case 4: k.rop = Rop::Xor; break;
            case 5: k.colour = ~c & kRgbMask; break;
            default: break;
            }
            plot(r.x1 + j, r.y1 + i, k);
        }
    }
    dirty_ = true;
}

}  // namespace zell
