#pragma once
#include <string>

namespace Platform {

// Names the calling thread for debuggers and `ps`; the kernel keeps at most 15
// bytes, so longer names are cut (never inside a UTF-8 character).
void SetCurrentThreadName(const std::string& name);
// The calling thread's name as the kernel holds it.
std::string CurrentThreadName();

}  // namespace Platform
