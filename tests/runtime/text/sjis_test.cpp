// Shift-JIS conversion against iconv, whose tables the build uses: the code that walks them, for every
// code point, single byte and byte pair, each followed by a letter that must come through unharmed.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "runtime/text/sjis.h"

#if __has_include(<iconv.h>)
#include <iconv.h>

namespace zell {
namespace {

class Iconv {
public:
    Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Iconv() { iconv_close(cd_); }
    // `in` converted whole; nullopt when iconv refuses any of it.
    std::optional<std::string> operator()(std::string in) {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        char buf[64];
        char* ip = in.data();
        char* op = buf;
        size_t il = in.size(), ol = sizeof buf;
        if (iconv(cd_, &ip, &il, &op, &ol) == size_t(-1) || il != 0) return std::nullopt;
        return std::string(buf, size_t(op - buf));
    }

private:
    iconv_t cd_;
};

const std::string kReplacement = "\xEF\xBF\xBD";

TEST(Sjis, EveryCodePointConvertsAsIconvDoes) {
    Iconv utf8("UTF-8", "UTF-32LE"), cp932("CP932", "UTF-32LE");
    for (uint32_t cp = 0; cp <= 0x10FFFF; ++cp) {
        if (cp >= 0xD800 && cp <= 0xDFFF) continue;
        const std::string u32{char(cp), char(cp >> 8), char(cp >> 16), 0};
        const std::string in = *utf8(u32);
        std::optional<std::string> want = cp932(u32);
        if (want && want->empty()) want.reset();  // iconv drops the tag characters unconverted
        ASSERT_EQ(try_to_sjis(in), want) << std::hex << cp;
        ASSERT_EQ(to_sjis(in + "z"), want.value_or("?") + "z") << std::hex << cp;
    }
}

TEST(Sjis, EveryByteAndBytePairConvertsAsIconvDoes) {
    Iconv utf8("UTF-8", "CP932");
    for (int lead = 0; lead < 256; ++lead) {
        const std::string one(1, char(lead));
        if (!is_sjis_lead(uint8_t(lead))) {
            ASSERT_EQ(to_utf8(one + "z"), utf8(one).value_or(kReplacement) + "z") << lead;
            continue;
        }
        ASSERT_EQ(to_utf8("z" + one), "z" + kReplacement) << lead;  // cut short at the end
        for (int trail = 0; trail < 256; ++trail) {
            const std::string pair = one + char(trail);
            ASSERT_EQ(to_utf8(pair + "z"), utf8(pair).value_or(kReplacement) + "z") << lead << " " << trail;
        }
    }
}

}  // namespace
}  // namespace zell
#endif

namespace zell {
namespace {

// A malformed UTF-8 sequence (a stray continuation byte, an invalid or overlong start, a sequence
// cut short) is a "?" for itself alone: the letter after it always survives.
TEST(Sjis, MalformedUtf8NeverSwallowsTheNextCharacter) {
    for (int start = 0x80; start < 0x100; ++start)
        for (int continuations = 0; continuations <= 4; ++continuations) {
            const std::string bad = char(start) + std::string(size_t(continuations), '\x80');
            if (try_to_sjis(bad)) continue;
            const std::string out = to_sjis(bad + "z");
            ASSERT_EQ(out.back(), 'z') << start << " " << continuations;
            ASSERT_LE(out.size() - 1, bad.size()) << start << " " << continuations;
        }
    // clang-format off
    for (auto [in, out] : {std::pair{"\xC0\xAFz", "?z"}, {"\xF0\x9F\x98z", "?z"}, {"\xE3\x81z", "?z"}, {"\x80\x80z", "??z"},
                           {"\xF0\x80\x80\x80\x80z", "??z"}, {"a\xF0\x9F\x98\x80éz", "a??z"},
                           {"\x80\x90\x80\x80z", "????z"}})
        EXPECT_EQ(to_sjis(in), out) << in;
    // clang-format on
}

}  // namespace
}  // namespace zell
