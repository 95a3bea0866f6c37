#pragma once
// The leaf controls of the layouts: label, button, option and check box,
// edit, progress bar and combo box.
#include <algorithm>
#include <string>
#include <vector>

#include "toolkit/UICanvas.h"
#include "toolkit/UIControl.h"

namespace Toolkit {

// Text with a font ("font" = an id of the layout's <Font> elements, -1 the
// default), colours, "align" (left, center, right), "valign" (top, vcenter,
// center, bottom), "textpadding" and "multiline"; a single line that does not
// fit ends in an ellipsis.
class CLabelUI : public CControlUI {
public:
    std::wstring GetClass() const override;
    void* GetInterface(const std::wstring& name) override;

    void SetFont(int index) {
        m_Font = index;
        Invalidate();
    }
    int GetFont() const { return m_Font; }
    void SetTextColor(UIColor c) {
        m_TextColor = c;
        Invalidate();
    }
    UIColor GetTextColor() const { return m_TextColor; }
    void SetDisabledTextColor(UIColor c) {
        m_DisabledTextColor = c;
        Invalidate();
    }
    void SetTextPadding(const UIRect& rc) {
        m_TextPadding = rc;
        Invalidate();
    }
    const UIRect& GetTextPadding() const { return m_TextPadding; }
    void SetTextStyle(uint32_t dtFlags) {
        m_TextStyle = dtFlags;
        Invalidate();
    }
    uint32_t GetTextStyle() const { return m_TextStyle; }
    void SetMultiLine(bool multi);
    bool IsMultiLine() const { return (m_TextStyle & DT_WORDBREAK) != 0; }

    // The extent of `text` (default: the control's text) in the control's font.
    UISize GetTextExtent(const std::wstring& text) const;
    UISize GetTextExtent() const { return GetTextExtent(m_Text); }

    bool SetAttribute(const std::wstring& name, const std::wstring& value) override;
    void PaintText(cairo_t* cr) override;

protected:
    // The colour and rectangle the text is painted with in the current state.
    virtual UIColor CurrentTextColor() const;
    void PaintTextWith(cairo_t* cr, UIColor color);

    int m_Font = -1;
    UIColor m_TextColor = 0;
    UIColor m_DisabledTextColor = 0;
    UIRect m_TextPadding;
    uint32_t m_TextStyle = DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS;
};

// State images "normalimage", "hotimage", "pushedimage", "focusedimage",
// "disabledimage"; the hot and pushed text, background and border colours.
// A completed click sends "click".
class CButtonUI : public CLabelUI {
public:
    CButtonUI();
    std::wstring GetClass() const override;
    void* GetInterface(const std::wstring& name) override;
    bool IsClickable() const override { return true; }
    bool IsFocusable() const override { return true; }

    void SetNormalImage(const std::wstring& s) {
        m_NormalImage = s;
        Invalidate();
    }
    void SetHotImage(const std::wstring& s) {
        m_HotImage = s;
        Invalidate();
    }
    void SetPushedImage(const std::wstring& s) {
        m_PushedImage = s;
        Invalidate();
    }
    void SetDisabledImage(const std::wstring& s) {
        m_DisabledImage = s;
        Invalidate();
    }
    const std::wstring& GetNormalImage() const { return m_NormalImage; }
    const std::wstring& GetHotImage() const { return m_HotImage; }
    const std::wstring& GetPushedImage() const { return m_PushedImage; }
    const std::wstring& GetDisabledImage() const { return m_DisabledImage; }

    bool Activate() override;
    void HandleEvent(TUIEvent& event) override;
    bool SetAttribute(const std::wstring& name, const std::wstring& value) override;
    void PaintBkColor(cairo_t* cr) override;
    void PaintStatusImage(cairo_t* cr) override;
    void PaintBorder(cairo_t* cr) override;

protected:
    UIColor CurrentTextColor() const override;

    std::wstring m_NormalImage, m_HotImage, m_PushedImage, m_FocusedImage, m_DisabledImage;
    UIColor m_HotTextColor = 0, m_PushedTextColor = 0, m_FocusedTextColor = 0;
    UIColor m_HotBkColor = 0, m_PushedBkColor = 0, m_DisabledBkColor = 0;
    UIColor m_HotBorderColor = 0, m_PushedBorderColor = 0;
};

// A button with a selected state. With a "group", selecting one option
// unselects the others of that group in the window; without one a click
// toggles. A change of state sends "selectchanged".
class COptionUI : public CButtonUI {
public:
    std::wstring GetClass() const override;
    void* GetInterface(const std::wstring& name) override;

    bool IsSelected() const { return m_Selected; }
    // Changes the state; with `notify` a change sends "selectchanged".
    virtual void Selected(bool selected, bool notify = true);
    const std::wstring& GetGroup() const { return m_Group; }
    void SetGroup(const std::wstring& group) { m_Group = group; }
    void SetSelectedImage(const std::wstring& s) {
        m_SelectedImage = s;
        Invalidate();
    }
    const std::wstring& GetSelectedImage() const { return m_SelectedImage; }

    bool Activate() override;
    bool SetAttribute(const std::wstring& name, const std::wstring& value) override;
    void PaintBkColor(cairo_t* cr) override;
    void PaintStatusImage(cairo_t* cr) override;
    void OnInit() override;

protected:
    UIColor CurrentTextColor() const override;

