#include "Lx200.h"

#include <cmath>
#include <cstring>
#include <ctime>

#include "Clock.h"
#include "NumberFormat.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kTwoPi = 2.0 * kPi;
constexpr char kDegree = '\xDF';        // the LX200's degree sign
constexpr char kShownDegree = '\xB0';   // the degree sign of our texts
constexpr int kReplyBuffer = 500;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
int TwoDigits(const char* p) { return (p[0] - '0') * 10 + (p[1] - '0'); }

// Index of the first '#' in [from, length), or -1.
int FindHash(const char* text, int from, int length) {
  for (int i = from; i < length; ++i)
    if (text[i] == '#') return i;
  return -1;
}

bool HasNul(const char* text, int from, int to) {
  for (int i = from; i < to; ++i)
    if (text[i] == '\0') return true;
  return false;
}

// Reads what is waiting (at most 499 bytes) into a cleared buffer.
int ReadReply(const Lx200Io& io, char (&buffer)[kReplyBuffer]) {
  std::memset(buffer, 0, sizeof buffer);
  if (!io.port) return 0;
  return io.port->Read(kReplyBuffer - 1, buffer);
}

// Sleeps until `count` bytes are waiting or `seconds` have passed.
void WaitForBytes(const Lx200Io& io, int count, double seconds) {
  if (!io.port || seconds <= 0.0) return;
  const double end = io.Now() + seconds;
  while (io.port->BytesWaiting() < count) {
    const double left = end - io.Now();
    if (left <= 0.0) break;
    io.Wait(left < 0.002 ? left : 0.002);
  }
}

}  // namespace

void Lx200Io::Log(const char* text) const {
  if (log) log(text);
}

double Lx200Io::Now() const { return clockSeconds ? clockSeconds() : MillisecondClock() * 0.001; }

void Lx200Io::Wait(double seconds) const {
  if (seconds <= 0.0) return;
  if (sleep) {
    sleep(seconds);
    return;
  }
  timespec t{static_cast<time_t>(seconds), static_cast<long>((seconds - std::floor(seconds)) * 1e9)};
  while (nanosleep(&t, &t) != 0) {
  }
}

void Lx200Io::Send(const std::string& bytes) const {
  if (port) port->Write(static_cast<int>(bytes.size()), bytes.data());
}

std::string Lx200SiteLatitude(double latitudeDegrees) {
  const long long minutes = std::llround(std::fabs(latitudeDegrees) * 60.0);
  return FormatC("#:St %c%02lld%c%02lld#", latitudeDegrees >= 0.0 ? '+' : '-', minutes / 60, kDegree, minutes % 60);
}

std::string Lx200SiteLongitude(double westLongitudeDegrees) {
  long long minutes = std::llround(westLongitudeDegrees * 60.0) % (360 * 60);
  if (minutes < 0) minutes += 360 * 60;
  return FormatC("#:Sg %03lld%c%02lld#", minutes / 60, kDegree, minutes % 60);
}

std::string Lx200UtcOffset(double utcOffsetHours) {
  return FormatC("#:SG %c%02lld#", utcOffsetHours >= 0.0 ? '-' : '+', std::llround(std::fabs(utcOffsetHours)));
}

std::string Lx200LocalTime(int hour, int minute, int second) {
  return FormatC("#:SL %02d:%02d:%02d#", hour, minute, second);
}

std::string Lx200Date(int month, int day, int year) {
  return FormatC("#:SC %02d/%02d/%02d#", month, day, year - 2000);
}

std::string Lx200TargetRightAscension(double hours) {
  long long tenths = std::llround(hours * 600.0) % (24 * 600);
  if (tenths < 0) tenths += 24 * 600;
  return FormatC("#:Sr %02lld:%02lld.%lld#", tenths / 600, tenths % 600 / 10, tenths % 10);
}

std::string Lx200TargetDeclination(double degrees) {
  const long long minutes = std::llround(std::fabs(degrees) * 60.0);
  return FormatC("#:Sd %c%02lld%c%02lld#", degrees >= 0.0 ? '+' : '-', minutes / 60, kDegree, minutes % 60);
}

int Lx200PortNumber(const CString& portName) {
  const std::string& name = portName;
  size_t at = name.find("COM");
  if (at == std::string::npos) return 1;
  int number = 0, digits = 0;
  for (size_t i = at + 3; i < name.size() && IsDigit(name[i]) && digits < 4; ++i, ++digits)
    number = number * 10 + (name[i] - '0');
  return digits > 0 && number > 0 ? number : 1;
}

CString Lx200PortDevice(const CString& portName) {
  return CSerialPort::IsDeviceName(portName) ? portName : CSerialPort::DeviceName(Lx200PortNumber(portName));
}

