#include "platform/SystemRelease.h"

#include <sys/utsname.h>

#include <cstring>

namespace Platform {

std::string KernelRelease() {
    struct utsname u {};
    return uname(&u) == 0 ? u.release : "";
}

bool KernelIs64Bit() {
    struct utsname u {};
    if (uname(&u) != 0) return false;
    return std::strstr(u.machine, "64") != nullptr || std::strcmp(u.machine, "s390x") == 0;
}

}  // namespace Platform
