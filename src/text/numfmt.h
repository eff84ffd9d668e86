// Number reading and formatting the way the converters need them.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace trelvo::text {

// The leading number of a text, as a decimal: blanks are skipped, then an optional sign,
// digits with at most one decimal point and an optional exponent; reading stops at the first
// other character. No number gives 0 ("14070 kHz" gives 14070, "abc" gives 0).
double LeadingNumber(std::string_view s);

// The whole text as a whole number, rounded half to even ("2.5" gives 2, "3.5" gives 4).
// Blanks around the number are allowed; anything else, or no number at all, gives nullopt.
std::optional<long long> WholeNumber(std::string_view s);

// Round to the nearest whole number; a value exactly between two goes to the even one.
long long RoundHalfEven(double v);

// Format with a digit pattern of '#', '0' and at most one '.':
//   zeros before the point set the minimum count of integer digits ("#" allows none, so
//   0.136 gives ".136"), zeros after it are decimals always written, '#' after it are
//   decimals written only when not zero. Rounding is half away from zero on the decimal
//   value. "####.##0" gives 14.070 for 14.07; "#.#" gives "7." for 7 and "14.1" for 14.07.
std::string FormatNumber(double v, std::string_view pattern);

}  // namespace trelvo::text
