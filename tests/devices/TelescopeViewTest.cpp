// The view's telescope and GPS work: the frame's following with the LX200
// exchange on our own pseudo-terminal mount, the commands and their dialogs.
#include <gtest/gtest.h>
#include <pty.h>
#include <unistd.h>

#include <QApplication>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "IndiDriver.h"
#include "IndiServer.h"
#include "Lx200Panel.h"
#include "Nuvarine2View.h"
#include "ProcessObjects.h"
#include "PtyMount.h"
// Registry.h clashes with the drawing layer's names; only this is needed.
void SetRegistryStorePath(const std::string& path);
#include "Resource.h"
#include "TelescopeChooser.h"
#include "TelescopeClient.h"
#include "TelescopeDialogs.h"
#include "Trajectory.h"
#include "ViewSettings.h"

namespace {

constexpr double kDeg = 3.14159265358979323846 / 180.0;

QApplication& TestApplication() {
  static int argc = 1;
  static char name[] = "devices_view_tests";
  static char* argv[] = {name, nullptr};
  static QApplication* app = [] {
    auto* a = new QApplication(argc, argv);
    RegisterNuvarineResources();
    return a;
  }();
  return *app;
}

class TelescopeView : public CNuvarine2View {
 public:
  void ResetAndRotateCamera(float yaw, float pitch) override { turns.emplace_back(yaw, pitch); }
  std::vector<std::pair<float, float>> turns;
};

struct Box {
  CString text, caption;
};

class TelescopeViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TestApplication();
    ASSERT_TRUE(getcwd(saved, sizeof saved));
    folder = std::filesystem::temp_directory_path() / ("nvtelescope" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    ASSERT_EQ(chdir(folder.c_str()), 0);
    SetRegistryStorePath((folder / "registry.ini").string());
    SetMessageBoxHandler([this](const CString& text, const CString& caption, UINT) {
      boxes.push_back({text, caption});
      return IDOK;
    });
    view = std::make_unique<TelescopeView>();
    view->m_planetariumMode = true;
    view->m_telescopeSleep = [](double s) { std::this_thread::sleep_for(std::chrono::duration<double>(s * 0.05)); };
    view->m_lx200ReplyDelay = 2.0;  // 100 ms once scaled: the mount has answered by then
    // 45° north: a star at +89° never sets, one at -89° never rises.
    view->m_observerLatitude = 45 * kDeg;
    view->m_sinLatitude = std::sin(45 * kDeg);
    view->m_cosLatitude = std::cos(45 * kDeg);
  }
  void TearDown() override {
    view.reset();
    SetMessageBoxHandler(nullptr);
    SetRegistryStorePath("");
    CloseTelescopeLog();
    ASSERT_EQ(chdir(saved), 0);
    std::filesystem::remove_all(folder);
  }
  // A connected LX200 on the mount's port, the telescope following a star.
  void ConnectOn(PtyMount& mount, int port) {
    ASSERT_TRUE(mount.ok());
    g_telescopePort = CString("COM" + std::to_string(port));
    g_telescopeBaudRate = 9600;
    view->m_useLx200Driver = true;
    view->OnTelescopeOpenConnection();
    ASSERT_TRUE(view->m_telescopeConnected);
    view->m_pLx200Panel->m_speedCommand = 0;
  }
  void Follow(double raHours, double decDegrees) {
    view->m_telescopeFollowTarget = true;
    view->m_followRightAscension = raHours * 15 * kDeg;
    view->m_followDeclination = decDegrees * kDeg;
  }
  // Runs the dialogs the commands open: `fill` sets their controls, then OK.
  void AnswerDialogs(std::function<void(CDialog&)> fill) {
    view->m_runDialog = [fill](CDialog& dialog) -> INT_PTR {
      dialog.Create(dialog.GetTemplateId());
      if (fill) fill(dialog);
      dialog.SendControlNotify(IDOK, BN_CLICKED);
      dialog.DestroyWindow();
      return IDOK;
    };
  }
  bool WaitUntilSent(PtyMount& mount, const std::string& prefix) {
    for (int i = 0; i < 500; ++i) {
      for (const std::string& c : mount.Commands())
        if (c.rfind(prefix, 0) == 0) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }
  std::string Sent(PtyMount& mount) {
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    return mount.Received();
  }

  char saved[PATH_MAX] = {};
  std::filesystem::path folder;
  std::unique_ptr<TelescopeView> view;
  std::vector<Box> boxes;
};

}  // namespace

