#pragma once
// Facts about the terminal the program writes to.
namespace Platform {

// Standard output is a terminal (not a pipe or a file).
bool StandardOutputIsTerminal();

// The width of standard output's terminal in columns, read anew at each call
// (the window may be resized); 0 when unknown.
int StandardOutputColumns();

}  // namespace Platform
