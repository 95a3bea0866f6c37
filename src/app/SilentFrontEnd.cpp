// -silent=true: the installation without a window. Progress goes to standard
// output (one redrawn line on a terminal, else one line per stage and per 10
// percent); each failure ends with one sentence on standard error and its
// own exit status.
#include "app/SilentFrontEnd.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <mutex>
#include <optional>

#include "app/InstallerConfig.h"
#include "app/SessionSetup.h"
#include "install/InstallSession.h"
#include "platform/Terminal.h"
#include "utils/Text.h"

namespace {

enum ExitStatus {
    kInstalled = 0,
    kDownloadFailed = 2,
    kInstallFailed = 3,
    kUninstallFailed = 4,
    kInvalidDirectory = 5,
    kNotEnoughSpace = 6,
    kNetworkFailed = 7,
    kProductRunning = 8,
};

// The reports of the pipeline's threads, handed to the main thread.
class MessageQueue {
public:
    void Push(const InstallerMessage& m) {
        std::lock_guard<std::mutex> lock(m_Lock);
        m_Queue.push_back(m);
        m_Ready.notify_one();
    }
    InstallerMessage Pop() {
        std::unique_lock<std::mutex> lock(m_Lock);
        m_Ready.wait(lock, [this] { return !m_Queue.empty(); });
        InstallerMessage m = m_Queue.front();
        m_Queue.pop_front();
        return m;
    }
    std::optional<InstallerMessage> TryPop() {
        std::lock_guard<std::mutex> lock(m_Lock);
        if (m_Queue.empty()) return std::nullopt;
        InstallerMessage m = m_Queue.front();
        m_Queue.pop_front();
        return m;
    }

private:
    std::mutex m_Lock;
    std::condition_variable m_Ready;
    std::deque<InstallerMessage> m_Queue;
};

std::string Narrow(const std::wstring& s) { return Utils::ToAnsi(s); }

const char* StageName(InstallStage s) {
    switch (s) {
        case InstallStage::Removing:
            return "removing the previous version";
        case InstallStage::Downloading:
            return "downloading";
        case InstallStage::Installing:
            return "installing";
        case InstallStage::Finished:
            return "finished";
        case InstallStage::Idle:
            break;
    }
    return "preparing";
}

class SilentObserver : public IInstallObserver {
public:
    explicit SilentObserver(bool terminal) : m_Terminal(terminal) {}

    void SetPackagePath(const std::wstring& path) { m_PackagePath = Narrow(path); }

    void OnStage(InstallStage stage) override {
        m_Stage = stage;
        m_LastDecile = -1;
        if (!m_Terminal) {
            std::printf("%s\n", StageName(stage));
            std::fflush(stdout);
        } else {
            Redraw(m_Percent);
        }
    }

    void OnProgress(InstallStage stage, int percent, const std::wstring&) override {
        m_Stage = stage;
        m_Percent = percent;
        if (m_Terminal) {
            Redraw(percent);
        } else if (percent / 10 != m_LastDecile) {
            m_LastDecile = percent / 10;
            std::printf("%s %d%%\n", StageName(stage), percent);
            std::fflush(stdout);
        }
    }

    void OnBlocked(InstallBlock why, const std::wstring&) override { m_Blocked = why; }
    void OnPackageMessage(const std::wstring& text) override {
        EndLine();
        std::printf("message from the package: %s\n", Narrow(text).c_str());
        std::fflush(stdout);
    }
    void OnDownloadFailed(double code, const std::wstring& mechanism) override {
        m_DownloadError = static_cast<long long>(code);
        m_DownloadMechanism = Narrow(mechanism);
        m_Ended = true;
    }
    void OnUninstallFailed(const std::wstring&) override { m_Ended = true; }
    void OnInstallFailed(const std::wstring& message, bool) override {
        m_FailMessage = message;
        m_Ended = true;
    }
    void OnInstalled() override { m_Ended = true; }

    bool Ended() const { return m_Ended; }
    std::optional<InstallBlock> Blocked() const { return m_Blocked; }
    const std::wstring& FailMessage() const { return m_FailMessage; }
    std::string DownloadError() const {
        return m_DownloadMechanism.empty()
                   ? "error " + std::to_string(m_DownloadError)
                   : m_DownloadMechanism + " error " + std::to_string(m_DownloadError);
    }
    void EndLine() {
        if (m_Terminal && m_Drawn) std::printf("\n");
        m_Drawn = false;
    }

private:
    void Redraw(int percent) {
        std::string speed;
        if (m_Stage == InstallStage::Downloading) speed = Speed();
        std::printf("\r\033[K%s %d%%%s", StageName(m_Stage), percent, speed.c_str());
        std::fflush(stdout);
        m_Drawn = true;
    }

