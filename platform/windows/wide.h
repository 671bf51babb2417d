// Windows speaks UTF-16 ("wide" strings); the program's own text is UTF-8 (and Shift-JIS on
// the game's screen). Conversions between the two, and the folders Windows names by variable.
#pragma once

#include <string>
#include <string_view>

namespace zell::win {

std::wstring to_wide(std::string_view utf8);
std::string to_utf8(std::wstring_view wide);

// The value of an environment variable as UTF-8; "" when it is unset.
std::string env(const char* name);

// The last Windows error as a sentence (FormatMessageW), for the player.
std::string last_error_text();

}  // namespace zell::win
