#pragma once

#include <optional>
#include <string>
#include <string_view>

// Reading and writing numbers as the program's texts and files hold them: "." as decimal
// separator, no thousands separator, whatever the locale.

namespace zelto {

// Reads a decimal number the way a classic Val does: leading blanks, an optional sign, digits with
// an optional "." and an optional exponent. code = 0 on success, otherwise the 1-based position
// of the first character that cannot be used (an empty text gives position 1).
struct DecimalReading {
    double value = 0;
    int code = 0;
};
DecimalReading ReadDecimal(std::string_view text);

// Whole-text readers of a number as a person types it: leading blanks, an optional sign, digits (for a
// decimal with at most one "."). No exponent: "1e3" is not a height and "-1e300" not a second. nullopt
// when the text is empty, holds anything else or does not fit a double or a long long.
std::optional<double> ParseDecimal(std::string_view text);
std::optional<long long> ParseInteger(std::string_view text);

// The shortest fixed-notation text that reads back as `value` ("90", "12.6"); never an exponent.
std::string PlainText(double value);

// `value` without its fraction (toward zero) as a whole number, defined for every double: NaN gives 0
// and values beyond ±9e18 stop there. Every conversion of a computed or read double to an integer goes
// through here, so none is undefined behaviour.
long long SaturatedInteger(double value);

// Fixed notation with the given decimals; halves round away from zero.
std::string FixedText(double value, int decimals);

// The text without leading and trailing blanks (spaces, tabs and line ends).
std::string Trimmed(std::string_view text);

}  // namespace zelto
