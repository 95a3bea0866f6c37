#pragma once
// Painting over Cairo: colours, rounded rectangles and borders, image
// attributes (plain path or a key='value' list) with nine-grid, tiling,
// masks and fading, and text (Pango, in UIText.cpp). Stateless; every call
// draws in control coordinates on the context it is given.
#include <cairo.h>

#include <string>
#include <vector>

#include "toolkit/UIAttrParse.h"
#include "toolkit/UIBase.h"
#include "toolkit/UIImageCache.h"
#include "toolkit/UIText.h"

namespace Toolkit {

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
    // Makes 0xAARRGGBB the source colour of `cr`.
    static void SetSourceColor(cairo_t* cr, UIColor color);
};

}  // namespace Toolkit
