#pragma once
// Painting over Cairo and Pango: colours, image attributes (plain path or a
// key='value' list), nine-grid images, rounded borders and text. Images are
// decoded once per file and mask colour and kept for the process.
#include <cairo.h>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "toolkit/UIBase.h"

namespace Toolkit {

// "#AARRGGBB", "0xAARRGGBB" or "AARRGGBB"; six digits mean opaque RRGGBB.
// Anything else: nullopt.
std::optional<UIColor> ParseColor(const std::wstring& text);
// "l,t,r,b" (any single non-digit separators, missing numbers 0).
UIRect ParseRect(const std::wstring& text);
UISize ParseSize(const std::wstring& text);
bool ParseBool(const std::wstring& text);  // "true", case-insensitive
int ParseInt(const std::wstring& text);    // leading decimal digits, else 0

// One image attribute, e.g. "file='res/a.png' dest='0,0,20,20' corner='4,4,4,4'".
struct TImageSpec {
    std::wstring file;
    UIRect dest;  // relative to the control; empty = the whole control
    bool hasDest = false;
    UIRect source;  // part of the image; empty = all of it
    bool hasSource = false;
    UIRect corner;     // nine-grid: left, top, right, bottom widths
    UIColor mask = 0;  // this RGB becomes transparent
    bool hasMask = false;
    int fade = 255;       // overall opacity 0..255
    bool hole = false;    // nine-grid without its centre
    bool xtiled = false;  // repeat instead of stretching horizontally
    bool ytiled = false;
};
// A text without "=" is a plain file name. Unknown keys are ignored.
TImageSpec ParseImageSpec(const std::wstring& text);

struct TFontInfo {
    std::wstring face;  // as the layout names it
    int size = 12;      // pixel height
    bool bold = false;
    bool underline = false;
    bool italic = false;
};

// Layouts name Windows faces; these are mapped to families the system has
// (e.g. "微软雅黑" to the installed CJK face). Returns a Pango family list.
std::string MapFontFace(const std::wstring& face);

// A decoded image (ARGB32 premultiplied) shared through the cache.
struct TImageData {
    cairo_surface_t* surface = nullptr;
    int width = 0, height = 0;
    ~TImageData();
};

class CImageCache {
public:
    static CImageCache& Instance();
    // Null when the file cannot be found or decoded (logged once per name).
    std::shared_ptr<TImageData> Get(const std::wstring& file, bool hasMask, UIColor mask);
    void Clear();
    size_t Size() const { return m_Images.size(); }

private:
    std::map<std::string, std::shared_ptr<TImageData>> m_Images;
    std::map<std::string, bool> m_Missing;
};

// Decodes PNG bytes into an ARGB32 surface; null on any error.
cairo_surface_t* DecodePng(const std::vector<uint8_t>& bytes);

// A new ARGB32 image surface with the pixels of `argb` (an image surface).
cairo_surface_t* CopyImageSurface(cairo_surface_t* argb);

// Text formatting flags of DrawText.
enum TextFlags : uint32_t {
    DT_LEFT = 0x0,
    DT_CENTER = 0x1,
    DT_RIGHT = 0x2,
    DT_TOP = 0x0,
    DT_VCENTER = 0x4,
    DT_BOTTOM = 0x8,
    DT_WORDBREAK = 0x10,  // multi-line with word wrap
    DT_SINGLELINE = 0x20,
    DT_END_ELLIPSIS = 0x8000,
    DT_CALCRECT = 0x400,
};

// Stateless painting helpers over a Cairo context in control coordinates.
class CCanvas {
public:
    static void FillRect(cairo_t* cr, const UIRect& rc, UIColor color);
    static void FillRoundRect(cairo_t* cr, const UIRect& rc, int roundX, int roundY, UIColor color);
    // A frame of `width` pixels inside `rc`, rounded when round > 0.
    static void DrawBorder(cairo_t* cr, const UIRect& rc, int width, int roundX, int roundY,
                           UIColor color);
    // Draws an image attribute inside `item`, clipped to `paint`. False when
    // the image cannot be loaded (nothing is drawn then).
    static bool DrawImage(cairo_t* cr, const UIRect& item, const UIRect& paint,
                          const std::wstring& spec);
    static bool DrawImage(cairo_t* cr, const UIRect& item, const UIRect& paint,
                          const TImageSpec& spec);
    // Text in `rc` with DT_* flags. An empty text draws nothing.
    static void DrawText(cairo_t* cr, const UIRect& rc, const std::wstring& text, UIColor color,
                         const TFontInfo& font, uint32_t flags);
    // Extent of the text in the font (one line unless `wrapWidth` > 0).
    static UISize MeasureText(const std::wstring& text, const TFontInfo& font, int wrapWidth = 0);
    // Pixel offset of every caret position 0..size() in one line of text.
    static std::vector<int> CaretOffsets(const std::wstring& text, const TFontInfo& font);
    // Rounded-rectangle path (for clipping and window corners).
    static void RoundRectPath(cairo_t* cr, const UIRect& rc, int roundX, int roundY);
};

}  // namespace Toolkit
