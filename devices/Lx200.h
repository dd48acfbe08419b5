#pragma once
// The built-in LX200 serial protocol: connection with handshake and site
// set-up, the per-frame exchange (hand-panel commands, go-to, position read
// back) and the traffic log. The caller owns the port, the log and the view;
// this code only talks on the line and parses what comes back.
#include <functional>
#include <string>

#include "CString.h"
#include "SerialPort.h"

// The pending hand-panel commands and the texts it shows (the panel window
// derives from this; the exchange clears a flag once its command is sent).
struct Lx200PanelState {
  CString m_azimuthText;
  CString m_altitudeText;
  CString m_raText;
  CString m_decText;
  int m_speedCommand = 0;  // 1 guide, 2 centre, 3 find, 4 slew, 0 none
  bool m_moveNorth = false;
  bool m_moveWest = false;
  bool m_moveSouth = false;
  bool m_moveEast = false;
  bool m_stopMotion = false;
  bool m_showPosition = false;
};

// What the protocol needs around it: the line, the telescope log (empty
// function: no log) and a clock in seconds with a sleep (tests and
// benchmarks give their own; by default the monotonic clock and nanosleep).
struct Lx200Io {
  CSerialPort* port = nullptr;
  std::function<void(const char* text)> log;
  std::function<double()> clockSeconds;
  std::function<void(double seconds)> sleep;

  void Log(const char* text) const;
  double Now() const;
  void Wait(double seconds) const;
  // Sends and logs nothing when the port is closed.
  void Send(const std::string& bytes) const;
};

// ---- Command texts ------------------------------------------------------------------
// Angles are rounded to the unit sent first and then split, so 48°59.6' goes
// out as 49°00' and 5h59.96m as 06:00.0 (never a "60" field).
std::string Lx200SiteLatitude(double latitudeDegrees);      // "#:St +48\xDF""51#"
std::string Lx200SiteLongitude(double westLongitudeDegrees);  // "#:Sg 357\xDF""40#"
std::string Lx200UtcOffset(double utcOffsetHours);         // "#:SG -01#" for +1 h
std::string Lx200LocalTime(int hour, int minute, int second);
std::string Lx200Date(int month, int day, int year);
std::string Lx200TargetRightAscension(double hours);      // "#:Sr 05:30.0#"
std::string Lx200TargetDeclination(double degrees);       // "#:Sd +45\xDF""30#"

// The port number of a port name: the whole number after "COM"; 1 when
// there is none.
int Lx200PortNumber(const CString& portName);
// The port the line opens: a device's name or path as it is given, any
// other text the COM port of its number.
CString Lx200PortDevice(const CString& portName);

// ---- Replies --------------------------------------------------------------------------
// A position reply "HH:MM.T#sDD\xDFMM#". Each field counts only when it is
// complete: terminated by '#' inside the bytes received, without NUL, in
// the expected shape and range. Otherwise its value stays unparsed.
struct Lx200PositionReply {
  bool hasRightAscension = false;
  bool hasDeclination = false;
  double hours = 0.0;
  double degrees = 0.0;
  CString raText;   // "12h34.5'"
  CString decText;  // "+45\xB0""30'"
};
Lx200PositionReply ParseLx200Position(const char* reply, int length);

// A horizontal reply "sDD\xDFMM#DDD\xDFMM#": display texts only.
struct Lx200HorizontalReply {
  bool hasAltitude = false;
  bool hasAzimuth = false;
  CString altitudeText;
  CString azimuthText;
};
Lx200HorizontalReply ParseLx200Horizontal(const char* reply, int length);

// ---- Connection -------------------------------------------------------------------------
struct Lx200LineSettings {
  CString port = "COM1";
  int baudRate = 9600;
  int parity = 'N';
  int dataBits = 8;
  int stopBits = 1;
};
struct Lx200LocalTimeNow {
  int year = 2000, month = 1, day = 1, hour = 0, minute = 0, second = 0;
};
enum class Lx200ConnectResult { Connected, PortFailed, NoAnswer };

// Opens the line, sends the handshake (ACK, retried four times) and, when
// the telescope answers, the site (radians, longitude positive west), the
// UTC offset and the computer's local time and date. The clock is read only
// after the handshake's waits, just before the time is sent, so the mount is
// not set seconds late; `sent` receives the time sent.
Lx200ConnectResult ConnectLx200(const Lx200Io& io, const Lx200LineSettings& line, double latitude,
                                double westLongitude, double utcOffsetHours,
                                const std::function<Lx200LocalTimeNow()>& readClock,
                                Lx200LocalTimeNow* sent = nullptr);

// ---- Exchange of one frame --------------------------------------------------------------
struct Lx200FollowState {
  bool followTarget = false;           // the telescope follows the followed object
  double followRightAscension = 0.0;   // radians
  double followDeclination = 0.0;
  double lastSlewRightAscension = -100.0;  // -100: nothing sent yet
  double lastSlewDeclination = -100.0;
  double telescopeRightAscension = 0.0;  // read back; 0 = not read
  double telescopeDeclination = 0.0;
  double replyDelay = 0.1;  // seconds
};

// Angular distance in [0, pi] between two angles in radians.
double AngularDistance(double a, double b);

// One frame's exchange: pending panel commands, a go-to when the followed
// place moved, the bytes collected after the reply delay, and, when the
// panel shows the position, the position read back. `pointAt` gets the
// read-back place (radians) when both coordinates are non-zero.
void Lx200Exchange(const Lx200Io& io, Lx200PanelState& panel, Lx200FollowState& state,
                   const std::function<void(double rightAscension, double declination)>& pointAt);
