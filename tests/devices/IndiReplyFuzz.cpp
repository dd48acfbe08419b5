// Fuzz target: arbitrary bytes as what an INDI server sends about the
// telescope device, read by INDI's client library and our backend, up to the
// position and site the view takes from the driver object.
//
// A small server of the target's own on 127.0.0.1 answers every connection,
// once the client has asked with getProperties as a real server waits for,
// with the definitions of a mount ("Fuzz Mount": connection, equatorial and
// horizontal coordinates, site, sync/slew switch). For each input it sends
// those definitions again, then the input, then a ping whose reply shows that
// the client has read everything before it; then every value the view reads
// is read and carried to a horizontal place as the view does. An input that
// leaves the client's reader mid-element (no ping reply) ends the connection;
// the next input connects afresh.
//
// The server must not speak first: INDI's client library empties its device
// list just after its reader thread has started, so definitions that arrive
// before getProperties race that reader and corrupt the list.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>

#include "FuzzScratch.h"
#include "IndiDriver.h"
#include "Registry.h"
#include "SkyModel.h"
#include "TelescopeClient.h"

namespace {

const char kDefinitions[] =
    "<defTextVector device=\"Fuzz Mount\" name=\"DRIVER_INFO\" label=\"Driver Info\" group=\"General Info\" "
    "state=\"Idle\" perm=\"ro\" timeout=\"0\" timestamp=\"2026-01-01T00:00:00\">\n"
    "<defText name=\"DRIVER_INTERFACE\" label=\"Interface\">5</defText>\n</defTextVector>\n"
    "<defSwitchVector device=\"Fuzz Mount\" name=\"CONNECTION\" label=\"Connection\" group=\"Main Control\" "
    "state=\"Ok\" perm=\"rw\" rule=\"OneOfMany\" timeout=\"60\" timestamp=\"2026-01-01T00:00:00\">\n"
    "<defSwitch name=\"CONNECT\" label=\"Connect\">On</defSwitch>\n"
    "<defSwitch name=\"DISCONNECT\" label=\"Disconnect\">Off</defSwitch>\n</defSwitchVector>\n"
    "<defSwitchVector device=\"Fuzz Mount\" name=\"ON_COORD_SET\" label=\"On Set\" group=\"Main Control\" "
    "state=\"Ok\" perm=\"rw\" rule=\"OneOfMany\" timeout=\"60\" timestamp=\"2026-01-01T00:00:00\">\n"
    "<defSwitch name=\"TRACK\" label=\"Track\">On</defSwitch>\n<defSwitch name=\"SLEW\" label=\"Slew\">Off</defSwitch>\n"
    "<defSwitch name=\"SYNC\" label=\"Sync\">Off</defSwitch>\n</defSwitchVector>\n"
    "<defNumberVector device=\"Fuzz Mount\" name=\"EQUATORIAL_EOD_COORD\" label=\"Eq. Coordinates\" "
    "group=\"Main Control\" state=\"Idle\" perm=\"rw\" timeout=\"60\" timestamp=\"2026-01-01T00:00:00\">\n"
    "<defNumber name=\"RA\" label=\"RA\" format=\"%010.6m\" min=\"0\" max=\"24\" step=\"0\">5.5</defNumber>\n"
    "<defNumber name=\"DEC\" label=\"DEC\" format=\"%010.6m\" min=\"-90\" max=\"90\" step=\"0\">20</defNumber>\n"
    "</defNumberVector>\n"
    "<defNumberVector device=\"Fuzz Mount\" name=\"HORIZONTAL_COORD\" label=\"Horizontal\" group=\"Main Control\" "
    "state=\"Idle\" perm=\"rw\" timeout=\"60\" timestamp=\"2026-01-01T00:00:00\">\n"
    "<defNumber name=\"AZ\" label=\"AZ\" format=\"%010.6m\" min=\"0\" max=\"360\" step=\"0\">120</defNumber>\n"
    "<defNumber name=\"ALT\" label=\"ALT\" format=\"%010.6m\" min=\"-90\" max=\"90\" step=\"0\">30</defNumber>\n"
    "</defNumberVector>\n"
    "<defNumberVector device=\"Fuzz Mount\" name=\"GEOGRAPHIC_COORD\" label=\"Location\" group=\"Site\" "
    "state=\"Ok\" perm=\"rw\" timeout=\"60\" timestamp=\"2026-01-01T00:00:00\">\n"
    "<defNumber name=\"LAT\" label=\"Lat\" format=\"%010.6m\" min=\"-90\" max=\"90\" step=\"0\">48.1</defNumber>\n"
    "<defNumber name=\"LONG\" label=\"Lon\" format=\"%010.6m\" min=\"0\" max=\"360\" step=\"0\">11.5</defNumber>\n"
    "<defNumber name=\"ELEV\" label=\"Elev\" format=\"%g\" min=\"-200\" max=\"10000\" step=\"0\">545</defNumber>\n"
    "</defNumberVector>\n";

bool SendAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    const ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
    if (n <= 0) return false;
    data += n, size -= static_cast<size_t>(n);
  }
  return true;
}

