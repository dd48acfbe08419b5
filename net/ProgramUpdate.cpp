#include "ProgramUpdate.h"

#include <sys/stat.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

#include "InstallPath.h"
#include "NumberFormat.h"

namespace {

const char* const kKeys[kComponentCount] = {"##update", "##nuvarine", "##orbicalc", "##sondes", "##textures", "##aide"};
const char* const kPackages[kComponentCount] = {"update.exe",  "maj.exe",      "orbicalc.exe",
                                                "sondes.exe", "textures.exe", "aide.exe"};
constexpr size_t kRecordSize = 200;

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string text = VFormatC(format, args);
  va_end(args);
  return text;
}

float ToFloat(const std::string& text) { return static_cast<float>(AtofC(text.c_str())); }

}  // namespace

const char* PackageFileName(int component) {
  return component >= 0 && component < kComponentCount ? kPackages[component] : "";
}

VersionPage ParseVersionPage(const std::string& block) {
  VersionPage page;
  std::string text;
  const std::string head = block.substr(0, 2000);
  for (size_t i = 0; i < head.size(); ++i) {
    if (head[i] == '\r' && i + 1 < head.size() && head[i + 1] == '\n') {
      ++i;
      continue;
    }
    text += head[i];
  }
  const size_t first = text.find("###");
  if (first == std::string::npos) return page;
  const size_t second = text.find("###", first + 3);
  const std::string payload = text.substr(first + 3, second == std::string::npos ? std::string::npos : second - first - 3);
  for (int c = 0; c < kComponentCount; ++c) {
    const size_t at = payload.find(kKeys[c]);
    if (at == std::string::npos) continue;
    const size_t urlStart = at + std::string(kKeys[c]).size() + 1;
    if (urlStart > payload.size()) continue;
    const size_t urlEnd = payload.find('#', urlStart);
    if (urlEnd == std::string::npos) continue;
    page.url[c] = payload.substr(urlStart, urlEnd - urlStart);
    const size_t versionEnd = payload.find("##", urlEnd + 1);
    page.version[c] = payload.substr(urlEnd + 1, versionEnd == std::string::npos ? std::string::npos
                                                                                   : versionEnd - urlEnd - 1);
  }
  return page;
}

float VersionNumberFromText(const std::string& text) {
  std::string t = text;
  const size_t r = t.find(" R");
  if (r != std::string::npos) t.erase(r, 2);
  const size_t dot = t.rfind('.');
  if (dot != std::string::npos && t.find('.') != dot) t.erase(dot, 1);
  return ToFloat(t);
}

float ReadVersionFile(const std::string& path) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return 1.001f;
  char buffer[31] = {};
  const size_t n = std::fread(buffer, 1, 30, f);
  std::fclose(f);
  if (n == 0) return 1.001f;
  return ToFloat(buffer);
}

std::array<float, kComponentCount> InstalledVersions(const std::string& installFolder,
                                                     const std::string& programVersion,
                                                     const std::string& libraryVersion) {
  return {ReadVersionFile(ResolveInstallPath(installFolder, "\\update\\version.txt")),
          VersionNumberFromText(programVersion),
          VersionNumberFromText(libraryVersion),
          ReadVersionFile(ResolveInstallPath(installFolder, "\\Objets\\version.txt")),
          ReadVersionFile(ResolveInstallPath(installFolder, "\\Textures\\version.txt")),
          ReadVersionFile(ResolveInstallPath(installFolder, "\\versionaide.txt"))};
}

