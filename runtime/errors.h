// Numbered run-time errors and the unwinding that ends a program.
//
// A service that meets a bad argument throws RuntimeError with the error number,
// a detail code (raising service << 8 | place) and the position of the game's
// failing step. The host catches it at the top of the main program, reports it
// and ends the program. ProgramEnd unwinds the same way for End and a closed window.
#pragma once

#include <cstdint>
#include <exception>
#include <source_location>
#include <string>
#include <string_view>

namespace zell {

namespace err {
constexpr int kMalformedNumber = 2;
constexpr int kReturnWithoutCall = 3;
constexpr int kOutOfData = 4;
constexpr int kIllegalCall = 5;
constexpr int kOverflow = 6;
constexpr int kOutOfMemory = 7;
constexpr int kSubscript = 9;
constexpr int kRedimensioned = 10;
constexpr int kDivisionByZero = 11;
constexpr int kTypeMismatch = 13;
constexpr int kScreenLocked = 27;
constexpr int kCallDepth = 32;
constexpr int kStackFull = 81;
constexpr int kNoWindow = 1000;
constexpr int kWrongWindow = 1002;
}  // namespace err

// Where a step of the game's program stands: source file name (no directory) and line.
struct Position {
    std::string file;
    unsigned line = 0;
    static Position of(const std::source_location& loc);
};

class RuntimeError : public std::exception {
public:
    RuntimeError(int number, uint32_t detail, std::source_location where);
    int number() const { return number_; }
    uint32_t detail() const { return detail_; }
    const std::source_location& where() const { return where_; }
    const char* what() const noexcept override { return what_.c_str(); }

private:
    int number_;
    uint32_t detail_;
    std::source_location where_;
    std::string what_;
};

// Throws RuntimeError. The detail code names the raising service and the place in it.
[[noreturn]] void raise_error(int number, uint32_t detail = 0,
                              std::source_location where = std::source_location::current());

// Thrown to end the program normally (End, closed window, Ctrl+C stop); carries the exit code.
struct ProgramEnd {
    int exit_code = 0;
};

// The project's own message text for an error number (UTF-8); empty when there is none.
std::string_view error_text(int number);

}  // namespace zell
