// Windows driven through the headless backend: notifications, timers,
// modal loops, posted messages, input, and the layout failure.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "ToolkitTestSupport.h"

using namespace Toolkit;
using tktest::TestWindow;

namespace {

class ToolkitWindow : public tktest::HeadlessTest {
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
};

}  // namespace

TEST_F(ToolkitWindow, CreationLoadsTheLayoutSizeAndRunsInitWindowOnce) {
    Open();
    EXPECT_EQ(window.initCalls, 1);
    EXPECT_EQ(window.GetWindowRect().Width(), 200);
    EXPECT_EQ(window.GetWindowRect().Height(), 150);
    EXPECT_TRUE(window.GetHost()->IsShown());
    EXPECT_EQ(window.GetManager().GetWindowAttribute(L"showshadow"), L"TRUE");
    ASSERT_NE(window.GetManager().GetRoot(), nullptr);
    EXPECT_EQ(window.GetManager().GetRoot()->GetName(), L"root");
}

TEST_F(ToolkitWindow, TabSelectionNotifiesOnlyForARealChange) {
    Open();
    auto* tabs = window.Find<CTabLayoutUI>(L"tabs");
    ASSERT_NE(tabs, nullptr);
    EXPECT_FALSE(tabs->SelectItem(0));
    EXPECT_TRUE(window.notes.empty());
    EXPECT_TRUE(tabs->SelectItem(1));
    EXPECT_EQ(window.notes, (std::vector<std::wstring>{L"tabselect tabs 1"}));
    EXPECT_FALSE(tabs->SelectItem(1));
    EXPECT_FALSE(tabs->SelectItem(5));
    EXPECT_EQ(window.notes.size(), 1u);
    EXPECT_EQ(tabs->GetCurSel(), 1);
    EXPECT_FALSE(window.Find<CControlUI>(L"check")->IsVisible());
    EXPECT_EQ(window.Find<CControlUI>(L"page1Lbl")->GetUserData(), L"data of page 1");
    // A control on a hidden page cannot be clicked.
    EXPECT_FALSE(backend->Click(window, L"check"));
}

TEST_F(ToolkitWindow, CheckBoxTogglesOnClickAndNotifies) {
    Open();
    auto* check = window.Find<CCheckBoxUI>(L"check");
    ASSERT_NE(check, nullptr);
    EXPECT_FALSE(check->GetCheck());
    ASSERT_TRUE(backend->Click(window, L"check"));
    EXPECT_TRUE(check->GetCheck());
    EXPECT_EQ(window.notes,
              (std::vector<std::wstring>{L"click check 0", L"selectchanged check 0"}));
    window.notes.clear();
    check->SetCheck(true);  // no change, no notification
    EXPECT_TRUE(window.notes.empty());
    check->SetCheck(false, false);
    EXPECT_TRUE(window.notes.empty());
    check->SetCheck(true);
    EXPECT_EQ(window.notes, (std::vector<std::wstring>{L"selectchanged check 0"}));
    // Disabled: a click does nothing.
    window.notes.clear();
    check->SetEnabled(false);
    backend->Click(window, L"check");
    EXPECT_TRUE(check->GetCheck());
    EXPECT_TRUE(window.notes.empty());
}

TEST_F(ToolkitWindow, ProgressValueIsClampedToItsRange) {
    Open();
    auto* bar = window.Find<CProgressUI>(L"bar");
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->GetValue(), 50);
    struct Case {
        int set, expected;
    } cases[] = {{35, 35}, {100, 100}, {101, 100}, {-3, 0}, {74, 74}, {1000000, 100}};
    for (const Case& c : cases) {
        bar->SetValue(c.set);
        EXPECT_EQ(bar->GetValue(), c.expected) << c.set;
    }
    bar->SetMaxValue(60);
    EXPECT_EQ(bar->GetValue(), 60);
}

