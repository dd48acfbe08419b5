#pragma once
// The arithmetic of the time and place dialog, its Earth map and its
// time-zone button, apart from the windows so it can be checked alone.
#include <ctime>
#include <string>

// Degrees, minutes and seconds of a non-negative angle as the dialog's edits
// show them: seconds rounded half away from zero, carries into minutes and degrees.
void SplitDegrees(double value, int& degrees, int& minutes, int& seconds);

// The Earth map: a 512 x 256 picture whose top-left corner is 14 pixels
// right of and below the dialog's client origin. False outside the map.
constexpr int kEarthMapLeft = 14;
constexpr int kEarthMapTop = 14;
bool EarthMapPosition(int x, int y, double& longitudeWest, double& latitudeNorth);
// "%3i °  %2i '  " and the hemisphere ("  N"/"  S" or "  W"/"  E"), code page 1252.
std::string EarthMapAngleText(double angle, bool latitude);

// The civil-time offset from UT, in hours, in force at `when` in the
// system's zone (TZ when set, else the system zone; daylight saving
// included). False when the zone database gives nothing.
bool UtcOffsetAt(std::time_t when, double& hours);

// Observer terms taken after the dialog: the refraction scale for a
// temperature (C) and pressure (hPa), and the parallax terms of a latitude
// (radians) and an elevation (metres).
double DialogRefractionFactor(double temperature, double pressure);
void DialogParallaxTerms(double latitude, double elevation, double& rhoSinPhi, double& rhoCosPhi);

// The year range in which the planets' positions keep their precision.
bool YearNeedsPrecisionWarning(double year);

// The absolute angle of three edits as the dialog takes it on closing: a
// latitude of exactly 90 degrees becomes 89 deg 59 min 59 s.
double ClosingAngle(int degrees, int minutes, int seconds, bool latitude);
