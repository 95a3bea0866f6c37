#pragma once
// The real lumora-setup -silent=true against lumora-devserver with sample
// packages, for the suites that look at how a run ends and where it puts
// its files.
#include <gtest/gtest.h>
#include <signal.h>
#include <utime.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "ChildScripts.h"
#include "platform/ProfileIni.h"
#include "support/DevServerProcess.h"

namespace installtest {

class SilentRun : public testing::Test {
protected:
    void SetUp() override {
        m_Packages = HomePath("packages");
        testsupport::MakeDirs(m_Packages);
        m_Install = HomePath("programs/lumoratool");
    }

    // Builds a package; each later one is the newest on the server.
    std::string Package(const std::string& options) {
        const auto r = testsupport::RunCommand(std::string(LUMORA_SAMPLE_PACKAGE) + " --out '" +
                                               m_Packages + "' " + options);
        EXPECT_EQ(r.status, 0) << r.err;
        const std::string path = r.out.substr(0, r.out.find('\n'));
        const utimbuf times{0, static_cast<time_t>(1000000000 + 1000 * ++m_Built)};
        ::utime(path.c_str(), &times);
        return path;
    }

    static std::string Registry(const char* name) {
        return Platform::ReadProfileString(
            std::string(std::getenv("XDG_CONFIG_HOME")) + "/registry/HKEY_CURRENT_USER.ini",
            "Software\\TaMikSoft\\lumoraapp", name, "<missing>");
    }

    // Where the tracker keeps the events it could not send.
    static std::string StagingFile() {
        return std::string(std::getenv("XDG_DATA_HOME")) +
               "/RIRivez/lumoraapp.downloader/lumoraapp.downloader_QVSStaging.txt";
    }

    std::string m_Packages, m_Install;
    int m_Built = 0;
};

// The processes (not yet ended) whose environment holds `marker`: what a
// run started under that marker left behind.
inline std::vector<int> ProcessesMarked(const std::string& marker) {
    std::vector<int> found;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator("/proc", ec)) {
        const std::string name = e.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        std::ifstream environ(e.path() / "environ", std::ios::binary);
        const std::string env((std::istreambuf_iterator<char>(environ)),
                              std::istreambuf_iterator<char>());
        if (env.find(marker) == std::string::npos) continue;
        std::ifstream stat(e.path() / "stat");
        std::string line;
        std::getline(stat, line);
        const size_t paren = line.rfind(')');
        if (paren != std::string::npos && paren + 2 < line.size() && line[paren + 2] == 'Z')
            continue;
        found.push_back(std::stoi(name));
    }
    return found;
}

// Some process under the marker runs a command line holding `part`.
inline bool MarkedProcessRuns(const std::string& marker, const std::string& part) {
    for (int pid : ProcessesMarked(marker)) {
        std::ifstream cmdline("/proc/" + std::to_string(pid) + "/cmdline", std::ios::binary);
        std::string text((std::istreambuf_iterator<char>(cmdline)),
                         std::istreambuf_iterator<char>());
        for (char& c : text)
            if (c == '\0') c = ' ';
        if (text.find(part) != std::string::npos) return true;
    }
    return false;
}

// Kills, when it goes, whatever still runs under `marker`: a run that went
// wrong must not leave its children behind (they would hold what the test's
// runner gave them, a lock file for one).
class KillMarkedAtEnd {
public:
    explicit KillMarkedAtEnd(std::string marker) : m_Marker(std::move(marker)) {}
    ~KillMarkedAtEnd() {
        for (int pid : ProcessesMarked(m_Marker)) ::kill(pid, SIGKILL);
    }
    KillMarkedAtEnd(const KillMarkedAtEnd&) = delete;
    KillMarkedAtEnd& operator=(const KillMarkedAtEnd&) = delete;

private:
    std::string m_Marker;
};

}  // namespace installtest
