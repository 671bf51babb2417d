// The number of the run-time error a call raises (0: none), and the place the error says it was raised.
#pragma once

#include <functional>
#include <string>

#include "runtime/core/errors.h"

namespace zell::testing {

inline int error_number(const std::function<void()>& f) {
    try {
        f();
    } catch (const RuntimeError& e) {
        return e.number();
    }
    return 0;
}

// "file.cpp:line" of the error a call raises (the caller's position it was given), or "" for none.
inline std::string error_place(const std::function<void()>& f) {
    try {
        f();
    } catch (const RuntimeError& e) {
        return Position::of(e.where()).file + ":" + std::to_string(e.where().line());
    }
    return "";
}

}  // namespace zell::testing
