// The keyboard as a dialog's user expects it (Tab order, Enter and Space,
// Escape), the focus ring, the input-method switch, the folder chooser and
// what a window tells its host, through the headless backend.
#include <gtest/gtest.h>

#include "ToolkitTestSupport.h"

using namespace Toolkit;
using tktest::TestWindow;

namespace {

class ToolkitKeyboard : public tktest::HeadlessTest {
protected:
    TestWindow window;
    void TearDown() override {
        window.DestroyWindow();
        HeadlessTest::TearDown();
    }
    void Open() {
        ASSERT_NE(window.Create(0, L"Test", WS_VISIBLE | WS_OVERLAPPEDWINDOW, 0), 0u);
        window.GetManager().EnsureLayout();
    }
    std::wstring Focused() {
        CControlUI* f = window.GetManager().GetFocus();
        return f ? f->GetName() : L"(none)";
    }
    // The names the focus visits on `count` presses of Tab (or Shift+Tab).
    std::vector<std::wstring> Walk(int count, bool back = false) {
        std::vector<std::wstring> seen;
        for (int i = 0; i < count; ++i) {
            backend->KeyPress(window, VK_TAB, back ? MK_SHIFT : 0);
            seen.push_back(Focused());
        }
        return seen;
    }
};

}  // namespace

TEST_F(ToolkitKeyboard, TabAndShiftTabVisitEnabledVisibleControlsInLayoutOrder) {
    Open();
    // Labels, plain controls and the hidden page are skipped; the walk wraps.
    EXPECT_EQ(Walk(6), (std::vector<std::wstring>{L"minbtn", L"closebtn", L"stateBtn", L"check",
                                                  L"edit", L"minbtn"}));
    window.GetManager().SetFocus(nullptr);
    EXPECT_EQ(Walk(3, true), (std::vector<std::wstring>{L"edit", L"check", L"stateBtn"}));

    window.Find<CControlUI>(L"stateBtn")->SetEnabled(false);
    window.Find<CControlUI>(L"check")->SetVisible(false);
    window.GetManager().SetFocus(window.Find<CControlUI>(L"closebtn"));
    EXPECT_EQ(Walk(2), (std::vector<std::wstring>{L"edit", L"minbtn"}));

    // Another page: the first page's controls are out of the walk.
    window.Find<CTabLayoutUI>(L"tabs")->SelectItem(1);
    EXPECT_EQ(Walk(3), (std::vector<std::wstring>{L"minbtn", L"closebtn", L"minbtn"}));
    // Ctrl+Tab is not a focus move.
    backend->KeyPress(window, VK_TAB, MK_CONTROL);
    EXPECT_EQ(Focused(), L"minbtn");
}

TEST_F(ToolkitKeyboard, EnterAndSpaceActivateTheFocusedButtonOrCheckBox) {
    Open();
    auto* check = window.Find<CCheckBoxUI>(L"check");
    check->SetFocus();
    backend->KeyPress(window, ' ');
    EXPECT_TRUE(check->GetCheck());
    backend->KeyPress(window, VK_RETURN);
    EXPECT_FALSE(check->GetCheck());
    EXPECT_EQ(window.notes,
              (std::vector<std::wstring>{L"click check 0", L"selectchanged check 0",
                                         L"click check 0", L"selectchanged check 0"}));
    window.notes.clear();
    window.Find<CControlUI>(L"stateBtn")->SetFocus();
    backend->KeyPress(window, VK_RETURN);
    backend->KeyPress(window, ' ');
    EXPECT_EQ(window.notes, (std::vector<std::wstring>{L"click stateBtn 0", L"click stateBtn 0"}));
    // A focused button that becomes disabled ignores the keys.
    window.notes.clear();
    window.Find<CControlUI>(L"stateBtn")->SetEnabled(false);
    backend->KeyPress(window, VK_RETURN);
    EXPECT_TRUE(window.notes.empty());
    // In an edit Enter is the edit's own "return", and Space is typed text.
    window.Find<CControlUI>(L"edit")->SetFocus();
    backend->KeyPress(window, VK_RETURN);
    backend->TypeText(window, L"a b");
    EXPECT_EQ(window.notes.front(), L"return edit 0");
    EXPECT_EQ(window.Find<CControlUI>(L"edit")->GetText(), L"a b");
}

