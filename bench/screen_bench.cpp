// Cost of the screen's text and circle primitives, on the screen alone (no host, no
// window): a row of text in single-byte and double-byte characters, the outline the
// simulation draws for every moving object, and the filled ellipses of the mascot.
#include <benchmark/benchmark.h>

#include <string>

#include "runtime/screen/screen.h"
#include "runtime/text/sjis.h"

namespace zell {
namespace {

void print_row(benchmark::State& state, const std::string& sjis) {
    Screen screen;
    int row = 0;
    for (auto _ : state) {
        screen.locate(0, row, 0, 3);
        screen.print(sjis, 2);
        screen.print_end();
        row = (row + 1) % screen.rows();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(sjis.size()));
}

void BM_PrintRowAscii(benchmark::State& state) {
    std::string row;
    for (int i = 0; i < 80; ++i) row += char('!' + i % 90);
    print_row(state, row);
}

void BM_PrintRowKanji(benchmark::State& state) {
    std::string row;
    for (int i = 0; i < 10; ++i) row += "ボウリング得点表";
    print_row(state, to_sjis(row));
}

// A circle of the given radius at a point that moves across the board, so no two calls
// draw over the same pixels alone.
void circle(benchmark::State& state, float radius, float aspect, int fill) {
    Screen screen;
    float x = 100;
    for (auto _ : state) {
        screen.draw_circle(0, x, 350, radius, 9, aspect, 0, 0, fill, -1, 0, 1);
        x = x < 500 ? x + 1 : 100;
    }
}

// The outline of a pin or the ball (radius 16 less one), as every simulation step draws it.
void BM_CircleObjectOutline(benchmark::State& state) { circle(state, 15, 1, 0); }
// The mascot's body: a filled ellipse half as high as wide.
void BM_EllipseFilledMascot(benchmark::State& state) { circle(state, 48, 0.5f, 1); }
// A large filled circle, most of the board's width.
void BM_CircleFilledLarge(benchmark::State& state) { circle(state, 200, 1, 1); }

BENCHMARK(BM_PrintRowAscii)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PrintRowKanji)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CircleObjectOutline)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EllipseFilledMascot)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CircleFilledLarge)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace zell
