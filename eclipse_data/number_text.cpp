#include "eclipse_data/number_text.h"

#include <charconv>
#include <cmath>

namespace zelto {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

DecimalReading ReadDecimal(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    const size_t start = i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    size_t digits = 0;
    while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
    }
    if (digits == 0) return {0, static_cast<int>(i + 1)};
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
        size_t exponentDigits = 0;
        while (j < text.size() && IsDigit(text[j])) ++j, ++exponentDigits;
        if (exponentDigits == 0) return {0, static_cast<int>(j + 1)};
        i = j;
    }
    if (i < text.size()) return {0, static_cast<int>(i + 1)};

    std::string number(text.substr(start, i - start));
    if (!number.empty() && number[0] == '+') number.erase(0, 1);
    double value = 0;
    const auto result = std::from_chars(number.data(), number.data() + number.size(), value);
    if (result.ec != std::errc() || !std::isfinite(value)) return {0, static_cast<int>(i + 1)};
    return {value, 0};
}

std::optional<double> ParseDecimal(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    size_t digits = 0;
    size_t points = 0;
    for (size_t j = i; j < text.size(); ++j) {
        if (IsDigit(text[j])) {
            ++digits;
        } else if (text[j] == '.' && points == 0) {
            ++points;
        } else {
            return std::nullopt;
        }
    }
    if (digits == 0) return std::nullopt;
    // Only digits, one point and a sign are left, which ReadDecimal reads without an exponent.
    const DecimalReading reading = ReadDecimal(text);
    if (reading.code != 0) return std::nullopt;
    return reading.value;
}

std::optional<long long> ParseInteger(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    if (i < text.size() && text[i] == '+') ++i;
    const char* first = text.data() + i;
    const char* last = text.data() + text.size();
    if (first == last) return std::nullopt;
    long long value = 0;
    const auto result = std::from_chars(first, last, value);
    if (result.ec != std::errc() || result.ptr != last) return std::nullopt;
    return value;
}

std::string PlainText(double value) {
    if (value == 0) value = 0;  // no "-0"
    char buffer[400];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    return std::string(buffer, result.ptr);
}

long long SaturatedInteger(double value) {
    constexpr double kLimit = 9e18;  // below 2^63, exactly representable
    if (std::isnan(value)) return 0;
    if (value >= kLimit) return static_cast<long long>(kLimit);
    if (value <= -kLimit) return -static_cast<long long>(kLimit);
    return static_cast<long long>(value);
}

std::string FixedText(double value, int decimals) {
    const double scale = std::pow(10.0, decimals);
    double rounded = std::round(value * scale) / scale;
    if (rounded == 0) rounded = 0;  // no "-0.0"
    // std::to_chars never follows the C locale, which a GUI application may have changed.
    char buffer[400];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, rounded, std::chars_format::fixed, decimals);
    return std::string(buffer, result.ptr);
}

std::string Trimmed(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    size_t first = 0;
    size_t last = text.size();
    while (first < last && blank(text[first])) ++first;
    while (last > first && blank(text[last - 1])) --last;
    return std::string(text.substr(first, last - first));
}

}  // namespace zelto
