#pragma once
// Readers for the layout attribute values of the installer's own controls
// and window attributes (frame sequences, shadow). Pure functions.
#include <cstdint>
#include <string>

namespace LayoutAttr {

// `a` equals the ASCII text `b` without regard to case.
bool EqualsNoCase(const std::wstring& a, const wchar_t* b);
// A signed decimal after optional blanks, read up to the first non-digit;
// "" and non-numbers give 0, values beyond 32 bits saturate.
int ToInt(const std::wstring& text);
// Up to `count` integers separated by single characters ("2,2,2,2", "1,1").
// Missing numbers are 0.
void ToInts(const std::wstring& text, int* out, int count);
// Hexadecimal digits, optionally after "#"; stops at the first non-digit.
uint32_t ToColor(const std::wstring& text);

}  // namespace LayoutAttr
