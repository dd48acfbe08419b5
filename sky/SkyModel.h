#pragma once
// The sky model's part of the main view: the observation context (place,
// instant, atmosphere) and the operations that read it. It has no window and
// no drawing, so plain programs and tests use it directly; the main view
// derives from it, which keeps every operation callable as a view method.
#include <array>
#include <cstdint>

#include "CString.h"
#include "SkyMath.h"
#include "SolarSystemTypes.h"
#include "TwoLineElements.h"

// A point of the equator, ecliptic or coordinate-grid tables.
struct SkyPoint {
  double azimuth;
  double altitude;
  double rightAscension;  // of date, radians
  double declination;
};
constexpr int kEquatorPointCount = 361;
constexpr int kGridColumnCount = 49;
constexpr int kGridColumnSlots = 30;
constexpr int kGridRowCount = 26;

// One placed picture of a deep-sky object.
struct DeepSkyPicture {
  CString fileName;     // inside "\textures\CP\"
  int32_t objectNumber;  // index in g_deepSkyObjects; -1 ends the list
  float scale;          // factor on the object's large size
  float raOffset;       // thousandths of a radian added to the right ascension
  float decOffset;      // thousandths of a radian added to the declination
  float rotation;       // degrees added to the picture's turn
};
constexpr int kDeepSkyPictureLimit = 500;
// 501 slots: at most 500 pictures and the end mark.
extern DeepSkyPicture g_deepSkyPictures[kDeepSkyPictureLimit + 1];

class CSkyModel {
 public:
  CSkyModel();
  virtual ~CSkyModel();

  // ---- Time scales and sidereal time -------------------------------------
  // The sky model keeps the classical formulas of the 1900 epoch for time and
  // coordinates (the planets have their own, modern reduction in the planet
  // library): Newcomb's sidereal time, obliquity and precession, the
  // nutation series truncated to its largest terms, and the aberration of a
  // circular orbit. Their forms are those of the Explanatory Supplement to
  // the Astronomical Ephemeris (HMSO, 1961) and of J. Meeus, Astronomical
  // Formulae for Calculators (1979 and later editions). Compared with the IAU
  // 2006/2000A models (ERFA) over 1900-2100 they differ by at most 2.2" in
  // sidereal time, 0.02" in obliquity, 0.15" in nutation in longitude, 0.05"
  // in nutation in obliquity and 2.2" in a precessed place. Their time
  // argument is the UT Julian date: sidereal time wants UT, and TT - UT
  // (about a minute) changes the others by far less than those differences.

  // Recomputes the UT fraction, Julian date, obliquity, nutation and local
  // sidereal time from the civil members; first step of every new instant.
  // Mean obliquity (radians): 23.452294 - 0.0130125 T - 1.64e-6 T^2 + 5.03e-7 T^3
  // degrees, T in Julian centuries from JD 2415020.0 (1900 January 0.5).
  void UpdateTimeContext();
  // m_julianDate from m_year, m_month, m_day and the given UT day fraction.
  void JulianDayFromCalendar(double dayFraction);
  // Civil date and time (zone m_utcOffset applied) of a Julian date.
  void CalendarFromJulianDay(double& year, double& month, double& day, double& hour, double& minute,
                             double& second, double jd);
  // Apparent sidereal time in radians, [0, 2pi), for a west longitude
  // (radians): Newcomb's mean sidereal time 2 pi (0.276919398 + 100.0021359 T
  // + 1.075e-6 T^2 + utFraction) revolutions, T in Julian centuries of the
  // UT Julian date jd from JD 2415020.0 and utFraction the day's UT fraction
  // (jd's own), plus the equation of the equinoxes (nutation in longitude
  // times cos of the obliquity) of the last UpdateNutation.
  double LocalSiderealTime(double jd, double utFraction, double westLongitude);

