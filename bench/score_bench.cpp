// Cost of the score sheet (draw_score_sheet): the running totals and the formatted rows of a whole
// game of strikes, spares and open frames with a bonus frame, on the headless backend.
#include <benchmark/benchmark.h>

#include "game/game.h"
#include "platform/headless/backend_headless.h"

namespace zell {
namespace {

// Frames 1 to 11 as (mark, first throw, second throw): 2 strike, 1 spare, 0 open.
constexpr float kFrames[11][3] = {
    {2, 10, -1}, {1, 7, 3}, {0, 9, 0},   {2, 10, -1}, {2, 10, -1}, {0, 0, 5},
    {1, 0, 10},  {0, 3, 4}, {2, 10, -1}, {1, 8, 2},   {0, 6, -1},
};

void BM_ScoreSheetWholeGame(benchmark::State& state) {
    HeadlessBackend backend;
    Host host(backend, Host::Options{});
    host.run([&](Host& rt) {
        Game g(rt);
        State& s = g.s;
        s.level = 4;
        s.n_pins = 10;
        s.player_name.assign("Bench");
        s.frame_score(0) = 0;
        for (int f = 1; f <= 12; ++f) {
            s.frame_mark(f) = f <= 11 ? kFrames[f - 1][0] : -1;
            s.throw_pins(f, 1) = f <= 11 ? kFrames[f - 1][1] : -1;
            s.throw_pins(f, 2) = f <= 11 ? kFrames[f - 1][2] : -1;
            s.frame_score(f) = -1;
        }
        s.frame_no = 11;
        for (auto _ : state) g.draw_score_sheet();
    });
    if (host.last_error()) state.SkipWithError(host.last_error()->what());
}

BENCHMARK(BM_ScoreSheetWholeGame)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace zell
