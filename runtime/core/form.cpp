#include "runtime/core/form.h"

namespace zell::resources {
extern const uint8_t kMainForm[];
extern const size_t kMainFormSize;
}  // namespace zell::resources

namespace zell {
namespace {

class Reader {
public:
    explicit Reader(std::span<const uint8_t> b) : b_(b) {}
    bool u16(int& v) {
        if (pos_ + 2 > b_.size()) return false;
        v = b_[pos_] | b_[pos_ + 1] << 8;
        pos_ += 2;
        return true;
    }
    bool i16(int& v) {
        if (!u16(v)) return false;
        if (v >= 0x8000) v -= 0x10000;
        return true;
    }
    // A NUL-terminated string of at most max_len characters.
    bool str(std::string& s, size_t max_len = 255) {
        size_t end = pos_;
        while (end < b_.size() && b_[end] != 0) ++end;
        if (end >= b_.size() || end - pos_ > max_len) return false;
        s.assign(reinterpret_cast<const char*>(b_.data() + pos_), end - pos_);
        pos_ = end + 1;
        return true;
    }
    size_t pos() const { return pos_; }

private:
    std::span<const uint8_t> b_;
    size_t pos_ = 0;
};

bool fail(std::string* why, std::string text) {
    if (why) *why = std::move(text);
    return false;
}

bool parse_items(Reader& r, FormDescription& f, std::string* why) {
    for (;;) {
        size_t at = r.pos();
        int tag = 0;
        if (!r.u16(tag)) return fail(why, "the item stream has no end tag");
        auto bad = [&](const char* what) { return fail(why, std::string(what) + " at offset " + std::to_string(at)); };
        int a = 0, b = 0, c = 0, d = 0;
        switch (tag) {
        case 2: return true;
        case 9:
            if (!r.str(f.form_name) || !r.str(f.icon_name)) return bad("tag 9 is truncated");
            f.class_name = "V7K2WC" + f.form_name;
            break;
        case 10:
            if (!r.u16(f.object_kind) || !r.u16(f.style_bits) || !r.u16(f.extra_bits))
                return bad("tag 10 is truncated");
            if (f.object_kind != 0) return bad("only a form can be the main window");
            break;
        case 11:
            if (!r.str(f.caption)) return bad("tag 11 is truncated");
            break;
        case 12:
            if (!r.i16(f.left) || !r.i16(f.top) || !r.i16(f.outer_width) || !r.i16(f.outer_height))
                return bad("tag 12 is truncated");
            break;
        case 13:
            if (!r.u16(a)) return bad("tag 13 is truncated");
            f.visible = a != 0;
            break;
        case 14:
            if (!r.u16(a)) return bad("tag 14 is truncated");
            f.disabled = a != 0;
            break;
        case 15:
        case 16:
            if (!r.u16(a)) return bad("tag 15/16 is truncated");
            (tag == 15 ? f.minimized : f.maximized) = a != 0;
            break;
        case 21:
            if (!r.str(f.object_name, 21)) return bad("tag 21 is truncated or too long");
            break;
        case 30:
        case 31:
        case 32:
            if (!r.u16(a)) return bad("a colour tag is truncated");
            if (a > 15) return bad("colour out of range");
            (tag == 30 ? f.text_fg : tag == 31 ? f.text_bg : f.fill) = a;
            break;
        case 36:
            if (!r.u16(a) || !r.u16(b)) return bad("tag 36 is truncated");
            if (a < 1 || a >= 133 || b < 1 || b >= 125) return bad("text screen size out of range");
            f.columns = a;
            f.rows = b;
            break;
        case 39:
            if (!r.u16(f.screen_setting)) return bad("tag 39 is truncated");
            break;
        case 61:
            if (!r.u16(f.init_setting)) return bad("tag 61 is truncated");
            break;
        case 62:
            if (!r.u16(a) || !r.u16(b) || !r.u16(c) || !r.u16(d)) return bad("tag 62 is truncated");
            break;
        case 70:
            if (!r.u16(f.font_height)) return bad("tag 70 is truncated");
            break;
        case 71:
        case 72:
        case 73:
        case 74:
            if (!r.u16(a)) return bad("a font attribute tag is truncated");
            break;
        case 76:
            if (!r.str(f.font_face, 31) || !r.u16(f.font_charset) || !r.u16(f.font_pitch_family))
                return bad("tag 76 is truncated");
            break;
        case 80: {
            if (!r.u16(a)) return bad("tag 80 is truncated");
            for (;;) {
                int id = 0;
                if (!r.u16(id)) return bad("the handler list has no end");
                if (id < 100) break;
                FormDescription::Handler h{id, {}};
                if (!r.str(h.name)) return bad("a handler name is truncated");
                f.handlers.push_back(std::move(h));
            }
            break;
        }
        default: return bad(tag > 80 ? "tag out of range" : "tag not supported");
        }
    }
}

}  // namespace

WindowSpec FormDescription::window_spec(int cell_w, int cell_h) const {
    WindowSpec s;
    s.title = caption;
    s.client_width = columns * cell_w;
    s.client_height = rows * cell_h;
    s.x = left;
    s.y = top;
    s.resizable = sizable();
    s.minimizable = minimizable();
    s.maximizable = maximizable();
    s.visible = visible;
    return s;
}

std::optional<FormDescription> parse_form(std::span<const uint8_t> bytes, std::string* why) {
    Reader r(bytes);
    int one = 0, two = 0;
    if (bytes.size() < 6 || bytes[0] != 'K' || bytes[1] != 'Q') {
        fail(why, "no form description magic");
        return std::nullopt;
    }
    int magic = 0;
    r.u16(magic);
    if (!r.u16(one) || !r.u16(two) || one != 1 || two != 1) {
        fail(why, "unknown form description version");
        return std::nullopt;
    }
    FormDescription f;
    if (!parse_items(r, f, why)) return std::nullopt;
    return f;
}

std::span<const uint8_t> main_form_bytes() { return {resources::kMainForm, resources::kMainFormSize}; }

}  // namespace zell