    // The downloaders report fractions only; the speed is read from how fast
    // the package's files in the install directory grow.
    std::string Speed() {
        namespace fs = std::filesystem;
        std::error_code ec;
        const fs::path pkg(m_PackagePath);
        uint64_t bytes = 0;
        for (const auto& e : fs::directory_iterator(pkg.parent_path(), ec)) {
            const std::string name = e.path().filename().string();
            if (name.rfind(pkg.filename().string(), 0) == 0 && e.is_regular_file(ec))
                bytes += e.file_size(ec);
        }
        const auto now = std::chrono::steady_clock::now();
        if (m_SampleBytes == 0 && m_SampleTime == std::chrono::steady_clock::time_point()) {
            m_SampleTime = now;
            m_SampleBytes = bytes;
        }
        const double seconds = std::chrono::duration<double>(now - m_SampleTime).count();
        if (seconds >= 0.5) {
            m_Speed = bytes >= m_SampleBytes ? (bytes - m_SampleBytes) / seconds : 0.0;
            m_SampleTime = now;
            m_SampleBytes = bytes;
        }
        char buf[64];
        if (m_Speed <= 0.0) return {};
        if (m_Speed >= 1048576.0)
            std::snprintf(buf, sizeof buf, "  %.1f MB/s", m_Speed / 1048576.0);
        else
            std::snprintf(buf, sizeof buf, "  %.0f KB/s", m_Speed / 1024.0);
        return buf;
    }

    bool m_Terminal;
    std::string m_PackagePath;
    InstallStage m_Stage = InstallStage::Idle;
    int m_Percent = 0;
    int m_LastDecile = -1;
    bool m_Drawn = false;
    bool m_Ended = false;
    std::optional<InstallBlock> m_Blocked;
    std::wstring m_FailMessage;
    long long m_DownloadError = 0;
    std::string m_DownloadMechanism;
    std::chrono::steady_clock::time_point m_SampleTime{};
    uint64_t m_SampleBytes = 0;
    double m_Speed = 0.0;
};

int Fail(int status, const std::string& sentence) {
    std::fprintf(stderr, "lumora-setup: %s\n", sentence.c_str());
    return status;
}

int BlockedStatus(InstallBlock why, const std::wstring& dir) {
    switch (why) {
        case InstallBlock::UninstallerRunning:
        case InstallBlock::ProductRunning:
            return Fail(kProductRunning,
                        "Lumora or its uninstaller is running; close it and try again.");
        case InstallBlock::InvalidDirectory:
            return Fail(kInvalidDirectory,
                        "the install directory " + Narrow(dir) + " cannot be created.");
        case InstallBlock::NotEnoughSpace:
            return Fail(kNotEnoughSpace, "less than 1 GiB is free for " + Narrow(dir) + ".");
        case InstallBlock::NetworkFailed:
            return Fail(kNetworkFailed,
                        "the network check failed; install when the network works.");
    }
    return kInstallFailed;
}

}  // namespace

int RunSilentFrontEnd(const InstallerConfig& config) {
    MessageQueue queue;
    SilentObserver observer(Platform::StandardOutputIsTerminal());
    CInstallSession session(
        observer, [&queue](const InstallerMessage& m) { queue.Push(m); },
        DownloaderMakerFrom(config), SessionSettingsFrom(config));
    session.SetAutoStartAllowed(!config.m_NoRun);
    session.ReadRecords();

    const std::wstring defaultDir = session.GetDefaultInstallDir();
    std::wstring dir;
    if (!config.m_SilentInstallDir.empty()) {
        std::error_code ec;
        std::filesystem::path text =
            std::filesystem::absolute(Narrow(config.m_SilentInstallDir), ec);
        dir = session.GetCustomInstallDir(ec ? config.m_SilentInstallDir
                                             : Utils::FromAnsi(text.lexically_normal().string()));
    } else if (session.PreviousInstallExists()) {
        // As if the user chose to update the installed copy.
        dir = session.PrevInstallPath();
    } else {
        dir = defaultDir;
    }

    if (session.PreviousInstallExists() && session.ProductBlocksInstall())
        return BlockedStatus(InstallBlock::ProductRunning, dir);
    if (!session.StartInstall(dir, true, true))
        return BlockedStatus(observer.Blocked().value_or(InstallBlock::InvalidDirectory), dir);
    if (session.NetworkCheckWanted() &&
        !session.OnNetworkChecked(CInstallSession::RunNetworkCheck()))
        return BlockedStatus(InstallBlock::NetworkFailed, dir);

    std::printf("installing Lumora into %s\n", Narrow(dir).c_str());
    std::fflush(stdout);
    session.DoInstall(true, 0);
    observer.SetPackagePath(session.PackagePath());

    while (!observer.Ended()) session.OnInstallerMessage(queue.Pop());
    // A package may still change its verdict in the same output (the last
    // final line wins): let the runners finish and take every report.
    session.WaitForRunners();
    while (auto m = queue.TryPop()) session.OnInstallerMessage(*m);
    observer.EndLine();

    switch (session.Outcome()) {
        case InstallOutcome::Installed:
            std::printf("installed into %s\n", Narrow(session.InstallPath()).c_str());
            if (!session.StartExePath().empty())
                std::printf("product: %s\n", Narrow(session.StartExePath()).c_str());
            std::fflush(stdout);
            return kInstalled;
        case InstallOutcome::DownloadFailed:
            return Fail(kDownloadFailed, "the download of the package from " +
                                             Utils::ToUtf8(config.m_DownloadUrl) + " failed (" +
                                             observer.DownloadError() + ").");
        case InstallOutcome::UninstallFailed:
            return Fail(kUninstallFailed,
                        "the previous version could not be removed; close Lumora and try again.");
        case InstallOutcome::InstallFailed:
        case InstallOutcome::None:
            break;
    }
    return Fail(kInstallFailed, "the installation failed: " + Narrow(observer.FailMessage()) + ".");
}
