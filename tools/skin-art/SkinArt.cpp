// lumora-skin-art SKIN_DIR RESOURCES_DIR
//
// Draws every image the skin layouts name, plus the application icon, with
// Cairo. All art comes from one palette so the windows look like one product:
// a deep indigo brand, a luminous sky blue and a warm amber accent. Images hold
// no text; the layouts carry every word.
//
// Exit status 0 when every file was written, 1 with a message otherwise.

#include <cairo.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
constexpr double kPi = 3.14159265358979323846;

struct Rgb {
    double r, g, b;
};

constexpr Rgb Hex(uint32_t v) {
    return {((v >> 16) & 0xFF) / 255.0, ((v >> 8) & 0xFF) / 255.0, (v & 0xFF) / 255.0};
}

// The palette.
constexpr Rgb kIndigoDeep = Hex(0x141A52);
constexpr Rgb kIndigo = Hex(0x24309A);
constexpr Rgb kBrand = Hex(0x3A4FE0);
constexpr Rgb kBrandLight = Hex(0x5F7FFF);
constexpr Rgb kSky = Hex(0x8FB4FF);
constexpr Rgb kAmber = Hex(0xFFB84D);
constexpr Rgb kOrange = Hex(0xFF7A3D);
constexpr Rgb kCoral = Hex(0xF0524A);
constexpr Rgb kWhite = Hex(0xFFFFFF);
constexpr Rgb kPaper = Hex(0xF6F8FD);
constexpr Rgb kLine = Hex(0xD3D9E8);
constexpr Rgb kMuted = Hex(0xB9C0D3);

void Source(cairo_t* cr, Rgb c, double a = 1.0) { cairo_set_source_rgba(cr, c.r, c.g, c.b, a); }
void Stop(cairo_pattern_t* p, double at, Rgb c, double a = 1.0) {
    cairo_pattern_add_color_stop_rgba(p, at, c.r, c.g, c.b, a);
}
Rgb Mix(Rgb a, Rgb b, double t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

void RoundRect(cairo_t* cr, double x, double y, double w, double h, double r) {
    r = std::min(r, std::min(w, h) / 2);
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + w - r, y + r, r, -kPi / 2, 0);
    cairo_arc(cr, x + w - r, y + h - r, r, 0, kPi / 2);
    cairo_arc(cr, x + r, y + h - r, r, kPi / 2, kPi);
    cairo_arc(cr, x + r, y + r, r, kPi, 3 * kPi / 2);
    cairo_close_path(cr);
}

// A soft round glow: full colour at the centre fading to nothing at radius.
void Glow(cairo_t* cr, double cx, double cy, double radius, Rgb c, double a) {
    cairo_pattern_t* p = cairo_pattern_create_radial(cx, cy, 0, cx, cy, radius);
    Stop(p, 0, c, a);
    Stop(p, 0.45, c, a * 0.45);
    Stop(p, 1, c, 0);
    cairo_set_source(cr, p);
    cairo_arc(cr, cx, cy, radius, 0, 2 * kPi);
    cairo_fill(cr);
    cairo_pattern_destroy(p);
}

// A four-pointed sparkle, the "light" of the Lumora mark.
void Sparkle(cairo_t* cr, double cx, double cy, double r, double waist) {
    cairo_new_path(cr);
    cairo_move_to(cr, cx, cy - r);
    cairo_curve_to(cr, cx + waist, cy - waist, cx + waist, cy - waist, cx + r, cy);
    cairo_curve_to(cr, cx + waist, cy + waist, cx + waist, cy + waist, cx, cy + r);
    cairo_curve_to(cr, cx - waist, cy + waist, cx - waist, cy + waist, cx - r, cy);
    cairo_curve_to(cr, cx - waist, cy - waist, cx - waist, cy - waist, cx, cy - r);
    cairo_close_path(cr);
}

struct Writer {
    fs::path skin;
    fs::path resources;
    int written = 0;
    std::vector<std::string> errors;

    void Save(cairo_surface_t* s, const fs::path& file) {
        std::error_code ec;
        fs::create_directories(file.parent_path(), ec);
        if (ec) {
            errors.push_back(file.string() + ": " + ec.message());
            return;
        }
        cairo_surface_flush(s);
        cairo_status_t st = cairo_surface_write_to_png(s, file.c_str());
        if (st != CAIRO_STATUS_SUCCESS)
            errors.push_back(file.string() + ": " + cairo_status_to_string(st));
        else
            ++written;
    }

