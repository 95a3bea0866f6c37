// -silent=true: the installation without a window. Progress goes to standard
// output: on a terminal one redrawn line (ProgressLine.h), at most ten times
// a second, that stays as the last line; otherwise one line per stage and
// per 10 percent. Each failure ends with one sentence on standard error,
// followed by where the log is, and its own exit status.
#include "app/SilentFrontEnd.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <mutex>
#include <optional>

#include "app/InstallerConfig.h"
#include "app/Interruption.h"
#include "app/ProgressLine.h"
#include "app/RunLog.h"
#include "app/SessionSetup.h"
#include "install/InstallSession.h"
#include "platform/StopSignals.h"
#include "platform/Terminal.h"
#include "utils/StatusCallback.h"
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

// Without a width from the terminal.
constexpr int kDefaultColumns = 80;

// A stop signal in the queue of reports (no pipeline code is negative); its
// value is the signal.
constexpr int kStopSignalCode = -1;

// The reports of the pipeline's threads, handed to the main thread.
class MessageQueue {
public:
    void Push(const InstallerMessage& m) {
        std::lock_guard<std::mutex> lock(m_Lock);
        m_Queue.push_back(m);
        m_Ready.notify_one();
    }
    std::optional<InstallerMessage> PopUntil(ProgressClock::time_point deadline) {
        std::unique_lock<std::mutex> lock(m_Lock);
        if (!m_Ready.wait_until(lock, deadline, [this] { return !m_Queue.empty(); }))
            return std::nullopt;
        return Front(lock);
    }
    std::optional<InstallerMessage> TryPop() {
        std::unique_lock<std::mutex> lock(m_Lock);
        if (m_Queue.empty()) return std::nullopt;
        return Front(lock);
    }

private:
    InstallerMessage Front(std::unique_lock<std::mutex>&) {
        InstallerMessage m = m_Queue.front();
        m_Queue.pop_front();
        return m;
    }
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

// The bar's stage names are short, so that the bar fits beside them.
const char* ShortStageName(InstallStage s) {
    switch (s) {
        case InstallStage::Removing:
            return "removing";
        case InstallStage::Downloading:
            return "downloading";
        case InstallStage::Installing:
            return "installing";
        case InstallStage::Finished:
            return "installed";
        case InstallStage::Idle:
            break;
    }
    return "preparing";
}

// What the terminal line shows besides the session's stage and percent:
// bytes, speed and time left, from the raw pipeline reports. Bytes need the
// package's size from the downloader; without it the time left comes from
// how fast the fraction grows.
class RunMeter {
public:
    explicit RunMeter(double downloadScale) : m_Scale(downloadScale) {}

    // The package's size as the downloader learnt it; any thread.
    void SetTotalBytes(uint64_t bytes) { m_Total.store(bytes); }

    // Every report, before the session sees it.
    void Note(const InstallerMessage& m, ProgressClock::time_point now) {
        switch (m.code) {
            case DL_CODE_START:
                m_Downloading = true;
                m_DownloadStart = now;
                m_DownloadFraction = 0.0;
                m_Rate.Reset();
                break;
            case DL_CODE_PROGRESS:
                if (m.value >= 0.0 && m.value <= 1.0) {
                    m_DownloadFraction = m.value;
                    if (const uint64_t total = m_Total.load()) m_Rate.Add(now, Done(total));
                }
                break;
            case DL_CODE_SUCCESS:
            case DL_CODE_FAIL:
            case DL_CODE_RETRY:
                m_Downloading = false;
                break;
            case IST_CODE_START:
                m_InstallStart = now;
                m_InstallFraction = 0.0;
                break;
            case IST_CODE_PROGRESS:
                if (m.value >= 0.0 && m.value <= 1.0) m_InstallFraction = m.value;
                break;
            default:
                break;
        }
    }

