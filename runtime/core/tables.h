// Bounded game tables: indexed 0..bound in each dimension; an index outside
// raises run-time error 9. Indexes may be game numbers (single precision), which
// are rounded half away from zero like every conversion to an integer.
#pragma once

#include <cmath>
#include <concepts>
#include <cstdint>
#include <source_location>
#include <vector>

#include "runtime/core/errors.h"

namespace zell {

namespace detail {
// Rounds an index half away from zero; anything not representable as a 32-bit integer is
// out of range anyway. The sum is formed in double, where it is exact for every single
// (in single 0.49999997 + 0.5 would round up to 1).
inline long long table_index(float v) {
    if (!(std::fabs(v) < 2.0e9f)) return -1;
    // NOLINTNEXTLINE(bugprone-incorrect-roundings): exact for every single, as said above
    return v >= 0 ? (long long)(double(v) + 0.5) : (long long)(double(v) - 0.5);
}
inline long long table_index(std::integral auto v) { return (long long)v; }
}  // namespace detail

template <class T>
class Table {
public:
    Table() = default;
    explicit Table(int bound, T init = T{}) : bound_(bound), data_(size_t(bound) + 1, init) {}

    int bound() const { return bound_; }

    template <class I>
    T& operator()(I i, std::source_location where = std::source_location::current()) {
        return data_[check(detail::table_index(i), where)];
    }
    template <class I>
    const T& operator()(I i, std::source_location where = std::source_location::current()) const {
        return data_[check(detail::table_index(i), where)];
    }
    void fill(const T& v) { data_.assign(data_.size(), v); }

private:
    size_t check(long long i, const std::source_location& where) const {
        if (i < 0 || i > bound_) raise_error(err::kSubscript, error_detail(Service::Table, 1), where);
        return size_t(i);
    }
    int bound_ = -1;
    std::vector<T> data_;
};

template <class T>
class Table2 {
public:
    Table2() = default;
    Table2(int bound1, int bound2, T init = T{})
        : b1_(bound1), b2_(bound2), data_(size_t(bound1 + 1) * size_t(bound2 + 1), init) {}

    int bound1() const { return b1_; }
    int bound2() const { return b2_; }

    template <class I, class J>
    T& operator()(I i, J j, std::source_location where = std::source_location::current()) {
        return data_[offset(detail::table_index(i), detail::table_index(j), where)];
    }
    template <class I, class J>
    const T& operator()(I i, J j, std::source_location where = std::source_location::current()) const {
        return data_[offset(detail::table_index(i), detail::table_index(j), where)];
    }
    void fill(const T& v) { data_.assign(data_.size(), v); }

private:
    // First index varies fastest, as the runtime lays out every array.
    size_t offset(long long i, long long j, const std::source_location& where) const {
        if (i < 0 || i > b1_ || j < 0 || j > b2_) raise_error(err::kSubscript, error_detail(Service::Table, 2), where);
        return size_t(i) + size_t(b1_ + 1) * size_t(j);
    }
    int b1_ = -1, b2_ = -1;
    std::vector<T> data_;
};

}  // namespace zell
