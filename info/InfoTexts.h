#pragma once
// Information texts: the rich-text documents that describe one object (a
// body of the solar system, a comet, an asteroid, a deep-sky object, a star
// of one of the four catalogues, the work unit, a spacecraft) as seen from
// the place and at the instant of the sky model. Every label comes from the
// string table; names, catalogue texts and notes are escaped on insertion.
#include <cstdint>

#include "CString.h"
#include "SkyMath.h"

class CSkyModel;

// The 155-character header every information text starts with (font and
// colour tables), without a size switch.
const char* InfoRtfHeader();

// Name tables of the application (body names, lower-case month names,
// Greek letter names "Alpha".."Omega").
struct InfoNameTables {
  const CString* bodyNames = nullptr;
  int bodyNameCount = 0;
  const CString* monthNames = nullptr;    // 12 entries
  const CString* greekLetters = nullptr;  // 24 entries
};

// What the identification of a star found in the other catalogues.
struct StarIdentity {
  int brightMatch = -1;   // index in g_brightStars
  int sky2000Match = -1;  // index in g_sky2000Stars
  int tychoMatch = -1;    // index in g_tycho2Stars
  CString properName;
  CString bayer;          // three characters, or the Greek name they stand for
  CString constellation;  // three characters, or "English (Latin)"
  CString latinName;      // empty when the constellation is unknown
};

// Distance used to match catalogue records (radians, J2000, no cos(dec)
// factor, right-ascension difference folded into [0, pi]).
double StarMatchDistance(double ra1, double dec1, double ra2, double dec2);
constexpr double kStarMatchLimit = 0.0001;
// Index of the nearest record within kStarMatchLimit (the earlier one of
// equal distances), -1 for none. `place(i, ra, dec)` gives record i.
template <typename Place>
int NearestStarRecord(int count, double ra, double dec, Place place) {
  double best = 5e10;
  int bestIndex = -1;
  for (int i = 0; i < count; ++i) {
    double r, d;
    place(i, r, d);
    const double distance = StarMatchDistance(ra, dec, r, d);
    if (distance < best) {
      best = distance;
      bestIndex = i;
    }
  }
  return best <= kStarMatchLimit ? bestIndex : -1;
}

// The string id of the Moon's phase name: `illumination` the lit fraction,
// elongation = the Moon's ecliptic longitude minus the Sun's (radians);
// waning when the elongation lies in (pi, 2 pi).
unsigned MoonPhaseStringId(double illumination, double elongation);

// Right ascension and declination of date of a Tycho-2 star at the instant:
// its J2000 place moved by its proper motion (the right-ascension motion is
// a great-circle rate: it is divided by cos(dec)).
void Tycho2PlaceAtEpoch(double julianDate, float ra, float dec, float pmRa, float pmDec, double& outRa,
                        double& outDec);

class CInfoTextBuilder {
 public:
  // cameraPosition: the 3D camera (solar-system mode), millions of km.
  CInfoTextBuilder(CSkyModel& sky, const InfoNameTables& names, const Vector3d& cameraPosition);

  CString BuildBodyInfoRtf(int body);
  CString BuildCometInfoRtf(int index);
  CString BuildAsteroidInfoRtf(int index);
  CString BuildDeepSkyInfoRtf(int index);
  CString BuildBrightStarInfoRtf(int index);
  CString BuildSetiWorkUnitInfoRtf();
  CString BuildTychoStarInfoRtf(int index);
  CString BuildNamedTychoStarInfoRtf(int index);
  CString BuildSky2000StarInfoRtf(int index);
  CString BuildSpacecraftInfoRtf(int body);

  // The identification of a bright star, a first-half Tycho-2 star or a
  // Sky2000 star in the arrays as they are (no tile is loaded here).
  StarIdentity IdentifyFromBright(int brightIndex);
  void NameFromBright(StarIdentity& id);

 private:
  CString S(unsigned id);
  CString Fmt(unsigned id, ...);
  CString Angle(double radians, bool hours, bool dropZeros = false);
  CString TimeLine(double angle);
  CString Header(const char* sizeSwitch);
  CString TitleAndJulianDay();
  CString Location();
  CString SecondRule();
  // The local-information block of a catalogue object from its J2000 place
  // (already moved by its proper motion).
  CString CatalogueLocal(double ra, double dec, bool heading);
  CString BodyLocal(double ra, double dec, double az, double alt, bool moon, bool sun);
  CString RiseTransitSetLines(double ra, double dec, bool moon, bool sun, bool dropMissing);
  CString NoteBlock(int category, int number);
  CString Ecliptic(const Vector3d& position);
  CString CatalogueLines(const StarIdentity& id, int sky2000, const char* bayerGap);
  CString DmLine(int32_t dm, const char* prefix);
  CString BodyName(int body);

  CSkyModel& m_sky;
  InfoNameTables m_names;
  Vector3d m_camera;
  CString m_last;  // the string last loaded (kept when an id is missing)
};
