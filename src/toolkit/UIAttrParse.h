#pragma once
// Readers for the values of layout attributes: numbers, number lists,
// colours, switches and image attribute lists. Pure functions; the toolkit's
// controls and the installer's own controls read their layouts through them
// so that one text means one value everywhere.
#include <optional>
#include <string>

#include "toolkit/UIBase.h"

namespace Toolkit {

// Geometry read from a layout (positions, sizes, paddings) is kept within
// this magnitude, so sums of a few of them can never overflow.
constexpr int kMaxLayoutCoordinate = 1000000;

// "#AARRGGBB", "0xAARRGGBB" or "AARRGGBB"; six digits mean opaque RRGGBB.
// Anything else: nullopt.
std::optional<UIColor> ParseColor(const std::wstring& text);
// A signed decimal after optional blanks, read up to the first other
// character; "" and non-numbers give 0; values beyond 32 bits saturate.
int ParseInt(const std::wstring& text);
// ParseInt kept within +-kMaxLayoutCoordinate (widths, heights, paddings).
int ParseCoordinate(const std::wstring& text);
// Up to `count` numbers, each read as ParseInt reads one, with exactly one
// separator character after each ("2,2,2,2", "1,1", "-3 4"); numbers that
// are missing are 0; each is kept within +-kMaxLayoutCoordinate.
void ParseInts(const std::wstring& text, int* out, int count);
// "l,t,r,b" and "cx,cy" as ParseInts reads them.
UIRect ParseRect(const std::wstring& text);
UISize ParseSize(const std::wstring& text);
bool ParseBool(const std::wstring& text);  // "true", case-insensitive

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

}  // namespace Toolkit
