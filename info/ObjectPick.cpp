#include "ObjectPick.h"

#include <algorithm>
#include <cmath>

#include "Catalogues.h"
#include "NumberFormat.h"
#include "SkyModel.h"
#include "SolarSystemTypes.h"
#include "UiDefs.h"

namespace {

constexpr double kQuarterDegree = 0.004363323129985824;
constexpr int kSedna = 44;

// The nearest candidate of one category: a candidate replaces it only when
// strictly nearer, so the first of equal candidates stays.
struct Nearest {
  double a, b, cosB;
  explicit Nearest(double a_, double b_) : a(a_), b(b_), cosB(std::cos(b_)) {}
  double Squared(double objA, double objB) const {
    const double s = std::sin((objB - b) * 0.5);
    const double t = std::sin((objA - a) * 0.5);
    const double h = std::min(1.0, s * s + cosB * std::cos(objB) * t * t);
    const double sep = 2.0 * std::asin(std::sqrt(h));
    return sep * sep;
  }
};

bool InCone(const PickContext& c, const Vector3d& position, const Vector3d& camera) {
  if (!c.inViewCone) return true;
  return c.inViewCone(static_cast<float>(position.x - camera.x), static_cast<float>(position.y - camera.y),
                      static_cast<float>(position.z - camera.z), static_cast<float>(1.5707963267948966));
}

template <typename Star>
bool ScanTycho(const Nearest& n, const Star* stars, int count, double limit, double& best, int& index) {
  bool replaced = false;
  if (!stars) return false;
  for (int i = 0; i < count; ++i) {
    const Star& s = stars[i];
    if (!(s.vtMagnitude <= limit)) continue;
    const double d = n.Squared(s.azimuth, s.altitude);
    if (d < best) {
      best = d;
      index = i;
      replaced = true;
    }
  }
  return replaced;
}

}  // namespace

double PickSeparation(double lon1, double lat1, double lon2, double lat2) {
  const double s = std::sin((lat2 - lat1) * 0.5);
  const double t = std::sin((lon2 - lon1) * 0.5);
  const double h = std::min(1.0, s * s + std::cos(lat1) * std::cos(lat2) * t * t);
  return 2.0 * std::asin(std::sqrt(h));
}

void PrepareTycho2HorizontalPlaces(CSkyModel& sky, bool tycho2Part2Loaded) {
  auto convert = [&sky](Tycho2Star* stars, int count) {
    if (!stars) return;
    for (int i = 0; i < count; ++i) {
      double ra = stars[i].rightAscension, dec = stars[i].declination, az = 0.0, alt = 0.0;
      sky.PrecessFromJ2000(ra, dec);
      sky.EquatorialToHorizontal(az, alt, sky.m_localSiderealTime, ra, dec);
      stars[i].azimuth = static_cast<float>(az);
      stars[i].altitude = static_cast<float>(alt);
    }
  };
  if (sky.m_tycho2Loaded && g_tycho2StarCount > 0) convert(g_tycho2Stars, g_tycho2StarCount);
  if (tycho2Part2Loaded && g_tycho2Part2StarCount > 0) convert(g_tycho2Part2Stars, g_tycho2Part2StarCount);
}

