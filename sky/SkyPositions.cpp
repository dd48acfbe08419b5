// The per-instant update: every position the sky map draws, brought to the
// view's current instant in one pass.
#include <cmath>

#include "Catalogues.h"
#include "ConstellationTables.h"
#include "SkyModel.h"

namespace {

// Deep-sky zones whose middle lies this far below the horizon are skipped
// whole; the value is kept in single precision as the drawing compares it.
constexpr float kDeepSkyZoneHorizon = -0.2617993950843811f;
// Bright stars kept current for their names while star tiles supply the field.
constexpr double kStarNameMagnitude = 4.5;

double ReduceTwoPi(double a) {
  double r = std::fmod(a, kTwoPi);
  if (r < 0.0) r += kTwoPi;
  return r;
}

int ClampCount(int n, int capacity) { return n < 0 ? 0 : (n > capacity ? capacity : n); }

}  // namespace

void CSkyModel::UpdateSkyPositions() {
  UpdateTimeContext();
  UpdateOrbitTable();
  UpdateSolarSystemBodies();
  const double lst = m_localSiderealTime;

  // A J2000 catalogue place, precessed to the date and turned to the horizon.
  // The precession is a rotation: its matrix (columns = the precessed axes)
  // folded with the sidereal time gives cos(dec) cos(H), cos(dec) sin(H) and
  // sin(dec) of date straight from the J2000 unit vector, which saves most of
  // the trigonometry of some twenty thousand places per call.
  double rows[3][3];
  {
    double axes[3][3];
    const double j2000[3][2] = {{0.0, 0.0}, {kPi / 2.0, 0.0}, {0.0, kPi / 2.0}};
    for (int k = 0; k < 3; ++k) {
      double ra = j2000[k][0], dec = j2000[k][1];
      PrecessFromJ2000(ra, dec);
      axes[k][0] = std::cos(dec) * std::cos(ra);
      axes[k][1] = std::cos(dec) * std::sin(ra);
      axes[k][2] = std::sin(dec);
    }
    const double c = std::cos(lst), s = std::sin(lst);
    for (int k = 0; k < 3; ++k) {
      rows[0][k] = c * axes[k][0] + s * axes[k][1];
      rows[1][k] = s * axes[k][0] - c * axes[k][1];
      rows[2][k] = axes[k][2];
    }
  }
  auto place = [this, &rows](double ra, double dec, double& az, double& alt) {
    double sd, cd, sa, ca;
    ::sincos(dec, &sd, &cd);
    ::sincos(ra, &sa, &ca);
    const double v[3] = {cd * ca, cd * sa, sd};
    HorizontalFromHourAngle(az, alt, rows[0][0] * v[0] + rows[0][1] * v[1] + rows[0][2] * v[2],
                            rows[1][0] * v[0] + rows[1][1] * v[1] + rows[1][2] * v[2],
                            rows[2][0] * v[0] + rows[2][1] * v[1] + rows[2][2] * v[2]);
  };

  if (m_planetariumMode) {
    if (m_sky2000Loaded && m_useSky2000) {
      for (int t = 1; t <= kSky2000TileCount; ++t) {
        TileCentre& c = g_sky2000Tiles[t];
        place(c.rightAscension, c.declination, c.azimuth, c.altitude);
      }
    }
    if (m_tycho2Loaded && m_useTycho2) {
      for (int t = 1; t <= kTycho2TileCount; ++t) {
        TileCentre& c = g_tycho2Tiles[t];
        place(c.rightAscension, c.declination, c.azimuth, c.altitude);
      }
    }

    // Bright stars: the whole field's stars, or only those that carry names.
    const bool starLayer = m_brightStarLayerActive;
    if ((starLayer || m_showStarNames) && g_brightStars != nullptr) {
      const double limit = starLayer ? m_limitingMagnitude : kStarNameMagnitude;
      const int count = ClampCount(g_brightStarCount, kBrightStarCapacity);
      for (int z = 1; z <= kZoneCount; ++z) {
        BrightStarZone& zone = g_brightStarZones[z];
        EquatorialToHorizontal(zone.azimuth, zone.altitude, lst, zone.rightAscension, zone.declination);
        const int begin = ClampCount(g_brightStarZones[z - 1].endIndex, count);
        const int end = ClampCount(zone.endIndex, count);
        for (int i = begin; i < end; ++i) {
          BrightStar& s = g_brightStars[i];
          if (s.magnitude > limit) continue;
          double az, alt;
          place(s.rightAscension, s.declination, az, alt);
          s.azimuth = static_cast<float>(az);
          s.altitude = static_cast<float>(alt);
        }
      }
    }

    if (m_showDeepSkyObjects && g_deepSkyObjects != nullptr) {
      const int count = ClampCount(g_deepSkyCount, kDeepSkyCapacity);
      for (int z = 1; z <= kZoneCount; ++z) {
        DeepSkyZone& zone = g_deepSkyZones[z];
        double zoneAzimuth;
        EquatorialToHorizontal(zoneAzimuth, zone.altitude, lst, zone.rightAscension, zone.declination);
        if (!(zone.altitude > kDeepSkyZoneHorizon)) continue;
        const int begin = ClampCount(g_deepSkyZones[z - 1].endIndex, count);
        const int end = ClampCount(zone.endIndex, count);
        for (int i = begin; i < end; ++i) {
          DeepSkyObject& o = g_deepSkyObjects[i];
          if (o.magnitude <= m_deepSkyMagnitudeLimit) {
            place(o.rightAscension, o.declination, o.azimuth, o.altitude);
          } else {
            o.azimuth = 0.0;
            o.altitude = -kPi / 2.0;
          }
        }
      }
    }

    if (m_showConstellationNames) {
      for (ConstellationEntry& c : g_constellations) place(c.rightAscension, c.declination, c.azimuth, c.altitude);
    }
    if (m_showConstellationBorders) {
      for (int i = 0; i < g_borderPointCount; ++i) {
        BorderPoint& p = g_borderPoints[i];
        place(p.rightAscension, p.declination, p.azimuth, p.altitude);
      }
      for (int i = 0; i < g_borderPairCount; ++i) {
        BorderSegment& s = g_borderSegments[i];
        place(s.rightAscension1, s.declination1, s.azimuth1, s.altitude1);
        place(s.rightAscension2, s.declination2, s.azimuth2, s.altitude2);
      }
    }
    if (m_showConstellationFigures) {
      for (int i = 0; i < g_figurePointCount; ++i) {
        FigurePoint& p = g_figurePoints[i];
        place(p.rightAscension, p.declination, p.azimuth, p.altitude);
      }
    }
  }

  // These tables already hold places of date.
  if (m_showEquator) {
    for (SkyPoint& p : m_equatorPoints) EquatorialToHorizontal(p.azimuth, p.altitude, lst, p.rightAscension, p.declination);
  }
  if (m_showEcliptic) {
    for (SkyPoint& p : m_eclipticPoints) EquatorialToHorizontal(p.azimuth, p.altitude, lst, p.rightAscension, p.declination);
  }
  if (m_showEquatorialGrid) {
    for (auto& column : m_equatorialGridPoints) {
      for (int j = 0; j < kGridRowCount; ++j) {
        SkyPoint& p = column[j];
        EquatorialToHorizontal(p.azimuth, p.altitude, lst, p.rightAscension, p.declination);
      }
    }
  }

  // The first frames compute both lists so that a later switch finds them current.
  if (m_showComets || m_frameCounter < 10) UpdateCometPositions();
  if (m_showAsteroids || m_frameCounter < 10) UpdateAsteroidPositions();

  EquatorialToHorizontal(m_targetAzimuth, m_targetAltitude, lst, m_targetRightAscension, m_targetDeclination);
  EquatorialToHorizontal(m_telescopeAzimuth, m_telescopeAltitude, lst, m_telescopeRightAscension,
                         m_telescopeDeclination);

  if (m_showOrbits) BuildOrbitPaths();

  const BodyState& sun = g_bodies[kBodySun];
  const BodyState& moon = g_bodies[kBodyMoon];
  double d = ReduceTwoPi(sun.rightAscension - moon.rightAscension);
  if (d > kPi) d = kTwoPi - d;
  const double e = sun.declination - moon.declination;
  m_moonSunSeparation = static_cast<float>(std::sqrt(d * d + e * e) * 57.29578);

  EquatorialToHorizontal(m_setiAzimuth, m_setiAltitude, lst, m_setiStartRa, m_setiStartDec);
}
