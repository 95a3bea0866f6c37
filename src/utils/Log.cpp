#include "utils/Log.h"

#include <cstdarg>
#include <cwchar>
#include <vector>

#include "platform/CLocale.h"
#include "platform/Clock.h"
#include "platform/DebugOutput.h"
#include "platform/Process.h"
#include "utils/Text.h"

namespace Utils {
namespace {

// Messages are written the Windows way, where "%s" in a wide format takes a
// wide string; glibc wants "%ls" for that, so plain %s and %c get an 'l'.
std::wstring WidenConversions(const wchar_t* format) {
    std::wstring out;
    for (const wchar_t* p = format; *p; ++p) {
        out.push_back(*p);
        if (*p != L'%') continue;
        ++p;
        if (*p == L'%') {
            out.push_back(*p);
            continue;
        }
        // flags, width, precision, length
        bool hasLength = false;
        while (*p && std::wcschr(L"-+ #0123456789.*hlLqjzt", *p)) {
            if (std::wcschr(L"hlLqjzt", *p)) hasLength = true;
            out.push_back(*p++);
        }
        if (!*p) break;
        if ((*p == L's' || *p == L'c') && !hasLength) out.push_back(L'l');
        out.push_back(*p);
    }
    return out;
}

std::wstring FormatV(const wchar_t* format, va_list args) {
    const std::wstring fmt = WidenConversions(format);
    // Numbers in log lines read the same in every locale.
    Platform::CNumericScope cNumbers;
    std::vector<wchar_t> buf(512);
    for (;;) {
        va_list copy;
        va_copy(copy, args);
        int n = std::vswprintf(buf.data(), buf.size(), fmt.c_str(), copy);
        va_end(copy);
        if (n >= 0 && static_cast<size_t>(n) < buf.size()) return std::wstring(buf.data(), n);
        if (buf.size() > (1u << 24)) return std::wstring();  // a runaway argument
        buf.resize(buf.size() * 2);
    }
}

}  // namespace

LogStamp LogStamp::Now() {
    const Platform::LocalTime t = Platform::NowLocal();
    return {static_cast<int>(Platform::CurrentProcessId()),
            static_cast<int>(Platform::CurrentThreadId()),
            t.year,
            t.month,
            t.day,
            t.hour,
            t.minute,
            t.second,
            t.millisecond};
}

std::wstring FunctionNameFromSignature(const char* pretty) {
    std::string s(pretty);
    if (size_t with = s.find(" [with "); with != std::string::npos) s.resize(with);
    // The name ends at the first '(' outside template brackets; it starts after
    // the last blank before it at the same depth (which skips the return type).
    int depth = 0;
    size_t open = std::string::npos, start = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        char c = s[i];
        if (c == '<')
            ++depth;
        else if (c == '>')
            --depth;
        else if (c == ' ' && depth == 0)
            start = i + 1;
        else if (c == '(' && depth == 0) {
            // "operator()" is a name, not the parameter list.
            if (i >= 8 && s.compare(i - 8, 8, "operator") == 0 && i + 1 < s.size() &&
                s[i + 1] == ')') {
                ++i;
                continue;
            }
            open = i;
            break;
        }
    }
    std::string name =
        s.substr(start, open == std::string::npos ? std::string::npos : open - start);
    // Lambdas appear after the enclosing function as "::<lambda(...)>".
    for (size_t pos = open;
         pos != std::string::npos && (pos = s.find("::<lambda", pos)) != std::string::npos; ++pos)
        name += "::<lambda>::operator ()";
    return MultiByteToWide(name, CP_UTF8);
}

std::wstring FormatDebugLog(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    std::wstring line = FormatV(format, args);
    va_end(args);
    return line;
}

void DebugLog(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    std::wstring line = FormatV(format, args);
    va_end(args);
    // Each line stays a line on standard error: the Windows CR LF (or a bare
    // LF, or none) becomes one LF.
    while (!line.empty() && (line.back() == L'\n' || line.back() == L'\r')) line.pop_back();
    std::string bytes = WideToMultiByte(line, CP_UTF8);
    bytes.push_back('\n');
    Platform::WriteDebugOutput(bytes);
}

}  // namespace Utils