TEST_F(ToolkitWindow, ComboSelectionNotifiesWithTheIndex) {
    Open();
    auto* combo = new CComboUI;
    combo->SetName(L"languageCombo");
    combo->SetFloatPos({10, 10, 100, 30});
    combo->SetFloat(true);
    static_cast<CContainerUI*>(window.Find<CControlUI>(L"page0"))->Add(combo);
    EXPECT_EQ(window.Find<CComboUI>(L"languageCombo"), combo);
    combo->AddItem(L"en-US");
    combo->AddItem(L"zh-CN");
    combo->AddItem(L"de-DE");
    EXPECT_EQ(combo->GetCurSel(), -1);
    EXPECT_TRUE(combo->SelectItem(2));
    EXPECT_FALSE(combo->SelectItem(2));
    EXPECT_FALSE(combo->SelectItem(3));
    EXPECT_EQ(combo->GetText(), L"de-DE");
    EXPECT_EQ(window.notes.back(), L"itemselect languageCombo 2");
    // Open the list with a click and pick the second item with another.
    window.GetManager().EnsureLayout();
    ASSERT_TRUE(backend->Click(window, L"languageCombo"));
    ASSERT_TRUE(combo->IsDropped());
    UIRect list = combo->GetDropRect();
    backend->ClickAt(window, {list.left + 5, list.top + combo->ItemHeight() + 3});
    EXPECT_FALSE(combo->IsDropped());
    EXPECT_EQ(combo->GetCurSel(), 1);
    EXPECT_EQ(window.notes.back(), L"itemselect languageCombo 1");
}

TEST_F(ToolkitWindow, ControlTimersArriveAsTimerNotificationsUntilKilled) {
    Open();
    CControlUI* root = window.GetManager().GetRoot();
    CControlUI* bar = window.Find<CControlUI>(L"bar");
    ASSERT_TRUE(window.GetManager().SetTimer(root, 10, 3000));
    ASSERT_TRUE(window.GetManager().SetTimer(bar, 2100, 24));
    uint64_t firedBefore = CMessageLoop::Instance().TimersFired();
    backend->AdvanceTime(100);
    EXPECT_EQ(CMessageLoop::Instance().TimersFired() - firedBefore, 4u);
    int barTicks = 0, rootTicks = 0;
    for (const auto& n : window.notes) {
        if (n == L"timer bar 2100") ++barTicks;
        if (n == L"timer root 10") ++rootTicks;
    }
    EXPECT_EQ(barTicks, 4);  // at 24, 48, 72, 96
    EXPECT_EQ(rootTicks, 0);
    EXPECT_TRUE(window.GetManager().KillTimer(bar, 2100));
    EXPECT_FALSE(window.GetManager().HasTimer(bar, 2100));
    window.notes.clear();
    backend->AdvanceTime(3000);
    EXPECT_EQ(window.notes, (std::vector<std::wstring>{L"timer root 10"}));
    // A control that leaves the tree takes its timers with it.
    window.GetManager().SetTimer(bar, 7, 10);
    static_cast<CContainerUI*>(bar->GetParent())->Remove(bar);
    window.notes.clear();
    backend->AdvanceTime(50);
    for (const auto& n : window.notes)
        EXPECT_EQ(n.find(L"timer bar"), std::wstring::npos) << Utils::ToUtf8(n);
}

TEST_F(ToolkitWindow, WindowTimersReachHandleCustomMessage) {
    std::vector<WParam> ticks;
    window.custom = [&](uint32_t msg, WParam w, LParam, bool& handled) -> LResult {
        if (msg == WM_TIMER) ticks.push_back(w);
        handled = false;
        return 0;
    };
    Open();
    CMessageLoop::Instance().SetTimer(window.GetHWND(), 11, 50);
    backend->AdvanceTime(120);
    EXPECT_EQ(ticks, (std::vector<WParam>{11, 11}));
    CMessageLoop::Instance().KillTimer(window.GetHWND(), 11);
    backend->AdvanceTime(120);
    EXPECT_EQ(ticks.size(), 2u);
}

