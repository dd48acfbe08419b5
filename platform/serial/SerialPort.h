#pragma once
// The serial-line object: every wait is bounded, so the user-interface thread
// can talk to a device from the frame loop. A port is named by its device
// path ("/dev/ttyUSB0", "/dev/serial/by-id/usb-...", or "ttyACM0" for one
// under /dev) or by the designed name "COMn", which stands for the built-in
// port /dev/ttyS(n-1) unless the environment variable NUVARINE_SERIAL_COMn
// names another device.
#include <string>
#include <vector>

#include "CString.h"
#include "WinTypes.h"

class CSerialPort {
 public:
  CSerialPort() = default;
  ~CSerialPort();
  CSerialPort(const CSerialPort&) = delete;
  CSerialPort& operator=(const CSerialPort&) = delete;

  // Whether a line can be set to this speed here (14400, for one, cannot).
  static bool IsSupportedBaudRate(int baudRate);
  // "The speed of N baud cannot be used on this system's serial ports..."
  // naming the speeds that can; empty for a speed that can be used.
  static CString UnsupportedBaudRateText(int baudRate);

  // TRUE when open. An open port stays as it is. Only the baud rate and a
  // byte size of 8 are applied; parity and stop bits keep the device's own.
  BOOL Open(int port, int baudRate, char parity, int dataBits, int stopBits);
  // The same for a port named as above.
  BOOL Open(const CString& deviceName, int baudRate, char parity, int dataBits, int stopBits);
  // At most `maxCount` of the bytes already received; never waits for more
  // (a started read is given up to 2000 ms). No terminator is added.
  int Read(int maxCount, char* buffer);
  int Read(char* buffer, int maxCount) { return Read(maxCount, buffer); }
  int BytesWaiting();
  // One byte, waiting up to 1000 ms for room; failures are not reported.
  // Once a byte has timed out the line counts as stalled: later bytes are
  // dropped at once until the line takes a byte again (checked without
  // waiting), so a blocked device costs one wait, not one per byte.
  int WriteByte(unsigned char byte);
  // The length, or 0 when closed or the length is not positive.
  int Write(int length, const char* bytes);
  int Write(const char* bytes, int length) { return Write(length, bytes); }
  int Close();

  // "COM9", "\\.\COM10": the designed device name of a port number.
  static CString DeviceName(int port);
  // The Linux device behind a port's name.
  static std::string DevicePath(const CString& deviceName);
  // The name is a device's (a path, or a name under /dev starting with
  // "tty"), not a designed "COMn".
  static bool IsDeviceName(const CString& name);

  // Where the serial devices are looked for: the stable names of USB
  // adapters, the device folder, and the tty class that tells a built-in
  // port with a UART from an empty slot.
  struct DeviceFolders {
    std::string byId = "/dev/serial/by-id";
    std::string dev = "/dev";
    std::string ttyClass = "/sys/class/tty";
  };
  // The serial devices present, for the port lists: the stable names under
  // by-id first, then USB adapters (ttyUSBn), modems and receivers (ttyACMn)
  // and the built-in ports with a UART (ttySn), each kind in number order.
  static std::vector<std::string> PresentDevices();
  static std::vector<std::string> PresentDevices(const DeviceFolders& folders);
  // The folders PresentDevices() looks in (tests point them at a fixture).
  static void SetDeviceFolders(const DeviceFolders& folders);

  int m_handle = -1;
  int m_isOpen = 0;
  bool m_stalled = false;
};
