// Label, button, option, check box and progress bar.
#include "toolkit/UIControls.h"

#include <map>

#include "toolkit/UIContainer.h"
#include "toolkit/UIManager.h"

namespace Toolkit {

namespace {

UIColor ColorOf(const std::wstring& v) { return ParseColor(v).value_or(0); }

bool HasAlpha(UIColor c) { return (c >> 24) != 0; }

}  // namespace

// ---------------------------------------------------------------- label

std::wstring CLabelUI::GetClass() const { return L"Label"; }

void* CLabelUI::GetInterface(const std::wstring& name) {
    return name == L"Label" ? this : CControlUI::GetInterface(name);
}

void CLabelUI::SetMultiLine(bool multi) {
    if (multi) {
        m_TextStyle = (m_TextStyle & ~DT_SINGLELINE) | DT_WORDBREAK;
    } else {
        m_TextStyle = (m_TextStyle & ~DT_WORDBREAK) | DT_SINGLELINE;
    }
    Invalidate();
}

UISize CLabelUI::GetTextExtent(const std::wstring& text) const {
    TFontInfo font = m_Manager ? m_Manager->GetFont(m_Font) : TFontInfo{};
    return CCanvas::MeasureText(text, font);
}

bool CLabelUI::SetAttribute(const std::wstring& name, const std::wstring& value) {
    using Setter = void (*)(CLabelUI*, const std::wstring&);
    static const std::map<std::wstring, Setter> kTable = {
        {L"font", [](CLabelUI* c, const std::wstring& v) { c->SetFont(ParseInt(v)); }},
        {L"textcolor", [](CLabelUI* c, const std::wstring& v) { c->SetTextColor(ColorOf(v)); }},
        {L"disabledtextcolor",
         [](CLabelUI* c, const std::wstring& v) { c->SetDisabledTextColor(ColorOf(v)); }},
        {L"textpadding",
         [](CLabelUI* c, const std::wstring& v) { c->SetTextPadding(ParseRect(v)); }},
        {L"multiline", [](CLabelUI* c, const std::wstring& v) { c->SetMultiLine(ParseBool(v)); }},
        {L"endellipsis",
         [](CLabelUI* c, const std::wstring& v) {
             c->m_TextStyle = ParseBool(v) ? (c->m_TextStyle | DT_END_ELLIPSIS)
                                           : (c->m_TextStyle & ~DT_END_ELLIPSIS);
         }},
        {L"align",
         [](CLabelUI* c, const std::wstring& v) {
             c->m_TextStyle &= ~(DT_CENTER | DT_RIGHT);
             if (v.find(L"center") != std::wstring::npos) c->m_TextStyle |= DT_CENTER;
             if (v.find(L"right") != std::wstring::npos) c->m_TextStyle |= DT_RIGHT;
             // Older layouts put the vertical placement here as well.
             if (v.find(L"top") != std::wstring::npos) c->m_TextStyle &= ~(DT_VCENTER | DT_BOTTOM);
             if (v.find(L"bottom") != std::wstring::npos)
                 c->m_TextStyle = (c->m_TextStyle & ~DT_VCENTER) | DT_BOTTOM;
             c->Invalidate();
         }},
        {L"valign",
         [](CLabelUI* c, const std::wstring& v) {
             c->m_TextStyle &= ~(DT_VCENTER | DT_BOTTOM);
             if (v.find(L"center") != std::wstring::npos) c->m_TextStyle |= DT_VCENTER;
             if (v.find(L"bottom") != std::wstring::npos) c->m_TextStyle |= DT_BOTTOM;
             c->Invalidate();
         }},
    };
    auto it = kTable.find(name);
    if (it == kTable.end()) return CControlUI::SetAttribute(name, value);
    m_Attributes[name] = value;
    it->second(this, value);
    return true;
}

UIColor CLabelUI::CurrentTextColor() const {
    if (!IsEnabled() && HasAlpha(m_DisabledTextColor)) return m_DisabledTextColor;
    return m_TextColor;
}

void CLabelUI::PaintTextWith(cairo_t* cr, UIColor color) {
    std::wstring text = GetText();
    if (text.empty()) return;
    UIRect rc{m_rcItem.left + m_TextPadding.left, m_rcItem.top + m_TextPadding.top,
              m_rcItem.right - m_TextPadding.right, m_rcItem.bottom - m_TextPadding.bottom};
    TFontInfo font = m_Manager ? m_Manager->GetFont(m_Font) : TFontInfo{};
    CCanvas::DrawText(cr, rc, text, color, font, m_TextStyle);
}

void CLabelUI::PaintText(cairo_t* cr) { PaintTextWith(cr, CurrentTextColor()); }

// ---------------------------------------------------------------- button

CButtonUI::CButtonUI() { m_TextStyle = DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS; }

std::wstring CButtonUI::GetClass() const { return L"Button"; }

void* CButtonUI::GetInterface(const std::wstring& name) {
    return name == L"Button" ? this : CLabelUI::GetInterface(name);
}

bool CButtonUI::Activate() {
    if (!CControlUI::Activate()) return false;
    if (m_Manager) m_Manager->SendNotify(this, L"click");
    return true;
}

void CButtonUI::HandleEvent(TUIEvent& event) {
    switch (event.type) {
        case UIEventType::ButtonDown:
        case UIEventType::DoubleClick:
            if (IsEnabled()) SetPushed(true);
            return;
        case UIEventType::MouseMove:
            // The pushed look follows the mouse while the button is held.
            if (m_Manager && m_Manager->GetCaptured() == this) {
                SetPushed(m_rcItem.Contains(event.pt));
                SetHot(m_rcItem.Contains(event.pt));
            }
            return;
        case UIEventType::ButtonUp: {
            bool inside = m_rcItem.Contains(event.pt);
            bool was = m_Pushed;
            SetPushed(false);
            if (was && inside) Activate();
            return;
        }
        case UIEventType::KeyDown:
            if (event.key == VK_RETURN || event.key == L' ') {
                Activate();
                return;
            }
            break;
        default:
            break;
    }
    CLabelUI::HandleEvent(event);
}

bool CButtonUI::SetAttribute(const std::wstring& name, const std::wstring& value) {
    using Setter = void (*)(CButtonUI*, const std::wstring&);
    static const std::map<std::wstring, Setter> kTable = {
        {L"normalimage", [](CButtonUI* c, const std::wstring& v) { c->SetNormalImage(v); }},
        {L"hotimage", [](CButtonUI* c, const std::wstring& v) { c->SetHotImage(v); }},
        {L"pushedimage", [](CButtonUI* c, const std::wstring& v) { c->SetPushedImage(v); }},
        {L"focusedimage", [](CButtonUI* c, const std::wstring& v) { c->m_FocusedImage = v; }},
        {L"disabledimage", [](CButtonUI* c, const std::wstring& v) { c->SetDisabledImage(v); }},
        {L"hottextcolor",
         [](CButtonUI* c, const std::wstring& v) { c->m_HotTextColor = ColorOf(v); }},
        {L"pushedtextcolor",
         [](CButtonUI* c, const std::wstring& v) { c->m_PushedTextColor = ColorOf(v); }},
        {L"focusedtextcolor",
         [](CButtonUI* c, const std::wstring& v) { c->m_FocusedTextColor = ColorOf(v); }},
        {L"hotbkcolor", [](CButtonUI* c, const std::wstring& v) { c->m_HotBkColor = ColorOf(v); }},
        {L"pushedbkcolor",
         [](CButtonUI* c, const std::wstring& v) { c->m_PushedBkColor = ColorOf(v); }},
        {L"disabledbkcolor",
         [](CButtonUI* c, const std::wstring& v) { c->m_DisabledBkColor = ColorOf(v); }},
        {L"hotbordercolor",
         [](CButtonUI* c, const std::wstring& v) { c->m_HotBorderColor = ColorOf(v); }},
        {L"pushedbordercolor",
         [](CButtonUI* c, const std::wstring& v) { c->m_PushedBorderColor = ColorOf(v); }},
    };
    auto it = kTable.find(name);
    if (it == kTable.end()) return CLabelUI::SetAttribute(name, value);
    m_Attributes[name] = value;
    it->second(this, value);
    Invalidate();
    return true;
}

UIColor CButtonUI::CurrentTextColor() const {
    if (!IsEnabled()) return HasAlpha(m_DisabledTextColor) ? m_DisabledTextColor : m_TextColor;
    if (m_Pushed && HasAlpha(m_PushedTextColor)) return m_PushedTextColor;
    if (m_Hot && HasAlpha(m_HotTextColor)) return m_HotTextColor;
    if (m_Focused && HasAlpha(m_FocusedTextColor)) return m_FocusedTextColor;
    return m_TextColor;
}

void CButtonUI::PaintBkColor(cairo_t* cr) {
    UIColor c = m_BkColor;
    if (!IsEnabled()) {
        if (HasAlpha(m_DisabledBkColor)) c = m_DisabledBkColor;
    } else if (m_Pushed && HasAlpha(m_PushedBkColor)) {
        c = m_PushedBkColor;
    } else if (m_Hot && HasAlpha(m_HotBkColor)) {
        c = m_HotBkColor;
    }
    if (HasAlpha(c)) CCanvas::FillRect(cr, m_rcItem, c);
}

// A state without its own image shows the normal one; a state image that
// is missing from the skin draws nothing.
void CButtonUI::PaintStatusImage(cairo_t* cr) {
    const std::wstring* image = &m_NormalImage;
    if (!IsEnabled()) {
        if (!m_DisabledImage.empty()) image = &m_DisabledImage;
    } else if (m_Pushed && !m_PushedImage.empty()) {
        image = &m_PushedImage;
    } else if ((m_Hot || m_Pushed) && !m_HotImage.empty()) {
        image = &m_HotImage;
    } else if (m_Focused && !m_FocusedImage.empty()) {
        image = &m_FocusedImage;
    }
    if (!image->empty()) DrawImage(cr, *image);
}

void CButtonUI::PaintBorder(cairo_t* cr) {
    UIColor c = m_BorderColor;
    if (IsEnabled()) {
        if (m_Pushed && HasAlpha(m_PushedBorderColor)) {
            c = m_PushedBorderColor;
        } else if (m_Hot && HasAlpha(m_HotBorderColor)) {
            c = m_HotBorderColor;
        } else if (m_Focused && HasAlpha(m_FocusBorderColor)) {
            c = m_FocusBorderColor;
        }
    }
    if (m_BorderSize > 0)
        CCanvas::DrawBorder(cr, m_rcItem, m_BorderSize, m_BorderRound.cx, m_BorderRound.cy, c);
}

// ---------------------------------------------------------------- option

std::wstring COptionUI::GetClass() const { return L"Option"; }

void* COptionUI::GetInterface(const std::wstring& name) {
    return name == L"Option" ? this : CButtonUI::GetInterface(name);
}

void COptionUI::Selected(bool selected, bool notify) {
    if (!m_Manager) {
        m_Selected = selected;
        return;
    }
    if (m_Selected == selected) return;
    m_Selected = selected;
    if (selected && !m_Group.empty()) {
        // Only one option of a group is selected in a window.
        CControlUI* root = m_Manager->GetRoot();
        if (root) {
            std::vector<COptionUI*> others;
            root->FindControl(
                [&](CControlUI* c) {
                    auto* o = static_cast<COptionUI*>(c->GetInterface(L"Option"));
                    if (o && o != this && o->m_Group == m_Group && o->m_Selected)
                        others.push_back(o);
                    return false;
                },
                UIFIND_ALL);
            for (COptionUI* o : others) o->Selected(false, notify);
        }
    }
    Invalidate();
    if (notify) m_Manager->SendNotify(this, L"selectchanged");
}

bool COptionUI::Activate() {
    if (!CButtonUI::Activate()) return false;
    if (!m_Group.empty()) {
        Selected(true);
    } else {
        Selected(!m_Selected);
    }
    return true;
}

void COptionUI::OnInit() {
    if (m_SelectPending) {
        m_SelectPending = false;
        // The layout's state; nobody listens yet, so no notification.
        bool want = m_Selected;
        m_Selected = !want;
        Selected(want, false);
    }
}

bool COptionUI::SetAttribute(const std::wstring& name, const std::wstring& value) {
    using Setter = void (*)(COptionUI*, const std::wstring&);
    static const std::map<std::wstring, Setter> kTable = {
        {L"group", [](COptionUI* c, const std::wstring& v) { c->m_Group = v; }},
        {L"selected",
         [](COptionUI* c, const std::wstring& v) {
             c->m_Selected = ParseBool(v);
             c->m_SelectPending = true;
         }},
        {L"selectedimage", [](COptionUI* c, const std::wstring& v) { c->m_SelectedImage = v; }},
        {L"selectedhotimage",
         [](COptionUI* c, const std::wstring& v) { c->m_SelectedHotImage = v; }},
        {L"selectedpushedimage",
         [](COptionUI* c, const std::wstring& v) { c->m_SelectedPushedImage = v; }},
        {L"selecteddisabledimage",
         [](COptionUI* c, const std::wstring& v) { c->m_SelectedDisabledImage = v; }},
        {L"selectedtextcolor",
         [](COptionUI* c, const std::wstring& v) { c->m_SelectedTextColor = ColorOf(v); }},
        {L"selectedbkcolor",
         [](COptionUI* c, const std::wstring& v) { c->m_SelectedBkColor = ColorOf(v); }},
    };
    auto it = kTable.find(name);
    if (it == kTable.end()) return CButtonUI::SetAttribute(name, value);
    m_Attributes[name] = value;
    it->second(this, value);
    Invalidate();
    return true;
}

UIColor COptionUI::CurrentTextColor() const {
    if (m_Selected && IsEnabled() && HasAlpha(m_SelectedTextColor)) return m_SelectedTextColor;
    return CButtonUI::CurrentTextColor();
}

void COptionUI::PaintBkColor(cairo_t* cr) {
    if (m_Selected && HasAlpha(m_SelectedBkColor)) {
        CCanvas::FillRect(cr, m_rcItem, m_SelectedBkColor);
        return;
    }
    CButtonUI::PaintBkColor(cr);
}

void COptionUI::PaintStatusImage(cairo_t* cr) {
    if (!m_Selected) {
        CButtonUI::PaintStatusImage(cr);
        return;
    }
    const std::wstring* image = &m_SelectedImage;
    if (!IsEnabled() && !m_SelectedDisabledImage.empty()) {
        image = &m_SelectedDisabledImage;
    } else if (IsEnabled() && m_Pushed && !m_SelectedPushedImage.empty()) {
        image = &m_SelectedPushedImage;
    } else if (IsEnabled() && m_Hot && !m_SelectedHotImage.empty()) {
        image = &m_SelectedHotImage;
    }
    if (image->empty()) {
        CButtonUI::PaintStatusImage(cr);
        return;
    }
    DrawImage(cr, *image);
}

std::wstring CCheckBoxUI::GetClass() const { return L"CheckBox"; }

void* CCheckBoxUI::GetInterface(const std::wstring& name) {
    return name == L"CheckBox" ? this : COptionUI::GetInterface(name);
}

// ---------------------------------------------------------------- progress

std::wstring CProgressUI::GetClass() const { return L"Progress"; }

void* CProgressUI::GetInterface(const std::wstring& name) {
    return name == L"Progress" ? this : CLabelUI::GetInterface(name);
}

void CProgressUI::SetMinValue(int v) {
    m_Min = v;
    if (m_Max < m_Min) m_Max = m_Min;
    SetValue(m_Value);
    Invalidate();
}

void CProgressUI::SetMaxValue(int v) {
    m_Max = v;
    if (m_Min > m_Max) m_Min = m_Max;
    SetValue(m_Value);
    Invalidate();
}

void CProgressUI::SetValue(int v) {
    v = std::clamp(v, m_Min, m_Max);
    if (v == m_Value) return;
    m_Value = v;
    Invalidate();
}

bool CProgressUI::SetAttribute(const std::wstring& name, const std::wstring& value) {
    if (name == L"min") {
        SetMinValue(ParseInt(value));
    } else if (name == L"max") {
        SetMaxValue(ParseInt(value));
    } else if (name == L"value") {
        SetValue(ParseInt(value));
    } else if (name == L"isstretchfore") {
        SetStretchForeImage(ParseBool(value));
    } else if (name == L"hor") {
        // Only horizontal bars are drawn; the attribute is accepted.
    } else {
        return CLabelUI::SetAttribute(name, value);
    }
    m_Attributes[name] = value;
    return true;
}

void CProgressUI::PaintStatusImage(cairo_t* cr) {
    if (m_ForeImage.empty() || m_Max <= m_Min) return;
    // In 64 bits: a layout may give any 32-bit range.
    const long long range = static_cast<long long>(m_Max) - m_Min;
    int filled = static_cast<int>(static_cast<long long>(m_rcItem.Width()) *
                                  (static_cast<long long>(m_Value) - m_Min) / range);
    if (filled <= 0) return;
    UIRect part{m_rcItem.left, m_rcItem.top, m_rcItem.left + filled, m_rcItem.bottom};
    if (m_StretchFore) {
        CCanvas::DrawImage(cr, part, part, m_ForeImage);
    } else {
        // The image is a full bar; the filled part shows its left side.
        CCanvas::DrawImage(cr, m_rcItem, part, m_ForeImage);
    }
}

}  // namespace Toolkit
