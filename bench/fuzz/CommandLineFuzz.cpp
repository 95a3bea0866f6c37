// Command lines: the installer's own arguments (as the process receives
// them, or as one Windows-style line to split), the option table that
// writes them into the settings, and the quoting that package and
// uninstaller command lines are built with.
//
// Input: byte 0 picks the form (0: one line, split by the Windows rules;
// 1: arguments separated by zero bytes); the rest is UTF-8 text.
//
// Properties: every argument, quoted and put on a line after a program,
// splits back to exactly itself, alone and with the others; the settings
// the options give can be used by an install session.
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "SettingsUse.h"
#include "app/CommandLineArgs.h"
#include "app/InstallerConfig.h"
#include "utils/CommandLineSplit.h"
#include "utils/Text.h"

namespace {

std::vector<std::wstring> ZeroSeparated(const std::string& bytes) {
    std::vector<std::wstring> args{L"/opt/lumoratool/lumora-setup"};
    size_t start = 0;
    for (;;) {
        const size_t zero = bytes.find('\0', start);
        args.push_back(Utils::FromUtf8(bytes.substr(start, zero - start)));
        if (zero == std::string::npos) break;
        start = zero + 1;
    }
    return args;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzsupport::PrivateHome();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzsupport::Input in(data, size);
    const bool oneLine = in.Byte() % 2 == 0;
    const std::string text = in.Rest();
    const std::vector<std::wstring> args =
        oneLine ? Utils::SplitCommandLine(Utils::FromUtf8(text)) : ZeroSeparated(text);

    std::wstring line = L"\"/opt/a b/pkg\"";
    std::vector<std::wstring> want{L"/opt/a b/pkg"};
    for (const std::wstring& a : args) {
        const std::wstring quoted = Utils::QuoteArgument(a);
        const std::vector<std::wstring> alone = Utils::SplitCommandLine(L"p " + quoted);
        FUZZ_CHECK(alone.size() == 2 && alone[1] == a,
                   "argument does not split back from " + Utils::ToUtf8(quoted));
        line += L" " + quoted;
        want.push_back(a);
    }
    FUZZ_CHECK(Utils::SplitCommandLine(line) == want, "quoted arguments split differently");

    CommandLineArgs parsed(args);
    for (const auto& [key, value] : parsed.Entries()) {
        parsed.GetInt(key);
        parsed.GetDouble(key, 0.5);
        parsed.GetBool(key);
    }
    InstallerConfig config(L"/nonexistent/TamikInstallerConfig.ini");
    ApplyCommandLine(args, config);
    fuzzsupport::UseSettings(config);
    return 0;
}
