// Takes the installer's single-instance lock, says "held" on standard output,
// and keeps it until its standard input closes.
#include <unistd.h>

#include <cstdio>

#include "app/SingleInstanceMutex.h"

int main() {
    SingleInstanceMutex lock(L"Installer_lumoraapp");
    lock.Acquire();
    if (!lock.Held()) return 2;
    std::puts("held");
    std::fflush(stdout);
    char c;
    while (read(STDIN_FILENO, &c, 1) > 0) {
    }
    return 0;
}