    // Draws one image of w x h through fn and writes it under the skin folder.
    void Image(const std::string& rel, int w, int h, const std::function<void(cairo_t*)>& fn,
               bool inResources = false) {
        cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
        cairo_t* cr = cairo_create(s);
        fn(cr);
        if (cairo_status(cr) != CAIRO_STATUS_SUCCESS)
            errors.push_back(rel + ": " + cairo_status_to_string(cairo_status(cr)));
        cairo_destroy(cr);
        Save(s, (inResources ? resources : skin) / rel);
        cairo_surface_destroy(s);
    }
};

// ---------------------------------------------------------------- the mark

// The Lumora mark on a rounded tile: an aura ring opened by a sparkle of
// light. `detail` is false for small sizes, where glows only blur.
void DrawMark(cairo_t* cr, double x, double y, double s, bool detail) {
    cairo_save(cr);
    cairo_translate(cr, x, y);

    // Tile.
    RoundRect(cr, 0, 0, s, s, s * 0.25);
    cairo_pattern_t* tile = cairo_pattern_create_linear(0, 0, s, s);
    Stop(tile, 0, kBrandLight);
    Stop(tile, 0.55, kBrand);
    Stop(tile, 1, Hex(0x2A1E93));
    cairo_set_source(cr, tile);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(tile);
    if (detail) {
        // Sheen from the top-left and a hairline rim that separates the tile
        // from dark backgrounds.
        cairo_save(cr);
        cairo_clip_preserve(cr);
        cairo_pattern_t* sheen =
            cairo_pattern_create_radial(s * 0.2, s * 0.1, 0, s * 0.2, s * 0.1, s * 0.9);
        Stop(sheen, 0, kWhite, 0.28);
        Stop(sheen, 1, kWhite, 0);
        cairo_set_source(cr, sheen);
        cairo_paint(cr);
        cairo_pattern_destroy(sheen);
        cairo_restore(cr);
        cairo_new_path(cr);
        RoundRect(cr, 0.5, 0.5, s - 1, s - 1, s * 0.25);
        Source(cr, kWhite, 0.22);
        cairo_set_line_width(cr, 1);
        cairo_stroke(cr);
    }
    cairo_new_path(cr);

    // Aura ring, open at the top right where the light breaks through.
    const double cx = s * 0.47, cy = s * 0.54, r = s * 0.25;
    cairo_pattern_t* ring = cairo_pattern_create_linear(cx - r, cy + r, cx + r, cy - r);
    Stop(ring, 0, kSky);
    Stop(ring, 0.55, kWhite);
    Stop(ring, 1, kAmber);
    cairo_set_source(cr, ring);
    cairo_set_line_width(cr, s * 0.085);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_arc(cr, cx, cy, r, -kPi * 0.12, -kPi * 0.12 + kPi * 1.62);
    cairo_stroke(cr);
    cairo_pattern_destroy(ring);

    // The sparkle.
    const double sx = s * 0.70, sy = s * 0.31;
    if (detail) Glow(cr, sx, sy, s * 0.22, kAmber, 0.55);
    Sparkle(cr, sx, sy, s * 0.15, s * 0.022);
    cairo_pattern_t* star = cairo_pattern_create_radial(sx, sy, 0, sx, sy, s * 0.15);
    Stop(star, 0, kWhite);
    Stop(star, 0.5, Hex(0xFFF1D6));
    Stop(star, 1, kAmber);
    cairo_set_source(cr, star);
    cairo_fill(cr);
    cairo_pattern_destroy(star);

    // Luminous core.
    if (detail) Glow(cr, cx, cy, s * 0.12, kWhite, 0.55);
    cairo_arc(cr, cx, cy, s * 0.05, 0, 2 * kPi);
    Source(cr, kWhite, 0.95);
    cairo_fill(cr);
    cairo_restore(cr);
}

// ---------------------------------------------------------- backgrounds

