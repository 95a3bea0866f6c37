#pragma once
// Containers: a plain container (children fill it, floating ones at their
// "pos"), the vertical and horizontal layouts (fixed sizes first, the rest
// shared among stretching children) and the tab layout (one page shown).
#include <vector>

#include "toolkit/UIControl.h"

namespace Toolkit {

class CContainerUI : public CControlUI {
public:
    CContainerUI();
    ~CContainerUI() override;

    std::wstring GetClass() const override;
    void* GetInterface(const std::wstring& name) override;

    // The container owns what it holds. Add* return false for null.
    virtual bool Add(CControlUI* control);
    virtual bool AddAt(CControlUI* control, int index);
    // Removes and deletes.
    virtual bool Remove(CControlUI* control);
    virtual void RemoveAll();
    CControlUI* GetItemAt(int index) const;
    int GetItemIndex(CControlUI* control) const;
    int GetCount() const { return static_cast<int>(m_Items.size()); }

    // Space inside the container's edges ("inset") and between children
    // ("childpadding").
    const UIRect& GetInset() const { return m_Inset; }
    void SetInset(const UIRect& rc);
    int GetChildPadding() const { return m_ChildPadding; }
    void SetChildPadding(int padding);

    void SetPos(const UIRect& rc) override;
    bool SetAttribute(const std::wstring& name, const std::wstring& value) override;
    void SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init = true) override;
    CControlUI* FindControl(const std::function<bool(CControlUI*)>& pred, uint32_t flags,
                            UIPoint pt = {}) override;
    void DoPaint(cairo_t* cr, const UIRect& paint) override;
    void SetVisible(bool visible) override;

protected:
    // Places the floating children; layouts call it after their own pass.
    void PlaceFloatingChildren(const UIRect& rc);
    UIRect InnerRect(const UIRect& rc) const;
    void PropagateInternVisible(bool visible);

    std::vector<CControlUI*> m_Items;
    UIRect m_Inset;
    int m_ChildPadding = 0;
    friend class CControlUI;
};

class CVerticalLayoutUI : public CContainerUI {
public:
    std::wstring GetClass() const override;
    void* GetInterface(const std::wstring& name) override;
    void SetPos(const UIRect& rc) override;
};

class CHorizontalLayoutUI : public CContainerUI {
public:
    std::wstring GetClass() const override;
    void* GetInterface(const std::wstring& name) override;
    void SetPos(const UIRect& rc) override;
};

// Pages are the children; only the current one is shown. Selecting the
// current page again changes nothing and sends no notification; any other
// change sends "tabselect" with the new index as first and the old index as
// second parameter.
class CTabLayoutUI : public CContainerUI {
public:
    std::wstring GetClass() const override;
    void* GetInterface(const std::wstring& name) override;

    bool Add(CControlUI* control) override;
    bool AddAt(CControlUI* control, int index) override;
    bool Remove(CControlUI* control) override;
    void RemoveAll() override;

    int GetCurSel() const { return m_CurSel; }
    // False for an index outside the pages or for the current page.
    bool SelectItem(int index, bool notify = true);
    bool SelectItem(CControlUI* page, bool notify = true);

    void SetPos(const UIRect& rc) override;
    bool SetAttribute(const std::wstring& name, const std::wstring& value) override;

private:
    void ShowOnly(int index);
    int m_CurSel = -1;
};

}  // namespace Toolkit
