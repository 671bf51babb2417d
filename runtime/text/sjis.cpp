#include "runtime/text/sjis.h"

#include <algorithm>
#include <map>
#include <span>
#include <vector>

#include "runtime/text/cp932_table.h"

namespace zell {
namespace {

// Length of the UTF-8 sequence starting with byte b (1 for an invalid byte).
size_t utf8_length(uint8_t b) {
    if (b >= 0xF0) return 4;
    if (b >= 0xE0) return 3;
    if (b >= 0xC0) return 2;
    return 1;
}

// Decodes the UTF-8 character at the start of s; false for a malformed, overlong or
// truncated sequence, a surrogate or a value past U+10FFFF.
bool decode_utf8(std::string_view s, uint32_t* cp, size_t* length) {
    const uint8_t b = uint8_t(s[0]);
    if (b < 0x80) {
        *cp = b;
        *length = 1;
        return true;
    }
    size_t n = 0;
    uint32_t v = 0, min = 0;
    if (b >= 0xC2 && b <= 0xDF) n = 2, v = b & 0x1F, min = 0x80;
    else if (b >= 0xE0 && b <= 0xEF) n = 3, v = b & 0x0F, min = 0x800;
    else if (b >= 0xF0 && b <= 0xF4) n = 4, v = b & 0x07, min = 0x10000;
    else return false;
    if (s.size() < n) return false;
    for (size_t i = 1; i < n; ++i) {
        const uint8_t c = uint8_t(s[i]);
        if ((c & 0xC0) != 0x80) return false;
        v = v << 6 | (c & 0x3F);
    }
    if (v < min || v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF)) return false;
    *cp = v;
    *length = n;
    return true;
}

void append_utf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | cp >> 6);
        out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += char(0xE0 | cp >> 12);
        out += char(0x80 | (cp >> 6 & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xF0 | cp >> 18);
        out += char(0x80 | (cp >> 12 & 0x3F));
        out += char(0x80 | (cp >> 6 & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

// The code point of the double-byte code lead, trail; 0 when it means nothing.
uint32_t pair_code(uint8_t lead, uint8_t trail) {
    const unsigned row = lead <= 0x9F ? lead - 0x81u : lead - 0xE0u + 31;
    return uint32_t(cp932::kPairHigh[row * 256 + trail]) << 8 | cp932::kPairLow[row * 256 + trail];
}

// The entry of cp in a table sorted by code point, or nullptr.
const cp932::Encoded* find_code_point(std::span<const cp932::Encoded> table, uint32_t cp) {
    auto e = std::lower_bound(table.begin(), table.end(), cp,
                              [](const cp932::Encoded& x, uint32_t v) { return x.code_point < v; });
    return e == table.end() || e->code_point != cp ? nullptr : &*e;
}

// Every code point's first code in byte order, sorted by code point: inverted from the decoding
// tables at the first conversion (the program carries one direction only).
std::span<const cp932::Encoded> derived_encoding() {
    static const std::vector<cp932::Encoded> table = [] {
        std::vector<cp932::Encoded> t;
        for (unsigned b = 0; b < 256; ++b)
            if (cp932::kSingle[b] >= 0) t.push_back({uint32_t(cp932::kSingle[b]), uint16_t(b), 1});
        for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
            if (!is_sjis_lead(uint8_t(lead))) continue;
            for (unsigned trail = 0; trail < 256; ++trail)
                if (const uint32_t cp = pair_code(uint8_t(lead), uint8_t(trail)); cp != 0)
                    t.push_back({cp, uint16_t(lead << 8 | trail), 2});
        }
        // Stable, so that the first code of a code point in byte order stays first; then the others go.
        std::stable_sort(t.begin(), t.end(), [](const auto& a, const auto& b) { return a.code_point < b.code_point; });
        t.erase(
            std::unique(t.begin(), t.end(), [](const auto& a, const auto& b) { return a.code_point == b.code_point; }),
            t.end());
        return t;
    }();
    return table;
}

// Appends the CP932 form of one code point; false when it has none.
bool append_sjis(std::string& out, uint32_t cp) {
    const cp932::Encoded* e = find_code_point({cp932::kEncodeExceptions, cp932::kEncodeExceptionCount}, cp);
    if (!e) e = find_code_point(derived_encoding(), cp);
    if (!e || e->length == 0) return false;
    if (e->length == 2) out += char(e->bytes >> 8);
    out += char(e->bytes & 0xFF);
    return true;
}

}  // namespace

std::optional<std::string> try_to_sjis(std::string_view utf8) {
    std::string out;
    while (!utf8.empty()) {
        uint32_t cp = 0;
        size_t n = 0;
        if (!decode_utf8(utf8, &cp, &n) || !append_sjis(out, cp)) return std::nullopt;
        utf8.remove_prefix(n);
    }
    return out;
}

std::string to_sjis(std::string_view utf8) {
    std::string out;
    while (!utf8.empty()) {
        uint32_t cp = 0;
        size_t n = 0;
        if (decode_utf8(utf8, &cp, &n) && append_sjis(out, cp)) {
            utf8.remove_prefix(n);
            continue;
        }
        // A character without a form, or a malformed sequence: one "?" and on past it. A malformed
        // sequence ends at its first byte that is no continuation byte, so a sequence cut short
        // never swallows the character after it.
        out += '?';
        if (!decode_utf8(utf8, &cp, &n)) {
            const size_t most = std::min(utf8.size(), utf8_length(uint8_t(utf8[0])));
            for (n = 1; n < most && (uint8_t(utf8[n]) & 0xC0) == 0x80;) ++n;
        }
        utf8.remove_prefix(n);
    }
    return out;
}

std::string to_utf8(std::string_view sjis) {
    std::string out;
    while (!sjis.empty()) {
        const uint8_t b = uint8_t(sjis[0]);
        if (is_sjis_lead(b)) {
            if (sjis.size() < 2) {
                out += "\xEF\xBF\xBD";
                break;
            }
            const uint32_t cp = pair_code(b, uint8_t(sjis[1]));
            if (cp != 0) append_utf8(out, cp);
            else out += "\xEF\xBF\xBD";
            sjis.remove_prefix(2);
            continue;
        }
        if (cp932::kSingle[b] >= 0) append_utf8(out, uint32_t(cp932::kSingle[b]));
        else out += "\xEF\xBF\xBD";
        sjis.remove_prefix(1);
    }
    return out;
}

const std::string& cached_sjis(const char* utf8) {
    // Map nodes never move, so the references handed out stay valid.
    static std::map<std::string_view, std::string> cache;
    auto it = cache.find(utf8);
    if (it == cache.end()) it = cache.emplace(utf8, to_sjis(utf8)).first;
    return it->second;
}

}  // namespace zell
