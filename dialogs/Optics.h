#pragma once
// The three optics lists (eyepieces with their telescope, camera fields,
// other circular fields), the optics file "oculaires.ini" that keeps them
// between runs, and what choosing a record gives.
#include <string>

constexpr int kOpticsCapacity = 10;
constexpr int kOpticsDescriptionSize = 50;  // 49 characters and a zero

struct OpticsLists {
  int m_eyepieceCount = 0;
  float m_eyepieces[kOpticsCapacity][3] = {};  // eyepiece focal (mm), telescope focal (mm), apparent field (deg)
  char m_eyepieceDescriptions[kOpticsCapacity][kOpticsDescriptionSize] = {};
  int m_ccdCount = 0;
  float m_ccds[kOpticsCapacity][3] = {};  // width (deg), height (deg), mount type (1 alt-az, 2 equatorial, 0 none)
  char m_ccdDescriptions[kOpticsCapacity][kOpticsDescriptionSize] = {};
  int m_otherFieldCount = 0;
  float m_otherFields[kOpticsCapacity] = {};  // diameters (deg)
  char m_otherFieldDescriptions[kOpticsCapacity][kOpticsDescriptionSize] = {};
};

// Cuts a description to 49 characters.
void SetOpticsDescription(char (&slot)[kOpticsDescriptionSize], const std::string& text);

// A missing or unreadable file gives empty lists; a missing or negative
// count gives an empty list of that kind, and a count beyond 10 the first ten
// records. False when a file is there but was not read whole (unreadable, or
// a count out of range), with the reason: what it holds beyond the lists
// must be kept before the file is written again (KeepCopyBeside).
bool ReadOpticsFile(const std::string& path, OpticsLists& lists, std::string* problem = nullptr);
// Replaces the file through a temporary file; false when it could not be written.
bool WriteOpticsFile(const std::string& path, const OpticsLists& lists);

// What "Select" gives for a record of a tab (0 eyepieces, 1 camera fields,
// 2 other fields), all zero without a record or when the record lacks a value.
struct OpticsChoice {
  float fieldOfView = 0.0f;  // degrees
  float magnification = 0.0f;
  float ccdWidth = 0.0f;
  float ccdHeight = 0.0f;
  float ccdMountType = 0.0f;
};
OpticsChoice ChooseOptics(const OpticsLists& lists, int tab, int index);

// Removes record `index` of a tab; later records move up. False when there is none.
bool DeleteOpticsRecord(OpticsLists& lists, int tab, int index);
int OpticsCount(const OpticsLists& lists, int tab);
