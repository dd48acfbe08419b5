#include <gtest/gtest.h>
#include <pty.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>
#include <thread>

#include "Gps.h"

namespace {

constexpr double kDeg = 3.14159265358979323846 / 180.0;

// A sentence with its checksum and line end.
std::string Nmea(const std::string& body) {
  unsigned char sum = 0;
  for (char c : body) sum ^= static_cast<unsigned char>(c);
  char tail[8];
  std::snprintf(tail, sizeof tail, "*%02X\r\n", sum);
  return "$" + body + tail;
}

const std::string kMunich = "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n";
const std::string kOthers = Nmea("GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1") +
                            Nmea("GPGSV,2,1,08,01,40,083,46,02,17,308,41,12,07,344,39,14,22,228,45") +
                            Nmea("GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W");

class GpsReceiver : public ::testing::Test {
 protected:
  void SetUp() override {
    char name[256] = {};
    ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
    setenv("NUVARINE_SERIAL_COM12", name, 1);
    ASSERT_TRUE(port.Open(12, 4800, 'N', 8, 1));
    place.latitude = 0.7, place.westLongitude = -0.2, place.elevation = 100.0;
  }
  void TearDown() override {
    port.Close();
    close(master);
    close(slave);
    unsetenv("NUVARINE_SERIAL_COM12");
  }
  // Sends bytes as the receiver would and waits (bounded) until they are queued.
  void Receive(const std::string& bytes) {
    const int before = port.BytesWaiting();
    ASSERT_EQ(write(master, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    for (int i = 0; i < 200 && port.BytesWaiting() < before + static_cast<int>(bytes.size()); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  GpsPollResult Poll(const std::string& bytes) {
    Receive(bytes);
    return reader.Poll(port, place);
  }
  void ExpectPlaceUnchanged() {
    EXPECT_EQ(place.latitude, 0.7);
    EXPECT_EQ(place.westLongitude, -0.2);
    EXPECT_EQ(place.elevation, 100.0);
  }
  int master = -1, slave = -1;
  CSerialPort port;
  GpsReceiverReader reader;
  GpsPlace place;
};

}  // namespace

TEST(GpsConversions, DegreesMinutesAndDialogFields) {
  EXPECT_NEAR(DegreesMinutesToDegrees(48.07038), 48.1173, 1e-9);
  EXPECT_NEAR(DegreesMinutesToDegrees(11.31), 11.516666666666667, 1e-9);
  EXPECT_TRUE(NmeaChecksumValid(kMunich.data(), static_cast<int>(kMunich.size())));
  struct Port {
    const char* text;
    int previous, expected;
  } ports[] = {{"COM1", 5, 1}, {"COM12", 1, 12}, {"COM20", 1, 20}, {"COM9", 1, 9}, {"tty", 4, 4}};
  for (const Port& p : ports) EXPECT_EQ(GpsPortNumberFromText(p.text, p.previous), p.expected) << p.text;
  struct Parity {
    const char* text;
    int expected;
  } parities[] = {{"N", 1}, {"E", 2}, {"O", 3}, {"x", 7}, {"NO", 3}};
  for (const Parity& p : parities) EXPECT_EQ(GpsParityCodeFromText(p.text, 7), p.expected) << p.text;
  for (int baud : {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200})
    EXPECT_EQ(GpsBaudRateFromSpeedIndex(GpsSpeedIndexFromBaudRate(baud)), baud);
  // Only speeds a line can be set to are offered.
  for (int index = 0; index < 8; ++index)
    EXPECT_TRUE(CSerialPort::IsSupportedBaudRate(GpsBaudRateFromSpeedIndex(index))) << index;
  EXPECT_EQ(GpsSpeedIndexFromBaudRate(14400), 3);
  EXPECT_EQ(GpsSpeedIndexFromBaudRate(300), 3);
  EXPECT_EQ(GpsBaudRateFromSpeedIndex(42), 9600);
}

TEST_F(GpsReceiver, MunichFixFollowedByAnotherSentence) {
  ASSERT_EQ(Poll(kMunich + kOthers), GpsPollResult::Fix);
  EXPECT_NEAR(place.latitude / kDeg, 48.1173, 1e-9);
  EXPECT_NEAR(place.westLongitude / kDeg, -11.516666666666667, 1e-9);  // east is negative
  EXPECT_NEAR(place.elevation, 545.4, 1e-9);
}

TEST_F(GpsReceiver, MultiConstellationFixAndSouthWest) {
  const std::string gga = Nmea("GNGGA,001043.00,3351.9000,S,15112.6000,W,2,12,0.8,58.0,M,22.1,M,,");
  ASSERT_EQ(Poll(kOthers + gga + kOthers), GpsPollResult::Fix);
  EXPECT_NEAR(place.latitude / kDeg, -33.865, 1e-9);
  EXPECT_NEAR(place.westLongitude / kDeg, 151.21, 1e-9);
  EXPECT_NEAR(place.elevation, 58.0, 1e-9);
}

TEST_F(GpsReceiver, FixLastInAReadWaitsForTheNextRead) {
  EXPECT_EQ(Poll(kOthers + kMunich), GpsPollResult::Nothing);
  ExpectPlaceUnchanged();
  EXPECT_EQ(Poll(kMunich + kOthers), GpsPollResult::Fix);
}

TEST_F(GpsReceiver, UnusableSentencesChangeNothing) {
  std::string badSum = kMunich;
  badSum.replace(badSum.find("*47"), 3, "*48");
  std::string tampered = kMunich;
  tampered.replace(tampered.find("4807"), 4, "4907");  // checksum no longer matches
  const std::string partial = kMunich.substr(0, 30);
  const std::string noChecksum = "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,\r\n";
  const std::string shortFields = Nmea("GPGGA,123519,4807.038,N,01131.000");
  const std::string garbledNumber = Nmea("GPGGA,123519,48x7.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,");
  for (const std::string& bad : {badSum, tampered, partial, noChecksum, shortFields, garbledNumber}) {
    SCOPED_TRACE(bad);
    EXPECT_EQ(Poll(bad + kOthers), GpsPollResult::Nothing);
    ExpectPlaceUnchanged();
  }
}

TEST_F(GpsReceiver, NoFixKeepsThePlaceAndClearsTheFlag) {
  for (const std::string& noFix : {Nmea("GPGGA,123519,,,,,0,00,,,M,,M,,"),
                                   Nmea("GPGGA,123519,4807.038,N,01131.000,E,0,00,,545.4,M,,M,,")}) {
    EXPECT_EQ(Poll(noFix + kOthers), GpsPollResult::NoFix);
    ExpectPlaceUnchanged();
  }
}

TEST_F(GpsReceiver, PlacesNoReceiverCanReportAreRefused) {
  const char* const kAbsurd[] = {
      "GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,-1e20,M,46.9,M,,",       // sign and exponent
      "GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,-100000000000000000000,M,46.9,M,,",
      "GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,250000.0,M,46.9,M,,",     // above 100 km
      "GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,-1500.0,M,46.9,M,,",      // below -1 km
      "GPGGA,123519,4875.000,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,",        // 75 minutes
      "GPGGA,123519,4807.038,N,01199.000,E,1,08,0.9,545.4,M,46.9,M,,",
      "GPGGA,123519,-4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,",       // sign in the field
      "GPGGA,123519,9130.000,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,",        // beyond the pole
      "GPGGA,123519,4807.038,N,18100.000,E,1,08,0.9,545.4,M,46.9,M,,",
      "GPGGA,123519,4807.038,,01131.000,E,1,08,0.9,545.4,M,46.9,M,,",         // no hemisphere
      "GPGGA,123519,4807.038,N,01131.000,Q,1,08,0.9,545.4,M,46.9,M,,",
  };
  for (const char* body : kAbsurd) {
    SCOPED_TRACE(body);
    EXPECT_NE(Poll(Nmea(body) + kOthers), GpsPollResult::Fix);
    ExpectPlaceUnchanged();
  }
  // The edges of what is physical still make a fix.
  ASSERT_EQ(Poll(Nmea("GPGGA,123519,8959.999,S,17959.999,W,1,08,0.9,-400.0,M,46.9,M,,") + kOthers),
            GpsPollResult::Fix);
  EXPECT_NEAR(place.elevation, -400.0, 1e-9);
}

TEST_F(GpsReceiver, TwoHundredBytesOrFewerStayQueuedAndCountForNothing) {
  const std::string small = kMunich + Nmea("GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W");
  ASSERT_LE(small.size(), 200u);
  for (int i = 0; i < 15; ++i) EXPECT_EQ(reader.Poll(port, place), GpsPollResult::Nothing);
  EXPECT_EQ(Poll(small), GpsPollResult::Nothing);
  EXPECT_EQ(port.BytesWaiting(), static_cast<int>(small.size()));
  EXPECT_EQ(reader.m_reads, 0);
  ExpectPlaceUnchanged();
}

TEST_F(GpsReceiver, GivesUpAfterElevenReadsWithoutGaNeverAfterOneWithIt) {
  const std::string chatter(250, 'x');
  for (int i = 0; i < 10; ++i) EXPECT_EQ(Poll(chatter), GpsPollResult::Nothing) << i;
  EXPECT_EQ(Poll(chatter), GpsPollResult::GaveUp);
  EXPECT_EQ(reader.m_reads, 0);

  EXPECT_EQ(Poll(kMunich + kOthers), GpsPollResult::Fix);
  for (int i = 0; i < 30; ++i) EXPECT_EQ(Poll(chatter), GpsPollResult::Nothing);
}

TEST_F(GpsReceiver, EachReadIsBounded) {
  std::string flood;
  while (flood.size() < GpsReceiverReader::kMaxRead + 500) flood += kOthers;
  ASSERT_LT(flood.size(), 4000u);  // what a pseudo-terminal holds
  Receive(flood);
  const int before = port.BytesWaiting();
  reader.Poll(port, place);
  EXPECT_EQ(port.BytesWaiting(), before - GpsReceiverReader::kMaxRead);
}
