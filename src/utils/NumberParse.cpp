#include "utils/NumberParse.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>

#include "platform/CLocale.h"
#include "utils/Text.h"

namespace Utils {

std::optional<double> ParseDecimal(const std::wstring& text) {
    const std::string s = Utils::ToUtf8(text);
    errno = 0;
    char* end = nullptr;
    // Settings are written with a decimal point whatever the user's locale.
    double v = Platform::StringToDoubleC(s.c_str(), &end);
    if (end == s.c_str() || errno == ERANGE || !std::isfinite(v)) return std::nullopt;
    return v;
}

std::optional<int> ParseInt32(const std::wstring& text) {
    const std::string s = Utils::ToUtf8(text);
    errno = 0;
    char* end = nullptr;
    long long v = std::strtoll(s.c_str(), &end, 10);
    if (end == s.c_str()) return 0;
    if (errno == ERANGE || v < INT_MIN || v > INT_MAX) return std::nullopt;
    return static_cast<int>(v);
}

}  // namespace Utils
