#pragma once
// Finding running processes by their executable's file name, from /proc.
#include <string>

namespace Platform {

// The id of the first running process (lowest id; ended processes that wait
// to be reaped do not count) whose executable file name
// is exactly `name` (case included); 0 when none. The kernel keeps only the
// first 15 bytes of a name, so a name of 15 bytes or more is confirmed against the file
// name of the process's executable or of the program in its command line
// (argv[0], or argv[1] when argv[0] is an interpreter running a script).
int FindProcessByName(const std::string& name);

// The rule above as a pure function of what /proc gives for one process.
bool ProcessNameMatches(const std::string& name, const std::string& comm,
                        const std::string& exePath, const std::string& cmdline);

}  // namespace Platform