std::string BuildUpdateList(VersionPage& page, const std::array<float, kComponentCount>& installed) {
  std::string list;
  for (int c = 0; c < kComponentCount; ++c) {
    const float offered = ToFloat(page.version[c]);
    if (page.url[c].empty() || !(offered - installed[c] > 0.00001f)) {
      page.url[c].clear();
      continue;
    }
    const std::string& v = page.version[c];
    const std::string five = v.substr(0, 5);
    const char revision = v.size() > 5 ? v[5] : '0';
    switch (c) {
      case kUpdater:
        list += Format("Version %5.3f of UpdateNuvarine.exe file\r\n", offered);
        break;
      case kProgram:
        list += Format("The version %s (revision %c) of Nuvarine is available.", five.c_str(), revision);
        break;
      case kLibrary:
        list += Format("Version %s%c of Orbicalc.dll file\r\n", five.c_str(), revision);
        break;
      case kObjects:
        list += Format("Version %5.3f of datas about 3D objects\r\n", offered);
        break;
      case kTextures:
        list += Format("Version %5.3f of textures files\r\n", offered);
        break;
      case kHelp:
        list += Format("Version %5.3f of Nuvarine2.hlp file\r\n", offered);
        break;
    }
  }
  return list;
}

InternetLimits VersionPageLimits() {
  InternetLimits limits;
  limits.totalTimeoutMs = 30000;
  return limits;
}

bool IsVersionPage(const std::string& block) {
  const VersionPage page = ParseVersionPage(block);
  for (int c = 0; c < kComponentCount; ++c)
    if (!page.url[c].empty() && !page.version[c].empty()) return true;
  return false;
}

VersionPageResult FetchVersionPage(const std::string& url, const ProxySettings& proxy, const InternetLimits& limits,
                                   const std::atomic<bool>* abort, std::string& block) {
  block.clear();
  DWORD service = 0;
  CString server, object;
  INTERNET_PORT port = 0;
  if (!AfxParseURL(url.c_str(), service, server, object, port)) return VersionPageResult::BadUrl;
  std::unique_ptr<CInternetSession> session(NewInternetSession(proxy));
  session->SetLimits(limits);
  session->SetAbortFlags(abort);
  std::unique_ptr<CHttpConnection> connection(session->GetHttpConnection(server.c_str(), port));
  std::unique_ptr<CHttpFile> file(connection->OpenRequest(CHttpConnection::HTTP_VERB_GET, object.c_str(), nullptr, 1,
                                                          nullptr, nullptr,
                                                          INTERNET_FLAG_RELOAD | INTERNET_FLAG_KEEP_CONNECTION |
                                                              INTERNET_FLAG_NO_CACHE_WRITE));
  auto stopped = [&] { return abort && abort->load(); };
  DWORD status = 0;
  if (!file->SendRequest() || !file->QueryInfoStatusCode(status) || status != HTTP_STATUS_OK)
    return stopped() ? VersionPageResult::Stopped : VersionPageResult::NotFound;
  // The block may come in pieces: read until 2000 bytes or the end.
  char buffer[2000];
  size_t filled = 0;
  UINT n = 0;
  while (filled < sizeof buffer && (n = file->Read(buffer + filled, static_cast<UINT>(sizeof buffer - filled))) > 0)
    filled += n;
  block.assign(buffer, filled);
  // An answer that ended early (dropped, over the time limit) is used only
  // when its payload arrived whole.
  const bool cutShort = filled < sizeof buffer && !file->IsComplete();
  file->Close();
  if (stopped()) return VersionPageResult::Stopped;
  if (!IsVersionPage(block)) return VersionPageResult::Unreadable;
  if (cutShort) {
    const size_t first = block.find("###");
    if (block.find("###", first + 3) == std::string::npos) return VersionPageResult::Unreadable;
  }
  return VersionPageResult::Read;
}