    bool m_Selected = false;
    bool m_SelectPending = false;  // "selected" seen before the control joined a window
    std::wstring m_Group;
    std::wstring m_SelectedImage, m_SelectedHotImage, m_SelectedPushedImage,
        m_SelectedDisabledImage;
    UIColor m_SelectedTextColor = 0, m_SelectedBkColor = 0;
};

// The "CheckBox" element: an option without group that toggles.
class CCheckBoxUI : public COptionUI {
public:
    std::wstring GetClass() const override;
    void* GetInterface(const std::wstring& name) override;
    bool GetCheck() const { return IsSelected(); }
    void SetCheck(bool check, bool notify = true) { Selected(check, notify); }
};

// One line of editable text: typing, caret, selection with shift and the
// mouse, Ctrl+A, Ctrl+C, Ctrl+X, Ctrl+V (through the window's clipboard),
// backspace and delete. "maxchar" bounds the length, "readonly" blocks edits,
// "password" shows bullets. Each change sends "textchanged".
class CEditUI : public CLabelUI {
public:
    CEditUI();
    std::wstring GetClass() const override;
    void* GetInterface(const std::wstring& name) override;
    bool IsClickable() const override { return true; }
    bool IsFocusable() const override { return true; }
    bool WantsTextInput() const override { return !m_ReadOnly; }

    void SetText(const std::wstring& text) override;
    void SetMaxChar(int count) { m_MaxChar = count; }
    int GetMaxChar() const { return m_MaxChar; }
    void SetReadOnly(bool ro) { m_ReadOnly = ro; }
    bool IsReadOnly() const { return m_ReadOnly; }
    // Caret and selection in characters; start == end means no selection.
    int GetCaret() const { return m_Caret; }
    void SetSel(int start, int end);
    int GetSelStart() const { return std::min(m_Anchor, m_Caret); }
    int GetSelEnd() const { return std::max(m_Anchor, m_Caret); }
    std::wstring GetSelText() const;
    // Replaces the selection (or inserts at the caret).
    void ReplaceSel(const std::wstring& text);

    void HandleEvent(TUIEvent& event) override;
    bool SetAttribute(const std::wstring& name, const std::wstring& value) override;
    void PaintStatusImage(cairo_t* cr) override;
    void PaintText(cairo_t* cr) override;

private:
    int CaretFromPoint(UIPoint pt) const;
    std::wstring DisplayText() const;
    void Changed();

    int m_Caret = 0;
    int m_Anchor = 0;
    int m_MaxChar = 255;
    int m_ScrollX = 0;
    bool m_ReadOnly = false;
    bool m_Password = false;
    bool m_Dragging = false;
    std::wstring m_NormalImage, m_HotImage, m_FocusedImage, m_DisabledImage;
};

// A horizontal bar: "min", "max" (0 and 100 by default), "value" clamped to
// them; the "foreimage" shows the filled part, stretched with
// "isstretchfore" or otherwise cut from an image of the full bar.
class CProgressUI : public CLabelUI {
public:
    std::wstring GetClass() const override;
    void* GetInterface(const std::wstring& name) override;

    int GetMinValue() const { return m_Min; }
    int GetMaxValue() const { return m_Max; }
    void SetMinValue(int v);
    void SetMaxValue(int v);
    int GetValue() const { return m_Value; }
    void SetValue(int v);
    bool IsStretchForeImage() const { return m_StretchFore; }
    void SetStretchForeImage(bool s) {
        m_StretchFore = s;
        Invalidate();
    }

    bool SetAttribute(const std::wstring& name, const std::wstring& value) override;
    void PaintStatusImage(cairo_t* cr) override;

private:
    int m_Min = 0, m_Max = 100, m_Value = 0;
    bool m_StretchFore = true;
};

// A drop-down list of texts. A click opens the list below the box (drawn
// over the window); a click on an item selects it, Up/Down move the
// selection. A change sends "itemselect" with the new index as first and the
// old as second parameter.
class CComboUI : public CLabelUI {
public:
    std::wstring GetClass() const override;
    void* GetInterface(const std::wstring& name) override;
    bool IsClickable() const override { return true; }
    bool IsFocusable() const override { return true; }

    int AddItem(const std::wstring& text);
    void RemoveAll();
    int GetCount() const { return static_cast<int>(m_Items.size()); }
    std::wstring GetItemText(int index) const;
    int GetCurSel() const { return m_CurSel; }
    // False for an index outside the list or the current item.
    bool SelectItem(int index, bool notify = true);
    bool IsDropped() const { return m_Dropped; }
    void SetDropped(bool dropped);
    // The rectangle of the open list, empty when closed.
    UIRect GetDropRect() const;
    int ItemHeight() const { return m_ItemHeight; }

    std::wstring GetText() const override;
    bool Activate() override;
    void HandleEvent(TUIEvent& event) override;
    bool SetAttribute(const std::wstring& name, const std::wstring& value) override;
    void PaintStatusImage(cairo_t* cr) override;
    // Paints the open list; called by the paint manager after the tree.
    void PaintDropList(cairo_t* cr);

private:
    std::vector<std::wstring> m_Items;
    int m_CurSel = -1;
    bool m_Dropped = false;
    int m_ItemHeight = 24;
    int m_HotItem = -1;
    std::wstring m_NormalImage, m_HotImage, m_PushedImage, m_DisabledImage;
    UIColor m_ItemBkColor = 0xFFFFFFFF, m_ItemHotBkColor = 0xFFE5F1FB, m_ItemTextColor = 0xFF000000;
};

}  // namespace Toolkit
