#include "platform/posix/file_store.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>

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
        int fd = ::open(path(name).c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            if (errno == ENOENT || errno == ENOTDIR) return r;
            r.status = Status::Failed;
            r.why = errno_text();
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
        if (!make_folders(why)) return false;
        std::string tmp = path(name) + ".tmp" + std::to_string(::getpid());
        int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
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
        if (int d = ::open(dir_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); d >= 0) {
            ::fsync(d);
            ::close(d);
        }
        return true;
    }

    bool lock(const std::string& name, std::string* why) override {
        if (!make_folders(why)) return false;
        int fd = ::open((path(name) + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0) return fail(why);
        while (::flock(fd, LOCK_EX) != 0) {
            if (errno != EINTR) {
                fail(why);
                ::close(fd);
                return false;
            }
        }
        locks_[name] = fd;
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
        std::time_t now = std::time(nullptr);
        std::tm tm{};
        ::localtime_r(&now, &tm);
        char stamp[32];
        std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &tm);
        std::string base = path(name) + ".unreadable-" + stamp;
        std::string target = base;
        // Never over an earlier one: a second suffix when the second is taken.
        for (int n = 2; ::access(target.c_str(), F_OK) == 0 && n < 100; ++n) target = base + "-" + std::to_string(n);
        if (::rename(path(name).c_str(), target.c_str()) != 0) {
            fail(why);
            return {};
        }
        return target;
    }

    std::string where(const std::string& name) const override { return path(name); }

private:
    static constexpr size_t kMaxBytes = 1 << 20;

    std::string path(const std::string& name) const { return dir_ + "/" + name; }

    bool fail(std::string* why) {
        if (why) *why = errno_text();
        return false;
    }

    bool make_folders(std::string* why) {
        if (dir_.empty() || dir_.front() != '/') {
            if (why) *why = "no folder: neither the XDG variable nor HOME is an absolute path";
            return false;
        }
        for (size_t i = 1; i <= dir_.size(); ++i) {
            if (i < dir_.size() && dir_[i] != '/') continue;
            if (::mkdir(dir_.substr(0, i).c_str(), 0755) != 0 && errno != EEXIST) return fail(why);
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
