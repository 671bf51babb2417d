// Numbered run-time errors and the unwinding that ends a program.
//
// A service that meets a bad argument throws RuntimeError with the error number,
// a detail code (raising service << 8 | place) and the position of the game's
// failing step. The host catches it at the top of the main program, reports it
// and ends the program. ProgramEnd unwinds the same way for End and a closed window.
#pragma once

#include <cstddef>
#include <cstdint>
#include <exception>
#include <iterator>
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

// Every service that raises run-time errors, with its number: the high part of the
// detail code (service << 8 | place) and the FUNC line of the error log. A number
// names one service only; the check below the enumeration rejects a duplicate.
#define ZELL_ERROR_SERVICES(X)                                        \
    X(Window, 0x10)  /* window number check of every service */       \
    X(ToInt16, 0x11) /* conversions and arithmetic of values.h */     \
    X(ToInt32, 0x12)                                                  \
    X(ToSingle, 0x13)                                                 \
    X(CheckDivisor, 0x14)                                             \
    X(StrAsc, 0x15)                                                   \
    X(RightStr, 0x16)                                                 \
    X(Read, 0x17)          /* the data list */                        \
    X(UsingTemplate, 0x18) /* formatted output */                     \
    X(UsingItem, 0x19)                                                \
    X(Table, 0x1A)     /* bounded tables: place 1 one index, 2 two */ \
    X(InputLine, 0x30) /* input */                                    \
    X(MousePos, 0x31)                                                 \
    X(MouseButton, 0x32)                                              \
    X(MapCoord, 0x33)                                                 \
    X(Cls, 0x40) /* screen */                                         \
    X(Locate, 0x41)                                                   \
    X(SetColor, 0x42)                                                 \
    X(SetPalette, 0x43)                                               \
    X(Viewport, 0x44)                                                 \
    X(Tab, 0x45)                                                      \
    X(Line, 0x46)                                                     \
    X(Circle, 0x47)                                                   \
    X(GetBlock, 0x48)                                                 \
    X(PutBlock, 0x49)                                                 \
    X(CallExternal, 0x50) /* calls by library and function name */    \
    X(Sleep, 0x61)        /* timing */

enum class Service : uint32_t {
#define ZELL_SERVICE_ENUMERATOR(name, number) name = (number),
    ZELL_ERROR_SERVICES(ZELL_SERVICE_ENUMERATOR)
#undef ZELL_SERVICE_ENUMERATOR
};

namespace detail {
constexpr uint32_t kServiceNumbers[] = {
#define ZELL_SERVICE_NUMBER(name, number) (number),
    ZELL_ERROR_SERVICES(ZELL_SERVICE_NUMBER)
#undef ZELL_SERVICE_NUMBER
};
constexpr bool service_numbers_are_unique() {
    for (size_t i = 0; i < std::size(kServiceNumbers); ++i) {
        if (kServiceNumbers[i] == 0 || kServiceNumbers[i] > 0xFF) return false;
        for (size_t j = i + 1; j < std::size(kServiceNumbers); ++j)
            if (kServiceNumbers[i] == kServiceNumbers[j]) return false;
    }
    return true;
}
}  // namespace detail
static_assert(detail::service_numbers_are_unique(), "two services share a number, or one is outside 1..255");

// The detail code of an error raised at `place` (1..255) in service `s`.
constexpr uint32_t error_detail(Service s, uint32_t place) { return uint32_t(s) << 8 | (place & 0xFF); }

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
