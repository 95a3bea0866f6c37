#include "toolkit/UIRender.h"

#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <cwctype>

#include "toolkit/UIResource.h"
#include "utils/Log.h"
#include "utils/Text.h"

namespace Toolkit {

std::optional<UIColor> ParseColor(const std::wstring& text) {
    std::wstring s = Utils::Trim(text);
    if (!s.empty() && s[0] == L'#') {
        s.erase(0, 1);
    } else if (s.size() > 2 && s[0] == L'0' && (s[1] == L'x' || s[1] == L'X')) {
        s.erase(0, 2);
    }
    if (s.size() != 8 && s.size() != 6) return std::nullopt;
    uint32_t v = 0;
    for (wchar_t c : s) {
        int d;
        if (c >= L'0' && c <= L'9') {
            d = c - L'0';
        } else if (c >= L'a' && c <= L'f') {
            d = c - L'a' + 10;
        } else if (c >= L'A' && c <= L'F') {
            d = c - L'A' + 10;
        } else {
            return std::nullopt;
        }
        v = (v << 4) | static_cast<uint32_t>(d);
    }
    if (s.size() == 6) v |= 0xFF000000u;
    return v;
}

namespace {

// Reads up to `count` signed integers separated by anything that is not a
// digit or a minus sign.
int ReadInts(const std::wstring& text, int* out, int count) {
    int n = 0;
    size_t i = 0;
    while (i < text.size() && n < count) {
        while (i < text.size() &&
               !(std::iswdigit(text[i]) ||
                 (text[i] == L'-' && i + 1 < text.size() && std::iswdigit(text[i + 1])))) {
            ++i;
        }
        if (i >= text.size()) break;
        bool neg = text[i] == L'-';
        if (neg) ++i;
        long v = 0;
        while (i < text.size() && std::iswdigit(text[i])) {
            v = v * 10 + (text[i] - L'0');
            if (v > 1000000) v = 1000000;
            ++i;
        }
        out[n++] = static_cast<int>(neg ? -v : v);
    }
    return n;
}

}  // namespace

UIRect ParseRect(const std::wstring& text) {
    int v[4] = {0, 0, 0, 0};
    ReadInts(text, v, 4);
    return {v[0], v[1], v[2], v[3]};
}

UISize ParseSize(const std::wstring& text) {
    int v[2] = {0, 0};
    ReadInts(text, v, 2);
    return {v[0], v[1]};
}

bool ParseBool(const std::wstring& text) {
    std::wstring s = Utils::Trim(text);
    if (s.size() != 4) return false;
    for (auto& c : s) c = static_cast<wchar_t>(std::towlower(c));
    return s == L"true";
}

int ParseInt(const std::wstring& text) {
    std::wstring s = Utils::TrimLeft(text);
    size_t i = 0;
    bool neg = false;
    if (i < s.size() && (s[i] == L'-' || s[i] == L'+')) neg = s[i++] == L'-';
    long long v = 0;
    while (i < s.size() && std::iswdigit(s[i])) {
        v = v * 10 + (s[i++] - L'0');
        if (v > 0x7FFFFFFF) v = 0x7FFFFFFF;
    }
    return static_cast<int>(neg ? -v : v);
}

TImageSpec ParseImageSpec(const std::wstring& text) {
    TImageSpec spec;
    if (text.find(L'=') == std::wstring::npos) {
        spec.file = Utils::Trim(text);
        return spec;
    }
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && std::iswspace(text[i])) ++i;
        size_t keyStart = i;
        while (i < text.size() && text[i] != L'=' && !std::iswspace(text[i])) ++i;
        std::wstring key = text.substr(keyStart, i - keyStart);
        while (i < text.size() && std::iswspace(text[i])) ++i;
        if (i >= text.size() || text[i] != L'=') {
            if (key.empty()) break;
            continue;
        }
        ++i;
        while (i < text.size() && std::iswspace(text[i])) ++i;
        std::wstring value;
        if (i < text.size() && (text[i] == L'\'' || text[i] == L'"')) {
            wchar_t quote = text[i++];
            size_t end = text.find(quote, i);
            if (end == std::wstring::npos) end = text.size();
            value = text.substr(i, end - i);
            i = end + 1;
        } else {
            size_t start = i;
            while (i < text.size() && !std::iswspace(text[i])) ++i;
            value = text.substr(start, i - start);
        }
        for (auto& c : key) c = static_cast<wchar_t>(std::towlower(c));
        if (key == L"file" || key == L"res") {
            spec.file = value;
        } else if (key == L"dest") {
            spec.dest = ParseRect(value);
            spec.hasDest = true;
        } else if (key == L"source") {
            spec.source = ParseRect(value);
            spec.hasSource = true;
        } else if (key == L"corner") {
            spec.corner = ParseRect(value);
        } else if (key == L"mask") {
            if (auto c = ParseColor(value)) {
                spec.mask = *c;
                spec.hasMask = true;
            }
        } else if (key == L"fade") {
            spec.fade = std::clamp(ParseInt(value), 0, 255);
        } else if (key == L"hole") {
            spec.hole = ParseBool(value);
        } else if (key == L"xtiled") {
            spec.xtiled = ParseBool(value);
        } else if (key == L"ytiled") {
            spec.ytiled = ParseBool(value);
        }
    }
    return spec;
}

