#include "platform/windows/store_windows.h"

#include <windows.h>

#include <cstdio>
#include <map>
#include <string_view>
#include <vector>

#include "platform/windows/files.h"
#include "platform/windows/wide.h"

namespace zell {
namespace {

class WinStore final : public Store {
public:
    explicit WinStore(std::string dir) : dir_(win::to_wide(dir)) {
        while (!dir_.empty() && (dir_.back() == L'\\' || dir_.back() == L'/')) dir_.pop_back();
    }
    ~WinStore() override {
        for (auto& [name, h] : locks_) CloseHandle(h);
    }

    ReadResult read(const std::string& name) override {
        ReadResult r;
        if (dir_.empty()) return r;  // no folder: nothing was saved
        const std::wstring p = path(name);
        // Shared for every access, so that a reader never stands in a writer's way; a device
        // name or a pipe in the record's place is refused before anything is read from it.
        HANDLE h = CreateFileW(p.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OVERLAPPED, nullptr);
        if (h == INVALID_HANDLE_VALUE) {
            const DWORD e = GetLastError();
            if (e == ERROR_FILE_NOT_FOUND || e == ERROR_PATH_NOT_FOUND) return r;
            r.status = Status::Failed;
            const DWORD attr = GetFileAttributesW(p.c_str());
            r.why = attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY) ? "not a regular file"
                                                                                         : win::last_error_text();
            return r;
        }
        LARGE_INTEGER size{};
        if (GetFileType(h) != FILE_TYPE_DISK || !GetFileSizeEx(h, &size)) {
            r.status = Status::Failed;
            r.why = "not a regular file";
            CloseHandle(h);
            return r;
        }
        if (size.QuadPart > LONGLONG(kMaxBytes)) {
            r.status = Status::Failed;
            r.why = "larger than any file this program writes";
            CloseHandle(h);
            return r;
        }
        // Opened for overlapped reads (so that nothing can block); each read waits for itself.
        r.bytes.resize(size_t(size.QuadPart));
        size_t done = 0;
        bool ok = true;
        while (ok && done < r.bytes.size()) {
            OVERLAPPED ov{};
            ov.Offset = DWORD(done);
            DWORD got = 0;
            ok = (ReadFile(h, r.bytes.data() + done, DWORD(r.bytes.size() - done), nullptr, &ov) ||
                  GetLastError() == ERROR_IO_PENDING) &&
                 GetOverlappedResult(h, &ov, &got, TRUE) && got > 0;
            done += got;
        }
        if (!ok) {
            r.status = Status::Failed;
            r.why = win::last_error_text();
            r.bytes.clear();
        } else {
            r.status = Status::Ok;
        }
        CloseHandle(h);
        return r;
    }

    bool write(const std::string& name, std::string_view bytes, std::string* why) override {
        const std::wstring p = path(name);
        if (!make_folders(p, why)) return false;
        return win::replace_file(p, p + kTempInfix + std::to_wstring(GetCurrentProcessId()), bytes, why);
    }

    bool lock(const std::string& name, std::string* why) override {
        const std::wstring p = path(name);
        if (!make_folders(p, why)) return false;
        HANDLE h = CreateFileW((p + L".lock").c_str(), GENERIC_READ | GENERIC_WRITE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) return fail(why);
        OVERLAPPED ov{};
        // Waits while another copy of the program holds the lock, as flock does on the desktop.
        if (!LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &ov)) {
            fail(why);
            CloseHandle(h);
            return false;
        }
        locks_[name] = h;
        remove_orphans(name);
        return true;
    }

    void unlock(const std::string& name) override {
        auto it = locks_.find(name);
        if (it == locks_.end()) return;
        OVERLAPPED ov{};
        UnlockFileEx(it->second, 0, 1, 0, &ov);
        CloseHandle(it->second);
        locks_.erase(it);
    }

