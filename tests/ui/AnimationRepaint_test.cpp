// What the installing animation costs the window: each frame asks to repaint
// the animation's own rectangle and nothing else; hidden, it repaints
// nothing; stopped, the window has no timer left to wake it.
#include <gtest/gtest.h>

#include "SkinFixture.h"
#include "ui/SequenceControls.h"

using namespace Toolkit;

namespace {

class AnimationRepaint : public uitest::SkinTest {
protected:
    void SetUp() override {
        uitest::SkinTest::SetUp();
        ASSERT_TRUE(window.Open());
        window.GetManager().EnsureLayout();
        tabs = static_cast<CTabLayoutUI*>(
            window.GetManager().FindControl(L"mainTabLt")->GetInterface(L"TabLayout"));
        anim = static_cast<CSequenceLabelUI*>(
            window.GetManager().FindControl(L"progressAnLb")->GetInterface(L"SequenceLabel"));
        ASSERT_NE(tabs, nullptr);
        ASSERT_NE(anim, nullptr);
    }
    void TearDown() override {
        window.DestroyWindow();
        uitest::SkinTest::TearDown();
    }
    // Shows `page`, lays it out and paints it once, then forgets the repaint
    // requests made so far.
    void Show(int page) {
        tabs->SelectItem(page);
        window.GetManager().EnsureLayout();
        cairo_surface_destroy(Backend().Snapshot(window));
        Backend().Records().invalidated.clear();
    }
    uitest::OwnerWindow window;
    CTabLayoutUI* tabs = nullptr;
    CSequenceLabelUI* anim = nullptr;
};

}  // namespace

TEST_F(AnimationRepaint, EachFrameRepaintsOnlyTheAnimation) {
    Show(2);
    const UIRect rc = anim->GetPos();
    ASSERT_EQ(rc.Width(), 160);
    ASSERT_EQ(rc.Height(), 160);
    const uint64_t fired = CMessageLoop::Instance().TimersFired();
    Backend().AdvanceTime(24 * 25);  // one round of the 25 frames
    EXPECT_EQ(CMessageLoop::Instance().TimersFired() - fired, 25u);
    const std::vector<UIRect>& asked = Backend().Records().invalidated;
    ASSERT_GE(asked.size(), 25u);
    for (const UIRect& r : asked) EXPECT_EQ(r, rc);
    // The frames did change: the picture there is a later one.
    EXPECT_EQ(anim->GetBkImage(), L"res\\mainWnd\\installBtnAnimate\\024.png");
}

TEST_F(AnimationRepaint, AHiddenAnimationRepaintsNothing) {
    Show(0);
    ASSERT_TRUE(window.GetManager().HasTimer(anim, kSequenceTimerId));  // plays while hidden
    Backend().AdvanceTime(1000);
    EXPECT_TRUE(Backend().Records().invalidated.empty());
}

TEST_F(AnimationRepaint, AStoppedAnimationLeavesTheWindowWithoutTimers) {
    Show(3);
    // The finished page stops the animation, as the main window does.
    window.GetManager().KillTimer(anim, kSequenceTimerId);
    EXPECT_EQ(CMessageLoop::Instance().NextTimerDelayMs(), -1);
    const uint64_t fired = CMessageLoop::Instance().TimersFired();
    Backend().AdvanceTime(10000);
    EXPECT_EQ(CMessageLoop::Instance().TimersFired(), fired);
    EXPECT_TRUE(Backend().Records().invalidated.empty());
}
