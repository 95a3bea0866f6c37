#pragma once
// Small shell programs that play a package or an uninstaller for the runner
// tests, and the report recorder the tests share.
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "support/TempHome.h"
#include "utils/StatusCallback.h"

namespace installtest {

struct Report {
    int code;
    double value;
    std::wstring text;
    bool operator==(const Report& o) const {
        return code == o.code && value == o.value && text == o.text;
    }
};

inline std::ostream& operator<<(std::ostream& os, const Report& r) {
    std::string t;
    for (wchar_t c : r.text) t += c < 128 ? static_cast<char>(c) : '?';
    return os << "(" << r.code << ", " << r.value << ", \"" << t << "\")";
}

class Recorder {
public:
    StatusCallback Callback() {
        return [this](int c, double v, const std::wstring& t) {
            std::lock_guard<std::mutex> lock(m_Lock);
            m_Reports.push_back({c, v, t});
            m_Changed.notify_all();
        };
    }
    // Waits until a report with one of the codes has come; the test's time
    // limit ends a wait that never comes true.
    void WaitForCode(std::initializer_list<int> codes) {
        std::unique_lock<std::mutex> lock(m_Lock);
        m_Changed.wait(lock, [&] {
            for (const auto& r : m_Reports)
                for (int c : codes)
                    if (r.code == c) return true;
            return false;
        });
    }
    std::vector<Report> Reports() {
        std::lock_guard<std::mutex> lock(m_Lock);
        return m_Reports;
    }
    std::vector<int> Codes() {
        std::vector<int> codes;
        for (const auto& r : Reports()) codes.push_back(r.code);
        return codes;
    }

private:
    std::mutex m_Lock;
    std::condition_variable m_Changed;
    std::vector<Report> m_Reports;
};

// A file in the test's home.
inline std::string HomePath(const std::string& name) {
    return testsupport::CurrentTestHome() + "/" + name;
}

// Writes a /bin/sh program; `executable` false leaves the execute bit off.
inline std::string WriteScript(const std::string& name, const std::string& body,
                               bool executable = true) {
    const std::string path = HomePath(name);
    testsupport::WriteFile(path, "#!/bin/sh\n" + body);
    ::chmod(path.c_str(), executable ? 0755 : 0644);
    return path;
}

// Waits until the file exists and has a line (the scripts write their pid
// there); the test's own time limit ends a wait that never comes true.
inline std::string WaitForLine(const std::string& path) {
    while (true) {
        std::string s = testsupport::ReadFile(path);
        if (!s.empty() && s.back() == '\n') return s;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}
inline int WaitForPidFile(const std::string& path) { return std::stoi(WaitForLine(path)); }

}  // namespace installtest
