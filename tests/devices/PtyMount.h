#pragma once
// A telescope of our own on a pseudo-terminal that answers as an LX200 mount
// does: ACK gets "P", a set command "1" (or "0" when its field is malformed),
// "#:MS#" gets "0" and moves the mount to the target, the get commands the
// mount's place. Other behaviours stand for broken mounts. Everything it
// received is recorded.
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <random>
#include <regex>
#include <string>
#include <thread>
#include <vector>

class PtyMount {
 public:
  enum class Behaviour { Healthy, Silent, Garbage, Truncating };

  // Maps COM`port` to the pseudo-terminal for the serial layer.
  explicit PtyMount(int port, Behaviour behaviour = Behaviour::Healthy) : m_behaviour(behaviour), m_port(port) {
    char name[256] = {};
    if (openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0) return;
    m_path = name;
    setenv(("NUVARINE_SERIAL_COM" + std::to_string(port)).c_str(), name, 1);
    m_thread = std::thread([this] { Run(); });
  }
  ~PtyMount() {
    m_stop = true;
    if (m_thread.joinable()) m_thread.join();
    unsetenv(("NUVARINE_SERIAL_COM" + std::to_string(m_port)).c_str());
    if (m_master >= 0) close(m_master);
    if (m_slave >= 0) close(m_slave);
  }
  bool ok() const { return m_master >= 0; }
  // The pseudo-terminal's own device path.
  const std::string& Path() const { return m_path; }

  std::string Received() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_received;
  }
  std::vector<std::string> Commands() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_commands;
  }
  // When each command of Commands() had arrived, by the computer's clock.
  std::vector<std::chrono::system_clock::time_point> CommandTimes() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_commandTimes;
  }
  // The place the mount reports, as its reply texts.
  void SetPlace(const std::string& ra, const std::string& dec) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_ra = ra, m_dec = dec;
  }
  std::string Place() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_ra + "#" + m_dec + "#";
  }
  int Slews() const { return m_slews; }
  // Stops reading the line (a stalled mount): what is sent piles up.
  void Pause() { m_paused = true; }

 private:
  void Run() {
    std::string pending;
    while (!m_stop) {
      if (m_paused) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        continue;
      }
      pollfd p{m_master, POLLIN, 0};
      if (poll(&p, 1, 5) <= 0 || !(p.revents & POLLIN)) continue;
      char buffer[512];
      ssize_t n = read(m_master, buffer, sizeof buffer);
      if (n <= 0) continue;
      std::string reply;
      {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_received.append(buffer, n);
        for (ssize_t i = 0; i < n; ++i) {
          char c = buffer[i];
          if (pending.empty() && c == '\x06') {
            reply += Answer("\x06");
          } else if (c == ':' && pending.empty()) {
            pending = ":";
          } else if (!pending.empty()) {
            if (c == '#') {
              m_commands.push_back(pending + "#");
              m_commandTimes.push_back(std::chrono::system_clock::now());
              reply += Answer(pending + "#");
              pending.clear();
            } else if (pending.size() < 64) {
              pending += c;
            }
          }
        }
      }
      if (!reply.empty() && m_behaviour != Behaviour::Silent) (void)!write(m_master, reply.data(), reply.size());
    }
  }

  std::string Answer(const std::string& command) {
    if (m_behaviour == Behaviour::Garbage) {
      static const char kAlphabet[] = "##::\xDF\xDF\x00\x00" "0123456789+-.hP";
      std::string noise;
      std::uniform_int_distribution<int> length(0, 24), pick(0, sizeof kAlphabet - 2);
      for (int i = length(m_random); i > 0; --i) noise += kAlphabet[pick(m_random)];
      return noise;
    }
    std::string full = Healthy(command);
    if (m_behaviour == Behaviour::Truncating) return full.substr(0, full.size() / 2);
    return full;
  }

  std::string Healthy(const std::string& command) {
    static const std::regex kFields[] = {
        std::regex(":St [+-][0-9]{2}\xDF[0-5][0-9]#"), std::regex(":Sg [0-3][0-9]{2}\xDF[0-5][0-9]#"),
        std::regex(":SG [+-][0-9]{2}#"),               std::regex(":SL [0-2][0-9]:[0-5][0-9]:[0-5][0-9]#"),
        std::regex(":SC [01][0-9]/[0-3][0-9]/[0-9]{2}#"), std::regex(":Sr [0-2][0-9]:[0-5][0-9]\\.[0-9]#"),
        std::regex(":Sd [+-][0-9]{2}\xDF[0-5][0-9]#")};
    if (command == "\x06") return "P";
    if (command.rfind(":S", 0) == 0) {
      const char* kinds = "tgGLCrd";
      const char* at = command.size() > 2 ? std::strchr(kinds, command[2]) : nullptr;
      if (!at || !*at) return "0";
      bool good = std::regex_match(command, kFields[at - kinds]);
      if (good && command[2] == 'r') m_targetRa = command.substr(4, 7);
      if (good && command[2] == 'd') m_targetDec = command.substr(4, 6);
      return good ? "1" : "0";
    }
    if (command == ":MS#") {
      if (!m_targetRa.empty() && !m_targetDec.empty()) m_ra = m_targetRa, m_dec = m_targetDec;
      ++m_slews;
      return "0";
    }
    if (command == ":GR#") return m_ra + "#";
    if (command == ":GD#") return m_dec + "#";
    if (command == ":GA#") return "+45\xDF" "30#";
    if (command == ":GZ#") return "123\xDF" "45#";
    return "";
  }

  Behaviour m_behaviour;
  int m_port;
  int m_master = -1, m_slave = -1;
  std::string m_path;
  std::thread m_thread;
  std::atomic<bool> m_stop{false};
  std::atomic<bool> m_paused{false};
  std::atomic<int> m_slews{0};
  std::mutex m_mutex;
  std::string m_received;
  std::vector<std::string> m_commands;
  std::vector<std::chrono::system_clock::time_point> m_commandTimes;
  std::string m_ra = "12:34.5", m_dec = "+45\xDF" "30";
  std::string m_targetRa, m_targetDec;
  std::mt19937 m_random{26};
};
