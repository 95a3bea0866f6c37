#pragma once
// CWndShadow: the soft drop shadow around a skinned window. The installer's
// windows have no system frame, so the shadow is drawn on a companion layer
// of the window's host (with GTK a second, click-through window that follows
// its owner; headless an extra surface beneath the snapshot). Displays that
// cannot show translucent companions (no compositing) get no shadow.
//
// The shadow is either computed (a shape grown by the size, a fade whose
// width is the sharpness, core opacity the darkness, in the shadow colour,
// shifted by the position) or a nine-grid image stretched around the window.
// UI thread only.
#include <cairo.h>

#include <cstdint>
#include <memory>
#include <string>

#include "toolkit/Toolkit.h"

// The shadow's configuration, separate from the live layer so that the rules
// and the picture can be checked without a window.
struct ShadowSettings {
    uint8_t darkness = 150;  // opacity of the core, 0..255
    uint8_t sharpness = 5;   // width of the fade in pixels, 0..20
    int8_t size = 0;         // growth beyond the window, -20..20
    int8_t xOffset = 5;      // shift, -20..20
    int8_t yOffset = 5;
    uint32_t color = 0;      // 0xAARRGGBB; only the colour is used, darkness gives the opacity
    std::wstring image;      // nine-grid image, used instead of the computed shadow when it loads
    Toolkit::UIRect corner;  // nine-grid widths of the image
    Toolkit::UIRect holeOffset;  // how far the image reaches beyond the window on each side
};

// Renders the shadow for a window of `width` x `height` (rounded corners of
// `round` like the window's). Returns an ARGB32 premultiplied surface and its
// offset from the window's top-left corner, with the window's own area left
// clear; null when the shadow would be empty or the image does not load. The
// caller destroys the surface.
cairo_surface_t* RenderShadow(const ShadowSettings& settings, int width, int height,
                              Toolkit::UISize round, int* dx, int* dy);

class CWndShadow : public Toolkit::IMessagePreFilter {
public:
    CWndShadow();
    ~CWndShadow() override;
    CWndShadow(const CWndShadow&) = delete;
    CWndShadow& operator=(const CWndShadow&) = delete;

    // Once per process, after the toolkit's backend is chosen: without a
    // backend shadows stay off for the whole run.
    static void Initialize();
    static bool IsAvailable();

    // Attaches the shadow to `owner`: creates its companion layer, takes the
    // state from the owner (hidden: enabled only; minimised: enabled and
    // parent visible; otherwise shown and drawn) and follows the owner's
    // messages. Does nothing when shadows are unavailable or the display
    // cannot show them. Calling it again for the same owner does nothing.
    void Create(Toolkit::WindowImplBase* owner);

    // Setters check the range of the table; an out-of-range value is ignored
    // (false) and the previous one stays. A visible shadow is redrawn at once.
    bool SetSize(int size);
    bool SetSharpness(unsigned sharpness);
    bool SetDarkness(unsigned darkness);
    bool SetPosition(int x, int y);
    bool SetColor(uint32_t color);
    // The image is used only when it loads; false (and no change) otherwise.
    bool SetImage(const std::wstring& image);
    void SetShadowCorner(const Toolkit::UIRect& corner);
    void SetHoleOffset(const Toolkit::UIRect& offset);

    // Applies the shadow attributes of a layout's root element. Without
    // "showshadow" = "true" (in any case) nothing is read and false returned;
    // the caller then does not create the shadow.
    bool ApplyWindowAttributes(const Toolkit::CPaintManagerUI& manager);

    const ShadowSettings& Settings() const { return m_Settings; }
    bool IsCreated() const { return m_Owner != nullptr && m_Layer != nullptr; }
    bool IsShadowVisible() const { return (m_Status & kVisible) != 0; }
    // How many times the layer was redrawn (tests).
    int RedrawCount() const { return m_Redraws; }

    // The owner's messages, seen before the owner's own handler.
    Toolkit::LResult MessageFilter(uint32_t msg, Toolkit::WParam wParam, Toolkit::LParam lParam,
                                   bool& handled) override;

private:
    enum : uint8_t { kEnabled = 1, kVisible = 2, kParentVisible = 4 };
    void Redraw();
    void Show(bool show);
    void Detach();
    Toolkit::UISize OwnerSize() const;

    Toolkit::WindowImplBase* m_Owner = nullptr;
    std::unique_ptr<Toolkit::ICompanionLayer> m_Layer;
    ShadowSettings m_Settings;
    uint8_t m_Status = 0;
    int m_Redraws = 0;
};
