#include "runtime/core/values.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

#include "runtime/core/errors.h"
#include "runtime/text/sjis.h"

namespace zell {
namespace {

// Detail codes of the errors raised here.
namespace detail_code {
constexpr uint32_t kToInt16 = error_detail(Service::ToInt16, 1);
constexpr uint32_t kToInt32 = error_detail(Service::ToInt32, 1);
constexpr uint32_t kToSingle = error_detail(Service::ToSingle, 1);
constexpr uint32_t kCheckDivisor = error_detail(Service::CheckDivisor, 1);
constexpr uint32_t kStrAsc = error_detail(Service::StrAsc, 1);
constexpr uint32_t kRightStr = error_detail(Service::RightStr, 1);
constexpr uint32_t kReadNoData = error_detail(Service::Read, 1);
constexpr uint32_t kReadMalformed = error_detail(Service::Read, 2);
constexpr uint32_t kReadOverflow = error_detail(Service::Read, 3);
constexpr uint32_t kReadString = error_detail(Service::Read, 4);
constexpr uint32_t kUsingNoField = error_detail(Service::UsingTemplate, 1);
constexpr uint32_t kUsingMismatch = error_detail(Service::UsingItem, 1);
constexpr uint32_t kUsingNotFinite = error_detail(Service::UsingItem, 2);
}  // namespace detail_code

// Bytes of the character starting at s[i]: 2 for a complete double-byte character.
size_t char_length(std::string_view s, size_t i) { return is_sjis_lead(uint8_t(s[i])) && i + 1 < s.size() ? 2 : 1; }

// s cut or padded with spaces to exactly width bytes; a double-byte character
// that would lose its second byte is replaced by a space.
std::string fit_to_width(std::string_view s, size_t width) {
    std::string out;
    out.reserve(width);
    for (size_t i = 0; i < s.size() && out.size() < width;) {
        size_t len = char_length(s, i);
        if (out.size() + len > width) break;
        out.append(s.substr(i, len));
        i += len;
    }
    out.resize(width, ' ');
    return out;
}

// Rounds half away from zero and checks the range of T. The sum is formed in double,
// where it is exact for every single (in single 0.49999997 + 0.5 would round up to 1).
template <class T>
T round_to(float v, uint32_t detail, const std::source_location& where) {
    double r = std::trunc(v >= 0 ? double(v) + 0.5 : double(v) - 0.5);
    if (!(r >= double(std::numeric_limits<T>::min()) && r <= double(std::numeric_limits<T>::max())))
        raise_error(err::kOverflow, detail, where);
    return T(r);
}

bool is_blank(char c) { return c == ' ' || c == '\t'; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Length of the decimal number at the start of s: [+-] digits [. digits] [E [+-] digits],
// with at least one digit before the exponent; 0 when s does not start with one.
size_t scan_number(std::string_view s) {
    size_t i = 0;
    auto digits = [&] {
        size_t from = i;
        while (i < s.size() && is_digit(s[i])) ++i;
        return i - from;
    };
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    size_t mantissa = digits();
    if (i < s.size() && s[i] == '.') {
        ++i;
        mantissa += digits();
    }
    if (mantissa == 0) return 0;
    size_t end = i;
    if (i < s.size() && (s[i] == 'E' || s[i] == 'e')) {
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
        if (digits() > 0) end = i;
    }
    return end;
}

// The decimal order of magnitude of an unsigned number accepted by scan_number
// (positive from 1 upwards); it tells an overflow from an underflow.
long long decimal_order(std::string_view text) {
    size_t e = std::min(text.find_first_of("Ee"), text.size());
    long long order = 0;
    if (e < text.size()) {
        std::string_view exp = text.substr(e + 1);
        if (exp[0] == '+') exp.remove_prefix(1);
        if (std::from_chars(exp.data(), exp.data() + exp.size(), order).ec != std::errc{})
            order = exp[0] == '-' ? -1'000'000 : 1'000'000;  // an exponent beyond any range
    }
    std::string_view mantissa = text.substr(0, e);
    size_t first = mantissa.find_first_not_of("0.");
    size_t point = std::min(mantissa.find('.'), mantissa.size());
    return order + (first < point ? (long long)(point - first) : -(long long)(first - point));
}

struct NumberValue {
    float value = 0;
    bool overflow = false;  // beyond the single range: value is an infinity of the number's sign
};

// The value of a number accepted by scan_number; a value too small for a single gives 0.
NumberValue number_value(std::string_view text) {
    bool negative = text[0] == '-';
    if (text[0] == '+' || text[0] == '-') text.remove_prefix(1);
    NumberValue n;
    if (std::from_chars(text.data(), text.data() + text.size(), n.value).ec == std::errc::result_out_of_range) {
        n.overflow = decimal_order(text) > 0;
        n.value = n.overflow ? std::numeric_limits<float>::infinity() : 0.0f;
    }
    if (negative) n.value = -n.value;
    return n;
}

}  // namespace

// --- Numbers -----------------------------------------------------------------

int16_t to_int16(float v, std::source_location where) { return round_to<int16_t>(v, detail_code::kToInt16, where); }

int32_t to_int32(float v, std::source_location where) { return round_to<int32_t>(v, detail_code::kToInt32, where); }

float to_single(double v, std::source_location where) {
    float f = float(v);
    if (!std::isfinite(f)) raise_error(err::kOverflow, detail_code::kToSingle, where);
    return f;
}

float power(float base, float exponent) {
    if (exponent == 0) return 1;
    if (base == 0) return exponent > 0 ? 0.0f : std::numeric_limits<float>::infinity();
    if (base < 0 && exponent != std::trunc(exponent)) return std::numeric_limits<float>::quiet_NaN();
    // In double a square of a single is exact, so it equals the game's own base * base.
    return float(std::pow(double(base), double(exponent)));
}

void check_divisor(int32_t divisor, std::source_location where) {
    if (divisor == 0) raise_error(err::kDivisionByZero, detail_code::kCheckDivisor, where);
}

// --- Strings -----------------------------------------------------------------

FixedString::FixedString(size_t length) : text_(length, ' ') {}

void FixedString::assign(std::string_view sjis) { text_ = fit_to_width(sjis, text_.size()); }

std::string right_str(std::string_view s, int32_t n, std::source_location where) {
    if (n < 0) raise_error(err::kIllegalCall, detail_code::kRightStr, where);
    size_t keep = std::min(s.size(), size_t(n));
    return std::string(s.substr(s.size() - keep));
}

float str_val(std::string_view s) {
    size_t start = 0;
    while (start < s.size() && is_blank(s[start])) ++start;
    s.remove_prefix(start);
    size_t len = scan_number(s);
    return len == 0 ? 0.0f : number_value(s.substr(0, len)).value;
}

int str_asc(std::string_view s, std::source_location where) {
    if (s.empty()) raise_error(err::kIllegalCall, detail_code::kStrAsc, where);
    return uint8_t(s[0]);
}

// --- Data lines --------------------------------------------------------------

DataReader::DataReader(std::vector<std::pair<int, std::string>> lines) : lines_(std::move(lines)) {}

void DataReader::restore() {
    line_ = 0;
    offset_ = 0;
}

DataReader::Item DataReader::next_item(const std::source_location& where) const {
    size_t line = line_, offset = offset_;
    // A line is used up once the offset is past its end; a line without text holds no item.
    while (line < lines_.size() && (offset > lines_[line].second.size() || lines_[line].second.empty())) {
        ++line;
        offset = 0;
    }
    if (line >= lines_.size()) raise_error(err::kOutOfData, detail_code::kReadNoData, where);

    std::string_view text = lines_[line].second;
    size_t i = offset;
    while (i < text.size() && is_blank(text[i])) ++i;
    Item item;
    if (i < text.size() && text[i] == '"') {
        size_t close = std::min(text.find('"', i + 1), text.size());
        item.text = text.substr(i + 1, close - i - 1);
        item.quoted = true;
        i = close + 1;
        while (i < text.size() && is_blank(text[i])) ++i;
        if (i < text.size() && text[i] != ',') raise_error(err::kMalformedNumber, detail_code::kReadMalformed, where);
    } else {
        size_t comma = std::min(text.find(',', i), text.size());
        size_t end = comma;
        while (end > i && is_blank(text[end - 1])) --end;
        item.text = text.substr(i, end - i);
        i = comma;
    }
    item.line = line;
    item.offset = i + 1;  // past the comma, or past the end when the line is used up
    return item;
}

void DataReader::read(float& target, std::source_location where) {
    Item item = next_item(where);
    if (item.quoted) raise_error(err::kTypeMismatch, detail_code::kReadString, where);
    float value = 0;
    if (!item.text.empty()) {
        if (scan_number(item.text) != item.text.size())
            raise_error(err::kMalformedNumber, detail_code::kReadMalformed, where);
        NumberValue n = number_value(item.text);
        if (n.overflow) raise_error(err::kOverflow, detail_code::kReadOverflow, where);
        value = n.value;
    }
    target = value;
    line_ = item.line;
    offset_ = item.offset;
}

void DataReader::read(std::string& target, std::source_location where) {
    Item item = next_item(where);
    target = std::move(item.text);
    line_ = item.line;
    offset_ = item.offset;
}

// --- Formatted output --------------------------------------------------------

namespace {

using NumberField = UsingFormatter::NumberField;
using Field = UsingFormatter::Field;

char at(std::string_view s, size_t i) { return i < s.size() ? s[i] : '\0'; }

// A numeric field starting at t[i]; on success i is moved past it. Every character
// looked at is a single-byte one, so the bytes after it start characters too.
bool parse_number_field(std::string_view t, size_t& i, NumberField& f) {
    size_t j = i;
    NumberField n;
    if (at(t, j) == '+') {
        n.lead_sign = true;
        ++j;
    }
    if (at(t, j) == '*' && at(t, j + 1) == '*') {
        n.star_fill = true;
        n.int_width += 2;
        j += 2;
        if (at(t, j) == '\\') {  // **\ : asterisk fill and a currency sign
            n.currency = true;
            ++n.int_width;
            ++j;
        }
    } else if (at(t, j) == '\\' && at(t, j + 1) == '\\') {
        n.currency = true;
        n.int_width += 2;
        j += 2;
    }
    while (at(t, j) == '#' || (at(t, j) == ',' && n.int_width > 0)) {
        if (t[j] == ',') n.commas = true;
        ++n.int_width;
        ++j;
    }
    if (at(t, j) == '.' && (n.int_width > 0 || at(t, j + 1) == '#')) {
        n.point = true;
        ++j;
        while (at(t, j) == '#') {
            ++n.decimals;
            ++j;
        }
    }
    if (n.int_width + n.decimals == 0) return false;
    size_t carets = 0;
    while (at(t, j + carets) == '^') ++carets;
    if (carets >= 4) {
        n.exponent_digits = carets >= 5 ? 3 : 2;
        j += carets >= 5 ? 5 : 4;
    }
    if (!n.lead_sign && (at(t, j) == '+' || at(t, j) == '-')) n.trail = t[j++];
    f = n;
    i = j;
    return true;
}

// A field starting at t[i], numeric or string; on success i is moved past it.
bool parse_field(std::string_view t, size_t& i, Field& f) {
    switch (t[i]) {
    case '!':
        f.kind = Field::Kind::FirstChar;
        ++i;
        return true;
    case '@':
        f.kind = Field::Kind::Whole;
        ++i;
        return true;
    case '&': {
        size_t j = i + 1;
        while (at(t, j) == ' ') ++j;
        if (at(t, j) != '&') return false;
        f.kind = Field::Kind::Width;
        f.width = j - i + 1;
        i = j + 1;
        return true;
    }
    default: f.kind = Field::Kind::Number; return parse_number_field(t, i, f.number);
    }
}

// A non-negative decimal number: digits with the decimal point after `point` of them
// (point may lie before the first digit or beyond the last; missing digits are zeros).
struct Decimal {
    std::string digits;
    int point = 0;

