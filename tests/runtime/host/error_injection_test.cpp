// A run-time error injected into the running game, raised deep inside its procedures: the report
// and the log name the game's own source line (the report's form is the host tests' business).
#include <gtest/gtest.h>

#include <deque>
#include <fstream>
#include <functional>
#include <string>

#include "game/game.h"
#include "tests/support/error_log.h"
#include "tests/support/headless_host.h"

namespace zell {
namespace {

using testing::ErrorLogDir;
using testing::HeadlessHost;

// The 1-based number of the first line of a source file of the project that contains text.
unsigned line_of(const std::string& file, const std::string& text) {
    std::ifstream in(std::string(ZELL_SOURCE_DIR) + "/" + file);
    std::string line;
    for (unsigned n = 1; std::getline(in, line); ++n)
        if (line.find(text) != std::string::npos) return n;
    ADD_FAILURE() << "no '" << text << "' in " << file;
    return 0;
}

// Feeds one input per wait of the program; then counts the waits that follow and types a key at the given one.
class Feed {
public:
    Feed(HeadlessBackend& backend, std::deque<std::function<void(HeadlessBackend&)>> inputs, int key_at_wait)
        : inputs_(std::move(inputs)), key_at_wait_(key_at_wait) {
        backend.set_on_wait([this](HeadlessBackend& b) {
            if (!inputs_.empty()) {
                inputs_.front()(b);
                inputs_.pop_front();
            } else if (++waits_after_ == key_at_wait_) {
                b.inject_char('x');
            }
            return true;
        });
    }
    int waits_after() const { return waits_after_; }

private:
    std::deque<std::function<void(HeadlessBackend&)>> inputs_;
    int key_at_wait_;
    int waits_after_ = 0;
};

TEST(ErrorInjection, AnIndexOutOfRangeDeepInTheGameIsReportedLoggedAndEndsAfterAKey) {
    ErrorLogDir log;
    HeadlessHost h;
    Game* game = nullptr;
    // At the main menu the level is corrupted to 11 (its wall table ends at 10); then item C, Random
    // and Enter: the walls of the random lane are looked up three procedures below the menu loop.
    Feed feed(h.backend,
              {
                  [&](HeadlessBackend& b) {
                      game->s.level = 11;
                      b.inject_key(Key::Down);
                  },
                  [](HeadlessBackend& b) { b.inject_key(Key::Down); },
                  [](HeadlessBackend& b) { b.inject_char(13); },
                  [](HeadlessBackend& b) { b.inject_key(Key::Right); },
                  [](HeadlessBackend& b) { b.inject_char(13); },
              },
              3);
    int code = h.run([&](Host& rt) {
        Game g(rt);
        game = &g;
        g.main_program();
    });

    const unsigned line = line_of("game/board/pins.cpp", "s.lane_inset = s.wall_inset(s.level);");
    ASSERT_TRUE(h.host->last_error());
    EXPECT_EQ(h.host->last_error()->number(), err::kSubscript);
    auto pos = Position::of(h.host->last_error()->where());
    EXPECT_EQ(pos.file, "pins.cpp");
    EXPECT_EQ(pos.line, line);

    std::string text = h.text();
    EXPECT_NE(text.find("pins.cpp [" + std::to_string(line) + "行]:エラー[9]"), std::string::npos) << text;

    // The prompt waited until the key came at its third wait, and the program ended then.
    EXPECT_EQ(feed.waits_after(), 3);
    EXPECT_TRUE(h.backend.queue_empty());
    EXPECT_EQ(code, 1);
    EXPECT_EQ(h.host->ending(), Host::Ending::Error);

    auto v = log.values();
    EXPECT_EQ(v["MODL"], "pins.cpp");
    EXPECT_EQ(v["LINE"], std::to_string(line));
    EXPECT_EQ(v["FUNC"], "26");  // the table lookup
}

}  // namespace
}  // namespace zell
