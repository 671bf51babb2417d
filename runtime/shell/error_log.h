// The run-time error log: one small file that names the last run-time error
// (module, line, error number, raising service, place, time), replaced atomically.
#pragma once

#include <string>

#include "runtime/backend.h"
#include "runtime/core/errors.h"

namespace zell {

// $XDG_STATE_HOME/zell-bowling/runtime-error (~/.local/state when XDG_STATE_HOME is unset
// or not absolute; %LOCALAPPDATA%\zell-bowling\runtime-error on Windows); empty when neither
// it nor HOME is an absolute path.
std::string error_log_path();

// The log's text for `e` raised at local time `when`: MODL, LINE, CODE, FUNC, INFO and TIME lines.
std::string error_log_text(const RuntimeError& e, const LocalTime& when);

// Writes the log for `e` raised at local time `when`, creating the folders on the way.
// Any failure leaves the previous log as it was.
void write_error_log(const RuntimeError& e, const LocalTime& when);

}  // namespace zell