// Window art of 600 x 400: an indigo band of `band` pixels on top with a
// curved lower edge, glowing at (gx, gy), over a light body.
void DrawBackground(cairo_t* cr, double band, double gx, double gy, Rgb glow, double glowA,
                    unsigned seed) {
    const double W = 600, H = 400;
    // Body.
    cairo_pattern_t* body = cairo_pattern_create_linear(0, band, 0, H);
    Stop(body, 0, kWhite);
    Stop(body, 1, kPaper);
    cairo_set_source(cr, body);
    cairo_paint(cr);
    cairo_pattern_destroy(body);

    // Band with a gently curved lower edge.
    cairo_save(cr);
    cairo_new_path(cr);
    cairo_move_to(cr, 0, 0);
    cairo_line_to(cr, W, 0);
    cairo_line_to(cr, W, band - 18);
    cairo_curve_to(cr, W * 0.72, band + 14, W * 0.28, band - 16, 0, band + 6);
    cairo_close_path(cr);
    cairo_clip(cr);

    cairo_pattern_t* sky = cairo_pattern_create_linear(0, 0, W * 0.6, band + 120);
    Stop(sky, 0, kIndigoDeep);
    Stop(sky, 0.6, kIndigo);
    Stop(sky, 1, kBrand);
    cairo_set_source(cr, sky);
    cairo_paint(cr);
    cairo_pattern_destroy(sky);

    // Aurora: broad soft glows in the brand's light colours, screened so that
    // they brighten the band instead of muddying it.
    cairo_set_operator(cr, CAIRO_OPERATOR_SCREEN);
    Glow(cr, W * 0.08, band * 0.95, band * 1.1, kBrandLight, 0.45);
    Glow(cr, W * 0.95, -10, band * 0.9, kAmber, 0.30);
    // Two ribbons of light sweeping across the band, drawn small and scaled up
    // so that their edges melt like an aurora.
    {
        const double k6 = 8;
        cairo_surface_t* small =
            cairo_image_surface_create(CAIRO_FORMAT_ARGB32, int(W / k6) + 2, int(band / k6) + 4);
        cairo_t* sc = cairo_create(small);
        cairo_scale(sc, 1 / k6, 1 / k6);
        for (int k = 0; k < 2; ++k) {
            const double y0 = band * (0.55 + 0.2 * k), lift = band * (0.35 - 0.1 * k);
            const double thick = band * (0.2 - 0.06 * k);
            cairo_new_path(sc);
            cairo_move_to(sc, -20, y0);
            cairo_curve_to(sc, W * 0.3, y0 - lift, W * 0.62, y0 + lift * 0.5, W + 20,
                           y0 - lift * 0.9);
            cairo_line_to(sc, W + 20, y0 - lift * 0.9 + thick);
            cairo_curve_to(sc, W * 0.62, y0 + lift * 0.5 + thick * 1.6, W * 0.3,
                           y0 - lift + thick * 0.6, -20, y0 + thick * 0.5);
            cairo_close_path(sc);
            cairo_pattern_t* rib = cairo_pattern_create_linear(0, 0, W, 0);
            Stop(rib, 0, kSky, 0.0);
            Stop(rib, 0.35, kSky, 0.30 - 0.1 * k);
            Stop(rib, 0.75, kAmber, 0.22 - 0.08 * k);
            Stop(rib, 1, kAmber, 0.0);
            cairo_set_source(sc, rib);
            cairo_fill(sc);
            cairo_pattern_destroy(rib);
        }
        cairo_destroy(sc);
        cairo_save(cr);
        cairo_scale(cr, k6, k6);
        cairo_set_source_surface(cr, small, 0, 0);
        cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
        cairo_paint(cr);
        cairo_restore(cr);
        cairo_surface_destroy(small);
    }
    Glow(cr, gx, gy, band * 0.62, glow, glowA);
    cairo_set_operator(cr, CAIRO_OPERATOR_OVER);

    // Fine concentric arcs around the focus: light spreading outwards.
    cairo_set_line_width(cr, 1);
    for (int i = 0; i < 6; ++i) {
        Source(cr, kWhite, 0.07 - i * 0.009);
        cairo_new_path(cr);
        cairo_arc(cr, gx, gy, band * 0.42 + i * band * 0.17, 0, 2 * kPi);
        cairo_stroke(cr);
    }

    // A scatter of small points of light (fixed seed: the art is reproducible).
    unsigned state = seed;
    auto next = [&state]() {
        state = state * 1103515245u + 12345u;
        return ((state >> 8) & 0xFFFF) / 65535.0;
    };
    for (int i = 0; i < 46; ++i) {
        double x = next() * W, y = 36 + next() * (band - 50), rr = 0.6 + next() * 1.2;
        double a = 0.15 + next() * 0.45;
        if (std::hypot(x - gx, y - gy) < band * 0.36) continue;
        Source(cr, kWhite, a);
        cairo_arc(cr, x, y, rr, 0, 2 * kPi);
        cairo_fill(cr);
    }
    cairo_restore(cr);

    // Luminous rim along the curved edge.
    cairo_new_path(cr);
    cairo_move_to(cr, W, band - 18);
    cairo_curve_to(cr, W * 0.72, band + 14, W * 0.28, band - 16, 0, band + 6);
    cairo_pattern_t* rim = cairo_pattern_create_linear(0, 0, W, 0);
    Stop(rim, 0, kSky, 0.0);
    Stop(rim, 0.5, kSky, 0.85);
    Stop(rim, 1, kAmber, 0.0);
    cairo_set_source(cr, rim);
    cairo_set_line_width(cr, 1.5);
    cairo_stroke(cr);
    cairo_pattern_destroy(rim);

    // Hairline frame of the window.
    cairo_rectangle(cr, 0.5, 0.5, W - 1, H - 1);
    Source(cr, kIndigoDeep, 0.35);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
}

