#include "runtime/host/help_panel.h"

#include <algorithm>
#include <vector>

#include "runtime/shell/command_line.h"
#include "runtime/text/glyphs.h"
#include "runtime/text/sjis.h"

namespace zell {
namespace {

constexpr Rgb kBack = rgb(0, 0, 96);
constexpr Rgb kFrame = rgb(255, 255, 255);
constexpr Rgb kJapanese = rgb(255, 255, 0);
constexpr Rgb kEnglish = rgb(255, 255, 255);
constexpr Rgb kNote = rgb(0, 255, 255);
constexpr int kCellW = 8;
constexpr int kLineH = 17;
constexpr int kMargin = 12;

struct Line {
    std::string sjis;
    Rgb colour;
};

// Writes Shift-JIS text from (x, y) (top-left of the first cell), clipped at right.
void draw_text(Image& im, int x, int y, const std::string& sjis, Rgb colour, int right) {
    for (size_t i = 0; i < sjis.size();) {
        auto b = uint8_t(sjis[i]);
        if (is_sjis_lead(b) && i + 1 < sjis.size()) {
            if (x + 2 * kCellW > right) return;
            auto g = double_glyph(b, uint8_t(sjis[i + 1]));
            for (int r = 0; r < kGlyphRows; ++r)
                for (int c = 0; c < 16; ++c)
                    if (g[size_t(r)] & (0x8000u >> c)) im.set(x + c, y + r, colour);
            x += 2 * kCellW;
            i += 2;
        } else {
            if (x + kCellW > right) return;
            auto g = single_glyph(b);
            for (int r = 0; r < kGlyphRows; ++r)
                for (int c = 0; c < 8; ++c)
                    if (g[size_t(r)] & (0x80u >> c)) im.set(x + c, y + r, colour);
            x += kCellW;
            ++i;
        }
    }
}

}  // namespace

Image draw_help_panel(const Image& picture, const std::string& scores_at) {
    std::vector<Line> lines;
    lines.push_back({to_sjis("ヘルプ  Help"), kNote});
    lines.push_back({});
    for (const HelpLine& h : control_help()) {
        lines.push_back({to_sjis(h.japanese), kJapanese});
        lines.push_back({to_sjis(h.english), kEnglish});
    }
    lines.push_back({});
    if (scores_at.empty()) {
        lines.push_back({to_sjis("スコア記録は保存されません  Scores are not saved in this run."), kJapanese});
    } else {
        lines.push_back({to_sjis("スコア記録の保存先  Scores are saved in:"), kJapanese});
        // A long path keeps its end, the part that names the file.
        std::string path = scores_at;
        const size_t room = size_t((picture.width() - 4 * kMargin) / kCellW);  // inside the frame
        if (path.size() > room) path = "..." + path.substr(path.size() - (room - 3));
        lines.push_back({to_sjis(path), kEnglish});
    }
    lines.push_back({});
    lines.push_back({to_sjis("何かキーかクリックで閉じます  Any key or click closes this help."), kNote});

    Image im = picture;
    const int left = kMargin, right = picture.width() - kMargin;
    const int height = int(lines.size()) * kLineH + 2 * kMargin;
    const int top = std::max(0, (picture.height() - height) / 2);
    for (int y = top; y < top + height && y < im.height(); ++y)
        for (int x = left; x < right; ++x) {
            bool edge = y < top + 2 || y >= top + height - 2 || x < left + 2 || x >= right - 2;
            im.set(x, y, edge ? kFrame : kBack);
        }
    int y = top + kMargin;
    for (const Line& l : lines) {
        draw_text(im, left + kMargin, y, l.sjis, l.colour, right - kMargin);
        y += kLineH;
    }
    return im;
}

}  // namespace zell
