#pragma once
// The window host: what a toolkit window needs of the system that shows it.
// Two implementations: backend/gtk (a real undecorated GTK 3 window) and
// backend/headless (an off-screen surface driven by tests and tools).
// Controls never see a host; only WindowImplBase and CPaintManagerUI do.
#include <cairo.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "toolkit/UIBase.h"

namespace Toolkit {

class ILoopWaiter;

// What the host reports to its window. Input, size, move, show and close
// requests arrive as window messages (WM_LBUTTONDOWN with the client
// coordinates in the second parameter, WM_CHAR with a Unicode code point,
// WM_SIZE, WM_CLOSE ...), synchronously on the user-interface thread.
class IWindowHostSink {
public:
    virtual ~IWindowHostSink() = default;
    virtual LResult OnHostMessage(uint32_t msg, WParam wParam, LParam lParam) = 0;
    // Paint the client area into `cr` (client coordinates, logical pixels;
    // the host has already applied its HiDPI scale). `dirty` is the area
    // that must be painted.
    virtual void OnHostPaint(cairo_t* cr, const UIRect& dirty) = 0;
};

// A second surface that follows a window: drawn beneath it, never takes
// input (the window shadow uses it). Its image is an ARGB32 premultiplied
// surface placed at (dx, dy) relative to the window's top-left corner.
class ICompanionLayer {
public:
    virtual ~ICompanionLayer() = default;
    // Copies the pixels; the caller keeps its surface.
    virtual void Update(cairo_surface_t* argb, int dx, int dy) = 0;
    virtual void SetVisible(bool visible) = 0;
    virtual bool IsVisible() const = 0;
    // False when the display cannot show translucent companions (no
    // compositing); the layer then stays hidden whatever is asked.
    virtual bool IsSupported() const = 0;
};

class IWindowHost {
public:
    virtual ~IWindowHost() = default;
    virtual void SetTitle(const std::wstring& title) = 0;
    // The class the desktop groups the window under (X11 WM_CLASS); set
    // before the window is first shown.
    virtual void SetClassName(const std::wstring& name) = 0;
    // Outer position and size in screen coordinates (logical pixels).
    virtual void SetBounds(const UIRect& rc) = 0;
    virtual UIRect GetBounds() const = 0;
    virtual void Show(bool show) = 0;
    virtual bool IsShown() const = 0;
    virtual void Minimize() = 0;
    virtual bool IsMinimized() const = 0;
    // Raises the window and asks for the keyboard focus (deiconified first).
    virtual void BringToFront() = 0;
    // A disabled window ignores mouse and keyboard (its modal child runs).
    virtual void SetInputEnabled(bool enabled) = 0;
    virtual void Invalidate(const UIRect& rc) = 0;
    // The user pressed the mouse in the caption area at client point `pt`:
    // move the window with the mouse until the button is released.
    virtual void BeginMoveDrag(UIPoint pt) = 0;
    // PNG bytes of the window icon; empty removes it.
    virtual void SetIcon(const std::vector<uint8_t>& png) = 0;
    // Rounded window corners (ellipse width and height), 0,0 for none.
    virtual void SetRoundCorner(int cx, int cy) = 0;
    virtual std::unique_ptr<ICompanionLayer> CreateCompanionLayer() = 0;
    // Device pixels per logical pixel.
    virtual double GetScale() const = 0;
    // The text on the clipboard (UTF-8 converted), empty when none.
    virtual std::wstring GetClipboardText() = 0;
    virtual void SetClipboardText(const std::wstring& text) = 0;
    // Whether the focused control takes typed text. While it does, keys go
    // through the input method first and its text arrives as WM_CHAR; while
    // it does not, every key arrives as WM_KEYDOWN (Space as ' '), so an input
    // method never composes over a button. `caret` (client coordinates)
    // places the input method's candidate window.
    virtual void SetTextInput(bool active, const UIRect& caret) = 0;
};

class IBackend {
public:
    virtual ~IBackend() = default;
    virtual const char* Name() const = 0;
    // `owner` is the host of the owner window or null.
    virtual std::unique_ptr<IWindowHost> CreateHost(IWindowHostSink* sink, IWindowHost* owner) = 0;
    // The work area of the monitor nearest to `near` (screen coordinates).
    virtual UIRect GetWorkArea(const UIRect& near) = 0;
    // Modal system message box with an OK button ("stop" icon).
    virtual void ShowMessageBox(const std::wstring& text, const std::wstring& caption) = 0;
    // The system's folder chooser, modal to `owner` (may be null), titled
    // `title`, opened at `*path` when that folder exists (else at its
    // nearest existing parent, else at the home folder). Posted messages and
    // timers keep being delivered while it is open. True with the chosen
    // folder in `*path`; false, `*path` unchanged, when the user cancels.
    virtual bool ChooseFolder(IWindowHost* owner, const std::wstring& title,
                              std::wstring* path) = 0;
    // The loop waiter this backend needs (owned by the backend).
    virtual ILoopWaiter* Waiter() = 0;
};

// The backend in use; null before one was installed. UI thread.
IBackend* CurrentBackend();
// Installs a backend (the toolkit keeps it for the life of the process or
// until the next call) and hands its waiter to the message loop.
void SetBackend(std::unique_ptr<IBackend> backend);

// Installs the GTK backend when a display can be opened; otherwise returns
// false with the reason and leaves the backend unchanged.
bool UseGtkBackend(std::string* error);
// Installs a headless backend (see backend/headless/HeadlessBackend.h for
// its test controls).
void UseHeadlessBackend();

}  // namespace Toolkit