TEST_F(ToolkitWindow, AsynchronousNotificationsFromAnotherThreadArriveOnTheUiThread) {
    Open();
    std::thread::id uiThread = std::this_thread::get_id();
    std::vector<std::thread::id> seenOn;
    std::vector<WParam> params;
    window.onNotify = [&](TNotifyUI& msg) {
        if (msg.sType == L"checknet") {
            seenOn.push_back(std::this_thread::get_id());
            params.push_back(msg.wParam);
        }
    };
    CControlUI* root = window.GetManager().GetRoot();
    std::thread worker([&] {
        for (WParam i = 1; i <= 50; ++i)
            window.GetManager().SendNotify(root, L"checknet", i, 0, true);
    });
    worker.join();
    EXPECT_TRUE(params.empty());  // nothing is delivered on the worker or before the loop runs
    CMessageLoop::Instance().RunPending();
    ASSERT_EQ(params.size(), 50u);
    for (WParam i = 0; i < 50; ++i) EXPECT_EQ(params[i], i + 1);
    for (auto id : seenOn) EXPECT_EQ(id, uiThread);
    // The synchronous form runs before SendNotify returns.
    window.GetManager().SendNotify(root, L"install", 1);
    EXPECT_EQ(window.notes.back(), L"install root 1");
}

namespace {

class Dialog : public TestWindow {
public:
    Dialog() { layout = L"dialog.xml"; }
    void OnClick(TNotifyUI& msg) override {
        if (msg.pSender->GetName() == L"okBtn")
            Close(0);
        else if (msg.pSender->GetName() == L"cancelBtn")
            Close(1);
        else
            WindowImplBase::OnClick(msg);
    }
};

}  // namespace

TEST_F(ToolkitWindow, ModalLoopsNestAndKeepDeliveringPostedMessages) {
    constexpr uint32_t kReport = WM_USER + 1000;
    std::vector<LParam> reports;
    window.custom = [&](uint32_t msg, WParam, LParam l, bool& handled) -> LResult {
        if (msg == kReport) {
            reports.push_back(l);
            handled = true;
        }
        return 0;
    };
    Open();
    uint32_t outer = 99, inner = 99;
    bool ownerDisabledInside = false;
    // Everything below runs inside the loops, as posted work does.
    CMessageLoop::Instance().PostTask([&] {
        Dialog first;
        first.Create(window.GetHWND(), L"first", WS_VISIBLE, 0);
        CMessageLoop::Instance().PostTask([&] {
            Dialog second;
            second.Create(first.GetHWND(), L"second", WS_VISIBLE, 0);
            std::thread worker([&] {
                for (LParam i = 1; i <= 3; ++i) PostMessage(window.GetHWND(), kReport, 0, i);
            });
            worker.join();
            CMessageLoop::Instance().PostTask([&] {
                ownerDisabledInside = !backend->Click(first, L"okBtn");
                backend->Click(second, L"cancelBtn");
            });
            inner = second.ShowModal();
            CMessageLoop::Instance().PostTask([&] { backend->Click(first, L"okBtn"); });
        });
        outer = first.ShowModal();
        window.Close(IDOK);
    });
    window.ShowModal();
    EXPECT_EQ(inner, 1u);
    EXPECT_EQ(outer, 0u);
    EXPECT_TRUE(ownerDisabledInside);
    EXPECT_EQ(reports, (std::vector<LParam>{1, 2, 3}));
    EXPECT_FALSE(window.IsAlive());
    EXPECT_EQ(window.GetResult(), IDOK);
}

TEST_F(ToolkitWindow, QuitEndsEveryNestedLoopAndStaysPending) {
    Open();
    uint32_t result = 0;
    CMessageLoop::Instance().PostTask([&] {
        Dialog d;
        d.Create(window.GetHWND(), L"d", WS_VISIBLE, 0);
        CMessageLoop::Instance().PostQuit(3);
        result = d.ShowModal();
    });
    window.ShowModal();
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_TRUE(CMessageLoop::Instance().QuitPending());
    EXPECT_EQ(CMessageLoop::Instance().QuitCode(), 3);
    EXPECT_TRUE(window.IsAlive());
}

TEST_F(ToolkitWindow, CloseButtonClosesWithAResultAndHandlersMayRefuse) {
    bool refuse = true;
    window.custom = [&](uint32_t msg, WParam, LParam, bool& handled) -> LResult {
        handled = msg == WM_CLOSE && refuse;
        return 0;
    };
    Open();
    ASSERT_TRUE(backend->Click(window, L"closebtn"));
    CMessageLoop::Instance().RunPending();
    EXPECT_TRUE(window.IsAlive());
    refuse = false;
    window.Close(7);
    // Messages posted to a window that is gone are dropped.
    WindowHandle h = window.GetHWND();
    CMessageLoop::Instance().RunPending();
    EXPECT_FALSE(window.IsAlive());
    EXPECT_EQ(window.GetResult(), 7u);
    EXPECT_TRUE(PostMessage(h, WM_USER + 1, 0, 0));
    CMessageLoop::Instance().RunPending();
}

