#pragma once
// The developer channel for diagnostic lines: standard error, one write per
// line so that lines of different threads never mix.
#include <string_view>

namespace Platform {

// Writes the bytes in a single write(2) to standard error; partial writes
// are continued, failures are ignored.
void WriteDebugOutput(std::string_view bytes);

}  // namespace Platform