PickResult ScanPickCandidates(CSkyModel& sky, const PickContext& c, double a, double b) {
  PickResult r;
  const Nearest n(a, b);
  const bool planetarium = c.planetarium;

  // The work unit: one candidate, whatever its distance.
  if (c.showSetiWorkUnits)
    r.distance[PICK_WORK_UNIT] = planetarium ? n.Squared(sky.m_setiAzimuth, sky.m_setiAltitude)
                                             : n.Squared(sky.m_setiStartRa, sky.m_setiStartDec);

  // Stars: one nearest shared by the catalogues, the last one that improved
  // it names the catalogue. The tiles' horizontal places exist only in
  // planetarium mode, so the solar-system sky offers the bright stars alone.
  double& star = r.distance[PICK_STAR];
  const double limit = sky.m_limitingMagnitude;
  const bool tiles = planetarium && (sky.m_sky2000Loaded || sky.m_tycho2Loaded);
  if (!tiles && g_brightStars) {
    for (int i = 0; i < g_brightStarCount; ++i) {
      const BrightStar& s = g_brightStars[i];
      if (!(s.magnitude <= limit)) continue;
      const double d = planetarium ? n.Squared(s.azimuth, s.altitude) : n.Squared(s.rightAscension, s.declination);
      if (d < star) {
        star = d;
        r.starIndex = i;
        r.starCatalogue = STAR_BRIGHT;
      }
    }
  }
  if (planetarium && sky.m_sky2000Loaded && g_sky2000Stars) {
    for (int i = 0; i < g_sky2000StarCount; ++i) {
      const Sky2000Star& s = g_sky2000Stars[i];
      if (!(s.magnitude <= limit)) continue;
      const double d = n.Squared(s.azimuth, s.altitude);
      if (d < star) {
        star = d;
        r.starIndex = i;
        r.starCatalogue = STAR_SKY2000;
      }
    }
  }
  if (planetarium && sky.m_tycho2Loaded) {
    if (ScanTycho(n, g_tycho2Stars, g_tycho2StarCount, limit, star, r.starIndex)) r.starCatalogue = STAR_TYCHO2;
    if (c.tycho2Part2Loaded &&
        ScanTycho(n, g_tycho2Part2Stars, g_tycho2Part2StarCount, limit, star, r.starIndex))
      r.starCatalogue = STAR_TYCHO2_PART2;
  }

  // Bodies: only those under the cursor (their disc, or a small share of
  // the field) are candidates.
  double& body = r.distance[PICK_BODY];
  for (int k = 0; k < kBodyCount; ++k) {
    const BodyState& s = g_bodies[k];
    if (planetarium) {
      const double d = n.Squared(s.azimuth, s.altitude);
      const double sep = std::sqrt(d);
      if (!(sep < s.apparentDiameter / 2.0 || sep < 0.01 * c.fieldOfView)) continue;
      if (d < body && s.apparentDiameter > r.bodyDiameter) {
        body = d;
        r.bodyIndex = k;
        r.bodyDiameter = s.apparentDiameter;
      }
    } else {
      const bool eligible = k == kSedna || !(k > 9 && s.cameraDistance > 100.0);
      if (!InCone(c, s.position, sky.m_cameraPosition)) continue;
      const double d = n.Squared(s.j2000RightAscension, s.j2000Declination);
      const double sep = std::sqrt(d);
      if (!(sep < s.apparentDiameter / 2.0 || sep < 0.01)) continue;
      if (d < body && s.cameraDistance < 1e100 && eligible) {
        body = d;
        r.bodyIndex = k;
      }
    }
  }

  // Deep-sky objects within the magnitude limit, however far.
  if (g_deepSkyObjects) {
    double& deep = r.distance[PICK_DEEP_SKY];
    for (int i = 0; i < g_deepSkyCount; ++i) {
      const DeepSkyObject& o = g_deepSkyObjects[i];
      if (!(o.magnitude <= c.deepSkyLimitingMagnitude)) continue;
      const double d = planetarium ? n.Squared(o.azimuth, o.altitude) : n.Squared(o.rightAscension, o.declination);
      if (d < deep) {
        deep = d;
        r.deepSkyIndex = i;
      }
    }
  }

  // Comets and asteroids of the displayed lists.
  auto scanMinor = [&](auto* records, int recordCount, const int* displayed, int displayedCount, double& best,
                       int& index) {
    if (!records) return;
    displayedCount = std::clamp(displayedCount, 0, kMaxDisplayedObjects);
    for (int j = 0; j < displayedCount; ++j) {
      const int i = displayed[j];
      if (i < 0 || i >= recordCount) continue;
      const auto& o = records[i];
      double d;
      if (planetarium) {
        d = n.Squared(o.azimuth, o.altitude);
        const double s = std::sqrt(d);
        if (!(s < o.apparentDiameter / 2.0 || s < 0.01 * c.fieldOfView)) continue;
      } else {
        if (!InCone(c, o.position, sky.m_cameraPosition)) continue;
        d = n.Squared(o.rightAscension, o.declination);
        const double s = std::sqrt(d);
        if (!(s < o.apparentDiameter / 2.0 || s < 0.02)) continue;
      }
      if (d < best) {
        best = d;
        index = i;
      }
    }
  };
  if (sky.m_showComets)
    scanMinor(g_comets, g_cometCount, g_displayedCometIndices, g_displayedCometCount, r.distance[PICK_COMET],
              r.cometIndex);
  if (sky.m_showAsteroids)
    scanMinor(g_asteroids, g_asteroidCount, g_displayedAsteroidIndices, g_displayedAsteroidCount,
              r.distance[PICK_ASTEROID], r.asteroidIndex);
  return r;
}

