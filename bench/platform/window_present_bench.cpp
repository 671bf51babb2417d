// The cost of showing one frame in the real window when the window is 1, 2 and 3
// times the size of the 648 x 702 image: the texture upload, the scaled copy and the
// presentation. Needs a display large enough for the window (tools/measure-present.sh
// runs it on a private Xvfb display).
#include <benchmark/benchmark.h>

#include <string>

#include "platform/sdl/backend_sdl.h"

namespace zell {
namespace {

class IgnoreInput final : public InputSink {
public:
    void key_down(Key, bool, bool) override {}
    void key_up(Key) override {}
    void char_typed(uint8_t) override {}
    void text_typed(std::string_view) override {}
    void mouse_move(int, int, unsigned) override {}
    void mouse_down(MouseButton, int, int, uint64_t) override {}
    void mouse_up(MouseButton, int, int) override {}
    void close_requested() override {}
};

// Two different frames, so that every present uploads changed pixels.
Image frame(int shift) {
    Image img(648, 702);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) img.at(x, y) = rgb(x + shift, y, x ^ y);
    return img;
}

void BM_PresentScaled(benchmark::State& state) {
    const int factor = int(state.range(0));
    std::string why;
    auto backend = make_sdl_backend(&why);
    if (!backend) {
        state.SkipWithError(why.c_str());
        return;
    }
    // A window opened at the scaled size shows the 648 x 702 image at that factor.
    WindowSpec spec;
    spec.title = "Zell Bowling present benchmark";
    spec.client_width = 648 * factor;
    spec.client_height = 702 * factor;
    if (!backend->open_window(spec)) {
        state.SkipWithError("cannot open the window");
        return;
    }
    IgnoreInput sink;
    backend->pump(sink, 50);  // let the window appear at its size
    const Image frames[2] = {frame(0), frame(64)};
    int n = 0;
    for (auto _ : state) backend->present(frames[n++ & 1]);
    state.SetItemsProcessed(state.iterations());
    backend->close_window();
}
BENCHMARK(BM_PresentScaled)->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace zell
