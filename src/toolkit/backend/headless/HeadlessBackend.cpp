#include "toolkit/backend/headless/HeadlessBackend.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>

#include "toolkit/UICanvas.h"
#include "toolkit/WindowImplBase.h"
#include "utils/Text.h"

namespace Toolkit {

class CHeadlessBackend::ManualClock : public ILoopClock {
public:
    explicit ManualClock(CHeadlessBackend* owner) : m_Owner(owner) {}
    int64_t NowMs() override { return m_Owner->m_ManualNow; }

private:
    CHeadlessBackend* m_Owner;
};

// Blocks like the default waiter. With the manual clock nothing becomes due
// while it waits, so it only waits for posts (bounded, so a test that
// forgot to post cannot hang forever).
class CHeadlessBackend::LoopWaiter : public ConditionWaiter {
public:
    bool manual = false;
    void Wait(int timeoutMs) override { ConditionWaiter::Wait(manual ? 200 : timeoutMs); }
};

namespace {

class HeadlessLayer;
using LayerList = std::vector<HeadlessLayer*>;

// Layers belong to the caller; host and layers share the list so that
// either may go first.
class HeadlessLayer : public ICompanionLayer {
public:
    explicit HeadlessLayer(std::shared_ptr<LayerList> list) : m_List(std::move(list)) {
        m_List->push_back(this);
    }
    ~HeadlessLayer() override {
        m_List->erase(std::remove(m_List->begin(), m_List->end(), this), m_List->end());
        if (surface) cairo_surface_destroy(surface);
    }
    void Update(cairo_surface_t* argb, int x, int y) override {
        if (surface) cairo_surface_destroy(surface);
        surface = nullptr;
        if (!argb) return;
        surface = CopyImageSurface(argb);
        dx = x;
        dy = y;
    }
    void SetVisible(bool v) override { visible = v; }
    bool IsVisible() const override { return visible; }
    bool IsSupported() const override { return true; }

    cairo_surface_t* surface = nullptr;
    int dx = 0, dy = 0;
    bool visible = false;

private:
    std::shared_ptr<LayerList> m_List;
};

class HeadlessHost : public IWindowHost {
public:
    HeadlessHost(CHeadlessBackend* backend, IWindowHostSink* sink)
        : m_Backend(backend), m_Sink(sink) {}
    void SetTitle(const std::wstring& title) override { m_Title = title; }
    void SetClassName(const std::wstring& name) override { m_ClassName = name; }
    void SetBounds(const UIRect& rc) override {
        bool moved = rc.left != m_Bounds.left || rc.top != m_Bounds.top;
        bool sized = rc.Width() != m_Bounds.Width() || rc.Height() != m_Bounds.Height();
        m_Bounds = rc;
        if (sized)
            m_Sink->OnHostMessage(WM_SIZE, SIZE_RESTORED, MakeLParam(rc.Width(), rc.Height()));
        if (moved) m_Sink->OnHostMessage(WM_MOVE, 0, MakeLParam(rc.left, rc.top));
    }
    UIRect GetBounds() const override { return m_Bounds; }
    void Show(bool show) override {
        if (show) m_Minimized = false;
        if (m_Shown == show) return;
        m_Shown = show;
        m_Sink->OnHostMessage(WM_SHOWWINDOW, show ? 1 : 0, 0);
    }
    bool IsShown() const override { return m_Shown; }
    void Minimize() override {
        m_Minimized = true;
        m_Sink->OnHostMessage(WM_SIZE, SIZE_MINIMIZED, 0);
    }
    bool IsMinimized() const override { return m_Minimized; }
    void BringToFront() override {
        m_Minimized = false;
        m_Backend->Log(L"front " + m_Title);
    }
    void SetInputEnabled(bool enabled) override { m_InputEnabled = enabled; }
    void Invalidate(const UIRect& rc) override {
        ++m_Backend->Records().invalidations;
        m_Backend->Records().invalidated.push_back(rc);
    }
    void BeginMoveDrag(UIPoint pt) override {
        m_Backend->Log(L"drag " + std::to_wstring(pt.x) + L"," + std::to_wstring(pt.y));
    }
    void SetIcon(const std::vector<uint8_t>& png) override { m_IconBytes = png.size(); }
    void SetRoundCorner(int cx, int cy) override { m_Round = {cx, cy}; }
    std::unique_ptr<ICompanionLayer> CreateCompanionLayer() override {
        return std::make_unique<HeadlessLayer>(m_Layers);
    }
    double GetScale() const override { return 1.0; }
    std::wstring GetClipboardText() override { return m_Backend->Clipboard; }
    void SetClipboardText(const std::wstring& text) override { m_Backend->Clipboard = text; }
    void SetTextInput(bool active, const UIRect& caret) override {
        m_TextInput = active;
        m_Caret = active ? caret : UIRect{};
    }

