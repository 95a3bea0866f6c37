#pragma once
// CPaintManagerUI: the control tree of one window. Names, focus, hot and
// pushed states, input dispatch, notifications (synchronous, and
// asynchronous from any thread), control timers, fonts, the window
// attributes of the layout's root element, the text table and painting.
// Everything except SendNotify(..., async = true) runs on the UI thread.
#include <cairo.h>

#include <atomic>
#include <deque>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "toolkit/UIBase.h"
#include "toolkit/UICanvas.h"
#include "toolkit/UIControl.h"

namespace Toolkit {

class IWindowHost;

// The focus ring's colour unless the layout's root gives "focusringcolor".
constexpr UIColor kDefaultFocusRingColor = 0xFF3A4FE0;

// One notification to the window's listeners.
struct TNotifyUI {
    std::wstring sType;  // "click", "selectchanged", "tabselect", "timer", "itemselect", ...
    CControlUI* pSender = nullptr;
    int64_t dwTimestamp = 0;  // loop time in milliseconds
    UIPoint ptMouse;
    WParam wParam = 0;
    LParam lParam = 0;
};

// Receives every notification of a window (WindowImplBase is one).
class INotifyListener {
public:
    virtual ~INotifyListener() = default;
    virtual void Notify(TNotifyUI& msg) = 0;
};

// Sees every window message before the window's own handler; sets
// `handled` to stop it there.
class IMessagePreFilter {
public:
    virtual ~IMessagePreFilter() = default;
    virtual LResult MessageFilter(uint32_t msg, WParam wParam, LParam lParam, bool& handled) = 0;
};

// What the tests and tools may read about a window's painting.
struct TPaintStats {
    int paints = 0;         // paint passes
    int layouts = 0;        // layout passes
    int invalidations = 0;  // repaint requests
    int focusChanges = 0;   // keyboard focus moved (to a control or to none)
};

class CPaintManagerUI {
public:
    CPaintManagerUI();
    ~CPaintManagerUI();
    CPaintManagerUI(const CPaintManagerUI&) = delete;
    CPaintManagerUI& operator=(const CPaintManagerUI&) = delete;

    // Binds the manager to its window (handle for posted messages, host for
    // repaint requests and the clipboard). Called by WindowImplBase.
    void Init(WindowHandle window, IWindowHost* host);
    WindowHandle GetPaintWindow() const { return m_Window.load(); }
    IWindowHost* GetHost() const { return m_Host; }

    // The executable's folder plus the skin folder (process-wide).
    static void SetResourcePath(const std::wstring& path);
    static const std::wstring& GetResourcePath();

    // Takes ownership of the tree and initialises its controls.
    bool AttachDialog(CControlUI* root);
    CControlUI* GetRoot() const { return m_Root; }
    // Deletes the tree (also done by the destructor).
    void DetachAndDeleteRoot();

    // Null for absent names.
    CControlUI* FindControl(const std::wstring& name) const;
    // The topmost visible, enabled control under a client point.
    CControlUI* FindControl(UIPoint pt) const;
    // Called by controls joining or leaving the tree.
    void InitControl(CControlUI* control);
    void ReapControl(CControlUI* control);

    // Keyboard focus (null clears it). Sends SetFocus/KillFocus events.
    void SetFocus(CControlUI* control);
    CControlUI* GetFocus() const { return m_Focus; }
    // Moves the focus to the next (or previous) enabled, visible, focusable
    // control in layout order, wrapping around; from no focus, to the first
    // (or last). False when the window has no such control. Tab and
    // Shift+Tab do this.
    bool MoveFocus(bool forward);
    // The focus ring is drawn while the focus was last moved with the
    // keyboard; a mouse press hides it (the pressed control shows itself).
    bool IsFocusRingShown() const { return m_FocusRing; }
    // Where the ring of a control at `rc` is drawn: just outside it.
    static UIRect FocusRingRect(const UIRect& rc);
    CControlUI* GetHot() const { return m_Hot; }
    CControlUI* GetCaptured() const { return m_Pushed; }

    void AddNotifier(INotifyListener* listener);
    void RemoveNotifier(INotifyListener* listener);
    void AddPreMessageFilter(IMessagePreFilter* filter);
    void RemovePreMessageFilter(IMessagePreFilter* filter);
    // Synchronous: the listeners run before this returns (UI thread).
    // Asynchronous: safe from any thread; delivered later on the UI thread
    // through the window's message queue, dropped if the window is gone
    // or the sender has left the tree.
    void SendNotify(TNotifyUI& msg, bool async = false);
    void SendNotify(CControlUI* control, const std::wstring& type, WParam wParam = 0,
                    LParam lParam = 0, bool async = false);

