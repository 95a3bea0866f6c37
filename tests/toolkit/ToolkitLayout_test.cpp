// Layout geometry and the builder, without a window.
#include <gtest/gtest.h>

#include <memory>

#include "toolkit/Toolkit.h"
#include "utils/Text.h"

using namespace Toolkit;

namespace {

// Builds `xml` into a manager of the given client size.
struct Built {
    CPaintManagerUI manager;
    CDialogBuilder builder;
    CControlUI* root = nullptr;

    Built(const char* xml, UISize client, IDialogBuilderCallback* cb = nullptr) {
        root = builder.CreateFromText(xml, cb, &manager);
        if (root) manager.AttachDialog(root);
        manager.SetClientSize(client);
        manager.EnsureLayout();
    }
    UIRect Pos(const wchar_t* name) {
        CControlUI* c = manager.FindControl(name);
        EXPECT_NE(c, nullptr) << "no control " << Utils::ToUtf8(name);
        return c ? c->GetPos() : UIRect{-1, -1, -1, -1};
    }
};

}  // namespace

TEST(ToolkitLayout, VerticalSharesTheRestAmongStretchingChildren) {
    Built b(R"(<Window><VerticalLayout name="v" inset="5,5,5,5" childpadding="2">
          <Control name="a" height="20"/>
          <Control name="b"/>
          <Control name="c" height="10" padding="3,4,7,1"/>
          <Control name="d"/>
          <Control name="hidden" height="50" visible="false"/>
        </VerticalLayout></Window>)",
            {100, 101});
    // Inner height 91; fixed 20 + 10 + 4 + 1 + three gaps of 2 = 41; 50 left: 25 each.
    EXPECT_EQ(b.Pos(L"a"), (UIRect{5, 5, 95, 25}));
    EXPECT_EQ(b.Pos(L"b"), (UIRect{5, 27, 95, 52}));
    EXPECT_EQ(b.Pos(L"c"), (UIRect{8, 58, 88, 68}));
    EXPECT_EQ(b.Pos(L"d"), (UIRect{5, 71, 95, 96}));
}

TEST(ToolkitLayout, HorizontalFixedWidthsPaddingAndRemainder) {
    Built b(R"(<Window><HorizontalLayout>
          <Control name="a" width="30" height="10" padding="0,5,0,0"/>
          <Control name="b"/>
          <Control name="c"/>
          <Control name="d" width="20" padding="4,0,6,0"/>
        </HorizontalLayout></Window>)",
            {101, 40});
    // Fixed 30 + 20 + 10 = 60; 41 left for two: 21 and 20.
    EXPECT_EQ(b.Pos(L"a"), (UIRect{0, 5, 30, 15}));
    EXPECT_EQ(b.Pos(L"b"), (UIRect{30, 0, 51, 40}));
    EXPECT_EQ(b.Pos(L"c"), (UIRect{51, 0, 71, 40}));
    EXPECT_EQ(b.Pos(L"d"), (UIRect{75, 0, 95, 40}));
}

TEST(ToolkitLayout, OversizedGeometryIsBoundedInsteadOfOverflowing) {
    // Sums of 32-bit values would overflow here; each is kept within a million.
    Built b(R"(<Window><HorizontalLayout childpadding="99999999999">
          <Control name="a" width="99999999999" padding="99999999999,0,99999999999,0"/>
          <Control name="b" width="3000000000"/>
          <Control name="f" pos="99999999999,0,99999999999,10" width="99999999999"/>
        </HorizontalLayout></Window>)",
            {100, 40});
    EXPECT_EQ(b.Pos(L"a"), (UIRect{1000000, 0, 2000000, 40}));
    EXPECT_EQ(b.Pos(L"b"), (UIRect{4000000, 0, 5000000, 40}));
    EXPECT_EQ(b.Pos(L"f"), (UIRect{1000000, 0, 2000000, 10}));
}

