#include "Trajectory.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "InstallPath.h"
#include "NumberFormat.h"

TrajectoryPoint g_trajectory[kTrajectoryCapacity];
TrajectoryPoint** g_secondTrajectory = nullptr;

namespace {

bool IsSeparator(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }

// Longest token we convert; anything longer is not a number of this format
// and is read from its first characters only.
constexpr size_t kMaxToken = 63;

bool ReadWholeFile(const std::string& path, std::vector<char>& data) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  bool ok = std::fseek(f, 0, SEEK_END) == 0;
  const long length = ok ? std::ftell(f) : -1;
  ok = ok && length >= 0 && std::fseek(f, 0, SEEK_SET) == 0;
  if (ok) {
    data.resize(static_cast<size_t>(length));
    ok = length == 0 || std::fread(data.data(), 1, data.size(), f) == data.size();
  }
  std::fclose(f);
  return ok;
}

// Index of the first point after the first whose date is not earlier than t,
// among count points; -1 when there is none.
template <typename Row>
int FindInterval(Row row, int count, double t) {
  for (int i = 1; i < count; ++i)
    if (row(i).julianDate >= t) return i;
  return -1;
}

}  // namespace

int ParseTrajectoryText(const char* text, size_t size, TrajectoryPoint* table, int capacity) {
  if (capacity < 0) capacity = 0;
  std::memset(static_cast<void*>(table), 0, sizeof(TrajectoryPoint) * static_cast<size_t>(capacity));
  int count = 0;
  int column = 0;
  double values[4] = {0, 0, 0, 0};
  size_t pos = 0;
  char token[kMaxToken + 1];
  while (pos < size && count < capacity) {
    while (pos < size && IsSeparator(text[pos])) ++pos;
    if (pos >= size) break;
    size_t length = 0;
    while (pos < size && !IsSeparator(text[pos])) {
      if (length < kMaxToken) token[length++] = text[pos];
      ++pos;
    }
    token[length] = '\0';
    values[column++] = AtofC(token);
    if (column == 4) {
      table[count++] = {values[0], values[1], values[2], values[3]};
      column = 0;
    }
  }
  // A Julian date of 0 ends the table for every reader; keep what precedes it.
  return TrajectoryPointCount(table, count);
}

int TrajectoryPointCount(const TrajectoryPoint* table, int capacity) {
  int n = 0;
  while (n < capacity && table[n].julianDate != 0.0) ++n;
  return n;
}

bool LoadTrajectory(CString folder, CString relativePath) {
  std::vector<char> data;
  if (!ReadWholeFile(ResolveInstallPath(folder, relativePath), data)) {
    std::memset(static_cast<void*>(g_trajectory), 0, sizeof g_trajectory);
    return false;
  }
  const int count = ParseTrajectoryText(data.data(), data.size(), g_trajectory, kTrajectoryCapacity);
  // Points after a zero date are unreachable; clear them so the table ends cleanly.
  if (count < kTrajectoryCapacity)
    std::memset(static_cast<void*>(g_trajectory + count), 0,
                sizeof(TrajectoryPoint) * static_cast<size_t>(kTrajectoryCapacity - count));
  return true;
}

void AllocateSecondTrajectory() {
  if (g_secondTrajectory) return;
  g_secondTrajectory = new TrajectoryPoint*[kSecondTrajectorySlots];
  for (int i = 0; i < kSecondTrajectorySlots; ++i) g_secondTrajectory[i] = new TrajectoryPoint{0, 0, 0, 0};
}

void FreeSecondTrajectory() {
  if (!g_secondTrajectory) return;
  for (int i = 0; i < kSecondTrajectorySlots; ++i) delete g_secondTrajectory[i];
  delete[] g_secondTrajectory;
  g_secondTrajectory = nullptr;
}

void CopyTrajectoryToSecond() {
  AllocateSecondTrajectory();
  for (int i = 0; i < kTrajectoryCapacity; ++i) *g_secondTrajectory[i] = g_trajectory[i];
}

bool IsDateInTrajectoryTable(const TrajectoryPoint* table, double jd) {
  const int count = TrajectoryPointCount(table, kTrajectoryCapacity);
  if (count == 0) return false;
  return jd >= table[0].julianDate && jd <= table[count - 1].julianDate;
}

bool InterpolateTrajectoryCubic(const TrajectoryPoint* table, double t, Vector3d& out) {
  const int count = TrajectoryPointCount(table, kTrajectoryCapacity);
  if (count < 2 || !(t > table[0].julianDate)) return false;
  const int i = FindInterval([table](int k) -> const TrajectoryPoint& { return table[k]; }, count, t);
  if (i < 0) return false;
  const TrajectoryPoint& p1 = table[i - 1];
  const TrajectoryPoint& p2 = table[i];
  const TrajectoryPoint& p0 = table[i >= 2 ? i - 2 : i - 1];
  const TrajectoryPoint& p3 = table[i + 1 < count ? i + 1 : i];
  const double h = p2.julianDate - p1.julianDate;
  if (!(h > 0.0)) {
    out = {p2.x, p2.y, p2.z};
    return true;
  }
  const double u = (t - p1.julianDate) / h;
  const double d0 = p2.julianDate - p0.julianDate;
  const double d3 = p3.julianDate - p1.julianDate;
  auto axis = [&](double a0, double a1, double a2, double a3) {
    const double m1 = d0 > 0.0 ? (a2 - a0) * h / d0 : a2 - a1;
    const double m2 = d3 > 0.0 ? (a3 - a1) * h / d3 : a2 - a1;
    return a1 + m1 * u + (3 * (a2 - a1) - 2 * m1 - m2) * u * u + (2 * (a1 - a2) + m1 + m2) * u * u * u;
  };
  out = {axis(p0.x, p1.x, p2.x, p3.x), axis(p0.y, p1.y, p2.y, p3.y), axis(p0.z, p1.z, p2.z, p3.z)};
  return true;
}

bool InterpolateTrajectoryLinear(TrajectoryPoint* const* table, double t, Vector3d& out) {
  if (!table) return false;
  int count = 0;
  while (count < kTrajectoryCapacity && table[count]->julianDate != 0.0) ++count;
  if (count < 2 || !(t > table[0]->julianDate)) return false;
  const int i = FindInterval([table](int k) -> const TrajectoryPoint& { return *table[k]; }, count, t);
  if (i < 0) return false;
  const TrajectoryPoint& p1 = *table[i - 1];
  const TrajectoryPoint& p2 = *table[i];
  const double h = p2.julianDate - p1.julianDate;
  const double u = h > 0.0 ? (t - p1.julianDate) / h : 1.0;
  out = {p1.x + (p2.x - p1.x) * u, p1.y + (p2.y - p1.y) * u, p1.z + (p2.z - p1.z) * u};
  return true;
}

bool SpacecraftScenePosition(int mode, int body, double jd, Vector3d& scenePosition) {
  const double t = body == kRosettaBody ? jd - 0.008999999612569809 : jd;
  Vector3d file;
  const bool ok = mode == 2 ? InterpolateTrajectoryLinear(g_secondTrajectory, t, file)
                            : InterpolateTrajectoryCubic(g_trajectory, t, file);
  if (!ok) return false;
  scenePosition = {file.y * 1e-6, file.x * 1e-6, file.z * 1e-6};
  return true;
}

// ---- View method ------------------------------------------------------------

#include "SkyModel.h"

bool CSkyModel::IsDateInTrajectory() { return IsDateInTrajectoryTable(g_trajectory, m_julianDate); }
