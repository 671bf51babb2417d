#include "runtime/core/external.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include "runtime/core/errors.h"
#include "runtime/text/sjis.h"
#include "tests/support/error_number.h"

namespace zell {
namespace {

using testing::error_number;
using testing::error_place;

// The C library by its name, the same name in other letters, and its file's full path.
#ifdef _WIN32
const std::string kLibC = "msvcrt.dll", kLibCUpper = "MSVCRT.DLL";
std::string libc_path() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(GetModuleHandleA("msvcrt.dll"), path, MAX_PATH);
    return path;
}
#else
const std::string kLibC = "libc.so.6", kLibCUpper = "LibC.so.6";
std::string libc_path() {
    Dl_info info{};
    return dladdr(reinterpret_cast<void*>(&strcmp), &info) ? info.dli_fname : "";
}
#endif

TEST(Random, FirstNumbersFromTheInitialStateAndZeroRepeatsTheLast) {
    Random r;
    EXPECT_EQ(r.rnd(1), 0.07400095462799072f);
    EXPECT_EQ(r.state(), 317832095u);
    EXPECT_EQ(r.rnd(0), 0.07400095462799072f);
    EXPECT_EQ(r.state(), 317832095u);
    EXPECT_EQ(r.rnd(123.5f), 0.9264730215072632f) << "the size of a positive argument does not matter";
}

TEST(Random, ANegativeArgumentRestartsFromItsBitsWithTheHalvesSwapped) {
    Random a, b, ref;
    a.rnd(1);
    ref.set_state(0x0000C020u);  // -2.5f is 0xC0200000
    EXPECT_EQ(a.rnd(-2.5f), ref.rnd(1));
    EXPECT_EQ(b.rnd(-2.5f), ref.rnd(0)) << "whatever came before";
    EXPECT_EQ(a.rnd(1), ref.rnd(1));
}

TEST(Random, NeverZeroOrOne) {
    const uint32_t a = 2058568021u, c = 1276750819u;  // the generator: s' = s * a + c
    uint32_t inv = a;                                 // Newton iteration for the inverse of an odd number mod 2^32
    for (int i = 0; i < 5; ++i) inv *= 2 - a * inv;
    Random r;
    r.set_state((0u - c) * inv);  // the next state is 0
    EXPECT_GT(r.rnd(1), 0.0f);
    r.set_state(0x1FFu);  // the current value is 0: rnd(0) cannot repeat it
    EXPECT_GT(r.rnd(0), 0.0f);
    r.set_state(0xFFFFFFFFu);
    EXPECT_LT(r.rnd(0), 1.0f);
    for (int i = 0; i < 100000; ++i) {
        const float f = r.rnd(1);
        ASSERT_TRUE(f > 0.0f && f < 1.0f) << f;
    }
}

TEST(TimeDate, TextsAndTheSeedFromTheSeconds) {
    EXPECT_EQ(time_str({2024, 3, 9, 9, 5, 7}), "09:05:07");
    Random r;
    r.randomize(std::stoi(time_str({2024, 3, 9, 23, 59, 7}).substr(6)));
    EXPECT_EQ(r.state(), 203u);
    r.randomize(-1);
    EXPECT_EQ(r.state(), ~203u);
    EXPECT_EQ(date_str({2024, 3, 9, 0, 0, 0}, ""), "24/03/09");
    EXPECT_EQ(date_str({2000, 12, 31, 0, 0, 0}, ""), "00/12/31");
    const LocalTime t{2024, 3, 9, 0, 0, 0};
    EXPECT_EQ(date_str(t, "dd.mm.yyyy"), "09.03.2024");
    EXPECT_EQ(date_str(t, "%s%n Y M D"), "%s%n Y M D") << "no printf directives are honoured";
    // "ＭＤ" holds the bytes 'M' and 'D' as second bytes; they stay characters of their own.
    EXPECT_EQ(to_utf8(date_str(t, to_sjis("YYYY年MM月DD日ＭＤ"))), "2024年03月09日ＭＤ");
}

TEST(ExternalLibraries, CallsFunctionsOfASystemLibraryOneEntryPerNameWritten) {
    ExternalLibraries libs;
    intptr_t minus_five = -5;
    EXPECT_EQ(libs.call("abs", kLibC, std::span(&minus_five, 1)), 5);
    char buf[8] = "abc";
    intptr_t args[] = {intptr_t(buf), intptr_t("xyz"), 2};  // by-reference arguments pass addresses
    libs.call("memcpy", kLibCUpper, args);
    EXPECT_STREQ(buf, "xyc");
    EXPECT_EQ(libs.loaded_count(), 1u) << "upper-cased, the name matches the first entry";
    const std::string path = libc_path();
    ASSERT_FALSE(path.empty());
    intptr_t cmp[] = {intptr_t("b"), intptr_t("a")};
    EXPECT_GT(libs.call("strcmp", path, cmp), 0);
    EXPECT_EQ(libs.loaded_count(), 2u) << "the same library under its full path is a second entry";
    intptr_t big = intptr_t(0x1'0000'0007LL);
    EXPECT_EQ(libs.call("labs", kLibC, std::span(&big, 1)), 7) << "the low 32 bits of the result";
}

TEST(ExternalLibraries, AMissingLibraryOrFunctionRaisesError5AtTheCallersLine) {
    ExternalLibraries libs;
    EXPECT_EQ(error_number([&] { libs.call("f", "", {}); }), err::kIllegalCall);
    EXPECT_EQ(error_number([&] { libs.call("no_such_function_zell", kLibC, {}); }), err::kIllegalCall);
    EXPECT_EQ(libs.loaded_count(), 0u) << "the library of a missing function is not kept";
    intptr_t one = 1, six[6] = {};
    EXPECT_EQ(libs.call("abs", kLibC, std::span(&one, 1)), 1);
    EXPECT_EQ(error_number([&] { libs.call("ABS", kLibC, std::span(&one, 1)); }), err::kIllegalCall);
    EXPECT_EQ(error_number([&] { libs.call("abs", kLibC, six); }), err::kIllegalCall);
    EXPECT_EQ(libs.loaded_count(), 1u);
    auto raise = [&] { libs.call("f", "no-such-library-zell.so", {}); };
    EXPECT_EQ(error_place(raise), "external_test.cpp:" + std::to_string(__LINE__ - 1));
}

TEST(ExternalLibraries, AProvidedLibraryLoadsOncePerNameWhenItsFunctionIsFound) {
    ExternalLibraries libs;
    std::vector<intptr_t> seen;
    int calls = 0;
    libs.provide({"WINMM", "winmm.dll"}, {{"midiOutGetNumDevs", [&](std::span<const intptr_t>) { return ++calls; }},
                                          {"midiOutShortMsg", [&](std::span<const intptr_t> a) {
                                               seen.assign(a.begin(), a.end());
                                               return 0;
                                           }}});
    EXPECT_EQ(error_number([&] { libs.call("midiOutOpen", "WINMM", {}); }), err::kIllegalCall);
    EXPECT_EQ(libs.loaded_count(), 0u);
    EXPECT_EQ(libs.call("midiOutGetNumDevs", "WINMM", {}), 1);
    EXPECT_EQ(libs.loaded_count(), 1u);
    intptr_t msg[] = {42, 0x7F3C90};
    EXPECT_EQ(libs.call("midiOutShortMsg", "winmm.dll", msg), 0);
    EXPECT_EQ(seen, (std::vector<intptr_t>{42, 0x7F3C90}));
    libs.call("midiOutGetNumDevs", "Winmm", {});
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(libs.loaded_count(), 2u);
    // Library names match without regard to the case of letters, and only of letters: the
    // characters 32 codes from a letter's bounds are others.
    libs.provide({"abcdefghijklmnopqrstuvwxyz", "@[`{"}, {{"midiOutGetNumDevs", [](auto) { return 7; }}});
    EXPECT_EQ(libs.call("midiOutGetNumDevs", "ABCDEFGHIJKLMNOPQRSTUVWXYZ", {}), 7);
    for (const char* other : {"`[@{", "@{`[", "@[`["})
        EXPECT_EQ(error_number([&] { libs.call("midiOutGetNumDevs", other, {}); }), err::kIllegalCall) << other;
}

}  // namespace
}  // namespace zell
