#pragma once
// The satellite-pass pages: the country table of the pass site's time-zone
// codes and the addresses opened in the browser for the observer's place.
#include <string>

struct CountryTimeZone {
  const char* code;
  const char* country;
};
constexpr int kCountryCount = 77;
constexpr int kDefaultCountryRow = 30;  // "CET"
extern const CountryTimeZone g_countryTimeZones[kCountryCount];

// The code of the last row whose country text equals `text` without regard
// to case; empty when none does (a typed text).
std::string CountryCodeOf(const std::string& text);

// latitude in radians north positive, longitude in radians west positive,
// elevation in metres. Empty when no pass site is configured.
std::string IridiumFlaresUrl(const std::string& host, double latitude, double westLongitude, double elevation,
                             const std::string& code);
// julianDate UT, utcOffset hours, hour the civil hour of the view.
std::string SatelliteVisibilityUrl(const std::string& host, double latitude, double westLongitude, double elevation,
                                   const std::string& code, double julianDate, double utcOffset, double hour);

extern const char* const kTextIridiumQuestion;  // 1067
