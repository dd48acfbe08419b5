// The telescope step of a frame, following a moving place with the position
// shown: worst and median over 500 frames, for an LX200 mount that is
// healthy, silent, talking garbage or on a stalled line, and for an INDI
// telescope (INDI's simulator) with its server running or stopped (SIGSTOP).
#include <benchmark/benchmark.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <vector>

#include "IndiDriver.h"
#include "IndiServer.h"
#include "Lx200.h"
#include "PtyMount.h"
#include "Registry.h"
#include "TelescopeClient.h"

namespace {

constexpr int kFrames = 500;
using Clock = std::chrono::steady_clock;

void Report(benchmark::State& state, std::vector<double>& ms) {
  std::sort(ms.begin(), ms.end());
  state.counters["worst_ms"] = ms.back();
  state.counters["median_ms"] = ms[ms.size() / 2];
}

template <class Step>
void Frames(benchmark::State& state, Step step) {
  for (auto _ : state) {
    std::vector<double> ms;
    for (int frame = 0; frame < kFrames; ++frame) {
      const auto start = Clock::now();
      step(frame);
      ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    Report(state, ms);
  }
}

void Lx200Step(benchmark::State& state, PtyMount::Behaviour behaviour, bool stalled) {
  PtyMount mount(8, behaviour);
  CSerialPort port;
  if (!port.Open(8, 9600, 'N', 8, 1)) return state.SkipWithError("no pseudo-terminal");
  if (stalled) {
    // The mount stops reading: its line fills, then every write would block.
    mount.Pause();
    std::string bulk(200000, 'x');
    port.Write(bulk.data(), static_cast<int>(bulk.size()));
  }
  Lx200Io io;
  io.port = &port;
  Lx200PanelState panel;
  panel.m_showPosition = true;
  Lx200FollowState follow;
  follow.followTarget = true;
  follow.replyDelay = 0.1;
  Frames(state, [&](int frame) {
    follow.followRightAscension = 1.0 + 0.0002 * frame;  // a slew every frame
    follow.followDeclination = 0.5;
    Lx200Exchange(io, panel, follow, nullptr);
  });
}

void Lx200Healthy(benchmark::State& s) { Lx200Step(s, PtyMount::Behaviour::Healthy, false); }
void Lx200Silent(benchmark::State& s) { Lx200Step(s, PtyMount::Behaviour::Silent, false); }
void Lx200Garbage(benchmark::State& s) { Lx200Step(s, PtyMount::Behaviour::Garbage, false); }
void Lx200Stalled(benchmark::State& s) { Lx200Step(s, PtyMount::Behaviour::Healthy, true); }

void IndiStep(benchmark::State& state, bool stopped) {
  using namespace indi_test;
  if (!OnPath("indiserver") || !OnPath("indi_simulator_telescope"))
    return state.SkipWithError("install the Debian package indi-bin");
  const auto folder = std::filesystem::temp_directory_path() / ("nvbenchindi" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  setenv("HOME", folder.c_str(), 1);
  SetRegistryStorePath((folder / "registry.ini").string());
  RegisterIndiDriverClasses();
  const int port = FreePort();
  pid_t server = StartSimulatorServer(port);
  ServerGuard guard{server};
  Eventually([&] { return !ListIndiTelescopes("127.0.0.1", port, 500).empty(); }, 10000);
  IndiDriverId id;
  id.driver = "indi_simulator_telescope", id.device = "Telescope Simulator", id.host = "127.0.0.1", id.port = port;
  {
    CRegKey key;
    key.Create(HKEY_CURRENT_USER, kTelescopeDriverKey);
    key.SetStringValue(kTelescopeDriverValue, MakeIndiProgId(id).c_str());
  }
  if (ConnectTelescope() != 0) return state.SkipWithError("the simulator did not connect");
  SyncTelescope(1.0, 30.0);
  if (stopped) kill(server, SIGSTOP);
  double lastRa = -100.0;
  Frames(state, [&](int frame) {
    // The driver branch of the step: read the place, slew when the target moved.
    const double ra = GetTelescopeRightAscension(), dec = GetTelescopeDeclination();
    benchmark::DoNotOptimize(ra + dec);
    const double target = 1.0 + 0.001 * frame;
    if (std::fabs(target - lastRa) > 0.0001) {
      lastRa = target;
      if (SlewTelescope(target, 30.0) == -1) SyncTelescope(target, 30.0);
    }
  });
  g_telescopeDriverConnected = true;
  DisconnectTelescope();
  SetRegistryStorePath("");
  std::filesystem::remove_all(folder);
}

void IndiRunning(benchmark::State& s) { IndiStep(s, false); }
void IndiStopped(benchmark::State& s) { IndiStep(s, true); }

}  // namespace

BENCHMARK(Lx200Healthy)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(Lx200Silent)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(Lx200Garbage)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(Lx200Stalled)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(IndiRunning)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(IndiStopped)->Iterations(1)->Unit(benchmark::kMillisecond);
