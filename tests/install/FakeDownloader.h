#pragma once
// A downloader that plays each run from a script of reports, on threads of
// its own, writing the package before it reports success.
#include <mutex>
#include <thread>
#include <vector>

#include "ChildScripts.h"
#include "install/DownloadInstaller.h"
#include "utils/Text.h"

namespace installtest {

// One downloader run: its reports, and whether it writes the package first.
struct FakeRun {
    std::vector<Report> reports;
    bool writesPackage = false;
};

class FakeDownloader : public CDownloader {
public:
    FakeDownloader(const StatusCallback& cb, std::wstring url, std::wstring path,
                   std::vector<FakeRun> runs, std::string packageBody)
        : m_Callback(cb),
          m_Url(std::move(url)),
          m_Path(std::move(path)),
          m_Runs(std::move(runs)),
          m_Body(std::move(packageBody)) {}
    ~FakeDownloader() override {
        // Threads may add threads (a restart from within a report).
        while (true) {
            std::thread t;
            {
                std::lock_guard<std::mutex> lock(m_Lock);
                if (m_Threads.empty()) break;
                t = std::move(m_Threads.back());
                m_Threads.pop_back();
            }
            t.join();
        }
    }
    void Start() override {
        std::lock_guard<std::mutex> lock(m_Lock);
        if (m_Next >= m_Runs.size()) return;
        FakeRun run = m_Runs[m_Next++];
        m_Threads.emplace_back([this, run] {
            for (const Report& r : run.reports) {
                if (r.code == DL_CODE_SUCCESS && run.writesPackage)
                    testsupport::WriteFile(Utils::ToAnsi(m_Path), m_Body);
                if (r.code == DL_CODE_FAIL && run.writesPackage)
                    testsupport::WriteFile(Utils::ToAnsi(m_Path), "partial");
                m_Callback(r.code, r.value, r.text);
            }
        });
    }
    std::wstring FailureReason() const override { return L"the fake's scripted failure"; }
    const std::wstring& Url() const { return m_Url; }
    const std::wstring& Path() const { return m_Path; }

private:
    StatusCallback m_Callback;
    std::wstring m_Url, m_Path;
    std::vector<FakeRun> m_Runs;
    std::string m_Body;
    std::mutex m_Lock;
    size_t m_Next = 0;
    std::vector<std::thread> m_Threads;
};

struct Made {
    int type = -100;
    FakeDownloader* downloader = nullptr;
};

inline DownloaderMaker FakeMaker(Made& made, std::vector<FakeRun> runs, std::string body) {
    return [&made, runs, body](int type, const StatusCallback& cb, const std::wstring& url,
                               const std::wstring& path) {
        auto d = std::make_unique<FakeDownloader>(cb, url, path, runs, body);
        made.type = type;
        made.downloader = d.get();
        return d;
    };
}

}  // namespace installtest
