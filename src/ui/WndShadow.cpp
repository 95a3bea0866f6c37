#include "ui/WndShadow.h"

#include <algorithm>
#include <cmath>

#include "ui/LayoutAttr.h"

using namespace Toolkit;

namespace {

bool g_Initialized = false;
bool g_Available = false;

// Signed distance from (px, py) to a rounded rectangle [0,w] x [0,h] with
// corner radius r: negative inside.
double RoundRectDistance(double px, double py, double w, double h, double r) {
    const double hx = w / 2, hy = h / 2;
    const double qx = std::abs(px - hx) - (hx - r), qy = std::abs(py - hy) - (hy - r);
    const double ox = std::max(qx, 0.0), oy = std::max(qy, 0.0);
    return std::hypot(ox, oy) + std::min(std::max(qx, qy), 0.0) - r;
}

// The companion may be stacked above its owner (an owned window is, on most
// desktops), so the owner's own area stays clear and the window shows
// through; beneath the owner this changes nothing.
void ClearOwnerArea(cairo_surface_t* surface, int x, int y, int width, int height, UISize round) {
    cairo_t* cr = cairo_create(surface);
    cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
    CCanvas::RoundRectPath(cr, {x, y, x + width, y + height}, round.cx, round.cy);
    cairo_fill(cr);
    cairo_destroy(cr);
    cairo_surface_flush(surface);
}

cairo_surface_t* RenderComputed(const ShadowSettings& s, int width, int height, UISize round,
                                int* dx, int* dy) {
    const int w = width + 2 * s.size, h = height + 2 * s.size;
    if (w <= 0 || h <= 0) return nullptr;
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return nullptr;
    }
    cairo_surface_flush(surface);
    const double r =
        std::clamp(std::min(round.cx, round.cy) / 2.0 + s.size, 0.0, std::min(w, h) / 2.0);
    const double cr = ((s.color >> 16) & 0xFF) / 255.0, cg = ((s.color >> 8) & 0xFF) / 255.0,
                 cb = (s.color & 0xFF) / 255.0;
    unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    for (int y = 0; y < h; ++y) {
        uint32_t* row = reinterpret_cast<uint32_t*>(data + y * stride);
        for (int x = 0; x < w; ++x) {
            // How far inside the outline the pixel's centre lies.
            const double inside = -RoundRectDistance(x + 0.5, y + 0.5, w, h, r);
            double t;
            if (inside <= 0)
                t = 0;
            else if (s.sharpness == 0)
                t = 1;
            else {
                const double f = std::min(inside / s.sharpness, 1.0);
                t = f * f * (3 - 2 * f);  // smooth start and end of the fade
            }
            const double a = t * s.darkness / 255.0;
            const uint32_t A = static_cast<uint32_t>(std::lround(a * 255));
            const uint32_t R = static_cast<uint32_t>(std::lround(cr * a * 255));
            const uint32_t G = static_cast<uint32_t>(std::lround(cg * a * 255));
            const uint32_t B = static_cast<uint32_t>(std::lround(cb * a * 255));
            row[x] = (A << 24) | (R << 16) | (G << 8) | B;
        }
    }
    cairo_surface_mark_dirty(surface);
    *dx = s.xOffset - s.size;
    *dy = s.yOffset - s.size;
    ClearOwnerArea(surface, -*dx, -*dy, width, height, round);
    return surface;
}

cairo_surface_t* RenderImage(const ShadowSettings& s, int width, int height, UISize round, int* dx,
                             int* dy) {
    const UIRect& hole = s.holeOffset;
    const int w = width + hole.left + hole.right, h = height + hole.top + hole.bottom;
    if (w <= 0 || h <= 0) return nullptr;
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
    cairo_t* cr = cairo_create(surface);
    TImageSpec grid;
    grid.file = s.image;
    grid.corner = s.corner;
    const UIRect all{0, 0, w, h};
    const bool drawn = CCanvas::DrawImage(cr, all, all, grid);
    cairo_destroy(cr);
    if (!drawn) {
        cairo_surface_destroy(surface);
        return nullptr;
    }
    cairo_surface_flush(surface);
    *dx = -hole.left;
    *dy = -hole.top;
    ClearOwnerArea(surface, hole.left, hole.top, width, height, round);
    return surface;
}

}  // namespace