// -------------------------------------------------------------- buttons

enum class State { Normal, Hot, Pushed, Disabled };
const char* kStateName[] = {"normal", "hot", "pushed", "disabled"};

// The warm primary pill ("install now", "try it now").
void DrawPrimary(cairo_t* cr, int w, int h, State st) {
    Rgb top = kAmber, bottom = kOrange;
    double lift = 0;
    switch (st) {
        case State::Normal:
            break;
        case State::Hot:
            top = Mix(kAmber, kWhite, 0.18);
            bottom = Mix(kOrange, kWhite, 0.12);
            break;
        case State::Pushed:
            top = Mix(kAmber, Hex(0xC05020), 0.25);
            bottom = Mix(kOrange, Hex(0xA03A18), 0.3);
            lift = 1;
            break;
        case State::Disabled:
            top = Hex(0xD3D7E2);
            bottom = Hex(0xBFC4D2);
            break;
    }
    // A soft warm glow beneath the pill lifts it off the page; the pill keeps
    // the upper part of the image (the layouts pad the text to match).
    const double px = 4, py = 1, pw = w - 8, ph = h - 8;
    const double glow = st == State::Normal   ? 0.5
                        : st == State::Hot    ? 0.65
                        : st == State::Pushed ? 0.2
                                              : 0.0;
    if (glow > 0) {
        const int k = 4;
        cairo_surface_t* small =
            cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w / k + 2, h / k + 2);
        cairo_t* sc = cairo_create(small);
        cairo_scale(sc, 1.0 / k, 1.0 / k);
        RoundRect(sc, px + 12, py + ph * 0.4, pw - 24, ph * 0.6 + 3, ph * 0.3);
        Source(sc, kOrange, glow);
        cairo_fill(sc);
        cairo_destroy(sc);
        cairo_save(cr);
        cairo_scale(cr, k, k);
        cairo_set_source_surface(cr, small, 0, 0);
        cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
        cairo_paint(cr);
        cairo_restore(cr);
        cairo_surface_destroy(small);
    }
    const double r = ph / 2.0;
    RoundRect(cr, px, py + lift, pw, ph - lift, r);
    cairo_pattern_t* p = cairo_pattern_create_linear(0, py, 0, py + ph);
    Stop(p, 0, top);
    Stop(p, 1, bottom);
    cairo_set_source(cr, p);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(p);
    // Rim: darker below for depth, none when pushed in.
    Source(cr, st == State::Disabled ? Hex(0xAEB4C4) : Hex(0xD9652E),
           st == State::Pushed ? 0.6 : 0.45);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    if (st != State::Pushed && st != State::Disabled) {
        // Top highlight.
        RoundRect(cr, px + 2, py + 1, pw - 4, ph / 2.0 - 1, r - 2);
        cairo_pattern_t* hl = cairo_pattern_create_linear(0, py + 1, 0, py + ph / 2.0);
        Stop(hl, 0, kWhite, st == State::Hot ? 0.42 : 0.32);
        Stop(hl, 1, kWhite, 0);
        cairo_set_source(cr, hl);
        cairo_fill(cr);
        cairo_pattern_destroy(hl);
    }
}

// Window buttons (close, minimise, back) on the indigo title band.
void DrawTitleButton(cairo_t* cr, int s, State st, bool danger) {
    if (st == State::Hot || st == State::Pushed) {
        RoundRect(cr, 2, 2, s - 4, s - 4, 4);
        if (danger)
            Source(cr, st == State::Hot ? kCoral : Mix(kCoral, Hex(0x7A1A14), 0.3));
        else
            Source(cr, kWhite, st == State::Hot ? 0.16 : 0.26);
        cairo_fill(cr);
    }
    Source(cr, kWhite, st == State::Normal ? 0.82 : 1.0);
}

