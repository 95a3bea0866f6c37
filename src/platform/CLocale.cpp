#include "platform/CLocale.h"

#include <locale.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <vector>

namespace Platform {
namespace {

// The process's locale with C numbers, made once (newlocale is not cheap).
// Taken from the global locale at first use, so texts keep the user's
// character set.
locale_t CNumericLocale() {
    static const locale_t locale = [] {
        locale_t base = ::duplocale(LC_GLOBAL_LOCALE);
        locale_t l = base ? ::newlocale(LC_NUMERIC_MASK, "C", base) : nullptr;
        if (!l) {
            if (base) ::freelocale(base);
            l = ::newlocale(LC_ALL_MASK, "C", nullptr);
        }
        return l;
    }();
    return locale;
}

}  // namespace

double StringToDoubleC(const char* text, char** end) {
    return ::strtod_l(text, end, CNumericLocale());
}

CNumericScope::CNumericScope() : m_Previous(::uselocale(CNumericLocale())) {}

CNumericScope::~CNumericScope() { ::uselocale(static_cast<locale_t>(m_Previous)); }

std::string FormatC(const char* format, ...) {
    CNumericScope c;
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    const int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string out;
    if (n > 0) {
        out.resize(static_cast<size_t>(n) + 1);
        std::vsnprintf(out.data(), out.size(), format, args);
        out.resize(static_cast<size_t>(n));
    }
    va_end(args);
    return out;
}

std::wstring FormatWideC(const wchar_t* format, ...) {
    CNumericScope c;
    // vswprintf does not tell the size it needs: grow until it fits.
    std::vector<wchar_t> buf(256);
    for (;;) {
        va_list args;
        va_start(args, format);
        const int n = std::vswprintf(buf.data(), buf.size(), format, args);
        va_end(args);
        if (n >= 0) return std::wstring(buf.data(), static_cast<size_t>(n));
        if (buf.size() >= (1u << 20)) return std::wstring();
        buf.resize(buf.size() * 2);
    }
}

}  // namespace Platform
