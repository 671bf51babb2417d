// Files written whole and atomically on Windows: a temporary file beside the target, written
// and flushed to disk, then moved over the target with MoveFileExW(MOVEFILE_REPLACE_EXISTING |
// MOVEFILE_WRITE_THROUGH), which returns only once the move is on disk.
#pragma once

#include <string>
#include <string_view>

namespace zell::win {

// Creates the folder and every folder on the way (C:\a\b\c); false with the reason.
bool make_folders(const std::wstring& dir, std::string* why);

// Replaces the file at path with bytes through tmp (a name in the same folder); on any failure
// the target is unchanged and tmp removed. False with the reason.
bool replace_file(const std::wstring& path, const std::wstring& tmp, std::string_view bytes, std::string* why);

}  // namespace zell::win
