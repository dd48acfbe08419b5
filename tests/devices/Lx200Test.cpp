#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <string>
#include <thread>

#include "Lx200.h"
#include "PtyMount.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kDeg = kPi / 180.0;
const std::string D = "\xDF";  // the mount's degree sign

// Real clock, waits shortened by `scale` (the handshake's seconds become ms).
Lx200Io MakeIo(CSerialPort& port, std::string* log, double scale = 1.0) {
  Lx200Io io;
  io.port = &port;
  if (log) io.log = [log](const char* text) { *log += text; };
  io.sleep = [scale](double s) { std::this_thread::sleep_for(std::chrono::duration<double>(s * scale)); };
  return io;
}

bool Contains(const std::vector<std::string>& list, const std::string& item) {
  for (const std::string& s : list)
    if (s == item) return true;
  return false;
}

// The simulated mount answers on its own thread: wait for what it must have
// received, bounded generously so a loaded or sanitizer build never flakes.
template <class Condition>
bool WaitUntil(Condition done) {
  const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!done()) {
    if (std::chrono::steady_clock::now() > limit) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

}  // namespace

TEST(Lx200Texts, FieldsAreRoundedThenSplitZeroPadded) {
  struct Case {
    std::string got, expected;
  } cases[] = {
      {Lx200SiteLatitude(-(33 + 27 / 60.0)), "#:St -33" + D + "27#"},
      {Lx200SiteLatitude(48 + 51 / 60.0), "#:St +48" + D + "51#"},
      {Lx200SiteLatitude(48 + 59.6 / 60.0), "#:St +49" + D + "00#"},
      {Lx200SiteLongitude(360.0 - (2 + 20 / 60.0)), "#:Sg 357" + D + "40#"},
      {Lx200SiteLongitude(359.999), "#:Sg 000" + D + "00#"},
      {Lx200UtcOffset(1.0), "#:SG -01#"},
      {Lx200UtcOffset(-5.0), "#:SG +05#"},
      {Lx200TargetRightAscension(5.5), "#:Sr 05:30.0#"},
      {Lx200TargetRightAscension(5 + 5.5 / 60.0), "#:Sr 05:05.5#"},
      {Lx200TargetRightAscension(5.99999), "#:Sr 06:00.0#"},
      {Lx200TargetDeclination(45.5), "#:Sd +45" + D + "30#"},
      {Lx200TargetDeclination(-0.5), "#:Sd -00" + D + "30#"},
      {Lx200TargetDeclination(-(10 + 59.7 / 60.0)), "#:Sd -11" + D + "00#"},
      {Lx200LocalTime(7, 5, 9), "#:SL 07:05:09#"},
      {Lx200Date(3, 14, 2026), "#:SC 03/14/26#"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.got, c.expected);
}

TEST(Lx200Texts, PortNumberIsTheWholeNumberAfterCom) {
  struct Case {
    const char* name;
    int port;
  } cases[] = {{"COM1", 1}, {"COM3", 3}, {"COM7", 7}, {"COM12", 12}, {"COM", 1}, {"ttyUSB0", 1}, {"COM0", 1}};
  for (const Case& c : cases) EXPECT_EQ(Lx200PortNumber(c.name), c.port) << c.name;
}

TEST(Lx200Texts, ADevicePathIsOpenedAsItIsAnyOtherNameAsItsComPort) {
  struct Case {
    const char *name, *device;
  } cases[] = {{"COM7", "COM7"},
               {"COM12", "\\\\.\\COM12"},
               {"/dev/ttyUSB0", "/dev/ttyUSB0"},
               {"/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10KZ1-if00-port0",
                "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10KZ1-if00-port0"},
               {"ttyACM0", "ttyACM0"},
               {"port 3", "COM1"}};
  for (const Case& c : cases) EXPECT_EQ(Lx200PortDevice(c.name), c.device) << c.name;
}

TEST(Lx200Replies, PositionFieldsCountOnlyWhenComplete) {
  struct Case {
    std::string reply;
    bool ra, dec;
    double hours, degrees;
    const char *raText, *decText;
  } cases[] = {
      {"12:34.5#+45" + D + "30#", true, true, 12.575, 45.5, "12h34.5'", "+45\xB0" "30'"},
      {"05:30.0#-00" + D + "30#", true, true, 5.5, -0.5, "05h30.0'", "-00\xB0" "30'"},
      {"05:30:36#+45" + D + "30:36#", true, true, 5.51, 45.51, "05h30:36'", "+45\xB0" "30:36'"},
      {"12:34.5#+45" + D + "3", true, false, 12.575, 0, "12h34.5'", ""},  // cut short
      {"12:34.5#+45", true, false, 12.575, 0, "12h34.5'", ""},
      {"12:34.5", false, false, 0, 0, "", ""},                     // no '#'
      {"12:3", false, false, 0, 0, "", ""},
      {"", false, false, 0, 0, "", ""},
      {std::string("12:3\0.5#+45", 11) + D + "30#", false, false, 0, 0, "", ""},
      {"12:34.5#+4\0" + D + "30#", true, false, 12.575, 0, "12h34.5'", ""},
      {"##:#" + D + "#", false, false, 0, 0, "", ""},
      {"25:00.0#+95" + D + "00#", false, false, 0, 0, "", ""},      // out of range
      {"12:61.0#+45" + D + "61#", false, false, 0, 0, "", ""},
      {"1#12:34.5#+45" + D + "30#", false, false, 0, 0, "", ""},   // a stale reply in front
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.reply);
    Lx200PositionReply r = ParseLx200Position(c.reply.data(), static_cast<int>(c.reply.size()));
    EXPECT_EQ(r.hasRightAscension, c.ra);
    EXPECT_EQ(r.hasDeclination, c.dec);
    EXPECT_NEAR(r.hours, c.hours, 1e-9);
    EXPECT_NEAR(r.degrees, c.degrees, 1e-9);
    EXPECT_EQ(std::string(r.raText), c.raText);
    EXPECT_EQ(std::string(r.decText), c.decText);
  }
  const std::string horizontal = "+45" + D + "30#123" + D + "45#";
  Lx200HorizontalReply h = ParseLx200Horizontal(horizontal.data(), static_cast<int>(horizontal.size()));
  EXPECT_EQ(std::string(h.altitudeText), "+45\xB0" "30'");
  EXPECT_EQ(std::string(h.azimuthText), "123\xB0" "45'");
  h = ParseLx200Horizontal("+45#1", 5);
  EXPECT_EQ(std::string(h.altitudeText), "+45\xB0'");
  EXPECT_FALSE(h.hasAzimuth);
}

