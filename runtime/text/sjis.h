// Shift-JIS (CP932) text: the program's text is held as Shift-JIS bytes; UTF-8
// appears only at the edges (source literals, typed text, dump files).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zell {

// True when b is the first byte of a double-byte Shift-JIS character.
constexpr bool is_sjis_lead(uint8_t b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
// True when b may be the second byte of a double-byte Shift-JIS character.
constexpr bool is_sjis_trail(uint8_t b) { return b >= 0x40 && b <= 0xFC && b != 0x7F; }

// UTF-8 to Shift-JIS; nullopt when a character has no Shift-JIS form or the input is not UTF-8.
std::optional<std::string> try_to_sjis(std::string_view utf8);

// UTF-8 to Shift-JIS for the program's own texts; a character without a form becomes "?".
std::string to_sjis(std::string_view utf8);

// Shift-JIS to UTF-8; a byte sequence that is not valid Shift-JIS becomes U+FFFD.
std::string to_utf8(std::string_view sjis);

// A fixed text of the program (a UTF-8 literal) in Shift-JIS, converted on first use.
const std::string& cached_sjis(const char* utf8);

}  // namespace zell
