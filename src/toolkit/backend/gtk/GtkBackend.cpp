// The GTK 3 backend: each toolkit window is an undecorated GtkWindow whose
// drawing area is painted by the window's paint manager. GTK's own main loop
// does the waiting, so posted messages wake it through the main context.
#include <gdk/gdk.h>
#include <gtk/gtk.h>
#ifdef GDK_WINDOWING_X11
#include <gdk/gdkx.h>
#endif

#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <vector>

#include "toolkit/UIBackend.h"
#include "toolkit/UICanvas.h"
#include "toolkit/UIMessageLoop.h"
#include "utils/Log.h"
#include "utils/Text.h"

namespace Toolkit {

namespace {

// Waits inside GLib: one iteration dispatches whatever GTK has (input,
// drawing) and returns; a timeout source bounds the wait for the next
// toolkit timer.
class GtkLoopWaiter : public ILoopWaiter {
public:
    void Wait(int timeoutMs) override {
        if (timeoutMs == 0) {
            g_main_context_iteration(nullptr, FALSE);
            return;
        }
        guint source = 0;
        if (timeoutMs > 0)
            source =
                g_timeout_add(static_cast<guint>(timeoutMs), &GtkLoopWaiter::OnTimeout, nullptr);
        g_main_context_iteration(nullptr, TRUE);
        if (source) {
            GSource* s = g_main_context_find_source_by_id(nullptr, source);
            if (s) g_source_destroy(s);
        }
    }
    // Any thread; an early wake makes the next iteration return at once.
    void Wake() override { g_main_context_wakeup(nullptr); }

private:
    static gboolean OnTimeout(gpointer) { return G_SOURCE_REMOVE; }
};

class GtkHost;

// A click-through translucent window beneath the owner (the shadow).
class GtkCompanion : public ICompanionLayer {
public:
    explicit GtkCompanion(GtkHost* owner);
    ~GtkCompanion() override;
    void Update(cairo_surface_t* argb, int dx, int dy) override;
    void SetVisible(bool visible) override;
    bool IsVisible() const override { return m_Visible; }
    bool IsSupported() const override { return m_Supported; }
    void Follow(const UIRect& ownerBounds);
    void Detach() { m_Owner = nullptr; }

private:
    static gboolean OnDraw(GtkWidget*, cairo_t* cr, gpointer self);
    GtkHost* m_Owner;
    GtkWidget* m_Window = nullptr;
    cairo_surface_t* m_Surface = nullptr;
    int m_Dx = 0, m_Dy = 0;
    bool m_Visible = false;
    bool m_Supported = false;
};

WParam VirtualKeyOf(guint keyval) {
    switch (keyval) {
        case GDK_KEY_BackSpace:
            return VK_BACK;
        case GDK_KEY_Tab:
        case GDK_KEY_ISO_Left_Tab:  // Shift+Tab
        case GDK_KEY_KP_Tab:
            return VK_TAB;
        case GDK_KEY_Return:
        case GDK_KEY_KP_Enter:
            return VK_RETURN;
        case GDK_KEY_Escape:
            return VK_ESCAPE;
        case GDK_KEY_End:
            return VK_END;
        case GDK_KEY_Home:
            return VK_HOME;
        case GDK_KEY_Left:
            return VK_LEFT;
        case GDK_KEY_Up:
            return VK_UP;
        case GDK_KEY_Right:
            return VK_RIGHT;
        case GDK_KEY_Down:
            return VK_DOWN;
        case GDK_KEY_Delete:
            return VK_DELETE;
        default:
            break;
    }
    guint upper = gdk_keyval_to_upper(keyval);
    if (upper >= 'A' && upper <= 'Z') return upper;
    if (keyval >= '0' && keyval <= '9') return keyval;
    if (keyval == ' ' || keyval == GDK_KEY_KP_Space) return ' ';
    return 0;
}

class GtkHost : public IWindowHost {
public:
    GtkHost(IWindowHostSink* sink, GtkHost* owner) : m_Sink(sink) {
        m_Window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
        gtk_window_set_decorated(GTK_WINDOW(m_Window), FALSE);
        gtk_window_set_resizable(GTK_WINDOW(m_Window), FALSE);
        if (owner) gtk_window_set_transient_for(GTK_WINDOW(m_Window), GTK_WINDOW(owner->m_Window));
        m_Area = gtk_drawing_area_new();
        gtk_widget_set_can_focus(m_Area, TRUE);
        gtk_widget_add_events(m_Area, GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK |
                                          GDK_POINTER_MOTION_MASK | GDK_LEAVE_NOTIFY_MASK |
                                          GDK_KEY_PRESS_MASK | GDK_KEY_RELEASE_MASK);
        gtk_container_add(GTK_CONTAINER(m_Window), m_Area);
        g_signal_connect(m_Area, "draw", G_CALLBACK(&GtkHost::OnDraw), this);
        g_signal_connect(m_Area, "button-press-event", G_CALLBACK(&GtkHost::OnButton), this);
        g_signal_connect(m_Area, "button-release-event", G_CALLBACK(&GtkHost::OnButton), this);
        g_signal_connect(m_Area, "motion-notify-event", G_CALLBACK(&GtkHost::OnMotion), this);
        g_signal_connect(m_Area, "leave-notify-event", G_CALLBACK(&GtkHost::OnLeave), this);
        g_signal_connect(m_Window, "key-press-event", G_CALLBACK(&GtkHost::OnKey), this);
        g_signal_connect(m_Window, "key-release-event", G_CALLBACK(&GtkHost::OnKeyRelease), this);
        g_signal_connect(m_Window, "configure-event", G_CALLBACK(&GtkHost::OnConfigure), this);
        g_signal_connect(m_Window, "delete-event", G_CALLBACK(&GtkHost::OnDelete), this);
        g_signal_connect(m_Window, "window-state-event", G_CALLBACK(&GtkHost::OnState), this);
        gtk_widget_show(m_Area);
        // Input methods (CJK typing, compose keys) hand over finished text.
        m_Im = gtk_im_multicontext_new();
        g_signal_connect(m_Im, "commit", G_CALLBACK(&GtkHost::OnCommit), this);
        g_signal_connect(m_Window, "realize", G_CALLBACK(&GtkHost::OnRealize), this);
        g_signal_connect(m_Window, "focus-in-event", G_CALLBACK(&GtkHost::OnFocus), this);
        g_signal_connect(m_Window, "focus-out-event", G_CALLBACK(&GtkHost::OnFocus), this);
    }
    ~GtkHost() override {
        g_signal_handlers_disconnect_by_data(m_Im, this);
        gtk_im_context_set_client_window(m_Im, nullptr);
        g_object_unref(m_Im);
        for (GtkCompanion* c : m_Companions) c->Detach();
        g_signal_handlers_disconnect_by_data(m_Area, this);
        g_signal_handlers_disconnect_by_data(m_Window, this);
        gtk_widget_destroy(m_Window);
    }

