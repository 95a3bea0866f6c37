#include "toolkit/UIContainer.h"

#include <algorithm>

#include "toolkit/UIManager.h"
#include "toolkit/UIRender.h"

namespace Toolkit {

CContainerUI::CContainerUI() = default;

CContainerUI::~CContainerUI() {
    // Children first, so that they can still reach the manager.
    for (CControlUI* c : m_Items) delete c;
    m_Items.clear();
}

std::wstring CContainerUI::GetClass() const { return L"Container"; }

void* CContainerUI::GetInterface(const std::wstring& name) {
    return name == L"Container" ? this : CControlUI::GetInterface(name);
}

bool CContainerUI::Add(CControlUI* control) { return AddAt(control, GetCount()); }

bool CContainerUI::AddAt(CControlUI* control, int index) {
    if (!control) return false;
    index = std::clamp(index, 0, GetCount());
    m_Items.insert(m_Items.begin() + index, control);
    control->SetManager(m_Manager, this, m_Manager != nullptr);
    NeedUpdate();
    return true;
}

bool CContainerUI::Remove(CControlUI* control) {
    auto it = std::find(m_Items.begin(), m_Items.end(), control);
    if (it == m_Items.end()) return false;
    m_Items.erase(it);
    delete control;
    NeedUpdate();
    return true;
}

void CContainerUI::RemoveAll() {
    std::vector<CControlUI*> items;
    items.swap(m_Items);
    for (CControlUI* c : items) delete c;
    NeedUpdate();
}

CControlUI* CContainerUI::GetItemAt(int index) const {
    return index >= 0 && index < GetCount() ? m_Items[index] : nullptr;
}

int CContainerUI::GetItemIndex(CControlUI* control) const {
    auto it = std::find(m_Items.begin(), m_Items.end(), control);
    return it == m_Items.end() ? -1 : static_cast<int>(it - m_Items.begin());
}

void CContainerUI::SetInset(const UIRect& rc) {
    m_Inset = rc;
    NeedUpdate();
}

void CContainerUI::SetChildPadding(int padding) {
    m_ChildPadding = padding;
    NeedUpdate();
}

bool CContainerUI::SetAttribute(const std::wstring& name, const std::wstring& value) {
    if (name == L"inset") {
        m_Attributes[name] = value;
        SetInset(ParseRect(value));
        return true;
    }
    if (name == L"childpadding") {
        m_Attributes[name] = value;
        SetChildPadding(ParseInt(value));
        return true;
    }
    return CControlUI::SetAttribute(name, value);
}

void CContainerUI::SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init) {
    for (CControlUI* c : m_Items) c->SetManager(manager, this, init);
    CControlUI::SetManager(manager, parent, init);
}

void CContainerUI::SetVisible(bool visible) { CControlUI::SetVisible(visible); }

void CContainerUI::PropagateInternVisible(bool visible) {
    for (CControlUI* c : m_Items) c->SetInternVisible(visible);
}

UIRect CContainerUI::InnerRect(const UIRect& rc) const {
    return {rc.left + m_Inset.left, rc.top + m_Inset.top, rc.right - m_Inset.right, rc.bottom - m_Inset.bottom};
}

// Floating children sit at the top-left corner of their "pos", relative to
// the container; their size is the fixed size ("pos" sets it, and a later
// SetFixedWidth changes it), else the size of "pos".
void CContainerUI::PlaceFloatingChildren(const UIRect& rc) {
    for (CControlUI* c : m_Items) {
        if (!c->IsVisibleSelf() || !c->IsFloat()) continue;
        const UIRect& p = c->GetFloatPos();
        UIRect r{rc.left + p.left, rc.top + p.top, rc.left + p.right, rc.top + p.bottom};
        if (c->GetFixedWidth() > 0) r.right = r.left + c->GetFixedWidth();
        if (c->GetFixedHeight() > 0) r.bottom = r.top + c->GetFixedHeight();
        c->SetPos(r);
    }
}

void CContainerUI::SetPos(const UIRect& rc) {
    CControlUI::SetPos(rc);
    UIRect inner = InnerRect(m_rcItem);
    for (CControlUI* c : m_Items) {
        if (!c->IsVisibleSelf() || c->IsFloat()) continue;
        const UIRect& pad = c->GetPadding();
        UIRect r{inner.left + pad.left, inner.top + pad.top, inner.right - pad.right, inner.bottom - pad.bottom};
        if (c->GetFixedWidth() > 0) r.right = std::min(r.right, r.left + c->GetFixedWidth());
        if (c->GetFixedHeight() > 0) r.bottom = std::min(r.bottom, r.top + c->GetFixedHeight());
        c->SetPos(r);
    }
    PlaceFloatingChildren(m_rcItem);
}

