#include "SerialPort.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

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

}  // namespace

CSerialPort::~CSerialPort() { Close(); }

CString CSerialPort::DeviceName(int port) {
  return port < 10 ? FormatC("COM%d", port) : FormatC("\\\\.\\COM%d", port);
}

std::string CSerialPort::DevicePath(const CString& deviceName) {
  std::string name = deviceName;
  size_t com = name.rfind("COM");
  if (com == std::string::npos) return name;
  int port = AtoiC(name.c_str() + com + 3);
  std::string variable = FormatC("NUVARINE_SERIAL_COM%d", port);
  const char* mapped = std::getenv(variable.c_str());
  if (mapped && *mapped) return mapped;
  return FormatC("/dev/ttyS%d", port > 0 ? port - 1 : 0);
}

BOOL CSerialPort::Open(int port, int baudRate, char, int, int) {
  if (m_isOpen) return TRUE;
  std::string path = DevicePath(DeviceName(port));
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