CString StarTitle(const PickResult& r) {
  int hd = 0;
  if (r.starCatalogue == STAR_BRIGHT && g_brightStars && r.starIndex >= 0 && r.starIndex < g_brightStarCount)
    hd = g_brightStars[r.starIndex].hdNumber;
  else if (r.starCatalogue == STAR_SKY2000 && g_sky2000Stars && r.starIndex >= 0 && r.starIndex < g_sky2000StarCount)
    hd = g_sky2000Stars[r.starIndex].hdNumber;
  else
    return AfxString(1040);
  return CString(FormatC(AfxString(1041).GetString(), static_cast<long>(hd)).c_str());
}

void DecidePickWinner(CSkyModel& sky, const PickContext& c, PickResult& r) {
  // A category wins when it is strictly nearer than each of the others.
  r.kind = PICK_NONE;
  for (int k = PICK_DEEP_SKY; k <= PICK_WORK_UNIT && r.kind == PICK_NONE; ++k) {
    bool smallest = true;
    for (int other = PICK_DEEP_SKY; other <= PICK_WORK_UNIT; ++other)
      if (other != k && !(r.distance[k] < r.distance[other])) smallest = false;
    if (smallest) r.kind = k;
  }

  if (c.planetarium) {
    // A star inside a deep-sky object's outline: the user says which.
    if (r.kind == PICK_STAR && g_deepSkyObjects && r.deepSkyIndex < g_deepSkyCount &&
        std::sqrt(r.distance[PICK_DEEP_SKY]) < g_deepSkyObjects[r.deepSkyIndex].largeSize / 2.0) {
      int selection = -1;
      if (c.chooseStarOrDeepSky) {
        CString deepSkyLine(g_deepSkyObjects[r.deepSkyIndex].name);
        selection = c.chooseStarOrDeepSky(deepSkyLine, StarTitle(r));
      }
      r.kind = selection == 1 ? PICK_STAR : PICK_DEEP_SKY;
    }
    // The Moon within a quarter degree of its centre.
    if (r.kind != PICK_BODY && r.bodyIndex == kBodyMoon && std::sqrt(r.distance[PICK_BODY]) < kQuarterDegree)
      r.kind = PICK_BODY;
  } else {
    // Near a comet, an asteroid or a body that shows a disc, these win over
    // the catalogues (a body over both).
    const double comet = std::sqrt(r.distance[PICK_COMET]);
    if (comet < 0.01 && sky.m_showComets && g_comets) {
      const int count = std::clamp(g_displayedCometCount, 0, kMaxDisplayedObjects);
      for (int j = 0; j < count; ++j) {
        const int i = g_displayedCometIndices[j];
        if (i >= 0 && i < g_cometCount && g_comets[i].apparentDiameter > comet) {
          r.kind = PICK_COMET;
          break;
        }
      }
    }
    const double asteroid = std::sqrt(r.distance[PICK_ASTEROID]);
    if (asteroid < 0.01 && sky.m_showAsteroids && g_asteroids) {
      const int count = std::clamp(g_displayedAsteroidCount, 0, kMaxDisplayedObjects);
      for (int j = 0; j < count; ++j) {
        const int i = g_displayedAsteroidIndices[j];
        if (i >= 0 && i < g_asteroidCount && g_asteroids[i].apparentDiameter > asteroid) {
          r.kind = PICK_ASTEROID;
          break;
        }
      }
    }
    const double bodySep = std::sqrt(r.distance[PICK_BODY]);
    if (bodySep < 0.01)
      for (int k = 0; k < kBodyCount; ++k)
        if (g_bodies[k].apparentDiameter / 2.0 > bodySep) {
          r.kind = PICK_BODY;
          break;
        }
  }

  int objectNumber = -2;
  if (r.kind == PICK_BODY) objectNumber = r.bodyIndex;
  if (r.kind == PICK_COMET) objectNumber = 2000 + r.cometIndex;
  if (r.kind == PICK_ASTEROID) objectNumber = 1000 + r.asteroidIndex;
  r.lockedIsPicked = sky.m_lockedObject != -1 && sky.m_lockedObject == objectNumber;
}
