// Until the window and the silent front-end are linked in, a run says so and
// fails instead of pretending to install.
#include <cstdio>

#include "app/FrontEnd.h"

int RunWindowFrontEnd() {
    std::fputs("lumora-setup: this build has no installer window yet.\n", stderr);
    return 1;
}

int RunSilentFrontEnd() {
    std::fputs("lumora-setup: this build has no silent installation yet.\n", stderr);
    return 1;
}
