// The installing animation inside a window: it starts by itself, runs on
// timer 2100 at its span, restarts with Start and stops with its timer.
#include <gtest/gtest.h>

#include "SkinFixture.h"
#include "ui/SequenceControls.h"

using namespace Toolkit;

namespace {

class SequenceWindowTest : public uitest::SkinTest {};

TEST_F(SequenceWindowTest, ProgressAnimationPlaysOnItsTimer) {
    uitest::OwnerWindow window;
    ASSERT_TRUE(window.Open());
    CPaintManagerUI& m = window.GetManager();
    auto* anim = static_cast<CSequenceLabelUI*>(
        m.FindControl(L"progressAnLb")->GetInterface(L"SequenceLabel"));
    ASSERT_NE(anim, nullptr);
    // Auto-start: playing although its page is hidden.
    EXPECT_TRUE(m.HasTimer(anim, kSequenceTimerId));

    Backend().AdvanceTime(24);
    EXPECT_EQ(anim->GetBkImage(), L"res\\mainWnd\\installBtnAnimate\\000.png");
    Backend().AdvanceTime(24 * 4);
    EXPECT_EQ(anim->GetBkImage(), L"res\\mainWnd\\installBtnAnimate\\004.png");

    // Start while playing: from frame 0 again, at the span it has now.
    anim->SetSpan(50);
    anim->Start();
    Backend().AdvanceTime(30);
    EXPECT_EQ(anim->GetBkImage(), L"res\\mainWnd\\installBtnAnimate\\004.png");
    Backend().AdvanceTime(20);
    EXPECT_EQ(anim->GetBkImage(), L"res\\mainWnd\\installBtnAnimate\\000.png");
    Backend().AdvanceTime(50);
    EXPECT_EQ(anim->GetBkImage(), L"res\\mainWnd\\installBtnAnimate\\001.png");

    // The owner stops it by killing the timer; the last frame stays.
    m.KillTimer(anim, kSequenceTimerId);
    Backend().AdvanceTime(240);
    EXPECT_EQ(anim->GetBkImage(), L"res\\mainWnd\\installBtnAnimate\\001.png");
    window.DestroyWindow();
}

TEST_F(SequenceWindowTest, RunWithoutLoopKillsItsTimerAtTheEnd) {
    uitest::OwnerWindow window;
    ASSERT_TRUE(window.Open());
    CPaintManagerUI& m = window.GetManager();
    auto* anim = static_cast<CSequenceLabelUI*>(
        m.FindControl(L"progressAnLb")->GetInterface(L"SequenceLabel"));
    ASSERT_NE(anim, nullptr);
    anim->SetAttribute(L"sequenceloop", L"false");
    anim->SetFrameCount(3);
    anim->Start();
    Backend().AdvanceTime(24 * 3);
    EXPECT_EQ(anim->GetBkImage(), L"res\\mainWnd\\installBtnAnimate\\002.png");
    EXPECT_TRUE(m.HasTimer(anim, kSequenceTimerId));
    Backend().AdvanceTime(24);
    EXPECT_FALSE(m.HasTimer(anim, kSequenceTimerId));
    EXPECT_EQ(anim->GetBkImage(), L"res\\mainWnd\\installBtnAnimate\\002.png");
    window.DestroyWindow();
}

}  // namespace
