#pragma once
// The headless backend: windows are off-screen Cairo image surfaces. Tests
// and tools drive them by control name, type text, move time by hand and
// write PNGs; the backend records what happened (repaints, focus changes,
// timers fired) so a test can check it.
#include <optional>
#include <string>
#include <vector>

#include "toolkit/UIBackend.h"
#include "toolkit/UIMessageLoop.h"

namespace Toolkit {

class WindowImplBase;

class CHeadlessBackend : public IBackend {
public:
    CHeadlessBackend();
    ~CHeadlessBackend() override;

    // The installed headless backend, or null when another one is in use.
    static CHeadlessBackend* Current();

    const char* Name() const override { return "headless"; }
    std::unique_ptr<IWindowHost> CreateHost(IWindowHostSink* sink, IWindowHost* owner) override;
    UIRect GetWorkArea(const UIRect& near) override;
    void ShowMessageBox(const std::wstring& text, const std::wstring& caption) override;
    bool ChooseFolder(IWindowHost* owner, const std::wstring& title, std::wstring* path) override;
    ILoopWaiter* Waiter() override;

    // The answer of the next folder chooser: a path, or nullopt for a
    // cancel. Used once; a chooser without an answer set is cancelled.
    void SetNextFolderAnswer(std::optional<std::wstring> answer) {
        m_FolderAnswer = std::move(answer);
    }

    // The screen: 1920x1080 with a work area above a 40-pixel panel.
    void SetWorkArea(const UIRect& rc) { m_WorkArea = rc; }

    // Time: when manual, the loop's clock moves only through AdvanceTime,
    // which runs every timer that falls due on the way, in order.
    void SetManualClock(bool manual);
    void AdvanceTime(int ms);

    // Input to a window, delivered as the host would: a click is a mouse
    // move, press and release at the centre of the named control. False when
    // the control is absent, hidden or the window ignores input.
    bool Click(WindowImplBase& window, const std::wstring& controlName);
    bool ClickAt(WindowImplBase& window, UIPoint pt);
    bool MouseMove(WindowImplBase& window, UIPoint pt);
    bool MouseDown(WindowImplBase& window, UIPoint pt);
    bool MouseUp(WindowImplBase& window, UIPoint pt);
    // Characters as WM_CHAR; "\n" is Enter.
    void TypeText(WindowImplBase& window, const std::wstring& text);
    void KeyPress(WindowImplBase& window, WParam key, uint32_t modifiers = 0);

    // Paints the window as it is now and writes it as a PNG (with its
    // companion layers beneath when asked, on a larger canvas).
    bool WritePng(WindowImplBase& window, const std::string& path, bool withCompanions = false);
    // The painted window as an ARGB32 surface (caller destroys it).
    cairo_surface_t* Snapshot(WindowImplBase& window, bool withCompanions = false);

    // Records of all headless windows. Per window, CPaintManagerUI::Stats()
    // counts paints, layouts, repaint requests and focus changes;
    // CMessageLoop::TimersFired() counts delivered timers.
    struct Record {
        int paints = 0;                   // snapshots painted
        int invalidations = 0;            // repaint requests
        std::vector<UIRect> invalidated;  // their rectangles, in order (client coordinates)
        int messageBoxes = 0;
        std::wstring lastMessageBoxText, lastMessageBoxCaption;
        // Titles of the folder choosers shown, and whether their owner
        // still took input while one was open.
        std::vector<std::wstring> folderChoosers;
        std::wstring folderStart;  // the folder the last one was opened at
        bool folderOwnerTookInput = false;
        // "drag x,y" (caption drag), "front <title>", "box <text>", "folder <title>"
        std::vector<std::wstring> log;
    };
    Record& Records() { return m_Record; }

    // What a window's host was told.
    struct THostState {
        std::wstring title, className;
        size_t iconBytes = 0;
        bool shown = false, minimized = false, inputEnabled = true;
        bool textInput = false;  // the focused control takes typed text
        UIRect caret;            // where the input method would show its candidates
    };
    static THostState HostState(WindowImplBase& window);
    std::wstring Clipboard;

    // Used by the hosts and the clock.
    int64_t ManualNow() const { return m_ManualNow; }
    void Log(const std::wstring& line) { m_Record.log.push_back(line); }

private:
    class ManualClock;
    class LoopWaiter;
    UIRect m_WorkArea{0, 0, 1920, 1040};
    int64_t m_ManualNow = 0;
    std::unique_ptr<ManualClock> m_Clock;
    std::unique_ptr<LoopWaiter> m_Waiter;
    Record m_Record;
    std::optional<std::wstring> m_FolderAnswer;
};

}  // namespace Toolkit
