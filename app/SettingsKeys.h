#pragma once
// The keys of the settings file, in the order they are written: one table
// that both the writer and the reader walk, so the two cannot drift apart.
#include <cstdint>
#include <vector>

#include "CString.h"

class CViewSettings;

// How a key's member is written and read back.
enum class SettingKind : uint8_t {
  Degrees,          // double, radians in memory, degrees in the file
  Double,           // double; a missing key keeps the member
  Float,            // float written as a double, narrowed when read
  Int,              // int; a missing key keeps the member
  Byte,             // one byte written sign-extended, read back as the low byte
  ItalicByte,       // one byte written as its unsigned value, read back as the low byte
  ByteAnyValue,     // like Byte, but a missing key stores the marker's low byte (0)
  SignedLowByte,    // int written whole, read back as the signed low byte
  UIntAnyValue,     // 32-bit code written as a signed long, stored as read even when missing
  Colour,           // colour value written as a signed long; a missing key keeps it
  IntReadAsDouble,  // int written as an int, read as a number cut toward zero
  Bool,             // "True"/"False"; a missing key reads as false
  LevelAsBool,      // byte level written as whether it is above 0, read back as 1 or 0
  String,           // text; an empty or missing value keeps the member
  Char,             // one character written as a text, read from the first character
  FaceName,         // a font's face name field (at most 31 characters)
};

struct SettingKey {
  const char* section;
  CString key;
  SettingKind kind;
  void* member;
  // Written only while the device accepted the current 3D settings.
  bool deviceKey = false;
};

// The fixed keys of every section but the two display lists, in writer order.
std::vector<SettingKey> SettingsKeyTable(CViewSettings& view);

extern const char* const kObservationSection;