    void Fill(ProgressFacts& facts, InstallStage stage, ProgressClock::time_point now) const {
        if (stage == InstallStage::Downloading && m_Downloading) {
            const double elapsed = std::chrono::duration<double>(now - m_DownloadStart).count();
            facts.secondsLeft = StageSecondsLeft(m_DownloadFraction, elapsed);
            if (const uint64_t total = m_Total.load()) {
                const uint64_t done = Done(total);
                facts.doneBytes = done;
                facts.totalBytes = total;
                facts.bytesPerSecond = m_Rate.BytesPerSecond();
                if (facts.bytesPerSecond && *facts.bytesPerSecond > 0.0)
                    facts.secondsLeft = static_cast<double>(total - done) / *facts.bytesPerSecond;
            }
            // The installation comes after this and is not counted yet.
            facts.moreAfterTimeLeft = facts.secondsLeft && m_Scale < 1.0;
        } else if (stage == InstallStage::Installing && m_InstallStart) {
            facts.secondsLeft = StageSecondsLeft(
                m_InstallFraction, std::chrono::duration<double>(now - *m_InstallStart).count());
        }
    }

private:
    uint64_t Done(uint64_t total) const {
        return static_cast<uint64_t>(m_DownloadFraction * static_cast<double>(total));
    }

    double m_Scale;
    std::atomic<uint64_t> m_Total{0};
    bool m_Downloading = false;
    ProgressClock::time_point m_DownloadStart{};
    double m_DownloadFraction = 0.0;
    RateMeter m_Rate;
    std::optional<ProgressClock::time_point> m_InstallStart;
    double m_InstallFraction = 0.0;
};

class SilentObserver : public IInstallObserver {
public:
    SilentObserver(bool terminal, RunMeter& meter) : m_Terminal(terminal), m_Meter(meter) {}

    void OnStage(InstallStage stage) override {
        m_Stage = stage;
        m_LastDecile = -1;
        if (m_Terminal) {
            m_Pending = true;
        } else {
            std::printf("%s\n", StageName(stage));
            std::fflush(stdout);
        }
    }

