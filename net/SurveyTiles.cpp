#include "SurveyTiles.h"

#include <fcntl.h>
#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdarg>
#include <memory>
#include <cstdio>
#include <map>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "Image.h"
#include "InstallPath.h"
#include "NumberFormat.h"

std::atomic<bool> g_dssThreadFree[3] = {true, true, true};
std::atomic<bool> g_stopDownloadThreads{false};
std::atomic<bool> g_dssInternetAvailable{true};

namespace {

std::mutex g_settingsMutex;
ConnectionTestTarget g_connectionTest;
InternetLimits g_tileLimits = [] {
  InternetLimits l;
  l.maxBytes = 16ll * 1024 * 1024;  // a tile is well under this
  return l;
}();

constexpr double kPi = 3.14159265358979323846;

std::string Formatted(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Formatted(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string text = VFormatC(format, args);
  va_end(args);
  return text;
}

// Frees the slot on every way out of a download.
struct SlotGuard {
  int slot;
  ~SlotGuard() { g_dssThreadFree[slot] = true; }
};

// Pauses after failures, per tile name and per server host.
using Clock = std::chrono::steady_clock;
struct Backoff {
  int failures = 0;
  Clock::time_point until{};
};
std::mutex g_backoffMutex;
int g_backoffFirstMs = 2000;
int g_backoffCapMs = 300000;
Clock::time_point (*g_backoffClock)() = nullptr;
Clock::time_point Now() { return g_backoffClock ? g_backoffClock() : Clock::now(); }
std::map<std::string, Backoff> g_tileBackoff;
std::map<std::string, Backoff> g_serverBackoff;
std::set<std::string> g_serversComplainedOf;
std::vector<std::string> g_pendingComplaints;
constexpr int kFailuresBeforeComplaint = 3;
constexpr size_t kMostTilesRemembered = 4096;

bool Waiting(const std::map<std::string, Backoff>& table, const std::string& key, Clock::time_point now) {
  const auto it = table.find(key);
  return it != table.end() && now < it->second.until;
}

void AddFailure(Backoff& b, Clock::time_point now) {
  ++b.failures;
  const int doublings = std::min(b.failures - 1, 20);
  const long long pause = std::min<long long>(static_cast<long long>(g_backoffFirstMs) << doublings, g_backoffCapMs);
  b.until = now + std::chrono::milliseconds(pause);
}

// True when the tile or its server is still pausing after failures.
bool BackingOff(const std::string& tile, const std::string& server) {
  std::lock_guard<std::mutex> lock(g_backoffMutex);
  if (g_backoffFirstMs <= 0) return false;
  const Clock::time_point now = Now();
  return Waiting(g_tileBackoff, tile, now) || Waiting(g_serverBackoff, server, now);
}

void RecordTileOutcome(const std::string& tile, const std::string& server, bool good) {
  std::lock_guard<std::mutex> lock(g_backoffMutex);
  if (g_backoffFirstMs <= 0) return;
  if (good) {
    g_tileBackoff.erase(tile);
    g_serverBackoff.erase(server);
    return;
  }
  const Clock::time_point now = Now();
  if (g_tileBackoff.size() >= kMostTilesRemembered) {
    for (auto it = g_tileBackoff.begin(); it != g_tileBackoff.end();)
      it = now >= it->second.until ? g_tileBackoff.erase(it) : std::next(it);
    if (g_tileBackoff.size() >= kMostTilesRemembered) g_tileBackoff.clear();
  }
  AddFailure(g_tileBackoff[tile], now);
  Backoff& b = g_serverBackoff[server];
  AddFailure(b, now);
  if (b.failures >= kFailuresBeforeComplaint && g_serversComplainedOf.insert(server).second)
    g_pendingComplaints.push_back(server);
}

bool FileLength(const std::string& path, long long& length) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return false;
  length = st.st_size;
  return true;
}

}  // namespace

void SetDssConnectionTest(const ConnectionTestTarget& target) {
  std::lock_guard<std::mutex> lock(g_settingsMutex);
  g_connectionTest = target;
}

void SetDssLimits(const InternetLimits& limits) {
  std::lock_guard<std::mutex> lock(g_settingsMutex);
  g_tileLimits = limits;
}

void SetDssBackoff(int firstMilliseconds, int capMilliseconds) {
  std::lock_guard<std::mutex> lock(g_backoffMutex);
  g_backoffFirstMs = firstMilliseconds;
  g_backoffCapMs = capMilliseconds;
  g_tileBackoff.clear();
  g_serverBackoff.clear();
  g_serversComplainedOf.clear();
  g_pendingComplaints.clear();
}

