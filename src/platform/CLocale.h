#pragma once
// Numbers in the C locale whatever the user's locale: the console protocol,
// the INI files and every text the installer formats write a decimal point,
// while the user's locale still decides the language and the code page of
// file names. Any thread.
#include <string>

namespace Platform {

// strtod in the C locale: leading blanks, sign, longest numeric prefix, with
// *end and errno (ERANGE) as strtod sets them.
double StringToDoubleC(const char* text, char** end);

// printf-style formatting with the C locale's numbers (a point in "%.2f").
std::string FormatC(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::wstring FormatWideC(const wchar_t* format, ...);

// While it lives, the calling thread formats and reads numbers in the C
// locale (the rest of the thread's locale unchanged).
class CNumericScope {
public:
    CNumericScope();
    ~CNumericScope();
    CNumericScope(const CNumericScope&) = delete;
    CNumericScope& operator=(const CNumericScope&) = delete;

private:
    void* m_Previous;
};

}  // namespace Platform
