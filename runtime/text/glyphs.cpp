#include "runtime/text/glyphs.h"

#include "runtime/text/sjis.h"

// Defined in the generated glyph table (tools/gen/gen_glyphs.cpp).
namespace zell::glyphdata {
extern const uint8_t kSingle[256 * 16];
extern const uint16_t kDoubleIndex[60 * 189];
extern const uint16_t kDoubleGlyphs[];
}  // namespace zell::glyphdata

namespace zell {

namespace {

constexpr int kTrailCount = 189;  // trail bytes 0x40..0xFC

// Row of the lead byte in the double-byte index: 0x81..0x9F -> 0..30, 0xE0..0xFC -> 31..59.
int lead_slot(uint8_t lead) {
    if (!is_sjis_lead(lead)) return -1;
    return lead <= 0x9F ? lead - 0x81 : 31 + (lead - 0xE0);
}

}  // namespace

std::span<const uint8_t, kGlyphRows> single_glyph(uint8_t code) {
    return std::span<const uint8_t, kGlyphRows>(glyphdata::kSingle + size_t(code) * kGlyphRows, kGlyphRows);
}

std::span<const uint16_t, kGlyphRows> double_glyph(uint8_t lead, uint8_t trail) {
    int slot = lead_slot(lead);
    size_t glyph = 0;  // glyph 0 is blank
    if (slot >= 0 && trail >= 0x40 && trail <= 0xFC)
        glyph = glyphdata::kDoubleIndex[slot * kTrailCount + (trail - 0x40)];
    return std::span<const uint16_t, kGlyphRows>(glyphdata::kDoubleGlyphs + glyph * kGlyphRows, kGlyphRows);
}

}  // namespace zell
