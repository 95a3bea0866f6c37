#include "MainWndFixture.h"

#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "InstallerBeacon.h"
#include "download/CurlDownloader.h"
#include "platform/Clock.h"
#include "platform/RegistryStore.h"
#include "support/TempHome.h"
#include "ui/MessageBoxWnd.h"
#include "utils/Text.h"

using namespace Toolkit;

// Recording stand-ins for the installer's reporting layer (linked instead of
// the tracker's).
namespace mwtest {
std::vector<Event>& Events() {
    static std::vector<Event> events;
    return events;
}
}  // namespace mwtest

namespace {
std::wstring AbOf(const TrackExtras& extras) {
    auto it = extras.find(L"AB");
    return it == extras.end() ? std::wstring() : it->second;
}
}  // namespace

void BeaconStart(const BeaconIdentity&) {}
void BeaconSetEnabled(bool) {}
bool BeaconEnabled() { return true; }
void BeaconStop() {}
void BeaconTrackTask(const std::wstring& name, float elapsed, const std::wstring& reason,
                     const TrackExtras& extras) {
    mwtest::Events().push_back({L"task", name, reason, elapsed, AbOf(extras)});
}
void BeaconTrackCrash() { mwtest::Events().push_back({L"crash", L"", L"", 0.0f, L""}); }
void BeaconTrackClick(const std::wstring& name, const TrackExtras& extras) {
    mwtest::Events().push_back({L"click", name, L"", 0.0f, AbOf(extras)});
}
void BeaconTrackView(const std::wstring& name, const TrackExtras& extras) {
    mwtest::Events().push_back({L"view", name, L"", 0.0f, AbOf(extras)});
}
void ApplyAbGroup(const TrackExtras&, const std::vector<int>&,
                  tamik::beacon::QvContextProperties&) {}

