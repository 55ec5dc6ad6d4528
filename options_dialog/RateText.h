#pragma once

#include <QStringView>
#include <optional>

// How the options dialog reads the refresh rate a user typed. Every function is defined for
// any text, however long or strange.
namespace RateText {

inline constexpr int kMinRate = 10;    // milliseconds
inline constexpr int kMaxRate = 10000; // milliseconds

// The whole text, apart from leading and trailing spaces, is one decimal number: an
// optional sign, digits with an optional decimal point (at least one digit), and an
// optional exponent (e or E, optional sign, at least one digit). "1e3", " -.5 " and "7."
// are numbers; "", "1 0", "600ms", "1,000", "0x10", "inf" and "NaN" are not.
bool isNumber(QStringView text);

// The number read from the start of the text. Spaces, tabs and line feeds are skipped
// wherever they stand; reading stops at the first other character that cannot continue
// the number, and an exponent marker without digits is not read. No number reads as 0.
// Too large for a double gives an infinity, too small a zero ("1e400", "1e-400").
double numericValue(QStringView text);

// Nearest whole number, a half going to the even neighbour (600.5 → 600, 601.5 → 602).
// Infinities and NaN come back unchanged.
double roundHalfEven(double value);

// The interval a text sets when it passes the rate check (a number whose value lies from
// kMinRate to kMaxRate): its value rounded half to even. Nothing when it fails.
std::optional<int> acceptedRate(QStringView text);

} // namespace RateText
