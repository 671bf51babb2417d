#include "runtime/shell/error_log.h"

#include <cstdio>
#include <sstream>

#include "runtime/core/os.h"

namespace zell {

std::string error_log_path() { return os::error_log_path(); }

void write_error_log(const RuntimeError& e, const LocalTime& t) {
    const std::string path = error_log_path();
    if (path.empty()) return;
    char when[64];
    std::snprintf(when, sizeof when, "%d/%02d/%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute, t.second);
    auto pos = Position::of(e.where());
    std::ostringstream out;
    out << "MODL=" << pos.file << "\nLINE=" << pos.line << "\nCODE=" << e.number() << "\nFUNC=" << (e.detail() >> 8)
        << "\nINFO=" << (e.detail() & 255) << "\nTIME=" << when << "\n";
    // Any failure leaves the previous log as it was.
    os::replace_file(path, out.str());
}

}  // namespace zell
