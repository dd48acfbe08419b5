#pragma once
// Code page 1252 is the system's own text encoding: files, rich texts, the string
// table and logs hold its bytes unchanged. UTF-8 appears only at the GUI and
// file-system boundaries, through these two conversions.
#include <string>
#include <string_view>

// Every byte has a character: the five bytes that code page 1252 leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 controls of the same value.
std::string Cp1252ToUtf8(std::string_view cp1252);

// Characters with no code-page-1252 byte become '?'; malformed UTF-8 bytes too.
std::string Utf8ToCp1252(std::string_view utf8);

// The Unicode code point of one code-page-1252 byte.
char32_t Cp1252ToCodePoint(unsigned char byte);
