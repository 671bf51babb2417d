#include "runtime/values.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "runtime/errors.h"
#include "runtime/sjis.h"
#include "runtime/tables.h"

namespace zell {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

// The number of the run-time error that f raises, 0 when it raises none.
template <class F>
int error_of(F&& f) {
    try {
        f();
    } catch (const RuntimeError& e) {
        return e.number();
    }
    return 0;
}

// --- Numbers -----------------------------------------------------------------

TEST(Conversions, RoundHalfAwayFromZero) {
    EXPECT_EQ(to_int16(0.5f), 1);
    EXPECT_EQ(to_int16(-0.5f), -1);
    EXPECT_EQ(to_int16(2.5f), 3);
    EXPECT_EQ(to_int16(-2.5f), -3);
    EXPECT_EQ(to_int16(2.49f), 2);
    EXPECT_EQ(to_int16(-2.49f), -2);
    EXPECT_EQ(to_int16(0.0f), 0);
    // The largest single below one half must not be pushed up to 1 by the rounding sum.
    EXPECT_EQ(to_int16(0.49999997f), 0);
    EXPECT_EQ(to_int16(-0.49999997f), 0);
    EXPECT_EQ(to_int32(8388609.0f), 8388609);
    EXPECT_EQ(to_int32(-1.5f), -2);
}

TEST(Conversions, OutOfRangeOrNotANumberIsError6) {
    EXPECT_EQ(to_int16(32767.4f), 32767);
    EXPECT_EQ(to_int16(-32768.4f), -32768);
    EXPECT_EQ(error_of([] { to_int16(32767.5f); }), err::kOverflow);
    EXPECT_EQ(error_of([] { to_int16(-32768.5f); }), err::kOverflow);
    EXPECT_EQ(error_of([] { to_int16(kNaN); }), err::kOverflow);
    EXPECT_EQ(error_of([] { to_int16(kInf); }), err::kOverflow);

    EXPECT_EQ(to_int32(2147483520.0f), 2147483520);
    EXPECT_EQ(to_int32(-2147483648.0f), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(error_of([] { to_int32(2147483648.0f); }), err::kOverflow);
    EXPECT_EQ(error_of([] { to_int32(-kInf); }), err::kOverflow);
    EXPECT_EQ(error_of([] { to_int32(kNaN); }), err::kOverflow);

    EXPECT_EQ(to_single(3.25), 3.25f);
    EXPECT_EQ(to_single(-1e38), -1e38f);
    EXPECT_EQ(error_of([] { to_single(1e39); }), err::kOverflow);
    EXPECT_EQ(error_of([] { to_single(-1e39); }), err::kOverflow);
    EXPECT_EQ(error_of([] { to_single(std::nan("")); }), err::kOverflow);
}

TEST(Conversions, ErrorsNameTheCallersLine) {
    unsigned line = 0;
    try {
        line = __LINE__ + 1;
        to_int16(1e6f);
        FAIL() << "no error raised";
    } catch (const RuntimeError& e) {
        EXPECT_EQ(Position::of(e.where()).file, "values_test.cpp");
        EXPECT_EQ(e.where().line(), line);
    }
}

TEST(Power, SquaresEqualTheProductAndSpecialCasesHold) {
    for (float b : {0.1f, 3.0f, -7.25f, 16.3f, 31.999f, 123.456f, -0.001f, 1e19f})
        EXPECT_EQ(power(b, 2), b * b) << b;
    EXPECT_EQ(power(32, 2), 1024.0f);
    EXPECT_EQ(power(-3, 3), -27.0f);
    EXPECT_EQ(power(-2, 4), 16.0f);
    EXPECT_EQ(power(0, 0), 1.0f);
    EXPECT_EQ(power(-5, 0), 1.0f);
    EXPECT_EQ(power(0, 3), 0.0f);
    EXPECT_EQ(power(0, -1), kInf);
    EXPECT_FLOAT_EQ(power(2, 0.5f), std::sqrt(2.0f));
    EXPECT_FLOAT_EQ(power(4, -1), 0.25f);
    EXPECT_TRUE(std::isnan(power(-2, 0.5f)));
    EXPECT_EQ(power(1e30f, 2), kInf);
}

TEST(Power, DivisorZeroIsError11) {
    EXPECT_EQ(error_of([] { check_divisor(0); }), err::kDivisionByZero);
    EXPECT_EQ(error_of([] { check_divisor(-1); }), 0);
    EXPECT_EQ(error_of([] { check_divisor(7); }), 0);
}

// --- Strings -----------------------------------------------------------------

TEST(FixedString, CutsAndPadsToItsLength) {
    FixedString f;
    EXPECT_EQ(f.length(), 12u);
    EXPECT_EQ(f.str(), std::string(12, ' '));
    f.assign("ABCDEFGHIJKLMNOP");
    EXPECT_EQ(f.str(), "ABCDEFGHIJKL");
    f.assign("Zz");
    EXPECT_EQ(f.str(), "Zz          ");
    f.assign("");
    EXPECT_EQ(f.str(), std::string(12, ' '));

    FixedString four(4);
    four.assign("abcdef");
    EXPECT_EQ(four.str(), "abcd");
    EXPECT_EQ(four.length(), 4u);
}

TEST(FixedString, NeverSplitsADoubleByteCharacter) {
    FixedString f;
    // "◆" takes bytes 12 and 13: its first byte would be the last one kept.
    f.assign("abcdefghijk" + to_sjis("◆"));
    EXPECT_EQ(f.str(), "abcdefghijk ");
    // Six double-byte characters fill the field exactly.
    f.assign(to_sjis("ボウリング中です"));
    EXPECT_EQ(to_utf8(f.str()), "ボウリング中");
    // "＝" is 0x81 0x81: its second byte looks like a first byte but stays with its character.
    f.assign("0123456789" + to_sjis("＝") + "x");
    EXPECT_EQ(f.str(), "0123456789" + to_sjis("＝"));
    f.assign("012345678" + to_sjis("＝＝"));
    EXPECT_EQ(f.str(), "012345678" + to_sjis("＝") + " ");
}

TEST(Strings, RightStr) {
    EXPECT_EQ(right_str("12:34:56", 2), "56");
    EXPECT_EQ(right_str("12:34:56", 20), "12:34:56");
    EXPECT_EQ(right_str("abc", 0), "");
    EXPECT_EQ(right_str("", 3), "");
    EXPECT_EQ(error_of([] { right_str("abc", -1); }), err::kIllegalCall);
}

TEST(Strings, StrValReadsTheNumberAtTheStart) {
    EXPECT_EQ(str_val("56"), 56.0f);
    EXPECT_EQ(str_val("00"), 0.0f);
    EXPECT_EQ(str_val("09"), 9.0f);
    EXPECT_EQ(str_val("   12abc"), 12.0f);
    EXPECT_EQ(str_val("\t 3"), 3.0f);
    EXPECT_EQ(str_val("-3.5E2x"), -350.0f);
    EXPECT_EQ(str_val("+7"), 7.0f);
    EXPECT_EQ(str_val(".5"), 0.5f);
    EXPECT_EQ(str_val("4."), 4.0f);
    EXPECT_EQ(str_val("1e"), 1.0f);
    EXPECT_EQ(str_val("2e+"), 2.0f);
    EXPECT_EQ(str_val("1.5e-1"), 0.15f);
    EXPECT_EQ(str_val("abc"), 0.0f);
    EXPECT_EQ(str_val(""), 0.0f);
    EXPECT_EQ(str_val("-"), 0.0f);
    EXPECT_EQ(str_val("."), 0.0f);
    EXPECT_EQ(str_val("x12"), 0.0f);
    EXPECT_EQ(str_val("1e39"), kInf);
    EXPECT_EQ(str_val("-1e39"), -kInf);
    EXPECT_EQ(str_val("1e-60"), 0.0f);
    EXPECT_EQ(str_val("0.000001e-60"), 0.0f);
    EXPECT_EQ(str_val("1e99999999999999999999"), kInf);
    EXPECT_EQ(str_val("-7e-99999999999999999999"), 0.0f);
    EXPECT_EQ(str_val("123456789012345678901234567890123456789012"), kInf);
}

TEST(Strings, StrAscGivesTheFirstByte) {
    EXPECT_EQ(str_asc("A"), 65);
    EXPECT_EQ(str_asc("56"), '5');
    EXPECT_EQ(str_asc(to_sjis("◆")), 0x81);
    EXPECT_EQ(error_of([] { str_asc(""); }), err::kIllegalCall);
}

// --- Data lines --------------------------------------------------------------

std::vector<std::pair<int, std::string>> game_data() {
    return {{66, "0,3,9,11,5,7,13,15,1,2,8,10,4,6,12,14"},
            {68, "0,1,4,5,2,3,6,7"},
            {74, "15,9,11,5,7,13,9,11,5,7,13,9,11,5,7,13,9,11,5,7"},
            {79, "4,7,9,12,4,7,9,12,4,7,9,12,4,7,9,12,4,7,9,12"}};
}

TEST(DataReader, ReadsTheGamesLinesInOrderThenRunsOut) {
    DataReader data(game_data());
    Table<float> colors(15), palette(7), obj_color(20), obj_note(20);
    for (int i = 0; i <= 15; ++i) data.read(colors(i));
    for (int i = 0; i <= 7; ++i) data.read(palette(i));
    for (int i = 1; i <= 20; ++i) data.read(obj_color(i));
    for (int i = 1; i <= 20; ++i) data.read(obj_note(i));
    EXPECT_EQ(colors(0), 0);
    EXPECT_EQ(colors(1), 3);
    EXPECT_EQ(colors(15), 14);
    EXPECT_EQ(palette(2), 4);
    EXPECT_EQ(palette(7), 7);
    EXPECT_EQ(obj_color(1), 15);
    EXPECT_EQ(obj_color(20), 7);
    EXPECT_EQ(obj_note(4), 12);
    EXPECT_EQ(obj_note(20), 12);
    float extra = -1;
    EXPECT_EQ(error_of([&] { data.read(extra); }), err::kOutOfData);
    EXPECT_EQ(extra, -1);

    data.restore();
    float first = -1, second = -1;
    data.read(first);
    data.read(second);
    EXPECT_EQ(first, 0);
    EXPECT_EQ(second, 3);
}

TEST(DataReader, NumbersStringsAndTheirErrors) {
    DataReader data({{10, " 1.5 , -2E1,\"a, b\" ,  plain text  ,,007"},
                     {20, ""},
                     {30, "x1,1e39,\"q\"z,3"}});
    float f = 0;
    std::string s;
    data.read(f);
    EXPECT_EQ(f, 1.5f);
    data.read(f);
    EXPECT_EQ(f, -20.0f);
    // A quoted item is a string: a numeric target is a type mismatch and the item stays unread.
    EXPECT_EQ(error_of([&] { data.read(f); }), err::kTypeMismatch);
    data.read(s);
    EXPECT_EQ(s, "a, b");
    data.read(s);
    EXPECT_EQ(s, "plain text");
    f = 9;
    data.read(f);
    EXPECT_EQ(f, 0);  // an empty item
    data.read(s);
    EXPECT_EQ(s, "007");  // a string target gets the raw text
    // The empty line holds no item: reading goes on with the next line.
    EXPECT_EQ(error_of([&] { data.read(f); }), err::kMalformedNumber);
    data.read(s);
    EXPECT_EQ(s, "x1");
    EXPECT_EQ(error_of([&] { data.read(f); }), err::kOverflow);
    data.read(s);
    EXPECT_EQ(s, "1e39");
    EXPECT_EQ(error_of([&] { data.read(s); }), err::kMalformedNumber);  // text after the closing quote
}

TEST(DataReader, TrailingCommaGivesAnEmptyItemAndStringsRunOutToo) {
    DataReader data({{1, "5,"}});
    float f = -1;
    std::string s = "unchanged";
    data.read(f);
    EXPECT_EQ(f, 5);
    data.read(s);
    EXPECT_EQ(s, "");
    EXPECT_EQ(error_of([&] { data.read(s); }), err::kOutOfData);
    EXPECT_EQ(error_of([] {
                  DataReader none({});
                  float g;
                  none.read(g);
              }),
              err::kOutOfData);
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

// The whole output of one statement: the template (UTF-8 here) and its items in order.
std::string print_using(std::string_view tmpl, std::initializer_list<Item> items) {
    UsingFormatter u(to_sjis(tmpl));
    std::string out;
    for (const Item& item : items) {
        out += item.is_text ? u.string(to_sjis(item.text)) : u.number(item.number);
    }
    return to_utf8(out);
}

TEST(Using, ScoreSheetRows) {
    EXPECT_EQ(print_using("Level ##", {3}), "Level  3");
    EXPECT_EQ(print_using(" ##", {7}), "  7");
    EXPECT_EQ(print_using(" ##", {10}), " 10");
    EXPECT_EQ(print_using("## ", {7}), " 7 ");
    EXPECT_EQ(print_using(" ##  ◆◆", {2}), "  2  ◆◆");
    EXPECT_EQ(print_using(" ##  ◆◆  ###", {1, 30}), "  1  ◆◆   30");
    EXPECT_EQ(print_using(" ##  ◆◆  ###", {10, 300}), " 10  ◆◆  300");
    EXPECT_EQ(print_using("     # ▲", {0}), "     0 ▲");
    EXPECT_EQ(print_using(" ##  # ▲", {4, 7}), "  4  7 ▲");
    EXPECT_EQ(print_using(" ##  # ▲  ###", {10, 9, 187}), " 10  9 ▲  187");
    EXPECT_EQ(print_using("     # ", {7}), "     7 ");
    EXPECT_EQ(print_using(" ##  # ", {3, 8}), "  3  8 ");
    EXPECT_EQ(print_using("     #  ", {7}), "     7  ");
    EXPECT_EQ(print_using(" ##  #  ", {5, 6}), "  5  6  ");
    EXPECT_EQ(print_using("     # #      ", {3, 4}), "     3 4      ");
    EXPECT_EQ(print_using(" ##  # #   ###", {1, 7, 2, 9}), "  1  7 2     9");
    EXPECT_EQ(print_using(" ##  # #   ###", {9, 0, 0, 150}), "  9  0 0   150");
}

TEST(Using, EachItemReturnsItsFieldWithTheLiteralTextAroundIt) {
    UsingFormatter u(to_sjis(" ##  # #   ###"));
    EXPECT_EQ(u.number(1), "  1  ");
    EXPECT_EQ(u.number(7), "7 ");
    EXPECT_EQ(u.number(2), "2   ");
    EXPECT_EQ(u.number(9), "  9");

    UsingFormatter v(to_sjis(" ##  ◆◆  ###"));
    EXPECT_EQ(to_utf8(v.number(4)), "  4  ◆◆  ");
    EXPECT_EQ(v.number(45), " 45");
}

TEST(Using, BestTwentyRowsLineUpUnderTheHeading) {
    FixedString name;
    name.assign(to_sjis("ゼル太郎"));
    for (auto [layout_word, tmpl] : {std::pair{"Bowling", "  @      ##      Bowling      ###"},
                                     std::pair{"Random ", "  @      ##      Random       ###"}}) {
        UsingFormatter u(to_sjis(tmpl));
        std::string row = u.string(name.str());
        row += u.number(4);
        row += u.number(150);
        ASSERT_EQ(row.size(), 44u);
        EXPECT_EQ(row.substr(0, 2), "  ");
        EXPECT_EQ(row.substr(2, 12), name.str());  // columns 3-14
        EXPECT_EQ(row.substr(14, 6), "      ");
        EXPECT_EQ(row.substr(20, 2), " 4");  // columns 21-22
        EXPECT_EQ(row.substr(28, 7), layout_word);  // columns 29-35
        EXPECT_EQ(row.substr(41, 3), "150");  // columns 42-44
    }
    EXPECT_EQ(print_using("  @      ##      Bowling      ###", {"ABC         ", 1, 9}),
              "  ABC" + std::string(9 + 6 + 1, ' ') + "1      Bowling" + std::string(8, ' ') + "9");
}

TEST(Using, TemplateStartsAgainWhenItemsOutrunItsFields) {
    UsingFormatter u("[##|##]");
    EXPECT_EQ(u.number(1), "[ 1|");
    EXPECT_EQ(u.number(2), " 2]");
    EXPECT_EQ(u.number(3), "[ 3|");
    EXPECT_EQ(u.number(4), " 4]");
    EXPECT_EQ(print_using("## ", {1, 2, 3}), " 1  2  3 ");
}

TEST(Using, TooWideNumbersArePrefixedWithPercent) {
    EXPECT_EQ(print_using("###", {150}), "150");
    EXPECT_EQ(print_using("###", {9}), "  9");
    EXPECT_EQ(print_using("#", {7}), "7");
    EXPECT_EQ(print_using("##", {150}), "%150");
    EXPECT_EQ(print_using("#", {10}), "%10");
    EXPECT_EQ(print_using("#", {-7}), "%-7");
    EXPECT_EQ(print_using("## ", {9.6}), "10 ");
    EXPECT_EQ(print_using("#.#", {12.34}), "%12.3");
    EXPECT_EQ(print_using("<##>", {123, 45}), "<%123><45>");
}

TEST(Using, RoundsHalfAwayFromZeroOnTheDecimalDigits) {
    EXPECT_EQ(print_using("##", {2.5}), " 3");
    EXPECT_EQ(print_using("##", {-2.5}), "-3");
    EXPECT_EQ(print_using("##", {0.5}), " 1");
    EXPECT_EQ(print_using("##", {0.49}), " 0");
    EXPECT_EQ(print_using("##", {0}), " 0");
    EXPECT_EQ(print_using("#.#", {0.05}), "0.1");
    EXPECT_EQ(print_using("#.#", {0.004}), "0.0");
    EXPECT_EQ(print_using("##", {-0.0004}), " 0");
    EXPECT_EQ(print_using("#.##", {-0.001}), "0.00");  // no minus on a value shown as zero
    EXPECT_EQ(print_using("##.##", {9.999}), "10.00");
    // 1.005f is 1.00499999...; with 6 significant digits it is 1.00500 and rounds up.
    EXPECT_EQ(print_using("#.##", {double(1.005f)}), "1.01");
    UsingFormatter d("#.##");
    EXPECT_EQ(d.number(2.675, true), "2.68");  // 2.67499999999999982236431605997495353221893310546875
}

TEST(Using, SinglesCarrySixSignificantDigitsDoublesFifteen) {
    UsingFormatter u("######## ");
    EXPECT_EQ(u.number(1234567), " 1234570 ");
    EXPECT_EQ(u.number(1234567, true), " 1234567 ");
    EXPECT_EQ(u.number(32767), "   32767 ");
    UsingFormatter v("#.########## ");
    EXPECT_EQ(v.number(double(0.1f)), "0.1000000000 ");
    EXPECT_EQ(v.number(1.0 / 3.0, true), "0.3333333333 ");
    UsingFormatter w(std::string(21, '#'));
    EXPECT_EQ(w.number(1e19f), " 1" + std::string(19, '0'));
}

TEST(Using, DecimalPointCommasSignsAndFill) {
    EXPECT_EQ(print_using("##.##", {3.14159}), " 3.14");
    EXPECT_EQ(print_using("##.##", {-3.14159}), "-3.14");
    EXPECT_EQ(print_using("#.##", {0.5}), "0.50");
    EXPECT_EQ(print_using(".##", {0.5}), ".50");
    EXPECT_EQ(print_using("#.##", {-0.5}), "-.50");
    EXPECT_EQ(print_using("##.", {7}), " 7.");
    EXPECT_EQ(print_using("#,###", {1234}), "1,234");
    EXPECT_EQ(print_using("#,###", {123}), "  123");
    EXPECT_EQ(print_using("##,###.#", {-1234.56}), "-1,234.6");
    EXPECT_EQ(print_using("###,###", {1234567}), "%1,234,570");
    EXPECT_EQ(print_using("+##", {5}), " +5");
    EXPECT_EQ(print_using("+##", {-5}), " -5");
    EXPECT_EQ(print_using("+#", {-15}), "%-15");
    EXPECT_EQ(print_using("##+", {5}), " 5+");
    EXPECT_EQ(print_using("##+", {-5}), " 5-");
    EXPECT_EQ(print_using("##-", {5}), " 5 ");
    EXPECT_EQ(print_using("##-", {-5}), " 5-");
    EXPECT_EQ(print_using("**##", {5}), "***5");
    EXPECT_EQ(print_using("**##", {-5}), "**-5");
    EXPECT_EQ(print_using("**#.#", {1.25}), "**1.3");
    EXPECT_EQ(print_using("\\\\##", {12}), " \\12");
    EXPECT_EQ(print_using("\\\\##", {-12}), "-\\12");
    EXPECT_EQ(print_using("**\\##", {12}), "**\\12");
    EXPECT_EQ(print_using("+\\\\##.##", {3.5}), "  +\\3.50");
    // A single asterisk or backslash is literal text.
    EXPECT_EQ(print_using("*## \\", {5}), "* 5 \\");
}

TEST(Using, ExponentForm) {
    EXPECT_EQ(print_using("##.##^^^^", {234.56}), " 2.35E+02");
    EXPECT_EQ(print_using("##.##^^^^", {-0.000123}), "-1.23E-04");
    EXPECT_EQ(print_using("##.##^^^^", {0}), " 0.00E+00");
    EXPECT_EQ(print_using("###.#^^^^", {9.96}), " 99.6E-01");
    EXPECT_EQ(print_using("#.#^^^^", {9.99}), " .1E+02");
    EXPECT_EQ(print_using("+.##^^^^", {234.56}), "+.23E+03");
    EXPECT_EQ(print_using("#.##^^^^-", {-5}), "5.00E+00-");
    UsingFormatter u("##.##^^^^^ ");
    EXPECT_EQ(u.number(1e30, true), " 1.00E+030 ");
    UsingFormatter v("##.##^^^^");
    EXPECT_EQ(v.number(1e100, true), "%1.00E+100");
    // Three carets are no exponent: they are literal text.
    EXPECT_EQ(print_using("##^^^", {5}), " 5^^^");
}

TEST(Using, StringFields) {
    EXPECT_EQ(print_using("[!]", {"Hello"}), "[H]");
    EXPECT_EQ(print_using("[!]", {""}), "[ ]");
    EXPECT_EQ(print_using("[!]", {"◆x"}), "[◆]");
    EXPECT_EQ(print_using("[&  &]", {"ABCDEFG"}), "[ABCD]");
    EXPECT_EQ(print_using("[&  &]", {"AB"}), "[AB  ]");
    EXPECT_EQ(print_using("[&&]", {"XYZ"}), "[XY]");
    EXPECT_EQ(print_using("[&&]", {"a◆"}), "[a ]");  // the diamond would be split
    EXPECT_EQ(print_using("[@]", {"whole string"}), "[whole string]");
    EXPECT_EQ(print_using("[@]", {""}), "[]");
    // An ampersand without its closing partner is literal text.
    EXPECT_EQ(print_using("& @", {"x"}), "& x");
}

TEST(Using, UnderscoreMakesTheNextCharacterLiteral) {
    EXPECT_EQ(print_using("_##", {5}), "#5");
    EXPECT_EQ(print_using("_@=@", {"me"}), "@=me");
    EXPECT_EQ(print_using("#__", {5}), "5_");
    EXPECT_EQ(print_using("#_", {5}), "5_");
    EXPECT_EQ(print_using("_◆#", {5}), "◆5");
}

TEST(Using, TabsExpandToTheNextMultipleOfEightColumns) {
    EXPECT_EQ(print_using("A\t#", {5}), "A       5");
    EXPECT_EQ(print_using("\t#", {5}), "        5");
    EXPECT_EQ(print_using("12345678\t#", {5}), "12345678        5");
    // Columns count over the whole statement, across items.
    EXPECT_EQ(print_using("#\t#", {1, 2, 3, 4}), "1       23      4");
}

TEST(Using, DoubleByteLiteralsAreNeverReadAsFieldCharacters) {
    // Second bytes: "ァ" 0x40 '@', "ソ" and "表" 0x5C '\', "ダ" 0x5F '_', "タ" 0x5E '^', "ポ" 0x7C '|'.
    EXPECT_EQ(print_using("ァ##", {5}), "ァ 5");
    EXPECT_EQ(print_using("ソ\\##", {5}), "ソ\\ 5");
    EXPECT_EQ(print_using("表\\\\#", {5}), "表 \\5");
    EXPECT_EQ(print_using("ダ#", {5}), "ダ5");
    EXPECT_EQ(print_using("#.#タ^^^", {5}), "5.0タ^^^");
    EXPECT_EQ(print_using("ポ@ポ", {"x"}), "ポxポ");
    EXPECT_EQ(print_using("　##　", {12}), "　12　");  // ideographic space, 0x81 0x40
    EXPECT_EQ(print_using("  @      ##      Random       ###", {"ソ表ァダタ　", 3, 0}),
              "  ソ表ァダタ　" + std::string(7, ' ') + "3      Random" + std::string(9, ' ') + "0");
    EXPECT_EQ(error_of([] { UsingFormatter u(to_sjis("ァソダ")); }), err::kIllegalCall);
}

TEST(Using, ATemplateWithoutFieldsIsError5) {
    EXPECT_EQ(error_of([] { UsingFormatter u("plain text"); }), err::kIllegalCall);
    EXPECT_EQ(error_of([] { UsingFormatter u(""); }), err::kIllegalCall);
    EXPECT_EQ(error_of([] { UsingFormatter u("_#_@_!"); }), err::kIllegalCall);
    EXPECT_EQ(error_of([] { UsingFormatter u("+ - * \\ . , ^^^^"); }), err::kIllegalCall);
}

TEST(Using, ItemsMeetingTheWrongKindOfFieldAreError13) {
    EXPECT_EQ(error_of([] { UsingFormatter("##").string("x"); }), err::kTypeMismatch);
    EXPECT_EQ(error_of([] { UsingFormatter("@").number(1); }), err::kTypeMismatch);
    EXPECT_EQ(error_of([] { UsingFormatter("&  &").number(1); }), err::kTypeMismatch);
    EXPECT_EQ(error_of([] { UsingFormatter("!").number(1); }), err::kTypeMismatch);
    EXPECT_EQ(error_of([] {
                  UsingFormatter u("@ ##");
                  u.string("a");
                  u.string("b");
              }),
              err::kTypeMismatch);
    EXPECT_EQ(error_of([] { UsingFormatter("##").number(std::nan("")); }), err::kOverflow);
    EXPECT_EQ(error_of([] { UsingFormatter("##").number(-kInf); }), err::kOverflow);
}

}  // namespace
}  // namespace zell
