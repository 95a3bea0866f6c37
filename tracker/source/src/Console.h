#pragma once
// The tracker's console stream: plain lines in the host's diagnostic log
// (platform/DebugOutput: standard error, or the log file the program chose;
// the host's own lines carry a header, these do not).
#include <string>

namespace beacon_analytics {

// Writes `line` and a line end in one write.
void ConsoleLine(const std::string& line);
// The debugger channel of the tracker (the same stream on Linux).
void DebugOutputLine(const std::string& line);

}  // namespace beacon_analytics
