// The double-byte glyphs looked up by code, every code of every row against its meaning: a lookup that
// lands on a neighbour gives a code without a character a glyph, or one kanji two glyphs, or two one.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <map>
#include <set>
#include <string>

#include "runtime/text/glyphs.h"
#include "runtime/text/sjis.h"

namespace zell {
namespace {

TEST(Glyphs, EveryDoubleByteCodeHasItsCharactersGlyph) {
    // Kanji come from one font: each has one drawn glyph of its own, whichever of its (duplicate) codes is used.
    std::map<std::string, std::array<uint16_t, kGlyphRows>> kanji;
    std::set<std::array<uint16_t, kGlyphRows>> kanji_glyphs;
    int duplicates = 0;
    for (int lead = 0x80; lead <= 0xFD; ++lead)
        for (int trail = 0x3F; trail <= 0xFD; ++trail) {
            SCOPED_TRACE(::testing::Message() << std::hex << lead << " " << trail);
            std::array<uint16_t, kGlyphRows> g{};
            std::ranges::copy(double_glyph(uint8_t(lead), uint8_t(trail)), g.begin());
            const bool blank = std::ranges::all_of(g, [](uint16_t r) { return r == 0; });
            const std::string text = to_utf8(std::string{char(lead), char(trail)});
            if (!is_sjis_lead(uint8_t(lead)) || text == "\xEF\xBF\xBD") {
                EXPECT_TRUE(blank) << "a code without a character";
                continue;
            }
            if (text < "\xE4\xB8\x80" || text >= "\xEA\x80\x80") continue;  // U+4E00..U+9FFF
            EXPECT_FALSE(blank);
            kanji_glyphs.insert(g);
            if (auto [it, added] = kanji.emplace(text, g); !added) {
                EXPECT_EQ(it->second, g) << "two codes of one kanji";
                ++duplicates;
            }
        }
    EXPECT_EQ(kanji_glyphs.size(), kanji.size());
    EXPECT_GT(kanji.size(), 6000u);
    EXPECT_GT(duplicates, 300);
}

}  // namespace
}  // namespace zell
