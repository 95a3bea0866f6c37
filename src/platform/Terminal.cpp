#include "platform/Terminal.h"

#include <unistd.h>

namespace Platform {

bool StandardOutputIsTerminal() { return ::isatty(STDOUT_FILENO) == 1; }

}  // namespace Platform