namespace mwtest {

namespace {

std::atomic<uint32_t> g_Tick{1000};
uint32_t FakeTick() { return g_Tick.load(); }

std::string Run(const std::string& command) {
    const std::string out = HomePath("command.out");
    const int rc = std::system((command + " >'" + out + "'").c_str());
    EXPECT_EQ(rc, 0) << command;
    return testsupport::ReadFile(out);
}

std::wstring TextOf(CPaintManagerUI& m, const wchar_t* name) {
    CControlUI* c = m.FindControl(name);
    return c ? c->GetText() : std::wstring();
}

}  // namespace

std::string HomePath(const std::string& name) {
    return testsupport::CurrentTestHome() + "/" + name;
}

std::vector<std::wstring> EventNames(const std::wstring& kind) {
    std::vector<std::wstring> names;
    for (const Event& e : Events())
        if (e.kind == kind) names.push_back(e.name);
    return names;
}

LResult TestMainWnd::HandleMessage(uint32_t msg, WParam wParam, LParam lParam) {
    if (msg == WM_CLOSE) ++closeRequests;
    if (msg != kInstallerReportMessage || lParam == 0)
        return CMainWnd::HandleMessage(msg, wParam, lParam);
    // The record is alive until the window has taken it.
    const InstallerMessage report = *reinterpret_cast<const InstallerMessage*>(lParam);
    const LResult r = CMainWnd::HandleMessage(msg, wParam, lParam);
    Shown s{report.code, report.value, {}, 0, CurrentPage(), false, false};
    if (CControlUI* c = GetManager().FindControl(L"titleGrpCtn")) s.titleButtons = c->IsVisible();
    if (CControlUI* c = GetManager().FindControl(L"installLogo")) s.installLogo = c->IsVisible();
    if (CControlUI* label = GetManager().FindControl(L"progressLb")) s.label = label->GetText();
    if (CControlUI* bar = GetManager().FindControl(L"installPrg"))
        s.bar = static_cast<CProgressUI*>(bar->GetInterface(L"Progress"))->GetValue();
    shown.push_back(s);
    return r;
}

std::string PackageServer::Publish(const std::string& options) {
    const std::string out = HomePath("packages/" + std::to_string(++m_Built));
    testsupport::MakeDirs(out);
    const std::string printed =
        Run(std::string(LUMORA_SAMPLE_PACKAGE) + " --out '" + out + "' " + options);
    const std::string path = printed.substr(0, printed.find('\n'));
    m_Bytes = testsupport::ReadFile(path);
    const std::string name = path.substr(path.rfind('/') + 1);
    const std::string digestDir = path.substr(0, path.rfind('/'));
    Serve(digestDir.substr(digestDir.rfind('/') + 1), name, m_Bytes);
    return path;
}

std::string PackageServer::PublishScript(const std::string& body) {
    // The shell stops at "exit"; the padding only makes the size.
    std::string bytes = "#!/bin/sh\n" + body + "\nexit 0\n";
    bytes += std::string(1100 * 1024, '#') + "\n";
    testsupport::MakeDirs(HomePath("packages"));
    const std::string path = HomePath("packages/script" + std::to_string(++m_Built));
    testsupport::WriteFile(path, bytes);
    m_Bytes = bytes;
    Serve(testsupport::Md5Hex(bytes), "lumora-setup-package.exe", bytes);
    return path;
}

void PackageServer::Serve(const std::string& md5, const std::string& name,
                          const std::string& bytes) {
    testsupport::ServedFile file;
    file.body = bytes;
    file.rateLimit = m_Rate;
    file.stallAfter = m_StallAfter;
    m_Http.Serve("/" + md5 + "/" + name, file);
    testsupport::ServedFile redirect;
    redirect.redirectTo = "/" + md5 + "/" + name;
    m_Http.Serve("/software/595", redirect);
}

std::wstring PackageServer::Url() const { return Utils::FromAnsi(m_Http.Url("/software/595")); }

void MainWndTest::SetUp() {
    uitest::SkinTest::SetUp();
    if (::geteuid() == 0) {
        // Root installs into /opt: give this test an empty one of its own.
        privateOpt = ::unshare(CLONE_NEWNS) == 0 &&
                     ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
                     ::mount("tmpfs", "/opt", "tmpfs", 0, "size=4g,mode=755") == 0;
        if (!privateOpt) GTEST_SKIP() << "cannot give the test a private /opt";
    }
    Events().clear();
    g_Tick = 1000;
    Platform::SetTickSourceForTest(&FakeTick);
    CMessageBoxWnd::SetShowHook([this](CMessageBoxWnd& box) {
        PromptSeen seen{box.GetSkin().layoutFile, TextOf(box.GetManager(), L"textLbl"),
                        TextOf(box.GetManager(), L"captionLbl")};
        prompts.push_back(seen);
        std::wstring control;
        if (m_NextAnswer < m_Script.size()) {
            const Scripted& s = m_Script[m_NextAnswer++];
            EXPECT_EQ(Utils::ToUtf8(s.layout), Utils::ToUtf8(seen.layout))
                << "prompt text: " << Utils::ToUtf8(seen.text);
            control = s.control;
        } else {
            ADD_FAILURE() << "unexpected prompt " << Utils::ToUtf8(seen.layout) << ": "
                          << Utils::ToUtf8(seen.text);
        }
        const WindowHandle handle = box.GetHWND();
        CMessageLoop::Instance().PostTask([this, &box, handle, control] {
            if (!Toolkit::IsWindow(handle)) return;
            if (control == kEscapeKey) {
                Backend().KeyPress(box, VK_ESCAPE);
            } else if (control.empty() || !Backend().Click(box, control)) {
                box.PostMessage(WM_CLOSE);
            }
        });
    });
}

void MainWndTest::TearDown() {
    CMessageBoxWnd::SetShowHook(nullptr);
    if (window) {
        if (window->IsAlive()) window->DestroyWindow();
        window.reset();
    }
    Platform::SetTickSourceForTest(nullptr);
    EXPECT_EQ(m_NextAnswer, m_Script.size()) << "prompts that never came";
    uitest::SkinTest::TearDown();
}

MainWndSettings MainWndTest::Settings(int stallSeconds) {
    MainWndSettings s;
    s.session.downloadUrl = server.Url();
    s.session.downloadScale = 0.7;
    s.session.checkNetwork = false;
    s.session.installerFileName = L"lumora-setup";
    s.makeDownloader = [stallSeconds](int, const StatusCallback& cb, const std::wstring& url,
                                      const std::wstring& path) -> std::unique_ptr<CDownloader> {
        DownloaderOptions options;
        options.curlReady = true;
        options.stallTime = std::chrono::seconds(stallSeconds);
        auto d = std::make_unique<CCurlDownloader>(cb, url, path, options);
        d->SetRetryDelayForTest(std::chrono::milliseconds(10));
        return d;
    };
    return s;
}

TestMainWnd& MainWndTest::Open(MainWndSettings settings) {
    window = std::make_unique<TestMainWnd>(std::move(settings));
    window->Create(0, L"Lumora", WS_VISIBLE | WS_OVERLAPPEDWINDOW, 0);
    return *window;
}

void MainWndTest::Answer(const std::wstring& layout, const std::wstring& control) {
    m_Script.push_back({layout, control});
}

bool MainWndTest::RunUntil(const std::function<bool()>& done, int seconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    CMessageLoop::Instance().Run([&] { return !done() && std::chrono::steady_clock::now() < end; });
    return done();
}

bool MainWndTest::RunUntilClosed(int seconds) {
    return RunUntil([this] { return !window->IsAlive(); }, seconds);
}

bool MainWndTest::Click(const std::wstring& control) { return Backend().Click(*window, control); }

CControlUI* MainWndTest::Find(const std::wstring& control) {
    return window->GetManager().FindControl(control);
}

std::wstring MainWndTest::Text(const std::wstring& control) {
    CControlUI* c = Find(control);
    return c ? c->GetText() : L"<absent>";
}

bool MainWndTest::Visible(const std::wstring& control) {
    CControlUI* c = Find(control);
    return c && c->IsVisible();
}

bool MainWndTest::Enabled(const std::wstring& control) {
    CControlUI* c = Find(control);
    return c && c->IsEnabled();
}

std::vector<int> MainWndTest::Codes() const {
    std::vector<int> codes;
    for (const Shown& s : window->shown) codes.push_back(s.code);
    return codes;
}

bool MainWndTest::Handled(int code) const {
    for (const Shown& s : window->shown)
        if (s.code == code) return true;
    return false;
}

void MainWndTest::AdvanceStopwatch(uint32_t ms) { g_Tick += ms; }

std::string MainWndTest::FakePreviousInstall(const std::string& name) {
    const std::string dir = HomePath(name);
    testsupport::MakeDirs(dir);
    testsupport::WriteFile(dir + "/uninst.ep", "#!/bin/sh\necho Progress=0.5\necho removed > '" +
                                                   dir + "/uninstalled'\necho State=Success\n");
    testsupport::WriteFile(dir + "/lumoraapp.exe",
                           "#!/bin/sh\necho started > '" + dir + "/started'\n");
    ::chmod((dir + "/uninst.ep").c_str(), 0755);
    ::chmod((dir + "/lumoraapp.exe").c_str(), 0755);
    Platform::WriteRegistryValue("Software\\TaMikSoft\\lumoraapp", "InstallPath", dir, nullptr);
    Platform::WriteRegistryValue("Software\\TaMikSoft\\lumoraapp", "UnInstallEp",
                                 dir + "/uninst.ep", nullptr);
    return dir;
}

std::unique_ptr<MainWndTest::NamedProcess> MainWndTest::RunNamedProcess(
    const std::string& name, const std::string& seconds) {
    const std::string exe = HomePath("bin/" + name);
    testsupport::MakeDirs(HomePath("bin"));
    std::system(("cp /bin/sleep '" + exe + "'").c_str());
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::execl(exe.c_str(), name.c_str(), seconds.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    // The process list shows it once exec has happened.
    for (int i = 0; i < 500; ++i) {
        std::string comm = testsupport::ReadFile("/proc/" + std::to_string(pid) + "/comm");
        if (comm.rfind(name.substr(0, 15), 0) == 0) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return std::make_unique<NamedProcess>(pid);
}

MainWndTest::NamedProcess::~NamedProcess() {
    ::kill(m_Pid, SIGKILL);
    ::waitpid(m_Pid, nullptr, 0);
}

}  // namespace mwtest
