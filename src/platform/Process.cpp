#include "platform/Process.h"

#include <limits.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace Platform {

uint32_t CurrentProcessId() { return static_cast<uint32_t>(::getpid()); }

uint32_t CurrentThreadId() { return static_cast<uint32_t>(::syscall(SYS_gettid)); }

std::string ExecutablePath() {
    char buf[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return {};
    return std::string(buf, static_cast<size_t>(n));
}

}  // namespace Platform
