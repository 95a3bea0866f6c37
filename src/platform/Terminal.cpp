#include "platform/Terminal.h"

#include <sys/ioctl.h>
#include <unistd.h>

namespace Platform {

bool StandardOutputIsTerminal() { return ::isatty(STDOUT_FILENO) == 1; }

int StandardOutputColumns() {
    struct winsize ws {};
    if (::ioctl(STDOUT_FILENO, TIOCGWINSZ, &ws) != 0) return 0;
    return ws.ws_col;
}

}  // namespace Platform
