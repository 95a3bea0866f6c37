#include "toolkit/UICanvas.h"

#include <algorithm>
#include <cmath>

namespace Toolkit {

void CCanvas::SetSourceColor(cairo_t* cr, UIColor c) {
    cairo_set_source_rgba(cr, ((c >> 16) & 0xFF) / 255.0, ((c >> 8) & 0xFF) / 255.0,
                          (c & 0xFF) / 255.0, ((c >> 24) & 0xFF) / 255.0);
}

namespace {

// One piece of an image: `src` of the image into `dst`, stretched or
// repeated per axis.
void DrawPiece(cairo_t* cr, cairo_surface_t* img, const UIRect& src, const UIRect& dst, bool xtile,
               bool ytile, double alpha) {
    if (src.IsEmpty() || dst.IsEmpty()) return;
    cairo_save(cr);
    cairo_rectangle(cr, dst.left, dst.top, dst.Width(), dst.Height());
    cairo_clip(cr);
    cairo_surface_t* sub =
        cairo_surface_create_for_rectangle(img, src.left, src.top, src.Width(), src.Height());
    cairo_pattern_t* pat = cairo_pattern_create_for_surface(sub);
    cairo_matrix_t m;
    double sx = xtile ? 1.0 : static_cast<double>(src.Width()) / dst.Width();
    double sy = ytile ? 1.0 : static_cast<double>(src.Height()) / dst.Height();
    cairo_matrix_init_scale(&m, sx, sy);
    cairo_matrix_translate(&m, -dst.left, -dst.top);
    cairo_pattern_set_matrix(pat, &m);
    cairo_pattern_set_extend(pat, (xtile || ytile) ? CAIRO_EXTEND_REPEAT : CAIRO_EXTEND_PAD);
    bool scaled =
        (!xtile && src.Width() != dst.Width()) || (!ytile && src.Height() != dst.Height());
    cairo_pattern_set_filter(pat, scaled ? CAIRO_FILTER_GOOD : CAIRO_FILTER_NEAREST);
    cairo_set_source(cr, pat);
    if (alpha >= 1.0) {
        cairo_paint(cr);
    } else {
        cairo_paint_with_alpha(cr, alpha);
    }
    cairo_pattern_destroy(pat);
    cairo_surface_destroy(sub);
    cairo_restore(cr);
}

}  // namespace

void CCanvas::RoundRectPath(cairo_t* cr, const UIRect& rc, int roundX, int roundY) {
    double rx = std::min(roundX / 2.0, rc.Width() / 2.0),
           ry = std::min(roundY / 2.0, rc.Height() / 2.0);
    if (rx <= 0 || ry <= 0) {
        cairo_rectangle(cr, rc.left, rc.top, rc.Width(), rc.Height());
        return;
    }
    double x = rc.left, y = rc.top, w = rc.Width(), h = rc.Height();
    cairo_new_sub_path(cr);
    cairo_save(cr);
    cairo_translate(cr, x + w - rx, y + ry);
    cairo_scale(cr, rx, ry);
    cairo_arc(cr, 0, 0, 1, -M_PI / 2, 0);
    cairo_restore(cr);
    cairo_save(cr);
    cairo_translate(cr, x + w - rx, y + h - ry);
    cairo_scale(cr, rx, ry);
    cairo_arc(cr, 0, 0, 1, 0, M_PI / 2);
    cairo_restore(cr);
    cairo_save(cr);
    cairo_translate(cr, x + rx, y + h - ry);
    cairo_scale(cr, rx, ry);
    cairo_arc(cr, 0, 0, 1, M_PI / 2, M_PI);
    cairo_restore(cr);
    cairo_save(cr);
    cairo_translate(cr, x + rx, y + ry);
    cairo_scale(cr, rx, ry);
    cairo_arc(cr, 0, 0, 1, M_PI, 3 * M_PI / 2);
    cairo_restore(cr);
    cairo_close_path(cr);
}

void CCanvas::FillRect(cairo_t* cr, const UIRect& rc, UIColor color) {
    if (rc.IsEmpty() || (color >> 24) == 0) return;
    cairo_save(cr);
    SetSourceColor(cr, color);
    cairo_rectangle(cr, rc.left, rc.top, rc.Width(), rc.Height());
    cairo_fill(cr);
    cairo_restore(cr);
}

void CCanvas::FillRoundRect(cairo_t* cr, const UIRect& rc, int roundX, int roundY, UIColor color) {
    if (rc.IsEmpty() || (color >> 24) == 0) return;
    cairo_save(cr);
    SetSourceColor(cr, color);
    RoundRectPath(cr, rc, roundX, roundY);
    cairo_fill(cr);
    cairo_restore(cr);
}

void CCanvas::DrawBorder(cairo_t* cr, const UIRect& rc, int width, int roundX, int roundY,
                         UIColor color) {
    if (width <= 0 || rc.IsEmpty() || (color >> 24) == 0) return;
    cairo_save(cr);
    SetSourceColor(cr, color);
    cairo_set_line_width(cr, width);
    double half = width / 2.0;
    UIRect inner = rc;
    cairo_new_path(cr);
    if (roundX > 0 && roundY > 0) {
        // The path runs through the middle of the frame.
        cairo_translate(cr, half, half);
        inner.right -= width;
        inner.bottom -= width;
        RoundRectPath(cr, inner, roundX, roundY);
    } else {
        cairo_rectangle(cr, rc.left + half, rc.top + half, rc.Width() - width, rc.Height() - width);
    }
    cairo_stroke(cr);
    cairo_restore(cr);
}

bool CCanvas::DrawImage(cairo_t* cr, const UIRect& item, const UIRect& paint,
                        const std::wstring& spec) {
    if (spec.empty()) return false;
    return DrawImage(cr, item, paint, ParseImageSpec(spec));
}

bool CCanvas::DrawImage(cairo_t* cr, const UIRect& item, const UIRect& paint,
                        const TImageSpec& spec) {
    std::shared_ptr<TImageData> img =
        CImageCache::Instance().Get(spec.file, spec.hasMask, spec.mask);
    if (!img) return false;
    UIRect dst = item;
    if (spec.hasDest) {
        dst = {item.left + spec.dest.left, item.top + spec.dest.top, item.left + spec.dest.right,
               item.top + spec.dest.bottom};
        // A destination beyond the control is cut at its edges.
        dst = dst.Intersect(item);
    }
    UIRect src{0, 0, img->width, img->height};
    if (spec.hasSource) src = spec.source.Intersect(src);
    if (dst.IsEmpty() || src.IsEmpty() || spec.fade <= 0) return true;
    UIRect clip = paint.Intersect(dst);
    if (clip.IsEmpty()) return true;
    double alpha = spec.fade / 255.0;
    cairo_save(cr);
    cairo_rectangle(cr, clip.left, clip.top, clip.Width(), clip.Height());
    cairo_clip(cr);
    const UIRect& c = spec.corner;
    if (c.left == 0 && c.top == 0 && c.right == 0 && c.bottom == 0) {
        if (!spec.hole) DrawPiece(cr, img->surface, src, dst, spec.xtiled, spec.ytiled, alpha);
    } else {
        // Corners keep their size; a corner larger than the destination is
        // reduced so that opposite corners meet.
        int cl = std::min(c.left, src.Width()), cr_ = std::min(c.right, src.Width() - cl);
        int ct = std::min(c.top, src.Height()), cb = std::min(c.bottom, src.Height() - ct);
        int dl = cl, dr = cr_, dt = ct, db = cb;
        if (dl + dr > dst.Width()) {
            dl = dst.Width() * cl / std::max(1, cl + cr_);
            dr = dst.Width() - dl;
        }
        if (dt + db > dst.Height()) {
            dt = dst.Height() * ct / std::max(1, ct + cb);
            db = dst.Height() - dt;
        }
        int sx[4] = {src.left, src.left + cl, src.right - cr_, src.right};
        int sy[4] = {src.top, src.top + ct, src.bottom - cb, src.bottom};
        int dx[4] = {dst.left, dst.left + dl, dst.right - dr, dst.right};
        int dy[4] = {dst.top, dst.top + dt, dst.bottom - db, dst.bottom};
        for (int row = 0; row < 3; ++row) {
            for (int col = 0; col < 3; ++col) {
                if (row == 1 && col == 1 && spec.hole) continue;
                UIRect s{sx[col], sy[row], sx[col + 1], sy[row + 1]};
                UIRect d{dx[col], dy[row], dx[col + 1], dy[row + 1]};
                bool xt = spec.xtiled && col == 1;
                bool yt = spec.ytiled && row == 1;
                DrawPiece(cr, img->surface, s, d, xt, yt, alpha);
            }
        }
    }
    cairo_restore(cr);
    return true;
}

}  // namespace Toolkit
