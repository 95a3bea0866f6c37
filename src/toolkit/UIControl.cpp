#include "toolkit/UIControl.h"

#include "toolkit/UICanvas.h"
#include "toolkit/UIContainer.h"
#include "toolkit/UIManager.h"

namespace Toolkit {

CControlUI::CControlUI() = default;

CControlUI::~CControlUI() {
    if (m_Manager) m_Manager->ReapControl(this);
}

std::wstring CControlUI::GetClass() const { return L"Control"; }

void* CControlUI::GetInterface(const std::wstring& name) {
    return name == L"Control" ? this : nullptr;
}

void CControlUI::SetText(const std::wstring& text) {
    if (text == m_Text) return;
    m_Text = text;
    Invalidate();
}

void CControlUI::SetVisible(bool visible) {
    if (m_Visible == visible) return;
    if (!visible && m_Manager) m_Manager->Invalidate(m_rcItem);
    m_Visible = visible;
    // A control that disappears must not keep the focus.
    if (!visible && m_Manager && m_Manager->GetFocus() == this) m_Manager->SetFocus(nullptr);
    NeedParentUpdate();
}

bool CControlUI::IsVisible() const {
    if (!m_Visible || !m_InternVisible) return false;
    return m_Parent ? m_Parent->IsVisible() : true;
}

void CControlUI::SetInternVisible(bool visible) {
    if (m_InternVisible == visible) return;
    m_InternVisible = visible;
    if (!visible && m_Manager && m_Manager->GetFocus() == this) m_Manager->SetFocus(nullptr);
    NeedParentUpdate();
}

void CControlUI::SetEnabled(bool enabled) {
    if (m_Enabled == enabled) return;
    m_Enabled = enabled;
    if (!enabled) {
        m_Hot = false;
        m_Pushed = false;
    }
    Invalidate();
}

void CControlUI::SetFocus() {
    if (m_Manager) m_Manager->SetFocus(this);
}

void CControlUI::SetFixedWidth(int cx) {
    if (cx < 0) cx = 0;
    if (m_FixedSize.cx == cx) return;
    m_FixedSize.cx = cx;
    NeedParentUpdate();
}

void CControlUI::SetFixedHeight(int cy) {
    if (cy < 0) cy = 0;
    if (m_FixedSize.cy == cy) return;
    m_FixedSize.cy = cy;
    NeedParentUpdate();
}

void CControlUI::SetPadding(const UIRect& rc) {
    m_Padding = rc;
    NeedParentUpdate();
}

void CControlUI::SetFloat(bool f) {
    m_Float = f;
    NeedParentUpdate();
}

void CControlUI::SetFloatPos(const UIRect& rc) {
    m_FloatPos = rc;
    NeedParentUpdate();
}

void CControlUI::SetPos(const UIRect& rc) {
    UIRect r = rc;
    if (r.right < r.left) r.right = r.left;
    if (r.bottom < r.top) r.bottom = r.top;
    if (m_Manager && !(r == m_rcItem)) {
        m_Manager->Invalidate(m_rcItem);
        m_Manager->Invalidate(r);
    }
    m_rcItem = r;
}

UISize CControlUI::EstimateSize(UISize /*available*/) { return m_FixedSize; }

void CControlUI::SetBkColor(UIColor c) {
    m_BkColor = c;
    Invalidate();
}

void CControlUI::SetBkImage(const std::wstring& image) {
    if (image == m_BkImage) return;
    m_BkImage = image;
    Invalidate();
}

void CControlUI::SetForeImage(const std::wstring& image) {
    m_ForeImage = image;
    Invalidate();
}

void CControlUI::SetBorderSize(int size) {
    m_BorderSize = size < 0 ? 0 : size;
    Invalidate();
}

void CControlUI::SetBorderColor(UIColor c) {
    m_BorderColor = c;
    Invalidate();
}

void CControlUI::SetBorderRound(UISize round) {
    m_BorderRound = round;
    Invalidate();
}

bool CControlUI::SetAttribute(const std::wstring& name, const std::wstring& value) {
    using Setter = void (*)(CControlUI*, const std::wstring&);
    static const std::map<std::wstring, Setter> kTable = {
        {L"name", [](CControlUI* c, const std::wstring& v) { c->SetName(v); }},
        {L"text", [](CControlUI* c, const std::wstring& v) { c->SetText(v); }},
        {L"textid",
         [](CControlUI* c, const std::wstring& v) {
             c->SetTextId(v);
             if (c->GetManager()) c->SetText(CPaintManagerUI::GetTextTableEntry(v));
         }},
        {L"tooltip", [](CControlUI* c, const std::wstring& v) { c->SetToolTip(v); }},
        {L"userdata", [](CControlUI* c, const std::wstring& v) { c->SetUserData(v); }},
        {L"width",
         [](CControlUI* c, const std::wstring& v) { c->SetFixedWidth(ParseCoordinate(v)); }},
        {L"height",
         [](CControlUI* c, const std::wstring& v) { c->SetFixedHeight(ParseCoordinate(v)); }},
        {L"minwidth",
         [](CControlUI* c, const std::wstring& v) { c->m_MinSize.cx = ParseCoordinate(v); }},
        {L"minheight",
         [](CControlUI* c, const std::wstring& v) { c->m_MinSize.cy = ParseCoordinate(v); }},
        {L"maxwidth",
         [](CControlUI* c, const std::wstring& v) { c->m_MaxSize.cx = ParseCoordinate(v); }},
        {L"maxheight",
         [](CControlUI* c, const std::wstring& v) { c->m_MaxSize.cy = ParseCoordinate(v); }},
        {L"pos",
         [](CControlUI* c, const std::wstring& v) {
             UIRect r = ParseRect(v);
             c->m_FloatPos = r;
             if (c->m_Attributes.count(L"float") == 0) c->m_Float = true;
             // A "pos" without a right or bottom edge keeps the size given by "width"/"height".
             if (r.Width() > 0) c->m_FixedSize.cx = r.Width();
             if (r.Height() > 0) c->m_FixedSize.cy = r.Height();
             c->NeedParentUpdate();
         }},
        {L"float", [](CControlUI* c, const std::wstring& v) { c->SetFloat(ParseBool(v)); }},
        {L"padding", [](CControlUI* c, const std::wstring& v) { c->SetPadding(ParseRect(v)); }},
        {L"visible", [](CControlUI* c, const std::wstring& v) { c->SetVisible(ParseBool(v)); }},
        {L"enabled", [](CControlUI* c, const std::wstring& v) { c->SetEnabled(ParseBool(v)); }},
        {L"mouse", [](CControlUI* c, const std::wstring& v) { c->SetMouseEnabled(ParseBool(v)); }},
        {L"bkcolor",
         [](CControlUI* c, const std::wstring& v) { c->SetBkColor(ParseColor(v).value_or(0)); }},
        {L"bkcolor2",
         [](CControlUI* c, const std::wstring& v) { c->m_BkColor2 = ParseColor(v).value_or(0); }},
        {L"bkimage", [](CControlUI* c, const std::wstring& v) { c->SetBkImage(v); }},
        {L"foreimage", [](CControlUI* c, const std::wstring& v) { c->SetForeImage(v); }},
        {L"bordersize",
         [](CControlUI* c, const std::wstring& v) { c->SetBorderSize(ParseCoordinate(v)); }},
        {L"bordercolor",
         [](CControlUI* c, const std::wstring& v) {
             c->SetBorderColor(ParseColor(v).value_or(0));
         }},
        {L"focusbordercolor",
         [](CControlUI* c, const std::wstring& v) {
             c->m_FocusBorderColor = ParseColor(v).value_or(0);
         }},
        {L"borderround",
         [](CControlUI* c, const std::wstring& v) { c->SetBorderRound(ParseSize(v)); }},
    };
    auto it = kTable.find(name);
    if (it == kTable.end()) return false;
    // Recorded first so that setters can see what else was given ("float").
    m_Attributes[name] = value;
    it->second(this, value);
    return true;
}

std::wstring CControlUI::GetAttribute(const std::wstring& name) const {
    if (name == L"name") return m_Name;
    if (name == L"text") return GetText();
    if (name == L"visible") return m_Visible ? L"true" : L"false";
    if (name == L"enabled") return m_Enabled ? L"true" : L"false";
    auto it = m_Attributes.find(name);
    return it == m_Attributes.end() ? std::wstring() : it->second;
}

void CControlUI::ApplyAttributeList(const std::wstring& list) {
    size_t i = 0;
    while (i < list.size()) {
        while (i < list.size() && list[i] == L' ') ++i;
        size_t eq = list.find(L'=', i);
        if (eq == std::wstring::npos) break;
        std::wstring name = list.substr(i, eq - i);
        size_t q = eq + 1;
        if (q >= list.size() || (list[q] != L'"' && list[q] != L'\'')) break;
        wchar_t quote = list[q];
        size_t end = list.find(quote, q + 1);
        if (end == std::wstring::npos) break;
        SetAttribute(name, list.substr(q + 1, end - q - 1));
        i = end + 1;
    }
}

void CControlUI::SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init) {
    m_Manager = manager;
    m_Parent = parent;
    if (init && manager) {
        manager->InitControl(this);
        if (!m_TextId.empty()) m_Text = CPaintManagerUI::GetTextTableEntry(m_TextId);
        OnInit();
    }
}