TEST_F(TelescopeViewTest, OpenConnectionShowsNoticeSendsSiteAndShowsThePanel) {
  PtyMount mount(6);
  ConnectOn(mount, 6);
  ASSERT_GE(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, "Nuvarine 2.0");
  EXPECT_EQ(boxes[0].text.substr(0, 40), "Attention, Nuvarine will try to initiali");
  EXPECT_TRUE(view->m_realTime);
  EXPECT_TRUE(view->m_pLx200Panel->IsWindowVisible());
  EXPECT_NE(Sent(mount).find("#:St +45\xDF" "00#"), std::string::npos);
  view->OnTelescopeOpenConnection();  // already connected: nothing happens
  EXPECT_EQ(boxes.size(), 1u);
}

TEST_F(TelescopeViewTest, TheMountIsSetToTheComputersClockAsItReceivesIt) {
  // The handshake's real two-second wait, and the real clock.
  view->m_telescopeSleep = [](double s) { std::this_thread::sleep_for(std::chrono::duration<double>(s)); };
  PtyMount mount(7);
  ConnectOn(mount, 7);
  ASSERT_TRUE(WaitUntilSent(mount, ":SC "));
  const std::vector<std::string> commands = mount.Commands();
  const auto times = mount.CommandTimes();
  size_t at = 0;
  while (at < commands.size() && commands[at].rfind(":SL ", 0) != 0) ++at;
  ASSERT_LT(at, commands.size());
  int hour = -1, minute = -1, second = -1;
  ASSERT_EQ(std::sscanf(commands[at].c_str(), ":SL %d:%d:%d#", &hour, &minute, &second), 3) << commands[at];
  const double sent = hour * 3600.0 + minute * 60.0 + second;
  // The local time of day at which the mount had the command.
  const auto received = times[at];
  const std::time_t whole = std::chrono::system_clock::to_time_t(received);
  std::tm local{};
  localtime_r(&whole, &local);
  const double fraction = std::chrono::duration<double>(received - std::chrono::system_clock::from_time_t(whole)).count();
  const double arrived = local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec + fraction;
  double late = std::fmod(arrived - sent + 86400.0 * 1.5, 86400.0) - 43200.0;
  // The time goes to the nearest second: half a second, and a little for
  // the line's delivery.
  EXPECT_LE(std::fabs(late), 0.6) << commands[at];
  EXPECT_EQ(view->m_hour, hour);
  EXPECT_EQ(view->m_minute, minute);
  EXPECT_EQ(view->m_second, second);
}

TEST_F(TelescopeViewTest, NothingIsSentWhileNothingIsFollowedOrBelowTheHorizon) {
  PtyMount mount(6);
  ConnectOn(mount, 6);
  const size_t before = Sent(mount).size();
  view->m_pLx200Panel->OnNorth();
  view->FrameMove(0.0f);  // nothing followed
  view->m_lockedObject = -1;
  Follow(6.0, -89.0);     // followed, but below the horizon
  view->FrameMove(0.0f);
  EXPECT_EQ(Sent(mount).size(), before);
  EXPECT_TRUE(view->m_pLx200Panel->m_moveNorth);  // still pending
  EXPECT_TRUE(view->turns.empty());

  Follow(6.0, 89.0);
  view->m_pLx200Panel->OnSouth();  // N then S before the exchange: only S goes
  view->FrameMove(0.0f);
  const std::string sent = Sent(mount).substr(before);
  EXPECT_EQ(sent.find("#:Mn#"), std::string::npos);
  EXPECT_NE(sent.find("#:Ms#"), std::string::npos);
  EXPECT_NE(sent.find("#:Sd +89\xDF" "00#"), std::string::npos);
  ASSERT_FALSE(view->turns.empty());
  EXPECT_TRUE(view->m_targetMarked);
  EXPECT_FLOAT_EQ(view->turns.back().first, static_cast<float>(-view->m_followAzimuth));
}

