// The Windows platform, run under Wine by make test-windows: the runtime's CP932 tables against
// Windows' own code page 932, the keyboard's codes, and the store's folders of records.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/windows/backend_windows.h"
#include "platform/windows/store_windows.h"
#include "platform/windows/wide.h"
#include "runtime/text/sjis.h"
#include "tests/support/portable.h"

namespace zell {
namespace {

// Typed text becomes the same bytes everywhere: the runtime's tables (iconv's CP932) give what Windows
// gives for every BMP character but the known few: iconv also takes the JIS forms of nine characters
// (cent, pound, yen, not, em dash, double bar, overline, minus, wave dash); U+0080, U+F8F0..F3 differ.
TEST(WindowsCodePage932, TheRuntimeConvertsEveryCharacterAsWindowsDoesButTheKnownFew) {
    const std::vector<int> only_ours = {0xA2, 0xA3, 0xA5, 0xAC, 0x2014, 0x2016, 0x203E, 0x2212, 0x301C};
    const std::vector<int> only_windows = {0x80, 0xF8F0, 0xF8F1, 0xF8F2, 0xF8F3};
    std::vector<int> ours_alone, windows_alone, different;
    for (wchar_t c = 1; c < 0xFFFF; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF) continue;  // surrogates are no characters
        char out[8];
        BOOL defaulted = FALSE;
        const int n = WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, &c, 1, out, sizeof out, nullptr, &defaulted);
        const std::optional<std::string> ours = try_to_sjis(win::to_utf8(std::wstring(1, c)));
        if (n <= 0 || defaulted) {
            if (ours) ours_alone.push_back(int(c));
        } else if (!ours) {
            windows_alone.push_back(int(c));
        } else if (*ours != std::string(out, size_t(n))) {
            different.push_back(int(c));
        }
    }
    EXPECT_EQ(ours_alone, only_ours);
    EXPECT_EQ(windows_alone, only_windows);
    EXPECT_EQ(different, std::vector<int>{}) << "characters both convert, to other bytes";
}

TEST(WindowsKeys, TheSameCodesAsTheDesktop) {
    // clang-format off
    const std::pair<unsigned, Key> keys[] = {
        {VK_RIGHT, Key::Right}, {VK_LEFT, Key::Left}, {VK_UP, Key::Up}, {VK_DOWN, Key::Down}, {VK_HOME, Key::Home},
        {VK_END, Key::End}, {VK_PRIOR, Key::PageUp}, {VK_NEXT, Key::PageDown}, {VK_INSERT, Key::Insert},
        {VK_DELETE, Key::Delete}, {VK_CLEAR, Key::Clear}, {VK_SHIFT, Key::Shift}, {VK_CONTROL, Key::Ctrl},
        {VK_F1, Key::F1}, {VK_F12, Key::F12}, {'A', Key::None}, {VK_NUMPAD5, Key::None}, {VK_RETURN, Key::None}};
    // clang-format on
    for (auto [vk, key] : keys) EXPECT_EQ(windows_key_of(vk), key) << vk;
    for (char letter = 'A'; letter <= 'Z'; ++letter)
        EXPECT_EQ(windows_control_char(unsigned(letter - 'A' + 1), unsigned(letter)), keycode::control_code(letter));
    // Ctrl+Enter types 10 and Ctrl+Backspace 127 on Windows: still Enter and Backspace here.
    EXPECT_EQ(windows_control_char(10, VK_RETURN), keycode::kEnter);
    EXPECT_EQ(windows_control_char(127, VK_BACK), keycode::kBackspace);
    EXPECT_EQ(windows_control_char(27, VK_ESCAPE), keycode::kEscape);
    EXPECT_EQ(windows_control_char(27, VK_OEM_4), -1) << "Ctrl+[ is no Esc of the game";
    EXPECT_EQ(windows_control_char(0, '2'), -1) << "Ctrl+2 types nothing";
}

TEST(WindowsStore, RecordsInAFolderAreListedRemovedAndSetAsideWithoutReplacing) {
    const auto dir = testing::make_temp_dir("zell-store");
    auto store = make_file_store(dir.string() + "\\zell-bowling");
    auto* files = store.get();
    std::string why;
    EXPECT_TRUE(files->write("replays/a.txt", "one", &why)) << why;
    EXPECT_TRUE(files->write("replays/b.txt", "two", &why)) << why;
    EXPECT_TRUE(files->write("replays/b.txt", "three", &why)) << why;
    EXPECT_EQ(files->read("replays/b.txt").bytes, "three");
    ASSERT_TRUE(files->lock("replays/a.txt", &why)) << why;  // the lock file is no record
    files->unlock("replays/a.txt");
    auto names = files->list("replays");
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"replays/a.txt", "replays/b.txt"}));
    EXPECT_TRUE(files->list("none").empty());
    EXPECT_TRUE(files->remove("replays/b.txt", &why)) << why;
    EXPECT_TRUE(files->remove("replays/b.txt", &why)) << "a missing record is no error";
    EXPECT_EQ(files->read("replays/b.txt").status, Store::Status::Missing);
    const std::string first = files->set_aside("replays/a.txt", &why);
    ASSERT_FALSE(first.empty()) << why;
    EXPECT_TRUE(files->write("replays/a.txt", "again", &why));
    const std::string second = files->set_aside("replays/a.txt", &why);
    EXPECT_EQ(second, first + "-2") << "a second record set aside in the same second keeps the first";
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace zell