TEST(Lx200Connect, HandshakeThenSiteTimeAndDate) {
  struct Case {
    double latitude, westLongitude, utcOffset;
    std::string st, sg, sgOffset;
  } cases[] = {
      {-(33 + 27 / 60.0), -(2 + 20 / 60.0), 1.0, ":St -33" + D + "27#", ":Sg 357" + D + "40#", ":SG -01#"},
      {48 + 51 / 60.0, 75.0, -5.0, ":St +48" + D + "51#", ":Sg 075" + D + "00#", ":SG +05#"},
  };
  for (const Case& c : cases) {
    PtyMount mount(3);
    ASSERT_TRUE(mount.ok());
    CSerialPort port;
    std::string log;
    Lx200LineSettings line;
    line.port = "COM3";
    Lx200LocalTimeNow now{2026, 12, 10, 21, 5, 7};
    // Waits of a tenth: room for a slow (sanitizer) build to answer the first ack.
    ASSERT_EQ(ConnectLx200(MakeIo(port, &log, 0.1), line, c.latitude * kDeg, c.westLongitude * kDeg, c.utcOffset,
                           [&] { return now; }),
              Lx200ConnectResult::Connected);
    EXPECT_TRUE(WaitUntil([&] { return Contains(mount.Commands(), ":SC 12/10/26#"); }));
    const auto commands = mount.Commands();
    EXPECT_TRUE(Contains(commands, c.st));
    EXPECT_TRUE(Contains(commands, c.sg));
    EXPECT_TRUE(Contains(commands, c.sgOffset));
    EXPECT_TRUE(Contains(commands, ":SL 21:05:07#"));
    EXPECT_TRUE(Contains(commands, ":SC 12/10/26#"));
    EXPECT_EQ(mount.Received().substr(0, 1), "\x06");
    EXPECT_EQ(log, "\r\n" + std::string(71, '-') + "\r\nOpen serialLX200 port.\n\r\nNuvarine : *\r\nLX200 : P" +
                       "\r\n(connection OK.)\r\n\r\nNuvarine : #" + c.st + "#" + c.sg + "#" + c.sgOffset +
                       "#:SL 21:05:07##:SC 12/10/26#");
  }
}

