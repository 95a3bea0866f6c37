#pragma once
// Captures what the process writes to standard error (where the diagnostic
// log goes) while the object lives, through the real file descriptor.
#include <string>
#include <vector>

namespace testsupport {

class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    // Everything written so far (UTF-8).
    std::string Text() const;
    // The captured lines, without their line ends.
    std::vector<std::string> Lines() const;
    // Number of lines that contain `needle`.
    int Count(const std::string& needle) const;

private:
    std::string m_Path;
    int m_SavedFd = -1;
};

}  // namespace testsupport