TEST_F(ToolkitKeyboard, EscapeIsTheCloseButtonWhenTheWindowHasOne) {
    Open();
    window.Find<CControlUI>(L"edit")->SetFocus();
    // Hidden or disabled, the close button does not answer Escape.
    window.Find<CControlUI>(L"closebtn")->SetEnabled(false);
    backend->KeyPress(window, VK_ESCAPE);
    CMessageLoop::Instance().RunPending();
    EXPECT_TRUE(window.IsAlive());
    window.Find<CControlUI>(L"closebtn")->SetEnabled(true);
    backend->KeyPress(window, VK_ESCAPE);
    EXPECT_EQ(window.notes, (std::vector<std::wstring>{L"click closebtn 0"}));
    CMessageLoop::Instance().RunPending();
    EXPECT_FALSE(window.IsAlive());
    EXPECT_EQ(window.GetResult(), IDOK);

    // A window without one stays.
    TestWindow dialog;
    dialog.layout = L"dialog.xml";
    ASSERT_NE(dialog.Create(0, L"d", WS_VISIBLE, 0), 0u);
    backend->KeyPress(dialog, VK_ESCAPE);
    CMessageLoop::Instance().RunPending();
    EXPECT_TRUE(dialog.IsAlive());
    EXPECT_TRUE(dialog.notes.empty());
    dialog.DestroyWindow();
}

TEST_F(ToolkitKeyboard, AnOpenListTakesEscapeAndEnterBeforeTheWindow) {
    Open();
    CDialogBuilder builder;
    CControlUI* made = builder.CreateFromText("<Combo name=\"combo\" height=\"20\"/>", &window,
                                              &window.GetManager(), window.GetManager().GetRoot());
    ASSERT_NE(made, nullptr);
    auto* combo = static_cast<CComboUI*>(made);
    combo->AddItem(L"one");
    combo->AddItem(L"two");
    window.GetManager().EnsureLayout();
    combo->SetFocus();
    backend->KeyPress(window, ' ');
    EXPECT_TRUE(combo->IsDropped());
    backend->KeyPress(window, VK_DOWN);
    backend->KeyPress(window, VK_ESCAPE);
    EXPECT_FALSE(combo->IsDropped());
    EXPECT_EQ(combo->GetCurSel(), 0);
    backend->KeyPress(window, VK_RETURN);
    EXPECT_TRUE(combo->IsDropped());
    backend->KeyPress(window, VK_RETURN);
    EXPECT_FALSE(combo->IsDropped());
    CMessageLoop::Instance().RunPending();
    EXPECT_TRUE(window.IsAlive());
}

TEST_F(ToolkitKeyboard, TheFocusRingShowsAfterTheKeyboardAndGoesWithTheMouse) {
    Open();
    CControlUI* btn = window.Find<CControlUI>(L"stateBtn");
    const UIRect rc = btn->GetPos();  // 80,40 to 100,60 in the window
    auto ringPixel = [&] {
        cairo_surface_t* shot = backend->Snapshot(window);
        uint32_t p = tktest::Pixel(shot, rc.left - 2, rc.top + rc.Height() / 2);
        cairo_surface_destroy(shot);
        return p;
    };
    const uint32_t background = ringPixel();
    btn->SetFocus();  // focus given by the program, not by the keyboard: no ring
    EXPECT_EQ(ringPixel(), background);
    backend->Records().invalidated.clear();
    do {  // round the window once, back to the button
        backend->KeyPress(window, VK_TAB);
    } while (window.GetManager().GetFocus() != btn);
    EXPECT_TRUE(window.GetManager().IsFocusRingShown());
    EXPECT_EQ(ringPixel(), kDefaultFocusRingColor);
    // The repaint asked for covers the ring, which lies outside the control.
    const UIRect ring = CPaintManagerUI::FocusRingRect(rc);
    bool covered = false;
    for (const UIRect& r : backend->Records().invalidated) covered |= r.Intersect(ring) == ring;
    EXPECT_TRUE(covered);
    // A press elsewhere hides it; the next Tab brings it back on the next control.
    backend->ClickAt(window, {5, 140});
    EXPECT_FALSE(window.GetManager().IsFocusRingShown());
    EXPECT_EQ(ringPixel(), background);
    backend->KeyPress(window, VK_TAB);
    EXPECT_EQ(Focused(), L"check");
    EXPECT_EQ(ringPixel(), background);
}

