#pragma once
// Readers for the layout attribute values of the installer's own controls
// and window attributes (frame sequences, shadow). Pure functions; numbers
// are read by the toolkit's readers, so a layout text means the same here as
// in the toolkit's controls.
#include <cstdint>
#include <string>

namespace LayoutAttr {

// `a` equals the ASCII text `b` without regard to case.
bool EqualsNoCase(const std::wstring& a, const wchar_t* b);
// A signed decimal after optional blanks, read up to the first non-digit;
// "" and non-numbers give 0, values beyond 32 bits saturate.
int ToInt(const std::wstring& text);
// Up to `count` integers separated by single characters ("2,2,2,2", "1,1",
// "1, 1"). Missing numbers are 0; each is kept within +-1,000,000.
void ToInts(const std::wstring& text, int* out, int count);
// Hexadecimal digits, optionally after "#"; stops at the first non-digit.
uint32_t ToColor(const std::wstring& text);

}  // namespace LayoutAttr
