// Conversions between text and numbers with the program's rules: rounding a
// half to the even neighbour, type-mismatch and overflow failures, Booleans
// written as "True" / "False".
#pragma once

#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace lumaris {

// The integer nearest to v, a half going to the even neighbour
// (0.5 -> 0, 1.5 -> 2, -80.5 -> -80).
inline std::int64_t nearest(double v) { return static_cast<std::int64_t>(std::nearbyint(v)); }

// nearest(v) as a 16-bit integer; a result outside -32768..32767 is an
// overflow failure.
std::int16_t toInt16(double v);

// Text with the surrounding blanks (spaces) removed.
std::string trimBlanks(std::string_view text);
// ASCII letters in upper case; other bytes unchanged.
std::string upperCase(std::string_view text);
bool equalsIgnoreCase(std::string_view a, std::string_view b);

// A decimal number in text: optional blanks, sign, digits with an optional
// fraction, optional exponent, optional blanks. Nothing else is a number.
std::optional<double> parseNumber(std::string_view text);

// Text to a signed 16-bit integer: a number, rounded half to even.
// Not a number: type mismatch; outside -32768..32767: overflow.
std::int16_t textToInt16(std::string_view text);
// Text to a signed 32-bit integer, with the same rules.
std::int32_t textToInt32(std::string_view text);
// "True" / "False" in any letter case, or a number (0 is False, any other
// number True). Anything else, the empty text included: type mismatch.
bool textToBool(std::string_view text);

// The leading decimal number of a text (0 when it has none): blanks are
// skipped, then an optional sign, digits and fraction are read as far as
// they go. "001" gives 1, "Not Found" gives 0, "12abc" gives 12.
double leadingNumber(std::string_view text);

std::string boolText(bool value);
// v written in decimal with at least three digits, zero-padded on the left
// ("000" format): 1 -> "001", 1234 -> "1234".
std::string formatAtLeast3(double v);

}  // namespace lumaris
