#include <gtest/gtest.h>

#include <array>
#include <tuple>

#include "apps/script/script.h"

namespace zell::script {
namespace {

// What the goldens and the runner's tests do not show: repeat counts, Space as a character, close
// delays, moves, double-clicks, the farthest points, the default limit, line numbers past a comment.
TEST(ScriptParse, CountsDelaysFarPointsAndTheDefaultLimit) {
    std::string err;
    auto s = parse(
        "# a comment\nchar 0 3\nkey Space 2\nclose 1500\nclose 0\nclose\nmove 5 6\ndblclick right 1 2\n"
        "click left -1000000 1000000\ndrag 1000000 -1000000 -1000000 1000000\n",
        &err);
    ASSERT_TRUE(s) << err;
    const std::vector<Command>& c = s->commands;
    ASSERT_EQ(c.size(), 9u);
    EXPECT_EQ(std::tuple(c[0].kind, c[0].ch, c[0].count, c[0].line), std::tuple(Command::Char, 0, 3, 2));
    EXPECT_EQ(std::tuple(c[1].kind, c[1].ch, c[1].count), std::tuple(Command::Key, int(' '), 2));
    // A close without a delay comes at the next wait.
    EXPECT_EQ((std::array{c[2].delay_ms, c[3].delay_ms, c[4].delay_ms}), (std::array{1500, 0, -1}));
    EXPECT_EQ(std::tuple(c[5].kind, c[5].x, c[5].y), std::tuple(Command::Move, 5, 6));
    EXPECT_EQ(std::tuple(c[6].kind, c[6].button, c[6].x, c[6].y),
              std::tuple(Command::DoubleClick, MouseButton::Right, 1, 2));
    EXPECT_EQ((std::array{c[7].x, c[7].y, c[8].x, c[8].y, c[8].x1, c[8].y1}),
              (std::array{-1000000, 1000000, 1000000, -1000000, -1000000, 1000000}));
    EXPECT_EQ(s->limit_s, 3600) << "a run is always bounded";
}

TEST(ScriptParse, MalformedLinesAreReportedWithTheirNumber) {
    // clang-format off
    const char* bad[] = {
        "key\n", "key Foo\n", "press middle 1 2\n", "click left 1\n", "drag 1 2 3\n", "clock 2026-13-01 00:00:00\n",
        "midi -1\n", "shot ../x.png\n", "jump\n", "wait now\n", "type\n",
        "char\n", "char 256\n", "char -1\n", "char A\n", "char 65 0\n", "char 65 2x\n", "key Up 0\n",
        "key Up 10001\n", "key Up 2 3\n", "key Up many\n", "limit\n", "limit 0\n", "limit 86401\n", "limit 5 s\n",
        "close -5\n", "close soon\n", "close 1 2\n", "click left 1000001 0\n", "move 0 -1000001\n",
        "drag 0 0 2147483647 0\n", "press right -2147483648 5\n", "dblclick left 99999999999 1\n"};
    // clang-format on
    for (const char* text : bad) {
        std::string err;
        EXPECT_FALSE(parse(std::string("wait\n") + text, &err)) << text;
        EXPECT_EQ(err.rfind("line 2:", 0), 0u) << err;
    }
}

}  // namespace
}  // namespace zell::script
