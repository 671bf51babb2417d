#include "runtime/shell/error_log.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace zell {

std::string error_log_path() {
    std::string base;
    if (const char* x = std::getenv("XDG_STATE_HOME"); x && *x == '/') {
        base = x;
    } else if (const char* h = std::getenv("HOME"); h && *h) {
        base = std::string(h) + "/.local/state";
    } else {
        return {};
    }
    return base + "/zell-bowling/runtime-error";
}

std::string error_log_text(const RuntimeError& e, const LocalTime& t) {
    const auto pos = Position::of(e.where());
    char text[512];
    std::snprintf(text, sizeof text, "MODL=%s\nLINE=%d\nCODE=%d\nFUNC=%d\nINFO=%d\nTIME=%d/%02d/%02d %02d:%02d:%02d\n",
                  pos.file.c_str(), int(pos.line), int(e.number()), int(e.detail() >> 8), int(e.detail() & 255), t.year,
                  t.month, t.day, t.hour, t.minute, t.second);
    return text;
}

#ifdef __EMSCRIPTEN__
// The browser has no files: its host hands the log to the page's storage (Host::Options::error_log).
void write_error_log(const RuntimeError&, const LocalTime&) {}
#else
void write_error_log(const RuntimeError& e, const LocalTime& t) {
    std::string path = error_log_path();
    if (path.empty()) return;
    // Create the directories on the way; any failure leaves the log unwritten.
    for (size_t i = 1; i < path.size(); ++i)
        if (path[i] == '/') ::mkdir(path.substr(0, i).c_str(), 0700);
    const std::string tmp = path + ".tmp" + std::to_string(::getpid());
    const std::string text = error_log_text(e, t);
    std::FILE* out = std::fopen(tmp.c_str(), "w");
    if (!out) return;
    const bool written = std::fwrite(text.data(), 1, text.size(), out) == text.size();
    if (std::fclose(out) != 0 || !written || std::rename(tmp.c_str(), path.c_str()) != 0) std::remove(tmp.c_str());
}
#endif

}  // namespace zell