  // ---- Coordinates and apparent-place corrections -------------------------
  // Every angle in radians. Horizontal place of an equatorial one at the
  // observer's latitude: azimuth from the north through the east, altitude
  // raised by the refraction (pressure and temperature scaled; from 0.1
  // degree up, a table fit below 15 degrees, the cotangent series above).
  void EquatorialToHorizontal(double& azimuth, double& altitude, double siderealTime, double rightAscension,
                              double declination);
  // The same from cos(dec) cos(H), cos(dec) sin(H) and sin(dec), H the hour angle.
  void HorizontalFromHourAngle(double& azimuth, double& altitude, double cosDecCosH, double cosDecSinH,
                               double sinDec);
  // Ecliptic longitude and latitude to the equator, by the obliquity of the
  // last UpdateTimeContext (mean, without nutation).
  void EclipticToEquatorial(double& rightAscension, double longitude, double latitude, double& declination);
  // Precession between the J2000 mean equator and the mean equator of
  // m_julianDate by Newcomb's angles zeta, z and theta, with their rates at
  // the 1950 epoch: zeta = 2304.948 t + 0.302 t^2 + 0.018 t^3,
  // z = 2304.948 t + 1.093 t^2 + 0.019 t^3, theta = 2004.255 t - 0.426 t^2
  // - 0.042 t^3 arcseconds, t in tropical centuries (36524.2199 days) from
  // JD 2451544.5. ToJ2000 applies the transposed rotation, so a place goes
  // there and back unchanged.
  void PrecessFromJ2000(double& rightAscension, double& declination);
  void PrecessToJ2000(double& rightAscension, double& declination);
  // Nutation in longitude and in obliquity (m_nutationLongitude,
  // m_nutationObliquity, radians) for m_julianDate: the classical series of
  // the 1900 epoch in the Moon's node, the Sun's and Moon's mean longitudes
  // and anomalies, truncated to its largest terms (13 in longitude, down to
  // 0.011"; 9 in obliquity, down to 0.007").
  void UpdateNutation();
  // Mean place of date to true place of date by that nutation (first order).
  void ApplyNutationToEquatorial(double& rightAscension, double& declination);
  // Annual aberration for an Earth on a circular orbit: the constant of
  // aberration 20.49552" along the Sun's longitude (m_sunLongitude + pi),
  // without the terms of the orbit's eccentricity (up to 0.34").
  void ApplyAnnualAberration(double& rightAscension, double& declination);
  // Pressure and temperature scale of the refraction; call when the place or
  // the atmosphere changes.
  void UpdateRefractionFactor();

  // ---- Formatting ---------------------------------------------------------
  void FormatAngle(CString& result, bool hours, bool dropZeros, double degrees);
  void FormatTimeOfDay(CString& result, bool shortForm, double degrees);

  // ---- Solar system: planet library, body table, comets and asteroids -----
  // Loads m_installFolder + "\Orbicalc.DLL" and its entry point PlanetesCalcul
  // into g_pPlanetesCalcul. On failure returns false and leaves the text of the
  // message to show (kPlanetLibraryFailureText, caption
  // kPlanetLibraryFailureCaption) in m_planetLibraryFailure; start-up then ends.
  bool LoadPlanetLibrary();
  // The library's rows for the view's instant and site; pressure 0 gives
  // unrefracted altitudes. Null when the library is not loaded.
  PlanetLibraryResult* CallPlanetLibrary(int mode, const PlanetLibraryElements& elements, double pressure);
  // Brings g_bodies to m_julianDate.
  void UpdateSolarSystemBodies();
  void PlaceBodyAroundParent(int body, int parent, float x, float y, float z);
  void ComputeApparentPlace(int body, int parent);
  void ComputeHorizontalFromScene(int body);
  // Object numbers: bodies 0-999, asteroid i = 1000 + i, comet i = 2000 + i.
  void ComputePhaseAndMagnitude(int objectNumber);
  // Each file of a load that gives nothing (missing, a dangling link, not a
  // file, unreadable, empty, or holding no element line) is named with the
  // reason, one "path: reason" line each, in m_cometFileProblems or
  // m_asteroidFileProblems (cleared by each load); the start-up tells them.
  bool LoadComets(CString installFolder);
  bool LoadAsteroids(CString installFolder);
  std::string m_cometFileProblems;
  std::string m_asteroidFileProblems;
  void UpdateCometPositions();
  void UpdateAsteroidPositions();

