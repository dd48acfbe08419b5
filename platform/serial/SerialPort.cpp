#include "SerialPort.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "NumberFormat.h"

namespace {

bool BaudConstant(int baud, speed_t& speed) {
  struct Entry {
    int baud;
    speed_t speed;
  };
  static const Entry kRates[] = {{110, B110},       {300, B300},       {600, B600},       {1200, B1200},
                                 {2400, B2400},     {4800, B4800},     {9600, B9600},     {19200, B19200},
                                 {38400, B38400},   {57600, B57600},   {115200, B115200}, {230400, B230400}};
  for (const Entry& e : kRates)
    if (e.baud == baud) {
      speed = e.speed;
      return true;
    }
  return false;
}

bool WaitFor(int fd, short events, int timeoutMs) {
  pollfd p{fd, events, 0};
  int rc;
  do {
    rc = poll(&p, 1, timeoutMs);
  } while (rc < 0 && errno == EINTR);
  return rc > 0 && (p.revents & events);
}

std::string Trimmed(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

bool AllDigits(const std::string& text, size_t from) {
  if (from >= text.size()) return false;
  for (size_t i = from; i < text.size(); ++i)
    if (text[i] < '0' || text[i] > '9') return false;
  return true;
}

// A character device, also through a symbolic link (the by-id names are links).
bool IsCharacterDevice(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISCHR(st.st_mode);
}

// The tty class's "type" of a built-in port: 0 is an empty slot. A port whose
// type cannot be read is offered.
bool PortTypeIsUnknown(const std::string& typeFile) {
  std::ifstream in(typeFile);
  int type = -1;
  return in >> type && type == 0;
}

CSerialPort::DeviceFolders& Folders() {
  static CSerialPort::DeviceFolders folders;
  return folders;
}

}  // namespace

CSerialPort::~CSerialPort() { Close(); }

CString CSerialPort::DeviceName(int port) {
  return port < 10 ? FormatC("COM%d", port) : FormatC("\\\\.\\COM%d", port);
}

std::string CSerialPort::DevicePath(const CString& deviceName) {
  std::string name = Trimmed(deviceName);
  if (name.find('/') != std::string::npos) return name;
  // "COMn" or "\\.\COMn", in any case.
  std::string com = name.compare(0, 4, "\\\\.\\") == 0 ? name.substr(4) : name;
  if (com.size() > 3 && (com[0] == 'C' || com[0] == 'c') && (com[1] == 'O' || com[1] == 'o') &&
      (com[2] == 'M' || com[2] == 'm') && AllDigits(com, 3)) {
    const int port = AtoiC(com.c_str() + 3);
    const char* mapped = std::getenv(FormatC("NUVARINE_SERIAL_COM%d", port).c_str());
    if (mapped && *mapped) return mapped;
    return FormatC("/dev/ttyS%d", port > 0 ? port - 1 : 0);
  }
  return name.empty() ? name : "/dev/" + name;
}

bool CSerialPort::IsDeviceName(const CString& name) {
  const std::string text = Trimmed(name);
  return text.find('/') != std::string::npos || text.compare(0, 3, "tty") == 0;
}

std::vector<std::string> CSerialPort::PresentDevices() { return PresentDevices(Folders()); }

void CSerialPort::SetDeviceFolders(const DeviceFolders& folders) { Folders() = folders; }

std::vector<std::string> CSerialPort::PresentDevices(const DeviceFolders& folders) {
  namespace fs = std::filesystem;
  std::vector<std::string> devices;
  std::error_code error;
  // Stable names: symbolic links to the adapter's tty, named after its maker and serial number.
  std::vector<std::string> stable;
  for (fs::directory_iterator it(folders.byId, error), end; !error && it != end; it.increment(error))
    if (IsCharacterDevice(it->path().string())) stable.push_back(it->path().string());
  std::sort(stable.begin(), stable.end());
  devices.insert(devices.end(), stable.begin(), stable.end());
  for (const char* kind : {"ttyUSB", "ttyACM", "ttyS"}) {
    std::vector<std::pair<int, std::string>> found;
    error.clear();
    for (fs::directory_iterator it(folders.dev, error), end; !error && it != end; it.increment(error)) {
      const std::string name = it->path().filename().string();
      const size_t length = std::strlen(kind);
      if (name.compare(0, length, kind) != 0 || !AllDigits(name, length)) continue;
      if (!IsCharacterDevice(it->path().string())) continue;
      // Every built-in slot has its node; only those with a UART behind them
      // (a port type other than 0 in the tty class) are offered.
      if (std::strcmp(kind, "ttyS") == 0 && PortTypeIsUnknown(folders.ttyClass + "/" + name + "/type")) continue;
      found.emplace_back(AtoiC(name.c_str() + length), it->path().string());
    }
    std::sort(found.begin(), found.end());
    for (const auto& f : found) devices.push_back(f.second);
  }
  return devices;
}

bool CSerialPort::IsSupportedBaudRate(int baudRate) {
  speed_t speed;
  return BaudConstant(baudRate, speed);
}

CString CSerialPort::UnsupportedBaudRateText(int baudRate) {
  if (IsSupportedBaudRate(baudRate)) return CString();
  return CString("The speed of " + std::to_string(baudRate) +
                 " baud cannot be used on this system's serial ports. Choose one of 1200, 2400, 4800, 9600, 19200, "
                 "38400, 57600 or 115200 baud.");
}

BOOL CSerialPort::Open(int port, int baudRate, char parity, int dataBits, int stopBits) {
  return Open(DeviceName(port), baudRate, parity, dataBits, stopBits);
}

BOOL CSerialPort::Open(const CString& deviceName, int baudRate, char, int, int) {
  if (m_isOpen) return TRUE;
  std::string path = DevicePath(deviceName);
  if (path.empty()) return FALSE;
  int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return FALSE;
  // Not shared: a second opener is refused while this one holds the line.
  bool ok = ioctl(fd, TIOCEXCL) == 0;
  termios tio{};
  speed_t speed = B9600;
  ok = ok && BaudConstant(baudRate, speed) && tcgetattr(fd, &tio) == 0;
  if (ok) {
    // Raw bytes (no line editing or echo, which Windows ports never do); the
    // parity, stop bits and hardware flow control the device had are kept.
    const tcflag_t kept = tio.c_cflag & (PARENB | PARODD | CSTOPB | CRTSCTS);
    cfmakeraw(&tio);
    tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
    tio.c_cflag |= kept;
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    ok = cfsetispeed(&tio, speed) == 0 && cfsetospeed(&tio, speed) == 0 && tcsetattr(fd, TCSANOW, &tio) == 0;
  }
  if (!ok) {
    close(fd);
    return FALSE;
  }
  m_handle = fd;
  m_isOpen = 1;
  return TRUE;
}

int CSerialPort::BytesWaiting() {
  if (!m_isOpen || m_handle < 0) return 0;
  int queued = 0;
  if (ioctl(m_handle, FIONREAD, &queued) != 0 || queued < 0) return 0;
  return queued;
}

int CSerialPort::Read(int maxCount, char* buffer) {
  if (!m_isOpen || m_handle < 0 || !buffer || maxCount <= 0) return 0;
  int queued = BytesWaiting();
  if (queued == 0) return 0;
  int wanted = queued < maxCount ? queued : maxCount;
  ssize_t n = read(m_handle, buffer, static_cast<size_t>(wanted));
  if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
    if (!WaitFor(m_handle, POLLIN, 2000)) return 0;
    n = read(m_handle, buffer, static_cast<size_t>(wanted));
  }
  return n > 0 ? static_cast<int>(n) : 0;
}

int CSerialPort::WriteByte(unsigned char byte) {
  if (m_handle < 0) return 1;
  ssize_t n = write(m_handle, &byte, 1);
  if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
    if (m_stalled) return 1;  // still blocked: dropped without waiting again
    if (WaitFor(m_handle, POLLOUT, 1000)) n = write(m_handle, &byte, 1);
  }
  m_stalled = n != 1;
  return 1;
}

int CSerialPort::Write(int length, const char* bytes) {
  if (!m_isOpen || m_handle < 0 || length <= 0 || !bytes) return 0;
  for (int i = 0; i < length; ++i) WriteByte(static_cast<unsigned char>(bytes[i]));
  return length;
}

int CSerialPort::Close() {
  if (m_isOpen && m_handle >= 0) {
    close(m_handle);
    m_handle = -1;
    m_isOpen = 0;
  }
  m_stalled = false;
  return 1;
}
