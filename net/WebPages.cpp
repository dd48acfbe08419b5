#include "WebPages.h"

#include <cctype>
#include <cmath>
#include <cstdio>

#include "NumberFormat.h"

const char* const kTextIridiumQuestion = "Searching for Iridium flares for the next 7 days.";

const CountryTimeZone g_countryTimeZones[kCountryCount] = {
    {"UCT11", "(GMT-11) American Samoa, Midway Is., Niue Is., Samoa"},
    {"AlST", "(GMT-10) United States (Alaska, Aleutian Is.)"},
    {"UCT10", "(GMT-10) United States (Hawaii), Cook Is., French Polynesia (Tahiti)"},
    {"NAST", "(GMT-9) United States (Alaska)"},
    {"PST", "(GMT-8) Canada (Pacific), United States (Pacific)"},
    {"Arizona", "(GMT-7) United States (Arizona)"},
    {"MST", "(GMT-7) Canada (Mountain), United States (Mountain)"},
    {"UCT7", "(GMT-7) Mexico (Chihuahua, Sinaloa)"},
    {"CST", "(GMT-6) Canada (Central), United States (Central)"},
    {"Sask", "(GMT-6) Canada (Saskatchewan)"},
    {"UCT6", "(GMT-6) Mexico, Costa Rica, El Salvador, Guatemala, Honduras, Nicaragua"},
    {"ACRE", "(GMT-5) Brazil (Acre)"},
    {"EST", "(GMT-5) Canada (Eastern), United States (Eastern)"},
    {"Indiana", "(GMT-5) United States (Indiana)"},
    {"UCT5", "(GMT-5) Colombia, Ecuador, Jamaica, Panama, Peru"},
    {"AST", "(GMT-4) Canada (Atlantic), Bermuda"},
    {"Chile", "(GMT-4) Chile"},
    {"UCT4", "(GMT-4) Bolivia, Dominican Republic, Puerto Rico, Venezuela"},
    {"WBST", "(GMT-4) Brazil (West)"},
    {"NST", "(GMT-3.5) Canada (Newfoundland)"},
    {"EBST", "(GMT-3) Brazil (East)"},
    {"NAST3", "(GMT-3) Greenland"},
    {"SAT", "(GMT-3) Argentina, French Guiana, Suriname, Uruguay"},
    {"NORO", "(GMT-2) Brazil (Fernando de Noronha), South Georgia"},
    {"EUT1", "(GMT-1) Portugal (Azores)"},
    {"UCT1", "(GMT-1) Cape Verde"},
    {"GMT", "(GMT+0) United Kingdom, Ireland"},
    {"PWT", "(GMT+0) Portugal"},
    {"UCT", "(GMT+0) Iceland, Ghana, Liberia, Senegal, Sierra Leone"},
    {"WET", "(GMT+0) Canary Is., Faroe Is., Morocco"},
    {"CET",
     "(GMT+1) Austria, Belgium, Denmark, France, Germany, Italy, Netherlands, Norway, Spain, Sweden, Switzerland"},
    {"UCTm1", "(GMT+1) Algeria, Angola, Cameroon, Nigeria, Tunisia"},
    {"EET", "(GMT+2) Bulgaria, Cyprus, Finland, Greece, Romania, Turkey, Ukraine"},
    {"Egypt", "(GMT+2) Egypt"},
    {"EUTm2", "(GMT+2) Estonia, Latvia, Lithuania"},
    {"Israel", "(GMT+2) Israel"},
    {"JST", "(GMT+2) Jordan, Lebanon, Syria"},
    {"RFTm2", "(GMT+2) Russian Federation (Zone 1)"},
    {"SAST", "(GMT+2) South Africa, Lesotho, Swaziland"},
    {"SST", "(GMT+2) Sudan"},
    {"UCTm2", "(GMT+2) Botswana, Malawi, Mozambique, Zambia, Zimbabwe"},
    {"IST", "(GMT+3) Iraq"},
    {"RFTm3", "(GMT+3) Russian Federation (Zone 2)"},
    {"UCTm3", "(GMT+3) Ethiopia, Kenya, Kuwait, Saudi Arabia, Tanzania, Yemen"},
    {"Iran", "(GMT+3.5) Iran"},
    {"RFTm4", "(GMT+4) Russian Federation (Zone 3)"},
    {"UAEST", "(GMT+4) United Arab Emirates, Oman"},
    {"UCTm4", "(GMT+4) Armenia, Azerbaijan, Georgia, Mauritius, Seychelles"},
    {"AFG", "(GMT+4.5) Afghanistan"},
    {"RFTm5", "(GMT+5) Russian Federation (Zone 4)"},
    {"UCTm5", "(GMT+5) Maldives, Pakistan, Tajikistan, Turkmenistan, Uzbekistan"},
    {"UCTm5colon30", "(GMT+5.5) India"},
    {"UCTm5colon45", "(GMT+5.75) Nepal"},
    {"RFTm6", "(GMT+6) Russian Federation (Zone 5)"},
    {"UCTm6", "(GMT+6) Bangladesh, Bhutan, Kazakhstan, Kyrgyzstan"},
    {"UCTm6colon30", "(GMT+6.5) Myanmar, Cocos Is."},
    {"RFTm7", "(GMT+7) Russian Federation (Zone 6)"},
    {"UCTm7", "(GMT+7) Cambodia, Indonesia (West), Laos, Thailand, Vietnam"},
    {"ChST", "(GMT+8) China, Hong Kong, Macau"},
    {"MALST", "(GMT+8) Malaysia"},
    {"RFTm8", "(GMT+8) Russian Federation (Zone 7)"},
    {"UCTm8", "(GMT+8) Australia (Western), Brunei, Philippines, Singapore, Taiwan"},
    {"JapST", "(GMT+9) Japan"},
    {"RFTm9", "(GMT+9) Russian Federation (Zone 8)"},
    {"UCTm9", "(GMT+9) Korea, Indonesia (East), Palau"},
    {"ACST", "(GMT+9.5) Australia (South Australia)"},
    {"UCTm9colon30", "(GMT+9.5) Australia (Northern Territory)"},
    {"AEST", "(GMT+10) Australia (New South Wales, Victoria)"},
    {"RFTm10", "(GMT+10) Russian Federation (Zone 9)"},
    {"TST", "(GMT+10) Australia (Tasmania)"},
    {"UCTm10", "(GMT+10) Australia (Queensland), Guam, Papua New Guinea"},
    {"RFTm11", "(GMT+11) Russian Federation (Zone 10)"},
    {"UCTm11", "(GMT+11) New Caledonia, Solomon Is., Vanuatu"},
    {"UCTm11colon30", "(GMT+11.5) Norfolk Is."},
    {"NZST", "(GMT+12) New Zealand"},
    {"RFTm12", "(GMT+12) Russian Federation (Zone 11)"},
    {"UCTm12", "(GMT+12) Fiji, Kiribati, Nauru, Tuvalu, Wake Is., Wallis & Futana Is."},
};

