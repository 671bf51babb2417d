#include "runtime/core/values.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "runtime/core/errors.h"
#include "runtime/core/tables.h"
#include "runtime/text/sjis.h"
#include "tests/support/error_number.h"

namespace zell {
namespace {

using testing::error_number;
using testing::error_place;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

// clang-format off
TEST(Conversions, RoundHalfAwayFromZeroAndRaiseError6OutOfRangeAtTheCallersLine) {
    for (auto [v, i] : {std::pair{0.5f, 1}, {-0.5f, -1}, {2.5f, 3}, {-2.5f, -3}, {2.49f, 2}, {-2.49f, -2},
                        {0.49999997f, 0}, {-0.49999997f, 0}, {32767.4f, 32767}, {-32768.4f, -32768}})
        EXPECT_EQ(to_int16(v), i) << v;
    EXPECT_EQ(to_int32(8388609.0f), 8388609);
    EXPECT_EQ(to_int32(-2147483648.0f), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(to_single(-1e38), -1e38f);
    for (float v : {32767.5f, -32768.5f, kNaN, kInf})
        EXPECT_EQ(error_number([&] { to_int16(v); }), err::kOverflow) << v;
    for (float v : {2147483648.0f, -kInf, kNaN}) EXPECT_EQ(error_number([&] { to_int32(v); }), err::kOverflow) << v;
    for (double v : {1e39, -1e39, std::nan("")}) EXPECT_EQ(error_number([&] { to_single(v); }), err::kOverflow) << v;
    auto raise = [] { to_int16(1e6f); };
    EXPECT_EQ(error_place(raise), "values_test.cpp:" + std::to_string(__LINE__ - 1));
}

TEST(Power, SquaresAreExactAndSpecialCasesHold) {
    for (float b : {0.1f, -7.25f, 16.3f, 31.999f, 123.456f, 1e19f}) EXPECT_EQ(power(b, 2), b * b) << b;
    for (auto [b, e, r] : {std::tuple{-3.0f, 3.0f, -27.0f}, {-2.0f, 4.0f, 16.0f}, {0.0f, 0.0f, 1.0f},
                           {-5.0f, 0.0f, 1.0f}, {0.0f, 3.0f, 0.0f}, {0.0f, -1.0f, kInf}, {1e30f, 2.0f, kInf}})
        EXPECT_EQ(power(b, e), r) << b << "^" << e;
    EXPECT_FLOAT_EQ(power(2, 0.5f), std::sqrt(2.0f));
    EXPECT_FLOAT_EQ(power(4, -1), 0.25f);
    EXPECT_TRUE(std::isnan(power(-2, 0.5f)));
    EXPECT_EQ(error_number([] { check_divisor(0); }), err::kDivisionByZero);
    EXPECT_EQ(error_number([] { check_divisor(-1); }), 0);
}

TEST(FixedString, CutsAndPadsWithoutSplittingADoubleByteCharacter) {
    const std::string eq = to_sjis("＝");  // 0x81 0x81: its second byte looks like a first byte
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"ABCDEFGHIJKLMNOP", "ABCDEFGHIJKL"}, {"Zz", "Zz          "}, {"", std::string(12, ' ')},
        {"abcdefghijk" + to_sjis("◆"), "abcdefghijk "}, {to_sjis("ボウリング中です"), to_sjis("ボウリング中")},
        {"0123456789" + eq + "x", "0123456789" + eq}, {"012345678" + eq + eq, "012345678" + eq + " "}};
    FixedString f;
    for (const auto& [in, out] : cases) {
        f.assign(in);
        EXPECT_EQ(f.str(), out) << to_utf8(in);
    }
    FixedString four(4);
    four.assign("abcdef");
    EXPECT_EQ(four.str(), "abcd");
}

TEST(Strings, RightStrStrAscAndStrVal) {
    EXPECT_EQ(right_str("12:34:56", 2), "56");
    EXPECT_EQ(right_str("12:34:56", 20), "12:34:56");
    EXPECT_EQ(right_str("abc", 0), "");
    EXPECT_EQ(error_number([] { right_str("abc", -1); }), err::kIllegalCall);
    EXPECT_EQ(str_asc(to_sjis("◆")), 0x81);
    EXPECT_EQ(error_number([] { str_asc(""); }), err::kIllegalCall);
    const std::vector<std::pair<std::string, float>> cases = {
        {"56", 56}, {"09", 9}, {"   12abc", 12}, {"\t 3", 3}, {"-3.5E2x", -350}, {"+7", 7}, {".5", 0.5f},
        {"4.", 4}, {"2e+", 2}, {"1.5e-1", 0.15f}, {"abc", 0}, {"", 0}, {"-", 0}, {".", 0}, {"1e39", kInf},
        {"-1e39", -kInf}, {"0.000001e-60", 0}, {"1e99999999999999999999", kInf}, {"-7e-99999999999999999999", 0},
        {"123456789012345678901234567890123456789012", kInf}};
    for (const auto& [text, value] : cases) EXPECT_EQ(str_val(text), value) << '"' << text << '"';
}
// clang-format on

TEST(DataReader, NumbersStringsAndTheirErrors) {
    DataReader data({{10, " 1.5 , -2E1,\"a, b\" ,  plain text  ,,007"}, {20, ""}, {30, "x1,1e39,\"q\"z,5,"}});
    float f = 0;
    std::string s;
    data.read(f);
    data.read(f);
    EXPECT_EQ(f, -20.0f);
    // A quoted item is a string: a numeric target is a type mismatch and the item stays unread.
    EXPECT_EQ(error_number([&] { data.read(f); }), err::kTypeMismatch);
    data.read(s);
    EXPECT_EQ(s, "a, b");
    data.read(s);
    EXPECT_EQ(s, "plain text");
    data.read(f);
    EXPECT_EQ(f, 0) << "an empty item";
    data.read(s);
    EXPECT_EQ(s, "007") << "a string target gets the raw text";
    // The empty line holds no item: reading goes on with the next line.
    EXPECT_EQ(error_number([&] { data.read(f); }), err::kMalformedNumber);
    data.read(s);
    EXPECT_EQ(error_number([&] { data.read(f); }), err::kOverflow);
    data.read(s);
    EXPECT_EQ(s, "1e39");
    EXPECT_EQ(error_number([&] { data.read(s); }), err::kMalformedNumber) << "text after the closing quote";
    DataReader tail({{1, "5,"}});
    tail.read(f);
    s = "unchanged";
    tail.read(s);
    EXPECT_EQ(s, "") << "a trailing comma gives an empty item";
    EXPECT_EQ(error_number([&] { tail.read(s); }), err::kOutOfData);
}

// --- Formatted output --------------------------------------------------------

// An item of a statement: a number or a (UTF-8) string.
struct Item {
    Item(double v) : number(v) {}
    Item(int v) : number(v) {}
    Item(const char* s) : text(s), is_text(true) {}
    double number = 0;
    std::string text;
    bool is_text = false;
};

// The whole output of one statement, the template and the output in UTF-8.
std::string print_using(std::string_view tmpl, const std::vector<Item>& items) {
    UsingFormatter u(to_sjis(tmpl));
    std::string out;
    for (const Item& item : items) out += item.is_text ? u.string(to_sjis(item.text)) : u.number(item.number);
    return to_utf8(out);
}

struct UsingCase {
    std::string tmpl;
    std::vector<Item> items;
    std::string out;
};

void expect_outputs(const std::vector<UsingCase>& cases) {
    for (const UsingCase& c : cases) EXPECT_EQ(print_using(c.tmpl, c.items), c.out) << '"' << c.tmpl << '"';
}

// clang-format off
// Each item returns its field with the text up to the next field; items past the last start it again.
TEST(Using, EachItemReturnsItsFieldAndTheTemplateRestartsWhenItemsOutrunTheFields) {
    UsingFormatter u(to_sjis("[##|◆|##]"));
    EXPECT_EQ(to_utf8(u.number(4)), "[ 4|◆|");
    EXPECT_EQ(u.number(45), "45]");
    EXPECT_EQ(to_utf8(u.number(6)), "[ 6|◆|");
}

TEST(Using, WidthRoundingAndSignificantDigits) {
    expect_outputs({{"#", {-7}, "%-7"}, {"## ", {9.6}, "10 "}, {"<##>", {123, 45}, "<%123><45>"},
                    {"##", {2.5}, " 3"}, {"##", {-2.5}, "-3"}, {"#.#", {0.05}, "0.1"},
                    {"#.##", {-0.001}, "0.00"},  // no minus on a value shown as zero
                    {".##", {.25}, ".25"},
                    {"#.##", {double(1.005f)}, "1.01"}});  // 1.00499999... is 1.00500 in 6 significant digits
    EXPECT_EQ(UsingFormatter("#.##").number(2.675, true), "2.68");  // the double just below 2.675
    UsingFormatter u("######## ");
    EXPECT_EQ(u.number(1234567), " 1234570 ");
    EXPECT_EQ(u.number(1234567, true), " 1234567 ");
    EXPECT_EQ(UsingFormatter("#.########## ").number(double(0.1f)), "0.1000000000 ");
}

// Plain fields ("###.##") against printf: numbers up to one digit wider than the field (within 6
// digits), rounded once (next digit 3 or 7), every carry (9.997 to 10.00); too wide prints after "%".
TEST(Using, PlainFieldsRoundAndOverflowAsPrintfDoes) {
    char want[64];
    for (int ints = 1; ints <= 4; ++ints)
        for (int decimals = 0; decimals <= 2 && ints + decimals <= 5; ++decimals) {  // 6 digits with the "%"
            const std::string tmpl = std::string(size_t(ints), '#') + (decimals ? "." + std::string(size_t(decimals), '#') : "");
            const int width = int(tmpl.size());
            const double scale = std::pow(10.0, decimals);
            const int top = int(std::pow(10.0, ints + decimals)) * 12 / 10;
            for (int k = 0; k < top; k += k < 2000 || (k + 1) % 10 == 0 ? 1 : 97)
                for (double v : {(k + 0.3) / scale, (k + 0.7) / scale, -(k + 0.3) / scale, -(k + 0.7) / scale}) {
                    if (v < 0 && v > -1) continue;  // a minus in the units' place: checked by hand below
                    int n = std::snprintf(want, sizeof want, "%*.*f", width, decimals, v);
                    if (n > width) std::snprintf(want, sizeof want, "%%%.*f", decimals, v);
                    ASSERT_EQ(UsingFormatter(tmpl).number(v), want) << tmpl << " " << v;
                }
        }
}

TEST(Using, PointCommasSignsFillCurrencyAndExponents) {
    expect_outputs({{"##.##", {-3.14159}, "-3.14"}, {"#.##", {-0.5}, "-.50"}, {"#,###", {1234}, "1,234"},
                    {"###,###", {1234567}, "%1,234,570"}, {"+##", {5}, " +5"}, {"+#", {-15}, "%-15"},
                    {"##-", {5}, " 5 "}, {"##-", {-5}, " 5-"}, {"##+", {-5}, " 5-"}, {"**##", {-5}, "**-5"},
                    {"\\\\##", {-12}, "-\\12"}, {"+\\\\##.##", {3.5}, "  +\\3.50"}, {"**\\##", {12}, "**\\12"},
                    {"*## \\", {5}, "* 5 \\"},  // a single asterisk or backslash is literal text
                    {"##.##^^^^", {234.56}, " 2.35E+02"}, {"##.##^^^^", {-0.000123}, "-1.23E-04"},
                    {"#.#^^^^", {9.99}, " .1E+02"}, {"#.##^^^^-", {-5}, "5.00E+00-"}, {"##^^^", {5}, " 5^^^"},
                    {"#^^^^", {0.7}, "7E-01"}});
    EXPECT_EQ(UsingFormatter("##.##^^^^^").number(1e30, true), " 1.00E+030");
}

TEST(Using, StringFieldsLiteralsAndTabs) {
    expect_outputs({{"[!]", {"Hello"}, "[H]"}, {"[!]", {""}, "[ ]"}, {"[!]", {"◆x"}, "[◆]"},
                    {"[&  &]", {"ABCDEFG"}, "[ABCD]"}, {"[&  &]", {"AB"}, "[AB  ]"},
                    {"[&&]", {"a◆"}, "[a ]"},  // the diamond would be split
                    {"[@]", {"whole string"}, "[whole string]"}, {"& @", {"x"}, "& x"}, {"_##", {5}, "#5"},
                    {"_@=@", {"me"}, "@=me"}, {"#__", {5}, "5_"}, {"#_", {5}, "5_"}, {"_◆#", {5}, "◆5"},
                    {"A\t#", {5}, "A\t5"}, {"#\t#", {1, 2, 3, 4}, "1\t23\t4"}});  // the screen expands tabs
}

TEST(Using, DoubleByteLiteralsAreNeverReadAsFieldCharacters) {
    // Second bytes: "ァ" 0x40 '@', "ソ" and "表" 0x5C '\', "ダ" 0x5F '_', "タ" 0x5E '^', "ポ" 0x7C '|'.
    expect_outputs({{"ァ##", {5}, "ァ 5"}, {"ソ\\##", {5}, "ソ\\ 5"}, {"表\\\\#", {5}, "表 \\5"}, {"ダ#", {5}, "ダ5"},
                    {"#.#タ^^^", {5}, "5.0タ^^^"}, {"ポ@ポ", {"x"}, "ポxポ"},
                    {"　##　", {12}, "　12　"},  // ideographic space, 0x81 0x40
                    {"  @      ##      Random       ###", {"ソ表ァダタ　", 3, 0},
                     "  ソ表ァダタ　" + std::string(7, ' ') + "3      Random" + std::string(9, ' ') + "0"}});
}
// clang-format on

TEST(Using, TemplatesWithoutFieldsAndItemsOfTheWrongKindRaiseErrors) {
    for (const std::string& t : {std::string("plain text"), std::string(), std::string("_#_@_!"),
                                 std::string("+ - * \\ . , ^^^^"), to_sjis("ァソダ")})
        EXPECT_EQ(error_number([&] { UsingFormatter u(t); }), err::kIllegalCall) << to_utf8(t);
    EXPECT_EQ(error_number([] { UsingFormatter("##").string("x"); }), err::kTypeMismatch);
    for (std::string_view t : {"@", "&  &", "!"})
        EXPECT_EQ(error_number([&] { UsingFormatter(t).number(1); }), err::kTypeMismatch) << t;
    UsingFormatter mixed("@ ##");
    mixed.string("a");
    EXPECT_EQ(error_number([&] { mixed.string("b"); }), err::kTypeMismatch);
    EXPECT_EQ(error_number([] { UsingFormatter("##").number(std::nan("")); }), err::kOverflow);
    EXPECT_EQ(error_number([] { UsingFormatter("##").number(-kInf); }), err::kOverflow);
}

}  // namespace
}  // namespace zell
