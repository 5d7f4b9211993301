#include "runtime/convert.h"

#include <cctype>
#include <charconv>
#include <cstdio>
#include <limits>

#include "runtime/failure.h"

namespace lumaris {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

template <class Int>
Int toInteger(double v) {
    const double r = std::nearbyint(v);
    if (!(r >= static_cast<double>(std::numeric_limits<Int>::min()) &&
          r <= static_cast<double>(std::numeric_limits<Int>::max()))) {
        throw failures::overflow();
    }
    return static_cast<Int>(r);
}

}  // namespace

std::int16_t toInt16(double v) { return toInteger<std::int16_t>(v); }

std::string trimBlanks(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(' ');
    return std::string(text.substr(first, last - first + 1));
}

std::string upperCase(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return out;
}

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && upperCase(a) == upperCase(b);
}

std::optional<double> parseNumber(std::string_view text) {
    const std::string t = trimBlanks(text);
    std::size_t i = 0;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    std::size_t digits = 0;
    while (i < t.size() && isDigit(t[i])) ++i, ++digits;
    if (i < t.size() && t[i] == '.') {
        ++i;
        while (i < t.size() && isDigit(t[i])) ++i, ++digits;
    }
    if (digits == 0) return std::nullopt;
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        ++i;
        if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
        std::size_t expDigits = 0;
        while (i < t.size() && isDigit(t[i])) ++i, ++expDigits;
        if (expDigits == 0) return std::nullopt;
    }
    if (i != t.size()) return std::nullopt;

    // from_chars does not take a leading '+'.
    const char* begin = t.data();
    if (*begin == '+') ++begin;
    double value = 0;
    const auto [end, ec] = std::from_chars(begin, t.data() + t.size(), value);
    if (ec == std::errc::result_out_of_range) {
        // Too large for a double: certainly too large for any integer we read.
        return (*begin == '-') ? -std::numeric_limits<double>::infinity()
                               : std::numeric_limits<double>::infinity();
    }
    if (ec != std::errc() || end != t.data() + t.size()) return std::nullopt;
    return value;
}

std::int16_t textToInt16(std::string_view text) {
    const auto number = parseNumber(text);
    if (!number) throw failures::typeMismatch();
    return toInteger<std::int16_t>(*number);
}

std::int32_t textToInt32(std::string_view text) {
    const auto number = parseNumber(text);
    if (!number) throw failures::typeMismatch();
    return toInteger<std::int32_t>(*number);
}

bool textToBool(std::string_view text) {
    const std::string t = trimBlanks(text);
    if (equalsIgnoreCase(t, "True")) return true;
    if (equalsIgnoreCase(t, "False")) return false;
    const auto number = parseNumber(t);
    if (!number) throw failures::typeMismatch();
    return *number != 0.0;
}

double leadingNumber(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    const std::size_t start = i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    const std::size_t digitsStart = i;
    while (i < text.size() && isDigit(text[i])) ++i;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && isDigit(text[i])) ++i;
    }
    const std::string_view candidate = text.substr(start, i - start);
    if (i == digitsStart) return 0.0;
    return parseNumber(candidate).value_or(0.0);
}

std::string boolText(bool value) { return value ? "True" : "False"; }

std::string formatAtLeast3(double v) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%03.0f", v);
    return buffer;
}

}  // namespace lumaris
