// Texts of the shipped windows fit their controls and never overlap, in
// every page of the main window and with the longest texts the installer
// puts into them; the check itself sees both faults.
#include "ui/SkinLint.h"

#include <gtest/gtest.h>

#include "SkinFixture.h"
#include "ui/SequenceControls.h"

using namespace Toolkit;

namespace {

class LintWindow : public CSkinFrame {
public:
    explicit LintWindow(const wchar_t* layout) : CSkinFrame(SkinDescription::ForLayout(layout)) {}
    CControlUI* CreateControl(const std::wstring& className) override {
        return CreateSequenceControl(className);
    }
};

std::string Joined(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& l : lines) out += l + "\n";
    return out;
}

class SkinLintTest : public uitest::SkinTest {};

TEST_F(SkinLintTest, MainWindowPagesHaveRoomForTheirTexts) {
    LintWindow w(L"MainWnd.xml");
    ASSERT_NE(w.Create(0, L"t", WS_VISIBLE | WS_OVERLAPPEDWINDOW, 0), 0u);
    CPaintManagerUI& m = w.GetManager();
    auto* tabs =
        static_cast<CTabLayoutUI*>(m.FindControl(L"mainTabLt")->GetInterface(L"TabLayout"));
    auto* titles =
        static_cast<CTabLayoutUI*>(m.FindControl(L"titleTabLt")->GetInterface(L"TabLayout"));
    ASSERT_TRUE(tabs && titles);
    // The longest texts the window shows: the patient progress wording at
    // 100 %, the product name, the tip.
    m.FindControl(L"progressLb")->SetText(L"正在安装中:100%，请耐心等待...");
    m.FindControl(L"softNameLbl")->SetVisible(true);
    m.FindControl(L"tipLbl")->SetVisible(true);
    m.FindControl(L"backBtn")->SetVisible(true);
    const int titlePage[] = {1, 1, 1, 2};
    for (int page = 0; page < 4; ++page) {
        tabs->SelectItem(page, false);
        titles->SelectItem(titlePage[page], false);
        m.EnsureLayout();
        EXPECT_EQ(Joined(FindTextProblems(m)), "") << "page " << page;
    }
    w.DestroyWindow();
}

TEST_F(SkinLintTest, PromptsHaveRoomForTheTextsTheyAreGiven) {
    struct Case {
        const wchar_t* layout;
        const wchar_t* text;  // null: the layout's own
    };
    const Case cases[] = {
        {L"ExitTipWnd.xml", nullptr},
        {L"NetworkTipWnd.xml", nullptr},
        {L"InstalledPathTipWnd.xml", nullptr},
        {L"MessageBox1Wnd.xml", L"安装程序检测到Lumora\r\n正在运行，请退出程序后再安装"},
        {L"MessageBox2Wnd.xml", L"当前网络环境较差，请在网络通畅时进行安装"},
        {L"MessageBox2Wnd.xml", L"无效路径"},
    };
    for (const Case& c : cases) {
        LintWindow w(c.layout);
        ASSERT_NE(w.Create(0, L"t", WS_VISIBLE | WS_OVERLAPPEDWINDOW, 0), 0u);
        CPaintManagerUI& m = w.GetManager();
        if (c.text) m.FindControl(L"textLbl")->SetText(c.text);
        if (CControlUI* caption = m.FindControl(L"captionLbl")) caption->SetText(L"温馨提示");
        m.EnsureLayout();
        EXPECT_EQ(Joined(FindTextProblems(m)), "")
            << std::string(c.layout, c.layout + wcslen(c.layout));
        w.DestroyWindow();
    }
}

TEST_F(SkinLintTest, ReportsClippedAndOverlappingTexts) {
    const std::string layout = R"(<Window size="300,100">
      <Font id="0" name="微软雅黑" size="12" default="true"/>
      <VerticalLayout>
        <HorizontalLayout height="24">
          <Label name="narrow" width="20" text="自定义安装"/>
          <Label name="fits" width="100" text="安装"/>
        </HorizontalLayout>
        <Container height="40">
          <Label name="first" pos="0,0,100,20" text="ABCDEFG"/>
          <Label name="second" pos="10,0,110,20" text="ABCDEFG"/>
        </Container>
      </VerticalLayout>
    </Window>)";
    CPaintManagerUI manager;
    CDialogBuilder builder;
    CControlUI* root = builder.CreateFromText(layout, nullptr, &manager);
    ASSERT_NE(root, nullptr) << builder.GetLastError();
    manager.AttachDialog(root);
    manager.SetClientSize({300, 100});
    manager.EnsureLayout();
    const std::vector<std::string> problems = FindTextProblems(manager);
    ASSERT_EQ(problems.size(), 2u) << Joined(problems);
    EXPECT_EQ(problems[0].rfind("text of narrow needs", 0), 0u) << problems[0];
    EXPECT_EQ(problems[1], "texts of first and second overlap");
}

}  // namespace