void DrawClose(cairo_t* cr, int s, State st) {
    DrawTitleButton(cr, s, st, true);
    const double a = s / 2.0 - 5, b = s / 2.0 + 5;
    cairo_set_line_width(cr, 1.6);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_move_to(cr, a, a);
    cairo_line_to(cr, b, b);
    cairo_move_to(cr, b, a);
    cairo_line_to(cr, a, b);
    cairo_stroke(cr);
}

void DrawMinimise(cairo_t* cr, int s, State st) {
    DrawTitleButton(cr, s, st, false);
    // Two pixels high, on the pixel grid: crisp at 1x.
    cairo_rectangle(cr, s / 2 - 5, s / 2, 10, 2);
    cairo_fill(cr);
}

void DrawBack(cairo_t* cr, int s, State st) {
    DrawTitleButton(cr, s, st, false);
    cairo_set_line_width(cr, 2);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    const double c = s / 2.0;
    cairo_move_to(cr, c + 2.5, c - 6);
    cairo_line_to(cr, c - 3.5, c);
    cairo_line_to(cr, c + 2.5, c + 6);
    cairo_stroke(cr);
}

// The folder chooser button beside the path edit (same height as the edit).
void DrawFolderButton(cairo_t* cr, int w, int h, State st) {
    RoundRect(cr, 0.5, 0.5, w - 1, h - 1, 4);
    Source(cr, st == State::Pushed ? Hex(0xE6EBFB) : (st == State::Hot ? Hex(0xF1F4FF) : kWhite));
    cairo_fill_preserve(cr);
    Source(cr, st == State::Normal ? kLine : (st == State::Disabled ? Hex(0xE3E6EE) : kBrandLight));
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    // Folder glyph.
    const double x = w / 2.0 - 9, y = h / 2.0 - 7;
    Rgb ink = st == State::Disabled ? kMuted : (st == State::Normal ? kBrand : kBrandLight);
    cairo_new_path(cr);
    cairo_move_to(cr, x, y + 2);
    cairo_line_to(cr, x + 6, y + 2);
    cairo_line_to(cr, x + 8, y + 4);
    cairo_line_to(cr, x + 18, y + 4);
    cairo_line_to(cr, x + 18, y + 14);
    cairo_line_to(cr, x, y + 14);
    cairo_close_path(cr);
    Source(cr, ink, 0.25);
    cairo_fill_preserve(cr);
    Source(cr, ink);
    cairo_set_line_width(cr, 1.5);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_stroke(cr);
    cairo_move_to(cr, x, y + 7);
    cairo_line_to(cr, x + 18, y + 7);
    cairo_stroke(cr);
}

// Check box marks, 16 x 16.
void DrawCheck(cairo_t* cr, State st, bool selected) {
    if (selected) {
        RoundRect(cr, 1, 1, 14, 14, 3);
        cairo_pattern_t* p = cairo_pattern_create_linear(0, 1, 0, 15);
        Stop(p, 0, st == State::Hot ? Mix(kBrandLight, kWhite, 0.15) : kBrandLight);
        Stop(p, 1, kBrand);
        cairo_set_source(cr, p);
        cairo_fill(cr);
        cairo_pattern_destroy(p);
        Source(cr, kWhite);
        cairo_set_line_width(cr, 1.8);
        cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
        cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
        cairo_move_to(cr, 4.2, 8.2);
        cairo_line_to(cr, 7, 11);
        cairo_line_to(cr, 11.8, 5.2);
        cairo_stroke(cr);
    } else {
        RoundRect(cr, 1.5, 1.5, 13, 13, 3);
        Source(cr, kWhite);
        cairo_fill_preserve(cr);
        Source(cr, st == State::Hot ? kBrandLight : Hex(0xB3BBD0));
        cairo_set_line_width(cr, 1);
        cairo_stroke(cr);
    }
}

// ------------------------------------------------------------ the rest

void DrawEditFrame(cairo_t* cr, int s, bool hot) {
    RoundRect(cr, 0.5, 0.5, s - 1, s - 1, 4);
    Source(cr, kWhite);
    cairo_fill_preserve(cr);
    Source(cr, hot ? kBrandLight : kLine);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
}

void DrawProgressTrack(cairo_t* cr, int w, int h) {
    RoundRect(cr, 0, 0, w, h, h / 2.0);
    Source(cr, Hex(0xE3E8F4));
    cairo_fill(cr);
}