    std::string set_aside(const std::string& name, std::string* why) override {
        SYSTEMTIME t{};
        GetLocalTime(&t);
        wchar_t stamp[32];
        std::swprintf(stamp, 32, L"%04u%02u%02u-%02u%02u%02u", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
                      t.wSecond);
        const std::wstring base = path(name) + L".unreadable-" + stamp;
        // Without MOVEFILE_REPLACE_EXISTING the move never replaces a file: a second suffix
        // when the name is taken.
        for (int n = 1; n <= kMaxAsideSuffix; ++n) {
            const std::wstring target = n == 1 ? base : base + L"-" + std::to_wstring(n);
            if (MoveFileExW(path(name).c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH)) return win::to_utf8(target);
            const DWORD e = GetLastError();
            if (e != ERROR_ALREADY_EXISTS && e != ERROR_FILE_EXISTS) break;
        }
        fail(why);
        return {};
    }

    std::string where(const std::string& name) const override { return win::to_utf8(path(name)); }

    // The records of a folder ("replays"), each as "folder/name"; the store's own temporary
    // and lock files are not records.
    std::vector<std::string> list(const std::string& folder) override {
        std::vector<std::string> names;
        WIN32_FIND_DATAW f;
        HANDLE h = FindFirstFileW((path(folder) + L"\\*").c_str(), &f);
        if (h == INVALID_HANDLE_VALUE) return names;
        do {
            if (f.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
            const std::wstring n = f.cFileName;
            if (is_temp_name(n) || (n.size() > 5 && n.compare(n.size() - 5, 5, L".lock") == 0)) continue;
            names.push_back(folder + "/" + win::to_utf8(n));
        } while (FindNextFileW(h, &f));
        FindClose(h);
        return names;
    }

    // Removes a record; a missing one is not an error.
    bool remove(const std::string& name, std::string* why) override {
        if (DeleteFileW(path(name).c_str())) return true;
        const DWORD e = GetLastError();
        if (e == ERROR_FILE_NOT_FOUND || e == ERROR_PATH_NOT_FOUND) return true;
        return fail(why);
    }

private:
    static constexpr size_t kMaxBytes = 1 << 20;
    // A record's temporary file is "<record>.tmp<PID>" of the copy that writes it.
    static constexpr const wchar_t* kTempInfix = L".tmp";
    static constexpr int kMaxAsideSuffix = 100'000;

    static bool is_temp_name(const std::wstring& n) {
        const size_t at = n.rfind(kTempInfix);
        return at != std::wstring::npos && at + 4 < n.size() &&
               n.find_first_not_of(L"0123456789", at + 4) == std::wstring::npos;
    }

    // Every save writes its temporary file under the record's lock, so while this copy holds
    // the lock, a temporary file of the record is what a save that was killed left behind.
    void remove_orphans(const std::string& name) {
        const std::wstring p = path(name);
        const std::wstring folder = p.substr(0, p.find_last_of(L'\\'));
        const std::wstring prefix = p.substr(folder.size() + 1) + kTempInfix;
        WIN32_FIND_DATAW f;
        HANDLE h = FindFirstFileW((p + kTempInfix + L"*").c_str(), &f);
        if (h == INVALID_HANDLE_VALUE) return;
        do {
            const std::wstring n = f.cFileName;
            if (n.size() > prefix.size() && n.compare(0, prefix.size(), prefix) == 0 &&
                n.find_first_not_of(L"0123456789", prefix.size()) == std::wstring::npos)
                DeleteFileW((folder + L"\\" + n).c_str());
        } while (FindNextFileW(h, &f));
        FindClose(h);
    }

    std::wstring path(const std::string& name) const {
        std::wstring p = dir_ + L"\\" + win::to_wide(name);
        for (wchar_t& c : p)
            if (c == L'/') c = L'\\';
        return p;
    }

    static bool fail(std::string* why) {
        if (why) *why = win::last_error_text();
        return false;
    }

    // The folders down to the one holding the record at p.
    bool make_folders(const std::wstring& p, std::string* why) const {
        if (dir_.empty()) {
            if (why) *why = "no folder: APPDATA is not set";
            return false;
        }
        return win::make_folders(p.substr(0, p.find_last_of(L'\\')), why);
    }

    std::wstring dir_;
    std::map<std::string, HANDLE> locks_;
};

std::string app_folder() {
    const std::string base = win::env("APPDATA");
    return base.empty() ? std::string() : base + "\\zell-bowling";
}

}  // namespace

std::unique_ptr<Store> make_file_store(std::string dir) { return std::make_unique<WinStore>(std::move(dir)); }

std::string data_folder() { return app_folder(); }
std::string config_folder() { return app_folder(); }

}  // namespace zell