CControlUI* CControlUI::FindControl(const std::function<bool(CControlUI*)>& pred, uint32_t flags,
                                    UIPoint pt) {
    if ((flags & UIFIND_VISIBLE) && !IsVisible()) return nullptr;
    if ((flags & UIFIND_ENABLED) && !IsEnabled()) return nullptr;
    if ((flags & UIFIND_HITTEST) && (!m_rcItem.Contains(pt) || !m_MouseEnabled)) return nullptr;
    return pred(this) ? this : nullptr;
}

void CControlUI::Invalidate() {
    if (m_Manager && IsVisible()) m_Manager->Invalidate(m_rcItem);
}

void CControlUI::NeedUpdate() {
    if (m_Manager) {
        m_Manager->NeedUpdate();
        m_Manager->Invalidate(m_rcItem);
    }
}

void CControlUI::NeedParentUpdate() { NeedUpdate(); }

void CControlUI::HandleEvent(TUIEvent& event) {
    switch (event.type) {
        case UIEventType::Timer:
            if (m_Manager) m_Manager->SendNotify(this, L"timer", event.wParam, event.lParam);
            break;
        case UIEventType::MouseEnter:
            SetHot(true);
            break;
        case UIEventType::MouseLeave:
            SetHot(false);
            break;
        case UIEventType::SetFocus:
            SetFocusedState(true);
            break;
        case UIEventType::KillFocus:
            SetFocusedState(false);
            break;
        default:
            // Controls that ignore input pass it to their parent (a label on a
            // button row lets the row see the mouse).
            if (m_Parent) {
                event.sender = this;
                m_Parent->HandleEvent(event);
            }
            break;
    }
}

