// The number of the run-time error a call raises, or 0 when it raises none.
#pragma once

#include <functional>

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

}  // namespace zell::testing
