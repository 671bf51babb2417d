// Cost of one step of the throw simulation, drawing included, on the headless
// backend: with the ball and all ten pins moving, and with every object gone.
// Pacing is left out (simulation_step alone), so the figures show how much of the
// step period the work takes.
#include <benchmark/benchmark.h>

#include "game/game.h"
#include "runtime/backend_headless.h"
#include "tests/support/game_field.h"

namespace zell {
namespace {

// Runs body on a game whose field is set up as start-up leaves it.
void on_field(benchmark::State& state, void (*arrange)(State&)) {
    HeadlessBackend backend;
    Host host(backend, Host::Options{});
    host.run([&](Host& rt) {
        Game g(rt);
        testing::set_up_field(g);
        g.DBALLB();
        testing::rest_all(g.s);
        arrange(g.s);
        for (auto _ : state) benchmark::DoNotOptimize(g.simulation_step());
    });
    if (host.last_error()) state.SkipWithError(host.last_error()->what());
}

// Every object moving and drawn in view, apart from each other; without gravity they
// stay where they are, so every iteration does the same work.
void all_moving(State& s) {
    s.gravity = 0;
    s.obj_x(1) = 300;
    s.obj_y(1) = 660;
    for (int i = 1; i <= s.n_obj; ++i) {
        s.obj_y(i) = s.obj_y(i) + 16;
        s.obj_state(i) = 1;
    }
}

void all_gone(State& s) {
    for (int i = 1; i <= s.n_obj; ++i) {
        s.obj_y(i) = -2500;
        s.obj_state(i) = -1;
    }
}

void BM_StepElevenMoving(benchmark::State& state) { on_field(state, all_moving); }
void BM_StepAllGone(benchmark::State& state) { on_field(state, all_gone); }

BENCHMARK(BM_StepElevenMoving)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StepAllGone)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace zell
