#pragma once
// The few Windows value types the system's records are shaped on. Layouts are
// those of the system's files and settings; binary files are still decoded
// field by field, never by overlaying these structs.
#include <cstdint>

using BYTE = unsigned char;
using LONG = int32_t;
using DWORD = uint32_t;
// Red in the lowest byte, then green, then blue; the top byte zero.
using COLORREF = uint32_t;

constexpr COLORREF RGB(BYTE r, BYTE g, BYTE b) {
  return static_cast<COLORREF>(r) | (static_cast<COLORREF>(g) << 8) | (static_cast<COLORREF>(b) << 16);
}

constexpr int LF_FACESIZE = 32;

// A font description in the ANSI shape: a face name of at most 31 characters
// and a terminating zero.
struct LOGFONT {
  LONG lfHeight = 0;
  LONG lfWidth = 0;
  LONG lfEscapement = 0;
  LONG lfOrientation = 0;
  LONG lfWeight = 0;
  BYTE lfItalic = 0;
  BYTE lfUnderline = 0;
  BYTE lfStrikeOut = 0;
  BYTE lfCharSet = 0;
  BYTE lfOutPrecision = 0;
  BYTE lfClipPrecision = 0;
  BYTE lfQuality = 0;
  BYTE lfPitchAndFamily = 0;
  char lfFaceName[LF_FACESIZE] = {};
};
