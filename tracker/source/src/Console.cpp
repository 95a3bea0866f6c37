#include "Console.h"

#include "platform/DebugOutput.h"

namespace beacon_analytics {

void ConsoleLine(const std::string& line) { Platform::WriteDebugOutput(line + "\n"); }

void DebugOutputLine(const std::string& line) { Platform::WriteDebugOutput(line + "\n"); }

}  // namespace beacon_analytics