TEST_F(ToolkitWindow, MinimiseButtonAndCaptionDrag) {
    Open();
    ASSERT_TRUE(backend->Click(window, L"minbtn"));
    EXPECT_TRUE(window.GetHost()->IsMinimized());
    backend->Records().log.clear();
    // The caption label is not clickable: pressing there drags the window.
    backend->ClickAt(window, {20, 10});
    EXPECT_EQ(backend->Records().log, (std::vector<std::wstring>{L"drag 20,10"}));
    backend->Records().log.clear();
    backend->ClickAt(window, {20, 60});  // below the caption
    EXPECT_TRUE(backend->Records().log.empty());
}

TEST_F(ToolkitWindow, EditTypingCaretSelectionAndPaste) {
    Open();
    auto* edit = window.Find<CEditUI>(L"edit");
    ASSERT_NE(edit, nullptr);
    int focusBefore = window.GetManager().Stats().focusChanges;
    ASSERT_TRUE(backend->Click(window, L"edit"));
    EXPECT_EQ(window.GetManager().GetFocus(), edit);
    EXPECT_EQ(window.GetManager().Stats().focusChanges, focusBefore + 1);
    backend->TypeText(window, L"C:/Progam");
    EXPECT_EQ(edit->GetText(), L"C:/Progam");
    // Fix the typo: left twice, type the missing letter.
    for (int i = 0; i < 2; ++i) backend->KeyPress(window, VK_LEFT);
    backend->TypeText(window, L"r");
    EXPECT_EQ(edit->GetText(), L"C:/Program");
    EXPECT_EQ(edit->GetCaret(), 8);
    backend->KeyPress(window, VK_END);
    backend->KeyPress(window, VK_LEFT, MK_SHIFT);
    backend->KeyPress(window, VK_LEFT, MK_SHIFT);
    EXPECT_EQ(edit->GetSelText(), L"am");
    backend->Clipboard = L"am Files\r\n";
    backend->KeyPress(window, 'V', MK_CONTROL);
    EXPECT_EQ(edit->GetText(), L"C:/Program Files");
    backend->KeyPress(window, VK_HOME);
    backend->KeyPress(window, VK_DELETE);
    backend->KeyPress(window, VK_END);
    backend->KeyPress(window, VK_BACK);
    EXPECT_EQ(edit->GetText(), L":/Program File");
    backend->KeyPress(window, 'A', MK_CONTROL);
    backend->KeyPress(window, 'C', MK_CONTROL);
    EXPECT_EQ(backend->Clipboard, L":/Program File");
    backend->TypeText(window, L"新目录");
    EXPECT_EQ(edit->GetText(), L"新目录");
    edit->SetMaxChar(4);
    backend->TypeText(window, L"abc");
    EXPECT_EQ(edit->GetText(), L"新目录a");
    int changes = 0;
    for (const auto& n : window.notes) changes += n.rfind(L"textchanged edit", 0) == 0;
    EXPECT_GT(changes, 10);
}

TEST_F(ToolkitWindow, TextExtentUsesTheControlsFont) {
    Open();
    CControlUI* big = window.Find<CControlUI>(L"bigText");
    CControlUI* small = window.Find<CControlUI>(L"captionLbl");
    UISize a = window.GetManager().GetTextExtent(big, L"Lumora");
    UISize b = window.GetManager().GetTextExtent(small, L"Lumora");
    EXPECT_GT(a.cx, b.cx);
    EXPECT_GT(a.cy, b.cy);
    EXPECT_EQ(static_cast<CLabelUI*>(big)->GetTextExtent(L"Lumora"), a);
}

