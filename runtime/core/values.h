// Values of the game's program: numeric conversions, fixed-length text fields,
// the few string functions the game calls, the data lines read at start-up and
// formatted output through templates.
//
// Text is Shift-JIS bytes throughout; a double-byte character is never split.
#pragma once

#include <cstddef>
#include <cstdint>
#include <source_location>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zell {

// Conversions to integers round half away from zero (2.5 -> 3, -2.5 -> -3);
// a result outside the target type, or a NaN, raises error 6.
int16_t to_int16(float v, std::source_location where = std::source_location::current());
int32_t to_int32(float v, std::source_location where = std::source_location::current());

// Double to single; a value beyond the single range (or not a finite number) raises error 6.
float to_single(double v, std::source_location where = std::source_location::current());

// base raised to exponent. Exponent 0 gives 1 and base 0 gives 0 (an infinity for a
// negative exponent); a negative base takes the sign of a whole exponent's parity.
// A negative base with a fractional exponent has no real power: the result is NaN.
float power(float base, float exponent);

// Raises error 11 when the divisor of an integer division or remainder is 0.
void check_divisor(int32_t divisor, std::source_location where = std::source_location::current());

// A fixed-length text field. Assigning cuts to the length or pads with spaces on
// the right; a double-byte character that would be cut in half becomes a space.
class FixedString {
public:
    explicit FixedString(size_t length = 12);
    void assign(std::string_view sjis);
    const std::string& str() const { return text_; }
    size_t length() const { return text_.size(); }

private:
    std::string text_;
};

// The last n bytes of s (all of s when shorter); a negative n raises error 5.
std::string right_str(std::string_view s, int32_t n, std::source_location where = std::source_location::current());

// The decimal number at the start of s after leading blanks ([+-]digits[.digits][E[+-]digits]);
// 0 when s starts with no number. A number beyond the single range gives an infinity.
float str_val(std::string_view s);

// The code of the first byte of s; "" raises error 5.
int str_asc(std::string_view s, std::source_location where = std::source_location::current());

// The program's data lines, read item by item from the first line on.
// Items are separated by commas; an item in double quotes is a string.
class DataReader {
public:
    // (line number, text) in program order.
    explicit DataReader(std::vector<std::pair<int, std::string>> lines);

    // The next item as a number: no more items raises error 4, a quoted item error 13,
    // a malformed number error 2, a number beyond the single range error 6. An empty
    // item reads as 0.
    void read(float& target, std::source_location where = std::source_location::current());
    // The next item as text: the contents of a quoted item, or an unquoted item's text
    // without its surrounding blanks. No more items raises error 4.
    void read(std::string& target, std::source_location where = std::source_location::current());
    // Back to the first item of the first line.
    void restore();

private:
    struct Item {
        std::string text;
        bool quoted = false;
        size_t line = 0;  // where reading goes on after this item
        size_t offset = 0;
    };
    Item next_item(const std::source_location& where) const;

    std::vector<std::pair<int, std::string>> lines_;
    size_t line_ = 0;    // current line
    size_t offset_ = 0;  // next byte of the current line; past the end when the line is used up
};

// One formatted-output statement. The template's fields are used in turn, one per
// item, starting again at the template's beginning when the items outrun them.
// Each call returns what its item writes: the literal text before the field (only for
// the template's first field; later fields had theirs written by the item before), the
// formatted field, and the literal text after it up to the next field or the end.
//
// Numeric fields (one output column per template character):
//   #      a digit position            .     the decimal point, followed by the decimals
//   ,      (before the point) a digit position; thousands are separated by commas
//   +      first: the sign is always written there; last: the sign is written after the number
//   -      last: a minus after a negative number, a blank after any other
//   **     first (or after +): two digit positions; leading blanks are filled with asterisks
//   \\     first (or after + or **): two digit positions, one of them taken by a currency
//          sign "\" written right before the first digit
//   ^^^^   last (before a trailing sign): exponent form E+nn; five carets give E+nnn
// Without a + or trailing sign a negative number's minus takes one digit position.
// A number that does not fit is written in full, without padding, after a "%".
// String fields: "!" the first character (a blank for ""), "&" n spaces "&" exactly n + 2
// columns (cut or padded with spaces), "@" the whole string. "_" makes the next character literal;
// a tab is expanded to the next multiple of 8 columns of the statement's output.
class UsingFormatter {
public:
    // A template without any field raises error 5.
    explicit UsingFormatter(std::string_view tmpl, std::source_location where = std::source_location::current());

    // Formats a number into the next field (error 13 when that is a string field). Singles
    // and integers carry 6 significant digits, doubles 15; a NaN or infinity raises error 6.
    std::string number(double value, bool is_double = false,
                       std::source_location where = std::source_location::current());
    // Formats a string into the next field (error 13 when that is a numeric field).
    std::string string(std::string_view sjis, std::source_location where = std::source_location::current());

    struct NumberField {
        bool lead_sign = false;  // leading +
        bool star_fill = false;  // **
        bool currency = false;   // \\ (or **\)
        bool commas = false;
        int int_width = 0;  // columns left of the point, the leading + excluded
        bool point = false;
        int decimals = 0;
        int exponent_digits = 0;  // 0, or 2 for ^^^^, 3 for ^^^^^
        char trail = 0;           // 0, '+' or '-'
    };
    struct Field {
        enum class Kind { Number, FirstChar, Width, Whole } kind = Kind::Number;
        size_t width = 0;  // Width: the columns the string takes
        NumberField number;
    };

private:
    struct Segment {
        std::string before;  // literal text before the field
        Field field;
    };
    const Field& field_for(bool numeric, const std::source_location& where) const;
    std::string finish(std::string formatted);
    void append_literal(std::string& out, std::string_view literal) const;

    std::vector<Segment> segments_;
    std::string tail_;  // literal text after the last field
    size_t next_ = 0;   // the segment of the next item
};

}  // namespace zell
