#pragma once
// The main window under test: CMainWnd on the headless backend with the real
// pipeline (real downloaders against a loopback server, real sample
// packages run as child processes), prompts answered from a script, the
// analytics calls recorded, and the stopwatch on a clock the test moves.
//
// When the tests run as root, the default install directory is /opt: each
// test then gets a mount namespace of its own with an empty tmpfs over /opt,
// so nothing is installed on the machine.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "SkinFixture.h"
#include "support/LoopbackHttpServer.h"
#include "ui/MainWnd.h"

namespace mwtest {

// A path in the test's home.
std::string HomePath(const std::string& name);

// One analytics call of the installer's reporting layer.
struct Event {
    std::wstring kind;  // "task", "click", "view", "crash"
    std::wstring name, reason;
    float elapsed = 0.0f;
    std::wstring ab;  // the extras' "AB", empty when none
};
std::vector<Event>& Events();
std::vector<std::wstring> EventNames(const std::wstring& kind);

// What the window showed after handling one pipeline report.
struct Shown {
    int code = 0;
    double value = 0.0;
    std::wstring label;         // "progressLb"
    int bar = 0;                // "installPrg"
    int page = -1;              // "mainTabLt"
    bool titleButtons = false;  // "titleGrpCtn" (minimise, close) visible
    bool installLogo = false;   // "installLogo" visible
};

// A prompt as it appeared.
struct PromptSeen {
    std::wstring layout, text, caption;
};

class TestMainWnd : public CMainWnd {
public:
    using CMainWnd::CMainWnd;
    Toolkit::LResult HandleMessage(uint32_t msg, Toolkit::WParam wParam,
                                   Toolkit::LParam lParam) override;
    std::vector<Shown> shown;
    int closeRequests = 0;  // WM_CLOSE messages that reached the window
};

// Serves sample packages as the development server does: "/software/595"
// redirects to the newest package's digest address.
class PackageServer {
public:
    // Builds a package with the sample package's options and publishes it.
    // Returns its path on disk.
    std::string Publish(const std::string& options = "");
    // Publishes a package of our own: a /bin/sh program with `body`, padded
    // to the size the downloaders accept.
    std::string PublishScript(const std::string& body);
    // The package address every test gives the window.
    std::wstring Url() const;
    testsupport::LoopbackHttpServer& Http() { return m_Http; }
    // Body bytes a second for the packages published from now on (0: no
    // limit), so that a download reports its progress.
    void SetRate(size_t bytesPerSecond) { m_Rate = bytesPerSecond; }
    // After this many bytes every answer stalls (one byte every two seconds).
    void SetStallAfter(int64_t bytes) { m_StallAfter = bytes; }
    const std::string& PackageBytes() const { return m_Bytes; }

private:
    void Serve(const std::string& md5, const std::string& name, const std::string& bytes);
    testsupport::LoopbackHttpServer m_Http;
    std::string m_Bytes;
    int m_Built = 0;
    size_t m_Rate = 0;
    int64_t m_StallAfter = -1;
};

class MainWndTest : public uitest::SkinTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Settings with the server's address, the real single-connection
    // downloader (short pause between attempts, a stall limit of
    // `stallSeconds`) and no network check.
    MainWndSettings Settings(int stallSeconds = 30);
    // Creates the window (InitWindow runs inside, prompts included).
    TestMainWnd& Open(MainWndSettings settings);
    TestMainWnd& Open() { return Open(Settings()); }
    // Answers the next prompt, which must use `layout`, with a click on
    // `control` ("okBtn", "cancelBtn", "closebtn").
    void Answer(const std::wstring& layout, const std::wstring& control);
    // Runs the loop until `done` answers true or `seconds` pass.
    bool RunUntil(const std::function<bool()>& done, int seconds = 60);
    // Runs until the window is gone.
    bool RunUntilClosed(int seconds = 60);
    bool Click(const std::wstring& control);
    // The text the window shows in a named control.
    std::wstring Text(const std::wstring& control);
    bool Visible(const std::wstring& control);
    bool Enabled(const std::wstring& control);
    Toolkit::CControlUI* Find(const std::wstring& control);
    // Codes of the pipeline reports the window has handled.
    std::vector<int> Codes() const;
    bool Handled(int code) const;

    // The stopwatch's clock: moves only when told.
    static void AdvanceStopwatch(uint32_t ms);

    // Writes the registry values of an installation in `dir` (made here) with
    // an uninstaller that writes "<dir>/uninstalled" and succeeds, and a
    // product that writes "<dir>/started".
    static std::string FakePreviousInstall(const std::string& name);
    // A process under `name` (a copy of sleep) until the returned guard goes.
    class NamedProcess;
    static std::unique_ptr<NamedProcess> RunNamedProcess(const std::string& name,
                                                         const std::string& seconds = "60");

    PackageServer server;
    std::unique_ptr<TestMainWnd> window;
    std::vector<PromptSeen> prompts;
    bool privateOpt = false;

private:
    struct Scripted {
        std::wstring layout, control;
    };
    std::vector<Scripted> m_Script;
    size_t m_NextAnswer = 0;
};

class MainWndTest::NamedProcess {
public:
    explicit NamedProcess(int pid) : m_Pid(pid) {}
    ~NamedProcess();
    int Pid() const { return m_Pid; }

private:
    int m_Pid;
};

// Answer() with this "control" presses Escape in the prompt instead of a click.
constexpr const wchar_t* kEscapeKey = L"{Escape}";

constexpr const wchar_t* kRunningText = L"安装程序检测到Lumora\r\n正在运行，请退出程序后再安装";

}  // namespace mwtest
