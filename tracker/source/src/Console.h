#pragma once
// The tracker's console stream: plain lines on standard error (the host's
// diagnostic log carries its own header; these lines do not).
#include <string>

namespace beacon_analytics {

// Writes `line` and a line end in one write.
void ConsoleLine(const std::string& line);
// The debugger channel of the tracker (the same stream on Linux).
void DebugOutputLine(const std::string& line);

}  // namespace beacon_analytics
