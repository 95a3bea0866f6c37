#pragma once
// The developer channel for diagnostic lines. Standard error unless the
// program sends them elsewhere: to a log file (capped, so a flood cannot fill
// the disk), or into memory until it knows where they go. Every line is one
// write(2), so lines of different threads never mix and a crash loses nothing
// that was already written.
#include <cstdint>
#include <string_view>

namespace Platform {

// Writes one line (the bytes end in LF) to the current destination; partial
// writes are continued, failures are ignored. Safe on any thread, and from a
// crash handler once a file or standard error is the destination.
void WriteDebugOutput(std::string_view bytes);

// From now on lines wait in memory (at most 1 MiB; the rest is dropped and
// counted) until one of the calls below chooses their destination. For a
// program that reads its log settings only once main runs.
void HoldDebugOutput();

// Lines go to standard error, the held ones first.
void SendDebugOutputToStandardError();

// Lines go to the open file `fd` (taken over, closed at the next change),
// the held ones first. Once the file would pass `capBytes` (counting
// `alreadyWritten` bytes it holds), one closing line says so and every later
// line is dropped. Change destinations only while no other thread logs.
void SendDebugOutputToFile(int fd, uint64_t capBytes, uint64_t alreadyWritten = 0);

// The closing line of a capped file.
std::string_view DebugOutputCapLine();

}  // namespace Platform
