#include "platform/posix/file_store.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <string_view>
#include <vector>

namespace zell {
namespace {

std::string errno_text() { return std::strerror(errno); }

std::string xdg_folder(const char* variable, const char* fallback) {
    if (const char* x = std::getenv(variable); x && *x == '/') return std::string(x) + "/zell-bowling";
    if (const char* h = std::getenv("HOME"); h && *h == '/') return std::string(h) + "/" + fallback + "/zell-bowling";
    return {};
}

class FileStore final : public Store {
public:
    explicit FileStore(std::string dir) : dir_(std::move(dir)) {}
    ~FileStore() override {
        for (auto& [name, fd] : locks_) ::close(fd);
    }

    ReadResult read(const std::string& name) override {
        ReadResult r;
        if (dir_.empty()) return r;  // no folder: nothing was saved (and "/name" is not ours)
        // Never blocks: a FIFO or a device in the record's place opens at once and is refused.
        int fd = ::open(path(name).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0) {
            if (errno == ENOENT || errno == ENOTDIR) return r;
            r.status = Status::Failed;
            r.why = errno_text();
            return r;
        }
        if (struct stat st{}; ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            r.status = Status::Failed;
            r.why = "not a regular file";
            ::close(fd);
            return r;
        }
        char buf[4096];
        for (;;) {
            ssize_t n = ::read(fd, buf, sizeof buf);
            if (n == 0) break;
            if (n < 0) {
                if (errno == EINTR) continue;
                r.status = Status::Failed;
                r.why = errno_text();
                ::close(fd);
                return r;
            }
            r.bytes.append(buf, size_t(n));
            if (r.bytes.size() > kMaxBytes) {
                r.status = Status::Failed;
                r.why = "larger than any file this program writes";
                ::close(fd);
                return r;
            }
        }
        ::close(fd);
        r.status = Status::Ok;
        return r;
    }

    bool write(const std::string& name, std::string_view bytes, std::string* why) override {
        if (!make_folders(name, why)) return false;
        std::string tmp = path(name) + kTempInfix + std::to_string(::getpid());
        ::unlink(tmp.c_str());
        int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (fd < 0) return fail(why);
        bool ok = true;
        for (size_t done = 0; ok && done < bytes.size();) {
            ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) ok = false;
            else done += size_t(n);
        }
        ok = ok && ::fsync(fd) == 0;
        if (!ok) fail(why);
        if (::close(fd) != 0 && ok) ok = fail(why);
        if (ok && ::rename(tmp.c_str(), path(name).c_str()) != 0) ok = fail(why);
        if (!ok) {
            ::unlink(tmp.c_str());
            return false;
        }
        // The rename itself is on disk once the folder is.
        if (int d = ::open(path(name).substr(0, path(name).rfind('/')).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            d >= 0) {
            ::fsync(d);
            ::close(d);
        }
        return true;
    }

    bool lock(const std::string& name, std::string* why) override {
        if (!make_folders(name, why)) return false;
        int fd = ::open((path(name) + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0644);
        if (fd < 0) return fail(why);
        while (::flock(fd, LOCK_EX) != 0) {
            if (errno != EINTR) {
                fail(why);
                ::close(fd);
                return false;
            }
        }
        locks_[name] = fd;
        remove_orphans(name);
        return true;
    }

    void unlock(const std::string& name) override {
        auto it = locks_.find(name);
        if (it == locks_.end()) return;
        ::flock(it->second, LOCK_UN);
        ::close(it->second);
        locks_.erase(it);
    }

    std::string set_aside(const std::string& name, std::string* why) override {
        if (!placed(why)) return {};
        std::time_t now = std::time(nullptr);
        std::tm tm{};
        ::localtime_r(&now, &tm);
        char stamp[32];
        std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &tm);
        const std::string base = path(name) + ".unreadable-" + stamp;
        // Never over an earlier one: a second suffix when the name is taken, and the rename
        // itself refuses to replace a file another copy set aside meanwhile.
        for (int n = 1; n <= kMaxAsideSuffix; ++n) {
            std::string target = n == 1 ? base : base + "-" + std::to_string(n);
            if (rename_no_replace(path(name), target)) return target;
            if (errno != EEXIST) break;
        }
        fail(why);
        return {};
    }

    std::string where(const std::string& name) const override { return path(name); }

