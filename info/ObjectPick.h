#pragma once
// Picking the object under the cursor: the nearest candidate of each
// category (deep sky, bodies, stars, comets, asteroids, the work unit) to a
// sky direction, then the category that wins. Planetarium mode compares
// horizontal directions (azimuth, altitude), solar-system mode equatorial
// ones (right ascension, declination). Every distance is the true angle on
// the sky, squared, so that a far star near the zenith or a pole never beats
// the one under the cursor.
#include <functional>

#include "CString.h"
#include "SkyMath.h"

class CSkyModel;

enum PickedKind {
  PICK_NONE = -1,
  PICK_DEEP_SKY = 0,
  PICK_BODY = 1,
  PICK_STAR = 2,
  PICK_COMET = 3,
  PICK_ASTEROID = 4,
  PICK_WORK_UNIT = 5,
};

// Which table holds the picked star.
enum StarCatalogue {
  STAR_BRIGHT = 0,
  STAR_SKY2000 = 1,
  STAR_TYCHO2 = 2,
  STAR_TYCHO2_PART2 = 3,
};

constexpr double kNoCandidate = 1e50;

struct PickResult {
  int kind = PICK_NONE;
  // Squared radians, by PickedKind number; kNoCandidate when none.
  double distance[6] = {kNoCandidate, kNoCandidate, kNoCandidate, kNoCandidate, kNoCandidate, kNoCandidate};
  int deepSkyIndex = 0;
  int bodyIndex = 0;
  int cometIndex = 0;
  int asteroidIndex = 0;
  int starIndex = 0;
  int starCatalogue = STAR_BRIGHT;
  double bodyDiameter = 0.0;
  bool lockedIsPicked = false;
};

// What the pick reads of the view besides the sky model.
struct PickContext {
  bool planetarium = true;
  float fieldOfView = 0.8f;
  double deepSkyLimitingMagnitude = 6.0;
  bool tycho2Part2Loaded = false;
  bool showSetiWorkUnits = false;
  // Solar-system mode: the point (relative to the camera) lies within the
  // half-angle of the view direction.
  std::function<bool(float x, float y, float z, float halfAngle)> inViewCone;
  // Asks the user between a deep-sky object and a star inside its outline;
  // returns the chosen line (0 the object, 1 the star, -1 none).
  std::function<int(const CString& deepSkyLine, const CString& starLine)> chooseStarOrDeepSky;
};

// The true angle between two directions given as (longitude, latitude),
// accurate for tiny angles too.
double PickSeparation(double lon1, double lat1, double lon2, double lat2);

// Stores the horizontal place of every star of the active Tycho-2 halves
// in its record (precession, then the horizontal conversion).
void PrepareTycho2HorizontalPlaces(CSkyModel& sky, bool tycho2Part2Loaded);

// The nearest candidate of each category to (a, b) (radians).
PickResult ScanPickCandidates(CSkyModel& sky, const PickContext& context, double a, double b);

// Decides the winner of scanned candidates (the select question included).
void DecidePickWinner(CSkyModel& sky, const PickContext& context, PickResult& result);

// The star label of the select question and the menu title of a star, from
// the star's own catalogue: "Star HD : n" for bright-star and Sky2000
// stars, "Star" for Tycho-2 stars.
CString StarTitle(const PickResult& result);