namespace {

// Windows faces the layouts may name, and the installed families that stand
// in for them. The CJK face comes first for the Chinese faces so that Latin
// and Chinese text share one look.
struct FaceSubstitute {
    const wchar_t* face;
    const char* families;
};
const FaceSubstitute kFaceSubstitutes[] = {
    {L"微软雅黑", "WenQuanYi Micro Hei, Noto Sans CJK SC, Droid Sans Fallback, sans-serif"},
    {L"microsoft yahei", "WenQuanYi Micro Hei, Noto Sans CJK SC, Droid Sans Fallback, sans-serif"},
    {L"宋体", "WenQuanYi Micro Hei, Noto Serif CJK SC, serif"},
    {L"simsun", "WenQuanYi Micro Hei, Noto Serif CJK SC, serif"},
    {L"黑体", "WenQuanYi Micro Hei, Noto Sans CJK SC, sans-serif"},
    {L"simhei", "WenQuanYi Micro Hei, Noto Sans CJK SC, sans-serif"},
    {L"tahoma", "DejaVu Sans, WenQuanYi Micro Hei, sans-serif"},
    {L"arial", "Liberation Sans, DejaVu Sans, WenQuanYi Micro Hei, sans-serif"},
    {L"segoe ui", "DejaVu Sans, WenQuanYi Micro Hei, sans-serif"},
};

}  // namespace

std::string MapFontFace(const std::wstring& face) {
    std::wstring key = Utils::Trim(face);
    for (auto& c : key) c = static_cast<wchar_t>(std::towlower(c));
    if (key.empty()) return "WenQuanYi Micro Hei, sans-serif";
    for (const auto& s : kFaceSubstitutes) {
        if (key == s.face) return s.families;
    }
    return Utils::ToUtf8(Utils::Trim(face)) + ", WenQuanYi Micro Hei, sans-serif";
}

TImageData::~TImageData() {
    if (surface) cairo_surface_destroy(surface);
}

namespace {

struct PngReader {
    const std::vector<uint8_t>* bytes;
    size_t offset;
};

cairo_status_t ReadPngChunk(void* closure, unsigned char* data, unsigned int length) {
    auto* r = static_cast<PngReader*>(closure);
    if (r->offset + length > r->bytes->size()) return CAIRO_STATUS_READ_ERROR;
    std::memcpy(data, r->bytes->data() + r->offset, length);
    r->offset += length;
    return CAIRO_STATUS_SUCCESS;
}

}  // namespace

cairo_surface_t* CopyImageSurface(cairo_surface_t* argb) {
    int w = cairo_image_surface_get_width(argb), h = cairo_image_surface_get_height(argb);
    cairo_surface_t* copy = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
    cairo_t* cr = cairo_create(copy);
    cairo_set_source_surface(cr, argb, 0, 0);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_paint(cr);
    cairo_destroy(cr);
    return copy;
}

cairo_surface_t* DecodePng(const std::vector<uint8_t>& bytes) {
    static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (bytes.size() < 8 || std::memcmp(bytes.data(), kSignature, 8) != 0) return nullptr;
    PngReader reader{&bytes, 0};
    cairo_surface_t* s = cairo_image_surface_create_from_png_stream(ReadPngChunk, &reader);
    if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(s);
        return nullptr;
    }
    // Everything is drawn from ARGB32 so masks and pixel tests see one format.
    if (cairo_image_surface_get_format(s) != CAIRO_FORMAT_ARGB32) {
        int w = cairo_image_surface_get_width(s), h = cairo_image_surface_get_height(s);
        cairo_surface_t* argb = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
        cairo_t* cr = cairo_create(argb);
        cairo_set_source_surface(cr, s, 0, 0);
        cairo_paint(cr);
        cairo_destroy(cr);
        cairo_surface_destroy(s);
        s = argb;
    }
    return s;
}