// The server: accepts connections and greets each with the definitions once
// it has asked for them; the newest one is where the inputs go.
class MountServer {
 public:
  MountServer() {
    m_listen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (m_listen < 0 || ::bind(m_listen, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(m_listen, 16) != 0)
      std::abort();
    socklen_t len = sizeof a;
    ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&a), &len);
    m_port = ntohs(a.sin_port);
    std::thread([this] { Accept(); }).detach();
  }
  int Port() const { return m_port; }
  // Sends to the newest connection; never interleaved with its greeting.
  bool Send(const char* data, size_t size, int& fd) {
    std::lock_guard<std::mutex> lock(m_mutex);
    fd = m_newest;
    return fd >= 0 && SendAll(fd, data, size);
  }
  void Drop() {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_newest >= 0) ::shutdown(m_newest, SHUT_RDWR);
  }

 private:
  void Accept() {
    for (;;) {
      const int fd = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
      if (fd < 0) continue;
      if (!AwaitGetProperties(fd)) {
        ::close(fd);
        continue;
      }
      // The target connects on its own thread and has not got the greeting
      // yet, so it is not writing to the older connection: that one is done.
      // Made the newest before the greeting, so that once the target has the
      // definitions, its inputs go to this connection.
      std::lock_guard<std::mutex> lock(m_mutex);
      if (m_newest >= 0) ::close(m_newest);
      m_newest = fd;
      SendAll(fd, kDefinitions, sizeof kDefinitions - 1);
    }
  }
  static bool AwaitGetProperties(int fd);
  int m_listen = -1;
  int m_port = 0;
  std::mutex m_mutex;
  int m_newest = -1;
};

// Reads what the client sends until `token` appears, for at most `ms`.
bool AwaitReply(int fd, const std::string& token, int ms) {
  std::string seen;
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < end) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 10) <= 0) continue;
    char buffer[4096];
    const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
    if (n <= 0) return false;
    seen.append(buffer, static_cast<size_t>(n));
    if (seen.find(token) != std::string::npos) return true;
    if (seen.size() > 65536) seen.erase(0, seen.size() - token.size());
  }
  return false;
}

bool MountServer::AwaitGetProperties(int fd) { return AwaitReply(fd, "<getProperties", 5000); }

MountServer* g_server = nullptr;

void Setup() {
  g_server = new MountServer;
  SetRegistryStorePath(FuzzScratchFolder() + "/registry.ini");
  CRegKey key;
  if (key.Create(HKEY_CURRENT_USER, kTelescopeDriverKey) != ERROR_SUCCESS) std::abort();
  const std::string progId = "indi:driver=;device=Fuzz Mount;server=127.0.0.1:" + std::to_string(g_server->Port());
  key.SetStringValue(kTelescopeDriverValue, progId.c_str());
  SetTelescopeClientHooks({[](const char*) {}, [](const char*) {}});
  IndiTimeouts timeouts;
  timeouts.connectMs = 1000;
  timeouts.serverStartMs = 0;
  timeouts.propertiesMs = 1000;
  SetIndiTimeouts(timeouts);
  RegisterIndiDriverClasses();
}

void Check(double value) {
  if (!std::isfinite(value)) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool ready = (Setup(), true);
  (void)ready;
  static unsigned long serial = 0;
  if (!g_telescopeDriverConnected) {
    if (ConnectTelescope() != 0) return 0;
  }
  const std::string uid = "fuzz" + std::to_string(++serial);
  const std::string ping = "\n<pingRequest uid=\"" + uid + "\"/>\n";
  std::string message(kDefinitions, sizeof kDefinitions - 1);
  message.append(reinterpret_cast<const char*>(data), size);
  message += ping;
  int fd = -1;
  bool whole = g_server->Send(message.data(), message.size(), fd);
  whole = whole && AwaitReply(fd, "\"" + uid + "\"", 300);

  // What the view reads while connected, carried on as it does.
  static CSkyModel sky;
  const double rightAscension = GetTelescopeRightAscension() * 0.2617993877991494;
  const double declination = GetTelescopeDeclination() * 3.141592653589793 / 180.0;
  Check(rightAscension);
  Check(declination);
  if (rightAscension != 0.0 && declination != 0.0) {
    double azimuth = 0.0, altitude = 0.0;
    sky.EquatorialToHorizontal(azimuth, altitude, 1.0, rightAscension, declination);
    Check(azimuth);
    Check(altitude);
    volatile float camera[2] = {static_cast<float>(-azimuth), static_cast<float>(altitude)};
    (void)camera;
  }
  Check(GetTelescopeAzimuth());
  Check(GetDriverDoubleProperty("Altitude"));
  for (const char* site : {"SiteLatitude", "SiteLongitude", "SiteElevation"}) Check(GetDriverDoubleProperty(site));
  volatile bool abilities = GetCanSync() || GetCanSlew() || GetCanSlewAltAz() || GetCanSetTracking();
  (void)abilities;

  // A reader left mid-element starts afresh with the next input.
  if (!whole && g_telescopeDriverConnected) {
    g_server->Drop();
    DisconnectTelescope();
  }
  return 0;
}
