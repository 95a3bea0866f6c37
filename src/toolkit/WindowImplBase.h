#pragma once
// WindowImplBase: a toolkit window whose content is built from a layout of
// the skin. Subclasses answer where their skin is and override the hooks:
//
//   HandleMessage       every message of the window (call the base for the rest)
//   HandleCustomMessage called first by the base HandleMessage; set `handled`
//   InitWindow          after the layout is attached
//   Notify / OnClick    notifications of the controls; the base Notify calls
//                       OnClick for "click", whose default handles
//                       "closebtn" (Close) and "minbtn" (minimise)
//   CreateControl       builder callback for classes the toolkit lacks
//
// A window lives on the user-interface thread; PostMessage to its handle is
// safe from any thread.
#include <memory>
#include <string>
#include <vector>

#include "toolkit/UIBackend.h"
#include "toolkit/UIDlgBuilder.h"
#include "toolkit/UIManager.h"
#include "toolkit/UIMessageLoop.h"
#include "toolkit/UIResource.h"

namespace Toolkit {

class WindowImplBase : public IMessageTarget,
                       public IWindowHostSink,
                       public INotifyListener,
                       public IDialogBuilderCallback {
public:
    WindowImplBase();
    ~WindowImplBase() override;
    WindowImplBase(const WindowImplBase&) = delete;
    WindowImplBase& operator=(const WindowImplBase&) = delete;

    // Where the skin is.
    virtual std::wstring GetWindowClassName() const = 0;
    virtual std::wstring GetSkinFolder() const { return L""; }
    virtual std::wstring GetLayoutFile() const = 0;
    virtual ResourceKind GetResourceKind() const { return ResourceKind::Folder; }
    // The number of the "ZIPRES" resource for ResourceKind::ArchiveResource.
    virtual int GetResourceNumber() const { return 0; }
    // The folder for files not in the archive: by default the executable's
    // folder followed by the skin folder.
    virtual std::wstring GetResourceFolder() const;

    // Creates the window with the current backend, loads the layout (the
    // layout's "size" gives the size) and runs InitWindow. Returns the
    // handle, 0 when there is no backend. A layout that cannot be found or
    // parsed ends the process (see SetLayoutFailureHandler).
    WindowHandle Create(WindowHandle owner, const std::wstring& title, uint32_t style,
                        uint32_t exStyle, int x = CW_USEDEFAULT, int y = CW_USEDEFAULT,
                        int cx = CW_USEDEFAULT, int cy = CW_USEDEFAULT);
    WindowHandle GetHWND() const { return m_Handle; }
    WindowHandle GetOwner() const { return m_Owner; }
    bool IsAlive() const { return m_Handle != 0; }

    // Centres on the owner, or on the work area of the nearest monitor, and
    // then moves the window wholly inside that work area (left/top win).
    void CenterWindow();
    void ShowWindow(bool show = true);
    // Shows the window, disables the owner and runs a nested loop (which
    // keeps dispatching every posted message and timer) until the window is
    // gone; re-enables the owner. Returns the result given to Close; a
    // WM_QUIT ends the loop, is kept pending and gives IDCANCEL.
    uint32_t ShowModal();
    // Posts WM_CLOSE carrying the result.
    void Close(uint32_t result = IDOK);
    // Destroys the window now (WM_DESTROY, then OnFinalMessage).
    void DestroyWindow();
    void Minimize();
    // Raises the window and gives it the keyboard focus.
    void BringToFront();
    void SetEnabled(bool enabled);
    bool IsEnabled() const { return m_Enabled; }
    // Window icon from the executable's resource "ICON" n (PNG); no
    // resource, no icon.
    void SetIcon(int resourceNumber);
    // The system's folder chooser, titled `title`, modal to this window
    // (which takes no input meanwhile; posted messages and timers keep being
    // delivered), opened at `*path` or the nearest folder of it that exists.
    // True with the chosen folder in `*path`; false, `*path` unchanged, when
    // the user cancels or the window goes away meanwhile. The window object
    // must outlive the call.
    bool ChooseFolder(const std::wstring& title, std::wstring* path);

    // Stored style bits (WS_*); only WS_VISIBLE has an effect, at creation.
    uint32_t GetStyle() const { return m_Style; }
    void SetStyle(uint32_t style) { m_Style = style; }
    uint32_t GetExStyle() const { return m_ExStyle; }
    void SetExStyle(uint32_t style) { m_ExStyle = style; }
    const std::wstring& GetTitle() const { return m_Title; }

    UIRect GetWindowRect() const;
    void MoveWindow(int x, int y);
    void ResizeClient(int cx, int cy);
    IWindowHost* GetHost() const { return m_Host.get(); }
    // The window's control tree (companions such as the shadow hook in
    // through its pre-filters and read the window attributes here).
    CPaintManagerUI& GetManager() { return m_Manager; }
    // The result of the last Close that reached WM_CLOSE handling.
    uint32_t GetResult() const { return m_Result; }

    LResult SendMessage(uint32_t msg, WParam wParam = 0, LParam lParam = 0);
    bool PostMessage(uint32_t msg, WParam wParam = 0, LParam lParam = 0);

    // The hooks.
    virtual LResult HandleMessage(uint32_t msg, WParam wParam, LParam lParam);
    virtual LResult HandleCustomMessage(uint32_t msg, WParam wParam, LParam lParam, bool& handled);
    virtual void InitWindow() {}
    virtual void OnClick(TNotifyUI& msg);
    void Notify(TNotifyUI& msg) override;
    CControlUI* CreateControl(const std::wstring& className) override;
    // After the window is gone (last message); the object may be deleted here.
    virtual void OnFinalMessage(WindowHandle /*handle*/) {}

    // What happens when a layout cannot be loaded: by default a message box
    // "加载资源文件失败" with the caption "Skin" (also on standard error)
    // and the end of the process with status 1. Tests and tools replace it;
    // a replacement that returns leaves the window without controls.
    using LayoutFailureHandler = void (*)(const std::wstring& layoutFile,
                                          const std::string& reason);
    static void SetLayoutFailureHandler(LayoutFailureHandler handler);
    static void DefaultLayoutFailure(const std::wstring& layoutFile, const std::string& reason);

    // IMessageTarget / IWindowHostSink plumbing.
    LResult DispatchWindowMessage(uint32_t msg, WParam wParam, LParam lParam) override;
    LResult OnHostMessage(uint32_t msg, WParam wParam, LParam lParam) override;
    void OnHostPaint(cairo_t* cr, const UIRect& dirty) override;

protected:
    // WM_CREATE: load the skin and build the tree. False when nothing was built.
    virtual bool OnCreate();
    // Opens the skin package and reads the layout; shared by OnCreate.
    bool LoadSkin(std::string* error, bool* fatal);

    CPaintManagerUI m_Manager;

private:
    void Destroyed();
    bool CaptionHit(UIPoint pt) const;

    WindowHandle m_Handle = 0;
    WindowHandle m_Owner = 0;
    std::unique_ptr<IWindowHost> m_Host;
    std::wstring m_Title;
    uint32_t m_Style = 0;
    uint32_t m_ExStyle = 0;
    uint32_t m_Result = IDCANCEL;
    bool m_Enabled = true;
    bool m_Destroying = false;
    bool m_CenterPending = false;
};

// Shows the fatal message box of the current backend, and on standard error.
void ShowFatalMessage(const std::wstring& text, const std::wstring& caption);

}  // namespace Toolkit