bool CControlUI::Activate() { return IsVisible() && IsEnabled(); }

void CControlUI::SetHot(bool hot) {
    if (m_Hot == hot) return;
    m_Hot = hot;
    Invalidate();
}

void CControlUI::SetPushed(bool pushed) {
    if (m_Pushed == pushed) return;
    m_Pushed = pushed;
    Invalidate();
}

void CControlUI::SetFocusedState(bool focused) {
    if (m_Focused == focused) return;
    m_Focused = focused;
    Invalidate();
}

void CControlUI::DoPaint(cairo_t* cr, const UIRect& paint) {
    UIRect clip = paint.Intersect(m_rcItem);
    if (clip.IsEmpty()) return;
    cairo_save(cr);
    cairo_rectangle(cr, clip.left, clip.top, clip.Width(), clip.Height());
    cairo_clip(cr);
    if (m_BorderRound.cx > 0 && m_BorderRound.cy > 0) {
        CCanvas::RoundRectPath(cr, m_rcItem, m_BorderRound.cx, m_BorderRound.cy);
        cairo_clip(cr);
    }
    PaintBkColor(cr);
    PaintBkImage(cr);
    PaintStatusImage(cr);
    PaintText(cr);
    cairo_restore(cr);
    // The frame is drawn outside the rounded clip so that its edge stays whole.
    cairo_save(cr);
    cairo_rectangle(cr, clip.left, clip.top, clip.Width(), clip.Height());
    cairo_clip(cr);
    PaintBorder(cr);
    cairo_restore(cr);
}

void CControlUI::PaintBkColor(cairo_t* cr) {
    if (m_BkColor >> 24) CCanvas::FillRect(cr, m_rcItem, m_BkColor);
}

void CControlUI::PaintBkImage(cairo_t* cr) {
    if (!m_BkImage.empty()) DrawImage(cr, m_BkImage);
}

void CControlUI::PaintStatusImage(cairo_t* /*cr*/) {}

void CControlUI::PaintText(cairo_t* /*cr*/) {}

void CControlUI::PaintBorder(cairo_t* cr) {
    UIColor color = m_BorderColor;
    if (m_Focused && (m_FocusBorderColor >> 24)) color = m_FocusBorderColor;
    if (m_BorderSize > 0)
        CCanvas::DrawBorder(cr, m_rcItem, m_BorderSize, m_BorderRound.cx, m_BorderRound.cy, color);
}

bool CControlUI::DrawImage(cairo_t* cr, const std::wstring& image) {
    return CCanvas::DrawImage(cr, m_rcItem, m_rcItem, image);
}

}  // namespace Toolkit
