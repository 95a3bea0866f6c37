#pragma once
// Facts about the terminal the program writes to.
namespace Platform {

// Standard output is a terminal (not a pipe or a file).
bool StandardOutputIsTerminal();

}  // namespace Platform
