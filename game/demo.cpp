// A short main program that shows the runtime's services at work: text at
// cells over graphics, boxes, lines, ellipses in the sixteen palette colours,
// and a block captured and put back. It ends on a key or when the window closes.
#include "game/program.h"
#include "runtime/host.h"
#include "runtime/sjis.h"

namespace zell {

void game_main(Host& rt) {
    rt.cls(0, 0);
    // A filled box with a frame, and text written over it.
    rt.draw_line(0, 0, 140, 660, 0, 460, 480, -1, 9, 2, 9, -1, 0xF);
    rt.draw_line(0, 0, 144, 656, 0, 456, 484, -1, 11, 2, 11, -1, 0xF);
    rt.set_color(0, 1, 0, 0, 0, 1);
    rt.locate(0, 33, 3, 0, 3);
    rt.print(0, to_sjis("メ ニ ュ"));
    rt.set_color(0, 0, 0, 0, 0, 1);
    rt.locate(0, 18, 5, 0, 3);
    rt.print(0, to_sjis(" A  スタート      :  Start Throwing    "));
    rt.set_color(0, 15, 0, 0, 0, 1);
    rt.locate(0, 18, 6, 0, 3);
    rt.print(0, to_sjis(" B  レベル        :  Level             "));
    rt.set_color(0, 7, 0, 0, 0, 1);

    // The sixteen palette colours as ellipses of aspect 0.5, and their numbers.
    for (int c = 0; c < 16; ++c) {
        float x = 40.0f + 36.0f * float(c);
        rt.draw_circle(0, 0, x, 300, 16, c, 0.5f, 0, 0, 1, -1, c, 3);
        rt.draw_circle(0, 0, x, 260, 16, 15, 1.0f, 0, 0, 0, -1, 0, 1);
    }
    for (int c = 0; c < 16; ++c) {
        rt.locate(0, 4 + c * 36 / 8, 26, 0, 3);
        rt.print(0, std::to_string(c), 2);
    }
    // Lines fanning out from one point.
    for (int k = 0; k <= 8; ++k) rt.draw_line(0, 0, 324, 60, 0, 144.0f + 45.0f * float(k), 200, -1, 14, 0, 0, -1, 5);

    // A block captured from the bottom-left corner and put back twice further right.
    BlockBuffer block(4004);
    rt.draw_circle(0, 0, 20, 10, 16, 13, 0.5f, 0, 0, 1, -1, 13, 3);
    rt.get_block(0, 0, 0, 1, 39, 19, block);
    rt.put_block(0, 560, 0, 1, 39, 19, block, 0);
    rt.put_block(0, 600, 0, 1, 39, 19, block, 0);

    rt.locate(0, 28, 36, 0, 3);
    rt.print(0, to_sjis("* Push any key *"));
    while (rt.inkey(0).empty()) {
    }
}

}  // namespace zell
