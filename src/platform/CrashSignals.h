#pragma once
// Runs a process-wide filter when the process is about to die of a fatal
// signal (SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT) or std::terminate. The
// filter runs at most once; then the default action ends the process as it
// would have without the filter.
namespace Platform {

using CrashFilter = void (*)();

void InstallCrashFilter(CrashFilter filter);

}  // namespace Platform
