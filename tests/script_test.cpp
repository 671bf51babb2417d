#include <gtest/gtest.h>

#include "tools/script.h"

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

TEST(ScriptParse, MalformedLinesAreReportedWithTheirNumber) {
    const char* bad[] = {
        "key\n", "key Foo\n", "press middle 1 2\n", "click left 1\n", "drag 1 2 3\n", "clock 2026-13-01 00:00:00\n",
        "midi -1\n", "shot ../x.png\n", "jump\n", "wait now\n", "type\n",
    };
    for (const char* text : bad) {
        std::string err;
        EXPECT_FALSE(parse(std::string("wait\n") + text, &err)) << text;
        EXPECT_EQ(err.rfind("line 2:", 0), 0u) << err;
    }
}

}  // namespace
}  // namespace zell::script