Lx200PositionReply ParseLx200Position(const char* reply, int length) {
  Lx200PositionReply result;
  if (!reply || length <= 0) return result;
  const int first = FindHash(reply, 0, length);
  if (first < 0 || HasNul(reply, 0, first)) return result;

  // HH:MM.T, or HH:MM:SS from a mount in its long format.
  const char* ra = reply;
  if ((first == 7 || first == 8) && IsDigit(ra[0]) && IsDigit(ra[1]) && ra[2] == ':' && IsDigit(ra[3]) &&
      IsDigit(ra[4])) {
    const int h = TwoDigits(ra), m = TwoDigits(ra + 3);
    double minutes = -1.0;
    if (first == 7 && ra[5] == '.' && IsDigit(ra[6])) minutes = m + (ra[6] - '0') * 0.1;
    if (first == 8 && ra[5] == ':' && IsDigit(ra[6]) && IsDigit(ra[7]) && TwoDigits(ra + 6) < 60)
      minutes = m + TwoDigits(ra + 6) / 60.0;
    if (h < 24 && m < 60 && minutes >= 0.0) {
      result.hasRightAscension = true;
      result.hours = h + minutes / 60.0;
      std::string text(ra, first);
      text[2] = 'h';
      result.raText = text + "'";
    }
  }

  // sDD\xDFMM or sDD\xDFMM:SS, terminated by the next '#'.
  const int second = FindHash(reply, first + 1, length);
  if (second < 0 || HasNul(reply, first + 1, second)) return result;
  const char* dec = reply + first + 1;
  const int n = second - first - 1;
  if ((n == 6 || n == 9) && (dec[0] == '+' || dec[0] == '-') && IsDigit(dec[1]) && IsDigit(dec[2]) &&
      dec[3] == kDegree && IsDigit(dec[4]) && IsDigit(dec[5])) {
    double minutes = TwoDigits(dec + 4);
    bool ok = minutes < 60;
    if (n == 9) {
      ok = ok && dec[6] == ':' && IsDigit(dec[7]) && IsDigit(dec[8]) && TwoDigits(dec + 7) < 60;
      if (ok) minutes += TwoDigits(dec + 7) / 60.0;
    }
    const double degrees = TwoDigits(dec + 1) + minutes / 60.0;
    if (ok && degrees <= 90.0) {
      result.hasDeclination = true;
      result.degrees = dec[0] == '-' ? -degrees : degrees;
      std::string text(dec, n);
      text[3] = kShownDegree;
      result.decText = text + "'";
    }
  }
  return result;
}

namespace {

// A shown-only angle field: sign, digits, one degree sign, ':' or '.'.
bool HorizontalText(const char* field, int n, CString& text) {
  if (n <= 0 || n > 9) return false;
  int degreeSigns = 0, digits = 0;
  for (int i = 0; i < n; ++i) {
    const char c = field[i];
    if (IsDigit(c)) ++digits;
    else if (c == kDegree) ++degreeSigns;
    else if (!((c == '+' || c == '-') && i == 0) && c != ':' && c != '.') return false;
  }
  if (degreeSigns > 1 || digits == 0) return false;
  std::string t(field, n);
  size_t at = t.find(kDegree);
  if (at == std::string::npos) t += kShownDegree;
  else t[at] = kShownDegree;
  text = t + "'";
  return true;
}

}  // namespace

Lx200HorizontalReply ParseLx200Horizontal(const char* reply, int length) {
  Lx200HorizontalReply result;
  if (!reply || length <= 0) return result;
  const int first = FindHash(reply, 0, length);
  if (first < 0 || HasNul(reply, 0, first)) return result;
  result.hasAltitude = HorizontalText(reply, first, result.altitudeText);
  const int second = FindHash(reply, first + 1, length);
  if (second < 0 || HasNul(reply, first + 1, second)) return result;
  result.hasAzimuth = HorizontalText(reply + first + 1, second - first - 1, result.azimuthText);
  return result;
}

Lx200ConnectResult ConnectLx200(const Lx200Io& io, const Lx200LineSettings& line, double latitude,
                                double westLongitude, double utcOffsetHours,
                                const std::function<Lx200LocalTimeNow()>& readClock, Lx200LocalTimeNow* sent) {
  CSerialPort& port = *io.port;
  io.Log(("\r\n" + std::string(71, '-') + "\r\n").c_str());
  if (!port.Open(Lx200PortDevice(line.port), line.baudRate, static_cast<char>(line.parity), line.dataBits,
                 line.stopBits)) {
    io.Log("Error, impossible to open serialLX200 port.\r\n\r\n");
    return Lx200ConnectResult::PortFailed;
  }
  io.Log("Open serialLX200 port.\n\r\n");
  io.Log("Nuvarine : ");
  const std::string ack(1, '\x06');
  io.Send(ack);
  io.Log("*");
  io.Wait(2.0);
  int waiting = port.BytesWaiting();
  for (int retry = 0; retry < 4 && waiting == 0; ++retry) {
    io.Send(ack);
    io.Wait(0.5);
    waiting = port.BytesWaiting();
    io.Wait(0.5);
  }
  char buffer[kReplyBuffer];
  const int got = ReadReply(io, buffer);
  io.Log("\r\nLX200 : ");
  io.Log(buffer);
  if (got <= 0) {
    io.Log("\r\n(impossible to connect.)");
    return Lx200ConnectResult::NoAnswer;
  }
  io.Log("\r\n(connection OK.)\r\n\r\n");
  io.Log("Nuvarine : ");
  double west = std::fmod(westLongitude, kTwoPi);
  if (west < 0.0) west += kTwoPi;
  for (const std::string& command : {Lx200SiteLatitude(latitude * 57.29577951308232),
                                     Lx200SiteLongitude(west * 57.29577951308232), Lx200UtcOffset(utcOffsetHours)}) {
    io.Send(command);
    io.Log(command.c_str());
  }
  const Lx200LocalTimeNow now = readClock ? readClock() : Lx200LocalTimeNow{};
  if (sent) *sent = now;
  for (const std::string& command :
       {Lx200LocalTime(now.hour, now.minute, now.second), Lx200Date(now.month, now.day, now.year)}) {
    io.Send(command);
    io.Log(command.c_str());
  }
  return Lx200ConnectResult::Connected;
}