TEST_F(ToolkitWindow, VisibilityEnabledAndFocusTakeEffectAtOnce) {
    Open();
    CControlUI* btn = window.Find<CControlUI>(L"stateBtn");
    int before = backend->Records().invalidations;
    btn->SetVisible(false);
    EXPECT_GT(backend->Records().invalidations, before);
    EXPECT_FALSE(backend->Click(window, L"stateBtn"));
    btn->SetVisible(true);
    btn->SetFocus();
    EXPECT_EQ(window.GetManager().GetFocus(), btn);
    btn->SetEnabled(false);
    EXPECT_TRUE(backend->Click(window, L"stateBtn"));  // it is there ...
    EXPECT_TRUE(window.notes.empty());                 // ... but sends nothing
    btn->SetVisible(false);
    EXPECT_EQ(window.GetManager().GetFocus(), nullptr);
}

TEST_F(ToolkitWindow, CenteringOnTheWorkAreaAndOnTheOwner) {
    backend->SetWorkArea({0, 0, 1000, 600});
    Open();
    window.CenterWindow();
    EXPECT_EQ(window.GetWindowRect(), (UIRect{400, 225, 600, 375}));
    window.MoveWindow(900, 10);
    Dialog d;
    d.Create(window.GetHWND(), L"d", 0, 0);
    d.CenterWindow();
    // Centred on the owner would stick out on the right; the work area wins.
    EXPECT_EQ(d.GetWindowRect(), (UIRect{880, 45, 1000, 125}));
    backend->SetWorkArea({0, 0, 100, 100});
    d.CenterWindow();
    EXPECT_EQ(d.GetWindowRect().left, 0);  // too wide: the left edge wins
}

TEST_F(ToolkitWindow, MissingSkinResourceLeavesAnEmptyWindow) {
    struct NoResource : TestWindow {
        int GetResourceNumber() const override { return 999; }
    } w;
    ASSERT_NE(w.Create(0, L"x", 0, 0), 0u);
    EXPECT_EQ(w.initCalls, 0);
    EXPECT_EQ(w.GetManager().GetRoot(), nullptr);
}

TEST_F(ToolkitWindow, UnloadableLayoutShowsTheMessageAndExitsWithOne) {
    // Pango may have started a thread; the child re-runs the test from main.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    struct Broken : TestWindow {
        Broken() {
            kind = ResourceKind::Folder;
            folder = tktest::DataDir() + L"broken/";
            layout = L"broken.xml";
        }
    };
    EXPECT_EXIT(
        {
            Broken w;
            w.Create(0, L"x", 0, 0);
        },
        testing::ExitedWithCode(1), "Skin: 加载资源文件失败");
    EXPECT_EXIT(
        {
            Broken w;
            w.layout = L"absent.xml";
            w.Create(0, L"x", 0, 0);
        },
        testing::ExitedWithCode(1), "加载资源文件失败");
}

namespace {

// A control that starts its own timer when it joins the window, as the
// frame-sequence controls do.
class Ticker : public CLabelUI {
public:
    std::wstring GetClass() const override { return L"Ticker"; }
    void OnInit() override { started = m_Manager->SetTimer(this, 2100, 24); }
    void HandleEvent(TUIEvent& ev) override {
        CLabelUI::HandleEvent(ev);
        if (ev.type == UIEventType::Timer) ++ticks;
    }
    bool started = false;
    int ticks = 0;
};

}  // namespace

TEST_F(ToolkitWindow, ControlsMadeByTheCallbackCanStartTimersWhenTheyJoin) {
    window.layout = L"dialog.xml";
    Ticker* ticker = nullptr;
    window.factory = [&](const std::wstring& cls) -> CControlUI* {
        if (cls != L"Ticker") return nullptr;
        ticker = new Ticker;
        return ticker;
    };
    // dialog.xml has no Ticker: add one the way a layout would.
    Open();
    CDialogBuilder builder;
    CControlUI* made = builder.CreateFromText("<Ticker name=\"t\" text=\"x\"/>", &window,
                                              &window.GetManager(), window.GetManager().GetRoot());
    ASSERT_EQ(made, ticker);
    ASSERT_TRUE(ticker->started);
    backend->AdvanceTime(100);
    EXPECT_EQ(ticker->ticks, 4);
    EXPECT_EQ(window.notes.back(), L"timer t 2100");
}

