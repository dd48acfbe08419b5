#include "Schedules.h"

#include <cstdio>

#include "NumberFormat.h"

bool ElementPromptDue(bool autoUpdate, long frameCounter, double julianDate, double lastUpdateDate) {
  return autoUpdate && frameCounter > 40 && julianDate - lastUpdateDate >= 7.0;
}

bool CloudMapDue(bool planetariumMode, bool realTimeCloudMap, bool showAtmospheres, long frameCounter,
                 double julianDate, double lastCloudMapDate, bool animationRunning, bool animationRealTime) {
  return !planetariumMode && realTimeCloudMap && showAtmospheres && frameCounter > 50 &&
         julianDate - lastCloudMapDate > 0.125 && (!animationRunning || animationRealTime);
}

void FormatRefreshDate(char (&text)[32], double julianDate) { std::snprintf(text, sizeof text, "%s", FormatC("%10.5f", julianDate).c_str()); }

int SurfaceTileFileColumn(int body, int column, int columns) {
  const int shift = body == 4 ? 9 : 1;
  int c = (column - shift) % columns;
  if (c < 0) c += columns;
  return c;
}

bool SurfaceTileLoadDue(int level, int nearCount, int randomValue) {
  static const int kModulus[3] = {3, 5, 7};
  static const int kFrames[3] = {5, 7, 9};
  if (level < 0 || level > 2) return false;
  return randomValue % kModulus[level] == 0 && nearCount > kFrames[level];
}
