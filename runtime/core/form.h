// The form description: a tagged byte stream stored with the program that
// describes the main window (class, caption, text screen, colours, font, size,
// event handler names). Parsed tag by tag at start-up.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "runtime/backend.h"

namespace zell {

struct FormDescription {
    std::string form_name;  // tag 9
    std::string icon_name;
    std::string class_name;  // "V7K2WC" + form name
    int object_kind = 0;     // tag 10
    int style_bits = 0;
    int extra_bits = 0;
    std::string caption;                                       // tag 11
    int left = 0, top = 0, outer_width = 0, outer_height = 0;  // tag 12
    bool visible = true;                                       // tag 13
    bool disabled = false;                                     // tag 14
    bool minimized = false;                                    // tag 15
    bool maximized = false;                                    // tag 16
    std::string object_name;                                   // tag 21
    int text_fg = 7, text_bg = 0, fill = 0;                    // tags 30, 31, 32
    int columns = 80, rows = 24;                               // tag 36
    int screen_setting = 0;                                    // tag 39
    int init_setting = 0;                                      // tag 61
    int font_height = 18;                                      // tag 70
    std::string font_face;                                     // tag 76
    int font_charset = 0, font_pitch_family = 0;
    struct Handler {
        int event_id;
        std::string name;
    };
    std::vector<Handler> handlers;  // tag 80

    // Window styles derived from the style bits of a form.
    bool has_caption() const { return style_bits & 0x04; }
    bool sizable() const { return !(style_bits & 0x02) && !(style_bits & 0x01); }
    bool minimizable() const { return style_bits & 0x80; }
    bool maximizable() const { return style_bits & 0x100; }
    bool system_menu() const { return style_bits & 0x40; }

    // The window to open for a screen whose cells are cell_w x cell_h pixels.
    WindowSpec window_spec(int cell_w, int cell_h) const;
};

// Parses a description; nullopt when it is invalid (bad magic, unknown tag, a tag of 81 or more,
// truncated data, out-of-range sizes). An invalid description means the window cannot be opened.
std::optional<FormDescription> parse_form(std::span<const uint8_t> bytes, std::string* why = nullptr);

// The description stored with this program (embedded at build time).
std::span<const uint8_t> main_form_bytes();

}  // namespace zell
