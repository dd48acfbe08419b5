#include "Optics.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "IniFile.h"

void SetOpticsDescription(char (&slot)[kOpticsDescriptionSize], const std::string& text) {
  std::memset(slot, 0, sizeof slot);
  std::memcpy(slot, text.data(), std::min(text.size(), sizeof slot - 1));
}

namespace {

std::string Section(const char* kind, int i) { return std::string(kind) + " " + std::to_string(i); }

// The count of a list, held to 0..kOpticsCapacity; `whole` turns false when
// the file's count was out of that range.
int Count(const CIniFile& file, const char* key, bool& whole) {
  const long n = file.GetInt(key, "");
  if (n == kIniMissingInt) return 0;
  if (n < 0 || n > kOpticsCapacity) whole = false;
  return static_cast<int>(std::clamp<long>(n, 0, kOpticsCapacity));
}

}  // namespace

bool ReadOpticsFile(const std::string& path, OpticsLists& lists, std::string* problem) {
  lists = OpticsLists();
  CIniFile file;
  bool whole = true;
  if (!file.Load(path.c_str()) && !file.LoadFoundNoFile()) {
    whole = false;
    if (problem) *problem = "it cannot be read: " + file.GetProblem();
  }
  bool counts = true;
  lists.m_eyepieceCount = Count(file, "Num", counts);
  lists.m_ccdCount = Count(file, "NumCCD", counts);
  lists.m_otherFieldCount = Count(file, "NumDivers", counts);
  if (!counts) {
    whole = false;
    if (problem)
      *problem = "a list count is outside 0 to " + std::to_string(kOpticsCapacity) + ", so not every record was read";
  }
  for (int i = 0; i < lists.m_eyepieceCount; ++i) {
    const std::string s = Section("Oculaire", i + 1);
    lists.m_eyepieces[i][0] = static_cast<float>(file.GetDouble("FT", s.c_str()));
    lists.m_eyepieces[i][1] = static_cast<float>(file.GetDouble("FO", s.c_str()));
    lists.m_eyepieces[i][2] = static_cast<float>(file.GetDouble("CA", s.c_str()));
    SetOpticsDescription(lists.m_eyepieceDescriptions[i], file.GetValue("Description", s.c_str()).c_str());
  }
  for (int i = 0; i < lists.m_ccdCount; ++i) {
    const std::string s = Section("CCD", i + 1);
    lists.m_ccds[i][0] = static_cast<float>(file.GetDouble("LO", s.c_str()));
    lists.m_ccds[i][1] = static_cast<float>(file.GetDouble("LA", s.c_str()));
    lists.m_ccds[i][2] = static_cast<float>(file.GetDouble("Type", s.c_str()));
    SetOpticsDescription(lists.m_ccdDescriptions[i], file.GetValue("Description", s.c_str()).c_str());
  }
  for (int i = 0; i < lists.m_otherFieldCount; ++i) {
    const std::string s = Section("Divers", i + 1);
    lists.m_otherFields[i] = static_cast<float>(file.GetDouble("D", s.c_str()));
    SetOpticsDescription(lists.m_otherFieldDescriptions[i], file.GetValue("Description", s.c_str()).c_str());
  }
  file.Close();
  return whole;
}

