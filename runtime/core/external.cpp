#include "runtime/core/external.h"

#include <dlfcn.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstdio>
#include <new>
#include <utility>

#include "runtime/core/errors.h"
#include "runtime/text/sjis.h"

// The browser build has no shared libraries to open: a library by name is never found there,
// and the dynamic loader stays out of the module.
#ifdef __EMSCRIPTEN__
#define ZELL_NO_SHARED_LIBRARIES 1
#endif

namespace zell {
namespace {

// ---------------------------------------------------------------------------
// Random

constexpr uint32_t kMultiplier = 0x7AB34155;  // 2058568021
constexpr uint32_t kIncrement = 0x4C19ABE3;   // 1276750819

// The top 23 bits of the state as a fraction of 2^23 (exact in single precision).
float fraction(uint32_t s) { return float((s >> 9) & 0x7FFFFF) / 8388608.0f; }

// ---------------------------------------------------------------------------
// Text

std::string two_digits(int a, int b, int c, char sep) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d%c%02d%c%02d", a, sep, b, sep, c);
    return buf;
}

std::string padded(int value, int width) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%0*d", width, value);
    return buf;
}

// True when s starts with token, letters compared without regard to case.
bool starts_with_token(std::string_view s, std::string_view token) {
    if (s.size() < token.size()) return false;
    for (size_t i = 0; i < token.size(); ++i)
        if ((s[i] & ~0x20) != token[i]) return false;
    return true;
}

std::string upper_ascii(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    return out;
}

#ifndef ZELL_NO_SHARED_LIBRARIES
// ---------------------------------------------------------------------------
// Calling a function found by name: every argument is passed as one pointer-sized
// integer, in the C calling convention of the machine (System V AMD64 on x86-64 Linux).

template <size_t... I>
intptr_t invoke_with(void* symbol, [[maybe_unused]] std::span<const intptr_t> args, std::index_sequence<I...>) {
    using Fn = intptr_t (*)(decltype(I, intptr_t{})...);
    return reinterpret_cast<Fn>(symbol)(args[I]...);
}

template <size_t N>
intptr_t invoke_n(void* symbol, std::span<const intptr_t> args) {
    return invoke_with(symbol, args, std::make_index_sequence<N>{});
}

template <size_t... N>
constexpr auto make_invokers(std::index_sequence<N...>) {
    return std::array{&invoke_n<N>...};
}

// kInvokers[n] calls a function with n arguments.
constexpr auto kInvokers = make_invokers(std::make_index_sequence<ExternalLibraries::kMaxArgs + 1>{});
#endif

}  // namespace

float Random::rnd(float x) {
    if (x != 0) {
        if (x < 0) s_ = std::rotl(std::bit_cast<uint32_t>(x), 16);
        s_ = s_ * kMultiplier + kIncrement;
    }
    while (fraction(s_) == 0) s_ = s_ * kMultiplier + kIncrement;
    return fraction(s_);
}

std::string time_str(const LocalTime& t) { return two_digits(t.hour, t.minute, t.second, ':'); }

std::string date_str(const LocalTime& t, std::string_view fmt) {
    if (fmt.empty()) return two_digits(t.year % 100, t.month, t.day, '/');
    std::string out;
    while (!fmt.empty()) {
        size_t used = 1;
        if (starts_with_token(fmt, "YYYY")) {
            out += padded(t.year, 4);
            used = 4;
        } else if (starts_with_token(fmt, "MM")) {
            out += padded(t.month, 2);
            used = 2;
        } else if (starts_with_token(fmt, "DD")) {
            out += padded(t.day, 2);
            used = 2;
        } else {
            // A double-byte character is copied whole: its second byte may look like a letter.
            used = is_sjis_lead(uint8_t(fmt[0])) && fmt.size() > 1 ? 2 : 1;
            out += fmt.substr(0, used);
        }
        fmt.remove_prefix(used);
    }
    return out;
}

// ---------------------------------------------------------------------------
// ExternalLibraries

ExternalLibraries::~ExternalLibraries() {
#ifndef ZELL_NO_SHARED_LIBRARIES
    for (auto it = table_.rbegin(); it != table_.rend(); ++it)
        if (it->handle) dlclose(it->handle);
#endif
}

void ExternalLibraries::provide(std::vector<std::string> names, std::map<std::string, ExternalFn> functions) {
    auto lib = std::make_shared<const Functions>(std::make_move_iterator(functions.begin()),
                                                 std::make_move_iterator(functions.end()));
    for (const auto& name : names) provided_[upper_ascii(name)] = lib;
}

ExternalLibraries::Entry& ExternalLibraries::load(std::string_view library, const std::string& upper,
                                                  std::string_view function, const std::source_location& where) {
    // Room for the entry first, so that nothing has to be undone when it cannot be had.
    try {
        table_.reserve(table_.size() + 1);
    } catch (const std::bad_alloc&) {
        raise_error(err::kOutOfMemory, error_detail(Service::CallExternal, 5), where);
    }
    Entry entry{upper, nullptr, nullptr};
    if (auto p = provided_.find(upper); p != provided_.end()) {
        if (!p->second->contains(function))
            raise_error(err::kIllegalCall, error_detail(Service::CallExternal, 2), where);
        entry.provided = p->second;
    } else {
        if (library.empty()) raise_error(err::kIllegalCall, error_detail(Service::CallExternal, 3), where);
#ifdef ZELL_NO_SHARED_LIBRARIES
        raise_error(err::kIllegalCall, error_detail(Service::CallExternal, 3), where);
#else
        entry.handle = dlopen(std::string(library).c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!entry.handle) raise_error(err::kIllegalCall, error_detail(Service::CallExternal, 3), where);
        if (!dlsym(entry.handle, std::string(function).c_str())) {
            dlclose(entry.handle);
            raise_error(err::kIllegalCall, error_detail(Service::CallExternal, 4), where);
        }
#endif
    }
    return table_.emplace_back(std::move(entry));
}

int32_t ExternalLibraries::call(std::string_view function, std::string_view library, std::span<const intptr_t> args,
                                std::source_location where) {
    if (args.size() > kMaxArgs) raise_error(err::kIllegalCall, error_detail(Service::CallExternal, 1), where);
    std::string upper = upper_ascii(library);
    auto it = std::find_if(table_.begin(), table_.end(), [&](const Entry& e) { return e.name == upper; });
    Entry& entry = it != table_.end() ? *it : load(library, upper, function, where);

    if (entry.provided) {
        auto fn = entry.provided->find(function);
        if (fn == entry.provided->end()) raise_error(err::kIllegalCall, error_detail(Service::CallExternal, 2), where);
        return fn->second(args);
    }
#ifdef ZELL_NO_SHARED_LIBRARIES
    raise_error(err::kIllegalCall, error_detail(Service::CallExternal, 4), where);
#else
    void* symbol = dlsym(entry.handle, std::string(function).c_str());
    if (!symbol) raise_error(err::kIllegalCall, error_detail(Service::CallExternal, 4), where);
    return int32_t(kInvokers[args.size()](symbol, args));
#endif
}

}  // namespace zell
