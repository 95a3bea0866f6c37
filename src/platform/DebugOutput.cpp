#include "platform/DebugOutput.h"

#include <errno.h>
#include <unistd.h>

namespace Platform {

void WriteDebugOutput(std::string_view bytes) {
    const char* p = bytes.data();
    size_t left = bytes.size();
    while (left > 0) {
        ssize_t n = ::write(STDERR_FILENO, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            return;
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
}

}  // namespace Platform
