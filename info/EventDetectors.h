#pragma once
// The events calendar's detectors: at each time step they compare the state
// of the Sun, the planets and the Moon with the previous step's and write a
// line for each event that happened in between, stamped with the step's
// hour and minute (universal time). Each line's hours are marked so that the
// fine pass steps through them minute by minute.
#include <functional>

#include "CString.h"
#include "EventSampler.h"

class CEventDetectors {
 public:
  // bodyNames: at least 11 names, indexed by body number.
  explicit CEventDetectors(const CString* bodyNames);

  // Start values of the previous quantities and once-per-pass flags.
  void StartPass(bool finePass);
  // The previous values of the primed detectors, taken from the state one
  // day before the step (the warm-up day).
  void Prime(const EventState& dayBefore);
  // The steps between the last one run and the next were not visited: the
  // detectors of a least or greatest value and of the discs' contacts forget
  // the last step they saw, so they compare only steps next to each other.
  void Forget();
  // Runs every detector in order on the state of the step. Texts go to
  // `text`; `mark(k)` asks for hour h + k of the step to be marked (only
  // called from day index 1 on).
  void Run(const EventState& s, int hour, int minute, int dayIndex, CString& text,
           const std::function<void(int)>& mark);

 private:
  CString Load(unsigned id);
  CString Prefix(unsigned id, int hour, int minute);

  const CString* m_names;
  bool m_finePass = false;
  CString m_last;

  double m_phase = 0.0;                 // 1
  double m_pairSeparation[7][11] = {};  // 2
  bool m_pairReported[7][11] = {};
  double m_sunAngle[10] = {};           // 3, 4
  double m_occultation[10] = {};        // 5
  double m_moonRadius = 0.0;            // 5, the previous step's, degrees
  bool m_occultationReported[10] = {};
  double m_sunLongitude = 0.0;          // 6, degrees
  bool m_seasonReported = false;
  double m_elongation[3] = {};          // 7, degrees
  bool m_elongationReported[3] = {};
  double m_earthSunDistance = 1.0;      // 8, 9
  bool m_nearestReported = false, m_farthestReported = false;
  double m_earthDistance[10] = {};      // 10
  bool m_approachReported[10] = {};
  double m_solarSeparation = 1e10;      // 11
  double m_solarRadii = 0.0;            // 11, the previous step's sum of the radii
  bool m_solarReported = false;
  double m_lunarDistance = 1e10;        // 12
  bool m_lunarReported = false;
};

// Separation of two places in degrees as the detectors measure it: the
// right-ascension difference folded into [0, pi] and the declination
// difference, without the cosine of the declination.
double EventSeparation(double ra1, double dec1, double ra2, double dec2);

// The true angular separation in degrees (the right-ascension difference
// scaled by the cosine of the mean declination): eclipses and occultations
// compare it with the radii of the discs.
double TrueSeparation(double ra1, double dec1, double ra2, double dec2);

// Radius of the Earth's umbra at the Moon's distance, degrees: the Moon's
// and the Sun's parallaxes less the Sun's radius, enlarged by a fiftieth for
// the atmosphere.
double UmbraRadius(const EventState& s);