    cairo_surface_t* Paint(bool withCompanions) {
        int w = std::max(1, m_Bounds.Width()), h = std::max(1, m_Bounds.Height());
        UIRect canvas{0, 0, w, h};
        if (withCompanions) {
            for (HeadlessLayer* l : *m_Layers) {
                if (!l->visible || !l->surface) continue;
                canvas =
                    canvas.Union({l->dx, l->dy, l->dx + cairo_image_surface_get_width(l->surface),
                                  l->dy + cairo_image_surface_get_height(l->surface)});
            }
        }
        cairo_surface_t* s =
            cairo_image_surface_create(CAIRO_FORMAT_ARGB32, canvas.Width(), canvas.Height());
        cairo_t* cr = cairo_create(s);
        if (withCompanions) {
            for (HeadlessLayer* l : *m_Layers) {
                if (!l->visible || !l->surface) continue;
                cairo_set_source_surface(cr, l->surface, l->dx - canvas.left, l->dy - canvas.top);
                cairo_paint(cr);
            }
        }
        cairo_translate(cr, -canvas.left, -canvas.top);
        cairo_rectangle(cr, 0, 0, w, h);
        cairo_clip(cr);
        m_Sink->OnHostPaint(cr, {0, 0, w, h});
        cairo_destroy(cr);
        ++m_Backend->Records().paints;
        return s;
    }

