#include "TimePlace.h"

#include <cmath>
#include <cstdio>

void SplitDegrees(double value, int& degrees, int& minutes, int& seconds) {
  degrees = static_cast<int>(std::floor(value));
  const double minutesExact = (value - degrees) * 60.0;
  minutes = static_cast<int>(std::floor(minutesExact));
  seconds = static_cast<int>(std::lround((minutesExact - minutes) * 60.0));
  if (seconds >= 60) {
    seconds = 0;
    ++minutes;
  }
  if (minutes >= 60) {
    minutes = 0;
    ++degrees;
  }
}

bool EarthMapPosition(int x, int y, double& longitudeWest, double& latitudeNorth) {
  if (x < kEarthMapLeft || x > kEarthMapLeft + 511 || y < kEarthMapTop || y > kEarthMapTop + 256) return false;
  longitudeWest = (0.5 - (x - kEarthMapLeft) / 511.0) * 360.0;
  latitudeNorth = (0.5 - (y - kEarthMapTop) / 256.0) * 180.0;
  return true;
}

std::string EarthMapAngleText(double angle, bool latitude) {
  const double t = std::fabs(angle) * 3600.0;
  double seconds = std::round(std::fmod(t, 60.0) * 10.0) / 10.0;
  double wholeMinutes = std::floor(t / 60.0);
  int minutes = static_cast<int>(std::fmod(wholeMinutes, 60.0));
  int degrees = static_cast<int>(std::floor(wholeMinutes / 60.0));
  if (seconds >= 60.0) {
    ++minutes;
    if (minutes >= 60) {
      minutes = 0;
      ++degrees;
    }
  }
  const char* hemisphere = latitude ? (angle >= 0.0 ? "  N" : "  S") : (angle >= 0.0 ? "  W" : "  E");
  char text[64];
  std::snprintf(text, sizeof text, "%3i \xB0  %2i '  %s", degrees, minutes, hemisphere);
  return text;
}

bool UtcOffsetAt(std::time_t when, double& hours) {
  tzset();
  std::tm local{};
  if (!localtime_r(&when, &local)) return false;
  hours = static_cast<double>(local.tm_gmtoff) / 3600.0;
  return true;
}

double DialogRefractionFactor(double temperature, double pressure) {
  return 273.0 / (temperature + 273.0000000001) * (pressure * 0.0009869232667160128);
}

void DialogParallaxTerms(double latitude, double elevation, double& rhoSinPhi, double& rhoCosPhi) {
  const double halfPi = std::acos(-1.0) / 2.0;
  if (std::fabs(latitude) == halfPi || latitude == 0.0) {
    rhoSinPhi = std::sin(latitude);
    rhoCosPhi = std::cos(latitude);
    return;
  }
  const double u = std::atan(0.99664719 * std::tan(latitude));
  rhoSinPhi = 0.99664719 * std::sin(u) + elevation / 6378140.0 * std::sin(latitude);
  rhoCosPhi = std::cos(u) + elevation / 6378140.0 * std::cos(latitude);
}

bool YearNeedsPrecisionWarning(double year) { return year < -3000.0 || year > 3000.0; }

double ClosingAngle(int degrees, int minutes, int seconds, bool latitude) {
  double value = std::fabs(degrees + minutes / 60.0 + seconds / 3600.0);
  if (latitude && value == 90.0) value = 90.0 - 1.0 / 3600.0;
  return value;
}