    void SetTitle(const std::wstring& title) override {
        gtk_window_set_title(GTK_WINDOW(m_Window), Utils::ToUtf8(title).c_str());
    }
    void SetClassName(const std::wstring& name) override {
        // Read when the window is realized (its first show). GTK 3 keeps no
        // other per-window way to give X11 its WM_CLASS.
        std::string n = Utils::ToUtf8(name);
        G_GNUC_BEGIN_IGNORE_DEPRECATIONS
        gtk_window_set_wmclass(GTK_WINDOW(m_Window), n.c_str(), n.c_str());
        G_GNUC_END_IGNORE_DEPRECATIONS
    }
    void SetBounds(const UIRect& rc) override {
        bool sized = rc.Width() != m_Bounds.Width() || rc.Height() != m_Bounds.Height();
        bool moved = rc.left != m_Bounds.left || rc.top != m_Bounds.top;
        m_Bounds = rc;
        gtk_widget_set_size_request(m_Area, rc.Width(), rc.Height());
        gtk_window_resize(GTK_WINDOW(m_Window), rc.Width(), rc.Height());
        gtk_window_move(GTK_WINDOW(m_Window), rc.left, rc.top);
        if (sized) {
            ApplyShape();
            m_Sink->OnHostMessage(WM_SIZE, SIZE_RESTORED, MakeLParam(rc.Width(), rc.Height()));
        }
        if (moved) {
            m_Sink->OnHostMessage(WM_MOVE, 0, MakeLParam(rc.left, rc.top));
            FollowCompanions();
        }
    }
    UIRect GetBounds() const override { return m_Bounds; }
    void Show(bool show) override {
        if (show == m_Shown) return;
        m_Shown = show;
        if (show) {
            gtk_window_move(GTK_WINDOW(m_Window), m_Bounds.left, m_Bounds.top);
            gtk_widget_show(m_Window);
            gtk_widget_grab_focus(m_Area);
        } else {
            gtk_widget_hide(m_Window);
        }
        m_Sink->OnHostMessage(WM_SHOWWINDOW, show ? 1 : 0, 0);
    }
    bool IsShown() const override { return m_Shown; }
    void Minimize() override { gtk_window_iconify(GTK_WINDOW(m_Window)); }
    bool IsMinimized() const override { return m_Minimized; }
    void BringToFront() override {
        gtk_window_deiconify(GTK_WINDOW(m_Window));
        gtk_window_present_with_time(GTK_WINDOW(m_Window), PresentTime());
    }
    void SetInputEnabled(bool enabled) override { m_InputEnabled = enabled; }
    void Invalidate(const UIRect& rc) override {
        gtk_widget_queue_draw_area(m_Area, rc.left, rc.top, rc.Width(), rc.Height());
    }
    void BeginMoveDrag(UIPoint) override {
        gtk_window_begin_move_drag(GTK_WINDOW(m_Window), 1, m_PressRootX, m_PressRootY,
                                   m_PressTime);
    }
    void SetIcon(const std::vector<uint8_t>& png) override {
        if (png.empty()) {
            gtk_window_set_icon(GTK_WINDOW(m_Window), nullptr);
            return;
        }
        GdkPixbufLoader* loader = gdk_pixbuf_loader_new_with_type("png", nullptr);
        if (!loader) return;
        if (gdk_pixbuf_loader_write(loader, png.data(), png.size(), nullptr) &&
            gdk_pixbuf_loader_close(loader, nullptr)) {
            if (GdkPixbuf* pix = gdk_pixbuf_loader_get_pixbuf(loader))
                gtk_window_set_icon(GTK_WINDOW(m_Window), pix);
        } else {
            gdk_pixbuf_loader_close(loader, nullptr);
            LOG(L"window icon is not a PNG");
        }
        g_object_unref(loader);
    }
    void SetRoundCorner(int cx, int cy) override {
        m_Round = {cx, cy};
        ApplyShape();
    }
    std::unique_ptr<ICompanionLayer> CreateCompanionLayer() override {
        auto c = std::make_unique<GtkCompanion>(this);
        m_Companions.push_back(c.get());
        return c;
    }
    double GetScale() const override { return gtk_widget_get_scale_factor(m_Window); }
    std::wstring GetClipboardText() override {
        gchar* text = gtk_clipboard_wait_for_text(gtk_clipboard_get(GDK_SELECTION_CLIPBOARD));
        std::wstring w = text ? Utils::FromUtf8(text) : std::wstring();
        g_free(text);
        return w;
    }
    void SetClipboardText(const std::wstring& text) override {
        std::string u = Utils::ToUtf8(text);
        gtk_clipboard_set_text(gtk_clipboard_get(GDK_SELECTION_CLIPBOARD), u.c_str(),
                               static_cast<gint>(u.size()));
    }
    void SetTextInput(bool active, const UIRect& caret) override {
        if (active != m_TextInput) {
            m_TextInput = active;
            if (!active) gtk_im_context_reset(m_Im);
            if (m_HasFocus) {
                if (active) {
                    gtk_im_context_focus_in(m_Im);
                } else {
                    gtk_im_context_focus_out(m_Im);
                }
            }
        }
        if (active) {
            GdkRectangle r{caret.left, caret.top, std::max(1, caret.Width()),
                           std::max(1, caret.Height())};
            gtk_im_context_set_cursor_location(m_Im, &r);
        }
    }