  // Sky projection of the 3D scene (solar-system mode). The drawing layer
  // replaces these with its camera-based versions; the defaults give the exact
  // direction from m_cameraPosition in the ecliptic scene frame.
  virtual void ProjectPointToSky(double x, double y, double z, double& longitude, double& latitude);
  virtual void ProjectBodyToSky(int n);
  // Unit direction (radius r) in the scene of an equatorial direction
  // (ecliptic frame) or of a horizontal one (direct frame).
  virtual void SkyToScenePoint(float out[3], bool direct, float latitude, float longitude, float radius);

  // Planet-centred offset (millions of km, scene frame) of a moon given by
  // the Jupiter, Saturn or Uranus theory; false for any other body.
  bool TheoryMoonOffset(int body, float& x, float& y, float& z);
  // A probe's position from g_trajectory (mode 1) or g_secondTrajectory
  // (mode 2) for m_julianDate, and its distances from the camera.
  void UpdateSpacecraftPosition(int mode, int body);
  // Space probes from their trajectories (first pass, and the second pass for
  // 57, 58 and the Cassini-Huygens pair).
  void UpdateProbeBodies(bool secondPass);

  CString m_installFolder;
  CString m_planetLibraryFailure;
  double m_earthSunDistance = 1.0;    // AU
  // Geocentric observer terms for the parallax (start-up derives them from the place).
  double m_rhoSinPhi = 0.0;
  double m_rhoCosPhi = 1.0;
  bool m_planetariumMode = false;
  bool m_computingEphemeris = false;
  int m_lockedObject = -1;            // object number the camera follows, -1 none
  int m_trajectoryBody = 0;           // probe whose trajectory is loaded; 0 or -1 none
  Vector3d m_cameraPosition;          // millions of km, solar-system frame

  // ---- Orbit table and orbit outlines ----------------------------------------
  // Brings the 29 slots of g_orbits to m_julianDate: Kepler ellipses, Sedna
  // from the planet library, artificial satellites from their element sets.
  // Virtual so that a test model can count the per-instant update's calls.
  virtual void UpdateOrbitTable();
  // Fills m_orbitOutlines for m_julianDate.
  virtual void BuildOrbitPaths();
  bool m_computeSatellitePositions = true;  // setting "Compute satellites positions"

  // ---- Moons of Jupiter, Saturn and Uranus; probe trajectory -------------
  // Planet-centred offsets in millions of km for m_julianDate (the solar-
  // system update sets the date back by the planet's light time first), in
  // the scene frame: each theory's own reduction from its planet's equator.
  void ComputeIoOffset(double& x, double& y, double& z);
  void ComputeEuropaOffset(double& x, double& y, double& z);
  void ComputeGanymedeOffset(double& x, double& y, double& z);
  void ComputeCallistoOffset(double& x, double& y, double& z);
  // Angle in radians by which Jupiter's texture is turned.
  double JupiterCentralMeridian();
  void ComputeMimasOffset(double& x, double& y, double& z);
  void ComputeEnceladusOffset(double& x, double& y, double& z);
  void ComputeTethysOffset(double& x, double& y, double& z);
  void ComputeDioneOffset(double& x, double& y, double& z);
  void ComputeRheaOffset(double& x, double& y, double& z);
  void ComputeTitanOffset(double& x, double& y, double& z);
  void ComputeHyperionOffset(double& x, double& y, double& z);
  void ComputeIapetusOffset(double& x, double& y, double& z);
  void ComputePhoebeOffset(double& x, double& y, double& z);
  // moon 0 Miranda .. 4 Oberon; another index gives a zero offset.
  void ComputeUranusMoonOffset(int moon, double& x, double& y, double& z);
  // m_julianDate lies within the loaded trajectory (g_trajectory).
  bool IsDateInTrajectory();
  // Outlines of the orbits of Mercury..Neptune, Pluto and Sedna (scene frame,
  // millions of km), filled by BuildOrbitOutlines for drawing only.
  float m_orbitOutlines[10][362][3] = {};

