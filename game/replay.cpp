// Replays: every game recorded while it is played (when the game saves), and a recorded game
// played back from its file. The journal of the host's input reads makes the game do exactly what
// it did; a mark after every throw checks the board, so a replay that no longer follows is seen
// at the first throw that differs.
#include <bit>
#include <cstdio>

#include "game/game.h"
#include "game/program.h"
#include "runtime/text/sjis.h"

namespace zell {

struct Game::Recording {
    explicit Recording(Host& host) : journal([&host] { return host.backend().now_us() / 1000; }) {}
    JournalRecorder journal;
    ReplayHeader header;
};

Game::Game(Host& host, SaveKeeper* saved) : rt(host), saved_(saved) {}

Game::~Game() {
    if (recording_ && rt.journal() == &recording_->journal) rt.set_journal(nullptr);
}

void Game::begin_replay() {
    if (playback_ || !saved_ || !saved_->scores_store()) return;
    recording_ = std::make_unique<Recording>(rt);
    ReplayHeader& h = recording_->header;
    h.program = ZELL_VERSION;
    h.date = rt.date_str("YYYY-MM-DD") + " " + rt.time_str();
    h.level = int(s.level);
    h.layout = int(s.layout);
    h.speed = int(s.speed_sel);
    h.name = s.player_name.str();
    h.mascot = int(s.mascot_no);
    h.seed_state = layout_state_;
    h.seed = layout_seed_;
    h.random = rt.random().state();
    h.first = games_played_ == 1;
    rt.set_journal(&recording_->journal);
}

uint32_t Game::board_checksum() const {
    // FNV-1a over the bits of every object's place, velocity and state, the throw's start, and the
    // frame and throw.
    uint32_t h = 2166136261u;
    auto mix = [&h](float v) {
        uint32_t bits = std::bit_cast<uint32_t>(v);
        for (int i = 0; i < 4; ++i) {
            h ^= (bits >> (8 * i)) & 0xFF;
            h *= 16777619u;
        }
    };
    for (int i = 1; i <= int(s.n_obj_full); ++i) {
        mix(s.obj_x(i));
        mix(s.obj_y(i));
        mix(s.obj_vx(i));
        mix(s.obj_vy(i));
        mix(s.obj_state(i));
    }
    // Where the ball was placed and how it was thrown: a throw whose ball leaves no other trace
    // (it misses every pin) still shows a different start.
    mix(s.aim_x);
    mix(s.aim_y);
    mix(s.throw_vx);
    mix(s.throw_vy);
    mix(s.frame_no);
    mix(s.throw_no);
    return h;
}

void Game::replay_throw_mark() {
    ThrowMark m;
    m.frame = int(s.frame_no);
    m.throw_no = int(s.throw_no);
    for (int i = 2; i <= int(s.n_obj); ++i)
        if (s.obj_state(i) < object_state::kResting) ++m.pins;
    m.checksum = board_checksum();
    if (recording_) {
        recording_->journal.mark(format_throw_mark(m));
        return;
    }
    if (!playback_) return;
    const JournalEntry& e = playback_->take_mark("the throw's end");
    auto want = parse_throw_mark(e.value);
    if (!want) playback_->diverge("the throw ends where the file has \"" + e.value + "\"");
    const std::string place = "frame " + std::to_string(want->frame) + " throw " + std::to_string(want->throw_no);
    if (want->frame != m.frame || want->throw_no != m.throw_no)
        playback_->diverge("the game played frame " + std::to_string(m.frame) + " throw " + std::to_string(m.throw_no) +
                               " where the file has \"" + e.value + "\"",
                           place);
    if (want->pins != m.pins || want->checksum != m.checksum) {
        char buf[160];
        std::snprintf(buf, sizeof buf,
                      "the board differs after the throw: %d pins down, checksum %08X; the file has %d, %08X", m.pins,
                      unsigned(m.checksum), want->pins, unsigned(want->checksum));
        playback_->diverge(buf, place);
    }
}

void Game::end_replay(std::optional<int> score) {
    if (playback_) {
        if (!playback_->at_end())
            playback_->diverge("the game ended (" + format_replay_end(score) + ") where the file has " +
                               playback_->what_is_next());
        if (replay_ && replay_->score != score)
            playback_->diverge("the game ended with \"" + format_replay_end(score) + "\", the file with \"" +
                               format_replay_end(replay_->score) + "\"");
        rt.set_journal(nullptr);
        replay_end_->sheet = score_sheet_text();
        replay_end_->finished = true;
        if (replay_end_->on_finish) replay_end_->on_finish();
        throw ProgramEnd{0};
    }
    if (!recording_) return;
    rt.set_journal(nullptr);
    std::unique_ptr<Recording> done = std::move(recording_);
    std::string text = format_replay_header(done->header) + done->journal.text() + format_replay_end(score) + "\n";
    std::string why;
    Store* store = saved_->scores_store();
    if (store && ReplayShelf(*store).keep(done->header, score, text, &why).empty())
        saved_->report("cannot keep the game's replay: " + why);
}

void Game::prune_replays() {
    Store* store = saved_ ? saved_->scores_store() : nullptr;
    if (!store) return;
    std::string why;
    if (!ReplayShelf(*store).prune(best_table(s.games_count), &why))
        saved_->report("cannot remove an old replay: " + why);
}

void Game::play_back(const Replay& replay, JournalPlayer& journal, ReplayEnd& end) {
    const ReplayHeader& h = replay.header;
    // The start-up as far as the game needs it: the sound, the constant lists, the options and
    // the layouts laid out from the recorded seed.
    open_midi();
    read_constant_lists();
    s.ui_y0 = 270;
    s.mascot_size = 16;
    replay_ = &replay;
    rt.random().set_state(h.seed_state);
    given_layout_seed_ = h.seed;
    rt.cls(0, 0);
    set_defaults();  // the replay's options (apply_saved_options) and the layouts from its seed
    rt.cls(0, 0);
    make_ball_marker();
    rt.cls(0, 0);
    journal.set_place([&journal] {
        if (const JournalEntry* m = journal.next_mark())
            if (auto t = parse_throw_mark(m->value))
                return "frame " + std::to_string(t->frame) + " throw " + std::to_string(t->throw_no);
        return std::string("at the game's end");
    });
    if (rt.random().state() != h.random)
        journal.diverge("before the first throw: the random generator stands at " +
                        std::to_string(rt.random().state()) + ", the file has " + std::to_string(h.random));
    games_played_ = h.first ? 0 : 1;
    playback_ = &journal;
    replay_end_ = &end;
    rt.set_journal(&journal);
    play_game();
}

std::string Game::score_sheet_text() const {
    std::string out;
    auto pins = [this](int f, int t) -> std::string {
        const float p = s.throw_pins(f, t);
        if (p == frame_mark::kUnknown) return " ";
        if (t == 1 && p == 10) return "X";
        if (t == 2 && s.throw_pins(f, 1) + p == 10) return "/";
        return p == 0 ? "-" : std::to_string(int(p));
    };
    for (int f = 1; f <= 12; ++f) {
        if (s.frame_mark(f) == frame_mark::kNotPlayed) continue;
        char buf[80];
        std::snprintf(buf, sizeof buf, "frame %2d  %s %s", f, pins(f, 1).c_str(), pins(f, 2).c_str());
        std::string line = buf;
        if (f <= 10 && s.frame_score(f) != frame_mark::kUnknown) {
            std::snprintf(buf, sizeof buf, "   total %3d", int(s.frame_score(f)));
            line += buf;
        }
        out += line + "\n";
    }
    return out;
}

void play_replay(Host& host, const Replay& replay, JournalPlayer& journal, ReplayEnd& end) {
    Game game(host);
    try {
        game.play_back(replay, journal, end);
    } catch (...) {
        if (!end.finished) end.sheet = game.score_sheet_text();
        throw;
    }
}

}  // namespace zell
