#include <gtest/gtest.h>
#include <pty.h>
#include <termios.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

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
  // A device is named by its path, or by its name under /dev.
  struct Case {
    const char *name, *path;
  } cases[] = {{"com3", "/dev/ttyS2"},
               {" COM2 ", "/dev/ttyS1"},
               {"/dev/ttyUSB0", "/dev/ttyUSB0"},
               {"/dev/serial/by-id/usb-Prolific_PL2303-if00-port0", "/dev/serial/by-id/usb-Prolific_PL2303-if00-port0"},
               {"ttyACM0", "/dev/ttyACM0"},
               {"", ""}};
  for (const Case& c : cases) EXPECT_EQ(CSerialPort::DevicePath(c.name), c.path) << c.name;
  EXPECT_TRUE(CSerialPort::IsDeviceName("/dev/ttyUSB1"));
  EXPECT_TRUE(CSerialPort::IsDeviceName("ttyACM0"));
  EXPECT_FALSE(CSerialPort::IsDeviceName("COM4"));
}

namespace {

// A device folder of our own: pseudo-terminals stand for a USB adapter, a
// modem-class receiver and built-in ports, with the link udev makes for the
// adapter under by-id (relative, as udev makes it) and the tty class's port
// types (0: an empty slot).
class DeviceTree : public ::testing::Test {
 protected:
  void SetUp() override {
    root = std::filesystem::temp_directory_path() / ("nvserial-" + std::to_string(getpid()));
    std::filesystem::remove_all(root);
    for (const char* sub : {"dev/serial/by-id", "sys/ttyS0", "sys/ttyS1", "sys/ttyS2"})
      std::filesystem::create_directories(root / sub);
    char name[256] = {};
    ASSERT_EQ(openpty(&adapterMaster, &adapterSlave, name, nullptr, nullptr), 0);
    const std::string adapter = name;
    ASSERT_EQ(openpty(&otherMaster, &otherSlave, name, nullptr, nullptr), 0);
    const std::string other = name;
    const std::filesystem::path dev = root / "dev";
    std::filesystem::create_symlink(adapter, dev / "ttyUSB0");
    for (const char* n : {"ttyUSB10", "ttyUSB2", "ttyACM0", "ttyS0", "ttyS1", "ttyS2", "ttyUSBx", "ttyprintk"})
      std::filesystem::create_symlink(other, dev / n);
    std::ofstream(dev / "ttyUSB3") << "not a device";
    std::ofstream(root / "sys/ttyS0/type") << "4\n";
    std::ofstream(root / "sys/ttyS1/type") << "0\n";
    byId = (dev / "serial/by-id/usb-FTDI_FT232R_USB_UART_A10KZ1-if00-port0").string();
    std::filesystem::create_symlink("../../ttyUSB0", byId);
    folders.byId = (dev / "serial/by-id").string();
    folders.dev = dev.string();
    folders.ttyClass = (root / "sys").string();
  }
  void TearDown() override {
    for (int fd : {adapterMaster, adapterSlave, otherMaster, otherSlave}) close(fd);
    std::filesystem::remove_all(root);
  }
  std::filesystem::path root;
  std::string byId;
  CSerialPort::DeviceFolders folders;
  int adapterMaster = -1, adapterSlave = -1, otherMaster = -1, otherSlave = -1;
};

}  // namespace

TEST_F(DeviceTree, PresentDevicesStableNamesFirstThenEachKindInNumberOrder) {
  const std::string dev = folders.dev + "/";
  const std::vector<std::string> expected = {byId,           dev + "ttyUSB0", dev + "ttyUSB2", dev + "ttyUSB10",
                                             dev + "ttyACM0", dev + "ttyS0",   dev + "ttyS2"};
  EXPECT_EQ(CSerialPort::PresentDevices(folders), expected);
  // The list the dialogs offer comes from the folders set for the process.
  CSerialPort::SetDeviceFolders(folders);
  EXPECT_EQ(CSerialPort::PresentDevices(), expected);
  CSerialPort::SetDeviceFolders({});
  // No folders, no devices.
  CSerialPort::DeviceFolders none;
  none.byId = none.dev = none.ttyClass = (root / "missing").string();
  EXPECT_TRUE(CSerialPort::PresentDevices(none).empty());
}

TEST_F(DeviceTree, TheStableNameOpensTheAdapterBehindIt) {
  CSerialPort port;
  ASSERT_TRUE(port.Open(byId, 9600, 'N', 8, 1));
  ASSERT_EQ(write(adapterMaster, "$GPGGA", 6), 6);
  for (int i = 0; i < 200 && port.BytesWaiting() < 6; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  char buffer[8] = {};
  EXPECT_EQ(port.Read(8, buffer), 6);
  EXPECT_EQ(std::string(buffer, 6), "$GPGGA");
  EXPECT_EQ(port.Write(4, "#:Q#"), 4);
  std::string got;
  for (int i = 0; i < 200 && got.size() < 4; ++i) {
    char received[8];
    const ssize_t n = read(adapterMaster, received, sizeof received);
    if (n > 0) got.append(received, static_cast<size_t>(n));
    else std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  EXPECT_EQ(got, "#:Q#");
  port.Close();
  // A name under /dev that is not there opens nothing.
  EXPECT_FALSE(port.Open(folders.dev + "/ttyUSB7", 9600, 'N', 8, 1));
  EXPECT_EQ(port.m_isOpen, 0);
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