CControlUI* CContainerUI::FindControl(const std::function<bool(CControlUI*)>& pred, uint32_t flags, UIPoint pt) {
    if ((flags & UIFIND_VISIBLE) && !IsVisible()) return nullptr;
    if ((flags & UIFIND_ENABLED) && !IsEnabled()) return nullptr;
    if ((flags & UIFIND_HITTEST) && !m_rcItem.Contains(pt)) return nullptr;
    if (!(flags & UIFIND_TOP_FIRST) && pred(this)) return this;
    if (flags & UIFIND_TOP_FIRST) {
        // Floating children lie above the others; later children above earlier ones.
        for (auto it = m_Items.rbegin(); it != m_Items.rend(); ++it) {
            if (!(*it)->IsFloat()) continue;
            if (CControlUI* f = (*it)->FindControl(pred, flags, pt)) return f;
        }
        for (auto it = m_Items.rbegin(); it != m_Items.rend(); ++it) {
            if ((*it)->IsFloat()) continue;
            if (CControlUI* f = (*it)->FindControl(pred, flags, pt)) return f;
        }
    } else {
        for (CControlUI* c : m_Items) {
            if (CControlUI* f = c->FindControl(pred, flags, pt)) return f;
        }
    }
    if ((flags & UIFIND_TOP_FIRST) && (!(flags & UIFIND_HITTEST) || m_MouseEnabled) && pred(this)) return this;
    return nullptr;
}

void CContainerUI::DoPaint(cairo_t* cr, const UIRect& paint) {
    UIRect clip = paint.Intersect(m_rcItem);
    if (clip.IsEmpty()) return;
    CControlUI::DoPaint(cr, paint);
    cairo_save(cr);
    cairo_rectangle(cr, clip.left, clip.top, clip.Width(), clip.Height());
    cairo_clip(cr);
    for (CControlUI* c : m_Items) {
        if (c->IsVisible() && !c->IsFloat()) c->DoPaint(cr, clip);
    }
    for (CControlUI* c : m_Items) {
        if (c->IsVisible() && c->IsFloat()) c->DoPaint(cr, clip);
    }
    cairo_restore(cr);
}

namespace {

// Shares `total` among stretching children; the remainder goes to the
// first ones so the sizes add up exactly.
struct Share {
    int each = 0;
    int extra = 0;
};

}  // namespace

void CVerticalLayoutUI::SetPos(const UIRect& rc) {
    CControlUI::SetPos(rc);
    UIRect inner = InnerRect(m_rcItem);
    int fixed = 0, stretch = 0, count = 0;
    for (CControlUI* c : m_Items) {
        if (!c->IsVisibleSelf() || c->IsFloat()) continue;
        const UIRect& pad = c->GetPadding();
        fixed += pad.top + pad.bottom;
        if (c->GetFixedHeight() > 0) {
            fixed += c->GetFixedHeight();
        } else {
            ++stretch;
        }
        ++count;
    }
    if (count > 1) fixed += m_ChildPadding * (count - 1);
    int rest = std::max(0, inner.Height() - fixed);
    Share share{stretch ? rest / stretch : 0, stretch ? rest % stretch : 0};
    int y = inner.top;
    for (CControlUI* c : m_Items) {
        if (!c->IsVisibleSelf() || c->IsFloat()) continue;
        const UIRect& pad = c->GetPadding();
        int h = c->GetFixedHeight();
        if (h <= 0) {
            h = share.each + (share.extra > 0 ? 1 : 0);
            if (share.extra > 0) --share.extra;
            h = std::max(h, c->GetMinHeight());
        }
        int left = inner.left + pad.left;
        int right = inner.right - pad.right;
        if (c->GetFixedWidth() > 0) right = left + c->GetFixedWidth();
        y += pad.top;
        c->SetPos({left, y, right, y + h});
        y += h + pad.bottom + m_ChildPadding;
    }
    PlaceFloatingChildren(m_rcItem);
}

std::wstring CVerticalLayoutUI::GetClass() const { return L"VerticalLayout"; }

void* CVerticalLayoutUI::GetInterface(const std::wstring& name) {
    return name == L"VerticalLayout" ? this : CContainerUI::GetInterface(name);
}