bool WriteOpticsFile(const std::string& path, const OpticsLists& lists) {
  CIniFile file;
  file.Create();
  const int eyepieces = std::clamp(lists.m_eyepieceCount, 0, kOpticsCapacity);
  const int ccds = std::clamp(lists.m_ccdCount, 0, kOpticsCapacity);
  const int others = std::clamp(lists.m_otherFieldCount, 0, kOpticsCapacity);
  file.SetInt("Num", eyepieces, nullptr, "");
  file.SetInt("NumCCD", ccds, nullptr, "");
  file.SetInt("NumDivers", others, nullptr, "");
  auto text = [](const char (&d)[kOpticsDescriptionSize]) { return std::string(d, strnlen(d, sizeof d)); };
  for (int i = 0; i < eyepieces; ++i) {
    const std::string s = Section("Oculaire", i + 1);
    file.SetDouble("FT", nullptr, s.c_str(), lists.m_eyepieces[i][0]);
    file.SetDouble("FO", nullptr, s.c_str(), lists.m_eyepieces[i][1]);
    file.SetDouble("CA", nullptr, s.c_str(), lists.m_eyepieces[i][2]);
    file.SetString("Description", text(lists.m_eyepieceDescriptions[i]).c_str(), nullptr, s.c_str());
  }
  for (int i = 0; i < ccds; ++i) {
    const std::string s = Section("CCD", i + 1);
    file.SetDouble("LO", nullptr, s.c_str(), lists.m_ccds[i][0]);
    file.SetDouble("LA", nullptr, s.c_str(), lists.m_ccds[i][1]);
    file.SetDouble("Type", nullptr, s.c_str(), lists.m_ccds[i][2]);
    file.SetString("Description", text(lists.m_ccdDescriptions[i]).c_str(), nullptr, s.c_str());
  }
  for (int i = 0; i < others; ++i) {
    const std::string s = Section("Divers", i + 1);
    file.SetDouble("D", nullptr, s.c_str(), lists.m_otherFields[i]);
    file.SetString("Description", text(lists.m_otherFieldDescriptions[i]).c_str(), nullptr, s.c_str());
  }
  return file.Save(path.c_str());
}

int OpticsCount(const OpticsLists& lists, int tab) {
  return tab == 0 ? lists.m_eyepieceCount : tab == 1 ? lists.m_ccdCount : tab == 2 ? lists.m_otherFieldCount : 0;
}

OpticsChoice ChooseOptics(const OpticsLists& lists, int tab, int index) {
  OpticsChoice choice;
  if (index < 0 || index >= OpticsCount(lists, tab)) return choice;
  if (tab == 0) {
    const float* e = lists.m_eyepieces[index];
    if (e[0] != 0.0f && e[1] != 0.0f && e[2] != 0.0f) {
      choice.magnification = e[1] / e[0];
      choice.fieldOfView = e[2] / choice.magnification;
    }
  } else if (tab == 1) {
    const float* c = lists.m_ccds[index];
    if (c[0] != 0.0f && c[1] != 0.0f) {
      choice.ccdWidth = c[0];
      choice.ccdHeight = c[1];
      choice.ccdMountType = c[2];
    }
  } else if (lists.m_otherFields[index] != 0.0f) {
    choice.fieldOfView = lists.m_otherFields[index];
  }
  return choice;
}

bool DeleteOpticsRecord(OpticsLists& lists, int tab, int index) {
  const int count = OpticsCount(lists, tab);
  if (index < 0 || index >= count) return false;
  for (int i = index; i + 1 < count; ++i) {
    if (tab == 0) {
      std::memcpy(lists.m_eyepieces[i], lists.m_eyepieces[i + 1], sizeof lists.m_eyepieces[i]);
      std::memcpy(lists.m_eyepieceDescriptions[i], lists.m_eyepieceDescriptions[i + 1], kOpticsDescriptionSize);
    } else if (tab == 1) {
      std::memcpy(lists.m_ccds[i], lists.m_ccds[i + 1], sizeof lists.m_ccds[i]);
      std::memcpy(lists.m_ccdDescriptions[i], lists.m_ccdDescriptions[i + 1], kOpticsDescriptionSize);
    } else {
      lists.m_otherFields[i] = lists.m_otherFields[i + 1];
      std::memcpy(lists.m_otherFieldDescriptions[i], lists.m_otherFieldDescriptions[i + 1], kOpticsDescriptionSize);
    }
  }
  if (tab == 0) --lists.m_eyepieceCount;
  if (tab == 1) --lists.m_ccdCount;
  if (tab == 2) --lists.m_otherFieldCount;
  return true;
}
