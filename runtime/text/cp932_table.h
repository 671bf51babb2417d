// The CP932 conversion tables, generated at build time from the system's iconv
// (tools/gen/gen_cp932.cpp); sjis.cpp converts through them.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zell::cp932 {

// Code point of each single byte; -1 where the byte is a lead byte or means nothing.
extern const int32_t kSingle[256];
// Code point of each double-byte code, its high byte and its low byte, indexed row * 256 + trail,
// the row counting the lead bytes 0x81..0x9F then 0xE0..0xFC; 0 where the pair means nothing.
extern const uint8_t kPairHigh[60 * 256];
extern const uint8_t kPairLow[60 * 256];

// The CP932 form of one code point: `bytes` holds `length` bytes, the first in the high byte;
// length 0: the code point has none.
struct Encoded {
    uint32_t code_point;
    uint16_t bytes;
    uint8_t length;
};
// A code point's form is its first code in byte order (single bytes, then pairs) that decodes
// to it, except for these, sorted by code point: where iconv picks a later duplicate code, or
// encodes a code point that no code decodes to, or none for one that a code decodes to.
extern const Encoded kEncodeExceptions[];
extern const size_t kEncodeExceptionCount;

}  // namespace zell::cp932