TEST(Lx200Connect, SilentMountGetsFiveAcksAndFails) {
  PtyMount mount(3, PtyMount::Behaviour::Silent);
  CSerialPort port;
  std::string log;
  Lx200LineSettings line;
  line.port = "COM3";
  EXPECT_EQ(ConnectLx200(MakeIo(port, &log, 0.01), line, 0.5, 0.1, 0, nullptr), Lx200ConnectResult::NoAnswer);
  EXPECT_TRUE(WaitUntil([&] { return mount.Received().size() >= 5; }));
  EXPECT_EQ(mount.Received(), std::string(5, '\x06'));
  EXPECT_NE(log.find("\r\nLX200 : \r\n(impossible to connect.)"), std::string::npos);
}

TEST(Lx200Connect, PortThatCannotOpenFails) {
  setenv("NUVARINE_SERIAL_COM4", "/nonexistent/tty", 1);
  CSerialPort port;
  std::string log;
  Lx200LineSettings line;
  line.port = "COM4";
  EXPECT_EQ(ConnectLx200(MakeIo(port, &log, 0.01), line, 0, 0, 0, nullptr), Lx200ConnectResult::PortFailed);
  EXPECT_FALSE(port.m_isOpen);
  EXPECT_NE(log.find("Error, impossible to open serialLX200 port.\r\n\r\n"), std::string::npos);
  unsetenv("NUVARINE_SERIAL_COM4");
}

class Lx200Frame : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(mount.ok());
    ASSERT_TRUE(port.Open(2, 9600, 'N', 8, 1));
    io = MakeIo(port, &log);
    state.followTarget = true;
    state.replyDelay = 0.5;  // the mount thread may answer late on a loaded machine
  }
  void Exchange() {
    Lx200Exchange(io, panel, state, [this](double ra, double dec) {
      ++pointed;
      pointedRa = ra, pointedDec = dec;
    });
  }
  PtyMount mount{2};
  CSerialPort port;
  std::string log;
  Lx200Io io;
  Lx200PanelState panel;
  Lx200FollowState state;
  int pointed = 0;
  double pointedRa = 0, pointedDec = 0;
};

TEST_F(Lx200Frame, GoToThenReadBackTurnsTheView) {
  struct Case {
    double raHours, decDegrees;
    std::string sr, sd, raText, decText;
  } cases[] = {
      {5.5, 45.5, ":Sr 05:30.0#", ":Sd +45" + D + "30#", "05h30.0'", "+45\xB0" "30'"},
      {5.5, -0.5, ":Sr 05:30.0#", ":Sd -00" + D + "30#", "05h30.0'", "-00\xB0" "30'"},
  };
  for (const Case& c : cases) {
    state.followRightAscension = c.raHours * 15 * kDeg;
    state.followDeclination = c.decDegrees * kDeg;
    panel.m_showPosition = true;
    const int slews = mount.Slews();
    Exchange();
    EXPECT_TRUE(WaitUntil([&] { return mount.Slews() >= slews + 1; }));
    auto commands = mount.Commands();
    ASSERT_GE(commands.size(), 3u);
    EXPECT_TRUE(Contains(commands, c.sr));
    EXPECT_TRUE(Contains(commands, c.sd));
    EXPECT_EQ(mount.Slews(), slews + 1);
    EXPECT_EQ(state.lastSlewRightAscension, state.followRightAscension);
    // The mount moved before the read-back: the view turns to its reply.
    EXPECT_NEAR(state.telescopeRightAscension, c.raHours * 15 * kDeg, 1e-9);
    EXPECT_NEAR(state.telescopeDeclination, c.decDegrees * kDeg, 1e-9);
    EXPECT_EQ(std::string(panel.m_raText), c.raText);
    EXPECT_EQ(std::string(panel.m_decText), c.decText);
    EXPECT_EQ(std::string(panel.m_altitudeText), "+45\xB0" "30'");
    EXPECT_EQ(std::string(panel.m_azimuthText), "123\xB0" "45'");
    EXPECT_NEAR(pointedRa, state.telescopeRightAscension, 1e-12);
  }
  // Unchanged place: no second go-to.
  const int slews = mount.Slews();
  Exchange();
  EXPECT_EQ(mount.Slews(), slews);
}