    bool InputEnabled() const { return m_InputEnabled; }
    IWindowHostSink* Sink() const { return m_Sink; }
    CHeadlessBackend::THostState State() const {
        return {m_Title,     m_ClassName,    m_IconBytes, m_Shown,
                m_Minimized, m_InputEnabled, m_TextInput, m_Caret};
    }

private:
    CHeadlessBackend* m_Backend;
    IWindowHostSink* m_Sink;
    std::wstring m_Title;
    std::wstring m_ClassName;
    bool m_TextInput = false;
    UIRect m_Caret;
    UIRect m_Bounds;
    bool m_Shown = false;
    bool m_Minimized = false;
    bool m_InputEnabled = true;
    size_t m_IconBytes = 0;
    UISize m_Round;
    std::shared_ptr<LayerList> m_Layers = std::make_shared<LayerList>();
};

CHeadlessBackend* g_Current = nullptr;

HeadlessHost* HostOf(WindowImplBase& window) {
    return static_cast<HeadlessHost*>(window.GetHost());
}

}  // namespace

CHeadlessBackend::CHeadlessBackend()
    : m_Clock(std::make_unique<ManualClock>(this)), m_Waiter(std::make_unique<LoopWaiter>()) {
    g_Current = this;
}

CHeadlessBackend::~CHeadlessBackend() {
    if (g_Current == this) g_Current = nullptr;
    CMessageLoop::Instance().SetClock(nullptr);
}

CHeadlessBackend* CHeadlessBackend::Current() { return g_Current; }

std::unique_ptr<IWindowHost> CHeadlessBackend::CreateHost(IWindowHostSink* sink, IWindowHost*) {
    return std::make_unique<HeadlessHost>(this, sink);
}

UIRect CHeadlessBackend::GetWorkArea(const UIRect&) { return m_WorkArea; }

void CHeadlessBackend::ShowMessageBox(const std::wstring& text, const std::wstring& caption) {
    ++m_Record.messageBoxes;
    m_Record.lastMessageBoxText = text;
    m_Record.lastMessageBoxCaption = caption;
    Log(L"box " + text);
}

bool CHeadlessBackend::ChooseFolder(IWindowHost* owner, const std::wstring& title,
                                    std::wstring* path) {
    m_Record.folderChoosers.push_back(title);
    m_Record.folderStart = *path;
    m_Record.folderOwnerTookInput = owner && static_cast<HeadlessHost*>(owner)->InputEnabled();
    Log(L"folder " + title);
    std::optional<std::wstring> answer = std::move(m_FolderAnswer);
    m_FolderAnswer.reset();
    if (!answer) return false;
    *path = *answer;
    return true;
}

CHeadlessBackend::THostState CHeadlessBackend::HostState(WindowImplBase& window) {
    HeadlessHost* host = HostOf(window);
    return host ? host->State() : THostState{};
}

ILoopWaiter* CHeadlessBackend::Waiter() { return m_Waiter.get(); }

void CHeadlessBackend::SetManualClock(bool manual) {
    CMessageLoop& loop = CMessageLoop::Instance();
    if (manual) {
        m_ManualNow = 0;
        loop.SetClock(m_Clock.get());
    } else {
        loop.SetClock(nullptr);
    }
    m_Waiter->manual = manual;
}

void CHeadlessBackend::AdvanceTime(int ms) {
    CMessageLoop& loop = CMessageLoop::Instance();
    int64_t end = m_ManualNow + ms;
    loop.RunPending();
    for (;;) {
        int next = loop.NextTimerDelayMs();
        if (next < 0 || m_ManualNow + next > end) break;
        m_ManualNow += next;
        loop.RunPending();
    }
    m_ManualNow = end;
    loop.RunPending();
}

bool CHeadlessBackend::MouseMove(WindowImplBase& window, UIPoint pt) {
    HeadlessHost* host = HostOf(window);
    if (!host || !host->InputEnabled()) return false;
    host->Sink()->OnHostMessage(WM_MOUSEMOVE, 0, MakeLParam(pt.x, pt.y));
    return true;
}

bool CHeadlessBackend::MouseDown(WindowImplBase& window, UIPoint pt) {
    HeadlessHost* host = HostOf(window);
    if (!host || !host->InputEnabled()) return false;
    host->Sink()->OnHostMessage(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(pt.x, pt.y));
    return true;
}

bool CHeadlessBackend::MouseUp(WindowImplBase& window, UIPoint pt) {
    HeadlessHost* host = HostOf(window);
    if (!host || !host->InputEnabled()) return false;
    host->Sink()->OnHostMessage(WM_LBUTTONUP, 0, MakeLParam(pt.x, pt.y));
    return true;
}

bool CHeadlessBackend::ClickAt(WindowImplBase& window, UIPoint pt) {
    if (!MouseMove(window, pt)) return false;
    if (!MouseDown(window, pt)) return false;
    // The press may have closed or disabled the window.
    if (!window.GetHost()) return true;
    MouseUp(window, pt);
    return true;
}

bool CHeadlessBackend::Click(WindowImplBase& window, const std::wstring& controlName) {
    if (!window.GetHost()) return false;
    window.GetManager().EnsureLayout();
    CControlUI* c = window.GetManager().FindControl(controlName);
    if (!c || !c->IsVisible()) return false;
    const UIRect& rc = c->GetPos();
    if (rc.IsEmpty()) return false;
    return ClickAt(window, {rc.left + rc.Width() / 2, rc.top + rc.Height() / 2});
}

void CHeadlessBackend::TypeText(WindowImplBase& window, const std::wstring& text) {
    HeadlessHost* host = HostOf(window);
    if (!host || !host->InputEnabled()) return;
    for (wchar_t c : text) {
        if (c == L'\n') {
            host->Sink()->OnHostMessage(WM_KEYDOWN, VK_RETURN, 0);
        } else {
            host->Sink()->OnHostMessage(WM_CHAR, static_cast<WParam>(c), 0);
        }
    }
}

void CHeadlessBackend::KeyPress(WindowImplBase& window, WParam key, uint32_t modifiers) {
    HeadlessHost* host = HostOf(window);
    if (!host || !host->InputEnabled()) return;
    host->Sink()->OnHostMessage(WM_KEYDOWN, key, static_cast<LParam>(modifiers));
    host->Sink()->OnHostMessage(WM_KEYUP, key, static_cast<LParam>(modifiers));
}

cairo_surface_t* CHeadlessBackend::Snapshot(WindowImplBase& window, bool withCompanions) {
    HeadlessHost* host = HostOf(window);
    return host ? host->Paint(withCompanions) : nullptr;
}

bool CHeadlessBackend::WritePng(WindowImplBase& window, const std::string& path,
                                bool withCompanions) {
    cairo_surface_t* s = Snapshot(window, withCompanions);
    if (!s) return false;
    bool ok = cairo_surface_write_to_png(s, path.c_str()) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(s);
    return ok;
}

void UseHeadlessBackend() { SetBackend(std::make_unique<CHeadlessBackend>()); }

}  // namespace Toolkit
