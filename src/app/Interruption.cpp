#include "app/Interruption.h"

#include "platform/StopSignals.h"
#include "utils/Text.h"

int InterruptedStatus(int signal) { return 128 + signal; }

std::string InterruptionSentence(int signal, InstallStage stage, const std::wstring& installDir) {
    std::string what;
    switch (stage) {
        case InstallStage::Idle:
            what = " before the installation began; nothing was installed.";
            break;
        case InstallStage::Removing:
            what = " while removing the previous version; the installation did not finish.";
            break;
        case InstallStage::Downloading:
            what = " while downloading the package; the installation did not finish.";
            break;
        case InstallStage::Installing:
            what = " while the package was installing; the installation did not finish.";
            break;
        case InstallStage::Finished:
            what = " while the package was ending; Lumora is installed in " +
                   Utils::ToAnsi(installDir) + ".";
            break;
    }
    return "interrupted by " + Platform::StopSignalName(signal) + what;
}
