#pragma once
// Settings read from outside (the configuration file, the command line) put
// to the use the install session makes of them, so that a value that passes
// the readers but breaks the session is found by the readers' targets too.
#include "app/InstallerConfig.h"

namespace fuzzsupport {

// A session with `config`'s settings shows download and install progress.
void UseSettings(const InstallerConfig& config);

}  // namespace fuzzsupport