    // Regular files only: no lock files, no temporary files of a save in progress or killed.
    std::vector<std::string> list(const std::string& folder) override {
        std::vector<std::string> names;
        if (!placed(nullptr)) return names;
        DIR* d = ::opendir(path(folder).c_str());
        if (!d) return names;
        while (const dirent* e = ::readdir(d)) {
            std::string_view n = e->d_name;
            if (n.empty() || n.front() == '.' || n.ends_with(".lock") || n.find(kTempInfix) != std::string_view::npos)
                continue;
            struct stat st {};
            if (::fstatat(::dirfd(d), e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode))
                names.push_back(folder + "/" + std::string(n));
        }
        ::closedir(d);
        return names;
    }

    bool remove(const std::string& name, std::string* why) override {
        if (!placed(why)) return false;
        if (::unlink(path(name).c_str()) == 0 || errno == ENOENT) return true;
        return fail(why);
    }

private:
    static constexpr size_t kMaxBytes = 1 << 20;
    // A record's temporary file is "<record>.tmp<PID>" of the copy that writes it.
    static constexpr const char* kTempInfix = ".tmp";
    static constexpr int kMaxAsideSuffix = 100'000;

    // Renames without ever replacing: false with errno EEXIST when target exists. Where the
    // file system cannot rename so, a hard link and an unlink do the same.
    static bool rename_no_replace(const std::string& from, const std::string& to) {
        if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
        if (errno != EINVAL && errno != ENOSYS) return false;
        if (::link(from.c_str(), to.c_str()) != 0) return false;
        ::unlink(from.c_str());
        return true;
    }

    // Every save writes its temporary file under the record's lock, so while this copy holds
    // the lock, a temporary file of the record is what a save that was killed left behind.
    // A lock named "folder/folder" covers every record in its folder (the replays are written
    // under one): its holder removes the temporary files of any of them.
    void remove_orphans(const std::string& name) {
        const size_t slash = name.rfind('/');
        const std::string folder = slash == std::string::npos ? std::string() : name.substr(0, slash);
        const std::string base = slash == std::string::npos ? name : name.substr(slash + 1);
        DIR* d = ::opendir(folder.empty() ? dir_.c_str() : path(folder).c_str());
        if (!d) return;
        const bool whole_folder = !folder.empty() && folder == base;
        const std::string prefix = base + kTempInfix;
        while (const dirent* e = ::readdir(d)) {
            std::string_view n = e->d_name;
            size_t digits = std::string_view::npos;
            if (n.size() > prefix.size() && n.substr(0, prefix.size()) == prefix) digits = prefix.size();
            else if (const size_t t = n.rfind(kTempInfix); whole_folder && t != std::string_view::npos && t > 0)
                digits = t + std::string_view(kTempInfix).size();
            if (digits < n.size() && n.find_first_not_of("0123456789", digits) == std::string_view::npos)
                ::unlinkat(::dirfd(d), e->d_name, 0);
        }
        ::closedir(d);
    }

    std::string path(const std::string& name) const { return dir_ + "/" + name; }

    bool fail(std::string* why) {
        if (why) *why = errno_text();
        return false;
    }

    // Whether the store has a folder of its own to change things in: an absolute path. Without
    // one, a record's path would fall on the root or the current folder.
    bool placed(std::string* why) const {
        if (!dir_.empty() && dir_.front() == '/') return true;
        if (why) *why = "no folder: neither the XDG variable nor HOME is an absolute path";
        return false;
    }

    // The store's folder and the folders of a record named "folder/name".
    bool make_folders(const std::string& name, std::string* why) {
        if (!placed(why)) return false;
        const std::string record = path(name);
        const size_t end = record.rfind('/');
        for (size_t i = 1; i <= end; ++i) {
            if (i < end && record[i] != '/') continue;
            if (::mkdir(record.substr(0, i).c_str(), 0755) != 0 && errno != EEXIST) return fail(why);
        }
        return true;
    }

    std::string dir_;
    std::map<std::string, int> locks_;
};

}  // namespace

std::unique_ptr<Store> make_file_store(std::string dir) { return std::make_unique<FileStore>(std::move(dir)); }

std::string data_folder() { return xdg_folder("XDG_DATA_HOME", ".local/share"); }
std::string config_folder() { return xdg_folder("XDG_CONFIG_HOME", ".config"); }

}  // namespace zell
