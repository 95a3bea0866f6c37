#pragma once
// The Windows command-line rules, which the package and uninstaller command
// lines are written in: blanks separate arguments, double quotes group,
// backslashes escape only before a quote, and inside quotes "" is a literal
// quote that also ends the quoted part.
#include <string>
#include <vector>

namespace Utils {

// Splits like CommandLineToArgvW. The first argument (the program) ends at the
// next quote when it starts with one, else at the first blank; backslashes are
// plain characters in it.
std::vector<std::wstring> SplitCommandLine(const std::wstring& commandLine);

// The text enclosed in double quotes so that SplitCommandLine gives exactly the
// text back: quotes are escaped, backslashes before a quote or the closing
// quote are doubled.
std::wstring QuoteArgument(const std::wstring& text);

}  // namespace Utils
