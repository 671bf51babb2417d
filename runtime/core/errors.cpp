#include "runtime/core/errors.h"

#include <array>
#include <utility>

namespace zell {

Position Position::of(const std::source_location& loc) {
    std::string_view f = loc.file_name();
    auto slash = f.find_last_of("/\\");
    if (slash != std::string_view::npos) f.remove_prefix(slash + 1);
    return Position{std::string(f), loc.line()};
}

RuntimeError::RuntimeError(int number, uint32_t detail, std::source_location where)
    : number_(number), detail_(detail), where_(where) {
    auto pos = Position::of(where);
    what_ = "run-time error " + std::to_string(number) + " at " + pos.file + ":" + std::to_string(pos.line);
}

void raise_error(int number, uint32_t detail, std::source_location where) { throw RuntimeError(number, detail, where); }

std::string_view error_text(int number) {
    static constexpr std::array<std::pair<int, std::string_view>, 15> kTexts{{
        {2, "データの数値の形式が正しくありません"},
        {3, "対応する GOSUB のない RETURN です"},
        {4, "READ するデータがありません"},
        {5, "関数の呼び出しが正しくありません"},
        {6, "オーバーフローしました"},
        {7, "メモリが足りません"},
        {9, "配列の添字が範囲外です"},
        {10, "配列が二重に定義されています"},
        {11, "0 で除算しました"},
        {13, "型が一致しません"},
        {27, "画面をロックできません"},
        {32, "サブルーチンの入れ子が深すぎます"},
        {81, "スタックが足りません"},
        {1000, "ウィンドウ番号が正しくありません"},
        {1002, "このウィンドウでは使えない機能です"},
    }};
    for (auto& [n, text] : kTexts)
        if (n == number) return text;
    return {};
}

}  // namespace zell