void SetDssClock(Clock::time_point (*now)()) {
  std::lock_guard<std::mutex> lock(g_backoffMutex);
  g_backoffClock = now;
}

bool TakeDssServerComplaint(std::string& host) {
  std::lock_guard<std::mutex> lock(g_backoffMutex);
  if (g_pendingComplaints.empty()) return false;
  host = g_pendingComplaints.front();
  g_pendingComplaints.erase(g_pendingComplaints.begin());
  return true;
}

std::string DssTileName(double rightAscension, double declination, int server, int imageType, int option) {
  const int a = static_cast<int>(rightAscension);
  const int b = static_cast<int>((rightAscension - a) * 60.0);
  const char sign = declination < 0.0 ? '-' : '+';
  const double absolute = std::fabs(declination);
  const int c = static_cast<int>(absolute);
  const int d = static_cast<int>((absolute - c) * 60.0);
  const int last = server == 3 && option == 3 ? 2 : 1;
  return Formatted("%03i%02i%c%02i%02i-%i-%i-%i", a, b, sign, c, d, server, imageType, last);
}

std::string DssTileUrl(const std::string& host, int server, double rightAscension, double declination,
                       int imageType, int option) {
  if (host.empty()) return {};
  const double w = std::fabs(std::cos((declination - 0.5) * kPi / 180.0));
  switch (server) {
    case 1: {
      const char* v = imageType == 1 ? "1" : imageType == 2 ? "phase2_gsc1" : "";
      return "http://" + host +
             Formatted("/cgi-bin/dss_search?v=%s&r=%10.8f&d=%10.8f&e=J2000&h=%3.2f&w=%3.2f&f=gif&c=none&fov=NONE&v3=",
                       v, rightAscension, declination, 60.0, w * 60.0);
    }
    case 2:
      return "http://" + host +
             Formatted("/dss/dss?ra=%10.5f&dec=%10.5f&equinox=J2000&x=%3.2f&y=%3.2f&Sky-Survey=%s&mime-type=download-gif",
                       rightAscension, declination, w * 60.0, 60.0, imageType == 1 ? "DSS1" : "");
    case 3:
      return "http://" + host +
             Formatted("/cgi-bin/images?Survey=dss2r&coordinates=J2000&position=%10.5f,%10.5f&size=%5.5f,1.0&pixels=%5.0f,"
                       "2000&scaling=linear%s&Return=JPEG",
                       rightAscension, declination, w, w * 2000.0, option == 3 ? "&lut=Fire" : "");
    default:
      return {};
  }
}

