#include "toolkit/UIText.h"

#include <pango/pangocairo.h>

#include <algorithm>
#include <cwctype>

#include "toolkit/UICanvas.h"
#include "utils/Text.h"

namespace Toolkit {

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
    CCanvas::SetSourceColor(cr, color);
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
