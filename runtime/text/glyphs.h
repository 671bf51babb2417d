// The screen font: 8 x 16 glyphs for single-byte Shift-JIS codes and 16 x 16
// glyphs for double-byte codes, from the table generated at build time.
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace zell {

inline constexpr int kGlyphRows = 16;

// The 8 x 16 glyph of a single-byte code: one byte per row from the top, bit 7 the
// leftmost pixel. Control codes and codes without a glyph are blank.
std::span<const uint8_t, kGlyphRows> single_glyph(uint8_t code);

// The 16 x 16 glyph of a double-byte code: one word per row from the top, bit 15 the
// leftmost pixel. A code outside the double-byte ranges or without a glyph is blank.
std::array<uint16_t, kGlyphRows> double_glyph(uint8_t lead, uint8_t trail);

}  // namespace zell
