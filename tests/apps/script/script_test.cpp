#include <gtest/gtest.h>

#include "apps/script/script.h"

namespace zell::script {
namespace {

TEST(ScriptParse, ReadsEveryCommand) {
    std::string err;
    auto s = parse(
        "# a comment\n"
        "clock 2026-12-06 09:05:07\n"
        "midi 1\n"
        "key Enter\nkey Down\nkey a\nkey Space\n"
        "type 山田 太郎\n"
        "press left 10 20\nrelease right 30 40\nmove 5 6\nclick left 300 650\n"
        "drag 100 100 400 500\ndblclick left 1 2\n"
        "wait\nshot menu.png\ntext menu.txt\nclose\n",
        &err);
    ASSERT_TRUE(s) << err;
    EXPECT_EQ(s->clock.year, 2026);
    EXPECT_EQ(s->clock.second, 7);
    EXPECT_EQ(s->midi_devices, 1);
    ASSERT_EQ(s->commands.size(), 15u);
    EXPECT_EQ(s->commands[0].key, Key::Enter);
    EXPECT_EQ(s->commands[2].ch, 'a');
    EXPECT_EQ(s->commands[3].ch, ' ');
    EXPECT_EQ(s->commands[4].text, "山田 太郎");
    EXPECT_EQ(s->commands[6].button, MouseButton::Right);
    EXPECT_EQ(s->commands[9].x1, 400);
    EXPECT_EQ(s->commands[9].y1, 500);
    EXPECT_EQ(s->commands[12].text, "menu.png");
    EXPECT_EQ(s->commands[14].kind, Command::Close);
    EXPECT_EQ(s->commands[14].line, 18);
}

TEST(ScriptParse, RawBytesFloodsTimedClosesAndTheLimit) {
    std::string err;
    auto s = parse("limit 90\nchar 129\nchar 0 3\nchar 255\nkey Down 300\nkey x 2\nclose 1500\nclose 0\nclose\n", &err);
    ASSERT_TRUE(s) << err;
    EXPECT_EQ(s->limit_s, 90);
    ASSERT_EQ(s->commands.size(), 8u);
    EXPECT_EQ(s->commands[0].kind, Command::Char);
    EXPECT_EQ(s->commands[0].ch, 129);
    EXPECT_EQ(s->commands[0].count, 1);
    EXPECT_EQ(s->commands[1].ch, 0);
    EXPECT_EQ(s->commands[1].count, 3);
    EXPECT_EQ(s->commands[2].ch, 255);
    EXPECT_EQ(s->commands[3].key, Key::Down);
    EXPECT_EQ(s->commands[3].count, 300);
    EXPECT_EQ(s->commands[4].ch, 'x');
    EXPECT_EQ(s->commands[4].count, 2);
    EXPECT_EQ(s->commands[5].kind, Command::Close);
    EXPECT_EQ(s->commands[5].delay_ms, 1500);
    EXPECT_EQ(s->commands[6].delay_ms, 0);
    EXPECT_EQ(s->commands[7].delay_ms, -1);  // at the next wait

    auto far = parse("click left -1000000 1000000\ndrag 1000000 -1000000 -1000000 1000000\n", &err);
    ASSERT_TRUE(far) << err;
    EXPECT_EQ(far->commands[0].x, -1000000);
    EXPECT_EQ(far->commands[1].y1, 1000000);

    auto plain = parse("wait\n", &err);
    ASSERT_TRUE(plain) << err;
    EXPECT_EQ(plain->limit_s, 3600) << "a run is always bounded";
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
