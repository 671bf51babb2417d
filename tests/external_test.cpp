#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cstdlib>
#include <cstring>

#include "tests/support/error_number.h"
#include "runtime/errors.h"
#include "runtime/external.h"
#include "runtime/sjis.h"

namespace zell {
namespace {

// --- Random numbers -----------------------------------------------------------------

TEST(Random, FirstNumbersFromTheInitialState) {
    Random r;
    EXPECT_EQ(r.state(), 204u);
    EXPECT_EQ(r.rnd(1), 0.07400095462799072f);
    EXPECT_EQ(r.state(), 317832095u);
    EXPECT_EQ(r.rnd(1), 0.9264730215072632f);
}

TEST(Random, ZeroRepeatsTheLastNumberAndPositiveArgumentsAllAdvance) {
    Random r;
    float first = r.rnd(1);
    EXPECT_EQ(r.rnd(0), first);
    EXPECT_EQ(r.rnd(0), first);
    EXPECT_EQ(r.state(), 317832095u);
    Random other;
    EXPECT_EQ(other.rnd(123.5f), first);  // the size of a positive argument does not matter
}

TEST(Random, NegativeArgumentSeedsFromItsBits) {
    Random a, b;
    a.rnd(1);
    a.rnd(1);
    float x = a.rnd(-2.5f);
    float y = b.rnd(-2.5f);
    EXPECT_EQ(x, y);  // same seed, same number, whatever came before
    // -2.5f is 0xC0200000; halves swapped 0x0000C020, then one step of the generator.
    uint32_t s = 0x0000C020u * 2058568021u + 1276750819u;
    EXPECT_EQ(b.state(), s);
    EXPECT_EQ(y, float((s >> 9) & 0x7FFFFF) / 8388608.0f);
    EXPECT_EQ(a.rnd(1), b.rnd(1));
    EXPECT_NE(Random().rnd(-1.0f), y);
}

TEST(Random, NeverZeroOrOne) {
    // States whose next value has zero top bits: the generator must step past them.
    Random r;
    // Find the state whose successor is 0 by inverting one step: s' = s*a + c.
    const uint32_t a = 2058568021u, c = 1276750819u;
    uint32_t inv = a;  // Newton iteration for the inverse of an odd number mod 2^32
    for (int i = 0; i < 5; ++i) inv *= 2 - a * inv;
    ASSERT_EQ(a * inv, 1u);
    r.set_state((0u - c) * inv);  // the next state is 0
    float v = r.rnd(1);
    EXPECT_GT(v, 0.0f);
    EXPECT_NE(r.state(), 0u);
    r.set_state(0x1FFu);  // current value is 0: rnd(0) cannot repeat it
    EXPECT_GT(r.rnd(0), 0.0f);

    r.set_state(0xFFFFFFFFu);
    EXPECT_LT(r.rnd(0), 1.0f);
    for (int i = 0; i < 100000; ++i) {
        float f = r.rnd(1);
        ASSERT_GT(f, 0.0f);
        ASSERT_LT(f, 1.0f);
    }
}

TEST(Random, RandomizeMixesTheSeedIn) {
    Random r;
    r.randomize(7);
    EXPECT_EQ(r.state(), 203u);
    r.randomize(7);
    EXPECT_EQ(r.state(), 204u);
    r.randomize(-1);
    EXPECT_EQ(r.state(), ~204u);
}

// --- Time and date ------------------------------------------------------------------

TEST(TimeDate, TimeIsTwoDigitsSeparatedByColons) {
    EXPECT_EQ(time_str({2024, 3, 9, 9, 5, 7}), "09:05:07");
    EXPECT_EQ(time_str({2024, 3, 9, 23, 59, 59}), "23:59:59");
    Random r;
    r.randomize(std::atoi(time_str({2024, 3, 9, 9, 5, 7}).substr(6).c_str()));
    EXPECT_EQ(r.state(), 203u);
}

TEST(TimeDate, DefaultDateIsYearModulo100MonthDay) {
    EXPECT_EQ(date_str({2024, 3, 9, 0, 0, 0}, ""), "24/03/09");
    EXPECT_EQ(date_str({2000, 12, 31, 0, 0, 0}, ""), "00/12/31");
    EXPECT_EQ(date_str({1999, 1, 1, 0, 0, 0}, ""), "99/01/01");
}

TEST(TimeDate, FormatPlacesFourDigitYearMonthAndDay) {
    LocalTime t{2024, 3, 9, 0, 0, 0};
    EXPECT_EQ(date_str(t, "YYYY-MM-DD"), "2024-03-09");
    EXPECT_EQ(date_str(t, "dd.mm.yyyy"), "09.03.2024");
    EXPECT_EQ(date_str(t, "%s%n Y M D"), "%s%n Y M D");  // no printf directives are honoured
    // "ＭＤ" holds the bytes 'M' and 'D' as second bytes; they stay characters of their own.
    std::string jp = to_sjis("YYYY年MM月DD日ＭＤ");
    EXPECT_EQ(to_utf8(date_str(t, jp)), "2024年03月09日ＭＤ");
}

// --- Libraries called by name -----------------------------------------------------------

using testing::error_number;

TEST(ExternalLibraries, CallsAFunctionOfASystemLibrary) {
    ExternalLibraries libs;
    intptr_t minus_five = -5;
    EXPECT_EQ(libs.call("abs", "libc.so.6", std::span(&minus_five, 1)), 5);
    EXPECT_EQ(libs.loaded_count(), 1u);

    // By-reference arguments pass addresses; several arguments arrive in order.
    char buf[8] = "abc";
    const char* src = "xyz";
    intptr_t args[] = {intptr_t(buf), intptr_t(src), 2};
    libs.call("memcpy", "LibC.so.6", args);
    EXPECT_STREQ(buf, "xyc");
    EXPECT_EQ(libs.loaded_count(), 1u);  // upper-cased, the name matches the first entry

    // The same library under another name (its full path) is a second entry.
    Dl_info info{};
    ASSERT_NE(dladdr(reinterpret_cast<void*>(&strcmp), &info), 0);
    intptr_t cmp[] = {intptr_t("b"), intptr_t("a")};
    EXPECT_GT(libs.call("strcmp", info.dli_fname, cmp), 0);
    EXPECT_EQ(libs.loaded_count(), 2u);
    // Results are the low 32 bits of what the function returns.
    intptr_t big = intptr_t(0x1'0000'0007LL);
    EXPECT_EQ(libs.call("labs", "libc.so.6", std::span(&big, 1)), 7);
    EXPECT_EQ(libs.loaded_count(), 2u);
}

TEST(ExternalLibraries, MissingLibraryOrFunctionRaisesError5) {
    ExternalLibraries libs;
    EXPECT_EQ(error_number([&] { libs.call("f", "no-such-library-zell.so", {}); }), err::kIllegalCall);
    EXPECT_EQ(error_number([&] { libs.call("f", "", {}); }), err::kIllegalCall);
    // The library of a missing function is not kept.
    EXPECT_EQ(error_number([&] { libs.call("no_such_function_zell", "libc.so.6", {}); }), err::kIllegalCall);
    EXPECT_EQ(libs.loaded_count(), 0u);
    // Function names are case-sensitive.
    intptr_t one = 1;
    EXPECT_EQ(libs.call("abs", "libc.so.6", std::span(&one, 1)), 1);
    EXPECT_EQ(error_number([&] { libs.call("ABS", "libc.so.6", std::span(&one, 1)); }), err::kIllegalCall);
    EXPECT_EQ(libs.loaded_count(), 1u);  // a loaded library stays
    intptr_t six[6] = {};
    EXPECT_EQ(error_number([&] { libs.call("abs", "libc.so.6", six); }), err::kIllegalCall);

    unsigned line = 0;
    try {
        line = __LINE__ + 1;
        libs.call("f", "no-such-library-zell.so", {});
    } catch (const RuntimeError& e) {
        EXPECT_EQ(Position::of(e.where()).file, "external_test.cpp");
        EXPECT_EQ(e.where().line(), line);
    }
    EXPECT_NE(line, 0u);
}

TEST(ExternalLibraries, ProvidedLibraryGetsOneEntryPerNameUsed) {
    ExternalLibraries libs;
    std::vector<intptr_t> seen;
    int calls = 0;
    libs.provide({"WINMM", "winmm.dll"},
                 {{"midiOutGetNumDevs", [&](std::span<const intptr_t>) { ++calls; return 1; }},
                  {"midiOutShortMsg", [&](std::span<const intptr_t> a) {
                       seen.assign(a.begin(), a.end());
                       return 0;
                   }}});
    EXPECT_EQ(libs.loaded_count(), 0u);  // nothing is loaded until called
    EXPECT_EQ(libs.call("midiOutGetNumDevs", "WINMM", {}), 1);
    EXPECT_EQ(libs.loaded_count(), 1u);
    intptr_t msg[] = {42, 0x7F3C90};
    EXPECT_EQ(libs.call("midiOutShortMsg", "winmm.dll", msg), 0);
    EXPECT_EQ(seen, (std::vector<intptr_t>{42, 0x7F3C90}));
    EXPECT_EQ(libs.loaded_count(), 2u);
    libs.call("midiOutShortMsg", "winmm.dll", msg);
    libs.call("midiOutGetNumDevs", "Winmm", {});
    EXPECT_EQ(libs.loaded_count(), 2u);
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(error_number([&] { libs.call("midiOutOpen", "WINMM", {}); }), err::kIllegalCall);
    EXPECT_EQ(error_number([&] { libs.call("midiOutOpen", "WINMM.DLL", {}); }), err::kIllegalCall);
    EXPECT_EQ(libs.loaded_count(), 2u);
}

TEST(ExternalLibraries, ProvidedLibraryIsNotEnteredWhenItsFunctionIsMissing) {
    ExternalLibraries libs;
    libs.provide({"WINMM"}, {{"midiOutGetNumDevs", [](std::span<const intptr_t>) { return 0; }}});
    EXPECT_EQ(error_number([&] { libs.call("midiOutOpen", "winmm", {}); }), err::kIllegalCall);
    EXPECT_EQ(libs.loaded_count(), 0u);
    EXPECT_EQ(libs.call("midiOutGetNumDevs", "winmm", {}), 0);
    EXPECT_EQ(libs.loaded_count(), 1u);
}

}  // namespace
}  // namespace zell