void DrawProgressFore(cairo_t* cr, int w, int h) {
    RoundRect(cr, 0, 0, w, h, h / 2.0);
    cairo_pattern_t* p = cairo_pattern_create_linear(0, 0, w, 0);
    Stop(p, 0, Hex(0xFFCF73));
    Stop(p, 1, kOrange);
    cairo_set_source(cr, p);
    cairo_fill(cr);
    cairo_pattern_destroy(p);
    cairo_rectangle(cr, 0, 1, w, h / 2.0 - 1);
    Source(cr, kWhite, 0.25);
    cairo_fill(cr);
}

// Finished mark: a warm luminous disc with a check.
void DrawFinished(cairo_t* cr, int s) {
    const double c = s / 2.0;
    Glow(cr, c, c, c, kAmber, 0.55);
    cairo_arc(cr, c, c, s * 0.33, 0, 2 * kPi);
    cairo_pattern_t* p =
        cairo_pattern_create_linear(c - s * 0.33, c - s * 0.33, c + s * 0.33, c + s * 0.33);
    Stop(p, 0, Hex(0xFFD27A));
    Stop(p, 1, kOrange);
    cairo_set_source(cr, p);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(p);
    Source(cr, kWhite, 0.7);
    cairo_set_line_width(cr, 2);
    cairo_stroke(cr);
    Source(cr, kWhite);
    cairo_set_line_width(cr, s * 0.075);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_move_to(cr, c - s * 0.15, c + s * 0.01);
    cairo_line_to(cr, c - s * 0.04, c + s * 0.12);
    cairo_line_to(cr, c + s * 0.16, c - s * 0.11);
    cairo_stroke(cr);
}

// Tip bubble with its pointer at the bottom left, pointing at the agreement.
void DrawTip(cairo_t* cr, int w, int h) {
    const double body = h - 6;
    cairo_new_path(cr);
    RoundRect(cr, 0.5, 0.5, w - 1, body - 1, 4);
    cairo_move_to(cr, 16, body - 0.5);
    cairo_line_to(cr, 22, h - 0.5);
    cairo_line_to(cr, 28, body - 0.5);
    cairo_close_path(cr);
    Source(cr, Hex(0xFFF4E2));
    cairo_fill_preserve(cr);
    Source(cr, Hex(0xFFC46B));
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    // Cover the seam between the body and the pointer.
    cairo_rectangle(cr, 17, body - 1.5, 10, 2);
    Source(cr, Hex(0xFFF4E2));
    cairo_fill(cr);
}

// Prompt icons, 48 x 48.
void DrawIconQuest(cairo_t* cr) {
    cairo_arc(cr, 24, 24, 21, 0, 2 * kPi);
    cairo_pattern_t* p = cairo_pattern_create_linear(8, 4, 40, 44);
    Stop(p, 0, kBrandLight);
    Stop(p, 1, kIndigo);
    cairo_set_source(cr, p);
    cairo_fill(cr);
    cairo_pattern_destroy(p);
    Source(cr, kWhite);
    cairo_set_line_width(cr, 4.2);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_new_path(cr);
    cairo_arc(cr, 24, 18.5, 6.5, kPi * 1.05, kPi * 2.3);
    cairo_curve_to(cr, 26.5, 24, 24, 24.5, 24, 28);
    cairo_stroke(cr);
    cairo_arc(cr, 24, 34.5, 2.6, 0, 2 * kPi);
    cairo_fill(cr);
}

void DrawIconWarn(cairo_t* cr) {
    cairo_new_path(cr);
    cairo_move_to(cr, 24, 5);
    cairo_line_to(cr, 44, 41);
    cairo_line_to(cr, 4, 41);
    cairo_close_path(cr);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_pattern_t* p = cairo_pattern_create_linear(0, 5, 0, 41);
    Stop(p, 0, Hex(0xFFCB66));
    Stop(p, 1, kOrange);
    cairo_set_source(cr, p);
    cairo_set_line_width(cr, 6);
    cairo_fill_preserve(cr);
    cairo_stroke(cr);
    cairo_pattern_destroy(p);
    Source(cr, kWhite);
    cairo_set_line_width(cr, 4);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_move_to(cr, 24, 17);
    cairo_line_to(cr, 24, 29);
    cairo_stroke(cr);
    cairo_arc(cr, 24, 35.5, 2.5, 0, 2 * kPi);
    cairo_fill(cr);
}

