// The skin package as the build packs it: its layouts, their vocabulary,
// names, texts and window attributes, and every image they name.
#include <gtest/gtest.h>

#include <pugixml.hpp>
#include <set>
#include <string>

#include "SkinFixture.h"
#include "ui/SequenceControls.h"

using namespace Toolkit;

namespace {

const char* const kLayouts[] = {"exitTipWnd.xml",     "InstalledPathTipWnd.xml",
                                "mainWnd.xml",        "MessageBox1Wnd.xml",
                                "MessageBox2Wnd.xml", "NetworkTipWnd.xml"};

std::wstring Wide(const std::string& utf8) {
    // The test data is UTF-8; std::wstring holds code points.
    std::wstring out;
    for (size_t i = 0; i < utf8.size();) {
        unsigned char c = utf8[i];
        int n = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        uint32_t cp = n == 1 ? c : c & (0xFF >> (n + 1));
        for (int k = 1; k < n && i + k < utf8.size(); ++k) cp = (cp << 6) | (utf8[i + k] & 0x3F);
        out.push_back(static_cast<wchar_t>(cp));
        i += n;
    }
    return out;
}

class SkinPackageTest : public uitest::SkinTest {
protected:
    void SetUp() override {
        uitest::SkinTest::SetUp();
        std::string error;
        ASSERT_TRUE(archive.Open(uitest::PackageBytes(), &error)) << error;
    }
    CSkinArchive archive;
};

TEST_F(SkinPackageTest, HoldsTheSixLayoutsUnderTheirOwnNames) {
    for (const char* name : kLayouts) {
        const CSkinArchive::Entry* e = archive.Find(std::string(name));
        ASSERT_NE(e, nullptr) << name;
        EXPECT_EQ(e->name, name);  // stored with this exact case
    }
    // The program asks with other letter cases and either separator.
    EXPECT_NE(archive.Find(L"MainWnd.xml"), nullptr);
    EXPECT_NE(archive.Find(L"ExitTipWnd.xml"), nullptr);
    EXPECT_NE(archive.Find(L"res\\mainWnd\\bg1.png"), nullptr);
}

TEST_F(SkinPackageTest, EveryImageALayoutNamesIsThereExceptTheKnownMissingOnes) {
    static const char* const kImageAttributes[] = {"bkimage",     "normalimage",   "hotimage",
                                                   "pushedimage", "disabledimage", "selectedimage",
                                                   "foreimage",   "focusedimage",  "shadowimage"};
    std::set<std::string> missing;
    int named = 0;
    for (const char* layout : kLayouts) {
        const CSkinArchive::Entry* e = archive.Find(std::string(layout));
        ASSERT_NE(e, nullptr);
        pugi::xml_document doc;
        ASSERT_TRUE(doc.load_buffer(e->bytes.data(), e->bytes.size())) << layout;
        for (pugi::xpath_node n : doc.select_nodes("//*")) {
            pugi::xml_node node = n.node();
            auto check = [&](const std::wstring& file) {
                ++named;
                if (!archive.Find(file)) missing.insert(CSkinArchive::NormaliseKey(file));
            };
            for (const char* attr : kImageAttributes)
                if (pugi::xml_attribute a = node.attribute(attr))
                    check(ParseImageSpec(Wide(a.value())).file);
            if (pugi::xml_attribute a = node.attribute("sequencebkimage")) {
                const int count = node.attribute("sequencecount").as_int();
                EXPECT_EQ(count, 25) << layout;
                for (int i = 0; i < count; ++i) {
                    std::wstring frame;
                    ASSERT_TRUE(CSequenceAnimation::FormatFrame(Wide(a.value()), i, &frame));
                    check(frame);
                }
            }
        }
    }
    EXPECT_GT(named, 60);
    const std::set<std::string> expected = {"res/common/closebtn_disabled.png",
                                            "res/common/minbtn_disabled.png"};
    EXPECT_EQ(missing, expected);
    EXPECT_EQ(archive.Find(L"res\\mainWnd\\installPrg3.png"), nullptr);
}

TEST_F(SkinPackageTest, WindowArtAndFramesHaveTheirSizes) {
    auto size = [&](const std::wstring& path) {
        const CSkinArchive::Entry* e = archive.Find(path);
        if (!e) return UISize{-1, -1};
        cairo_surface_t* s = DecodePng(e->bytes);
        if (!s) return UISize{-2, -2};
        UISize out{cairo_image_surface_get_width(s), cairo_image_surface_get_height(s)};
        cairo_surface_destroy(s);
        return out;
    };
    for (int i = 1; i <= 4; ++i)
        EXPECT_EQ(size(L"res/mainWnd/bg" + std::to_wstring(i) + L".png"), (UISize{600, 400})) << i;
    for (int i = 0; i < 25; ++i) {
        wchar_t name[64];
        swprintf(name, 64, L"res/mainWnd/installBtnAnimate/%03d.png", i);
        EXPECT_EQ(size(name), (UISize{160, 160})) << i;
    }
    for (const wchar_t* icon : {L"icoNetwork.png", L"icoQuest.png", L"icoWarn.png"})
        EXPECT_GT(size(std::wstring(L"res/MessageBoxWnd/") + icon).cx, 0);
}

struct Builder : IDialogBuilderCallback {
    CControlUI* CreateControl(const std::wstring& className) override {
        return CreateSequenceControl(className);
    }
};

TEST_F(SkinPackageTest, LayoutsUseOnlyTheKnownVocabulary) {
    std::string error;
    ASSERT_TRUE(
        CResourceManager::Instance().OpenArchive(L"membuffer", uitest::PackageBytes(), &error))
        << error;
    for (const char* layout : kLayouts) {
        CPaintManagerUI manager;
        CDialogBuilder builder;
        Builder callback;
        CControlUI* root = builder.Create(Wide(layout), &callback, &manager);
        ASSERT_NE(root, nullptr) << layout << ": " << builder.GetLastError();
        for (const std::wstring& unknown : builder.Unknown())
            EXPECT_NE(unknown.find(L".hotborercolor"), std::wstring::npos)
                << layout << ": " << std::string(unknown.begin(), unknown.end());
        delete root;
    }
}

struct RootCase {
    const wchar_t* layout;
    const wchar_t* size;
    const wchar_t* caption;
    const wchar_t* corner;
    const wchar_t* darkness;
    const wchar_t* color;
};

struct NamedCase {
    const wchar_t* name;
    const wchar_t* cls;
    const wchar_t* text;  // null: not checked
};

class LayoutWindow : public CSkinFrame {
public:
    explicit LayoutWindow(const wchar_t* layout) : CSkinFrame(SkinDescription::ForLayout(layout)) {}
    CControlUI* CreateControl(const std::wstring& className) override {
        return CreateSequenceControl(className);
    }
};

TEST_F(SkinPackageTest, WindowsHaveTheirSizesCaptionsCornersAndShadows) {
    const RootCase cases[] = {
        {L"MainWnd.xml", L"600,400", L"0,0,0,35", L"1,0", L"20", L"#26003B76"},
        {L"MessageBox1Wnd.xml", L"360,180", L"0,0,0,30", L"2,2", L"20", L"#26003B76"},
        {L"MessageBox2Wnd.xml", L"360,180", L"0,0,0,30", L"2,2", L"20", L"#26003B76"},
        {L"ExitTipWnd.xml", L"360,180", L"0,0,0,30", L"2,2", L"20", L"#26003B76"},
        {L"NetworkTipWnd.xml", L"360,180", L"0,0,0,30", L"2,2", L"20", L"#26003B76"},
        {L"InstalledPathTipWnd.xml", L"400,180", L"0,0,0,30", L"1,0", L"10", L"#FFEDF0F4"},
    };
    for (const RootCase& c : cases) {
        LayoutWindow w(c.layout);
        ASSERT_NE(w.Create(0, L"t", WS_OVERLAPPEDWINDOW, 0), 0u);
        CPaintManagerUI& m = w.GetManager();
        EXPECT_EQ(m.GetWindowAttribute(L"size"), c.size);
        EXPECT_EQ(m.GetWindowAttribute(L"caption"), c.caption);
        EXPECT_EQ(m.GetWindowAttribute(L"roundcorner"), c.corner);
        EXPECT_EQ(m.GetWindowAttribute(L"showshadow"), L"true");
        EXPECT_EQ(m.GetWindowAttribute(L"shadowsize"), L"6");
        EXPECT_EQ(m.GetWindowAttribute(L"shadowsharpness"), L"10");
        EXPECT_EQ(m.GetWindowAttribute(L"shadowdarkness"), c.darkness);
        EXPECT_EQ(m.GetWindowAttribute(L"shadowposition"), L"1,1");
        EXPECT_EQ(m.GetWindowAttribute(L"shadowcolor"), c.color);
        EXPECT_EQ(m.GetFont(-1).face, L"微软雅黑");
        EXPECT_EQ(m.GetFont(-1).size, 12);
        // The caption style was dropped by the skin frame.
        EXPECT_EQ(w.GetStyle() & 0x00C10000u, 0u);
        w.DestroyWindow();
    }
}

void ExpectNamed(CPaintManagerUI& m, const NamedCase& c, const char* layout) {
    CControlUI* control = m.FindControl(c.name);
    ASSERT_NE(control, nullptr) << layout << " " << std::string(c.name, c.name + wcslen(c.name));
    EXPECT_EQ(control->GetClass(), c.cls) << std::string(c.name, c.name + wcslen(c.name));
    if (c.text) {
        EXPECT_EQ(control->GetText(), c.text) << std::string(c.name, c.name + wcslen(c.name));
    }
}

TEST_F(SkinPackageTest, MainWindowHasItsNamedControlsTextsAndPages) {
    LayoutWindow w(L"MainWnd.xml");
    ASSERT_NE(w.Create(0, L"t", WS_OVERLAPPEDWINDOW, 0), 0u);
    CPaintManagerUI& m = w.GetManager();
    const NamedCase named[] = {
        {L"mainTabLt", L"TabLayout", nullptr},
        {L"titleTabLt", L"TabLayout", nullptr},
        {L"defaultInstallBtn", L"Button", nullptr},
        {L"customeInstallBtn", L"Button", nullptr},
        {L"customeBtn", L"Button", L"自定义安装"},
        {L"treatyBtn", L"CheckBox", L"《用户许可协议》"},
        {L"backBtn", L"Button", nullptr},
        {L"openProduceBtn", L"Button", nullptr},
        {L"treatyCb", L"CheckBox", L"已同意"},
        {L"chDirBtn", L"Button", nullptr},
        {L"installDirEdit", L"Edit", nullptr},
        {L"progressLb", L"Label", L"正在安装中:0%，请稍候..."},
        {L"titleGrpCtn", L"HorizontalLayout", nullptr},
        {L"winCtn", L"VerticalLayout", nullptr},
        {L"createDSCb", L"CheckBox", L"创建桌面快捷方式"},
        {L"createQSCb", L"CheckBox", L"添加到快速启动栏"},
        {L"progressAnLb", L"SequenceLabel", nullptr},
        {L"finishedLbl", L"Label", L"安装完成"},
        {L"softNameLbl", L"Label", nullptr},
        {L"installLogo", L"Control", nullptr},
        {L"tipLbl", L"Label", nullptr},
        {L"installPrg", L"Progress", nullptr},
        {L"minbtn", L"Button", nullptr},
        {L"closebtn", L"Button", nullptr},
    };
    for (const NamedCase& c : named) ExpectNamed(m, c, "main");

    auto* tabs =
        static_cast<CTabLayoutUI*>(m.FindControl(L"mainTabLt")->GetInterface(L"TabLayout"));
    auto* titles =
        static_cast<CTabLayoutUI*>(m.FindControl(L"titleTabLt")->GetInterface(L"TabLayout"));
    ASSERT_TRUE(tabs && titles);
    EXPECT_EQ(tabs->GetCount(), 4);
    EXPECT_EQ(tabs->GetCurSel(), 0);
    EXPECT_EQ(titles->GetCount(), 3);

    // The agreement is accepted and its row hidden, so the quick install
    // starts at once; both shortcut options are on.
    auto checked = [&](const wchar_t* name) {
        auto* cb = static_cast<CCheckBoxUI*>(m.FindControl(name)->GetInterface(L"CheckBox"));
        return cb && cb->IsSelected();
    };
    EXPECT_TRUE(checked(L"treatyCb"));
    EXPECT_FALSE(m.FindControl(L"treatyCb")->GetParent()->IsVisibleSelf());
    EXPECT_TRUE(checked(L"createDSCb"));
    EXPECT_TRUE(checked(L"createQSCb"));
    EXPECT_FALSE(m.FindControl(L"backBtn")->IsVisibleSelf());
    EXPECT_FALSE(m.FindControl(L"installLogo")->IsVisibleSelf());
    EXPECT_FALSE(m.FindControl(L"tipLbl")->IsVisibleSelf());

    auto* anim = static_cast<CSequenceLabelUI*>(
        m.FindControl(L"progressAnLb")->GetInterface(L"SequenceLabel"));
    ASSERT_NE(anim, nullptr);
    EXPECT_EQ(anim->GetSequenceImage(), L"res\\mainWnd\\installBtnAnimate\\%.3d.png");
    EXPECT_EQ(anim->GetFrameCount(), 25);
    EXPECT_EQ(anim->GetSpan(), 24);
    EXPECT_TRUE(anim->IsLoop());
    EXPECT_TRUE(anim->IsAutoStart());
    EXPECT_FALSE(anim->IsRound());
    EXPECT_EQ(anim->GetFixedWidth(), 160);
    EXPECT_EQ(anim->GetFixedHeight(), 160);

    for (const wchar_t* absent : {L"serviceCb", L"ableftBtn", L"abrightBtn", L"languageCombo"})
        EXPECT_EQ(m.FindControl(absent), nullptr);
    w.DestroyWindow();
}

TEST_F(SkinPackageTest, PromptsHaveTheirButtonsAndTexts) {
    struct Prompt {
        const wchar_t* layout;
        std::vector<NamedCase> named;
    };
    const Prompt prompts[] = {
        {L"ExitTipWnd.xml",
         {{L"captionLbl", L"Label", L"温馨提示"},
          {L"textLbl", L"Label", L"您确定要退出安装吗？"},
          {L"okBtn", L"Button", L"是"},
          {L"cancelBtn", L"Button", L"否"},
          {L"closebtn", L"Button", nullptr}}},
        {L"NetworkTipWnd.xml",
         {{L"captionLbl", L"Label", L"温馨提示"},
          {L"textLbl", L"Label", L"当前网络环境较差，请在网络通畅时进行重试"},
          {L"okBtn", L"Button", L"重新安装"},
          {L"cancelBtn", L"Button", L"稍后再试"},
          {L"closebtn", L"Button", nullptr}}},
        {L"InstalledPathTipWnd.xml",
         {{L"captionLbl", L"Label", L"温馨提示"},
          {L"textLbl", L"Label", L"检测到计算机中已存在此软件，是否为您更新为最新版本？"},
          {L"okBtn", L"Button", L"安装最新版本"},
          {L"cancelBtn", L"Button", L"打开软件"},
          {L"closebtn", L"Button", nullptr}}},
        {L"MessageBox1Wnd.xml",
         {{L"captionLbl", L"Label", L"CAPTION"},
          {L"textLbl", L"Label", L"TEXT"},
          {L"closebtn", L"Button", nullptr}}},
        {L"MessageBox2Wnd.xml",
         {{L"captionLbl", L"Label", L"CAPTION"},
          {L"textLbl", L"Label", L"TEXT"},
          {L"closebtn", L"Button", nullptr}}},
    };
    for (const Prompt& p : prompts) {
        LayoutWindow w(p.layout);
        ASSERT_NE(w.Create(0, L"t", WS_OVERLAPPEDWINDOW, 0), 0u);
        for (const NamedCase& c : p.named) ExpectNamed(w.GetManager(), c, "prompt");
        auto* text =
            static_cast<CLabelUI*>(w.GetManager().FindControl(L"textLbl")->GetInterface(L"Label"));
        EXPECT_TRUE(text && text->IsMultiLine());
        const bool messageBox = std::wstring(p.layout).rfind(L"MessageBox", 0) == 0;
        EXPECT_EQ(w.GetManager().FindControl(L"okBtn") == nullptr, messageBox);
        w.DestroyWindow();
    }
}

}  // namespace