int64_t QueryRemoteFileSize(const std::string& url, const ProxySettings& proxy, const InternetLimits& limits) {
  DWORD service = 0;
  CString server, object;
  INTERNET_PORT port = 0;
  if (!AfxParseURL(url.c_str(), service, server, object, port)) return 0;
  std::unique_ptr<CInternetSession> session(NewInternetSession(proxy));
  session->SetLimits(limits);
  std::unique_ptr<CHttpConnection> connection(session->GetHttpConnection(server.c_str(), port));
  std::unique_ptr<CHttpFile> file(connection->OpenRequest(CHttpConnection::HTTP_VERB_GET, object.c_str(), nullptr, 1,
                                                          nullptr, nullptr,
                                                          INTERNET_FLAG_RELOAD | INTERNET_FLAG_KEEP_CONNECTION));
  if (!file->SendRequest()) return 0;
  // A package the server does not have has no size (its error page's
  // length would hold the total below 100 %).
  DWORD status = 0;
  if (!file->QueryInfoStatusCode(status) || status != HTTP_STATUS_OK) return 0;
  const int64_t length = file->GetLength();
  return length > 0 ? length : 0;
}

bool InstallUpdates(const std::array<std::string, kComponentCount>& urls, const std::string& installFolder,
                    const ProxySettings& proxy, UpdateProgress& progress, const InternetLimits& limits) {
  namespace fs = std::filesystem;
  // An address that cannot be split stops the installation before anything
  // is fetched, so no package and no work list is left for the updater.
  for (const std::string& url : urls) {
    DWORD service = 0;
    CString server, object;
    INTERNET_PORT port = 0;
    if (!url.empty() && !AfxParseURL(url.c_str(), service, server, object, port)) {
      progress.badAddress = true;
      progress.stopRequested = true;
      return false;
    }
  }
  const std::string folder = ResolveInstallPath(installFolder, "\\update");
  std::error_code ignored;
  fs::create_directories(folder, ignored);
  std::ofstream workList(ResolveInstallPath(installFolder, "\\update\\travail.ini"), std::ios::binary | std::ios::trunc);

  std::array<int64_t, kComponentCount> sizes{};
  int64_t total = 0;
  for (int c = 0; c < kComponentCount; ++c) {
    if (urls[c].empty()) continue;
    sizes[c] = QueryRemoteFileSize(urls[c], proxy, limits);
    total += sizes[c];
  }
  int64_t running = 0;
  for (int c = 0; c < kComponentCount && !progress.stopRequested; ++c) {
    if (urls[c].empty()) continue;
    // The record names the package as the updater will find it.
    const std::string record = installFolder + "\\update\\" + kPackages[c];
    if (record.size() >= kRecordSize) continue;
    DownloadJob job;
    job.url = urls[c];
    job.target = ResolveInstallPath(installFolder, std::string("\\update\\") + kPackages[c]);
    job.flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_KEEP_CONNECTION;
    job.limits = limits;
    job.abort = &progress.stopRequested;
    const int64_t size = sizes[c];
    const int64_t before = running;
    job.onBlock = [&, size, before, c](int64_t fileBytes) {
      progress.filePercent = size > 0 ? static_cast<int>(fileBytes * 100 / size) : 0;
      progress.totalPercent = total > 0 ? static_cast<int>((before + fileBytes) * 100 / total) : 0;
      progress.SetText(Format("%s (%3.1f ko / %3.1f ko)", kPackages[c], fileBytes / 1024.0, size / 1024.0));
      running = before + fileBytes;
    };
    DownloadProgress bytes;
    const DownloadResult result = DownloadFile(job, proxy, bytes);
    if (result == DownloadResult::BadUrl) {
      progress.badAddress = true;
      progress.stopRequested = true;
    }
    // Only a delivered package goes on the updater's list.
    if (result == DownloadResult::Complete && c != kUpdater) {
      std::string padded = record;
      padded.resize(kRecordSize, '\0');
      workList.write(padded.data(), static_cast<std::streamsize>(padded.size()));
    }
    if (c == kTextures) {
      fs::copy_file(ResolveInstallPath(installFolder, "\\textures\\CP\\CP.ini"),
                    ResolveInstallPath(installFolder, "\\textures\\CP\\CP.ini.bak"),
                    fs::copy_options::overwrite_existing, ignored);
    }
  }
  workList.close();
  if (progress.stopRequested) return false;
  progress.stopRequested = true;
  return true;
}
