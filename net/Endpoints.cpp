#include "Endpoints.h"

#include <fstream>

Endpoints& g_endpoints() {
  static Endpoints endpoints;
  return endpoints;
}

bool LoadEndpoints(const std::string& path, Endpoints& into) {
  std::ifstream in(path);
  if (!in) return false;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const size_t eq = line.find('=');
    if (eq == std::string::npos || line[0] == '#' || line[0] == ';') continue;
    const std::string key = line.substr(0, eq);
    const std::string value = line.substr(eq + 1);
    if (key == "testHost") into.testHost = value;
    else if (key == "minorPlanetHost") into.minorPlanetHost = value;
    else if (key == "satelliteHost") into.satelliteHost = value;
    else if (key == "versionPageUrl") into.versionPageUrl = value;
    else if (key == "downloadPageUrl") into.downloadPageUrl = value;
    else if (key == "homepageUrl") into.homepageUrl = value;
    else if (key == "contactMail") into.contactMail = value;
    else if (key == "passHost") into.passHost = value;
    else if (key == "iridiumHost") into.iridiumHost = value;
    else if (key.size() == 11 && key.compare(0, 10, "surveyHost") == 0 && key[10] >= '1' && key[10] <= '3')
      into.surveyHost[key[10] - '1'] = value;
    else if (key.size() == 12 && key.compare(0, 11, "surveyLabel") == 0 && key[11] >= '1' && key[11] <= '3')
      into.surveyLabel[key[11] - '1'] = value;
    else if (key.size() == 12 && key.compare(0, 11, "cloudMapUrl") == 0 && key[11] >= '1' && key[11] <= '4')
      into.cloudMapUrl[key[11] - '1'] = value;
  }
  return true;
}
