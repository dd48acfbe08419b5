#include "ElementDownloads.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>

#include "InstallPath.h"
#include "SolarSystemTypes.h"
#include "TwoLineElements.h"

const char* const kTextImpossibleToConnect = "Impossible to connect !";
const char* const kTextErrorCaption = "Error !  Nuvarine 2.0";
const char* const kTextNotConnected = "Impossible to connect. Are you connected to Internet ?";
const char* const kTextInitialisationConnection = "Initialisation connection...    ";

std::vector<ElementFileSource> ElementFileSources(ElementKind kind) {
  switch (kind) {
    case ElementKind::Comets:
      return {{"/iau/Ephemerides/Comets/Soft06Cmt.txt", "\\donnees\\cometes2.dat"}};
    case ElementKind::Asteroids:
      return {{"/iau/Ephemerides/Bright/2009/Soft06Bright.txt", "\\donnees\\asteroides.dat"},
              {"/iau/Ephemerides/Unusual/Soft06Unusual.txt", "\\donnees\\asteroides2.dat"}};
    case ElementKind::Satellites:
      return {{"/amsat/ftp/keps/current/nasa.all", "\\donnees\\satellites.dat"}};
  }
  return {};
}

namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

bool HasTwoLineElementSet(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  for (size_t i = 0; i + 1 < lines.size(); ++i) {
    SatelliteElements elements;
    if (lines[i].compare(0, 2, "1 ") == 0 && lines[i + 1].compare(0, 2, "2 ") == 0 &&
        ParseTwoLineElements(lines[i].c_str(), lines[i + 1].c_str(), elements) >= 0)
      return true;
  }
  return false;
}

}  // namespace

bool ElementFileReadable(ElementKind kind, const std::string& path) {
  const std::string text = ReadFile(path);
  if (text.empty()) return false;
  switch (kind) {
    case ElementKind::Comets: {
      auto records = std::make_unique<CometRecord[]>(kMaxCometRecords);
      return ParseCometText(text.data(), text.size(), records.get(), kMaxCometRecords) > 0;
    }
    case ElementKind::Asteroids: {
      auto records = std::make_unique<AsteroidRecord[]>(kMaxAsteroidFileRecords);
      return ParseAsteroidText(text.data(), text.size(), records.get(), kMaxAsteroidFileRecords) > 0;
    }
    case ElementKind::Satellites:
      return HasTwoLineElementSet(text);
  }
  return false;
}

ElementDownloadOutcome DownloadElementFiles(ElementKind kind, const std::string& installFolder,
                                            const Endpoints& endpoints, const ProxySettings& proxy,
                                            DownloadProgress& progress, const std::atomic<bool>* abort,
                                            const InternetLimits& limits) {
  ElementDownloadOutcome outcome;
  const std::string& host = kind == ElementKind::Satellites ? endpoints.satelliteHost : endpoints.minorPlanetHost;
  for (const ElementFileSource& source : ElementFileSources(kind)) {
    DownloadJob job;
    job.url = host.empty() ? std::string() : "http://" + host + source.path;
    job.target = ResolveInstallPath(installFolder.c_str(), source.designedFile);
    job.limits = limits;
    job.abort = abort;
    job.accept = [kind](const std::string& path) { return ElementFileReadable(kind, path); };
    job.requestLabel = ElementRequestText(kind);
    job.downloadLabel = ElementDownloadText(kind);
    DWORD status = 0;
    std::string saveProblem;
    const DownloadResult result = DownloadFile(job, proxy, progress, &status, &saveProblem);
    outcome.results.push_back(result);
    if ((result == DownloadResult::CannotCreate || result == DownloadResult::CannotSave) &&
        outcome.unsavedFile.empty()) {
      outcome.unsavedFile = job.target;
      outcome.saveProblem = saveProblem;
    }
    outcome.statuses.push_back(status);
    if (result == DownloadResult::Complete) outcome.replaced = true;
    if (result == DownloadResult::Stopped) {
      outcome.stopped = true;
      break;
    }
    // A target that cannot be written or an address that cannot be split
    // ends the whole kind.
    if (result == DownloadResult::CannotCreate || result == DownloadResult::CannotSave ||
        result == DownloadResult::BadUrl)
      break;
  }
  return outcome;
}

const char* ElementRequestText(ElementKind kind) {
  switch (kind) {
    case ElementKind::Comets:
      return "Request comets' elements...                             ";
    case ElementKind::Asteroids:
      return "Request asteroids' elements...                             ";
    case ElementKind::Satellites:
      return "Request satellites' elements... ";
  }
  return "";
}

const char* ElementDownloadText(ElementKind kind) {
  switch (kind) {
    case ElementKind::Comets:
      return "Download comets' elements...                                 ";
    case ElementKind::Asteroids:
      return "Download asteroids' elements...                                 ";
    case ElementKind::Satellites:
      return "Download satellites' elements... ";
  }
  return "";
}

std::string ElementRejectedMessage(ElementKind kind) {
  const char* what = kind == ElementKind::Comets      ? "comets'"
                     : kind == ElementKind::Asteroids ? "asteroids'"
                                                      : "satellites'";
  return std::string("The server's answer holds no valid ") + what +
         " elements.\r\nThe previous elements are kept.";
}

std::string ElementSaveFailedMessage(const std::string& file, const std::string& problem) {
  return "The file " + file + " could not be saved (" + (problem.empty() ? "unknown cause" : problem) +
         ").\r\nThe previous elements are kept.";
}

std::string ElementSuccessMessage(ElementKind kind, int count) {
  char text[160];
  switch (kind) {
    case ElementKind::Comets:
      std::snprintf(text, sizeof text, "This operation is successful.\r\nThe database contains  %i comets now.", count);
      break;
    case ElementKind::Asteroids:
      std::snprintf(text, sizeof text, "This operation is successful.\r\nThe database contains %i asteroids now.",
                    count);
      break;
    case ElementKind::Satellites:
      std::snprintf(text, sizeof text, "This operation is successful.\r\nThe database contains new satellites elements.");
      break;
  }
  return text;
}