CImageCache& CImageCache::Instance() {
    static CImageCache cache;
    return cache;
}

std::shared_ptr<TImageData> CImageCache::Get(const std::wstring& file, bool hasMask, UIColor mask) {
    if (file.empty()) return nullptr;
    std::string key = CSkinArchive::NormaliseKey(file);
    if (hasMask) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "|%08X", mask);
        key += buf;
    }
    auto it = m_Images.find(key);
    if (it != m_Images.end()) return it->second;
    if (m_Missing.count(key)) return nullptr;
    std::vector<uint8_t> bytes;
    cairo_surface_t* s = nullptr;
    if (CResourceManager::Instance().ReadFile(file, &bytes)) s = DecodePng(bytes);
    if (!s) {
        LOG(L"image not available: %ls", file.c_str());
        m_Missing[key] = true;
        return nullptr;
    }
    if (hasMask) {
        cairo_surface_flush(s);
        int w = cairo_image_surface_get_width(s), h = cairo_image_surface_get_height(s);
        int stride = cairo_image_surface_get_stride(s);
        unsigned char* data = cairo_image_surface_get_data(s);
        for (int y = 0; y < h; ++y) {
            auto* row = reinterpret_cast<uint32_t*>(data + y * stride);
            for (int x = 0; x < w; ++x) {
                if ((row[x] >> 24) == 0xFF && (row[x] & 0xFFFFFF) == (mask & 0xFFFFFF)) row[x] = 0;
            }
        }
        cairo_surface_mark_dirty(s);
    }
    auto img = std::make_shared<TImageData>();
    img->surface = s;
    img->width = cairo_image_surface_get_width(s);
    img->height = cairo_image_surface_get_height(s);
    m_Images[key] = img;
    return img;
}

void CImageCache::Clear() {
    m_Images.clear();
    m_Missing.clear();
}

namespace {

void SetColor(cairo_t* cr, UIColor c) {
    cairo_set_source_rgba(cr, ((c >> 16) & 0xFF) / 255.0, ((c >> 8) & 0xFF) / 255.0,
                          (c & 0xFF) / 255.0, ((c >> 24) & 0xFF) / 255.0);
}

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
    SetColor(cr, color);
    cairo_rectangle(cr, rc.left, rc.top, rc.Width(), rc.Height());
    cairo_fill(cr);
    cairo_restore(cr);
}

void CCanvas::FillRoundRect(cairo_t* cr, const UIRect& rc, int roundX, int roundY, UIColor color) {
    if (rc.IsEmpty() || (color >> 24) == 0) return;
    cairo_save(cr);
    SetColor(cr, color);
    RoundRectPath(cr, rc, roundX, roundY);
    cairo_fill(cr);
    cairo_restore(cr);
}