    void ForgetCompanion(GtkCompanion* c) {
        m_Companions.erase(std::remove(m_Companions.begin(), m_Companions.end(), c),
                           m_Companions.end());
    }
    GtkWidget* Widget() const { return m_Window; }

private:
    // The time stamp a request to come to the front carries. Inside an input
    // event it is that event's; otherwise (a timer) it is the X server's time
    // now, since "no time" lets window managers with focus-stealing
    // prevention ignore the request.
    guint32 PresentTime() {
        guint32 t = gtk_get_current_event_time();
        if (t != GDK_CURRENT_TIME) return t;
#ifdef GDK_WINDOWING_X11
        GdkWindow* w = gtk_widget_get_window(m_Window);
        if (w && GDK_IS_X11_WINDOW(w)) {
            // The server answers a property change; without this mask the
            // round trip would wait for ever.
            gdk_window_set_events(
                w, static_cast<GdkEventMask>(gdk_window_get_events(w) | GDK_PROPERTY_CHANGE_MASK));
            return gdk_x11_get_server_time(w);
        }
#endif
        return GDK_CURRENT_TIME;
    }
    // Cuts the corners of the window's shape along the ellipse of the
    // layout's "roundcorner", row by row.
    void ApplyShape() {
        int w = m_Bounds.Width(), h = m_Bounds.Height();
        if (m_Round.cx <= 0 || m_Round.cy <= 0 || w <= 0 || h <= 0) {
            gtk_widget_shape_combine_region(m_Window, nullptr);
            return;
        }
        cairo_rectangle_int_t all{0, 0, w, h};
        cairo_region_t* region = cairo_region_create_rectangle(&all);
        double rx = m_Round.cx / 2.0, ry = m_Round.cy / 2.0;
        for (int y = 0; y < static_cast<int>(std::ceil(ry)) && y < h / 2; ++y) {
            double dy = (ry - (y + 0.5)) / ry;
            int inset =
                static_cast<int>(std::lround(rx - rx * std::sqrt(std::max(0.0, 1.0 - dy * dy))));
            if (inset <= 0) continue;
            cairo_rectangle_int_t cut[4] = {{0, y, inset, 1},
                                            {w - inset, y, inset, 1},
                                            {0, h - 1 - y, inset, 1},
                                            {w - inset, h - 1 - y, inset, 1}};
            for (auto& r : cut) cairo_region_subtract_rectangle(region, &r);
        }
        gtk_widget_shape_combine_region(m_Window, region);
        cairo_region_destroy(region);
    }
    void FollowCompanions() {
        for (GtkCompanion* c : m_Companions) c->Follow(m_Bounds);
    }
    static uint32_t Modifiers(guint state) {
        uint32_t m = 0;
        if (state & GDK_SHIFT_MASK) m |= MK_SHIFT;
        if (state & GDK_CONTROL_MASK) m |= MK_CONTROL;
        return m;
    }
    static gboolean OnDraw(GtkWidget*, cairo_t* cr, gpointer p) {
        auto* self = static_cast<GtkHost*>(p);
        double x1, y1, x2, y2;
        cairo_clip_extents(cr, &x1, &y1, &x2, &y2);
        UIRect dirty{static_cast<int>(x1), static_cast<int>(y1), static_cast<int>(x2 + 0.999),
                     static_cast<int>(y2 + 0.999)};
        self->m_Sink->OnHostPaint(cr, dirty);
        return TRUE;
    }
    static gboolean OnButton(GtkWidget*, GdkEventButton* e, gpointer p) {
        auto* self = static_cast<GtkHost*>(p);
        if (!self->m_InputEnabled || e->button != 1) return TRUE;
        LParam pos = MakeLParam(static_cast<int>(e->x), static_cast<int>(e->y));
        if (e->type == GDK_BUTTON_PRESS) {
            self->m_PressRootX = static_cast<int>(e->x_root);
            self->m_PressRootY = static_cast<int>(e->y_root);
            self->m_PressTime = e->time;
            gtk_widget_grab_focus(self->m_Area);
            self->m_Sink->OnHostMessage(WM_LBUTTONDOWN, MK_LBUTTON | Modifiers(e->state), pos);
        } else if (e->type == GDK_2BUTTON_PRESS) {
            self->m_Sink->OnHostMessage(WM_LBUTTONDBLCLK, MK_LBUTTON | Modifiers(e->state), pos);
        } else if (e->type == GDK_BUTTON_RELEASE) {
            self->m_Sink->OnHostMessage(WM_LBUTTONUP, Modifiers(e->state), pos);
        }
        return TRUE;
    }
    static gboolean OnMotion(GtkWidget*, GdkEventMotion* e, gpointer p) {
        auto* self = static_cast<GtkHost*>(p);
        if (!self->m_InputEnabled) return TRUE;
        self->m_Sink->OnHostMessage(WM_MOUSEMOVE, Modifiers(e->state),
                                    MakeLParam(static_cast<int>(e->x), static_cast<int>(e->y)));
        return TRUE;
    }
    static gboolean OnLeave(GtkWidget*, GdkEventCrossing*, gpointer p) {
        static_cast<GtkHost*>(p)->m_Sink->OnHostMessage(WM_MOUSELEAVE, 0, 0);
        return TRUE;
    }
    static gboolean OnKey(GtkWidget*, GdkEventKey* e, gpointer p) {
        auto* self = static_cast<GtkHost*>(p);
        if (!self->m_InputEnabled) return TRUE;
        uint32_t mods = Modifiers(e->state);
        // While an edit has the focus, printable keys reach it as text
        // through the input method; otherwise they are keys (Space on a
        // button presses it, no composing starts).
        if (self->m_TextInput && !(mods & MK_CONTROL) &&
            gtk_im_context_filter_keypress(self->m_Im, e))
            return TRUE;
        if (WParam vk = VirtualKeyOf(e->keyval)) self->m_Sink->OnHostMessage(WM_KEYDOWN, vk, mods);
        return TRUE;
    }
    static gboolean OnKeyRelease(GtkWidget*, GdkEventKey* e, gpointer p) {
        auto* self = static_cast<GtkHost*>(p);
        // Some input methods finish a character on the release.
        if (self->m_InputEnabled && self->m_TextInput)
            gtk_im_context_filter_keypress(self->m_Im, e);
        return TRUE;
    }
    static void OnCommit(GtkIMContext*, const gchar* text, gpointer p) {
        auto* self = static_cast<GtkHost*>(p);
        for (wchar_t c : Utils::FromUtf8(text ? text : ""))
            self->m_Sink->OnHostMessage(WM_CHAR, static_cast<WParam>(c), 0);
    }
    static void OnRealize(GtkWidget* w, gpointer p) {
        gtk_im_context_set_client_window(static_cast<GtkHost*>(p)->m_Im, gtk_widget_get_window(w));
    }
    static gboolean OnFocus(GtkWidget*, GdkEventFocus* e, gpointer p) {
        auto* self = static_cast<GtkHost*>(p);
        self->m_HasFocus = e->in;
        if (!self->m_TextInput) return FALSE;
        if (e->in) {
            gtk_im_context_focus_in(self->m_Im);
        } else {
            gtk_im_context_focus_out(self->m_Im);
        }
        return FALSE;
    }
    static gboolean OnConfigure(GtkWidget*, GdkEventConfigure* e, gpointer p) {
        auto* self = static_cast<GtkHost*>(p);
        if (e->x != self->m_Bounds.left || e->y != self->m_Bounds.top) {
            self->m_Bounds =
                self->m_Bounds.Offset(e->x - self->m_Bounds.left, e->y - self->m_Bounds.top);
            self->m_Sink->OnHostMessage(WM_MOVE, 0, MakeLParam(e->x, e->y));
            self->FollowCompanions();
        }
        return FALSE;
    }
    static gboolean OnDelete(GtkWidget*, GdkEvent*, gpointer p) {
        // The window decides; WM_CLOSE destroys it unless a handler refuses.
        static_cast<GtkHost*>(p)->m_Sink->OnHostMessage(WM_CLOSE, IDCANCEL, 0);
        return TRUE;
    }
    static gboolean OnState(GtkWidget*, GdkEventWindowState* e, gpointer p) {
        auto* self = static_cast<GtkHost*>(p);
        bool minimized = (e->new_window_state & GDK_WINDOW_STATE_ICONIFIED) != 0;
        if (minimized != self->m_Minimized) {
            self->m_Minimized = minimized;
            self->m_Sink->OnHostMessage(
                WM_SIZE, minimized ? SIZE_MINIMIZED : SIZE_RESTORED,
                MakeLParam(self->m_Bounds.Width(), self->m_Bounds.Height()));
        }
        return FALSE;
    }