void DrawIconNetwork(cairo_t* cr) {
    cairo_arc(cr, 24, 24, 21, 0, 2 * kPi);
    cairo_pattern_t* p = cairo_pattern_create_linear(8, 4, 40, 44);
    Stop(p, 0, kBrandLight);
    Stop(p, 1, kIndigo);
    cairo_set_source(cr, p);
    cairo_fill(cr);
    cairo_pattern_destroy(p);
    // Signal arcs, the outer ones faded: a weak connection.
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_width(cr, 3.2);
    const double cx = 22, cy = 32;
    const double alpha[] = {1.0, 0.55, 0.3};
    for (int i = 0; i < 3; ++i) {
        Source(cr, kWhite, alpha[i]);
        cairo_new_path(cr);
        cairo_arc(cr, cx, cy, 6 + i * 5.5, kPi * 1.25, kPi * 1.75);
        cairo_stroke(cr);
    }
    Source(cr, kWhite);
    cairo_arc(cr, cx, cy, 2.4, 0, 2 * kPi);
    cairo_fill(cr);
    // Amber badge with an exclamation.
    cairo_arc(cr, 36, 35, 8.5, 0, 2 * kPi);
    Source(cr, kWhite);
    cairo_fill(cr);
    cairo_arc(cr, 36, 35, 7, 0, 2 * kPi);
    Source(cr, kOrange);
    cairo_fill(cr);
    Source(cr, kWhite);
    cairo_set_line_width(cr, 2.2);
    cairo_move_to(cr, 36, 31);
    cairo_line_to(cr, 36, 35.5);
    cairo_stroke(cr);
    cairo_arc(cr, 36, 38.6, 1.3, 0, 2 * kPi);
    cairo_fill(cr);
}

