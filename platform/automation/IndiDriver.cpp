#include "IndiDriver.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <clocale>
#include <cmath>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <thread>

#include <libindi/baseclient.h>
#include <libindi/basedevice.h>
#include <libindi/indiproperty.h>
#include <libindi/indipropertynumber.h>
#include <libindi/indipropertyswitch.h>

extern char** environ;

namespace {

IndiTimeouts g_timeouts;
using Clock = std::chrono::steady_clock;

// ---- Servers started by this process ---------------------------------------------------
std::mutex g_serversMutex;
std::vector<pid_t> g_startedServers;

void StopServer(pid_t pid) {
  if (pid <= 0) return;
  kill(pid, SIGCONT);  // a stopped server cannot act on SIGTERM
  kill(pid, SIGTERM);
  for (int i = 0; i < 100; ++i) {
    if (waitpid(pid, nullptr, WNOHANG) == pid) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
}

pid_t StartServer(const IndiDriverId& id) {
  const std::string port = std::to_string(id.port);
  // A local socket of its own: another server on the machine keeps the default one.
  const std::string socket = "/tmp/nuvarine-indiserver-" + port;
  std::vector<char*> argv = {const_cast<char*>("indiserver"), const_cast<char*>("-p"), const_cast<char*>(port.c_str()),
                             const_cast<char*>("-u"), const_cast<char*>(socket.c_str()),
                             const_cast<char*>(id.driver.c_str()), nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  const int rc = posix_spawnp(&pid, "indiserver", &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return -1;
  std::lock_guard<std::mutex> lock(g_serversMutex);
  g_startedServers.push_back(pid);
  static bool atExit = (std::atexit(StopStartedIndiServers), true);
  (void)atExit;
  return pid;
}

void ForgetServer(pid_t pid) {
  std::lock_guard<std::mutex> lock(g_serversMutex);
  auto& v = g_startedServers;
  v.erase(std::remove(v.begin(), v.end(), pid), v.end());
}

bool IsLocal(const std::string& host) { return host == "localhost" || host == "127.0.0.1" || host == "::1"; }

// ---- What the server told us, copied under a lock ----------------------------------------
struct PropertyCopy {
  INDI_PROPERTY_TYPE type = INDI_UNKNOWN;
  IPState state = IPS_IDLE;
  IPerm permission = IP_RO;
  std::map<std::string, double> numbers;
  std::map<std::string, bool> switches;
};

class IndiLink : public INDI::BaseClient {
 public:
  explicit IndiLink(std::string device) : m_device(std::move(device)) {}

  std::mutex mutex;
  std::condition_variable changed;
  std::map<std::string, PropertyCopy> properties;  // of m_device
  std::vector<std::string> telescopes;              // devices with the telescope interface
  std::map<std::string, std::string> alerts;       // property -> driver's message
  std::string lastMessage;
  bool lost = false;
  Clock::time_point lastDefinition = Clock::now();

  template <class Pred>
  bool WaitFor(int ms, Pred pred) {
    std::unique_lock<std::mutex> lock(mutex);
    return changed.wait_for(lock, std::chrono::milliseconds(ms), pred);
  }

 protected:
  void Copy(INDI::Property property) {
    const std::string device = property.getDeviceName() ? property.getDeviceName() : "";
    const std::string name = property.getName() ? property.getName() : "";
    if (name == "DRIVER_INFO") {
      if (auto* text = property.getText())
        if (auto* w = text->findWidgetByName("DRIVER_INTERFACE")) {
          const int interfaces = std::atoi(w->getText() ? w->getText() : "0");
          std::lock_guard<std::mutex> lock(mutex);
          if ((interfaces & INDI::BaseDevice::TELESCOPE_INTERFACE) &&
              std::find(telescopes.begin(), telescopes.end(), device) == telescopes.end())
            telescopes.push_back(device);
        }
    }
    if (!m_device.empty() && device != m_device) return;
    PropertyCopy copy;
    copy.type = property.getType();
    copy.state = property.getState();
    copy.permission = property.getPermission();
    if (auto* number = property.getType() == INDI_NUMBER ? property.getNumber() : nullptr)
      for (auto& w : *number)
        // A value that is not a number ("nan", "inf", "1e999") never becomes
        // a position or a site: the element is left out, as if not sent.
        if (std::isfinite(w.getValue())) copy.numbers[w.getName()] = w.getValue();
    if (auto* sw = property.getType() == INDI_SWITCH ? property.getSwitch() : nullptr)
      for (auto& w : *sw) copy.switches[w.getName()] = w.getState() == ISS_ON;
    {
      std::lock_guard<std::mutex> lock(mutex);
      if (copy.state == IPS_ALERT && properties[name].state != IPS_ALERT) alerts[name] = lastMessage;
      properties[name] = std::move(copy);
    }
    changed.notify_all();
  }
  void newProperty(INDI::Property property) override {
    {
      std::lock_guard<std::mutex> lock(mutex);
      lastDefinition = Clock::now();
    }
    Copy(property);
  }
  void updateProperty(INDI::Property property) override { Copy(property); }
  void removeProperty(INDI::Property property) override {
    {
      std::lock_guard<std::mutex> lock(mutex);
      if (property.getDeviceName() && m_device == property.getDeviceName() && property.getName())
        properties.erase(property.getName());
    }
    changed.notify_all();
  }
  void newMessage(INDI::BaseDevice device, int messageID) override {
    std::lock_guard<std::mutex> lock(mutex);
    if (m_device.empty() || m_device == device.getDeviceName()) {
      std::string message = device.messageQueue(messageID);
      // "2026-12-10T17:00:00: [ERROR] text": keep the text.
      const size_t colon = message.find(": ");
      if (message.size() > 21 && colon != std::string::npos && colon < 24) message = message.substr(colon + 2);
      lastMessage = message;
    }
  }
  void serverDisconnected(int) override {
    {
      std::lock_guard<std::mutex> lock(mutex);
      lost = true;
    }
    changed.notify_all();
  }

 private:
  std::string m_device;
};

// ---- Sends, in order, on a worker of their own ---------------------------------------------
class SendQueue {
 public:
  SendQueue() : m_thread([this] { Run(); }) {}
  ~SendQueue() {
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_stop = true;
    }
    m_wake.notify_all();
    m_thread.join();
  }
  void Push(std::function<void()> send) {
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      if (m_queue.size() >= 256) m_queue.pop_front();  // a stuck server: keep the newest
      m_queue.push_back(std::move(send));
    }
    m_wake.notify_all();
  }

 private:
  void Run() {
    for (;;) {
      std::function<void()> send;
      {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_wake.wait(lock, [this] { return m_stop || !m_queue.empty(); });
        if (m_stop) return;
        send = std::move(m_queue.front());
        m_queue.pop_front();
      }
      send();
    }
  }
  std::mutex m_mutex;
  std::condition_variable m_wake;
  std::deque<std::function<void()>> m_queue;
  bool m_stop = false;
  std::thread m_thread;
};

// ---- The telescope object ---------------------------------------------------------------------
const char* const kMembers[] = {
    "Connected",      "Name",         "CanSync",           "CanSlew",         "CanSlewAsync",
    "CanSyncAltAz",   "CanSlewAltAz", "CanSlewAltAzAsync", "CanSetTracking",  "Tracking",
    "RightAscension", "Declination",  "Azimuth",           "Altitude",        "SiteLatitude",
    "SiteLongitude",  "SiteElevation", "AbortSlew",        "SyncToCoordinates", "SlewToCoordinates",
    "SlewToCoordinatesAsync", "SyncToAltAz", "SlewToAltAz", "SlewToAltAzAsync", "Slewing"};
constexpr int kMemberCount = sizeof kMembers / sizeof kMembers[0];

class IndiTelescope : public IDispatch {
 public:
  IndiTelescope(IndiDriverId id, std::unique_ptr<IndiLink> link, pid_t server)
      : m_id(std::move(id)), m_link(std::move(link)), m_server(server) {}
  ~IndiTelescope() override {
    m_sends.reset();
    m_link->disconnectServer();
    if (m_server > 0) {
      StopServer(m_server);
      ForgetServer(m_server);
    }
  }

  HRESULT GetIDsOfNames(const std::string& name, DISPID* id) override {
    for (int i = 0; i < kMemberCount; ++i)
      if (name == kMembers[i]) return *id = i + 1, S_OK;
    return DISP_E_UNKNOWNNAME;
  }

  HRESULT Invoke(DISPID dispid, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception) override {
    if (dispid < 1 || dispid > kMemberCount) return DISP_E_MEMBERNOTFOUND;
    const std::string member = kMembers[dispid - 1];
    std::vector<VARIANT> args;
    if (params)
      for (UINT i = params->cArgs; i > 0; --i) args.push_back(params->rgvarg[i - 1]);
    auto fail = [&](HRESULT scode, const std::string& description) {
      if (exception) {
        exception->scode = scode;
        exception->bstrSource = "INDI " + m_id.device + ": ";
        exception->bstrDescription = description;
      }
      return DISP_E_EXCEPTION;
    };
    auto lacks = [&](const char* property) {
      return fail(SCODE_NOT_IMPLEMENTED, std::string(property) + " is not offered by the device.");
    };
    auto number = [&](size_t i) { return i < args.size() ? ArgumentDouble(args[i]) : 0.0; };

    std::unique_lock<std::mutex> lock(m_link->mutex);
    if (m_link->lost) return fail(E_FAIL, "the connection to the INDI server was lost.");
    auto& props = m_link->properties;
    auto has = [&](const char* p) { return props.count(p) != 0; };
    auto value = [&](const char* p, const char* element) {
      auto it = props.find(p);
      if (it == props.end()) return 0.0;
      auto e = it->second.numbers.find(element);
      return e == it->second.numbers.end() ? 0.0 : e->second;
    };
    auto switchOn = [&](const char* p, const char* element) {
      auto it = props.find(p);
      return it != props.end() && it->second.switches.count(element) && it->second.switches.at(element);
    };
    auto hasSwitch = [&](const char* p, const char* element) {
      auto it = props.find(p);
      return it != props.end() && it->second.switches.count(element);
    };
    // A property that turned Alert fails the next command on it with the driver's message.
    auto alerted = [&](const char* p, std::string& message) {
      auto it = m_link->alerts.find(p);
      if (it == m_link->alerts.end()) return false;
      message = it->second.empty() ? std::string(p) + " failed." : it->second;
      m_link->alerts.erase(it);
      return true;
    };
    auto put = [&](VARIANT v) {
      if (result) *result = std::move(v);
      return S_OK;
    };
    const bool get = flags & DISPATCH_PROPERTYGET;
    const bool putting = flags & DISPATCH_PROPERTYPUT;
    std::string message;

    if (member == "Connected") {
      if (get) return put(VARIANT::Bool(switchOn("CONNECTION", "CONNECT")));
      if (args.empty() || !ArgumentBool(args[0])) return S_OK;  // disconnecting leaves the device on
      if (!has("CONNECTION")) return fail(E_FAIL, "the device offers no CONNECTION switch.");
      if (!switchOn("CONNECTION", "CONNECT")) {
        lock.unlock();
        SendSwitch("CONNECTION", {"CONNECT", "DISCONNECT"}, "CONNECT");
        // A connecting device defines its properties over a moment: wait
        // (bounded) until it is connected and no new one came for 300 ms.
        const auto end = Clock::now() + std::chrono::milliseconds(g_timeouts.propertiesMs);
        bool up = false;
        while (!up && Clock::now() < end) {
          m_link->WaitFor(50, [] { return false; });
          std::lock_guard<std::mutex> check(m_link->mutex);
          auto& p = m_link->properties;
          if (m_link->lost) break;
          up = p.count("EQUATORIAL_EOD_COORD") && p.count("CONNECTION") && p["CONNECTION"].switches["CONNECT"] &&
               p["CONNECTION"].state == IPS_OK && Clock::now() - m_link->lastDefinition > std::chrono::milliseconds(300);
        }
        lock.lock();
        if (!up || m_link->lost) return fail(E_FAIL, "the device did not connect.");
      }
      // The site the device has, the base of later puts.
      m_site[0] = value("GEOGRAPHIC_COORD", "LAT");
      m_site[1] = value("GEOGRAPHIC_COORD", "LONG");
      m_site[2] = value("GEOGRAPHIC_COORD", "ELEV");
      return S_OK;
    }
    if (member == "Name") return put(VARIANT::String(m_id.device));
    if (member == "Slewing") {
      auto it = props.find("EQUATORIAL_EOD_COORD");
      return put(VARIANT::Bool(it != props.end() && it->second.state == IPS_BUSY));
    }
    if (member == "CanSync") return put(VARIANT::Bool(hasSwitch("ON_COORD_SET", "SYNC") && has("EQUATORIAL_EOD_COORD")));
    if (member == "CanSlew" || member == "CanSlewAsync")
      return put(VARIANT::Bool(has("EQUATORIAL_EOD_COORD") &&
                               (hasSwitch("ON_COORD_SET", "TRACK") || hasSwitch("ON_COORD_SET", "SLEW"))));
    if (member == "CanSyncAltAz") return put(VARIANT::Bool(has("HORIZONTAL_COORD") && hasSwitch("ON_COORD_SET", "SYNC")));
    if (member == "CanSlewAltAz" || member == "CanSlewAltAzAsync") {
      auto it = props.find("HORIZONTAL_COORD");
      return put(VARIANT::Bool(it != props.end() && it->second.permission != IP_RO));
    }
    if (member == "CanSetTracking") {
      auto it = props.find("TELESCOPE_TRACK_STATE");
      return put(VARIANT::Bool(it != props.end() && it->second.permission != IP_RO));
    }
    if (member == "Tracking") {
      if (!has("TELESCOPE_TRACK_STATE")) return lacks("TELESCOPE_TRACK_STATE");
      if (get) return put(VARIANT::Bool(switchOn("TELESCOPE_TRACK_STATE", "TRACK_ON")));
      const bool on = !args.empty() && ArgumentBool(args[0]);
      lock.unlock();
      SendSwitch("TELESCOPE_TRACK_STATE", {"TRACK_ON", "TRACK_OFF"}, on ? "TRACK_ON" : "TRACK_OFF");
      return S_OK;
    }
    if (member == "RightAscension" || member == "Declination") {
      if (!has("EQUATORIAL_EOD_COORD")) return lacks("EQUATORIAL_EOD_COORD");
      return put(VARIANT::Double(value("EQUATORIAL_EOD_COORD", member == "RightAscension" ? "RA" : "DEC")));
    }
    if (member == "Azimuth" || member == "Altitude") {
      if (!has("HORIZONTAL_COORD")) return lacks("HORIZONTAL_COORD");
      return put(VARIANT::Double(value("HORIZONTAL_COORD", member == "Azimuth" ? "AZ" : "ALT")));
    }
    if (member == "SiteLatitude" || member == "SiteLongitude" || member == "SiteElevation") {
      if (!has("GEOGRAPHIC_COORD")) return lacks("GEOGRAPHIC_COORD");
      const int index = member == "SiteLatitude" ? 0 : member == "SiteLongitude" ? 1 : 2;
      if (get) {
        double v = value("GEOGRAPHIC_COORD", index == 0 ? "LAT" : index == 1 ? "LONG" : "ELEV");
        if (index == 1 && v > 180.0) v -= 360.0;  // INDI's longitude runs east 0-360
        return put(VARIANT::Double(v));
      }
      if (!putting || args.empty()) return DISP_E_BADPARAMCOUNT;
      double v = number(0);
      if (index == 1) {
        v = std::fmod(v, 360.0);
        if (v < 0.0) v += 360.0;
      }
      m_site[index] = v;
      const double site[3] = {m_site[0], m_site[1], m_site[2]};
      lock.unlock();
      SendNumbers("GEOGRAPHIC_COORD", {{"LAT", site[0]}, {"LONG", site[1]}, {"ELEV", site[2]}});
      return S_OK;
    }
    if (member == "AbortSlew") {
      if (!has("TELESCOPE_ABORT_MOTION")) return lacks("TELESCOPE_ABORT_MOTION");
      lock.unlock();
      SendSwitch("TELESCOPE_ABORT_MOTION", {"ABORT"}, "ABORT");
      return S_OK;
    }
    const bool equatorial = member == "SyncToCoordinates" || member == "SlewToCoordinates" ||
                            member == "SlewToCoordinatesAsync";
    const char* coordinates = equatorial ? "EQUATORIAL_EOD_COORD" : "HORIZONTAL_COORD";
    if (!has(coordinates)) return lacks(coordinates);
    if (args.size() != 2) return DISP_E_BADPARAMCOUNT;
    if (alerted(coordinates, message)) return fail(E_FAIL, message);
    const bool sync = member.rfind("Sync", 0) == 0;
    const char* action = sync ? "SYNC" : hasSwitch("ON_COORD_SET", "TRACK") ? "TRACK" : "SLEW";
    const bool setAction = hasSwitch("ON_COORD_SET", action);
    if (sync && !setAction) return lacks("ON_COORD_SET SYNC");
    std::vector<std::string> actions;
    for (const char* a : {"TRACK", "SLEW", "SYNC"})
      if (hasSwitch("ON_COORD_SET", a)) actions.push_back(a);
    lock.unlock();
    if (setAction) SendSwitch("ON_COORD_SET", actions, action);
    // Both kinds of slew return at once: the frame never waits on the mount.
    if (equatorial) SendNumbers(coordinates, {{"RA", number(0)}, {"DEC", number(1)}});
    else SendNumbers(coordinates, {{"AZ", number(0)}, {"ALT", number(1)}});
    return S_OK;
  }

 private:
  static double ArgumentDouble(const VARIANT& v) {
    switch (v.vt) {
      case VT_R8: return v.dblVal;
      case VT_I4: return v.lVal;
      case VT_UI1: return v.bVal;
      case VT_BOOL: return v.boolVal ? 1.0 : 0.0;
      default: return 0.0;
    }
  }
  static bool ArgumentBool(const VARIANT& v) { return v.vt == VT_BOOL ? v.boolVal != VARIANT_FALSE : ArgumentDouble(v) != 0.0; }

  void SendSwitch(const std::string& property, std::vector<std::string> elements, const std::string& on) {
    m_sends->Push([link = m_link.get(), device = m_id.device, property, elements, on] {
      INDI::PropertySwitch vector(elements.size());
      vector.setDeviceName(device.c_str());
      vector.setName(property.c_str());
      for (size_t i = 0; i < elements.size(); ++i) {
        vector[i].setName(elements[i].c_str());
        vector[i].setState(elements[i] == on ? ISS_ON : ISS_OFF);
      }
      link->sendNewSwitch(vector);
    });
  }
  void SendNumbers(const std::string& property, std::vector<std::pair<std::string, double>> values) {
    m_sends->Push([link = m_link.get(), device = m_id.device, property, values] {
      INDI::PropertyNumber vector(values.size());
      vector.setDeviceName(device.c_str());
      vector.setName(property.c_str());
      for (size_t i = 0; i < values.size(); ++i) {
        vector[i].setName(values[i].first.c_str());
        vector[i].setValue(values[i].second);
      }
      link->sendNewNumber(vector);
    });
  }

  IndiDriverId m_id;
  std::unique_ptr<IndiLink> m_link;
  pid_t m_server;
  double m_site[3] = {0.0, 0.0, 0.0};
  std::unique_ptr<SendQueue> m_sends = std::make_unique<SendQueue>();
};

std::unique_ptr<IndiLink> Connect(const IndiDriverId& id, int connectMs) {
  // INDI's client library writes and reads numbers with the C library, on
  // its own threads: under a decimal-comma locale "82.5" would go out as
  // "82,5" and come back as 82. Our own code never depends on LC_NUMERIC.
  setlocale(LC_NUMERIC, "C");
  auto link = std::make_unique<IndiLink>(id.device);
  link->setServer(id.host.c_str(), static_cast<unsigned>(id.port));
  link->setConnectionTimeout(static_cast<uint32_t>(connectMs / 1000), static_cast<uint32_t>(connectMs % 1000) * 1000);
  if (!id.device.empty()) link->watchDevice(id.device.c_str());
  if (!link->connectServer()) return nullptr;
  return link;
}

class IndiProvider : public IDriverClassProvider {
 public:
  bool HasClass(const std::string& progId) override {
    IndiDriverId id;
    if (!ParseIndiProgId(progId, id)) return false;
    if (!id.driver.empty())
      for (const IndiDriverEntry& e : ReadIndiTelescopeDrivers())
        if (e.driver == id.driver) return true;
    for (const std::string& device : ListIndiTelescopes(id.host, id.port, g_timeouts.connectMs))
      if (device == id.device) return true;
    return false;
  }

  HRESULT CreateInstance(const std::string& progId, IDispatch** object) override {
    IndiDriverId id;
    if (!ParseIndiProgId(progId, id)) return CO_E_CLASSSTRING;
    pid_t server = -1;
    std::unique_ptr<IndiLink> link = Connect(id, g_timeouts.connectMs);
    if (!link && IsLocal(id.host) && !id.driver.empty()) {
      server = StartServer(id);
      if (server <= 0) return CO_E_SERVER_EXEC_FAILURE;
      const auto end = Clock::now() + std::chrono::milliseconds(g_timeouts.serverStartMs);
      while (!link && Clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        link = Connect(id, 500);
      }
    }
    auto give_up = [&](HRESULT hr) {
      if (link) link->disconnectServer();
      if (server > 0) StopServer(server), ForgetServer(server);
      return hr;
    };
    if (!link) return give_up(CO_E_SERVER_EXEC_FAILURE);
    // The device is there once its CONNECTION switch is.
    if (!link->WaitFor(g_timeouts.propertiesMs, [&] { return link->lost || link->properties.count("CONNECTION"); }) ||
        link->lost)
      return give_up(CO_E_SERVER_EXEC_FAILURE);
    *object = new IndiTelescope(id, std::move(link), server);
    return S_OK;
  }
};

}  // namespace

bool ParseIndiProgId(const std::string& progId, IndiDriverId& id) {
  if (progId.size() > 255 || progId.rfind("indi:", 0) != 0) return false;
  id = IndiDriverId();
  std::stringstream fields(progId.substr(5));
  std::string field;
  while (std::getline(fields, field, ';')) {
    const size_t eq = field.find('=');
    if (eq == std::string::npos) return false;
    const std::string key = field.substr(0, eq), value = field.substr(eq + 1);
    if (key == "driver") {
      id.driver = value;
    } else if (key == "device") {
      id.device = value;
    } else if (key == "server") {
      const size_t colon = value.rfind(':');
      id.host = value.substr(0, colon);
      if (colon != std::string::npos) {
        const std::string port = value.substr(colon + 1);
        if (port.empty() || port.size() > 5 || port.find_first_not_of("0123456789") != std::string::npos) return false;
        id.port = std::atoi(port.c_str());
      }
    } else {
      return false;
    }
  }
  // Only plain program names are started; the device must be named.
  if (id.driver.find('/') != std::string::npos || id.device.empty() || id.host.empty()) return false;
  return id.port > 0 && id.port < 65536;
}

std::string MakeIndiProgId(const IndiDriverId& id) {
  return "indi:driver=" + id.driver + ";device=" + id.device + ";server=" + id.host + ":" + std::to_string(id.port);
}

namespace {

bool XmlBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

// One `<device label="..." ...> <driver ...> name </driver>` entry starting
// at `at` (which holds "<device"), read by plain scanning: no recursion, so
// a label or a name of any length costs only its length.
bool ReadDeviceEntry(const std::string& xml, size_t at, IndiDriverEntry& entry) {
  const size_t size = xml.size();
  size_t i = at + 7;  // "<device"
  if (i >= size || !XmlBlank(xml[i])) return false;
  while (i < size && XmlBlank(xml[i])) ++i;
  if (xml.compare(i, 7, "label=\"") != 0) return false;
  const size_t labelBegin = i + 7;
  const size_t labelEnd = xml.find('"', labelBegin);
  if (labelEnd == std::string::npos) return false;
  const size_t tagEnd = xml.find('>', labelEnd + 1);
  if (tagEnd == std::string::npos) return false;
  i = tagEnd + 1;
  while (i < size && XmlBlank(xml[i])) ++i;
  if (xml.compare(i, 7, "<driver") != 0) return false;
  const size_t driverTagEnd = xml.find('>', i + 7);
  if (driverTagEnd == std::string::npos) return false;
  i = driverTagEnd + 1;
  while (i < size && XmlBlank(xml[i])) ++i;
  const size_t nameBegin = i;
  while (i < size && xml[i] != '<' && !XmlBlank(xml[i])) ++i;
  if (i == nameBegin) return false;
  const size_t nameEnd = i;
  while (i < size && XmlBlank(xml[i])) ++i;
  if (xml.compare(i, 9, "</driver>") != 0) return false;
  entry.label = xml.substr(labelBegin, labelEnd - labelBegin);
  entry.driver = xml.substr(nameBegin, nameEnd - nameBegin);
  return true;
}

}  // namespace

std::vector<IndiDriverEntry> ReadIndiTelescopeDrivers(const std::string& listPath) {
  std::vector<IndiDriverEntry> entries;
  std::ifstream in(listPath);
  if (!in) return entries;
  std::stringstream text;
  text << in.rdbuf();
  const std::string xml = text.str();
  const size_t start = xml.find("<devGroup group=\"Telescopes\"");
  if (start == std::string::npos) return entries;
  const size_t end = xml.find("</devGroup>", start);
  const std::string group = xml.substr(start, end == std::string::npos ? std::string::npos : end - start);
  for (size_t at = group.find("<device"); at != std::string::npos; at = group.find("<device", at + 1)) {
    IndiDriverEntry e;
    if (!ReadDeviceEntry(group, at, e)) continue;
    bool seen = false;
    for (const IndiDriverEntry& other : entries) seen |= other.label == e.label && other.driver == e.driver;
    if (!seen) entries.push_back(e);
  }
  return entries;
}

std::vector<std::string> ListIndiTelescopes(const std::string& host, int port, int timeoutMs) {
  IndiDriverId id;
  id.host = host, id.port = port;
  std::unique_ptr<IndiLink> link = Connect(id, timeoutMs);
  if (!link) return {};
  // Devices announce their interfaces soon after the properties start coming.
  link->WaitFor(timeoutMs, [&] { return link->lost || !link->telescopes.empty(); });
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  std::vector<std::string> telescopes;
  {
    std::lock_guard<std::mutex> lock(link->mutex);
    telescopes = link->telescopes;
  }
  link->disconnectServer();
  return telescopes;
}

void RegisterIndiDriverClasses() {
  static bool registered = (RegisterDriverClassProvider(std::make_shared<IndiProvider>()), true);
  (void)registered;
}

void StopStartedIndiServers() {
  std::vector<pid_t> servers;
  {
    std::lock_guard<std::mutex> lock(g_serversMutex);
    servers.swap(g_startedServers);
  }
  for (pid_t pid : servers) StopServer(pid);
}

void SetIndiTimeouts(const IndiTimeouts& timeouts) { g_timeouts = timeouts; }
