#pragma once
// The base of every control: geometry, visibility, texts, colours, images,
// the attribute table the layout builder applies, input events and painting.
// Controls belong to one CPaintManagerUI and live on the user-interface
// thread; a parent container owns and deletes its children.
#include <cairo.h>

#include <functional>
#include <map>
#include <string>

#include "toolkit/UIBase.h"

namespace Toolkit {

class CPaintManagerUI;
class CContainerUI;
class CControlUI;

enum class UIEventType {
    MouseEnter,
    MouseLeave,
    MouseMove,
    ButtonDown,
    ButtonUp,
    DoubleClick,
    KeyDown,  // key = VK_* or an upper-case letter, modifiers = MK_SHIFT | MK_CONTROL
    Char,     // ch = the typed character
    SetFocus,
    KillFocus,
    Timer,  // wParam = the control's own timer number
};

struct TUIEvent {
    UIEventType type = UIEventType::MouseMove;
    CControlUI* sender = nullptr;
    UIPoint pt;  // window client coordinates
    WParam wParam = 0;
    LParam lParam = 0;
    WParam key = 0;
    uint32_t modifiers = 0;
    wchar_t ch = 0;
    int64_t timestamp = 0;
};

// Visiting flags for FindControl.
enum FindFlags : uint32_t {
    UIFIND_ALL = 0,
    UIFIND_VISIBLE = 0x1,
    UIFIND_ENABLED = 0x2,
    UIFIND_HITTEST = 0x4,    // only controls that contain the point and take the mouse
    UIFIND_TOP_FIRST = 0x8,  // children before their parent, last child first
};

class CControlUI {
public:
    CControlUI();
    virtual ~CControlUI();
    CControlUI(const CControlUI&) = delete;
    CControlUI& operator=(const CControlUI&) = delete;

    // The element name the layout uses for this class ("Control", "Label").
    virtual std::wstring GetClass() const;
    // This control when it is (or derives from) the class `name`, else null.
    virtual void* GetInterface(const std::wstring& name);

    const std::wstring& GetName() const { return m_Name; }
    void SetName(const std::wstring& name) { m_Name = name; }

    virtual std::wstring GetText() const { return m_Text; }
    virtual void SetText(const std::wstring& text);
    // A per-control text from the layout ("userdata"), empty by default.
    const std::wstring& GetUserData() const { return m_UserData; }
    void SetUserData(const std::wstring& data) { m_UserData = data; }
    const std::wstring& GetToolTip() const { return m_ToolTip; }
    void SetToolTip(const std::wstring& tip) { m_ToolTip = tip; }
    // Number of the text-table entry this control shows ("textid"), or "".
    const std::wstring& GetTextId() const { return m_TextId; }
    void SetTextId(const std::wstring& id) { m_TextId = id; }
    void* GetTag() const { return m_Tag; }
    void SetTag(void* tag) { m_Tag = tag; }

    // Visibility as set; IsVisible also needs every parent to be visible.
    virtual void SetVisible(bool visible);
    bool IsVisible() const;
    bool IsVisibleSelf() const { return m_Visible; }
    // Internal visibility used by tab layouts for hidden pages.
    void SetInternVisible(bool visible);
    virtual void SetEnabled(bool enabled);
    bool IsEnabled() const { return m_Enabled; }
    void SetMouseEnabled(bool enabled) { m_MouseEnabled = enabled; }
    bool IsMouseEnabled() const { return m_MouseEnabled; }
    // Keyboard focus through the paint manager.
    void SetFocus();
    bool IsFocused() const { return m_Focused; }
    virtual bool IsFocusable() const { return false; }
    // Takes typed text while it has the focus (edits), so the window routes
    // keys through the input method.
    virtual bool WantsTextInput() const { return false; }
    // Takes part in clicks (buttons, options, edits, combos); the caption
    // area drags the window only where no such control is hit.
    virtual bool IsClickable() const { return false; }

    // Size: 0 means "stretch to the parent's free space".
    int GetFixedWidth() const { return m_FixedSize.cx; }
    int GetFixedHeight() const { return m_FixedSize.cy; }
    void SetFixedWidth(int cx);
    void SetFixedHeight(int cy);
    int GetMinWidth() const { return m_MinSize.cx; }
    int GetMinHeight() const { return m_MinSize.cy; }
    // Space the parent leaves around this control (left, top, right, bottom).
    const UIRect& GetPadding() const { return m_Padding; }
    void SetPadding(const UIRect& rc);
    // Floating controls are placed at GetFloatPos relative to the parent's
    // top-left corner instead of taking part in the parent's layout. "pos"
    // makes a control floating unless "float" says "false".
    bool IsFloat() const { return m_Float; }
    void SetFloat(bool f);
    const UIRect& GetFloatPos() const { return m_FloatPos; }
    void SetFloatPos(const UIRect& rc);

