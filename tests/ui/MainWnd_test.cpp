// The main window driven through the headless backend with the real
// pipeline: page flow, progress display, prompts and their answers, the
// checks before an installation, failures, timers and the events it raises.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <optional>
#include <thread>

#include "MainWndFixture.h"
#include "install/ChildScripts.h"
#include "platform/ProfileIni.h"
#include "platform/RegistryStore.h"
#include "support/TempHome.h"
#include "ui/SequenceControls.h"
#include "utils/StatusCallback.h"
#include "utils/Text.h"

using namespace Toolkit;
using namespace mwtest;

namespace {

std::wstring W(const std::string& s) { return Utils::FromAnsi(s); }
std::string N(const std::wstring& s) { return Utils::ToUtf8(s); }
bool Exists(const std::string& path) { return std::filesystem::exists(path); }

std::wstring Label(int percent, bool patient = false) {
    return L"正在安装中:" + std::to_wstring(percent) +
           (patient ? L"%，请耐心等待..." : L"%，请稍候...");
}

// The reports of one download, released one at a time by the test; the
// package is written before 1003.
class StepGate {
public:
    void Allow(int n = 1) {
        std::lock_guard<std::mutex> lock(m_Lock);
        m_Permits += n;
        m_Changed.notify_all();
    }
    void Wait() {
        std::unique_lock<std::mutex> lock(m_Lock);
        m_Changed.wait(lock, [this] { return m_Permits > 0; });
        --m_Permits;
    }

private:
    std::mutex m_Lock;
    std::condition_variable m_Changed;
    int m_Permits = 0;
};

class SteppedDownloader : public CDownloader {
public:
    SteppedDownloader(StatusCallback cb, std::wstring path, std::string body,
                      std::vector<installtest::Report> steps, std::shared_ptr<StepGate> gate)
        : m_Callback(std::move(cb)),
          m_Path(std::move(path)),
          m_Body(std::move(body)),
          m_Steps(std::move(steps)),
          m_Gate(std::move(gate)) {}
    ~SteppedDownloader() override {
        m_Gate->Allow(1000);  // a test that failed midway must not hang here
        if (m_Thread.joinable()) m_Thread.join();
    }
    void Start() override {
        if (m_Thread.joinable()) return;
        m_Thread = std::thread([this] {
            for (const installtest::Report& r : m_Steps) {
                m_Gate->Wait();
                if (r.code == DL_CODE_SUCCESS)
                    testsupport::WriteFile(Utils::ToAnsi(m_Path), m_Body);
                m_Callback(r.code, r.value, r.text);
            }
        });
    }
    std::wstring FailureReason() const override { return {}; }

private:
    StatusCallback m_Callback;
    std::wstring m_Path;
    std::string m_Body;
    std::vector<installtest::Report> m_Steps;
    std::shared_ptr<StepGate> m_Gate;
    std::thread m_Thread;
};

class MainWnd : public MainWndTest {
protected:
    // The default directory the window proposes.
    std::string DefaultDir() {
        return Utils::ToAnsi(window->GetManager().FindControl(L"installDirEdit")->GetText());
    }
    void TypeDirectory(const std::wstring& text) {
        ASSERT_TRUE(Click(L"installDirEdit"));
        Backend().KeyPress(*window, 'A', MK_CONTROL);
        Backend().TypeText(*window, text);
    }
    void SetCheck(const wchar_t* name, bool selected) {
        auto* box = static_cast<COptionUI*>(Find(name)->GetInterface(L"Option"));
        if (box->IsSelected() != selected) {
            ASSERT_TRUE(Click(name));
        }
        ASSERT_EQ(box->IsSelected(), selected);
    }
    bool OnPage(int page) { return window->IsAlive() && window->CurrentPage() == page; }
    // A package that records its command line in <home>/args, sends the
    // given lines and succeeds.
    std::string RecordingPackage(const std::string& lines = "") {
        return server.PublishScript("printf '%s\\n' \"$@\" > '" + HomePath("args") + "'\n" + lines +
                                    "echo State=Success\n");
    }
};

TEST_F(MainWnd, QuickInstallGoesFromThePageZeroToTheFinishedPage) {
    server.SetRate(512 * 1024);  // a few seconds, so that libcurl reports a speed
    server.Publish();
    Open();
    ASSERT_TRUE(window->IsAlive());
    EXPECT_EQ(window->CurrentPage(), 0);
    EXPECT_EQ(window->GetTitle(), L"Lumora");
    EXPECT_EQ(window->GetWindowClassName(), L"MainWnd");
    const std::string dir = DefaultDir();
    EXPECT_NE(dir.find("/lumoratool"), std::string::npos) << dir;

    ASSERT_TRUE(Click(L"defaultInstallBtn"));
    ASSERT_TRUE(RunUntil([&] { return OnPage(3); })) << "page " << window->CurrentPage();

    // Installed where the window proposed, started (the sample package asks
    // for it), recorded.
    EXPECT_TRUE(Exists(dir + "/lumoraapp.exe"));
    EXPECT_EQ(*Platform::ReadRegistryValue("Software\\TaMikSoft\\lumoraapp", "InstallPath"), dir);
    EXPECT_EQ(installtest::WaitForLine(dir + "/product-started").empty(), false);

    // The progress display: the download's share, then the installation's,
    // never backwards, 100 at the end; page 2 hides the window buttons.
    int last = 0;
    bool sawDownload = false, sawInstall = false;
    for (const Shown& s : window->shown) {
        if (s.code == DL_CODE_PROGRESS) {
            sawDownload = true;
            const int expected = static_cast<int>(s.value * 0.7 * 100.0);
            EXPECT_EQ(s.bar, expected) << s.value;
            EXPECT_EQ(s.label, Label(expected));
        }
        if (s.code == IST_CODE_PROGRESS) sawInstall = true;
        EXPECT_GE(s.bar, last) << "report " << s.code << " moved the bar back";
        last = s.bar;
        if (s.page == 2) {
            EXPECT_FALSE(s.titleButtons);
            EXPECT_TRUE(s.installLogo);
        }
    }
    EXPECT_TRUE(sawDownload) << testing::PrintToString(Codes());
    EXPECT_TRUE(sawInstall);
    EXPECT_EQ(last, 100);
    EXPECT_TRUE(Visible(L"titleGrpCtn"));
    EXPECT_FALSE(Visible(L"installLogo"));
    EXPECT_TRUE(Visible(L"softNameLbl"));
    EXPECT_EQ(Text(L"softNameLbl"), L"Lumora");

    // The events, each with the window's A/B group.
    EXPECT_EQ(EventNames(L"click"), std::vector<std::wstring>{L"立即安装"});
    EXPECT_EQ(EventNames(L"view"), std::vector<std::wstring>{L"安装中"});
    const std::vector<std::wstring> tasks = EventNames(L"task");
    const std::vector<std::wstring> expected = {L"下载器启动", L"开始下载大包", L"大包下载完毕",
                                                L"安装成功"};
    EXPECT_EQ(tasks, expected);
    for (const Event& e : Events()) EXPECT_EQ(e.ab, L"IN") << N(e.name);

    // The finished page's button closes the window.
    ASSERT_TRUE(Click(L"openProduceBtn"));
    EXPECT_TRUE(RunUntilClosed());
    EXPECT_EQ(EventNames(L"click").back(), L"立即体验");
}

TEST_F(MainWnd, ProgressFiguresCreepAndTheWordingChangesAfterSixtySeconds) {
    // Eight install reports at 0, one below the creep, one above it.
    const std::string lines =
        "for i in 1 2 3 4 5 6 7; do echo Progress=0; done\necho Progress=0.2\n"
        "echo Progress=0.99\n";
    RecordingPackage(lines);
    auto gate = std::make_shared<StepGate>();
    MainWndSettings settings = Settings();
    const std::string body = server.PackageBytes();
    settings.makeDownloader = [gate, body](int, const StatusCallback& cb, const std::wstring&,
                                           const std::wstring& path) {
        return std::make_unique<SteppedDownloader>(
            cb, path, body,
            std::vector<installtest::Report>{{DL_CODE_START, 1, L""},
                                             {DL_CODE_PROGRESS, 0.5, L""},
                                             {DL_CODE_PROGRESS, 0.6, L""},
                                             {DL_CODE_SUCCESS, 0, L"LibCurl"}},
            gate);
    };
    Open(settings);
    ASSERT_TRUE(Click(L"defaultInstallBtn"));
    EXPECT_EQ(window->CurrentPage(), 2);
    gate->Allow(2);
    ASSERT_TRUE(RunUntil([&] { return Handled(DL_CODE_PROGRESS); }));
    EXPECT_EQ(Text(L"progressLb"), Label(35));
    EXPECT_EQ(window->shown.back().bar, 35);

    AdvanceStopwatch(60001);  // the download has now taken more than 60 s
    gate->Allow(2);
    ASSERT_TRUE(RunUntil([&] { return OnPage(3); }));

    std::vector<int> bars;
    for (const Shown& s : window->shown)
        if (s.code == DL_CODE_PROGRESS || s.code == IST_CODE_PROGRESS) bars.push_back(s.bar);
    EXPECT_EQ(bars, (std::vector<int>{35, 42, 74, 78, 83, 88, 92, 97, 98, 98, 98, 99}));
    for (const Shown& s : window->shown)
        if (s.code == IST_CODE_PROGRESS) {
            EXPECT_EQ(s.label, Label(s.bar, true));
        }
    EXPECT_EQ(window->shown.back().bar, 100);
    // "大包下载完毕" and "安装成功" carry the stopwatch's seconds.
    for (const Event& e : Events())
        if (e.name == L"大包下载完毕" || e.name == L"安装成功") {
            EXPECT_NEAR(e.elapsed, 60.001, 0.01);
        }
}

TEST_F(MainWnd, EachPageHasItsBackgroundTitleAndAnimation) {
    RecordingPackage();
    auto gate = std::make_shared<StepGate>();
    MainWndSettings settings = Settings();
    const std::string body = server.PackageBytes();
    settings.makeDownloader = [gate, body](int, const StatusCallback& cb, const std::wstring&,
                                           const std::wstring& path) {
        return std::make_unique<SteppedDownloader>(
            cb, path, body,
            std::vector<installtest::Report>{{DL_CODE_START, 1, L""},
                                             {DL_CODE_SUCCESS, 0, L"LibCurl"}},
            gate);
    };
    Open(settings);
    auto* title = static_cast<CTabLayoutUI*>(Find(L"titleTabLt")->GetInterface(L"TabLayout"));
    CControlUI* animation = Find(L"progressAnLb");
    auto animating = [&] { return window->GetManager().HasTimer(animation, kSequenceTimerId); };
    struct Expected {
        const wchar_t* background;
        int titlePage;
        bool animates;
    };
    auto expect = [&](const Expected& e, const char* where) {
        EXPECT_EQ(Find(L"winCtn")->GetBkImage(), e.background) << where;
        EXPECT_EQ(title->GetCurSel(), e.titlePage) << where;
        EXPECT_EQ(animating(), e.animates) << where;
    };
    // At start-up the layout's own first page, and no animation ticking unseen.
    expect({L"res\\mainWnd\\bg1.png", 0, false}, "start");
    ASSERT_TRUE(Click(L"customeBtn"));
    expect({L"res\\mainWnd\\bg2.png", 1, false}, "custom page");
    ASSERT_TRUE(Click(L"backBtn"));
    expect({L"res\\mainWnd\\bg1.png", 1, false}, "back on the first page");
    ASSERT_TRUE(Click(L"defaultInstallBtn"));
    expect({L"res\\mainWnd\\bg3.png", 1, true}, "installing");
    gate->Allow(2);
    ASSERT_TRUE(RunUntil([&] { return OnPage(3); }));
    expect({L"res\\mainWnd\\bg4.png", 2, false}, "finished");
}

TEST_F(MainWnd, ProductLeftToTheUserStartsFromTheFinishedPagesButton) {
    server.Publish("--startup UserStartup");
    Open();
    const std::string dir = DefaultDir();
    ASSERT_TRUE(Click(L"defaultInstallBtn"));
    ASSERT_TRUE(RunUntil([&] { return OnPage(3); }));
    EXPECT_FALSE(Exists(dir + "/product-started"));
    ASSERT_TRUE(Click(L"openProduceBtn"));
    EXPECT_TRUE(RunUntilClosed());
    EXPECT_FALSE(installtest::WaitForLine(dir + "/product-started").empty());
}

TEST_F(MainWnd, LayoutsProgressTemplateIsDataNotAFormat) {
    struct Case {
        const char* what;
        const wchar_t* userData;
        std::wstring expected;  // the label at 35 %
    };
    const Case cases[] = {
        {"one integer conversion", L"进度 %d%%", L"进度 35%"},
        {"a string conversion", L"%s%s%n", Label(35)},
        {"two conversions", L"%d of %d", Label(35)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RecordingPackage();
        auto gate = std::make_shared<StepGate>();
        MainWndSettings settings = Settings();
        const std::string body = server.PackageBytes();
        settings.makeDownloader = [gate, body](int, const StatusCallback& cb, const std::wstring&,
                                               const std::wstring& path) {
            return std::make_unique<SteppedDownloader>(
                cb, path, body,
                std::vector<installtest::Report>{{DL_CODE_START, 1, L""},
                                                 {DL_CODE_PROGRESS, 0.5, L""},
                                                 {DL_CODE_SUCCESS, 0, L"LibCurl"}},
                gate);
        };
        Open(settings);
        Find(L"progressLb")->SetUserData(c.userData);
        ASSERT_TRUE(Click(L"defaultInstallBtn"));
        gate->Allow(2);
        ASSERT_TRUE(RunUntil([&] { return Handled(DL_CODE_PROGRESS); }));
        EXPECT_EQ(Text(L"progressLb"), c.expected);
        gate->Allow(1);
        ASSERT_TRUE(RunUntil([&] { return OnPage(3); }));
        window->DestroyWindow();
        window.reset();
        Platform::WriteRegistryValue("Software\\TaMikSoft\\lumoraapp", "InstallPath", "", nullptr);
    }
}

TEST_F(MainWnd, CloseIsRefusedWhileInstallingAndFreeOnTheFinishedPage) {
    RecordingPackage();
    auto gate = std::make_shared<StepGate>();
    MainWndSettings settings = Settings();
    const std::string body = server.PackageBytes();
    settings.makeDownloader = [gate, body](int, const StatusCallback& cb, const std::wstring&,
                                           const std::wstring& path) {
        return std::make_unique<SteppedDownloader>(
            cb, path, body,
            std::vector<installtest::Report>{{DL_CODE_START, 1, L""},
                                             {DL_CODE_SUCCESS, 0, L"LibCurl"}},
            gate);
    };
    Open(settings);
    ASSERT_TRUE(Click(L"defaultInstallBtn"));
    ASSERT_EQ(window->CurrentPage(), 2);
    EXPECT_FALSE(Visible(L"closebtn"));
    window->PostMessage(WM_CLOSE, 1);
    gate->Allow(1);
    ASSERT_TRUE(RunUntil([&] { return window->closeRequests == 1 && Handled(DL_CODE_START); }));
    EXPECT_TRUE(window->IsAlive());
    gate->Allow(1);
    ASSERT_TRUE(RunUntil([&] { return OnPage(3); }));
    // No exit prompt on the finished page.
    ASSERT_TRUE(Click(L"closebtn"));
    EXPECT_TRUE(RunUntilClosed());
}

TEST_F(MainWnd, CustomInstallUsesTheTypedDirectoryAndTheCheckBoxes) {
    struct Case {
        const char* what;
        bool typeDefault;  // type the proposed directory itself
        bool desktop, quickLaunch;
    };
    const Case cases[] = {
        {"typed folder, both boxes off", false, false, false},
        {"the default itself, desktop only", true, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove(HomePath("args"));
        RecordingPackage();
        Events().clear();
        Open();
        const std::string def = DefaultDir();
        ASSERT_TRUE(Click(L"customeBtn"));
        EXPECT_EQ(window->CurrentPage(), 1);
        EXPECT_TRUE(Visible(L"backBtn"));
        EXPECT_TRUE(Find(L"customeInstallBtn")->IsFocused());
        const std::string typed = c.typeDefault ? def : HomePath("Apps/my folder");
        TypeDirectory(W(typed));
        SetCheck(L"createDSCb", c.desktop);
        SetCheck(L"createQSCb", c.quickLaunch);
        ASSERT_TRUE(Click(L"customeInstallBtn"));
        ASSERT_TRUE(RunUntil([&] { return OnPage(3); }));

        const std::string dir = c.typeDefault ? def : typed + "/lumoratool";
        const std::string args = testsupport::ReadFile(HomePath("args"));
        EXPECT_NE(args.find("-instdir=" + dir + "\n"), std::string::npos) << args;
        EXPECT_NE(args.find(std::string("-dsc=") + (c.desktop ? "true" : "false")),
                  std::string::npos)
            << args;
        EXPECT_NE(args.find(std::string("-ssc=") + (c.quickLaunch ? "true" : "false")),
                  std::string::npos)
            << args;
        // Without a language combo the package is given no language.
        EXPECT_EQ(args.find("-inslang"), std::string::npos) << args;
        EXPECT_EQ(*Platform::ReadRegistryValue("Software\\TaMikSoft\\lumoraapp", "InstallPath"),
                  dir);
        EXPECT_EQ(EventNames(L"click"),
                  (std::vector<std::wstring>{L"自定义安装", L"自定义安装_立即安装"}));
        window->DestroyWindow();
        window.reset();
        Platform::WriteRegistryValue("Software\\TaMikSoft\\lumoraapp", "InstallPath", "", nullptr);
    }
}

TEST_F(MainWnd, FolderButtonOpensTheChooserAtTheEditsFolderAndTakesItsAnswer) {
    Open();
    ASSERT_TRUE(Click(L"customeBtn"));
    const std::wstring before = Find(L"installDirEdit")->GetText();
    ASSERT_TRUE(Click(L"chDirBtn"));  // cancelled: the edit keeps its text
    EXPECT_EQ(Find(L"installDirEdit")->GetText(), before);
    EXPECT_EQ(Backend().Records().folderStart, before);
    Backend().SetNextFolderAnswer(W(HomePath("Apps")));
    ASSERT_TRUE(Click(L"chDirBtn"));
    EXPECT_EQ(Find(L"installDirEdit")->GetText(), W(HomePath("Apps")));
    EXPECT_EQ(Backend().Records().folderChoosers,
              (std::vector<std::wstring>{L"选择一个文件夹", L"选择一个文件夹"}));
    EXPECT_FALSE(Backend().Records().folderOwnerTookInput);
}

TEST_F(MainWnd, FolderChooserFillsTheDirectoryAndACancelKeepsIt) {
    RecordingPackage();
    Open();
    ASSERT_TRUE(Click(L"customeBtn"));
    const std::wstring before = Text(L"installDirEdit");
    Backend().SetNextFolderAnswer(std::nullopt);  // cancelled
    ASSERT_TRUE(Click(L"chDirBtn"));
    EXPECT_EQ(Text(L"installDirEdit"), before);
    const std::string picked = HomePath("Picked");
    Backend().SetNextFolderAnswer(W(picked));
    ASSERT_TRUE(Click(L"chDirBtn"));
    EXPECT_EQ(Text(L"installDirEdit"), W(picked));
    // Titled, opened where the edit pointed, modal to the window.
    ASSERT_EQ(Backend().Records().folderChoosers.size(), 2u);
    EXPECT_EQ(Backend().Records().folderChoosers[1], L"选择一个文件夹");
    EXPECT_EQ(Backend().Records().folderStart, before);
    EXPECT_FALSE(Backend().Records().folderOwnerTookInput);
    ASSERT_TRUE(Click(L"customeInstallBtn"));
    ASSERT_TRUE(RunUntil([&] { return OnPage(3); }));
    EXPECT_EQ(*Platform::ReadRegistryValue("Software\\TaMikSoft\\lumoraapp", "InstallPath"),
              picked + "/lumoratool");
}

TEST_F(MainWnd, BackButtonReturnsToThePageZero) {
    Open();
    ASSERT_TRUE(Click(L"customeBtn"));
    ASSERT_TRUE(Click(L"backBtn"));
    EXPECT_EQ(window->CurrentPage(), 0);
    EXPECT_FALSE(Visible(L"backBtn"));
    EXPECT_TRUE(Visible(L"titleGrpCtn"));
}

TEST_F(MainWnd, AgreementBoxDecidesWhetherInstallNowInstalls) {
    Open();
    auto* treaty = static_cast<COptionUI*>(Find(L"treatyCb")->GetInterface(L"Option"));
    auto* link = static_cast<COptionUI*>(Find(L"treatyBtn")->GetInterface(L"Option"));
    // The shipped row is hidden with the agreement given; take it back.
    treaty->Selected(false, true);
    EXPECT_FALSE(link->IsSelected());
    EXPECT_FALSE(Enabled(L"customeBtn"));
    ASSERT_TRUE(Click(L"defaultInstallBtn"));
    EXPECT_EQ(window->CurrentPage(), 0);
    EXPECT_TRUE(Visible(L"tipLbl"));
    EXPECT_EQ(EventNames(L"view"), std::vector<std::wstring>{});
    // The link cannot be toggled on its own.
    link->Selected(true, true);
    EXPECT_FALSE(link->IsSelected());

    treaty->Selected(true, true);
    EXPECT_TRUE(link->IsSelected());
    EXPECT_TRUE(Enabled(L"customeBtn"));
    EXPECT_FALSE(Visible(L"tipLbl"));
}

TEST_F(MainWnd, ExitPromptClosesOnlyOnYes) {
    struct Case {
        const char* what;
        const wchar_t* answer;
        bool closes;
    };
    const Case cases[] = {{"no", L"cancelBtn", false},
                          {"the prompt's close", L"closebtn", false},
                          {"yes", L"okBtn", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Open();
        ASSERT_TRUE(Click(L"customeBtn"));  // also from page 1
        Answer(L"ExitTipWnd.xml", c.answer);
        ASSERT_TRUE(Click(L"closebtn"));
        RunUntil([&] { return !window->IsAlive(); }, 1);
        EXPECT_EQ(!window->IsAlive(), c.closes);
    }
}

TEST_F(MainWnd, KeyboardReachesInstallNowAndEscapeLeavesTheExitPrompt) {
    RecordingPackage();
    Open();
    Answer(L"ExitTipWnd.xml", kEscapeKey);
    ASSERT_TRUE(Click(L"closebtn"));
    EXPECT_TRUE(window->IsAlive()) << "Escape is the prompt's close button, not yes";
    // Tab through the controls to the install button, then Enter.
    CControlUI* install = Find(L"defaultInstallBtn");
    for (int i = 0; i < 10 && !install->IsFocused(); ++i) Backend().KeyPress(*window, VK_TAB);
    ASSERT_TRUE(install->IsFocused());
    Backend().KeyPress(*window, VK_RETURN);
    EXPECT_EQ(window->CurrentPage(), 2);
    ASSERT_TRUE(RunUntil([&] { return OnPage(3); }));
}

TEST_F(MainWnd, AlreadyInstalledPromptAndItsThreeAnswers) {
    struct Case {
        const char* what;
        const wchar_t* answer;
        bool installs, starts;
    };
    const Case cases[] = {
        {"install the latest version", L"okBtn", true, false},
        {"open the software", L"cancelBtn", false, true},
        {"closed", L"closebtn", false, false},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string prev = FakePreviousInstall("old" + std::to_string(++n));
        server.Publish();
        Answer(L"InstalledPathTipWnd.xml", c.answer);
        Open();
        EXPECT_EQ(DefaultDir(), prev);  // its uninstaller exists
        if (c.installs) {
            ASSERT_TRUE(RunUntil([&] { return OnPage(3); }));
            EXPECT_TRUE(Exists(prev + "/uninstalled")) << "the old copy was not removed first";
            EXPECT_TRUE(Exists(prev + "/VERSION"));
            window->DestroyWindow();
        } else {
            EXPECT_TRUE(RunUntilClosed());
            EXPECT_FALSE(Exists(prev + "/uninstalled"));
        }
        if (c.starts) installtest::WaitForLine(prev + "/started");
        EXPECT_EQ(Exists(prev + "/started"), c.starts);
        window.reset();
    }
}

TEST_F(MainWnd, PreviousInstallationWhoseFolderIsGoneIsNoInstallation) {
    Platform::WriteRegistryValue("Software\\TaMikSoft\\lumoraapp", "InstallPath",
                                 HomePath("gone/lumoratool"), nullptr);
    Open();
    EXPECT_TRUE(window->IsAlive());
    EXPECT_TRUE(prompts.empty());
}

TEST_F(MainWnd, InstallAnewGoesIntoThePreviousFolderWithoutAPromptWhileTheProductRuns) {
    const std::string prev = FakePreviousInstall("old");
    server.Publish();
    // The product quits by itself a moment later; the pipeline waits for it.
    auto product = RunNamedProcess("lumoraapp.exe", "1");
    MainWndSettings settings = Settings();
    settings.session.pipeline.insNew = true;
    Open(settings);
    ASSERT_TRUE(RunUntil([&] { return OnPage(3); }));
    EXPECT_TRUE(prompts.empty());
    EXPECT_TRUE(Exists(prev + "/uninstalled"));
    EXPECT_TRUE(Exists(prev + "/VERSION"));
}

TEST_F(MainWnd, RunningProductOrUninstallerStopsTheInstallation) {
    struct Case {
        const char* what;
        const char* process;
        bool previous;   // a previous installation exists
        bool atStartup;  // the prompt comes when the window opens
        bool closes;
    };
    const Case cases[] = {
        {"product at start-up", "lumoraapp.exe", true, true, true},
        {"product at the click", "lumoraapp.exe", false, false, true},
        {"uninstaller, nothing installed", "lumoratool_un_asa.exe", false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        prompts.clear();
        auto running = RunNamedProcess(c.process);
        if (c.previous) FakePreviousInstall("old");
        Answer(L"MessageBox1Wnd.xml", L"closebtn");
        Open();
        if (!c.atStartup) {
            ASSERT_TRUE(Click(L"defaultInstallBtn"));
        }
        ASSERT_EQ(prompts.size(), 1u);
        EXPECT_EQ(prompts[0].text, kRunningText);
        EXPECT_EQ(prompts[0].caption, L"温馨提示");
        RunUntil([&] { return !window->IsAlive(); }, 1);
        EXPECT_EQ(!window->IsAlive(), c.closes);
        if (window->IsAlive()) {
            EXPECT_EQ(window->CurrentPage(), 0);
            EXPECT_TRUE(Enabled(L"customeInstallBtn"));
        }
        EXPECT_TRUE(EventNames(L"view").empty());
        window.reset();
        Platform::WriteRegistryValue("Software\\TaMikSoft\\lumoraapp", "InstallPath", "", nullptr);
    }
}

TEST_F(MainWnd, InvalidPathIsRefusedOnTheCustomPage) {
    testsupport::WriteFile(HomePath("a-file"), "x");
    Answer(L"MessageBox2Wnd.xml", L"closebtn");
    Open();
    ASSERT_TRUE(Click(L"customeBtn"));
    TypeDirectory(W(HomePath("a-file/sub")));
    ASSERT_TRUE(Click(L"customeInstallBtn"));
    ASSERT_EQ(prompts.size(), 1u);
    EXPECT_EQ(prompts[0].text, L"无效路径");
    EXPECT_EQ(prompts[0].caption, L"温馨提示");
    EXPECT_EQ(window->CurrentPage(), 1);
    EXPECT_TRUE(Enabled(L"customeInstallBtn"));
    EXPECT_TRUE(EventNames(L"view").empty());
}

TEST_F(MainWnd, LowDiskSpaceIsRefusedWithItsText) {
    const std::string small = HomePath("small");
    testsupport::MakeDirs(small);
    if (!privateOpt || ::mount("tmpfs", small.c_str(), "tmpfs", 0, "size=8m") != 0)
        GTEST_SKIP() << "cannot mount a small file system here";
    Answer(L"MessageBox2Wnd.xml", L"closebtn");
    Open();
    ASSERT_TRUE(Click(L"customeBtn"));
    TypeDirectory(W(small));
    ASSERT_TRUE(Click(L"customeInstallBtn"));
    ASSERT_EQ(prompts.size(), 1u);
    // The shipped package has no language data: the built-in text.
    EXPECT_EQ(prompts[0].text, L"磁盘剩余空间不足1GB，\r\n请清理磁盘或更换安装路径后再安装");
    EXPECT_EQ(prompts[0].caption, L"温馨提示");
    EXPECT_EQ(window->CurrentPage(), 1);
    EXPECT_TRUE(Enabled(L"customeInstallBtn"));
    ::umount(small.c_str());
}

// A failed download, answered "install again" and then "try later", from
// either page: the restart stays on the installing page, and the second
// failure returns to the page the installation began on.
class FailedDownload : public MainWnd, public testing::WithParamInterface<int> {};

TEST_P(FailedDownload, RestartTwiceThenTryLater) {
    const int from = GetParam();
    testsupport::ServedFile missing;
    missing.status = 404;
    server.Http().Serve("/software/595", missing);
    Answer(L"NetworkTipWnd.xml", L"okBtn");
    Answer(L"NetworkTipWnd.xml", L"okBtn");
    Answer(L"NetworkTipWnd.xml", L"cancelBtn");
    Open();
    if (from == 1) {
        ASSERT_TRUE(Click(L"customeBtn"));
        TypeDirectory(W(HomePath("Apps")));
        ASSERT_TRUE(Click(L"customeInstallBtn"));
    } else {
        ASSERT_TRUE(Click(L"defaultInstallBtn"));
    }
    ASSERT_TRUE(RunUntil([&] { return prompts.size() == 3 && OnPage(from); }))
        << prompts.size() << " prompts, page " << window->CurrentPage();
    // Each restart was a new attempt that began on the installing page.
    std::vector<int> pagesAtFailure;
    for (const Shown& s : window->shown)
        if (s.code == DL_CODE_FAIL) pagesAtFailure.push_back(s.page);
    EXPECT_EQ(pagesAtFailure, (std::vector<int>{2, 2, from}));
    EXPECT_EQ(EventNames(L"view").size(), 3u);
    int reasons = 0;
    for (const Event& e : Events())
        if (e.name == L"下载失败原因" && e.reason.rfind(L"1.code=", 0) == 0) ++reasons;
    EXPECT_EQ(reasons, 3);
    // "Try later" with nothing installed leaves the window open.
    EXPECT_TRUE(window->IsAlive());
    EXPECT_TRUE(Enabled(L"customeInstallBtn"));
}

INSTANTIATE_TEST_SUITE_P(FromPage, FailedDownload, testing::Values(0, 1));

TEST_F(MainWnd, FailedDownloadClosedPromptReturnsAndTryLaterClosesAnUpdate) {
    testsupport::ServedFile missing;
    missing.status = 404;
    FakePreviousInstall("old");
    server.Http().Serve("/software/595", missing);
    Answer(L"InstalledPathTipWnd.xml", L"okBtn");
    Answer(L"NetworkTipWnd.xml", L"closebtn");
    Open();
    ASSERT_TRUE(RunUntil([&] { return prompts.size() == 2 && OnPage(0); }));
    EXPECT_TRUE(window->IsAlive());
    // Again, and "try later" ends the update.
    Answer(L"NetworkTipWnd.xml", L"cancelBtn");
    ASSERT_TRUE(Click(L"defaultInstallBtn"));
    EXPECT_TRUE(RunUntilClosed());
}

TEST_F(MainWnd, StalledDownloadReachesTheFailurePromptInsteadOfHoldingPageTwo) {
    server.SetStallAfter(64 * 1024);
    server.Publish();
    Answer(L"NetworkTipWnd.xml", L"cancelBtn");
    Open(Settings(1));
    ASSERT_TRUE(Click(L"defaultInstallBtn"));
    ASSERT_TRUE(RunUntil([&] { return prompts.size() == 1 && OnPage(0); }, 90));
    EXPECT_TRUE(Handled(DL_CODE_FAIL));
    EXPECT_TRUE(window->IsAlive());
}

TEST_F(MainWnd, FailedInstallationResetsTheBarFromSeventyUp) {
    struct Case {
        const char* what;
        double scale;
        const char* lines;
        const wchar_t* message;
        bool reset;
    };
    // The first install report shows 74 with the default split, 40 with 0.3.
    const Case cases[] = {
        {"State=Fail at 74", 0.7, "echo State=Fail\n", L"安装包安装失败", true},
        {"Error= at 40", 0.3, "echo 'Error=disk full'\n", L"disk full", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        prompts.clear();
        Events().clear();
        server.PublishScript(c.lines);
        Answer(L"MessageBox2Wnd.xml", L"closebtn");
        MainWndSettings settings = Settings();
        settings.session.downloadScale = c.scale;
        Open(settings);
        ASSERT_TRUE(Click(L"defaultInstallBtn"));
        ASSERT_TRUE(RunUntil([&] { return Handled(IST_CODE_FAIL) && OnPage(0); }));
        ASSERT_EQ(prompts.size(), 1u);
        EXPECT_EQ(prompts[0].text, c.message);
        EXPECT_EQ(prompts[0].caption, L"温馨提示");
        size_t fail = 0;
        while (window->shown[fail].code != IST_CODE_FAIL) ++fail;
        ASSERT_GT(fail, 0u);
        const int before = window->shown[fail - 1].bar;
        EXPECT_EQ(before, c.reset ? 74 : 40);
        if (c.reset) {
            EXPECT_EQ(window->shown[fail].label, L"正在安装中:0%，请稍候...");
            EXPECT_EQ(window->shown[fail].bar, 0);
        } else {
            EXPECT_EQ(window->shown[fail].bar, before);
        }
        EXPECT_EQ(EventNames(L"task").back(), L"安装失败原因");
        window->DestroyWindow();
        window.reset();
    }
}

TEST_F(MainWnd, PackageMessageIsShownWithItsCaption) {
    server.Publish("--message 'Hello from the package'");
    Answer(L"MessageBox1Wnd.xml", L"closebtn");
    Open();
    ASSERT_TRUE(Click(L"defaultInstallBtn"));
    ASSERT_TRUE(RunUntil([&] { return OnPage(3); }));
    ASSERT_EQ(prompts.size(), 1u);
    EXPECT_EQ(prompts[0].text, L"Hello from the package");
    EXPECT_EQ(prompts[0].caption, L"消息");
}

TEST_F(MainWnd, FailedRemovalOfTheOldCopyReturnsAndCloses) {
    const std::string prev = FakePreviousInstall("old");
    testsupport::WriteFile(prev + "/uninst.ep", "#!/bin/sh\necho State=Fail\n");
    server.Publish();
    Answer(L"InstalledPathTipWnd.xml", L"okBtn");
    Answer(L"MessageBox1Wnd.xml", L"closebtn");
    Open();
    ASSERT_TRUE(RunUntilClosed());
    ASSERT_EQ(prompts.size(), 2u);
    EXPECT_EQ(prompts[1].text, kRunningText);
    EXPECT_FALSE(Handled(DL_CODE_START));
}

TEST_F(MainWnd, TimersOfTheFinishedPageBringToFrontAndClose) {
    struct Case {
        const char* what;
        const char* lines;
        int frontAfter;  // ms until "front", -1 never within the test
        int closeAfter;  // ms until closed, -1 never within the test
    };
    const Case cases[] = {
        {"the package's delays", "echo TopShowDetention=500\necho FinsihCloseDetention=2000\n", 500,
         2000},
        {"the defaults", "", 3000, -1},
        {"zero: never", "echo TopShowDetention=0\necho FinsihCloseDetention=0\n", -1, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RecordingPackage(c.lines);
        Open();
        ASSERT_TRUE(Click(L"defaultInstallBtn"));
        ASSERT_TRUE(RunUntil([&] { return OnPage(3); }));
        auto fronts = [&] {
            int n = 0;
            for (const std::wstring& l : Backend().Records().log) n += l == L"front Lumora";
            return n;
        };
        const int before = fronts();
        int elapsed = 0;
        for (int step : {499, 1, 1499, 1, 1000, 10000}) {
            Backend().AdvanceTime(step);
            elapsed += step;
            const bool front = fronts() > before;
            EXPECT_EQ(front, c.frontAfter >= 0 && elapsed >= c.frontAfter) << elapsed << " ms";
            EXPECT_EQ(!window->IsAlive(), c.closeAfter >= 0 && elapsed >= c.closeAfter)
                << elapsed << " ms";
            if (!window->IsAlive()) break;
        }
        EXPECT_LE(fronts() - before, 1) << "brought to front more than once";
        if (window->IsAlive()) window->DestroyWindow();
        window.reset();
        Platform::WriteRegistryValue("Software\\TaMikSoft\\lumoraapp", "InstallPath", "", nullptr);
    }
}

TEST_F(MainWnd, DownloaderStartedIsReportedOnceWhateverAsks) {
    server.Publish();
    Open();
    window->PostMessage(kDownloaderStartedMessage);
    window->PostMessage(kDownloaderStartedMessage);
    CMessageLoop::Instance().RunPending();
    EXPECT_EQ(EventNames(L"task"), std::vector<std::wstring>{L"下载器启动"});
    ASSERT_TRUE(Click(L"defaultInstallBtn"));
    ASSERT_TRUE(RunUntil([&] { return OnPage(3); }));
    int started = 0, downloads = 0;
    for (const std::wstring& n : EventNames(L"task")) {
        started += n == L"下载器启动";
        downloads += n == L"开始下载大包";
    }
    EXPECT_EQ(started, 1);
    EXPECT_EQ(downloads, 1);
}

TEST_F(MainWnd, SecondClickWhileTheNetworkIsCheckedStartsNothingMore) {
    RecordingPackage();
    // The verdict this machine gives decides what one answer looks like.
    const bool good = (CInstallSession::RunNetworkCheck() >> 16) == 0;
    if (!good) Answer(L"MessageBox2Wnd.xml", L"closebtn");
    MainWndSettings settings = Settings();
    settings.session.checkNetwork = true;
    Open(settings);
    ASSERT_TRUE(Click(L"defaultInstallBtn"));
    ASSERT_TRUE(Click(L"defaultInstallBtn"));  // before the verdict has come
    EXPECT_EQ(EventNames(L"click").size(), 2u);
    if (good) {
        ASSERT_TRUE(RunUntil([&] { return OnPage(3); }));
        EXPECT_EQ(EventNames(L"view").size(), 1u);
    } else {
        ASSERT_TRUE(RunUntil([&] { return prompts.size() == 1; }));
        EXPECT_EQ(window->CurrentPage(), 0);
        EXPECT_TRUE(EventNames(L"view").empty());
    }
    // Nothing else is on its way.
    RunUntil([] { return false; }, 1);
    EXPECT_LE(EventNames(L"view").size(), 1u);
}

TEST_F(MainWnd, PoorNetworkVerdictIsShownAndNothingStarts) {
    Answer(L"MessageBox2Wnd.xml", L"closebtn");
    Open();
    CControlUI* root = window->GetManager().GetRoot();
    window->GetManager().SendNotify(root, L"checknet", 65536, 0, true);
    ASSERT_TRUE(RunUntil([&] { return prompts.size() == 1; }));
    EXPECT_EQ(prompts[0].text, L"当前网络环境较差，请在网络通畅时进行安装");
    EXPECT_EQ(window->CurrentPage(), 0);
    EXPECT_TRUE(EventNames(L"view").empty());
}

}  // namespace