TEST(ToolkitLayout, PosPlacesAControlRelativeToItsParent) {
    Built b(R"(<Window><VerticalLayout>
          <Control name="top" height="30"/>
          <Container name="box">
            <Control name="floating" pos="10,20,60,45"/>
            <Control name="sized" pos="5,5,40,15" float="false"/>
            <Control name="fill"/>
          </Container>
        </VerticalLayout></Window>)",
            {200, 100});
    EXPECT_EQ(b.Pos(L"floating"), (UIRect{10, 50, 60, 75}));
    // With float="false" only the size of "pos" counts.
    EXPECT_EQ(b.Pos(L"sized"), (UIRect{0, 30, 35, 40}));
    EXPECT_EQ(b.Pos(L"fill"), (UIRect{0, 30, 200, 100}));
    // The floating control does not take space from its siblings and is hit first.
    EXPECT_EQ(b.manager.FindControl(UIPoint{20, 60})->GetName(), L"floating");
}

TEST(ToolkitLayout, TabPagesShareTheAreaAndOnlyOneIsVisible) {
    Built b(R"(<Window><TabLayout name="tabs" selectedid="1">
          <Label name="p0" text="zero"/>
          <Label name="p1" text="one"/>
          <Label name="p2" text="two"/>
        </TabLayout></Window>)",
            {50, 20});
    auto* tabs = static_cast<CTabLayoutUI*>(b.manager.FindControl(L"tabs"));
    ASSERT_NE(tabs, nullptr);
    EXPECT_EQ(tabs->GetCurSel(), 1);
    EXPECT_FALSE(b.manager.FindControl(L"p0")->IsVisible());
    EXPECT_TRUE(b.manager.FindControl(L"p1")->IsVisible());
    EXPECT_EQ(b.Pos(L"p2"), (UIRect{0, 0, 50, 20}));
    EXPECT_EQ(b.manager.FindControl(UIPoint{5, 5})->GetName(), L"p1");
}

namespace {

class Gauge : public CLabelUI {
public:
    std::wstring GetClass() const override { return L"Gauge"; }
    bool SetAttribute(const std::wstring& name, const std::wstring& value) override {
        if (name == L"needle") {
            needle = ParseInt(value);
            return true;
        }
        return CLabelUI::SetAttribute(name, value);
    }
    void OnInit() override { ++inits; }
    int needle = 0;
    int inits = 0;
};

class GaugeFactory : public IDialogBuilderCallback {
public:
    CControlUI* CreateControl(const std::wstring& cls) override {
        asked.push_back(cls);
        return cls == L"Gauge" ? new Gauge : nullptr;
    }
    std::vector<std::wstring> asked;
};

}  // namespace

TEST(ToolkitLayout, BuilderAsksTheCallbackOnlyForUnknownClasses) {
    GaugeFactory factory;
    Built b(
        R"(<Window size="600,400" caption="0,0,0,35" roundcorner="2,2" showshadow="true" shadowcolor="#26003B76">
          <Font id="0" name="微软雅黑" size="12"/>
          <Font id="3" name="微软雅黑" size="18" bold="true" default="true"/>
          <Font id="7" name="微软雅黑" size="12" underline="true"/>
          <VerticalLayout>
            <Gauge name="g" needle="42" text="x" hotborercolor="#FF000000"/>
            <Label name="l" text="plain"/>
            <Spinner name="s"><Label name="insideUnknown"/></Spinner>
          </VerticalLayout></Window>)",
        {600, 400}, &factory);
    ASSERT_NE(b.root, nullptr);
    EXPECT_EQ(factory.asked, (std::vector<std::wstring>{L"Gauge", L"Spinner"}));
    auto* g = static_cast<Gauge*>(b.manager.FindControl(L"g"));
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->needle, 42);
    EXPECT_EQ(g->inits, 1);
    EXPECT_EQ(g->GetText(), L"x");
    // Unknown names are listed and otherwise ignored.
    EXPECT_EQ(b.builder.Unknown(), (std::vector<std::wstring>{L"Gauge.hotborercolor", L"Spinner"}));
    EXPECT_EQ(b.manager.FindControl(L"insideUnknown"), nullptr);
    EXPECT_EQ(b.manager.FindControl(L"absent"), nullptr);
    // Window attributes by name.
    EXPECT_EQ(b.manager.GetWindowAttribute(L"showshadow"), L"true");
    EXPECT_EQ(b.manager.GetWindowAttribute(L"shadowcolor"), L"#26003B76");
    EXPECT_EQ(b.manager.GetWindowAttribute(L"shadowsize"), L"");
    EXPECT_EQ(b.manager.GetInitSize(), (UISize{600, 400}));
    EXPECT_EQ(b.manager.GetCaptionRect(), (UIRect{0, 0, 0, 35}));
    EXPECT_EQ(b.manager.GetRoundCorner(), (UISize{2, 2}));
    // Fonts by id, one default.
    EXPECT_EQ(b.manager.GetDefaultFont().size, 18);
    EXPECT_TRUE(b.manager.GetDefaultFont().bold);
    EXPECT_TRUE(b.manager.GetFont(7).underline);
    EXPECT_EQ(b.manager.GetFont(99).size, 18);
}

