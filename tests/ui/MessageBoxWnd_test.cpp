// The prompts: their answers, the owner while they run, their texts.
#include "ui/MessageBoxWnd.h"

#include <gtest/gtest.h>

#include "SkinFixture.h"

using namespace Toolkit;
using uitest::OwnerWindow;

namespace {

class MessageBoxTest : public uitest::SkinTest {
protected:
    void SetUp() override {
        uitest::SkinTest::SetUp();
        ASSERT_TRUE(owner.Open());
    }
    void TearDown() override {
        CMessageBoxWnd::SetShowHook(nullptr);
        if (owner.IsAlive()) owner.DestroyWindow();
        uitest::SkinTest::TearDown();
    }
    // Runs `act` inside the prompt's own loop, once it is up.
    void WhileShown(std::function<void(CMessageBoxWnd&)> act) {
        CMessageBoxWnd::SetShowHook([this, act](CMessageBoxWnd& box) {
            CMessageLoop::Instance().PostTask([this, act, &box] {
                ownerEnabledInside = owner.IsEnabled();
                act(box);
            });
        });
    }

    OwnerWindow owner;
    bool ownerEnabledInside = true;
};

struct AnswerCase {
    const wchar_t* layout;
    const wchar_t* click;  // null: the prompt is closed without a click
    int answer;
};

TEST_F(MessageBoxTest, AnswersFollowTheButtonThatEndedThePrompt) {
    const AnswerCase cases[] = {
        {L"ExitTipWnd.xml", L"okBtn", 0},          {L"ExitTipWnd.xml", L"cancelBtn", 1},
        {L"ExitTipWnd.xml", L"closebtn", 2},       {L"ExitTipWnd.xml", nullptr, 1},
        {L"NetworkTipWnd.xml", L"okBtn", 0},       {L"NetworkTipWnd.xml", L"cancelBtn", 1},
        {L"InstalledPathTipWnd.xml", L"okBtn", 0}, {L"InstalledPathTipWnd.xml", L"closebtn", 2},
        {L"MessageBox1Wnd.xml", L"closebtn", 2},   {L"MessageBox2Wnd.xml", nullptr, 1},
    };
    for (const AnswerCase& c : cases) {
        const std::wstring click = c.click ? c.click : L"";
        bool clicked = false;
        WhileShown([&](CMessageBoxWnd& box) {
            if (click.empty())
                box.PostMessage(WM_CLOSE);  // keyboard or system menu: no click
            else
                clicked = Backend().Click(box, click);
            // A click that missed must not leave the test waiting.
            if (!click.empty() && !clicked) box.PostMessage(WM_CLOSE);
        });
        ownerEnabledInside = true;
        const int answer =
            CMessageBoxWnd::Show(owner.GetHWND(), SkinDescription::ForLayout(c.layout));
        const std::string what = std::string(c.layout, c.layout + wcslen(c.layout)) + " " +
                                 std::string(click.begin(), click.end());
        if (!click.empty()) {
            EXPECT_TRUE(clicked) << what;
        }
        EXPECT_EQ(answer, c.answer) << what;
        EXPECT_FALSE(ownerEnabledInside) << what << ": owner enabled while the prompt ran";
        EXPECT_TRUE(owner.IsEnabled()) << what << ": owner still disabled afterwards";
    }
}

TEST_F(MessageBoxTest, MessagesPostedToTheOwnerAreDispatchedWhileThePromptRuns) {
    owner.PostMessage(uitest::kReportMessage, 1002);
    size_t seenInside = 0;
    WhileShown([&](CMessageBoxWnd& box) {
        seenInside = owner.reports.size();
        Backend().Click(box, L"okBtn");
    });
    EXPECT_EQ(CMessageBoxWnd::Show(owner.GetHWND(), SkinDescription::ForLayout(L"ExitTipWnd.xml")),
              0);
    EXPECT_EQ(seenInside, 1u);
    ASSERT_EQ(owner.reports.size(), 1u);
    EXPECT_EQ(owner.reports[0], 1002u);
}

// Rows of the label that hold text pixels, grouped into bands (lines).
int TextLines(cairo_surface_t* shot, const UIRect& rc) {
    cairo_surface_flush(shot);
    const unsigned char* data = cairo_image_surface_get_data(shot);
    const int stride = cairo_image_surface_get_stride(shot);
    int bands = 0;
    bool inBand = false;
    for (int y = rc.top; y < rc.bottom; ++y) {
        bool ink = false;
        for (int x = rc.left; x < rc.right && !ink; ++x) {
            const uint32_t p = reinterpret_cast<const uint32_t*>(data + y * stride)[x];
            const int r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
            ink = r < 150 && g < 150 && b < 190;  // the dark text on the white body
        }
        if (ink && !inBand) ++bands;
        inBand = ink;
    }
    return bands;
}

TEST_F(MessageBoxTest, TextWithCrLfShowsOnTwoLinesAndCaptionIsSet) {
    const wchar_t* text = L"安装程序检测到Lumora\r\n正在运行，请退出程序后再安装";
    std::wstring shownText, shownCaption;
    int lines = 0;
    WhileShown([&](CMessageBoxWnd& box) {
        CControlUI* label = box.GetManager().FindControl(L"textLbl");
        CControlUI* caption = box.GetManager().FindControl(L"captionLbl");
        if (label && caption) {
            shownText = label->GetText();
            shownCaption = caption->GetText();
            box.GetManager().EnsureLayout();
            cairo_surface_t* shot = Backend().Snapshot(box);
            lines = TextLines(shot, label->GetPos());
            cairo_surface_destroy(shot);
        }
        box.PostMessage(WM_CLOSE);
    });
    EXPECT_EQ(
        CMessageBoxWnd::Show(owner.GetHWND(), SkinDescription::ForLayout(L"MessageBox1Wnd.xml"),
                             text, L"温馨提示"),
        1);
    EXPECT_EQ(shownText, text);
    EXPECT_EQ(shownCaption, L"温馨提示");
    EXPECT_EQ(lines, 2);
}

TEST_F(MessageBoxTest, AbsentTextKeepsTheLayoutsOwn) {
    std::wstring shownText;
    WhileShown([&](CMessageBoxWnd& box) {
        if (CControlUI* label = box.GetManager().FindControl(L"textLbl"))
            shownText = label->GetText();
        box.PostMessage(WM_CLOSE);
    });
    CMessageBoxWnd::Show(owner.GetHWND(), SkinDescription::ForLayout(L"ExitTipWnd.xml"));
    EXPECT_EQ(shownText, L"您确定要退出安装吗？");
}

TEST_F(MessageBoxTest, DestroyingTheOwnerEndsThePromptWithTheInitialAnswer) {
    WhileShown([&](CMessageBoxWnd&) { owner.DestroyWindow(); });
    EXPECT_EQ(CMessageBoxWnd::Show(owner.GetHWND(), SkinDescription::ForLayout(L"ExitTipWnd.xml")),
              1);
    EXPECT_FALSE(owner.IsAlive());
}

TEST_F(MessageBoxTest, PromptHasItsOwnShadowFromItsLayout) {
    int darkness = -1;
    uint32_t color = 0;
    bool created = false;
    WhileShown([&](CMessageBoxWnd& box) {
        created = box.GetShadow().IsCreated();
        darkness = box.GetShadow().Settings().darkness;
        color = box.GetShadow().Settings().color;
        box.PostMessage(WM_CLOSE);
    });
    CMessageBoxWnd::Show(owner.GetHWND(), SkinDescription::ForLayout(L"InstalledPathTipWnd.xml"));
    EXPECT_TRUE(created);
    EXPECT_EQ(darkness, 10);
    EXPECT_EQ(color, 0xFFEDF0F4u);
}

}  // namespace
