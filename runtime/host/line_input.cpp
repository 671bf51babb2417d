// Line input: the prompt, echo and editing at the cursor, and the question again.
#include "runtime/host/line_input.h"

#include <algorithm>

#include "runtime/input/input.h"
#include "runtime/text/sjis.h"

namespace zell {
namespace {

// Steps back over a character's cells, onto the row above when the cursor has just wrapped to
// the start of a row, and blanks them.
void erase(Screen& screen, int cells, const std::source_location& where) {
    int col = screen.cursor_column() - cells, row = screen.cursor_row();
    if (col < 0 && row > 0) {
        col += screen.columns();
        --row;
    }
    col = std::max(0, col);
    screen.blank_cells(col, row, cells);
    screen.locate(col, row, 0, 3, where);
}

// The typed keys up to Enter, echoed and edited at the cursor.
std::string edit_line(Screen& screen, const std::function<uint8_t()>& next_key, const std::source_location& where) {
    LineEditor editor;
    for (;;) {
        LineEditor::Action a = editor.feed(next_key());
        if (a.kind == LineEditor::Action::Echo) {
            screen.print(a.bytes, 2);
            screen.print_end();
        } else if (a.kind == LineEditor::Action::Erase) {
            erase(screen, a.cells, where);
        } else if (a.kind == LineEditor::Action::Done) {
            return editor.line();
        }
    }
}

}  // namespace

std::string read_input_line(Screen& screen, int mode, std::string_view prompt, const std::function<uint8_t()>& next_key,
                            const std::source_location& where) {
    for (;;) {
        if (mode >= 1) screen.print(prompt, 2);
        if (mode != 1) screen.print("? ", 2);
        screen.print_end();
        const std::string line = edit_line(screen, next_key, where);
        screen.print("", 0);
        screen.print_end();
        auto items = split_input_items(line);
        if (items.size() <= 1) return items.empty() ? std::string() : items[0];
        screen.print(cached_sjis("もう一度入力してください"), 0);
        screen.print_end();
    }
}

}  // namespace zell