TEST_F(TelescopeViewTest, ViewTurnsToTheMountsReply) {
  PtyMount mount(6);
  ConnectOn(mount, 6);
  Follow(5.5, 80.0);
  view->m_pLx200Panel->m_showPosition = true;
  view->FrameMove(0.0f);
  // The mount went to the target before the read-back: the last turn is to its place.
  EXPECT_NEAR(view->m_telescopeRightAscension, 5.5 * 15 * kDeg, 1e-9);
  EXPECT_NEAR(view->m_telescopeDeclination, 80 * kDeg, 1e-9);
  EXPECT_EQ(std::string(view->m_pLx200Panel->m_raText), "05h30.0'");
  EXPECT_NEAR(view->m_targetRightAscension, 5.5 * 15 * kDeg, 1e-9);
  double azimuth, altitude;
  view->EquatorialToHorizontal(azimuth, altitude, view->m_localSiderealTime, 5.5 * 15 * kDeg, 80 * kDeg);
  EXPECT_FLOAT_EQ(view->turns.back().first, static_cast<float>(-azimuth));
  EXPECT_FLOAT_EQ(view->turns.back().second, static_cast<float>(altitude));
}

TEST_F(TelescopeViewTest, CloseConnectionClosesThePortAtTheNextFrame) {
  PtyMount mount(6);
  ConnectOn(mount, 6);
  view->m_lockedObject = 3;
  view->OnTelescopeCloseConnection();
  EXPECT_FALSE(view->m_telescopeConnected);
  EXPECT_EQ(view->m_lockedObject, -1);
  EXPECT_TRUE(view->m_lx200SerialPort.m_isOpen);
  view->FrameMove(0.0f);
  EXPECT_FALSE(view->m_lx200SerialPort.m_isOpen);
  EXPECT_FALSE(view->m_pLx200Panel->IsWindowVisible());
}

TEST_F(TelescopeViewTest, SerialDialogStoresTypedTextAndABadSpeedFailsPlainly) {
  // LX200 chosen, then the serial line typed in: parity I is stored as O,
  // P as E, a speed that is not a number as 0.
  struct Case {
    const char *parity, *speed;
    char storedParity;
    int storedSpeed;
  } cases[] = {{"I", "abc", 'O', 0}, {"P", "19200", 'E', 19200}, {"N", "4800", 'N', 4800}};
  for (const Case& c : cases) {
    AnswerDialogs([&c](CDialog& dialog) {
      if (dialog.GetTemplateId() == ChoisirTypeTelescope::IDD) {
        static_cast<ChoisirTypeTelescope&>(dialog).OnChoose(true);
      } else {
        dialog.SetDlgItemText(1023, "COM12");
        dialog.SetDlgItemText(1024, c.speed);
        dialog.SetDlgItemText(1082, c.parity);
      }
    });
    view->m_useLx200Driver = false;
    view->OnTelescopeConfiguration();
    EXPECT_TRUE(view->m_useLx200Driver);
    EXPECT_EQ(g_telescopePort, "COM12");
    EXPECT_EQ(g_telescopeParity, c.storedParity);
    EXPECT_EQ(g_telescopeBaudRate, c.storedSpeed);
  }
  // Speeds a line cannot be set to (0, and 14400, which Linux lacks): string
  // 1078 naming the speed, not a hung-up line.
  for (int speed : {0, 14400}) {
    g_telescopeBaudRate = speed;
    PtyMount mount(12);
    boxes.clear();
    view->OnTelescopeOpenConnection();
    EXPECT_FALSE(view->m_telescopeConnected);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].text.substr(0, 55), "Error, impossible to communicate with the serial port !");
    EXPECT_NE(boxes[1].text.find("The speed of " + std::to_string(speed) + " baud cannot be used"), std::string::npos)
        << boxes[1].text;
    EXPECT_EQ(mount.Received(), "");
  }
}