TEST_F(Lx200Frame, ReplyGivesHoursDegreesAndTexts) {
  state.followRightAscension = state.lastSlewRightAscension = 1.0;
  state.followDeclination = state.lastSlewDeclination = 0.5;
  panel.m_showPosition = true;
  Exchange();
  EXPECT_NEAR(state.telescopeRightAscension / (15 * kDeg), 12.575, 1e-9);
  EXPECT_NEAR(state.telescopeDeclination / kDeg, 45.5, 1e-9);
  EXPECT_EQ(std::string(panel.m_raText), "12h34.5'");
  EXPECT_EQ(std::string(panel.m_decText), "+45\xB0" "30'");
  EXPECT_EQ(pointed, 1);
}

TEST_F(Lx200Frame, LogHoldsEveryPieceByteForByte) {
  state.followRightAscension = 5.5 * 15 * kDeg;
  state.followDeclination = 45.5 * kDeg;
  panel.m_speedCommand = 4;
  panel.m_moveSouth = true;
  panel.m_showPosition = true;
  Exchange();
  EXPECT_EQ(log, "\r\nNuvarine : #:Ms#\r\nNuvarine : #:RS#\r\nNuvarine : #:Sr 05:30.0##:Sd +45" + D +
                     "30#\r\nNuvarine : #:MS#\r\nLX200 (VMT) : 110\r\nNuvarine : #:GR##:GD#\r\nLX200 : 05:30.0#+45" +
                     D + "30#\r\nNuvarine : #:GA##:GZ#\r\nLX200 : +45" + D + "30#123" + D + "45#");
  EXPECT_FALSE(panel.m_moveSouth);
  EXPECT_EQ(panel.m_speedCommand, 0);
}

TEST_F(Lx200Frame, DeclinationAloneMovesAMountThatDoesNotFollow) {
  state.followTarget = false;
  state.followRightAscension = 1.0, state.followDeclination = 0.2;
  state.lastSlewRightAscension = 2.0, state.lastSlewDeclination = 0.2;
  Exchange();
  EXPECT_EQ(mount.Slews(), 0);
  state.followDeclination = 0.2002;
  Exchange();
  EXPECT_TRUE(WaitUntil([&] { return mount.Slews() >= 1; }));
  EXPECT_EQ(mount.Slews(), 1);
}

TEST(Lx200Broken, GarbageOrTruncatedRepliesNeverCorruptAValue) {
  for (PtyMount::Behaviour behaviour : {PtyMount::Behaviour::Garbage, PtyMount::Behaviour::Truncating}) {
    PtyMount mount(5, behaviour);
    CSerialPort port;
    ASSERT_TRUE(port.Open(5, 9600, 'N', 8, 1));
    Lx200Io io = MakeIo(port, nullptr);
    Lx200PanelState panel;
    panel.m_showPosition = true;
    Lx200FollowState state;
    state.replyDelay = 0.005;
    for (int frame = 0; frame < 40; ++frame) {
      state.followTarget = true;
      state.followRightAscension = 0.1 * frame;
      state.followDeclination = 0.01 * frame;
      Lx200Exchange(io, panel, state, nullptr);
      // Whatever came back: a value is either unread (0) or the one the
      // mount was told to go to, never a piece of a reply.
      if (state.telescopeRightAscension != 0.0 && behaviour == PtyMount::Behaviour::Truncating)
        FAIL() << "a truncated reply gave a right ascension";
      EXPECT_GE(state.telescopeRightAscension, 0.0);
      EXPECT_LT(state.telescopeRightAscension, 2 * kPi);
      EXPECT_LE(std::fabs(state.telescopeDeclination), kPi / 2);
      EXPECT_EQ(state.lastSlewRightAscension, state.followRightAscension);
      for (const CString* text : {&panel.m_raText, &panel.m_decText, &panel.m_altitudeText, &panel.m_azimuthText})
        EXPECT_LE(text->size(), 10u);
    }
  }
}
