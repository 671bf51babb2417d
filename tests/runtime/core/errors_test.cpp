#include "runtime/core/errors.h"

#include <gtest/gtest.h>

#include "runtime/core/tables.h"
#include "tests/support/error_number.h"

namespace zell {
namespace {

using testing::error_number;
using testing::error_place;

TEST(Errors, CarryNumberAndTheCallersPosition) {
    auto raise = [] { raise_error(err::kSubscript, 0x3907); };
    EXPECT_EQ(error_place(raise), "errors_test.cpp:" + std::to_string(__LINE__ - 1));
    EXPECT_EQ(error_number(raise), 9);
    for (int n : {2, 3, 4, 5, 6, 7, 9, 10, 11, 13, 27, 32, 81, 1000, 1002}) EXPECT_FALSE(error_text(n).empty()) << n;
    EXPECT_TRUE(error_text(12345).empty());
}

TEST(Tables, IndexesRunFromZeroToTheBoundAndRaiseNineOutside) {
    Table<float> t(20);
    t(0) = 1;
    t(20) = 2;
    EXPECT_EQ(t(20.4f), 2);
    t(1) = 3;
    // Halves round away from zero in double: 0.49999997 is index 0 and -0.49999997 is not -1.
    for (auto [i, v] : {std::pair{0.49999997f, 1.0f}, {-0.49999997f, 1.0f}, {0.5f, 3.0f}}) EXPECT_EQ(t(i), v) << i;
    for (float i : {21.0f, -1.0f, 20.5f}) EXPECT_EQ(error_number([&] { t(i); }), err::kSubscript) << i;
    Table2<float> t2(12, 2, -1.0f);
    t2(12, 2) = 5;
    EXPECT_EQ(t2(12, 2), 5);
    EXPECT_EQ(t2(0, 0), -1);
    EXPECT_EQ(error_number([&] { t2(13, 0); }), err::kSubscript);
    EXPECT_EQ(error_number([&] { t2(0, 3); }), err::kSubscript);
}

}  // namespace
}  // namespace zell
