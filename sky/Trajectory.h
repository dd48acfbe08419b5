#pragma once
// Space-probe trajectories: text files of Julian dates and heliocentric
// ecliptic coordinates (km), one probe per file, loaded into a fixed table
// and interpolated for the view's instant.
#include <cstddef>

#include "CString.h"
#include "SkyMath.h"

struct TrajectoryPoint {
  double julianDate;
  double x;
  double y;
  double z;
};

constexpr int kTrajectoryCapacity = 30000;
constexpr int kSecondTrajectorySlots = 30010;

// The loaded trajectory; the points after the last loaded one are zero (a
// Julian date of 0 marks the end).
extern TrajectoryPoint g_trajectory[kTrajectoryCapacity];
// Copy of a partner's trajectory kept by the pair commands: null until first
// allocated by AllocateSecondTrajectory, then kept for the whole run.
extern TrajectoryPoint** g_secondTrajectory;

// Reads folder + relativePath into g_trajectory. A file that cannot be read
// leaves the table empty (all zero) and returns false, so a failed load never
// shows the previous probe's path under the new probe's name.
bool LoadTrajectory(CString folder, CString relativePath);

// Parses trajectory text into table (capacity points; the rest zeroed).
// Numbers are separated by blanks, tabs or line ends (LF or CR LF); an
// incomplete last point is dropped. Returns the number of points.
int ParseTrajectoryText(const char* text, size_t size, TrajectoryPoint* table, int capacity);

// Number of loaded points: those before the first zero Julian date.
int TrajectoryPointCount(const TrajectoryPoint* table, int capacity);

// g_secondTrajectory allocated on first use (30010 rows), then reused.
void AllocateSecondTrajectory();
// Copies the 30000 rows of g_trajectory into g_secondTrajectory (allocating it).
void CopyTrajectoryToSecond();
// Frees g_secondTrajectory's rows and the table itself (the next use
// allocates it again).
void FreeSecondTrajectory();

// True when the table holds points and jd lies between its first and last
// loaded dates, both included.
bool IsDateInTrajectoryTable(const TrajectoryPoint* table, double jd);

// Position in file coordinates (km) for the date: cubic Hermite through the
// loaded points. False (and out unchanged) when the date is not later than
// the first point or later than the last loaded point.
bool InterpolateTrajectoryCubic(const TrajectoryPoint* table, double jd, Vector3d& out);
// The same, linear, over the second table (false when it does not exist).
bool InterpolateTrajectoryLinear(TrajectoryPoint* const* table, double jd, Vector3d& out);

// Body number of Rosetta, whose file is read 0.009 day early.
constexpr int kRosettaBody = 43;
// First date of the Cassini file; tells which of Cassini and Huygens is in
// g_trajectory.
constexpr double kCassiniFirstDate = 2450736.8939;

// Scene position (millions of km; the file's y becomes scene x and the
// file's x scene y) of a probe from g_trajectory (mode 1, cubic) or
// g_secondTrajectory (mode 2, linear) at the Julian date. False when the
// date lies outside the data: the caller then leaves the body where it was.
bool SpacecraftScenePosition(int mode, int body, double jd, Vector3d& scenePosition);
