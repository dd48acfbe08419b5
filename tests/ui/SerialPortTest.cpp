#include <gtest/gtest.h>
#include <pty.h>
#include <termios.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>

#include "SerialPort.h"

namespace {

class PseudoTerminal : public ::testing::Test {
 protected:
  void SetUp() override {
    char name[256] = {};
    ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
    setenv("NUVARINE_SERIAL_COM7", name, 1);
    path = name;
  }
  void TearDown() override {
    close(master);
    close(slave);
    unsetenv("NUVARINE_SERIAL_COM7");
  }
  // The line discipline delivers asynchronously: wait (bounded) for the count.
  int WaitForBytes(CSerialPort& port, int expected) {
    for (int i = 0; i < 200 && port.BytesWaiting() < expected; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return port.BytesWaiting();
  }
  int master = -1, slave = -1;
  std::string path;
};

}  // namespace

TEST_F(PseudoTerminal, ReadTakesOnlyWhatIsQueuedUpToTheCount) {
  CSerialPort port;
  ASSERT_TRUE(port.Open(7, 9600, 'N', 8, 1));
  EXPECT_EQ(port.m_isOpen, 1);
  char buffer[64] = {};
  EXPECT_EQ(port.Read(10, buffer), 0);  // nothing queued: at once

  const char data[] = "0123456789abcdefghijklmnopqrst";  // 30 bytes
  ASSERT_EQ(write(master, data, 30), 30);
  ASSERT_EQ(WaitForBytes(port, 30), 30);
  EXPECT_EQ(port.Read(10, buffer), 10);
  EXPECT_EQ(std::string(buffer, 10), "0123456789");
  EXPECT_EQ(port.BytesWaiting(), 20);
  EXPECT_EQ(port.Read(buffer, 63), 20);
  EXPECT_EQ(port.BytesWaiting(), 0);
}

TEST_F(PseudoTerminal, WriteSendsEveryByteAndRefusesEmptyLengths) {
  CSerialPort port;
  ASSERT_TRUE(port.Open(7, 4800, 'E', 7, 2));
  EXPECT_TRUE(port.Open(7, 115200, 'N', 8, 1));  // already open: unchanged
  EXPECT_EQ(port.Write(5, "#:Mn#"), 5);
  EXPECT_EQ(port.Write(0, "x"), 0);
  EXPECT_EQ(port.Write(-3, "x"), 0);
  char received[16] = {};
  std::string got;
  for (int i = 0; i < 200 && got.size() < 5; ++i) {
    ssize_t n = read(master, received, sizeof(received));
    if (n > 0) got.append(received, static_cast<size_t>(n));
    else std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  EXPECT_EQ(got, "#:Mn#");
  EXPECT_EQ(port.Close(), 1);
  EXPECT_EQ(port.m_isOpen, 0);
}

TEST(SerialPort, ClosedPortAndMissingDevice) {
  CSerialPort port;
  char buffer[8];
  EXPECT_EQ(port.Read(5, buffer), 0);
  EXPECT_EQ(port.BytesWaiting(), 0);
  EXPECT_EQ(port.Write(3, "abc"), 0);
  EXPECT_EQ(port.Close(), 1);
  setenv("NUVARINE_SERIAL_COM42", "/nonexistent/tty", 1);
  EXPECT_FALSE(port.Open(42, 9600, 'N', 8, 1));
  EXPECT_EQ(port.m_isOpen, 0);
  unsetenv("NUVARINE_SERIAL_COM42");
}

TEST(SerialPort, DeviceNames) {
  EXPECT_EQ(CSerialPort::DeviceName(9), "COM9");
  EXPECT_EQ(CSerialPort::DeviceName(10), "\\\\.\\COM10");
  unsetenv("NUVARINE_SERIAL_COM1");
  EXPECT_EQ(CSerialPort::DevicePath("COM1"), "/dev/ttyS0");
  EXPECT_EQ(CSerialPort::DevicePath("\\\\.\\COM12"), "/dev/ttyS11");
}

TEST_F(PseudoTerminal, OpenSetsRawEightBitBytesAndKeepsStopBits) {
  termios before{};
  ASSERT_EQ(tcgetattr(slave, &before), 0);
  before.c_cflag |= CSTOPB;
  ASSERT_EQ(tcsetattr(slave, TCSANOW, &before), 0);
  CSerialPort port;
  ASSERT_TRUE(port.Open(7, 19200, 'N', 8, 1));
  termios after{};
  ASSERT_EQ(tcgetattr(port.m_handle, &after), 0);
  EXPECT_EQ(after.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  EXPECT_NE(after.c_cflag & CSTOPB, 0u);
  EXPECT_EQ(after.c_lflag & (ICANON | ECHO), 0u);
  EXPECT_EQ(cfgetospeed(&after), static_cast<speed_t>(B19200));
  // A line break arrives as it was sent.
  ASSERT_EQ(write(master, "A\r\nB", 4), 4);
  ASSERT_EQ(WaitForBytes(port, 4), 4);
  char buffer[8] = {};
  EXPECT_EQ(port.Read(8, buffer), 4);
  EXPECT_EQ(std::string(buffer, 4), "A\r\nB");
}

TEST_F(PseudoTerminal, StalledLineCostsOneWaitThenDropsUntilItDrains) {
  CSerialPort port;
  ASSERT_TRUE(port.Open(7, 9600, 'N', 8, 1));
  // Nobody reads the other end: the line's buffer fills and then stays full.
  // Each byte would otherwise wait its full second.
  std::string bulk(300000, 'x');
  EXPECT_EQ(port.Write(bulk.data(), static_cast<int>(bulk.size())), static_cast<int>(bulk.size()));
  EXPECT_TRUE(port.m_stalled);
  EXPECT_EQ(port.Write("#:MS#", 5), 5);  // dropped at once, still stalled
  EXPECT_TRUE(port.m_stalled);

  // Drain the line: the next byte goes out and the stall is over.
  char sink[4096];
  int fl = fcntl(master, F_GETFL);
  fcntl(master, F_SETFL, fl | O_NONBLOCK);
  while (read(master, sink, sizeof sink) > 0) {
  }
  EXPECT_EQ(port.Write("#:GR#", 5), 5);
  EXPECT_FALSE(port.m_stalled);
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  std::string got;
  for (ssize_t n; (n = read(master, sink, sizeof sink)) > 0;) got.append(sink, n);
  EXPECT_EQ(got, "#:GR#");
}
