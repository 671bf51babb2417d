// How the host tells the player that the program stops or cannot go on: the stop message
// (Ctrl+C), the start-up messages and the report of a run-time error (on the screen, or in
// a message box when the window is gone), with the error log written first.
#include <string>

#include "runtime/host/host.h"
#include "runtime/shell/error_log.h"
#include "runtime/text/sjis.h"

namespace zell {
namespace {

constexpr const char* kStartupMessages[] = {
    "",
    "メモリが足りません",
    "システムに異常があります",
    "ウィンドウをオープンできません",
    "デバイスコンテキストを作成できません",
    "グラフィックビットマップを作成できません",
    "リソースが見つかりません",
    "フォームデータがありません",
    "メタファイルが作成できません",
};

}  // namespace

void Host::report(const RuntimeError& e) {
    if (reporting_) return;
    reporting_ = true;
    if (options_.error_log) options_.error_log(error_log_text(e, backend_.local_time()));
    else write_error_log(e, backend_.local_time());
    auto pos = Position::of(e.where());
    std::string line = "\r\n" + pos.file + " [" + std::to_string(pos.line) + cached_sjis("行]:エラー[") +
                       std::to_string(e.number()) + "]";
    std::string_view message = error_text(e.number());
    // A second error while the first is reported is ignored: the report goes on, and its
    // prompt still waits for the key. Closing the window at the prompt ends the program at once.
    try {
        if (backend_.has_window()) {
            try {
                screen_->print(line, 2);
                if (!message.empty()) screen_->print("\r\n" + to_sjis(message), 2);
                screen_->print(cached_sjis("\r\n任意のキーを押してください"), 2);
                screen_->print_end();
            } catch (const RuntimeError&) {}
            for (;;) {
                try {
                    wait_for_key();
                    break;
                } catch (const RuntimeError&) {}
            }
        } else {
            std::string text = to_utf8(line.substr(2));
            if (!message.empty()) {
                text += '\n';
                text += message;
            }
            backend_.message_box(options_.program_name + ".EXE", text);
        }
    } catch (const ProgramEnd&) {}
}

std::string Host::error_log_path() { return zell::error_log_path(); }

bool Host::fail_startup(int number) {
    backend_.message_box(options_.program_name + ".EXE", kStartupMessages[number]);
    ending_ = Ending::StartupFailure;
    return false;
}

// The stop message, in both languages, on the bottom row of the screen (blanked first, so
// that it never mixes with what the program showed there), then a key.
void Host::stop_program(Loc where) {
    step(where);
    auto pos = Position::of(where);
    const std::string text = cached_sjis("中断しました / Stopped: ") + pos.file + "[" + std::to_string(pos.line) +
                             cached_sjis("行]  キーを押してください / Press a key");
    const int row = screen_->rows() - 1;
    screen_->blank_cells(0, row, screen_->columns());
    screen_->locate(0, row, 0, 3, where);
    screen_->print(text, 2);
    screen_->print_end();
    wait_for_key();
}

void Host::wait_for_key() {
    // A click (a tap) does as a key; only one made from here on.
    input_->take_presses();
    bool clicked = false;
    while (input_->keys().empty() && !clicked) {
        presenter_->present_if_due(true);
        gate_->pump(backend_, kIdleWaitMs);
        end_if_closed();
        if (gate_->requested()) show_help();
        clicked = input_->take_presses();
    }
    if (!clicked) input_->keys().pop();
}

}  // namespace zell