TEST_F(TelescopeViewTest, CommandsNeedPlanetariumMode) {
  view->m_planetariumMode = false;
  view->OnTelescopeOpenConnection();
  EXPECT_TRUE(boxes.empty());
  EXPECT_FALSE(view->m_lx200ConnectDone == false);
}

TEST_F(TelescopeViewTest, StartGpsOpensThePortChosenAndAFixMovesThePlace) {
  char name[256] = {};
  int master = -1, slave = -1;
  ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
  setenv("NUVARINE_SERIAL_COM12", name, 1);
  AnswerDialogs([](CDialog& dialog) {
    dialog.SetDlgItemText(1023, "COM12");
    dialog.SetDlgItemText(1024, "4800");
  });
  view->OnStartGps();
  EXPECT_EQ(view->m_gpsPort, 12);
  EXPECT_EQ(view->m_gpsBaudRate, 4800);
  ASSERT_EQ(view->m_gpsActive, 1);
  const std::string burst =
      "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n"
      "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A\r\n"
      "$GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1*39\r\n"
      "$GPGSV,2,1,08,01,40,083,46,02,17,308,41,12,07,344,39,14,22,228,45*75\r\n";
  ASSERT_EQ(write(master, burst.data(), burst.size()), static_cast<ssize_t>(burst.size()));
  for (int i = 0; i < 100 && view->m_gpsSerialPort.BytesWaiting() < static_cast<int>(burst.size()); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  view->PollGpsReceiver();
  EXPECT_EQ(view->m_gpsFixValid, 1);
  EXPECT_NEAR(view->m_observerLatitude / kDeg, 48.1173, 1e-9);
  EXPECT_NEAR(view->m_observerLongitude / kDeg, -11.516666666666667, 1e-9);
  EXPECT_NEAR(view->m_observerElevation, 545.4, 1e-9);
  view->OnStopGps();
  EXPECT_EQ(view->m_gpsActive, 0);
  EXPECT_FALSE(view->m_gpsSerialPort.m_isOpen);
  unsetenv("NUVARINE_SERIAL_COM12");
  close(master);
  close(slave);
}

// A USB receiver chosen by its stable name: the GPS dialog offers the
// devices present (a folder of our own stands for /dev), the name picked is
// opened and kept; the LX200 line opens a mount named by its device path.
TEST_F(TelescopeViewTest, DevicesByTheirPathsForTheGpsAndTheMount) {
  char name[256] = {};
  int master = -1, slave = -1;
  ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
  const std::filesystem::path byId = folder / "dev/serial/by-id";
  std::filesystem::create_directories(byId);
  const std::string receiver = (byId / "usb-u-blox_AG_GNSS_receiver-if00").string();
  std::filesystem::create_symlink(name, receiver);
  CSerialPort::DeviceFolders folders;
  folders.byId = byId.string();
  folders.dev = (folder / "dev").string();
  folders.ttyClass = (folder / "sys").string();
  CSerialPort::SetDeviceFolders(folders);
  std::vector<std::string> offered;
  AnswerDialogs([&](CDialog& dialog) {
    for (int i = 0; i < AfxGetComboCount(&dialog, 1023); ++i) offered.push_back(AfxGetComboString(&dialog, 1023, i));
    dialog.SetDlgItemText(1023, receiver.c_str());
  });
  view->OnStartGps();
  CSerialPort::SetDeviceFolders({});
  ASSERT_FALSE(offered.empty());
  EXPECT_EQ(offered.front(), receiver);
  EXPECT_EQ(offered[1], "COM1") << "then the COM ports";
  EXPECT_EQ(view->m_gpsDevice, receiver);
  ASSERT_EQ(view->m_gpsActive, 1);
  const std::string fix =
      "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n"
      "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A\r\n"
      "$GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1*39\r\n"
      "$GPGSV,2,1,08,01,40,083,46,02,17,308,41,12,07,344,39,14,22,228,45*75\r\n";
  ASSERT_EQ(write(master, fix.data(), fix.size()), static_cast<ssize_t>(fix.size()));
  for (int i = 0; i < 100 && view->m_gpsSerialPort.BytesWaiting() < static_cast<int>(fix.size()); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  view->PollGpsReceiver();
  EXPECT_EQ(view->m_gpsFixValid, 1);
  EXPECT_NEAR(view->m_observerLatitude / kDeg, 48.1173, 1e-9);
  view->OnStopGps();

  // The dialog shows the kept device the next time; a COM port typed
  // instead clears it.
  CString shown;
  AnswerDialogs([&](CDialog& dialog) {
    shown = AfxGetComboText(&dialog, 1023);
    dialog.SetDlgItemText(1023, "COM3");
  });
  view->OnStartGps();
  EXPECT_EQ(shown, receiver);
  EXPECT_EQ(view->m_gpsDevice, "");
  EXPECT_EQ(view->m_gpsPort, 3);
  view->OnStopGps();
  close(master);
  close(slave);

  PtyMount mount(99);
  ASSERT_TRUE(mount.ok());
  unsetenv("NUVARINE_SERIAL_COM99");
  g_telescopePort = mount.Path().c_str();
  g_telescopeBaudRate = 9600;
  view->m_useLx200Driver = true;
  view->OnTelescopeOpenConnection();
  ASSERT_TRUE(view->m_telescopeConnected);
  EXPECT_NE(Sent(mount).find("#:St +48\xDF" "07#"), std::string::npos) << "the site, Munich's from the GPS";
}

TEST_F(TelescopeViewTest, DriverTelescopeFollowsAStarAndEscapeAborts) {
  using namespace indi_test;
  for (const char* program : {"indiserver", "indi_simulator_telescope"})
    ASSERT_TRUE(OnPath(program)) << program << " is missing: install the Debian package indi-bin";
  const std::string savedHome = std::getenv("HOME") ? std::getenv("HOME") : "";
  setenv("HOME", folder.c_str(), 1);
  const int port = FreePort();
  pid_t server = StartSimulatorServer(port);
  ServerGuard guard{server};
  ASSERT_GT(server, 0);
  ASSERT_TRUE(Eventually([&] { return !ListIndiTelescopes("127.0.0.1", port, 500).empty(); }, 10000));

  // Choose the simulator through the chooser, then connect from the command.
  IndiDriverId id;
  id.driver = "indi_simulator_telescope", id.device = "Telescope Simulator", id.host = "127.0.0.1", id.port = port;
  RegisterTelescopeDriverClasses([&](const std::string&) { return MakeIndiProgId(id); });
  AnswerDialogs([](CDialog& dialog) {
    if (dialog.GetTemplateId() == ChoisirTypeTelescope::IDD) static_cast<ChoisirTypeTelescope&>(dialog).OnChoose(false);
  });
  view->OnTelescopeConfiguration();
  EXPECT_FALSE(view->m_useLx200Driver);
  view->m_observerLongitude = -11.5167 * kDeg;  // east
  view->OnTelescopeOpenConnection();
  ASSERT_TRUE(view->m_telescopeConnected);
  EXPECT_TRUE(Eventually([] { return std::fabs(GetDriverDoubleProperty("SiteLongitude") - 11.5167) < 1e-3; }, 5000));

  // Follow a star near the pole: the first frame slews, later frames turn
  // the view to where the telescope reads back.
  SyncTelescope(0.0, 80.0);
  ASSERT_TRUE(Eventually([] { return std::fabs(GetTelescopeDeclination() - 80.0) < 1.0 / 60; }, 5000));
  Follow(0.2, 82.0);
  view->FrameMove(0.0f);
  EXPECT_NEAR(view->m_lastSlewDeclination, 82.0 * kDeg, 1e-12);
  ASSERT_TRUE(Eventually(
      [&] {
        view->turns.clear();
        view->FrameMove(0.0f);
        return std::fabs(view->m_targetDeclination - 82.0 * kDeg) < kDeg / 60 &&
               std::fabs(view->m_targetRightAscension - 0.2 * 15 * kDeg) < kDeg / 60;
      },
      20000))
      << view->m_targetRightAscension / (15 * kDeg) << " h " << view->m_targetDeclination / kDeg << " deg, telescope at "
      << GetTelescopeRightAscension() << " h " << GetTelescopeDeclination() << " deg";
  double azimuth, altitude;
  view->EquatorialToHorizontal(azimuth, altitude, view->m_localSiderealTime, view->m_targetRightAscension,
                               view->m_targetDeclination);
  EXPECT_FLOAT_EQ(view->turns.back().first, static_cast<float>(-azimuth));

  // Escape stops a slew.
  view->m_telescopeFollowTarget = false;
  SlewTelescope(8.0, 30.0);
  ASSERT_TRUE(Eventually([] { return GetDriverBoolProperty("Slewing"); }, 5000));
  view->OnKeyDown(VK_ESCAPE, 1, 0);
  EXPECT_TRUE(Eventually([] { return !GetDriverBoolProperty("Slewing"); }, 5000));
  EXPECT_GT(std::fabs(GetTelescopeDeclination() - 30.0), 1.0);

  view->OnTelescopeCloseConnection();
  EXPECT_EQ(g_pTelescopeDriver, nullptr);
  RegisterTelescopeDriverClasses();
  setenv("HOME", savedHome.c_str(), 1);
}

namespace {

// Connections the server on `port` holds open with its clients, from the
// kernel's tables of TCP sockets (local port in hex, state 01 established).
int ServerConnections(int port) {
  char local[16];
  std::snprintf(local, sizeof local, ":%04X", port);
  int count = 0;
  for (const char* path : {"/proc/net/tcp", "/proc/net/tcp6"}) {
    std::ifstream table(path);
    std::string line;
    std::getline(table, line);  // header
    while (std::getline(table, line)) {
      std::istringstream fields(line);
      std::string slot, localAddress, remoteAddress, state;
      fields >> slot >> localAddress >> remoteAddress >> state;
      if (localAddress.size() > 5 && localAddress.compare(localAddress.size() - 5, 5, local) == 0 && state == "01")
        ++count;
    }
  }
  return count;
}

}  // namespace

TEST_F(TelescopeViewTest, ExitDisconnectsADriverTelescopeAndFreesTheSecondTrajectory) {
  using namespace indi_test;
  for (const char* program : {"indiserver", "indi_simulator_telescope"})
    ASSERT_TRUE(OnPath(program)) << program << " is missing: install the Debian package indi-bin";
  const std::string savedHome = std::getenv("HOME") ? std::getenv("HOME") : "";
  setenv("HOME", folder.c_str(), 1);
  const int port = FreePort();
  pid_t server = StartSimulatorServer(port);
  ServerGuard guard{server};
  ASSERT_GT(server, 0);
  ASSERT_TRUE(Eventually([&] { return !ListIndiTelescopes("127.0.0.1", port, 500).empty(); }, 10000));
  // The driver's own connection to the simulator is the server's too.
  const int driverConnections = ServerConnections(port);

  IndiDriverId id;
  id.driver = "indi_simulator_telescope", id.device = "Telescope Simulator", id.host = "127.0.0.1", id.port = port;
  RegisterTelescopeDriverClasses([&](const std::string&) { return MakeIndiProgId(id); });
  AnswerDialogs([](CDialog& dialog) {
    if (dialog.GetTemplateId() == ChoisirTypeTelescope::IDD) static_cast<ChoisirTypeTelescope&>(dialog).OnChoose(false);
  });
  view->OnTelescopeConfiguration();
  ASSERT_FALSE(view->m_useLx200Driver);
  view->OnTelescopeOpenConnection();
  ASSERT_TRUE(view->m_telescopeConnected);
  EXPECT_TRUE(Eventually([&] { return ServerConnections(port) > driverConnections; }, 5000));
  AllocateSecondTrajectory();
  ASSERT_NE(g_secondTrajectory, nullptr);

  view.reset();
  EXPECT_EQ(g_pTelescopeDriver, nullptr);
  EXPECT_FALSE(g_telescopeDriverConnected);
  EXPECT_TRUE(Eventually([&] { return ServerConnections(port) == driverConnections; }, 5000))
      << ServerConnections(port) << " connections left";
  EXPECT_EQ(g_secondTrajectory, nullptr);
  RegisterTelescopeDriverClasses();
  setenv("HOME", savedHome.c_str(), 1);
}
