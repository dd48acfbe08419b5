#pragma once
// An indiserver with INDI's telescope simulator, started by the test on a
// free 127.0.0.1 port and stopped by it.
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <sstream>
#include <string>
#include <thread>

extern char** environ;

namespace indi_test {

inline bool OnPath(const char* program) {
  const char* path = std::getenv("PATH");
  std::stringstream dirs(path ? path : "");
  for (std::string dir; std::getline(dirs, dir, ':');)
    if (access((dir + "/" + program).c_str(), X_OK) == 0) return true;
  return false;
}

inline int FreePort() {
  int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
  socklen_t n = sizeof a;
  getsockname(s, reinterpret_cast<sockaddr*>(&a), &n);
  close(s);
  return ntohs(a.sin_port);
}

template <class Pred>
inline bool Eventually(Pred pred, int ms) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < end) {
    if (pred()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return pred();
}


inline pid_t StartSimulatorServer(int port) {
  const std::string p = std::to_string(port);
  // Each server gets its own local socket, so tests can run side by side.
  const std::string socket = "/tmp/nvindi-test-" + p;
  const char* argv[] = {"indiserver", "-p", p.c_str(), "-u", socket.c_str(), "indi_simulator_telescope", nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t server = -1;
  if (posix_spawnp(&server, "indiserver", &actions, nullptr, const_cast<char**>(argv), environ) != 0) server = -1;
  posix_spawn_file_actions_destroy(&actions);
  return server;
}

inline void StopSimulatorServer(pid_t& server) {
  if (server <= 0) return;
  kill(server, SIGCONT);
  kill(server, SIGTERM);
  waitpid(server, nullptr, 0);
  server = -1;
}

// Stops the server when the test leaves, however it leaves.
struct ServerGuard {
  pid_t& server;
  ~ServerGuard() { StopSimulatorServer(server); }
};

}  // namespace indi_test