namespace {

bool SameText(const std::string& a, const char* b) {
  size_t i = 0;
  for (; i < a.size() && b[i]; ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return i == a.size() && b[i] == '\0';
}

constexpr double kDegrees = 180.0 / 3.14159265358979323846;

}  // namespace

std::string CountryCodeOf(const std::string& text) {
  std::string code;
  for (const CountryTimeZone& row : g_countryTimeZones)
    if (SameText(text, row.country)) code = row.code;
  return code;
}

std::string IridiumFlaresUrl(const std::string& host, double latitude, double westLongitude, double elevation,
                             const std::string& code) {
  if (host.empty()) return {};
  const std::string query =
      FormatC("/iridium.asp?lat=%06.4f&lng=%06.4f&alt=%06.0f&loc=Unspecified&TZ=%s&Dur=7", latitude * kDegrees,
              -westLongitude * kDegrees, elevation, code.c_str());
  return "http://" + host + query;
}

std::string SatelliteVisibilityUrl(const std::string& host, double latitude, double westLongitude, double elevation,
                                   const std::string& code, double julianDate, double utcOffset, double hour) {
  if (host.empty()) return {};
  const double d = std::floor(utcOffset / 24.0 + julianDate - 2415018.5);
  double value;
  const char* suffix = "";
  if (hour >= 1.0 && hour < 12.0) {
    value = d + 0.1875;
    suffix = "&AM=T";
  } else {
    value = d + 0.6875;
  }
  if (hour < 1.0) value -= 1.0;
  const std::string query =
      FormatC("/allsats.asp?lat=%06.4f&lng=%06.4f&alt=%06.0f&loc=Unspecified&TZ=%s&Date=%5.4f&Mag=4.5%s",
                latitude * kDegrees, -westLongitude * kDegrees, elevation, code.c_str(), value, suffix);
  return "http://" + host + query;
}
