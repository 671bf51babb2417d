// The POSIX store and file replacement when the disk fills mid-save: a file size limit makes every
// write past a few bytes fail, as a full disk does.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/posix/file_store.h"
#include "runtime/core/os.h"
#include "tests/support/portable.h"

namespace zell {
namespace {

// Each size written over a small record by a child limited to 64-byte files: what fits is saved; the
// rest fails with a reason (never hangs), the record keeps its old bytes and no temporary file stays.
TEST(FileStore, AWriteThatCannotFinishFailsAndKeepsTheOldRecord) {
    const std::filesystem::path dir = testing::make_temp_dir("zell-full");
    auto child = [&dir](size_t size) {
        std::signal(SIGXFSZ, SIG_IGN);  // a write past the limit fails instead of killing
        alarm(10);
        const std::string old = "old", bytes(size, 'x');
        auto store = make_file_store(dir.string());
        std::string why;
        const std::string log = (dir / "log").string();  // the error log's replacement, the same way
        bool ok = store->write("best", old, &why) && os::replace_file(log, old);
        const rlimit limit{64, 64};
        ok = ok && setrlimit(RLIMIT_FSIZE, &limit) == 0;
        const bool fits = size <= 64;
        ok = ok && store->write("best", bytes, &why) == fits && why.empty() == fits;
        ok = ok && store->read("best").bytes == (fits ? bytes : old) && os::replace_file(log, bytes) == fits;
        std::ifstream in(log);
        ok = ok && std::string(std::istreambuf_iterator<char>(in), {}) == (fits ? bytes : old);
        for (const auto& e : std::filesystem::directory_iterator(dir))
            ok = ok && (e.path().filename() == "best" || e.path().filename() == "log");
        std::exit(ok ? 0 : 1);
    };
    for (size_t size : {size_t(1), size_t(64), size_t(65), size_t(4096), size_t(1) << 20})
        EXPECT_EXIT(child(size), ::testing::ExitedWithCode(0), "") << size;
    std::filesystem::remove_all(dir);
}

// Locking and unlocking records (every save does) leaves no descriptor open: the lowest free
// descriptor is the same before and after, however many saves a long session makes.
// A folder lists its records only: no lock, temporary or hidden file, no folder or link.
TEST(FileStore, AFolderListsItsRecordsOnly) {
    const std::filesystem::path dir = testing::make_temp_dir("zell-list"), folder = dir / "replays";
    auto store = make_file_store(dir.string());
    std::string why;
    for (const char* name : {"replays/a.replay", "replays/b.txt"}) ASSERT_TRUE(store->write(name, "x", &why)) << why;
    ASSERT_TRUE(store->lock("replays/a.replay", &why)) << why;
    for (const char* junk : {".hidden", "c.replay.tmp123", "c.replay.tmp"}) std::ofstream(folder / junk) << "x";
    std::filesystem::create_directory(folder / "sub");
    std::filesystem::create_symlink(folder / "b.txt", folder / "link.txt");
    auto names = store->list("replays");
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"replays/a.replay", "replays/b.txt"}));
    store->unlock("replays/a.replay");
    // A read finds the record, nothing (no such name, a file where a folder would be), or fails
    // with its reason (a folder, a FIFO, a link to itself, a file whose every read fails).
    std::filesystem::create_symlink(dir / "loop", dir / "loop");
    std::filesystem::create_symlink("/proc/self/mem", dir / "eio");
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    using S = Store::Status;
    // clang-format off
    for (auto [name, status] : {std::pair{"replays/b.txt", S::Ok}, {"none", S::Missing}, {"replays/b.txt/x", S::Missing},
                                {"replays", S::Failed}, {"fifo", S::Failed}, {"loop", S::Failed}, {"eio", S::Failed}}) {
        // clang-format on
        const Store::ReadResult r = store->read(name);
        EXPECT_EQ((std::tuple{r.status, r.why.empty(), r.bytes}),
                  (std::tuple{status, status != S::Failed, status == S::Ok ? "x" : ""}))
            << name;
    }
    std::filesystem::remove_all(dir);
}

TEST(FileStore, LocksLeaveNoDescriptorOpen) {
    const std::filesystem::path dir = testing::make_temp_dir("zell-locks");
    auto store = make_file_store(dir.string());
    auto lowest_free = [] {
        const int fd = ::dup(0);
        ::close(fd);
        return fd;
    };
    const int before = lowest_free();
    std::string why;
    for (int i = 0; i < 50; ++i) {
        ASSERT_TRUE(store->lock("best", &why)) << why;
        store->unlock("best");
        store->unlock("best");  // a second unlock is harmless
    }
    EXPECT_EQ(lowest_free(), before);
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace zell