    IWindowHostSink* m_Sink;
    GtkWidget* m_Window;
    GtkWidget* m_Area;
    GtkIMContext* m_Im = nullptr;
    UIRect m_Bounds;
    UISize m_Round;
    bool m_Shown = false;
    bool m_Minimized = false;
    bool m_InputEnabled = true;
    bool m_TextInput = false;
    bool m_HasFocus = false;
    int m_PressRootX = 0, m_PressRootY = 0;
    guint32 m_PressTime = 0;
    std::vector<GtkCompanion*> m_Companions;
};

GtkCompanion::GtkCompanion(GtkHost* owner) : m_Owner(owner) {
    GdkScreen* screen = gtk_widget_get_screen(owner->Widget());
    GdkVisual* rgba = gdk_screen_get_rgba_visual(screen);
    m_Supported = rgba && gdk_screen_is_composited(screen);
#ifdef GDK_WINDOWING_X11
    // A Wayland client cannot place a second window beside its own: the
    // compositor would put the shadow anywhere. Such sessions get none.
    if (!GDK_IS_X11_DISPLAY(gdk_screen_get_display(screen))) m_Supported = false;
#else
    m_Supported = false;
#endif
    m_Window = gtk_window_new(GTK_WINDOW_POPUP);
    if (rgba) gtk_widget_set_visual(m_Window, rgba);
    gtk_widget_set_app_paintable(m_Window, TRUE);
    gtk_window_set_accept_focus(GTK_WINDOW(m_Window), FALSE);
    gtk_window_set_transient_for(GTK_WINDOW(m_Window), GTK_WINDOW(owner->Widget()));
    g_signal_connect(m_Window, "draw", G_CALLBACK(&GtkCompanion::OnDraw), this);
}

GtkCompanion::~GtkCompanion() {
    if (m_Owner) m_Owner->ForgetCompanion(this);
    g_signal_handlers_disconnect_by_data(m_Window, this);
    gtk_widget_destroy(m_Window);
    if (m_Surface) cairo_surface_destroy(m_Surface);
}

void GtkCompanion::Update(cairo_surface_t* argb, int dx, int dy) {
    if (m_Surface) cairo_surface_destroy(m_Surface);
    m_Surface = nullptr;
    m_Dx = dx;
    m_Dy = dy;
    if (argb) {
        m_Surface = CopyImageSurface(argb);
        int w = cairo_image_surface_get_width(argb), h = cairo_image_surface_get_height(argb);
        gtk_widget_set_size_request(m_Window, w, h);
        gtk_window_resize(GTK_WINDOW(m_Window), w, h);
    }
    if (m_Owner) Follow(m_Owner->GetBounds());
    gtk_widget_queue_draw(m_Window);
}

void GtkCompanion::SetVisible(bool visible) {
    m_Visible = visible && m_Supported;
    if (m_Visible) {
        gtk_widget_show(m_Window);
        // No input region: clicks fall through to what lies beneath.
        cairo_region_t* empty = cairo_region_create();
        gdk_window_input_shape_combine_region(gtk_widget_get_window(m_Window), empty, 0, 0);
        cairo_region_destroy(empty);
    } else {
        gtk_widget_hide(m_Window);
    }
}

void GtkCompanion::Follow(const UIRect& ownerBounds) {
    gtk_window_move(GTK_WINDOW(m_Window), ownerBounds.left + m_Dx, ownerBounds.top + m_Dy);
}

gboolean GtkCompanion::OnDraw(GtkWidget*, cairo_t* cr, gpointer p) {
    auto* self = static_cast<GtkCompanion*>(p);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    if (self->m_Surface) {
        cairo_set_source_surface(cr, self->m_Surface, 0, 0);
    } else {
        cairo_set_source_rgba(cr, 0, 0, 0, 0);
    }
    cairo_paint(cr);
    return TRUE;
}

class GtkBackendImpl : public IBackend {
public:
    const char* Name() const override { return "gtk"; }
    std::unique_ptr<IWindowHost> CreateHost(IWindowHostSink* sink, IWindowHost* owner) override {
        return std::make_unique<GtkHost>(sink, static_cast<GtkHost*>(owner));
    }
    UIRect GetWorkArea(const UIRect& near) override {
        GdkDisplay* display = gdk_display_get_default();
        GdkMonitor* monitor = gdk_display_get_monitor_at_point(
            display, near.left + near.Width() / 2, near.top + near.Height() / 2);
        if (!monitor) monitor = gdk_display_get_primary_monitor(display);
        if (!monitor) return {0, 0, 1024, 768};
        GdkRectangle wa;
        gdk_monitor_get_workarea(monitor, &wa);
        return {wa.x, wa.y, wa.x + wa.width, wa.y + wa.height};
    }
    void ShowMessageBox(const std::wstring& text, const std::wstring& caption) override {
        GtkWidget* dialog =
            gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, GTK_MESSAGE_ERROR, GTK_BUTTONS_OK,
                                   "%s", Utils::ToUtf8(text).c_str());
        gtk_window_set_title(GTK_WINDOW(dialog), Utils::ToUtf8(caption).c_str());
        gtk_dialog_run(GTK_DIALOG(dialog));
        gtk_widget_destroy(dialog);
    }
    bool ChooseFolder(IWindowHost* owner, const std::wstring& title, std::wstring* path) override {
        GtkWindow* parent = owner ? GTK_WINDOW(static_cast<GtkHost*>(owner)->Widget()) : nullptr;
        GtkFileChooserNative* chooser =
            gtk_file_chooser_native_new(Utils::ToUtf8(title).c_str(), parent,
                                        GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER, nullptr, nullptr);
        gtk_native_dialog_set_modal(GTK_NATIVE_DIALOG(chooser), TRUE);
        // Opened where the caller's folder is, or would be once made.
        std::string start = Utils::ToUtf8(*path);
        while (!start.empty() && !g_file_test(start.c_str(), G_FILE_TEST_IS_DIR)) {
            size_t slash = start.find_last_of('/');
            if (slash == std::string::npos) {
                start.clear();
            } else {
                start.resize(slash == 0 ? 1 : slash);
            }
        }
        if (start.empty()) start = g_get_home_dir();
        gchar* local = g_filename_from_utf8(start.c_str(), -1, nullptr, nullptr, nullptr);
        if (local) gtk_file_chooser_set_current_folder(GTK_FILE_CHOOSER(chooser), local);
        g_free(local);
        ChooserState state;
        g_signal_connect(chooser, "response", G_CALLBACK(&GtkBackendImpl::OnChooserResponse),
                         &state);
        // The owner going away ends the chooser as a cancel.
        gulong ownerGone = parent
                               ? g_signal_connect(parent, "destroy",
                                                  G_CALLBACK(&GtkBackendImpl::OnOwnerGone), &state)
                               : 0;
        if (parent) g_object_ref(parent);
        gtk_native_dialog_show(GTK_NATIVE_DIALOG(chooser));
        // The toolkit's own loop waits in GLib, so the dialog, posted
        // messages and timers are all served meanwhile.
        CMessageLoop& loop = CMessageLoop::Instance();
        loop.Run([&] { return !state.done; });
        if (parent) {
            g_signal_handler_disconnect(parent, ownerGone);
            g_object_unref(parent);
        }
        bool ok = false;
        if (state.response == GTK_RESPONSE_ACCEPT) {
            if (gchar* name = gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(chooser))) {
                gchar* utf8 = g_filename_to_utf8(name, -1, nullptr, nullptr, nullptr);
                if (utf8) {
                    *path = Utils::FromUtf8(utf8);
                    ok = !path->empty();
                } else {
                    LOG(L"the chosen folder's name is not valid in the file-name encoding");
                }
                g_free(utf8);
                g_free(name);
            }
        }
        if (!state.done) gtk_native_dialog_hide(GTK_NATIVE_DIALOG(chooser));
        g_signal_handlers_disconnect_by_data(chooser, &state);
        gtk_native_dialog_destroy(GTK_NATIVE_DIALOG(chooser));
        g_object_unref(chooser);
        return ok;
    }
    ILoopWaiter* Waiter() override { return &m_Waiter; }

private:
    struct ChooserState {
        bool done = false;
        int response = GTK_RESPONSE_CANCEL;
    };
    static void OnChooserResponse(GtkNativeDialog*, gint response, gpointer p) {
        auto* state = static_cast<ChooserState*>(p);
        state->done = true;
        state->response = response;
    }
    static void OnOwnerGone(GtkWidget*, gpointer p) {
        auto* state = static_cast<ChooserState*>(p);
        state->done = true;
        state->response = GTK_RESPONSE_CANCEL;
    }
    GtkLoopWaiter m_Waiter;
};

}  // namespace

bool UseGtkBackend(std::string* error) {
    // Windows are placed by the program (centring, the shadow beside its
    // owner), which only X11 allows: under Wayland take XWayland when it is
    // there. A GDK_BACKEND the user set wins.
    const char* chosen = std::getenv("GDK_BACKEND");
    if (!chosen || !*chosen) gdk_set_allowed_backends("x11,*");
    if (!gtk_init_check(nullptr, nullptr)) {
        if (error) *error = "cannot open a display (DISPLAY is not set or not reachable)";
        return false;
    }
    // gtk_init sets the whole locale from the environment; numbers stay in
    // the C locale, as the rest of the program reads and writes them.
    std::setlocale(LC_NUMERIC, "C");
    SetBackend(std::make_unique<GtkBackendImpl>());
    return true;
}

}  // namespace Toolkit
