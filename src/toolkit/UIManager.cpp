#include "toolkit/UIManager.h"

#include <algorithm>

#include "toolkit/UIBackend.h"
#include "toolkit/UIControls.h"
#include "toolkit/UIMessageLoop.h"
#include "toolkit/UIResource.h"
#include "utils/Log.h"

namespace Toolkit {

namespace {

std::map<std::wstring, std::wstring>& TextTable() {
    static std::map<std::wstring, std::wstring> table;
    return table;
}

TFontInfo DefaultFontInfo() {
    TFontInfo f;
    f.face = L"微软雅黑";
    f.size = 12;
    return f;
}

}  // namespace

CPaintManagerUI::CPaintManagerUI() : m_DefaultFont(DefaultFontInfo()) {}

CPaintManagerUI::~CPaintManagerUI() { DetachAndDeleteRoot(); }

void CPaintManagerUI::Init(WindowHandle window, IWindowHost* host) {
    m_Window = window;
    m_Host = host;
}

void CPaintManagerUI::SetResourcePath(const std::wstring& path) {
    CResourceManager::Instance().SetResourcePath(path);
}

const std::wstring& CPaintManagerUI::GetResourcePath() {
    return CResourceManager::Instance().GetResourcePath();
}

bool CPaintManagerUI::AttachDialog(CControlUI* root) {
    if (!root) return false;
    DetachAndDeleteRoot();
    m_Root = root;
    root->SetManager(this, nullptr, true);
    NeedUpdate();
    Invalidate();
    return true;
}

void CPaintManagerUI::DetachAndDeleteRoot() {
    CControlUI* root = m_Root;
    m_Root = nullptr;
    delete root;
    m_Names.clear();
    m_Focus = m_Hot = m_Pushed = m_DroppedCombo = nullptr;
}

CControlUI* CPaintManagerUI::FindControl(const std::wstring& name) const {
    if (name.empty()) return nullptr;
    auto it = m_Names.find(name);
    return it == m_Names.end() ? nullptr : it->second;
}

CControlUI* CPaintManagerUI::FindControl(UIPoint pt) const {
    if (!m_Root) return nullptr;
    return m_Root->FindControl([](CControlUI*) { return true; },
                               UIFIND_VISIBLE | UIFIND_HITTEST | UIFIND_TOP_FIRST, pt);
}

void CPaintManagerUI::InitControl(CControlUI* control) {
    // The first control of a name wins, as a look-up from the root would find it.
    if (!control->GetName().empty()) m_Names.emplace(control->GetName(), control);
}

void CPaintManagerUI::ReapControl(CControlUI* control) {
    for (auto it = m_Names.begin(); it != m_Names.end();) {
        it = it->second == control ? m_Names.erase(it) : std::next(it);
    }
    if (m_Focus == control) {
        InvalidateFocusRing();
        m_Focus = nullptr;
        UpdateTextInput();
    }
    if (m_Hot == control) m_Hot = nullptr;
    if (m_Pushed == control) m_Pushed = nullptr;
    if (m_DroppedCombo == control) m_DroppedCombo = nullptr;
    KillTimer(control);
    std::lock_guard<std::mutex> guard(m_AsyncLock);
    m_AsyncQueue.erase(
        std::remove_if(m_AsyncQueue.begin(), m_AsyncQueue.end(),
                       [control](const TNotifyUI& n) { return n.pSender == control; }),
        m_AsyncQueue.end());
    m_Reaped.insert(control);
}

void CPaintManagerUI::SetFocus(CControlUI* control) {
    if (control == m_Focus) return;
    if (control && (!control->IsVisible() || !control->IsEnabled())) return;
    InvalidateFocusRing();
    CControlUI* old = m_Focus;
    m_Focus = control;
    ++m_Stats.focusChanges;
    InvalidateFocusRing();
    UpdateTextInput();
    if (old) {
        TUIEvent ev;
        ev.type = UIEventType::KillFocus;
        ev.sender = old;
        ev.timestamp = CMessageLoop::Instance().NowMs();
        old->HandleEvent(ev);
        SendNotify(old, L"killfocus");
    }
    if (control && m_Focus == control) {
        TUIEvent ev;
        ev.type = UIEventType::SetFocus;
        ev.sender = control;
        ev.timestamp = CMessageLoop::Instance().NowMs();
        control->HandleEvent(ev);
        SendNotify(control, L"setfocus");
    }
}

bool CPaintManagerUI::MoveFocus(bool forward) {
    if (!m_Root) return false;
    EnsureLayout();
    std::vector<CControlUI*> order;
    m_Root->FindControl(
        [&](CControlUI* c) {
            if (c->IsFocusable() && c->IsVisible() && c->IsEnabled()) order.push_back(c);
            return false;
        },
        UIFIND_ALL);
    if (order.empty()) return false;
    auto at = std::find(order.begin(), order.end(), m_Focus);
    CControlUI* next;
    if (at == order.end()) {
        next = forward ? order.front() : order.back();
    } else if (forward) {
        next = ++at == order.end() ? order.front() : *at;
    } else {
        next = at == order.begin() ? order.back() : *--at;
    }
    ShowFocusRing(true);
    SetFocus(next);
    return true;
}

UIRect CPaintManagerUI::FocusRingRect(const UIRect& rc) {
    return {rc.left - 3, rc.top - 3, rc.right + 3, rc.bottom + 3};
}

void CPaintManagerUI::ShowFocusRing(bool show) {
    if (m_FocusRing == show) return;
    InvalidateFocusRing();
    m_FocusRing = show;
    InvalidateFocusRing();
}

void CPaintManagerUI::InvalidateFocusRing() {
    if (m_FocusRing && m_Focus) Invalidate(FocusRingRect(m_Focus->GetPos()));
}

// A blue ring two pixels wide, with a one-pixel light line between it and
// the control: it shows on the light pages and on the dark title band alike.
void CPaintManagerUI::PaintFocusRing(cairo_t* cr, const UIRect& dirty) {
    if (!m_FocusRing || !m_Focus || !m_Focus->IsVisible() || !m_Focus->IsEnabled()) return;
    UIRect ring = FocusRingRect(m_Focus->GetPos());
    if (ring.Intersect(dirty).IsEmpty()) return;
    UISize round = m_Focus->GetBorderRound();
    int r = std::max(8, std::max(round.cx, round.cy) + 6);
    cairo_save(cr);
    cairo_rectangle(cr, dirty.left, dirty.top, dirty.Width(), dirty.Height());
    cairo_clip(cr);
    CCanvas::DrawBorder(cr, ring, 2, r, r, m_FocusRingColor);
    UIRect inner{ring.left + 2, ring.top + 2, ring.right - 2, ring.bottom - 2};
    CCanvas::DrawBorder(cr, inner, 1, r - 4, r - 4, 0xCCFFFFFF);
    cairo_restore(cr);
}

void CPaintManagerUI::UpdateTextInput() {
    if (!m_Host) return;
    bool text = m_Focus && m_Focus->WantsTextInput() && m_Focus->IsEnabled();
    m_Host->SetTextInput(text, text ? m_Focus->GetPos() : UIRect{});
}

void CPaintManagerUI::AddNotifier(INotifyListener* listener) {
    if (listener &&
        std::find(m_Notifiers.begin(), m_Notifiers.end(), listener) == m_Notifiers.end())
        m_Notifiers.push_back(listener);
}

void CPaintManagerUI::RemoveNotifier(INotifyListener* listener) {
    m_Notifiers.erase(std::remove(m_Notifiers.begin(), m_Notifiers.end(), listener),
                      m_Notifiers.end());
}

void CPaintManagerUI::AddPreMessageFilter(IMessagePreFilter* filter) {
    if (filter && std::find(m_PreFilters.begin(), m_PreFilters.end(), filter) == m_PreFilters.end())
        m_PreFilters.push_back(filter);
}

void CPaintManagerUI::RemovePreMessageFilter(IMessagePreFilter* filter) {
    m_PreFilters.erase(std::remove(m_PreFilters.begin(), m_PreFilters.end(), filter),
                       m_PreFilters.end());
}

void CPaintManagerUI::SendNotify(TNotifyUI& msg, bool async) {
    if (async) {
        {
            std::lock_guard<std::mutex> guard(m_AsyncLock);
            m_AsyncQueue.push_back(msg);
        }
        CMessageLoop::Instance().PostMessage(m_Window.load(), WM_TOOLKIT_ASYNCNOTIFY);
        return;
    }
    msg.dwTimestamp = CMessageLoop::Instance().NowMs();
    // A listener may add or remove listeners while it runs.
    std::vector<INotifyListener*> listeners = m_Notifiers;
    for (INotifyListener* l : listeners) {
        if (std::find(m_Notifiers.begin(), m_Notifiers.end(), l) != m_Notifiers.end())
            l->Notify(msg);
    }
}

void CPaintManagerUI::SendNotify(CControlUI* control, const std::wstring& type, WParam wParam,
                                 LParam lParam, bool async) {
    TNotifyUI msg;
    msg.sType = type;
    msg.pSender = control;
    msg.wParam = wParam;
    msg.lParam = lParam;
    SendNotify(msg, async);
}

void CPaintManagerUI::DeliverAsyncNotifications() {
    // Only what is queued now: a worker that keeps sending must not hold the
    // UI thread here for ever.
    std::deque<TNotifyUI> batch;
    {
        std::lock_guard<std::mutex> guard(m_AsyncLock);
        batch.swap(m_AsyncQueue);
    }
    while (!batch.empty()) {
        TNotifyUI msg = batch.front();
        batch.pop_front();
        SendNotify(msg, false);
        // A listener may have removed the sender of later records.
        std::lock_guard<std::mutex> guard(m_AsyncLock);
        if (!m_Reaped.empty()) {
            batch.erase(std::remove_if(
                            batch.begin(), batch.end(),
                            [this](const TNotifyUI& n) { return m_Reaped.count(n.pSender) != 0; }),
                        batch.end());
        }
    }
    std::lock_guard<std::mutex> guard(m_AsyncLock);
    m_Reaped.clear();
}

bool CPaintManagerUI::SetTimer(CControlUI* control, uintptr_t id, uint32_t periodMs) {
    if (!control || m_Window == 0) return false;
    uintptr_t windowId = 0;
    for (auto& [wid, t] : m_Timers) {
        if (t.control == control && t.id == id) windowId = wid;
    }
    if (windowId == 0) {
        windowId = m_NextTimerId++;
        m_Timers[windowId] = ControlTimer{control, id};
    }
    CMessageLoop::Instance().SetTimer(m_Window, windowId, periodMs);
    return true;
}

bool CPaintManagerUI::KillTimer(CControlUI* control, uintptr_t id) {
    for (auto it = m_Timers.begin(); it != m_Timers.end(); ++it) {
        if (it->second.control == control && it->second.id == id) {
            CMessageLoop::Instance().KillTimer(m_Window, it->first);
            m_Timers.erase(it);
            return true;
        }
    }
    return false;
}

void CPaintManagerUI::KillTimer(CControlUI* control) {
    for (auto it = m_Timers.begin(); it != m_Timers.end();) {
        if (it->second.control == control) {
            CMessageLoop::Instance().KillTimer(m_Window, it->first);
            it = m_Timers.erase(it);
        } else {
            ++it;
        }
    }
}

bool CPaintManagerUI::HasTimer(CControlUI* control, uintptr_t id) const {
    for (auto& [wid, t] : m_Timers) {
        if (t.control == control && t.id == id) return true;
    }
    return false;
}

void CPaintManagerUI::AddFont(int id, const TFontInfo& font, bool isDefault) {
    m_Fonts[id] = font;
    if (isDefault) m_DefaultFont = font;
}

const TFontInfo& CPaintManagerUI::GetFont(int id) const {
    auto it = m_Fonts.find(id);
    return it == m_Fonts.end() ? m_DefaultFont : it->second;
}

UISize CPaintManagerUI::GetTextExtent(CControlUI* control, const std::wstring& text) const {
    int font = -1;
    if (control) {
        if (auto* label = static_cast<CLabelUI*>(control->GetInterface(L"Label")))
            font = label->GetFont();
    }
    return CCanvas::MeasureText(text, GetFont(font));
}

void CPaintManagerUI::SetWindowAttribute(const std::wstring& name, const std::wstring& value) {
    m_WindowAttributes[name] = value;
    if (name == L"focusringcolor") {
        m_FocusRingColor = ParseColor(value).value_or(kDefaultFocusRingColor);
    } else if (name == L"size") {
        m_InitSize = ParseSize(value);
    } else if (name == L"caption") {
        m_Caption = ParseRect(value);
    } else if (name == L"roundcorner") {
        m_RoundCorner = ParseSize(value);
    }
}

std::wstring CPaintManagerUI::GetWindowAttribute(const std::wstring& name) const {
    auto it = m_WindowAttributes.find(name);
    return it == m_WindowAttributes.end() ? std::wstring() : it->second;
}

void CPaintManagerUI::SetTextTableEntry(const std::wstring& key, const std::wstring& text) {
    TextTable()[key] = text;
}

std::wstring CPaintManagerUI::GetTextTableEntry(const std::wstring& key) {
    auto it = TextTable().find(key);
    return it == TextTable().end() ? std::wstring() : it->second;
}

void CPaintManagerUI::ClearTextTable() { TextTable().clear(); }

void CPaintManagerUI::ReapplyTexts() {
    if (!m_Root) return;
    m_Root->FindControl(
        [](CControlUI* c) {
            if (!c->GetTextId().empty()) c->SetText(GetTextTableEntry(c->GetTextId()));
            return false;
        },
        UIFIND_ALL);
    NeedUpdate();
}

void CPaintManagerUI::SetClientSize(UISize size) {
    if (size == m_ClientSize) return;
    m_ClientSize = size;
    NeedUpdate();
    Invalidate();
}

void CPaintManagerUI::EnsureLayout() {
    if (!m_NeedLayout || !m_Root) return;
    m_NeedLayout = false;
    ++m_Stats.layouts;
    // The ring lies outside its control, which repaints only its own rectangle.
    InvalidateFocusRing();
    m_Root->SetPos({0, 0, m_ClientSize.cx, m_ClientSize.cy});
    InvalidateFocusRing();
}

void CPaintManagerUI::NeedUpdate() { m_NeedLayout = true; }

void CPaintManagerUI::Invalidate(const UIRect& rc) {
    if (rc.IsEmpty()) return;
    ++m_Stats.invalidations;
    if (m_Host) m_Host->Invalidate(rc);
}

void CPaintManagerUI::Invalidate() { Invalidate({0, 0, m_ClientSize.cx, m_ClientSize.cy}); }

void CPaintManagerUI::Paint(cairo_t* cr, const UIRect& dirty) {
    EnsureLayout();
    ++m_Stats.paints;
    if (!m_Root) return;
    cairo_save(cr);
    if (m_RoundCorner.cx > 0 && m_RoundCorner.cy > 0) {
        CCanvas::RoundRectPath(cr, {0, 0, m_ClientSize.cx, m_ClientSize.cy}, m_RoundCorner.cx,
                               m_RoundCorner.cy);
        cairo_clip(cr);
    }
    m_Root->DoPaint(cr, dirty);
    PaintFocusRing(cr, dirty);
    if (m_DroppedCombo) static_cast<CComboUI*>(m_DroppedCombo)->PaintDropList(cr);
    cairo_restore(cr);
}

void CPaintManagerUI::SetDroppedCombo(CControlUI* combo) { m_DroppedCombo = combo; }

void CPaintManagerUI::SendMouseEvent(CControlUI* target, UIEventType type, UIPoint pt,
                                     WParam wParam) {
    if (!target) return;
    TUIEvent ev;
    ev.type = type;
    ev.sender = target;
    ev.pt = pt;
    ev.wParam = wParam;
    ev.modifiers = static_cast<uint32_t>(wParam);
    ev.timestamp = CMessageLoop::Instance().NowMs();
    target->HandleEvent(ev);
}

bool CPaintManagerUI::PreMessageHandler(uint32_t msg, WParam wParam, LParam lParam,
                                        LResult& result) {
    std::vector<IMessagePreFilter*> filters = m_PreFilters;
    for (IMessagePreFilter* f : filters) {
        bool handled = false;
        LResult r = f->MessageFilter(msg, wParam, lParam, handled);
        if (handled) {
            result = r;
            return true;
        }
    }
    return false;
}

bool CPaintManagerUI::MessageHandler(uint32_t msg, WParam wParam, LParam lParam, LResult& result) {
    result = 0;
    UIPoint pt{LoWordSigned(lParam), HiWordSigned(lParam)};
    switch (msg) {
        case WM_TOOLKIT_ASYNCNOTIFY:
            DeliverAsyncNotifications();
            return true;
        case WM_TIMER: {
            auto it = m_Timers.find(wParam);
            if (it == m_Timers.end()) return false;
            TUIEvent ev;
            ev.type = UIEventType::Timer;
            ev.sender = it->second.control;
            ev.wParam = it->second.id;
            ev.lParam = lParam;
            ev.timestamp = CMessageLoop::Instance().NowMs();
            it->second.control->HandleEvent(ev);
            return true;
        }
        case WM_SIZE:
            if (wParam != SIZE_MINIMIZED)
                SetClientSize({LoWordSigned(lParam) & 0xFFFF, HiWordSigned(lParam) & 0xFFFF});
            return false;
        case WM_MOUSEMOVE: {
            EnsureLayout();
            if (m_Pushed) {
                SendMouseEvent(m_Pushed, UIEventType::MouseMove, pt, wParam);
                return true;
            }
            if (m_DroppedCombo) {
                SendMouseEvent(m_DroppedCombo, UIEventType::MouseMove, pt, wParam);
                return true;
            }
            CControlUI* hit = FindControl(pt);
            if (hit != m_Hot) {
                if (m_Hot) SendMouseEvent(m_Hot, UIEventType::MouseLeave, pt, wParam);
                m_Hot = hit;
                if (hit) SendMouseEvent(hit, UIEventType::MouseEnter, pt, wParam);
            }
            if (hit) SendMouseEvent(hit, UIEventType::MouseMove, pt, wParam);
            return true;
        }
        case WM_MOUSELEAVE:
            if (m_Hot && !m_Pushed) {
                SendMouseEvent(m_Hot, UIEventType::MouseLeave, pt, wParam);
                m_Hot = nullptr;
            }
            return true;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK: {
            EnsureLayout();
            UIEventType type =
                msg == WM_LBUTTONDOWN ? UIEventType::ButtonDown : UIEventType::DoubleClick;
            if (m_DroppedCombo) {
                // The open list takes this click, wherever it lands.
                SendMouseEvent(m_DroppedCombo, UIEventType::ButtonDown, pt, wParam);
                return true;
            }
            ShowFocusRing(false);
            CControlUI* hit = FindControl(pt);
            if (!hit) return false;
            if (hit->IsFocusable() && hit->IsEnabled()) SetFocus(hit);
            m_Pushed = hit;
            SendMouseEvent(hit, type, pt, wParam);
            return true;
        }
        case WM_LBUTTONUP: {
            CControlUI* target = m_Pushed;
            m_Pushed = nullptr;
            if (!target) return false;
            SendMouseEvent(target, UIEventType::ButtonUp, pt, wParam);
            return true;
        }
        case WM_KEYDOWN:
        case WM_CHAR: {
            if (msg == WM_KEYDOWN && wParam == VK_TAB && !(lParam & MK_CONTROL)) {
                MoveFocus(!(lParam & MK_SHIFT));
                return true;
            }
            // Escape is the window's close button, unless an open list takes it.
            if (msg == WM_KEYDOWN && wParam == VK_ESCAPE && !m_DroppedCombo) {
                CControlUI* close = FindControl(std::wstring(L"closebtn"));
                if (close && close->IsVisible() && close->IsEnabled()) {
                    close->Activate();
                    return true;
                }
            }
            CControlUI* target = m_DroppedCombo ? m_DroppedCombo : m_Focus;
            if (!target) return false;
            TUIEvent ev;
            ev.type = msg == WM_KEYDOWN ? UIEventType::KeyDown : UIEventType::Char;
            ev.sender = target;
            ev.key = wParam;
            ev.ch = static_cast<wchar_t>(wParam);
            ev.modifiers = static_cast<uint32_t>(lParam);
            ev.timestamp = CMessageLoop::Instance().NowMs();
            target->HandleEvent(ev);
            return true;
        }
        default:
            return false;
    }
}

}  // namespace Toolkit