double AngularDistance(double a, double b) {
  double d = std::fmod(a - b, kTwoPi);
  if (d < 0.0) d += kTwoPi;
  if (d > kPi) d = kTwoPi - d;
  return d;
}

void Lx200Exchange(const Lx200Io& io, Lx200PanelState& panel, Lx200FollowState& state,
                   const std::function<void(double, double)>& pointAt) {
  auto command = [&io](const char* text) {
    io.Log("\r\nNuvarine : ");
    io.Log(text);
    io.Send(text);
  };
  struct Pending {
    bool& flag;
    const char* text;
  };
  for (const Pending& p : {Pending{panel.m_moveNorth, "#:Mn#"}, Pending{panel.m_moveSouth, "#:Ms#"},
                           Pending{panel.m_moveEast, "#:Me#"}, Pending{panel.m_moveWest, "#:Mw#"},
                           Pending{panel.m_stopMotion, "#:Qn#:Qs#:Qe#:Qw#"}}) {
    if (!p.flag) continue;
    command(p.text);
    p.flag = false;
  }
  static const char* const kRates[] = {"#:RG#", "#:RC#", "#:RM#", "#:RS#"};
  if (panel.m_speedCommand >= 1 && panel.m_speedCommand <= 4) {
    command(kRates[panel.m_speedCommand - 1]);
    panel.m_speedCommand = 0;
  }

  if ((state.followTarget && AngularDistance(state.lastSlewRightAscension, state.followRightAscension) > 0.0001) ||
      AngularDistance(state.lastSlewDeclination, state.followDeclination) > 0.0001) {
    state.lastSlewRightAscension = state.followRightAscension;
    state.lastSlewDeclination = state.followDeclination;
    io.Log("\r\nNuvarine : ");
    const std::string ra = Lx200TargetRightAscension(state.followRightAscension * 3.819718634205488);
    io.Send(ra);
    io.Log(ra.c_str());
    const std::string dec = Lx200TargetDeclination(state.followDeclination * 57.29577951308232);
    io.Send(dec);
    io.Log(dec.c_str());
    io.Send("#:MS#");
    io.Log("\r\nNuvarine : #:MS#");
  }

  if (state.replyDelay > 0.0) io.Wait(state.replyDelay);
  char buffer[kReplyBuffer];
  io.Log("\r\nLX200 (VMT) : ");
  ReadReply(io, buffer);
  io.Log(buffer);

  if (!panel.m_showPosition) return;
  state.telescopeRightAscension = 0.0;
  state.telescopeDeclination = 0.0;
  command("#:GR##:GD#");
  WaitForBytes(io, 15, 2.0 * state.replyDelay);
  int got = ReadReply(io, buffer);
  io.Log("\r\nLX200 : ");
  io.Log(buffer);
  const Lx200PositionReply position = ParseLx200Position(buffer, got);
  if (position.hasRightAscension) {
    panel.m_raText = position.raText;
    state.telescopeRightAscension = position.hours * 15.0 * kPi / 180.0;
  }
  if (position.hasDeclination) {
    panel.m_decText = position.decText;
    state.telescopeDeclination = position.degrees * kPi / 180.0;
  }
  if (state.telescopeRightAscension != 0.0 && state.telescopeDeclination != 0.0 && pointAt)
    pointAt(state.telescopeRightAscension, state.telescopeDeclination);

  command("#:GA##:GZ#");
  WaitForBytes(io, 14, 2.0 * state.replyDelay);
  got = ReadReply(io, buffer);
  io.Log("\r\nLX200 : ");
  io.Log(buffer);
  const Lx200HorizontalReply horizontal = ParseLx200Horizontal(buffer, got);
  if (horizontal.hasAltitude) panel.m_altitudeText = horizontal.altitudeText;
  if (horizontal.hasAzimuth) panel.m_azimuthText = horizontal.azimuthText;
}