    char digit(int k) const { return k >= 0 && k < int(digits.size()) ? digits[size_t(k)] : '0'; }
    std::string range(int from, int to) const {
        std::string s;
        for (int k = from; k < to; ++k) s += digit(k);
        return s;
    }
    bool is_zero() const { return digits.find_first_not_of('0') == std::string::npos; }

    // Keeps the first `keep` digits, rounding half away from zero.
    void round_to(int keep) {
        if (keep >= int(digits.size())) return;
        if (keep < 0) {
            digits.clear();
            return;
        }
        bool up = digits[size_t(keep)] >= '5';
        digits.resize(size_t(keep));
        if (!up) return;
        size_t k = digits.size();
        while (k > 0 && digits[k - 1] == '9') digits[--k] = '0';
        if (k > 0) {
            ++digits[k - 1];
        } else {
            digits.insert(digits.begin(), '1');
            ++point;
        }
    }
};

// |v| with the given number of significant digits.
Decimal to_decimal(double v, int significant) {
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(v), std::chars_format::scientific, significant - 1);
    std::string_view s(buf, size_t(res.ptr - buf));  // d.dddde+xx
    size_t e = s.find('e');
    Decimal d;
    for (char c : s.substr(0, e))
        if (c != '.') d.digits += c;
    int exponent = 0;
    std::string_view exp = s.substr(e + 1);
    if (exp[0] == '+') exp.remove_prefix(1);
    std::from_chars(exp.data(), exp.data() + exp.size(), exponent);
    d.point = exponent + 1;
    if (d.is_zero()) d.point = 1;
    return d;
}

std::string with_commas(const std::string& digits) {
    std::string out;
    for (size_t k = 0; k < digits.size(); ++k) {
        if (k > 0 && (digits.size() - k) % 3 == 0) out += ',';
        out += digits[k];
    }
    return out;
}

// The number laid into the field; when it does not fit, "%" and the number in full.
std::string format_number(const NumberField& f, double v, int significant) {
    Decimal d = to_decimal(v, significant);
    std::string int_part, frac_part, exponent;
    if (f.exponent_digits == 0) {
        d.round_to(d.point + f.decimals);
        int_part = d.point > 0 ? d.range(0, d.point) : "0";
        if (f.commas) int_part = with_commas(int_part);
        frac_part = d.range(d.point, d.point + f.decimals);
    } else {
        // The integer digits fill the positions left of the point, less one kept for a
        // minus sign when the field has no sign position of its own.
        int int_digits = f.int_width - (f.currency ? 1 : 0) - (f.lead_sign || f.trail ? 0 : 1);
        if (int_digits + f.decimals <= 0) int_digits = 1;
        int e = 0;
        if (!d.is_zero()) {
            d.round_to(int_digits + f.decimals);
            e = d.point - int_digits;
        }
        int_part = d.range(0, int_digits);
        frac_part = d.range(int_digits, int_digits + f.decimals);
        std::string e_digits = std::to_string(std::abs(e));
        if (e_digits.size() < size_t(f.exponent_digits))
            e_digits.insert(0, size_t(f.exponent_digits) - e_digits.size(), '0');
        exponent = std::string("E") + (e < 0 ? '-' : '+') + e_digits;
    }
    // A value that rounds to zero is written without a minus.
    bool negative = v < 0 && !d.is_zero();

    std::string sign;
    if (f.lead_sign) sign = negative ? "-" : "+";
    else if (!f.trail && negative) sign = "-";
    std::string currency = f.currency ? "\\" : "";
    size_t left_width = size_t(f.int_width) + (f.lead_sign ? 1 : 0);
    std::string left = sign + currency + int_part;
    // A lone 0 before the point is left out when the field has no room for it.
    if (left.size() > left_width && int_part == "0" && f.point && f.exponent_digits == 0) left = sign + currency;

    std::string right = (f.point ? "." + frac_part : "") + exponent;
    if (f.trail == '+') right += negative ? '-' : '+';
    if (f.trail == '-') right += negative ? '-' : ' ';

    bool exponent_too_wide = f.exponent_digits > 0 && exponent.size() > size_t(f.exponent_digits) + 2;
    if (left.size() > left_width || exponent_too_wide) return "%" + left + right;
    return std::string(left_width - left.size(), f.star_fill ? '*' : ' ') + left + right;
}

std::string format_string(const Field& f, std::string_view s) {
    switch (f.kind) {
    case Field::Kind::FirstChar: return s.empty() ? std::string(" ") : std::string(s.substr(0, char_length(s, 0)));
    case Field::Kind::Width: return fit_to_width(s, f.width);
    default: return std::string(s);
    }
}

}  // namespace

UsingFormatter::UsingFormatter(std::string_view tmpl, std::source_location where) {
    std::string literal;
    for (size_t i = 0; i < tmpl.size();) {
        size_t len = char_length(tmpl, i);
        Field field;
        if (len == 1 && tmpl[i] == '_' && i + 1 < tmpl.size()) {
            len = char_length(tmpl, i + 1);
            literal.append(tmpl.substr(i + 1, len));
            i += 1 + len;
        } else if (len == 1 && parse_field(tmpl, i, field)) {
            segments_.push_back(Segment{std::move(literal), field});
            literal.clear();
        } else {
            literal.append(tmpl.substr(i, len));
            i += len;
        }
    }
    if (segments_.empty()) raise_error(err::kIllegalCall, detail_code::kUsingNoField, where);
    tail_ = std::move(literal);
}

const UsingFormatter::Field& UsingFormatter::field_for(bool numeric, const std::source_location& where) const {
    const Field& f = segments_[next_].field;
    if ((f.kind == Field::Kind::Number) != numeric) raise_error(err::kTypeMismatch, detail_code::kUsingMismatch, where);
    return f;
}

std::string UsingFormatter::number(double value, bool is_double, std::source_location where) {
    const Field& f = field_for(true, where);
    if (!std::isfinite(value)) raise_error(err::kOverflow, detail_code::kUsingNotFinite, where);
    return finish(format_number(f.number, value, is_double ? 15 : 6));
}

std::string UsingFormatter::string(std::string_view sjis, std::source_location where) {
    return finish(format_string(field_for(false, where), sjis));
}

// Appends literal text. A tab is kept: the screen expands it to the next multiple of 8
// of the column it is written at, as in plain text.
void UsingFormatter::append_literal(std::string& out, std::string_view literal) const { out += literal; }

// The item's whole output: the literal text before the template's first field, the
// formatted field and the literal text after it; moves on to the next field.
std::string UsingFormatter::finish(std::string formatted) {
    std::string out;
    if (next_ == 0) append_literal(out, segments_[0].before);
    out += formatted;
    ++next_;
    append_literal(out, next_ < segments_.size() ? std::string_view(segments_[next_].before) : tail_);
    if (next_ == segments_.size()) next_ = 0;
    return out;
}

}  // namespace zell
