// Until the window is linked in, a run says so and fails instead of
// pretending to install. (The silent front-end lives in src/install.)
#include <cstdio>

#include "app/FrontEnd.h"

int RunWindowFrontEnd() {
    std::fputs("lumora-setup: this build has no installer window yet.\n", stderr);
    return 1;
}
