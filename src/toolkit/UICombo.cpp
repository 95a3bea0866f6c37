// A drop-down list of texts; the open list is painted over the window by
// the paint manager and takes the next click.
#include <algorithm>

#include "toolkit/UIControls.h"
#include "toolkit/UIManager.h"

namespace Toolkit {

std::wstring CComboUI::GetClass() const { return L"Combo"; }

void* CComboUI::GetInterface(const std::wstring& name) {
    return name == L"Combo" ? this : CLabelUI::GetInterface(name);
}

int CComboUI::AddItem(const std::wstring& text) {
    m_Items.push_back(text);
    Invalidate();
    return GetCount() - 1;
}

void CComboUI::RemoveAll() {
    m_Items.clear();
    m_CurSel = -1;
    SetDropped(false);
    Invalidate();
}

std::wstring CComboUI::GetItemText(int index) const {
    return index >= 0 && index < GetCount() ? m_Items[index] : std::wstring();
}

bool CComboUI::SelectItem(int index, bool notify) {
    if (index < 0 || index >= GetCount() || index == m_CurSel) return false;
    int old = m_CurSel;
    m_CurSel = index;
    Invalidate();
    if (notify && m_Manager)
        m_Manager->SendNotify(this, L"itemselect", static_cast<WParam>(index), old);
    return true;
}

std::wstring CComboUI::GetText() const { return m_CurSel >= 0 ? m_Items[m_CurSel] : m_Text; }

void CComboUI::SetDropped(bool dropped) {
    if (dropped && m_Items.empty()) dropped = false;
    if (m_Dropped == dropped) return;
    if (m_Manager) m_Manager->Invalidate(GetDropRect());
    m_Dropped = dropped;
    m_HotItem = m_CurSel;
    if (m_Manager) {
        m_Manager->SetDroppedCombo(dropped ? this : nullptr);
        m_Manager->Invalidate(GetDropRect());
    }
    Invalidate();
}

// The list opens below the box, or above it when the window has no room.
UIRect CComboUI::GetDropRect() const {
    if (!m_Dropped) return {};
    int h = m_ItemHeight * GetCount();
    UIRect r{m_rcItem.left, m_rcItem.bottom, m_rcItem.right, m_rcItem.bottom + h};
    if (m_Manager && r.bottom > m_Manager->GetClientSize().cy && m_rcItem.top - h >= 0) {
        r = {m_rcItem.left, m_rcItem.top - h, m_rcItem.right, m_rcItem.top};
    }
    return r;
}

bool CComboUI::Activate() {
    if (!CControlUI::Activate()) return false;
    SetDropped(!m_Dropped);
    return true;
}

void CComboUI::HandleEvent(TUIEvent& event) {
    switch (event.type) {
        case UIEventType::ButtonDown:
            if (!IsEnabled()) return;
            if (m_Dropped) {
                UIRect list = GetDropRect();
                if (list.Contains(event.pt)) {
                    SelectItem((event.pt.y - list.top) / m_ItemHeight);
                }
                SetDropped(false);
                return;
            }
            SetFocus();
            SetPushed(true);
            return;
        case UIEventType::ButtonUp:
            if (m_Pushed) {
                SetPushed(false);
                if (m_rcItem.Contains(event.pt)) Activate();
            }
            return;
        case UIEventType::MouseMove:
            if (m_Dropped) {
                UIRect list = GetDropRect();
                int hot = list.Contains(event.pt) ? (event.pt.y - list.top) / m_ItemHeight : -1;
                if (hot != m_HotItem) {
                    m_HotItem = hot;
                    if (m_Manager) m_Manager->Invalidate(list);
                }
            }
            return;
        case UIEventType::KillFocus:
            SetDropped(false);
            break;
        case UIEventType::KeyDown:
            if (event.key == VK_DOWN) {
                SelectItem(std::min(GetCount() - 1, m_CurSel + 1));
                return;
            }
            if (event.key == VK_UP) {
                SelectItem(std::max(0, m_CurSel - 1));
                return;
            }
            if (m_Dropped && (event.key == VK_ESCAPE || event.key == VK_RETURN)) {
                SetDropped(false);
                return;
            }
            if (!m_Dropped && (event.key == L' ' || event.key == VK_RETURN)) {
                Activate();
                return;
            }
            break;
        default:
            break;
    }
    CLabelUI::HandleEvent(event);
}

bool CComboUI::SetAttribute(const std::wstring& name, const std::wstring& value) {
    if (name == L"normalimage") {
        m_NormalImage = value;
    } else if (name == L"hotimage") {
        m_HotImage = value;
    } else if (name == L"pushedimage") {
        m_PushedImage = value;
    } else if (name == L"disabledimage") {
        m_DisabledImage = value;
    } else if (name == L"itemheight") {
        m_ItemHeight = std::max(1, ParseCoordinate(value));
    } else if (name == L"itembkcolor") {
        m_ItemBkColor = ParseColor(value).value_or(m_ItemBkColor);
    } else if (name == L"itemhotbkcolor") {
        m_ItemHotBkColor = ParseColor(value).value_or(m_ItemHotBkColor);
    } else if (name == L"itemtextcolor") {
        m_ItemTextColor = ParseColor(value).value_or(m_ItemTextColor);
    } else {
        return CLabelUI::SetAttribute(name, value);
    }
    m_Attributes[name] = value;
    Invalidate();
    return true;
}

void CComboUI::PaintStatusImage(cairo_t* cr) {
    const std::wstring* image = &m_NormalImage;
    if (!IsEnabled() && !m_DisabledImage.empty()) {
        image = &m_DisabledImage;
    } else if (m_Pushed && !m_PushedImage.empty()) {
        image = &m_PushedImage;
    } else if (m_Hot && !m_HotImage.empty()) {
        image = &m_HotImage;
    }
    if (!image->empty()) DrawImage(cr, *image);
}

void CComboUI::PaintDropList(cairo_t* cr) {
    UIRect list = GetDropRect();
    if (list.IsEmpty()) return;
    TFontInfo font = m_Manager ? m_Manager->GetFont(m_Font) : TFontInfo{};
    CCanvas::FillRect(cr, list, m_ItemBkColor);
    for (int i = 0; i < GetCount(); ++i) {
        UIRect item{list.left, list.top + i * m_ItemHeight, list.right,
                    list.top + (i + 1) * m_ItemHeight};
        if (i == m_HotItem) CCanvas::FillRect(cr, item, m_ItemHotBkColor);
        UIRect text{item.left + 6, item.top, item.right - 6, item.bottom};
        CCanvas::DrawText(cr, text, m_Items[i], m_ItemTextColor, font,
                          DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    }
    CCanvas::DrawBorder(cr, list, 1, 0, 0, 0xFF9A9A9A);
}

}  // namespace Toolkit
