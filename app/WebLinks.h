#pragma once
// The public web pages the program opens, kept together so that a packager
// can change them in one place and tests can point them at a stub. The
// maker's own addresses are endpoints (endpoints.ini), empty by default.
#include <string>

struct WebLinks {
  // Astronomical seeing and cloud forecast.
  std::string weather = "https://www.meteoblue.com/en/weather/outdoorsports/seeing";
  // Thesaurus of geographic names, to look up a place's coordinates.
  std::string placeNames = "https://www.getty.edu/research/tools/vocabulary/tgn/index.html";
};

WebLinks& TheWebLinks();
