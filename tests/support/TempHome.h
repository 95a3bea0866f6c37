#pragma once
// A private home for one test: HOME, the XDG folders and TMPDIR point into a
// fresh temporary folder for as long as the object lives, so no test reads or
// writes the real user's files.
#include <string>

namespace testsupport {

class TempHome {
public:
    TempHome();
    ~TempHome();
    TempHome(const TempHome&) = delete;
    TempHome& operator=(const TempHome&) = delete;

    const std::string& Root() const { return m_Root; }

private:
    std::string m_Root;
};

// The home of the running test (set up by the test main for every test).
const std::string& CurrentTestHome();

// Small file helpers for tests.
void WriteFile(const std::string& path, const std::string& bytes);
std::string ReadFile(const std::string& path);
bool FileExists(const std::string& path);
void MakeDirs(const std::string& path);

}  // namespace testsupport