    void OnProgress(InstallStage stage, int percent, const std::wstring&) override {
        m_Stage = stage;
        m_Percent = percent;
        if (m_Terminal) {
            m_Pending = true;
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
    void OnDownloadFailed(double code, const std::wstring& mechanism,
                          const std::wstring& reason) override {
        m_DownloadError = static_cast<long long>(code);
        m_DownloadMechanism = Narrow(mechanism);
        m_DownloadReason = Narrow(reason);
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
    // "failed: <the downloader's words> (LibCurl error N)", or without the
    // words when the downloader had none.
    std::string DownloadFailure() const {
        return m_DownloadReason.empty()
                   ? "failed (" + DownloadError() + ")"
                   : "failed: " + m_DownloadReason + " (" + DownloadError() + ")";
    }

    // Terminal only: redraws what changed, at most ten times a second.
    void Tick(ProgressClock::time_point now) {
        if (!m_Terminal || !m_Pending) return;
        if (!m_Gate.Take(now)) return;
        Draw(now);
    }
    // When a held-back redraw is due; the main loop waits no longer.
    ProgressClock::time_point NextTick(ProgressClock::time_point now) const {
        return m_Terminal && m_Pending ? std::max(m_Gate.Next(), now) : now + std::chrono::hours(1);
    }

    // The last redraw shows the final state and stays as a line.
    void EndLine() {
        if (!m_Terminal) return;
        if (m_Pending) Draw(ProgressClock::now());
        if (m_Drawn) std::printf("\n");
        std::fflush(stdout);
        m_Drawn = false;
    }

private:
    void Draw(ProgressClock::time_point now) {
        ProgressFacts facts;
        facts.stage = ShortStageName(m_Stage);
        facts.percent = m_Percent;
        m_Meter.Fill(facts, m_Stage, now);
        int columns = Platform::StandardOutputColumns();
        if (columns <= 0) columns = kDefaultColumns;
        std::printf("\r\033[K%s", FormatProgressLine(facts, columns).c_str());
        std::fflush(stdout);
        m_Drawn = true;
        m_Pending = false;
    }

    bool m_Terminal;
    RunMeter& m_Meter;
    RedrawGate m_Gate;
    InstallStage m_Stage = InstallStage::Idle;
    int m_Percent = 0;
    int m_LastDecile = -1;
    bool m_Drawn = false;
    bool m_Pending = false;
    bool m_Ended = false;
    std::optional<InstallBlock> m_Blocked;
    std::wstring m_FailMessage;
    long long m_DownloadError = 0;
    std::string m_DownloadMechanism;
    std::string m_DownloadReason;
};

// The one sentence a person needs, then where the details are.
int Fail(int status, const std::string& sentence) {
    std::fprintf(stderr, "lumora-setup: %s\n", sentence.c_str());
    if (!RunLogPath().empty())
        std::fprintf(stderr, "lumora-setup: details are in %s\n", RunLogPath().c_str());
    return status;
}

int BlockedStatus(InstallBlock why, const std::wstring& dir, const std::wstring& detail = {}) {
    switch (why) {
        case InstallBlock::UninstallerRunning:
        case InstallBlock::ProductRunning:
            return Fail(kProductRunning,
                        "Lumora or its uninstaller is running; close it and try again.");
        case InstallBlock::InvalidDirectory:
            return Fail(kInvalidDirectory,
                        "the install directory " + Narrow(dir) + " " +
                            (detail.empty() ? "cannot be created" : Narrow(detail)) + ".");
        case InstallBlock::NotEnoughSpace:
            return Fail(kNotEnoughSpace, "less than 1 GiB is free for " + Narrow(dir) + ".");
        case InstallBlock::NetworkFailed:
            return Fail(kNetworkFailed,
                        "the network check failed; install when the network works.");
    }
    return kInstallFailed;
}

// A stop signal ended the run: the children are stopped, nothing more is
// recorded, and one sentence says what was interrupted. Shells expect
// 128 + the signal.
int Interrupted(CInstallSession& session, int signal) {
    const InstallStage stage = session.Cancel();
    return Fail(InterruptedStatus(signal),
                InterruptionSentence(signal, stage, session.InstallPath()));
}

}  // namespace

int RunSilentFrontEnd(const InstallerConfig& config) {
    MessageQueue queue;
    RunMeter meter(config.m_DownloadScale);
    SilentObserver observer(Platform::StandardOutputIsTerminal(), meter);
    CInstallSession session(
        observer, [&queue](const InstallerMessage& m) { queue.Push(m); },
        DownloaderMakerFrom(config, [&meter](uint64_t bytes) { meter.SetTotalBytes(bytes); }),
        SessionSettingsFrom(config));
    // A stop signal comes on the service's thread: nothing more may start,
    // and the main loop ends the run.
    Platform::SetStopHandler([&queue, &session](int signal) {
        session.RequestCancel();
        queue.Push({kStopSignalCode, static_cast<double>(signal), L""});
    });
    struct StopHandlerUnset {
        ~StopHandlerUnset() { Platform::SetStopHandler(nullptr); }
    } unsetFirst;  // before the queue and the session go
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
        return BlockedStatus(observer.Blocked().value_or(InstallBlock::InvalidDirectory), dir,
                             session.BlockDetail());
    if (session.NetworkCheckWanted() &&
        !session.OnNetworkChecked(CInstallSession::RunNetworkCheck()))
        return BlockedStatus(InstallBlock::NetworkFailed, dir);

    std::printf("installing Lumora into %s\n", Narrow(dir).c_str());
    std::fflush(stdout);
    session.DoInstall(true, 0);

    auto take = [&](const InstallerMessage& m) {
        meter.Note(m, ProgressClock::now());
        session.OnInstallerMessage(m);
    };
    while (!observer.Ended()) {
        const auto now = ProgressClock::now();
        if (auto m = queue.PopUntil(observer.NextTick(now))) {
            if (m->code == kStopSignalCode) {
                observer.EndLine();
                return Interrupted(session, static_cast<int>(m->value));
            }
            take(*m);
        }
        observer.Tick(ProgressClock::now());
    }
    // A package may still change its verdict in the same output (the last
    // final line wins): let the runners finish and take every report. A
    // package that does not end then is stopped by a signal like any other.
    while (session.RunnersRunning()) {
        const auto now = ProgressClock::now();
        if (auto m = queue.PopUntil(
                std::min(observer.NextTick(now), now + std::chrono::milliseconds(100)))) {
            if (m->code == kStopSignalCode) {
                observer.EndLine();
                return Interrupted(session, static_cast<int>(m->value));
            }
            take(*m);
        }
        observer.Tick(ProgressClock::now());
    }
    session.WaitForRunners();
    // Every child has ended: a stop signal now interrupts nothing.
    while (auto m = queue.TryPop())
        if (m->code != kStopSignalCode) take(*m);
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
                                             Utils::ToUtf8(config.m_DownloadUrl) + " " +
                                             observer.DownloadFailure() + ".");
        case InstallOutcome::UninstallFailed:
            return Fail(kUninstallFailed,
                        "the previous version could not be removed; close Lumora and try again.");
        case InstallOutcome::InstallFailed:
        case InstallOutcome::None:
            break;
    }
    return Fail(kInstallFailed, "the installation failed: " + Narrow(observer.FailMessage()) + ".");
}
