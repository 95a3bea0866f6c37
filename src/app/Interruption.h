#pragma once
// What a front-end says when a stop signal (SIGINT, SIGTERM, SIGHUP) ended
// its run, and the status it exits with, as shells expect.
#include <string>

#include "install/InstallSession.h"

// 128 + the signal.
int InterruptedStatus(int signal);

// One sentence without the program's name: "interrupted by SIGTERM while
// downloading the package; the installation did not finish."
std::string InterruptionSentence(int signal, InstallStage stage, const std::wstring& installDir);
