#pragma once
// The serial-line object: every wait is bounded, so the user-interface thread
// can talk to a device from the frame loop. On Linux the designed device
// names "COMn" map to the path in the environment variable NUVARINE_SERIAL_COMn
// when set, else to /dev/ttyS(n-1).
#include <string>

#include "CString.h"
#include "WinTypes.h"

class CSerialPort {
 public:
  CSerialPort() = default;
  ~CSerialPort();
  CSerialPort(const CSerialPort&) = delete;
  CSerialPort& operator=(const CSerialPort&) = delete;

  // TRUE when open. An open port stays as it is. Only the baud rate and a
  // byte size of 8 are applied; parity and stop bits keep the device's own.
  BOOL Open(int port, int baudRate, char parity, int dataBits, int stopBits);
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
  // The Linux device behind a designed name.
  static std::string DevicePath(const CString& deviceName);

  int m_handle = -1;
  int m_isOpen = 0;
  bool m_stalled = false;
};
