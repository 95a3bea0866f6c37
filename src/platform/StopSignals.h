#pragma once
// The signals that ask the program to stop: SIGINT (Ctrl-C), SIGTERM (kill,
// a service stop, a logout) and SIGHUP (the terminal was closed). Once the
// service is installed they no longer end the process at once while a
// front-end listens: the signal is noted and the front-end's handler runs,
// so that the run can stop in order (children ended, analytics kept, one
// sentence on what was interrupted) and exit with 128 + the signal. While no
// handler is set, a stop signal ends the process as it always did.
#include <functional>
#include <string>

namespace Platform {

// Installs the handlers (once; later calls do nothing). A SIGINT or SIGHUP
// that was ignored when the program started (nohup, a background job of a
// shell) stays ignored. False with the reason when the service cannot
// start; the signals then keep their default action.
bool InstallStopSignals(std::string* err = nullptr);

// The first stop signal that arrived, 0 when none has.
int StopSignalReceived();

// Who hears of the stop: `handler` is called once, on the service's own
// thread when the first stop signal arrives, or at once on the calling
// thread when one arrived before. Later signals are only noted: the first
// stop is under way. An empty handler unsets it; once this returns, the
// previous handler is not running and will not be called again.
void SetStopHandler(std::function<void(int signal)> handler);

// "SIGINT", "SIGTERM", "SIGHUP", else "signal N".
std::string StopSignalName(int signal);

}  // namespace Platform