    // Control timers: the control receives a Timer event with `id` every
    // `periodMs`; CControlUI turns it into a "timer" notification.
    bool SetTimer(CControlUI* control, uintptr_t id, uint32_t periodMs);
    bool KillTimer(CControlUI* control, uintptr_t id);
    void KillTimer(CControlUI* control);
    bool HasTimer(CControlUI* control, uintptr_t id) const;

    // Fonts by id from the layout's <Font> elements; GetFont(-1) or an
    // unknown id answers the default font.
    void AddFont(int id, const TFontInfo& font, bool isDefault);
    const TFontInfo& GetFont(int id) const;
    const TFontInfo& GetDefaultFont() const { return m_DefaultFont; }
    void SetDefaultFont(const TFontInfo& font) { m_DefaultFont = font; }
    // Extent of a text drawn in a control's font (labels: their "font").
    UISize GetTextExtent(CControlUI* control, const std::wstring& text) const;

    // Attributes of the layout's root element ("size", "caption",
    // "roundcorner", "showshadow", ...), read by name; empty when absent.
    void SetWindowAttribute(const std::wstring& name, const std::wstring& value);
    std::wstring GetWindowAttribute(const std::wstring& name) const;
    const std::map<std::wstring, std::wstring>& GetWindowAttributes() const {
        return m_WindowAttributes;
    }
    UISize GetInitSize() const { return m_InitSize; }
    void SetInitSize(UISize size) { m_InitSize = size; }
    const UIRect& GetCaptionRect() const { return m_Caption; }
    UISize GetRoundCorner() const { return m_RoundCorner; }

    // The table of numbered texts, process-wide, keyed by the decimal
    // number ("104"); absent keys read as "".
    static void SetTextTableEntry(const std::wstring& key, const std::wstring& text);
    static std::wstring GetTextTableEntry(const std::wstring& key);
    static void ClearTextTable();
    // Sets the text of every control with a "textid" from the table.
    void ReapplyTexts();

    // Client size; set by the window when the host is resized.
    void SetClientSize(UISize size);
    UISize GetClientSize() const { return m_ClientSize; }
    // Lays the tree out now if anything changed since the last pass.
    void EnsureLayout();
    void NeedUpdate();
    void Invalidate(const UIRect& rc);
    void Invalidate();
    // Paints the tree (after layout) into `cr` in client coordinates.
    void Paint(cairo_t* cr, const UIRect& dirty);
    const TPaintStats& Stats() const { return m_Stats; }

    // Input and timers of the window: mouse, keys, WM_TIMER for control
    // timers, the asynchronous notification queue. True when handled.
    bool MessageHandler(uint32_t msg, WParam wParam, LParam lParam, LResult& result);
    // The pre-filters, before the window's own handler.
    bool PreMessageHandler(uint32_t msg, WParam wParam, LParam lParam, LResult& result);

    // An open combo list paints over the tree and takes the next click.
    void SetDroppedCombo(CControlUI* combo);

private:
    void DeliverAsyncNotifications();
    void ShowFocusRing(bool show);
    void InvalidateFocusRing();
    void PaintFocusRing(cairo_t* cr, const UIRect& dirty);
    void UpdateTextInput();
    void SendMouseEvent(CControlUI* target, UIEventType type, UIPoint pt, WParam wParam);

    // Read by workers sending asynchronous notifications while the window
    // may be going away.
    std::atomic<WindowHandle> m_Window{0};
    IWindowHost* m_Host = nullptr;
    CControlUI* m_Root = nullptr;
    CControlUI* m_Focus = nullptr;
    CControlUI* m_Hot = nullptr;
    CControlUI* m_Pushed = nullptr;
    CControlUI* m_DroppedCombo = nullptr;
    bool m_FocusRing = false;
    UIColor m_FocusRingColor = kDefaultFocusRingColor;
    std::map<std::wstring, CControlUI*> m_Names;
    std::vector<INotifyListener*> m_Notifiers;
    std::vector<IMessagePreFilter*> m_PreFilters;

    struct ControlTimer {
        CControlUI* control;
        uintptr_t id;
    };
    std::map<uintptr_t, ControlTimer> m_Timers;  // window timer id -> control timer
    uintptr_t m_NextTimerId = 0x1000;

    std::mutex m_AsyncLock;
    std::deque<TNotifyUI> m_AsyncQueue;
    // Controls deleted while a batch of asynchronous records is delivered.
    std::set<CControlUI*> m_Reaped;

    std::map<int, TFontInfo> m_Fonts;
    TFontInfo m_DefaultFont;
    std::map<std::wstring, std::wstring> m_WindowAttributes;
    UISize m_InitSize;
    UIRect m_Caption;
    UISize m_RoundCorner;

    UISize m_ClientSize;
    bool m_NeedLayout = true;
    TPaintStats m_Stats;
};

}  // namespace Toolkit
