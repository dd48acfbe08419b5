// The INDI backend against INDI's own telescope simulator, served by an
// indiserver this test starts on a free 127.0.0.1 port with HOME in a fresh
// folder (the simulator keeps its state there).
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fcntl.h>
#include <sstream>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <thread>

#include "IndiDriver.h"
#include "IndiServer.h"
#include "Registry.h"
#include "TelescopeClient.h"

extern char** environ;

namespace {

using namespace indi_test;

double ArcMinutes(double a, double b) { return std::fabs(a - b) * 60.0; }

class IndiSimulator : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* program : {"indiserver", "indi_simulator_telescope"})
      ASSERT_TRUE(OnPath(program)) << program << " is missing: install the Debian package indi-bin";
    folder = std::filesystem::temp_directory_path() / ("nvindi" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    savedHome = std::getenv("HOME") ? std::getenv("HOME") : "";
    setenv("HOME", folder.c_str(), 1);
    SetRegistryStorePath((folder / "registry.ini").string());
    SetTelescopeClientHooks({[this](const char* text) { log += text; }, nullptr});
    RegisterIndiDriverClasses();
    port = FreePort();
    StartServer();
    ASSERT_TRUE(Eventually([this] { return !ListIndiTelescopes("127.0.0.1", port, 500).empty(); }, 10000))
        << "indiserver did not come up";
  }
  void TearDown() override {
    g_telescopeDriverConnected = true;
    DisconnectTelescope();
    StopServer();
    SetTelescopeClientHooks({});
    SetRegistryStorePath("");
    setenv("HOME", savedHome.c_str(), 1);
    std::filesystem::remove_all(folder);
  }
  void StartServer() { ASSERT_GT(server = StartSimulatorServer(port), 0); }
  void StopServer() { StopSimulatorServer(server); }
  std::string ProgId() {
    IndiDriverId id;
    id.driver = "indi_simulator_telescope";
    id.device = "Telescope Simulator";
    id.host = "127.0.0.1";
    id.port = port;
    return MakeIndiProgId(id);
  }
  void Connect() {
    CRegKey key;
    ASSERT_EQ(key.Create(HKEY_CURRENT_USER, kTelescopeDriverKey), ERROR_SUCCESS);
    ASSERT_EQ(key.SetStringValue(kTelescopeDriverValue, ProgId().c_str()), ERROR_SUCCESS);
    ASSERT_EQ(ConnectTelescope(), 0) << log;
  }

  std::filesystem::path folder;
  std::string savedHome;
  std::string log;
  int port = 0;
  pid_t server = -1;
};

}  // namespace

TEST(IndiIds, ProgIdsRoundTripAndBadOnesAreRefused) {
  IndiDriverId id;
  ASSERT_TRUE(ParseIndiProgId("indi:driver=indi_simulator_telescope;device=Telescope Simulator;server=localhost:7624", id));
  EXPECT_EQ(id.driver, "indi_simulator_telescope");
  EXPECT_EQ(id.device, "Telescope Simulator");
  EXPECT_EQ(id.host, "localhost");
  EXPECT_EQ(id.port, 7624);
  EXPECT_EQ(MakeIndiProgId(id), "indi:driver=indi_simulator_telescope;device=Telescope Simulator;server=localhost:7624");
  for (const char* bad : {"Scope.Telescope", "indi:device=", "indi:driver=/bin/sh;device=X;server=localhost:1",
                          "indi:driver=a;device=X;server=localhost:99999", "indi:driver=a;device=X;colour=red"})
    EXPECT_FALSE(ParseIndiProgId(bad, id)) << bad;
  EXPECT_FALSE(ParseIndiProgId("indi:driver=a;device=" + std::string(300, 'x'), id));
}

// The system's driver list: the telescope group's device entries, each once,
// whatever the length of a label (read without recursion).
TEST(IndiDriverList, TelescopeEntriesAreReadWhateverTheirLength) {
  const std::filesystem::path folder = std::filesystem::path(::testing::TempDir()) / "nv-indi-list";
  std::filesystem::create_directories(folder);
  const std::string list = (folder / "drivers.xml").string();
  auto read = [&](const std::string& xml) {
    std::ofstream(list, std::ios::binary) << xml;
    return ReadIndiTelescopeDrivers(list);
  };
  auto entries = read(
      "<driversList>\n<devGroup group=\"CCDs\">\n<device label=\"Cam\"><driver>indi_cam</driver></device>\n"
      "</devGroup>\n<devGroup group=\"Telescopes\">\n"
      "<device label=\"Mount One\" manufacturer=\"X\">\n  <driver name=\"One\">indi_one</driver>\n</device>\n"
      "<device label=\"Broken\"><driver>two words</driver></device>\n"
      "<device label=\"No driver\"></device>\n"
      "<device label=\"Unclosed\"><driver>indi_open\n"
      "<device\tlabel=\"Mount Two\"><driver>\n indi_two \n</driver></device>\n"
      "<device label=\"Mount One\"><driver>indi_one</driver></device>\n"
      "</devGroup>\n<devGroup group=\"Focusers\"><device label=\"F\"><driver>indi_f</driver></device></devGroup>\n");
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].label, "Mount One");
  EXPECT_EQ(entries[0].driver, "indi_one");
  EXPECT_EQ(entries[1].label, "Mount Two");
  EXPECT_EQ(entries[1].driver, "indi_two");
  // Cut short anywhere: what is whole is read, nothing past the end.
  EXPECT_TRUE(read("<devGroup group=\"Telescopes\"><device label=\"A\"><driver>indi_a</dri").empty());
  EXPECT_TRUE(read("<devGroup group=\"Telescopes\"><device label=\"A").empty());
  EXPECT_TRUE(read("<devGroup group=\"Telescopes\"><device").empty());

  entries = ReadIndiTelescopeDrivers(NUVARINE_TEST_DATA "/hostile/indi-drivers-label-100000.xml");
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].label, std::string(100000, 'a'));
  EXPECT_EQ(entries[0].driver, "indi_x");
  std::filesystem::remove_all(folder);
}