  // ---- Observation context: civil instant (whole numbers kept as doubles) -
  double m_year = 2000.0;
  double m_month = 1.0;
  double m_day = 1.0;
  double m_hour = 12.0;
  double m_minute = 0.0;
  double m_second = 0.0;
  double m_utcOffset = 0.0;  // hours: civil time = UT + m_utcOffset

  // ---- Derived time state (valid after UpdateTimeContext) ----------------
  double m_utFraction = 0.5;
  double m_julianDate = 2451545.0;  // UT
  // TT - UT in days at m_julianDate, as the planet library last gave it.
  double m_dynamicalTimeOffset = 0.0;
  double m_obliquity = 0.0;
  double m_cosObliquity = 1.0;
  double m_sinObliquity = 0.0;
  double m_nutationLongitude = 0.0;
  double m_nutationObliquity = 0.0;
  double m_localSiderealTime = 0.0;

  // ---- Place and atmosphere ------------------------------------------------
  double m_observerLongitude = 0.0;  // radians, positive west
  double m_observerLatitude = 0.0;   // radians
  double m_sinLatitude = 0.0;
  double m_cosLatitude = 1.0;
  double m_observerElevation = 0.0;  // metres
  double m_pressure = 1013.25;       // hPa; 0 switches refraction off
  double m_temperature = 0.0;        // degrees C
  double m_refractionFactor = 1.0;

  // The Earth's heliocentric ecliptic longitude (the Sun's geocentric longitude + pi).
  double m_sunLongitude = 0.0;

  // ---- Volunteer-computing work unit ----------------------------------------
  // Reads the current work unit through the client's "client_state.xml";
  // false (stored values unchanged) when anything is missing.
  bool LoadSetiWorkUnit(CString clientStatePath);

  CString m_setiClientStatePath;
  double m_setiStartRa = 0.0;   // radians
  double m_setiStartDec = 0.0;  // radians
  double m_setiAzimuth = 0.0;
  double m_setiAltitude = 0.0;
  double m_setiEndRa = 0.0;
  double m_setiEndDec = 0.0;
  double m_setiAngleRange = 0.0;
  double m_setiBaseFrequency = 0.0;
  CString m_setiWorkUnitName;

  // ---- Per-instant sky positions ------------------------------------------
  // Brings every position the sky map draws to the current instant: time
  // state, orbit table, bodies, then (planetarium mode) catalogue tiles,
  // zones, stars, deep-sky objects and constellation figures, then grids,
  // comets, asteroids, target, telescope, Moon-Sun separation and work unit.
  void UpdateSkyPositions();

  // Display switches read by the update (the settings file keeps most of them).
  bool m_showStarNames = false;
  bool m_showDeepSkyObjects = true;
  bool m_showConstellationNames = false;
  bool m_showConstellationBorders = false;
  bool m_showConstellationFigures = false;
  bool m_showEquator = false;
  bool m_showEcliptic = false;
  bool m_showEquatorialGrid = false;
  bool m_showComets = false;
  bool m_showAsteroids = false;
  bool m_showOrbits = false;
  bool m_useSky2000 = true;
  bool m_useTycho2 = true;
  bool m_sky2000Loaded = false;
  bool m_tycho2Loaded = false;
  // The bright-star catalogue supplies the stars of the current field; the
  // sky drawing clears it while star tiles are active.
  bool m_brightStarLayerActive = true;
  double m_limitingMagnitude = 7.0;       // of the current field, set by the sky drawing
  double m_deepSkyMagnitudeLimit = 30.0;  // user limit
  uint32_t m_frameCounter = 0;            // frames since the device was set up

  // Equator (361 points), ecliptic (361) and equatorial grid (49 columns of
  // 26 nodes in slots of 30): places of date, converted every instant.
  SkyPoint m_equatorPoints[kEquatorPointCount] = {};
  SkyPoint m_eclipticPoints[kEquatorPointCount] = {};
  SkyPoint m_equatorialGridPoints[kGridColumnCount][kGridColumnSlots] = {};

