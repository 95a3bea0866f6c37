#include "utils/CommandLineSplit.h"

namespace Utils {
namespace {
bool IsSeparator(wchar_t c) { return c == L' ' || c == L'\t'; }
}  // namespace

std::vector<std::wstring> SplitCommandLine(const std::wstring& line) {
    std::vector<std::wstring> args;
    size_t i = 0;
    const size_t n = line.size();
    if (n == 0) return args;

    // The program name.
    std::wstring first;
    if (line[0] == L'"') {
        size_t close = line.find(L'"', 1);
        first = line.substr(1, close == std::wstring::npos ? std::wstring::npos : close - 1);
        i = close == std::wstring::npos ? n : close + 1;
    } else {
        while (i < n && !IsSeparator(line[i])) first.push_back(line[i++]);
    }
    args.push_back(first);

    while (true) {
        while (i < n && IsSeparator(line[i])) ++i;
        if (i >= n) break;
        std::wstring arg;
        bool quoted = false;
        size_t backslashes = 0;
        for (; i < n; ++i) {
            wchar_t c = line[i];
            if (c == L'\\') {
                ++backslashes;
                continue;
            }
            if (c == L'"') {
                arg.append(backslashes / 2, L'\\');
                if (backslashes % 2 == 1) {
                    arg.push_back(L'"');
                    backslashes = 0;
                    continue;
                }
                backslashes = 0;
                if (quoted && i + 1 < n && line[i + 1] == L'"') {
                    // "" inside quotes: a literal quote, and the quoted part ends.
                    arg.push_back(L'"');
                    ++i;
                    quoted = false;
                } else {
                    quoted = !quoted;
                }
                continue;
            }
            arg.append(backslashes, L'\\');
            backslashes = 0;
            if (IsSeparator(c) && !quoted) break;
            arg.push_back(c);
        }
        arg.append(backslashes, L'\\');
        args.push_back(arg);
    }
    return args;
}

std::wstring QuoteArgument(const std::wstring& text) {
    std::wstring out = L"\"";
    size_t backslashes = 0;
    for (wchar_t c : text) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        if (c == L'"') {
            out.append(backslashes * 2 + 1, L'\\');
        } else {
            out.append(backslashes, L'\\');
        }
        backslashes = 0;
        out.push_back(c);
    }
    out.append(backslashes * 2, L'\\');
    out.push_back(L'"');
    return out;
}

}  // namespace Utils