    // Rectangle in window client coordinates, valid after layout.
    const UIRect& GetPos() const { return m_rcItem; }
    virtual void SetPos(const UIRect& rc);
    // Size the control would like when the parent has `available`.
    virtual UISize EstimateSize(UISize available);

    // Colours and images of the control's own painting.
    UIColor GetBkColor() const { return m_BkColor; }
    void SetBkColor(UIColor c);
    const std::wstring& GetBkImage() const { return m_BkImage; }
    // The image is taken from the skin archive or the resource folder.
    void SetBkImage(const std::wstring& image);
    const std::wstring& GetForeImage() const { return m_ForeImage; }
    void SetForeImage(const std::wstring& image);
    void SetBorderSize(int size);
    int GetBorderSize() const { return m_BorderSize; }
    void SetBorderColor(UIColor c);
    UIColor GetBorderColor() const { return m_BorderColor; }
    void SetBorderRound(UISize round);
    UISize GetBorderRound() const { return m_BorderRound; }

    // Applies one layout attribute. False when this class does not know it
    // (the builder lists such names; nothing changes). Subclasses handle
    // their own names first and pass the rest on to their base.
    virtual bool SetAttribute(const std::wstring& name, const std::wstring& value);
    // The value last given for `name` through SetAttribute, empty if none;
    // "name", "text", "visible" and "enabled" answer the current state.
    virtual std::wstring GetAttribute(const std::wstring& name) const;
    // Applies "name1=\"v1\" name2=\"v2\"" lists.
    void ApplyAttributeList(const std::wstring& list);

    CPaintManagerUI* GetManager() const { return m_Manager; }
    CControlUI* GetParent() const { return m_Parent; }
    // Called by containers and the paint manager; `init` runs OnInit.
    virtual void SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init = true);
    // Called once when the control joins a window's tree.
    virtual void OnInit() {}

    // Depth-first visit; the first control for which `pred` answers true.
    virtual CControlUI* FindControl(const std::function<bool(CControlUI*)>& pred, uint32_t flags,
                                    UIPoint pt = {});

    // Repaint request for this control's rectangle.
    void Invalidate();
    // Layout must be recomputed (size or visibility changed).
    void NeedUpdate();
    void NeedParentUpdate();

    // Input events, delivered by the paint manager. The base class turns
    // Timer events into "timer" notifications (first parameter = number)
    // and keeps the hot state.
    virtual void HandleEvent(TUIEvent& event);
    // A click completed on the control (mouse released over it, or Enter):
    // buttons send "click". False when the control is disabled.
    virtual bool Activate();

    // Painting in window coordinates, clipped to `paint`. The order is
    // background colour, background image, state images, text, border;
    // subclasses replace single steps.
    virtual void DoPaint(cairo_t* cr, const UIRect& paint);
    virtual void PaintBkColor(cairo_t* cr);
    virtual void PaintBkImage(cairo_t* cr);
    virtual void PaintStatusImage(cairo_t* cr);
    virtual void PaintText(cairo_t* cr);
    virtual void PaintBorder(cairo_t* cr);
    // Draws an image attribute inside this control; false when it is missing.
    bool DrawImage(cairo_t* cr, const std::wstring& image);

    // Input state kept by the paint manager.
    bool IsHot() const { return m_Hot; }
    bool IsPushed() const { return m_Pushed; }
    void SetHot(bool hot);
    void SetPushed(bool pushed);
    void SetFocusedState(bool focused);

protected:
    CPaintManagerUI* m_Manager = nullptr;
    CControlUI* m_Parent = nullptr;
    std::wstring m_Name;
    std::wstring m_Text;
    std::wstring m_UserData;
    std::wstring m_ToolTip;
    std::wstring m_TextId;
    void* m_Tag = nullptr;
    bool m_Visible = true;
    bool m_InternVisible = true;
    bool m_Enabled = true;
    bool m_MouseEnabled = true;
    bool m_Focused = false;
    bool m_Hot = false;
    bool m_Pushed = false;
    bool m_Float = false;
    UIRect m_rcItem;
    UIRect m_Padding;
    UIRect m_FloatPos;
    UISize m_FixedSize;
    UISize m_MinSize;
    UISize m_MaxSize{9999, 9999};
    UIColor m_BkColor = 0;
    UIColor m_BkColor2 = 0;
    UIColor m_BorderColor = 0;
    UIColor m_FocusBorderColor = 0;
    int m_BorderSize = 0;
    UISize m_BorderRound;
    std::wstring m_BkImage;
    std::wstring m_ForeImage;
    std::map<std::wstring, std::wstring> m_Attributes;
};

}  // namespace Toolkit