  // Marked target and telescope (equatorial of date, radians) and their
  // horizontal places.
  double m_targetRightAscension = 0.0;
  double m_targetDeclination = 0.0;
  double m_targetAzimuth = 0.0;
  double m_targetAltitude = 0.0;
  double m_telescopeRightAscension = 0.0;
  double m_telescopeDeclination = 0.0;
  double m_telescopeAzimuth = 0.0;
  double m_telescopeAltitude = 0.0;
  // Angular distance between the Sun and the Moon, degrees.
  float m_moonSunSeparation = 0.0f;

  // ---- Rise, transit and set; Sun and Moon altitude -------------------------
  // Local civil times of the day of the view's instant as angles (2pi = 24 h),
  // -1 for no event. moon selects the Moon, else sun the Sun, else the fixed
  // place (of date). False when the object neither rises nor sets that day.
  // The Sun and Moon searches move the instant and put it back.
  bool RiseTransitSet(double& rise, double& transit, double& set, bool moon, bool sun, double rightAscension,
                      double declination);
  // Horizontal place (radians, unrefracted) of the Moon or the Sun at
  // m_julianDate; false (outputs unchanged) without the planet library.
  bool ComputeMoonAltAz(double& azimuth, double& altitude);
  bool ComputeSunAltAz(double& azimuth, double& altitude);

  // ---- Deep-sky picture placement -------------------------------------------
  // g_deepSkyPictures from m_installFolder + "\Textures\CP\CP.ini"; a
  // missing file gives an empty list. Always true.
  bool LoadDeepSkyPictures();
  // Writes the whole list back to the file; false when it could not be written.
  bool SaveDeepSkyPictures();

  // ---- Artificial satellites: two-line elements ----------------------------
  // Replaces the element lines of the ten computed satellites from
  // folder + "\donnees\satellites.dat"; true when the file was read.
  bool LoadSatellites(CString folder);
  // Copies the two lines that follow the line starting at `position` in
  // `text` into the pair of orbit slot `slot` (2, 3, 9 to 16; others are
  // ignored). A pair that does not parse is not copied.
  void ExtractTwoLineElements(int position, const char* text, int slot);
  // Geocentric position (km) and topocentric right ascension, declination,
  // altitude and azimuth (rad) of a satellite at m_julianDate. False when the
  // element set is rejected or its orbit cannot be propagated: the position
  // is then (0, 0, 0), the angles are left as they were, and the caller
  // shows nothing for the satellite.
  bool ComputeSatellitePosition(const char* lines[2], double& x, double& y, double& z, double& rightAscension,
                                double& declination, double& altitude, double& azimuth);
  // True when body `body` is a computed satellite, due at m_julianDate
  // (computation on, inside its dates), whose element set lies more than
  // kElementSetValidityDays from m_julianDate: it is then not placed, and
  // `epoch` (when given) gets the set's epoch (Julian date).
  bool SatelliteElementsOutOfDate(int body, double* epoch = nullptr) const;
  // 22 pairs of element lines (pair p: entries 2p and 2p + 1), NUL-terminated,
  // filled with the built-in sets.
  using TleLineBuffer = std::array<char, kTleLineBufferSize>;
  std::array<TleLineBuffer, 2 * kTlePairCount> m_tleLines = BuiltInTleLineBuffers();
  static std::array<TleLineBuffer, 2 * kTlePairCount> BuiltInTleLineBuffers();
};

// Where the volunteer-computing client keeps its state on Debian.
extern const char* const kDefaultSetiClientStatePath;

// Julian date of a packed number YYYYMMDD.dddd.
double JulianDayFromPackedDate(double packed);
// Julian date of the computer clock's local date and time, to the minute,
// without any time-zone correction.
double JulianDayOfSystemClock();
// The calendar arithmetic shared by the view and the clock: Julian date of a
// civil date (day with fraction), Julian calendar before 1582-10-15.
double JulianDayOfCivilDate(int64_t year, int64_t month, double dayWithFraction);
