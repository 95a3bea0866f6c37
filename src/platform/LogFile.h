#pragma once
// Opening the file the diagnostic log of one run goes to (see DebugOutput.h
// for writing it).
#include <cstdint>
#include <string>

namespace Platform {

// ${XDG_STATE_HOME:-~/.local/state}; a relative XDG_STATE_HOME is ignored,
// as the base directory rules ask.
std::string StateHome();

struct OpenedLog {
    int fd = -1;          // -1 when the file could not be opened (see error)
    uint64_t size = 0;    // bytes the file already holds
    bool shared = false;  // another process writes it right now
    std::string error;
};

// This run's log at `path`, in a folder only the user may enter (made 0700,
// and closed to others when it was open). A file that another process still
// writes (it holds a lock on it for as long as it runs) is shared and
// appended to, so a second start never pushes aside the log of the run in
// progress; otherwise a file with content is kept as `previousPath` (which
// replaces the one before) and a new empty file, mode 0600, begins.
OpenedLog OpenRunLogFile(const std::string& path, const std::string& previousPath);

// A file the user named: appended to, created with mode 0600 when missing.
OpenedLog OpenLogFileForAppend(const std::string& path);

}  // namespace Platform
