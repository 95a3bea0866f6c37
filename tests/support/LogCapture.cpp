#include "support/LogCapture.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <sstream>

#include "support/TempHome.h"

namespace testsupport {

LogCapture::LogCapture() {
    const char* tmp = std::getenv("TMPDIR");
    std::string templ = std::string(tmp && *tmp ? tmp : "/tmp") + "/stderr-XXXXXX";
    int fd = mkstemp(templ.data());
    m_Path = templ;
    m_SavedFd = dup(STDERR_FILENO);
    dup2(fd, STDERR_FILENO);
    close(fd);
}

LogCapture::~LogCapture() {
    dup2(m_SavedFd, STDERR_FILENO);
    close(m_SavedFd);
    // Show what was captured, so a failing test still has its log.
    std::string text = Text();
    if (std::getenv("LUMORA_SHOW_LOG")) (void)!write(STDERR_FILENO, text.data(), text.size());
    unlink(m_Path.c_str());
}

std::string LogCapture::Text() const { return ReadFile(m_Path); }

std::vector<std::string> LogCapture::Lines() const {
    std::vector<std::string> lines;
    std::istringstream in(Text());
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

int LogCapture::Count(const std::string& needle) const {
    int n = 0;
    for (const auto& l : Lines())
        if (l.find(needle) != std::string::npos) ++n;
    return n;
}

}  // namespace testsupport
