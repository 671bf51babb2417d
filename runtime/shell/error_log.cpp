#include "runtime/shell/error_log.h"

#include <cstdio>
#include <string>

#include "runtime/core/os.h"

namespace zell {

std::string error_log_path() { return os::error_log_path(); }

std::string error_log_text(const RuntimeError& e, const LocalTime& t) {
    const auto pos = Position::of(e.where());
    char text[512];
    std::snprintf(text, sizeof text, "MODL=%s\nLINE=%d\nCODE=%d\nFUNC=%d\nINFO=%d\nTIME=%d/%02d/%02d %02d:%02d:%02d\n",
                  pos.file.c_str(), int(pos.line), int(e.number()), int(e.detail() >> 8), int(e.detail() & 255), t.year,
                  t.month, t.day, t.hour, t.minute, t.second);
    return text;
}

void write_error_log(const RuntimeError& e, const LocalTime& t) {
    const std::string path = error_log_path();
    if (path.empty()) return;  // no folder known (and in the browser, whose host keeps the log itself)
    // Any failure leaves the previous log as it was.
    os::replace_file(path, error_log_text(e, t));
}

}  // namespace zell
