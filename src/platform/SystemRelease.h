#pragma once
#include <string>

namespace Platform {

// The kernel release (uname -r), e.g. "6.1.0-18-amd64".
std::string KernelRelease();
// True when the kernel's machine is a 64-bit one (x86_64, aarch64, ...).
bool KernelIs64Bit();

}  // namespace Platform