void DownloadDssTile(int slot, DssTileRequest request) {
  if (slot < 0 || slot > 2) return;
  g_dssThreadFree[slot] = false;
  SlotGuard guard{slot};
  if (!request.go) return;
  ConnectionTestTarget test;
  InternetLimits limits;
  {
    std::lock_guard<std::mutex> lock(g_settingsMutex);
    test = g_connectionTest;
    limits = g_tileLimits;
  }
  const std::string name =
      DssTileName(request.rightAscension, request.declination, request.server, request.imageType, request.option);
  const std::string& folder = request.installFolder;
  const std::string cached = ResolveInstallPath(folder, "\\cache\\DSS\\" + name + ".jpg");
  const std::string temporary = ResolveInstallPath(folder, "\\cache\\DSS\\temp-" + name + ".gif");

  // A tile in the cache is never fetched again; an empty one is removed so
  // the next request fetches it.
  long long length = 0;
  if (FileLength(cached, length)) {
    if (length == 0) ::unlink(cached.c_str());
    return;
  }
  // The temporary file marks a tile another slot is fetching (or one whose
  // answer was too small, until the next start).
  if (::access(temporary.c_str(), F_OK) == 0) return;
  if (g_stopDownloadThreads) return;
  // A tile or server that answered badly waits for its pause to end: asking
  // again at once would only repeat the failure, many times a second.
  const std::string serverKey = request.host;
  if (BackingOff(name, serverKey)) return;
  if (!TestInternetConnection(test.host.c_str(), test.port, static_cast<int>(limits.connectTimeoutMs))) {
    g_dssInternetAvailable = false;
    return;
  }
  // Created exclusively: of two slots on the same tile only one gets it.
  const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) return;

  const std::string url =
      DssTileUrl(request.host, request.server, request.rightAscension, request.declination, request.imageType,
                 request.option);
  DWORD service = 0;
  CString server, object;
  INTERNET_PORT port = 0;
  if (!AfxParseURL(url.c_str(), service, server, object, port)) {
    ::close(fd);
    ::unlink(temporary.c_str());
    return;
  }
  std::unique_ptr<CInternetSession> session(NewInternetSession({request.useProxy, request.proxyName}));
  session->SetLimits(limits);
  session->SetAbortFlags(&g_stopDownloadThreads);
  std::unique_ptr<CHttpConnection> connection(session->GetHttpConnection(server.c_str(), port));
  std::unique_ptr<CHttpFile> file(connection->OpenRequest(CHttpConnection::HTTP_VERB_GET, object.c_str(), nullptr, 1,
                                                          nullptr, nullptr, INTERNET_FLAG_KEEP_CONNECTION));
  if (!file->SendRequest()) {
    ::close(fd);
    ::unlink(temporary.c_str());
    if (!g_stopDownloadThreads) RecordTileOutcome(name, serverKey, false);
    return;
  }
  DWORD status = 0;
  file->QueryInfoStatusCode(status);
  long long bytes = 0;
  bool written = true;
  if (status == HTTP_STATUS_OK) {
    char block[512];
    UINT n = 0;
    while (!g_stopDownloadThreads && (n = file->Read(block, sizeof block)) > 0) {
      if (::write(fd, block, n) != static_cast<ssize_t>(n)) {
        written = false;
        break;
      }
      bytes += n;
    }
  }
  const bool complete = status == HTTP_STATUS_OK && written && file->IsComplete();
  ::close(fd);
  file->Close();
  connection->Close();

  if (g_stopDownloadThreads) {
    ::unlink(temporary.c_str());
    return;
  }
  // An error status or a tiny answer (an error page, nothing) keeps its
  // temporary file: the tile is skipped until the next start. A transfer cut
  // short is dropped, so a later request tries again.
  if (status != HTTP_STATUS_OK || (complete && bytes <= 100)) {
    RecordTileOutcome(name, serverKey, false);
    return;
  }
  if (!complete) {
    ::unlink(temporary.c_str());
    RecordTileOutcome(name, serverKey, false);
    return;
  }

  CImage image;
  bool ok = !g_stopDownloadThreads && image.Load(temporary.c_str());
  const bool colour = request.server == 3 && request.option == 3;
  ok = ok && !g_stopDownloadThreads && image.SetColorType(colour ? CImage::kColor24Bit : CImage::kGrey256, true);
  // Written under another name first: the scene never sees half a picture.
  const std::string partial = cached + ".part";
  ok = ok && !g_stopDownloadThreads && image.Save(partial.c_str(), CImage::kFormatJpeg, 75);
  if (ok && std::rename(partial.c_str(), cached.c_str()) != 0) ok = false;
  if (!ok) ::unlink(partial.c_str());
  ::unlink(temporary.c_str());
  if (!g_stopDownloadThreads) RecordTileOutcome(name, serverKey, ok);
}

bool StartDssTileThread(int slot, const DssTileRequest& request) {
  if (slot < 0 || slot > 2) return false;
  g_dssThreadFree[slot] = false;
  try {
    std::thread([slot, request] {
      // Frames come first: in the idle class a tile runs only on time the
      // drawing threads leave over (a niced thread still takes its share of
      // a core from them, which slows every frame); a niced priority is the
      // fallback.
      sched_param idle{};
      if (::pthread_setschedparam(::pthread_self(), SCHED_IDLE, &idle) != 0)
        ::setpriority(PRIO_PROCESS, static_cast<id_t>(::syscall(SYS_gettid)), 5);
      try {
        DownloadDssTile(slot, request);
      } catch (...) {
        g_dssThreadFree[slot] = true;
      }
    }).detach();
  } catch (...) {
    g_dssThreadFree[slot] = true;
    return false;
  }
  return true;
}

bool StopDssTileThreads(void (*sleep)(int milliseconds)) {
  auto pause = [sleep](int ms) {
    if (sleep)
      sleep(ms);
    else
      std::this_thread::sleep_for(std::chrono::milliseconds(ms));
  };
  g_stopDownloadThreads = true;
  for (int i = 0; i < 30; ++i) {
    pause(100);
    if (g_dssThreadFree[0] && g_dssThreadFree[1] && g_dssThreadFree[2]) break;
  }
  pause(100);
  return g_dssThreadFree[0] && g_dssThreadFree[1] && g_dssThreadFree[2];
}
