// Saved records as files in one folder (the desktop's XDG data and config folders).
#pragma once

#include <memory>
#include <string>

#include "runtime/storage/store.h"

namespace zell {

// Records are files in dir, created with the folders on the way at the first write. A write
// goes to a temporary file in the same folder, is flushed to disk and renamed over the record;
// the lock is an advisory lock on "<record>.lock" beside it. Whoever takes a record's lock removes
// the temporary files that killed saves of that record left behind; a lock named "folder/folder"
// stands for every record in the folder (its temporary files of any record go).
std::unique_ptr<Store> make_file_store(std::string dir);

// $XDG_DATA_HOME/zell-bowling (default ~/.local/share/zell-bowling) and
// $XDG_CONFIG_HOME/zell-bowling (default ~/.config/zell-bowling); "" when neither the
// variable nor HOME gives an absolute path.
std::string data_folder();
std::string config_folder();

}  // namespace zell
