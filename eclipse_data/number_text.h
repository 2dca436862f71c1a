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

// Whole-text readers: nullopt when the text is empty or holds anything else.
std::optional<double> ParseDecimal(std::string_view text);
std::optional<long long> ParseInteger(std::string_view text);

// Fixed notation with the given decimals; halves round away from zero.
std::string FixedText(double value, int decimals);

// The text without leading and trailing blanks (spaces, tabs and line ends).
std::string Trimmed(std::string_view text);

}  // namespace zelto
