#include "toolkit/WindowImplBase.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "platform/Process.h"
#include "platform/Resources.h"
#include "utils/Log.h"
#include "utils/Text.h"

namespace Toolkit {

namespace {

std::vector<WindowImplBase*>& LiveWindows() {
    static std::vector<WindowImplBase*> windows;
    return windows;
}

WindowImplBase* FindImpl(WindowHandle handle) {
    if (handle == 0) return nullptr;
    for (WindowImplBase* w : LiveWindows()) {
        if (w->GetHWND() == handle) return w;
    }
    return nullptr;
}

WindowImplBase::LayoutFailureHandler& FailureHandler() {
    static WindowImplBase::LayoutFailureHandler handler = &WindowImplBase::DefaultLayoutFailure;
    return handler;
}

bool IsInputMessage(uint32_t msg) {
    return (msg >= WM_MOUSEMOVE && msg <= WM_MOUSEWHEEL) || msg == WM_KEYDOWN || msg == WM_KEYUP ||
           msg == WM_CHAR;
}

}  // namespace

void ShowFatalMessage(const std::wstring& text, const std::wstring& caption) {
    std::string line = Utils::ToUtf8(caption) + ": " + Utils::ToUtf8(text) + "\n";
    std::fputs(line.c_str(), stderr);
    std::fflush(stderr);
    if (IBackend* b = CurrentBackend()) b->ShowMessageBox(text, caption);
}

void WindowImplBase::SetLayoutFailureHandler(LayoutFailureHandler handler) {
    FailureHandler() = handler ? handler : &WindowImplBase::DefaultLayoutFailure;
}

void WindowImplBase::DefaultLayoutFailure(const std::wstring& layoutFile,
                                          const std::string& reason) {
    std::wstring why = Utils::FromUtf8(reason);
    LOG(L"cannot load layout %ls: %ls", layoutFile.c_str(), why.c_str());
    ShowFatalMessage(L"加载资源文件失败", L"Skin");
    // The process ends here without running destructors: the window that
    // failed is half made and its owner is still on the stack.
    std::_Exit(1);
}

WindowImplBase::WindowImplBase() = default;

WindowImplBase::~WindowImplBase() {
    DestroyWindow();
    m_Manager.DetachAndDeleteRoot();
}

std::wstring WindowImplBase::GetResourceFolder() const {
    std::string exe = Platform::ExecutablePath();
    size_t slash = exe.rfind('/');
    std::wstring folder =
        Utils::FromUtf8(slash == std::string::npos ? std::string() : exe.substr(0, slash + 1));
    return folder + GetSkinFolder();
}

WindowHandle WindowImplBase::Create(WindowHandle owner, const std::wstring& title, uint32_t style,
                                    uint32_t exStyle, int x, int y, int cx, int cy) {
    IBackend* backend = CurrentBackend();
    if (!backend || m_Handle != 0) return 0;
    CMessageLoop& loop = CMessageLoop::Instance();
    m_Handle = loop.RegisterWindow(this);
    LiveWindows().push_back(this);
    m_Owner = owner;
    m_Title = title;
    m_Style = style;
    m_ExStyle = exStyle;
    WindowImplBase* ownerImpl = FindImpl(owner);
    m_Host = backend->CreateHost(this, ownerImpl ? ownerImpl->GetHost() : nullptr);
    m_Manager.Init(m_Handle, m_Host.get());
    m_Host->SetTitle(title);
    m_Host->SetClassName(GetWindowClassName());
    UIRect rc{x == CW_USEDEFAULT ? 0 : x, y == CW_USEDEFAULT ? 0 : y, 0, 0};
    rc.right = rc.left + (cx == CW_USEDEFAULT ? 400 : cx);
    rc.bottom = rc.top + (cy == CW_USEDEFAULT ? 300 : cy);
    m_Host->SetBounds(rc);
    m_Manager.SetClientSize({rc.Width(), rc.Height()});
    WindowHandle me = m_Handle;
    DispatchWindowMessage(WM_CREATE, 0, 0);
    if (!loop.IsWindow(me)) return 0;
    if (m_Style & WS_VISIBLE) ShowWindow(true);
    return m_Handle;
}

bool WindowImplBase::LoadSkin(std::string* error, bool* fatal) {
    *fatal = false;
    CPaintManagerUI::SetResourcePath(GetResourceFolder());
    CResourceManager& res = CResourceManager::Instance();
    if (GetResourceKind() == ResourceKind::ArchiveResource) {
        Platform::ResourceData data = Platform::FindResource("ZIPRES", GetResourceNumber());
        if (data.empty()) {
            *error = "the executable holds no skin package ZIPRES " +
                     std::to_string(GetResourceNumber());
            return false;
        }
        std::vector<uint8_t> copy(data.data, data.data + data.size);
        std::string why;
        if (!res.OpenArchive(L"membuffer", copy, &why)) {
            // The layout may still be found in the resource folder.
            LOG(L"skin package unusable: %ls", Utils::FromUtf8(why).c_str());
        }
    } else if (GetResourceKind() != ResourceKind::Folder) {
        // Only archives in the executable are supported; other kinds read
        // the resource folder (an archive opened by the caller still comes first).
        LOG(L"resource kind %d is read from the resource folder",
            static_cast<int>(GetResourceKind()));
    }
    CDialogBuilder builder;
    CControlUI* root = builder.Create(GetLayoutFile(), this, &m_Manager);
    if (!root) {
        *error = builder.GetLastError();
        *fatal = true;
        return false;
    }
    m_Manager.AttachDialog(root);
    return true;
}

bool WindowImplBase::OnCreate() {
    std::string error;
    bool fatal = false;
    if (!LoadSkin(&error, &fatal)) {
        if (fatal) {
            FailureHandler()(GetLayoutFile(), error);
        } else {
            LOG(L"window without controls: %ls", Utils::FromUtf8(error).c_str());
        }
        return false;
    }
    m_Manager.AddNotifier(this);
    UISize size = m_Manager.GetInitSize();
    if (size.cx > 0 && size.cy > 0) ResizeClient(size.cx, size.cy);
    UISize round = m_Manager.GetRoundCorner();
    m_Host->SetRoundCorner(round.cx, round.cy);
    InitWindow();
    return true;
}

void WindowImplBase::CenterWindow() {
    if (!m_Host) return;
    IBackend* backend = CurrentBackend();
    UIRect rc = GetWindowRect();
    UIRect work = backend ? backend->GetWorkArea(rc) : UIRect{0, 0, 1920, 1080};
    UIRect ref = work;
    if (WindowImplBase* owner = FindImpl(m_Owner)) {
        if (!owner->GetHost()->IsMinimized()) ref = owner->GetWindowRect();
        work = backend ? backend->GetWorkArea(ref) : work;
    }
    int w = rc.Width(), h = rc.Height();
    int x = ref.left + (ref.Width() - w) / 2;
    int y = ref.top + (ref.Height() - h) / 2;
    if (x + w > work.right) x = work.right - w;
    if (y + h > work.bottom) y = work.bottom - h;
    if (x < work.left) x = work.left;
    if (y < work.top) y = work.top;
    MoveWindow(x, y);
}

void WindowImplBase::ShowWindow(bool show) {
    if (!m_Host) return;
    if (show)
        m_Style |= WS_VISIBLE;
    else
        m_Style &= ~WS_VISIBLE;
    m_Host->Show(show);
}

uint32_t WindowImplBase::ShowModal() {
    if (!m_Handle) return IDCANCEL;
    WindowHandle me = m_Handle;
    WindowHandle ownerHandle = m_Owner;
    ShowWindow(true);
    if (WindowImplBase* owner = FindImpl(ownerHandle)) owner->SetEnabled(false);
    CMessageLoop& loop = CMessageLoop::Instance();
    bool normal = loop.Run([&] { return loop.IsWindow(me); });
    if (WindowImplBase* owner = FindImpl(ownerHandle)) {
        owner->SetEnabled(true);
        owner->BringToFront();
    }
    if (!normal && loop.IsWindow(me)) return IDCANCEL;
    return m_Result;
}

void WindowImplBase::Close(uint32_t result) { PostMessage(WM_CLOSE, result, 0); }

void WindowImplBase::DestroyWindow() {
    if (m_Handle == 0 || m_Destroying) return;
    m_Destroying = true;
    WindowHandle handle = m_Handle;
    // Owned windows go first, as their owner disappears.
    std::vector<WindowImplBase*> owned;
    for (WindowImplBase* w : LiveWindows()) {
        if (w->m_Owner == handle && w != this) owned.push_back(w);
    }
    for (WindowImplBase* w : owned) {
        if (std::find(LiveWindows().begin(), LiveWindows().end(), w) != LiveWindows().end())
            w->DestroyWindow();
    }
    DispatchWindowMessage(WM_DESTROY, 0, 0);
    m_Manager.RemoveNotifier(this);
    CMessageLoop::Instance().UnregisterWindow(handle);
    LiveWindows().erase(std::remove(LiveWindows().begin(), LiveWindows().end(), this),
                        LiveWindows().end());
    // The tree stays with the object (handlers may still hold controls); it
    // only loses its host.
    m_Manager.Init(0, nullptr);
    m_Host.reset();
    m_Handle = 0;
    m_Destroying = false;
    OnFinalMessage(handle);
}

void WindowImplBase::Minimize() {
    if (m_Host) m_Host->Minimize();
}

void WindowImplBase::BringToFront() {
    if (m_Host) m_Host->BringToFront();
}

void WindowImplBase::SetEnabled(bool enabled) {
    m_Enabled = enabled;
    if (m_Host) m_Host->SetInputEnabled(enabled);
}

void WindowImplBase::SetIcon(int resourceNumber) {
    if (!m_Host) return;
    Platform::ResourceData data = Platform::FindResource("ICON", resourceNumber);
    if (data.empty()) return;
    m_Host->SetIcon(std::vector<uint8_t>(data.data, data.data + data.size));
}

bool WindowImplBase::ChooseFolder(const std::wstring& title, std::wstring* path) {
    IBackend* backend = CurrentBackend();
    if (!backend || !m_Host) return false;
    WindowHandle me = m_Handle;
    bool wasEnabled = m_Enabled;
    SetEnabled(false);
    std::wstring chosen = path ? *path : std::wstring();
    bool ok = backend->ChooseFolder(m_Host.get(), title, &chosen);
    if (!CMessageLoop::Instance().IsWindow(me)) return false;
    SetEnabled(wasEnabled);
    BringToFront();
    if (ok && path) *path = chosen;
    return ok;
}

UIRect WindowImplBase::GetWindowRect() const { return m_Host ? m_Host->GetBounds() : UIRect{}; }

void WindowImplBase::MoveWindow(int x, int y) {
    if (!m_Host) return;
    UIRect rc = m_Host->GetBounds();
    m_Host->SetBounds({x, y, x + rc.Width(), y + rc.Height()});
}

void WindowImplBase::ResizeClient(int cx, int cy) {
    if (!m_Host) return;
    UIRect rc = m_Host->GetBounds();
    m_Host->SetBounds({rc.left, rc.top, rc.left + cx, rc.top + cy});
    m_Manager.SetClientSize({cx, cy});
}

LResult WindowImplBase::SendMessage(uint32_t msg, WParam wParam, LParam lParam) {
    return m_Handle ? DispatchWindowMessage(msg, wParam, lParam) : 0;
}

bool WindowImplBase::PostMessage(uint32_t msg, WParam wParam, LParam lParam) {
    return CMessageLoop::Instance().PostMessage(m_Handle, msg, wParam, lParam);
}

bool WindowImplBase::CaptionHit(UIPoint pt) const {
    const UIRect& cap = m_Manager.GetCaptionRect();
    UISize client = m_Manager.GetClientSize();
    UIRect area{cap.left, cap.top, client.cx - cap.right, cap.bottom};
    if (!area.Contains(pt)) return false;
    CControlUI* hit = m_Manager.FindControl(pt);
    for (CControlUI* c = hit; c; c = c->GetParent()) {
        if (c->IsClickable()) return false;
    }
    return true;
}

LResult WindowImplBase::HandleCustomMessage(uint32_t, WParam, LParam, bool& handled) {
    handled = false;
    return 0;
}

LResult WindowImplBase::HandleMessage(uint32_t msg, WParam wParam, LParam lParam) {
    bool handled = false;
    LResult r = HandleCustomMessage(msg, wParam, lParam, handled);
    if (handled) return r;
    switch (msg) {
        case WM_CREATE:
            OnCreate();
            return 0;
        case WM_CLOSE:
            m_Result = static_cast<uint32_t>(wParam);
            DestroyWindow();
            return 0;
        case WM_LBUTTONDOWN: {
            UIPoint pt{LoWordSigned(lParam), HiWordSigned(lParam)};
            m_Manager.EnsureLayout();
            if (m_Host && CaptionHit(pt)) {
                m_Host->BeginMoveDrag(pt);
                return 0;
            }
            break;
        }
        default:
            break;
    }
    LResult res = 0;
    if (m_Manager.MessageHandler(msg, wParam, lParam, res)) return res;
    return 0;
}

void WindowImplBase::OnClick(TNotifyUI& msg) {
    if (!msg.pSender) return;
    const std::wstring& name = msg.pSender->GetName();
    if (name == L"closebtn") {
        Close(IDOK);
    } else if (name == L"minbtn") {
        Minimize();
    }
}

void WindowImplBase::Notify(TNotifyUI& msg) {
    if (msg.sType == L"click") OnClick(msg);
}

CControlUI* WindowImplBase::CreateControl(const std::wstring&) { return nullptr; }

LResult WindowImplBase::DispatchWindowMessage(uint32_t msg, WParam wParam, LParam lParam) {
    LResult r = 0;
    if (m_Manager.PreMessageHandler(msg, wParam, lParam, r)) return r;
    if (!m_Enabled && IsInputMessage(msg)) return 0;
    return HandleMessage(msg, wParam, lParam);
}

LResult WindowImplBase::OnHostMessage(uint32_t msg, WParam wParam, LParam lParam) {
    return DispatchWindowMessage(msg, wParam, lParam);
}

void WindowImplBase::OnHostPaint(cairo_t* cr, const UIRect& dirty) { m_Manager.Paint(cr, dirty); }

}  // namespace Toolkit