TEST(ToolkitLayout, AttributesReadBackAndUnknownOnesAreRefused) {
    CButtonUI button;
    struct Case {
        const wchar_t* name;
        const wchar_t* value;
        bool accepted;
    } cases[] = {
        {L"name", L"okBtn", true},
        {L"text", L"是", true},
        {L"width", L"80", true},
        {L"hottextcolor", L"#FFFFFFFF", true},
        {L"pushedbordercolor", L"0xFF000000", true},
        {L"borderround", L"4,4", true},
        {L"userdata", L"tmpl %d", true},
        {L"hotborercolor", L"#FF00FF00", false},
        {L"selected", L"true", false},
        {L"sequencecount", L"25", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(button.SetAttribute(c.name, c.value), c.accepted) << Utils::ToUtf8(c.name);
        EXPECT_EQ(button.GetAttribute(c.name), c.accepted ? std::wstring(c.value) : std::wstring())
            << Utils::ToUtf8(c.name);
    }
    EXPECT_EQ(button.GetName(), L"okBtn");
    EXPECT_EQ(button.GetFixedWidth(), 80);
    EXPECT_EQ(button.GetUserData(), L"tmpl %d");
    EXPECT_EQ(button.GetBorderRound(), (UISize{4, 4}));
}

TEST(ToolkitLayout, BrokenXmlGivesTheLineAndNoTree) {
    CPaintManagerUI manager;
    CDialogBuilder builder;
    EXPECT_EQ(builder.CreateFromText("<Window>\n<VerticalLayout>\n<Label>\n</VerticalLayout>",
                                     nullptr, &manager),
              nullptr);
    EXPECT_NE(builder.GetLastError().find("line 4"), std::string::npos) << builder.GetLastError();
    EXPECT_EQ(
        builder.CreateFromText("<Window size=\"1,1\"><Font id=\"0\"/></Window>", nullptr, &manager),
        nullptr);
    EXPECT_NE(builder.GetLastError().find("no control"), std::string::npos)
        << builder.GetLastError();
    EXPECT_EQ(builder.CreateFromText("", nullptr, &manager), nullptr);
}

TEST(ToolkitLayout, TextTableFillsNumberedTexts) {
    CPaintManagerUI::ClearTextTable();
    CPaintManagerUI::SetTextTableEntry(L"104", L"磁盘空间不足");
    Built b(
        R"(<Window><VerticalLayout><Label name="a" textid="104" text="fallback"/><Label name="b" textid="7"/></VerticalLayout></Window>)",
        {10, 10});
    EXPECT_EQ(b.manager.FindControl(L"a")->GetText(), L"磁盘空间不足");
    EXPECT_EQ(b.manager.FindControl(L"b")->GetText(), L"");
    CPaintManagerUI::SetTextTableEntry(L"7", L"seven");
    b.manager.ReapplyTexts();
    EXPECT_EQ(b.manager.FindControl(L"b")->GetText(), L"seven");
    CPaintManagerUI::ClearTextTable();
}