TEST_F(ToolkitKeyboard, TheInputMethodServesOnlyAFocusedEdit) {
    Open();
    EXPECT_FALSE(CHeadlessBackend::HostState(window).textInput);
    CControlUI* edit = window.Find<CControlUI>(L"edit");
    ASSERT_TRUE(backend->Click(window, L"edit"));
    CHeadlessBackend::THostState state = CHeadlessBackend::HostState(window);
    EXPECT_TRUE(state.textInput);
    EXPECT_FALSE(state.caret.IsEmpty());
    EXPECT_EQ(state.caret.Intersect(edit->GetPos()), state.caret);
    // After typing and a paint the candidates follow the caret to the right.
    backend->TypeText(window, L"目录");
    cairo_surface_destroy(backend->Snapshot(window));
    EXPECT_GT(CHeadlessBackend::HostState(window).caret.left, state.caret.left);
    backend->KeyPress(window, VK_TAB);  // to the next control, a button
    EXPECT_FALSE(CHeadlessBackend::HostState(window).textInput);
    static_cast<CEditUI*>(edit)->SetReadOnly(true);
    edit->SetFocus();
    EXPECT_FALSE(CHeadlessBackend::HostState(window).textInput);
}

TEST_F(ToolkitKeyboard, TheFolderChooserIsModalTitledAndAnsweredByTheTest) {
    Open();
    std::wstring path = L"unchanged";
    // No answer set: the user cancelled.
    EXPECT_FALSE(window.ChooseFolder(L"选择一个文件夹", &path));
    EXPECT_EQ(path, L"unchanged");
    backend->SetNextFolderAnswer(L"/home/user/软件");
    EXPECT_TRUE(window.ChooseFolder(L"选择一个文件夹", &path));
    EXPECT_EQ(backend->Records().folderStart, L"unchanged");  // opened at the given folder
    EXPECT_EQ(path, L"/home/user/软件");
    EXPECT_EQ(backend->Records().folderChoosers,
              (std::vector<std::wstring>{L"选择一个文件夹", L"选择一个文件夹"}));
    EXPECT_FALSE(backend->Records().folderOwnerTookInput);
    // The answer was used once; the window takes input again afterwards.
    EXPECT_FALSE(window.ChooseFolder(L"x", &path));
    EXPECT_TRUE(window.IsEnabled());
    EXPECT_TRUE(backend->Click(window, L"check"));
}

TEST_F(ToolkitKeyboard, TheHostGetsTheTitleClassAndIcon) {
    Open();
    window.SetIcon(145);
    CHeadlessBackend::THostState state = CHeadlessBackend::HostState(window);
    EXPECT_EQ(state.title, L"Test");
    EXPECT_EQ(state.className, L"TestWnd");
    EXPECT_GT(state.iconBytes, 0u);
    backend->Records().log.clear();
    window.Minimize();
    window.BringToFront();
    EXPECT_FALSE(window.GetHost()->IsMinimized());
    EXPECT_EQ(backend->Records().log, (std::vector<std::wstring>{L"front Test"}));
}
