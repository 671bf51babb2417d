// Cost of the throw simulation, drawing included, on the headless backend: one step
// with the ball and all ten pins moving and with every object gone (pacing left out,
// so the figures show how much of the step period the work takes), and whole throws
// (pacing included, on the virtual clock, so nothing waits).
#include <benchmark/benchmark.h>

#include "game/game.h"
#include "platform/headless/backend_headless.h"

namespace zell {
namespace {

// Every object at rest, in play and untouched, as at the start of a throw.
void rest_all(State& s) {
    for (int i = 1; i <= s.n_obj; ++i) s.obj_vx(i) = s.obj_vy(i) = s.obj_state(i) = s.obj_touched(i) = 0;
}

// Places object i and sets its velocity and state.
void put(State& s, int i, float x, float y, float vx = 0, float vy = 0, float state = 0) {
    s.obj_x(i) = x;
    s.obj_y(i) = y;
    s.obj_vx(i) = vx;
    s.obj_vy(i) = vy;
    s.obj_state(i) = state;
}

// Runs body on a game whose field is set up as start-up leaves it, every object at rest.
template <class Body>
void on_field(benchmark::State& state, Body body) {
    HeadlessBackend backend;
    Host host(backend, Host::Options{});
    host.run([&](Host& rt) {
        Game g(rt);
        g.startup();  // the field as start-up leaves it
        g.lay_out_triangle();
        rest_all(g.s);
        body(g);
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

void one_step(benchmark::State& state, void (*arrange)(State&)) {
    on_field(state, [&](Game& g) {
        arrange(g.s);
        for (auto _ : state) benchmark::DoNotOptimize(g.simulation_step());
    });
}

void BM_StepElevenMoving(benchmark::State& state) { one_step(state, all_moving); }
void BM_StepAllGone(benchmark::State& state) { one_step(state, all_gone); }

// A whole throw of the ball dropped at rest from the top of the strip at x, the pins of
// the level 4 triangle standing; the counter gives the simulation steps of one throw.
void whole_throw(benchmark::State& state, float x) {
    on_field(state, [&](Game& g) {
        uint64_t steps = 0;
        for (auto _ : state) {
            g.lay_out_triangle();
            rest_all(g.s);
            put(g.s, 1, x, 685, 0, 0, 1);
            uint64_t start = g.rt.backend().now_us();
            g.simulate_throw();
            steps += (g.rt.backend().now_us() - start) / Game::kStepPeriodUs;
        }
        state.counters["steps"] = benchmark::Counter(double(steps), benchmark::Counter::kAvgIterations);
    });
}

void BM_ThrowIntoThePins(benchmark::State& state) { whole_throw(state, 300); }
void BM_ThrowTouchingNothing(benchmark::State& state) { whole_throw(state, 100); }

BENCHMARK(BM_StepElevenMoving)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StepAllGone)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ThrowIntoThePins)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ThrowTouchingNothing)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zell
