#pragma once
// The sky model's part of the main view: the observation context (place,
// instant, atmosphere) and the operations that read it. It has no window and
// no drawing, so plain programs and tests use it directly; the main view
// derives from it, which keeps every operation callable as a view method.
#include <array>
#include <cstdint>

#include "CString.h"
#include "SkyMath.h"
#include "TwoLineElements.h"

class CSkyModel {
 public:
  CSkyModel();
  virtual ~CSkyModel();

  // ---- Time scales and sidereal time -------------------------------------
  // Recomputes the UT fraction, Julian date, obliquity, nutation and local
  // sidereal time from the civil members; first step of every new instant.
  void UpdateTimeContext();
  // m_julianDate from m_year, m_month, m_day and the given UT day fraction.
  void JulianDayFromCalendar(double dayFraction);
  // Civil date and time (zone m_utcOffset applied) of a Julian date.
  void CalendarFromJulianDay(double& year, double& month, double& day, double& hour, double& minute,
                             double& second, double jd);
  // Apparent sidereal time in radians, [0, 2pi), for a west longitude.
  double LocalSiderealTime(double jd, double utFraction, double westLongitude);

  // ---- Coordinates and apparent-place corrections -------------------------
  void EquatorialToHorizontal(double& azimuth, double& altitude, double siderealTime, double rightAscension,
                              double declination);
  void EclipticToEquatorial(double& rightAscension, double longitude, double latitude, double& declination);
  void PrecessFromJ2000(double& rightAscension, double& declination);
  void PrecessToJ2000(double& rightAscension, double& declination);
  void UpdateNutation();
  void ApplyNutationToEquatorial(double& rightAscension, double& declination);
  void ApplyAnnualAberration(double& rightAscension, double& declination);
  // Pressure and temperature scale of the refraction; call when the place or
  // the atmosphere changes.
  void UpdateRefractionFactor();

  // ---- Formatting ---------------------------------------------------------
  void FormatAngle(CString& result, bool hours, bool dropZeros, double degrees);
  void FormatTimeOfDay(CString& result, bool shortForm, double degrees);

  // ---- Moons of Jupiter, Saturn and Uranus; probe trajectory -------------
  // Planet-centred offsets in millions of km for m_julianDate (the solar-
  // system update sets the date back by the planet's light time first).
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
  double m_julianDate = 2451545.0;
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
