#include "app/RunLog.h"

#include <cstdio>
#include <cstring>

#include "app/CommandLineArgs.h"
#include "platform/DebugOutput.h"
#include "platform/LogFile.h"
#include "utils/Text.h"

namespace {

std::string g_RunLogPath;

}  // namespace

RunLogChoice ChooseRunLog(const std::vector<std::wstring>& arguments, const char* lumoraLog) {
    RunLogChoice choice;
    const CommandLineArgs cl(arguments);
    const std::wstring option = cl.GetString(L"-log");
    if (option == L"-") {
        choice.kind = RunLogChoice::Kind::StandardError;
    } else if (!option.empty()) {
        choice.kind = RunLogChoice::Kind::NamedFile;
        choice.path = Utils::ToAnsi(option);
    } else if (!cl.Has(L"-log") && lumoraLog && std::strcmp(lumoraLog, "stderr") == 0) {
        choice.kind = RunLogChoice::Kind::StandardError;
    }
    if (choice.kind == RunLogChoice::Kind::DefaultFile) choice.path = DefaultRunLogPath();
    return choice;
}

std::string DefaultRunLogPath() { return Platform::StateHome() + "/lumora/lumora-setup.log"; }

std::string PreviousRunLogPath(const std::string& path) {
    const size_t slash = path.rfind('/');
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash) || dot == 0 ||
        dot == slash + 1)
        return path + ".1";
    return path.substr(0, dot) + ".1" + path.substr(dot);
}

void StartRunLog(const RunLogChoice& choice) {
    if (choice.kind == RunLogChoice::Kind::StandardError) {
        g_RunLogPath.clear();
        Platform::SendDebugOutputToStandardError();
        return;
    }
    const Platform::OpenedLog log =
        choice.kind == RunLogChoice::Kind::DefaultFile
            ? Platform::OpenRunLogFile(choice.path, PreviousRunLogPath(choice.path))
            : Platform::OpenLogFileForAppend(choice.path);
    if (log.fd < 0) {
        std::fprintf(stderr,
                     "lumora-setup: the log cannot be written (%s); it goes to standard error.\n",
                     log.error.c_str());
        g_RunLogPath.clear();
        Platform::SendDebugOutputToStandardError();
        return;
    }
    g_RunLogPath = choice.path;
    Platform::SendDebugOutputToFile(log.fd, kRunLogCapBytes, log.size);
}

const std::string& RunLogPath() { return g_RunLogPath; }
