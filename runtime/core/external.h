// Random numbers, the time and date as text, and functions of shared libraries
// called by library and function name.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <source_location>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/backend.h"

namespace zell {

// Linear congruential generator over one 32-bit word; results are its top 23 bits
// as a fraction, so they lie strictly between 0 and 1.
class Random {
public:
    static constexpr uint32_t kInitialState = 204;

    // x > 0: the next number; x = 0: the last number again; x < 0: restart from a
    // state made of x's bits (16-bit halves swapped), then the next number.
    float rnd(float x);
    // Mixes a seed into the state (exclusive or).
    void randomize(int32_t seed) { s_ ^= uint32_t(seed); }
    uint32_t state() const { return s_; }
    void set_state(uint32_t s) { s_ = s; }

private:
    uint32_t s_ = kInitialState;
};

// "HH:MM:SS".
std::string time_str(const LocalTime& t);
// Empty format: "YY/MM/DD" (year modulo 100). Otherwise the format is copied with "YYYY"
// replaced by the four-digit year, "MM" by the month and "DD" by the day (two digits
// each; letters in either case).
std::string date_str(const LocalTime& t, std::string_view fmt);

// Arguments of an external function: pointer-sized values (32-bit values sign-extended,
// by-reference arguments as addresses). The result is the function's 32-bit result.
using ExternalFn = std::function<int32_t(std::span<const intptr_t>)>;

// The table of libraries loaded by name. A library is looked up by its name as the caller
// wrote it, upper-cased, so "WINMM" and "winmm.dll" are two entries even when they reach
// the same library. Libraries provided by the runtime itself are found first; any other
// name is opened as a shared library (os::open_library with the name as written). Entries stay until
// the table is destroyed, which closes every opened library.
class ExternalLibraries {
public:
    static constexpr size_t kMaxArgs = 5;

    ExternalLibraries() = default;
    ~ExternalLibraries();
    ExternalLibraries(const ExternalLibraries&) = delete;
    ExternalLibraries& operator=(const ExternalLibraries&) = delete;

    // A library implemented by the runtime, reachable under each of the names.
    void provide(std::vector<std::string> names, std::map<std::string, ExternalFn> functions);

    // Calls function (case-sensitive) of library; a library that cannot be loaded, a missing
    // function or more than kMaxArgs arguments raise error 5.
    int32_t call(std::string_view function, std::string_view library, std::span<const intptr_t> args,
                 std::source_location where = std::source_location::current());

    size_t loaded_count() const { return table_.size(); }

private:
    using Functions = std::map<std::string, ExternalFn, std::less<>>;
    struct Entry {
        std::string name;                           // upper-cased, as looked up
        void* handle = nullptr;                     // an opened shared library (os.h)
        std::shared_ptr<const Functions> provided;  // or the runtime's own library
    };

    Entry& load(std::string_view library, const std::string& upper, std::string_view function,
                const std::source_location& where);

    std::map<std::string, std::shared_ptr<const Functions>, std::less<>> provided_;
    std::vector<Entry> table_;
};

}  // namespace zell
