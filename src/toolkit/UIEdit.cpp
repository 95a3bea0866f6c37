// One-line text editing.
#include <pango/pangocairo.h>

#include "toolkit/UIBackend.h"
#include "toolkit/UIControls.h"
#include "toolkit/UIManager.h"
#include "utils/Text.h"

namespace Toolkit {

CEditUI::CEditUI() { m_TextStyle = DT_LEFT | DT_VCENTER | DT_SINGLELINE; }

std::wstring CEditUI::GetClass() const { return L"Edit"; }

void* CEditUI::GetInterface(const std::wstring& name) {
    return name == L"Edit" ? this : CLabelUI::GetInterface(name);
}

void CEditUI::SetText(const std::wstring& text) {
    std::wstring t = text;
    if (m_MaxChar > 0 && static_cast<int>(t.size()) > m_MaxChar) t.resize(m_MaxChar);
    CLabelUI::SetText(t);
    m_Caret = m_Anchor = static_cast<int>(m_Text.size());
}

void CEditUI::SetSel(int start, int end) {
    int n = static_cast<int>(m_Text.size());
    if (start < 0) start = n;
    if (end < 0) end = n;
    m_Anchor = std::clamp(start, 0, n);
    m_Caret = std::clamp(end, 0, n);
    Invalidate();
}

std::wstring CEditUI::GetSelText() const {
    return m_Text.substr(GetSelStart(), GetSelEnd() - GetSelStart());
}

void CEditUI::ReplaceSel(const std::wstring& text) {
    std::wstring clean;
    for (wchar_t c : text) {
        if (c != L'\r' && c != L'\n' && c != L'\t') clean.push_back(c);
    }
    int start = GetSelStart(), end = GetSelEnd();
    std::wstring next = m_Text.substr(0, start) + clean + m_Text.substr(end);
    if (m_MaxChar > 0 && static_cast<int>(next.size()) > m_MaxChar) {
        int room = m_MaxChar - (static_cast<int>(m_Text.size()) - (end - start));
        if (room < 0) room = 0;
        clean.resize(std::min<size_t>(clean.size(), static_cast<size_t>(room)));
        next = m_Text.substr(0, start) + clean + m_Text.substr(end);
    }
    m_Text = next;
    m_Caret = m_Anchor = start + static_cast<int>(clean.size());
    Changed();
}

void CEditUI::Changed() {
    Invalidate();
    if (m_Manager) m_Manager->SendNotify(this, L"textchanged");
}

std::wstring CEditUI::DisplayText() const {
    return m_Password ? std::wstring(m_Text.size(), L'\x25CF') : m_Text;
}

int CEditUI::CaretFromPoint(UIPoint pt) const {
    TFontInfo font = m_Manager ? m_Manager->GetFont(m_Font) : TFontInfo{};
    std::vector<int> offsets = CCanvas::CaretOffsets(DisplayText(), font);
    int x = pt.x - (m_rcItem.left + m_TextPadding.left) + m_ScrollX;
    int best = 0;
    for (size_t i = 0; i < offsets.size(); ++i) {
        if (std::abs(offsets[i] - x) < std::abs(offsets[best] - x)) best = static_cast<int>(i);
    }
    return best;
}

void CEditUI::HandleEvent(TUIEvent& event) {
    int n = static_cast<int>(m_Text.size());
    bool shift = (event.modifiers & MK_SHIFT) != 0;
    bool ctrl = (event.modifiers & MK_CONTROL) != 0;
    switch (event.type) {
        case UIEventType::ButtonDown:
        case UIEventType::DoubleClick:
            if (!IsEnabled()) return;
            SetFocus();
            m_Caret = CaretFromPoint(event.pt);
            if (!shift) m_Anchor = m_Caret;
            if (event.type == UIEventType::DoubleClick) SetSel(0, n);
            m_Dragging = true;
            Invalidate();
            return;
        case UIEventType::MouseMove:
            if (m_Dragging) {
                m_Caret = CaretFromPoint(event.pt);
                Invalidate();
            }
            return;
        case UIEventType::ButtonUp:
            m_Dragging = false;
            return;
        case UIEventType::Char:
            if (!IsEnabled() || m_ReadOnly || ctrl) return;
            if (event.ch >= 0x20 && event.ch != 0x7F) ReplaceSel(std::wstring(1, event.ch));
            return;
        case UIEventType::KeyDown: {
            if (!IsEnabled()) return;
            WParam k = event.key;
            if (ctrl && k == 'A') {
                SetSel(0, n);
            } else if (ctrl && (k == 'C' || k == 'X')) {
                if (GetSelEnd() > GetSelStart() && !m_Password && m_Manager && m_Manager->GetHost())
                    m_Manager->GetHost()->SetClipboardText(GetSelText());
                if (k == 'X' && !m_ReadOnly && GetSelEnd() > GetSelStart()) ReplaceSel(L"");
            } else if (ctrl && k == 'V') {
                if (!m_ReadOnly && m_Manager && m_Manager->GetHost())
                    ReplaceSel(m_Manager->GetHost()->GetClipboardText());
            } else if (k == VK_LEFT || k == VK_RIGHT || k == VK_HOME || k == VK_END) {
                int c = m_Caret;
                if (k == VK_LEFT) {
                    c = (!shift && GetSelEnd() > GetSelStart()) ? GetSelStart()
                                                                : std::max(0, c - 1);
                } else if (k == VK_RIGHT) {
                    c = (!shift && GetSelEnd() > GetSelStart()) ? GetSelEnd() : std::min(n, c + 1);
                } else if (k == VK_HOME) {
                    c = 0;
                } else {
                    c = n;
                }
                m_Caret = c;
                if (!shift) m_Anchor = c;
                Invalidate();
            } else if (k == VK_BACK && !m_ReadOnly) {
                if (GetSelEnd() == GetSelStart() && m_Caret > 0) m_Anchor = m_Caret - 1;
                if (GetSelEnd() > GetSelStart()) ReplaceSel(L"");
            } else if (k == VK_DELETE && !m_ReadOnly) {
                if (GetSelEnd() == GetSelStart() && m_Caret < n) m_Anchor = m_Caret + 1;
                if (GetSelEnd() > GetSelStart()) ReplaceSel(L"");
            } else if (k == VK_RETURN) {
                if (m_Manager) m_Manager->SendNotify(this, L"return");
            }
            return;
        }
        default:
            break;
    }
    CLabelUI::HandleEvent(event);
}

bool CEditUI::SetAttribute(const std::wstring& name, const std::wstring& value) {
    if (name == L"maxchar") {
        m_MaxChar = ParseInt(value);
    } else if (name == L"readonly") {
        m_ReadOnly = ParseBool(value);
    } else if (name == L"password") {
        m_Password = ParseBool(value);
    } else if (name == L"normalimage") {
        m_NormalImage = value;
    } else if (name == L"hotimage") {
        m_HotImage = value;
    } else if (name == L"focusedimage") {
        m_FocusedImage = value;
    } else if (name == L"disabledimage") {
        m_DisabledImage = value;
    } else if (name == L"text") {
        SetText(value);
    } else {
        return CLabelUI::SetAttribute(name, value);
    }
    m_Attributes[name] = value;
    Invalidate();
    return true;
}

void CEditUI::PaintStatusImage(cairo_t* cr) {
    const std::wstring* image = &m_NormalImage;
    if (!IsEnabled() && !m_DisabledImage.empty()) {
        image = &m_DisabledImage;
    } else if (m_Focused && !m_FocusedImage.empty()) {
        image = &m_FocusedImage;
    } else if (m_Hot && !m_HotImage.empty()) {
        image = &m_HotImage;
    }
    if (!image->empty()) DrawImage(cr, *image);
}

void CEditUI::PaintText(cairo_t* cr) {
    UIRect rc{m_rcItem.left + m_TextPadding.left, m_rcItem.top + m_TextPadding.top,
              m_rcItem.right - m_TextPadding.right, m_rcItem.bottom - m_TextPadding.bottom};
    if (rc.IsEmpty()) return;
    TFontInfo font = m_Manager ? m_Manager->GetFont(m_Font) : TFontInfo{};
    std::wstring text = DisplayText();
    std::vector<int> offsets = CCanvas::CaretOffsets(text, font);
    // Keep the caret inside the box.
    int caretX = offsets[std::clamp(m_Caret, 0, static_cast<int>(text.size()))];
    if (caretX - m_ScrollX > rc.Width() - 2) m_ScrollX = caretX - rc.Width() + 2;
    if (caretX - m_ScrollX < 0) m_ScrollX = caretX;
    int lineH = CCanvas::MeasureText(L"Ag", font).cy;
    int y = rc.top + (rc.Height() - lineH) / 2;
    cairo_save(cr);
    cairo_rectangle(cr, rc.left, rc.top, rc.Width(), rc.Height());
    cairo_clip(cr);
    if (m_Focused && GetSelEnd() > GetSelStart()) {
        int x0 = rc.left + offsets[GetSelStart()] - m_ScrollX,
            x1 = rc.left + offsets[GetSelEnd()] - m_ScrollX;
        CCanvas::FillRect(cr, {x0, y, x1, y + lineH}, 0xFF3399FF);
    }
    UIRect textRc{rc.left - m_ScrollX, y, rc.left - m_ScrollX + offsets.back() + 4, y + lineH};
    CCanvas::DrawText(
        cr, textRc, text,
        IsEnabled() ? m_TextColor : (m_DisabledTextColor ? m_DisabledTextColor : 0xFF888888), font,
        DT_LEFT | DT_TOP | DT_SINGLELINE);
    if (m_Focused && !m_ReadOnly) {
        int x = rc.left + caretX - m_ScrollX;
        // The input method puts its candidates next to the caret.
        if (m_Manager && m_Manager->GetHost() && IsEnabled())
            m_Manager->GetHost()->SetTextInput(true, {x, y, x + 1, y + lineH});
        CCanvas::FillRect(cr, {x, y, x + 1, y + lineH},
                          m_TextColor ? (m_TextColor | 0xFF000000) : 0xFF000000);
    }
    cairo_restore(cr);
}

}  // namespace Toolkit
