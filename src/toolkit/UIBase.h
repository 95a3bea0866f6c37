#pragma once
// Basic types of the toolkit: rectangles, message parameters, window handles,
// the message and style numbers the installer's windows use. Windows keep the
// numbers they have on the original platform so that code written against
// them (WM_USER + 1000 and so on) reads the same.
#include <cstdint>
#include <string>

namespace Toolkit {

using WParam = uintptr_t;
using LParam = intptr_t;
using LResult = intptr_t;

// A window's identity in the message queue; 0 is "no window". Handles are
// never reused within a process, so a message posted to a window that is gone
// is simply dropped.
using WindowHandle = uint64_t;

struct UIPoint {
    int x = 0, y = 0;
    bool operator==(const UIPoint&) const = default;
};

struct UISize {
    int cx = 0, cy = 0;
    bool operator==(const UISize&) const = default;
};

struct UIRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool IsEmpty() const { return right <= left || bottom <= top; }
    bool Contains(UIPoint p) const {
        return p.x >= left && p.x < right && p.y >= top && p.y < bottom;
    }
    UIRect Offset(int dx, int dy) const { return {left + dx, top + dy, right + dx, bottom + dy}; }
    UIRect Intersect(const UIRect& o) const;
    UIRect Union(const UIRect& o) const;
    bool operator==(const UIRect&) const = default;
};

// Packs two 16-bit signed coordinates the way mouse messages carry them.
inline LParam MakeLParam(int lo, int hi) {
    return static_cast<LParam>(static_cast<uint32_t>(
        (static_cast<uint16_t>(lo)) | (static_cast<uint32_t>(static_cast<uint16_t>(hi)) << 16)));
}
inline int LoWordSigned(LParam l) {
    return static_cast<int16_t>(static_cast<uint32_t>(l) & 0xFFFF);
}
inline int HiWordSigned(LParam l) {
    return static_cast<int16_t>((static_cast<uint32_t>(l) >> 16) & 0xFFFF);
}

// Window messages.
constexpr uint32_t WM_NULL = 0x0000;
constexpr uint32_t WM_CREATE = 0x0001;
constexpr uint32_t WM_DESTROY = 0x0002;
constexpr uint32_t WM_MOVE = 0x0003;
constexpr uint32_t WM_SIZE = 0x0005;
constexpr uint32_t WM_ACTIVATE = 0x0006;
constexpr uint32_t WM_SETFOCUS = 0x0007;
constexpr uint32_t WM_KILLFOCUS = 0x0008;
constexpr uint32_t WM_ENABLE = 0x000A;
constexpr uint32_t WM_PAINT = 0x000F;
constexpr uint32_t WM_CLOSE = 0x0010;
constexpr uint32_t WM_QUIT = 0x0012;
constexpr uint32_t WM_SHOWWINDOW = 0x0018;
constexpr uint32_t WM_KEYDOWN = 0x0100;
constexpr uint32_t WM_KEYUP = 0x0101;
constexpr uint32_t WM_CHAR = 0x0102;
constexpr uint32_t WM_TIMER = 0x0113;
constexpr uint32_t WM_MOUSEMOVE = 0x0200;
constexpr uint32_t WM_LBUTTONDOWN = 0x0201;
constexpr uint32_t WM_LBUTTONUP = 0x0202;
constexpr uint32_t WM_LBUTTONDBLCLK = 0x0203;
constexpr uint32_t WM_MOUSEWHEEL = 0x020A;
constexpr uint32_t WM_EXITSIZEMOVE = 0x0232;
constexpr uint32_t WM_MOUSELEAVE = 0x02A3;
constexpr uint32_t WM_USER = 0x0400;
// Private to the toolkit: drains a paint manager's asynchronous notifications.
constexpr uint32_t WM_TOOLKIT_ASYNCNOTIFY = WM_USER + 0x7F00;

// WM_SIZE first parameter.
constexpr WParam SIZE_RESTORED = 0;
constexpr WParam SIZE_MINIMIZED = 1;
constexpr WParam SIZE_MAXIMIZED = 2;

// Key codes of WM_KEYDOWN (first parameter).
constexpr WParam VK_BACK = 0x08;
constexpr WParam VK_TAB = 0x09;
constexpr WParam VK_RETURN = 0x0D;
constexpr WParam VK_SHIFT = 0x10;
constexpr WParam VK_CONTROL = 0x11;
constexpr WParam VK_ESCAPE = 0x1B;
constexpr WParam VK_END = 0x23;
constexpr WParam VK_HOME = 0x24;
constexpr WParam VK_LEFT = 0x25;
constexpr WParam VK_UP = 0x26;
constexpr WParam VK_RIGHT = 0x27;
constexpr WParam VK_DOWN = 0x28;
constexpr WParam VK_DELETE = 0x2E;
// Letters are their upper-case ASCII codes ('A', 'C', 'V', 'X').

// Modifier bits carried in the second parameter of WM_KEYDOWN and in the
// first parameter of mouse messages.
constexpr uint32_t MK_LBUTTON = 0x0001;
constexpr uint32_t MK_SHIFT = 0x0004;
constexpr uint32_t MK_CONTROL = 0x0008;

// Window styles: stored with the window and read back; WS_VISIBLE at creation
// shows the window, WS_CAPTION is never drawn (windows are undecorated).
constexpr uint32_t WS_OVERLAPPED = 0x00000000;
constexpr uint32_t WS_MAXIMIZEBOX = 0x00010000;
constexpr uint32_t WS_MINIMIZEBOX = 0x00020000;
constexpr uint32_t WS_THICKFRAME = 0x00040000;
constexpr uint32_t WS_SYSMENU = 0x00080000;
constexpr uint32_t WS_CAPTION = 0x00C00000;
constexpr uint32_t WS_OVERLAPPEDWINDOW = 0x00CF0000;
constexpr uint32_t WS_CLIPCHILDREN = 0x02000000;
constexpr uint32_t WS_CLIPSIBLINGS = 0x04000000;
constexpr uint32_t WS_VISIBLE = 0x10000000;
constexpr uint32_t WS_POPUP = 0x80000000;
constexpr uint32_t WS_EX_TOPMOST = 0x00000008;
constexpr int CW_USEDEFAULT = static_cast<int>(0x80000000);

// Results handed to Close(); ShowModal returns them.
constexpr uint32_t IDOK = 1;
constexpr uint32_t IDCANCEL = 2;

// Colours are 0xAARRGGBB.
using UIColor = uint32_t;

}  // namespace Toolkit
