#pragma once
// Fonts and text layout (Pango): the faces layouts name, mapped to installed
// families, and the DT_* flags of CCanvas::DrawText. The drawing and
// measuring members of CCanvas are in UIText.cpp.
#include <cstdint>
#include <string>

namespace Toolkit {

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

// Text formatting flags of CCanvas::DrawText.
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

}  // namespace Toolkit