void CCanvas::DrawBorder(cairo_t* cr, const UIRect& rc, int width, int roundX, int roundY,
                         UIColor color) {
    if (width <= 0 || rc.IsEmpty() || (color >> 24) == 0) return;
    cairo_save(cr);
    SetColor(cr, color);
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

namespace {

PangoFontDescription* MakeFontDescription(const TFontInfo& font) {
    PangoFontDescription* desc = pango_font_description_new();
    pango_font_description_set_family(desc, MapFontFace(font.face).c_str());
    pango_font_description_set_absolute_size(desc, std::max(1, font.size) * PANGO_SCALE);
    pango_font_description_set_weight(desc, font.bold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
    pango_font_description_set_style(desc, font.italic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
    return desc;
}

// Single-line text shows a line break as a space; "\r\n" is one break.
std::string PrepareText(const std::wstring& text, bool singleLine) {
    std::wstring s;
    s.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        wchar_t c = text[i];
        if (c == L'\r') {
            if (i + 1 < text.size() && text[i + 1] == L'\n') continue;
            c = L'\n';
        }
        if (c == L'\n' && singleLine) c = L' ';
        s.push_back(c);
    }
    return Utils::ToUtf8(s);
}

PangoLayout* MakeLayout(cairo_t* cr, const std::wstring& text, const TFontInfo& font,
                        uint32_t flags, int width, int height) {
    PangoLayout* layout = pango_cairo_create_layout(cr);
    PangoFontDescription* desc = MakeFontDescription(font);
    pango_layout_set_font_description(layout, desc);
    pango_font_description_free(desc);
    bool single = (flags & DT_WORDBREAK) == 0;
    std::string utf8 = PrepareText(text, single);
    pango_layout_set_text(layout, utf8.c_str(), static_cast<int>(utf8.size()));
    if (font.underline) {
        PangoAttrList* attrs = pango_attr_list_new();
        pango_attr_list_insert(attrs, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
        pango_layout_set_attributes(layout, attrs);
        pango_attr_list_unref(attrs);
    }
    if (width > 0) {
        pango_layout_set_width(layout, width * PANGO_SCALE);
        if (single) {
            pango_layout_set_wrap(layout, PANGO_WRAP_CHAR);
            pango_layout_set_height(layout, 0);  // one line only
        } else {
            pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
            if (height > 0) pango_layout_set_height(layout, height * PANGO_SCALE);
        }
        // A single line never wraps: what does not fit ends in an ellipsis.
        pango_layout_set_ellipsize(layout, PANGO_ELLIPSIZE_END);
    }
    PangoAlignment align = PANGO_ALIGN_LEFT;
    if (flags & DT_CENTER) align = PANGO_ALIGN_CENTER;
    if (flags & DT_RIGHT) align = PANGO_ALIGN_RIGHT;
    pango_layout_set_alignment(layout, align);
    return layout;
}

cairo_t* MeasureContext() {
    static cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
    static cairo_t* cr = cairo_create(surface);
    return cr;
}

}  // namespace

void CCanvas::DrawText(cairo_t* cr, const UIRect& rc, const std::wstring& text, UIColor color,
                       const TFontInfo& font, uint32_t flags) {
    if (text.empty() || rc.IsEmpty()) return;
    if (color == 0) color = 0xFF000000;
    // Text colours without alpha are meant opaque.
    if ((color >> 24) == 0) color |= 0xFF000000;
    PangoLayout* layout = MakeLayout(cr, text, font, flags, rc.Width(), rc.Height());
    int w = 0, h = 0;
    pango_layout_get_pixel_size(layout, &w, &h);
    int y = rc.top;
    if (flags & DT_VCENTER) {
        y = rc.top + (rc.Height() - h) / 2;
    } else if (flags & DT_BOTTOM) {
        y = rc.bottom - h;
    }
    cairo_save(cr);
    cairo_rectangle(cr, rc.left, rc.top, rc.Width(), rc.Height());
    cairo_clip(cr);
    SetColor(cr, color);
    cairo_move_to(cr, rc.left, y);
    pango_cairo_show_layout(cr, layout);
    cairo_restore(cr);
    g_object_unref(layout);
}

UISize CCanvas::MeasureText(const std::wstring& text, const TFontInfo& font, int wrapWidth) {
    if (text.empty()) return {0, 0};
    uint32_t flags = wrapWidth > 0 ? DT_WORDBREAK : DT_SINGLELINE;
    PangoLayout* layout = MakeLayout(MeasureContext(), text, font, flags, wrapWidth, 0);
    if (wrapWidth > 0) pango_layout_set_ellipsize(layout, PANGO_ELLIPSIZE_NONE);
    int w = 0, h = 0;
    pango_layout_get_pixel_size(layout, &w, &h);
    g_object_unref(layout);
    return {w, h};
}

std::vector<int> CCanvas::CaretOffsets(const std::wstring& text, const TFontInfo& font) {
    std::vector<int> offsets(text.size() + 1, 0);
    if (text.empty()) return offsets;
    // One layout for the whole line; Pango reports each character's position
    // by its byte index in the UTF-8 text.
    // Control characters count as one position each, so they become spaces.
    std::wstring line = text;
    for (auto& c : line) {
        if (c < 0x20) c = L' ';
    }
    PangoLayout* layout = MakeLayout(MeasureContext(), line, font, DT_SINGLELINE, 0, 0);
    std::string utf8 = pango_layout_get_text(layout);
    int byte = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
        PangoRectangle pos;
        pango_layout_index_to_pos(layout, byte, &pos);
        offsets[i] = PANGO_PIXELS(pos.x);
        if (i == text.size()) break;
        // Advance over one code point.
        int len = 1;
        unsigned char lead = static_cast<unsigned char>(utf8[byte]);
        if (lead >= 0xF0)
            len = 4;
        else if (lead >= 0xE0)
            len = 3;
        else if (lead >= 0xC0)
            len = 2;
        byte = std::min<int>(byte + len, static_cast<int>(utf8.size()));
    }
    int w = 0, h = 0;
    pango_layout_get_pixel_size(layout, &w, &h);
    offsets.back() = std::max(offsets.back(), w);
    g_object_unref(layout);
    return offsets;
}

}  // namespace Toolkit