void CHorizontalLayoutUI::SetPos(const UIRect& rc) {
    CControlUI::SetPos(rc);
    UIRect inner = InnerRect(m_rcItem);
    int fixed = 0, stretch = 0, count = 0;
    for (CControlUI* c : m_Items) {
        if (!c->IsVisibleSelf() || c->IsFloat()) continue;
        const UIRect& pad = c->GetPadding();
        fixed += pad.left + pad.right;
        if (c->GetFixedWidth() > 0) {
            fixed += c->GetFixedWidth();
        } else {
            ++stretch;
        }
        ++count;
    }
    if (count > 1) fixed += m_ChildPadding * (count - 1);
    int rest = std::max(0, inner.Width() - fixed);
    Share share{stretch ? rest / stretch : 0, stretch ? rest % stretch : 0};
    int x = inner.left;
    for (CControlUI* c : m_Items) {
        if (!c->IsVisibleSelf() || c->IsFloat()) continue;
        const UIRect& pad = c->GetPadding();
        int w = c->GetFixedWidth();
        if (w <= 0) {
            w = share.each + (share.extra > 0 ? 1 : 0);
            if (share.extra > 0) --share.extra;
            w = std::max(w, c->GetMinWidth());
        }
        int top = inner.top + pad.top;
        int bottom = inner.bottom - pad.bottom;
        if (c->GetFixedHeight() > 0) bottom = top + c->GetFixedHeight();
        x += pad.left;
        c->SetPos({x, top, x + w, bottom});
        x += w + pad.right + m_ChildPadding;
    }
    PlaceFloatingChildren(m_rcItem);
}

std::wstring CHorizontalLayoutUI::GetClass() const { return L"HorizontalLayout"; }

void* CHorizontalLayoutUI::GetInterface(const std::wstring& name) {
    return name == L"HorizontalLayout" ? this : CContainerUI::GetInterface(name);
}

std::wstring CTabLayoutUI::GetClass() const { return L"TabLayout"; }

void* CTabLayoutUI::GetInterface(const std::wstring& name) {
    return name == L"TabLayout" ? this : CContainerUI::GetInterface(name);
}

void CTabLayoutUI::ShowOnly(int index) {
    for (int i = 0; i < GetCount(); ++i) m_Items[i]->SetInternVisible(i == index);
    NeedUpdate();
}

bool CTabLayoutUI::Add(CControlUI* control) { return AddAt(control, GetCount()); }

bool CTabLayoutUI::AddAt(CControlUI* control, int index) {
    if (!CContainerUI::AddAt(control, index)) return false;
    int at = GetItemIndex(control);
    if (m_CurSel < 0) {
        m_CurSel = at;
    } else if (at <= m_CurSel) {
        ++m_CurSel;
    }
    ShowOnly(m_CurSel);
    return true;
}

bool CTabLayoutUI::Remove(CControlUI* control) {
    int at = GetItemIndex(control);
    if (!CContainerUI::Remove(control)) return false;
    if (GetCount() == 0) {
        m_CurSel = -1;
    } else if (at < m_CurSel || m_CurSel >= GetCount()) {
        m_CurSel = std::max(0, m_CurSel - 1);
    }
    ShowOnly(m_CurSel);
    return true;
}

void CTabLayoutUI::RemoveAll() {
    CContainerUI::RemoveAll();
    m_CurSel = -1;
}

bool CTabLayoutUI::SelectItem(int index, bool notify) {
    if (index < 0 || index >= GetCount() || index == m_CurSel) return false;
    int old = m_CurSel;
    m_CurSel = index;
    ShowOnly(index);
    if (m_Manager) {
        m_Manager->SetFocus(nullptr);
        if (notify) m_Manager->SendNotify(this, L"tabselect", static_cast<WParam>(index), old);
    }
    return true;
}

bool CTabLayoutUI::SelectItem(CControlUI* page, bool notify) { return SelectItem(GetItemIndex(page), notify); }

bool CTabLayoutUI::SetAttribute(const std::wstring& name, const std::wstring& value) {
    if (name == L"selectedid") {
        m_Attributes[name] = value;
        int index = ParseInt(value);
        if (index >= 0 && index < GetCount()) {
            m_CurSel = index;
            ShowOnly(index);
        } else {
            // Pages come after the attribute; the builder applies it again.
            m_CurSel = -1;
        }
        return true;
    }
    return CContainerUI::SetAttribute(name, value);
}

void CTabLayoutUI::SetPos(const UIRect& rc) {
    CControlUI::SetPos(rc);
    UIRect inner = InnerRect(m_rcItem);
    for (CControlUI* c : m_Items) {
        if (c->IsFloat()) continue;
        const UIRect& pad = c->GetPadding();
        c->SetPos({inner.left + pad.left, inner.top + pad.top, inner.right - pad.right, inner.bottom - pad.bottom});
    }
    PlaceFloatingChildren(m_rcItem);
}

}  // namespace Toolkit
