#include "toolkit/UIContainer.h"

#include <algorithm>

#include "toolkit/UICanvas.h"
#include "toolkit/UIManager.h"

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
        SetChildPadding(ParseCoordinate(value));
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
    return {rc.left + m_Inset.left, rc.top + m_Inset.top, rc.right - m_Inset.right,
            rc.bottom - m_Inset.bottom};
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
        UIRect r{inner.left + pad.left, inner.top + pad.top, inner.right - pad.right,
                 inner.bottom - pad.bottom};
        if (c->GetFixedWidth() > 0) r.right = std::min(r.right, r.left + c->GetFixedWidth());
        if (c->GetFixedHeight() > 0) r.bottom = std::min(r.bottom, r.top + c->GetFixedHeight());
        c->SetPos(r);
    }
    PlaceFloatingChildren(m_rcItem);
}

CControlUI* CContainerUI::FindControl(const std::function<bool(CControlUI*)>& pred, uint32_t flags,
                                      UIPoint pt) {
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
    if ((flags & UIFIND_TOP_FIRST) && (!(flags & UIFIND_HITTEST) || m_MouseEnabled) && pred(this))
        return this;
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

// Places the children of a vertical (or horizontal) layout one after the
// other along its main axis: fixed sizes first, the rest shared among the
// stretching children, the remainder going to the first ones so the sizes add
// up exactly. Across the axis each child fills the inner rectangle unless it
// has a fixed size there.
void StackChildren(const std::vector<CControlUI*>& items, const UIRect& inner, int childPadding,
                   bool vertical) {
    auto mainFixed = [&](CControlUI* c) {
        return vertical ? c->GetFixedHeight() : c->GetFixedWidth();
    };
    auto crossFixed = [&](CControlUI* c) {
        return vertical ? c->GetFixedWidth() : c->GetFixedHeight();
    };
    auto mainMin = [&](CControlUI* c) { return vertical ? c->GetMinHeight() : c->GetMinWidth(); };
    auto padBefore = [&](const UIRect& pad) { return vertical ? pad.top : pad.left; };
    auto padAfter = [&](const UIRect& pad) { return vertical ? pad.bottom : pad.right; };

    int fixed = 0, stretch = 0, count = 0;
    for (CControlUI* c : items) {
        if (!c->IsVisibleSelf() || c->IsFloat()) continue;
        const UIRect& pad = c->GetPadding();
        fixed += padBefore(pad) + padAfter(pad);
        if (mainFixed(c) > 0) {
            fixed += mainFixed(c);
        } else {
            ++stretch;
        }
        ++count;
    }
    if (count > 1) fixed += childPadding * (count - 1);
    const int length = vertical ? inner.Height() : inner.Width();
    const int rest = std::max(0, length - fixed);
    const int each = stretch ? rest / stretch : 0;
    int extra = stretch ? rest % stretch : 0;
    int at = vertical ? inner.top : inner.left;
    for (CControlUI* c : items) {
        if (!c->IsVisibleSelf() || c->IsFloat()) continue;
        const UIRect& pad = c->GetPadding();
        int size = mainFixed(c);
        if (size <= 0) {
            size = each + (extra > 0 ? 1 : 0);
            if (extra > 0) --extra;
            size = std::max(size, mainMin(c));
        }
        // Across the axis.
        int from = vertical ? inner.left + pad.left : inner.top + pad.top;
        int to = vertical ? inner.right - pad.right : inner.bottom - pad.bottom;
        if (crossFixed(c) > 0) to = from + crossFixed(c);
        at += padBefore(pad);
        c->SetPos(vertical ? UIRect{from, at, to, at + size} : UIRect{at, from, at + size, to});
        at += size + padAfter(pad) + childPadding;
    }
}

}  // namespace

void CVerticalLayoutUI::SetPos(const UIRect& rc) {
    CControlUI::SetPos(rc);
    StackChildren(m_Items, InnerRect(m_rcItem), m_ChildPadding, true);
    PlaceFloatingChildren(m_rcItem);
}

std::wstring CVerticalLayoutUI::GetClass() const { return L"VerticalLayout"; }

void* CVerticalLayoutUI::GetInterface(const std::wstring& name) {
    return name == L"VerticalLayout" ? this : CContainerUI::GetInterface(name);
}

void CHorizontalLayoutUI::SetPos(const UIRect& rc) {
    CControlUI::SetPos(rc);
    StackChildren(m_Items, InnerRect(m_rcItem), m_ChildPadding, false);
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

bool CTabLayoutUI::SelectItem(CControlUI* page, bool notify) {
    return SelectItem(GetItemIndex(page), notify);
}

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
        c->SetPos({inner.left + pad.left, inner.top + pad.top, inner.right - pad.right,
                   inner.bottom - pad.bottom});
    }
    PlaceFloatingChildren(m_rcItem);
}

}  // namespace Toolkit