cairo_surface_t* RenderShadow(const ShadowSettings& settings, int width, int height, UISize round,
                              int* dx, int* dy) {
    if (width <= 0 || height <= 0) return nullptr;
    if (!settings.image.empty()) return RenderImage(settings, width, height, round, dx, dy);
    return RenderComputed(settings, width, height, round, dx, dy);
}

CWndShadow::CWndShadow() = default;

CWndShadow::~CWndShadow() { Detach(); }

void CWndShadow::Initialize() {
    if (g_Initialized) return;
    g_Initialized = true;
    g_Available = CurrentBackend() != nullptr;
}

bool CWndShadow::IsAvailable() { return g_Available; }

void CWndShadow::Create(WindowImplBase* owner) {
    if (!g_Available || owner == nullptr || m_Owner != nullptr) return;
    IWindowHost* host = owner->GetHost();
    if (host == nullptr) return;
    m_Layer = host->CreateCompanionLayer();
    if (!m_Layer || !m_Layer->IsSupported()) {
        m_Layer.reset();
        return;
    }
    m_Owner = owner;
    owner->GetManager().AddPreMessageFilter(this);
    if (!host->IsShown()) {
        m_Status = kEnabled;
    } else if (host->IsMinimized()) {
        m_Status = kEnabled | kParentVisible;
    } else {
        m_Status = kEnabled | kVisible | kParentVisible;
        Redraw();
        m_Layer->SetVisible(true);
    }
}

void CWndShadow::Detach() {
    if (m_Owner != nullptr) m_Owner->GetManager().RemovePreMessageFilter(this);
    m_Owner = nullptr;
    m_Layer.reset();
    m_Status = 0;
}

UISize CWndShadow::OwnerSize() const {
    if (m_Owner == nullptr) return {};
    UISize size = m_Owner->GetManager().GetClientSize();
    if (size.cx <= 0 || size.cy <= 0) {
        const UIRect rc = m_Owner->GetWindowRect();
        size = {rc.Width(), rc.Height()};
    }
    return size;
}

void CWndShadow::Redraw() {
    if (!m_Layer) return;
    const UISize size = OwnerSize();
    int dx = 0, dy = 0;
    cairo_surface_t* surface = RenderShadow(m_Settings, size.cx, size.cy,
                                            m_Owner->GetManager().GetRoundCorner(), &dx, &dy);
    if (surface == nullptr) {
        m_Layer->SetVisible(false);
        return;
    }
    m_Layer->Update(surface, dx, dy);
    cairo_surface_destroy(surface);
    ++m_Redraws;
}

void CWndShadow::Show(bool show) {
    if (!m_Layer) return;
    if (show) {
        m_Status |= kVisible | kParentVisible;
        Redraw();
        m_Layer->SetVisible(true);
    } else {
        m_Status &= static_cast<uint8_t>(~kVisible);
        m_Layer->SetVisible(false);
    }
}

LResult CWndShadow::MessageFilter(uint32_t msg, WParam wParam, LParam /*lParam*/, bool& handled) {
    handled = false;  // the owner always sees its messages too
    if (!m_Layer) return 0;
    switch (msg) {
        case WM_SIZE:
            if (m_Status & kEnabled) {
                if (wParam == SIZE_MINIMIZED || wParam == SIZE_MAXIMIZED) {
                    Show(false);
                } else if (m_Owner->GetHost() && m_Owner->GetHost()->IsShown()) {
                    // The layer is repainted in one step at the size the
                    // owner has now, so growing needs no deferral to the
                    // next paint and no size is kept.
                    Show(true);
                }
            }
            break;
        case WM_SHOWWINDOW:
            if (m_Status & kEnabled) {
                if (wParam) {
                    Show(true);
                } else {
                    Show(false);
                    m_Status &= static_cast<uint8_t>(~kParentVisible);
                }
            }
            break;
        case WM_ACTIVATE:
        case WM_EXITSIZEMOVE:
            if (m_Status & kVisible) Redraw();
            break;
        case WM_DESTROY:
            Detach();
            break;
        default:
            break;
    }
    return 0;
}

