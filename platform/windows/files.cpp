#include "platform/windows/files.h"

#include <windows.h>

#include <algorithm>

#include "platform/windows/wide.h"

namespace zell::win {
namespace {

bool fail(std::string* why) {
    if (why) *why = last_error_text();
    return false;
}

}  // namespace

bool make_folders(const std::wstring& dir, std::string* why) {
    if (dir.empty()) {
        if (why) *why = "no folder";
        return false;
    }
    // Every prefix that ends before a separator, then the folder itself; a drive ("C:") or the
    // start of a network path is skipped by the "already exists" answer.
    for (size_t i = 1; i <= dir.size(); ++i) {
        if (i < dir.size() && dir[i] != L'\\' && dir[i] != L'/') continue;
        const std::wstring part = dir.substr(0, i);
        if (part.size() == 2 && part[1] == L':') continue;
        if (!CreateDirectoryW(part.c_str(), nullptr)) {
            const DWORD e = GetLastError();
            if (e == ERROR_ALREADY_EXISTS || e == ERROR_ACCESS_DENIED) {
                // An existing folder may refuse creation with "access denied" (a drive's root).
                const DWORD attr = GetFileAttributesW(part.c_str());
                if (attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY)) continue;
            }
            if (i < dir.size() && (e == ERROR_ALREADY_EXISTS || e == ERROR_ACCESS_DENIED)) continue;
            return fail(why);
        }
    }
    return true;
}

bool replace_file(const std::wstring& path, const std::wstring& tmp, std::string_view bytes, std::string* why) {
    HANDLE h = CreateFileW(tmp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return fail(why);
    bool ok = true;
    for (size_t done = 0; ok && done < bytes.size();) {
        DWORD chunk = DWORD(std::min<size_t>(bytes.size() - done, 1u << 20)), wrote = 0;
        ok = WriteFile(h, bytes.data() + done, chunk, &wrote, nullptr) && wrote > 0;
        done += wrote;
    }
    ok = ok && FlushFileBuffers(h);
    if (!ok) fail(why);
    CloseHandle(h);
    if (ok && !MoveFileExW(tmp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        ok = fail(why);
    if (!ok) DeleteFileW(tmp.c_str());
    return ok;
}

}  // namespace zell::win