// One frame of the installing animation (160 x 160, transparent): a comet of
// light running round an aura ring while the sparkle at the centre breathes.
void DrawInstallFrame(cairo_t* cr, int frame, int frames) {
    const double c = 80, r = 60;
    const double t = double(frame) / frames;
    // Track.
    cairo_set_line_width(cr, 6);
    Source(cr, kWhite, 0.13);
    cairo_arc(cr, c, c, r, 0, 2 * kPi);
    cairo_stroke(cr);
    // Comet tail: short segments growing brighter towards the head.
    const double head = -kPi / 2 + 2 * kPi * t;
    const double tail = kPi * 1.35;
    const int steps = 90;
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
    for (int i = 0; i < steps; ++i) {
        double f0 = double(i) / steps, f1 = double(i + 1) / steps;
        double a0 = head - tail * (1 - f0), a1 = head - tail * (1 - f1) + 0.004;
        Rgb col = f0 < 0.6 ? Mix(kSky, kWhite, f0 / 0.6) : Mix(kWhite, kAmber, (f0 - 0.6) / 0.4);
        Source(cr, col, std::pow(f0, 1.6));
        cairo_new_path(cr);
        cairo_arc(cr, c, c, r, a0, a1);
        cairo_stroke(cr);
    }
    // Head.
    const double hx = c + r * std::cos(head), hy = c + r * std::sin(head);
    Glow(cr, hx, hy, 16, kAmber, 0.75);
    cairo_arc(cr, hx, hy, 4.5, 0, 2 * kPi);
    Source(cr, kWhite);
    cairo_fill(cr);
    // Breathing sparkle.
    const double pulse = 0.5 + 0.5 * std::cos(2 * kPi * t);
    Glow(cr, c, c, 34 + 6 * pulse, kSky, 0.35 + 0.2 * pulse);
    Sparkle(cr, c, c, 20 + 3 * pulse, 3);
    cairo_pattern_t* star = cairo_pattern_create_radial(c, c, 0, c, c, 23);
    Stop(star, 0, kWhite);
    Stop(star, 0.55, Hex(0xFFF1D6));
    Stop(star, 1, kAmber);
    cairo_set_source(cr, star);
    cairo_fill(cr);
    cairo_pattern_destroy(star);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: lumora-skin-art SKIN_DIR RESOURCES_DIR\n");
        return 1;
    }
    Writer w;
    w.skin = argv[1];
    w.resources = argv[2];

    // Window art.
    w.Image("res/mainWnd/bg1.png", 600, 400,
            [](cairo_t* cr) { DrawBackground(cr, 252, 300, 112, kSky, 0.40, 11); });
    w.Image("res/mainWnd/bg2.png", 600, 400,
            [](cairo_t* cr) { DrawBackground(cr, 104, 92, 62, kSky, 0.30, 23); });
    w.Image("res/mainWnd/bg3.png", 600, 400,
            [](cairo_t* cr) { DrawBackground(cr, 252, 300, 128, kSky, 0.55, 37); });
    w.Image("res/mainWnd/bg4.png", 600, 400,
            [](cairo_t* cr) { DrawBackground(cr, 252, 300, 112, kAmber, 0.38, 51); });

    // The mark.
    w.Image("res/mainWnd/logo.png", 96, 96, [](cairo_t* cr) {
        Glow(cr, 48, 50, 48, kBrandLight, 0.45);
        DrawMark(cr, 12, 12, 72, true);
    });
    w.Image("res/mainWnd/logoMedium.png", 40, 40,
            [](cairo_t* cr) { DrawMark(cr, 2, 2, 36, true); });
    w.Image("res/mainWnd/logoSmall.png", 24, 24,
            [](cairo_t* cr) { DrawMark(cr, 2, 2, 20, false); });
    w.Image(
        "lumora-icon.png", 256, 256, [](cairo_t* cr) { DrawMark(cr, 16, 16, 224, true); }, true);

    for (int i = 0; i < 4; ++i) {
        State st = State(i);
        std::string n = kStateName[i];
        w.Image("res/mainWnd/installBtn_" + n + ".png", 200, 46,
                [st](cairo_t* cr) { DrawPrimary(cr, 200, 46, st); });
        if (st == State::Disabled) continue;  // window buttons have no disabled art
        w.Image("res/common/closeBtn_" + n + ".png", 30, 30,
                [st](cairo_t* cr) { DrawClose(cr, 30, st); });
        w.Image("res/common/minBtn_" + n + ".png", 30, 30,
                [st](cairo_t* cr) { DrawMinimise(cr, 30, st); });
        w.Image("res/mainWnd/backBtn_" + n + ".png", 30, 30,
                [st](cairo_t* cr) { DrawBack(cr, 30, st); });
        w.Image("res/mainWnd/dirBtn_" + n + ".png", 36, 32,
                [st](cairo_t* cr) { DrawFolderButton(cr, 36, 32, st); });
    }
    w.Image("res/mainWnd/dirBtn_disabled.png", 36, 32,
            [](cairo_t* cr) { DrawFolderButton(cr, 36, 32, State::Disabled); });

    w.Image("res/mainWnd/check_normal.png", 16, 16,
            [](cairo_t* cr) { DrawCheck(cr, State::Normal, false); });
    w.Image("res/mainWnd/check_hot.png", 16, 16,
            [](cairo_t* cr) { DrawCheck(cr, State::Hot, false); });
    w.Image("res/mainWnd/check_selected.png", 16, 16,
            [](cairo_t* cr) { DrawCheck(cr, State::Normal, true); });
    w.Image("res/mainWnd/edit_frame.png", 12, 12,
            [](cairo_t* cr) { DrawEditFrame(cr, 12, false); });
    w.Image("res/mainWnd/installPrg1.png", 440, 8,
            [](cairo_t* cr) { DrawProgressTrack(cr, 440, 8); });
    w.Image("res/mainWnd/installPrg2.png", 440, 8,
            [](cairo_t* cr) { DrawProgressFore(cr, 440, 8); });
    w.Image("res/mainWnd/finished.png", 96, 96, [](cairo_t* cr) { DrawFinished(cr, 96); });
    w.Image("res/mainWnd/tip.png", 184, 34, [](cairo_t* cr) { DrawTip(cr, 184, 34); });

    w.Image("res/MessageBoxWnd/icoQuest.png", 48, 48, DrawIconQuest);
    w.Image("res/MessageBoxWnd/icoWarn.png", 48, 48, DrawIconWarn);
    w.Image("res/MessageBoxWnd/icoNetwork.png", 48, 48, DrawIconNetwork);

    const int frames = 25;
    for (int i = 0; i < frames; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "res/mainWnd/installBtnAnimate/%03d.png", i);
        w.Image(name, 160, 160, [i](cairo_t* cr) { DrawInstallFrame(cr, i, frames); });
    }

    for (const std::string& e : w.errors) std::fprintf(stderr, "lumora-skin-art: %s\n", e.c_str());
    if (!w.errors.empty()) return 1;
    std::printf("lumora-skin-art: wrote %d images\n", w.written);
    return 0;
}
