#include "runtime/text/glyphs.h"

#include <bit>

#include "runtime/text/sjis.h"

// Defined in the generated glyph table (tools/gen/gen_glyphs.cpp).
namespace zell::glyphdata {
extern const uint8_t kSingle[256 * 16];
// A bit a double-byte code that has a glyph: row (lead slot) * 24 + (trail - 0x40) / 8, bit
// (trail - 0x40) % 8. The glyphs follow the codes in order; kRowFirstGlyph is each row's first.
extern const uint8_t kDoublePresent[60 * 24];
extern const uint16_t kRowFirstGlyph[60];
// The glyphs' rows: the left eight columns of every glyph's rows, then the right eight.
extern const uint8_t kDoubleLeft[];
extern const uint8_t kDoubleRight[];
}  // namespace zell::glyphdata

namespace zell {

namespace {

constexpr int kRowBytes = 24;  // a bit for each trail byte 0x40..0xFC

// Row of the lead byte in the double-byte index: 0x81..0x9F -> 0..30, 0xE0..0xFC -> 31..59.
int lead_slot(uint8_t lead) {
    if (!is_sjis_lead(lead)) return -1;
    return lead <= 0x9F ? lead - 0x81 : 31 + (lead - 0xE0);
}

}  // namespace

std::span<const uint8_t, kGlyphRows> single_glyph(uint8_t code) {
    return std::span<const uint8_t, kGlyphRows>(glyphdata::kSingle + size_t(code) * kGlyphRows, kGlyphRows);
}

std::array<uint16_t, kGlyphRows> double_glyph(uint8_t lead, uint8_t trail) {
    int slot = lead_slot(lead);
    size_t glyph = 0;  // glyph 0 is blank
    if (slot >= 0 && trail >= 0x40 && trail <= 0xFC) {
        const int bit = trail - 0x40;
        const uint8_t* row = glyphdata::kDoublePresent + slot * kRowBytes;
        if (row[bit / 8] >> (bit % 8) & 1) {
            glyph = glyphdata::kRowFirstGlyph[slot] + std::popcount(unsigned(row[bit / 8] & ((1u << (bit % 8)) - 1)));
            for (int i = 0; i < bit / 8; ++i) glyph += std::popcount(unsigned(row[i]));
        }
    }
    std::array<uint16_t, kGlyphRows> rows;
    for (size_t r = 0; r < rows.size(); ++r)
        rows[r] = uint16_t(glyphdata::kDoubleLeft[glyph * kGlyphRows + r] << 8 |
                           glyphdata::kDoubleRight[glyph * kGlyphRows + r]);
    return rows;
}

}  // namespace zell
