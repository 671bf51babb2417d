// Saved records as files in one folder on Windows (%APPDATA%\zell-bowling), with the same
// rules as the desktop's (platform/posix/file_store.h): a write goes to a temporary file in
// the same folder, is flushed and moved over the record with MoveFileExW(REPLACE_EXISTING |
// WRITE_THROUGH); the lock is LockFileEx on "<record>.lock"; a record that cannot be used is
// moved aside, never over another file.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "runtime/storage/store.h"

namespace zell {

// Records are files in dir (UTF-8), created with the folders on the way at the first write.
// Record names may hold one folder ("replays/NAME"): '/' is the path separator there.
std::unique_ptr<Store> make_file_store(std::string dir);

// %APPDATA%\zell-bowling for the Best 20 table and the settings alike; "" when APPDATA is unset.
std::string data_folder();
std::string config_folder();

}  // namespace zell