bool CWndShadow::SetSize(int size) {
    if (size < -20 || size > 20) return false;
    m_Settings.size = static_cast<int8_t>(size);
    if (IsShadowVisible()) Redraw();
    return true;
}

bool CWndShadow::SetSharpness(unsigned sharpness) {
    if (sharpness > 20) return false;
    m_Settings.sharpness = static_cast<uint8_t>(sharpness);
    if (IsShadowVisible()) Redraw();
    return true;
}

bool CWndShadow::SetDarkness(unsigned darkness) {
    if (darkness > 255) return false;
    m_Settings.darkness = static_cast<uint8_t>(darkness);
    if (IsShadowVisible()) Redraw();
    return true;
}

bool CWndShadow::SetPosition(int x, int y) {
    if (x < -20 || x > 20 || y < -20 || y > 20) return false;
    m_Settings.xOffset = static_cast<int8_t>(x);
    m_Settings.yOffset = static_cast<int8_t>(y);
    if (IsShadowVisible()) Redraw();
    return true;
}

bool CWndShadow::SetColor(uint32_t color) {
    m_Settings.color = color;
    if (IsShadowVisible()) Redraw();
    return true;
}

bool CWndShadow::SetImage(const std::wstring& image) {
    if (image.empty() || !CImageCache::Instance().Get(image, false, 0)) return false;
    m_Settings.image = image;
    if (IsShadowVisible()) Redraw();
    return true;
}

void CWndShadow::SetShadowCorner(const UIRect& corner) {
    m_Settings.corner = corner;
    if (IsShadowVisible()) Redraw();
}

void CWndShadow::SetHoleOffset(const UIRect& offset) {
    m_Settings.holeOffset = offset;
    if (IsShadowVisible()) Redraw();
}

bool CWndShadow::ApplyWindowAttributes(const CPaintManagerUI& manager) {
    if (!LayoutAttr::EqualsNoCase(manager.GetWindowAttribute(L"showshadow"), L"true")) return false;
    std::wstring v;
    if (!(v = manager.GetWindowAttribute(L"shadowimage")).empty()) SetImage(v);
    int four[4];
    if (!(v = manager.GetWindowAttribute(L"shadowcorner")).empty()) {
        LayoutAttr::ToInts(v, four, 4);
        SetShadowCorner({four[0], four[1], four[2], four[3]});
    }
    if (!(v = manager.GetWindowAttribute(L"shadowholeoffset")).empty()) {
        LayoutAttr::ToInts(v, four, 4);
        SetHoleOffset({four[0], four[1], four[2], four[3]});
    }
    if (!(v = manager.GetWindowAttribute(L"shadowsize")).empty()) SetSize(LayoutAttr::ToInt(v));
    // A negative sharpness or darkness becomes a large unsigned value and is
    // ignored like any other out-of-range number.
    if (!(v = manager.GetWindowAttribute(L"shadowsharpness")).empty())
        SetSharpness(static_cast<unsigned>(LayoutAttr::ToInt(v)));
    if (!(v = manager.GetWindowAttribute(L"shadowdarkness")).empty())
        SetDarkness(static_cast<unsigned>(LayoutAttr::ToInt(v)));
    if (!(v = manager.GetWindowAttribute(L"shadowposition")).empty()) {
        int two[2];
        LayoutAttr::ToInts(v, two, 2);
        SetPosition(two[0], two[1]);
    }
    if (!(v = manager.GetWindowAttribute(L"shadowcolor")).empty()) SetColor(LayoutAttr::ToColor(v));
    return true;
}
