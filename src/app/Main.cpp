#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/CommandLineHelp.h"
#include "app/InstallerMain.h"
#include "app/RunLog.h"
#include "platform/DebugOutput.h"
#include "utils/Text.h"

namespace {

// Runs before every other static constructor of the program (the settings
// record reads its file and may log): lines wait in memory until main knows
// where the log goes.
[[gnu::constructor(101)]] void HoldLogUntilMainChooses() { Platform::HoldDebugOutput(); }

// A text that did not reach standard output (a full disk, a closed pipe) is
// a failure, not a success.
int Print(const std::string& text) {
    if (std::fputs(text.c_str(), stdout) < 0 || std::fflush(stdout) != 0) {
        std::fprintf(stderr, "lumora-setup: cannot write to standard output: %s\n",
                     std::strerror(errno));
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    // The user's locale chooses the language and the code page of file
    // names; numbers (the packages' protocol, the INI files, what we
    // format) keep the decimal point.
    std::setlocale(LC_NUMERIC, "C");
    std::vector<std::wstring> arguments;
    for (int i = 0; i < argc; ++i) arguments.push_back(Utils::FromAnsi(argv[i]));
    if (const auto answer = InformationRequestAnswer(arguments)) return Print(*answer);
    StartRunLog(ChooseRunLog(arguments, std::getenv("LUMORA_LOG")));
    return InstallerMain(arguments);
}
