// Until the window is linked in, a run says so and fails instead of
// pretending to install.
#include "app/WindowFrontEnd.h"

#include <cstdio>

int RunWindowFrontEnd(const InstallerConfig&) {
    std::fputs("lumora-setup: this build has no installer window yet.\n", stderr);
    return 1;
}