TEST_F(IndiSimulator, ChooserListsTheSimulator) {
  bool listed = false;
  for (const IndiDriverEntry& e : ReadIndiTelescopeDrivers())
    listed |= e.label == "Telescope Simulator" && e.driver == "indi_simulator_telescope";
  EXPECT_TRUE(listed) << "INDI's driver list (libindi-data) lacks the simulator";
  const auto devices = ListIndiTelescopes("127.0.0.1", port);
  EXPECT_NE(std::find(devices.begin(), devices.end(), "Telescope Simulator"), devices.end());
}

TEST_F(IndiSimulator, SiteSyncSlewAndReadBack) {
  Connect();
  EXPECT_TRUE(g_telescopeReportsEquatorial);
  EXPECT_TRUE(g_telescopeCanSync);
  EXPECT_EQ(g_telescopeDriverName, "Telescope Simulator");
  // The view puts minus its west-positive longitude: east positive.
  PutSiteLatitude(48.1173);
  PutSiteLongitude(-11.5167);
  PutSiteElevation(545.4);
  EXPECT_TRUE(Eventually([] { return std::fabs(GetDriverDoubleProperty("SiteLongitude") + 11.5167) < 1e-3; }, 5000));
  EXPECT_NEAR(GetDriverDoubleProperty("SiteLatitude"), 48.1173, 1e-3) << log;

  // A place near Munich's meridian now, high whatever the hour: the
  // simulator refuses a slew below the horizon.
  const double julian = std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count() /
                            86400.0 + 2440587.5;
  const double siderealHours = std::fmod(18.697374558 + 24.06570982441908 * (julian - 2451545.0) + 11.5167 / 15.0, 24.0);
  double ra = std::fmod(siderealHours + 24.0, 24.0);
  if (ra > 23.5) ra -= 0.5;  // the slew goes 0.2 h east
  const double dec = 40.0;
  EXPECT_EQ(SyncTelescope(ra, dec), 0);
  ASSERT_TRUE(Eventually(
      [&] { return ArcMinutes(GetTelescopeRightAscension() * 15, ra * 15) < 1 && ArcMinutes(GetTelescopeDeclination(), dec) < 1; },
      5000))
      << GetTelescopeRightAscension() << " " << GetTelescopeDeclination();
  EXPECT_EQ(SlewTelescope(ra + 0.2, dec + 3.0), 0);
  EXPECT_TRUE(Eventually(
      [&] {
        return ArcMinutes(GetTelescopeRightAscension() * 15, (ra + 0.2) * 15) < 1 &&
               ArcMinutes(GetTelescopeDeclination(), dec + 3.0) < 1;
      },
      15000))
      << GetTelescopeRightAscension() << " " << GetTelescopeDeclination();
  EXPECT_TRUE(g_telescopeDriverConnected) << log;
}

TEST_F(IndiSimulator, AbortStopsASlew) {
  Connect();
  SyncTelescope(2.0, 10.0);
  ASSERT_TRUE(Eventually([] { return ArcMinutes(GetTelescopeDeclination(), 10.0) < 1; }, 5000));
  SlewTelescope(8.0, 60.0);
  ASSERT_TRUE(Eventually([] { return GetDriverBoolProperty("Slewing"); }, 5000));
  AbortTelescopeSlew();
  EXPECT_TRUE(Eventually([] { return !GetDriverBoolProperty("Slewing"); }, 5000));
  const double stopped = GetTelescopeDeclination();
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  EXPECT_LT(ArcMinutes(GetTelescopeDeclination(), stopped), 1.0);
  EXPECT_GT(ArcMinutes(stopped, 60.0), 60.0);  // it did not get there
}

TEST_F(IndiSimulator, LostServerFailsTheNextCall) {
  Connect();
  StopServer();
  ASSERT_TRUE(Eventually(
      [&] {
        GetTelescopeRightAscension();
        return !g_telescopeDriverConnected;
      },
      5000));
  EXPECT_NE(log.find("the connection to the INDI server was lost."), std::string::npos) << log;
}

TEST_F(IndiSimulator, UnknownDeviceIsNotFound) {
  IndiDriverId id;
  id.device = "No Such Mount";
  id.host = "127.0.0.1";
  id.port = port;
  CRegKey key;
  ASSERT_EQ(key.Create(HKEY_CURRENT_USER, kTelescopeDriverKey), ERROR_SUCCESS);
  key.SetStringValue(kTelescopeDriverValue, MakeIndiProgId(id).c_str());
  EXPECT_EQ(ConnectTelescope(), -1);
  EXPECT_EQ(log, "Failed to find scope driver " + MakeIndiProgId(id) + ".\r\n");
}
