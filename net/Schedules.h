#pragma once
// The per-frame decisions of the automatic refreshes and of the surface-tile
// streaming, apart from the view so they can be driven with any clock.

// The weekly element question: automatic update on, past the 40th frame and
// seven days after the last one.
bool ElementPromptDue(bool autoUpdate, long frameCounter, double julianDate, double lastUpdateDate);

// The cloud map: solar-system mode with real-time clouds and atmospheres,
// past the 50th frame, three hours after the last one, no animation or a
// real-time one.
bool CloudMapDue(bool planetariumMode, bool realTimeCloudMap, bool showAtmospheres, long frameCounter,
                 double julianDate, double lastCloudMapDate, bool animationRunning, bool animationRealTime);

// The registry text of a refresh date.
void FormatRefreshDate(char (&text)[32], double julianDate);

// Surface tiles. Bodies: 3 Earth, 4 Mars, 10 Moon.
struct SurfaceTileLevel {
  int rows;
  int columns;
};
constexpr SurfaceTileLevel kSurfaceTileLevels[3] = {{8, 16}, {16, 32}, {32, 64}};
// The file column of a tile column: one to the west for the Earth and the
// Moon, nine for Mars, wrapped into the level's columns.
int SurfaceTileFileColumn(int body, int column, int columns);
// A near tile without texture loads once it has been near for more than
// 5, 7 or 9 frames (levels 0, 1, 2) and the random draw hits (mod 3, 5, 7).
bool SurfaceTileLoadDue(int level, int nearCount, int randomValue);
