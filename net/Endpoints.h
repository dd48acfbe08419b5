#pragma once
// Every host and address the internet services reach, kept together so that
// an installation (or a test) can point them elsewhere with one file of
// "key=value" lines. Empty values mean: no such service is known; the callers
// then give their usual failure message without connecting.
#include <string>

struct Endpoints {
  // Host reached by the connection test, port 80.
  std::string testHost = "www.minorplanetcenter.net";
  // Element files: the paths are fixed; these are their servers
  // ("host" or "host:port").
  std::string minorPlanetHost = "www.minorplanetcenter.net";
  std::string satelliteHost = "www.amsat.org";
  // Survey tile servers of kinds 1, 2 and 3, and the server combo's texts.
  std::string surveyHost[3] = {"archive.stsci.edu", "archive.eso.org", "skyview.gsfc.nasa.gov"};
  std::string surveyLabel[3] = {"archive.stsci.edu (STScI)", "archive.eso.org (ESO)",
                                "skyview.gsfc.nasa.gov (SkyView, NASA)"};
  // Whole addresses of a real-time cloud map (one chosen per download).
  std::string cloudMapUrl[4];
  // The maker's version page (string 401) and download page (string 403).
  std::string versionPageUrl;
  std::string downloadPageUrl;
  // The maker's home page and contact mail address ("name@host", with or
  // without "mailto:").
  std::string homepageUrl;
  std::string contactMail;
  // Satellite pass pages.
  std::string passHost = "www.heavens-above.com";
  std::string iridiumHost;
};

// The endpoints in force: the defaults above, changed by LoadEndpoints.
Endpoints& g_endpoints();
// Reads "key=value" lines (keys as the member names, indexed ones as
// surveyHost1 .. surveyHost3, cloudMapUrl1 .. cloudMapUrl4); unknown keys and
// lines without "=" are ignored. False when the file cannot be read (the
// endpoints then stay as they were).
bool LoadEndpoints(const std::string& path, Endpoints& into = g_endpoints());