TEST_F(ToolkitWindow, ClosingTheOwnerEndsItsModalPrompt) {
    Open();
    uint32_t result = 0;
    bool promptGone = false;
    CMessageLoop::Instance().PostTask([&] {
        Dialog d;
        d.Create(window.GetHWND(), L"d", WS_VISIBLE, 0);
        CMessageLoop::Instance().PostTask([&] { window.DestroyWindow(); });
        result = d.ShowModal();
        promptGone = !d.IsAlive();
    });
    CMessageLoop::Instance().Run([&] { return window.IsAlive(); });
    CMessageLoop::Instance().RunPending();
    EXPECT_TRUE(promptGone);
    EXPECT_EQ(result, IDCANCEL);
}

TEST_F(ToolkitWindow, AControlShownLaterIsLaidOutInItsPlace) {
    Open();
    CControlUI* edit = window.Find<CControlUI>(L"edit");
    CControlUI* min = window.Find<CControlUI>(L"minbtn");
    UIRect before = min->GetPos();
    min->SetVisible(false);
    window.GetManager().EnsureLayout();
    min->SetVisible(true);
    window.GetManager().EnsureLayout();
    EXPECT_EQ(min->GetPos(), before);
    EXPECT_EQ(before, (UIRect{151, 5, 171, 25}));
    EXPECT_EQ(edit->GetPos(), (UIRect{10, 115, 140, 135}));
    edit->SetFixedWidth(60);  // floating: keeps its corner, takes the new width
    window.GetManager().EnsureLayout();
    EXPECT_EQ(edit->GetPos(), (UIRect{10, 115, 70, 135}));
}

TEST_F(ToolkitWindow, ALoopWithATimeLimitReturnsWithoutAnyMessage) {
    Open();
    backend->SetManualClock(false);  // real time: nothing else would end the wait
    CMessageLoop& loop = CMessageLoop::Instance();
    int64_t start = loop.NowMs();
    EXPECT_TRUE(loop.Run([] { return true; }, 100));
    int64_t took = loop.NowMs() - start;
    EXPECT_GE(took, 100);
    EXPECT_LT(took, 5000);
    // Posted work inside the limit is delivered.
    bool ran = false;
    loop.PostTask([&] { ran = true; });
    loop.Run([] { return true; }, 10);
    EXPECT_TRUE(ran);
}

TEST_F(ToolkitWindow, NotificationsFromWorkersArriveOnceInOrderAndNeverAfterTheClose) {
    Open();
    CControlUI* root = window.GetManager().GetRoot();
    constexpr int kSenders = 2, kPerSender = 3000;
    // Written on the UI thread only: the sequence numbers each sender's
    // records arrived with.
    std::vector<std::vector<WParam>> received(kSenders);
    window.onNotify = [&](TNotifyUI& msg) {
        if (msg.sType == L"checknet")
            received.at(static_cast<size_t>(msg.lParam)).push_back(msg.wParam);
    };
    std::atomic<int> sent[kSenders] = {0, 0};
    std::vector<std::thread> workers;
    for (int s = 0; s < kSenders; ++s) {
        workers.emplace_back([&, s] {
            for (int i = 0; i < kPerSender; ++i) {
                window.GetManager().SendNotify(root, L"checknet", static_cast<WParam>(i), s, true);
                sent[s].store(i + 1);
            }
        });
    }
    while (sent[0].load() < 100 || sent[1].load() < 100) std::this_thread::yield();
    // Everything sent before the loop runs is delivered by that run.
    int before[kSenders] = {sent[0].load(), sent[1].load()};
    CMessageLoop::Instance().RunPending();
    for (int s = 0; s < kSenders; ++s)
        EXPECT_GE(static_cast<int>(received[s].size()), before[s]) << s;
    window.DestroyWindow();  // the workers are still sending (most of the time)
    for (auto& w : workers) w.join();
    std::vector<size_t> atClose = {received[0].size(), received[1].size()};
    CMessageLoop::Instance().RunPending();
    for (int s = 0; s < kSenders; ++s) {
        // Nothing reaches a closed window.
        EXPECT_EQ(received[s].size(), atClose[s]) << s;
        // What arrived is each sender's first records, each once, in order.
        for (size_t k = 0; k < received[s].size(); ++k) {
            ASSERT_EQ(received[s][k], k) << "sender " << s << " record " << k;
        }
    }
}
