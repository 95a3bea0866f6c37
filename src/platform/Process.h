#pragma once
// Facts about the running process: ids, its executable. Linux: getpid/gettid
// and /proc/self/exe.
#include <cstdint>
#include <string>

namespace Platform {

uint32_t CurrentProcessId();
uint32_t CurrentThreadId();

// Full path of the running executable in the file system's byte form (UTF-8 on
// our systems); empty when it cannot be read.
std::string ExecutablePath();

}  // namespace Platform
