// Whole-program scenarios: the real main program on the headless backend, driven by scripts.
#include <gtest/gtest.h>

#include "game/game.h"
#include "tests/support/headless_host.h"
#include "tests/support/scenario.h"

namespace zell {
namespace {

using testing::gutter_game;
using testing::gutter_throw;
using testing::Scenario;

constexpr Rgb kWhite = rgb(255, 255, 255);

// The main menu box draws item k on text row 3 + k from column 18; a highlighted item has white cells.
bool item_highlighted(const Image& shot, int item) {
    return shot.at(18 * 8 + 1, (3 + item) * 18) == kWhite;
}

int highlighted_item(const Image& shot) {
    int found = 0;
    for (int k = 1; k <= 8; ++k)
        if (item_highlighted(shot, k)) {
            EXPECT_EQ(found, 0) << "two items highlighted";
            found = k;
        }
    return found;
}

TEST(MainMenuScenario, TitleThenTheMenuWithItsEightItems) {
    Scenario run("wait\ntext menu.txt\nshot menu.png\n");
    EXPECT_EQ(run.exit_code(), 0);
    EXPECT_NE(run.log().find("ended: window closed, exit code 0"), std::string::npos) << run.log();
    auto t = run.text("menu.txt");
    EXPECT_EQ(t[3].substr(33), "メ ニ ュ");
    EXPECT_EQ(t[4], std::string(18, ' ') + " A  スタート      :  Start Throwing");
    EXPECT_EQ(t[7], std::string(18, ' ') + " D  スコア記録　  :  Best 20");
    EXPECT_EQ(t[11], std::string(18, ' ') + " H  終  了        :  End");
    Image shot = run.shot("menu.png");
    EXPECT_EQ(highlighted_item(shot), 1);
    // The light box (palette entry 11, cyan) inside its darker frame (entry 9, green).
    EXPECT_EQ(shot.at(300, 701 - 500), rgb(0, 255, 255));
    EXPECT_EQ(shot.at(142, 701 - 560), rgb(0, 255, 0));
}

TEST(MainMenuScenario, CursorKeysWrapAroundAtBothEnds) {
    Scenario run("key Up\nshot up.png\nkey Down\nshot down.png\nkey Down\nkey x\nshot other.png\n");
    EXPECT_EQ(highlighted_item(run.shot("up.png")), 8);
    EXPECT_EQ(highlighted_item(run.shot("down.png")), 1);
    // Another key only redraws the highlight.
    EXPECT_EQ(highlighted_item(run.shot("other.png")), 2);
}

TEST(MainMenuScenario, EndExitsWithCodeZero) {
    Scenario run("key Up\nkey Enter\n");
    EXPECT_EQ(run.exit_code(), 0);
    EXPECT_NE(run.log().find("ended: End, exit code 0"), std::string::npos) << run.log();
}

TEST(MainMenuScenario, ClosingTheWindowFromAnyMenuExitsWithCodeZero) {
    const char* menus[] = {
        "close\n",                                  // main menu
        "key Down\nkey Enter\nclose\n",             // level choice
        "key Down\nkey Down\nkey Enter\nclose\n",   // layout choice
        "key Down\nkey Down\nkey Down\nkey Enter\nclose\n",               // Best 20 view
        "key Down\nkey Down\nkey Down\nkey Down\nkey Enter\nclose\n",     // name entry
        "key Up\nkey Up\nkey Enter\nclose\n",       // speed choice
        "key Enter\nclose\n",                       // placing the ball
    };
    for (const char* script : menus) {
        Scenario run(script);
        EXPECT_EQ(run.exit_code(), 0) << script;
        EXPECT_NE(run.log().find("ended: window closed"), std::string::npos) << script << run.log();
    }
}

TEST(OptionScenario, TheChosenLevelIsShownOnTheScoreSheet) {
    Scenario run(
        "key Down\nkey Enter\n"           // B Level
        "key Left\nkey Left\nkey Enter\n"  // 4 -> 3 -> 2
        "key Up\nkey Enter\n"             // A Start Throwing
        "text sheet.txt\n"
        "click right 300 680\n"           // give up the game
        "text menu.txt\n");
    auto sheet = run.text("sheet.txt");
    EXPECT_EQ(sheet[2].substr(0, 8), "Level  2");
    EXPECT_EQ(sheet[1].substr(66), "Player:");
    EXPECT_EQ(sheet[4].substr(66), "No.   Score");
    EXPECT_EQ(sheet[20], "Zell");
    EXPECT_EQ(sheet[21], "Pins");
    // Back at the menu after giving up.
    EXPECT_EQ(run.text("menu.txt")[3].substr(33), "メ ニ ュ");
}

TEST(OptionScenario, ARandomLayoutGameIsRecordedAsRandom) {
    Scenario run(
        "key Down\nkey Down\nkey Enter\n"  // C Change Pin Layout
        "text layout.txt\n"
        "key Right\nkey Enter\n"          // Random
        "text after.txt\n"
        "key Up\nkey Up\n" +               // back to A
        gutter_game(170) +                 // level 4 random lane: walls at 150 and 450
        "text over.txt\nkey Space\n"
        "key Down\nkey Down\nkey Down\nkey Enter\n"  // D Best 20
        "text best.txt\n");
    auto layout = run.text("layout.txt");
    EXPECT_EQ(layout[14].substr(34), "Layout ?");
    EXPECT_EQ(layout[16].substr(22), "  Bowling type      Random");
    auto best = run.text("best.txt");
    EXPECT_EQ(best[2], "      Zell Bowling : Bowling Count Score");
    EXPECT_EQ(best[3], "-- Name ----------Level-----Layout----- Score ----");
    EXPECT_EQ(best[4], "                     4      Random         0");
    EXPECT_EQ(best[5], "* Push any key *");
}

TEST(OptionScenario, ANameIsCutToTwelveBytesOrPadded) {
    Scenario run(
        "key Down\nkey Down\nkey Down\nkey Down\nkey Enter\n"  // E Player's Name
        "type ABCDEFGHIJKLMNOP\nkey Enter\n"
        "text mascot.txt\n"
        "key Left\nkey Enter\n"  // mascot 6
        "key Up\nkey Up\nkey Up\nkey Up\nkey Enter\n"  // A Start Throwing
        "text sheet.txt\n"
        "click right 300 680\n");
    auto mascot = run.text("mascot.txt");
    // The question is written over the name line (whose end can still show a long name's last letters).
    EXPECT_EQ(mascot[15].substr(32, 17), " Mascot ?        ");
    EXPECT_EQ(mascot[17].substr(10, 8), "   1    ");
    auto sheet = run.text("sheet.txt");
    EXPECT_EQ(sheet[2].substr(67), "ABCDEFGHIJKL");

    Scenario short_name(
        "key Down\nkey Down\nkey Down\nkey Down\nkey Enter\n"
        "type Bob\nkey Enter\nkey Enter\n"
        "key Up\nkey Up\nkey Up\nkey Up\n" +
        gutter_game() + "key Space\n" + "key Down\nkey Down\nkey Down\nkey Enter\ntext best.txt\n");
    auto best = short_name.text("best.txt");
    EXPECT_EQ(best[4], "  Bob                4      Bowling        0");
}

TEST(GameScenario, TwentyThrowsThatTouchNoPinScoreZero) {
    Scenario run("midi 1\n" + gutter_game() + "text over.txt\nkey Space\n" +
                 "key Down\nkey Down\nkey Down\nkey Enter\ntext best.txt\n");
    auto over = run.text("over.txt");
    for (int f = 1; f <= 10; ++f) {
        const std::string& row = over[4 + f];
        ASSERT_GE(row.size(), 80u) << row;
        EXPECT_EQ(row.substr(67, 2), (f < 10 ? " " : "") + std::to_string(f));
        EXPECT_EQ(row[71], '-') << row;
        EXPECT_EQ(row[73], '-') << row;
        EXPECT_EQ(row.substr(77, 3), "  0") << row;
    }
    EXPECT_EQ(over[15], "") << "no bonus frame after an open tenth frame";
    EXPECT_EQ(over[22].substr(29), "<< Game Over >>");
    EXPECT_EQ(over[23].substr(29), "* Push any key *");
    EXPECT_EQ(run.text("best.txt")[4], "                     4      Bowling        0");
    // Nothing was touched, so nothing sounded.
    EXPECT_TRUE(run.midi().empty()) << run.log();
}

TEST(GameScenario, WithoutAMidiDeviceTheSameThrowIsSilent) {
    Scenario silent("midi 0\nkey Enter\nclick left 300 680\nclick left 300 680\ntext second.txt\n");
    Scenario sounded("midi 1\nkey Enter\nclick left 300 680\nclick left 300 680\ntext second.txt\n");
    EXPECT_TRUE(silent.midi().empty()) << silent.log();
    EXPECT_FALSE(sounded.midi().empty());
    // Sound or not, the throw is the same.
    EXPECT_EQ(silent.text("second.txt"), sounded.text("second.txt"));
}

TEST(GameScenario, AGameGivenUpEntersNothingButIsCounted) {
    Scenario run(
        "key Enter\nclick right 300 680\n"                       // give up at the first placing
        "key Down\nkey Down\nkey Down\nkey Enter\ntext best1.txt\nkey Space\n"
        "key Up\nkey Up\nkey Up\n" +
        gutter_game() + "key Space\n" + "key Down\nkey Down\nkey Down\nkey Enter\ntext best2.txt\n");
    auto best1 = run.text("best1.txt");
    EXPECT_EQ(best1[3], "-- Name ----------Level-----Layout----- Score ----");
    EXPECT_EQ(best1[4], "* Push any key *");
    // Two games were started: the second one's score is listed.
    auto best2 = run.text("best2.txt");
    EXPECT_EQ(best2[4], "                     4      Bowling        0");
    EXPECT_EQ(best2[5], "* Push any key *");
}

TEST(GameScenario, AThrowIntoThePinsIsScoredAndSounded) {
    // The ball dropped straight onto the head pin of the level 4 triangle.
    Scenario run("midi 1\nkey Enter\nclick left 300 680\nclick left 300 680\ntext second.txt\n");
    auto midi = run.midi();
    ASSERT_FALSE(midi.empty()) << run.log();
    ASSERT_EQ(midi.size() % 2, 0u);
    // First contact: the ball on the head pin (object 2, note 7): key 67.
    EXPECT_EQ(midi[0], 0x7F4390u);
    for (size_t k = 0; k < midi.size(); k += 2) {
        uint32_t key = (midi[k] >> 8) & 0xFF;
        EXPECT_EQ(midi[k], 0x7F0090u | key << 8) << k;
        EXPECT_EQ(midi[k + 1], 0x000090u | key << 8) << k;
        EXPECT_TRUE(key == 60 || key == 64 || key == 67 || key == 69 || key == 72) << key;
    }

    // The same throw computed directly on a fresh game: the sheet must show its count.
    testing::HeadlessHost h(1);
    int expected = -1;
    h.run([&](Host& rt) {
        Game g(rt);
        g.startup();
        g.s.n_obj = g.s.n_obj_full;
        for (int i = 2; i <= 11; ++i) {
            g.s.obj_x(i) = g.s.layout_x(1, i);
            g.s.obj_y(i) = g.s.layout_y(1, i) + g.s.obj_radius(1);
        }
        for (int i = 1; i <= 11; ++i) {
            g.s.obj_vx(i) = 0;
            g.s.obj_vy(i) = 0;
            g.s.obj_state(i) = 0;
            g.s.obj_touched(i) = 0;
        }
        g.s.obj_x(1) = 300;
        g.s.obj_y(1) = 680;
        g.s.obj_state(1) = 1;
        g.simulate_throw();
        expected = -1;
        for (int i = 1; i <= 11; ++i)
            if (g.s.obj_state(i) < 0) ++expected;
    });
    ASSERT_GE(expected, 1);
    auto sheet = run.text("second.txt");
    if (expected == 10) {
        EXPECT_EQ(sheet[5].substr(71, 6), "◆◆") << sheet[5];
    } else {
        EXPECT_EQ(sheet[5].substr(66), "  1  " + std::to_string(expected)) << sheet[5];
    }
}

}  // namespace
}  // namespace zell
