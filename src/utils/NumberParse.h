#pragma once
// The standard string-to-number rules (leading blanks, sign, longest numeric
// prefix, trailing text ignored) with out-of-range results made visible.
#include <optional>
#include <string>

namespace Utils {

// strtod rules. nullopt when the text does not start with a number, or the
// number is beyond the range of a double, or is NaN or infinite.
std::optional<double> ParseDecimal(const std::wstring& text);
// strtol rules in base 10. 0 when the text does not start with a number;
// nullopt when the number is outside the 32-bit range.
std::optional<int> ParseInt32(const std::wstring& text);

}  // namespace Utils
