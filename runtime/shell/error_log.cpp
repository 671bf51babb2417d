#include "runtime/shell/error_log.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace zell {

std::string error_log_path() {
    std::string base;
    if (const char* x = std::getenv("XDG_STATE_HOME"); x && *x == '/') {
        base = x;
    } else if (const char* h = std::getenv("HOME"); h && *h == '/') {
        base = std::string(h) + "/.local/state";
    } else {
        return {};
    }
    return base + "/zell-bowling/runtime-error";
}

void write_error_log(const RuntimeError& e, const LocalTime& t) {
    std::string path = error_log_path();
    if (path.empty()) return;
    // Create the directories on the way; any failure leaves the log unwritten.
    for (size_t i = 1; i < path.size(); ++i)
        if (path[i] == '/') ::mkdir(path.substr(0, i).c_str(), 0700);
    char when[64];
    std::snprintf(when, sizeof when, "%d/%02d/%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute, t.second);
    auto pos = Position::of(e.where());
    std::string tmp = path + ".tmp" + std::to_string(::getpid());
    {
        std::ofstream out(tmp, std::ios::trunc);
        out << "MODL=" << pos.file << "\nLINE=" << pos.line << "\nCODE=" << e.number() << "\nFUNC=" << (e.detail() >> 8)
            << "\nINFO=" << (e.detail() & 255) << "\nTIME=" << when << "\n";
        if (!out) {
            std::remove(tmp.c_str());
            return;
        }
    }
    if (std::rename(tmp.c_str(), path.c_str()) != 0) std::remove(tmp.c_str());
}

}  // namespace zell
