#pragma once
// The web addresses the program opens, kept together so that a packager can
// change them in one place and tests can point them at a stub.
#include <string>

struct WebLinks {
  std::string homepage = "https://nuvarine.org/";
  std::string contactMail = "mailto:contact@nuvarine.org";
  // Astronomical seeing and cloud forecast.
  std::string weather = "https://www.meteoblue.com/en/weather/outdoorsports/seeing";
  // Thesaurus of geographic names, to look up a place's coordinates.
  std::string placeNames = "https://www.getty.edu/research/tools/vocabulary/tgn/index.html";
};

WebLinks& TheWebLinks();
